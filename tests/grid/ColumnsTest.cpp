// Colour tones, column attributes with their assigned flags and defaults,
// and the translation of the grid's options.

#include "GridTestUtil.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// An independent floating-point HLS conversion on the 0-240 scale.
struct FloatHls {
    double H, L, S;
};
FloatHls ToHls(TColor c) {
    const TColor rgb = ColorToRGB(c);
    const double r = GetRValue(rgb) / 255.0, g = GetGValue(rgb) / 255.0, b = GetBValue(rgb) / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double l = (mx + mn) / 2;
    if (mx == mn) return {160, l * 240, 0};
    const double d = mx - mn;
    const double s = l <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
    double h = mx == r ? (g - b) / d : mx == g ? 2 + (b - r) / d : 4 + (r - g) / d;
    h *= 40;
    if (h < 0) h += 240;
    return {h, l * 240, s * 240};
}
TColor FromHls(FloatHls v) {
    const double l = v.L / 240, s = v.S / 240, h = v.H / 240;
    const auto hue = [](double p, double q, double t) {
        if (t < 0) t += 1;
        if (t > 1) t -= 1;
        if (t < 1.0 / 6) return p + (q - p) * 6 * t;
        if (t < 0.5) return q;
        if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
        return p;
    };
    double r, g, b;
    if (s == 0) {
        r = g = b = l;
    } else {
        const double q = l <= 0.5 ? l * (1 + s) : l + s - l * s;
        const double p = 2 * l - q;
        r = hue(p, q, h + 1.0 / 3);
        g = hue(p, q, h);
        b = hue(p, q, h - 1.0 / 3);
    }
    const auto ch = [](double x) { return std::clamp(int(std::lround(x * 255)), 0, 255); };
    return RGBColor(ch(r), ch(g), ch(b));
}
void ExpectNear(TColor actual, TColor expected, int tolerance, const char* what) {
    EXPECT_LE(std::abs(GetRValue(actual) - GetRValue(expected)), tolerance) << what;
    EXPECT_LE(std::abs(GetGValue(actual) - GetGValue(expected)), tolerance) << what;
    EXPECT_LE(std::abs(GetBValue(actual) - GetBValue(expected)), tolerance) << what;
}

} // namespace

TEST(ColourTones, FixedPointsOfTheGridPalette) {
    // Title lines and the default gradient end.
    EXPECT_EQ(ShadowTone(ColorValue(0xF0F0F0), -45), ColorValue(0xC0C0C0));
    EXPECT_EQ(ShadowTone(ColorValue(0xF0F0F0), -25), ColorValue(0xD5D5D5));
    // The button face exceptions.
    EXPECT_EQ(ShadowTone(clBtnFace, -50), clBtnShadow);
    EXPECT_EQ(HighlightTone(clBtnFace, 19), clBtnHighlight);
    // Luminance beyond the scale clamps the channels instead of wrapping.
    EXPECT_EQ(ShadowTone(clWhite, 40), clWhite);
    EXPECT_EQ(ShadowTone(clBlack, -40), clBlack);
    EXPECT_EQ(ShadowTone(ColorValue(0x0000FF), 200), clWhite);
    // Grey: undefined hue, no saturation.
    EXPECT_EQ(ColorRGBToHLS(ColorValue(0x808080)), (THLS{160, 120, 0}));
}

TEST(ColourTones, AgreeWithAFloatingPointConversion) {
    const TColor colours[] = {kStart,
                              kEnd,
                              clHighlight,
                              ColorValue(0xD5AA00),
                              ColorValue(0x3C3C3C),
                              ColorValue(0x0000B0),
                              ColorValue(0x12E4A7),
                              ColorValue(0xF2BC00)};
    for (TColor c : colours) {
        const THLS mine = ColorRGBToHLS(c);
        const FloatHls ref = ToHls(c);
        EXPECT_LE(std::abs(mine.L - ref.L), 1.0) << std::hex << c;
        EXPECT_LE(std::abs(mine.S - ref.S), 1.0) << std::hex << c;
        if (ref.S > 0) {
            EXPECT_LE(std::abs(mine.H - ref.H), 1.0) << std::hex << c;
        }
        ExpectNear(ColorHLSToRGB(mine), ColorToRGB(c), 2, "round trip");
        for (int d : {-45, -10, 10, 19, 45}) {
            FloatHls shifted = ref;
            shifted.L += d;
            ExpectNear(ShadowTone(c, d), FromHls(shifted), 3, "shadow tone");
            FloatHls high = ref;
            high.L += ref.S < 221 ? d : -d;
            ExpectNear(HighlightTone(c, d), FromHls(high), 3, "highlight tone");
        }
    }
    // A saturated colour gets darker, a pale one lighter.
    EXPECT_LT(GetRValue(HighlightTone(ColorValue(0x0000FF), 19)), 255);
    EXPECT_GT(GetRValue(HighlightTone(kStart, 19)), GetRValue(kStart));
}

