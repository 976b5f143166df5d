#include "tiles/MetroControl.h"

#include "base/Exception.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Platform.h"

#include <QMouseEvent>

namespace tallivo {

TMetroPushControl::TMetroPushControl(TComponent* AOwner)
    : TCustomControl(AOwner), FPicture(std::make_unique<TGDIPPicture>()),
      FUnHotTimer(std::make_unique<TTimer>(nullptr)) {
    SetDoubleBuffered(true);
    // Clicks follow the pointer model below, not the generic press and release.
    SetClickEvents(false);
    // Moves without a button must arrive too: they re-enter the control after
    // the un-hover poll let it go.
    setMouseTracking(true);
    FPicture->OnChange = [this] {
        FAllocationReported = false;
        Invalidate();
    };
    FUnHotTimer->SetEnabled(false);
    FUnHotTimer->SetInterval(1);
    FUnHotTimer->OnTimer = [this](TObject*) { UnHotTick(); };
    RegisterPictureGraphicClasses();
}

TMetroPushControl::~TMetroPushControl() {
    FUnHotTimer->SetEnabled(false);
    FUnHotTimer->OnTimer = nullptr;
    FPicture->OnChange = nullptr;
}

void TMetroPushControl::SetDown(bool v) {
    if (v == FDown) return;
    FDown = v;
    Invalidate();
}

QString TMetroPushControl::Version() const {
    const std::uint32_t v = GetVersionNr();
    return QStringLiteral("%1.%2.%3.%4")
        .arg(v >> 24)
        .arg((v >> 16) & 0xFF)
        .arg((v >> 8) & 0xFF)
        .arg(v & 0xFF);
}

bool TMetroPushControl::UnHotTimerRunning() const {
    return FUnHotTimer->Enabled();
}

void TMetroPushControl::Click() {
    // The result is written first, so that a handler can read or overwrite it.
    if (auto* form = dynamic_cast<TForm*>(window())) form->SetModalResult(FModalResult);
    TCustomControl::Click();
}

void TMetroPushControl::FocusChanged(TWinControl* focused) {
    if (focused && SameFamily(focused))
        FActive = focused == this;
    else
        FActive = FDefault;
}

void TMetroPushControl::KeyPress(QChar& Key) {
    TCustomControl::KeyPress(Key);
    if (Key == u' ' || Key == u'\r') {
        if (auto* form = dynamic_cast<TForm*>(window())) form->SetModalResult(FModalResult);
        Click();
    }
}

void TMetroPushControl::PreviewPointer(bool inControl, bool downInControl) {
    FMouseInControl = inControl;
    FMouseDownInControl = downInControl;
    Invalidate();
}

void TMetroPushControl::UpdateEnabledState() {
    if (!Enabled()) {
        FState = absDisabled;
        FDragging = false;
    } else if (FState == absDisabled) {
        FState = absUp;
    }
}

QImage TMetroPushControl::PaintImage() {
    if (FPicture->Empty()) return {};
    QImage image = FPicture->Image();
    if (FPicture->AllocationFailed() && !FAllocationReported) {
        // Reported after the paint, once per picture: an error box opened
        // from inside a paint would be painted over and raised again by
        // every repaint.
        FAllocationReported = true;
        AfterCurrentEvent(this, [] { throw Exception(QString::fromUtf8(SCouldNotAllocateImage)); });
    }
    return image;
}

void TMetroPushControl::DrawPicture(TCanvas& canvas, const TRect& r, const QImage& image,
                                    const TColor* colour) {
    if (image.isNull() || r.IsEmpty()) return;
    // Recoloured before scaling, so that the stored colours cannot bleed
    // into the edges; scaled beforehand to r's size, so that the drawing is
    // a plain copy that stays inside r.
    QImage source = colour ? RecolourKeepingAlpha(image, *colour) : image;
    if (source.size() != QSize(r.Width(), r.Height()))
        source = source.scaled(r.Width(), r.Height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    canvas.StretchDraw(r, source);
}

// --- Pointer model ------------------------------------------------------------

void TMetroPushControl::PointerEntered() {
    FMouseInControl = true;
    FUnHotTimer->SetEnabled(true);
    TCustomControl::MouseEnter();
    Invalidate();
}

void TMetroPushControl::PointerLeft() {
    FUnHotTimer->SetEnabled(false);
    FMouseInControl = false;
    TCustomControl::MouseLeave();
    Invalidate();
}

void TMetroPushControl::RecheckPointer(QPoint globalPos) {
    const bool here = FindControlAtPos({globalPos.x(), globalPos.y()}) == this;
    FPointerInside = here;
    if (here)
        PointerEntered();
    else
        PointerLeft();
}

void TMetroPushControl::UnHotTick() {
    const TPoint p = ScreenToClient(GetCursorPos());
    if (ClientRect().Contains(p)) return;
    FUnHotTimer->SetEnabled(false);
    FMouseInControl = false;
    if (Enabled()) Invalidate();
}

void TMetroPushControl::MouseEnter() {
    if (FPointerInside) return;
    FPointerInside = true;
    PointerEntered();
}

void TMetroPushControl::MouseLeave() {
    if (!FPointerInside) return;
    FPointerInside = false;
    PointerLeft();
}

void TMetroPushControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled()) return;
    FMouseDownInControl = true;
    FState = absDown;
    FDragging = true;
    Invalidate();
    // The keyboard focus stays where it was unless the control is a tab stop.
    if (TabStop() && CanFocus()) SetFocus();
}

