#include "grid/GestureStroke.h"

#include <algorithm>
#include <cstdlib>

namespace tallivo {

void TStrokeCapture::StrokeDown(int X, int Y, std::int64_t Now) {
    FPoints.clear();
    AppendStrokePoint(X, Y);
    FStopWatch.Reset();
    FStopWatch.Start(Now);
}

void TStrokeCapture::StrokeMove(int X, int Y, std::int64_t Now) {
    if (!FStopWatch.IsRunning() || FStopWatch.ElapsedMilliseconds(Now) > StrokeTimeLimit) {
        FStopWatch.Stop(Now);
        FStopWatch.Reset();
        FPoints.clear();
        return;
    }
    AppendStrokePoint(X, Y);
}

bool TStrokeCapture::StrokeUp(int X, int Y, std::int64_t Now) {
    if (!FStopWatch.IsRunning() || FStopWatch.ElapsedMilliseconds(Now) > StrokeTimeLimit || FPoints.empty())
        return false;
    FStopWatch.Stop(Now);
    AppendStrokePoint(X, Y);
    return true;
}

void TStrokeCapture::AppendStrokePoint(int X, int Y) {
    const TGesturePoint at = ClampGesturePoint({X, Y});
    X = at.X;
    Y = at.Y;
    if (FPoints.empty()) {
        FPoints.push_back({X, Y});
        return;
    }
    const TGesturePoint last = FPoints.back();
    const std::int64_t dx = std::int64_t(X) - last.X, dy = std::int64_t(Y) - last.Y;
    const std::int64_t adx = std::abs(dx), ady = std::abs(dy);
    if (adx < 5 && ady < 5) return;
    if (adx > 8 || ady > 8) {
        // n steps of about 5 pixels along the longer axis: v div 5, one
        // fewer when v is a multiple of 5 (a 20-pixel jump gets points at 7
        // and 13). Each point is rounded to nearest, halves away from zero,
        // so that a jump and its mirror image are filled alike.
        const auto steps = [](std::int64_t v) { return v / 5 - (v % 5 == 0 ? 1 : 0); };
        const std::int64_t n = std::max(steps(adx), steps(ady));
        for (std::int64_t m = 1; m < n; ++m)
            FPoints.push_back({int(last.X + RoundDiv(m * dx, n)), int(last.Y + RoundDiv(m * dy, n))});
    }
    FPoints.push_back({X, Y});
}

} // namespace tallivo
