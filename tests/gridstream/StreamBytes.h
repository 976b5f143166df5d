#pragma once
// Bytes of column layout streams written out by hand for the tests.

#include "grid/stream/ColumnsStream.h"

#include <QByteArray>

#include <ostream>
#include <string>
#include <string_view>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace tallivo {

// A failed comparison shows the records as the writer puts them.
inline void PrintTo(const TColumnRecord& c, std::ostream* os) {
    *os << QByteArray::fromStdString(WriteColumnsLayout({{}, 0, {c}})).mid(31).toHex(' ').toStdString();
}
inline void PrintTo(const TColumnsLayout& l, std::ostream* os) {
    *os << '"' << l.Name.toStdString() << "\" "
        << QByteArray::fromStdString(WriteColumnsLayout(l)).toHex(' ').toStdString();
}

} // namespace tallivo

namespace tallivo::test {

// "54 50 46 30" -> the four bytes.
inline std::string Hex(const char* text) {
    return QByteArray::fromHex(text).toStdString();
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
