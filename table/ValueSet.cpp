#include "table/ValueSet.h"

#include "base/Exception.h"
#include "table/DBTypes.h"

#include <cstring>
#include <limits>

namespace tallivo {

namespace {
inline uint64_t Load8(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}
inline uint64_t Rotl(uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}
} // namespace

// Sixteen bytes per step, their two products independent of each other and
// of the running hash, so that the step costs little more than a rotation.
uint64_t HashBytes(const char* p, size_t n) {
    constexpr uint64_t k1 = 0x9E3779B97F4A7C15ull, k2 = 0xC2B2AE3D27D4EB4Full, k3 = 0x165667B19E3779F9ull;
    uint64_t h = uint64_t(n) * k3;
    while (n >= 16) {
        h = Rotl(h, 29) ^ ((Load8(p) ^ k3) * k1) ^ ((Load8(p + 8) ^ k1) * k2);
        p += 16;
        n -= 16;
    }
    uint64_t a = 0, b = 0;
    if (n >= 8) {
        a = Load8(p);
        b = Load8(p + n - 8); // overlaps a when n < 16
    } else if (n > 0) {
        std::memcpy(&a, p, n);
    }
    h = Rotl(h, 29) ^ ((a ^ k3) * k1) ^ ((b ^ k1) * k2);
    h ^= h >> 32;
    h *= k2;
    h ^= h >> 29;
    h *= k1;
    return h ^ (h >> 32);
}

namespace {
constexpr size_t kFirstTable = 64;
} // namespace

TValueSet::TValueSet() {
    FTable.assign(kFirstTable, 0);
    Intern(std::string_view());
}

uint32_t TValueSet::Find(std::string_view value, uint64_t hash, size_t& at) const {
    const uint32_t tag = uint32_t(hash >> 32);
    const size_t mask = FTable.size() - 1;
    for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
        const uint64_t e = FTable[i];
        if (!e) {
            at = i;
            return 0;
        }
        if (uint32_t(e >> 32) == tag && SameBytes(At(uint32_t(e) - 1), value)) return uint32_t(e);
    }
}

uint32_t TValueSet::Intern(std::string_view value) {
    const uint64_t hash = HashBytes(value.data(), value.size());
    size_t at = 0;
    if (const uint32_t found = Find(value, hash, at)) return found - 1;
    // New: the caller made room (EnsureRoom) or accepts that this may raise.
    if ((size_t(Count()) + 1) * 2 > FTable.size()) {
        Grow();
        Find(value, hash, at);
    }
    if (FBytes.Size() + value.size() > std::numeric_limits<uint32_t>::max())
        throw EDBClient("Insufficient memory for this operation.", DBERR_NOMEMORY);
    if (FEnds.size() == FEnds.capacity()) FEnds.reserve(FEnds.capacity() * 2 + 16);
    FBytes.Append(value.data(), value.size());
    FEnds.push_back(uint32_t(FBytes.Size()));
    const uint32_t id = Count() - 1;
    FTable[at] = (hash & 0xFFFFFFFF00000000ull) | (id + 1);
    return id;
}

void TValueSet::EnsureRoom(size_t bytes) {
    if ((size_t(Count()) + 1) * 2 > FTable.size()) Grow();
    if (FEnds.size() == FEnds.capacity()) FEnds.reserve(FEnds.capacity() * 2 + 16);
    if (FBytes.Size() + bytes > std::numeric_limits<uint32_t>::max())
        throw EDBClient("Insufficient memory for this operation.", DBERR_NOMEMORY);
    FBytes.Grow(bytes);
}

void TValueSet::Grow() {
    std::vector<uint64_t> bigger(FTable.size() * 2, 0);
    const size_t mask = bigger.size() - 1;
    for (uint32_t id = 0; id < Count(); ++id) {
        const std::string_view v = At(id);
        const uint64_t hash = HashBytes(v.data(), v.size());
        size_t i = size_t(hash) & mask;
        while (bigger[i]) i = (i + 1) & mask;
        bigger[i] = (hash & 0xFFFFFFFF00000000ull) | (id + 1);
    }
    FTable.swap(bigger);
}

void TValueSet::Clear() {
    FBytes.Release();
    FEnds = {};
    FTable.assign(kFirstTable, 0);
    Intern(std::string_view());
}

void TValueSet::ShrinkToFit() {
    FBytes.ShrinkToFit();
    FEnds.shrink_to_fit();
}

size_t TValueSet::MemoryUsed() const {
    return FBytes.Capacity() + FEnds.capacity() * sizeof(uint32_t) + FTable.capacity() * sizeof(uint64_t);
}

} // namespace tallivo
