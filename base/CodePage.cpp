#include "base/CodePage.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

namespace tallivo {

namespace {

// Both directions are built once from ICU's converter. Bytes ICU leaves
// unmapped get the control characters Windows gives them, so that every
// byte survives a round trip.
struct TCodePageTables {
    std::array<char16_t, 256> ToUnicode{};
    std::array<unsigned char, 256> Latin1{}; // U+0000-U+00FF -> byte (0 with Valid=false)
    std::array<bool, 256> Latin1Valid{};
    std::vector<std::pair<char16_t, unsigned char>> Others; // sorted, chars above U+00FF

    TCodePageTables() {
        UErrorCode status = U_ZERO_ERROR;
        UConverter* conv = ucnv_open("windows-1252", &status);
        if (U_FAILURE(status) || !conv) throw std::runtime_error("ICU has no windows-1252 converter");
        for (int b = 0; b < 256; ++b) {
            const char in = char(b);
            UChar out[4] = {};
            status = U_ZERO_ERROR;
            ucnv_reset(conv);
            ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
            status = U_ZERO_ERROR;
            const int32_t n = ucnv_toUChars(conv, out, 4, &in, 1, &status);
            char16_t c = char16_t(b); // undefined bytes: the C1 control of the same value
            if (U_SUCCESS(status) && n == 1 && out[0] != 0xFFFD && out[0] != 0x1A) c = out[0];
            if (b == 0x1A) c = 0x1A;
            ToUnicode[b] = c;
        }
        ucnv_close(conv);
        for (int b = 0; b < 256; ++b) {
            const char16_t c = ToUnicode[b];
            if (c < 256) {
                Latin1[c] = (unsigned char)b;
                Latin1Valid[c] = true;
            } else {
                Others.emplace_back(c, (unsigned char)b);
            }
        }
        std::sort(Others.begin(), Others.end());
    }
};

const TCodePageTables& Tables() {
    static const TCodePageTables tables;
    return tables;
}

} // namespace

char16_t AnsiCharToUnicode(unsigned char b) {
    return Tables().ToUnicode[b];
}

char UnicodeToAnsiChar(char16_t c) {
    const TCodePageTables& t = Tables();
    if (c < 256) return t.Latin1Valid[c] ? char(t.Latin1[c]) : '?';
    auto it = std::lower_bound(t.Others.begin(), t.Others.end(), std::make_pair(c, (unsigned char)0));
    if (it != t.Others.end() && it->first == c) return char(it->second);
    return '?';
}

std::string ToAnsi(QStringView text) {
    std::string out;
    out.reserve(size_t(text.size()));
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            out.push_back('?');
            ++i;
        } else {
            out.push_back(UnicodeToAnsiChar(c));
        }
    }
    return out;
}

void FromAnsi(std::string_view bytes, std::u16string& out) {
    const TCodePageTables& t = Tables();
    out.resize(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) out[i] = t.ToUnicode[(unsigned char)bytes[i]];
}

QString FromAnsi(std::string_view bytes) {
    const TCodePageTables& t = Tables();
    QString s(qsizetype(bytes.size()), Qt::Uninitialized);
    QChar* d = s.data();
    for (size_t i = 0; i < bytes.size(); ++i) d[i] = QChar(t.ToUnicode[(unsigned char)bytes[i]]);
    return s;
}

} // namespace tallivo
