// Replaying one count from the journal, and the names of the kinds of change.
#include "station/Journal.h"

#include <QHash>

namespace tallivo {

QString JournalKindName(uint8_t kind) {
    switch (TJournalKind(kind)) {
    case TJournalKind::Add:
        return QStringLiteral("Ajout");
    case TJournalKind::Accumulate:
        return QStringLiteral("Cumul");
    case TJournalKind::Replace:
        return QStringLiteral("Quantité");
    case TJournalKind::Delete:
        return QStringLiteral("Supprimer");
    case TJournalKind::GridDelete:
        return QStringLiteral("Suppression grille");
    case TJournalKind::Initialise:
        return QStringLiteral("Initialiser");
    case TJournalKind::Undo:
        return QStringLiteral("Annulation");
    case TJournalKind::Resync:
        return QStringLiteral("Reprise");
    case TJournalKind::Reprise:
        return QStringLiteral("Ligne reprise");
    }
    return QString::number(kind);
}

std::vector<TReplayLine> ReplayCount(const std::vector<TJournalRecord>& records, const QString& station,
                                     int64_t epoch, uint64_t upTo) {
    std::vector<TReplayLine> lines;
    std::vector<bool> present;
    QHash<QString, size_t> at; // code -> index in lines
    for (const TJournalRecord& r : records) {
        if (!r.IsChange() || r.Epoch != epoch || r.Sequence > upTo || r.Station != station) continue;
        if (r.ClearsCount) {
            lines.clear();
            present.clear();
            at.clear();
        }
        if (r.Code.isEmpty() && (r.ClearsCount || r.LineRemoved)) continue; // clears only
        auto it = at.find(r.Code);
        if (r.LineRemoved) {
            if (it != at.end()) present[*it] = false;
            continue;
        }
        if (it == at.end()) {
            it = at.insert(r.Code, lines.size());
            lines.emplace_back();
            present.push_back(true);
        }
        TReplayLine& line = lines[*it];
        present[*it] = true;
        line = {r.Code, r.Name, r.Category, r.Stock, r.Quantity, r.QuantityNull, r.Price, r.PriceNull};
    }
    std::vector<TReplayLine> out;
    out.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        if (present[i]) out.push_back(std::move(lines[i]));
    return out;
}

} // namespace tallivo
