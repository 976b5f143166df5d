#include "toolkit/Forms.h"

#include "base/Exception.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace tallivo {

TApplication* Application = nullptr;

void ShowCurrentException() noexcept {
    QString message;
    try {
        throw;
    } catch (const Exception& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("Erreur inconnue");
    }
    try {
        if (Application) Application->ShowException(message);
        else qWarning("%s", qPrintable(message));
    } catch (...) {
        qWarning("%s", qPrintable(message));
    }
}

namespace {

TForm* FormOf(QWidget* w) {
    for (; w; w = w->parentWidget())
        if (auto* f = dynamic_cast<TForm*>(w)) return f;
    return nullptr;
}

TWinControl* ControlOf(QWidget* w) {
    for (; w; w = w->parentWidget())
        if (auto* c = dynamic_cast<TWinControl*>(w)) return c;
    return nullptr;
}

} // namespace

// Offers Enter, Escape and Alt+letter to the controls of the focused form
// before the focused control sees them, as dialog keys.
class TKeyRouter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* obj, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        auto* target = dynamic_cast<QWidget*>(obj);
        if (!target) return false;
        QWidget* focus = QApplication::focusWidget();
        // The same event is offered to each parent in turn; route it once.
        if (focus ? target != focus : !target->isWindow()) return false;
        TForm* form = FormOf(target);
        if (!form) return false;
        auto* key = static_cast<QKeyEvent*>(e);
        const TKey vk = VirtualKeyOf(*key);
        const TShiftState shift = ShiftStateOf(key->modifiers());
        bool handled = false;
        if (vk == VK_RETURN || vk == VK_ESCAPE) {
            if (TWinControl* focused = ControlOf(focus); focused && focused->WantsKey(vk)) return false;
            GuardedCall([&] { handled = form->RouteDialogKey(vk, shift); });
        } else if (shift.Contains(ssAlt) && !shift.Contains(ssCtrl) && vk >= '0' && vk <= 'Z') {
            GuardedCall([&] { handled = form->RouteDialogChar(QChar(vk), shift); });
        }
        return handled;
    }
};

// --- TForm -----------------------------------------------------------------

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
    FVisible = false;
    SetColor(clBtnFace);
    Font() = TFont(QStringLiteral("Tahoma"), -11, clWindowText);
    SetParentFont(false);
    SetOpaque(true);
    ApplyWindowFlags();
}

TForm::~TForm() {
    if (Application && Application->MainForm() == this) Application->SetMainForm(nullptr);
    DestroyComponents();
}

void TForm::ApplyWindowFlags() {
    Qt::WindowFlags flags = FBorderStyle == bsDialog ? Qt::Dialog : Qt::Window;
    if (FBorderStyle == bsNone) flags |= Qt::FramelessWindowHint;
    if (FBorderIcons == 0 || FBorderStyle == bsDialog) {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (FBorderIcons & biSystemMenu) flags |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
    }
    if (FFormStyle == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    const bool wasVisible = isVisible();
    setWindowFlags(flags);
    if (wasVisible) QWidget::show();
}

void TForm::SetBorderStyle(TFormBorderStyle v) {
    FBorderStyle = v;
    ApplyWindowFlags();
}

void TForm::SetBorderIcons(TBorderIcons v) {
    FBorderIcons = v;
    ApplyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle v) {
    FFormStyle = v;
    ApplyWindowFlags();
}

void TForm::SetWindowState(TWindowState v) {
    FWindowState = v;
    if (!isVisible()) return;
    if (v == wsMaximized) showMaximized();
    else if (v == wsMinimized) showMinimized();
    else showNormal();
}

void TForm::SetClientSize(int w, int h) {
    if (QSize(w, h) == size()) return;
    resize(w, h);
    Realign();
}

void TForm::SetWidth(int w) {
    // The frame is known once the platform window exists: make it before the
    // form is first shown, so that the width asked for is the outer one.
    if (!testAttribute(Qt::WA_WState_Created)) create();
    SetClientSize(std::max(0, w - (frameGeometry().width() - width())), height());
}

void TForm::Paint() {
    Canvas()->Brush.SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

void TForm::TextChanged() { setWindowTitle(Caption()); }

void TForm::DoCreate() {
    if (OnCreate) OnCreate(this);
}

void TForm::SetModalResult(int v) {
    FModalResult = v;
    if (v != mrNone && FModalLoop) FModalLoop->quit();
}

void TForm::ApplyPosition() {
    QRect ref;
    auto visibleForm = [this](TComponent* c) -> TForm* {
        auto* f = dynamic_cast<TForm*>(c);
        return f && f != this && f->isVisible() ? f : nullptr;
    };
    TForm* anchor = nullptr;
    if (FPosition == poMainFormCenter || FPosition == poOwnerFormCenter) {
        if (FPosition == poOwnerFormCenter) anchor = visibleForm(Owner());
        if (!anchor && Application) anchor = visibleForm(Application->MainForm());
        if (anchor) ref = anchor->frameGeometry();
    }
    if (FPosition == poScreenCenter || FPosition == poDesktopCenter ||
        ((FPosition == poMainFormCenter || FPosition == poOwnerFormCenter) && !anchor)) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) ref = screen->availableGeometry();
    }
    if (ref.isNull()) return;
    const QSize outer = frameGeometry().size();
    move(ref.x() + (ref.width() - outer.width()) / 2, ref.y() + (ref.height() - outer.height()) / 2);
}

