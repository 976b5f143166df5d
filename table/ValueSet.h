#pragma once
// A set of distinct byte strings, each held once and numbered from 0 in the
// order it was first added. Number 0 is the empty string, present from the
// start. A column whose values repeat (categories, suppliers, names that come
// back) keeps one number per row and its values here once.

#include "table/ByteArena.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace tallivo {

// a == b for short texts (names, values), without a library call: words compared at once, the last one overlapping.
inline bool SameBytes(std::string_view a, std::string_view b) {
    const size_t n = a.size();
    if (n != b.size()) return false;
    const char* p = a.data();
    const char* q = b.data();
    if (n >= 8) {
        uint64_t x, y;
        for (size_t i = 0; i + 8 < n; i += 8) {
            std::memcpy(&x, p + i, 8);
            std::memcpy(&y, q + i, 8);
            if (x != y) return false;
        }
        std::memcpy(&x, p + n - 8, 8);
        std::memcpy(&y, q + n - 8, 8);
        return x == y;
    }
    if (n >= 4) {
        uint32_t x, y, u, v;
        std::memcpy(&x, p, 4);
        std::memcpy(&y, q, 4);
        std::memcpy(&u, p + n - 4, 4);
        std::memcpy(&v, q + n - 4, 4);
        return x == y && u == v;
    }
    for (size_t i = 0; i < n; ++i)
        if (p[i] != q[i]) return false;
    return true;
}

// A fast 64-bit hash of bytes (not for security: the content is our own).
uint64_t HashBytes(const char* data, size_t size);

class TValueSet {
public:
    TValueSet();

    uint32_t Count() const { return uint32_t(FEnds.size()); }
    std::string_view At(uint32_t id) const {
        const uint32_t b = id ? FEnds[id - 1] : 0;
        return std::string_view(FBytes.Data() + b, FEnds[id] - b);
    }
    // The number of value, added when it is new.
    uint32_t Intern(std::string_view value);
    // Room for one more value of bytes bytes, so that the next Intern cannot
    // fail half-way; raises when the set cannot grow.
    void EnsureRoom(size_t bytes);
    // Bytes of the distinct values together.
    size_t Bytes() const { return FBytes.Size(); }

    void Clear();
    void ShrinkToFit();
    size_t MemoryUsed() const;

private:
    void Grow();
    uint32_t Find(std::string_view value, uint64_t hash, size_t& at) const;

    TByteArena FBytes;
    std::vector<uint32_t> FEnds;  // end offset of each value
    std::vector<uint64_t> FTable; // (hash high bits << 32) | (number + 1); 0 when free
};

} // namespace tallivo
