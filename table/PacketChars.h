#pragma once
// Characters of data packet content: the fast scans of attribute values,
// the check that content declared as UTF-8 is UTF-8, and the decoding of a
// value (references resolved, Windows-1252 or UTF-8 to the target code).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tallivo {

// True when a byte of v is 0x80 or more.
bool HasHighByte(std::string_view v);

// The first double quote in [p, e), or nullptr; amp tells whether an
// ampersand comes before it.
const char* FindQuote(const char* p, const char* e, bool& amp);

// Checks, piece by piece, that bytes are well-formed UTF-8 (no overlong
// forms, no surrogates, nothing above U+10FFFF).
class TUtf8Check {
public:
    bool Feed(const char* data, size_t n) {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        size_t i = 0;
        while (i < n) {
            if (FNeed == 0) {
                while (i + 8 <= n) {
                    uint64_t w;
                    std::memcpy(&w, p + i, 8);
                    if (w & 0x8080808080808080ull) break;
                    i += 8;
                }
                if (i >= n) break;
                const unsigned char b = p[i++];
                if (b < 0x80) continue;
                FLo = 0x80;
                FHi = 0xBF;
                if (b >= 0xC2 && b <= 0xDF) {
                    FNeed = 1;
                } else if (b >= 0xE0 && b <= 0xEF) {
                    FNeed = 2;
                    if (b == 0xE0) FLo = 0xA0;
                    if (b == 0xED) FHi = 0x9F;
                } else if (b >= 0xF0 && b <= 0xF4) {
                    FNeed = 3;
                    if (b == 0xF0) FLo = 0x90;
                    if (b == 0xF4) FHi = 0x8F;
                } else {
                    return false;
                }
            } else {
                const unsigned char b = p[i++];
                if (b < FLo || b > FHi) return false;
                FLo = 0x80;
                FHi = 0xBF;
                --FNeed;
            }
        }
        return true;
    }
    bool Complete() const { return FNeed == 0; }

private:
    int FNeed = 0;
    unsigned char FLo = 0x80, FHi = 0xBF;
};

// One UTF-8 sequence at p (a byte of 0x80 or more); a broken sequence gives
// U+FFFD and moves on by at least one byte.
uint32_t DecodeUtf8At(const char*& p, const char* e);

void AppendUtf8(uint32_t cp, std::string& out);

// Decodes a value of the content: references resolved, the content's
// characters (Windows-1252 bytes or UTF-8 sequences) turned into the target:
// Windows-1252 bytes ("?" for characters it lacks) or UTF-8.
void DecodeValue(std::string_view v, bool utf8Content, bool toAnsi, std::string& out);

} // namespace tallivo
