// The CSV export, byte for byte.
#include "ExportFixture.h"

#include "table/AtomicFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>

using namespace tallivo;
using namespace tallivo::test;

namespace {

class Export : public ExportFixture {};

} // namespace

TEST_F(Export, TheFileHoldsAHeaderAndOneLinePerCollectionLine) {
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "2,5"); });
    EnterCode("XY;Z", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    EnterCode("NOPRICE", [](TNumPadBox* pad) { KeyQuantity(pad, "3"); });
    EnterCode("3760123450017", [](TNumPadBox* pad) { KeyQuantity(pad, "10"); });
    FChosen = Path("export.csv");
    RunExport();
    ASSERT_EQ(FDialogs.size(), 1u);
    EXPECT_EQ(FDialogs[0].DefaultExt, QString("CSV"));
    EXPECT_EQ(FDialogs[0].FileName, QString("TableExport"));
    EXPECT_EQ(FDialogs[0].Filter, QString("Format CSV|*.CSV|Format XML |*.XML"));
    const QByteArray expected = "CODE_ART;NOM_ART;CATEGORIE;QTE;PRIX_ACHAT\r\n"
                                "ABC;Vis \xE0 bois 4x40;QUINCAILLERIE;2,5;0,12\r\n"
                                "XY;Z;Colle; forte;COLLES;1;2,25\r\n"
                                "NOPRICE;Article sans prix;DIVERS;3;\r\n"
                                "3760123450017;Peinture \"Blanc d'\xE9t\xE9\" & co;PEINTURE;10;12,5\r\n";
    EXPECT_EQ(ReadFile("export.csv"), expected);
    // The current line is the last one afterwards.
    EXPECT_EQ(Collection().FieldByName("CODE_ART").AsString(), QString("3760123450017"));
}

TEST_F(Export, AnExistingFileIsReplacedAndAnEmptyCollectionGivesTheHeader) {
    QFile old(Path("export.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x'));
    old.close();
    FChosen = Path("export.csv");
    RunExport();
    EXPECT_EQ(ReadFile("export.csv"), QByteArray("CODE_ART;NOM_ART;CATEGORIE;QTE;PRIX_ACHAT\r\n"));
}

TEST_F(Export, CancellingTheDialogWritesAndShowsNothing) {
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    FChosen.clear();
    RunExport(false);
    EXPECT_EQ(FDialogs.size(), 1u);
    EXPECT_TRUE(FMessages.empty());
    EXPECT_EQ(QDir(FDir.path()).entryList({"*.csv", "*.CSV"}).size(), 0);
}

TEST_F(Export, AnErrorWhileWritingTheLinesIsShownAndLeavesNoHalfFile) {
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    EnterCode("XY;Z", [](TNumPadBox* pad) { KeyQuantity(pad, "2"); });
    QFile old(Path("export.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("yesterday's export\r\n");
    old.close();
    // The disk fills up once the header is written: in the loop over the
    // lines, while the grid's display is suspended.
    const qsizetype header = qsizetype(strlen("CODE_ART;NOM_ART;CATEGORIE;QTE;PRIX_ACHAT\r\n"));
    bool failed = false;
    TAtomicFile::SetHook([&](TAtomicFile::TStep step, uint64_t written) {
        if (step != TAtomicFile::stWrite || written < uint64_t(header)) return 0;
        failed = Collection().ControlsDisabled();
        return ENOSPC;
    });
    FChosen = Path("export.csv");
    RunExport(false);
    TAtomicFile::SetHook(nullptr);
    EXPECT_TRUE(failed) << "the failure came from the loop over the lines";
    ASSERT_EQ(FErrors->Boxes().size(), 1u);
    EXPECT_EQ(FErrors->Boxes()[0].Text, QString("Disque plein."));
    EXPECT_TRUE(FMessages.empty()) << "no \"Opération terminée\" after an error";
    EXPECT_FALSE(Collection().ControlsDisabled()) << "the grid's display is resumed";
    EXPECT_EQ(ReadFile("export.csv"), QByteArray("yesterday's export\r\n")) << "no half export";
    // The catalogue, the count, its journal, POSTE.ID and the export.
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden).size(), 5) << "no file left behind";
    // A later export works.
    RunExport();
    EXPECT_TRUE(ReadFile("export.csv").startsWith("CODE_ART;"));
}

TEST_F(Export, FilesThatCannotBeWrittenGiveTheirInputOutputError) {
    FChosen = Path("no-such-folder/export.csv");
    RunExport(false);
    FChosen = Path("protected.csv");
    QFile protectedFile(FChosen);
    ASSERT_TRUE(protectedFile.open(QIODevice::WriteOnly));
    protectedFile.close();
    ASSERT_TRUE(QFile::setPermissions(FChosen, QFile::ReadOwner | QFile::ReadGroup));
    RunExport(false);
    ASSERT_EQ(FErrors->Boxes().size(), 2u);
    EXPECT_EQ(FErrors->Boxes()[0].Text, QString("Fichier introuvable."));
    EXPECT_EQ(FErrors->Boxes()[1].Text, QString("Accès au fichier refusé."));
    EXPECT_TRUE(FMessages.empty());
    EXPECT_TRUE(ReadFile("protected.csv").isEmpty());
}
