#pragma once
// Components and controls: the layer that stands in for the platform's
// windowing framework. Every control is a QWidget; positions, sizes, fonts
// and colours follow the window data of the system's forms.

#include "base/Object.h"
#include "toolkit/Canvas.h"
#include "toolkit/VirtualKeys.h"

#include <QWidget>
#include <functional>
#include <vector>

namespace tallivo {

class TCanvas;
class TWinControl;
class TForm;

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, TKey& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, QChar& Key)>;

// Ownership: a component frees the components it owns when it is destroyed,
// and leaves its owner's list when it is destroyed first.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    const QString& Name() const { return FName; }
    void SetName(const QString& name) { FName = name; }
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }

    int ComponentCount() const { return int(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(std::size_t(index)); }
    TComponent* FindComponent(const QString& name) const;
    bool Destroying() const { return FDestroying; }

protected:
    // Frees every owned component, newest first. Forms call it at the start of
    // their destructor so that their controls go while the form is whole.
    void DestroyComponents();

private:
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    QString FName;
    int FTag = 0;
    bool FDestroying = false;
};

// Space kept around a control that is aligned with margins.
class TMargins {
public:
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Right() const { return FRight; }
    int Bottom() const { return FBottom; }
    void SetLeft(int v) { Set(FLeft, v); }
    void SetTop(int v) { Set(FTop, v); }
    void SetRight(int v) { Set(FRight, v); }
    void SetBottom(int v) { Set(FBottom, v); }
    void SetBounds(int left, int top, int right, int bottom);
    std::function<void()> OnChange;

private:
    void Set(int& field, int v);
    int FLeft = 3, FTop = 3, FRight = 3, FBottom = 3;
};

class TControl : public QWidget, public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return geometry().x(); }
    int Top() const { return geometry().y(); }
    int Width() const { return geometry().width(); }
    int Height() const { return geometry().height(); }
    void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
    void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
    void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
    void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    // Moves and sizes the control without asking its parent to realign, and
    // lays out its own children when its size changed (Qt delays resize
    // events of hidden widgets, so alignment cannot wait for them).
    void ApplyGeometry(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(Left(), Top(), Width(), Height()); }
    TRect ClientRect() const { return {0, 0, ClientWidth(), ClientHeight()}; }
    virtual int ClientWidth() const { return width(); }
    virtual int ClientHeight() const { return height(); }

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign a);
    TMargins& Margins() { return FMargins; }
    const TMargins& Margins() const { return FMargins; }
    bool AlignWithMargins() const { return FAlignWithMargins; }
    void SetAlignWithMargins(bool v);

    // The control's own Visible and Enabled properties (not the effective
    // state through its parents).
    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // True when the control and every parent up to its form are Visible.
    bool VisibleChain() const;
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool v);
    bool EnabledChain() const;

    TColor Color() const { return FColor; }
    void SetColor(TColor c);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool v);
    TFont& Font() { return FFont; }
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& f) { FFont = f; }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool v);
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& text);
    const QString& Text() const { return Caption(); }
    void SetText(const QString& text) { SetCaption(text); }
    bool DoubleBuffered() const { return FDoubleBuffered; }
    // Painting always goes through Qt's off-screen backing store; the flag is
    // kept for the window data.
    void SetDoubleBuffered(bool v) { FDoubleBuffered = v; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool v) { FShowHint = v; }

    void Invalidate() { update(); }
    void Repaint() { repaint(); }
    // The canvas of the paint in progress (null outside Paint).
    TCanvas* Canvas() const { return FCanvas; }
    TForm* ParentForm() const;
    TPoint ScreenToClient(TPoint p) const;
    TPoint ClientToScreen(TPoint p) const;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;

    virtual void Click();
    virtual void DblClick();

    // Called for every control of a form when the keyboard focus moves.
    virtual void FocusChanged(TWinControl* focused);

