#pragma once
// A virtual X display (Xvfb) for tests of the workstation in a real window,
// and xdotool to drive it as a finger, a mouse or a scanner would.

#include <QFile>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QThread>

namespace tallivo::test {

class RealDisplay {
public:
    // Xvfb picks a free display number itself and tells it on its standard
    // output, so that tests running at the same time never share a display.
    bool Start() {
        FServer.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        if (!FServer.waitForStarted(5000)) return false;
        QByteArray out;
        while (!out.contains('\n')) {
            if (!FServer.waitForReadyRead(10000)) return false;
            out += FServer.readAllStandardOutput();
        }
        bool ok = false;
        const int n = out.trimmed().toInt(&ok);
        if (!ok) return false;
        FDisplay = QString(":%1").arg(n);
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
    // A drag with the left button held: pressed at from, then steps moves
    // stepMs apart to to, then released; one xdotool run, so that the pacing
    // does not depend on starting a process per move.
    void Drag(QPoint from, QPoint to, int steps = 12, int stepMs = 10) const {
        const QString pause = QString::number(stepMs / 1000.0, 'f', 3);
        QStringList args{"mousemove", QString::number(from.x()), QString::number(from.y()), "sleep", "0.08",
                         "mousedown", "1"};
        for (int i = 1; i <= steps; ++i) {
            const QPoint p = from + (to - from) * i / steps;
            args << "sleep" << pause << "mousemove" << QString::number(p.x()) << QString::number(p.y());
        }
        args << "mouseup"
             << "1";
        Tool(args);
        QThread::msleep(250);
    }
    // A PNG of a window as the display shows it; false when it cannot be taken.
    bool Shot(const QString& windowId, const QString& path) const {
        QProcess p;
        p.setProcessEnvironment(Env());
        p.start("import", {"-window", windowId, path});
        return p.waitForFinished(20000) && p.exitCode() == 0 && QFile::exists(path);
    }
    // The whole screen as it is now (empty when it cannot be taken).
    QImage Screenshot() const {
        QProcess p;
        p.setProcessEnvironment(Env());
        p.start("import", {"-window", "root", "png:-"});
        if (!p.waitForFinished(15000)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        return QImage::fromData(p.readAllStandardOutput(), "PNG").convertToFormat(QImage::Format_RGB32);
    }

private:
    QString FDisplay;
    QProcess FServer;
};

} // namespace tallivo::test
