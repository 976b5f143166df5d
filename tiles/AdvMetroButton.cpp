#include "tiles/AdvMetroButton.h"

#include "toolkit/Canvas.h"

#include <QPainter>

namespace tallivo {

TAdvCustomMetroButton::TAdvCustomMetroButton(TComponent* AOwner) : TMetroPushControl(AOwner) {
    FAppearance.OnChange = [this] { Invalidate(); };
    SetBounds(0, 0, 33, 33);
}

TAdvCustomMetroButton::~TAdvCustomMetroButton() {
    FAppearance.OnChange = nullptr;
}

void TAdvCustomMetroButton::SetShowCircle(bool v) {
    if (v == FShowCircle) return;
    FShowCircle = v;
    Invalidate();
}

bool TAdvCustomMetroButton::SameFamily(const TWinControl* control) const {
    return dynamic_cast<const TAdvCustomMetroButton*>(control) != nullptr;
}

TColor TAdvCustomMetroButton::GlyphColor() const {
    if (!Enabled()) return ColorValue(0x808080);
    if ((FMouseDownInControl && FMouseInControl) || FDown) return FAppearance.PictureColorDown();
    if (FMouseInControl) return FAppearance.PictureColorHover();
    return FAppearance.PictureColor();
}

TRect TAdvCustomMetroButton::GlyphSquare(const TRect& R, bool showCircle) {
    const int inset = showCircle ? 3 : 2;
    const TRect I = R.Inflated(-inset, -inset);
    const int side = std::min(I.Width(), I.Height());
    const int left = I.Left + (I.Width() - side) / 2;
    const int top = I.Top + (I.Height() - side) / 2;
    return Bounds(left, top, side, side);
}

TRect TAdvCustomMetroButton::GlyphRect(const TRect& R, bool showCircle) {
    const TRect S = GlyphSquare(R, showCircle);
    return showCircle ? S.Inflated(-4, -4) : S;
}

void TAdvCustomMetroButton::Paint() {
    UpdateEnabledState();
    // No fill and no outline: the parent shows wherever the glyph is transparent.
    DrawContent(*Canvas(), ClientRect());
}

void TAdvCustomMetroButton::DrawContent(TCanvas& ACanvas, const TRect& R) {
    const TColor G = GlyphColor();
    if (!Caption().isEmpty()) {
        ACanvas.Font = Font();
        ACanvas.Font.SetColor(G);
        ACanvas.Brush.SetStyle(bsClear);
        TRect r = R;
        ACanvas.DrawText(Caption(), r, DT_CENTER | DT_BOTTOM | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    if (Picture().Empty()) return;
    const QImage image = PaintImage();
    if (image.isNull()) return;
    DrawPicture(ACanvas, GlyphRect(R, FShowCircle), image, &G);
    if (FShowCircle) {
        const TRect S = GlyphSquare(R, true);
        const TColor rgb = ColorToRGB(G);
        QPainter* p = ACanvas.Painter();
        p->save();
        p->setRenderHint(QPainter::Antialiasing, true);
        const int penWidth = Width() > 40 ? 3 : 1;
        p->setPen(QPen(QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)), penWidth));
        p->setBrush(Qt::NoBrush);
        const double half = penWidth / 2.0;
        p->drawEllipse(QRectF(S.Left + half, S.Top + half, S.Width() - penWidth, S.Height() - penWidth));
        p->restore();
    }
}

} // namespace tallivo
