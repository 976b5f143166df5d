#pragma once
// Value types of the swipe gestures: identifiers, options, stroke points,
// the templates of the standard gestures and the errors of the recogniser.
// Needs no display (and no Qt): the command-line tool uses it as well.

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace tallivo {

enum TGestureID : int {
    sgiNoGesture = 0,
    sgiLeft = 1,
    sgiRight = 2,
    sgiUp = 3,
    sgiDown = 4,
    sgiUpLeft = 5,
    sgiUpRight = 6,
    sgiDownLeft = 7,
    sgiDownRight = 8,
    sgiLeftUp = 9,
    sgiLeftDown = 10,
    sgiRightUp = 11,
    sgiRightDown = 12,
    sgiUpDown = 13,
    sgiDownUp = 14,
    sgiLeftRight = 15,
    sgiRightLeft = 16,
    sgiUpLeftLong = 17,
    sgiUpRightLong = 18,
    sgiDownLeftLong = 19,
    sgiDownRightLong = 20,
    sgiScratchout = 21,
    sgiTriangle = 22,
    sgiSquare = 23,
    sgiCheck = 24,
    sgiCurlicue = 25,
    sgiDoubleCurlicue = 26,
    sgiCircle = 27,
    sgiDoubleCircle = 28,
    sgiSemiCircleLeft = 29,
    sgiSemiCircleRight = 30,
    sgiChevronUp = 31,
    sgiChevronDown = 32,
    sgiChevronLeft = 33,
    sgiChevronRight = 34,
};

// The identifier's name ("sgiLeft"); "sgiNoGesture" for unknown values.
const char* GestureIdName(TGestureID id);

enum TGestureOption : std::uint8_t { goUniDirectional, goSkew, goEndpoint, goRotate };

class TGestureOptions {
public:
    constexpr TGestureOptions() = default;
    constexpr TGestureOptions(std::initializer_list<TGestureOption> items) {
        for (TGestureOption o : items) FBits = std::uint8_t(FBits | Bit(o));
    }
    constexpr bool Contains(TGestureOption o) const { return (FBits & Bit(o)) != 0; }
    constexpr std::uint8_t Bits() const { return FBits; }
    friend constexpr bool operator==(TGestureOptions, TGestureOptions) = default;

private:
    static constexpr std::uint8_t Bit(TGestureOption o) { return std::uint8_t(1u << unsigned(o)); }
    std::uint8_t FBits = 0;
};

enum TGestureType : std::uint8_t { gtStandard, gtRecorded, gtRegistered, gtNone };

class TGestureTypes {
public:
    constexpr TGestureTypes(std::initializer_list<TGestureType> items) {
        for (TGestureType t : items) FBits = std::uint8_t(FBits | (1u << unsigned(t)));
    }
    constexpr bool Contains(TGestureType t) const { return (FBits & (1u << unsigned(t))) != 0; }

private:
    std::uint8_t FBits = 0;
};

// A stroke or template point in pixels (y grows downwards).
struct TGesturePoint {
    int X = 0;
    int Y = 0;
    friend constexpr bool operator==(TGesturePoint, TGesturePoint) = default;
};
using TGesturePointArray = std::vector<TGesturePoint>;

// Strokes and templates are taken within this many pixels of the origin in
// each axis (beyond any screen), so that their arithmetic never overflows and
// a jump is never filled with more than a few ten thousand points.
inline constexpr int kGestureCoordinateLimit = 1 << 16;
constexpr TGesturePoint ClampGesturePoint(TGesturePoint p) {
    const auto clamp = [](int v) {
        return v < -kGestureCoordinateLimit  ? -kGestureCoordinateLimit
               : v > kGestureCoordinateLimit ? kGestureCoordinateLimit
                                             : v;
    };
    return {clamp(p.X), clamp(p.Y)};
}

// The template of a standard gesture.
struct TStandardGestureData {
    TGesturePointArray Points;
    TGestureID GestureID = sgiNoGesture;
    TGestureOptions Options;
    int Deviation = 0;   // pixels
    int ErrorMargin = 0; // percent
};

// The template of a standard gesture, or nullptr when this system has none
// for it (only the four swipes have one).
const TStandardGestureData* FindStandardGesture(TGestureID id);

// One gesture to try on a stroke: a standard one is matched against its
// template, the others against their own points and settings.
struct TGestureListItem {
    TGestureID GestureID = sgiNoGesture;
    TGestureType GestureType = gtStandard;
    TGestureOptions Options;
    int Deviation = 0;
    int ErrorMargin = 0;
    TGesturePointArray Points;
};
using TGestureList = std::vector<TGestureListItem>;

// What the recogniser found, handed to the dispatch.
struct TGestureEventInfo {
    TGestureID GestureID = sgiNoGesture;
    TGesturePoint Location; // where the stroke began
};

// n / d rounded to the nearest integer, halves away from zero (d > 0).
constexpr std::int64_t RoundDiv(std::int64_t n, std::int64_t d) {
    return n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d));
}

// A failure of the recogniser; what() is the operator's (French) text in UTF-8.
class EGestureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tallivo
