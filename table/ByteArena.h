#pragma once
// A growable byte buffer that grows by a quarter at a time, so that a large
// column wastes little room at its end. Large blocks ask the system for huge
// pages (fewer page faults while a big table loads).

#include <cstddef>

namespace tallivo {

class TByteArena {
public:
    TByteArena() = default;
    TByteArena(TByteArena&& o) noexcept;
    TByteArena& operator=(TByteArena&& o) noexcept;
    TByteArena(const TByteArena& o);
    TByteArena& operator=(const TByteArena& o);
    ~TByteArena() { delete[] FData; }

    size_t Size() const { return FSize; }
    size_t Capacity() const { return FCapacity; }
    const char* Data() const { return FData; }
    void Append(const char* p, size_t n);
    void Reserve(size_t n);
    // Room for n more bytes, growing by a quarter at least.
    void Grow(size_t n);
    void Clear() { FSize = 0; }
    // Gives the memory back.
    void Release();
    void ShrinkToFit();

private:
    char* FData = nullptr;
    size_t FSize = 0;
    size_t FCapacity = 0;
};

// Advice that a large block fills front to back (huge pages); ignored where
// the system has none.
void AdviseHugePages(const void* p, size_t n);

} // namespace tallivo
