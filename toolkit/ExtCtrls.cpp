#include "toolkit/ExtCtrls.h"

#include <QTimer>

namespace tallivo {

// --- TPanel ------------------------------------------------------------------

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 185, 41); }

void TPanel::SetParentBackground(bool v) {
    FParentBackground = v;
    SetOpaque(!v);
    update();
}

void TPanel::ColorChanged() {
    if (!ParentColor() && FParentBackground) SetParentBackground(false);
    TCustomControl::ColorChanged();
}

void TPanel::SetBevelOuter(TBevelCut v) {
    FBevelOuter = v;
    Realign();
    update();
}

void TPanel::SetBevelInner(TBevelCut v) {
    FBevelInner = v;
    Realign();
    update();
}

void TPanel::SetBorderWidth(int v) {
    FBorderWidth = v;
    Realign();
    update();
}

void TPanel::SetShowCaption(bool v) {
    FShowCaption = v;
    update();
}

int TPanel::FrameWidth() const { return (FBevelOuter != bvNone) + (FBevelInner != bvNone) + FBorderWidth; }

void TPanel::AlignControls(TRect& Rect) {
    const int f = FrameWidth();
    Rect = Rect.Inflated(-f, -f);
    TCustomControl::AlignControls(Rect);
}

void TPanel::Paint() {
    TCanvas& c = *Canvas();
    TRect r = ClientRect();
    if (!FParentBackground) {
        c.Brush.SetColor(Color());
        c.FillRect(r);
    }
    const auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        const TColor topLeft = cut == bvLowered ? clBtnShadow : clBtnHighlight;
        const TColor bottomRight = cut == bvLowered ? clBtnHighlight : clBtnShadow;
        if (cut != bvSpace) {
            c.Brush.SetColor(topLeft);
            c.FillRect({r.Left, r.Top, r.Right, r.Top + 1});
            c.FillRect({r.Left, r.Top, r.Left + 1, r.Bottom});
            c.Brush.SetColor(bottomRight);
            c.FillRect({r.Left, r.Bottom - 1, r.Right, r.Bottom});
            c.FillRect({r.Right - 1, r.Top, r.Right, r.Bottom});
        }
        r = r.Inflated(-1, -1);
    };
    bevel(FBevelOuter);
    bevel(FBevelInner);
    if (FShowCaption && !Caption().isEmpty()) {
        c.Brush.SetStyle(bsClear);
        c.Font = Font();
        c.DrawText(Caption(), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

// --- TFlowPanel --------------------------------------------------------------

TFlowPanel::TFlowPanel(TComponent* AOwner) : TPanel(AOwner) {}

void TFlowPanel::SetAutoWrap(bool v) {
    FAutoWrap = v;
    Realign();
}

void TFlowPanel::AlignControls(TRect& Rect) {
    const int f = FrameWidth();
    Rect = Rect.Inflated(-f, -f);
    int x = Rect.Left, y = Rect.Top, rowHeight = 0;
    for (TControl* c : ControlList()) {
        if (!c->Visible()) continue;
        const bool m = c->AlignWithMargins();
        const int ml = m ? c->Margins().Left() : 0, mt = m ? c->Margins().Top() : 0;
        const int mr = m ? c->Margins().Right() : 0, mb = m ? c->Margins().Bottom() : 0;
        const int w = c->Width() + ml + mr, h = c->Height() + mt + mb;
        if (FAutoWrap && x + w > Rect.Right && x > Rect.Left) {
            x = Rect.Left;
            y += rowHeight;
            rowHeight = 0;
        }
        c->ApplyGeometry(x + ml, y + mt, c->Width(), c->Height());
        x += w;
        rowHeight = std::max(rowHeight, h);
    }
}

// --- TImage --------------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
    FPicture.OnChange = [this] { update(); };
    SetBounds(0, 0, 105, 105);
}

void TImage::SetCenter(bool v) {
    FCenter = v;
    update();
}
void TImage::SetStretch(bool v) {
    FStretch = v;
    update();
}
void TImage::SetProportional(bool v) {
    FProportional = v;
    update();
}
void TImage::SetTransparent(bool v) {
    FTransparent = v;
    update();
}

TRect TImage::DestRect() const {
    int w = FPicture.Width(), h = FPicture.Height();
    const int cw = Width(), ch = Height();
    if (FStretch || (FProportional && (w > cw || h > ch))) {
        if (FProportional && w > 0 && h > 0) {
            const double scale = std::min(double(cw) / w, double(ch) / h);
            w = int(w * scale);
            h = int(h * scale);
        } else {
            w = cw;
            h = ch;
        }
    }
    if (FCenter) return Bounds((cw - w) / 2, (ch - h) / 2, w, h);
    return Bounds(0, 0, w, h);
}

void TImage::Paint() {
    if (TGraphic* g = FPicture.Graphic(); g && !g->Empty()) g->Draw(*Canvas(), DestRect());
}

// --- TTimer --------------------------------------------------------------------

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FTimer(new QTimer) {
    QObject::connect(FTimer, &QTimer::timeout, FTimer, [this] {
        GuardedCall([this] {
            if (OnTimer) OnTimer(this);
        });
    });
    Update();
}

TTimer::~TTimer() { delete FTimer; }

void TTimer::SetEnabled(bool v) {
    FEnabled = v;
    Update();
}

void TTimer::SetInterval(int ms) {
    FInterval = ms;
    Update();
}

void TTimer::Update() {
    FTimer->stop();
    if (FEnabled && FInterval > 0) FTimer->start(FInterval);
}

} // namespace tallivo
