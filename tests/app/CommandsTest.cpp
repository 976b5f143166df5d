// The commands of the command band and the grid's bindings.
#include "Workstation.h"

#include "table/Archive.h"
#include "table/AtomicFile.h"

using namespace tallivo;
using namespace tallivo::test;

namespace {

class Commands : public WorkstationTest {
protected:
    void SetUp() override {
        WorkstationTest::SetUp();
        WriteDefaultCatalogue();
        Start();
    }
    void AddLines() {
        for (const char* code : {"ABC", "XY;Z", "NOPRICE"})
            EnterCode(code, [](TNumPadBox* pad) { KeyQuantity(pad, "2"); });
    }
    // The centre of data row r (from 1) of the grid, in the column of Code article.
    QPoint RowPoint(int r) {
        TDBGrid* g = Form().DBGrid1;
        const TRect cell = g->CellRect(3, r);
        const TPoint o = g->ClientOffset();
        return QPoint(o.X + (cell.Left + cell.Right) / 2, o.Y + (cell.Top + cell.Bottom) / 2);
    }
};

} // namespace

TEST_F(Commands, QuantityAfterALineClickReplacesThatLinesQuantity) {
    AddLines();
    Click(Form().DBGrid1, RowPoint(2));
    Settle();
    EXPECT_EQ(Form().Edit1->Text(), QString("XY;Z"));
    EXPECT_TRUE(Form().Edit1->Focused());
    WhenModal([](TForm* d) { KeyQuantity(dynamic_cast<TNumPadBox*>(d), "7"); });
    Click(Form().AdvMetroTile6);
    Settle();
    EXPECT_EQ(QuantityOf("XY;Z"), 7);
    EXPECT_EQ(QuantityOf("ABC"), 2);
    EXPECT_TRUE(Form().Edit1->Text().isEmpty());
    EXPECT_EQ(Form().Edit2->Text(), QString("1"));
    // Saved at once (a changed line comes back at the place of its newest version).
    EXPECT_EQ(SavedLines(), QStringList({"ABC=2", "NOPRICE=2", "XY;Z=7"}));
}

TEST_F(Commands, QuantityThatIsNotANumberIsShownAndChangesNothing) {
    AddLines();
    Click(Form().DBGrid1, RowPoint(1));
    Settle();
    WhenModal([](TForm* d) { KeyQuantity(dynamic_cast<TNumPadBox*>(d), ""); });
    Click(Form().AdvMetroTile6);
    Settle();
    ASSERT_EQ(FErrors->Boxes().size(), 1u);
    EXPECT_EQ(FErrors->Boxes()[0].Text, QString("'' n'est pas une valeur en virgule flottante correcte."));
    EXPECT_EQ(QuantityOf("ABC"), 2);
    EXPECT_EQ(Collection().State(), dsBrowse);
    EXPECT_EQ(Form().Edit1->Text(), QString("ABC")) << "the code stays for another try";
    EXPECT_EQ(SavedLines(), QStringList({"ABC=2", "XY;Z=2", "NOPRICE=2"}));
    // Another try works.
    WhenModal([](TForm* d) { KeyQuantity(dynamic_cast<TNumPadBox*>(d), "4"); });
    Click(Form().AdvMetroTile6);
    Settle();
    EXPECT_EQ(QuantityOf("ABC"), 4);
    EXPECT_EQ(FErrors->Boxes().size(), 1u);
}

TEST_F(Commands, QuantityWithAnEmptyCodeFieldChangesNothing) {
    AddLines();
    Form().Edit1->SetText({});
    bool asked = false;
    WhenModal([&](TForm* d) {
        asked = true;
        KeyQuantity(dynamic_cast<TNumPadBox*>(d), "9");
    });
    Click(Form().AdvMetroTile6);
    Settle();
    EXPECT_TRUE(asked);
    for (const char* code : {"ABC", "XY;Z", "NOPRICE"}) EXPECT_EQ(QuantityOf(code), 2) << code;
    EXPECT_TRUE(FErrors->Boxes().empty());
}

TEST_F(Commands, DeleteRemovesTheCurrentLineAndRefusesAnEmptyCollection) {
    Click(Form().AdvMetroTile2);
    Settle();
    ASSERT_EQ(FErrors->Boxes().size(), 1u);
    EXPECT_EQ(FErrors->Boxes()[0].Text,
              QString("Impossible d'effectuer cette opération sur un ensemble de données vide."));

    AddLines();
    Click(Form().DBGrid1, RowPoint(1));
    Settle();
    Click(Form().AdvMetroTile2);
    Settle();
    EXPECT_EQ(Codes(), QStringList({"XY;Z", "NOPRICE"}));
    EXPECT_TRUE(Form().Edit1->Focused());
    EXPECT_EQ(Form().Label2->Caption(), QString("Tallivo - 3 records")) << "deleting leaves the header";
    EXPECT_EQ(SavedLines(), QStringList({"XY;Z=2", "NOPRICE=2"})) << "saved at once";
    // Gone after a restart.
    CloseWindow();
    FForm.reset();
    Start();
    EXPECT_EQ(Codes(), QStringList({"XY;Z", "NOPRICE"}));
}

