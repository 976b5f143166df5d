#pragma once
// The session's confirmed changes, newest last, each with what is needed to
// take it back exactly: the collection line before and after the change (all
// its fields, as stored), or the quantity an unknown code had before it was
// counted. Undoing a step is a change like any other (it is saved and
// journaled); it is not recorded as a step itself, so that each further
// undo walks one change further back.

#include "station/ChangeFeed.h"

#include <QString>
#include <deque>
#include <optional>

namespace tallivo {

class TClientDataSet;

struct TUndoStep {
    enum TKind { Line, UnknownCount } Kind = Line;
    TLineChange Change{TLineChange::Added, {}, {}}; // Line
    QString Code;                                   // UnknownCount: the code counted
    std::optional<double> QuantityBefore;           // UnknownCount: its quantity before
    QString Zone;                                   // the zone open when the change was made
};

class TUndoHistory {
public:
    // The oldest steps are forgotten beyond this many.
    static constexpr size_t kLimit = 100000;

    void Push(TUndoStep step);
    bool Empty() const { return FSteps.empty(); }
    size_t Size() const { return FSteps.size(); }
    const TUndoStep& Last() const { return FSteps.back(); }
    void DropLast() { FSteps.pop_back(); }
    void Clear() { FSteps.clear(); }

private:
    std::deque<TUndoStep> FSteps;
};

// Takes back change on table, whose lines are told apart by codeField (letter
// case ignored): an added line is deleted, a changed line gets every field
// back as it was, a deleted line is appended again with every field as it
// was. The cursor is left on the line brought back (for a deletion: where the
// table puts it). Raises EDatabaseError when the line is no longer as the
// change left it; the table is then unchanged.
void UndoLineChange(TClientDataSet& table, const TLineChange& change, const QString& codeField);

} // namespace tallivo
