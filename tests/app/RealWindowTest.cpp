// The workstation in a real X window (a virtual display), driven by
// xdotool as a barcode scanner and a finger would drive it.
#include "RealDisplay.h"
#include "Workstation.h"

#include "dialogs/Selectarticle3.h"

#include <QFile>
#include <QProcess>
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

namespace {

// The centre of control in its form's client coordinates, as laid out in a
// form of the given client size (built here offscreen, never shown).
QPoint CentreInForm(TForm& form, QWidget* control, QSize client) {
    form.SetWindowState(wsNormal);
    form.SetClientSize(client.width(), client.height());
    return control->mapTo(&form, control->rect().center());
}

// The outer size of a window found by xdotool.
QSize WindowSize(const RealDisplay& display, const QString& id) {
    const QString shell = display.Tool({"getwindowgeometry", "--shell", id});
    return QSize(shell.section("WIDTH=", 1).section('\n', 0, 0).toInt(),
                 shell.section("HEIGHT=", 1).section('\n', 0, 0).toInt());
}

} // namespace

TEST(RealWindow, AnArticleFoundByNameIsCountedAndACancelledSearchAddsNothing) {
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
        QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "Xvfb and xdotool are needed";
    QTemporaryDir dir, runtime;
    const QString collection = QDir(dir.path()).filePath("COLLECTION.XML");
    WriteCatalogueFile(
        QDir(dir.path()).filePath("ARTICLE.XML"),
        {{"ABC", "Vis à bois 4x40", "QUINCAILLERIE", 0.35, "VB440", 0.12, "Fixations du Nord", "O"},
         {"3760123450017", "Peinture blanche", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", "O"},
         {"XYZ", "Pinceau plat", "PEINTURE", 3.5, "PP1", 1.2, "Couleurs SA", "N"}});
    RealDisplay display;
    ASSERT_TRUE(display.Start()) << "no virtual display";
    QProcess app;
    QProcessEnvironment env = display.Env();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    app.setProcessEnvironment(env);
    app.setWorkingDirectory(dir.path());
    app.start(QStringLiteral(TALLIVO_BINARY), {});
    ASSERT_TRUE(app.waitForStarted(5000));

    QString mainId, boxId, padId, messageId;
    QPoint mainAt, boxAt, padAt, messageAt;
    ASSERT_TRUE(display.FindWindow("Tallivo-6", mainId, mainAt)) << "the main window did not appear";
    QThread::msleep(500);
    // Where "Recherche" is on this screen, and "Ok" and "Annuler" in the dialog.
    const QSize mainSize = WindowSize(display, mainId);
    QPoint search, ok, cancel;
    {
        QTemporaryDir probeDir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(probeDir.path());
        TMasterform mainProbe(nullptr);
        QDir::setCurrent(previous);
        search = CentreInForm(mainProbe, mainProbe.AdvMetroTile1, mainSize);
        TSelectarticle3Box boxProbe(nullptr, nullptr);
        ok = CentreInForm(boxProbe, boxProbe.AdvMetroTile19, QSize(1049, 606));
        cancel = CentreInForm(boxProbe, boxProbe.AdvMetroTile18, QSize(1049, 606));
    }

    display.Tap(mainAt + search);
    ASSERT_TRUE(display.FindWindow("Sélection article", boxId, boxAt)) << "the selection dialog did not open";
    QThread::msleep(300);
    // Typed in lower case, searched in capitals: "PEINT" lands on the paint.
    display.Tool({"type", "--delay", "30", "peint"});
    QThread::msleep(300);
    display.Tap(boxAt + ok);
    ASSERT_TRUE(display.FindWindow("Quantité", padId, padAt)) << "the keypad did not open";
    QThread::msleep(300);
    // Tile "2" (panel at 25,86; tile at 94,153, 84x69), then "Ok" (402,172, 121x63).
    display.Tap(padAt + QPoint(25 + 94 + 42, 86 + 153 + 34));
    display.Tap(padAt + QPoint(402 + 60, 172 + 31));
    // A new line is saved at once.
    QByteArray content;
    for (int i = 0; i < 50 && !content.contains("3760123450017"); ++i) {
        QThread::msleep(100);
        QFile f(collection);
        if (f.open(QIODevice::ReadOnly)) content = f.readAll();
    }
    EXPECT_TRUE(content.contains("CODE_ART=\"3760123450017\"")) << content.toStdString();
    EXPECT_TRUE(content.contains("QTE=\"2\"")) << content.toStdString();

    // Second pass: a search cancelled adds nothing.
    display.Tap(mainAt + search);
    ASSERT_TRUE(display.FindWindow("Sélection article", boxId, boxAt))
        << "the selection dialog did not open again";
    QThread::msleep(300);
    display.Tool({"type", "--delay", "30", "vis"});
    QThread::msleep(300);
    display.Tap(boxAt + cancel);
    QThread::msleep(500);
    EXPECT_TRUE(display.Tool({"search", "--onlyvisible", "--name", "^Quantité$"}).isEmpty())
        << "a keypad opened";

    // Quit ("Quitter" at the right of the header, then "Oui"): the file
    // written on close still holds the one line.
    display.Tap(mainAt + QPoint(mainSize.width() - 292 + 138 + 70, 15 + 21));
    ASSERT_TRUE(display.FindWindow("Information", messageId, messageAt))
        << "the quit question did not appear";
    QThread::msleep(300);
    display.Tap(messageAt + QPoint(230 + 53, 172 + 24));
    ASSERT_TRUE(app.waitForFinished(10000)) << "the workstation did not end";
    QFile saved(collection);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    content = saved.readAll();
    EXPECT_EQ(content.count("CODE_ART=\""), 1) << content.toStdString();
    EXPECT_TRUE(content.contains("QTE=\"2\"")) << content.toStdString();
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
