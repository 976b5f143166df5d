// Reading the rows of a large packet in two halves at once.
//
// When the rows begin (ROWDATA), the reader picks the first "<ROW" tag after
// the middle of what remains and starts a second reader there, on its own
// thread, with the same field plan; it reads rows up to the end of ROWDATA
// into a store content of its own. The first reader reads on from the start.
// Only if the first reader's next token after its last row starts exactly at
// that tag (so the tag really begins a row, and is not inside a comment or a
// value) does it take the second half: it waits for the thread, raises the
// second half's error if it had one (the first error in file order, since
// everything before it read without error), else appends its rows and goes
// on after the end of ROWDATA. Otherwise, or when the first reader fails
// first, the second half is stopped and dropped. Either way the outcome is
// that of one reader from start to end.
//
// The thread touches only its own reader and store content, and reads the
// source at offsets (ReadAt); it is joined before the first reader goes on,
// fails or is destroyed. Content declared as UTF-8 is read in one piece: its
// bytes are checked in order, and a bad byte restarts the whole reading.

#include "table/PacketReaderImpl.h"
#include "table/Workers.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

namespace tallivo::packet_reader {

namespace {

// Raised in the second reader when the first one no longer needs it.
struct TStopped {};

// Reads a source at increasing offsets from a start, as ReadSome does.
class TOffsetSource final : public IPacketSource {
public:
    TOffsetSource(IPacketSource& source, uint64_t start) : FSource(source), FPos(start) {}
    size_t ReadSome(char* buffer, size_t max) override {
        const size_t n = FSource.ReadAt(FPos, buffer, max);
        FPos += n;
        return n;
    }
    void Rewind() override {}

private:
    IPacketSource& FSource;
    uint64_t FPos;
};

// "<ROW" followed by what ends an element name.
bool IsRowTag(const char* p, const char* end) {
    return end - p >= 5 && std::memcmp(p, "<ROW", 4) == 0 &&
           (IsSpace(p[4]) || p[4] == '>' || p[4] == '/');
}

} // namespace

struct TReader::THalf {
    std::unique_ptr<TOffsetSource> Source;
    std::unique_ptr<TReader> Reader;
    std::atomic<bool> Stop{false};
    std::exception_ptr Error;
    std::thread Thread;

