#include "base/Collation.h"

#include "base/CodePage.h"

#include <unicode/uchar.h>
#include <unicode/uset.h>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uloc.h>

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>

namespace tallivo {

namespace {

std::u16string_view View(QStringView s) {
    return std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

thread_local std::u16string tlsFoldA, tlsFoldB;

} // namespace

// Per character, the primary weights (16 bits each, zeros left out) of its
// case folding, for the characters whose weights never depend on their
// neighbours, in one word: the weights in the low 48 bits, first weight
// lowest, and their number of bits (0, 16, 32 or 48) in the top byte;
// kContextual marks the others.
struct TCollator::TLookupTables {
    static constexpr uint64_t kContextual = ~uint64_t(0);
    std::array<uint64_t, 256> Ansi{};      // by code page byte
    std::array<uint64_t, 0x250> Unicode{}; // by UTF-16 code unit below U+0250
    bool Fast = false;                     // false: hashes come from whole sort keys
};

TCollator::TCollator(std::string locale) : FLocale(std::move(locale)) {
    UErrorCode status = U_ZERO_ERROR;
    FCollator = ucol_open(FLocale.c_str(), &status);
    if (U_FAILURE(status) || !FCollator) {
        status = U_ZERO_ERROR;
        FCollator = ucol_open("", &status);
        if (U_FAILURE(status) || !FCollator) throw std::runtime_error("ICU collator unavailable");
    }
    status = U_ZERO_ERROR;
    ucol_setStrength(FCollator, UCOL_TERTIARY);
    ucol_setAttribute(FCollator, UCOL_CASE_FIRST, UCOL_LOWER_FIRST, &status);
    PrepareLookup();
}

TCollator::~TCollator() {
    if (FCollator) ucol_close(FCollator);
}

const TCollator& TCollator::ForLocale(const std::string& icuLocale) {
    static std::mutex lock;
    static std::map<std::string, std::unique_ptr<TCollator>> cache;
    std::lock_guard<std::mutex> guard(lock);
    auto& slot = cache[icuLocale];
    if (!slot) slot.reset(new TCollator(icuLocale));
    return *slot;
}

const TCollator& TCollator::Default() {
    static const TCollator& def = []() -> const TCollator& {
        std::string loc = uloc_getDefault();
        if (loc.find("POSIX") != std::string::npos || loc == "c" || loc == "C") loc.clear();
        return ForLocale(loc);
    }();
    return def;
}

int TCollator::Compare(std::u16string_view a, std::u16string_view b) const {
    const UCollationResult r =
        ucol_strcoll(FCollator, reinterpret_cast<const UChar*>(a.data()), int32_t(a.size()),
                     reinterpret_cast<const UChar*>(b.data()), int32_t(b.size()));
    return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

bool TCollator::EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) const {
    FoldCase(a, tlsFoldA);
    FoldCase(b, tlsFoldB);
    if (tlsFoldA == tlsFoldB) return true;
    return Compare(tlsFoldA, tlsFoldB) == 0;
}

void TCollator::AppendSortKey(std::u16string_view s, std::string& out) const {
    const size_t base = out.size();
    size_t cap = s.size() * 4 + 16;
    for (;;) {
        out.resize(base + cap);
        const int32_t n =
            ucol_getSortKey(FCollator, reinterpret_cast<const UChar*>(s.data()), int32_t(s.size()),
                            reinterpret_cast<uint8_t*>(out.data() + base), int32_t(cap));
        if (size_t(n) <= cap) {
            out.resize(base + size_t(n));
            return;
        }
        cap = size_t(n);
    }
}

void TCollator::AppendFoldedSortKey(std::u16string_view s, std::string& out) const {
    FoldCase(s, tlsFoldA);
    AppendSortKey(tlsFoldA, out);
}

void FoldCase(std::u16string_view s, std::u16string& out) {
    out.resize(s.size());
    const size_t n = s.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 0x80) {
            out[i] = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        } else if (U16_IS_LEAD(c) && i + 1 < n && U16_IS_TRAIL(s[i + 1])) {
            const UChar32 cp = U16_GET_SUPPLEMENTARY(c, s[i + 1]);
            const UChar32 f = u_foldCase(cp, U_FOLD_CASE_DEFAULT);
            if (f > 0xFFFF) {
                out[i] = U16_LEAD(f);
                out[i + 1] = U16_TRAIL(f);
            } else { // keeps the length: a fold to the basic plane never happens in practice
                out[i] = c;
                out[i + 1] = s[i + 1];
            }
            ++i;
        } else {
            const UChar32 f = u_foldCase(c, U_FOLD_CASE_DEFAULT);
            out[i] = f <= 0xFFFF ? char16_t(f) : c;
        }
    }
}

