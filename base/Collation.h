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

    TCollator(const TCollator&) = delete;
    TCollator& operator=(const TCollator&) = delete;
    ~TCollator();

private:
    explicit TCollator(std::string locale);
    UCollator* FCollator = nullptr;
    std::string FLocale;
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
