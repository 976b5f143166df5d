#include "RealDisplay.h"

#include "toolkit/Forms.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

namespace tallivo::test {

// ---------------------------------------------------------------- the display

RealDisplay::~RealDisplay() {
    FServer.kill();
    FServer.waitForFinished(3000);
}

bool RealDisplay::Start(int width, int height) {
    // Xvfb writes the number it chose on the given file descriptor (here
    // its standard output) once it accepts clients. Without -noreset the
    // server resets each time its last client leaves: every xdotool run
    // while the workstation is still starting, and a program connecting
    // during a reset is turned away ("could not connect to display").
    FServer.start("Xvfb", {"-displayfd", "1", "-screen", "0", QString("%1x%2x24").arg(width).arg(height),
                           "-nolisten", "tcp", "-noreset"});
    if (!FServer.waitForStarted(5000)) return false;
    QByteArray out;
    while (!out.contains('\n')) {
        if (!FServer.waitForReadyRead(30000)) return false;
        out += FServer.readAllStandardOutput();
    }
    bool ok = false;
    const int n = out.trimmed().toInt(&ok);
    if (!ok) return false;
    FDisplay = QString(":%1").arg(n);
    return true;
}

QProcessEnvironment RealDisplay::Env() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", FDisplay);
    env.remove("QT_QPA_PLATFORM");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_SCALE_FACTOR");
    return env;
}