QString FoldCase(QStringView s) {
    std::u16string out;
    FoldCase(View(s), out);
    return QString::fromUtf16(out.data(), qsizetype(out.size()));
}

namespace {

// The lookup hash of a sequence of nonzero 16-bit weights. The weights are
// packed four to a 64-bit word, which costs one multiply per word instead of
// one per weight; the last, partly filled word and the number of words end
// it. As every weight is nonzero, the empty lanes of the last word tell where
// the sequence ends, and the words follow the weights whatever characters
// they came from: a text gives the same hash from the tables of single
// characters as from the collator's own iteration.
class TWeightHash {
public:
    // Appends up to three weights, first weight lowest, count being the
    // number of their bits (16 per weight).
    void Append(uint64_t packed, unsigned count) {
        FWord |= packed << FBits; // FBits < 64
        FBits += count;
        if (FBits >= 64) {
            Mix(FWord);
            ++FWords;
            FBits -= 64;
            FWord = packed >> (count - FBits); // the weights that did not fit
        }
    }
    void Append(uint16_t weight) { Append(weight, 16); }
    uint32_t Finish() {
        Mix(FWord);
        uint64_t h = (FHash ^ FWords) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 32;
        return uint32_t(h);
    }

private:
    void Mix(uint64_t word) {
        FHash = (FHash ^ word) * 0x9E3779B97F4A7C15ull;
        FHash ^= FHash >> 29;
    }
    uint64_t FHash = 0x243F6A8885A308D3ull;
    uint64_t FWord = 0;
    uint64_t FWords = 0;
    unsigned FBits = 0;
};

constexpr uint64_t kWeightBits = (uint64_t(1) << 48) - 1;
constexpr unsigned BitsOf(uint64_t packed) { return unsigned(packed >> 56); }

} // namespace

