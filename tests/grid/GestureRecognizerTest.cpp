// The swipe recogniser without a display: the stroke capture (dropped
// points, filled jumps, the time limit), the steps of Match, the worked
// examples of swipes with their scores, and properties over thousands of
// random strokes.
#include "GestureTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

using namespace tallivo;
using namespace tallivo::test;

namespace {

const std::vector<int> kNone{0, 0, 0, 0};

TGesturePointArray Captured(std::initializer_list<TGesturePoint> moves) {
    TStrokeCapture c;
    c.StrokeDown(0, 0, 0);
    for (TGesturePoint p : moves) c.StrokeMove(p.X, p.Y, 1);
    return c.Points();
}

} // namespace

// ---------------------------------------------------------------- capture

TEST(StrokeCapture, CloseMovesAreDroppedAndJumpsAreFilled) {
    // Under 5 pixels in both axes from the last point kept: dropped.
    EXPECT_EQ(Captured({{4, 4}, {-4, 4}, {3, -4}}), (TGesturePointArray{{0, 0}}));
    EXPECT_EQ(Captured({{4, 4}, {5, 0}}), (TGesturePointArray{{0, 0}, {5, 0}}));
    EXPECT_EQ(Captured({{0, -5}}), (TGesturePointArray{{0, 0}, {0, -5}}));
    // A 20-pixel jump along one axis gets 2 points between, at 7 and 13.
    EXPECT_EQ(Captured({{20, 0}}), (TGesturePointArray{{0, 0}, {7, 0}, {13, 0}, {20, 0}}));
    EXPECT_EQ(Captured({{0, -20}}), (TGesturePointArray{{0, 0}, {0, -7}, {0, -13}, {0, -20}}));
    // Up to 8 pixels, and 10 (a multiple of 5 counts one step fewer), nothing between.
    EXPECT_EQ(Captured({{8, 3}}), (TGesturePointArray{{0, 0}, {8, 3}}));
    EXPECT_EQ(Captured({{10, 0}}), (TGesturePointArray{{0, 0}, {10, 0}}));
    // 11 pixels: one point halfway, rounded away from zero both ways.
    EXPECT_EQ(Captured({{11, 0}}), (TGesturePointArray{{0, 0}, {6, 0}, {11, 0}}));
    EXPECT_EQ(Captured({{-11, 0}}), (TGesturePointArray{{0, 0}, {-6, 0}, {-11, 0}}));
    // Diagonal: the longer axis sets the steps, both axes are divided by them.
    EXPECT_EQ(Captured({{20, -12}}), (TGesturePointArray{{0, 0}, {7, -4}, {13, -8}, {20, -12}}));
    // Filling continues from the last point kept.
    EXPECT_EQ(Captured({{3, 0}, {5, 0}, {25, 0}}),
              (TGesturePointArray{{0, 0}, {5, 0}, {12, 0}, {18, 0}, {25, 0}}));
}

TEST(StrokeCapture, AStrokeHasFiveSecondsFromPressToRelease) {
    const TStrokeEvents left = Drag(400, 100, 100, 100);
    const auto at = [&](std::int64_t releaseT, std::int64_t lastMoveT) {
        TStrokeEvents e = left;
        e[e.size() - 2].T = lastMoveT;
        e.back().T = releaseT;
        return RunSwipe(e);
    };
    // A release exactly at the limit is in time; one millisecond later it is not.
    EXPECT_EQ(at(5000, 290).Id, sgiLeft);
    EXPECT_EQ(at(5000, 5000).Id, sgiLeft);
    EXPECT_FALSE(at(5001, 290).Ended);
    // A move after the limit abandons the stroke; the release finds none.
    TStrokeCapture c;
    c.StrokeDown(400, 100, 0);
    c.StrokeMove(300, 100, 4000);
    c.StrokeMove(200, 100, 5001);
    EXPECT_TRUE(c.Points().empty());
    EXPECT_FALSE(c.StrokeRunning());
    c.StrokeMove(150, 100, 5002);
    EXPECT_FALSE(c.StrokeUp(100, 100, 5003));
    // A press held without moving for more than five seconds recognises nothing.
    EXPECT_FALSE(RunSwipe({{400, 100, 0}, {100, 100, 6000}}).Ended);
    // A release without a press, or a second release, ends nothing.
    TStrokeCapture fresh;
    EXPECT_FALSE(fresh.StrokeUp(1, 1, 0));
    fresh.StrokeDown(0, 0, 0);
    EXPECT_TRUE(fresh.StrokeUp(50, 0, 10));
    EXPECT_FALSE(fresh.StrokeUp(90, 0, 20));
    // A move with no stroke running clears what the last one left.
    fresh.StrokeMove(60, 0, 30);
    EXPECT_TRUE(fresh.Points().empty());
}

