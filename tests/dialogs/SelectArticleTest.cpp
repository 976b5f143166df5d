// The article selection dialog over small catalogues: opening, the sort
// chooser, title taps, the incremental search, "Ok", "Annuler" and Enter.
#include "DialogTestUtil.h"
#include "dialogs/Selectarticle3.h"
#include "grid/DBGrids.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "table/DataSource.h"
#include "tiles/AdvMetroButton.h"
#include "tiles/AdvMetroTile.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

#include <QApplication>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <memory>

using namespace tallivo;
using namespace tallivo::test;

namespace {

struct TArticleRow {
    const char* Code;
    const char* Name;
    const char* Supplier;
    double PurchasePrice;
};

const std::vector<TArticleRow> kHardware = {
    {"V1", "Vis à bois", "Fixations", 0.12}, {"C1", "Clou", "Pointes SA", 0.05},
    {"Z1", "Zinc", "Métaux", 9.5},           {"V2", "vis inox", "Fixations", 0.3},
    {"V3", "Vernis", "Couleurs", 12},        {"B1", "Boulon", "Fixations", 0.4},
};

// A catalogue with the seven fields the dialog shows, less those in missing.
std::unique_ptr<TClientDataSet> MakeCatalogue(const std::vector<TArticleRow>& rows,
                                              QStringList missing = {}) {
    auto t = std::make_unique<TClientDataSet>();
    const std::pair<const char*, TFieldType> fields[] = {
        {"CODE_ART", ftString},  {"NOM_ART", ftString},   {"CATEGORIE", ftString}, {"PX_VTE_TC", ftFloat},
        {"REF_ART_F", ftString}, {"PRIX_ACHAT", ftFloat}, {"NOM_FOU", ftString}};
    for (const auto& [name, type] : fields)
        if (!missing.contains(name)) t->FieldDefs().Add(name, type, type == ftString ? 50 : 0);
    t->CreateDataSet();
    for (const TArticleRow& r : rows) {
        t->Append();
        t->FieldByName("CODE_ART").SetAsString(r.Code);
        if (TField* f = t->FindField("NOM_ART")) f->SetAsString(QString::fromUtf8(r.Name));
        if (TField* f = t->FindField("NOM_FOU")) f->SetAsString(QString::fromUtf8(r.Supplier));
        t->FieldByName("PRIX_ACHAT").SetAsFloat(r.PurchasePrice);
        t->Post();
    }
    t->First();
    return t;
}

class SelectArticle : public testing::Test {
protected:
    void SetUp() override { ParkPointer(); }
    void TearDown() override {
        Box.reset();
        Source.SetDataSet(nullptr);
        Table.reset();
    }

    // Creates the dialog over the catalogue and shows it active (which
    // activates it, as when it opens).
    void Open(const std::vector<TArticleRow>& rows = kHardware, QStringList missing = {}) {
        Table = MakeCatalogue(rows, std::move(missing));
        Source.SetDataSet(Table.get());
        Reopen();
    }
    void Reopen() {
        Box = std::make_unique<TSelectarticle3Box>(nullptr, &Source);
        ShowAndActivate(Box.get());
        Settle();
    }
    void TapTitle(int column) { Box->DBGrid1TitleClick(Box->DBGrid1->Columns()[column]); }
    QString Current(const char* field = "NOM_ART") const { return Table->FieldByName(field).AsString(); }
    QString Label() const { return Box->Edit1->EditLabel()->Caption(); }
    QStringList Chooser() const {
        QStringList items;
        for (int i = 0; i < Box->ComboBox4->ItemCount(); ++i) items << Box->ComboBox4->Item(i);
        return items;
    }
    bool SearchFieldFocused() const { return QApplication::focusWidget() == Box->Edit1->Editor(); }

    std::unique_ptr<TClientDataSet> Table;
    TDataSource Source;
    std::unique_ptr<TSelectarticle3Box> Box;
};

const QStringList kDesignedChooser = {"Code article",    "Désignation", "Fournisseur",
                                      "Ref art fourni.", "Catégorie",   "Prix achat"};

} // namespace

TEST_F(SelectArticle, OpensSortedByNameWithAnEmptyFocusedFieldAndBuildsOneOrderOnly) {
    Open();
    EXPECT_EQ(Table->IndexFieldNames(), "NOM_ART");
    EXPECT_EQ(Label(), "Désignation");
    EXPECT_EQ(Chooser(), kDesignedChooser); // the selling price is never offered
    EXPECT_EQ(Box->ComboBox4->Text(), "Désignation");
    EXPECT_FALSE(Box->ComboBox4->Visible());
    EXPECT_TRUE(Box->Edit1->Text().isEmpty());
    EXPECT_TRUE(SearchFieldFocused());
    EXPECT_TRUE(Box->select.isEmpty());
    // The six candidate columns were checked, not sorted by.
    EXPECT_EQ(Table->Store()->SortOrdersBuilt(), 1u);

    // A title tap sorts by its column; opening again returns to the name
    // order without sorting again (the catalogue did not change).
    TapTitle(3);
    EXPECT_EQ(Table->IndexFieldNames(), "NOM_FOU");
    Box.reset();
    Reopen();
    EXPECT_EQ(Table->IndexFieldNames(), "NOM_ART");
    EXPECT_EQ(Table->Store()->SortOrdersBuilt(), 2u);
    EXPECT_EQ(Label(), "Désignation");
}

