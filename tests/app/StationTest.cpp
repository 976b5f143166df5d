// The station's header texts and the export's companion files, driven
// through the workstation's own handlers (offscreen).
#include "Workstation.h"

#include "app/StationBar.h"
#include "app/StationFeatures.h"
#include "toolkit/Dialogs.h"

using namespace tallivo;
using namespace tallivo::test;

namespace {

class Station : public WorkstationTest {
protected:
    void Settings(const QByteArray& keys) {
        QFile f(Path("TALLIVO.INI"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Comptage]\n" + keys);
    }
    void Add(const QString& code, const QString& quantity) {
        EnterCode(code, [quantity](TNumPadBox* pad) { KeyQuantity(pad, quantity); });
    }
    TStationBar& Bar() { return *Form().Station().Bar; }
    void Export(const QString& file) {
        TSaveDialog::ExecuteHook = [file](TSaveDialog& d) {
            d.FileName = file;
            return true;
        };
        ExpectMessage("Opération terminée");
        Click(Form().Button2);
        Settle();
        TSaveDialog::ExecuteHook = nullptr;
    }
};

} // namespace

// The progress follows adds, undo and "Initialiser"; the export writes the
// unknown codes and the articles left to count beside it; a new count puts
// the old unknown codes aside.
TEST_F(Station, TheHeaderFollowsTheCountAndTheExportWritesWhatIsLeft) {
    WriteDefaultCatalogue();
    Settings("ExportNonComptes=oui\n");
    Start();
    EXPECT_EQ(Bar().Progress(), "0 article compté sur 4");
    Add("ABC", "2");
    Add("abc", "1");
    Add("XY;Z", "1");
    EXPECT_EQ(Bar().Progress(), "2 articles comptés sur 4");
    Click(Form().Station().UndoTile);
    Settle();
    EXPECT_EQ(Bar().Progress(), "1 article compté sur 4");
    ExpectMessage("Article inconnu..");
    EnterCode("404");
    EXPECT_EQ(Bar().Text(TStationBar::Unknown), "1 code inconnu en attente");

    Export(Path("out.CSV"));
    EXPECT_EQ(ReadFile("out-INCONNUS.CSV"), ReadFile("INCONNUS.CSV"));
    EXPECT_TRUE(ReadFile("out-INCONNUS.CSV").startsWith("CODE_ART;PREMIER_SCAN;DERNIER_SCAN;NB_SCANS;QTE\r\n404;"));
    EXPECT_EQ(ReadFile("out-NON-COMPTES.CSV"), "CODE_ART;NOM_ART;CATEGORIE;QTE;PRIX_ACHAT\r\n"
                                               "3760123450017;Peinture \"Blanc d'\xE9t\xE9\" & co;PEINTURE;;12,5\r\n"
                                               "XY;Z;Colle; forte;COLLES;;2,25\r\n"
                                               "NOPRICE;Article sans prix;DIVERS;;\r\n");

    const QString question = "Initialiser les données collectées ?";
    ExpectMessage(question, true, [&](TMetroMessage*) { ExpectMessage(question, true); });
    Click(Form().AdvMetroTile4);
    Settle();
    EXPECT_EQ(Bar().Progress(), "0 article compté sur 4");
    EXPECT_EQ(Bar().Text(TStationBar::Unknown), "");
    EXPECT_FALSE(QFile::exists(Path("INCONNUS.CSV")));
    const QStringList archived = QDir(FDir.path()).entryList({"INCONNUS-*.CSV"});
    ASSERT_EQ(archived.size(), 1);
    EXPECT_EQ(ReadFile(archived[0]), ReadFile("out-INCONNUS.CSV"));
    // The next export leaves no stale list of unknown codes beside it (the
    // export itself removed first: replacing it would take a question).
    ASSERT_TRUE(QFile::remove(Path("out.CSV")));
    Export(Path("out.CSV"));
    EXPECT_EQ(ReadFile("out-INCONNUS.CSV"), "CODE_ART;PREMIER_SCAN;DERNIER_SCAN;NB_SCANS;QTE\r\n");
}

TEST_F(Station, ABadSettingsFileIsShownAndTheCountGoesOnWithTheDefaults) {
    WriteDefaultCatalogue();
    Settings("ModeRapide=peut-être\n");
    Start();
    EXPECT_EQ(Bar().Text(TStationBar::Note), "TALLIVO.INI : 1 ligne non comprise");
    EXPECT_EQ(Bar().Text(TStationBar::Mode), "");
    Add("ABC", "2"); // the keypad asks, as without settings
    EXPECT_EQ(QuantityOf("ABC"), 2);
}
