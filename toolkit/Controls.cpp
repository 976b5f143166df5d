#include "toolkit/Controls.h"

#include "base/Exception.h"
#include "toolkit/Forms.h"

#include <QApplication>
#include <QChildEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

namespace tallivo {

void AfterCurrentEvent(QObject* context, std::function<void()> f) {
    QMetaObject::invokeMethod(
        context, [f = std::move(f)] { GuardedCall(f); }, Qt::QueuedConnection);
}

// --- TComponent -------------------------------------------------------------

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
    if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
    FDestroying = true;
    DestroyComponents();
    if (FOwner) std::erase(FOwner->FComponents, this);
}

void TComponent::DestroyComponents() {
    // Each owned component leaves this list in its own destructor; a control
    // freed by its parent widget leaves it the same way.
    while (!FComponents.empty()) delete FComponents.back();
}

TComponent* TComponent::FindComponent(const QString& name) const {
    for (TComponent* c : FComponents)
        if (c->FName.compare(name, Qt::CaseInsensitive) == 0) return c;
    return nullptr;
}

// --- TMargins ---------------------------------------------------------------

void TMargins::Set(int& field, int v) {
    if (field == v) return;
    field = v;
    if (OnChange) OnChange();
}

void TMargins::SetBounds(int left, int top, int right, int bottom) {
    FLeft = left;
    FTop = top;
    FRight = right;
    FBottom = bottom;
    if (OnChange) OnChange();
}

// --- TControl ---------------------------------------------------------------

namespace {
TMouseButton ToButton(Qt::MouseButton b) {
    switch (b) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
    }
}
} // namespace

TControl::TControl(TComponent* AOwner) : QWidget(nullptr), TComponent(AOwner) {
    FFont.OnChange = [this] { OwnFontChanged(); };
    FMargins.OnChange = [this] {
        if (FAlignWithMargins) RequestParentAlign();
    };
    setAttribute(Qt::WA_NoSystemBackground, false);
}

TControl::~TControl() { FFont.OnChange = nullptr; }

void TControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    TWinControl* old = FParent;
    FParent = parent;
    const QRect g = geometry();
    QWidget::setParent(parent);
    setGeometry(g);
    if (parent) {
        if (FParentColor) ParentColorChanged();
        if (FParentFont) ParentFontChanged();
        QWidget::setVisible(FVisible);
    }
    if (old) old->Realign();
    if (parent) parent->Realign();
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const QRect g(ALeft, ATop, std::max(0, AWidth), std::max(0, AHeight));
    if (g == geometry()) return;
    ApplyGeometry(ALeft, ATop, AWidth, AHeight);
    RequestParentAlign();
}

void TControl::ApplyGeometry(int ALeft, int ATop, int AWidth, int AHeight) {
    const QRect g(ALeft, ATop, std::max(0, AWidth), std::max(0, AHeight));
    const QRect old = geometry();
    if (g == old) return;
    setGeometry(g);
    if (g.size() != old.size())
        if (auto* w = dynamic_cast<TWinControl*>(this)) w->Realign();
}

void TControl::RequestParentAlign() {
    if (FParent) FParent->Realign();
}

void TControl::SetAlign(TAlign a) {
    if (a == FAlign) return;
    FAlign = a;
    RequestParentAlign();
}

void TControl::SetAlignWithMargins(bool v) {
    if (v == FAlignWithMargins) return;
    FAlignWithMargins = v;
    RequestParentAlign();
}

void TControl::SetVisible(bool v) {
    if (v == FVisible) return;
    FVisible = v;
    if (FParent) QWidget::setVisible(v);
    VisibleChanged();
    RequestParentAlign();
}

bool TControl::VisibleChain() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FVisible) return false;
    const TForm* form = ParentForm();
    return form == nullptr || form->isVisible();
}

void TControl::SetEnabled(bool v) {
    if (v == FEnabled) return;
    FEnabled = v;
    QWidget::setEnabled(v);
    EnabledChanged();
}

