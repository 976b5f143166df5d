#include "base/Collation.h"

#include <gtest/gtest.h>

#include <algorithm>
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
