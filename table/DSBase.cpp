#include "table/DSBase.h"

#include "base/CodePage.h"
#include "base/Collation.h"
#include "base/Exception.h"
#include "table/NumberText.h"

#include <QString>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <exception>
#include <functional>
#include <thread>

namespace tallivo {

namespace {

thread_local std::u16string tlsTextA, tlsTextB;

// Makes sure one more element fits without reallocation (amortised growth).
template <typename V> void RoomForOneMore(V& v) {
    if (v.size() == v.capacity()) v.reserve(v.capacity() + v.capacity() / 2 + 16);
}

void DecodeUtf8(std::string_view bytes, std::u16string& out) {
    const QString s = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    out.assign(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

int CompareFloats(double a, double b) {
    const bool na = std::isnan(a), nb = std::isnan(b);
    if (na || nb) return na == nb ? 0 : na ? 1 : -1;
    return a < b ? -1 : a > b ? 1 : 0;
}

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

uint32_t HashTag(std::string_view key) {
    const uint64_t h = std::hash<std::string_view>{}(key);
    const uint32_t t = uint32_t(h ^ (h >> 32));
    return t ? t : 1;
}

} // namespace

// Open-addressing hash set of (tag, slot): the tag is a hash of the sort key
// of the case-folded value. Entries of slots that are no longer visible stay
// until the index is rebuilt; lookups skip them.
struct IDSBase::TLocateIndex {
    int Field = -1;
    std::vector<uint64_t> Table; // (tag << 32) | slot, 0 when free
    int Shift = 32;              // bucket of a tag: its high bits
    uint32_t Used = 0;
    uint32_t Stale = 0;

    void Reset(size_t entries) {
        size_t cap = 64;
        int bits = 6;
        while (cap < entries * 2 + 2) cap *= 2, ++bits;
        Table.assign(cap, 0);
        Shift = 32 - bits;
        Used = Stale = 0;
    }
    void Insert(uint32_t tag, uint32_t slot) {
        if (size_t(Used + 1) * 2 > Table.size()) Grow();
        Place(tag, slot);
        ++Used;
    }
    void Place(uint32_t tag, uint32_t slot) {
        const size_t mask = Table.size() - 1;
        size_t i = size_t(tag >> Shift);
        while (Table[i]) i = (i + 1) & mask;
        Table[i] = (uint64_t(tag) << 32) | slot;
    }
    void Grow() {
        std::vector<uint64_t> old;
        old.swap(Table);
        const uint32_t used = Used;
        Reset(std::max<size_t>(32, old.size()));
        Used = used;
        for (uint64_t e : old)
            if (e) Place(uint32_t(e >> 32), uint32_t(e));
    }
    template <typename F> void Find(uint32_t tag, F&& visit) const {
        if (Table.empty()) return;
        const size_t mask = Table.size() - 1;
        for (size_t i = size_t(tag >> Shift); Table[i]; i = (i + 1) & mask)
            if (uint32_t(Table[i] >> 32) == tag) visit(uint32_t(Table[i]));
    }
};

namespace {
// Sorts (tag << 32 | slot) entries by tag, three passes of 11 bits.
void RadixSortByTag(std::vector<uint64_t>& v) {
    std::vector<uint64_t> tmp(v.size());
    for (int shift = 32; shift < 64; shift += 11) {
        size_t count[2049] = {};
        for (uint64_t e : v) ++count[((e >> shift) & 2047) + 1];
        for (int i = 0; i < 2048; ++i) count[i + 1] += count[i];
        for (uint64_t e : v) tmp[count[(e >> shift) & 2047]++] = e;
        v.swap(tmp);
    }
}
} // namespace

IDSBase::IDSBase(TStoreData data) : FData(std::move(data)) {
    FData.Validate();
    std::string locale;
    bool haveLocale = false;
    if (const TStoreParam* lcid = FData.FindParam(QStringLiteral("LCID"))) {
        bool ok = false;
        const uint32_t id = lcid->Value.trimmed().toUInt(&ok);
        if (ok) {
            locale = LocaleForLCID(id);
            haveLocale = !locale.empty();
        }
    }
    FCollator = haveLocale ? &TCollator::ForLocale(locale) : &TCollator::Default();
    FReadOnly = BoolParam(QStringLiteral("READONLY"));

    const uint32_t n = FData.SlotCount();
    FRank.assign(size_t(n) + 1, 0);
    FDefaultOrder.reserve(n);
    for (uint32_t s = 1; s <= n; ++s) {
        if (!IsVisible(s)) continue;
        FDefaultOrder.push_back(s);
        FRank[s] = ++FNextRank;
    }
}

IDSBase::~IDSBase() = default;

TStoreData IDSBase::TakeData() {
    TStoreData out = std::move(FData);
    FData = TStoreData();
    FDefaultOrder.clear();
    FSortOrder.clear();
    FSortFields.clear();
    FRank.clear();
    FOrderCache.clear();
    FLocateIndexes.clear();
    FPosValid = false;
    return out;
}

bool IDSBase::BoolParam(const QString& name) const {
    const TStoreParam* p = FData.FindParam(name);
    return p && !p->Value.isEmpty() && (p->Value[0] == u'T' || p->Value[0] == u't');
}

void IDSBase::SetParam(const TStoreParam& param) {
    for (TStoreParam& p : FData.Params)
        if (p.Name == param.Name) {
            p = param;
            return;
        }
    FData.Params.push_back(param);
}

void IDSBase::RemoveParam(const QString& name) {
    std::erase_if(FData.Params, [&](const TStoreParam& p) { return p.Name == name; });
}

void IDSBase::ReadRecord(uint32_t slot, TRecordBuffer& out) const {
    out.resize(FData.Fields.size());
    for (int f = 0; f < FieldCount(); ++f) {
        TFieldValue& v = out[size_t(f)];
        v.Null = IsNull(slot, f);
        v.Float = 0;
        v.Bytes.clear();
        if (v.Null) continue;
        if (Col(f).Kind() == TStoreColumn::TKind::Float) {
            v.Float = FloatAt(slot, f);
        } else {
            v.Bytes.assign(BytesAt(slot, f));
        }
    }
}

bool IDSBase::RecordEquals(uint32_t slot, const TRecordBuffer& buffer) const {
    for (int f = 0; f < FieldCount(); ++f) {
        const TFieldValue& v = buffer[size_t(f)];
        if (v.Null != IsNull(slot, f)) return false;
        if (v.Null) continue;
        if (Col(f).Kind() == TStoreColumn::TKind::Float) {
            const double stored = FloatAt(slot, f);
            if (std::memcmp(&stored, &v.Float, sizeof(double)) != 0) return false;
        } else if (BytesAt(slot, f) != std::string_view(v.Bytes)) {
            return false;
        }
    }
    return true;
}

void IDSBase::CheckWritable() const {
    if (FReadOnly) throw EDBClient("Data is read only.", DBERR_READONLY);
}

uint32_t IDSBase::AppendSlot(const TRecordBuffer& buffer, uint8_t rowState) {
    // Room first, so that running out of memory leaves every array as it was.
    for (int f = 0; f < FieldCount(); ++f) {
        const TFieldValue& v = buffer[size_t(f)];
        FData.Columns[size_t(f)].EnsureRoom(v.Null ? 0 : v.Bytes.size());
    }
    RoomForOneMore(FData.RowStates);
    RoomForOneMore(FRank);
    for (int f = 0; f < FieldCount(); ++f) {
        const TFieldValue& v = buffer[size_t(f)];
        TStoreColumn& c = FData.Columns[size_t(f)];
        if (v.Null) {
            c.AppendNull();
        } else if (c.Kind() == TStoreColumn::TKind::Float) {
            c.AppendFloat(v.Float);
        } else {
            c.AppendBytes(v.Bytes);
        }
    }
    FData.RowStates.push_back(rowState);
    FRank.resize(size_t(FData.SlotCount()) + 1, 0);
    return FData.SlotCount();
}

void IDSBase::OrderChanged() {
    FPosValid = false;
}

void IDSBase::DataChanged() {
    ++FDataVersion;
    FOrderCache.clear();
    OrderChanged();
}

uint32_t IDSBase::InsertRecord(const TRecordBuffer& buffer) {
    CheckWritable();
    const int64_t sortPos = HasSortOrder() ? UpperBoundRecord(buffer) : 0;
    RoomForOneMore(FDefaultOrder);
    if (HasSortOrder()) RoomForOneMore(FSortOrder);
    RoomForOneMore(FData.ChangeLog);
    const uint32_t slot = AppendSlot(buffer, usInserted);
    FRank[slot] = ++FNextRank;
    FDefaultOrder.push_back(slot);
    if (HasSortOrder()) FSortOrder.insert(FSortOrder.begin() + sortPos, slot);
    FData.ChangeLog.push_back({slot, 0, clInserted});
    IndexAdd(slot);
    DataChanged();
    return slot;
}

uint32_t IDSBase::ModifyRecord(uint32_t oldSlot, const TRecordBuffer& buffer) {
    CheckWritable();
    const int64_t defPos = DefaultPositionOf(oldSlot);
    const int64_t sortPos = HasSortOrder() ? SortPositionOf(oldSlot) : -1;
    if (defPos < 0 || (HasSortOrder() && sortPos < 0))
        throw EDBClient("Mismatch in datapacket.", DBERR_MISMATCH); // not a visible record
    RoomForOneMore(FData.ChangeLog);
    const uint8_t oldState = RowState(oldSlot);
    const uint32_t slot = AppendSlot(buffer, uint8_t(usModified | (oldState & usInserted)));
    FData.RowStates[oldSlot - 1] = uint8_t(oldState | usSuperseded);
    FRank[slot] = FRank[oldSlot];
    FDefaultOrder[size_t(defPos)] = slot;
    if (HasSortOrder()) {
        if (CompareSlots(oldSlot, slot) == 0) {
            FSortOrder[size_t(sortPos)] = slot;
            if (size_t(sortPos) + 1 < FSortOrder.size() &&
                CompareSlots(FSortOrder[size_t(sortPos) + 1], slot) == 0)
                FSortFresh = false;
        } else {
            FSortOrder.erase(FSortOrder.begin() + sortPos);
            const int64_t at = UpperBoundRecord(buffer);
            FSortOrder.insert(FSortOrder.begin() + at, slot);
        }
    }
    FData.ChangeLog.push_back({slot, oldSlot, clModified});
    for (auto& index : FLocateIndexes) ++index->Stale;
    IndexAdd(slot);
    DataChanged();
    return slot;
}

void IDSBase::DeleteRecord(uint32_t slot) {
    CheckWritable();
    const int64_t defPos = DefaultPositionOf(slot);
    const int64_t sortPos = HasSortOrder() ? SortPositionOf(slot) : -1;
    if (defPos < 0 || (HasSortOrder() && sortPos < 0))
        throw EDBClient("Mismatch in datapacket.", DBERR_MISMATCH);
    RoomForOneMore(FData.ChangeLog);
    FData.RowStates[slot - 1] = uint8_t(RowState(slot) | usDeleted);
    FDefaultOrder.erase(FDefaultOrder.begin() + defPos);
    if (HasSortOrder()) FSortOrder.erase(FSortOrder.begin() + sortPos);
    FData.ChangeLog.push_back({slot, 0, clDeleted});
    for (auto& index : FLocateIndexes) ++index->Stale;
    DataChanged();
}

void IDSBase::EmptyStore() {
    CheckWritable();
    for (TStoreColumn& c : FData.Columns) c.Clear();
    FData.RowStates.clear();
    FData.ChangeLog.clear();
    FDefaultOrder.clear();
    FSortOrder.clear();
    FRank.assign(1, 0);
    FNextRank = 0;
    for (auto& index : FLocateIndexes) {
        index->Table.clear();
        index->Used = index->Stale = 0;
    }
    ++FEmptyCount;
    DataChanged();
}

std::u16string_view IDSBase::Text(uint32_t slot, int field, std::u16string& buf) const {
    const std::string_view bytes = BytesAt(slot, field);
    if (FieldDesc(field).DataType == ftString || FieldDesc(field).DataType == ftFixedChar)
        FromAnsi(bytes, buf);
    else
        DecodeUtf8(bytes, buf);
    return buf;
}

int IDSBase::CompareField(int field, const TFieldValue& a, uint32_t slot) const {
    const bool bn = IsNull(slot, field);
    if (a.Null || bn) return a.Null == bn ? 0 : a.Null ? -1 : 1;
    if (Col(field).Kind() == TStoreColumn::TKind::Float) return CompareFloats(a.Float, FloatAt(slot, field));
    const TStoreFieldDesc& d = FieldDesc(field);
    if (IsDecimalKind(d.DataType)) return CompareDecimal(a.Bytes, BytesAt(slot, field));
    if (d.DataType == ftString || d.DataType == ftFixedChar)
        FromAnsi(a.Bytes, tlsTextA);
    else
        DecodeUtf8(a.Bytes, tlsTextA);
    Text(slot, field, tlsTextB);
    return FCollator->Compare(tlsTextA, tlsTextB);
}

int IDSBase::CompareKey(const TRecordBuffer& key, uint32_t slot) const {
    for (int f : FSortFields)
        if (int c = CompareField(f, key[size_t(f)], slot)) return c;
    return 0;
}

int IDSBase::CompareSlots(uint32_t a, uint32_t b) const {
    for (int f : FSortFields) {
        const bool an = IsNull(a, f), bn = IsNull(b, f);
        int c;
        if (an || bn) {
            c = an == bn ? 0 : an ? -1 : 1;
        } else if (Col(f).Kind() == TStoreColumn::TKind::Float) {
            c = CompareFloats(FloatAt(a, f), FloatAt(b, f));
        } else if (IsDecimalKind(FieldDesc(f).DataType)) {
            c = CompareDecimal(BytesAt(a, f), BytesAt(b, f));
        } else {
            Text(a, f, tlsTextA);
            Text(b, f, tlsTextB);
            c = FCollator->Compare(tlsTextA, tlsTextB);
        }
        if (c) return c;
    }
    return 0;
}

int64_t IDSBase::UpperBoundRecord(const TRecordBuffer& buffer) const {
    int64_t lo = 0, hi = int64_t(FSortOrder.size());
    while (lo < hi) {
        const int64_t mid = (lo + hi) / 2;
        if (CompareKey(buffer, FSortOrder[size_t(mid)]) < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

int64_t IDSBase::FindNearest(const TRecordBuffer& key, bool exclusive) const {
    const std::vector<uint32_t>& order = Order();
    int64_t lo = 0, hi = int64_t(order.size());
    while (lo < hi) {
        const int64_t mid = (lo + hi) / 2;
        const int c = CompareKey(key, order[size_t(mid)]);
        if (exclusive ? c < 0 : c <= 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

int64_t IDSBase::DefaultPositionOf(uint32_t slot) const {
    if (slot == 0 || slot > SlotCount() || !IsVisible(slot)) return -1;
    const uint32_t r = FRank[slot];
    auto it = std::lower_bound(FDefaultOrder.begin(), FDefaultOrder.end(), r,
                               [this](uint32_t s, uint32_t rank) { return FRank[s] < rank; });
    if (it == FDefaultOrder.end() || *it != slot) return -1;
    return it - FDefaultOrder.begin();
}

int64_t IDSBase::SortPositionOf(uint32_t slot, bool repeated) const {
    if (slot == 0 || slot > SlotCount() || !IsVisible(slot)) return -1;
    // Searches asked again and again on unchanged data are answered from a
    // position map built once; a single lookup after a change searches.
    if (!FPosValid && repeated && ++FPosLookups >= 2) BuildPositionMap();
    if (!FPosValid) {
        // Binary search for the slot's key, then a short walk over equal keys;
        // long runs of equal keys are answered from a rebuilt position map.
        int64_t lo = 0, hi = int64_t(FSortOrder.size());
        while (lo < hi) {
            const int64_t mid = (lo + hi) / 2;
            if (CompareSlots(FSortOrder[size_t(mid)], slot) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        for (int64_t p = lo, steps = 0; p < int64_t(FSortOrder.size()) && steps < 256; ++p, ++steps) {
            if (FSortOrder[size_t(p)] == slot) return p;
            if (CompareSlots(FSortOrder[size_t(p)], slot) != 0) return -1;
        }
        BuildPositionMap();
    }
    const uint32_t p = FPosOf[slot];
    return p < FSortOrder.size() && FSortOrder[p] == slot ? int64_t(p) : -1;
}

void IDSBase::BuildPositionMap() const {
    FPosOf.assign(size_t(SlotCount()) + 1, 0);
    for (size_t p = 0; p < FSortOrder.size(); ++p) FPosOf[FSortOrder[p]] = uint32_t(p);
    FPosValid = true;
}

int64_t IDSBase::PositionOf(uint32_t slot) const {
    return HasSortOrder() ? SortPositionOf(slot) : DefaultPositionOf(slot);
}

bool IDSCursor::MoveToSlot(uint32_t slot) {
    const int64_t p = FBase->PositionOf(slot);
    if (p < 0) return false;
    FPos = p;
    return true;
}

void IDSBase::AppendKey(uint32_t slot, const std::vector<int>& fields, std::string& out) const {
    for (int f : fields) {
        if (IsNull(slot, f)) {
            out.push_back('\x01');
            continue;
        }
        out.push_back('\x02');
        if (Col(f).Kind() == TStoreColumn::TKind::Float) {
            AppendFloatKey(FloatAt(slot, f), out);
        } else if (IsDecimalKind(FieldDesc(f).DataType)) {
            AppendDecimalKey(BytesAt(slot, f), out);
        } else {
            Text(slot, f, tlsTextA);
            FCollator->AppendSortKey(tlsTextA, out); // ends with a zero byte that no key holds inside
        }
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

// Threads that build one order's keys: one per core, up to four, for orders
// large enough to gain from them.
unsigned KeyWorkers(size_t records) {
    if (records < 200000) return 1;
    return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

// Runs job(0) ... job(n - 1) at once, job(0) on the calling thread, and
// returns when all have ended; then raises the first error of any. When no
// thread can be started, the calling thread runs the rest itself.
template <class F> void RunOnWorkers(unsigned n, F&& job) {
    std::vector<std::exception_ptr> errors(n);
    auto run = [&](unsigned i) {
        try {
            job(i);
        } catch (...) {
            errors[i] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    unsigned started = 1;
    try {
        for (; started < n; ++started) threads.emplace_back(run, started);
    } catch (...) {
    }
    for (unsigned i = started; i < n; ++i) run(i);
    run(0);
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

} // namespace

void IDSBase::BuildSortOrder(const std::vector<int>& fields, std::vector<uint32_t>& out) const {
    // The sort keys (most of the work) are computed for consecutive ranges of
    // slots at once, one range per core. Equal keys end up in slot order:
    // the sort breaks their ties by slot.
    const unsigned parts = KeyWorkers(FDefaultOrder.size());
    std::vector<TKeyArena> arenas(parts);
    std::vector<std::vector<TKeyEntry>> ranges(parts);
    const uint64_t n = SlotCount();
    RunOnWorkers(parts, [&](unsigned w) {
        const auto first = uint32_t(n * w / parts) + 1, last = uint32_t(n * (w + 1) / parts);
        std::vector<TKeyEntry>& entries = ranges[w];
        entries.reserve(last - first + 1);
        std::string key;
        for (uint32_t s = first; s <= last; ++s) {
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
        BuildSortOrder(fields, order);
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

void IDSBase::IndexAdd(uint32_t slot) {
    try {
        std::string key;
        for (auto& index : FLocateIndexes) {
            if (IsNull(slot, index->Field)) continue;
            key.clear();
            Text(slot, index->Field, tlsTextB);
            FCollator->AppendFoldedSortKey(tlsTextB, key);
            index->Insert(HashTag(key), slot);
        }
    } catch (...) {
        // The record is stored; an index that could not follow is dropped and
        // built again on its next use.
        FLocateIndexes.clear();
    }
}

void IDSBase::BuildLocateIndex(TLocateIndex& index) const {
    // Tags first, then placed in bucket order: the table fills front to back
    // instead of at random places.
    std::vector<uint64_t> entries;
    entries.reserve(FDefaultOrder.size());
    std::string key;
    for (uint32_t s = 1; s <= SlotCount(); ++s) {
        if (!IsVisible(s) || IsNull(s, index.Field)) continue;
        key.clear();
        Text(s, index.Field, tlsTextB);
        FCollator->AppendFoldedSortKey(tlsTextB, key);
        entries.push_back((uint64_t(HashTag(key)) << 32) | s);
    }
    RadixSortByTag(entries);
    index.Reset(entries.size());
    for (uint64_t e : entries) index.Place(uint32_t(e >> 32), uint32_t(e));
    index.Used = uint32_t(entries.size());
}

bool IDSBase::HasLocateIndex(int field) const {
    for (const auto& index : FLocateIndexes)
        if (index->Field == field) return true;
    return false;
}

IDSBase::TLocateIndex& IDSBase::LocateIndexFor(int field) {
    TLocateIndex* index = nullptr;
    for (auto& i : FLocateIndexes)
        if (i->Field == field) index = i.get();
    if (!index) {
        auto fresh = std::make_unique<TLocateIndex>();
        fresh->Field = field;
        BuildLocateIndex(*fresh);
        FLocateIndexes.push_back(std::move(fresh));
        index = FLocateIndexes.back().get();
    } else if (index->Stale > index->Used / 2 + 1024) {
        BuildLocateIndex(*index);
    }
    return *index;
}

void IDSBase::PrepareLocateIndex(int field) { LocateIndexFor(field); }

int64_t IDSBase::LocateIgnoreCase(int field, QStringView text) {
    TLocateIndex* index = &LocateIndexFor(field);
    const std::u16string_view wanted(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
    std::string key;
    FCollator->AppendFoldedSortKey(wanted, key);
    int64_t best = -1;
    index->Find(HashTag(key), [&](uint32_t slot) {
        if (!IsVisible(slot) || IsNull(slot, field)) return;
        if (!FCollator->EqualsIgnoreCase(Text(slot, field, tlsTextA), wanted)) return;
        const int64_t p = HasSortOrder() ? SortPositionOf(slot, true) : DefaultPositionOf(slot);
        if (p >= 0 && (best < 0 || p < best)) best = p;
    });
    return best;
}

size_t IDSBase::MemoryUsed() const {
    size_t n = FData.MemoryUsed();
    n += (FDefaultOrder.capacity() + FSortOrder.capacity() + FRank.capacity() + FPosOf.capacity()) * 4;
    for (const TCachedOrder& c : FOrderCache) n += c.Order.capacity() * 4;
    for (const auto& i : FLocateIndexes) n += i->Table.capacity() * 8;
    return n;
}

} // namespace tallivo
