#include "station/UndoHistory.h"

#include "base/CodePage.h"
#include "base/Exception.h"
#include "table/ClientDataSet.h"

namespace tallivo {

namespace {

// Moves the cursor to the line that holds exactly values: first where its
// code is, else anywhere (a table made elsewhere may repeat a code).
bool GotoLine(TClientDataSet& table, const TRecordBuffer& values, const QString& codeField) {
    const TField* code = table.FindField(codeField);
    if (code && size_t(code->Index()) < values.size() && !values[size_t(code->Index())].Null) {
        const QString text = FromAnsi(values[size_t(code->Index())].Bytes);
        if (table.Locate(codeField, TKeyValue(text), loCaseInsensitive) && CurrentRecordEquals(table, values))
            return true;
    }
    for (table.First(); !table.Eof(); table.Next())
        if (CurrentRecordEquals(table, values)) return true;
    return false;
}

// Fills the record being edited or inserted with values, then posts it;
// cancels it when anything fails.
void PostValues(TClientDataSet& table, const TRecordBuffer& values) {
    try {
        for (int f = 0; f < table.Fields().Count() && size_t(f) < values.size(); ++f)
            table.SetFieldValue(*table.Fields()[f], values[size_t(f)]);
        table.Post();
    } catch (...) {
        table.Cancel();
        throw;
    }
}

} // namespace

void TUndoHistory::Push(TUndoStep step) {
    FSteps.push_back(std::move(step));
    if (FSteps.size() > kLimit) FSteps.pop_front();
}

void UndoLineChange(TClientDataSet& table, const TLineChange& change, const QString& codeField) {
    if (change.Kind == TLineChange::Deleted) {
        table.Append();
        PostValues(table, change.Before);
        return;
    }
    if (!GotoLine(table, change.After, codeField)) {
        const TField* code = table.FindField(codeField);
        const QString text = code && size_t(code->Index()) < change.After.size()
                                 ? FromAnsi(change.After[size_t(code->Index())].Bytes)
                                 : QString();
        throw EDatabaseError(
            QStringLiteral("Impossible de défaire : la ligne %1 a changé depuis.").arg(text));
    }
    if (change.Kind == TLineChange::Added) {
        table.Delete();
    } else {
        table.Edit();
        PostValues(table, change.Before);
    }
}

} // namespace tallivo
