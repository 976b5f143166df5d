#include "TileTestUtil.h"

#include <gtest/gtest.h>

using namespace tallivo;
using namespace tallivo::test;

TEST(TileGeometry, MessageDialogOkTileWorkedExample) {
    TileForm f(483, 245, clWhite);
    auto* ok = f.Add<TAdvMetroTile>(354, 172, 111, 49);
    ok->SetCaption("Ok");
    ok->SetLayout(tlPicLeft);
    ok->SetPictureAutoSize(false);
    ok->SetTextMarginHorz(10);
    ok->Picture().ReadData(GlyphPng(TGlyph::Check32));
    ASSERT_EQ(ok->BorderStyle(), bsSingle);
    ASSERT_EQ(ok->PictureMarginHorz(), 2);
    ASSERT_EQ(ok->PictureMarginVert(), 2);
    ASSERT_EQ(ok->TextMarginVert(), 2);

    const TTileGeometry g = ok->ContentGeometry(ok->PaintRect());
    EXPECT_EQ(g.C, Rect(1, 1, 110, 48));
    EXPECT_EQ(g.P, Rect(3, 7, 35, 39));
    EXPECT_EQ(g.X, Rect(45, 3, 100, 46));
    EXPECT_EQ(g.TextFlags, unsigned(DT_LEFT | DT_VCENTER));
}

TEST(TileGeometry, QuitterPictureTallerThanTheTileIsPlacedAboveItsTop) {
    TileForm f(400, 100, ColorValue(14407639));
    auto* quit = f.Add<TAdvMetroTile>(138, 15, 141, 42);
    quit->SetBorderStyle(bsNone);
    quit->SetLayout(tlPicLeft);
    quit->SetPictureAutoSize(false);
    quit->SetPictureMarginHorz(15);
    quit->SetTextMarginHorz(10);
    quit->SetTextMarginVert(6);
    quit->Picture().ReadData(GlyphPng(TGlyph::Cross48));
    const TTileGeometry g = quit->ContentGeometry(quit->PaintRect());
    EXPECT_EQ(g.C, Rect(0, 0, 141, 42));
    // 2 + (42 - 4 - 48) div 2 = -3: the picture overhangs and is clipped.
    EXPECT_EQ(g.P, Rect(15, -3, 63, 45));
    EXPECT_EQ(g.X, Rect(73, 6, 131, 36));

    // The cross itself (rows 9..38 of the picture) still shows inside the tile.
    quit->Appearance().SetTextColor(clBlack);
    quit->Appearance().SetColor(clWhite);
    f.Show();
    const QImage img = Shot(quit);
    EXPECT_EQ(PixelAt(img, 15 + 24, -3 + 24), clBlack) << "centre of the cross";
    EXPECT_EQ(PixelAt(img, 15 + 24, 0), clWhite) << "the picture's transparent rows above the cross";
}

TEST(TileGeometry, EveryLayoutCentresFromZeroAndTruncatesTowardZero) {
    const TRect R{0, 0, 100, 60};
    // bsSingle: C = (1, 1, 99, 59), cw 98, ch 58; a 32 x 32 picture, margins 2.
    auto geo = [&](TTileLayout layout) {
        return TAdvCustomMetroTile::ComputeGeometry(R, bsSingle, layout, 32, 32, false, 2, 2, 3, 4);
    };
    // Vertical centring from 0: 2 + (58 - 4 - 32) div 2 = 13 (14 would be exact within C).
    EXPECT_EQ(geo(tlPicLeft).P, Rect(3, 13, 35, 45));
    EXPECT_EQ(geo(tlPicLeft).X, Rect(38, 5, 96, 55));
    EXPECT_EQ(geo(tlPicRight).P, Rect(65, 13, 97, 45));
    EXPECT_EQ(geo(tlPicRight).X, Rect(4, 5, 62, 55));
    EXPECT_EQ(geo(tlPicRight).TextFlags, unsigned(DT_LEFT | DT_VCENTER));
    // Horizontal centring from 0: 2 + (98 - 4 - 32) div 2 = 33.
    EXPECT_EQ(geo(tlPicTop).P, Rect(33, 3, 65, 35));
    EXPECT_EQ(geo(tlPicTop).X, Rect(4, 39, 96, 55));
    EXPECT_EQ(geo(tlPicTop).TextFlags, unsigned(DT_CENTER | DT_TOP));
    EXPECT_EQ(geo(tlPicBottom).P, Rect(33, 25, 65, 57));
    EXPECT_EQ(geo(tlPicBottom).X, Rect(4, 5, 96, 21));
    EXPECT_EQ(geo(tlPicBottom).TextFlags, unsigned(DT_CENTER | DT_BOTTOM));
    EXPECT_EQ(geo(tlPicBackground).P, Rect(1, 1, 99, 59));
    EXPECT_EQ(geo(tlPicBackground).X, Rect(4, 5, 96, 55));
    EXPECT_EQ(geo(tlPicBackground).TextFlags, unsigned(DT_CENTER | DT_VCENTER));

    // A negative centring term truncates toward zero: (41 - 4 - 48) div 2 = -5, not -6.
    const TTileGeometry tall =
        TAdvCustomMetroTile::ComputeGeometry({0, 0, 141, 41}, bsNone, tlPicLeft, 48, 48, false, 15, 2, 0, 0);
    EXPECT_EQ(tall.P.Top, -3);

    // No picture with tlPicLeft: the caption starts at cl + mH + TextMarginHorz.
    const TTileGeometry none =
        TAdvCustomMetroTile::ComputeGeometry(R, bsSingle, tlPicLeft, 0, 0, true, 10, 7, 16, 0);
    EXPECT_EQ(none.X.Left, 1 + 10 + 16);
}

