#include "table/StoreData.h"

#include "base/Exception.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace tallivo {

namespace {

// Makes sure one more element fits without reallocation (amortised growth).
template <typename V> void RoomForOneMore(V& v) {
    if (v.size() == v.capacity()) v.reserve(v.capacity() + v.capacity() / 2 + 16);
}

[[noreturn]] void RaiseNoMemory() {
    throw EDBClient("Insufficient memory for this operation.", DBERR_NOMEMORY);
}

} // namespace

void TStoreColumn::PushNullBit(bool isNull) {
    const uint32_t row = FCount;
    if ((row & 63) == 0) FNullBits.push_back(0);
    if (isNull) FNullBits.back() |= uint64_t(1) << (row & 63);
}

void TStoreColumn::AppendNull() {
    if (FKind == TKind::Float) {
        FFloats.push_back(0);
    } else {
        if (FCount >= FNextCheck) Checkpoint();
        if (FInterned)
            FIds.push_back(0);
        else
            FEnds.push_back(uint32_t(FBytes.Size()));
    }
    PushNullBit(true);
    ++FCount;
}

void TStoreColumn::AppendBytes(std::string_view value) {
    if (FKind != TKind::Bytes) throw EDBClient("Mismatch in datapacket.", DBERR_MISMATCH);
    if (FCount >= FNextCheck) Checkpoint();
    if (FInterned) {
        const uint32_t id = FValues.Intern(value);
        FIds.push_back(id);
    } else {
        if (FBytes.Size() + value.size() > std::numeric_limits<uint32_t>::max()) RaiseNoMemory();
        FBytes.Append(value.data(), value.size());
        FEnds.push_back(uint32_t(FBytes.Size()));
    }
    FValueBytes += value.size();
    PushNullBit(false);
    ++FCount;
}

void TStoreColumn::AppendFloat(double value) {
    if (FKind != TKind::Float) throw EDBClient("Mismatch in datapacket.", DBERR_MISMATCH);
    FFloats.push_back(value);
    PushNullBit(false);
    ++FCount;
}

// Keeps the values once each while that saves room: the distinct values,
// with their offsets and lookup entries (about 20 bytes each), against the
// values row by row.
void TStoreColumn::Checkpoint() {
    if (FInterned && double(FValues.Bytes()) + 20.0 * FValues.Count() > 0.9 * double(FValueBytes)) ToPlain();
    FNextCheck = FInterned && FNextCheck <= std::numeric_limits<uint32_t>::max() / 4
                     ? FNextCheck * 4
                     : std::numeric_limits<uint32_t>::max();
}

void TStoreColumn::ToPlain() {
    if (FValueBytes > std::numeric_limits<uint32_t>::max()) RaiseNoMemory();
    // Room for as many rows as were reserved, the values growing at the
    // same average length.
    const size_t rows = std::max<size_t>({FCount, FReservedRows, FIds.capacity()});
    const double perRow = FCount ? double(FValueBytes) / FCount : 0;
    TPodArray<uint32_t> ends;
    ends.reserve(rows);
    TByteArena bytes;
    bytes.Reserve(std::max<size_t>(FValueBytes, size_t(perRow * double(rows) * 1.05)));
    for (uint32_t row = 0; row < FCount; ++row) {
        const std::string_view v = FValues.At(FIds[row]);
        bytes.Append(v.data(), v.size());
        ends.push_back(uint32_t(bytes.Size()));
    }
    FEnds = std::move(ends);
    FBytes = std::move(bytes);
    FIds.release();
    FValues = TValueSet();
    FInterned = false;
}

void TStoreColumn::AppendNullBits(const TStoreColumn& other) {
    const size_t words = (size_t(other.FCount) + 63) / 64;
    const unsigned shift = FCount & 63;
    if (shift == 0) {
        FNullBits.insert(FNullBits.end(), other.FNullBits.begin(), other.FNullBits.begin() + ptrdiff_t(words));
    } else {
        for (size_t i = 0; i < words; ++i) {
            const uint64_t w = other.FNullBits[i];
            FNullBits.back() |= w << shift;
            FNullBits.push_back(w >> (64 - shift));
        }
    }
    FNullBits.resize((size_t(FCount) + other.FCount + 63) / 64);
}

