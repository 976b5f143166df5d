// Entering codes and adding quantities, through the main window as the
// operator does it.
#include "Workstation.h"

#include <cmath>

using namespace tallivo;
using namespace tallivo::test;

namespace {

class Entry : public WorkstationTest {
protected:
    void SetUp() override {
        WorkstationTest::SetUp();
        WriteDefaultCatalogue();
        Start();
    }
};

} // namespace

TEST_F(Entry, AKnownCodeKeyedTwiceGivesOneLineWithTheSum) {
    EnterCode("ABC", [](TNumPadBox* pad) {
        EXPECT_EQ(pad->Caption(), QString("Quantité"));
        EXPECT_EQ(pad->Label14->Caption(), QString("Quantité"));
        KeyQuantity(pad, "2");
    });
    EXPECT_EQ(Collection().RecordCount(), 1);
    EXPECT_EQ(QuantityOf("ABC"), 2);
    EXPECT_TRUE(Form().Edit1->Text().isEmpty());
    EXPECT_EQ(Form().Edit2->Text(), QString("1"));
    EXPECT_TRUE(Form().Edit1->Focused());
    // The new line was saved at once.
    EXPECT_TRUE(ReadFile("COLLECTION.XML").contains("CODE_ART=\"ABC\""));
    EXPECT_TRUE(ReadFile("COLLECTION.XML").contains("QTE=\"2\""));

    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "3"); });
    EXPECT_EQ(Collection().RecordCount(), 1);
    EXPECT_EQ(QuantityOf("ABC"), 5);
    // The sum reaches the file at once too.
    EXPECT_EQ(SavedLines(), QStringList{"ABC=5"});
}

TEST_F(Entry, TheNewLineCopiesTheCatalogueRecord) {
    EnterCode("3760123450017", [](TNumPadBox* pad) { KeyQuantity(pad, "1,5"); });
    TClientDataSet& c = Collection();
    ASSERT_EQ(c.RecordCount(), 1);
    c.First();
    EXPECT_EQ(c.FieldByName("NOM_ART").AsString(), QString("Peinture \"Blanc d'été\" & co"));
    EXPECT_EQ(c.FieldByName("CATEGORIE").AsString(), QString("PEINTURE"));
    EXPECT_EQ(c.FieldByName("PRIX_ACHAT").AsString(), QString("12,5"));
    EXPECT_EQ(c.FieldByName("QTE").AsString(), QString("1,5"));
    EXPECT_EQ(c.FieldByName("GERE_STOCK").AsString(), QString("N")) << "the flag is trimmed";
    // An empty catalogue price gives an empty price.
    EnterCode("NOPRICE", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    c.Last();
    EXPECT_TRUE(c.FieldByName("PRIX_ACHAT").IsNull());
}

TEST_F(Entry, UnknownBlankAndUntrimmedCodes) {
    ExpectMessage("Article inconnu..");
    EnterCode("XYZ");
    EXPECT_EQ(FMessages.size(), 1u);
    EXPECT_TRUE(Form().Edit1->Text().isEmpty()) << "an unknown code is cleared";
    EXPECT_TRUE(Form().Edit1->Focused());

    // A blank code does nothing but keep the focus.
    EnterCode("   ");
    EXPECT_EQ(FMessages.size(), 1u);
    EXPECT_EQ(Collection().RecordCount(), 0);
    EXPECT_TRUE(Form().Edit1->Focused());
    Form().Edit1->SetText({});

    // A leading blank is part of the code.
    ExpectMessage("Article inconnu..");
    EnterCode(" ABC");
    EXPECT_EQ(FMessages.size(), 2u);
    EXPECT_EQ(Collection().RecordCount(), 0);
}

TEST_F(Entry, LetterCaseIsIgnoredAndTheCatalogueCaseKept) {
    EnterCode("abc", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    EnterCode("aBc", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    EXPECT_EQ(Codes(), QStringList({"ABC"}));
    EXPECT_EQ(QuantityOf("ABC"), 2);
}

TEST_F(Entry, CancelOnTheKeypadKeepsTheCodeAndAddsNothing) {
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "7", false); });
    EXPECT_EQ(Collection().RecordCount(), 0);
    EXPECT_EQ(Form().Edit1->Text(), QString("ABC"));
    EXPECT_TRUE(Form().Edit1->Focused());
    // Enter then asks again.
    WhenModal([](TForm* d) { KeyQuantity(dynamic_cast<TNumPadBox*>(d), "4"); });
    PressKey(Qt::Key_Return, {}, "\r");
    Settle();
    EXPECT_EQ(QuantityOf("ABC"), 4);
}

TEST_F(Entry, OkOnAnEmptyKeypadShowsTheConversionErrorAndLeavesNoHalfLine) {
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, ""); });
    ASSERT_EQ(FErrors->Boxes().size(), 1u);
    EXPECT_EQ(FErrors->Boxes()[0].Text, QString("'' n'est pas une valeur en virgule flottante correcte."));
    EXPECT_EQ(Collection().State(), dsBrowse);
    EXPECT_EQ(Collection().RecordCount(), 0);
    EXPECT_EQ(Form().Edit1->Text(), QString("ABC")) << "the code stays for another try";
    EXPECT_FALSE(QFile::exists(Path("COLLECTION.XML")));
    // Moving in the table later posts nothing.
    Collection().First();
    EXPECT_EQ(Collection().RecordCount(), 0);

    // Two separators are refused as well, and an existing line keeps its quantity.
    Form().Edit1->SetText({});
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "3"); });
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "1,,5"); });
    ASSERT_EQ(FErrors->Boxes().size(), 2u);
    EXPECT_EQ(FErrors->Boxes()[1].Text, QString("'1,,5' n'est pas une valeur en virgule flottante correcte."));
    EXPECT_EQ(QuantityOf("ABC"), 3);
    EXPECT_EQ(Collection().State(), dsBrowse);
}

TEST_F(Entry, TheHeaderCountsLinesNotQuantities) {
    EXPECT_EQ(Form().Label2->Caption(), QString("Tallivo"));
    for (int i = 0; i < 3; ++i) EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    EXPECT_EQ(Form().Label2->Caption(), QString("Tallivo - 1 records"));
    EnterCode("XY;Z", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    EXPECT_EQ(Form().Label2->Caption(), QString("Tallivo - 2 records"));
}

TEST_F(Entry, UpAndDownMoveTheGridWithoutMovingTheFocus) {
    for (const char* code : {"ABC", "XY;Z", "NOPRICE"}) EnterCode(code, [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    ASSERT_EQ(Form().DBGrid1->FCurrent().Y, 3);
    Form().Edit1->SetFocus();
    PressKey(Qt::Key_Up);
    EXPECT_EQ(Form().DBGrid1->FCurrent().Y, 2);
    PressKey(Qt::Key_Up);
    PressKey(Qt::Key_Up);
    EXPECT_EQ(Form().DBGrid1->FCurrent().Y, 1);
    PressKey(Qt::Key_Down);
    EXPECT_EQ(Form().DBGrid1->FCurrent().Y, 2);
    EXPECT_EQ(Collection().FieldByName("CODE_ART").AsString(), QString("XY;Z"));
    EXPECT_TRUE(Form().Edit1->Focused());
}
