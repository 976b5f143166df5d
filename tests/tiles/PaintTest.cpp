#include "TileTestUtil.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// One colour per state and role, so that every pixel tells which one it is.
void DistinctColours(TAdvMetroTile* t) {
    TMetroTileAppearance& a = t->Appearance();
    a.SetColor(ColorValue(0x102030));
    a.SetBorderColor(ColorValue(0x112233));
    a.SetTextColor(ColorValue(0x00A0F0));
    a.SetHoverColor(ColorValue(0x405060));
    a.SetHoverBorderColor(ColorValue(0x445566));
    a.SetHoverTextColor(ColorValue(0x00F0A0));
    a.SetDownColor(ColorValue(0x708090));
    a.SetDownBorderColor(ColorValue(0x778899));
    a.SetDownTextColor(ColorValue(0xF000A0));
}

struct Expect {
    const char* State;
    TColor Fill, Border, Glyph;
};

// A 32 x 32 cross on a 100 x 60 tile, picture on the left: P = (c + 2, ...).
// Checks the outline at the corners, the fill away from the glyph and the
// centre of the cross.
void CheckPixels(TAdvMetroTile* t, const Expect& e) {
    SCOPED_TRACE(e.State);
    const QImage img = Shot(t);
    const TTileGeometry g = t->ContentGeometry(t->PaintRect());
    EXPECT_EQ(PixelAt(img, 0, 0), e.Border);
    EXPECT_EQ(PixelAt(img, 99, 59), e.Border);
    EXPECT_EQ(PixelAt(img, 50, 0), e.Border);
    EXPECT_EQ(PixelAt(img, 80, 30), e.Fill) << "fill right of the picture, no caption";
    EXPECT_EQ(PixelAt(img, g.P.Left + 16, g.P.Top + 16), e.Glyph) << "centre of the cross";
    EXPECT_EQ(PixelAt(img, g.P.Left + 1, g.P.Top + 16), e.Fill) << "transparent part of the picture";
}

} // namespace

TEST(TilePixels, EachStateOfABorderedAndAnUnborderedTile) {
    for (TBorderStyle style : {bsSingle, bsNone}) {
        SCOPED_TRACE(style == bsSingle ? "bsSingle" : "bsNone");
        TileForm f;
        auto* t = f.Add<TAdvMetroTile>(20, 20, 100, 60);
        t->SetBorderStyle(style);
        t->SetLayout(tlPicLeft);
        t->SetPictureAutoSize(false);
        t->Picture().ReadData(GlyphPng(TGlyph::Cross32));
        DistinctColours(t);
        f.Show();
        const auto border = [&](TColor b, TColor fill) { return style == bsSingle ? b : fill; };

        CheckPixels(t, {"normal", ColorValue(0x102030), border(ColorValue(0x112233), ColorValue(0x102030)),
                        ColorValue(0x00A0F0)});
        PointerTo(t, {80, 30});
        ASSERT_TRUE(t->MouseInControl());
        CheckPixels(t, {"hover", ColorValue(0x405060), border(ColorValue(0x445566), ColorValue(0x405060)),
                        ColorValue(0x00F0A0)});
        Press(t, {80, 30});
        ProcessEvents();
        CheckPixels(t, {"down", ColorValue(0x708090), border(ColorValue(0x778899), ColorValue(0x708090)),
                        ColorValue(0xF000A0)});
        Release(t, {80, 30});
        ProcessEvents();
        CheckPixels(t, {"hover after release", ColorValue(0x405060),
                        border(ColorValue(0x445566), ColorValue(0x405060)), ColorValue(0x00F0A0)});
        PointerAway(f.Form.get());
        t->SetEnabled(false);
        // Disabled: grey fill and text, the normal outline.
        CheckPixels(t, {"disabled", ColorValue(0x8B8B8B), border(ColorValue(0x112233), ColorValue(0x8B8B8B)),
                        ColorValue(0x808080)});
        // Under the pointer a disabled tile stays grey.
        PointerTo(t, {80, 30});
        CheckPixels(t, {"disabled under the pointer", ColorValue(0x8B8B8B),
                        border(ColorValue(0x112233), ColorValue(0x8B8B8B)), ColorValue(0x808080)});
    }
}