TEST(Columns, DefaultsFollowTheFieldAndTheGrid) {
    GridWindow w(5, 10, false);
    TColumn* name = w.Grid->Columns()[0];
    TColumn* price = w.Grid->Columns()[2];
    w.Grid->SetFixedColor(clYellow);
    price->RestoreDefaults();
    EXPECT_TRUE(price->AssignedValues().Empty());
    // Without assignments: the field's alignment and display name, the grid's colours and fonts.
    EXPECT_EQ(price->Field(), w.Table.FindField(QStringLiteral("PRIX_ACHAT")));
    EXPECT_EQ(price->Alignment(), taRightJustify);
    EXPECT_EQ(name->Alignment(), taLeftJustify);
    EXPECT_EQ(price->Title().Caption(), QStringLiteral("PRIX_ACHAT"));
    EXPECT_EQ(price->Color(), clWhite);
    EXPECT_EQ(price->Title().Color(), clYellow);
    EXPECT_EQ(price->Font(), w.Grid->Font());
    EXPECT_EQ(price->Title().Font(), w.Grid->TitleFont());
    EXPECT_FALSE(price->ReadOnly());
    w.Grid->SetReadOnly(true);
    EXPECT_TRUE(price->ReadOnly());
    // Default width: ten digits of the column font, or the caption in the title font.
    const int digit = QFontMetrics(price->Font().ToQFont()).horizontalAdvance(QStringLiteral("0"));
    const int caption =
        QFontMetrics(price->Title().Font().ToQFont()).horizontalAdvance(QStringLiteral("PRIX_ACHAT"));
    EXPECT_EQ(price->Width(), std::max(digit * 10 + 4, caption + 4));
    // The grid font reaches columns that did not assign theirs, and only those.
    w.Grid->Font().SetHeight(-24);
    EXPECT_EQ(price->Font().Height(), -24);
    EXPECT_EQ(name->Font().Height(), -16);
    EXPECT_FALSE(price->AssignedValues().Contains(cvFont));
    // A hidden column takes no space.
    price->SetVisible(false);
    EXPECT_EQ(price->Width(), -1);
}

TEST(Columns, AssigningSetsFlagsAndRestoreDefaultsClearsThem) {
    GridWindow w(5, 10, false);
    TColumn* c = w.Grid->Columns()[2];
    EXPECT_TRUE(c->AssignedValues().Contains(cvWidth));
    EXPECT_TRUE(c->AssignedValues().Contains(cvTitleCaption));
    EXPECT_TRUE(c->AssignedValues().Contains(cvFont));
    EXPECT_TRUE(c->AssignedValues().Contains(cvTitleFont));
    EXPECT_FALSE(c->AssignedValues().Contains(cvColor));
    c->SetColor(clWhite); // equal to the default, still an assignment
    EXPECT_TRUE(c->AssignedValues().Contains(cvColor));
    c->SetAlignment(taCenter);
    c->Title().SetAlignment(taRightJustify);
    c->SetReadOnly(true);
    EXPECT_EQ(c->Alignment(), taCenter);
    EXPECT_TRUE(c->ReadOnly());
    // Changing one attribute of a font assigns it.
    c->RestoreDefaults();
    EXPECT_TRUE(c->AssignedValues().Empty());
    c->Title().Font().SetColor(clRed);
    EXPECT_EQ(c->AssignedValues(), TColumnValues{cvTitleFont});
    EXPECT_EQ(c->Title().Font().Color(), clRed);
    EXPECT_EQ(c->Title().Caption(), QStringLiteral("PRIX_ACHAT"));
    EXPECT_EQ(c->Alignment(), taRightJustify);
    c->Title().RestoreDefaults();
    EXPECT_TRUE(c->AssignedValues().Empty());
    EXPECT_EQ(c->Title().Font(), w.Grid->TitleFont());
}

TEST(Columns, FieldLookupAndMissingFields) {
    GridWindow w(3, 10, true);
    // Names are matched without regard to case.
    TColumn* odd = w.AddColumn("code_art", "", 40);
    odd->Title().RestoreDefaults();
    EXPECT_EQ(odd->Field(), w.Table.FindField(QStringLiteral("CODE_ART")));
    // A name that matches no field: no field, the name as title, empty cells.
    TColumn* missing = w.AddColumn("NO_SUCH_FIELD", "", 40);
    missing->Title().RestoreDefaults();
    EXPECT_EQ(missing->Field(), nullptr);
    EXPECT_EQ(missing->Title().Caption(), QStringLiteral("NO_SUCH_FIELD"));
    QStringList texts;
    w.Grid->OnDrawColumnCell = [&](TObject*, const TRect&, int, TColumn* c, TGridDrawState) {
        if (c == missing) texts << (c->Field() ? c->Field()->AsString() : QString());
    };
    w.Grid->repaint();
    EXPECT_EQ(texts.size(), 3);
    for (const QString& t : texts) EXPECT_TRUE(t.isEmpty());
    // A closed table: no fields at all.
    w.Table.Close();
    EXPECT_EQ(w.Grid->Columns()[0]->Field(), nullptr);
}

