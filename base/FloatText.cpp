#include "base/FloatText.h"

#include "base/Exception.h"
#include "base/FormatSettings.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace tallivo {

namespace {

int GeneralForm(double value, int digits, char* buf, int cap) {
    if (value == 0) value = 0; // no "-0"
    auto r = std::to_chars(buf, buf + cap, value, std::chars_format::general, digits);
    return r.ec == std::errc() ? int(r.ptr - buf) : 0;
}

} // namespace

QString FloatToText(double value, QChar separator, int significantDigits) {
    char buf[64];
    const int n = GeneralForm(value, significantDigits, buf, int(sizeof buf));
    QString s(n, Qt::Uninitialized);
    for (int i = 0; i < n; ++i) s[i] = buf[i] == '.' ? separator : QChar(buf[i]);
    return s;
}

QString FloatToText(double value) {
    return FloatToText(value, FormatSettings().DecimalSeparator, 15);
}

std::string FloatToPacketText(double value) {
    char buf[64];
    const int n = GeneralForm(value, 16, buf, int(sizeof buf));
    return std::string(buf, size_t(n));
}

bool TryTextToFloat(QStringView text, QChar separator, double& value) {
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == u' ') ++b;
    while (e > b && text[e - 1] == u' ') --e;
    if (b == e || e - b > 400) return false;

    std::string ascii;
    ascii.reserve(size_t(e - b));
    qsizetype i = b;
    auto isDigit = [&](qsizetype k) { return k < e && text[k] >= u'0' && text[k] <= u'9'; };
    if (text[i] == u'+' || text[i] == u'-') {
        if (text[i] == u'-') ascii.push_back('-');
        ++i;
    }
    int digits = 0;
    while (isDigit(i)) ascii.push_back(char(text[i++].unicode())), ++digits;
    if (i < e && text[i] == separator) {
        ascii.push_back('.');
        ++i;
        while (isDigit(i)) ascii.push_back(char(text[i++].unicode())), ++digits;
    }
    if (digits == 0) return false;
    if (i < e && (text[i] == u'e' || text[i] == u'E')) {
        ascii.push_back('e');
        ++i;
        if (i < e && (text[i] == u'+' || text[i] == u'-')) ascii.push_back(char(text[i++].unicode()));
        if (!isDigit(i)) return false;
        while (isDigit(i)) ascii.push_back(char(text[i++].unicode()));
    }
    if (i != e) return false;

    double v = 0;
    auto r = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is not a number of this range.
        const auto epos = ascii.find('e');
        if (epos == std::string::npos || ascii[epos + 1] != '-') return false;
        v = 0;
    } else if (r.ec != std::errc() || r.ptr != ascii.data() + ascii.size() || !std::isfinite(v)) {
        return false;
    }
    value = v;
    return true;
}

bool TryTextToFloat(QStringView text, double& value) {
    return TryTextToFloat(text, FormatSettings().DecimalSeparator, value);
}

double StrToFloat(const QString& text) {
    double v = 0;
    if (!TryTextToFloat(text, v))
        throw EConvertError(Format("'%s' n'est pas une valeur en virgule flottante correcte", text));
    return v;
}

} // namespace tallivo