TEST(TilePixels, SystemColoursAreResolvedForFillOutlineAndGlyph) {
    TileForm f;
    auto* t = f.Add<TAdvMetroTile>(20, 20, 100, 60);
    t->SetLayout(tlPicLeft);
    t->SetPictureAutoSize(false);
    t->Picture().ReadData(GlyphPng(TGlyph::Cross32));
    t->Appearance().SetColor(clWindow);
    t->Appearance().SetTextColor(clHighlight);
    f.Show();
    CheckPixels(t,
                {"system colours", ColorToRGB(clWindow), ColorToRGB(clHighlight), ColorToRGB(clHighlight)});
}

TEST(TilePixels, AGlyphStoredRedDrawsExactlyLikeTheSameGlyphStoredWhite) {
    TileForm f(600, 200);
    const QByteArray white = PngOf(Restained(TGlyph::Check32, qRgb(0xFF, 0xFF, 0xFF)));
    const QByteArray red = PngOf(Restained(TGlyph::Check32, qRgb(0xFF, 0x00, 0x00)));
    ASSERT_NE(white, red);
    std::vector<TAdvMetroTile*> tiles;
    std::vector<TAdvMetroButton*> buttons;
    for (int i = 0; i < 2; ++i) {
        auto* t = f.Add<TAdvMetroTile>(10 + 130 * i, 10, 121, 63);
        t->SetLayout(tlPicLeft);
        t->SetPictureAutoSize(false);
        t->SetCaption("Ok");
        t->Appearance().SetColor(ColorValue(13805568));
        t->Appearance().SetTextColor(clWhite);
        t->Picture().ReadData(i == 0 ? white : red);
        tiles.push_back(t);
        auto* b = f.Add<TAdvMetroButton>(10 + 130 * i, 100, 48, 39);
        b->Picture().ReadData(i == 0 ? white : red);
        buttons.push_back(b);
    }
    // An auto-sized, stretched picture too: the scaling must not bring the stored colour back.
    auto* s1 = f.Add<TAdvMetroTile>(300, 10, 90, 90);
    auto* s2 = f.Add<TAdvMetroTile>(400, 10, 90, 90);
    s1->Picture().ReadData(white);
    s2->Picture().ReadData(red);
    f.Show();
    EXPECT_EQ(Shot(tiles[0]), Shot(tiles[1]));
    EXPECT_EQ(Shot(buttons[0]), Shot(buttons[1]));
    EXPECT_EQ(Shot(s1), Shot(s2));
    // And the white picture is not simply drawn as stored.
    const TTileGeometry g = s1->ContentGeometry(s1->PaintRect());
    bool sawBlack = false;
    const QImage img = Shot(s1);
    for (int y = g.P.Top; y < g.P.Bottom; ++y)
        for (int x = g.P.Left; x < g.P.Right; ++x) sawBlack = sawBlack || PixelAt(img, x, y) == clBlack;
    EXPECT_TRUE(sawBlack) << "the check mark takes the text colour (black)";
}

TEST(TilePixels, PictureAutoColorOffDrawsThePictureAsStored) {
    TileForm f;
    auto* t = f.Add<TAdvMetroTile>(20, 20, 100, 60);
    t->SetLayout(tlPicLeft);
    t->SetPictureAutoSize(false);
    t->SetPictureAutoColor(false);
    t->Picture().ReadData(PngOf(Restained(TGlyph::Cross32, qRgb(0x00, 0xC0, 0x00))));
    f.Show();
    const TTileGeometry g = t->ContentGeometry(t->PaintRect());
    EXPECT_EQ(PixelAt(Shot(t), g.P.Left + 16, g.P.Top + 16), RGBColor(0x00, 0xC0, 0x00));
}

TEST(TilePixels, ZoomOnHoverInsetsTheTileUntilThePointerIsOver) {
    TileForm f(400, 300, ColorValue(0x336699));
    auto* t = f.Add<TAdvMetroTile>(20, 20, 100, 60);
    t->SetZoomOnHover(5);
    t->Appearance().SetColor(ColorValue(0x102030));
    t->Appearance().SetHoverColor(ColorValue(0x405060));
    f.Show();
    QImage img = Shot(t);
    EXPECT_EQ(PixelAt(img, 2, 2), ColorValue(0x336699)) << "the parent shows in the zoom border";
    EXPECT_EQ(PixelAt(img, 5, 5), ColorToRGB(clHighlight)) << "the outline moved in by 5";
    EXPECT_EQ(PixelAt(img, 50, 30), ColorValue(0x102030));
    PointerTo(t, {50, 30});
    img = Shot(t);
    EXPECT_EQ(PixelAt(img, 2, 2), ColorValue(0x405060)) << "under the pointer the whole tile is painted";
    EXPECT_EQ(PixelAt(img, 0, 0), ColorValue(0xF2BC00)) << "hover outline";
}

