#pragma once
// Forms (top-level windows), the modal loop, the dialog-key routing of Enter,
// Escape and accelerators, and the application object with its default
// error box.

#include "toolkit/Controls.h"

#include <QString>
#include <functional>

class QEventLoop;

namespace tallivo {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
// Controls use the first two values.
using TBorderStyle = TFormBorderStyle;
enum TFormStyle { fsNormal, fsStayOnTop };
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TBorderIcon : std::uint8_t { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = std::uint8_t;
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle v);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons v);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle v);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition v) { FPosition = v; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState v);

    void SetClientWidth(int w) { SetClientSize(w, height()); }
    void SetClientHeight(int h) { SetClientSize(width(), h); }
    void SetClientSize(int w, int h);
    // Outer size, window frame included where the platform draws one.
    int Width() const { return frameGeometry().width(); }
    int Height() const { return frameGeometry().height(); }
    // Sets the outer width (the client width is the rest).
    void SetWidth(int w);

    int ModalResult() const { return FModalResult; }
    void SetModalResult(int v);
    // Shows the form modally and runs a nested message loop until a modal
    // result is set; returns that result. Other windows are blocked meanwhile.
    virtual int ShowModal();
    bool Modal() const { return FModalLoop != nullptr; }

    void SetVisible(bool v) override;
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Asks the form to close (OnClose decides); a modal form ends with mrCancel.
    void Close();
    // Frees the form once the current event has been handled.
    void Release();
    void BringToFront();
    bool Active() const { return isActiveWindow(); }
    TWinControl* ActiveControl() const;

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    // Runs OnCreate; the form classes call it at the end of their constructor.
    void DoCreate();

    // Entry points of the application's key routing.
    bool RouteDialogKey(TKey Key, TShiftState Shift) { return OfferDialogKey(Key, Shift); }
    bool RouteDialogChar(QChar Key, TShiftState Shift) { return OfferDialogChar(Key, Shift); }
    // Tells every control of the form that the focus moved.
    void BroadcastFocusChanged(TWinControl* focused);

protected:
    void Paint() override;
    void TextChanged() override;
    virtual void DoShow();
    virtual void DoClose(TCloseAction& Action);
    virtual void Activate();
    virtual void Deactivate();

    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void ApplyWindowFlags();
    void ApplyPosition();

    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDefaultPosOnly;
    TWindowState FWindowState = wsNormal;
    int FModalResult = mrNone;
    QEventLoop* FModalLoop = nullptr;
    bool FClosing = false;
};

// Message box flags and answers, as the platform defines them.
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class TKeyRouter;

class TApplication : public TComponent {
public:
    // Needs a QApplication; sets the global Application.
    TApplication();
    ~TApplication() override;

    void Initialize() {}
    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& title) { FTitle = title; }
    bool MainFormOnTaskBar() const { return FMainFormOnTaskBar; }
    void SetMainFormOnTaskBar(bool v) { FMainFormOnTaskBar = v; }
    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* form) { FMainForm = form; }

    // Creates a form owned by the application; the first one created becomes
    // the main form.
    template <class T>
    T* CreateForm() {
        T* form = new T(this);
        if (!FMainForm) FMainForm = form;
        return form;
    }

    // Shows the main form and runs the message loop until Terminate.
    int Run();
    void ProcessMessages();
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // The default error box: caption = title, error icon, OK; a final "."
    // is added unless the text ends with "." or a character before it.
    void ShowException(const QString& message);
    static QString ErrorBoxText(const QString& message);

    // A message box owned by the application. Tests replace it through
    // MessageBoxHook to read the text and give an answer.
    int MessageBox(const QString& text, const QString& caption, unsigned flags);
    std::function<int(const QString& text, const QString& caption, unsigned flags)> MessageBoxHook;

private:
    QString FTitle;
    bool FMainFormOnTaskBar = false;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    TKeyRouter* FKeyRouter = nullptr;
};

extern TApplication* Application;

// While alive, the pointer shows the busy cursor: long work on the
// user-interface thread.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

} // namespace tallivo
