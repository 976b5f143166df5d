#include "table/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace tallivo {

namespace {

inline bool IsSpace(char c) {
    return (unsigned char)c >= 1 && (unsigned char)c <= 32;
}
inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
inline bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (unsigned char)c >= 0x80;
}

// A digit comes before any letter: the rule that makes a data file value a
// number rather than null.
bool DigitBeforeLetter(std::string_view t) {
    for (const char c : t) {
        if (IsDigit(c)) return true;
        if (IsLetter(c)) return false;
    }
    return false;
}

// The parts of a decimal text: sign, integer digits without leading zeros,
// fraction digits as written. Anything after the number is ignored.
struct TParts {
    bool Negative = false;
    std::string_view Int, Frac;
    // Fraction digits without trailing zeros.
    std::string_view SignificantFrac() const {
        size_t n = Frac.size();
        while (n > 0 && Frac[n - 1] == '0') --n;
        return Frac.substr(0, n);
    }
    bool IsZero() const { return Int.empty() && SignificantFrac().empty(); }
};

TParts Split(std::string_view t) {
    TParts p;
    size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) p.Negative = t[i++] == '-';
    while (i < t.size() && t[i] == '0') ++i;
    const size_t i0 = i;
    while (i < t.size() && IsDigit(t[i])) ++i;
    p.Int = t.substr(i0, i - i0);
    if (i < t.size() && t[i] == '.') {
        const size_t f0 = ++i;
        while (i < t.size() && IsDigit(t[i])) ++i;
        p.Frac = t.substr(f0, i - f0);
    }
    return p;
}

// The canonical text of the parts; false beyond kMaxDecimalDigits digits.
bool Canonical(const TParts& p, std::string& out) {
    if (p.Int.size() + p.Frac.size() > size_t(kMaxDecimalDigits)) return false;
    out.clear();
    if (p.Negative && !p.IsZero()) out += '-';
    if (p.Int.empty())
        out += '0';
    else
        out.append(p.Int);
    if (!p.Frac.empty()) {
        out += '.';
        out.append(p.Frac);
    }
    return true;
}

int CompareMagnitude(const TParts& a, const TParts& b) {
    if (a.Int.size() != b.Int.size()) return a.Int.size() < b.Int.size() ? -1 : 1;
    if (const int c = a.Int.compare(b.Int)) return c < 0 ? -1 : 1;
    const int c = a.SignificantFrac().compare(b.SignificantFrac());
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

} // namespace

bool IsIntegerKind(TFieldType type) {
    switch (type) {
    case ftShortint:
    case ftSmallint:
    case ftInteger:
    case ftAutoInc:
    case ftLargeint:
    case ftByte:
    case ftWord:
    case ftLongWord:
        return true;
    default:
        return false;
    }
}

bool IsDecimalKind(TFieldType type) {
    return IsIntegerKind(type) || type == ftBCD || type == ftFMTBcd;
}

TIntegerRange IntegerRangeOf(TFieldType type, std::string_view typeName) {
    switch (type) {
    case ftShortint:
        return {"-128", "127"};
    case ftSmallint:
        return {"-32768", "32767"};
    case ftInteger:
    case ftAutoInc:
        return {"-2147483648", "2147483647"};
    case ftLargeint:
        if (typeName.size() == 3 && (typeName[0] == 'u' || typeName[0] == 'U')) // ui8
            return {"0", "18446744073709551615"};
        return {"-9223372036854775808", "9223372036854775807"};
    case ftByte:
        return {"0", "255"};
    case ftWord:
        return {"0", "65535"};
    case ftLongWord:
        return {"0", "4294967295"};
    default:
        return {};
    }
}

bool InRange(std::string_view canonical, const TIntegerRange& range) {
    return CompareDecimal(canonical, range.Min) >= 0 && CompareDecimal(canonical, range.Max) <= 0;
}

bool ParsePacketDecimal(std::string_view text, bool integer, std::string& canonical) {
    if (!DigitBeforeLetter(text)) return false;
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    TParts p = Split(text.substr(i));
    if (integer) p.Frac = {};
    return Canonical(p, canonical);
}

bool ParseTypedDecimal(QStringView text, QChar separator, bool integer, std::string& canonical) {
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == u' ') ++b;
    while (e > b && text[e - 1] == u' ') --e;
    if (e - b > 400) return false;
    bool negative = false;
    if (b < e && (text[b] == u'+' || text[b] == u'-')) negative = text[b++] == u'-';
    std::string digits;   // integer and fraction digits in a row
    qsizetype point = -1; // integer digits before the point
    for (; b < e; ++b) {
        const QChar c = text[b];
        if (c >= u'0' && c <= u'9') {
            digits += char(c.unicode());
        } else if (c == separator && !integer && point < 0) {
            point = qsizetype(digits.size());
        } else {
            break;
        }
    }
    if (digits.empty()) return false;
    if (point < 0) point = qsizetype(digits.size());
    if (b < e && !integer && (text[b] == u'e' || text[b] == u'E')) {
        ++b;
        bool down = false;
        if (b < e && (text[b] == u'+' || text[b] == u'-')) down = text[b++] == u'-';
        if (b == e) return false;
        long exponent = 0;
        for (; b < e; ++b) {
            if (text[b] < u'0' || text[b] > u'9') return false;
            exponent = std::min<long>(exponent * 10 + (text[b].unicode() - u'0'), 100000);
        }
        point += down ? -exponent : exponent;
    }
    if (b != e) return false;
    // The point moved by the exponent: pad with zeros on either side.
    if (point < 0) {
        if (-point > kMaxDecimalDigits + 400) return false;
        digits.insert(0, size_t(-point), '0');
        point = 0;
    } else if (point > qsizetype(digits.size())) {
        if (point > kMaxDecimalDigits + 400) return false;
        digits.append(size_t(point) - digits.size(), '0');
    }
    std::string plain = negative ? "-" : "";
    plain.append(digits, 0, size_t(point));
    if (size_t(point) < digits.size()) plain += '.' + digits.substr(size_t(point));
    return Canonical(Split(plain), canonical);
}

