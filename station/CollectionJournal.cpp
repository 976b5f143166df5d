// The journal of the collection: settling identity and count at the start
// (Start), journaling each save step's changes (Record, Confirm).
#include "station/CollectionJournal.h"

#include "base/Exception.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <algorithm>
#include <cmath>

namespace tallivo {

namespace {

// Records that waited this long for a journal that cannot be written are
// dropped; the count is restated in full once it can be written again.
constexpr size_t kMaxPending = 10000;

bool SameNumber(double a, bool aNull, double b, bool bNull) {
    if (aNull || bNull) return aNull == bNull;
    // The collection file keeps 16 significant digits of a number.
    return std::fabs(a - b) <= 1e-13 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

// True when the count replayed from the journal has exactly the lines of
// the collection (in any order).
bool SameLines(const std::vector<TReplayLine>& journal, const std::vector<TCollectionLine>& collection) {
    if (journal.size() != collection.size()) return false;
    QHash<QString, const TReplayLine*> byCode;
    byCode.reserve(qsizetype(journal.size()));
    for (const TReplayLine& l : journal) byCode.insert(l.Code, &l);
    for (const TCollectionLine& c : collection) {
        const TReplayLine* j = byCode.value(c.Code);
        if (!j || j->Name != c.Name || j->Category != c.Category || j->Stock != c.Stock ||
            !SameNumber(j->Quantity, j->QuantityNull, c.Quantity, c.QuantityNull) ||
            !SameNumber(j->Price, j->PriceNull, c.Price, c.PriceNull))
            return false;
        byCode.remove(c.Code);
    }
    return true;
}

} // namespace

TCollectionJournal::TCollectionJournal(QString folder)
    : FFolder(std::move(folder)), FWriter(QDir(FFolder).filePath(QString::fromLatin1(kJournalFileName))) {}

TCollectionJournal::~TCollectionJournal() = default;

QString TCollectionJournal::JournalPath() const {
    return QDir(FFolder).filePath(QString::fromLatin1(kJournalFileName));
}

TCollectionJournal::TCause::TCause(TCollectionJournal* journal, TJournalKind kind) : FJournal(journal) {
    if (!FJournal) return;
    FPrevious = FJournal->FCause;
    FJournal->FCause = kind;
}

TCollectionJournal::TCause::~TCause() {
    if (FJournal) FJournal->FCause = FPrevious;
}

TCollectionJournal::TStart TCollectionJournal::Start(TClientDataSet& collection, bool fileExisted) {
    TStart result;
    if (!collection.Active() || !collection.Store())
        return result; // a file that failed to load stays as it is
    FCollection = &collection;
    const IDSBase& store = *collection.Store();

    // A quick look over the whole journal: which records, of which counts.
    TJournalRead read;
    bool readable = true;
    try {
        read = ReadJournalFile(JournalPath(), 0, false);
        if (read.NotAJournal)
            throw Exception(QStringLiteral("%1 n'est pas un journal de Tallivo").arg(JournalPath()));
    } catch (const Exception& e) {
        FFailure = e.Message();
        readable = false;
        read = {};
    }
    const TCountIdentity file = fileExisted ? ReadCountIdentity(store.Data().Params) : TCountIdentity{};
    auto journalHas = [&](const TCountId& count) {
        return std::any_of(read.Records.begin(), read.Records.end(), [&](const TJournalRecord& r) {
            return r.Station == count.Station && r.Epoch == count.Epoch;
        });
    };

    FStation = ReadStationIdentity(FFolder);
    if (FStation.isEmpty()) {
        // POSTE.ID lost while the journal shows the collection is this
        // folder's own count: the identity comes back. Otherwise a new one.
        FStation = file.Own && journalHas(*file.Own) ? file.Own->Station : NewStationIdentity();
        try {
            WriteStationIdentity(FFolder, FStation);
        } catch (const Exception& e) {
            FFailure = e.Message();
        }
    }
    const bool ownFile = file.Own && file.Own->Station == FStation;
    int64_t lastEpoch = ownFile ? file.Own->Epoch : 0;
    for (const TJournalRecord& r : read.Records)
        if (r.Station == FStation) lastEpoch = std::max(lastEpoch, r.Epoch);

    // What follows the last confirmation is unconfirmed, except the changes
    // the collection holds (a kill between its save and the confirmation).
    size_t keep = read.Confirmed;
    if (ownFile)
        for (size_t i = keep; i < read.Records.size(); ++i) {
            const TJournalRecord& r = read.Records[i];
            if (r.IsChange() && r.Station == FStation && r.Epoch == file.Own->Epoch &&
                r.Sequence <= file.Sequence)
                keep = i + 1;
        }
    FKeepEnd = !readable ? UINT64_MAX : keep ? read.Ends[keep - 1] : uint64_t(JournalHeader().size());
    read.Records.resize(keep);

    if (ownFile) {
        FEpoch = file.Own->Epoch;
        FSequence = file.Sequence;
        for (const TJournalRecord& r : read.Records)
            if (r.IsChange() && r.Station == FStation && r.Epoch == FEpoch)
                FSequence = std::max(FSequence, r.Sequence);
        FHolds = file.Holds;
    } else {
        FEpoch = NextEpoch(lastEpoch);
        FSequence = 0;
        FHolds = file.Holds;
        if (file.Own) {
            result.TakenOver = file.Own;
            if (std::find(FHolds.begin(), FHolds.end(), *file.Own) == FHolds.end())
                FHolds.push_back(*file.Own);
        }
        result.SaveNow = fileExisted;
    }
    FJournaled = FSequence;

    if (readable) {
        try {
            FWriter.Open(FKeepEnd);
            if (keep > read.Confirmed) { // the collection confirmed these records
                TJournalRecord confirmation;
                confirmation.Type = TJournalRecord::TType::Confirmation;
                confirmation.Kind = 0;
                confirmation.Station = FStation;
                confirmation.Epoch = FEpoch;
                confirmation.Sequence = FJournaled;
                confirmation.Time = QDateTime::currentMSecsSinceEpoch();
                FWriter.Append({confirmation}, true);
            }
        } catch (const Exception& e) {
            FFailure = e.Message();
        }
    }

    // The journal's current count against the collection's lines.
    if (fileExisted) {
        std::vector<TReplayLine> replayed;
        if (ownFile && readable && keep > 0) {
            auto first = std::find_if(read.Records.begin(), read.Records.end(), [&](const TJournalRecord& r) {
                return r.Station == FStation && r.Epoch == FEpoch;
            });
            if (first != read.Records.end()) {
                try {
                    TJournalRead count = ReadJournalFile(
                        JournalPath(), read.Starts[size_t(first - read.Records.begin())], true);
                    while (!count.Ends.empty() && count.Ends.back() > FKeepEnd)
                        count.Records.pop_back(), count.Ends.pop_back();
                    replayed = ReplayCount(count.Records, FStation, FEpoch);
                } catch (const Exception& e) {
                    FFailure = e.Message();
                }
            }
        }
        if (!SameLines(replayed, TCollectionChanges::Lines(store))) {
            AddResync(result.TakenOver ? result.TakenOver->Text() : QString());
            result.SaveNow = true;
        }
    }
    FChanges.Follow(store);
    if (!FPending.empty() && FWriter.IsOpen()) WritePending();
    WriteParams();
    return result;
}

void TCollectionJournal::Add(TJournalKind kind, const TCollectionLine& line, bool removed, double delta) {
    TJournalRecord r;
    r.Kind = uint8_t(kind);
    r.LineRemoved = removed;
    r.Station = FStation;
    r.Epoch = FEpoch;
    r.Sequence = ++FSequence;
    r.Time = QDateTime::currentMSecsSinceEpoch();
    r.Quantity = removed ? 0 : line.Quantity;
    r.QuantityNull = !removed && line.QuantityNull;
    r.Delta = delta;
    r.Price = line.Price;
    r.PriceNull = line.PriceNull;
    r.Code = line.Code;
    r.Name = line.Name;
    r.Category = line.Category;
    r.Stock = line.Stock;
    r.Zone = FZone;
    FPending.push_back(std::move(r));
}

void TCollectionJournal::AddResync(const QString& note) {
    TJournalRecord r;
    r.Kind = uint8_t(TJournalKind::Resync);
    r.ClearsCount = true;
    r.Station = FStation;
    r.Epoch = FEpoch;
    r.Sequence = ++FSequence;
    r.Time = QDateTime::currentMSecsSinceEpoch();
    r.Note = note;
    FPending.push_back(std::move(r));
    for (const TCollectionLine& line : TCollectionChanges::Lines(*FCollection->Store()))
        Add(TJournalKind::Reprise, line, false, line.Quantity);
}

QString TCollectionJournal::Record() {
    if (!FCollection || !FCollection->Store()) return {};
    const IDSBase& store = *FCollection->Store();
    for (const TCollectionChange& c : FChanges.Take(store)) {
        using W = TCollectionChange::TWhat;
        if (c.What == W::Emptied) {
            // "Initialiser les données": a new count begins.
            FEpoch = NextEpoch(FEpoch);
            FSequence = FJournaled = 0;
            FHolds.clear();
            TJournalRecord r;
            r.Kind = uint8_t(TJournalKind::Initialise);
            r.ClearsCount = true;
            r.Station = FStation;
            r.Epoch = FEpoch;
            r.Sequence = ++FSequence;
            r.Time = QDateTime::currentMSecsSinceEpoch();
            r.Zone = FZone;
            FPending.push_back(std::move(r));
            continue;
        }
        const double before = c.Before.Quantity, after = c.After.Quantity;
        if (c.What == W::Inserted) {
            Add(FCause.value_or(TJournalKind::Add), c.After, false, after);
        } else if (c.What == W::Deleted) {
            Add(FCause.value_or(TJournalKind::GridDelete), c.Before, true, -before);
        } else {
            const TJournalKind kind = FCause.value_or(TJournalKind::Accumulate);
            if (c.Before.Code != c.After.Code) { // the code itself changed: one line left, another came
                Add(kind, c.Before, true, -before);
                Add(kind, c.After, false, after);
            } else {
                Add(kind, c.After, false, after - before);
            }
        }
    }
    if (FResyncPending) {
        FResyncPending = false;
        FPending.clear();
        FSequence = FJournaled;
        AddResync(QString());
    }
    WritePending();
    WriteParams();
    return FFailure;
}

bool TCollectionJournal::WritePending() {
    if (FPending.empty()) return true;
    try {
        if (!FWriter.IsOpen()) FWriter.Open(FKeepEnd);
        FWriter.Append(FPending, true);
    } catch (const Exception& e) {
        FFailure = e.Message();
        if (FPending.size() > kMaxPending) {
            FPending.clear();
            FSequence = FJournaled;
            FResyncPending = true;
        }
        return false;
    }
    for (const TJournalRecord& r : FPending)
        if (r.Epoch == FEpoch) FJournaled = std::max(FJournaled, r.Sequence);
    FPending.clear();
    FUnconfirmed = true;
    FFailure.clear();
    return true;
}

void TCollectionJournal::Confirm() {
    if (!FUnconfirmed || !FWriter.IsOpen()) return;
    TJournalRecord r;
    r.Type = TJournalRecord::TType::Confirmation;
    r.Kind = 0;
    r.Station = FStation;
    r.Epoch = FEpoch;
    r.Sequence = FJournaled;
    r.Time = QDateTime::currentMSecsSinceEpoch();
    try {
        // Not flushed: if it is lost, the next start finds the collection
        // holding these records and writes it again.
        FWriter.Append({r}, false);
        FUnconfirmed = false;
    } catch (const Exception&) {
        // The next confirmation covers these records too.
    }
}

void TCollectionJournal::WriteParams() {
    if (!FCollection || FStation.isEmpty()) return;
    TCountIdentity id;
    id.Own = TCountId{FStation, FEpoch};
    id.Sequence = FJournaled;
    id.Holds = FHolds;
    for (const TStoreParam& p : CountIdentityParams(id)) FCollection->SetTableParam(p.Name, p.Value, p.Type);
    if (FHolds.empty()) FCollection->RemoveTableParam(QString::fromLatin1(kParamHolds));
}

} // namespace tallivo
