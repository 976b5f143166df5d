#pragma once
// The journal of the workstation's collection: in the save step, every
// change made to the collection table since the last step becomes a record
// of JOURNAL.DAT, appended and flushed to the disk before COLLECTION.XML is
// written; the collection then carries the station, the epoch and the last
// journaled sequence as table parameters; once it is written, a
// confirmation record follows. After a kill, the start drops what the
// journal holds beyond the collection (changes the collection never
// received), so that replaying the journal's current count gives exactly
// the collection's lines.
//
// At the start (Start), the identity and the count are settled:
//  - the station is POSTE.ID's, created when missing (or taken back from
//    the collection when the journal shows the collection is this folder's
//    own count and only POSTE.ID was lost);
//  - a collection of this station continues its epoch;
//  - no collection file: a new epoch;
//  - a collection without identity (older files, the tools' files) or of
//    another station (a file copied from another till): its lines are kept
//    and continue as a new count of this station. The other station's count
//    is remembered in TALLIVO_CONTIENT, so that a merge refuses to count it
//    a second time; the two stations' journals stay apart.
// Whenever the journal's current count differs from the collection's lines
// (a journal lost, damaged or older than the file, a journal write that had
// failed), a resync record and one record per line restate the count.
//
// Failures never stop the counting: Record returns the reason, and the
// records wait in memory for the next step.

#include "station/CollectionChanges.h"
#include "station/Journal.h"
#include "station/StationIdentity.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace tallivo {

class TClientDataSet;

class TCollectionJournal {
public:
    // folder: the counting folder (POSTE.ID, JOURNAL.DAT).
    explicit TCollectionJournal(QString folder);
    ~TCollectionJournal();
    TCollectionJournal(const TCollectionJournal&) = delete;
    TCollectionJournal& operator=(const TCollectionJournal&) = delete;

    struct TStart {
        // The collection's identity changed, or its count was restated in
        // the journal: save the collection now, to confirm it.
        bool SaveNow = false;
        // The collection file was another station's count, now continued
        // as a count of this station.
        std::optional<TCountId> TakenOver;
    };
    // Call once COLLECTION.XML is loaded; fileExisted false when there was
    // none. A collection table that is not open (its file failed to load)
    // is left alone and nothing is journaled. Never raises: a failure shows
    // at the next Record.
    TStart Start(TClientDataSet& collection, bool fileExisted);

    // The save step, before COLLECTION.XML is written: journals the changes
    // since the last step and writes the identity parameters into the
    // table. Returns the reason when the journal could not be written
    // (empty when all is journaled).
    QString Record();
    // After COLLECTION.XML was written: what Record journaled is confirmed.
    void Confirm();

    // The zone recorded with every following change (empty: none).
    void SetZone(const QString& zone) { FZone = zone; }
    const QString& Zone() const { return FZone; }

    // While a cause lives, the changes that Record finds are recorded with
    // its kind (e.g. Replace around "Quantité", Undo around an undo).
    // Without one, a new line is Add, a changed line Accumulate, a deleted
    // line GridDelete; emptying the collection is always Initialise.
    class TCause {
    public:
        TCause(TCollectionJournal* journal, TJournalKind kind);
        ~TCause();
        TCause(const TCause&) = delete;
        TCause& operator=(const TCause&) = delete;

    private:
        TCollectionJournal* FJournal;
        std::optional<TJournalKind> FPrevious;
    };

    const QString& Station() const { return FStation; }
    int64_t Epoch() const { return FEpoch; }
    // The last sequence given in the current epoch, and the last one written.
    uint64_t Sequence() const { return FSequence; }
    uint64_t JournaledSequence() const { return FJournaled; }
    QString JournalPath() const;

private:
    void Add(TJournalKind kind, const TCollectionLine& line, bool removed, double delta);
    void AddResync(const QString& note);
    bool WritePending();
    void WriteParams();

    QString FFolder;
    TJournalWriter FWriter;
    uint64_t FKeepEnd = UINT64_MAX; // where the start cut the journal, for an open retried later
    TClientDataSet* FCollection = nullptr;
    TCollectionChanges FChanges;
    QString FStation;
    int64_t FEpoch = 0;
    uint64_t FSequence = 0;
    uint64_t FJournaled = 0;
    std::vector<TCountId> FHolds;
    std::vector<TJournalRecord> FPending;
    bool FResyncPending = false; // too many records waited: the count is restated instead
    bool FUnconfirmed = false;
    QString FFailure;
    QString FZone;
    std::optional<TJournalKind> FCause;
};

} // namespace tallivo
