#pragma once
// Helpers of the package tests: desktop entries, and the workstation
// started as a user starts it, on a virtual X screen of a chosen size.

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

namespace tallivo::test {

// The Exec= values of a desktop entry, in file order (actions included).
QStringList DesktopExecLines(const QString& path);

// An Xvfb screen on a free display number, ended with the object.
class TVirtualScreen {
public:
    TVirtualScreen() = default;
    TVirtualScreen(const TVirtualScreen&) = delete;
    TVirtualScreen& operator=(const TVirtualScreen&) = delete;
    ~TVirtualScreen();
    // False when Xvfb could not start.
    bool Start(int width, int height);
    // The environment of a program shown on this screen (no other display).
    QProcessEnvironment Env() const;
    // Runs an X client (xdotool, xprop) on this screen; its standard output.
    QString Run(const QString& program, const QStringList& args) const;
    QString XDoTool(const QStringList& args) const { return Run("xdotool", args); }
    // Waits for a visible window whose whole title matches the regular
    // expression (bytes of UTF-8): its id (empty when none came) and geometry.
    QString WaitForWindow(const QString& title, QRect& geometry) const;
    // The whole screen (ImageMagick's import), also saved to png.
    QImage Grab(const QString& png) const;

private:
    QString FDisplay;
    QProcess FServer;
};

} // namespace tallivo::test