int CompareDecimal(std::string_view a, std::string_view b) {
    const TParts x = Split(a), y = Split(b);
    const int sx = x.IsZero() ? 0 : x.Negative ? -1 : 1;
    const int sy = y.IsZero() ? 0 : y.Negative ? -1 : 1;
    if (sx != sy) return sx < sy ? -1 : 1;
    if (sx == 0) return 0;
    const int c = CompareMagnitude(x, y);
    return sx < 0 ? -c : c;
}

void AppendDecimalKey(std::string_view canonical, std::string& out) {
    const TParts p = Split(canonical);
    if (p.IsZero()) {
        out.push_back('\x81');
        return;
    }
    // Magnitude: the number of integer digits (two bytes), the digits
    // without trailing fraction zeros, a zero byte. A negative number takes
    // the complement of every byte, which reverses the order.
    const std::string_view frac = p.SignificantFrac();
    const size_t start = out.size();
    out.push_back(char((p.Int.size() >> 8) & 0xFF));
    out.push_back(char(p.Int.size() & 0xFF));
    out.append(p.Int);
    out.append(frac);
    out.push_back('\0');
    if (p.Negative)
        for (size_t i = start; i < out.size(); ++i) out[i] = char(~(unsigned char)out[i]);
    out.insert(out.begin() + std::ptrdiff_t(start), p.Negative ? '\x80' : '\x82');
}

QString DecimalDisplayText(std::string_view canonical, QChar separator) {
    const TParts p = Split(canonical);
    QString s;
    if (p.Negative && !p.IsZero()) s += u'-';
    s += p.Int.empty() ? QStringLiteral("0") : QString::fromLatin1(p.Int.data(), qsizetype(p.Int.size()));
    const std::string_view frac = p.SignificantFrac();
    if (!frac.empty()) {
        s += separator;
        s += QString::fromLatin1(frac.data(), qsizetype(frac.size()));
    }
    return s;
}

double DecimalToDouble(std::string_view canonical) {
    double v = 0;
    const auto r = std::from_chars(canonical.data(), canonical.data() + canonical.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        const std::string copy(canonical);
        v = std::strtod(copy.c_str(), nullptr);
    }
    return v;
}

bool DoubleToDecimal(double value, std::string& canonical) {
    if (!std::isfinite(value)) return false;
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (r.ec != std::errc()) return false;
    return Canonical(Split(std::string_view(buf, size_t(r.ptr - buf))), canonical);
}

bool ParsePacketFloat(std::string_view t, double& out) {
    if (!DigitBeforeLetter(t)) return false;
    const char* p = t.data();
    const char* e = p + t.size();
    while (p < e && IsSpace(*p)) ++p;
    bool negative = false;
    if (p < e && (*p == '+' || *p == '-')) negative = *p++ == '-';
    const char* mantissa = p;
    size_t digits = 0;
    while (p < e && IsDigit(*p)) ++p, ++digits;
    if (p < e && *p == '.') {
        ++p;
        while (p < e && IsDigit(*p)) ++p, ++digits;
    }
    if (digits == 0) {
        out = 0;
        return true;
    }
    const char* end = p;
    if (p < e && (*p == 'e' || *p == 'E')) {
        const char* x = p + 1;
        if (x < e && (*x == '+' || *x == '-')) ++x;
        if (x < e && IsDigit(*x)) {
            while (x < e && IsDigit(*x)) ++x;
            end = x;
        }
    }
    double v = 0;
    const auto r = std::from_chars(mantissa, end, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        const std::string copy(mantissa, end);
        v = std::strtod(copy.c_str(), nullptr);
        if (!std::isfinite(v)) return false;
    } else if (r.ec != std::errc()) {
        v = 0;
    }
    out = negative ? -v : v;
    return true;
}

double RoundToSingle(double value) {
    if (!std::isfinite(value) || value == 0) return value == 0 ? 0 : value;
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 8);
    double v = value;
    std::from_chars(buf, r.ptr, v);
    return v;
}

bool IsNumberReadWhole(std::string_view t, bool fraction, bool exponent, bool read) {
    while (!t.empty() && (unsigned char)t.front() <= 32) t.remove_prefix(1);
    while (!t.empty() && (unsigned char)t.back() <= 32) t.remove_suffix(1);
    if (t.empty()) return true;
    if (!read) return false;
    size_t i = 0;
    const auto digits = [&] {
        const size_t from = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        return i > from;
    };
    if (t[i] == '-' || t[i] == '+') ++i;
    bool any = digits();
    if (fraction && i < t.size() && t[i] == '.') {
        ++i;
        any = digits() || any;
    }
    if (!any) return false;
    if (exponent && i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
        if (!digits()) return false;
    }
    return i == t.size();
}

} // namespace tallivo
