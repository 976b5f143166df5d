#pragma once
// The sender's work, without its loop: read what the workstation confirmed
// in its journal (JOURNAL.DAT, which it may be appending to meanwhile),
// and push it to the server in journal order, a batch per transaction,
// until the server confirms. A batch whose answer was lost is sent again;
// the server keeps an event once (its key: stock-take, station, epoch,
// sequence).
//
// Only the records before the workstation's last confirmation are sent:
// what follows may still be dropped by the workstation at its next start.

#include "tools/pgsql/PgConnection.h"
#include "tools/pgsql/StockTakeDb.h"

#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace tallivo::sync {

class TSender {
public:
    TSender(QString folder, QString conninfo, QString stocktake);
    ~TSender();

    // Reads what the journal confirmed since the last call. Raises
    // EInOutError when the journal cannot be read.
    void ReadJournal();
    // Connects (registering the station with a connection that may) and
    // sends everything waiting. Raises pg::EPgError; what the server did
    // not confirm waits for the next call.
    void SendAll();
    // Forgets the connection (after a failure).
    void Disconnect();
    bool Connected() const { return FDb != nullptr; }

    // Changes read and not yet confirmed by the server.
    int64_t Pending() const;
    // The last change the server confirmed (epoch, sequence); until the
    // first connection, what an earlier run said.
    std::pair<int64_t, int64_t> Confirmed() const { return FConfirmed; }
    void AssumeConfirmed(std::pair<int64_t, int64_t> mark) { FConfirmed = mark; }
    // The station's identity (POSTE.ID); empty until the workstation made it.
    const QString& Station() const { return FStation; }
    // "user@database" once connected.
    QString Who() const;

    static constexpr size_t kBatch = 500;

    // Called around every commit (pg::PushEvents): the fault test's way of
    // stopping the sender just before or just after one.
    std::function<void(bool committed)> AroundCommit;

private:
    void Connect();
    // Drops the changes the server holds; raises when they are not this
    // journal's (a copied counting folder).
    void DropConfirmed();
    pg::EPgError CopiedFolder(const pg::TEvent& held) const;

    QString FFolder, FConnInfo, FStockTake, FStation;
    std::unique_ptr<pg::TPgConnection> FDb;
    int32_t FStockTakeId = 0;
    std::map<int64_t, int64_t> FServerMarks; // per epoch, the last sequence the server holds
    std::pair<int64_t, int64_t> FConfirmed{0, 0};
    std::deque<pg::TEvent> FQueue; // read, in journal order, not yet confirmed
    uint64_t FOffset = 0;          // the journal is read from here on
    uint64_t FInode = 0;
};

} // namespace tallivo::sync
