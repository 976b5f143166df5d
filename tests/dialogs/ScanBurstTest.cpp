// Telling a scanner's burst from a person's typing by the pace of the keys.
#include "dialogs/ScanBurst.h"

#include <gtest/gtest.h>
#include <initializer_list>

using namespace tallivo;

namespace {

// Characters at the given gaps (the first at time 1000), then Enter after
// enterGap: does the Enter end a burst?
bool Typed(std::initializer_list<uint64_t> gaps, uint64_t enterGap, TScanBurst& b) {
    uint64_t t = 1000;
    b.Character(t);
    for (uint64_t g : gaps) b.Character(t += g);
    return b.EndsBurst(t + enterGap);
}

bool Typed(std::initializer_list<uint64_t> gaps, uint64_t enterGap) {
    TScanBurst b;
    return Typed(gaps, enterGap, b);
}

} // namespace

TEST(ScanBurst, AScannersCodeAndEnterIsABurstEvenWithAStrayGap) {
    // Thirteen digits 2 ms apart, Enter 2 ms later.
    EXPECT_TRUE(Typed({2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}, 2));
    // One gap of 35 ms (the machine busy for a moment), in the middle or
    // before Enter.
    EXPECT_TRUE(Typed({2, 1, 2, 2, 35, 2, 2, 2, 1, 2, 2, 2}, 2));
    EXPECT_TRUE(Typed({2, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2}, 40));
    // Slow scanners, 25 and 30 ms a key, with the stray gaps measured.
    EXPECT_TRUE(Typed({25, 27, 46, 26, 25, 27, 28, 25, 26, 27, 25, 26}, 27));
    EXPECT_TRUE(Typed({33, 30, 61, 32, 33, 34, 30, 33, 31, 33, 32, 33}, 33));
    // Codes of three and two characters.
    EXPECT_TRUE(Typed({1, 1}, 1));
    EXPECT_TRUE(Typed({1}, 1));
    // A scanner that sends no Enter: the run itself is a burst.
    TScanBurst b;
    for (uint64_t t = 1000; t < 1026; t += 2) b.Character(t);
    EXPECT_TRUE(b.RunIsBurst());
}

TEST(ScanBurst, PeopleAreNeverABurst) {
    // A very fast typist: keys 60 ms apart.
    EXPECT_FALSE(Typed({60, 64, 61, 77, 62}, 64));
    // A typist rolling over keys: a few close pairs, the rest slower.
    EXPECT_FALSE(Typed({12, 60, 10, 70, 9}, 80));
    // Hand typing at an ordinary pace.
    EXPECT_FALSE(Typed({150, 210}, 180));
    // Two digits hit together, Enter later; a digit and Enter hit together.
    EXPECT_FALSE(Typed({10}, 150));
    EXPECT_FALSE(Typed({}, 5));
    TScanBurst b;
    b.Character(1000);
    b.Character(1010);
    EXPECT_FALSE(b.RunIsBurst());
}

TEST(ScanBurst, EachEnterStartsANewRunAndSoDoesAReset) {
    TScanBurst b;
    EXPECT_TRUE(Typed({2, 2, 2, 2}, 2, b));
    // A person then types 5 and Enter: the refused burst does not count.
    b.Character(5000);
    EXPECT_FALSE(b.EndsBurst(5003));
    // Fast characters, then a tile's key: what follows is a new run.
    for (uint64_t t : {6000, 6002, 6004, 6006}) b.Character(t);
    b.Reset();
    b.Character(6008);
    EXPECT_EQ(b.RunLength(), 1);
    EXPECT_FALSE(b.EndsBurst(6010));
    // Only the last gaps count: a slow start does not hide a burst at the end.
    EXPECT_TRUE(Typed({300, 400, 2, 2, 2, 2, 2, 2, 2, 2}, 2, b));
    // Stamps going backwards (two clocks mixed) start afresh.
    for (uint64_t t : {9000, 9002, 9004}) b.Character(t);
    b.Character(10);
    EXPECT_EQ(b.RunLength(), 1);
}