TEST(TileGeometry, PictureAutoSizeScalesToTheMarginsAndRoundsHalvesToEven) {
    // 96 x 56 available: s = min(96 / 48, 56 / 48); both sides 56.
    TTileGeometry g =
        TAdvCustomMetroTile::ComputeGeometry({0, 0, 100, 60}, bsNone, tlPicTop, 48, 48, true, 2, 2, 0, 0);
    EXPECT_EQ(g.PictureWidth, 56);
    EXPECT_EQ(g.PictureHeight, 56);
    EXPECT_EQ(g.P, Rect(2 + (96 - 56) / 2, 2, 2 + (96 - 56) / 2 + 56, 58));
    // 5 pixels across for a 2-pixel-wide picture: s = 2.5; 1 x 2.5 rounds to 2, 3 x 2.5 to 8.
    g = TAdvCustomMetroTile::ComputeGeometry({0, 0, 9, 50}, bsNone, tlPicTop, 2, 1, true, 2, 2, 0, 0);
    EXPECT_EQ(g.PictureWidth, 5);
    EXPECT_EQ(g.PictureHeight, 2);
    g = TAdvCustomMetroTile::ComputeGeometry({0, 0, 9, 50}, bsNone, tlPicTop, 2, 3, true, 2, 2, 0, 0);
    EXPECT_EQ(g.PictureHeight, 8);
    // Without auto-size the picture keeps its size whatever the room.
    g = TAdvCustomMetroTile::ComputeGeometry({0, 0, 9, 50}, bsNone, tlPicTop, 2, 3, false, 2, 2, 0, 0);
    EXPECT_EQ(g.PictureWidth, 2);
    EXPECT_EQ(g.PictureHeight, 3);
}

TEST(ButtonGeometry, GlyphSquaresOfTheDesignedButtons) {
    // The scroll buttons: 48 x 48 chevrons drawn at 46 x 46.
    EXPECT_EQ(TAdvCustomMetroButton::GlyphSquare({0, 0, 50, 50}), Rect(2, 2, 48, 48));
    // The drop-down button: I = (2, 2, 46, 37), side 35.
    EXPECT_EQ(TAdvCustomMetroButton::GlyphSquare({0, 0, 48, 39}), Rect(6, 2, 41, 37));
    // Narrower than high: a square of the width, centred vertically.
    EXPECT_EQ(TAdvCustomMetroButton::GlyphSquare({0, 0, 30, 50}), Rect(2, 12, 28, 38));
    // With the circle: I less 3, the glyph 4 inside the circle's square.
    EXPECT_EQ(TAdvCustomMetroButton::GlyphSquare({0, 0, 50, 50}, true), Rect(3, 3, 47, 47));
    EXPECT_EQ(TAdvCustomMetroButton::GlyphRect({0, 0, 50, 50}, true), Rect(7, 7, 43, 43));
}

TEST(ButtonGeometry, ANonSquarePictureIsSqueezedIntoTheSquare) {
    TileForm f(200, 100, clWhite);
    auto* b = f.Add<TAdvMetroButton>(10, 10, 48, 39);
    QImage wide(64, 16, QImage::Format_ARGB32);
    wide.fill(Qt::white);
    b->Picture().ReadData(PngOf(wide));
    f.Show();
    const QImage img = Shot(b);
    // Fully opaque source: the whole square S = (6, 2, 41, 37) is the glyph colour, nothing outside.
    EXPECT_EQ(PixelAt(img, 6, 2), clBlack);
    EXPECT_EQ(PixelAt(img, 40, 36), clBlack);
    EXPECT_EQ(PixelAt(img, 5, 20), clWhite);
    EXPECT_EQ(PixelAt(img, 41, 20), clWhite);
    EXPECT_EQ(PixelAt(img, 20, 37), clWhite);
}

TEST(Creation, ValuesAtCreationAndVersions) {
    TAdvMetroTile tile(nullptr);
    EXPECT_EQ(tile.Width(), 128);
    EXPECT_EQ(tile.Height(), 90);
    EXPECT_FALSE(tile.TabStop());
    EXPECT_TRUE(tile.Picture().Empty());
    EXPECT_EQ(tile.Appearance().HoverColor(), ColorValue(0xF2BC00));
    EXPECT_EQ(tile.Appearance().DownColor(), ColorValue(0xB0A374));
    EXPECT_EQ(tile.Version(), QString("1.0.0.0"));
    tile.SetVersion("9.9.9.9");
    EXPECT_EQ(tile.Version(), QString("1.0.0.0"));
    tile.SetZoomOnHover(4);
    tile.SetZoomOnHover(-1);
    EXPECT_EQ(tile.ZoomOnHover(), 4) << "a negative zoom is refused";
    EXPECT_FALSE(tile.UnHotTimerRunning());

    TAdvMetroButton button(nullptr);
    EXPECT_EQ(button.Width(), 33);
    EXPECT_EQ(button.Height(), 33);
    EXPECT_EQ(button.Version(), QString("1.1.0.0"));
    EXPECT_EQ(button.Appearance().PictureColor(), clBlack);
    EXPECT_EQ(button.Appearance().PictureColorHover(), ColorValue(0xF2BC00));
    EXPECT_EQ(button.Appearance().PictureColorDown(), ColorValue(0xB0A374));
}