protected:
    virtual void Paint() {}
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    // A double-click press; the default treats it as a press with ssDouble and
    // then raises DblClick.
    virtual void MouseDoubleClick(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    virtual void Resize();
    virtual void ColorChanged();
    virtual void FontChanged();
    virtual void TextChanged();
    virtual void EnabledChanged();
    virtual void VisibleChanged();
    // Press-and-release inside the control clicks it; controls with their
    // own click rules turn this off.
    void SetClickEvents(bool v) { FClickEvents = v; }
    void RequestParentAlign();
    // Whether the control draws its background itself (lets Qt skip painting
    // the parent underneath).
    void SetOpaque(bool v);

    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    friend class TWinControl;
    friend class TForm;
    void ParentColorChanged();
    void ParentFontChanged();
    void OwnFontChanged();

    TWinControl* FParent = nullptr;
    TAlign FAlign = alNone;
    TMargins FMargins;
    bool FAlignWithMargins = false;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clBtnFace;
    bool FParentColor = false;
    TFont FFont;
    bool FParentFont = true;
    bool FApplyingParentFont = false;
    QString FCaption;
    bool FDoubleBuffered = false;
    bool FShowHint = false;
    bool FClickEvents = true;
    bool FClicked = false;
    TCanvas* FCanvas = nullptr;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // Child controls in their order (creation order unless reordered).
    int ControlCount() const;
    TControl* Controls(int index) const;
    std::vector<TControl*> ControlList() const;

    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool v);
    bool Focused() const;
    virtual bool CanFocus() const;
    virtual void SetFocus();
    // The widget that actually holds the keyboard focus for this control.
    virtual QWidget* FocusWidget() { return this; }

    // Sends a window message to the control, handled like the real input:
    // WM_KEYDOWN runs the key-down handling with the current Shift state.
    virtual std::intptr_t Perform(unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam);

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    void DisableAlign() { ++FAlignLock; }
    void EnableAlign();
    void Realign();

    // Offers Enter or Escape to this control and then to its children in
    // order; true when one of them took it.
    bool OfferDialogKey(TKey Key, TShiftState Shift);
    // Offers an Alt+letter accelerator the same way.
    bool OfferDialogChar(QChar Key, TShiftState Shift);
    // Whether this control wants the key itself instead of the window's
    // dialog-key handling (a multi-line editor would want Enter).
    virtual bool WantsKey(TKey) const { return false; }

    // The key handling of the control; public so that keys can be routed to
    // it from an inner widget.
    virtual void KeyDown(TKey& Key, TShiftState Shift);
    virtual void KeyUp(TKey& Key, TShiftState Shift);
    virtual void KeyPress(QChar& Key);

protected:
    // Dialog key and accelerator of this control alone.
    virtual bool DialogKey(TKey Key, TShiftState Shift);
    virtual bool DialogChar(QChar Key, TShiftState Shift);
    virtual void AlignControls(TRect& Rect);
    virtual void DoEnter();
    virtual void DoExit();
    virtual void HScroll(unsigned Code, int Pos);
    virtual void VScroll(unsigned Code, int Pos);

    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void childEvent(QChildEvent* e) override;

private:
    bool FTabStop = false;
    int FAlignLock = 0;
    bool FAligning = false;
    bool FAlignPending = false;
};

// A windowed control that draws itself on a canvas.
class TCustomControl : public TWinControl {
public:
    using TWinControl::TWinControl;
};

// A control without children that draws itself on its parent's surface.
class TGraphicControl : public TControl {
public:
    using TControl::TControl;
};

// Shows the exception being handled in the application's default error box.
// Called only from inside a catch block.
void ShowCurrentException() noexcept;

// Runs f; an exception is shown in the application's default error box
// instead of escaping into Qt. Returns false when f failed.
template <class F>
bool GuardedCall(F&& f) noexcept {
    try {
        f();
        return true;
    } catch (...) {
        ShowCurrentException();
        return false;
    }
}

// Runs f once Qt has finished delivering the current event (dropped if
// context is destroyed first). Clicks run this way after a button release:
// a click may open a modal dialog, and the presses and releases inside that
// dialog must not be taken by Qt for the tail of the release that opened it.
void AfterCurrentEvent(QObject* context, std::function<void()> f);

} // namespace tallivo
