#pragma once
// Helpers of the GUI tests: showing forms, clicking and typing like a user,
// driving modal dialogs, recording message boxes, reading pixels.

#include "base/Colors.h"
#include "toolkit/Forms.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <functional>
#include <ostream>
#include <vector>

class QWidget;

namespace tallivo {
// Readable values in test failures.
inline void PrintTo(const TRect& r, std::ostream* os) {
    *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
inline void PrintTo(const TPoint& p, std::ostream* os) { *os << "(" << p.X << ", " << p.Y << ")"; }
} // namespace tallivo

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace tallivo::test {

// Lets Qt handle pending events (for at least ms milliseconds).
void ProcessEvents(int ms = 0);
// Lets clicks (run after their release) and the keys they inject (posted)
// reach their targets.
void Settle();
// Runs the deletions that Release asked for (no event loop of the test runs
// them otherwise).
void RunDeferredDeletes();
// Shows a form and waits until it is the active window.
void ShowAndActivate(TForm* form);

// Pointer input through the window system (enter, leave and the implicit
// grab behave as with a real mouse). pos is in w's coordinates; the default
// is w's centre.
void Press(QWidget* w, QPoint pos = {-1, -1}, Qt::KeyboardModifiers mods = {});
void Release(QWidget* w, QPoint pos = {-1, -1}, Qt::KeyboardModifiers mods = {});
void MoveTo(QWidget* w, QPoint pos = {-1, -1});
void Click(QWidget* w, QPoint pos = {-1, -1}, Qt::KeyboardModifiers mods = {});
void DoubleClick(QWidget* w, QPoint pos = {-1, -1});

// Keyboard input to the focused widget, through the application's routing.
void PressKey(int qtKey, Qt::KeyboardModifiers mods = {}, const QString& text = {});
// Types each character of text (non-ASCII included) as a key press with text.
void TypeText(const QString& text);

QImage Grab(QWidget* w);
// The colour of a pixel as a plain colour value (0x00BBGGRR).
TColor PixelAt(const QImage& image, int x, int y);

// Runs action on the first modal form that becomes active; fails the test
// if none appears within timeoutMs.
void WhenModal(std::function<void(TForm* dialog)> action, int timeoutMs = 5000);

// While alive: closes any modal form still open after timeoutMs (with
// mrCancel) and fails the test, so that a broken test fails instead of hanging.
class ModalWatchdog {
public:
    explicit ModalWatchdog(int timeoutMs = 10000);
    ~ModalWatchdog();
    ModalWatchdog(const ModalWatchdog&) = delete;
    ModalWatchdog& operator=(const ModalWatchdog&) = delete;

private:
    class QTimer* FTimer;
};

// While alive: records every application message box and answers it.
class MessageBoxRecorder {
public:
    struct Box {
        QString Text;
        QString Caption;
        unsigned Flags;
    };
    explicit MessageBoxRecorder(int answer = IDOK);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    const std::vector<Box>& Boxes() const { return FBoxes; }
    void SetAnswer(int answer) { FAnswer = answer; }

private:
    std::vector<Box> FBoxes;
    int FAnswer;
    std::function<int(const QString&, const QString&, unsigned)> FPrevious;
};

} // namespace tallivo::test