// ---------------------------------------------------------------- steps of Match

TEST(MatchSteps, NormaliseAndScaleToTheTemplate) {
    TGesturePointArray p{{10, 20}, {5, 40}, {7, 22}};
    TCustomGestureRecognizer::NormalizePoints(p);
    EXPECT_EQ(p, (TGesturePointArray{{5, 0}, {0, 20}, {2, 2}}));
    // A horizontal template stretches the width to 200 and keeps the height.
    const TGesturePointArray& left = FindStandardGesture(sgiLeft)->Points;
    p = {{0, 3}, {150, 0}, {300, 3}};
    TCustomGestureRecognizer::ScalePoints(p, left, {goUniDirectional});
    EXPECT_EQ(p, (TGesturePointArray{{0, 3}, {100, 0}, {200, 3}}));
    // Halves round up (0.5 -> 1, 1.5 -> 2).
    p = {{0, 0}, {1, 0}, {3, 0}, {400, 0}};
    TCustomGestureRecognizer::ScalePoints(p, left, {});
    EXPECT_EQ(p, (TGesturePointArray{{0, 0}, {1, 0}, {2, 0}, {200, 0}}));
    // Both axes scaled: the smaller factor for both, unless skewing is allowed.
    const TGesturePointArray box{{0, 0}, {200, 100}};
    p = {{0, 0}, {400, 400}};
    TCustomGestureRecognizer::ScalePoints(p, box, {});
    EXPECT_EQ(p, (TGesturePointArray{{0, 0}, {100, 100}}));
    p = {{0, 0}, {400, 400}};
    TCustomGestureRecognizer::ScalePoints(p, box, {goSkew});
    EXPECT_EQ(p, (TGesturePointArray{{0, 0}, {200, 100}}));
}

TEST(MatchSteps, TheTemplateIsFilledAndDistancesIncludeTheirBound) {
    const TGesturePointArray t = DensifyTemplate(FindStandardGesture(sgiLeft)->Points);
    ASSERT_EQ(t.size(), 201u);
    for (std::size_t i = 0; i < t.size(); ++i) EXPECT_EQ(t[i], (TGesturePoint{200 - int(i), 0}));
    // A slanted segment: as many steps as its shorter axis, truncated towards zero.
    EXPECT_EQ(DensifyTemplate({{0, 0}, {10, 5}}),
              (TGesturePointArray{{0, 0}, {2, 1}, {4, 2}, {6, 3}, {8, 4}, {10, 5}}));
    EXPECT_EQ(DensifyTemplate({{0, 0}, {-7, 3}}), (TGesturePointArray{{0, 0}, {-2, 1}, {-4, 2}, {-7, 3}}));
    // Within distance D: a point exactly D away is within; never for D < 1.
    EXPECT_TRUE(WithinDeviation({0, 0}, {18, 24}, 30));
    EXPECT_FALSE(WithinDeviation({0, 0}, {18, 25}, 30));
    EXPECT_FALSE(WithinDeviation({3, 3}, {3, 3}, 0));
}

TEST(MatchSteps, StartEndAndReversedTries) {
    const TGesturePointArray rightward{{0, 0}, {200, 0}};
    TGesturePointArray leftDrag;
    for (int x = 300; x >= 0; x -= 10) leftDrag.push_back({x, 50});
    TGestureRecognizer& r = GestureRecognizer();
    // Drawn backwards: refused when the direction is fixed, matched on the
    // second try against the reversed template when it is not.
    EXPECT_EQ(r.Match(leftDrag, rightward, {goUniDirectional}, sgiNoGesture, 30, 20), 0);
    EXPECT_EQ(r.Match(leftDrag, rightward, {}, sgiNoGesture, 30, 20), 100);
    // The same stroke forwards needs no second try.
    TGesturePointArray rightDrag(leftDrag.rbegin(), leftDrag.rend());
    EXPECT_EQ(r.Match(rightDrag, rightward, {goUniDirectional}, sgiNoGesture, 30, 20), 100);
    // The end test: the last point must lie within D of the template's end.
    TGesturePointArray hook = rightDrag;
    hook.push_back({300, 90});
    EXPECT_EQ(r.Match(hook, rightward, {goEndpoint}, sgiNoGesture, 30, 20), 0);
    EXPECT_GT(r.Match(rightDrag, rightward, {goEndpoint}, sgiNoGesture, 30, 20), 0);
}

