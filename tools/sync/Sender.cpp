#include "tools/sync/Sender.h"

#include "station/Journal.h"
#include "station/StationIdentity.h"
#include "tools/pgsql/PgConnection.h"

#include <QDir>
#include <sys/stat.h>
#include <vector>

namespace tallivo::sync {

namespace {

pg::TEvent EventOf(const TJournalRecord& r) {
    pg::TEvent e;
    e.Epoch = r.Epoch;
    e.Sequence = int64_t(r.Sequence);
    e.Kind = r.Kind;
    e.Clears = r.ClearsCount;
    e.Removed = r.LineRemoved;
    e.Code = r.Code;
    e.Name = r.Name;
    e.Category = r.Category;
    e.Stock = r.Stock;
    e.Zone = r.Zone;
    e.Note = r.Note;
    if (!r.QuantityNull) e.Quantity = r.Quantity;
    if (!r.PriceNull) e.Price = r.Price;
    e.Delta = r.Delta;
    e.TimeMs = r.Time;
    return e;
}

} // namespace

TSender::TSender(QString folder, QString conninfo, QString stocktake)
    : FFolder(std::move(folder)), FConnInfo(std::move(conninfo)), FStockTake(std::move(stocktake)) {}

TSender::~TSender() = default;

void TSender::ReadJournal() {
    if (FStation.isEmpty()) FStation = ReadStationIdentity(FFolder);
    if (FStation.isEmpty()) return; // the workstation has not started here yet
    const QString path = QDir(FFolder).filePath(QString::fromLatin1(kJournalFileName));
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return; // no journal yet
    if (uint64_t(st.st_ino) != FInode || uint64_t(st.st_size) < FOffset) {
        // A new or shortened journal: read it all again; the server keeps
        // what it already has once.
        FInode = uint64_t(st.st_ino);
        FOffset = 0;
        FQueue.clear();
    }
    const TJournalRead read = ReadJournalFile(path, FOffset);
    for (size_t i = 0; i < read.Confirmed; ++i) {
        const TJournalRecord& r = read.Records[i];
        if (r.IsChange() && r.Station == FStation) FQueue.push_back(EventOf(r));
    }
    if (read.Confirmed > 0) FOffset = read.Ends[read.Confirmed - 1];
    DropConfirmed();
}

void TSender::DropConfirmed() {
    if (!FDb) return;
    // What the server already holds is not sent again. A counting folder
    // copied to another till would have sent other changes under the same
    // keys: the last change dropped in each epoch must be this journal's.
    std::map<int64_t, pg::TEvent> lastDropped;
    size_t n = 0;
    for (; n < FQueue.size(); ++n) {
        const pg::TEvent& e = FQueue[n];
        const auto mark = FServerMarks.find(e.Epoch);
        if (mark == FServerMarks.end() || e.Sequence > mark->second) break;
        lastDropped[e.Epoch] = e;
    }
    if (n == 0) return;
    std::vector<pg::TEvent> check;
    for (const auto& [epoch, e] : lastDropped) check.push_back(e);
    const std::vector<pg::TEvent> differing = pg::DifferingEvents(*FDb, FStockTakeId, FStation, check);
    if (!differing.empty()) throw CopiedFolder(differing.front());
    FQueue.erase(FQueue.begin(), FQueue.begin() + ptrdiff_t(n));
}

pg::EPgError TSender::CopiedFolder(const pg::TEvent& held) const {
    return pg::EPgError(QStringLiteral("le serveur a déjà reçu du poste « %1 » un autre changement n° %2 du comptage %3 : "
                                       "ce dossier de comptage est-il la copie de celui d'un autre poste ? Chaque poste "
                                       "doit avoir sa propre identité (POSTE.ID), voir plusieurs-postes.md")
                            .arg(FStation)
                            .arg(held.Sequence)
                            .arg(held.Epoch));
}

int64_t TSender::Pending() const {
    if (FDb) return int64_t(FQueue.size());
    // Not connected: what an earlier run confirmed is not counted.
    int64_t n = 0;
    for (const pg::TEvent& e : FQueue)
        if (std::pair(e.Epoch, e.Sequence) > FConfirmed) ++n;
    return n;
}

QString TSender::Who() const {
    return FDb ? FDb->Who() : QString();
}

void TSender::Connect() {
    auto db = std::make_unique<pg::TPgConnection>(FConnInfo, "tallivo-sync");
    const int32_t id = pg::StockTakeId(*db, FStockTake);
    pg::JoinStation(*db, id, FStation);
    FServerMarks = pg::ServerSequences(*db, id, FStation);
    FStockTakeId = id;
    FDb = std::move(db);
    if (!FServerMarks.empty()) FConfirmed = *FServerMarks.rbegin();
    // What the server holds decides: a server that lost its last commits
    // (written to its disk lazily, or restored from a backup) gets them
    // again, so the journal is read again from its start.
    FInode = 0;
    ReadJournal();
}

void TSender::Disconnect() {
    FDb.reset();
}

void TSender::SendAll() {
    if (FStation.isEmpty()) return; // nothing to say who sends
    if (!FDb) Connect();
    while (!FQueue.empty()) {
        const size_t n = std::min(kBatch, FQueue.size());
        const std::vector<pg::TEvent> batch(FQueue.begin(), FQueue.begin() + ptrdiff_t(n));
        const std::vector<pg::TEvent> conflicts = pg::PushEvents(*FDb, FStockTakeId, FStation, batch, AroundCommit);
        if (!conflicts.empty()) throw CopiedFolder(conflicts.front());
        for (const pg::TEvent& e : batch) {
            int64_t& mark = FServerMarks[e.Epoch];
            mark = std::max(mark, e.Sequence);
        }
        FConfirmed = {batch.back().Epoch, batch.back().Sequence};
        FQueue.erase(FQueue.begin(), FQueue.begin() + ptrdiff_t(n));
    }
}

} // namespace tallivo::sync