    ~THalf() {
        Stop = true;
        if (Thread.joinable()) Thread.join();
    }
};

TReader::TReader(const char* data, size_t size, uint64_t halvesFrom)
    : FMemory(true), FSizeHint(size), FHalvesFrom(halvesFrom) {
    FBuf = FPos = data;
    FEnd = data + size;
    FEof = true;
}

TReader::TReader(IPacketSource& source, uint64_t halvesFrom)
    : FSource(&source), FSizeHint(source.SizeHint()), FHalvesFrom(halvesFrom) {}

TReader::~TReader() = default;

TReader::TReader(const TReader& main, uint64_t start, IPacketSource* source)
    : FSource(source), FMemory(main.FMemory), FSizeHint(main.FSizeHint) {
    if (FMemory) {
        FBuf = main.FBuf - main.FBase; // the content's first byte
        FPos = FBuf + start;
        FEnd = main.FEnd;
        FEof = true;
    } else {
        Prime();
        FBase = start;
    }
    FUtf8 = main.FUtf8;
    FHaveFields = true;
    FIn = main.FIn;
    for (size_t f = 0; f < FIn.size(); ++f) {
        FIn[f].Stamp = 0;
        FIn[f].Longest = 0;
        FData.AddField(main.FData.Fields[f]);
        TFieldIn& in = FIn[f];
        (in.ByTag ? FByTag : FByAttr).try_emplace(in.ByTag ? std::string_view(in.Tag) : std::string_view(in.Attr),
                                                   int(f));
    }
}

uint64_t TReader::FindRowStart(uint64_t from, uint64_t size) const {
    constexpr uint64_t kLook = uint64_t(4) << 20; // a row longer than this: no split
    const uint64_t until = std::min(size, from + kLook);
    if (FMemory) {
        const char* base = FBuf - FBase;
        for (const char* p = base + from; p < base + until; ++p) {
            p = static_cast<const char*>(std::memchr(p, '<', size_t(base + until - p)));
            if (!p) break;
            if (IsRowTag(p, base + size)) return uint64_t(p - base);
        }
        return 0;
    }
    std::vector<char> chunk(size_t(64) << 10);
    for (uint64_t at = from; at < until;) {
        const size_t n = FSource->ReadAt(at, chunk.data(), chunk.size());
        if (n < 5) break;
        for (size_t i = 0; i + 5 <= n; ++i)
            if (chunk[i] == '<' && IsRowTag(chunk.data() + i, chunk.data() + n)) return at + i;
        at += n - 4; // a tag cut at the chunk's end is found in the next one
    }
    return 0;
}

void TReader::StartSecondHalf() {
    if (FSplitTried) return;
    FSplitTried = true;
    if (FChecking || (!FMemory && !FSource->CanReadAt())) return;
    const uint64_t size = FSizeHint;
    if (size <= FRowsOffset || size - FRowsOffset < std::max<uint64_t>(FHalvesFrom, 16)) return;
    if (FHalvesFrom > 0 && std::thread::hardware_concurrency() < 2) return;
    const uint64_t split = FindRowStart(FRowsOffset + (size - FRowsOffset) / 2, size);
    if (split == 0) return;
    auto half = std::make_unique<THalf>();
    if (!FMemory) half->Source = std::make_unique<TOffsetSource>(*FSource, split);
    half->Reader.reset(new TReader(*this, split, half->Source.get()));
    THalf* h = half.get();
    try {
        h->Thread = std::thread([h] {
            try {
                h->Reader->ReadRowsFromSplit(h->Stop);
            } catch (const TStopped&) {
            } catch (...) {
                h->Error = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        return; // no thread: one reader reads everything
    }
    FHalf = std::move(half);
    FSplit = split;
}

// The loop of ParseRowData from the split on, ending after the end tag of
// ROWDATA.
void TReader::ReadRowsFromSplit(const std::atomic<bool>& stop) {
    FRowsOffset = Off(FPos);
    for (;;) {
        if (stop.load(std::memory_order_relaxed)) throw TStopped{};
        Next();
        if (FTok.Kind == TTok::End) {
            ExpectEnd("ROWDATA");
            return;
        }
        if (FTok.Kind == TTok::Eof) Fail(kMismatch, FTok.Offset);
        if (!IsStart("ROW")) Fail(kMismatch, FTok.Offset);
        ReadRow();
    }
}

void TReader::AdoptSecondHalf() {
    std::unique_ptr<THalf> half = std::move(FHalf);
    half->Thread.join();
    if (half->Error) std::rethrow_exception(half->Error);
    TReader& second = *half->Reader;
    TStoreData& rows = second.FData;
    FData.RowStates.insert(FData.RowStates.end(), rows.RowStates.begin(), rows.RowStates.end());
    rows.RowStates = {};
    // The columns are joined on two threads: they are independent of each
    // other, and joining one touches every row of its second half again
    // (renumbered values, shifted offsets, the bytes moved over the gap).
    // The largest columns are shared out first, each to the thread with
    // less so far.
    const size_t n = FIn.size();
    std::vector<size_t> order(n);
    for (size_t f = 0; f < n; ++f) order[f] = f;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return rows.Columns[a].MemoryUsed() > rows.Columns[b].MemoryUsed(); });
    std::vector<size_t> share[2];
    size_t load[2] = {0, 0};
    for (size_t f : order) {
        const int w = load[1] < load[0] ? 1 : 0;
        share[w].push_back(f);
        load[w] += rows.Columns[f].MemoryUsed();
    }
    const unsigned workers = n > 1 && std::thread::hardware_concurrency() > 1 ? 2 : 1;
    if (workers == 1) share[0].insert(share[0].end(), share[1].begin(), share[1].end());
    RunOnWorkers(workers, [&](unsigned w) {
        for (size_t f : share[w]) FData.Columns[f].AppendRows(std::move(rows.Columns[f]));
    });
    for (size_t f = 0; f < n; ++f) FIn[f].Longest = std::max(FIn[f].Longest, second.FIn[f].Longest);
    MoveTo(second.Off(second.FPos));
}

void TReader::StopSecondHalf() {
    FHalf.reset();
}

// Goes on reading at offset (after the second half's end of ROWDATA).
void TReader::MoveTo(uint64_t offset) {
    if (FMemory) {
        FPos = FBuf + (offset - FBase);
        return;
    }
    FSource->SeekTo(offset);
    FBuf = FPos = FEnd = FStore.get();
    FBase = offset;
    FEof = false;
    Refill(FBuf);
}

} // namespace tallivo::packet_reader
