#pragma once
// A virtual X display (Xvfb) for tests that start the workstation as a real
// program, and xdotool to find its windows and drive the pointer and keys.

#include <QFile>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QThread>
#include <unistd.h>

namespace tallivo::test {

class RealDisplay {
public:
    // Xvfb picks a free display number itself and writes it on its standard
    // output (-displayfd), so parallel tests never race for one.
    bool Start() {
        FServer.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        if (!FServer.waitForStarted(5000)) return false;
        QByteArray number;
        for (int i = 0; i < 200 && !number.endsWith('\n'); ++i) {
            if (!FServer.waitForReadyRead(50) && FServer.state() != QProcess::Running) return false;
            number += FServer.readAllStandardOutput();
        }
        number = number.trimmed();
        if (number.isEmpty()) return false;
        FDisplay = ":" + QString::fromLatin1(number);
        return true;
    }
    ~RealDisplay() {
        FServer.kill();
        FServer.waitForFinished(3000);
    }
    QProcessEnvironment Env() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", FDisplay);
        env.remove("QT_QPA_PLATFORM");
        env.remove("WAYLAND_DISPLAY");
        return env;
    }
    // Runs xdotool with args; its standard output.
    QString Tool(const QStringList& args, int timeoutMs = 10000) const {
        QProcess p;
        p.setProcessEnvironment(Env());
        p.start("xdotool", args);
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    // The id and top-left corner of the visible window whose title matches.
    bool FindWindow(const QString& title, QString& id, QPoint& origin) const {
        for (int attempt = 0; attempt < 100; ++attempt) {
            id = Tool({"search", "--onlyvisible", "--name", "^" + title + "$"}).section(u'\n', 0, 0);
            if (!id.isEmpty()) {
                const QString geometry = Tool({"getwindowgeometry", "--shell", id});
                int x = -1, y = -1;
                for (const QString& line : geometry.split(u'\n')) {
                    if (line.startsWith("X=")) x = line.mid(2).toInt();
                    if (line.startsWith("Y=")) y = line.mid(2).toInt();
                }
                if (x >= 0 && y >= 0) {
                    origin = QPoint(x, y);
                    return true;
                }
            }
            QThread::msleep(100);
        }
        return false;
    }
    void Tap(QPoint p) const {
        Tool({"mousemove", QString::number(p.x()), QString::number(p.y())});
        QThread::msleep(80);
        Tool({"click", "1"});
        QThread::msleep(250);
    }
    // Presses the left button at from, moves to to in steps, releases it.
    void Drag(QPoint from, QPoint to, int steps = 8) const {
        Tool({"mousemove", QString::number(from.x()), QString::number(from.y())});
        QThread::msleep(80);
        Tool({"mousedown", "1"});
        QThread::msleep(80);
        for (int i = 1; i <= steps; ++i) {
            const QPoint p = from + (to - from) * i / steps;
            Tool({"mousemove", QString::number(p.x()), QString::number(p.y())});
            QThread::msleep(30);
        }
        Tool({"mouseup", "1"});
        QThread::msleep(250);
    }
    // A PNG of a window as the display shows it; false when it cannot be taken.
    bool Shot(const QString& windowId, const QString& path) const {
        QProcess p;
        p.setProcessEnvironment(Env());
        p.start("import", {"-window", windowId, path});
        return p.waitForFinished(20000) && p.exitCode() == 0 && QFile::exists(path);
    }

private:
    QString FDisplay;
    QProcess FServer;
};

} // namespace tallivo::test
