#include "toolkit/Canvas.h"

#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace tallivo;

namespace {

struct ImageCanvas {
    QImage Image;
    QPainter Painter;
    TCanvas Canvas;
    ImageCanvas(int w, int h)
        : Image(w, h, QImage::Format_RGB32), Painter((Image.fill(Qt::white), &Image)), Canvas(&Painter) {}
    TColor Pixel(int x, int y) const {
        const QRgb p = Image.pixel(x, y);
        return RGBColor(qRed(p), qGreen(p), qBlue(p));
    }
};

} // namespace

TEST(Fonts, WindowsFamiliesResolveToInstalledStandIns) {
    struct Case {
        const char* Windows;
        const char* Family;
        QFont::Weight Weight;
    } cases[] = {
        {"Calibri", "Carlito", QFont::Normal},
        {"Segoe UI Semibold", "Open Sans", QFont::DemiBold},
        {"Segoe UI Semilight", "Open Sans", QFont::Light},
        {"Arial", "Liberation Sans", QFont::Normal},
        {"Tahoma", "DejaVu Sans", QFont::Normal},
        {"Segoe Print", "Comic Neue", QFont::Normal},
    };
    for (const Case& c : cases) {
        const QFont f = TFont(c.Windows, -20).ToQFont();
        EXPECT_EQ(QFontInfo(f).family(), QString(c.Family)) << c.Windows << ": stand-in font not installed";
        EXPECT_EQ(f.weight(), c.Weight) << c.Windows;
        EXPECT_EQ(f.pixelSize(), 20);
    }
    EXPECT_EQ(TFont("Segoe UI Semibold", -12, clBlack, fsBold).ToQFont().weight(), QFont::Bold);
}

