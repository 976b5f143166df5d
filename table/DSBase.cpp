#include "table/DSBase.h"

#include "base/CodePage.h"
#include "base/Collation.h"
#include "base/Exception.h"
#include "table/ByteArena.h"
#include "table/NumberText.h"
#include "table/Workers.h"

#include <QString>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>

namespace tallivo {

namespace {

thread_local std::u16string tlsTextA, tlsTextB;

// Makes sure one more element fits without reallocation (amortised growth).
template <typename V> void RoomForOneMore(V& v) {
    if (v.size() == v.capacity()) v.reserve(v.capacity() + v.capacity() / 2 + 16);
}

// Leaves the elements a resize adds uninitialised, for arrays written in full
// before they are read.
template <typename T> struct TNoInitAllocator : std::allocator<T> {
    template <typename U> struct rebind {
        using other = TNoInitAllocator<U>;
    };
    template <typename U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... A> void construct(U* p, A&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<A>(args)...);
    }
};

void DecodeUtf8(std::string_view bytes, std::u16string& out) {
    const QString s = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    out.assign(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

int CompareFloats(double a, double b) {
    const bool na = std::isnan(a), nb = std::isnan(b);
    if (na || nb) return na == nb ? 0 : na ? 1 : -1;
    return a < b ? -1 : a > b ? 1 : 0;
}



} // namespace

// Open-addressing hash set of (tag, slot), the tag being the collator's
// lookup hash of the value (TCollator::LookupHash), shared by values equal
// ignoring case. A tag's first bucket is its place in the range of tags
// scaled to the table, so that entries placed in tag order fill the table
// front to back, and a lookup reads one run of neighbouring entries (most
// often within one cache line). Entries of slots that are no longer visible
// stay until the index is rebuilt; lookups skip them.
struct IDSBase::TLocateIndex {
    int Field = -1;
    std::vector<uint64_t, TNoInitAllocator<uint64_t>> Table; // (tag << 32) | slot, 0 when free
    uint32_t Used = 0;
    uint32_t Stale = 0;

    // Room for entries at a fill of at most 70 %.
    static size_t SizeFor(size_t entries) { return std::max<size_t>(64, entries + entries * 3 / 7 + 8); }
    void Reset(size_t entries) {
        Table.assign(SizeFor(entries), 0);
        Used = Stale = 0;
    }
    // A table of the given size whose content is left to the caller.
    void ResetUncleared(size_t size) {
        Table.clear();
        Table.resize(size);
        Used = Stale = 0;
    }
    size_t Bucket(uint32_t tag) const { return size_t((uint64_t(tag) * Table.size()) >> 32); }
    void Insert(uint32_t tag, uint32_t slot) {
        if ((size_t(Used) + 1) * 10 > Table.size() * 7) Grow();
        Place(tag, slot);
        ++Used;
    }
    // Correct whatever the order of the entries placed; in tag order it
    // writes the table front to back.
    void Place(uint32_t tag, uint32_t slot) {
        size_t i = Bucket(tag);
        while (Table[i]) i = i + 1 == Table.size() ? 0 : i + 1;
        Table[i] = (uint64_t(tag) << 32) | slot;
    }
    void Grow() {
        decltype(Table) old;
        old.swap(Table);
        const uint32_t used = Used;
        Reset(std::max<size_t>(64, old.size() * 2));
        Used = used;
        for (uint64_t e : old)
            if (e) Place(uint32_t(e >> 32), uint32_t(e));
    }
    template <typename F> void Find(uint32_t tag, F&& visit) const {
        if (Table.empty()) return;
        for (size_t i = Bucket(tag); Table[i]; i = i + 1 == Table.size() ? 0 : i + 1)
            if (uint32_t(Table[i] >> 32) == tag) visit(uint32_t(Table[i]));
    }
};

namespace {

// At most 2^kLocateGroupBits groups of tags while building the code index:
// enough that the entries of one group land in a stretch of the table that
// stays in the cache.
constexpr int kLocateGroupBits = 10;

// Groups (tag << 32 | slot) entries by the top bits of their tag, in place
// (one pass of swaps along cycles): entries of one group then have their
// buckets in one short stretch of the table, so that placing them group after
// group writes the table front to back, as a full sort by tag would, without
// a second array. counts: the number of entries of each group.
void GroupByTopBits(uint64_t* entries, unsigned shift, const std::vector<uint32_t>& counts) {
    const size_t groups = counts.size();
    std::vector<size_t> next(groups), end(groups);
    for (size_t g = 0, at = 0; g < groups; ++g) {
        next[g] = at;
        at += counts[g];
        end[g] = at;
    }
    for (size_t g = 0; g < groups; ++g) {
        while (next[g] < end[g]) {
            uint64_t e = entries[next[g]];
            size_t to = size_t(e >> shift);
            while (to != g) { // carries e to its group, taking the entry found there
                std::swap(e, entries[next[to]++]);
                to = size_t(e >> shift);
            }
            entries[next[g]++] = e;
        }
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

    // The default order and each slot's rank in it, both from the row
    // states. For a large table, touching their memory for the first time is
    // most of the work: the two are filled at once on two threads.
    const uint32_t n = FData.SlotCount();
    FRank.reserve(size_t(n) + 1);
    FDefaultOrder.reserve(n);
    auto fill = [&](unsigned part) {
        if (part == 0) {
            for (uint32_t s = 1; s <= n; ++s)
                if (IsVisible(s)) FDefaultOrder.push_back(s);
            return;
        }
        uint32_t rank = 0;
        FRank.push_back(0);
        for (uint32_t s = 1; s <= n; ++s) FRank.push_back(IsVisible(s) ? ++rank : 0);
    };
    if (n >= 100000 && std::thread::hardware_concurrency() > 1) {
        RunOnWorkers(2, fill);
    } else {
        fill(0);
        fill(1);
    }
}

IDSBase::~IDSBase() {
    StopPreparing();
}

TStoreData IDSBase::TakeData() {
    StopPreparing();
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
    StopPreparing();
    const int64_t sortPos = HasSortOrder() ? UpperBoundRecord(buffer) : 0;
    RoomForOneMore(FDefaultOrder);
    if (HasSortOrder()) RoomForOneMore(FSortOrder);
    RoomForOneMore(FData.ChangeLog);
    const uint32_t slot = AppendSlot(buffer, usInserted);
    FDefaultOrder.push_back(slot);
    FRank[slot] = uint32_t(FDefaultOrder.size());
    if (HasSortOrder()) FSortOrder.insert(FSortOrder.begin() + sortPos, slot);
    FData.ChangeLog.push_back({slot, 0, clInserted});
    IndexAdd(slot);
    DataChanged();
    return slot;
}

uint32_t IDSBase::ModifyRecord(uint32_t oldSlot, const TRecordBuffer& buffer) {
    CheckWritable();
    StopPreparing();
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
    StopPreparing();
    const int64_t defPos = DefaultPositionOf(slot);
    const int64_t sortPos = HasSortOrder() ? SortPositionOf(slot) : -1;
    if (defPos < 0 || (HasSortOrder() && sortPos < 0))
        throw EDBClient("Mismatch in datapacket.", DBERR_MISMATCH);
    RoomForOneMore(FData.ChangeLog);
    FData.RowStates[slot - 1] = uint8_t(RowState(slot) | usDeleted);
    FDefaultOrder.erase(FDefaultOrder.begin() + defPos);
    for (size_t p = size_t(defPos); p < FDefaultOrder.size(); ++p) FRank[FDefaultOrder[p]] = uint32_t(p + 1);
    if (HasSortOrder()) FSortOrder.erase(FSortOrder.begin() + sortPos);
    FData.ChangeLog.push_back({slot, 0, clDeleted});
    for (auto& index : FLocateIndexes) ++index->Stale;
    DataChanged();
}

void IDSBase::EmptyStore() {
    CheckWritable();
    StopPreparing();
    for (TStoreColumn& c : FData.Columns) c.Clear();
    FData.RowStates.clear();
    FData.ChangeLog.clear();
    FDefaultOrder.clear();
    FSortOrder.clear();
    FRank.assign(1, 0);
    for (auto& index : FLocateIndexes) {
        index->Table.clear();
        index->Used = index->Stale = 0;
    }
    ++FEmptyCount;
    DataChanged();
}

std::u16string_view IDSBase::Text(uint32_t slot, int field, std::u16string& buf) const {
    return TextOf(field, BytesAt(slot, field), buf);
}

std::u16string_view IDSBase::TextOf(int field, std::string_view bytes, std::u16string& buf) const {
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
    return int64_t(FRank[slot]) - 1; // every visible slot has its rank
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


uint32_t IDSBase::LookupTag(uint32_t slot, int field) const {
    const TFieldType type = FieldDesc(field).DataType;
    if (type == ftString || type == ftFixedChar) return FCollator->LookupHashAnsi(BytesAt(slot, field));
    std::u16string text;
    DecodeUtf8(BytesAt(slot, field), text);
    return FCollator->LookupHash(text);
}

void IDSBase::IndexAdd(uint32_t slot) {
    try {
        for (auto& index : FLocateIndexes) {
            if (IsNull(slot, index->Field)) continue;
            index->Insert(LookupTag(slot, index->Field), slot);
        }
    } catch (...) {
        // The record is stored; an index that could not follow is dropped and
        // built again on its next use.
        FLocateIndexes.clear();
    }
}

void IDSBase::BuildLocateIndex(TLocateIndex& index) const {
    // Fresh memory is slow to touch the first time, so the table is the only
    // large array: the workers write the entries of their share of the slots
    // into the table's last places and clear the rest, the entries are then
    // closed up against the table's end, grouped by tag in place and placed
    // group after group, so that the table fills front to back.
    const uint32_t n = SlotCount();
    const size_t visible = FDefaultOrder.size();
    const unsigned parts = KeyWorkers(visible);
    index.ResetUncleared(std::max(TLocateIndex::SizeFor(visible), size_t(n)));
    uint64_t* const table = index.Table.data();
    const size_t size = index.Table.size(), front = size - n;
    AdviseHugePages(table, size * sizeof(uint64_t)); // halves the cost of the first touch
    const unsigned groupBits = unsigned(std::clamp(int(std::bit_width(visible)) - 10, 1, kLocateGroupBits));
    const unsigned shift = 64 - groupBits;
    std::vector<uint32_t> filled(parts);
    std::vector<std::vector<uint32_t>> counts(parts);
    RunOnWorkers(parts, [&](unsigned w) {
        std::fill(table + front * w / parts, table + front * (w + 1) / parts, 0);
        std::vector<uint32_t>& count = counts[w];
        count.assign(size_t(1) << groupBits, 0);
        const auto first = uint32_t(uint64_t(n) * w / parts) + 1, last = uint32_t(uint64_t(n) * (w + 1) / parts);
        uint64_t* const begin = table + front + (first - 1);
        uint64_t* out = begin;
        for (uint32_t s = first; s <= last; ++s) {
            if (!IsVisible(s) || IsNull(s, index.Field)) continue;
            const uint64_t e = (uint64_t(LookupTag(s, index.Field)) << 32) | s;
            ++count[size_t(e >> shift)];
            *out++ = e;
        }
        filled[w] = uint32_t(out - begin);
    });
    size_t stored = size; // entries in [stored, size)
    for (unsigned w = parts; w-- > 0;) {
        stored -= filled[w];
        std::memmove(table + stored, table + front + size_t(uint64_t(n) * w / parts), filled[w] * sizeof(uint64_t));
        if (w)
            for (size_t g = 0; g < counts[0].size(); ++g) counts[0][g] += counts[w][g];
    }
    std::fill(table + front, table + stored, 0);
    index.Used = uint32_t(size - stored);
    GroupByTopBits(table + stored, shift, counts[0]);
    // Places before `stored` belong to the table; an entry whose probe
    // reaches further first takes the entries stored up to there aside.
    std::vector<uint64_t> aside;
    while (stored < size || !aside.empty()) {
        uint64_t e;
        if (aside.empty()) {
            e = table[stored];
            table[stored++] = 0;
        } else {
            e = aside.back();
            aside.pop_back();
        }
        size_t i = index.Bucket(uint32_t(e >> 32));
        for (;; i = i + 1 == size ? 0 : i + 1) {
            for (; stored <= i; ++stored) {
                aside.push_back(table[stored]);
                table[stored] = 0;
            }
            if (!table[i]) break;
        }
        table[i] = e;
    }
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
        // Built aside: an index whose rebuild fails stays as it was.
        TLocateIndex fresh;
        fresh.Field = field;
        BuildLocateIndex(fresh);
        *index = std::move(fresh);
    }
    return *index;
}

void IDSBase::PrepareLocateIndex(int field) { LocateIndexFor(field); }

int64_t IDSBase::LocateIgnoreCase(int field, QStringView text) {
    TLocateIndex* index = &LocateIndexFor(field);
    const std::u16string_view wanted(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
    // Equal ignoring case: the same folded text, else equal folded texts for
    // the collator (TCollator::EqualsIgnoreCase, with the wanted text folded
    // once).
    std::u16string foldedWanted, folded;
    FoldCase(wanted, foldedWanted);
    int64_t best = -1;
    index->Find(FCollator->LookupHash(wanted), [&](uint32_t slot) {
        // The candidate's row state, position and value are fetched at once.
        __builtin_prefetch(&FData.RowStates[slot - 1]);
        __builtin_prefetch(&FRank[slot]);
        if (!IsVisible(slot) || IsNull(slot, field)) return;
        FoldCase(Text(slot, field, tlsTextA), folded);
        if (folded != foldedWanted && FCollator->Compare(folded, foldedWanted) != 0) return;
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
