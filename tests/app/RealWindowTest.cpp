// The workstation in a real X window (a virtual display), driven by
// xdotool as a barcode scanner and a finger would drive it.
#include "Workstation.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <unistd.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

class RealDisplay {
public:
    bool Start() {
        for (int n = 90 + int(getpid() % 100); n < 400; ++n) {
            if (QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)) || QFile::exists(QString("/tmp/.X%1-lock").arg(n)))
                continue;
            FDisplay = QString(":%1").arg(n);
            FServer.start("Xvfb", {FDisplay, "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
            if (!FServer.waitForStarted(5000)) return false;
            for (int i = 0; i < 100; ++i) {
                if (QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n))) return true;
                if (FServer.waitForFinished(50)) break;
            }
        }
        return false;
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

private:
    QString FDisplay;
    QProcess FServer;
};

} // namespace

TEST(RealWindow, AScannedCodeAndKeypadTapsReachTheCollectionFile) {
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "Xvfb and xdotool are needed";
    QTemporaryDir dir, runtime;
    WriteCatalogueFile(QDir(dir.path()).filePath("ARTICLE.XML"),
                       {{"3760123450017", "Peinture blanche", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", "O"}});
    RealDisplay display;
    ASSERT_TRUE(display.Start()) << "no virtual display";

    QProcess app;
    QProcessEnvironment env = display.Env();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    app.setProcessEnvironment(env);
    app.setWorkingDirectory(dir.path());
    app.start(QStringLiteral(TALLIVO_BINARY), {});
    ASSERT_TRUE(app.waitForStarted(5000));

    QString mainId, padId, messageId;
    QPoint mainAt, padAt, messageAt;
    ASSERT_TRUE(display.FindWindow("Tallivo-6", mainId, mainAt)) << "the main window did not appear";
    QThread::msleep(500);
    // The scanner types the code and Enter into the focused code field.
    display.Tool({"type", "--delay", "20", "3760123450017"});
    display.Tool({"key", "Return"});
    ASSERT_TRUE(display.FindWindow("Quantité", padId, padAt)) << "the keypad did not open";
    QThread::msleep(300);
    // Tile "2" (panel at 25,86; tile at 94,153, 84x69) and tile "5" (94,79), then "Ok" (402,172, 121x63).
    display.Tap(padAt + QPoint(25 + 94 + 42, 86 + 153 + 34));
    display.Tap(padAt + QPoint(25 + 94 + 42, 86 + 79 + 34));
    display.Tap(padAt + QPoint(402 + 60, 172 + 31));
    QThread::msleep(300);
    // Quit: the "Quitter" tile at the right of the header, then "Oui".
    const QString width = display.Tool({"getwindowgeometry", "--shell", mainId}).section("WIDTH=", 1).section('\n', 0, 0);
    ASSERT_FALSE(width.isEmpty());
    display.Tap(mainAt + QPoint(width.toInt() - 292 + 138 + 70, 15 + 21));
    ASSERT_TRUE(display.FindWindow("Information", messageId, messageAt)) << "the quit question did not appear";
    QThread::msleep(300);
    display.Tap(messageAt + QPoint(230 + 53, 172 + 24));
    ASSERT_TRUE(app.waitForFinished(10000)) << "the workstation did not end";
    EXPECT_EQ(app.exitCode(), 0);

    QFile saved(QDir(dir.path()).filePath("COLLECTION.XML"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray content = saved.readAll();
    EXPECT_TRUE(content.contains("CODE_ART=\"3760123450017\"")) << content.toStdString();
    EXPECT_TRUE(content.contains("QTE=\"25\"")) << content.toStdString();
}

// An operator who scans the next article while the keypad still asks for
// the quantity: the scanner's code and Enter are refused in the keypad, the
// quantity then typed by hand is taken.
TEST(RealWindow, AScanIntoTheOpenKeypadIsRefusedAndHandTypingIsNot) {
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
        QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "Xvfb and xdotool are needed";
    QTemporaryDir dir, runtime;
    WriteCatalogueFile(
        QDir(dir.path()).filePath("ARTICLE.XML"),
        {{"3760123450017", "Peinture blanche", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", "O"},
         {"3792008224652", "Rouleau", "PEINTURE", 4.5, "RL1", 2.1, "Couleurs SA", "O"}});
    RealDisplay display;
    ASSERT_TRUE(display.Start()) << "no virtual display";
    QProcess app;
    QProcessEnvironment env = display.Env();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    app.setProcessEnvironment(env);
    app.setWorkingDirectory(dir.path());
    app.start(QStringLiteral(TALLIVO_BINARY), {});
    ASSERT_TRUE(app.waitForStarted(5000));

    QString mainId, padId;
    QPoint mainAt, padAt;
    ASSERT_TRUE(display.FindWindow("Tallivo-6", mainId, mainAt)) << "the main window did not appear";
    QThread::msleep(500);
    display.Tool({"type", "--delay", "3", "3760123450017\r"});
    ASSERT_TRUE(display.FindWindow("Quantité", padId, padAt)) << "the keypad did not open";
    QThread::msleep(300);
    // The next article is scanned while the keypad is open.
    display.Tool({"type", "--delay", "3", "3792008224652\r"});
    QThread::msleep(500);
    EXPECT_FALSE(display.Tool({"search", "--onlyvisible", "--name", "^Quantité$"}).isEmpty())
        << "the scanner's Enter closed the keypad";
    // The quantity typed by hand is taken.
    display.Tool({"type", "--delay", "250", "12\r"});
    QString saved;
    for (int i = 0; i < 50 && !saved.contains("3760123450017"); ++i) {
        QThread::msleep(100);
        QFile file(QDir(dir.path()).filePath("COLLECTION.XML"));
        if (file.open(QIODevice::ReadOnly)) saved = QString::fromLatin1(file.readAll());
    }
    app.kill();
    app.waitForFinished(5000);
    TClientDataSet collection;
    collection.LoadFromFile(QDir(dir.path()).filePath("COLLECTION.XML"));
    ASSERT_EQ(collection.RecordCount(), 1);
    collection.First();
    EXPECT_EQ(collection.FieldByName("CODE_ART").AsString(), QString("3760123450017"));
    EXPECT_EQ(collection.FieldByName("QTE").AsFloat(), 12);
}
