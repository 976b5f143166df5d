#include "dialogs/Selectarticle3.h"

#include "base/Exception.h"
#include "base/Trim.h"
#include "dialogs/TouchKeyboard.h"
#include "grid/DBGrids.h"
#include "table/ClientDataSet.h"
#include "toolkit/StdCtrls.h"

#include <algorithm>

namespace tallivo {

TSelectarticle3Box* Selectarticle3Box = nullptr;

namespace {

const QString kCodeCaption = QStringLiteral("Code article");
const QString kCodeField = QStringLiteral("CODE_ART");
const QString kNameField = QStringLiteral("NOM_ART");
// The selling price is never offered in the chooser (a title tap may still
// sort by it).
const QString kSellingPriceField = QStringLiteral("PX_VTE_TC");
constexpr TColor kSelection = 14002688;
// The designed client height and the grid's part of it; the least grid that
// still shows a few rows; the room a dialog's title bar takes.
constexpr int kDesignedHeight = 606;
constexpr int kDesignedGrid = 606 - 122 - 33;
constexpr int kLeastGrid = 150;
constexpr int kTitleBarRoom = 40;

// The letters a to z turned into capitals, everything else unchanged.
QString CapitalsAZ(QString text) {
    for (QChar& c : text)
        if (c >= u'a' && c <= u'z') c = QChar(char16_t(c.unicode() - (u'a' - u'A')));
    return text;
}

} // namespace

TSelectarticle3Box::TSelectarticle3Box(TComponent* AOwner, TDataSource* ArticleSource) : TForm(AOwner) {
    CreateLayout(ArticleSource);
    // No taller than the main window it opens over, its own title bar counted.
    const TForm* main = Application ? Application->MainForm() : nullptr;
    FitHeight(main && main->isVisible() ? main->Height() - kTitleBarRoom
                                        : kDesignedHeight + TTouchKeyboard::kFullHeight);
    DoCreate();
}

void TSelectarticle3Box::FitHeight(int room) {
    const int height = std::min(room, kDesignedHeight + TTouchKeyboard::kFullHeight);
    const int keyboard = TTouchKeyboard::HeightFor(height - kDesignedHeight + kDesignedGrid - kLeastGrid);
    SetClientSize(ClientWidth(), height);
    // Below the band: its bottom edge lowest of the bottom-aligned controls.
    Keyboard->SetBounds(0, Panel1->Height(), Panel1->Width(), keyboard);
}

TSelectarticle3Box::~TSelectarticle3Box() {
    if (Selectarticle3Box == this) Selectarticle3Box = nullptr;
}

TClientDataSet& TSelectarticle3Box::Articles() const {
    TClientDataSet* table = DBGrid1->DataSource() ? DBGrid1->DataSource()->DataSet() : nullptr;
    if (!table) throw EInvalidOperation(QStringLiteral("Aucun catalogue à afficher"));
    return *table;
}

void TSelectarticle3Box::FormActivate(TObject*) {
    TClientDataSet& articles = Articles();
    ComboBox4->ClearItems();
    // Which columns can sort the catalogue is asked without building their
    // orders: only the order chosen below is built, or taken from the ones
    // the catalogue keeps, so that opening does not sort six times.
    int nameEntry = -1;
    for (int i = 0; i < DBGrid1->Columns().Count(); ++i) {
        const TColumn* column = DBGrid1->Columns()[i];
        const TField* field = column->Field();
        if (!field) continue; // a field the catalogue lacks: not offered
        const QString name = field->FieldName();
        if (name.compare(kSellingPriceField, Qt::CaseInsensitive) == 0) continue;
        try {
            articles.CheckIndexFieldNames(name);
        } catch (const Exception&) {
            continue;
        }
        if (name.compare(kNameField, Qt::CaseInsensitive) == 0) nameEntry = ComboBox4->ItemCount();
        ComboBox4->AddItem(column->Title().Caption());
    }
    // A catalogue without names opens in the first order offered.
    ComboBox4->SetItemIndex(nameEntry >= 0 ? nameEntry : ComboBox4->ItemCount() > 0 ? 0 : -1);
    ComboBox4Change(ComboBox4);
    select.clear();
    try {
        Edit1->SetFocus();
    } catch (const Exception&) {
        // The search field cannot take the focus yet: the operator taps it.
    }
}

void TSelectarticle3Box::ComboBox4Change(TObject*) {
    try {
        const QString chosen = ComboBox4->Text();
        for (int i = 0; i < DBGrid1->Columns().Count(); ++i) {
            TColumn* column = DBGrid1->Columns()[i];
            if (column->Title().Caption() != chosen) continue;
            const TField* field = column->Field();
            if (!field) break;
            SortBy(field->FieldName());
            Edit1->EditLabel()->SetCaption(column->Title().Caption());
            break;
        }
    } catch (const Exception&) {
        // The order and the label stay as they were.
    }
    ComboBox4->Hide();
}

void TSelectarticle3Box::ComboBox4CloseUp(TObject*) {
    ComboBox4->Hide();
    // The chooser held the focus: typing goes on in the search field.
    try {
        Edit1->SetFocus();
    } catch (const Exception&) {
    }
}

void TSelectarticle3Box::AdvMetroButton8Click(TObject*) {
    ComboBox4->Show();
    ComboBox4->SetAutoDropDown(true);
    // Focus first: the open list then holds the keyboard until it closes
    // (focusing the box after opening would take the keys from the list).
    ComboBox4->SetFocus();
    ComboBox4->SetDroppedDown(true);
}

void TSelectarticle3Box::DBGrid1TitleClick(TColumn* Column) {
    Edit1->EditLabel()->SetCaption(Column->Title().Caption());
    try {
        const TField* field = Column->Field();
        if (!field) throw EDatabaseError(Format("Champ '%s' non trouvé", Column->FieldName()));
        SortBy(field->FieldName());
    } catch (const Exception&) {
        // A column the catalogue cannot sort by: back to the code order.
        Edit1->EditLabel()->SetCaption(kCodeCaption);
        SortBy(kCodeField);
    }
}

void TSelectarticle3Box::SortBy(const QString& fieldName) {
    // The first sort by a field of a large catalogue takes a moment; the
    // orders built are kept, so that coming back to one is immediate.
    TBusyCursor busy;
    Articles().SetIndexFieldNames(fieldName);
}

void TSelectarticle3Box::Edit1Change(TObject*) {
    const QString text = Edit1->Text();
    if (TrimBlanks(text).isEmpty()) return;
    TClientDataSet& articles = Articles();
    articles.SetKey();
    try {
        articles.FieldByName(articles.IndexFieldNames()).SetAsString(CapitalsAZ(text));
    } catch (...) {
        // A refused key value (letters for a price) leaves no key search
        // open behind it: the table is back to browsing at once.
        articles.Cancel();
        throw;
    }
    articles.GotoNearest();
}

void TSelectarticle3Box::Edit1KeyDown(TObject*, TKey& Key, TShiftState) {
    if (Key == VK_UP)
        Articles().Prior();
    else if (Key == VK_DOWN)
        Articles().Next();
}

void TSelectarticle3Box::AdvMetroTile19Click(TObject*) {
    select = Articles().FieldByName(kCodeField).AsString();
}

void TSelectarticle3Box::AdvMetroTile18Click(TObject*) {
    select.clear();
}

void TSelectarticle3Box::DBGrid1DrawColumnCell(TObject*, const TRect& Rect, int DataCol, TColumn* Column,
                                               TGridDrawState State) {
    if (!State.Contains(gdSelected)) return;
    // The current row in the workstation's blue instead of the theme's.
    DBGrid1->Canvas()->Brush.SetColor(kSelection);
    DBGrid1->DefaultDrawColumnCell(Rect, DataCol, Column, State);
}

} // namespace tallivo
