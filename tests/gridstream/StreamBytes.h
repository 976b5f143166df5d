#pragma once
// Bytes of column layout streams written out by hand for the tests.

#include "grid/stream/ColumnRecord.h"

#include <ostream>
#include <string>
#include <string_view>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace tallivo {

// Failed comparisons show the records present.
inline void PrintTo(const TFontRecord& f, std::ostream* os) {
    const auto put = [&](const char* n, const auto& v) {
        if (v) *os << n << '=' << *v << ' ';
    };
    put("charset", f.Charset);
    put("color", f.Color);
    put("height", f.Height);
    if (f.Name) *os << "name=\"" << f.Name->toStdString() << "\" ";
    put("orientation", f.Orientation);
    put("pitch", f.Pitch);
    if (f.Style) *os << "style=" << int(*f.Style);
}

inline void PrintTo(const TColumnRecord& c, std::ostream* os) {
    const auto put = [&](const char* n, const auto& v) {
        if (v) *os << n << '=' << *v << ' ';
    };
    const auto text = [&](const char* n, const std::optional<QString>& v) {
        if (v) *os << n << "=\"" << v->toStdString() << "\" ";
    };
    *os << "{ ";
    put("Alignment", c.Alignment);
    put("ButtonStyle", c.ButtonStyle);
    put("Color", c.Color);
    put("DropDownRows", c.DropDownRows);
    put("Expanded", c.Expanded);
    text("FieldName", c.FieldName);
    *os << "Font={ ";
    PrintTo(c.Font, os);
    *os << "} ";
    put("ImeMode", c.ImeMode);
    text("ImeName", c.ImeName);
    if (c.PickList) *os << "PickList=\"" << c.PickList->join(u'|').toStdString() << "\" ";
    text("PopupMenu", c.PopupMenu);
    put("ReadOnly", c.ReadOnly);
    put("Title.Alignment", c.TitleAlignment);
    text("Title.Caption", c.TitleCaption);
    put("Title.Color", c.TitleColor);
    *os << "Title.Font={ ";
    PrintTo(c.TitleFont, os);
    *os << "} ";
    put("Width", c.Width);
    put("Visible", c.Visible);
    *os << '}';
}

inline void PrintTo(const TColumnsLayout& l, std::ostream* os) {
    *os << "name \"" << l.Name.toStdString() << "\" tag " << l.Tag << ", " << l.Columns.size() << " columns";
    for (const TColumnRecord& c : l.Columns) {
        *os << "\n  ";
        PrintTo(c, os);
    }
}

} // namespace tallivo

namespace tallivo::test {

// "54 50 46 30" -> the four bytes.
inline std::string Hex(std::string_view text) {
    std::string bytes;
    int high = -1;
    for (const char c : text) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else
            continue;
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(char(high << 4 | v));
            high = -1;
        }
    }
    return bytes;
}

// A short string: its length byte, then its bytes.
inline std::string Short(std::string_view s) {
    return char(s.size()) + std::string(s);
}

// The stream up to the first column's vaList, and its end after the last
// column's records.
inline const std::string kHead = "TPF0" + Short("TColumnsWrapper") + Short("") + Short("Columns") + "\x0E";
inline const std::string kTail = std::string(4, '\0');

// A stream of one column holding exactly the given records.
inline std::string OneColumn(const std::string& records) {
    return kHead + "\x01" + records + kTail;
}

} // namespace tallivo::test
