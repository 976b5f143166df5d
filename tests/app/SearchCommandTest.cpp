// "Recherche": choosing an article in the selection dialog, then keying its
// quantity, adds or accumulates exactly as entering its code would.
#include "Workstation.h"

#include "dialogs/Selectarticle3.h"
#include "toolkit/StdCtrls.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

using namespace tallivo;
using namespace tallivo::test;

namespace {

class SearchCommand : public WorkstationTest {
protected:
    void SetUp() override {
        WorkstationTest::SetUp();
        WriteDefaultCatalogue();
        Start();
    }
    // Taps "Recherche"; in the dialog, searches text and taps "Ok" (or
    // "Annuler" when text is empty), then keys quantity on the keypad.
    void Search(const QString& text, const QString& quantity = QString()) {
        WhenModal([this, text, quantity](TForm* d) {
            auto* box = dynamic_cast<TSelectarticle3Box*>(d);
            if (!box) {
                ADD_FAILURE() << "expected the selection dialog, got '" << d->Caption().toStdString() << "'";
                d->SetModalResult(mrCancel);
                return;
            }
            FDialogWidth = box->Width();
            Settle();
            TypeText(text);
            if (!quantity.isEmpty())
                WhenModal([quantity](TForm* pad) { KeyQuantity(dynamic_cast<TNumPadBox*>(pad), quantity); });
            Click(text.isEmpty() ? box->AdvMetroTile18 : box->AdvMetroTile19);
        });
        Click(Form().AdvMetroTile1);
        Settle();
    }
    int FDialogWidth = 0;
};

} // namespace

TEST_F(SearchCommand, AChosenArticleIsAddedThenAccumulatedLikeAnEnteredCode) {
    Search("peint", "2");
    EXPECT_EQ(Codes(), QStringList{"3760123450017"});
    EXPECT_EQ(QuantityOf("3760123450017"), 2);
    TClientDataSet& c = Collection();
    c.Locate("CODE_ART", TKeyValue(QString("3760123450017")), 0);
    EXPECT_EQ(c.FieldByName("NOM_ART").AsString(), "Peinture \"Blanc d'été\" & co");
    EXPECT_EQ(c.FieldByName("GERE_STOCK").AsString(), "N");
    EXPECT_EQ(Form().Label2->Caption(), "Tallivo - 1 records");
    EXPECT_TRUE(ReadFile("COLLECTION.XML").contains("CODE_ART=\"3760123450017\""));
    // The same article entered by its code, then searched again: one line.
    EnterCode("3760123450017", [](TNumPadBox* pad) { KeyQuantity(pad, "3"); });
    Search("PEINTURE", "5");
    EXPECT_EQ(Codes(), QStringList{"3760123450017"});
    EXPECT_EQ(QuantityOf("3760123450017"), 10);
    EXPECT_TRUE(Form().Edit1->Text().isEmpty());
    EXPECT_TRUE(Form().Edit1->Focused());
    // The catalogue keeps the dialog's order.
    EXPECT_EQ(ArticleTable->IndexFieldNames(), "NOM_ART");
    EXPECT_TRUE(FErrors->Boxes().empty());
}

TEST_F(SearchCommand, CancellingClearsTheCodeFieldAndAddsNothing) {
    Form().Edit1->SetText("ABC");
    // A keypad, should one open, is noted and cancelled.
    bool keypad = false;
    QTimer spy;
    QObject::connect(&spy, &QTimer::timeout, [&] {
        if (auto* pad = dynamic_cast<TNumPadBox*>(QApplication::activeModalWidget())) {
            keypad = true;
            pad->SetModalResult(mrCancel);
        }
    });
    spy.start(5);
    Search(QString());
    ProcessEvents(100);
    EXPECT_FALSE(keypad);
    EXPECT_TRUE(Form().Edit1->Text().isEmpty());
    EXPECT_TRUE(Codes().isEmpty());
    EXPECT_FALSE(QFile::exists(Path("COLLECTION.XML")));
}

TEST_F(SearchCommand, OnANarrowMainWindowTheDialogIsFiveNarrower) {
    Form().SetClientSize(900, 746);
    Settle();
    Search(QString());
    EXPECT_EQ(FDialogWidth, Form().Width() - 5);
    Form().SetClientSize(1208, 746);
    Settle();
    Search(QString());
    EXPECT_GT(FDialogWidth, 1049 - 1);
}
