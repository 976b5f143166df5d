// The workstation in a real X window (a virtual display), driven by
// xdotool as a barcode scanner and a finger would drive it.
#include "RealDisplay.h"
#include "Workstation.h"

#include <QStandardPaths>

using namespace tallivo;
using namespace tallivo::test;

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
