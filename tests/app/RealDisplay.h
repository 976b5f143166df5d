#pragma once
// The real program in a real X window: a virtual display (Xvfb) with
// xdotool to drive it as a finger, a mouse or a scanner would
// (RealDisplay), the workstation started on it in a counting folder of its
// own (RealWorkstation), and the fixture of the real-window tests
// (RealWindow).

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <initializer_list>
#include <string>

class QWidget;

namespace tallivo {
class TForm;
}

namespace tallivo::test {

class RealDisplay {
public:
    RealDisplay() = default;
    RealDisplay(const RealDisplay&) = delete;
    RealDisplay& operator=(const RealDisplay&) = delete;
    ~RealDisplay();
    // Starts Xvfb with a screen of that size on a free display number (Xvfb
    // picks it, so that tests running at the same time never share one).
    bool Start(int width = 1280, int height = 800);
    // The environment of a program shown on this display (no other display,
    // no scale factor).
    QProcessEnvironment Env() const;
    // Runs an X client (xdotool, xprop, import) on this display; its
    // standard output, trimmed (empty when it did not end in time).
    QString Run(const QString& program, const QStringList& args, int timeoutMs = 10000) const;
    QString Tool(const QStringList& args, int timeoutMs = 10000) const {
        return Run("xdotool", args, timeoutMs);
    }
    // Waits for a visible window whose whole title matches the regular
    // expression: its id (empty when none came) and geometry. The default
    // wait is long: a loaded two-core machine running tests side by side
    // may take seconds to map a window, and a window that comes costs no
    // wait at all.
    QString WaitForWindow(const QString& title, QRect& geometry, int timeoutMs = 30000) const;
    // The same: the id and top-left corner; false when none came.
    bool FindWindow(const QString& title, QString& id, QPoint& origin) const;
    QSize WindowSize(const QString& id) const;
    bool WindowShown(const QString& title) const;
    // A tap: the pointer moved to p, then the left button clicked.
    void Tap(QPoint p) const;
    // A drag with the left button held: pressed at from, then steps moves
    // stepMs apart to to, then released; one xdotool run, so that the pacing
    // does not depend on starting a process per move.
    void Drag(QPoint from, QPoint to, int steps = 12, int stepMs = 10) const;
    // A PNG of a window ("root": the whole screen) as the display shows it;
    // false when it cannot be taken.
    bool Shot(const QString& windowId, const QString& path) const;
    // The whole screen as it is now (empty when it cannot be taken).
    QImage Screenshot() const;

private:
    QString FDisplay;
    QProcess FServer;
};

// The first of programs that is not installed; empty when all are.
QString MissingProgram(std::initializer_list<const char*> programs);

// The centre of a keypad tile in the keypad window: '0' to '9', 'K' for
// "Ok", 'C' for "Annuler".
QPoint KeypadTile(char key);

// The centre of control in its form's client coordinates, the form (built
// offscreen, never shown) laid out at the client size of the real window.
QPoint CentreInForm(TForm& form, QWidget* control, QSize client);

// Waits (up to timeoutMs) until the file at path holds text; what it holds.
QByteArray WaitForFileWith(const QString& path, const QByteArray& text, int timeoutMs = 15000);

// The workstation started on a display in a counting folder, with an
// XDG_RUNTIME_DIR of its own (its single-instance lock); killed with the
// object unless it has ended.
class RealWorkstation {
public:
    // env: more variables of its environment ("NAME=value").
    RealWorkstation(const RealDisplay& display, const QString& dir, const QStringList& env = {});
    RealWorkstation(const RealWorkstation&) = delete;
    RealWorkstation& operator=(const RealWorkstation&) = delete;
    ~RealWorkstation();
    // Waits for the main window and lets it settle (its files loaded, the
    // code field focused); false when it did not appear (Why() then says
    // what the program did instead).
    bool Shown();
    // Whether the program still runs, how it ended, and what it printed.
    std::string Why();
    // "Quitter", then "Oui": empty when the program then ended with exit
    // code 0, else what went wrong.
    std::string Quit();
    // Ends the program at once.
    void Kill();
    // Sends SIGTERM (a logout) and waits for the end: the exit code, -1
    // when it did not end normally in time.
    int Terminate();

    QString Id; // the main window
    QPoint At;  // its top-left corner on the screen
    QSize Size; // its outer size

private:
    const RealDisplay& FDisplay;
    QTemporaryDir FRuntime; // also holds what the program prints (output.txt)
    QProcess FApp;
};

// A display of its own and a counting folder for each test; skipped when
// Xvfb or xdotool is missing.
class RealWindow : public ::testing::Test {
protected:
    void SetUp() override;

    QTemporaryDir FDir;
    RealDisplay FDisplay;
};

} // namespace tallivo::test