void TForm::SetVisible(bool v) {
    if (v == isVisible() && v == FVisible) return;
    FVisible = v;
    if (!v) {
        QWidget::hide();
        return;
    }
    ApplyPosition();
    if (FWindowState == wsMaximized) {
        // Without a window manager nobody maximizes the window: give it the
        // screen's work area first (a window manager adjusts it anyway).
        if (QScreen* screen = QGuiApplication::primaryScreen(); screen && !isVisible())
            setGeometry(screen->availableGeometry());
        showMaximized();
    } else if (FWindowState == wsMinimized) {
        showMinimized();
    } else {
        QWidget::show();
    }
}

int TForm::ShowModal() {
    if (isVisible() || Modal())
        throw EInvalidOperation(QStringLiteral("Impossible de rendre modale une fenêtre visible"));
    QPointer<QWidget> previous = QApplication::activeWindow();
    FModalResult = mrNone;
    setWindowModality(Qt::ApplicationModal);
    SetVisible(true);
    BringToFront();
    QEventLoop loop;
    FModalLoop = &loop;
    while (FModalResult == mrNone && !(Application && Application->Terminated())) loop.exec();
    FModalLoop = nullptr;
    // Ended by the application's end: as if cancelled, so that no caller
    // takes it for an answer.
    if (FModalResult == mrNone) FModalResult = mrCancel;
    SetVisible(false);
    setWindowModality(Qt::NonModal);
    if (previous && previous->isVisible()) {
        previous->raise();
        previous->activateWindow();
    }
    return FModalResult;
}

void TForm::Close() {
    if (Modal()) {
        SetModalResult(mrCancel);
        return;
    }
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    if (!canClose) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
    } else if (action == caHide) {
        Hide();
    } else if (action == caMinimize) {
        SetWindowState(wsMinimized);
    } else {
        Release();
    }
}

void TForm::Release() { deleteLater(); }

void TForm::BringToFront() {
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) raise();
    activateWindow();
    // A window shown again after being hidden can still be the platform's
    // focus window while the application has no active window any more:
    // asking the platform again changes nothing, so activate it directly.
    if (QGuiApplication::focusWindow() == windowHandle() && QApplication::activeWindow() != this)
        QApplication::setActiveWindow(this);
}

TWinControl* TForm::ActiveControl() const {
    QWidget* f = QApplication::focusWidget();
    if (!f || FormOf(f) != this) return nullptr;
    return ControlOf(f);
}