bool TControl::EnabledChain() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FEnabled) return false;
    return true;
}

void TControl::SetColor(TColor c) {
    FParentColor = false;
    if (c == FColor) return;
    FColor = c;
    ColorChanged();
}

void TControl::SetParentColor(bool v) {
    FParentColor = v;
    if (v) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (!FParentColor || !FParent || FParent->FColor == FColor) return;
    FColor = FParent->FColor;
    ColorChanged();
}

void TControl::ColorChanged() {
    update();
    if (auto* w = dynamic_cast<TWinControl*>(this))
        for (TControl* c : w->ControlList()) c->ParentColorChanged();
}

void TControl::SetParentFont(bool v) {
    FParentFont = v;
    if (v) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!FParentFont || !FParent) return;
    FApplyingParentFont = true;
    FFont = FParent->FFont;
    FApplyingParentFont = false;
}

void TControl::OwnFontChanged() {
    if (!FApplyingParentFont) FParentFont = false;
    FontChanged();
    if (auto* w = dynamic_cast<TWinControl*>(this))
        for (TControl* c : w->ControlList()) c->ParentFontChanged();
}

void TControl::FontChanged() { update(); }

void TControl::SetCaption(const QString& text) {
    if (text == FCaption) return;
    FCaption = text;
    TextChanged();
}

void TControl::TextChanged() { update(); }
void TControl::EnabledChanged() { update(); }
void TControl::VisibleChanged() {}

void TControl::SetOpaque(bool v) { setAttribute(Qt::WA_OpaquePaintEvent, v); }

TForm* TControl::ParentForm() const {
    for (QWidget* w = const_cast<TControl*>(this); w; w = w->parentWidget())
        if (auto* f = dynamic_cast<TForm*>(w)) return f;
    return nullptr;
}

TPoint TControl::ScreenToClient(TPoint p) const {
    const QPoint q = mapFromGlobal(QPoint(p.X, p.Y));
    return {q.x(), q.y()};
}

TPoint TControl::ClientToScreen(TPoint p) const {
    const QPoint q = mapToGlobal(QPoint(p.X, p.Y));
    return {q.x(), q.y()};
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::FocusChanged(TWinControl*) {}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}

void TControl::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::MouseDoubleClick(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) DblClick();
    Shift |= ssDouble;
    MouseDown(Button, Shift, X, Y);
}

void TControl::MouseWheel(TShiftState, int, TPoint) {}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

bool TControl::event(QEvent* e) {
    // The one place where the system's handlers are entered from Qt: no
    // exception may cross back into Qt.
    bool handled = false;
    GuardedCall([&] { handled = QWidget::event(e); });
    return handled;
}

void TControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(&painter);
    canvas.Font = FFont;
    FCanvas = &canvas;
    struct Reset {
        TCanvas*& c;
        ~Reset() { c = nullptr; }
    } reset{FCanvas};
    Paint();
}

void TControl::mousePressEvent(QMouseEvent* e) {
    const TMouseButton b = ToButton(e->button());
    if (b == mbLeft && FClickEvents) FClicked = true;
    const QPoint p = e->position().toPoint();
    MouseDown(b, ShiftStateOf(e->modifiers(), e->buttons() | e->button()), p.x(), p.y());
}

void TControl::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseMove(ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y());
}

void TControl::mouseReleaseEvent(QMouseEvent* e) {
    const TMouseButton b = ToButton(e->button());
    const QPoint p = e->position().toPoint();
    const bool click = b == mbLeft && FClicked && rect().contains(p);
    if (b == mbLeft) FClicked = false;
    const TShiftState shift = ShiftStateOf(e->modifiers(), e->buttons());
    AfterCurrentEvent(this, [this, click, b, shift, p] {
        if (click) Click();
        MouseUp(b, shift, p.x(), p.y());
    });
}

