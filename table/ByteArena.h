#pragma once
// Growable buffers for the store's columns.
//
// TByteArena grows by a quarter at a time, so that a large column wastes
// little room at its end. From a megabyte on it lives in pages of its own
// (asking for huge pages): it then grows without copying (the pages are
// moved, not their bytes) and can take over the pages of another arena
// (AppendTaking), so that two halves of a table read at once are joined
// without touching new memory. Memory touched for the first time is what
// loading a large table mostly waits for.
//
// TPodArray<T> is an array of plain values (numbers) kept in such an arena.

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace tallivo {

class TByteArena {
public:
    TByteArena() = default;
    TByteArena(TByteArena&& o) noexcept;
    TByteArena& operator=(TByteArena&& o) noexcept;
    TByteArena(const TByteArena& o);
    TByteArena& operator=(const TByteArena& o);
    ~TByteArena() { Release(); }

    size_t Size() const { return FSize; }
    size_t Capacity() const { return FCapacity; }
    const char* Data() const { return FData; }
    char* Data() { return FData; }
    void Append(const char* p, size_t n) {
        if (n) std::memcpy(Extend(n), p, n);
    }
    // n more bytes at the end, uninitialised; returns where they start.
    char* Extend(size_t n) {
        if (FCapacity - FSize < n) Grow(n);
        char* p = FData + FSize;
        FSize += n;
        return p;
    }
    void Reserve(size_t n);
    // Room for n more bytes, growing by a quarter at least.
    void Grow(size_t n);
    void Clear() { FSize = 0; }
    // Appends the bytes of other and leaves it empty. Where both live in
    // pages of their own, other's pages are moved behind these, keeping
    // their offset within a huge page (the gap before them, less than a huge
    // page, is closed by moving the bytes down), else its bytes are copied.
    void AppendTaking(TByteArena& other);
    // Gives the memory back.
    void Release();
    void ShrinkToFit();

private:
    void Adopt(char* data, size_t capacity, size_t mapLength);
    bool FitMapping(size_t capacity);
    char* FData = nullptr;
    size_t FSize = 0;
    size_t FCapacity = 0;  // the bytes this arena may fill
    size_t FMapLength = 0; // for a block in pages of its own: the pages' length (at least FCapacity)
};

// Advice that a large block fills front to back (huge pages); ignored where
// the system has none.
void AdviseHugePages(const void* p, size_t n);

template <typename T> class TPodArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    size_t size() const { return FBytes.Size() / sizeof(T); }
    size_t capacity() const { return FBytes.Capacity() / sizeof(T); }
    bool empty() const { return FBytes.Size() == 0; }
    const T* data() const { return reinterpret_cast<const T*>(FBytes.Data()); }
    T* data() { return reinterpret_cast<T*>(FBytes.Data()); }
    const T& operator[](size_t i) const { return data()[i]; }
    T& operator[](size_t i) { return data()[i]; }
    void push_back(T v) { std::memcpy(FBytes.Extend(sizeof(T)), &v, sizeof(T)); }
    void reserve(size_t n) { FBytes.Reserve(n * sizeof(T)); }
    void shrink_to_fit() { FBytes.ShrinkToFit(); }
    void release() { FBytes.Release(); }
    // Appends other's values and leaves it empty (see TByteArena).
    void AppendTaking(TPodArray& other) { FBytes.AppendTaking(other.FBytes); }

private:
    TByteArena FBytes;
};

} // namespace tallivo
