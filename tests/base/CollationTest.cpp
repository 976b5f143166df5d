#include "base/Collation.h"
#include "base/CodePage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace tallivo;

namespace {
std::u16string S(const char* utf8) {
    const QString q = QString::fromUtf8(utf8);
    return std::u16string(U16(q));
}
std::string Key(const TCollator& c, const char* s) {
    std::string k;
    c.AppendSortKey(S(s), k);
    return k;
}
} // namespace

TEST(Collation, LowerCaseBeforeUpperCaseAndLettersBeforeCase) {
    const TCollator& c = TCollator::Default();
    std::vector<std::u16string> v = {S("b2"), S("A1"), S("a1"), S("B2")};
    std::sort(v.begin(), v.end(), [&](const auto& a, const auto& b) { return c.Compare(a, b) < 0; });
    EXPECT_EQ(v, (std::vector<std::u16string>{S("a1"), S("A1"), S("b2"), S("B2")}));
    EXPECT_LT(c.Compare(S("cote"), S("côte")), 0); // accents weigh less than letters
    EXPECT_LT(c.Compare(S("côte"), S("coter")), 0);
    EXPECT_NE(c.Compare(S("a"), S("A")), 0);
}

TEST(Collation, CaseInsensitiveEqualityIsOnlyLetterCase) {
    const TCollator& c = TCollator::Default();
    EXPECT_TRUE(c.EqualsIgnoreCase(S("ÉCOLE"), S("école")));
    EXPECT_TRUE(c.EqualsIgnoreCase(S("AbC-12"), S("aBc-12")));
    EXPECT_FALSE(c.EqualsIgnoreCase(S("ecole"), S("école")));
    EXPECT_FALSE(c.EqualsIgnoreCase(S("ª"), S("a")));
    EXPECT_FALSE(c.EqualsIgnoreCase(S("²"), S("2")));
    EXPECT_FALSE(c.EqualsIgnoreCase(S("A1 "), S("A1")));
}

TEST(Collation, SortKeysAgreeWithComparison) {
    const TCollator& c = TCollator::Default();
    const char* words[] = {"b2",   "a1", "A1",    "côte",  "cote",  "Côte", "coté", "Œuf",
                           "oeuf", "",   "zèbre", "Zebre", "l'été", "lete", "a\"b", "a&b"};
    for (const char* a : words) {
        for (const char* b : words) {
            const int cmp = c.Compare(S(a), S(b));
            const std::string ka = Key(c, a), kb = Key(c, b);
            const int kcmp = ka < kb ? -1 : ka > kb ? 1 : 0;
            EXPECT_EQ(cmp, kcmp) << a << " / " << b;
        }
    }
    std::string f1, f2;
    c.AppendFoldedSortKey(S("ÉCOLE"), f1);
    c.AppendFoldedSortKey(S("école"), f2);
    EXPECT_EQ(f1, f2);
}

TEST(Collation, OneCollatorPerLocaleAndLcidMapping) {
    EXPECT_EQ(&TCollator::ForLocale("fr_FR"), &TCollator::ForLocale("fr_FR"));
    EXPECT_EQ(LocaleForLCID(0x040C), "fr_FR");
    EXPECT_EQ(LocaleForLCID(0x0409), "en_US");
    EXPECT_EQ(LocaleForLCID(0x7FFF), "");
    EXPECT_EQ(LocaleForLCID(0), "");
}

TEST(Collation, SimpleCaseFoldingKeepsLengths) {
    EXPECT_EQ(FoldCase(QString::fromUtf8("ÀÉÎÕÜ Ÿ ß")), QString::fromUtf8("àéîõü ÿ ß"));
    EXPECT_EQ(FoldCase(QStringLiteral("ABC-xyz")), QStringLiteral("abc-xyz"));
}

// The hash behind the code lookup: strings equal ignoring case must share it
// in every locale, also when contractions ("aa" in Danish, "ch" in Czech),
// ignorable characters, canonical equivalents or letters that fold to
// another script are involved; and code page bytes hash as their text does.
TEST(Collation, LookupHashIsSharedByStringsEqualIgnoringCase) {
    const std::u16string alphabet = u"aAcChHeéÉßµ1- ;kÅåŒœ";
    // Other spellings of the same text: letter case, ignorable characters,
    // canonical equivalents.
    auto respell = [](char16_t c, uint32_t r) -> std::u16string {
        switch (r % 4) {
        case 0: return QString(QChar(c)).toUpper().toStdU16String();
        case 1: return std::u16string(1, c) + (r % 8 < 4 ? u'\u00AD' : u'\u0001');
        default: break;
        }
        switch (c) {
        case u'é': return u"e\u0301";
        case u';': return u"\u037E";
        case u'k': return u"\u212A";
        case u'Å': return u"\u212B";
        default: return std::u16string(1, c);
        }
    };
    std::mt19937 rng(11);
    for (const char* locale : {"", "fr_FR", "da_DK", "cs_CZ", "es_ES@collation=traditional", "th_TH"}) {
        const TCollator& c = TCollator::ForLocale(locale);
        int equalPairs = 0;
        for (int i = 0; i < 20000; ++i) {
            std::u16string a, b;
            for (size_t n = rng() % 6; n > 0; --n) {
                const char16_t ch = alphabet[rng() % alphabet.size()];
                a += ch;
                b += respell(ch, rng());
            }
            if (!c.EqualsIgnoreCase(a, b)) continue;
            ++equalPairs;
            ASSERT_EQ(c.LookupHash(a), c.LookupHash(b))
                << locale << ": " << QString::fromStdU16String(a).toStdString() << " / "
                << QString::fromStdU16String(b).toStdString();
            const std::string bytes = ToAnsi(QString::fromStdU16String(a));
            ASSERT_EQ(c.LookupHashAnsi(bytes), c.LookupHash(U16(FromAnsi(bytes)))) << locale;
        }
        EXPECT_GT(equalPairs, 10000) << locale;
    }
}

// Texts that differ in their primary weights seldom share a hash, wherever a
// character's weights fall in the words the hash packs them into: runs of
// barcodes, and the same with one letter of one weight (s) or two (ß, whose
// weights are those of "ss") put in at every place.
TEST(Collation, LookupHashTellsApartTextsThatDifferInWeights) {
    const TCollator& c = TCollator::ForLocale("fr_FR");
    std::set<uint32_t> hashes;
    size_t texts = 0;
    for (uint64_t code = 3760000000000; code < 3760000005000; ++code) {
        const std::string digits = std::to_string(code);
        for (const char* letter : {"", "s", "\xDF"}) {
            const std::string text = std::string(digits).insert(code % 14, letter);
            hashes.insert(c.LookupHashAnsi(text));
            ++texts;
        }
    }
    EXPECT_GE(hashes.size(), texts - 2); // a chance clash of 32-bit hashes at most
}
