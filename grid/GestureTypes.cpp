#include "grid/GestureTypes.h"

#include <iterator>

namespace tallivo {

namespace {

constexpr const char* kNames[] = {
    "sgiNoGesture",       "sgiLeft",           "sgiRight",       "sgiUp",           "sgiDown",
    "sgiUpLeft",          "sgiUpRight",        "sgiDownLeft",    "sgiDownRight",    "sgiLeftUp",
    "sgiLeftDown",        "sgiRightUp",        "sgiRightDown",   "sgiUpDown",       "sgiDownUp",
    "sgiLeftRight",       "sgiRightLeft",      "sgiUpLeftLong",  "sgiUpRightLong",  "sgiDownLeftLong",
    "sgiDownRightLong",   "sgiScratchout",     "sgiTriangle",    "sgiSquare",       "sgiCheck",
    "sgiCurlicue",        "sgiDoubleCurlicue", "sgiCircle",      "sgiDoubleCircle", "sgiSemiCircleLeft",
    "sgiSemiCircleRight", "sgiChevronUp",      "sgiChevronDown", "sgiChevronLeft",  "sgiChevronRight",
};

// The four swipes: a 200-pixel line, its start within 30 pixels required.
const TStandardGestureData kSwipes[] = {
    {{{200, 0}, {0, 0}}, sgiLeft, {goUniDirectional}, 30, 20},
    {{{0, 0}, {200, 0}}, sgiRight, {goUniDirectional}, 30, 20},
    {{{0, 200}, {0, 0}}, sgiUp, {goUniDirectional}, 30, 20},
    {{{0, 0}, {0, 200}}, sgiDown, {goUniDirectional}, 30, 20},
};

} // namespace

const char* GestureIdName(TGestureID id) {
    const int i = int(id);
    return i >= 0 && i < int(std::size(kNames)) ? kNames[i] : kNames[0];
}

const TStandardGestureData* FindStandardGesture(TGestureID id) {
    for (const TStandardGestureData& g : kSwipes)
        if (g.GestureID == id) return &g;
    return nullptr;
}

} // namespace tallivo
