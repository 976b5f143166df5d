// The ways a count was lost or damaged by an operator's slip or by the
// place it lives in, each driven on the real program in a real X window as
// they happened: a stray tap and scans on "Initialiser les données", a
// double tap on "Oui", scans into the keypad, a second workstation on the
// same folder, a count on a stick that is out, an export over the count, a
// code longer than the collection's code field, a logout while saves fail.
#include "RealDisplay.h"
#include "Workstation.h"

#include <QFile>
#include <QThread>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// Where the controls of the main window are on a window of that size.
struct TMainPlaces {
    QPoint Empty, Export;
};

TMainPlaces MainPlaces(QSize size) {
    QTemporaryDir probeDir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(probeDir.path());
    TMasterform probe(nullptr);
    QDir::setCurrent(previous);
    probe.SetWindowState(wsNormal);
    probe.SetClientSize(size.width(), size.height());
    const auto centre = [&](QWidget* w) { return w->mapTo(&probe, w->rect().center()); };
    return {centre(probe.AdvMetroTile4), centre(probe.Button2)};
}

// "Oui" and "Non" of a question, in the message dialog.
const QPoint kYes(230 + 53, 172 + 24), kNo(354 + 55, 172 + 24);

class SafetyWindow : public RealWindow {
protected:
    void WriteCatalogue(int codeWidth = 25, const std::vector<TArticle>& more = {}) {
        std::vector<TArticle> articles = {
            {"3760123450017", "Peinture blanche", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", "O"},
            {"3792008224652", "Rouleau", "PEINTURE", 4.5, "RL1", 2.1, "Couleurs SA", "O"},
            {"3800301714166", "Pinceau", "PEINTURE", 3.5, "PP1", 1.2, "Couleurs SA", "N"},
            {"4006381333931", "Crayon", "PAPETERIE", 0.9, "CR1", 0.3, "Papiers SA", "O"}};
        articles.insert(articles.end(), more.begin(), more.end());
        WriteCatalogueFile(FDir.filePath("ARTICLE.XML"), articles, codeWidth);
    }
    // A scanner's code and Enter, then quantity tapped on the keypad and Ok.
    void Count(const QString& code, const QString& quantity) {
        FDisplay.Tool({"type", "--delay", "3", code + "\r"});
        QString padId;
        QPoint padAt;
        ASSERT_TRUE(FDisplay.FindWindow("Quantité", padId, padAt)) << "no keypad for " << code.toStdString();
        QThread::msleep(300);
        for (const QChar digit : quantity) FDisplay.Tap(padAt + KeypadTile(char(digit.unicode())));
        FDisplay.Tap(padAt + KeypadTile('K'));
    }
    QStringList SavedLines() const {
        TClientDataSet saved;
        saved.LoadFromFile(FDir.filePath("COLLECTION.XML"));
        QStringList lines;
        for (saved.First(); !saved.Eof(); saved.Next())
            lines << saved.FieldByName("CODE_ART").AsString() + u'=' + saved.FieldByName("QTE").AsString();
        return lines;
    }
    // Waits for a message dialog; its top-left corner.
    QPoint Message() {
        QString id;
        QPoint at;
        EXPECT_TRUE(FDisplay.FindWindow("Information", id, at)) << "no message";
        return at;
    }
};

} // namespace

// A stray tap on "Initialiser les données" and two scans: the scanner's
// Enters answer neither question. A double tap on "Oui": the second tap
// does not answer the second question. The three lines stay in the file.
TEST_F(SafetyWindow, StrayTapsScansAndDoubleTapsNeverEmptyTheCount) {
    WriteCatalogue();
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << app.Why();
    Count("3760123450017", "2");
    Count("3792008224652", "3");
    Count("3800301714166", "4");
    WaitForFileWith(FDir.filePath("COLLECTION.XML"), "3800301714166");
    const TMainPlaces places = MainPlaces(app.Size);

    FDisplay.Tap(app.At + places.Empty);
    QPoint question = Message();
    QThread::msleep(800); // the operator scans on, well after the question came
    FDisplay.Tool({"type", "--delay", "3", "4006381333931\r"});
    QThread::msleep(800);
    FDisplay.Tool({"type", "--delay", "3", "3760123450017\r"});
    QThread::msleep(800);
    FDisplay.Tap(Message() + kNo);

    FDisplay.Tap(app.At + places.Empty);
    question = Message();
    QThread::msleep(800);
    // Two taps 150 ms apart on "Oui".
    FDisplay.Tool({"mousemove", QString::number((question + kYes).x()), QString::number((question + kYes).y())});
    FDisplay.Tool({"click", "--repeat", "2", "--delay", "150", "1"});
    QThread::msleep(800);
    EXPECT_TRUE(FDisplay.WindowShown("Information")) << "the double tap answered the second question";
    FDisplay.Tap(Message() + kNo);

    ASSERT_EQ(app.Quit(), "");
    EXPECT_EQ(SavedLines(), QStringList({"3760123450017=2", "3792008224652=3", "3800301714166=4"}));
}