void TMetroPushControl::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomControl::MouseMove(Shift, X, Y);
    if (FDragging) {
        // While the pointer is grabbed the platform holds back enter and
        // leave; the moves give them instead.
        const bool inside = ClientRect().Contains({X, Y});
        if (inside != FPointerInside) {
            if (inside)
                MouseEnter();
            else
                MouseLeave();
        }
        const TAdvButtonState state = (X >= 0 && X < Width() && Y >= 0 && Y <= Height()) ? absDown : absUp;
        if (state != FState) {
            FState = state;
            Invalidate();
        }
    } else if (!FMouseInControl && Enabled()) {
        RecheckPointer(mapToGlobal(QPoint(X, Y)));
    }
}

void TMetroPushControl::mouseReleaseEvent(QMouseEvent* e) {
    const TMouseButton button = e->button() == Qt::RightButton    ? mbRight
                                : e->button() == Qt::MiddleButton ? mbMiddle
                                                                  : mbLeft;
    const QPoint pos = e->position().toPoint();
    const QPoint global = e->globalPosition().toPoint();
    const TShiftState shift = ShiftStateOf(e->modifiers(), e->buttons());
    bool recheck = false, click = false;
    if (button == mbLeft) {
        const bool pressedHere = FMouseDownInControl;
        FMouseDownInControl = false;
        if (FDragging) {
            FDragging = false;
            FState = absUp;
            Invalidate();
            recheck = true;
        }
        click = pressedHere && Enabled() && pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 &&
                pos.y() < height();
    }
    // The handlers run once Qt has finished delivering this release: the
    // click may open a modal dialog. Their order stays: enter or leave from
    // the re-check, OnClick, OnMouseUp.
    AfterCurrentEvent(this, [this, recheck, click, button, shift, pos, global] {
        if (recheck) RecheckPointer(global);
        if (click) Click();
        MouseUp(button, shift, pos.x(), pos.y());
    });
}

void TMetroPushControl::mouseDoubleClickEvent(QMouseEvent* e) {
    // Qt delivers the second press of a quick double tap as a double click
    // only. Without an OnDblClick handler it is an ordinary press, so two
    // quick taps give two clicks; with one, it raises DblClick and then
    // presses with ssDouble.
    if (OnDblClick)
        TCustomControl::mouseDoubleClickEvent(e);
    else
        TCustomControl::mousePressEvent(e);
}

// --- Keyboard model -------------------------------------------------------------

bool TMetroPushControl::DialogKey(TKey Key, TShiftState Shift) {
    if (Shift.Contains(ssShift) || Shift.Contains(ssCtrl) || Shift.Contains(ssAlt)) return false;
    if ((Key == VK_RETURN && Active()) || (Key == VK_ESCAPE && FCancel)) {
        if (!VisibleChain() || !EnabledChain()) return false;
        Click();
        return true;
    }
    return false;
}

bool TMetroPushControl::DialogChar(QChar Key, TShiftState) {
    const QChar accelerator = AcceleratorOf(Caption());
    if (accelerator.isNull() || Key.toUpper() != accelerator || !CanFocus()) return false;
    Click();
    return true;
}

void TMetroPushControl::DoEnter() {
    TCustomControl::DoEnter();
    Invalidate();
}

void TMetroPushControl::DoExit() {
    TCustomControl::DoExit();
    Invalidate();
}

bool TMetroPushControl::event(QEvent* e) {
    // The first time the control is shown stands for the creation of its
    // window: FActive starts as Default then.
    if (e->type() == QEvent::Show && !FWindowCreated) {
        FWindowCreated = true;
        FActive = FDefault;
    }
    return TCustomControl::event(e);
}

} // namespace tallivo