void TStoreColumn::AppendRows(TStoreColumn&& other) {
    if (other.FKind != FKind) throw EDBClient("Mismatch in datapacket.", DBERR_MISMATCH);
    if (size_t(FCount) + other.FCount > std::numeric_limits<uint32_t>::max()) RaiseNoMemory();
    if (FKind == TKind::Float) {
        FFloats.AppendTaking(other.FFloats);
    } else if (FInterned && other.FInterned) {
        // Other's numbers are renumbered in place once its rows are here.
        std::vector<uint32_t> map(other.FValues.Count());
        for (uint32_t id = 0; id < map.size(); ++id) map[id] = FValues.Intern(other.FValues.At(id));
        const size_t first = FIds.size();
        FIds.AppendTaking(other.FIds);
        uint32_t* ids = FIds.data();
        for (size_t row = first; row < FIds.size(); ++row) ids[row] = map[ids[row]];
    } else {
        if (FInterned) ToPlain();
        if (FBytes.Size() + other.FValueBytes > std::numeric_limits<uint32_t>::max()) RaiseNoMemory();
        if (!other.FInterned) {
            const auto base = uint32_t(FBytes.Size());
            const size_t first = FEnds.size();
            FBytes.AppendTaking(other.FBytes);
            FEnds.AppendTaking(other.FEnds);
            uint32_t* ends = FEnds.data();
            for (size_t row = first; row < FEnds.size(); ++row) ends[row] += base;
        } else {
            FBytes.Reserve(FBytes.Size() + other.FValueBytes);
            FEnds.reserve(FEnds.size() + other.FCount);
            for (uint32_t row = 0; row < other.FCount; ++row) {
                const std::string_view v = other.FValues.At(other.FIds[row]);
                FBytes.Append(v.data(), v.size());
                FEnds.push_back(uint32_t(FBytes.Size()));
            }
        }
    }
    AppendNullBits(other);
    FCount += other.FCount;
    FValueBytes += other.FValueBytes;
    other = TStoreColumn(FKind);
    while (FKind == TKind::Bytes && FCount >= FNextCheck) Checkpoint();
}

void TStoreColumn::EnsureRoom(size_t bytes) {
    if ((FCount & 63) == 0) RoomForOneMore(FNullBits);
    if (FKind == TKind::Float) {
        RoomForOneMore(FFloats);
        return;
    }
    if (FCount >= FNextCheck) Checkpoint();
    if (FInterned) {
        RoomForOneMore(FIds);
        FValues.EnsureRoom(bytes);
        return;
    }
    RoomForOneMore(FEnds);
    if (FBytes.Size() + bytes > std::numeric_limits<uint32_t>::max()) RaiseNoMemory();
    FBytes.Grow(bytes);
}

void TStoreColumn::Reserve(uint32_t rows, size_t bytes) {
    FNullBits.reserve((size_t(rows) + 63) / 64);
    FReservedRows = std::max(FReservedRows, rows);
    if (FKind == TKind::Float) {
        FFloats.reserve(rows);
        AdviseHugePages(FFloats.data(), FFloats.capacity() * sizeof(double));
    } else if (FInterned) {
        FIds.reserve(rows);
        AdviseHugePages(FIds.data(), FIds.capacity() * sizeof(uint32_t));
    } else {
        FEnds.reserve(rows);
        AdviseHugePages(FEnds.data(), FEnds.capacity() * sizeof(uint32_t));
        FBytes.Reserve(bytes);
    }
}

void TStoreColumn::Clear() {
    *this = TStoreColumn(FKind);
}

void TStoreColumn::ShrinkToFit() {
    FNullBits.shrink_to_fit();
    FFloats.shrink_to_fit();
    FIds.shrink_to_fit();
    FValues.ShrinkToFit();
    FEnds.shrink_to_fit();
    FBytes.ShrinkToFit();
}

size_t TStoreColumn::MemoryUsed() const {
    return FNullBits.capacity() * sizeof(uint64_t) + FFloats.capacity() * sizeof(double) +
           FIds.capacity() * sizeof(uint32_t) + FValues.MemoryUsed() + FEnds.capacity() * sizeof(uint32_t) +
           FBytes.Capacity();
}

TStoreColumn::TKind ColumnKindFor(TFieldType type) {
    return type == ftFloat || type == ftSingle ? TStoreColumn::TKind::Float : TStoreColumn::TKind::Bytes;
}

int TStoreData::AddField(TStoreFieldDesc desc) {
    TStoreColumn column(ColumnKindFor(desc.DataType));
    for (uint32_t i = 0; i < SlotCount(); ++i) column.AppendNull();
    Fields.push_back(std::move(desc));
    Columns.push_back(std::move(column));
    return int(Fields.size()) - 1;
}

uint32_t TStoreData::AppendSlot(uint8_t rowState) {
    RowStates.push_back(rowState);
    return SlotCount();
}

const TStoreParam* TStoreData::FindParam(const QString& name) const {
    for (const TStoreParam& p : Params)
        if (p.Name == name) return &p;
    return nullptr;
}

void TStoreData::Validate() const {
    auto fail = [] { throw EDBClient("Mismatch in datapacket.", DBERR_MISMATCH); };
    if (Columns.size() != Fields.size()) fail();
    for (size_t i = 0; i < Columns.size(); ++i) {
        if (Columns[i].Count() != SlotCount()) fail();
        if (Columns[i].Kind() != ColumnKindFor(Fields[i].DataType)) fail();
    }
    for (const TChangeLogEntry& e : ChangeLog) {
        if (e.Slot == 0 || e.Slot > SlotCount() || e.LinkedSlot > SlotCount()) fail();
    }
}

size_t TStoreData::MemoryUsed() const {
    size_t n = RowStates.capacity() + ChangeLog.capacity() * sizeof(TChangeLogEntry);
    for (const TStoreColumn& c : Columns) n += c.MemoryUsed();
    return n;
}

} // namespace tallivo