QString RealDisplay::Run(const QString& program, const QStringList& args, int timeoutMs) const {
    QProcess p;
    p.setProcessEnvironment(Env());
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString RealDisplay::WaitForWindow(const QString& title, QRect& geometry, int timeoutMs) const {
    QElapsedTimer clock;
    clock.start();
    do {
        const QString id =
            Tool({"search", "--onlyvisible", "--name", "^" + title + "$"}).section(u'\n', 0, 0);
        if (!id.isEmpty()) {
            int x = -1, y = -1, w = -1, h = -1;
            for (const QString& line : Tool({"getwindowgeometry", "--shell", id}).split(u'\n')) {
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
    } while (clock.elapsed() < timeoutMs);
    return {};
}

bool RealDisplay::FindWindow(const QString& title, QString& id, QPoint& origin) const {
    QRect geometry;
    id = WaitForWindow(title, geometry);
    origin = geometry.topLeft();
    return !id.isEmpty();
}

QSize RealDisplay::WindowSize(const QString& id) const {
    const QString shell = Tool({"getwindowgeometry", "--shell", id});
    return QSize(shell.section("WIDTH=", 1).section('\n', 0, 0).toInt(),
                 shell.section("HEIGHT=", 1).section('\n', 0, 0).toInt());
}

bool RealDisplay::WindowShown(const QString& title) const {
    return !Tool({"search", "--onlyvisible", "--name", "^" + title + "$"}).isEmpty();
}

void RealDisplay::Tap(QPoint p) const {
    Tool({"mousemove", QString::number(p.x()), QString::number(p.y())});
    QThread::msleep(80);
    Tool({"click", "1"});
    QThread::msleep(250);
}

void RealDisplay::Drag(QPoint from, QPoint to, int steps, int stepMs) const {
    const QString pause = QString::number(stepMs / 1000.0, 'f', 3);
    QStringList args{
        "mousemove", QString::number(from.x()), QString::number(from.y()), "sleep", "0.08", "mousedown", "1"};
    for (int i = 1; i <= steps; ++i) {
        const QPoint p = from + (to - from) * i / steps;
        args << "sleep" << pause << "mousemove" << QString::number(p.x()) << QString::number(p.y());
    }
    args << "mouseup"
         << "1";
    Tool(args);
    QThread::msleep(250);
}

bool RealDisplay::Shot(const QString& windowId, const QString& path) const {
    QProcess p;
    p.setProcessEnvironment(Env());
    p.start("import", {"-window", windowId, path});
    return p.waitForFinished(20000) && p.exitCode() == 0 && QFile::exists(path);
}

QImage RealDisplay::Screenshot() const {
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

// ---------------------------------------------------------------- helpers

QString MissingProgram(std::initializer_list<const char*> programs) {
    for (const char* program : programs)
        if (QStandardPaths::findExecutable(program).isEmpty()) return QString::fromLatin1(program);
    return {};
}

QPoint KeypadTile(char key) {
    // "Ok" (121 x 63) is at 402,172 of the keypad; the digits (84 x 69) are
    // in a panel at 25,86, at these places in it.
    if (key == 'K') return {402 + 60, 172 + 31};
    if (key == 'C') return {402 + 60, 92 + 31};
    static const QPoint digits[] = {{4, 228}, {4, 153},  {94, 153}, {184, 154}, {4, 78},
                                    {94, 79}, {184, 79}, {4, 3},    {94, 4},    {184, 4}};
    return QPoint(25 + 42, 86 + 34) + digits[key - '0'];
}

QPoint CentreInForm(TForm& form, QWidget* control, QSize client) {
    form.SetWindowState(wsNormal);
    form.SetClientSize(client.width(), client.height());
    return control->mapTo(&form, control->rect().center());
}

QByteArray WaitForFileWith(const QString& path, const QByteArray& text, int timeoutMs) {
    QByteArray content;
    QElapsedTimer clock;
    clock.start();
    while (!content.contains(text) && clock.elapsed() < timeoutMs) {
        QThread::msleep(100);
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) content = f.readAll();
    }
    return content;
}

// ---------------------------------------------------------------- the workstation

RealWorkstation::RealWorkstation(const RealDisplay& display, const QString& dir, const QStringList& more)
    : FDisplay(display) {
    QProcessEnvironment env = display.Env();
    env.insert("XDG_RUNTIME_DIR", FRuntime.path());
    for (const QString& variable : more) env.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    FApp.setProcessEnvironment(env);
    FApp.setWorkingDirectory(dir);
    // To a file, not a pipe: a pipe nobody reads while the test waits
    // could fill and stop the program.
    FApp.setStandardOutputFile(FRuntime.filePath("output.txt"));
    FApp.setStandardErrorFile(FRuntime.filePath("output.txt"), QIODevice::Append);
    FApp.start(QStringLiteral(TALLIVO_BINARY), {});
}

RealWorkstation::~RealWorkstation() {
    Kill();
}

void RealWorkstation::Kill() {
    if (FApp.state() == QProcess::NotRunning) return;
    FApp.kill();
    FApp.waitForFinished(5000);
}

int RealWorkstation::Terminate() {
    FApp.terminate();
    if (!FApp.waitForFinished(15000) || FApp.exitStatus() != QProcess::NormalExit) return -1;
    return FApp.exitCode();
}

bool RealWorkstation::Shown() {
    QRect geometry;
    if (!FApp.waitForStarted(5000)) return false;
    Id = FDisplay.WaitForWindow("Tallivo-6", geometry);
    if (Id.isEmpty()) return false;
    At = geometry.topLeft();
    Size = geometry.size();
    QThread::msleep(700);
    return true;
}

std::string RealWorkstation::Why() {
    // QProcess learns of the end only when asked.
    std::string why = "the workstation still runs";
    if (FApp.state() == QProcess::NotRunning || FApp.waitForFinished(200))
        why = FApp.exitStatus() == QProcess::CrashExit ? "the workstation crashed"
                                                       : "the workstation ended with exit code " +
                                                             std::to_string(FApp.exitCode());
    QFile output(FRuntime.filePath("output.txt"));
    if (output.open(QIODevice::ReadOnly))
        if (const QByteArray printed = output.readAll().right(2000); !printed.isEmpty())
            why += "; it printed:\n" + printed.toStdString();
    return why;
}

std::string RealWorkstation::Quit() {
    // The "Quitter" tile at the right of the header, then "Oui".
    const int width = FDisplay.WindowSize(Id).width();
    FDisplay.Tap(At + QPoint(width - 292 + 138 + 70, 15 + 21));
    QString messageId;
    QPoint messageAt;
    if (!FDisplay.FindWindow("Information", messageId, messageAt)) return "the quit question did not appear";
    QThread::msleep(300);
    FDisplay.Tap(messageAt + QPoint(230 + 53, 172 + 24));
    if (!FApp.waitForFinished(10000)) return "the workstation did not end";
    if (FApp.exitStatus() != QProcess::NormalExit || FApp.exitCode() != 0)
        return "the workstation ended with exit code " + std::to_string(FApp.exitCode());
    return {};
}

// ---------------------------------------------------------------- the fixture

void RealWindow::SetUp() {
    if (const QString missing = MissingProgram({"Xvfb", "xdotool"}); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString() << " is needed";
    ASSERT_TRUE(FDir.isValid());
    ASSERT_TRUE(FDisplay.Start()) << "no virtual display";
}

} // namespace tallivo::test
