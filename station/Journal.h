#pragma once
// The journal of confirmed changes: JOURNAL.DAT in the counting folder, an
// append-only file of records, each framed with its length and a CRC-32 so
// that a record cut short by a kill, or damaged on the disk, is recognised
// and passed over. The bytes are described in docs/file-formats.md.
//
// A change record is keyed by (station, epoch, sequence): the station's
// identity (StationIdentity.h), the count it belongs to (a new epoch at
// every "Initialiser les données") and its number in that count, from 1.
// It holds the line as the change left it (quantity after, and the delta).
// A confirmation record says that the collection file now holds every
// record before it: readers act only on the records that precede the last
// confirmation; what follows it may still be dropped by the workstation at
// its next start.
//
// Here: the record, reading a journal's bytes (ReadJournal), appending to
// the file (TJournalWriter), and replaying one count (ReplayCount).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace tallivo {

inline constexpr char kJournalFileName[] = "JOURNAL.DAT";

// What happened; the stored value is the number.
enum class TJournalKind : uint8_t {
    Add = 1,        // a new line
    Accumulate = 2, // a quantity added to a line
    Replace = 3,    // "Quantité": the line's quantity replaced
    Delete = 4,     // "Supprimer"
    GridDelete = 5, // the grid's Ctrl+Delete
    Initialise = 6, // "Initialiser les données": the first record of a new epoch
    Undo = 7,       // an undo: the line as the undo left it
    Resync = 8,     // the count as the collection file holds it starts here
    Reprise = 9,    // one line of that count
};

// "Ajout", "Cumul", ... as the tools show a kind; the number when unknown.
QString JournalKindName(uint8_t kind);

struct TJournalRecord {
    enum class TType : uint8_t { Change = 1, Confirmation = 2 };
    TType Type = TType::Change;
    uint8_t Kind = uint8_t(TJournalKind::Add); // a TJournalKind; 0 in a confirmation
    bool LineRemoved = false;                  // the line is gone after this change
    bool ClearsCount = false;                  // every line of the epoch is gone before this record applies
    bool QuantityNull = false;                 // the line has no quantity (QTE empty)
    bool PriceNull = false;                    // the line has no purchase price
    QString Station;
    int64_t Epoch = 0;
    uint64_t Sequence = 0; // a confirmation: the last sequence of the epoch it confirms
    int64_t Time = 0;      // milliseconds since 1970-01-01 UTC
    double Quantity = 0;   // after the change
    double Delta = 0;      // after minus before
    double Price = 0;
    QString Code, Name, Category, Stock; // CODE_ART, NOM_ART, CATEGORIE, GERE_STOCK
    QString Zone;
    QString Note; // Resync: the count taken over from another station ("STATION:EPOCH"), if any

    bool IsChange() const { return Type == TType::Change; }
    TJournalKind ChangeKind() const { return TJournalKind(Kind); }
};

// The frame and body of one record (appended to out).
void EncodeJournalRecord(const TJournalRecord& record, QByteArray& out);
// The bytes a journal file starts with.
QByteArrayView JournalHeader();

// What ReadJournal found in a journal's bytes.
struct TJournalRead {
    std::vector<TJournalRecord> Records; // the good records, in file order
    std::vector<uint64_t> Starts,
        Ends;                  // per record: file offsets of its frame's first byte and just after it
    size_t Confirmed = 0;      // records up to and including the last confirmation
    uint64_t ValidEnd = 0;     // just after the last good record (or the header)
    uint64_t Size = 0;         // the offset just after the bytes read
    uint64_t DamagedBytes = 0; // bytes passed over between good records
    bool TornTail = false;     // bytes after the last good record: a write cut short
    bool NotAJournal = false;  // the file does not start as a journal (nothing read)
};

// Reads the records of a journal's content. offset is where content starts
// in the file: 0 (content starts with the header), or a record boundary
// from an earlier read (an Ends value or ValidEnd), to read only what was
// appended since. Damaged bytes are passed over up to the next good frame;
// what follows the last good frame is a torn tail, never an error. With
// full false only the type, kind, flags, station, epoch, sequence and time
// of each record are decoded (a quick look over a long journal).
TJournalRead ReadJournal(QByteArrayView content, uint64_t offset = 0, bool full = true);

// Reads the journal file at path from offset (the whole file by default). A
// missing file is an empty journal. Raises EInOutError when it cannot be
// read. The workstation may be appending meanwhile: what it has not yet
// written whole reads as a torn tail, to be read again later.
TJournalRead ReadJournalFile(const QString& path, uint64_t offset = 0, bool full = true);

// Appends records to the journal file of the workstation (the only writer).
class TJournalWriter {
public:
    explicit TJournalWriter(QString path);
    ~TJournalWriter();
    TJournalWriter(const TJournalWriter&) = delete;
    TJournalWriter& operator=(const TJournalWriter&) = delete;

    // Opens the file (creating it with its header when missing or when it
    // holds only part of the header) and cuts it to keepEnd: the records
    // after keepEnd are dropped. Raises EInOutError (or the creation error)
    // when the file cannot be opened, and Exception when it is not a
    // journal.
    void Open(uint64_t keepEnd);
    bool IsOpen() const { return FFd >= 0; }
    // Writes the records after the last one written. With sync, they are on
    // the disk when it returns. Raises EInOutError on failure; the file is
    // then cut back to where it was, so that a later Append starts clean.
    void Append(const std::vector<TJournalRecord>& records, bool sync);
    uint64_t End() const { return FEnd; }

    // Test hook: called before each write with the bytes to write; a
    // non-zero result is taken as the errno of a failed write.
    using THook = std::function<int(uint64_t size)>;
    static void SetHook(THook hook);

private:
    QString FPath;
    int FFd = -1;
    uint64_t FEnd = 0;
    bool FCutPending = false; // a failed write may have left bytes after FEnd
    QByteArray FBuffer;
};

// One line of a count as the journal gives it.
struct TReplayLine {
    QString Code, Name, Category, Stock;
    double Quantity = 0;
    bool QuantityNull = false;
    double Price = 0;
    bool PriceNull = false;
};

// The count of one station's epoch: the change records of (station, epoch)
// with a sequence up to upTo, applied in file order. A record that clears
// the count empties it; a removed line leaves it; any other sets its line.
// Lines in the order their codes first appeared since the count was last
// cleared.
std::vector<TReplayLine> ReplayCount(const std::vector<TJournalRecord>& records, const QString& station,
                                     int64_t epoch, uint64_t upTo = UINT64_MAX);

} // namespace tallivo
