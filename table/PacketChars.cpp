// Characters of data packet content (see PacketChars.h).
#include "table/PacketChars.h"

#include "base/CodePage.h"

namespace tallivo {

namespace {

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool HasHighByte(std::string_view v) {
    const char* p = v.data();
    size_t n = v.size();
    while (n >= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        if (w & 0x8080808080808080ull) return true;
        p += 8;
        n -= 8;
    }
    while (n--)
        if ((unsigned char)*p++ >= 0x80) return true;
    return false;
}

// The first double quote in [p, e), or nullptr; amp tells whether an
// ampersand comes before it. Eight bytes at a time: values are short, and
// this spares a second pass over each value.
const char* FindQuote(const char* p, const char* e, bool& amp) {
    constexpr uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    amp = false;
    while (e - p >= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        const uint64_t q = w ^ (ones * '"'), a = w ^ (ones * '&');
        // The lowest flagged byte of each is the first real match.
        const uint64_t zq = (q - ones) & ~q & highs, za = (a - ones) & ~a & highs;
        if (za && (!zq || __builtin_ctzll(za) < __builtin_ctzll(zq))) amp = true;
        if (zq) return p + __builtin_ctzll(zq) / 8;
        p += 8;
    }
    for (; p < e; ++p) {
        if (*p == '"') return p;
        if (*p == '&') amp = true;
    }
    return nullptr;
}

// One UTF-8 sequence at p (a byte of 0x80 or more); a broken sequence gives
// U+FFFD and moves on by at least one byte.
uint32_t DecodeUtf8At(const char*& p, const char* e) {
    const auto b = (unsigned char)*p;
    int need;
    uint32_t cp;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        cp = b & 0x0F;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        cp = b & 0x07;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        ++p;
        return 0xFFFD;
    }
    const char* q = p + 1;
    for (int k = 0; k < need; ++k, ++q) {
        if (q >= e || (unsigned char)*q < lo || (unsigned char)*q > hi) {
            p = q;
            return 0xFFFD;
        }
        cp = (cp << 6) | ((unsigned char)*q & 0x3F);
        lo = 0x80;
        hi = 0xBF;
    }
    p = q;
    return cp;
}

void AppendUtf8(uint32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

namespace {

char CodePointToAnsi(uint32_t cp) {
    if (cp < 0x80) return char(cp);
    return cp <= 0xFFFF ? UnicodeToAnsiChar(char16_t(cp)) : '?';
}

// An entity or character reference at p (an ampersand): its code point and
// length, or 0 when the text there is no reference (then it stays as it is).
// "&#0;", surrogates and numbers above U+10FFFF are no references.
uint32_t ParseReference(const char* p, const char* e, size_t& length) {
    const char* q = p + 1;
    if (q < e && *q == '#') {
        ++q;
        const bool hex = q < e && *q == 'x';
        if (hex) ++q;
        uint32_t v = 0;
        int digits = 0;
        for (; q < e; ++q, ++digits) {
            const char c = *q;
            uint32_t d;
            if (IsDigit(c))
                d = uint32_t(c - '0');
            else if (hex && c >= 'a' && c <= 'f')
                d = uint32_t(c - 'a' + 10);
            else if (hex && c >= 'A' && c <= 'F')
                d = uint32_t(c - 'A' + 10);
            else
                break;
            v = v * (hex ? 16 : 10) + d;
            if (v > 0x10FFFF) return 0;
        }
        if (!digits || q >= e || *q != ';' || v == 0 || (v >= 0xD800 && v <= 0xDFFF)) return 0;
        length = size_t(q + 1 - p);
        return v;
    }
    struct TEntity {
        const char* Text;
        size_t Length;
        char Char;
    };
    static const TEntity entities[] = {
        {"lt;", 3, '<'}, {"gt;", 3, '>'}, {"amp;", 4, '&'}, {"apos;", 5, '\''}, {"quot;", 5, '"'}};
    for (const TEntity& en : entities) {
        if (size_t(e - q) >= en.Length && std::memcmp(q, en.Text, en.Length) == 0) {
            length = 1 + en.Length;
            return uint32_t((unsigned char)en.Char);
        }
    }
    return 0;
}

} // namespace

// Decodes a value of the content: references resolved, the content's
// characters (Windows-1252 bytes or UTF-8 sequences) turned into the target:
// Windows-1252 bytes ("?" for characters it lacks) or UTF-8.
void DecodeValue(std::string_view v, bool utf8Content, bool toAnsi, std::string& out) {
    const char* p = v.data();
    const char* e = p + v.size();
    auto putCode = [&](uint32_t cp) {
        if (toAnsi)
            out.push_back(CodePointToAnsi(cp));
        else
            AppendUtf8(cp, out);
    };
    // Bytes that stay as they are (ASCII, or code page bytes staying code
    // page bytes) are copied a run at a time.
    const bool highStays = toAnsi && !utf8Content;
    while (p < e) {
        const char* run = p;
        while (p < e && *p != '&' && ((unsigned char)*p < 0x80 || highStays)) ++p;
        out.append(run, size_t(p - run));
        if (p == e) break;
        const char c = *p;
        if (c == '&') {
            size_t len = 0;
            if (const uint32_t cp = ParseReference(p, e, len)) {
                putCode(cp);
                p += len;
                continue;
            }
            out.push_back('&');
            ++p;
        } else if ((unsigned char)c < 0x80) {
            out.push_back(c);
            ++p;
        } else if (utf8Content) {
            putCode(DecodeUtf8At(p, e));
        } else {
            if (toAnsi)
                out.push_back(c);
            else
                AppendUtf8(AnsiCharToUnicode((unsigned char)c), out);
            ++p;
        }
    }
}

} // namespace tallivo
