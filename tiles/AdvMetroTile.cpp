#include "tiles/AdvMetroTile.h"

#include "toolkit/Canvas.h"

#include <cmath>

namespace tallivo {

namespace {

// Rounds to the nearest integer, halves to the even one.
int RoundHalfEven(double v) {
    const double f = std::floor(v);
    const double diff = v - f;
    if (diff > 0.5) return int(f) + 1;
    if (diff < 0.5) return int(f);
    return std::fmod(f, 2.0) == 0.0 ? int(f) : int(f) + 1;
}

} // namespace

TAdvCustomMetroTile::TAdvCustomMetroTile(TComponent* AOwner) : TMetroPushControl(AOwner) {
    FAppearance.OnChange = [this] { Invalidate(); };
    SetBounds(0, 0, 128, 90);
}

TAdvCustomMetroTile::~TAdvCustomMetroTile() {
    FAppearance.OnChange = nullptr;
}

bool TAdvCustomMetroTile::SameFamily(const TWinControl* control) const {
    return dynamic_cast<const TAdvCustomMetroTile*>(control) != nullptr;
}

TTileStateColors TAdvCustomMetroTile::StateColors() const {
    const TMetroTileAppearance& a = FAppearance;
    if (!Enabled()) return {ColorValue(0x8B8B8B), a.BorderColor(), ColorValue(0x808080)};
    if ((FMouseDownInControl && FMouseInControl) || FDown)
        return {a.DownColor(), a.DownBorderColor(), a.DownTextColor()};
    if (FMouseInControl) return {a.HoverColor(), a.HoverBorderColor(), a.HoverTextColor()};
    return {a.Color(), a.BorderColor(), a.TextColor()};
}

TRect TAdvCustomMetroTile::PaintRect() const {
    TRect r = ClientRect();
    if (!FMouseInControl) r = r.Inflated(-FZoomOnHover, -FZoomOnHover);
    return r;
}

TTileGeometry TAdvCustomMetroTile::ComputeGeometry(const TRect& R, TBorderStyle borderStyle,
                                                   TTileLayout layout, int pw, int ph, bool autoSize, int mH,
                                                   int mV, int textH, int textV) {
    TTileGeometry g{};
    const TRect C = borderStyle == bsSingle ? R.Inflated(-1, -1) : R;
    const int cl = C.Left, ct = C.Top, cr = C.Right, cb = C.Bottom;
    const int cw = cr - cl, ch = cb - ct;
    if (autoSize && pw > 0 && ph > 0) {
        const double s = std::min(double(cw - 2 * mH) / pw, double(ch - 2 * mV) / ph);
        pw = RoundHalfEven(pw * s);
        ph = RoundHalfEven(ph * s);
    }
    TRect P, X = C;
    // The centring terms are measured from 0, not from the content's left or
    // top edge: with an outline the picture sits one pixel higher (or further
    // left) than exact centring within C.
    const int vCentre = mV + (ch - 2 * mV - ph) / 2;
    const int hCentre = mH + (cw - 2 * mH - pw) / 2;
    switch (layout) {
    case tlPicLeft:
        P = {cl + mH, vCentre, cl + mH + pw, vCentre + ph};
        X.Left = P.Right;
        g.TextFlags = DT_LEFT | DT_VCENTER;
        break;
    case tlPicRight:
        P = {cr - mH - pw, vCentre, cr - mH, vCentre + ph};
        X.Right = P.Left;
        g.TextFlags = DT_LEFT | DT_VCENTER;
        break;
    case tlPicTop:
        P = {hCentre, ct + mV, hCentre + pw, ct + mV + ph};
        X.Top = P.Bottom;
        g.TextFlags = DT_CENTER | DT_TOP;
        break;
    case tlPicBottom:
        P = {hCentre, cb - mV - ph, hCentre + pw, cb - mV};
        X.Bottom = P.Top;
        g.TextFlags = DT_CENTER | DT_BOTTOM;
        break;
    case tlPicBackground:
        P = C;
        g.TextFlags = DT_CENTER | DT_VCENTER;
        break;
    }
    g.C = C;
    g.P = P;
    g.X = {X.Left + textH, X.Top + textV, X.Right - textH, X.Bottom - textV};
    g.PictureWidth = pw;
    g.PictureHeight = ph;
    return g;
}

TTileGeometry TAdvCustomMetroTile::ContentGeometry(const TRect& R) {
    int pw = 0, ph = 0;
    if (!Picture().Empty()) {
        Picture().GetImageSizes();
        pw = Picture().Width();
        ph = Picture().Height();
    }
    return ComputeGeometry(R, FBorderStyle, FLayout, pw, ph, FPictureAutoSize, FPictureMarginHorz,
                           FPictureMarginVert, FTextMarginHorz, FTextMarginVert);
}

void TAdvCustomMetroTile::Paint() {
    UpdateEnabledState();
    const TTileStateColors colors = StateColors();
    const TRect R = PaintRect();
    TCanvas& canvas = *Canvas();
    if (!R.IsEmpty()) {
        canvas.Brush.SetColor(colors.Fill);
        canvas.Pen.Color = FBorderStyle == bsSingle ? colors.Border : colors.Fill;
        canvas.Pen.Style = psSolid;
        canvas.Pen.Width = 1;
        canvas.Rectangle(R);
    }
    DrawContent(canvas, R);
}

void TAdvCustomMetroTile::DrawContent(TCanvas& ACanvas, const TRect& R) {
    const TTileStateColors colors = StateColors();
    const TTileGeometry g = ContentGeometry(R);
    if (!Picture().Empty()) {
        const QImage image = PaintImage();
        // A picture whose memory could not be had stops the paint here.
        if (Picture().AllocationFailed()) return;
        if (!image.isNull()) {
            DrawPicture(ACanvas, g.P, image, FPictureAutoColor ? &colors.Text : nullptr);
        }
    }
    if (!Caption().isEmpty()) {
        ACanvas.Font = Font();
        ACanvas.Font.SetColor(colors.Text);
        ACanvas.Brush.SetStyle(bsClear);
        TRect x = g.X;
        ACanvas.DrawText(Caption(), x, g.TextFlags | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}

} // namespace tallivo