TEST(MatchSteps, PointsFarOffScreenAreHeldAtTheLimit) {
    // Coordinates no screen gives are clamped: no arithmetic overflows (the
    // sanitizer build checks) and a jump is filled with a bounded number of points.
    const int far = std::numeric_limits<int>::max(), nearFar = std::numeric_limits<int>::min();
    TStrokeCapture c;
    c.StrokeDown(nearFar, nearFar, 0);
    c.StrokeMove(far, nearFar, 1);
    ASSERT_TRUE(c.StrokeUp(far, far, 2));
    EXPECT_EQ(c.Points().front(), (TGesturePoint{-kGestureCoordinateLimit, -kGestureCoordinateLimit}));
    EXPECT_EQ(c.Points().back(), (TGesturePoint{kGestureCoordinateLimit, kGestureCoordinateLimit}));
    EXPECT_LT(c.Points().size(), 60000u);
    const TGesturePointArray huge{{nearFar, nearFar}, {far, far}, {far, nearFar}};
    for (TGestureID id : {sgiLeft, sgiRight, sgiUp, sgiDown}) EXPECT_EQ(SwipeParts(huge, id).Score, 0);
    EXPECT_EQ(GestureRecognizer().Match(huge, {{far, far}, {nearFar, far}}, {}, sgiNoGesture, 30, 20), 0);
}

TEST(MatchSteps, IsGestureTakesTheBestScoreStandardGesturesFirst) {
    TGesturePointArray leftDrag;
    for (int x = 300; x >= 0; x -= 10) leftDrag.push_back({x, 50});
    const TGestureListItem recordedA{sgiCheck, gtRecorded, {goUniDirectional}, 30, 20, {{200, 0}, {0, 0}}};
    const TGestureListItem recordedB{sgiSquare, gtRecorded, {goUniDirectional}, 30, 20, {{200, 0}, {0, 0}}};
    const TGestureListItem standardLeft{sgiLeft, gtStandard, {}, 0, 0, {}};
    TGestureEventInfo info;
    std::vector<int> scores;
    // Equal scores: the earlier gesture stays.
    ASSERT_TRUE(GestureRecognizer().IsGesture(leftDrag, {recordedA, recordedB}, {gtRecorded}, info, &scores));
    EXPECT_EQ(info.GestureID, sgiCheck);
    EXPECT_EQ(scores, (std::vector<int>{100, 100}));
    // Standard gestures are tried before the others, wherever they stand.
    ASSERT_TRUE(GestureRecognizer().IsGesture(leftDrag, {recordedA, standardLeft}, {gtStandard, gtRecorded},
                                              info, &scores));
    EXPECT_EQ(info.GestureID, sgiLeft);
    // Types not asked for are not tried.
    info = {};
    EXPECT_FALSE(GestureRecognizer().IsGesture(leftDrag, {recordedA}, {gtStandard}, info, &scores));
    EXPECT_EQ(scores, (std::vector<int>{0}));
    EXPECT_EQ(info.GestureID, sgiNoGesture);
    // A standard gesture without a template.
    try {
        GestureRecognizer().IsGesture(leftDrag, {{sgiCircle, gtStandard, {}, 0, 0, {}}}, {gtStandard}, info);
        ADD_FAILURE() << "no error";
    } catch (const EGestureError& e) {
        EXPECT_STREQ(e.what(), "ID de mouvement non valide (27)");
    }
}

// ---------------------------------------------------------------- worked examples

