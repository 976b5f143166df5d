#define QTEST_QPA_MOUSE_HANDLING
#include "GuiTestHelpers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace tallivo::test {

namespace {
QPoint Where(QWidget* w, QPoint pos) { return pos == QPoint(-1, -1) ? w->rect().center() : pos; }
} // namespace

void ProcessEvents(int ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (ms <= 0) return;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void Settle() {
    for (int i = 0; i < 4; ++i) ProcessEvents();
}

void RunDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

void ShowAndActivate(TForm* form) {
    form->Show();
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form, 2000)) ADD_FAILURE() << "form did not become active";
    ProcessEvents();
}

void Press(QWidget* w, QPoint pos, Qt::KeyboardModifiers mods) {
    QTest::mousePress(w, Qt::LeftButton, mods, Where(w, pos));
}

void Release(QWidget* w, QPoint pos, Qt::KeyboardModifiers mods) {
    QTest::mouseRelease(w, Qt::LeftButton, mods, Where(w, pos));
}

void MoveTo(QWidget* w, QPoint pos) {
    QTest::mouseMove(w, Where(w, pos));
    ProcessEvents();
}

void Click(QWidget* w, QPoint pos, Qt::KeyboardModifiers mods) {
    QTest::mouseClick(w, Qt::LeftButton, mods, Where(w, pos));
}

void DoubleClick(QWidget* w, QPoint pos) { QTest::mouseDClick(w, Qt::LeftButton, {}, Where(w, pos)); }

void PressKey(int qtKey, Qt::KeyboardModifiers mods, const QString& text) {
    QWidget* target = QApplication::focusWidget();
    if (!target) target = QApplication::activeWindow();
    if (!target) {
        ADD_FAILURE() << "no widget to receive the key";
        return;
    }
    QKeyEvent press(QEvent::KeyPress, qtKey, mods, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, mods, text);
    if (QWidget* now = QApplication::focusWidget()) QApplication::sendEvent(now, &release);
    // Then let go of the modifiers: Qt keeps the modifiers of the last key
    // press as the keyboard state, which later messages read; a plain press
    // of no particular key resets it.
    if (mods & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) {
        QWidget* now = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        QKeyEvent plain(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier);
        QKeyEvent plainUp(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier);
        if (now) {
            QApplication::sendEvent(now, &plain);
            QApplication::sendEvent(now, &plainUp);
        }
    }
    ProcessEvents();
}

void TypeText(const QString& text) {
    for (QChar c : text) {
        int key = 0;
        if (c.isLetter() && c.unicode() < 128) key = Qt::Key_A + (c.toUpper().unicode() - u'A');
        else if (c.isDigit()) key = Qt::Key_0 + (c.unicode() - u'0');
        else if (c == u' ') key = Qt::Key_Space;
        PressKey(key, c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier, QString(c));
    }
}

QImage Grab(QWidget* w) {
    ProcessEvents();
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TColor PixelAt(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return RGBColor(qRed(p), qGreen(p), qBlue(p));
}

void WhenModal(std::function<void(TForm*)> action, int timeoutMs) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, action = std::move(action), timeoutMs] {
        auto* form = dynamic_cast<TForm*>(QApplication::activeModalWidget());
        if (form && form->Modal() && form->isActiveWindow()) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            action(form);
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            ADD_FAILURE() << "no modal dialog became active";
        }
    });
    timer->start(5);
}

ModalWatchdog::ModalWatchdog(int timeoutMs) : FTimer(new QTimer) {
    FTimer->setSingleShot(true);
    QObject::connect(FTimer, &QTimer::timeout, FTimer, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = dynamic_cast<TForm*>(w); form && form->Modal()) {
                ADD_FAILURE() << "modal dialog '" << form->Caption().toStdString() << "' still open: closed";
                form->SetModalResult(mrCancel);
            }
    });
    FTimer->start(timeoutMs);
}

ModalWatchdog::~ModalWatchdog() { delete FTimer; }

MessageBoxRecorder::MessageBoxRecorder(int answer) : FAnswer(answer), FPrevious(Application->MessageBoxHook) {
    Application->MessageBoxHook = [this](const QString& text, const QString& caption, unsigned flags) {
        FBoxes.push_back({text, caption, flags});
        return FAnswer;
    };
}

MessageBoxRecorder::~MessageBoxRecorder() { Application->MessageBoxHook = FPrevious; }

} // namespace tallivo::test
