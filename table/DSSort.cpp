// Sort orders: the sort keys of records (collation sort keys, numbers in an
// order-preserving form), sorting them, and building an order on a helper
// thread before it is asked for (PrepareSortOrder).
#include "table/DSBase.h"

#include "base/Collation.h"
#include "table/NumberText.h"
#include "table/Workers.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>

namespace tallivo {

namespace {

thread_local std::u16string tlsText;

// Raised in a build that was asked to stop.
struct TStopped {};

// Order-preserving 8-byte form of a double (NaN last, -0 as 0).
void AppendFloatKey(double v, std::string& out) {
    uint64_t bits;
    if (std::isnan(v)) {
        bits = ~uint64_t(0);
    } else {
        if (v == 0) v = 0;
        std::memcpy(&bits, &v, 8);
        bits = (bits >> 63) ? ~bits : (bits | (uint64_t(1) << 63));
    }
    for (int i = 7; i >= 0; --i) out.push_back(char((bits >> (i * 8)) & 0xFF));
}

} // namespace

void IDSBase::AppendKey(uint32_t slot, const std::vector<int>& fields, std::string& out) const {
    for (int f : fields) {
        if (IsNull(slot, f)) {
            out.push_back('\x01');
        } else if (Col(f).Kind() == TStoreColumn::TKind::Float) {
            out.push_back('\x02');
            AppendFloatKey(FloatAt(slot, f), out);
        } else {
            AppendValueKey(f, BytesAt(slot, f), out);
        }
    }
}

void IDSBase::AppendValueKey(int field, std::string_view bytes, std::string& out) const {
    out.push_back('\x02');
    if (IsDecimalKind(FieldDesc(field).DataType)) {
        AppendDecimalKey(bytes, out);
    } else {
        TextOf(field, bytes, tlsText);
        FCollator->AppendSortKey(tlsText, out); // ends with a zero byte that no key holds inside
    }
}

namespace {

struct TKeyEntry {
    const unsigned char* Key;
    uint32_t Length;
    uint32_t Slot;
};

// Byte d of a key, -1 past its end.
inline int KeyByte(const TKeyEntry& e, size_t d) {
    return d < e.Length ? e.Key[d] : -1;
}

bool KeyLess(const TKeyEntry& a, const TKeyEntry& b, size_t depth) {
    const size_t m = std::min(a.Length, b.Length);
    if (m > depth)
        if (int c = std::memcmp(a.Key + depth, b.Key + depth, m - depth)) return c < 0;
    if (a.Length != b.Length) return a.Length < b.Length;
    return a.Slot < b.Slot;
}

// Multikey quicksort: three-way partitions on one key byte at a time, so
// long common prefixes are read once per level instead of once per
// comparison. Equal keys end in slot order.
void SortKeys(TKeyEntry* a, size_t n, size_t depth) {
    while (n > 1) {
        if (n < 24) {
            for (size_t i = 1; i < n; ++i)
                for (size_t j = i; j > 0 && KeyLess(a[j], a[j - 1], depth); --j) std::swap(a[j], a[j - 1]);
            return;
        }
        const int x = KeyByte(a[0], depth), y = KeyByte(a[n / 2], depth), z = KeyByte(a[n - 1], depth);
        const int pivot = std::max(std::min(x, y), std::min(std::max(x, y), z));
        size_t lt = 0, i = 0, gt = n;
        while (i < gt) {
            const int c = KeyByte(a[i], depth);
            if (c < pivot)
                std::swap(a[lt++], a[i++]);
            else if (c > pivot)
                std::swap(a[i], a[--gt]);
            else
                ++i;
        }
        SortKeys(a, lt, depth);
        SortKeys(a + gt, n - gt, depth);
        a += lt;
        n = gt - lt;
        if (pivot < 0) { // whole keys equal: slot order
            std::sort(a, a + n, [](const TKeyEntry& p, const TKeyEntry& q) { return p.Slot < q.Slot; });
            return;
        }
        ++depth;
    }
}

// Key bytes in blocks that never move once written.
class TKeyArena {
public:
    unsigned char* Reserve(size_t n) {
        if (FBlocks.empty() || FUsed + n > FBlockSize) {
            FBlocks.emplace_back(new unsigned char[std::max(n, FBlockSize)]);
            FUsed = 0;
        }
        return FBlocks.back().get() + FUsed;
    }
    void Commit(size_t n) { FUsed += n; }

private:
    static constexpr size_t FBlockSize = size_t(1) << 20;
    std::vector<std::unique_ptr<unsigned char[]>> FBlocks;
    size_t FUsed = 0;
};

} // namespace

// One field whose column keeps its values once each: the key of each
// distinct value is computed once, the values are ranked by key (equal keys,
// equal ranks; null before all), and the records are placed by rank in slot
// order, so equal keys stay in slot order as in the general sort.
bool IDSBase::BuildSortOrderByValues(int field, std::vector<uint32_t>& out, unsigned threads,
                                     const std::atomic<bool>* stop) const {
    const TStoreColumn& column = Col(field);
    if (column.Kind() != TStoreColumn::TKind::Bytes || !column.Interned()) return false;
    const TValueSet& values = column.Values();
    const uint32_t m = values.Count();
    const unsigned parts = std::min(threads, KeyWorkers(m));
    std::vector<TKeyArena> arenas(parts);
    std::vector<TKeyEntry> entries(m);
    RunOnWorkers(parts, [&](unsigned w) {
        const auto first = uint32_t(uint64_t(m) * w / parts), last = uint32_t(uint64_t(m) * (w + 1) / parts);
        std::string key;
        for (uint32_t id = first; id < last; ++id) {
            if ((id & 4095) == 0 && stop && stop->load(std::memory_order_relaxed)) throw TStopped{};
            key.clear();
            AppendValueKey(field, values.At(id), key);
            unsigned char* p = arenas[w].Reserve(key.size());
            std::memcpy(p, key.data(), key.size());
            arenas[w].Commit(key.size());
            entries[id] = {p, uint32_t(key.size()), id};
        }
    });
    SortKeys(entries.data(), entries.size(), 0);
    std::vector<uint32_t> rank(m); // 1 + the number of smaller distinct keys; 0 is null
    uint32_t r = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const TKeyEntry& e = entries[i];
        if (i == 0 || e.Length != entries[i - 1].Length || std::memcmp(e.Key, entries[i - 1].Key, e.Length) != 0)
            ++r;
        rank[e.Slot] = r;
    }
    std::vector<uint32_t> start(size_t(r) + 2, 0);
    const uint32_t n = SlotCount();
    auto rankOf = [&](uint32_t s) { return column.IsNull(s - 1) ? 0 : rank[column.IdAt(s - 1)]; };
    for (uint32_t s = 1; s <= n; ++s)
        if (IsVisible(s)) ++start[rankOf(s) + 1];
    for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    out.resize(FDefaultOrder.size());
    for (uint32_t s = 1; s <= n; ++s)
        if (IsVisible(s)) out[start[rankOf(s)]++] = s;
    return true;
}

