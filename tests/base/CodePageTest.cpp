#include "base/CodePage.h"

#include <gtest/gtest.h>

using namespace tallivo;

TEST(CodePage, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(char(b));
    const QString text = FromAnsi(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(ToAnsi(text), all);
}

TEST(CodePage, UndefinedBytesAreTheirControlCharacters) {
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(AnsiCharToUnicode(b), char16_t(b)) << int(b);
        EXPECT_EQ((unsigned char)UnicodeToAnsiChar(char16_t(b)), b);
    }
}

TEST(CodePage, WindowsCharactersOfTheHighRange) {
    EXPECT_EQ(AnsiCharToUnicode(0x80), u'\u20AC'); // euro sign
    EXPECT_EQ(AnsiCharToUnicode(0x9C), u'\u0153'); // oe ligature
    EXPECT_EQ(AnsiCharToUnicode(0x92), u'\u2019'); // right single quotation mark
    EXPECT_EQ(AnsiCharToUnicode(0xE9), u'\u00E9'); // e acute
    EXPECT_EQ(ToAnsi(QString::fromUtf8("Crème brûlée à 5 €")), std::string("Cr\xE8me br\xFBl\xE9"
                                                                           "e \xE0 5 \x80"));
    EXPECT_EQ(FromAnsi(std::string("B\x9C"
                                   "uf")),
              QString::fromUtf8("Bœuf"));
}

TEST(CodePage, MissingCharactersBecomeQuestionMarks) {
    EXPECT_EQ(ToAnsi(QString::fromUtf8("Ā日x")), std::string("??x"));
    // A character outside the basic plane is one character, one "?".
    EXPECT_EQ(ToAnsi(QString::fromUtf8("a😀b")), std::string("a?b"));
    // A lone surrogate has no byte either.
    QString lone;
    lone.append(QChar(0xD800));
    lone.append(u'z');
    EXPECT_EQ(ToAnsi(lone), std::string("?z"));
}
