// Swipes over a data grid: strokes drawn with the mouse or a finger run the
// action of their gesture between the grid's press and its cell click;
// taps stay clicks; two fingers pan the columns; the gesture manager and
// the grid may go in either order.
#include "GridTestUtil.h"
#include "grid/Gestures.h"
#include "toolkit/ActnList.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

QPointingDevice* TouchScreen() {
    static QPointingDevice* device = QTest::createTouchDevice();
    return device;
}

// A grid whose four swipes run actions that note the current record, and
// whose cell clicks note it too.
struct SwipeGrid : GridWindow {
    TAction* Actions[4] = {};
    TGestureManager* Manager = nullptr;
    std::vector<QString> Log;
    std::int64_t Now = 0; // the stroke clock, in milliseconds

    explicit SwipeGrid(int records = 50, int rows = 10) : GridWindow(records, rows) {
        const char* names[] = {"left", "right", "up", "down"};
        for (int i = 0; i < 4; ++i) {
            Actions[i] = new TAction(Form.get());
            Actions[i]->OnExecute = [this, name = QString(names[i])](TObject*) {
                Log.push_back(name + " " + Row());
            };
        }
        Manager = new TGestureManager(Form.get());
        TGestureCollection& gestures = Manager->GestureData(Grid);
        const TGestureID ids[] = {sgiLeft, sgiRight, sgiUp, sgiDown};
        for (int i = 0; i < 4; ++i) gestures.AddStandard(ids[i], Actions[i]);
        Manager->Engine(Grid)->SetClock([this] { return Now; });
        Grid->OnCellClick = [this](TColumn*) { Log.push_back("click " + Row()); };
    }
    // The current record's number, as text.
    QString Row() const { return QString::number(Table.RecNo()); }
    // A point on data row `row`, x pixels from the grid's client left.
    QPoint OnRow(int row, int x) const { return QPoint(ClientPoint(x, 0).x(), CellCenter(0, row).y()); }

    // A drag with the button held, an event every 10 pixels and 10 ms.
    void MouseDrag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(Grid, button, {}, from);
        MouseMoves(from, to, button);
        QTest::mouseRelease(Grid, button, {}, to);
        Settle();
    }
    void MouseMoves(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton) {
        const int steps =
            std::max(1, std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y())) / 10);
        for (int i = 1; i <= steps; ++i) {
            Now += 10;
            const QPoint p = from + (to - from) * i / steps;
            QMouseEvent move(QEvent::MouseMove, p, Grid->mapToGlobal(p), Qt::NoButton, button,
                             Qt::NoModifier);
            QApplication::sendEvent(Grid, &move);
        }
    }
    // A finger along a path: pressed on the first point, lifted on the last.
    void FingerPath(const std::vector<QPoint>& path) {
        QTest::touchEvent(Grid, TouchScreen()).press(0, path.front(), Grid);
        for (std::size_t i = 1; i < path.size(); ++i) {
            Now += 10;
            QTest::touchEvent(Grid, TouchScreen()).move(0, path[i], Grid);
        }
        QTest::touchEvent(Grid, TouchScreen()).release(0, path.back(), Grid);
        Settle();
    }
    void FingerDrag(QPoint from, QPoint to) {
        QTest::touchEvent(Grid, TouchScreen()).press(0, from, Grid);
        const int steps =
            std::max(1, std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y())) / 10);
        for (int i = 1; i <= steps; ++i) {
            Now += 10;
            QTest::touchEvent(Grid, TouchScreen()).move(0, from + (to - from) * i / steps, Grid);
        }
        QTest::touchEvent(Grid, TouchScreen()).release(0, to, Grid);
        Settle();
    }
};

} // namespace

TEST(GridSwipes, AMouseSwipeRunsItsActionBetweenThePressAndTheCellClick) {
    SwipeGrid w;
    // The press makes row 4 current, the action runs on release, then the click.
    w.MouseDrag(w.OnRow(4, 700), w.OnRow(4, 400));
    EXPECT_EQ(w.Log, (std::vector<QString>{"left 4", "click 4"}));
    // An action that moves the table: the click reads the record it left current.
    w.Log.clear();
    w.Actions[2]->OnExecute = [&w](TObject*) {
        w.Log.push_back("up " + w.Row());
        w.Table.MoveBy(5);
    };
    w.MouseDrag(w.OnRow(8, 300), w.OnRow(2, 300));
    EXPECT_EQ(w.Log, (std::vector<QString>{"up 8", "click 13"}));
    w.Log.clear();
    w.MouseDrag(w.OnRow(2, 300), w.OnRow(9, 300));
    w.MouseDrag(w.OnRow(5, 100), w.OnRow(5, 420));
    EXPECT_EQ(w.Log, (std::vector<QString>{"down 5", "click 5", "right 8", "click 8"}));
}