void TControl::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseDoubleClick(ToButton(e->button()), ShiftStateOf(e->modifiers(), e->buttons() | e->button()), p.x(), p.y());
}

void TControl::wheelEvent(QWheelEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseWheel(ShiftStateOf(e->modifiers(), e->buttons()), e->angleDelta().y(), {p.x(), p.y()});
    e->ignore();
}

void TControl::enterEvent(QEnterEvent*) { MouseEnter(); }
void TControl::leaveEvent(QEvent*) { MouseLeave(); }

void TControl::resizeEvent(QResizeEvent*) { Resize(); }

void TControl::changeEvent(QEvent* e) { QWidget::changeEvent(e); }

// --- TWinControl ------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) { setFocusPolicy(Qt::NoFocus); }

TWinControl::~TWinControl() {
    // Free the child controls while this control is still whole; they may
    // look at their parent on the way out.
    FAlignLock = 1 << 20;
    for (TControl* c : ControlList()) delete c;
}

std::vector<TControl*> TWinControl::ControlList() const {
    std::vector<TControl*> list;
    for (QObject* o : children())
        if (auto* c = dynamic_cast<TControl*>(o); c && c->FParent == this) list.push_back(c);
    return list;
}

int TWinControl::ControlCount() const { return int(ControlList().size()); }

TControl* TWinControl::Controls(int index) const { return ControlList().at(std::size_t(index)); }

void TWinControl::SetTabStop(bool v) {
    FTabStop = v;
    if (FocusWidget() == this) setFocusPolicy(v ? Qt::StrongFocus : Qt::NoFocus);
}

bool TWinControl::Focused() const {
    QWidget* f = QApplication::focusWidget();
    return f != nullptr && f == const_cast<TWinControl*>(this)->FocusWidget();
}

bool TWinControl::CanFocus() const { return VisibleChain() && EnabledChain(); }

void TWinControl::SetFocus() {
    if (!CanFocus())
        throw EInvalidOperation(QStringLiteral("Impossible de focaliser une fenêtre désactivée ou invisible"));
    if (TForm* form = ParentForm(); form && !form->isActiveWindow()) form->activateWindow();
    FocusWidget()->setFocus(Qt::OtherFocusReason);
}

std::intptr_t TWinControl::Perform(unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam) {
    switch (Msg) {
    case WM_KEYDOWN: {
        TKey key = TKey(WParam);
        KeyDown(key, CurrentShiftState());
        return 0;
    }
    case WM_KEYUP: {
        TKey key = TKey(WParam);
        KeyUp(key, CurrentShiftState());
        return 0;
    }
    case WM_CHAR: {
        QChar c{char16_t(WParam)};
        KeyPress(c);
        return 0;
    }
    case WM_HSCROLL: HScroll(unsigned(WParam & 0xFFFF), int(std::int16_t(WParam >> 16))); return 0;
    case WM_VSCROLL: VScroll(unsigned(WParam & 0xFFFF), int(std::int16_t(WParam >> 16))); return 0;
    default: Q_UNUSED(LParam); return 0;
    }
}

void TWinControl::HScroll(unsigned, int) {}
void TWinControl::VScroll(unsigned, int) {}

void TWinControl::KeyDown(TKey& Key, TShiftState Shift) {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(TKey& Key, TShiftState Shift) {
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(QChar& Key) {
    if (OnKeyPress) OnKeyPress(this, Key);
}

bool TWinControl::DialogKey(TKey, TShiftState) { return false; }
bool TWinControl::DialogChar(QChar, TShiftState) { return false; }

bool TWinControl::OfferDialogKey(TKey Key, TShiftState Shift) {
    if (DialogKey(Key, Shift)) return true;
    for (TControl* c : ControlList())
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->OfferDialogKey(Key, Shift)) return true;
    return false;
}

bool TWinControl::OfferDialogChar(QChar Key, TShiftState Shift) {
    if (DialogChar(Key, Shift)) return true;
    for (TControl* c : ControlList())
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->OfferDialogChar(Key, Shift)) return true;
    return false;
}

