#pragma once
// Conversion between UTF-16 text and the 8-bit code page that table string
// fields and data files hold (Windows-1252). Every byte 0x00-0xFF has a
// character and converts back to itself; the five bytes the code page leaves
// undefined stand for the control characters U+0081, U+008D, U+008F, U+0090
// and U+009D. A character the code page lacks becomes "?".

#include <QString>
#include <QStringView>
#include <string>
#include <string_view>

namespace tallivo {

// The character a code page byte stands for.
char16_t AnsiCharToUnicode(unsigned char b);

// The code page byte of one UTF-16 code unit, or '?' when it has none.
// A surrogate (half of a character outside the basic plane) has none.
char UnicodeToAnsiChar(char16_t c);

// Text to code page bytes; each character (a surrogate pair counts as one)
// gives exactly one byte.
std::string ToAnsi(QStringView text);

// Code page bytes to text; one character per byte.
QString FromAnsi(std::string_view bytes);

// Decodes into a caller's buffer (reused to avoid allocations in loops).
void FromAnsi(std::string_view bytes, std::u16string& out);

} // namespace tallivo