TEST(GridSwipes, ATapOrADiagonalDragIsOnlyAClick) {
    SwipeGrid w;
    Click(w.Grid, w.OnRow(3, 100));
    Settle();
    w.MouseDrag(w.OnRow(6, 100), w.OnRow(6, 103));
    w.MouseDrag(w.OnRow(2, 100), w.OnRow(8, 400));
    EXPECT_EQ(w.Log, (std::vector<QString>{"click 3", "click 6", "click 2"}));
}

TEST(GridSwipes, OnlyTheLeftButtonDrawsAStroke) {
    SwipeGrid w;
    w.MouseDrag(w.OnRow(4, 700), w.OnRow(4, 300), Qt::RightButton);
    w.MouseDrag(w.OnRow(4, 700), w.OnRow(4, 300), Qt::MiddleButton);
    EXPECT_TRUE(w.Log.empty());
    EXPECT_EQ(w.Table.RecNo(), 1) << "only the left button selects a row";
}

TEST(GridSwipes, AStrokeLongerThanFiveSecondsRunsNothing) {
    SwipeGrid w;
    // Held still for 5001 ms, then drawn: the first move abandons the stroke.
    QTest::mousePress(w.Grid, Qt::LeftButton, {}, w.OnRow(3, 700));
    w.Now = 5001;
    w.MouseMoves(w.OnRow(3, 700), w.OnRow(3, 300));
    QTest::mouseRelease(w.Grid, Qt::LeftButton, {}, w.OnRow(3, 300));
    Settle();
    EXPECT_EQ(w.Log, (std::vector<QString>{"click 3"}));
    // Released at exactly 5000 ms after the press: in time.
    w.Log.clear();
    w.Now = 0;
    QTest::mousePress(w.Grid, Qt::LeftButton, {}, w.OnRow(5, 700));
    w.MouseMoves(w.OnRow(5, 700), w.OnRow(5, 300));
    w.Now = 5000;
    QTest::mouseRelease(w.Grid, Qt::LeftButton, {}, w.OnRow(5, 300));
    Settle();
    EXPECT_EQ(w.Log, (std::vector<QString>{"left 5", "click 5"}));
    w.Log.clear();
    w.Now = 0;
    QTest::mousePress(w.Grid, Qt::LeftButton, {}, w.OnRow(5, 700));
    w.MouseMoves(w.OnRow(5, 700), w.OnRow(5, 300));
    w.Now = 5001;
    QTest::mouseRelease(w.Grid, Qt::LeftButton, {}, w.OnRow(5, 300));
    Settle();
    EXPECT_EQ(w.Log, (std::vector<QString>{"click 5"}));
}

TEST(GridSwipes, GesturesOfTheParentsCountAndTheNearestManagerDispatches) {
    SwipeGrid w;
    int formUps = 0, formLefts = 0;
    TAction up(nullptr), left(nullptr);
    up.OnExecute = [&](TObject*) { ++formUps; };
    left.OnExecute = [&](TObject*) { ++formLefts; };
    {
        TGestureManager formManager(nullptr);
        // The grid's new manager has only sgiLeft: for sgiUp the form's is used.
        TGestureManager onlyLeft(nullptr);
        onlyLeft.GestureData(w.Grid).AddStandard(sgiLeft, w.Actions[0]);
        EXPECT_EQ(GestureManagerOf(w.Grid), &onlyLeft) << "a control has one manager";
        EXPECT_EQ(w.Manager->RegisteredGestures(w.Grid), nullptr);
        TGestureCollection& f = formManager.GestureData(w.Form.get());
        f.AddStandard(sgiUp, &up);
        f.AddStandard(sgiLeft, &left);
        EXPECT_EQ(formManager.Engine(w.Form.get()), nullptr) << "strokes are read from grids only";
        const TGestureList list = GestureListOf(w.Grid);
        ASSERT_EQ(list.size(), 3u);
        EXPECT_EQ(list[0].GestureID, sgiLeft);
        EXPECT_EQ(list[1].GestureID, sgiUp);
        w.MouseDrag(w.OnRow(8, 300), w.OnRow(2, 300));
        w.MouseDrag(w.OnRow(2, 700), w.OnRow(2, 300));
        EXPECT_EQ(formUps, 1);
        EXPECT_EQ(formLefts, 0) << "the grid's own sgiLeft comes first";
        EXPECT_EQ(w.Log, (std::vector<QString>{"click 8", "left 2", "click 2"}));
    }
    // Both managers gone: the grid has no hook and swipes run nothing.
    EXPECT_EQ(w.Grid->MouseHook(), nullptr);
    EXPECT_EQ(GestureManagerOf(w.Grid), nullptr);
    w.Log.clear();
    w.MouseDrag(w.OnRow(2, 700), w.OnRow(2, 300));
    EXPECT_EQ(w.Log, (std::vector<QString>{"click 2"}));
}

