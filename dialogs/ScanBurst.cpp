#include "dialogs/ScanBurst.h"

#include <QtCore/qnamespace.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tallivo {

void TScanBurst::Character(uint64_t ms) {
    // Keys stamped out of order (two clocks mixed) start afresh.
    if (!FTimes.empty() && ms < FTimes.back()) Reset();
    FTimes.push_back(ms);
    if (FTimes.size() > size_t(kGapsConsidered) + 1) FTimes.pop_front();
    ++FRun;
}

bool TScanBurst::IsBurst(uint64_t enterMs, bool withEnter) const {
    std::vector<uint64_t> gaps;
    for (size_t i = 1; i < FTimes.size(); ++i) gaps.push_back(FTimes[i] - FTimes[i - 1]);
    if (withEnter) {
        if (FTimes.empty() || enterMs < FTimes.back()) return false;
        gaps.push_back(enterMs - FTimes.back());
    }
    if (gaps.size() > size_t(kGapsConsidered)) gaps.erase(gaps.begin(), gaps.end() - kGapsConsidered);
    if (gaps.size() < 2) return false;
    if (gaps.size() < size_t(kGapsForMedian))
        return std::all_of(gaps.begin(), gaps.end(), [](uint64_t g) { return g <= kMaxGapMs; });
    std::nth_element(gaps.begin(), gaps.begin() + std::ptrdiff_t(gaps.size() / 2), gaps.end());
    return gaps[gaps.size() / 2] <= kMaxGapMs;
}

bool TScanBurst::RunIsBurst() const {
    return IsBurst(0, false);
}

bool TScanBurst::EndsBurst(uint64_t ms) {
    const bool burst = IsBurst(ms, true);
    Reset();
    return burst;
}

void TScanBurst::Reset() {
    FTimes.clear();
    FRun = 0;
}

bool IsModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

} // namespace tallivo