void TForm::BroadcastFocusChanged(TWinControl* focused) {
    std::function<void(TWinControl*)> visit = [&](TWinControl* w) {
        for (TControl* c : w->ControlList()) {
            c->FocusChanged(focused);
            if (auto* cw = dynamic_cast<TWinControl*>(c)) visit(cw);
        }
    };
    visit(this);
}

void TForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TForm::DoClose(TCloseAction& Action) {
    if (OnClose) OnClose(this, Action);
}

void TForm::Activate() {
    if (OnActivate) OnActivate(this);
}

void TForm::Deactivate() {
    if (OnDeactivate) OnDeactivate(this);
}

void TForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    FVisible = true;
    // OnShow runs once the form is on screen: a dialog it opens is then
    // centred over a form the operator already sees.
    if (!e->spontaneous()) AfterCurrentEvent(this, [this] { DoShow(); });
}

void TForm::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    if (!e->spontaneous()) {
        FVisible = false;
        if (OnHide) OnHide(this);
    }
}

void TForm::closeEvent(QCloseEvent* e) {
    // Closing from the window frame goes through Close, which decides.
    e->ignore();
    if (FClosing || (Application && Application->Terminated())) return;
    FClosing = true;
    GuardedCall([this] { Close(); });
    FClosing = false;
}

void TForm::changeEvent(QEvent* e) {
    TWinControl::changeEvent(e);
    if (e->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) Activate();
        else Deactivate();
    }
}

// --- TBusyCursor -----------------------------------------------------------

TBusyCursor::TBusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
TBusyCursor::~TBusyCursor() {
    QApplication::restoreOverrideCursor();
}

// --- TApplication ----------------------------------------------------------

TApplication::TApplication() : TComponent(nullptr) {
    Application = this;
    QApplication::setQuitOnLastWindowClosed(false);
    FKeyRouter = new TKeyRouter(qApp);
    qApp->installEventFilter(FKeyRouter);
    QObject::connect(qApp, &QApplication::focusChanged, FKeyRouter, [](QWidget*, QWidget* now) {
        if (!now) return;
        TForm* form = FormOf(now);
        if (!form) return;
        GuardedCall([&] { form->BroadcastFocusChanged(ControlOf(now)); });
    });
}

TApplication::~TApplication() {
    DestroyComponents();
    if (qApp && FKeyRouter) {
        qApp->removeEventFilter(FKeyRouter);
        delete FKeyRouter;
    }
    if (Application == this) Application = nullptr;
}

int TApplication::Run() {
    if (FMainForm) FMainForm->Show();
    if (FTerminated) return 0;
    return QApplication::exec();
}

void TApplication::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TApplication::Terminate() {
    FTerminated = true;
    // exit, not quit: quit would first ask every window to close again.
    QCoreApplication::exit(0);
}

QString TApplication::ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.')) return message + u'.';
    return message;
}

void TApplication::ShowException(const QString& message) {
    MessageBox(ErrorBoxText(message), FTitle, MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const QString& text, const QString& caption, unsigned flags) {
    if (MessageBoxHook) return MessageBoxHook(text, caption, flags);
    QMessageBox box;
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct Choice {
        const char* Text;
        QMessageBox::ButtonRole Role;
        int Id;
    };
    std::vector<Choice> choices;
    switch (flags & 0xF) {
    case MB_OKCANCEL: choices = {{"OK", QMessageBox::AcceptRole, IDOK}, {"Annuler", QMessageBox::RejectRole, IDCANCEL}}; break;
    case MB_YESNO: choices = {{"Oui", QMessageBox::YesRole, IDYES}, {"Non", QMessageBox::NoRole, IDNO}}; break;
    default: choices = {{"OK", QMessageBox::AcceptRole, IDOK}}; break;
    }
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (const Choice& c : choices) buttons.emplace_back(box.addButton(QString::fromUtf8(c.Text), c.Role), c.Id);
    box.exec();
    for (const auto& [button, id] : buttons)
        if (box.clickedButton() == button) return id;
    return (flags & 0xF) == MB_OK ? IDOK : IDCANCEL;
}

} // namespace tallivo