TEST_F(SelectArticle, AColumnTheCatalogueLacksStaysEmptyIsNotOfferedAndFallsBackToTheCode) {
    MessageBoxRecorder errors;
    Open(kHardware, {"NOM_FOU"});
    EXPECT_EQ(Chooser(),
              (QStringList{"Code article", "Désignation", "Ref art fourni.", "Catégorie", "Prix achat"}));
    EXPECT_EQ(Box->DBGrid1->Columns().Count(), 7);
    EXPECT_EQ(Box->DBGrid1->Columns()[3]->Field(), nullptr);
    TapTitle(3);
    EXPECT_EQ(Label(), "Code article");
    EXPECT_EQ(Table->IndexFieldNames(), "CODE_ART");
    Grab(Box->DBGrid1);
    EXPECT_TRUE(errors.Boxes().empty());

    // Without names the dialog opens in the first order it offers.
    Open(kHardware, {"NOM_ART"});
    EXPECT_EQ(Chooser().first(), "Code article");
    EXPECT_EQ(Label(), "Code article");
    EXPECT_EQ(Table->IndexFieldNames(), "CODE_ART");
    EXPECT_TRUE(errors.Boxes().empty());
}

TEST_F(SelectArticle, TypingShowsCapitalsAndJumpsToTheNearestNameErasingLeavesTheCursor) {
    Open();
    TypeText("vis");
    EXPECT_EQ(Box->Edit1->Text(), "VIS");
    // Case is a lower-weight difference: "VIS" sorts before every name that
    // begins with vis, and the first of them is "Vis à bois".
    EXPECT_EQ(Current(), "Vis à bois");
    TypeText(" i");
    EXPECT_EQ(Current(), "vis inox");
    Box->Edit1->Clear();
    EXPECT_EQ(Current(), "vis inox");
    TypeText("  ");
    EXPECT_EQ(Current(), "vis inox");
    // Blanks before a letter are part of the key: they sort before letters.
    TypeText("Z");
    EXPECT_EQ(Current(), "Boulon");
    // Past every name: the last one.
    Box->Edit1->SetText("ZZ");
    EXPECT_EQ(Current(), "Zinc");
    // Pasted text is shown and searched in capitals too: "VIS INOX" sorts
    // after "vis inox".
    Box->Edit1->Clear();
    Box->Edit1->Editor()->insert("vis inox");
    EXPECT_EQ(Box->Edit1->Text(), "VIS INOX");
    EXPECT_EQ(Current(), "Zinc");
    EXPECT_EQ(Table->State(), dsBrowse);
}

TEST_F(SelectArticle, TheChooserOpensItsListAndHidesWhenTheListClosesPickedOrNot) {
    Open();
    Click(Box->AdvMetroButton8);
    Settle();
    EXPECT_TRUE(Box->ComboBox4->Visible());
    EXPECT_TRUE(Box->ComboBox4->DroppedDown());
    EXPECT_EQ(Box->ActiveControl(), Box->ComboBox4);
    // Escape closes the list without a pick: the order stays.
    PressKey(Qt::Key_Escape);
    Settle();
    EXPECT_FALSE(Box->ComboBox4->DroppedDown());
    EXPECT_FALSE(Box->ComboBox4->Visible());
    EXPECT_EQ(Table->IndexFieldNames(), "NOM_ART");
    EXPECT_TRUE(SearchFieldFocused());

    // Up to "Code article" and Enter: picked in the list, not "Ok" pressed.
    Click(Box->AdvMetroButton8);
    Settle();
    PressKey(Qt::Key_Up);
    PressKey(Qt::Key_Return, {}, "\r");
    Settle();
    EXPECT_FALSE(Box->ComboBox4->Visible());
    EXPECT_EQ(Table->IndexFieldNames(), "CODE_ART");
    EXPECT_EQ(Label(), "Code article");
    EXPECT_TRUE(Box->select.isEmpty());
    EXPECT_TRUE(Box->isVisible());
    TypeText("v");
    EXPECT_EQ(Current("CODE_ART"), "V1");
}

