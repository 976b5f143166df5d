#pragma once
// Numbers as text. The general form: plain decimal notation without trailing
// zeros (exponent notation only for very large or very small magnitudes),
// 15 significant digits and the locale's decimal separator for display and
// typing, 16 significant digits and "." in data files.

#include <QString>
#include <QStringView>
#include <string>

namespace tallivo {

// Display form: 15 significant digits, FormatSettings().DecimalSeparator.
QString FloatToText(double value);

// The same with an explicit separator and digit count.
QString FloatToText(double value, QChar separator, int significantDigits);

// Data file form: 16 significant digits, "." (2.5, 0.1, 1, -3).
std::string FloatToPacketText(double value);

// Strict parse of typed numbers: spaces around, an optional sign, digits with
// at most one decimal separator, an optional exponent ("E" or "e", optionally
// signed, digits), nothing else. Returns false (and leaves value unchanged)
// when the text does not have that form or is out of the double range.
bool TryTextToFloat(QStringView text, double& value);
bool TryTextToFloat(QStringView text, QChar separator, double& value);

// TryTextToFloat that raises EConvertError
// "'%s' n'est pas une valeur en virgule flottante correcte" on failure.
double StrToFloat(const QString& text);

} // namespace tallivo
