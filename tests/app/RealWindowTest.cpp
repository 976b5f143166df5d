// The workstation in a real X window (a virtual display), driven by
// xdotool as a barcode scanner and a finger would drive it.
#include "RealDisplay.h"
#include "Workstation.h"

#include "dialogs/Selectarticle3.h"

#include <QFile>
#include <QThread>

using namespace tallivo;
using namespace tallivo::test;

TEST_F(RealWindow, AScannedCodeAndKeypadTapsReachTheCollectionFile) {
    WriteCatalogueFile(FDir.filePath("ARTICLE.XML"), {{"3760123450017", "Peinture blanche", "PEINTURE", 24.9,
                                                       "PB25", 12.5, "Couleurs SA", "O"}});
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << "the main window did not appear: " << app.Why();
    // The scanner types the code and Enter into the focused code field.
    FDisplay.Tool({"type", "--delay", "20", "3760123450017"});
    FDisplay.Tool({"key", "Return"});
    QString padId;
    QPoint padAt;
    ASSERT_TRUE(FDisplay.FindWindow("Quantité", padId, padAt)) << "the keypad did not open";
    QThread::msleep(300);
    for (const char key : {'2', '5', 'K'}) FDisplay.Tap(padAt + KeypadTile(key));
    QThread::msleep(300);
    ASSERT_EQ(app.Quit(), "");

    QFile saved(FDir.filePath("COLLECTION.XML"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray content = saved.readAll();
    EXPECT_TRUE(content.contains("CODE_ART=\"3760123450017\"")) << content.toStdString();
    EXPECT_TRUE(content.contains("QTE=\"25\"")) << content.toStdString();
}

TEST_F(RealWindow, AnArticleFoundByNameIsCountedAndACancelledSearchAddsNothing) {
    const QString collection = FDir.filePath("COLLECTION.XML");
    WriteCatalogueFile(
        FDir.filePath("ARTICLE.XML"),
        {{"ABC", "Vis à bois 4x40", "QUINCAILLERIE", 0.35, "VB440", 0.12, "Fixations du Nord", "O"},
         {"3760123450017", "Peinture blanche", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", "O"},
         {"XYZ", "Pinceau plat", "PEINTURE", 3.5, "PP1", 1.2, "Couleurs SA", "N"}});
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << "the main window did not appear: " << app.Why();

    QString boxId, padId;
    QPoint boxAt, padAt;
    // Where "Recherche" is on this screen, and "Ok" and "Annuler" in the
    // dialog at the size it takes on it.
    QPoint search, ok, cancel;
    {
        QTemporaryDir probeDir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(probeDir.path());
        TMasterform mainProbe(nullptr);
        QDir::setCurrent(previous);
        search = CentreInForm(mainProbe, mainProbe.AdvMetroTile1, app.Size);
    }

    FDisplay.Tap(app.At + search);
    QRect box;
    boxId = FDisplay.WaitForWindow("Sélection article", box);
    ASSERT_FALSE(boxId.isEmpty()) << "the selection dialog did not open";
    boxAt = box.topLeft();
    {
        TSelectarticle3Box boxProbe(nullptr, nullptr);
        boxProbe.FitHeight(box.height());
        ok = CentreInForm(boxProbe, boxProbe.AdvMetroTile19, box.size());
        cancel = CentreInForm(boxProbe, boxProbe.AdvMetroTile18, box.size());
    }
    QThread::msleep(300);
    // Typed in lower case, searched in capitals: "PEINT" lands on the paint.
    FDisplay.Tool({"type", "--delay", "30", "peint"});
    QThread::msleep(300);
    FDisplay.Tap(boxAt + ok);
    ASSERT_TRUE(FDisplay.FindWindow("Quantité", padId, padAt)) << "the keypad did not open";
    QThread::msleep(300);
    FDisplay.Tap(padAt + KeypadTile('2'));
    FDisplay.Tap(padAt + KeypadTile('K'));
    // A new line is saved at once.
    QByteArray content = WaitForFileWith(collection, "3760123450017");
    EXPECT_TRUE(content.contains("CODE_ART=\"3760123450017\"")) << content.toStdString();
    EXPECT_TRUE(content.contains("QTE=\"2\"")) << content.toStdString();

    // Second pass: a search cancelled adds nothing.
    FDisplay.Tap(app.At + search);
    ASSERT_TRUE(FDisplay.FindWindow("Sélection article", boxId, boxAt))
        << "the selection dialog did not open again";
    QThread::msleep(300);
    FDisplay.Tool({"type", "--delay", "30", "vis"});
    QThread::msleep(300);
    FDisplay.Tap(boxAt + cancel);
    QThread::msleep(500);
    EXPECT_FALSE(FDisplay.WindowShown("Quantité")) << "a keypad opened";

    // Quit: the file written on close still holds the one line.
    ASSERT_EQ(app.Quit(), "");
    QFile saved(collection);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    content = saved.readAll();
    EXPECT_EQ(content.count("CODE_ART=\""), 1) << content.toStdString();
    EXPECT_TRUE(content.contains("QTE=\"2\"")) << content.toStdString();
}

// An operator who scans the next article while the keypad still asks for
// the quantity: the scanner's code and Enter are refused in the keypad, the
// quantity then typed by hand is taken.
TEST_F(RealWindow, AScanIntoTheOpenKeypadIsRefusedAndHandTypingIsNot) {
    WriteCatalogueFile(
        FDir.filePath("ARTICLE.XML"),
        {{"3760123450017", "Peinture blanche", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", "O"},
         {"3792008224652", "Rouleau", "PEINTURE", 4.5, "RL1", 2.1, "Couleurs SA", "O"}});
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << "the main window did not appear: " << app.Why();
    FDisplay.Tool({"type", "--delay", "3", "3760123450017\r"});
    QString padId;
    QPoint padAt;
    ASSERT_TRUE(FDisplay.FindWindow("Quantité", padId, padAt)) << "the keypad did not open";
    QThread::msleep(300);
    // The next article is scanned while the keypad is open.
    FDisplay.Tool({"type", "--delay", "3", "3792008224652\r"});
    QThread::msleep(500);
    EXPECT_TRUE(FDisplay.WindowShown("Quantité")) << "the scanner's Enter closed the keypad";
    // The quantity typed by hand is taken.
    FDisplay.Tool({"type", "--delay", "250", "12\r"});
    WaitForFileWith(FDir.filePath("COLLECTION.XML"), "3760123450017");
    app.Kill();
    TClientDataSet collection;
    collection.LoadFromFile(FDir.filePath("COLLECTION.XML"));
    ASSERT_EQ(collection.RecordCount(), 1);
    collection.First();
    EXPECT_EQ(collection.FieldByName("CODE_ART").AsString(), QString("3760123450017"));
    EXPECT_EQ(collection.FieldByName("QTE").AsFloat(), 12);
}
