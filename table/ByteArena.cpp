#include "table/ByteArena.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>

namespace tallivo {

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

void TByteArena::Grow(size_t n) {
    if (FSize + n > FCapacity) Reserve(std::max(FSize + n, FCapacity + FCapacity / 4 + 4096));
}

void TByteArena::Append(const char* p, size_t n) {
    Grow(n);
    if (n) std::memcpy(FData + FSize, p, n);
    FSize += n;
}

void TByteArena::Release() {
    delete[] FData;
    FData = nullptr;
    FSize = FCapacity = 0;
}

void TByteArena::ShrinkToFit() {
    if (FCapacity == FSize) return;
    TByteArena copy(*this);
    *this = std::move(copy);
}

} // namespace tallivo
