#include "tests/server/StationSim.h"

#include "station/StationIdentity.h"
#include "table/Fields.h"

#include <QFileInfo>

namespace tallivo::test {

TStationSim::TStationSim(const QString& folder, const QString& identity) : FFolder(folder) {
    if (ReadStationIdentity(folder).isEmpty()) WriteStationIdentity(folder, identity);
    FTable = std::make_unique<TClientDataSet>();
    FTable->FieldDefs().Clear();
    FTable->FieldDefs().Add("CODE_ART", ftString, 25);
    FTable->FieldDefs().Add("NOM_ART", ftString, 50);
    FTable->FieldDefs().Add("CATEGORIE", ftString, 25);
    FTable->FieldDefs().Add("QTE", ftFloat);
    FTable->FieldDefs().Add("PRIX_ACHAT", ftFloat);
    FTable->FieldDefs().Add("GERE_STOCK", ftString, 1);
    FTable->CreateDataSet();
    const QString file = folder + QStringLiteral("/COLLECTION.XML");
    const bool existed = QFileInfo::exists(file);
    if (existed) FTable->LoadFromFile(file);
    FJournal = std::make_unique<TCollectionJournal>(folder);
    if (FJournal->Start(*FTable, existed).SaveNow) Save();
}

TStationSim::~TStationSim() = default;

bool TStationSim::Find(const QString& code) {
    return FTable->Locate("CODE_ART", TKeyValue(code), loCaseInsensitive);
}

void TStationSim::Save() {
    FJournal->Record();
    FTable->SaveToFile(FFolder + QStringLiteral("/COLLECTION.XML"), dfXML);
    FJournal->Confirm();
}

void TStationSim::Count(const QString& code, double qty, const QString& name, double price) {
    if (Find(code)) {
        FTable->Edit();
        FTable->FieldByName("QTE").SetAsFloat(FTable->FieldByName("QTE").AsFloat() + qty);
    } else {
        FTable->Append();
        FTable->FieldByName("CODE_ART").SetAsString(code);
        FTable->FieldByName("NOM_ART").SetAsString(name.isEmpty() ? QStringLiteral("Article ") + code : name);
        FTable->FieldByName("CATEGORIE").SetAsString(QStringLiteral("Cat ") + code.left(1));
        FTable->FieldByName("QTE").SetAsFloat(qty);
        FTable->FieldByName("PRIX_ACHAT").SetAsFloat(price);
        FTable->FieldByName("GERE_STOCK").SetAsString(QStringLiteral("O"));
    }
    FTable->Post();
    Save();
}

bool TStationSim::Replace(const QString& code, double qty) {
    if (!Find(code)) return false;
    const TCollectionJournal::TCause cause(FJournal.get(), TJournalKind::Replace);
    FTable->Edit();
    FTable->FieldByName("QTE").SetAsFloat(qty);
    FTable->Post();
    Save();
    return true;
}

bool TStationSim::Delete(const QString& code, bool byGrid) {
    if (!Find(code)) return false;
    const TCollectionJournal::TCause cause(FJournal.get(), byGrid ? TJournalKind::GridDelete : TJournalKind::Delete);
    FTable->Delete();
    Save();
    return true;
}

void TStationSim::Initialise() {
    FTable->EmptyDataSet();
    Save();
}

} // namespace tallivo::test