TEST(Columns, FieldsRecreatedWithoutNotificationAreNotUsed) {
    GridWindow w(3, 10, true);
    TField* before = w.Grid->Columns()[0]->Field();
    ASSERT_NE(before, nullptr);
    // Reloading behind disabled controls recreates every field object.
    w.Table.DisableControls();
    catgen::FillCatalogue(w.Table, 4, 7);
    TField* now = w.Grid->Columns()[0]->Field();
    EXPECT_EQ(now, w.Table.FindField(QStringLiteral("NOM_ART")));
    w.Table.EnableControls();
    QStringList names;
    w.Grid->OnDrawColumnCell = [&](TObject*, const TRect&, int col, TColumn* c, TGridDrawState) {
        if (col == 0) names << c->Field()->AsString();
    };
    w.Grid->repaint();
    EXPECT_EQ(names, (QStringList{catgen::Article(0, 7).Name, catgen::Article(1, 7).Name,
                                  catgen::Article(2, 7).Name, catgen::Article(3, 7).Name}));
}

TEST(Columns, DefaultColumnsFollowTheVisibleFields) {
    GridWindow w(3, 10, false);
    w.Grid->Columns().Clear();
    EXPECT_EQ(w.Grid->Columns().State(), csDefault);
    ASSERT_EQ(w.Grid->Columns().Count(), w.Table.Fields().Count());
    for (int i = 0; i < w.Table.Fields().Count(); ++i) {
        EXPECT_EQ(w.Grid->Columns()[i]->Field(), w.Table.Fields()[i]);
        EXPECT_FALSE(w.Grid->Columns()[i]->Stored());
    }
    EXPECT_EQ(w.Grid->ColCount(), w.Table.Fields().Count());
    // A field made invisible loses its column; its neighbours keep their settings.
    w.Grid->Columns()[2]->SetColor(clYellow);
    w.Table.Fields()[1]->SetVisible(false);
    ASSERT_EQ(w.Grid->Columns().Count(), w.Table.Fields().Count() - 1);
    EXPECT_EQ(w.Grid->Columns()[1]->Field(), w.Table.Fields()[2]);
    EXPECT_EQ(w.Grid->Columns()[1]->Color(), clYellow);
    // A column of the window makes the set customized.
    w.Grid->Columns().Clear();
    w.Table.Fields()[1]->SetVisible(true);
    w.AddColumn("CODE_ART", "Code", 80);
    EXPECT_EQ(w.Grid->Columns().State(), csCustomized);
    EXPECT_EQ(w.Grid->Columns().Count(), 1);
    EXPECT_EQ(w.Grid->ColCount(), 1);
}

TEST(Options, TranslateToCellGridFlags) {
    GridWindow w(0, 10, false);
    const TGridOptions g = w.Grid->GridOptions();
    for (TGridOption o : {goFixedVertLine, goVertLine, goFixedHorzLine, goHorzLine, goColSizing, goColMoving,
                          goRowSelect, goFixedRowClick, goFixedHotTrack})
        EXPECT_TRUE(g.Contains(o)) << o;
    EXPECT_FALSE(g.Contains(goEditing));
    EXPECT_FALSE(g.Contains(goTabs));
    // Row selection drops editing.
    w.Grid->SetOptions(w.Grid->Options() + TDBGridOptions{dgEditing, dgAlwaysShowEditor});
    EXPECT_FALSE(w.Grid->Options().Contains(dgEditing));
    EXPECT_FALSE(w.Grid->GridOptions().Contains(goEditing));
    // Without titles there is no title row; without row lines the rows are a pixel shorter.
    const int withLines = w.Grid->DefaultRowHeight();
    w.Grid->SetOptions(w.Grid->Options() - TDBGridOptions{dgTitles, dgRowLines});
    EXPECT_EQ(w.Grid->FixedRows(), 0);
    EXPECT_EQ(w.Grid->DefaultRowHeight(), withLines - 1);
    EXPECT_FALSE(w.Grid->GridOptions().Contains(goHorzLine));
    // The constructor's options.
    TDBGrid fresh(nullptr);
    EXPECT_EQ(fresh.Options(),
              (TDBGridOptions{dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines,
                              dgTabs, dgConfirmDelete, dgCancelOnExit, dgTitleClick, dgTitleHotTrack}));
    EXPECT_EQ(fresh.DrawingStyle(), gdsThemed);
    EXPECT_EQ(fresh.GradientEndColor(), ColorValue(0xD5D5D5));
    EXPECT_EQ(fresh.IndicatorOffset(), 1);
}
