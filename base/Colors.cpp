#include "Colors.h"

#include <array>

namespace tallivo {

namespace {

// Windows 10 default system colours, indexed by system-colour number,
// as 0x00BBGGRR.
constexpr std::array<std::uint32_t, 31> kSystemTheme = {
    0xC8C8C8, // 0  scroll bar
    0x000000, // 1  desktop background
    0xD1B499, // 2  active caption
    0xDBCDBF, // 3  inactive caption
    0xF0F0F0, // 4  menu
    0xFFFFFF, // 5  window
    0x646464, // 6  window frame
    0x000000, // 7  menu text
    0x000000, // 8  window text
    0x000000, // 9  caption text
    0xB4B4B4, // 10 active border
    0xFCF7F4, // 11 inactive border
    0xABABAB, // 12 application workspace
    0xD77800, // 13 highlight
    0xFFFFFF, // 14 highlight text
    0xF0F0F0, // 15 button face
    0xA0A0A0, // 16 button shadow
    0x6D6D6D, // 17 grey text
    0x000000, // 18 button text
    0x000000, // 19 inactive caption text
    0xFFFFFF, // 20 button highlight
    0x696969, // 21 3D dark shadow
    0xE3E3E3, // 22 3D light
    0x000000, // 23 info text
    0xE1FFFF, // 24 info background
    0xB5B5B5, // 25 (unused)
    0xCC6600, // 26 hot light
    0xEAD1B9, // 27 gradient active caption
    0xF2E4D7, // 28 gradient inactive caption
    0xFF9933, // 29 menu highlight
    0xF0F0F0, // 30 menu bar
};

constexpr std::array<TIdentMapEntry, 52> kColorIdents = {{
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
}};

constexpr std::array<TIdentMapEntry, 18> kCharsetIdents = {{
    {0, "ANSI_CHARSET"},
    {1, "DEFAULT_CHARSET"},
    {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},
    {128, "SHIFTJIS_CHARSET"},
    {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},
    {134, "GB2312_CHARSET"},
    {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},
    {162, "TURKISH_CHARSET"},
    {177, "HEBREW_CHARSET"},
    {178, "ARABIC_CHARSET"},
    {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"},
    {222, "THAI_CHARSET"},
    {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"},
}};

std::optional<QString> ValueToIdent(std::span<const TIdentMapEntry> map, int value) {
    for (const auto& e : map)
        if (e.Value == value) return QString::fromLatin1(e.Name);
    return std::nullopt;
}

std::optional<int> IdentToValue(std::span<const TIdentMapEntry> map, const QString& name) {
    for (const auto& e : map)
        if (name.compare(QLatin1String(e.Name), Qt::CaseInsensitive) == 0) return e.Value;
    return std::nullopt;
}

} // namespace

TColor ColorToRGB(TColor color) {
    if (color == clNone) return clBlack;
    if (color == clDefault) color = clWindow;
    const auto u = std::uint32_t(color);
    if ((u & 0xFF000000u) == 0xFF000000u) {
        const auto index = u & 0xFFu;
        return index < kSystemTheme.size() ? ColorValue(kSystemTheme[index]) : clBlack;
    }
    return ColorValue(u & 0x00FFFFFFu);
}

std::span<const TIdentMapEntry> ColorIdents() { return kColorIdents; }
std::span<const TIdentMapEntry> CharsetIdents() { return kCharsetIdents; }

std::optional<QString> ColorToIdent(TColor color) { return ValueToIdent(kColorIdents, color); }
std::optional<TColor> IdentToColor(const QString& name) { return IdentToValue(kColorIdents, name); }
std::optional<QString> CharsetToIdent(int charset) { return ValueToIdent(kCharsetIdents, charset); }
std::optional<int> IdentToCharset(const QString& name) { return IdentToValue(kCharsetIdents, name); }

} // namespace tallivo
