#pragma once
// Numbers of the field kinds other than r8, as the table holds them.
//
// Integer kinds (i1 ... i8, ui1 ... ui8) and fixed-point kinds (fixed,
// fixedFMT) keep each value as exact decimal text in the canonical form
//   -?(0|[1-9][0-9]*)(.[0-9]+)?     no "-" on zero, no leading zeros
// A fixed-point value keeps the fraction digits it came with ("12.50" stays
// "12.50"), so that a data file is written back as it was read; integer
// values have no fraction. Comparisons, sort keys and the text shown treat
// the text as the number it stands for (12.50 equals 12.5).
//
// r4 values are doubles holding at most 8 significant digits, the digits a
// data file gives them.

#include "table/DBTypes.h"

#include <QString>
#include <QStringView>
#include <string>
#include <string_view>

namespace tallivo {

// At most this many digits in a fixed-point value (a packed decimal of 32
// bytes): integer digits without leading zeros plus fraction digits.
constexpr int kMaxDecimalDigits = 64;

// Integer kinds and fixed-point kinds: the kinds held as decimal text.
bool IsIntegerKind(TFieldType type);
bool IsDecimalKind(TFieldType type);

// The range of an integer kind as decimal text; ui8 is ftLargeint with the
// type name "ui8". Empty texts for other kinds.
struct TIntegerRange {
    std::string_view Min, Max;
};
TIntegerRange IntegerRangeOf(TFieldType type, std::string_view typeName);
bool InRange(std::string_view canonical, const TIntegerRange& range);

// The value text of a data file for a decimal kind: null (false) unless a
// digit comes before any letter; then the longest prefix, after white space,
// of the form [sign] digits [. digits] (no fraction for integer kinds), in
// canonical form ("2,5" is 2, "-0012" is -12). More than kMaxDecimalDigits
// digits is null. The range of an integer kind is the caller's check.
bool ParsePacketDecimal(std::string_view text, bool integer, std::string& canonical);

// Typed text: spaces around, an optional sign, digits with at most one
// decimal separator and an optional exponent ("E" or "e", optionally signed);
// integer kinds take neither separator nor exponent. Nothing else.
bool ParseTypedDecimal(QStringView text, QChar separator, bool integer, std::string& canonical);

// <0, 0, >0 as a is less than, equal to, greater than b (canonical texts).
int CompareDecimal(std::string_view a, std::string_view b);

// Appends an order-preserving key: comparing keys byte by byte gives the
// order of CompareDecimal, and no key is the beginning of another.
void AppendDecimalKey(std::string_view canonical, std::string& out);

// The text shown: no trailing zeros and no trailing separator, the given
// decimal separator ("12.50" shows 12,5 with a comma).
QString DecimalDisplayText(std::string_view canonical, QChar separator);

double DecimalToDouble(std::string_view canonical);

// The shortest decimal text that reads back to value; false when value is
// not finite or needs more than kMaxDecimalDigits digits.
bool DoubleToDecimal(double value, std::string& canonical);

// The float text of a data file value (r8 and r4): null (false) unless a
// digit comes before any letter; then the longest prefix, after white space,
// of the form [sign] digits [. digits] [e|E [sign] digits] ("2,5" is 2, "1e3"
// is 1000). A number beyond the double range is null.
bool ParsePacketFloat(std::string_view text, double& value);

// The value an r4 field holds for value: 8 significant digits.
double RoundToSingle(double value);

// Whether a data file's number text was read whole (for reporting what a
// load passed over): read is what the reader made of it; blank text is null
// by design; otherwise the whole text must be [sign] digits, then with
// fraction [. digits], then with exponent [e|E [sign] digits].
bool IsNumberReadWhole(std::string_view text, bool fraction, bool exponent, bool read);

} // namespace tallivo
