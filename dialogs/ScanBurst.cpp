#include "dialogs/ScanBurst.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tallivo {

void TScanBurst::Character(uint64_t ms) {
    // Keys stamped out of order (two clocks mixed) start afresh.
    if (!FTimes.empty() && ms < FTimes.back()) Reset();
    FTimes.push_back(ms);
    if (FTimes.size() > size_t(kGapsConsidered)) FTimes.pop_front();
    ++FRun;
}

bool TScanBurst::EndsBurst(uint64_t ms) {
    bool burst = false;
    if (FRun >= kMinCharacters && ms >= FTimes.back()) {
        std::vector<uint64_t> gaps;
        for (size_t i = 1; i < FTimes.size(); ++i) gaps.push_back(FTimes[i] - FTimes[i - 1]);
        gaps.push_back(ms - FTimes.back());
        std::nth_element(gaps.begin(), gaps.begin() + std::ptrdiff_t(gaps.size() / 2), gaps.end());
        burst = gaps[gaps.size() / 2] <= kMaxMedianGapMs;
    }
    Reset();
    return burst;
}

void TScanBurst::Reset() {
    FTimes.clear();
    FRun = 0;
}

} // namespace tallivo
