#include "table/ByteArena.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace tallivo {

namespace {

// From this size on an arena lives in pages of its own.
constexpr size_t kMapFrom = size_t(1) << 20;
constexpr size_t kHugePage = size_t(2) << 20;

size_t PageSize() {
    static const size_t page = [] {
        const long p = sysconf(_SC_PAGESIZE);
        return p > 0 ? size_t(p) : size_t(4096);
    }();
    return page;
}

size_t RoundToPages(size_t n) {
    const size_t page = PageSize();
    return (n + page - 1) / page * page;
}

// The length of a mapping that holds n bytes: from 2 MB on a whole number
// of huge pages, so that the system places it on a huge page boundary and
// every part of it can be a huge page (far fewer first-touch faults). The
// room beyond n is never touched unless the arena grows into it.
size_t MappingFor(size_t n) {
    return n >= kHugePage ? (n + kHugePage - 1) / kHugePage * kHugePage : RoundToPages(n);
}

// The first offset from at on that lies where delta (a whole number of
// pages) lies within a huge page.
size_t CongruentOffset(size_t at, uintptr_t delta) {
    at = RoundToPages(at);
    return at + ((delta - at) & (kHugePage - 1));
}

char* MapPages(size_t length) {
    void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    AdviseHugePages(p, length);
    return static_cast<char*>(p);
}

} // namespace

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

TByteArena::TByteArena(TByteArena&& o) noexcept
    : FData(o.FData), FSize(o.FSize), FCapacity(o.FCapacity), FMapLength(o.FMapLength) {
    o.FData = nullptr;
    o.FSize = o.FCapacity = o.FMapLength = 0;
}

TByteArena& TByteArena::operator=(TByteArena&& o) noexcept {
    if (this != &o) {
        Release();
        FData = o.FData;
        FSize = o.FSize;
        FCapacity = o.FCapacity;
        FMapLength = o.FMapLength;
        o.FData = nullptr;
        o.FSize = o.FCapacity = o.FMapLength = 0;
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

void TByteArena::Release() {
    if (FMapLength)
        munmap(FData, FMapLength);
    else
        delete[] FData;
    FData = nullptr;
    FSize = FCapacity = FMapLength = 0;
}

// Takes data (holding FSize bytes copied from the old block) as the block;
// mapLength is 0 for a block from new[].
void TByteArena::Adopt(char* data, size_t capacity, size_t mapLength) {
    const size_t size = FSize;
    Release();
    FData = data;
    FSize = size;
    FCapacity = capacity;
    FMapLength = mapLength;
}

// Gives a mapped block room for capacity bytes (a multiple of the page size)
// without copying its bytes; false when the system cannot (the block then
// stays as it was).
bool TByteArena::FitMapping(size_t capacity) {
    if (capacity > FMapLength) {
        const size_t length = MappingFor(capacity);
        void* p = mremap(FData, FMapLength, length, MREMAP_MAYMOVE);
        if (p == MAP_FAILED) return false;
        FData = static_cast<char*>(p);
        FMapLength = length;
        AdviseHugePages(FData, FMapLength);
    }
    FCapacity = std::max(FCapacity, capacity);
    return true;
}

void TByteArena::Reserve(size_t n) {
    if (n <= FCapacity) return;
    if (n < kMapFrom) {
        char* p = new char[n];
        if (FSize) std::memcpy(p, FData, FSize);
        Adopt(p, n, 0);
        return;
    }
    n = RoundToPages(n);
    if (FMapLength && FitMapping(n)) return;
    const size_t length = MappingFor(n);
    char* p = MapPages(length);
    if (FSize) std::memcpy(p, FData, FSize);
    Adopt(p, n, length);
}

void TByteArena::Grow(size_t n) {
    if (FSize + n > FCapacity) Reserve(std::max(FSize + n, FCapacity + FCapacity / 4 + 4096));
}

void TByteArena::AppendTaking(TByteArena& other) {
    if (&other == this || other.FSize == 0) {
        if (&other != this) other.Release();
        return;
    }
    if (FSize == 0 && other.FCapacity >= FCapacity) {
        *this = std::move(other);
        return;
    }
    if (FMapLength && other.FMapLength) {
        // Other's used pages go after this arena's last byte, at the first
        // place that keeps their offset within a huge page: on some machines,
        // touching pages moved to any other offset costs as much as touching
        // fresh memory (and huge pages are split). The gap before them (less
        // than a huge page) is then closed by moving the bytes down, within
        // memory already touched.
        const size_t pages = RoundToPages(other.FSize);
        if (FitMapping(std::max(FCapacity, RoundToPages(FSize) + kHugePage + pages))) {
            const size_t at = CongruentOffset(FSize, reinterpret_cast<uintptr_t>(other.FData) -
                                                         reinterpret_cast<uintptr_t>(FData));
            void* moved = mremap(other.FData, pages, pages, MREMAP_MAYMOVE | MREMAP_FIXED, FData + at);
            if (moved != MAP_FAILED) {
                if (other.FMapLength > pages) munmap(other.FData + pages, other.FMapLength - pages);
                other.FData = nullptr;
                const size_t size = other.FSize;
                other.FSize = other.FCapacity = other.FMapLength = 0;
                if (at != FSize) std::memmove(FData + FSize, FData + at, size);
                FSize += size;
                return;
            }
        }
    }
    Append(other.FData, other.FSize);
    other.Release();
}

void TByteArena::ShrinkToFit() {
    if (FCapacity == FSize) return;
    if (FSize == 0) {
        Release();
        return;
    }
    if (FMapLength && FSize >= kMapFrom) {
        // Shrinking a mapping keeps it in place and its bytes untouched.
        const size_t n = RoundToPages(FSize);
        if (n < FMapLength && munmap(FData + n, FMapLength - n) == 0) FCapacity = FMapLength = n;
        return;
    }
    TByteArena copy(*this);
    *this = std::move(copy);
}

} // namespace tallivo