TEST(TilePixels, CaptionStaysOnOneLineInsideItsRectangle) {
    TileForm f(400, 300, clWhite);
    auto* t = f.Add<TAdvMetroTile>(20, 20, 120, 90);
    t->SetBorderStyle(bsNone);
    t->SetLayout(tlPicBackground);
    t->Font() = TFont("Calibri", -19);
    t->SetCaption("Initialiser les données collectées");
    t->Appearance().SetColor(clWhite);
    t->Appearance().SetTextColor(clBlack);
    t->SetTextMarginHorz(10);
    f.Show();
    const QImage img = Shot(t);
    const TTileGeometry g = t->ContentGeometry(t->PaintRect());
    int top = 1000, bottom = -1, left = 1000, right = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (PixelAt(img, x, y) != clWhite) {
                top = std::min(top, y), bottom = std::max(bottom, y);
                left = std::min(left, x), right = std::max(right, x);
            }
    ASSERT_GE(bottom, 0) << "some text is drawn";
    EXPECT_GE(left, g.X.Left);
    EXPECT_LT(right, g.X.Right);
    EXPECT_LE(bottom - top + 1, QFontMetrics(t->Font().ToQFont()).height()) << "one line only";
    // The three dots end the cut caption: the text reaches the right part of the rectangle.
    EXPECT_GT(right, g.X.Right - 20);
}

TEST(TilePixels, AcceleratorMarkUnderlinesInsteadOfBeingDrawn) {
    TileForm f(400, 200, clWhite);
    auto* marked = f.Add<TAdvMetroTile>(10, 10, 120, 50);
    auto* plain = f.Add<TAdvMetroTile>(10, 100, 120, 50);
    for (auto* t : {marked, plain}) {
        t->SetLayout(tlPicBackground);
        t->Font() = TFont("Calibri", -19);
        t->Appearance().SetTextColor(clBlack);
    }
    marked->SetCaption("&Quitter");
    plain->SetCaption("Quitter");
    f.Show();
    const QImage a = Shot(marked), b = Shot(plain);
    ASSERT_EQ(a.size(), b.size());
    int differingRows = 0, firstDiff = -1;
    for (int y = 0; y < a.height(); ++y) {
        bool same = true;
        for (int x = 0; x < a.width(); ++x) same = same && a.pixel(x, y) == b.pixel(x, y);
        if (!same) {
            ++differingRows;
            if (firstDiff < 0) firstDiff = y;
        }
    }
    EXPECT_GT(differingRows, 0) << "the Q is underlined";
    EXPECT_LE(differingRows, 3) << "nothing but the underline differs";
    EXPECT_GT(firstDiff, 25) << "the underline lies below the middle of the tile";
}

TEST(TilePixels, OnlyColorBorderColorAndTextColorRepaintAtOnce) {
    struct CountingTile : TAdvMetroTile {
        using TAdvMetroTile::TAdvMetroTile;
        int Paints = 0;
        void Paint() override {
            ++Paints;
            TAdvMetroTile::Paint();
        }
    };
    TileForm f;
    auto* t = f.Add<CountingTile>(20, 20, 100, 60);
    f.Show();
    Shot(t);
    const int before = t->Paints;
    t->Appearance().SetHoverColor(clRed);
    t->Appearance().SetDownTextColor(clRed);
    t->SetDefault(true);
    t->SetZoomOnHover(3);
    ProcessEvents(20);
    EXPECT_EQ(t->Paints, before) << "plain values wait for the next paint";
    t->Appearance().SetColor(clRed);
    ProcessEvents(20);
    EXPECT_GT(t->Paints, before);
    const int after = t->Paints;
    t->Appearance().SetColor(clRed);
    ProcessEvents(20);
    EXPECT_EQ(t->Paints, after) << "the same value again changes nothing";
    t->SetCaption("Ok");
    ProcessEvents(20);
    EXPECT_GT(t->Paints, after);
}

