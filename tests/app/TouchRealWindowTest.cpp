// A till with only a touch screen and a scanner, in a real X window: an
// article found by name and an export named with taps on the touch keyboard
// alone, and a scan after a cancelled keypad.
#include "RealDisplay.h"
#include "Workstation.h"

#include "dialogs/Selectarticle3.h"
#include "dialogs/TouchKeyboard.h"

#include <QFile>
#include <QFileDialog>
#include <QThread>

using namespace tallivo;
using namespace tallivo::test;

namespace {

const std::vector<TArticle> kCatalogue = {
    {"ABC", "Vis à bois 4x40", "QUINCAILLERIE", 0.35, "VB440", 0.12, "Fixations du Nord", "O"},
    {"3760123450017", "Peinture blanche", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", "O"},
    {"XYZ", "Pinceau plat", "PEINTURE", 3.5, "PP1", 1.2, "Couleurs SA", "N"},
    {"3792008224652", "Rouleau", "PEINTURE", 4.5, "RL1", 2.1, "Couleurs SA", "O"}};

// A main window built offscreen in a folder of its own, to find where its
// tiles are on the real window's screen.
class MainProbe {
public:
    MainProbe() {
        const QString previous = QDir::currentPath();
        QDir::setCurrent(FDir.path());
        Form = std::make_unique<TMasterform>(nullptr);
        QDir::setCurrent(previous);
    }
    QTemporaryDir FDir;
    std::unique_ptr<TMasterform> Form;
};

} // namespace

TEST_F(RealWindow, AnArticleFoundByNameWithKeyboardTapsAloneIsCounted) {
    WriteCatalogueFile(FDir.filePath("ARTICLE.XML"), kCatalogue);
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << "the main window did not appear: " << app.Why();
    MainProbe main;
    FDisplay.Tap(app.At + CentreInForm(*main.Form, main.Form->AdvMetroTile1, app.Size));
    QRect box;
    ASSERT_FALSE(FDisplay.WaitForWindow("Sélection article", box).isEmpty())
        << "the selection dialog did not open";
    QThread::msleep(300);

    // The dialog as it is laid out at its size on this screen.
    TSelectarticle3Box probe(nullptr, nullptr);
    probe.FitHeight(box.height());
    const auto tap = [&](QWidget* key) {
        FDisplay.Tap(box.topLeft() + CentreInForm(probe, key, box.size()));
    };
    // By name, "PIN" is the brush, not the paint that sorts first.
    for (const QChar c : QStringLiteral("PIN")) tap(probe.Keyboard->KeyOf(c));
    tap(probe.Keyboard->EnterKey);
    QString padId;
    QPoint padAt;
    ASSERT_TRUE(FDisplay.FindWindow("Quantité", padId, padAt)) << "the keypad did not open";
    QThread::msleep(300);
    FDisplay.Tap(padAt + KeypadTile('2'));
    FDisplay.Tap(padAt + KeypadTile('K'));
    const QByteArray content = WaitForFileWith(FDir.filePath("COLLECTION.XML"), "CODE_ART=");
    EXPECT_TRUE(content.contains("CODE_ART=\"XYZ\"")) << content.toStdString();
    EXPECT_TRUE(content.contains("QTE=\"2\"")) << content.toStdString();
}

TEST_F(RealWindow, AnExportNamedWithKeyboardTapsAloneIsWritten) {
    WriteCatalogueFile(FDir.filePath("ARTICLE.XML"), kCatalogue);
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << "the main window did not appear: " << app.Why();
    MainProbe main;
    FDisplay.Tap(app.At + CentreInForm(*main.Form, main.Form->Button2, app.Size));
    QRect shown;
    ASSERT_FALSE(FDisplay.WaitForWindow("(Enregistrer sous|Save As)", shown).isEmpty())
        << "the save dialog did not open";
    QThread::msleep(300);

    // The save dialog as the workstation builds it over a window of its size.
    QWidget over;
    over.resize(app.Size);
    QFileDialog probe(&over);
    main.Form->SaveDialog1->Prepare(probe);
    probe.show();
    Settle();
    ASSERT_EQ(probe.size(), shown.size());
    TTouchKeyboard* keyboard = nullptr;
    for (QWidget* w : probe.findChildren<QWidget*>())
        if (!keyboard) keyboard = dynamic_cast<TTouchKeyboard*>(w);
    ASSERT_NE(keyboard, nullptr);
    const auto where = [&](QWidget* key) {
        return shown.topLeft() + key->mapTo(&probe, key->rect().center());
    };
    const auto tap = [&](QWidget* key) { FDisplay.Tap(where(key)); };
    // "Réserve": the proposed name swept away, a capital, an accent.
    tap(keyboard->ClearKey);
    tap(keyboard->ShiftKey);
    tap(keyboard->KeyOf(u'r'));
    tap(keyboard->ShiftKey);
    keyboard->AccentsKeyClick(nullptr);
    const QPoint eAcute = where(keyboard->KeyOf(u'é'));
    keyboard->AccentsKeyClick(nullptr);
    tap(keyboard->AccentsKey);
    FDisplay.Tap(eAcute);
    for (const QChar c : QStringLiteral("serve")) tap(keyboard->KeyOf(c));
    tap(keyboard->EnterKey);

    const QString file = FDir.filePath(QStringLiteral("Réserve.CSV"));
    EXPECT_EQ(WaitForFileWith(file, "\r\n"), QByteArray("CODE_ART;NOM_ART;CATEGORIE;QTE;PRIX_ACHAT\r\n"))
        << "in the folder: " << QDir(FDir.path()).entryList().join(' ').toStdString();
}

// The keypad cancelled after a scan leaves its code in the code field; the
// next scan counts the next article.
TEST_F(RealWindow, AScanAfterACancelledKeypadCountsTheNewCode) {
    WriteCatalogueFile(FDir.filePath("ARTICLE.XML"), kCatalogue);
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << "the main window did not appear: " << app.Why();
    FDisplay.Tool({"type", "--delay", "3", "3760123450017\r"});
    QString padId;
    QPoint padAt;
    ASSERT_TRUE(FDisplay.FindWindow("Quantité", padId, padAt)) << "the keypad did not open";
    QThread::msleep(300);
    FDisplay.Tap(padAt + KeypadTile('C'));
    QThread::msleep(500);
    ASSERT_FALSE(FDisplay.WindowShown("Quantité"));

    FDisplay.Tool({"type", "--delay", "3", "3792008224652\r"});
    ASSERT_TRUE(FDisplay.FindWindow("Quantité", padId, padAt)) << "the second scan opened no keypad";
    QThread::msleep(300);
    FDisplay.Tap(padAt + KeypadTile('2'));
    FDisplay.Tap(padAt + KeypadTile('K'));
    const QByteArray content = WaitForFileWith(FDir.filePath("COLLECTION.XML"), "CODE_ART=");
    EXPECT_TRUE(content.contains("CODE_ART=\"3792008224652\"")) << content.toStdString();
    EXPECT_FALSE(content.contains("3760123450017")) << content.toStdString();
}