void IDSBase::BuildSortOrder(const std::vector<int>& fields, std::vector<uint32_t>& out, unsigned threads,
                             const std::atomic<bool>* stop) const {
    if (fields.size() == 1 && BuildSortOrderByValues(fields[0], out, threads, stop)) return;
    // The sort keys (most of the work) are computed for consecutive ranges of
    // slots at once, one range per core. Equal keys end up in slot order:
    // the sort breaks their ties by slot.
    const unsigned parts = std::min(threads, KeyWorkers(FDefaultOrder.size()));
    std::vector<TKeyArena> arenas(parts);
    std::vector<std::vector<TKeyEntry>> ranges(parts);
    const uint64_t n = SlotCount();
    RunOnWorkers(parts, [&](unsigned w) {
        const auto first = uint32_t(n * w / parts) + 1, last = uint32_t(n * (w + 1) / parts);
        std::vector<TKeyEntry>& entries = ranges[w];
        entries.reserve(last - first + 1);
        std::string key;
        for (uint32_t s = first; s <= last; ++s) {
            if ((s & 4095) == 0 && stop && stop->load(std::memory_order_relaxed)) throw TStopped{};
            if (!IsVisible(s)) continue;
            key.clear();
            AppendKey(s, fields, key);
            unsigned char* p = arenas[w].Reserve(key.size());
            std::memcpy(p, key.data(), key.size());
            arenas[w].Commit(key.size());
            entries.push_back({p, uint32_t(key.size()), s});
        }
    });
    std::vector<TKeyEntry> entries = std::move(ranges[0]);
    entries.reserve(FDefaultOrder.size());
    for (unsigned w = 1; w < parts; ++w) entries.insert(entries.end(), ranges[w].begin(), ranges[w].end());
    SortKeys(entries.data(), entries.size(), 0);
    out.resize(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) out[i] = entries[i].Slot;
}

