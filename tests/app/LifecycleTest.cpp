// Start-up, the data files and closing.
#include "Workstation.h"

#include "base/Exception.h"

#include <QFile>

using namespace tallivo;
using namespace tallivo::test;

namespace {
class Lifecycle : public WorkstationTest {};
} // namespace

TEST_F(Lifecycle, WithoutAnyFileTheCatalogueIsMissingAndTheCollectionEmpty) {
    ExpectMessage("Fichier article introuvable", true, [](TMetroMessage* m) {
        EXPECT_TRUE(m->okbutton->Visible());
        EXPECT_FALSE(m->yesbutton->Visible());
    });
    Start();
    ASSERT_EQ(FMessages.size(), 1u);
    EXPECT_EQ(Collection().RecordCount(), 0);
    EXPECT_TRUE(Form().Edit1->Focused());
    // Every code is then unknown.
    ExpectMessage("Article inconnu..");
    EnterCode("ABC");
    EXPECT_EQ(FMessages.size(), 2u);
    // Closing writes an empty collection with its six fields.
    CloseWindow();
    const QByteArray saved = ReadFile("COLLECTION.XML");
    for (const char* field : {"CODE_ART", "NOM_ART", "CATEGORIE", "QTE", "PRIX_ACHAT", "GERE_STOCK"})
        EXPECT_TRUE(saved.contains(QByteArray("attrname=\"") + field + "\"")) << field;
    EXPECT_TRUE(saved.contains("<ROWDATA></ROWDATA>"));
    EXPECT_EQ(CollectionTable, nullptr) << "the tables are freed when the window closes";
}

TEST_F(Lifecycle, ARestartShowsTheSavedLinesInTheirOrder) {
    WriteDefaultCatalogue();
    Start();
    for (const char* code : {"XY;Z", "ABC", "NOPRICE"}) EnterCode(code, [](TNumPadBox* pad) { KeyQuantity(pad, "2"); });
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    CloseWindow();
    FForm.reset();

    Start();
    EXPECT_EQ(Codes(), QStringList({"XY;Z", "NOPRICE", "ABC"}))
        << "a changed line comes at the place of its newest version";
    EXPECT_EQ(QuantityOf("ABC"), 3);
    EXPECT_EQ(Form().Label2->Caption(), QString("Tallivo")) << "loading does not change the header";
}

TEST_F(Lifecycle, TheDataFolderIsTheOneCurrentAtCreation) {
    WriteDefaultCatalogue();
    Start();
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    EXPECT_TRUE(QFile::exists(Path("COLLECTION.XML")));
    EXPECT_FALSE(QFile::exists(QDir(elsewhere.path()).filePath("COLLECTION.XML")));
    EXPECT_EQ(DataDir, FDir.path());
}

TEST_F(Lifecycle, AFailedSaveOnCloseKeepsTheWindowOpenWithItsData) {
    WriteDefaultCatalogue();
    Start();
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "2"); });
    // The count file is write-protected: it is never replaced, not even when
    // the program runs as the superuser.
    const QByteArray saved = ReadFile("COLLECTION.XML");
    ASSERT_TRUE(QFile::setPermissions(Path("COLLECTION.XML"), QFile::ReadOwner | QFile::ReadGroup));
    CloseWindow();
    ASSERT_EQ(FErrors->Boxes().size(), 1u);
    EXPECT_EQ(FErrors->Boxes()[0].Caption, QString("Tallivo-6"));
    EXPECT_EQ(FErrors->Boxes()[0].Text, QString("Impossible de créer le fichier \"%1\". %2.")
                                            .arg(Path("COLLECTION.XML"), SysErrorMessage(EACCES)));
    EXPECT_EQ(ReadFile("COLLECTION.XML"), saved);
    EXPECT_TRUE(Form().isVisible());
    ASSERT_NE(CollectionTable, nullptr);
    EXPECT_EQ(QuantityOf("ABC"), 2);
    // Once the file can be written, closing works.
    ASSERT_TRUE(QFile::setPermissions(Path("COLLECTION.XML"), QFile::ReadOwner | QFile::WriteOwner));
    CloseWindow();
    EXPECT_FALSE(Form().isVisible());
    EXPECT_EQ(SavedLines(), QStringList{"ABC=2"});
}

TEST_F(Lifecycle, AnUnreadableCollectionIsReportedAndNeverOverwritten) {
    WriteDefaultCatalogue();
    QFile bad(Path("COLLECTION.XML"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("this is not a data packet");
    bad.close();
    Start();
    ASSERT_EQ(FErrors->Boxes().size(), 1u);
    EXPECT_EQ(FErrors->Boxes()[0].Text, QString("Mismatch in datapacket."));
    EXPECT_FALSE(Collection().Active());
    // The rest of the loading was skipped: the catalogue stays empty.
    EXPECT_EQ(ArticleTable->RecordCount(), 0);
    ExpectMessage("Article inconnu..");
    EnterCode("ABC");
    // Closing leaves the file as it was.
    CloseWindow();
    EXPECT_EQ(ReadFile("COLLECTION.XML"), QByteArray("this is not a data packet"));
}

// Saves cut short by a kill leave hidden temporary files beside the count
// and the layout: the next start removes them, and nothing else.
TEST_F(Lifecycle, AStartRemovesTheTemporariesOfSavesCutShort) {
    WriteDefaultCatalogue();
    const QStringList leftovers = {".COLLECTION.XML.0a1b2c~", ".COLLECTION.XML.ffffff~", ".ART.GRD.123abc~"};
    QStringList kept = {".ARTICLE.XML.0a1b2c~", ".COLLECTION.XML.0a1b2c~.bak", "COLLECTION.XML.0a1b2c~",
                        "notes.txt"};
    for (const QString& name : leftovers + kept) {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("half a save");
    }
    Start();
    QStringList files = QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden);
    files.sort();
    kept << "ARTICLE.XML" << "JOURNAL.DAT" << "POSTE.ID";
    kept.sort();
    EXPECT_EQ(files, kept);
    EXPECT_TRUE(FErrors->Boxes().empty());
}
