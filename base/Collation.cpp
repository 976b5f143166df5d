#include "base/Collation.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace tallivo {

namespace {

std::u16string_view View(QStringView s) {
    return std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

thread_local std::u16string tlsFoldA, tlsFoldB;

} // namespace

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

std::string LocaleForLCID(uint32_t lcid) {
    if (lcid == 0) return {};
    char buf[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = uloc_getLocaleForLCID(lcid, buf, int32_t(sizeof buf), &status);
    if (U_FAILURE(status) || n <= 0) return {};
    return std::string(buf, size_t(n));
}

} // namespace tallivo