// The weights of a character are its own when the collator has no
// contraction or prefix rule that involves it, when nothing combines with it
// from the left (its leading combining class is 0) and when digits are not
// read as numbers; then the primary weights of a text are those of its
// characters one after the other, and a hash of them can be computed
// character by character. Under "alternate shifted" spaces and punctuation
// lose their primary weights in comparisons: hashes then come from the whole
// folded sort key.
void TCollator::PrepareLookup() {
    FLookup = std::make_unique<TLookupTables>();
    UErrorCode status = U_ZERO_ERROR;
    if (ucol_getAttribute(FCollator, UCOL_NUMERIC_COLLATION, &status) == UCOL_ON || U_FAILURE(status)) return;
    status = U_ZERO_ERROR;
    if (ucol_getAttribute(FCollator, UCOL_ALTERNATE_HANDLING, &status) == UCOL_SHIFTED || U_FAILURE(status))
        return;
    // The characters the tables cover, as the collator sees them (folded).
    std::u16string covered;
    auto fold = [](char16_t c) {
        std::u16string f;
        FoldCase(std::u16string_view(&c, 1), f);
        return f[0];
    };
    for (int b = 0; b < 256; ++b) covered += fold(AnsiCharToUnicode((unsigned char)b));
    for (char16_t c = 0; c < FLookup->Unicode.size(); ++c) covered += fold(c);
    auto isCovered = [&](UChar32 c) { return c <= 0xFFFF && covered.find(char16_t(c)) != std::u16string::npos; };
    // A contraction or prefix rule made only of covered characters could
    // apply inside a text the tables hash: one of its characters (one that
    // is not an ASCII letter or digit when it has one, else its last) is
    // left to the collator.
    USet* contractions = uset_openEmpty();
    USet* involved = uset_openEmpty();
    status = U_ZERO_ERROR;
    ucol_getContractionsAndExpansions(FCollator, contractions, nullptr, true, &status);
    if (U_FAILURE(status)) {
        uset_close(contractions);
        uset_close(involved);
        return;
    }
    std::vector<UChar> text(64);
    for (int32_t i = 0, n = uset_getItemCount(contractions); i < n; ++i) {
        UChar32 start = 0, end = 0;
        status = U_ZERO_ERROR;
        int32_t len = uset_getItem(contractions, i, &start, &end, text.data(), int32_t(text.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            text.resize(size_t(len) + 1);
            status = U_ZERO_ERROR;
            len = uset_getItem(contractions, i, &start, &end, text.data(), int32_t(text.size()), &status);
        }
        if (U_FAILURE(status)) continue;
        if (len == 0) {
            uset_addRange(involved, start, end);
            continue;
        }
        auto alnum = [](UChar32 c) {
            return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        };
        bool allCovered = true;
        UChar32 pick = -1;
        for (int32_t k = 0; k < len;) {
            UChar32 c;
            U16_NEXT(text.data(), k, len, c);
            if (!isCovered(c)) allCovered = false;
            if (pick < 0 || !alnum(c) || alnum(pick)) pick = c; // the last non-alphanumeric, else the last
        }
        if (allCovered) uset_add(involved, pick);
    }
    auto entryOf = [&](char16_t c) {
        const UChar32 f = fold(c);
        if (U16_IS_SURROGATE(f) || uset_contains(involved, f) ||
            u_getIntPropertyValue(f, UCHAR_LEAD_CANONICAL_COMBINING_CLASS) != 0)
            return TLookupTables::kContextual;
        UErrorCode st = U_ZERO_ERROR;
        const UChar one = UChar(f);
        UCollationElements* it = ucol_openElements(FCollator, &one, 1, &st);
        if (U_FAILURE(st) || !it) return TLookupTables::kContextual;
        uint64_t weights = 0;
        unsigned bits = 0;
        bool fits = true;
        for (int32_t ce; (ce = ucol_next(it, &st)) != UCOL_NULLORDER && U_SUCCESS(st);) {
            const uint16_t p = uint16_t(uint32_t(ce) >> 16);
            if (!p) continue;
            if (bits == 48) {
                fits = false;
                break;
            }
            weights |= uint64_t(p) << bits;
            bits += 16;
        }
        ucol_closeElements(it);
        if (!fits || U_FAILURE(st)) return TLookupTables::kContextual;
        return weights | uint64_t(bits) << 56;
    };
    for (int b = 0; b < 256; ++b) FLookup->Ansi[size_t(b)] = entryOf(AnsiCharToUnicode((unsigned char)b));
    for (char16_t c = 0; c < FLookup->Unicode.size(); ++c) FLookup->Unicode[c] = entryOf(c);
    uset_close(contractions);
    uset_close(involved);
    FLookup->Fast = true;
}

uint32_t TCollator::SlowLookupHash(std::u16string_view folded) const {
    TWeightHash hash;
    if (!FLookup->Fast) {
        // Sort key bytes, one plus each so that no weight is zero.
        std::string key;
        AppendSortKey(folded, key);
        for (char c : key) hash.Append(uint16_t((unsigned char)c + 1));
        return hash.Finish();
    }
    UErrorCode status = U_ZERO_ERROR;
    UCollationElements* it =
        ucol_openElements(FCollator, reinterpret_cast<const UChar*>(folded.data()), int32_t(folded.size()), &status);
    if (U_FAILURE(status) || !it) throw std::bad_alloc();
    for (int32_t ce; (ce = ucol_next(it, &status)) != UCOL_NULLORDER && U_SUCCESS(status);)
        if (const uint16_t p = uint16_t(uint32_t(ce) >> 16)) hash.Append(p);
    ucol_closeElements(it);
    return hash.Finish();
}

uint32_t TCollator::LookupHash(std::u16string_view s) const {
    if (FLookup->Fast) {
        TWeightHash hash;
        bool simple = true;
        for (const char16_t c : s) {
            const uint64_t e = c < FLookup->Unicode.size() ? FLookup->Unicode[c] : TLookupTables::kContextual;
            if (e == TLookupTables::kContextual) {
                simple = false;
                break;
            }
            hash.Append(e & kWeightBits, BitsOf(e));
        }
        if (simple) return hash.Finish();
    }
    FoldCase(s, tlsFoldA);
    return SlowLookupHash(tlsFoldA);
}

uint32_t TCollator::LookupHashAnsi(std::string_view bytes) const {
    if (FLookup->Fast) {
        TWeightHash hash;
        bool simple = true;
        for (const char b : bytes) {
            const uint64_t e = FLookup->Ansi[(unsigned char)b];
            if (e == TLookupTables::kContextual) {
                simple = false;
                break;
            }
            hash.Append(e & kWeightBits, BitsOf(e));
        }
        if (simple) return hash.Finish();
    }
    FromAnsi(bytes, tlsFoldB);
    FoldCase(tlsFoldB, tlsFoldA);
    return SlowLookupHash(tlsFoldA);
}

std::string LocaleForLCID(uint32_t lcid) {
    if (lcid == 0) return {};
    char buf[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = uloc_getLocaleForLCID(lcid, buf, int32_t(sizeof buf), &status);
    if (U_FAILURE(status) || n <= 0) return {};
    return std::string(buf, size_t(n));
}

} // namespace tallivo
