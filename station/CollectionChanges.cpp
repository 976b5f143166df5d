// Reading the collection's changes from its table's change log.
#include "station/CollectionChanges.h"

#include "base/CodePage.h"
#include "base/FloatText.h"
#include "table/DSBase.h"

namespace tallivo {

namespace {

int FieldIndex(const IDSBase& store, const char* name) {
    const QString wanted = QString::fromLatin1(name);
    for (int f = 0; f < store.FieldCount(); ++f)
        if (store.FieldDesc(f).Name.compare(wanted, Qt::CaseInsensitive) == 0) return f;
    return -1;
}

bool IsFloatColumn(const IDSBase& store, int field) {
    return store.Data().Columns[size_t(field)].Kind() == TStoreColumn::TKind::Float;
}

QString TextAt(const IDSBase& store, uint32_t slot, int field) {
    if (field < 0 || store.IsNull(slot, field)) return {};
    if (IsFloatColumn(store, field))
        return QString::fromStdString(FloatToPacketText(store.FloatAt(slot, field)));
    const std::string_view bytes = store.BytesAt(slot, field);
    const TFieldType type = store.FieldDesc(field).DataType;
    if (type == ftString || type == ftFixedChar) return FromAnsi(bytes);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// A number field's value; false when null (or not a number).
bool NumberAt(const IDSBase& store, uint32_t slot, int field, double& value) {
    if (field < 0 || store.IsNull(slot, field)) return false;
    if (IsFloatColumn(store, field)) {
        value = store.FloatAt(slot, field);
        return true;
    }
    bool ok = false;
    const std::string_view bytes = store.BytesAt(slot, field);
    value = QByteArray(bytes.data(), qsizetype(bytes.size())).toDouble(&ok);
    return ok;
}

} // namespace

TCollectionChanges::TFields TCollectionChanges::FieldsOf(const IDSBase& store) {
    return {FieldIndex(store, "CODE_ART"), FieldIndex(store, "NOM_ART"),    FieldIndex(store, "CATEGORIE"),
            FieldIndex(store, "QTE"),      FieldIndex(store, "PRIX_ACHAT"), FieldIndex(store, "GERE_STOCK")};
}

TCollectionLine TCollectionChanges::LineAt(const IDSBase& store, const TFields& f, uint32_t slot) {
    TCollectionLine line;
    line.Code = TextAt(store, slot, f.Code);
    line.Name = TextAt(store, slot, f.Name);
    line.Category = TextAt(store, slot, f.Category);
    line.Stock = TextAt(store, slot, f.Stock);
    line.QuantityNull = !NumberAt(store, slot, f.Quantity, line.Quantity);
    if (line.QuantityNull) line.Quantity = 0;
    line.PriceNull = !NumberAt(store, slot, f.Price, line.Price);
    if (line.PriceNull) line.Price = 0;
    return line;
}

void TCollectionChanges::Follow(const IDSBase& store) {
    FStore = &store;
    FEmptyCount = store.EmptyCount();
    FLogSize = store.ChangeLog().size();
    FFields = FieldsOf(store);
}

std::vector<TCollectionChange> TCollectionChanges::Take(const IDSBase& store) {
    std::vector<TCollectionChange> changes;
    if (&store != FStore) {
        Follow(store);
        return changes;
    }
    if (store.EmptyCount() != FEmptyCount) {
        changes.push_back({TCollectionChange::TWhat::Emptied, {}, {}});
        FEmptyCount = store.EmptyCount();
        FLogSize = 0;
    }
    const std::vector<TChangeLogEntry>& log = store.ChangeLog();
    for (size_t i = FLogSize; i < log.size(); ++i) {
        const TChangeLogEntry& e = log[i];
        TCollectionChange c;
        if (e.Kind == clInserted) {
            c.What = TCollectionChange::TWhat::Inserted;
            c.After = LineAt(store, FFields, e.Slot);
        } else if (e.Kind == clModified) {
            c.What = TCollectionChange::TWhat::Modified;
            c.Before = LineAt(store, FFields, e.LinkedSlot);
            c.After = LineAt(store, FFields, e.Slot);
        } else if (e.Kind == clDeleted) {
            c.What = TCollectionChange::TWhat::Deleted;
            c.Before = LineAt(store, FFields, e.Slot);
        } else {
            continue;
        }
        changes.push_back(std::move(c));
    }
    FLogSize = log.size();
    return changes;
}

std::vector<TCollectionLine> TCollectionChanges::Lines(const IDSBase& store) {
    const TFields fields = FieldsOf(store);
    std::vector<TCollectionLine> lines;
    lines.reserve(store.DefaultOrder().size());
    for (const uint32_t slot : store.DefaultOrder()) lines.push_back(LineAt(store, fields, slot));
    return lines;
}

} // namespace tallivo