TEST(ButtonPixels, OnlyTheGlyphIsPaintedAndItTakesTheStateColour) {
    TileForm f(300, 200, ColorValue(14407639));
    auto* b = f.Add<TAdvMetroButton>(20, 20, 50, 50);
    b->Appearance().SetPictureColor(ColorValue(5460819));
    b->Appearance().SetPictureColorDown(ColorValue(15907840));
    b->Picture().ReadData(GlyphPng(TGlyph::ChevronUp48));
    f.Show();
    // S = (2, 2, 48, 48): the 48 x 48 chevron at 46 x 46; its apex column centre x 24.
    const TRect S = TAdvCustomMetroButton::GlyphSquare(b->ClientRect());
    const int gx = S.Left + 14, gy = S.Top + 25; // inside the left arm: picture pixel (15, 26)
    const auto check = [&](const char* state, TColor glyph) {
        SCOPED_TRACE(state);
        const QImage img = Shot(b);
        EXPECT_EQ(PixelAt(img, gx, gy), glyph);
        EXPECT_EQ(PixelAt(img, 1, 1), ColorValue(14407639)) << "the panel shows around the glyph";
        EXPECT_EQ(PixelAt(img, 25, 40), ColorValue(14407639)) << "and through its transparent parts";
    };
    ASSERT_GT(qAlpha(QImage::fromData(GlyphPng(TGlyph::ChevronUp48)).pixel(15, 26)), 250);
    check("normal", ColorValue(5460819));
    PointerTo(b, {gx, gy});
    check("hover", ColorValue(0xF2BC00));
    Press(b, {gx, gy});
    ProcessEvents();
    check("down", ColorValue(15907840));
    Release(b, {gx, gy});
    PointerAway(f.Form.get());
    b->SetEnabled(false);
    check("disabled", ColorValue(0x808080));
}

TEST(ButtonPixels, TheCaptionIsDrawnUnderTheGlyphAtTheBottom) {
    TileForm f(300, 200, clWhite);
    auto* b = f.Add<TAdvMetroButton>(20, 20, 80, 60);
    b->Font() = TFont("Arial", -11);
    b->SetCaption("Haut");
    f.Show();
    const QImage img = Shot(b);
    int top = 1000, bottom = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (PixelAt(img, x, y) != clWhite) top = std::min(top, y), bottom = std::max(bottom, y);
    ASSERT_GE(bottom, 0);
    EXPECT_GT(top, 60 - QFontMetrics(b->Font().ToQFont()).height() - 1)
        << "the caption sits on the bottom edge";
}

TEST(TilePixels, MemoryFailureWhileDecodingIsReportedOnceAndStopsThePaint) {
    MessageBoxRecorder boxes;
    TileForm f;
    auto* t = f.Add<TAdvMetroTile>(20, 20, 100, 60);
    t->SetLayout(tlPicLeft);
    t->SetCaption("Ok");
    // A PNG header announcing 60000 x 60000 pixels (14 GB to hold them).
    QImage small(4, 4, QImage::Format_ARGB32);
    small.fill(Qt::white);
    const QByteArray huge = WithHeaderSize(PngOf(small), 60000, 60000);
    t->Picture().ReadData(huge);
    f.Show();
    Shot(t);
    ProcessEvents(20);
    t->Repaint();
    Shot(t);
    ProcessEvents(20);
    ASSERT_EQ(boxes.Boxes().size(), 1u) << "one report, not one per repaint";
    EXPECT_EQ(boxes.Boxes()[0].Text, QString("Could not allocate memory for image."));
    EXPECT_EQ(boxes.Boxes()[0].Flags, unsigned(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(t->Picture().AllocationFailed());
    EXPECT_EQ(t->Picture().Width(), 0);
    // The fill is painted; the caption is not (the paint stopped).
    const QImage img = Shot(t);
    for (int y = 1; y < 59; ++y)
        for (int x = 1; x < 99; ++x) ASSERT_EQ(PixelAt(img, x, y), clWhite) << x << "," << y;
    // A new picture is reported again if it fails the same way.
    t->Picture().ReadData(huge);
    Shot(t);
    ProcessEvents(20);
    EXPECT_EQ(boxes.Boxes().size(), 2u);
}
