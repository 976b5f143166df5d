// The count is blind: a catalogue that carries the expected stock works as
// one without it, and the figure shows nowhere on the station. And the
// recount catalogue of the back office's report is one a station loads and
// counts with.
#include "Workstation.h"

#include "dialogs/Selectarticle3.h"
#include "grid/DBGrids.h"
#include "report/ReportFiles.h"
#include "table/DSBase.h"
#include "toolkit/Dialogs.h"
#include "toolkit/StdCtrls.h"
#include "tools/catgen/Catalogue.h"

using namespace tallivo;
using namespace tallivo::test;

namespace {

QStringList FieldNames(TDBGrid& grid) {
    QStringList names;
    for (int i = 0; i < grid.Columns().Count(); ++i) names << grid.Columns()[i]->FieldName();
    return names;
}

class BlindCount : public WorkstationTest {
protected:
    void TearDown() override {
        TSaveDialog::ExecuteHook = nullptr;
        WorkstationTest::TearDown();
    }
};

} // namespace

TEST_F(BlindCount, TheExpectedStockShowsNowhereOnTheStation) {
    TClientDataSet catalogue;
    catgen::DefineCatalogueFields(catalogue);
    catalogue.FieldDefs().Add("STOCK", ftFloat);
    catalogue.CreateDataSet();
    for (const char* code : {"ABC", "DEF"}) {
        catalogue.Append();
        catalogue.FieldByName("CODE_ART").SetAsString(code);
        catalogue.FieldByName("NOM_ART").SetAsString("Vis");
        catalogue.FieldByName("PX_VTE_TC").SetAsString("2");
        catalogue.FieldByName("PRIX_ACHAT").SetAsString("1");
        catalogue.FieldByName("GERE_STOCK").SetAsString("O");
        catalogue.FieldByName("STOCK").SetAsString("987654");
        catalogue.Post();
    }
    catalogue.SaveToFile(Path("ARTICLE.XML"), dfXML);
    Start();
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "3"); });
    EXPECT_EQ(QuantityOf("ABC"), 3);

    QStringList searchColumns;
    WhenModal([&searchColumns](TForm* d) {
        if (auto* box = dynamic_cast<TSelectarticle3Box*>(d)) searchColumns = FieldNames(*box->DBGrid1);
        d->SetModalResult(mrCancel);
    });
    Click(Form().AdvMetroTile1);
    Settle();
    EXPECT_FALSE(searchColumns.isEmpty());
    EXPECT_FALSE(searchColumns.contains("STOCK")) << searchColumns.join(' ').toStdString();
    EXPECT_FALSE(FieldNames(*Form().DBGrid1).contains("STOCK"));

    TSaveDialog::ExecuteHook = [this](TSaveDialog& d) {
        d.FileName = Path("EXPORT.CSV");
        return true;
    };
    ExpectMessage("Opération terminée");
    Click(Form().Button2);
    Settle();
    for (const char* file : {"COLLECTION.XML", "EXPORT.CSV"}) EXPECT_FALSE(ReadFile(file).contains("987654")) << file;
    EXPECT_FALSE(ReadFile("COLLECTION.XML").contains("\"STOCK\""));
    EXPECT_TRUE(
        ReadFile("EXPORT.CSV").startsWith("CODE_ART;NOM_ART;CATEGORIE;QTE;PRIX_ACHAT\r\nABC;Vis;;3;1\r\n"));
    EXPECT_TRUE(FErrors->Boxes().empty());
}

TEST_F(BlindCount, AStationCountsWithTheRecountCatalogue) {
    catgen::TCatalogueKinds kinds;
    kinds.Stock = "i4";
    IDSBase store(catgen::MakeCatalogue(200, 1, kinds));
    report::TCount count;
    count.Lines = catgen::MakeCount(200, 150);
    const report::TStockReport made(store, std::move(count));
    QString recounted, notRecounted;
    for (const report::TReportLine& l : made.Lines()) {
        if (l.Recount && l.Article && recounted.isEmpty()) recounted = made.Code(l);
        if (!l.Recount && l.Article && notRecounted.isEmpty()) notRecounted = made.Code(l);
    }
    ASSERT_FALSE(recounted.isEmpty());
    ASSERT_FALSE(notRecounted.isEmpty());
    TClientDataSet recount;
    recount.LoadFromStoreData(report::RecountCatalogue(made));
    recount.SaveToFile(Path("ARTICLE.XML"), dfXML);

    Start();
    EnterCode(recounted.toLower(), [](TNumPadBox* pad) { KeyQuantity(pad, "2"); });
    EXPECT_EQ(Codes(), QStringList{recounted});
    EXPECT_EQ(QuantityOf(recounted), 2);
    ExpectMessage("Article inconnu..");
    EnterCode(notRecounted);
    EXPECT_EQ(SavedLines(), QStringList{recounted + "=2"});
    EXPECT_TRUE(FErrors->Boxes().empty());
}