// A second workstation (another runtime folder: another user, or the same
// user elsewhere) on the same counting folder refuses to start, saying so;
// the first one keeps counting.
TEST_F(SafetyWindow, ASecondWorkstationOnTheSameFolderRefusesToStart) {
    WriteCatalogue();
    RealWorkstation first(FDisplay, FDir.path());
    ASSERT_TRUE(first.Shown()) << first.Why();
    RealWorkstation second(FDisplay, FDir.path());
    for (int i = 0; i < 300 && second.Why().find("déjà utilisé") == std::string::npos; ++i) QThread::msleep(100);
    EXPECT_NE(second.Why().find(QString("Le dossier de comptage \"%1\" est déjà utilisé par un autre poste Tallivo")
                                    .arg(FDir.path())
                                    .toStdString()),
              std::string::npos)
        << second.Why();
    second.Kill(); // its error box would wait for "OK"
    Count("3760123450017", "5");
    ASSERT_EQ(first.Quit(), "");
    EXPECT_EQ(SavedLines(), QStringList{"3760123450017=5"});
}

// Scans into the open keypad that used to become quantities: three
// characters with Enter, a code without Enter then "Ok", a slow scanner.
// Then a quantity above the bound takes a second "Ok".
TEST_F(SafetyWindow, ScansIntoTheKeypadAreRefusedAndAnUnusualQuantityTakesASecondOk) {
    WriteCatalogue();
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << app.Why();
    FDisplay.Tool({"type", "--delay", "3", "3760123450017\r"});
    QString padId;
    QPoint pad;
    ASSERT_TRUE(FDisplay.FindWindow("Quantité", padId, pad));
    QThread::msleep(300);
    FDisplay.Tool({"type", "--delay", "2", "123\r"});
    FDisplay.Tool({"type", "--delay", "2", "73519"}); // a short code, no Enter
    FDisplay.Tap(pad + KeypadTile('K'));
    FDisplay.Tool({"type", "--delay", "50", "3792008224652\r"});
    QThread::msleep(300);
    ASSERT_TRUE(FDisplay.WindowShown("Quantité")) << "a scan ended the keypad";
    for (const char key : {'1', '0', '0', '0', '0', '0', 'K'}) FDisplay.Tap(pad + KeypadTile(key));
    EXPECT_TRUE(FDisplay.WindowShown("Quantité")) << "100000 was taken at the first Ok";
    QThread::msleep(600);
    FDisplay.Tap(pad + KeypadTile('K'));
    WaitForFileWith(FDir.filePath("COLLECTION.XML"), "3760123450017");
    ASSERT_EQ(app.Quit(), "");
    EXPECT_EQ(SavedLines(), QStringList{"3760123450017=100000"});
}

// COLLECTION.XML is a link to a stick that is out: the start says so, the
// workstation counts nothing, and the link stays a link.
TEST_F(SafetyWindow, ACountOnAStickThatIsOutIsNeverReplacedByAnEmptyOne) {
    WriteCatalogue();
    ASSERT_TRUE(QFile::link(FDir.filePath("stick/COLLECTION.XML"), FDir.filePath("COLLECTION.XML")));
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << app.Why();
    // The error box over the main window, answered.
    for (int i = 0; i < 300; ++i) {
        if (FDisplay.Tool({"search", "--onlyvisible", "--name", "^Tallivo-6$"}).split(u'\n').size() >= 2) break;
        QThread::msleep(100);
    }
    FDisplay.Tool({"key", "Return"});
    QThread::msleep(500);
    // Nothing is loaded: the code is unknown, nothing is counted.
    FDisplay.Tool({"type", "--delay", "3", "3760123450017\r"});
    FDisplay.Tap(Message() + QPoint(354 + 55, 172 + 24));
    ASSERT_EQ(app.Quit(), "");
    EXPECT_TRUE(QFileInfo(FDir.filePath("COLLECTION.XML")).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(FDir.filePath("stick")));
}

