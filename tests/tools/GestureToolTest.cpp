// The gesture tool as support staff run it: the five output lines, times,
// bad input and the command line; and on random strokes it says what the
// grid's own stroke handling says.
#include "tests/grid/GestureTestUtil.h"
#include "tests/support/ToolRun.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <random>

using namespace tallivo;
using namespace tallivo::test;

namespace {

TToolRun Tool(const QStringList& args, const QByteArray& input = {}) {
    TToolOptions options;
    options.Input = input;
    return RunTool(TALLIVO_GESTURE_TOOL, args, options);
}

QByteArray Lines(const TStrokeEvents& events, bool withTimes = true) {
    QByteArray text;
    for (const TStrokeEvent& e : events) {
        text += QByteArray::number(e.X) + ' ' + QByteArray::number(e.Y);
        if (withTimes) text += ' ' + QByteArray::number(e.T);
        text += '\n';
    }
    return text;
}

QByteArray Expected(const TSwipeRun& run) {
    QByteArray out;
    const char* names[] = {"sgiLeft", "sgiRight", "sgiUp", "sgiDown"};
    for (int i = 0; i < 4; ++i) out += QByteArray(names[i]) + ' ' + QByteArray::number(run.Scores[i]) + '\n';
    out += QByteArray("reconnu ") + (run.Recognised ? GestureIdName(run.Id) : "aucun") + '\n';
    return out;
}

} // namespace

TEST(GestureTool, PrintsTheFourScoresAndTheGestureRecognised) {
    TToolRun r = Tool({"score"}, Lines(Drag(400, 100, 100, 100)));
    EXPECT_EQ(r.Code, 0) << r.Err.constData();
    EXPECT_EQ(r.Out, "sgiLeft 100\nsgiRight 0\nsgiUp 0\nsgiDown 0\nreconnu sgiLeft\n");
    EXPECT_TRUE(r.Err.isEmpty());
    // The press 25 pixels below a leftward drag, moves every 10 pixels, no times.
    QByteArray below = "400 125\n";
    for (int x = 390; x >= 100; x -= 10) below += QByteArray::number(x) + " 100\n";
    r = Tool({"score"}, below);
    EXPECT_EQ(r.Out, "sgiLeft 96\nsgiRight 0\nsgiUp 0\nsgiDown 0\nreconnu sgiLeft\n");
    // Upwards, with Windows line ends and blank lines.
    r = Tool({"score"}, "50 400\r\n\r\n50 300\r\n  50 200 \r\n50 100\r\n");
    EXPECT_EQ(r.Out, "sgiLeft 0\nsgiRight 0\nsgiUp 100\nsgiDown 0\nreconnu sgiUp\n");
    // A single line is a tap.
    r = Tool({"score"}, "120 80\n");
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Out, "sgiLeft 0\nsgiRight 0\nsgiUp 0\nsgiDown 0\nreconnu aucun\n");
}

TEST(GestureTool, TimesCountFromThePressAndFiveSecondsIsTheLimit) {
    TStrokeEvents e = Drag(100, 300, 100, 600);
    e.back().T = 5000;
    EXPECT_EQ(Tool({"score"}, Lines(e)).Out,
              "sgiLeft 0\nsgiRight 0\nsgiUp 0\nsgiDown 100\nreconnu sgiDown\n");
    e.back().T = 5001;
    EXPECT_EQ(Tool({"score"}, Lines(e)).Out, "sgiLeft 0\nsgiRight 0\nsgiUp 0\nsgiDown 0\nreconnu aucun\n");
    // A line without a time keeps the time of the line before: a late move
    // abandons the stroke even when the release gives no time.
    EXPECT_EQ(Tool({"score"}, "100 300\n100 400 5001\n100 600\n").Out,
              "sgiLeft 0\nsgiRight 0\nsgiUp 0\nsgiDown 0\nreconnu aucun\n");
}

TEST(GestureTool, BadInputAndCommandLine) {
    TToolRun r = Tool({"score"}, "1 2\n3 x\n");
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.contains("ligne 2")) << r.Err.constData();
    EXPECT_TRUE(r.Out.isEmpty());
    r = Tool({"score"}, "1 2 10\n3 4 20\n5 6 15\n");
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.contains("ligne 3")) << r.Err.constData();
    for (const char* bad : {"1 2 3 4\n", "40000 1\n", "1 -40000\n", "1 2 -5\n", "1\n", "1.5 2\n"}) {
        r = Tool({"score"}, bad);
        EXPECT_EQ(r.Code, 1) << bad;
        EXPECT_TRUE(r.Err.contains("ligne 1")) << bad << r.Err.constData();
    }
    r = Tool({"score"}, "\n\n");
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.contains("aucun appui")) << r.Err.constData();
    r = Tool({});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(r.Err.contains("usage")) << r.Err.constData();
    EXPECT_EQ(Tool({"scores"}).Code, 2);
    r = Tool({"--help"});
    EXPECT_EQ(r.Code, 0);
    EXPECT_TRUE(r.Out.contains("tallivo-gesture score")) << r.Out.constData();
}

TEST(GestureTool, SaysWhatTheGridSaysOnRandomStrokes) {
    std::mt19937 rng(16);
    std::uniform_int_distribution<int> pos(0, 900), len(5, 600), step(1, 30), kind(0, 2), ms(0, 400);
    for (int n = 0; n < 250; ++n) {
        TStrokeEvents e;
        std::int64_t t = 0;
        if (kind(rng) == 0) {
            // Scribbles, some of them slow enough to run out of time.
            for (int i = std::uniform_int_distribution<int>(1, 30)(rng); i > 0; --i)
                e.push_back({pos(rng), pos(rng), t += ms(rng)});
        } else {
            const int x0 = pos(rng), y0 = pos(rng), L = len(rng);
            const int dx = std::uniform_int_distribution<int>(-1, 1)(rng), dy = dx == 0 ? 1 : 0;
            for (int s = 0; s <= L; s += step(rng))
                e.push_back({x0 + dx * s + pos(rng) % 7, y0 + dy * s + pos(rng) % 7, t += ms(rng) / 10});
        }
        const TToolRun r = Tool({"score"}, Lines(e));
        ASSERT_EQ(r.Code, 0) << r.Err.constData();
        ASSERT_EQ(r.Out, Expected(RunSwipe(e))) << e;
    }
}
