// Every change reaches COLLECTION.XML at once, and a save that fails is shown
// in the header until one succeeds.
#include "Workstation.h"

#include "base/Exception.h"
#include "table/AtomicFile.h"

#include <QFile>
#include <cerrno>

using namespace tallivo;
using namespace tallivo::test;

namespace {

constexpr TColor kWarning = 0x000000C0;

class Saving : public WorkstationTest {
protected:
    void SetUp() override {
        WorkstationTest::SetUp();
        WriteDefaultCatalogue();
        Start();
    }
    void TearDown() override {
        TAtomicFile::SetHook(nullptr);
        WorkstationTest::TearDown();
    }
    // Every save fails at the given step with err (0: saves work again).
    static void FailSaves(TAtomicFile::TStep failing, int err) {
        TAtomicFile::SetHook([=](TAtomicFile::TStep step, uint64_t) { return step == failing ? err : 0; });
    }
    void Add(const QString& code, const QString& quantity) {
        EnterCode(code, [quantity](TNumPadBox* pad) { KeyQuantity(pad, quantity); });
    }
    TLabel& Header() { return *Form().Label2; }
    // Label2 inside the header band, clear of the chevrons and of the
    // export and quit tiles, with room for all its lines.
    void ExpectWarningFitsTheHeader() {
        const TLabel& l = Header();
        EXPECT_GE(l.Left(), Form().AdvMetroButton16->Left() + Form().AdvMetroButton16->Width());
        EXPECT_LE(l.Left() + l.Width(), Form().Panel4->Left());
        EXPECT_GE(l.Top(), 0);
        EXPECT_LE(l.Top() + l.Height(), Form().Panel3->Height());
        TCanvas measure(nullptr);
        measure.Font = l.Font();
        TRect r{0, 0, l.Width(), 0};
        measure.DrawText(l.Caption(), r, DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
        EXPECT_LE(r.Height(), l.Height()) << "the text needs more lines than the header has";
    }
};

} // namespace

TEST_F(Saving, AFailedSaveIsShownUntilTheNextSaveSucceeds) {
    Add("ABC", "2");
    ASSERT_EQ(Header().Caption(), QString("Tallivo - 1 records"));
    const TFont title = Header().Font();

    // The disk is full: the count stays on screen, the header says so.
    FailSaves(TAtomicFile::stWrite, ENOSPC);
    Add("ABC", "3");
    EXPECT_EQ(QuantityOf("ABC"), 5);
    EXPECT_EQ(Header().Caption(), QString("Enregistrement impossible : Erreur E/S 28"));
    EXPECT_EQ(Header().Font().Color(), kWarning);
    EXPECT_TRUE(FErrors->Boxes().empty()) << "no box interrupts the counting";
    EXPECT_EQ(SavedLines(), QStringList{"ABC=2"});
    ExpectWarningFitsTheHeader();
    // A new line keeps the warning: nothing was saved.
    Add("XY;Z", "1");
    EXPECT_EQ(Header().Caption(), QString("Enregistrement impossible : Erreur E/S 28"));
    EXPECT_TRUE(Form().Edit1->Text().isEmpty());
    EXPECT_TRUE(Form().Edit1->Focused());

    // Room again: the next change saves everything and the header is back,
    // with the count of the line added meanwhile.
    TAtomicFile::SetHook(nullptr);
    Add("ABC", "1");
    EXPECT_EQ(SavedLines(), QStringList({"XY;Z=1", "ABC=6"}));
    EXPECT_EQ(Header().Caption(), QString("Tallivo - 2 records"));
    EXPECT_EQ(Header().Font().Color(), title.Color());
    EXPECT_EQ(Header().Font().Height(), title.Height());
    EXPECT_EQ(Header().Left(), 20);
    EXPECT_EQ(Header().Top(), 9);
    EXPECT_TRUE(Header().AutoSize());
}

// A long reason (a file name) stays inside the header, also on a narrow
// window where the command band wraps.
TEST_F(Saving, TheWarningFitsTheHeader) {
    Add("ABC", "2");
    ASSERT_TRUE(QFile::setPermissions(Path("COLLECTION.XML"), QFile::ReadOwner | QFile::ReadGroup));
    Add("ABC", "1");
    EXPECT_TRUE(Header().Caption().startsWith("Enregistrement impossible : Impossible de créer le fichier"));
    ExpectWarningFitsTheHeader();
    Form().SetClientSize(900, 700);
    Settle();
    ExpectWarningFitsTheHeader();
    // The warning is drawn: dark red ink right of the chevrons.
    const QImage img = Grab(Form().Panel3);

    int ink = 0;
    for (int y = Header().Top(); y < Header().Top() + Header().Height(); ++y)
        for (int x = Header().Left(); x < Header().Left() + Header().Width(); ++x)
            ink += GetRValue(PixelAt(img, x, y)) > 0x80 && GetGValue(PixelAt(img, x, y)) < 0x40;
    EXPECT_GT(ink, 200);
    QFile::setPermissions(Path("COLLECTION.XML"), QFile::ReadOwner | QFile::WriteOwner);
}

// A count file the shop write-protected is never replaced: every save is
// refused (and shown) until it may be written again.
TEST_F(Saving, AWriteProtectedCollectionIsRefusedAndShown) {
    Add("ABC", "2");
    const QByteArray protectedCount = ReadFile("COLLECTION.XML");
    ASSERT_TRUE(QFile::setPermissions(Path("COLLECTION.XML"), QFile::ReadOwner | QFile::ReadGroup));
    Add("NOPRICE", "4");
    EXPECT_EQ(Header().Caption(),
              "Enregistrement impossible : " + QString("Impossible de créer le fichier \"%1\". %2")
                                                   .arg(Path("COLLECTION.XML"), SysErrorMessage(EACCES)));
    EXPECT_EQ(ReadFile("COLLECTION.XML"), protectedCount);
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4) << "no file left behind";
    ASSERT_TRUE(QFile::setPermissions(Path("COLLECTION.XML"), QFile::ReadOwner | QFile::WriteOwner));
    Add("NOPRICE", "1");
    EXPECT_EQ(SavedLines(), QStringList({"ABC=2", "NOPRICE=5"}));
    EXPECT_EQ(Header().Caption(), QString("Tallivo - 2 records"));
}

