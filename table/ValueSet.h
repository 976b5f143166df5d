#pragma once
// A set of distinct byte strings, each held once and numbered from 0 in the
// order it was first added. Number 0 is the empty string, present from the
// start. A column whose values repeat (categories, suppliers, names that come
// back) keeps one number per row and its values here once.

#include "table/ByteArena.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tallivo {

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
