#include "station/ChangeFeed.h"

#include "table/ClientDataSet.h"

#include <cstring>

namespace tallivo {

void TChangeFeed::Restart(const TClientDataSet& table) {
    FStore = table.Store();
    FVersion = FStore ? FStore->DataVersion() : 0;
    FLogRead = FStore ? FStore->ChangeLog().size() : 0;
    FEmptied = FStore ? FStore->EmptyCount() : 0;
}

TChangeFeed::TOutcome TChangeFeed::Read(const TClientDataSet& table, std::vector<TLineChange>& changes) {
    const IDSBase* store = table.Store();
    if (store != FStore) {
        Restart(table);
        return Replaced;
    }
    if (!store || store->DataVersion() == FVersion) return Nothing;
    TOutcome outcome = Changes;
    const std::vector<TChangeLogEntry>& log = store->ChangeLog();
    if (store->EmptyCount() != FEmptied) {
        outcome = Emptied;
        FLogRead = 0;
    }
    for (; FLogRead < log.size(); ++FLogRead) {
        const TChangeLogEntry& e = log[FLogRead];
        TLineChange change{TLineChange::Added, {}, {}};
        switch (e.Kind) {
        case clInserted:
            store->ReadRecord(e.Slot, change.After);
            break;
        case clModified:
            change.Kind = TLineChange::Changed;
            store->ReadRecord(e.LinkedSlot, change.Before);
            store->ReadRecord(e.Slot, change.After);
            break;
        case clDeleted:
            change.Kind = TLineChange::Deleted;
            store->ReadRecord(e.Slot, change.Before);
            break;
        default:
            continue;
        }
        changes.push_back(std::move(change));
    }
    FVersion = store->DataVersion();
    FEmptied = store->EmptyCount();
    return outcome;
}

bool CurrentRecordEquals(const TClientDataSet& table, const TRecordBuffer& values) {
    const IDSBase* store = table.Store();
    if (!store || int(values.size()) != store->FieldCount()) return false;
    for (int f = 0; f < store->FieldCount(); ++f) {
        const TValueView v = table.CurrentValue(f);
        const TFieldValue& w = values[size_t(f)];
        if (v.Null != w.Null) return false;
        if (!v.Null && (std::memcmp(&v.Float, &w.Float, sizeof v.Float) != 0 || v.Bytes != w.Bytes)) return false;
    }
    return true;
}

} // namespace tallivo
