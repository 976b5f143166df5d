#pragma once
// Tells a barcode scanner from a person by the pace of the keys. A scanner
// is a keyboard that types a whole code (and usually Enter or Tab) within a
// few milliseconds a key, the slowest ones 25 to 30 ms a key; a person, even
// a very fast typist, leaves 60 ms and more between keys, and a tile tap
// hundreds. Measured on this system (keypad_timing.sh, on a loaded machine):
// scanners at 1 to 3 ms a key (stray gaps up to 35 ms while the machine is
// busy), slow scanners at a median of 27 and 33 ms (gaps up to 61 ms), a fast
// typist at a median of 64 ms and never below 60, tile taps more than 250 ms
// apart.
//
// A run is the characters typed from a keyboard one after the other, with
// nothing else in between. A run (with the Enter that ends it, when judged
// at an Enter) is a burst when its gaps are fast:
//  - with kGapsForMedian gaps or more, the middle gap (the median) of the
//    last kGapsConsidered is at most kMaxGapMs: one stray gap (the machine
//    busy for a moment) does not break a scanner's burst;
//  - with two or three gaps (a code of two or three characters), every gap
//    is at most kMaxGapMs;
//  - one gap is never a burst (a person may hit a digit and Enter at once).

#include <cstdint>
#include <deque>

namespace tallivo {

class TScanBurst {
public:
    static constexpr uint64_t kMaxGapMs = 45;
    static constexpr int kGapsForMedian = 4;
    static constexpr int kGapsConsidered = 8;

    // A character typed on a keyboard at ms (any clock, the same for all
    // keys of a run).
    void Character(uint64_t ms);
    // Whether the run so far is a burst (a scanner that sends no Enter).
    bool RunIsBurst() const;
    // Enter at ms: true when it ends a burst. A new run starts.
    bool EndsBurst(uint64_t ms);
    // Anything else that changes the field (a tile's key, an editing key,
    // the field emptied): a new run starts.
    void Reset();
    int RunLength() const { return FRun; }

private:
    bool IsBurst(uint64_t enterMs, bool withEnter) const;
    std::deque<uint64_t> FTimes; // the last characters of the run
    int FRun = 0;
};

// A modifier key (Qt::Key_...): it types nothing by itself, and a scanner
// types capitals with Shift, so it neither starts nor breaks a burst.
bool IsModifierKey(int key);

} // namespace tallivo