TEST(DrawText, CalcRectKeepsLeftTopAndReturnsTheExtent) {
    ImageCanvas ic(400, 200);
    ic.Canvas.Font = TFont("Calibri", -20);
    const int w = ic.Canvas.TextWidth("Quantité");
    const int lh = ic.Canvas.TextHeight("Wg");
    TRect r{10, 20, 15, 25};
    EXPECT_EQ(ic.Canvas.DrawText("Quantité", r, DT_LEFT | DT_CALCRECT | DT_END_ELLIPSIS), lh);
    EXPECT_EQ(r, Rect(10, 20, 10 + w, 20 + lh));

    // One line per line break, the widest line giving the width.
    TRect two{0, 0, 1, 1};
    EXPECT_EQ(ic.Canvas.DrawText("a\r\nQuantité", two, DT_CALCRECT), 2 * lh);
    EXPECT_EQ(two, Rect(0, 0, w, 2 * lh));

    // Word breaking wraps inside the given width.
    TRect wrap{0, 0, w + 2, 0};
    ic.Canvas.DrawText("Quantité Quantité Quantité", wrap, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(wrap.Height(), 3 * lh);
    EXPECT_LE(wrap.Width(), w + 2);

    // "&" marks an accelerator and takes no room; DT_NOPREFIX keeps it.
    TRect amp{0, 0, 0, 0}, plain{0, 0, 0, 0};
    ic.Canvas.DrawText("&Ok", amp, DT_CALCRECT);
    ic.Canvas.DrawText("Ok", plain, DT_CALCRECT);
    EXPECT_EQ(amp, plain);
    TRect kept{0, 0, 0, 0};
    ic.Canvas.DrawText("&Ok", kept, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_GT(kept.Width(), plain.Width());
}

TEST(DrawText, EndEllipsisCutsTheEndAndKeepsAlignment) {
    ImageCanvas ic(300, 40);
    ic.Canvas.Font = TFont("Calibri", -20, clBlack);
    ic.Canvas.Brush.SetStyle(bsClear);
    const QString longText = "Tournevis cruciforme à manche bi-matière";
    TRect r{0, 0, 120, 30};
    ic.Canvas.DrawText(longText, r, DT_RIGHT | DT_END_ELLIPSIS);
    // Something is drawn near the right edge and nothing beyond the rectangle.
    bool inkNearRight = false, inkOutside = false;
    for (int y = 0; y < 40; ++y) {
        for (int x = 100; x < 120; ++x) inkNearRight |= ic.Pixel(x, y) != clWhite;
        for (int x = 120; x < 300; ++x) inkOutside |= ic.Pixel(x, y) != clWhite;
    }
    EXPECT_TRUE(inkNearRight);
    EXPECT_FALSE(inkOutside);

    // A right-aligned text that fits ends at the right edge.
    ImageCanvas fits(300, 40);
    fits.Canvas.Font = TFont("Calibri", -20, clBlack);
    fits.Canvas.Brush.SetStyle(bsClear);
    TRect right{0, 0, 200, 30};
    fits.Canvas.DrawText("12", right, DT_RIGHT | DT_END_ELLIPSIS);
    int lastInk = -1, firstInk = 300;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 300; ++x)
            if (fits.Pixel(x, y) != clWhite) {
                lastInk = std::max(lastInk, x);
                firstInk = std::min(firstInk, x);
            }
    EXPECT_GT(lastInk, 190);
    EXPECT_LT(lastInk, 200);
    EXPECT_GT(firstInk, 150);
}

TEST(Canvas, GradientIsExactAtBothEnds) {
    ImageCanvas ic(10, 30);
    ic.Canvas.GradientFillVertical({0, 5, 10, 25}, 10721432, 7365475);
    EXPECT_EQ(ic.Pixel(3, 5), 10721432);
    EXPECT_EQ(ic.Pixel(3, 24), 7365475);
    EXPECT_EQ(ic.Pixel(3, 4), clWhite);
    EXPECT_EQ(ic.Pixel(3, 25), clWhite);
    // Monotonic in between (each channel falls from top to bottom here).
    for (int y = 6; y < 25; ++y) EXPECT_LE(GetRValue(ic.Pixel(3, y)), GetRValue(ic.Pixel(3, y - 1)));
}

TEST(Canvas, RectangleAndFrameCoverTheOuterPixelsOnly) {
    ImageCanvas ic(20, 20);
    ic.Canvas.Brush.SetColor(clRed);
    ic.Canvas.Pen.Color = clBlue;
    ic.Canvas.Rectangle({2, 2, 12, 12});
    EXPECT_EQ(ic.Pixel(2, 2), clBlue);
    EXPECT_EQ(ic.Pixel(11, 11), clBlue);
    EXPECT_EQ(ic.Pixel(12, 12), clWhite);
    EXPECT_EQ(ic.Pixel(6, 6), clRed);
    ic.Canvas.Brush.SetColor(clLime);
    ic.Canvas.FrameRect({14, 14, 18, 18});
    EXPECT_EQ(ic.Pixel(14, 17), clLime);
    EXPECT_EQ(ic.Pixel(15, 15), clWhite);
    // A clear brush fills nothing; setting its colour makes it solid again.
    ic.Canvas.Brush.SetStyle(bsClear);
    ic.Canvas.FillRect({0, 0, 1, 1});
    EXPECT_EQ(ic.Pixel(0, 0), clWhite);
    ic.Canvas.Brush.SetColor(clBlack);
    ic.Canvas.FillRect({0, 0, 1, 1});
    EXPECT_EQ(ic.Pixel(0, 0), clBlack);
}

TEST(Canvas, RecolouringKeepsOnlyAlpha) {
    QImage glyph(4, 1, QImage::Format_ARGB32);
    glyph.setPixel(0, 0, qRgba(255, 255, 255, 255));
    glyph.setPixel(1, 0, qRgba(200, 10, 10, 128));
    glyph.setPixel(2, 0, qRgba(0, 0, 0, 0));
    glyph.setPixel(3, 0, qRgba(10, 200, 10, 255));
    const QImage out = RecolourKeepingAlpha(glyph, RGBColor(0x53, 0x53, 0x53));
    EXPECT_EQ(out.pixel(0, 0), qRgba(0x53, 0x53, 0x53, 255));
    EXPECT_EQ(qAlpha(out.pixel(1, 0)), 128);
    EXPECT_EQ(qRed(out.pixel(1, 0)), 0x53);
    EXPECT_EQ(qAlpha(out.pixel(2, 0)), 0);
    EXPECT_EQ(out.pixel(3, 0), qRgba(0x53, 0x53, 0x53, 255));
    // System colours resolve before recolouring.
    EXPECT_EQ(RecolourKeepingAlpha(glyph, clHighlight).pixel(0, 0), qRgba(0, 120, 215, 255));
}

TEST(Canvas, Accelerators) {
    int index = -2;
    EXPECT_EQ(StripAccelerator("&Oui", &index), QString("Oui"));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(StripAccelerator("Fer && Co", &index), QString("Fer & Co"));
    EXPECT_EQ(index, -1);
    EXPECT_EQ(AcceleratorOf("A&nnuler"), QChar(u'N'));
    EXPECT_EQ(AcceleratorOf("Fer && Co"), QChar());
}
