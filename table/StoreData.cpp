#include "table/StoreData.h"

#include "base/Exception.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <sys/mman.h>

namespace tallivo {

namespace {

// Large blocks fill front to back while a big table loads: huge pages make
// far fewer page faults. Only advice; ignored where the system has none.
void AdviseHugePages(const void* p, size_t n) {
#ifdef MADV_HUGEPAGE
    if (!p || n < (size_t(4) << 20)) return;
    const uintptr_t page = 4096;
    const uintptr_t b = (reinterpret_cast<uintptr_t>(p) + page - 1) & ~(page - 1);
    const uintptr_t e = (reinterpret_cast<uintptr_t>(p) + n) & ~(page - 1);
    if (e > b) (void)madvise(reinterpret_cast<void*>(b), e - b, MADV_HUGEPAGE);
#else
    (void)p;
    (void)n;
#endif
}

} // namespace

TByteArena::TByteArena(TByteArena&& o) noexcept : FData(o.FData), FSize(o.FSize), FCapacity(o.FCapacity) {
    o.FData = nullptr;
    o.FSize = o.FCapacity = 0;
}

TByteArena& TByteArena::operator=(TByteArena&& o) noexcept {
    if (this != &o) {
        delete[] FData;
        FData = o.FData;
        FSize = o.FSize;
        FCapacity = o.FCapacity;
        o.FData = nullptr;
        o.FSize = o.FCapacity = 0;
    }
    return *this;
}

TByteArena::TByteArena(const TByteArena& o) {
    Reserve(o.FSize);
    if (o.FSize) std::memcpy(FData, o.FData, o.FSize);
    FSize = o.FSize;
}

TByteArena& TByteArena::operator=(const TByteArena& o) {
    if (this != &o) {
        TByteArena copy(o);
        *this = std::move(copy);
    }
    return *this;
}

void TByteArena::Reserve(size_t n) {
    if (n <= FCapacity) return;
    char* p = new char[n];
    AdviseHugePages(p, n);
    if (FSize) std::memcpy(p, FData, FSize);
    delete[] FData;
    FData = p;
    FCapacity = n;
}

void TByteArena::Append(const char* p, size_t n) {
    if (FSize + n > FCapacity) Reserve(std::max(FSize + n, FCapacity + FCapacity / 4 + 4096));
    if (n) std::memcpy(FData + FSize, p, n);
    FSize += n;
}

void TByteArena::ShrinkToFit() {
    if (FCapacity == FSize) return;
    TByteArena copy(*this);
    *this = std::move(copy);
}

void TStoreColumn::PushNullBit(bool isNull) {
    const uint32_t row = FCount;
    if ((row & 63) == 0) FNullBits.push_back(0);
    if (isNull) FNullBits.back() |= uint64_t(1) << (row & 63);
}

void TStoreColumn::AppendNull() {
    if (FKind == TKind::Float) {
        FFloats.push_back(0);
    } else {
        FEnds.push_back(uint32_t(FBytes.Size()));
    }
    PushNullBit(true);
    ++FCount;
}

void TStoreColumn::AppendBytes(std::string_view value) {
    if (FKind != TKind::Bytes) throw EDBClient("Mismatch in datapacket.", DBERR_MISMATCH);
    if (FBytes.Size() + value.size() > std::numeric_limits<uint32_t>::max())
        throw EDBClient("Insufficient memory for this operation.", DBERR_NOMEMORY);
    FBytes.Append(value.data(), value.size());
    FEnds.push_back(uint32_t(FBytes.Size()));
    PushNullBit(false);
    ++FCount;
}

void TStoreColumn::AppendFloat(double value) {
    if (FKind != TKind::Float) throw EDBClient("Mismatch in datapacket.", DBERR_MISMATCH);
    FFloats.push_back(value);
    PushNullBit(false);
    ++FCount;
}

void TStoreColumn::EnsureRoom(size_t bytes) {
    auto grow = [](auto& v) {
        if (v.size() == v.capacity()) v.reserve(v.capacity() + v.capacity() / 2 + 16);
    };
    if ((FCount & 63) == 0) grow(FNullBits);
    if (FKind == TKind::Float) {
        grow(FFloats);
        return;
    }
    grow(FEnds);
    if (FBytes.Size() + bytes > std::numeric_limits<uint32_t>::max())
        throw EDBClient("Insufficient memory for this operation.", DBERR_NOMEMORY);
    if (FBytes.Size() + bytes > FBytes.Capacity())
        FBytes.Reserve(std::max(FBytes.Size() + bytes, FBytes.Capacity() + FBytes.Capacity() / 4 + 4096));
}

void TStoreColumn::Reserve(uint32_t rows, size_t bytes) {
    FNullBits.reserve((size_t(rows) + 63) / 64);
    if (FKind == TKind::Float) {
        FFloats.reserve(rows);
        AdviseHugePages(FFloats.data(), FFloats.capacity() * sizeof(double));
    } else {
        FEnds.reserve(rows);
        AdviseHugePages(FEnds.data(), FEnds.capacity() * sizeof(uint32_t));
        FBytes.Reserve(bytes);
    }
}

void TStoreColumn::Clear() {
    FCount = 0;
    FNullBits.clear();
    FFloats.clear();
    FEnds.clear();
    FBytes.Clear();
}

void TStoreColumn::ShrinkToFit() {
    FNullBits.shrink_to_fit();
    FFloats.shrink_to_fit();
    FEnds.shrink_to_fit();
    FBytes.ShrinkToFit();
}

size_t TStoreColumn::MemoryUsed() const {
    return FNullBits.capacity() * sizeof(uint64_t) + FFloats.capacity() * sizeof(double) +
           FEnds.capacity() * sizeof(uint32_t) + FBytes.Capacity();
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
