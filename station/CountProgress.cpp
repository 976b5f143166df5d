#include "station/CountProgress.h"

#include "base/CodePage.h"
#include "table/ClientDataSet.h"

namespace tallivo {

namespace {
const QString kCode = QStringLiteral("CODE_ART");
} // namespace

void TCountProgress::Recount(TClientDataSet& catalogue, const TClientDataSet& collection) {
    FCatalogue = nullptr;
    FCounted = 0;
    const TField* code = collection.FindField(kCode);
    if (!catalogue.Active() || !catalogue.FindField(kCode) || !code || !collection.Store()) return;
    FCatalogue = &catalogue;
    FCodeInCollection = code->Index();
    const IDSBase& store = *collection.Store();
    for (const uint32_t slot : store.DefaultOrder())
        if (!store.IsNull(slot, FCodeInCollection) &&
            catalogue.ContainsIgnoreCase(kCode, FromAnsi(store.BytesAt(slot, FCodeInCollection))))
            ++FCounted;
}

int TCountProgress::Counts(const TRecordBuffer& line) const {
    if (size_t(FCodeInCollection) >= line.size()) return 0;
    const TFieldValue& code = line[size_t(FCodeInCollection)];
    return !code.Null && FCatalogue->ContainsIgnoreCase(kCode, FromAnsi(code.Bytes)) ? 1 : 0;
}

void TCountProgress::Apply(const TLineChange& change) {
    if (!FCatalogue) return;
    switch (change.Kind) {
    case TLineChange::Added: FCounted += Counts(change.After); break;
    case TLineChange::Deleted: FCounted -= Counts(change.Before); break;
    case TLineChange::Changed:
        // A quantity changed: the code is the same, nothing to look up.
        if (change.Before[size_t(FCodeInCollection)] != change.After[size_t(FCodeInCollection)])
            FCounted += Counts(change.After) - Counts(change.Before);
        break;
    }
}

int64_t TCountProgress::Total() const {
    return FCatalogue ? FCatalogue->RecordCount() : 0;
}

QString ProgressText(int64_t counted, int64_t total) {
    const auto grouped = [](int64_t n) {
        QString digits = QString::number(n);
        for (qsizetype at = digits.size() - 3; at > (digits.startsWith(u'-') ? 1 : 0); at -= 3)
            digits.insert(at, QChar(0x00A0));
        return digits;
    };
    const bool plural = counted > 1 || counted < -1;
    return QStringLiteral("%1 %2 sur %3")
        .arg(grouped(counted), plural ? QStringLiteral("articles comptés") : QStringLiteral("article compté"),
             grouped(total));
}

} // namespace tallivo
