#include "tests/package/PackageTestUtil.h"

#include <QFile>
#include <QThread>

namespace tallivo::test {

QStringList DesktopExecLines(const QString& path) {
    QFile f(path);
    QStringList lines;
    if (!f.open(QIODevice::ReadOnly)) return lines;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("Exec=")) lines << QString::fromUtf8(line.mid(5)).trimmed();
    return lines;
}

TVirtualScreen::~TVirtualScreen() {
    FServer.kill();
    FServer.waitForFinished(3000);
}

bool TVirtualScreen::Start(int width, int height) {
    // Xvfb picks a free display number itself and writes it on the given
    // file descriptor (here its standard output) once it accepts clients:
    // screens started side by side never share a number.
    FServer.start("Xvfb", {"-displayfd", "1", "-screen", "0", QString("%1x%2x24").arg(width).arg(height),
                           "-nolisten", "tcp"});
    if (!FServer.waitForStarted(5000)) return false;
    QByteArray number;
    while (!number.endsWith('\n') && FServer.waitForReadyRead(30000))
        number += FServer.readAllStandardOutput();
    if (number.trimmed().isEmpty()) return false;
    FDisplay = ":" + QString::fromLatin1(number.trimmed());
    return true;
}

QProcessEnvironment TVirtualScreen::Env() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", FDisplay);
    env.remove("QT_QPA_PLATFORM");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_SCALE_FACTOR");
    return env;
}

QString TVirtualScreen::Run(const QString& program, const QStringList& args) const {
    QProcess p;
    p.setProcessEnvironment(Env());
    p.start(program, args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString TVirtualScreen::WaitForWindow(const QString& title, QRect& geometry) const {
    for (int attempt = 0; attempt < 300; ++attempt) { // 30 s: the machine may be loaded
        const QString id =
            XDoTool({"search", "--onlyvisible", "--name", "^" + title + "$"}).section(u'\n', 0, 0);
        if (!id.isEmpty()) {
            int x = -1, y = -1, w = -1, h = -1;
            for (const QString& line : XDoTool({"getwindowgeometry", "--shell", id}).split(u'\n')) {
                const int value = line.section(u'=', 1).toInt();
                if (line.startsWith("X=")) x = value;
                if (line.startsWith("Y=")) y = value;
                if (line.startsWith("WIDTH=")) w = value;
                if (line.startsWith("HEIGHT=")) h = value;
            }
            if (x >= 0 && y >= 0 && w > 0 && h > 0) {
                geometry = QRect(x, y, w, h);
                return id;
            }
        }
        QThread::msleep(100);
    }
    return {};
}

QImage TVirtualScreen::Grab(const QString& png) const {
    QProcess p;
    p.setProcessEnvironment(Env());
    p.start("import", {"-window", "root", png});
    if (!p.waitForFinished(20000) || p.exitCode() != 0) return QImage();
    return QImage(png);
}

} // namespace tallivo::test
