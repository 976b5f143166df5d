#pragma once
// Tells a barcode scanner from a person by the pace of the keys. A scanner
// is a keyboard that types a whole code and Enter within a few milliseconds;
// a person, even a fast typist, leaves tens of milliseconds between keys,
// and a tile tap hundreds. Measured on this system (keypad_timing.sh): a
// scanner's keys 1 to 2 ms apart (a stray gap of up to about 45 ms when the
// machine is loaded), keys typed at the pace of 30 ms, faster than anybody
// types, never closer than 30 ms, and tile taps more than 250 ms apart.
//
// An Enter ends a scanner burst when at least kMinCharacters characters
// came before it in the current run and the middle gap (the median) of the
// last kGapsConsidered gaps, Enter's included, is at most kMaxMedianGapMs.
// The median lets one stray gap (the machine busy for a moment) pass
// without breaking a scanner's burst, and no person reaches it.

#include <cstdint>
#include <deque>

namespace tallivo {

class TScanBurst {
public:
    static constexpr uint64_t kMaxMedianGapMs = 20;
    static constexpr int kMinCharacters = 4;
    static constexpr int kGapsConsidered = 8;

    // A character typed on a keyboard at ms (any clock, the same for all
    // keys of a run).
    void Character(uint64_t ms);
    // Enter at ms: true when it ends a scanner burst. A new run starts.
    bool EndsBurst(uint64_t ms);
    // Anything else that changes the field (a tile's key, an editing key,
    // the field emptied): a new run starts.
    void Reset();
    int RunLength() const { return FRun; }

private:
    std::deque<uint64_t> FTimes; // the last characters of the run
    int FRun = 0;
};

} // namespace tallivo