TEST(GridSwipes, AGridFreedBeforeItsManagerLeavesIt) {
    SwipeGrid w;
    TDBGrid* grid = w.Grid;
    delete grid;
    w.Grid = nullptr;
    EXPECT_EQ(GestureManagerOf(grid), nullptr);
    EXPECT_EQ(w.Manager->Engine(grid), nullptr);
    EXPECT_EQ(w.Manager->FindGesture(grid, sgiLeft), nullptr);
    // A new grid registered with the same manager works as the first did.
    auto* again = new TDBGrid(w.Form.get());
    again->SetParent(w.Form.get());
    w.Grid = again;
    again->SetDataSource(&w.Source);
    again->SetBounds(10, 10, 900, 500);
    ProcessEvents();
    w.Manager->GestureData(again).AddStandard(sgiLeft, w.Actions[0]);
    w.Manager->Engine(again)->SetClock([&w] { return w.Now; });
    w.MouseDrag(QPoint(700, 100), QPoint(300, 100));
    ASSERT_FALSE(w.Log.empty());
    EXPECT_TRUE(w.Log.front().startsWith("left"));
}

// ---------------------------------------------------------------- touch

TEST(GridTouch, AFingerSwipeRunsTheActionAndATapStillClicks) {
    SwipeGrid w;
    // Leftwards along row 4, then a hook 60 pixels down before lifting: from
    // the press and the lift alone the stroke would be a slope, not a swipe.
    std::vector<QPoint> path;
    for (int x = 700; x >= 400; x -= 10) path.push_back(w.OnRow(4, x));
    path.push_back(path.back() + QPoint(-5, 30));
    path.push_back(path.back() + QPoint(-5, 30));
    w.FingerPath(path);
    w.FingerDrag(w.OnRow(9, 300), w.OnRow(3, 300));
    w.FingerDrag(w.OnRow(6, 200), w.OnRow(6, 200));
    EXPECT_EQ(w.Log, (std::vector<QString>{"left 4", "click 4", "up 9", "click 9", "click 6"}));
    EXPECT_TRUE(w.Grid->Focused()) << "a finger takes the focus as the left button does";
}

TEST(GridTouch, TwoFingersPanTheColumnsAgainstTheFinger) {
    // 400 pixels wide: the columns (300, 200, 132, 150) do not all fit.
    SwipeGrid w(50, 10);
    w.SizeForRows(10, 400);
    ProcessEvents();
    ASSERT_EQ(w.Grid->LeftCol(), 0);
    const QPoint a = w.OnRow(5, 300), b = w.OnRow(6, 320);
    const auto fingers = [&](int dx, int dy) {
        QTest::touchEvent(w.Grid, TouchScreen())
            .move(0, a + QPoint(dx, dy), w.Grid)
            .move(1, b + QPoint(dx, dy), w.Grid);
    };
    QTest::touchEvent(w.Grid, TouchScreen()).press(0, a, w.Grid).press(1, b, w.Grid);
    // Less than the left column's width: nothing yet.
    fingers(-150, 0);
    EXPECT_EQ(w.Grid->LeftCol(), 0);
    // 320 pixels left: one column of 300; the 20 left over count towards the next.
    fingers(-320, 0);
    EXPECT_EQ(w.Grid->LeftCol(), 1);
    fingers(-510, 0); // 210 more than used: the next column is 200 wide
    EXPECT_EQ(w.Grid->LeftCol(), 2);
    // Back to the right: the left-hand columns come back.
    fingers(-100, 0);
    EXPECT_EQ(w.Grid->LeftCol(), 0);
    // Vertical panning moves nothing in this grid.
    fingers(-100, 240);
    fingers(-100, -200);
    EXPECT_EQ(w.Grid->TopRow(), 1);
    QTest::touchEvent(w.Grid, TouchScreen()).release(0, a, w.Grid).release(1, b, w.Grid);
    Settle();
    EXPECT_EQ(w.Table.RecNo(), 1) << "two fingers at once press no row";
    EXPECT_TRUE(w.Log.empty());
}

TEST(GridTouch, ASecondFingerTurnsAPressIntoAPanWithoutClickOrAction) {
    SwipeGrid w;
    w.SizeForRows(10, 400);
    ProcessEvents();
    const QPoint a = w.OnRow(4, 350);
    QTest::touchEvent(w.Grid, TouchScreen()).press(0, a, w.Grid);
    EXPECT_EQ(w.Table.RecNo(), 4) << "one finger presses the row";
    QTest::touchEvent(w.Grid, TouchScreen()).move(0, a + QPoint(-40, 0), w.Grid);
    QTest::touchEvent(w.Grid, TouchScreen())
        .move(0, a + QPoint(-40, 0), w.Grid)
        .press(1, a + QPoint(0, 40), w.Grid);
    for (int dx = -60; dx >= -340; dx -= 20)
        QTest::touchEvent(w.Grid, TouchScreen())
            .move(0, a + QPoint(dx - 40, 0), w.Grid)
            .move(1, a + QPoint(dx, 40), w.Grid);
    QTest::touchEvent(w.Grid, TouchScreen())
        .release(0, a + QPoint(-380, 0), w.Grid)
        .release(1, a + QPoint(-340, 40), w.Grid);
    Settle();
    EXPECT_EQ(w.Grid->LeftCol(), 1);
    EXPECT_TRUE(w.Log.empty()) << "no swipe and no click";
}
