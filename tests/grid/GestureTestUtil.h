#pragma once
// Strokes for the recogniser tests: pointer events (press, moves, release)
// built as a finger draws them, and their run through the stroke capture
// and the four swipes of the collection grid, as the grid runs them.

#include "grid/GestureRecognizer.h"
#include "grid/GestureStroke.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <vector>

namespace tallivo::test {

struct TStrokeEvent {
    int X = 0;
    int Y = 0;
    std::int64_t T = 0; // milliseconds since the press
};
using TStrokeEvents = std::vector<TStrokeEvent>;

inline std::ostream& operator<<(std::ostream& os, const TStrokeEvents& events) {
    for (const TStrokeEvent& e : events) os << e.X << ' ' << e.Y << ' ' << e.T << "; ";
    return os;
}

// A straight drag from (x0, y0) to (x1, y1) with an event every step pixels
// along the longer axis (the last event on the end point), 10 ms apart.
inline TStrokeEvents Drag(int x0, int y0, int x1, int y1, int step = 10) {
    TStrokeEvents events;
    const int dx = x1 - x0, dy = y1 - y0;
    const int length = std::max(std::abs(dx), std::abs(dy));
    const int n = std::max(1, (length + step - 1) / step);
    for (int i = 0; i <= n; ++i) events.push_back({x0 + dx * i / n, y0 + dy * i / n, 10 * std::int64_t(i)});
    return events;
}

struct TSwipeRun {
    bool Ended = false; // the release came in time
    bool Recognised = false;
    TGestureID Id = sgiNoGesture;
    std::vector<int> Scores; // sgiLeft, sgiRight, sgiUp, sgiDown
    TGesturePointArray Points;
};

// The main window's gestures for the collection grid, in their order.
inline TGestureList SwipeList() {
    TGestureList list;
    for (TGestureID id : {sgiLeft, sgiRight, sgiUp, sgiDown}) list.push_back({id, gtStandard, {}, 0, 0, {}});
    return list;
}

// The first event is the press, the last the release (a single event is both).
inline TSwipeRun RunSwipe(const TStrokeEvents& events) {
    TSwipeRun run;
    TStrokeCapture capture;
    capture.StrokeDown(events.front().X, events.front().Y, events.front().T);
    for (std::size_t i = 1; i + 1 < events.size(); ++i)
        capture.StrokeMove(events[i].X, events[i].Y, events[i].T);
    run.Ended = capture.StrokeUp(events.back().X, events.back().Y, events.back().T);
    run.Points = capture.Points();
    run.Scores.assign(4, 0);
    if (run.Ended) {
        TGestureEventInfo info;
        run.Recognised =
            GestureRecognizer().IsGesture(run.Points, SwipeList(), {gtStandard}, info, &run.Scores);
        if (run.Recognised) run.Id = info.GestureID;
    }
    return run;
}

// The parts of one swipe's score for a captured stroke.
inline TGestureScore SwipeParts(const TGesturePointArray& points, TGestureID id) {
    const TStandardGestureData* data = FindStandardGesture(id);
    return MatchStroke(points, data->Points, data->Options, data->Deviation, data->ErrorMargin);
}

} // namespace tallivo::test
