#pragma once
// The capture of one stroke from press, moves and release: points closer
// than 5 pixels are dropped, jumps are filled in, and a stroke that lasts
// more than 5000 ms is abandoned. Times are milliseconds given by the caller
// (a clock in the grid, the input's own times in the command-line tool), so
// that both run the same steps. No display needed.

#include "grid/GestureTypes.h"

#include <cstdint>

namespace tallivo {

// Time since a stroke started, in milliseconds of the caller's clock.
class TStopwatch {
public:
    void Start(std::int64_t now) {
        FStart = now;
        FRunning = true;
    }
    void Stop(std::int64_t now) {
        if (FRunning) FStopped = now;
        FRunning = false;
    }
    void Reset() {
        FRunning = false;
        FStart = FStopped = 0;
    }
    bool IsRunning() const { return FRunning; }
    std::int64_t ElapsedMilliseconds(std::int64_t now) const { return (FRunning ? now : FStopped) - FStart; }

private:
    std::int64_t FStart = 0;
    std::int64_t FStopped = 0;
    bool FRunning = false;
};

class TStrokeCapture {
public:
    // A stroke may last this long; a release exactly at the limit is in time.
    static constexpr std::int64_t StrokeTimeLimit = 5000;

    // The press: a new stroke starts at (X, Y).
    void StrokeDown(int X, int Y, std::int64_t Now);
    // A move: adds the point, or abandons a stroke that ran too long (a move
    // with no stroke running clears what is left of the last one).
    void StrokeMove(int X, int Y, std::int64_t Now);
    // The release: true when it ends a stroke in time, which then holds the
    // points to recognise.
    bool StrokeUp(int X, int Y, std::int64_t Now);

    // Adds a point to the stroke: the first always; later ones only 5 pixels
    // or more from the last in some axis; a jump of more than 8 pixels is
    // filled with points about 5 pixels apart.
    void AppendStrokePoint(int X, int Y);

    const TGesturePointArray& Points() const { return FPoints; }
    bool StrokeRunning() const { return FStopWatch.IsRunning(); }
    void ClearStroke() { FPoints.clear(); }

protected:
    TGesturePointArray FPoints;
    TStopwatch FStopWatch;
};

} // namespace tallivo
