// The store's buffers: bytes joined by moving pages must read exactly as
// bytes copied, whatever the sizes (page boundaries, small and mapped
// buffers), and the buffer must go on growing and shrinking afterwards.
#include "table/ByteArena.h"

#include <gtest/gtest.h>
#include <string>

using namespace tallivo;

namespace {

std::string Pattern(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char((i * 131 + seed * 7 + i / 4093) & 0xFF);
    return s;
}

// Where the arena first differs from want ("" when it holds exactly want).
std::string Mismatch(const TByteArena& a, const std::string& want) {
    if (a.Size() != want.size()) return "size " + std::to_string(a.Size()) + " instead of " + std::to_string(want.size());
    for (size_t i = 0; i < want.size(); ++i)
        if (a.Data()[i] != want[i]) return "first difference at byte " + std::to_string(i);
    return {};
}

} // namespace

TEST(ByteArena, AppendTakingReadsAsACopyAndTheBufferGrowsOnAfterwards) {
    const size_t kMB = size_t(1) << 20;
    // (first, second): both mapped, ends inside a page and on a boundary,
    // one of them small, an empty first.
    const std::pair<size_t, size_t> sizes[] = {{kMB + 123, kMB + 4001}, {2 * kMB, kMB + 1}, {kMB + 7, 100},
                                               {100, kMB + 7},          {0, kMB + 9},       {kMB + 1, kMB + 4095}};
    unsigned seed = 0;
    for (auto [n1, n2] : sizes) {
        SCOPED_TRACE(std::to_string(n1) + " + " + std::to_string(n2));
        const std::string a = Pattern(n1, ++seed), b = Pattern(n2, ++seed), c = Pattern(kMB + 17, ++seed);
        TByteArena first, second;
        first.Reserve(n1 + n2 / 2); // room for part of the second, as a reader reserves
        first.Append(a.data(), a.size());
        second.Append(b.data(), b.size());
        first.AppendTaking(second);
        EXPECT_EQ(second.Size(), 0u);
        ASSERT_EQ(Mismatch(first, a + b), "");
        // Growing after the join (the block may now be made of two
        // mappings), then shrinking, keeps every byte.
        first.Append(c.data(), c.size());
        ASSERT_EQ(Mismatch(first, a + b + c), "");
        first.ShrinkToFit();
        ASSERT_EQ(Mismatch(first, a + b + c), "");
        const TByteArena copy(first);
        EXPECT_EQ(Mismatch(copy, a + b + c), "");
    }
}

TEST(ByteArena, NumbersJoinedByPagesKeepTheirOrder) {
    TPodArray<uint32_t> first, second;
    for (uint32_t i = 0; i < 700001; ++i) first.push_back(i);
    for (uint32_t i = 700001; i < 1500000; ++i) second.push_back(i);
    first.AppendTaking(second);
    ASSERT_EQ(first.size(), 1500000u);
    EXPECT_TRUE(second.empty());
    for (uint32_t i = 0; i < first.size(); ++i)
        if (first[i] != i) FAIL() << "value " << first[i] << " at " << i;
}
