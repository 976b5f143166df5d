#pragma once
// Value types of the grids: cell coordinates, the small enumeration sets
// (options, draw states, assigned column values) and the enumerations the
// grid's window data uses.

#include "toolkit/Types.h"

#include <cstdint>
#include <initializer_list>

namespace tallivo {

// A set of enumeration values; value v is bit v.
template <class E> class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> items) {
        for (E e : items) FBits |= Bit(e);
    }
    static constexpr TEnumSet FromBits(std::uint32_t bits) {
        TEnumSet s;
        s.FBits = bits;
        return s;
    }
    constexpr std::uint32_t Bits() const { return FBits; }
    constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr void Include(E e) { FBits |= Bit(e); }
    constexpr void Exclude(E e) { FBits &= ~Bit(e); }
    // Union, difference and intersection.
    constexpr TEnumSet operator+(TEnumSet o) const { return FromBits(FBits | o.FBits); }
    constexpr TEnumSet operator-(TEnumSet o) const { return FromBits(FBits & ~o.FBits); }
    constexpr TEnumSet operator*(TEnumSet o) const { return FromBits(FBits & o.FBits); }
    friend constexpr bool operator==(TEnumSet, TEnumSet) = default;

private:
    static constexpr std::uint32_t Bit(E e) { return std::uint32_t(1) << unsigned(e); }
    std::uint32_t FBits = 0;
};

// X = column, Y = row.
struct TGridCoord {
    int X = 0;
    int Y = 0;
    friend constexpr bool operator==(TGridCoord, TGridCoord) = default;
};

enum TGridDrawStateValue { gdSelected, gdFocused, gdFixed, gdRowSelected, gdHotTrack, gdPressed };
using TGridDrawState = TEnumSet<TGridDrawStateValue>;

// Options of the cell grid (the data grid derives them from its own options).
enum TGridOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking,
    goFixedColClick,
    goFixedRowClick,
    goFixedHotTrack,
};
using TGridOptions = TEnumSet<TGridOption>;

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum TGridDrawingStyle { gdsClassic, gdsThemed, gdsGradient };

// The title (or fixed) cell under the pointer; (-1, -1) when none.
struct THotTrackCellInfo {
    TGridCoord Coord{-1, -1};
    bool Pressed = false;
    TMouseButton Button = mbLeft;
};

// Options of the data grid, in bit order.
enum TDBGridOption {
    dgEditing,
    dgAlwaysShowEditor,
    dgTitles,
    dgIndicator,
    dgColumnResize,
    dgColLines,
    dgRowLines,
    dgTabs,
    dgRowSelect,
    dgAlwaysShowSelection,
    dgConfirmDelete,
    dgCancelOnExit,
    dgMultiSelect,
    dgTitleClick,
    dgTitleHotTrack,
};
using TDBGridOptions = TEnumSet<TDBGridOption>;

// Which column attributes were assigned explicitly (the others follow their
// defaults), in bit order.
enum TColumnValue {
    cvColor,
    cvWidth,
    cvFont,
    cvAlignment,
    cvReadOnly,
    cvTitleColor,
    cvTitleCaption,
    cvTitleAlignment,
    cvTitleFont,
    cvImeMode,
    cvImeName,
};
using TColumnValues = TEnumSet<TColumnValue>;

enum TDBGridColumnsState { csDefault, csCustomized };
enum TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };
enum TImeMode {
    imDisable,
    imClose,
    imOpen,
    imDontCare,
    imSAlpha,
    imAlpha,
    imHira,
    imSKata,
    imKata,
    imChinese,
    imSHanguel,
    imHanguel
};

} // namespace tallivo
