#include "base/FloatText.h"
#include "base/Exception.h"
#include "base/FormatSettings.h"

#include <gtest/gtest.h>

using namespace tallivo;

TEST(FloatText, DisplayFormUsesTheLocaleSeparatorAnd15Digits) {
    ASSERT_EQ(FormatSettings().DecimalSeparator, u',');
    EXPECT_EQ(FloatToText(2.5), "2,5");
    EXPECT_EQ(FloatToText(1), "1");
    EXPECT_EQ(FloatToText(0.1), "0,1");
    EXPECT_EQ(FloatToText(-3), "-3");
    EXPECT_EQ(FloatToText(0.1 + 0.2), "0,3");
    EXPECT_EQ(FloatToText(-0.0), "0");
    EXPECT_EQ(FloatToText(123456789012.25), "123456789012,25");
    EXPECT_EQ(FloatToText(1e20), "1e+20");
}

TEST(FloatText, PacketFormUsesPointAnd16Digits) {
    EXPECT_EQ(FloatToPacketText(2.5), "2.5");
    EXPECT_EQ(FloatToPacketText(1), "1");
    EXPECT_EQ(FloatToPacketText(0.1), "0.1");
    EXPECT_EQ(FloatToPacketText(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(FloatToText(1.0 / 3), "0,333333333333333");
    EXPECT_EQ(FloatToPacketText(-12.75), "-12.75");
}

TEST(FloatText, DisplayTextReadsBackToTheSameValue) {
    for (double v : {2.5, 0.1, -3.0, 1234.5678, 1e-7, 99999999.99, 0.0}) {
        double back = -1;
        ASSERT_TRUE(TryTextToFloat(FloatToText(v), back)) << v;
        EXPECT_EQ(FloatToText(back), FloatToText(v));
    }
}

TEST(FloatText, StrictParseAcceptsTheTypedForms) {
    double v = 0;
    EXPECT_TRUE(TryTextToFloat(u"  2,5 ", v));
    EXPECT_EQ(v, 2.5);
    EXPECT_TRUE(TryTextToFloat(u"-3", v));
    EXPECT_EQ(v, -3);
    EXPECT_TRUE(TryTextToFloat(u"+4,", v));
    EXPECT_EQ(v, 4);
    EXPECT_TRUE(TryTextToFloat(u",5", v));
    EXPECT_EQ(v, 0.5);
    EXPECT_TRUE(TryTextToFloat(u"1,5E3", v));
    EXPECT_EQ(v, 1500);
    EXPECT_TRUE(TryTextToFloat(u"2e-1", v));
    EXPECT_EQ(v, 0.2);
    EXPECT_TRUE(TryTextToFloat(u"12,5", v));
    EXPECT_EQ(v, 12.5);
}

TEST(FloatText, StrictParseRefusesEverythingElse) {
    double v = 42;
    for (const char16_t* bad : {u"", u"   ", u"2.5", u"1 000", u"1,2,3", u"abc", u"1e", u"1e+", u"--1", u"+",
                                u",", u"1,5x", u"0x10", u"inf", u"nan", u"1e999", u"\t1"}) {
        EXPECT_FALSE(TryTextToFloat(bad, v)) << QString::fromUtf16(bad).toStdString();
    }
    EXPECT_EQ(v, 42); // unchanged by failures
    EXPECT_TRUE(TryTextToFloat(u"2.5", u'.', v));
    EXPECT_EQ(v, 2.5);
}

TEST(FloatText, StrToFloatRaisesTheConversionMessage) {
    EXPECT_EQ(StrToFloat("7,25"), 7.25);
    try {
        StrToFloat("");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'' n'est pas une valeur en virgule flottante correcte");
    }
    EXPECT_THROW(StrToFloat("1.000,5"), EConvertError);
}