// A folder that refuses new files (only the collection file itself may be
// written): the counts are saved in place and the window can close.
TEST_F(Saving, AFolderThatRefusesNewFilesStillKeepsTheCounts) {
    Add("ABC", "2");
    FailSaves(TAtomicFile::stCreate, EACCES);
    Add("ABC", "3");
    Add("XY;Z", "1");
    EXPECT_EQ(Header().Caption(), QString("Tallivo - 2 records"));
    EXPECT_EQ(SavedLines(), QStringList({"ABC=5", "XY;Z=1"}));
    CloseWindow();
    EXPECT_FALSE(Form().isVisible()) << "the close is not refused";
    EXPECT_TRUE(FErrors->Boxes().empty());
}

// The save is part of the command: the file holds the change as soon as the
// handler returns, before any other input is handled.
TEST_F(Saving, TheSaveFollowsTheChangeWithinTheCommand) {
    ArticleTable->Locate("CODE_ART", TKeyValue(QString("ABC")), 0);
    Form().Edit1->SetText("ABC");
    Form().Edit2->SetText("2");
    Form().Button1Click(nullptr);
    EXPECT_EQ(SavedLines(), QStringList{"ABC=2"});
    Form().Edit1->SetText("ABC");
    Form().Edit2->SetText("3");
    Form().Button1Click(nullptr);
    EXPECT_EQ(SavedLines(), QStringList{"ABC=5"});
    Form().AdvMetroTile2Click(nullptr);
    EXPECT_EQ(SavedLines(), QStringList());
}