TEST(SwipeExamples, A300PixelLeftDragWithWobbleScores100) {
    TStrokeEvents e = Drag(400, 100, 100, 100);
    const int wobble[] = {0, 3, 1, 2, 3, 0, 2};
    for (std::size_t i = 0; i < e.size(); ++i) e[i].Y += wobble[i % 7];
    const TSwipeRun run = RunSwipe(e);
    EXPECT_TRUE(run.Recognised);
    EXPECT_EQ(run.Id, sgiLeft);
    EXPECT_EQ(run.Scores, (std::vector<int>{100, 0, 0, 0}));
    const TGestureScore parts = SwipeParts(run.Points, sgiLeft);
    EXPECT_EQ(parts.P0, 100);
    EXPECT_EQ(parts.P1, 100);
    EXPECT_EQ(parts.P2, 100);
    EXPECT_EQ(parts.P3, 100);
}

TEST(SwipeExamples, TheSameDragRightwardsIsRightNotLeft) {
    const TSwipeRun straight = RunSwipe(Drag(100, 100, 400, 100));
    EXPECT_EQ(straight.Scores, (std::vector<int>{0, 100, 0, 0}));
    EXPECT_EQ(straight.Id, sgiRight);
    // Wobbling up and down: the directions are compared without wrapping at
    // +-pi, so the steps that go up a little do not count for a rightward
    // template; the score drops below its mirror image's but stays a swipe.
    TStrokeEvents right = Drag(100, 100, 400, 100), left = Drag(400, 100, 100, 100);
    for (std::size_t i = 0; i < right.size(); ++i) right[i].Y += (i % 2) * 3;
    for (std::size_t i = 0; i < left.size(); ++i) left[i].Y += ((right.size() - 1 - i) % 2) * 3;
    const TSwipeRun wobblyRight = RunSwipe(right), wobblyLeft = RunSwipe(left);
    EXPECT_EQ(wobblyRight.Id, sgiRight);
    EXPECT_EQ(wobblyLeft.Scores[0], 100);
    EXPECT_LT(wobblyRight.Scores[1], 100);
    EXPECT_GT(wobblyRight.Scores[1], 76);
    EXPECT_LT(SwipeParts(wobblyRight.Points, sgiRight).P2, 100);
}

TEST(SwipeExamples, DiagonalDragsScoreZero) {
    for (const TStrokeEvents& e : {Drag(100, 100, 312, 312), Drag(312, 312, 100, 100),
                                   Drag(100, 312, 312, 100), Drag(312, 100, 100, 312)}) {
        const TSwipeRun run = RunSwipe(e);
        EXPECT_EQ(run.Scores, kNone) << e;
        EXPECT_FALSE(run.Recognised) << e;
    }
}

TEST(SwipeExamples, TheFirstPointOffTheStroke) {
    // Press 40 pixels below the rest of a leftward drag: after normalising,
    // the first point is (200, 40), more than 30 from the template's start.
    const auto below = [](int offset) {
        TStrokeEvents e{{400, 100 + offset, 0}};
        for (int x = 390, t = 10; x >= 100; x -= 10, t += 10) e.push_back({x, 100, t});
        return RunSwipe(e);
    };
    const TSwipeRun far = below(40);
    EXPECT_EQ(far.Scores, kNone);
    EXPECT_FALSE(far.Recognised);
    const TSwipeRun near = below(25);
    EXPECT_EQ(near.Scores, (std::vector<int>{96, 0, 0, 0}));
    EXPECT_EQ(near.Id, sgiLeft);
    // 31 pixels: the rest would score well, but the start is beyond the deviation.
    EXPECT_EQ(below(31).Scores, kNone);
    // Pressed 20 pixels above: the rest of the stroke lies 20 pixels off the
    // template; still a swipe, thanks to the 4 the sensitivity adds to the margin.
    const TSwipeRun above = below(-20);
    EXPECT_EQ(above.Scores, (std::vector<int>{79, 0, 0, 0}));
}

TEST(SwipeExamples, ATapIsNoGesture) {
    for (const TStrokeEvents& e : {TStrokeEvents{{100, 100, 0}, {100, 100, 80}},
                                   TStrokeEvents{{100, 100, 0}, {103, 98, 40}, {102, 103, 90}}}) {
        const TSwipeRun run = RunSwipe(e);
        ASSERT_TRUE(run.Ended);
        EXPECT_EQ(run.Points, (TGesturePointArray{{100, 100}}));
        EXPECT_FALSE(run.Recognised);
        EXPECT_EQ(run.Scores, kNone);
        // Left and up: the start test fails. Right and down: the stroke
        // covers a seventh of the template and crosses nothing.
        for (TGestureID id : {sgiRight, sgiDown}) {
            const TGestureScore parts = SwipeParts(run.Points, id);
            EXPECT_EQ(parts.P1, 10) << id;
            EXPECT_EQ(parts.P3, 0) << id;
        }
        EXPECT_EQ(SwipeParts(run.Points, sgiLeft).P1, 0);
    }
}

