#pragma once
// Locale-aware string comparison through ICU. One collator per locale, opened
// once and kept for the life of the process: tertiary strength (letters, then
// accents, then letter case), lower case before upper case. Case-insensitive
// equality is "differ only in letter case": both strings get simple case
// folding, then compare equal at tertiary strength. Sort keys come from the
// same collator, so comparing two sort keys byte by byte gives the same
// answer as Compare.

#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct UCollator;

namespace tallivo {

class TCollator {
public:
    // The collator of an ICU locale name ("fr_FR", "" for the root order).
    static const TCollator& ForLocale(const std::string& icuLocale);
    // The collator of the user's default locale (root when the default is the
    // POSIX/C locale, whose tailoring would sort all capitals first).
    static const TCollator& Default();

    const std::string& LocaleName() const { return FLocale; }

    // <0, 0, >0 as a sorts before, equal to, after b.
    int Compare(std::u16string_view a, std::u16string_view b) const;

    // Equal when they differ at most in letter case.
    bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) const;

    // Appends the sort key of s to out, including its terminating zero byte.
    void AppendSortKey(std::u16string_view s, std::string& out) const;
    // Appends the sort key of the simple case folding of s.
    void AppendFoldedSortKey(std::u16string_view s, std::string& out) const;

    // A hash that strings equal ignoring case (EqualsIgnoreCase) always
    // share, for hash lookups: it follows the primary weights of the
    // case-folded text (so accents and letter case do not change it).
    uint32_t LookupHash(std::u16string_view s) const;
    // The same for code page bytes (Windows-1252): computed straight from the
    // bytes, without asking the collator, when each of them stands for a
    // character whose weights do not depend on its neighbours.
    uint32_t LookupHashAnsi(std::string_view bytes) const;

    TCollator(const TCollator&) = delete;
    TCollator& operator=(const TCollator&) = delete;
    ~TCollator();

private:
    explicit TCollator(std::string locale);
    struct TLookupTables;
    void PrepareLookup();
    uint32_t SlowLookupHash(std::u16string_view folded) const;
    UCollator* FCollator = nullptr;
    std::string FLocale;
    std::unique_ptr<TLookupTables> FLookup;
};

// The UTF-16 code units of a Qt string, for the functions above.
inline std::u16string_view U16(QStringView s) {
    return std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

// Simple case folding, one code point at a time (lengths never change).
void FoldCase(std::u16string_view s, std::u16string& out);
QString FoldCase(QStringView s);

// The ICU locale of a Windows locale identifier, or an empty text when the
// identifier is unknown.
std::string LocaleForLCID(uint32_t lcid);

} // namespace tallivo