// "COLLECTION.XML" typed as the export's name: refused, the count stays.
TEST_F(SafetyWindow, TheExportNeverWritesOverTheCount) {
    WriteCatalogue();
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << app.Why();
    Count("3760123450017", "7");
    WaitForFileWith(FDir.filePath("COLLECTION.XML"), "3760123450017");
    FDisplay.Tap(app.At + MainPlaces(app.Size).Export);
    QRect dialog;
    ASSERT_FALSE(FDisplay.WaitForWindow("(Enregistrer.*|Save.*)", dialog).isEmpty()) << "no save dialog";
    QThread::msleep(500);
    FDisplay.Tool({"key", "ctrl+a"});
    FDisplay.Tool({"type", "--delay", "20", "COLLECTION.XML"});
    FDisplay.Tool({"key", "Return"});
    FDisplay.Tap(Message() + QPoint(354 + 55, 172 + 24)); // "Ok" to the refusal
    // The dialog is offered again: cancelled.
    ASSERT_FALSE(FDisplay.WaitForWindow("(Enregistrer.*|Save.*)", dialog).isEmpty());
    QThread::msleep(300);
    FDisplay.Tool({"key", "Escape"});
    ASSERT_EQ(app.Quit(), "");
    EXPECT_EQ(SavedLines(), QStringList{"3760123450017=7"});
}

// Codes longer than 25 characters (GS1 with lot and date), two of them
// alike in their first 25: each is counted on one line of its own.
TEST_F(SafetyWindow, ALongCodeIsCountedOnOneLineOfItsOwn) {
    const QString lot1 = "0103760123450017172512311OLOT4521", lot2 = "0103760123450017172512311OLOT9876";
    WriteCatalogue(48, {{lot1, "Peinture lot 4521", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", "O"},
                        {lot2, "Peinture lot 9876", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", "O"}});
    RealWorkstation app(FDisplay, FDir.path());
    ASSERT_TRUE(app.Shown()) << app.Why();
    Count(lot1, "2");
    WaitForFileWith(FDir.filePath("COLLECTION.XML"), lot1.toLatin1());
    Count(lot1, "3");
    Count(lot2, "1");
    WaitForFileWith(FDir.filePath("COLLECTION.XML"), lot2.toLatin1());
    ASSERT_EQ(app.Quit(), "");
    EXPECT_EQ(SavedLines(), QStringList({lot1 + "=5", lot2 + "=1"}));
}

// A logout (SIGTERM) while the count cannot be saved: one last save when it
// can again; when it still cannot, a rescue copy in the home folder.
TEST_F(SafetyWindow, ALogoutMakesALastSaveOrARescueCopy) {
    WriteCatalogue();
    QTemporaryDir home;
    const QString count = FDir.filePath("COLLECTION.XML");
    for (const bool repaired : {true, false}) {
        RealWorkstation app(FDisplay, FDir.path(), {"HOME=" + home.path()});
        ASSERT_TRUE(app.Shown()) << app.Why();
        if (!QFile::exists(count)) Count("3792008224652", "1");
        WaitForFileWith(count, "3792008224652");
        ASSERT_TRUE(QFile::setPermissions(count, QFile::ReadOwner));
        Count("3760123450017", repaired ? "6" : "8");
        QThread::msleep(500);
        if (repaired) {
            ASSERT_TRUE(QFile::setPermissions(count, QFile::ReadOwner | QFile::WriteOwner));
        }
        EXPECT_EQ(app.Terminate(), repaired ? 0 : 1) << app.Why();
    }
    ASSERT_TRUE(QFile::setPermissions(count, QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(SavedLines(), QStringList({"3792008224652=1", "3760123450017=6"}));
    const QStringList rescue = QDir(home.path()).entryList({"COLLECTION-*.XML"});
    ASSERT_EQ(rescue.size(), 1);
    TClientDataSet copy;
    copy.LoadFromFile(home.filePath(rescue[0]));
    ASSERT_TRUE(copy.Locate("CODE_ART", TKeyValue(QString("3760123450017")), 0));
    EXPECT_EQ(copy.FieldByName("QTE").AsFloat(), 14);
}
