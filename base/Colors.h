#pragma once
// Colour values as the window data stores them: 0x00BBGGRR for a plain
// colour, 0xFF0000nn for system colour nn, plus clNone and clDefault.

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

namespace tallivo {

using TColor = std::int32_t;

constexpr TColor ColorValue(std::uint32_t v) { return static_cast<TColor>(v); }
// Builds a plain colour from its red, green and blue channels.
constexpr TColor RGBColor(int r, int g, int b) { return ColorValue(std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16); }
constexpr int GetRValue(TColor c) { return int(std::uint32_t(c) & 0xFF); }
constexpr int GetGValue(TColor c) { return int(std::uint32_t(c) >> 8 & 0xFF); }
constexpr int GetBValue(TColor c) { return int(std::uint32_t(c) >> 16 & 0xFF); }

constexpr TColor clBlack = ColorValue(0x000000);
constexpr TColor clMaroon = ColorValue(0x000080);
constexpr TColor clGreen = ColorValue(0x008000);
constexpr TColor clOlive = ColorValue(0x008080);
constexpr TColor clNavy = ColorValue(0x800000);
constexpr TColor clPurple = ColorValue(0x800080);
constexpr TColor clTeal = ColorValue(0x808000);
constexpr TColor clGray = ColorValue(0x808080);
constexpr TColor clSilver = ColorValue(0xC0C0C0);
constexpr TColor clRed = ColorValue(0x0000FF);
constexpr TColor clLime = ColorValue(0x00FF00);
constexpr TColor clYellow = ColorValue(0x00FFFF);
constexpr TColor clBlue = ColorValue(0xFF0000);
constexpr TColor clFuchsia = ColorValue(0xFF00FF);
constexpr TColor clAqua = ColorValue(0xFFFF00);
constexpr TColor clWhite = ColorValue(0xFFFFFF);
constexpr TColor clMoneyGreen = ColorValue(0xC0DCC0);
constexpr TColor clSkyBlue = ColorValue(0xF0CAA6);
constexpr TColor clCream = ColorValue(0xF0FBFF);
constexpr TColor clMedGray = ColorValue(0xA4A0A0);

constexpr TColor clSystemColor = ColorValue(0xFF000000);
constexpr TColor clScrollBar = ColorValue(0xFF000000);
constexpr TColor clBackground = ColorValue(0xFF000001);
constexpr TColor clActiveCaption = ColorValue(0xFF000002);
constexpr TColor clInactiveCaption = ColorValue(0xFF000003);
constexpr TColor clMenu = ColorValue(0xFF000004);
constexpr TColor clWindow = ColorValue(0xFF000005);
constexpr TColor clWindowFrame = ColorValue(0xFF000006);
constexpr TColor clMenuText = ColorValue(0xFF000007);
constexpr TColor clWindowText = ColorValue(0xFF000008);
constexpr TColor clCaptionText = ColorValue(0xFF000009);
constexpr TColor clActiveBorder = ColorValue(0xFF00000A);
constexpr TColor clInactiveBorder = ColorValue(0xFF00000B);
constexpr TColor clAppWorkSpace = ColorValue(0xFF00000C);
constexpr TColor clHighlight = ColorValue(0xFF00000D);
constexpr TColor clHighlightText = ColorValue(0xFF00000E);
constexpr TColor clBtnFace = ColorValue(0xFF00000F);
constexpr TColor clBtnShadow = ColorValue(0xFF000010);
constexpr TColor clGrayText = ColorValue(0xFF000011);
constexpr TColor clBtnText = ColorValue(0xFF000012);
constexpr TColor clInactiveCaptionText = ColorValue(0xFF000013);
constexpr TColor clBtnHighlight = ColorValue(0xFF000014);
constexpr TColor cl3DDkShadow = ColorValue(0xFF000015);
constexpr TColor cl3DLight = ColorValue(0xFF000016);
constexpr TColor clInfoText = ColorValue(0xFF000017);
constexpr TColor clInfoBk = ColorValue(0xFF000018);
constexpr TColor clHotLight = ColorValue(0xFF00001A);
constexpr TColor clGradientActiveCaption = ColorValue(0xFF00001B);
constexpr TColor clGradientInactiveCaption = ColorValue(0xFF00001C);
constexpr TColor clMenuHighlight = ColorValue(0xFF00001D);
constexpr TColor clMenuBar = ColorValue(0xFF00001E);

constexpr TColor clNone = ColorValue(0x1FFFFFFF);
constexpr TColor clDefault = ColorValue(0x20000000);

// Plain RGB (0x00BBGGRR) of a colour: system colours come from the fixed
// theme (Windows 10 defaults); plain colours are returned unchanged.
// clNone resolves to black, clDefault to the window colour.
TColor ColorToRGB(TColor color);

struct TIdentMapEntry {
    int Value;
    const char* Name;
};

// The 52 colour names, in map order.
std::span<const TIdentMapEntry> ColorIdents();
// The 18 character-set names, in map order.
std::span<const TIdentMapEntry> CharsetIdents();

// First name in map order with that value; empty when none.
std::optional<QString> ColorToIdent(TColor color);
// Value of a name, compared without regard to letter case.
std::optional<TColor> IdentToColor(const QString& name);
std::optional<QString> CharsetToIdent(int charset);
std::optional<int> IdentToCharset(const QString& name);

constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;

} // namespace tallivo
