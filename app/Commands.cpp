// The commands of the main window: replacing a quantity, deleting a line,
// emptying the collection, searching the catalogue, quitting, and the two
// small bindings of the grid and the code panel.
#include "app/Master.h"

#include "base/FloatText.h"
#include "dialogs/MetroMessage1.h"
#include "dialogs/Selectarticle3.h"

namespace tallivo {

void TMasterform::AdvMetroTile6Click(TObject*) {
    QString quantity;
    if (!AskQuantity(quantity)) {
        Edit1->SetFocus();
        return;
    }
    Edit2->SetText(quantity);
    TClientDataSet& coll = *CollectionTable;
    if (coll.Locate(QStringLiteral("CODE_ART"), TKeyValue(Edit1->Text()), loCaseInsensitive)) {
        coll.Edit();
        PostOrCancel(coll, [&] { coll.FieldByName(QStringLiteral("QTE")).SetAsFloat(StrToFloat(Edit2->Text())); });
        SaveCollection();
    }
    ReadyForNextCode();
}

void TMasterform::AdvMetroTile2Click(TObject*) {
    DBGrid1->DataSource()->DataSet()->Delete();
    SaveCollection();
    Edit1->SetFocus();
}

void TMasterform::AdvMetroTile4Click(TObject*) {
    const QString question = QStringLiteral("Initialiser les données collectées ?");
    // Both questions take only an answer made on purpose: a double tap on
    // "Oui" or the Enter of a scanner answers neither.
    if (!ShowDestructiveQuestion(question, 16777215)) return;
    // The second question looks different (pink).
    if (!ShowDestructiveQuestion(question, 12232186)) return;
    ArchiveCollection(); // raises, and nothing is emptied, when it fails
    CollectionTable->EmptyDataSet();
    SaveCollection();
}

void TMasterform::AdvMetroTile1Click(TObject*) {
    auto* box = new TSelectarticle3Box(Application, ARTICLE_Source.get());
    Selectarticle3Box = box;
    if (Width() < box->Width()) box->SetWidth(Width() - 5);
    box->ShowModal();
    Edit1->SetText(box->select);
    box->Release();
    // No lookup in between: the add copies the catalogue record the dialog
    // left current, which is the chosen article.
    if (!Edit1->Text().isEmpty()) AdvMetroTile71Click(this);
    Edit1->SetFocus();
}

void TMasterform::AdvMetroTile25Click(TObject*) {
    if (ShowMetroMessage(QStringLiteral("Quitter .."), true, 16777215)) Close();
}

void TMasterform::DBGrid1CellClick(TColumn*) {
    Edit1->SetText(CollectionTable->FieldByName(QStringLiteral("CODE_ART")).AsString());
    Edit1->SetFocus();
}

void TMasterform::Panel8Click(TObject*) { Edit1->SetFocus(); }

} // namespace tallivo
