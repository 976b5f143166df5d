// The main window's lifecycle: creating the tables, loading and saving the
// data files, the height rule of the command band.
#include "app/Master.h"

#include "app/SenderStatusView.h"
#include "app/StationFeatures.h"
#include "dialogs/CodeFieldScan.h"
#include "dialogs/MetroMessage1.h"
#include "dialogs/TouchKeyboard.h"
#include "station/CollectionJournal.h"

#include <QDir>
#include <QFileInfo>

namespace tallivo {

TMasterform* Masterform = nullptr;
TClientDataSet* CollectionTable = nullptr;
TClientDataSet* ArticleTable = nullptr;
QString DataDir;

namespace {

struct TFieldDesign {
    const char* Name;
    TFieldType Type;
    int Size;
};

constexpr TFieldDesign kCollectionFields[] = {
    {"CODE_ART", ftString, 25}, {"NOM_ART", ftString, 50},   {"CATEGORIE", ftString, 25},
    {"QTE", ftFloat, 0},        {"PRIX_ACHAT", ftFloat, 0}, {"GERE_STOCK", ftString, 1},
};

constexpr TFieldDesign kArticleFields[] = {
    {"CODE_ART", ftString, 25}, {"NOM_ART", ftString, 50}, {"CATEGORIE", ftString, 25},
    {"PX_VTE_TC", ftFloat, 0},  {"REF_ART_F", ftString, 25}, {"PRIX_ACHAT", ftFloat, 0},
    {"NOM_FOU", ftString, 50},
};

template <std::size_t N>
TClientDataSet* CreateTable(const TFieldDesign (&fields)[N], TDataSource* source) {
    auto* table = new TClientDataSet();
    table->FieldDefs().Clear();
    for (const TFieldDesign& f : fields) table->FieldDefs().Add(QString::fromLatin1(f.Name), f.Type, f.Size, false);
    table->IndexDefs().Clear();
    table->CreateDataSet();
    source->SetDataSet(table);
    table->SetActive(true);
    return table;
}

void FreeTable(TClientDataSet*& table) {
    if (!table) return;
    table->SetActive(false);
    delete table;
    table = nullptr;
}

} // namespace

TMasterform::TMasterform(TComponent* AOwner) : TForm(AOwner) {
    CreateLayout();
    BindEvents();
    FormCreate(this);
    FStation = std::make_unique<TStationFeatures>(*this);
}

TMasterform::~TMasterform() {
    // Tables still alive here were not freed by a close (a test, or a close
    // that never happened): detach them from the grids before they go.
    if (DataSource1) DataSource1->SetDataSet(nullptr);
    if (ARTICLE_Source) ARTICLE_Source->SetDataSet(nullptr);
    FreeTable(CollectionTable);
    FreeTable(ArticleTable);
    if (Masterform == this) Masterform = nullptr;
}

void TMasterform::BindEvents() {
    OnShow = [this](TObject* s) { FormShow(s); };
    OnResize = [this](TObject* s) { FormResize(s); };
    OnActivate = [this](TObject* s) { FormResize(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };

    Edit1->OnKeyDown = [this](TObject* s, TKey& k, TShiftState sh) { Edit1KeyDown(s, k, sh); };
    Edit2->OnKeyDown = [this](TObject* s, TKey& k, TShiftState sh) { Edit1KeyDown(s, k, sh); };
    AdvMetroTile71->OnClick = [this](TObject* s) { AdvMetroTile71Click(s); };
    Button1->OnClick = [this](TObject* s) { Button1Click(s); };

    // The journal names what these two change: a replaced quantity, a line
    // deleted by the tile (not by the grid).
    AdvMetroTile6->OnClick = [this](TObject* s) {
        const TCollectionJournal::TCause cause(Journal(), TJournalKind::Replace);
        AdvMetroTile6Click(s);
    };
    AdvMetroTile2->OnClick = [this](TObject* s) {
        const TCollectionJournal::TCause cause(Journal(), TJournalKind::Delete);
        AdvMetroTile2Click(s);
    };
    AdvMetroTile4->OnClick = [this](TObject* s) { AdvMetroTile4Click(s); };
    AdvMetroTile1->OnClick = [this](TObject* s) { AdvMetroTile1Click(s); };
    AdvMetroTile25->OnClick = [this](TObject* s) { AdvMetroTile25Click(s); };
    DBGrid1->OnCellClick = [this](TColumn* c) { DBGrid1CellClick(c); };
    Panel8->OnClick = [this](TObject* s) { Panel8Click(s); };

    Button2->OnClick = [this](TObject* s) { Button2Click(s); };

    DBGrid1->OnDrawColumnCell = [this](TObject* s, const TRect& r, int col, TColumn* c, TGridDrawState st) {
        DBGrid1DrawColumnCell(s, r, col, c, st);
    };
    AdvMetroButton15->OnClick = [this](TObject* s) { AdvMetroButton15Click(s); };
    AdvMetroButton16->OnClick = [this](TObject* s) { AdvMetroButton16Click(s); };
    Action1->OnExecute = [this](TObject* s) { Action1Execute(s); };
    Action2->OnExecute = [this](TObject* s) { Action2Execute(s); };
    Action3->OnExecute = [this](TObject* s) { Action3Execute(s); };
    Action4->OnExecute = [this](TObject* s) { Action4Execute(s); };

    // A till with only a touch screen and a scanner: a scan into a code left
    // in the code field starts a new code, and the export's file name is
    // typed on the touch keyboard.
    new TCodeFieldScan(Edit1);
    AttachTouchKeyboard(*SaveDialog1);
}

QString TMasterform::DataFile(const QString& name) { return DataDir + u'/' + name; }

void TMasterform::FormCreate(TObject*) {
    DataDir = QDir::currentPath();
    CollectionTable = CreateTable(kCollectionFields, DataSource1.get());
    ArticleTable = CreateTable(kArticleFields, ARTICLE_Source.get());
    WatchCollectionChanges();
    WatchSenderStatus(*this);
}

void TMasterform::FormShow(TObject*) {
    LoadCollectionAtStart();
    StartJournal(QFileInfo::exists(DataFile(QStringLiteral("COLLECTION.XML"))));
    if (QFileInfo::exists(DataFile(QStringLiteral("ARTICLE.XML")))) {
        LoadDataFile(*ArticleTable, QStringLiteral("ARTICLE.XML"));
        // Ready the code lookup now, so that the first scanned code does not
        // wait for it.
        ArticleTable->PrepareLocate(QStringLiteral("CODE_ART"));
        // The article selection opens sorted by name: that order is built on
        // a helper thread meanwhile, so that "Recherche" does not wait for it.
        ArticleTable->PrepareIndexFieldNames(QStringLiteral("NOM_ART"));
    } else {
        ShowMetroMessage(QStringLiteral("Fichier article introuvable"), false, clWhite);
    }
    MatchCodeWidth();
    Edit1->SetFocus();
    try {
        LoadGridLayout();
    } catch (...) {
        // A missing or unreadable layout file leaves the designed columns.
    }
}

void TMasterform::FormResize(TObject*) {
    // One row of command panels from 1024 pixels on, two rows below.
    FlowPanel1->SetHeight(Width() >= 1024 ? 134 : 222);
    PlaceSaveFailure();
}

void TMasterform::FormClose(TObject*, TCloseAction&) {
    // A failed save raises: the close is abandoned and both tables stay.
    WriteCollection();
    try {
        SaveGridLayout();
    } catch (...) {
        // The column layout is a convenience: losing it loses no count.
    }
    DataSource1->SetDataSet(nullptr);
    FreeTable(CollectionTable);
    ARTICLE_Source->SetDataSet(nullptr);
    FreeTable(ArticleTable);
}

// The operator's column order and widths, kept in ART.GRD between runs.
void TMasterform::LoadGridLayout() {
    FLayoutOffered = true;
    DBGrid1->Columns().LoadFromFile(DataFile(QStringLiteral("ART.GRD")));
}

void TMasterform::SaveGridLayout() {
    // When the start stopped on a data file error before the layout was
    // read, the grid holds the designed columns: saving them would replace
    // the operator's layout, so the file is left as it is.
    if (!FLayoutOffered) return;
    DBGrid1->Columns().SaveToFile(DataFile(QStringLiteral("ART.GRD")));
}

} // namespace tallivo