TEST_F(SelectArticle, OkEnterAndCancelEndTheDialogWithTheCodeOrNothing) {
    Table = MakeCatalogue(kHardware);
    Source.SetDataSet(Table.get());
    ModalWatchdog watchdog;
    struct Case {
        std::function<void(TSelectarticle3Box*)> Act;
        int Result;
        QString Code;
        QString Current; // the catalogue's current article afterwards
    };
    const Case cases[] = {
        // Ok without moving: the article the cursor stood on ("Boulon" is
        // first by name; the cursor stays on the catalogue's first record).
        {[](TSelectarticle3Box* b) { Click(b->AdvMetroTile19); }, mrOk, "V1", "V1"},
        // Down in the search field, then Enter: "Ok" pressed for the next one.
        {[](TSelectarticle3Box*) {
             PressKey(Qt::Key_Down);
             PressKey(Qt::Key_Return, {}, "\r");
         },
         mrOk, "V2", "V2"},
        {[](TSelectarticle3Box* b) {
             PressKey(Qt::Key_Up);
             Click(b->AdvMetroTile18);
         },
         mrCancel, "", "V1"},
    };
    for (const Case& c : cases) {
        Box = std::make_unique<TSelectarticle3Box>(nullptr, &Source);
        WhenModal([&c](TForm* d) {
            Settle();
            c.Act(dynamic_cast<TSelectarticle3Box*>(d));
        });
        EXPECT_EQ(Box->ShowModal(), c.Result);
        EXPECT_EQ(Box->select, c.Code);
        EXPECT_EQ(Current("CODE_ART"), c.Current);
        Settle();
    }
    // The order chosen in the dialog stays in force once it is closed.
    Box.reset();
    EXPECT_EQ(Table->IndexFieldNames(), "NOM_ART");
}

TEST_F(SelectArticle, LettersForAPriceAreRefusedAndLeaveNoKeySearchOpen) {
    MessageBoxRecorder errors;
    Open();
    TapTitle(6);
    EXPECT_EQ(Label(), "Prix achat");
    const QString before = Current("CODE_ART");
    TypeText("a");
    ASSERT_EQ(errors.Boxes().size(), 1u);
    EXPECT_EQ(errors.Boxes()[0].Text,
              "'A' n'est pas une valeur entière en virgule flottante correcte pour le champ 'PRIX_ACHAT'");
    EXPECT_EQ(errors.Boxes()[0].Flags, unsigned(MB_OK | MB_ICONERROR));
    EXPECT_EQ(Current("CODE_ART"), before);
    EXPECT_EQ(Table->State(), dsBrowse);
    // A number then searches as usual.
    Box->Edit1->SetText("0,3");
    EXPECT_EQ(Current("CODE_ART"), "V2");
    EXPECT_EQ(errors.Boxes().size(), 1u);
}

TEST_F(SelectArticle, ActivatingAgainResetsTheOrderAndTheChoice) {
    Open();
    TapTitle(3);
    Box->select = "C1";
    TForm other(nullptr);
    ShowAndActivate(&other);
    ShowAndActivate(Box.get());
    EXPECT_EQ(Table->IndexFieldNames(), "NOM_ART");
    EXPECT_EQ(Label(), "Désignation");
    EXPECT_TRUE(Box->select.isEmpty());
}

TEST_F(SelectArticle, TheCurrentRowIsPaintedInTheWorkstationBlue) {
    Open();
    TDBGrid* g = Box->DBGrid1;
    const QImage image = Grab(g);
    const TPoint o = g->ClientOffset();
    const TRect name = g->CellRect(1, g->Row()), otherName = g->CellRect(1, g->Row() == 1 ? 2 : 1);
    // Right of the (short) names: the cells' own fill.
    EXPECT_EQ(PixelAt(image, o.X + name.Right - 4, o.Y + name.Top + 4), TColor(14002688));
    EXPECT_EQ(PixelAt(image, o.X + otherName.Right - 4, o.Y + otherName.Top + 4), TColor(clWhite));
    // The code of the current row is written over the blue in white.
    const TRect code = g->CellRect(0, g->Row());
    const QRect codeArea(o.X + code.Left + 2, o.Y + code.Top + 2, code.Width() - 4, code.Height() - 4);
    EXPECT_GT(InkPixels(image, codeArea, 14002688), 20);
}

TEST_F(SelectArticle, TheSearchLabelSitsTenPixelsLeftOfTheFieldWhateverItsCaption) {
    Open();
    const TLabel* label = Box->Edit1->EditLabel();
    for (int column : {3, 4, 0}) {
        TapTitle(column);
        Settle();
        EXPECT_EQ(label->Left() + label->Width(), Box->Edit1->Left() - 10) << label->Caption().toStdString();
        EXPECT_EQ(label->Top() + label->Height() / 2, Box->Edit1->Top() + Box->Edit1->Height() / 2);
    }
    // The band below the grid, with "Ok" and "Annuler" kept at its right
    // edge when the dialog is narrowed.
    EXPECT_EQ(Box->DBGrid1->BoundsRect(), Bounds(20, 30, 1009, 606 - 122 - 33));
    Box->SetWidth(895);
    Settle();
    EXPECT_EQ(Box->Panel8->Left() + Box->Panel8->Width(), Box->ClientWidth() - 3);
    EXPECT_EQ(Box->DBGrid1->Width(), Box->ClientWidth() - 40);
}