// ---------------------------------------------------------------- properties

namespace {

struct TDirection {
    TGestureID Id;
    int Dx, Dy; // unit step along the axis
};
const TDirection kDirections[] = {{sgiLeft, -1, 0}, {sgiRight, 1, 0}, {sgiUp, 0, -1}, {sgiDown, 0, 1}};

// A drag along an axis: the finger advances 1-25 pixels per event and
// drifts sideways at random within a band of `band` pixels.
TStrokeEvents RandomAxisDrag(std::mt19937& rng, const TDirection& d, int length, int band) {
    std::uniform_int_distribution<int> step(1, 25), wander(-3, 3), pos(0, 1200), ms(1, 40);
    const int x0 = pos(rng), y0 = pos(rng);
    int along = 0, side = std::uniform_int_distribution<int>(0, band)(rng);
    std::int64_t t = 0;
    TStrokeEvents e;
    const auto add = [&] {
        e.push_back({x0 + d.Dx * along + d.Dy * side, y0 + d.Dy * along + d.Dx * side, t});
    };
    add();
    while (along < length) {
        along = std::min(length, along + step(rng));
        side = std::clamp(side + wander(rng), 0, band);
        t += ms(rng);
        add();
    }
    e.back().T = std::min<std::int64_t>(t, 5000);
    for (TStrokeEvent& ev : e) ev.T = std::min<std::int64_t>(ev.T, 5000);
    return e;
}

} // namespace

TEST(SwipeProperty, AxisDragsWithSmallDriftAreTheirDirection) {
    std::mt19937 rng(20240516);
    std::uniform_int_distribution<int> length(100, 700);
    int n = 0;
    for (int i = 0; i < 500; ++i)
        for (const TDirection& d : kDirections) {
            const TStrokeEvents e = RandomAxisDrag(rng, d, length(rng), 20);
            const TSwipeRun run = RunSwipe(e);
            ASSERT_EQ(run.Id, d.Id) << "stroke " << n << ": " << e;
            ++n;
        }
}

TEST(SwipeProperty, TapsAndStrokesUnderFivePixelsAreNever) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pos(0, 1200), off(-4, 4), moves(0, 12), ms(0, 300);
    for (int i = 0; i < 1000; ++i) {
        const int x0 = pos(rng), y0 = pos(rng);
        TStrokeEvents e{{x0, y0, 0}};
        std::int64_t t = 0;
        for (int m = moves(rng) + 1; m > 0; --m) e.push_back({x0 + off(rng), y0 + off(rng), t += ms(rng)});
        const TSwipeRun run = RunSwipe(e);
        ASSERT_EQ(run.Points.size(), 1u) << e;
        ASSERT_FALSE(run.Recognised) << e;
    }
}

TEST(SwipeProperty, LongDragsTenDegreesOffTheAxisAreNot) {
    std::mt19937 rng(1010);
    std::uniform_int_distribution<int> length(400, 700), pos(300, 1000), jitter(-2, 2), side(0, 1);
    for (int i = 0; i < 250; ++i)
        for (const TDirection& d : kDirections) {
            const double tilt = (side(rng) ? 10.0 : -10.0) * std::numbers::pi / 180.0;
            const double ax = d.Dx * std::cos(tilt) - d.Dy * std::sin(tilt);
            const double ay = d.Dx * std::sin(tilt) + d.Dy * std::cos(tilt);
            const int L = length(rng), x0 = pos(rng), y0 = pos(rng);
            TStrokeEvents e;
            for (int s = 0; s <= L; s += 8)
                e.push_back({x0 + int(std::lround(ax * s)) + jitter(rng),
                             y0 + int(std::lround(ay * s)) + jitter(rng), s / 4});
            const TSwipeRun run = RunSwipe(e);
            ASSERT_TRUE(run.Ended);
            ASSERT_FALSE(run.Recognised)
                << GestureIdName(run.Id) << " for " << GestureIdName(d.Id) << ": " << e;
        }
}
