#pragma once
// TCanvas: the drawing surface handed to a control's Paint, over a QPainter.
// Coordinates are pixels with exclusive right and bottom edges.

#include "toolkit/Font.h"
#include "toolkit/Types.h"

#include <QString>

class QPainter;
class QImage;

namespace tallivo {

enum TBrushStyle { bsSolid, bsClear };
enum TPenStyle { psSolid, psDash, psDot, psClear };
enum TPenMode { pmCopy, pmXor, pmNotXor, pmNot };

class TBrush {
public:
    TColor Color() const { return FColor; }
    // Setting a colour while the brush is clear makes it solid again.
    void SetColor(TColor c) {
        FColor = c;
        if (FStyle == bsClear) FStyle = bsSolid;
    }
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle s) { FStyle = s; }

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

struct TPen {
    TColor Color = clBlack;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
    int Width = 1;
};

// Text format flags, with the values and meanings of the platform they stand in for.
enum : unsigned {
    DT_TOP = 0x0000,
    DT_LEFT = 0x0000,
    DT_CENTER = 0x0001,
    DT_RIGHT = 0x0002,
    DT_VCENTER = 0x0004,
    DT_BOTTOM = 0x0008,
    DT_WORDBREAK = 0x0010,
    DT_SINGLELINE = 0x0020,
    DT_EXPANDTABS = 0x0040,
    DT_NOCLIP = 0x0100,
    DT_CALCRECT = 0x0400,
    DT_NOPREFIX = 0x0800,
    DT_END_ELLIPSIS = 0x8000,
};

class TCanvas {
public:
    explicit TCanvas(QPainter* painter);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TBrush Brush;
    TPen Pen;
    TFont Font;

    QPainter* Painter() const { return FPainter; }

    void FillRect(const TRect& r);
    // A one-pixel frame in the brush colour.
    void FrameRect(const TRect& r);
    // Fills with the brush and outlines with the pen, inside r.
    void Rectangle(const TRect& r);
    void MoveTo(int x, int y);
    // Draws from the pen position to (x, y), the end point excluded.
    void LineTo(int x, int y);
    TPoint PenPos() const { return FPenPos; }

    // Text at (x, y) = top-left of its cell; the cell is filled with the
    // brush first unless the brush is clear.
    void TextOut(int x, int y, const QString& text);
    // As TextOut, clipped to r; r is filled with the brush first unless clear.
    void TextRect(const TRect& r, int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;

    // Draws (or, with DT_CALCRECT, measures) text in r. With DT_CALCRECT,
    // r keeps its left and top and gets the extent of the text. Returns the
    // height of the text.
    int DrawText(const QString& text, TRect& r, unsigned flags);

    // Vertical two-colour gradient, linear in each channel, exact at the
    // first and last rows.
    void GradientFillVertical(const TRect& r, TColor top, TColor bottom);

    // Draws image scaled into r, anti-aliased, keeping its alpha.
    void StretchDraw(const TRect& r, const QImage& image);
    // The same, with every pixel painted in color and its own alpha.
    void StretchDrawRecoloured(const TRect& r, const QImage& image, TColor color);

    void SetClipRect(const TRect& r);
    void ResetClip();

private:
    void ApplyPen();
    int LineHeight() const;

    QPainter* FPainter;
    TPoint FPenPos;
};

// image with its red, green and blue replaced by color; alpha kept.
QImage RecolourKeepingAlpha(const QImage& image, TColor color);

// Removes "&" accelerator marks ("&&" gives "&"); underlineIndex receives the
// position of the marked character in the result, or -1.
QString StripAccelerator(const QString& text, int* underlineIndex = nullptr);

// The letter a caption marks with "&", upper case, or a null QChar.
QChar AcceleratorOf(const QString& caption);

} // namespace tallivo
