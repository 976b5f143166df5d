// Every confirmed change of the workstation reaches the journal in its save
// step, as one record of its kind with the line's quantity after it; a
// journal that cannot be written is shown, and the counting goes on.
#include "Workstation.h"

#include "station/Journal.h"

#include <cerrno>

using namespace tallivo;
using namespace tallivo::test;

namespace {

class Journaling : public WorkstationTest {
protected:
    void SetUp() override {
        WorkstationTest::SetUp();
        WriteDefaultCatalogue();
        Start();
    }
    void TearDown() override {
        TJournalWriter::SetHook(nullptr);
        WorkstationTest::TearDown();
    }
    void Add(const QString& code, const QString& quantity) {
        EnterCode(code, [quantity](TNumPadBox* pad) { KeyQuantity(pad, quantity); });
    }
    void SelectLine(const QString& code) {
        ASSERT_TRUE(Collection().Locate("CODE_ART", TKeyValue(code), {}));
        Form().DBGrid1CellClick(nullptr);
    }
    // The change records as "kind code quantity" ("-" when the line is gone).
    QStringList Changes() {
        const TJournalRead read = ReadJournalFile(Path(kJournalFileName));
        EXPECT_EQ(read.Confirmed, read.Records.size()) << "every record is confirmed once saved";
        QStringList out;
        for (const TJournalRecord& r : read.Records)
            if (r.IsChange())
                out << QStringLiteral("%1 %2 %3")
                           .arg(JournalKindName(r.Kind), r.Code,
                                r.LineRemoved ? "-" : QString::number(r.Quantity));
        return out;
    }
};

} // namespace

TEST_F(Journaling, EachConfirmedChangeIsOneRecordOfItsKind) {
    Add("ABC", "2");
    Add("abc", "3");
    SelectLine("ABC");
    WhenModal([](TForm* d) { KeyQuantity(dynamic_cast<TNumPadBox*>(d), "7"); });
    Click(Form().AdvMetroTile6);
    Settle();
    Add("NOPRICE", "1");
    Add("XY;Z", "4");
    SelectLine("NOPRICE");
    Click(Form().AdvMetroTile2); // "Supprimer"
    Settle();
    SelectLine("XY;Z");
    Form().DBGrid1->SetFocus();
    Settle();
    FErrors->SetAnswer(IDOK);
    PressKey(Qt::Key_Delete, Qt::ControlModifier);
    Settle();
    EXPECT_EQ(Changes(), QStringList({"Ajout ABC 2", "Cumul ABC 5", "Quantité ABC 7", "Ajout NOPRICE 1",
                                      "Ajout XY;Z 4", "Supprimer NOPRICE -", "Suppression grille XY;Z -"}));

    ExpectMessage("Initialiser les données collectées ?", true,
                  [this](TMetroMessage*) { ExpectMessage("Initialiser les données collectées ?", true); });
    Click(Form().AdvMetroTile4);
    Settle();
    const TJournalRead read = ReadJournalFile(Path(kJournalFileName));
    const TJournalRecord& initialise = read.Records[read.Records.size() - 2];
    EXPECT_EQ(initialise.ChangeKind(), TJournalKind::Initialise);
    EXPECT_GT(initialise.Epoch, read.Records.front().Epoch);
    EXPECT_EQ(initialise.Sequence, 1u);
    EXPECT_TRUE(ReadFile("COLLECTION.XML")
                    .contains(QStringLiteral("<PARAM Name=\"TALLIVO_EPOQUE\" Value=\"%1\" Type=\"i8\"/>")
                                  .arg(initialise.Epoch)
                                  .toUtf8()));
}

TEST_F(Journaling, AJournalThatCannotBeWrittenIsShownAndTheCountGoesOn) {
    Add("ABC", "2");
    TJournalWriter::SetHook([](uint64_t) { return ENOSPC; });
    Add("ABC", "3");
    EXPECT_EQ(Form().Label2->Caption(), QString("Journal impossible : Disque plein"));
    EXPECT_TRUE(FErrors->Boxes().empty()) << "no box interrupts the counting";
    EXPECT_EQ(SavedLines(), QStringList{"ABC=5"}) << "the count itself is saved";

    TJournalWriter::SetHook(nullptr);
    Add("NOPRICE", "1");
    EXPECT_EQ(Form().Label2->Caption(), QString("Tallivo - 2 records"));
    EXPECT_EQ(Changes(), QStringList({"Ajout ABC 2", "Cumul ABC 5", "Ajout NOPRICE 1"}))
        << "the change that waited is journaled in its order";
}
