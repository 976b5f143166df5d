#include "base/Colors.h"
#include "base/FormatSettings.h"

#include <gtest/gtest.h>
#include <set>

using namespace tallivo;

TEST(Colors, NameMapsHaveTheStreamOrderAndSizes) {
    ASSERT_EQ(ColorIdents().size(), 52u);
    ASSERT_EQ(CharsetIdents().size(), 18u);
    EXPECT_STREQ(ColorIdents().front().Name, "clBlack");
    EXPECT_STREQ(ColorIdents().back().Name, "clWindowText");
    EXPECT_STREQ(CharsetIdents()[3].Name, "MAC_CHARSET");
    EXPECT_EQ(CharsetIdents()[3].Value, 77);
    std::set<std::string> names;
    for (const auto& e : ColorIdents()) names.insert(e.Name);
    EXPECT_EQ(names.size(), 52u) << "colour names must be distinct";
}

TEST(Colors, IdentsBothWays) {
    EXPECT_EQ(ColorToIdent(clWhite), QString("clWhite"));
    EXPECT_EQ(ColorToIdent(ColorValue(0xFF00000D)), QString("clHighlight"));
    EXPECT_EQ(ColorToIdent(176), std::nullopt);
    EXPECT_EQ(ColorToIdent(4210752), std::nullopt);
    EXPECT_EQ(IdentToColor("CLWHITE"), clWhite);
    EXPECT_EQ(IdentToColor("clNone"), ColorValue(0x1FFFFFFF));
    EXPECT_EQ(IdentToColor("clDefault"), ColorValue(0x20000000));
    EXPECT_EQ(IdentToColor("clChartreuse"), std::nullopt);
    EXPECT_EQ(CharsetToIdent(0), QString("ANSI_CHARSET"));
    EXPECT_EQ(CharsetToIdent(255), QString("OEM_CHARSET"));
    EXPECT_EQ(CharsetToIdent(3), std::nullopt);
    EXPECT_EQ(IdentToCharset("easteurope_charset"), 238);
    // Every name maps back to its own value.
    for (const auto& e : ColorIdents()) EXPECT_EQ(IdentToColor(e.Name), e.Value) << e.Name;
}

TEST(Colors, SystemColoursResolveThroughTheTheme) {
    EXPECT_EQ(ColorToRGB(clHighlight), RGBColor(0, 120, 215));
    EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(240, 240, 240));
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clInactiveCaption), RGBColor(191, 205, 219));
    EXPECT_EQ(ColorToRGB(14002688), 14002688);
    EXPECT_EQ(GetRValue(14002688), 0x00);
    EXPECT_EQ(GetGValue(14002688), 0xAA);
    EXPECT_EQ(GetBValue(14002688), 0xD5);
}

TEST(FormatSettings, TestsRunWithTheCommaSeparator) {
    EXPECT_EQ(FormatSettings().DecimalSeparator, QChar(u','));
}
