#pragma once
// What a column layout file holds: for each column, the attributes written
// for it, each one present only when the file carries it. The grid turns its
// columns into these records to save them and applies the records it reads
// back as assignments; the stream code knows nothing else of the grid.

#include "base/Alignment.h"
#include "base/Colors.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace tallivo {

// Enumeration values as the file names them, in ordinal order.
inline constexpr const char* kAlignmentNames[] = {"taLeftJustify", "taRightJustify", "taCenter"};
inline constexpr const char* kButtonStyleNames[] = {"cbsAuto", "cbsEllipsis", "cbsNone"};
inline constexpr const char* kFontPitchNames[] = {"fpDefault", "fpVariable", "fpFixed"};
// Members of a font style set, in bit order (bit 0: fsBold).
inline constexpr const char* kFontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
inline constexpr const char* kImeModeNames[] = {"imDisable", "imClose",   "imOpen",     "imDontCare",
                                                "imSAlpha",  "imAlpha",   "imHira",     "imSKata",
                                                "imKata",    "imChinese", "imSHanguel", "imHanguel"};

// The attributes of a font that a layout carries ("Font.Height" ...). Read
// back, they replace those attributes of the column's default font.
struct TFontRecord {
    std::optional<int> Charset;
    std::optional<TColor> Color;
    std::optional<int> Height; // negative: character height in pixels
    std::optional<QString> Name;
    std::optional<int> Orientation;
    std::optional<int> Pitch;          // index in kFontPitchNames
    std::optional<std::uint8_t> Style; // bit i: kFontStyleNames[i]

    bool Empty() const { return *this == TFontRecord(); }
    friend bool operator==(const TFontRecord&, const TFontRecord&) = default;
};

// One column of a layout, its records in the order the file has them.
struct TColumnRecord {
    std::optional<TAlignment> Alignment;
    std::optional<int> ButtonStyle; // index in kButtonStyleNames
    std::optional<TColor> Color;
    std::optional<int> DropDownRows;
    std::optional<bool> Expanded;
    std::optional<QString> FieldName;
    TFontRecord Font;
    std::optional<int> ImeMode; // index in kImeModeNames
    std::optional<QString> ImeName;
    std::optional<QStringList> PickList;
    std::optional<QString> PopupMenu; // the name of a pop-up menu
    std::optional<bool> ReadOnly;
    std::optional<TAlignment> TitleAlignment;
    std::optional<QString> TitleCaption;
    std::optional<TColor> TitleColor;
    TFontRecord TitleFont;
    std::optional<int> Width;
    std::optional<bool> Visible;

    friend bool operator==(const TColumnRecord&, const TColumnRecord&) = default;
};

// The stream's root object: its name and tag (empty and 0 as the workstation
// writes them) and the columns in grid order.
struct TColumnsLayout {
    QString Name;
    int Tag = 0;
    std::vector<TColumnRecord> Columns;

    friend bool operator==(const TColumnsLayout&, const TColumnsLayout&) = default;
};

} // namespace tallivo