void TWinControl::keyPressEvent(QKeyEvent* e) {
    e->accept();
    // Keys that an inner widget did not take arrive here as well; they were
    // already seen by this control's handlers.
    if (QApplication::focusWidget() != this) return;
    TKey key = VirtualKeyOf(*e);
    const TShiftState shift = ShiftStateOf(e->modifiers());
    if (key != 0) {
        KeyDown(key, shift);
        if (key == 0) return;
    }
    if (e->text().size() == 1) {
        QChar c = e->text()[0];
        KeyPress(c);
    }
}

void TWinControl::keyReleaseEvent(QKeyEvent* e) {
    e->accept();
    if (QApplication::focusWidget() != this) return;
    TKey key = VirtualKeyOf(*e);
    if (key != 0) KeyUp(key, ShiftStateOf(e->modifiers()));
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    DoEnter();
}

void TWinControl::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    DoExit();
}

void TWinControl::resizeEvent(QResizeEvent* e) {
    Realign();
    TControl::resizeEvent(e);
}

void TWinControl::childEvent(QChildEvent* e) {
    QWidget::childEvent(e);
    if (e->removed() && !Destroying()) Realign();
}

void TWinControl::EnableAlign() {
    if (FAlignLock > 0 && --FAlignLock == 0 && FAlignPending) Realign();
}

void TWinControl::Realign() {
    if (FAlignLock > 0 || FAligning) {
        FAlignPending = true;
        return;
    }
    FAligning = true;
    FAlignPending = false;
    TRect r = ClientRect();
    AlignControls(r);
    FAligning = false;
}

void TWinControl::AlignControls(TRect& Rect) {
    const std::vector<TControl*> all = ControlList();
    const auto place = [](TControl* c, int l, int t, int w, int h) { c->ApplyGeometry(l, t, w, h); };
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<TControl*> list;
        for (TControl* c : all)
            if (c->FVisible && c->FAlign == align) list.push_back(c);
        // Controls of one alignment stack in the order of their positions.
        std::stable_sort(list.begin(), list.end(), [align](TControl* a, TControl* b) {
            switch (align) {
            case alTop: return a->Top() < b->Top();
            case alBottom: return a->Top() + a->Height() > b->Top() + b->Height();
            case alLeft: return a->Left() < b->Left();
            case alRight: return a->Left() + a->Width() > b->Left() + b->Width();
            default: return false;
            }
        });
        for (TControl* c : list) {
            const bool m = c->FAlignWithMargins;
            const int ml = m ? c->FMargins.Left() : 0, mt = m ? c->FMargins.Top() : 0;
            const int mr = m ? c->FMargins.Right() : 0, mb = m ? c->FMargins.Bottom() : 0;
            switch (align) {
            case alTop:
                place(c, Rect.Left + ml, Rect.Top + mt, Rect.Width() - ml - mr, c->Height());
                Rect.Top += c->Height() + mt + mb;
                break;
            case alBottom:
                place(c, Rect.Left + ml, Rect.Bottom - mb - c->Height(), Rect.Width() - ml - mr, c->Height());
                Rect.Bottom -= c->Height() + mt + mb;
                break;
            case alLeft:
                place(c, Rect.Left + ml, Rect.Top + mt, c->Width(), Rect.Height() - mt - mb);
                Rect.Left += c->Width() + ml + mr;
                break;
            case alRight:
                place(c, Rect.Right - mr - c->Width(), Rect.Top + mt, c->Width(), Rect.Height() - mt - mb);
                Rect.Right -= c->Width() + ml + mr;
                break;
            case alClient:
                place(c, Rect.Left + ml, Rect.Top + mt, Rect.Width() - ml - mr, Rect.Height() - mt - mb);
                break;
            default: break;
            }
        }
    }
}

} // namespace tallivo
