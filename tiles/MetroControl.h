#pragma once
// What the tile and the picture button share: the picture they own, the
// pointer model with its 1 ms un-hover poll, the click that writes the modal
// result into the window before OnClick, the dialog keys (Default, Cancel,
// Alt+letter) and the refusal to take the focus on a press.

#include "tiles/GDIPicture.h"
#include "toolkit/Controls.h"

#include <cstdint>
#include <memory>

namespace tallivo {

class TTimer;

enum TAdvButtonState { absUp, absDisabled, absDown, absDropDown, absExclusive };

class TMetroPushControl : public TCustomControl {
public:
    explicit TMetroPushControl(TComponent* AOwner);
    ~TMetroPushControl() override;

    // The picture (owned). Changing it repaints the control.
    TGDIPPicture& Picture() { return *FPicture; }
    const TGDIPPicture& Picture() const { return *FPicture; }
    void SetPicture(const TGraphic* source) { FPicture->Assign(source); }

    // Written into the top-level window at every click (0 included).
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int v) { FModalResult = v; }
    // Enter clicks the control while it is active. Setting Default only
    // stores the flag: it takes effect when the window is created and each
    // time the focus moves.
    bool Default() const { return FDefault; }
    void SetDefault(bool v) { FDefault = v; }
    // Escape clicks the control.
    bool Cancel() const { return FCancel; }
    void SetCancel(bool v) { FCancel = v; }
    // The sticky down look (no window sets it).
    bool Down() const { return FDown; }
    void SetDown(bool v);

    // GetVersionNr as four decimal fields; writing it changes nothing.
    QString Version() const;
    void SetVersion(const QString&) {}

    // Draws the control's content (picture and caption) into R.
    virtual void DrawContent(TCanvas& ACanvas, const TRect& R) = 0;
    virtual std::uint32_t GetVersionNr() const = 0;

    // Writes ModalResult into the top-level window, then runs OnClick.
    void Click() override;

    void FocusChanged(TWinControl* focused) override;
    // Space or Enter typed on the focused control (only with TabStop).
    void KeyPress(QChar& Key) override;

    // Run-time state, as the pointer and keyboard models keep it.
    bool MouseInControl() const { return FMouseInControl; }
    bool MouseDownInControl() const { return FMouseDownInControl; }
    bool Dragging() const { return FDragging; }
    TAdvButtonState State() const { return FState; }
    // Whether Enter clicks the control (FActive; Default until the window
    // is created).
    bool Active() const { return FWindowCreated ? FActive : FDefault; }
    bool UnHotTimerRunning() const;

    // Shows the hover (inControl) or pressed (both) look without a pointer,
    // for previews such as the screenshot gallery. The next pointer event
    // takes over again.
    void PreviewPointer(bool inControl, bool downInControl);

protected:
    // Whether control belongs to the same family (tiles for a tile, picture
    // buttons for a picture button): the focus rule of FActive.
    virtual bool SameFamily(const TWinControl* control) const = 0;
    // FState follows the enabled state (first step of every paint).
    void UpdateEnabledState();
    // The picture's decoded image for painting; a null image when it is
    // empty or undecodable. A decoding that lacks memory is reported once
    // per picture, after the paint, with "Could not allocate memory for image".
    QImage PaintImage();
    // Draws image scaled into r with smooth filtering, nothing outside r; with
    // a colour every pixel takes that colour and keeps its own alpha.
    static void DrawPicture(TCanvas& canvas, const TRect& r, const QImage& image, const TColor* colour);

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    bool DialogKey(TKey Key, TShiftState Shift) override;
    bool DialogChar(QChar Key, TShiftState Shift) override;
    void DoEnter() override;
    void DoExit() override;

    bool event(QEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

    bool FMouseInControl = false;
    bool FMouseDownInControl = false;
    bool FDragging = false;
    bool FDown = false;
    TAdvButtonState FState = absUp;
    bool FActive = false;

private:
    // The pointer entering or leaving, as the pointer model's table says.
    void PointerEntered();
    void PointerLeft();
    // Asks which control lies under the screen point and enters or leaves.
    void RecheckPointer(QPoint globalPos);
    void UnHotTick();

    std::unique_ptr<TGDIPPicture> FPicture;
    std::unique_ptr<TTimer> FUnHotTimer;
    int FModalResult = 0;
    bool FDefault = false;
    bool FCancel = false;
    bool FWindowCreated = false;
    // The last enter or leave notification given for the platform (Qt holds
    // them back while the pointer is grabbed; moves stand in for them then).
    bool FPointerInside = false;
    bool FAllocationReported = false;
};

} // namespace tallivo
