#pragma once
// Small value types shared by the toolkit and the controls built on it.

#include "base/Alignment.h"

#include <algorithm>
#include <cstdint>

namespace tallivo {

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// A rectangle with exclusive right and bottom edges, as the window data and
// painting rules give them.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    // Grows the rectangle by dx on the left and right and dy at top and bottom
    // (negative values shrink it).
    constexpr TRect Inflated(int dx, int dy) const { return {Left - dx, Top - dy, Right + dx, Bottom + dy}; }
    constexpr TRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

// Keyboard and mouse button state of an input event.
enum TShiftStateFlag : std::uint8_t {
    ssShift = 1 << 0,
    ssAlt = 1 << 1,
    ssCtrl = 1 << 2,
    ssLeft = 1 << 3,
    ssRight = 1 << 4,
    ssMiddle = 1 << 5,
    ssDouble = 1 << 6,
};
struct TShiftState {
    std::uint8_t Bits = 0;
    constexpr TShiftState() = default;
    constexpr TShiftState(std::uint8_t bits) : Bits(bits) {}
    constexpr bool Contains(TShiftStateFlag f) const { return (Bits & f) != 0; }
    constexpr bool Empty() const { return Bits == 0; }
    constexpr TShiftState& operator|=(TShiftStateFlag f) {
        Bits |= f;
        return *this;
    }
    friend constexpr bool operator==(TShiftState, TShiftState) = default;
};

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TVerticalAlignment { taAlignTop, taAlignBottom, taVerticalCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// Modal results written by buttons and read after a modal loop.
enum : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
};

} // namespace tallivo
