#pragma once
// The changes of a table's lines, read from its change log. Every change the
// table accepts (a line added, a changed value, a line deleted) appends an
// entry to the log and keeps the line as it was in a slot of its own, so the
// log tells, change after change, what each line was before and after:
// undo, the progress count and the sounds read it there instead of hooking
// every command that changes the collection (the grid's own Ctrl+Delete
// included).

#include "table/DSBase.h"

#include <vector>

namespace tallivo {

class TClientDataSet;

struct TLineChange {
    enum TKind { Added, Changed, Deleted } Kind;
    TRecordBuffer Before; // empty for Added
    TRecordBuffer After;  // empty for Deleted
};

class TChangeFeed {
public:
    enum TOutcome {
        Nothing,  // no change since the last look
        Changes,  // changes were appended
        Emptied,  // the table was emptied (its log and lines dropped); changes may follow
        Replaced, // another content was opened (a load): start again from it
    };
    // Appends to changes what the table's log gained since the last call
    // (after an emptying: since the emptying).
    TOutcome Read(const TClientDataSet& table, std::vector<TLineChange>& changes);
    // Takes the table as it is now as the starting point: nothing before it
    // is reported.
    void Restart(const TClientDataSet& table);

private:
    const IDSBase* FStore = nullptr;
    uint64_t FVersion = 0;
    size_t FLogRead = 0;
    uint64_t FEmptied = 0; // the store's EmptyCount when last read
};

// True when the table's current record holds exactly these values.
bool CurrentRecordEquals(const TClientDataSet& table, const TRecordBuffer& values);

} // namespace tallivo