void IDSBase::SetSortOrder(const std::vector<int>& fields) {
    if (fields == FSortFields) return;
    std::vector<uint32_t> order;
    bool cached = false;
    for (auto it = FOrderCache.begin(); it != FOrderCache.end(); ++it) {
        if (it->Fields == fields) {
            order.swap(it->Order);
            FOrderCache.erase(it);
            cached = true;
            break;
        }
    }
    if (!cached && !fields.empty()) {
        if (!TakePreparedOrder(fields, order)) BuildSortOrder(fields, order);
        ++FSortOrdersBuilt;
    }
    // The order in force until now stays valid for this data: keep it.
    if (HasSortOrder() && FSortFresh) {
        FOrderCache.push_back({FSortFields, std::move(FSortOrder)});
        if (FOrderCache.size() > 8) FOrderCache.erase(FOrderCache.begin());
    }
    FSortFields = fields;
    FSortOrder.swap(order);
    FSortFresh = true;
    if (fields.empty()) FSortOrder.clear();
    OrderChanged();
}

// ---------------------------------------------------------------- prepared ahead

// One order built on a helper thread. The thread reads the columns, the row
// states and the size of the default order, which only the changes of the
// records alter: every change stops and joins it first (StopPreparing).
struct IDSBase::TPreparedOrder {
    std::vector<int> Fields;
    std::vector<uint32_t> Order;
    std::exception_ptr Error;
    std::atomic<bool> Stop{false};
    std::atomic<bool> Done{false};
    std::thread Thread;
    ~TPreparedOrder() {
        Stop = true;
        if (Thread.joinable()) Thread.join();
    }
};

void IDSBase::PrepareSortOrder(const std::vector<int>& fields) {
    if (fields.empty() || fields == FSortFields) return;
    for (const TCachedOrder& c : FOrderCache)
        if (c.Fields == fields) return;
    if (FPrepared && FPrepared->Fields == fields) return;
    StopPreparing();
    auto job = std::make_shared<TPreparedOrder>();
    job->Fields = fields;
    TPreparedOrder* j = job.get();
    try {
        // One helper thread: the other core stays with the caller.
        j->Thread = std::thread([this, j] {
            try {
                BuildSortOrder(j->Fields, j->Order, 1, &j->Stop);
            } catch (...) {
                j->Error = std::current_exception();
            }
            j->Done = true;
        });
    } catch (const std::system_error&) {
        return; // no thread: the order is built when it is asked for
    }
    FPrepared = std::move(job);
}

bool IDSBase::PreparingSortOrder() const {
    return FPrepared && !FPrepared->Done;
}

bool IDSBase::TakePreparedOrder(const std::vector<int>& fields, std::vector<uint32_t>& out) {
    if (!FPrepared || FPrepared->Fields != fields) return false;
    FPrepared->Thread.join();
    const bool ok = !FPrepared->Error;
    if (ok) out.swap(FPrepared->Order);
    FPrepared.reset();
    return ok;
}

void IDSBase::StopPreparing() {
    FPrepared.reset();
}

} // namespace tallivo