TEST_F(Commands, EmptyingNeedsTwoYesAnswersTheSecondOnPink) {
    AddLines();
    // "Non" to the first question: nothing happens.
    ExpectMessage("Initialiser les données collectées ?", false);
    Click(Form().AdvMetroTile4);
    Settle();
    EXPECT_EQ(Collection().RecordCount(), 3);
    // "Oui", then "Non" on the pink one.
    ExpectMessage("Initialiser les données collectées ?", true, [this](TMetroMessage* m) {
        EXPECT_EQ(m->Color(), 16777215);
        ExpectMessage("Initialiser les données collectées ?", false,
                      [](TMetroMessage* pink) { EXPECT_EQ(pink->Color(), 12232186); });
    });
    Click(Form().AdvMetroTile4);
    Settle();
    EXPECT_EQ(Collection().RecordCount(), 3);
    EXPECT_EQ(SavedLines().size(), 3);
    // Two "Oui".
    ExpectMessage("Initialiser les données collectées ?", true,
                  [this](TMetroMessage*) { ExpectMessage("Initialiser les données collectées ?", true); });
    Click(Form().AdvMetroTile4);
    Settle();
    EXPECT_EQ(Collection().RecordCount(), 0);
    EXPECT_EQ(SavedLines(), QStringList()) << "the emptied collection is saved at once";
    EXPECT_EQ(Form().Label2->Caption(), QString("Tallivo - 3 records")) << "the header keeps the last count";
    EXPECT_EQ(FMessages.size(), 5u);
}

// The count emptied is kept beside COLLECTION.XML first; when that archive
// cannot be written, nothing is emptied and the error box says why.
TEST_F(Commands, EmptyingKeepsAnArchiveOrEmptiesNothing) {
    AddLines();
    const auto empty = [this] {
        ExpectMessage("Initialiser les données collectées ?", true,
                      [this](TMetroMessage*) { ExpectMessage("Initialiser les données collectées ?", true); });
        Click(Form().AdvMetroTile4);
        Settle();
    };
    empty();
    const QStringList archives = QDir(FDir.path()).entryList({"COLLECTION-*.XML"});
    ASSERT_EQ(archives.size(), 1);
    EXPECT_TRUE(IsArchiveName(archives[0], "COLLECTION.XML")) << archives[0].toStdString();
    TClientDataSet archive;
    archive.LoadFromFile(Path(archives[0]));
    EXPECT_EQ(archive.RecordCount(), 3);
    EXPECT_EQ(Collection().RecordCount(), 0);

    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "4"); });
    TAtomicFile::SetHook([](TAtomicFile::TStep step, uint64_t) { return step == TAtomicFile::stWrite ? ENOSPC : 0; });
    empty();
    TAtomicFile::SetHook(nullptr);
    ASSERT_EQ(FErrors->Boxes().size(), 1u);
    EXPECT_EQ(FErrors->Boxes()[0].Text, QString("La liste n'est pas vidée : son archive ne peut pas être écrite "
                                                "(Erreur E/S 28). Le comptage reste tel quel."));
    EXPECT_EQ(QuantityOf("ABC"), 4);
    EXPECT_EQ(SavedLines(), QStringList{"ABC=4"});
}

TEST_F(Commands, QuitAsksAndCloses) {
    AddLines();
    ExpectMessage("Quitter ..", false);
    Click(Form().AdvMetroTile25);
    Settle();
    EXPECT_TRUE(Form().isVisible());
    ExpectMessage("Quitter ..", true);
    Click(Form().AdvMetroTile25);
    Settle();
    EXPECT_FALSE(Form().isVisible());
    EXPECT_TRUE(ReadFile("COLLECTION.XML").contains("CODE_ART=\"NOPRICE\""));
}

TEST_F(Commands, ThePanelOfTheCodeFieldGivesItTheFocus) {
    Form().DBGrid1->SetFocus();
    Settle();
    ASSERT_FALSE(Form().Edit1->Focused());
    Click(Form().Panel8, QPoint(200, 100));
    Settle();
    EXPECT_TRUE(Form().Edit1->Focused());
}

TEST_F(Commands, CtrlDeleteInTheFocusedGridAsksFirst) {
    AddLines();
    Form().DBGrid1->SetFocus();
    Settle();
    FErrors->SetAnswer(IDCANCEL);
    PressKey(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(FErrors->Boxes().size(), 1u);
    EXPECT_EQ(FErrors->Boxes()[0].Text, QString("Supprimer l'enregistrement ?"));
    EXPECT_EQ(FErrors->Boxes()[0].Caption, QString("Confirmer"));
    EXPECT_EQ(Collection().RecordCount(), 3);
    FErrors->SetAnswer(IDOK);
    PressKey(Qt::Key_Delete, Qt::ControlModifier);
    Settle();
    EXPECT_EQ(Collection().RecordCount(), 2);
    // The file keeps the deleted line as a deleted row: what counts is that
    // a restart no longer shows it.
    EXPECT_EQ(SavedLines(), QStringList({"ABC=2", "XY;Z=2"})) << "the deletion is saved at once";
    // Ctrl is let go: the next paced movement reads a plain Down.
    EXPECT_FALSE(CurrentShiftState().Contains(ssCtrl));
}
