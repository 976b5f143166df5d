// libFuzzer target of the journal reader. For every input:
//  - a quick read finds the same records (type, kind, flags, station,
//    epoch, sequence, time), the same confirmed count, end, damage and torn
//    tail as a full read;
//  - the records found lie in order inside the input, and reading again
//    from the end of any of them finds exactly the records after it, as a
//    sender that comes back does;
//  - the records written again make a journal that reads back to the same
//    records, without damage or torn tail;
//  - replaying every count the input holds ends.
// Anything else aborts.
#include "station/Journal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace tallivo;

namespace {

[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "journal reader fuzz: %s\n", what);
    std::abort();
}

bool SameKey(const TJournalRecord& a, const TJournalRecord& b) {
    return a.Type == b.Type && a.Kind == b.Kind && a.LineRemoved == b.LineRemoved && a.ClearsCount == b.ClearsCount &&
           a.QuantityNull == b.QuantityNull && a.PriceNull == b.PriceNull && a.Station == b.Station &&
           a.Epoch == b.Epoch && a.Sequence == b.Sequence && a.Time == b.Time;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool Same(const TJournalRecord& a, const TJournalRecord& b) {
    return SameKey(a, b) && SameBits(a.Quantity, b.Quantity) && SameBits(a.Delta, b.Delta) &&
           SameBits(a.Price, b.Price) && a.Code == b.Code && a.Name == b.Name && a.Category == b.Category &&
           a.Stock == b.Stock && a.Zone == b.Zone && a.Note == b.Note;
}

bool Writable(const TJournalRecord& r) {
    for (const QString* text : {&r.Station, &r.Code, &r.Name, &r.Category, &r.Stock, &r.Zone, &r.Note})
        if (text->toUtf8().size() > 0xFFFF) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView content(reinterpret_cast<const char*>(data), qsizetype(size));
    const TJournalRead full = ReadJournal(content, 0, true);
    const TJournalRead quick = ReadJournal(content, 0, false);
    if (full.Records.size() != quick.Records.size() || full.Confirmed != quick.Confirmed ||
        full.ValidEnd != quick.ValidEnd || full.DamagedBytes != quick.DamagedBytes ||
        full.TornTail != quick.TornTail || full.NotAJournal != quick.NotAJournal)
        Fault("a quick read differs from a full read");
    if (full.ValidEnd > size || full.Size != size) Fault("an end beyond the input");
    uint64_t previous = full.Records.empty() ? 0 : uint64_t(JournalHeader().size());
    for (size_t i = 0; i < full.Records.size(); ++i) {
        if (!SameKey(full.Records[i], quick.Records[i])) Fault("a quick read decodes a record differently");
        if (full.Starts[i] < previous || full.Ends[i] <= full.Starts[i] || full.Ends[i] > full.ValidEnd)
            Fault("records out of order");
        previous = full.Ends[i];
        const TJournalRead rest = ReadJournal(content.sliced(qsizetype(full.Ends[i])), full.Ends[i], true);
        if (rest.Records.size() != full.Records.size() - i - 1 || rest.ValidEnd != full.ValidEnd)
            Fault("reading again from a record's end finds other records");
        for (size_t k = 0; k < rest.Records.size(); ++k)
            if (!Same(rest.Records[k], full.Records[i + 1 + k])) Fault("a record reads differently from its end");
    }

    // (Text that is not UTF-8 reads with replacement characters, which may
    // make it too long to be written whole: such records are left out.)
    std::vector<TJournalRecord> writable;
    for (const TJournalRecord& r : full.Records)
        if (Writable(r)) writable.push_back(r);
    QByteArray again = JournalHeader().toByteArray();
    for (const TJournalRecord& r : writable) EncodeJournalRecord(r, again);
    const TJournalRead reread = ReadJournal(again, 0, true);
    if (reread.Records.size() != writable.size() || reread.DamagedBytes || reread.TornTail)
        Fault("records written again do not read back whole");
    for (size_t i = 0; i < writable.size(); ++i)
        if (!Same(reread.Records[i], writable[i])) Fault("a record written again reads back different");

    for (const TJournalRecord& r : full.Records) (void)ReplayCount(full.Records, r.Station, r.Epoch);
    return 0;
}
