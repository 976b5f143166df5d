// Entering an article code and adding its counted quantity.
#include "app/Master.h"

#include "app/StationFeatures.h"
#include "base/FloatText.h"
#include "dialogs/MetroMessage1.h"
#include "dialogs/Numpad.h"

namespace tallivo {

namespace {
const QString kCode = QStringLiteral("CODE_ART");
} // namespace

void TMasterform::ReadyForNextCode() {
    Edit1->SetText(QString());
    Edit2->SetText(QStringLiteral("1"));
    Edit1->SetFocus();
}

bool TMasterform::AskQuantity(QString& quantity) {
    auto* box = new TNumPadBox(Application);
    box->AdvMetroTile2->SetTag(1);
    // A keyed quantity above the folder's QuantiteMax (99 999 without a
    // settings file) needs a second "Ok".
    box->MaxPlausibleQuantity = FStation ? FStation->Settings().QuantiteMax : 99999;
    box->SetCaption(QStringLiteral("Quantité"));
    box->Label14->SetCaption(QStringLiteral("Quantité"));
    const int result = box->ShowModal();
    if (result != mrCancel) quantity = box->Edit1->Text();
    box->Release();
    return result != mrCancel;
}

void TMasterform::Edit1KeyDown(TObject*, TKey& Key, TShiftState) {
    switch (Key) {
    case VK_UP: CollectionTable->Prior(); break;
    case VK_DOWN: CollectionTable->Next(); break;
    case VK_RETURN:
        if (TrimBlanks(Edit1->Text()).isEmpty()) {
            Edit1->SetFocus();
            return;
        }
        // The code is looked up as typed: not trimmed, letter case ignored.
        if (ArticleTable->Locate(kCode, TKeyValue(Edit1->Text()), loCaseInsensitive)) {
            Station().CountFoundArticle(); // the keypad, or 1 at once in quick mode
        } else {
            // Kept in INCONNUS.CSV; with the setting, the operator may count it.
            if (!Station().TakeUnknownCode(Edit1->Text()))
                ShowMetroMessage(QStringLiteral("Article inconnu.."), false, clWhite);
            Edit1->SetText(QString());
            Edit1->SetFocus();
        }
        break;
    default: break;
    }
}

void TMasterform::AdvMetroTile71Click(TObject*) {
    QString quantity;
    if (!AskQuantity(quantity)) {
        Edit1->SetFocus();
        return;
    }
    Edit2->SetText(quantity);
    Button1Click(this);
    Edit1->SetFocus();
}

void TMasterform::Button1Click(TObject*) {
    TClientDataSet& coll = *CollectionTable;
    if (coll.Locate(kCode, TKeyValue(Edit1->Text()), loCaseInsensitive)) {
        coll.Edit();
        PostOrCancel(coll, [&] {
            TField& qte = coll.FieldByName(QStringLiteral("QTE"));
            const double sum = qte.AsFloat() + StrToFloat(Edit2->Text());
            qte.SetAsFloat(sum);
        });
        ReadyForNextCode();
        SaveCollection();
        return;
    }

    coll.Append();
    PostOrCancel(coll, [&] {
        const TClientDataSet& art = *ArticleTable;
        for (const char* name : {"CODE_ART", "NOM_ART", "CATEGORIE", "PRIX_ACHAT"}) {
            const QString field = QString::fromLatin1(name);
            coll.FieldByName(field).SetAsString(art.FieldByName(field).AsString());
        }
        const QString stock = QStringLiteral("GERE_STOCK");
        coll.FieldByName(stock).SetAsString(TrimBlanks(art.FieldByName(stock).AsString()));
        coll.FieldByName(QStringLiteral("QTE")).SetAsFloat(StrToFloat(Edit2->Text()));
    });
    ReadyForNextCode();
    SetHeader(QStringLiteral("Tallivo - %1 records").arg(coll.RecordCount()));
    SaveCollection();
}

} // namespace tallivo
