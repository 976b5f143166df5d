// Keys, mouse, wheel and scroll messages of the grid.

#include "GridTestUtil.h"

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

struct Clicks {
    std::vector<QString> Cells;  // name of the current record when OnCellClick ran
    std::vector<QString> Titles; // caption of the column given to OnTitleClick
    std::vector<std::pair<int, int>> Moves;
    std::vector<int> CellRows;
    explicit Clicks(GridWindow& w) {
        w.Grid->OnCellClick = [this, &w](TColumn*) {
            Cells.push_back(w.Name());
            CellRows.push_back(w.Grid->FCurrent().Y);
        };
        w.Grid->OnTitleClick = [this](TColumn* c) { Titles.push_back(c->Title().Caption()); };
        w.Grid->OnColumnMoved = [this](TObject*, int from, int to) { Moves.emplace_back(from, to); };
    }
};

// Pixels of a vertical strip of the data area that an inverting line made dark.
int DarkPixels(const QImage& image, GridWindow& w, int x0, int x1) {
    int n = 0;
    const int top = w.Grid->CellRect(0, 1).Top;
    for (int y = top; y < w.Grid->CellRect(0, 3).Bottom; ++y)
        for (int x = x0; x <= x1; ++x)
            if (qGray(image.pixel(x, y)) < 100) ++n;
    return n;
}

// The range of columns where two images differ below yFrom ({INT_MAX, INT_MIN} when equal).
std::pair<int, int> DiffColumns(const QImage& a, const QImage& b, int yFrom = 0) {
    int left = INT_MAX, right = INT_MIN;
    for (int y = yFrom; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

void Wheel(QWidget* w, int delta) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
    ProcessEvents();
}

} // namespace

TEST(Keys, ArrowsMoveTheTableAndStopAtItsEnds) {
    GridWindow w(50);
    w.Grid->SetFocus();
    ProcessEvents();
    PressKey(Qt::Key_Up);
    EXPECT_EQ(w.Table.RecNo(), 1);
    PressKey(Qt::Key_Down);
    PressKey(Qt::Key_Right); // row selection: Right is the next record
    EXPECT_EQ(w.Table.RecNo(), 3);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(w.Table.RecNo(), 2);
    PressKey(Qt::Key_PageDown);
    EXPECT_EQ(w.Table.RecNo(), 12);
    PressKey(Qt::Key_PageUp);
    EXPECT_EQ(w.Table.RecNo(), 2);
    // Page Up left record 2 on the first row. Ctrl+Down: the last visible
    // record; Ctrl+Up: the first visible one.
    PressKey(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(w.Table.RecNo(), 11);
    EXPECT_EQ(w.Grid->FCurrent().Y, 10);
    PressKey(Qt::Key_Down);
    PressKey(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(w.Table.RecNo(), 3);
    EXPECT_EQ(w.Grid->FCurrent().Y, 1);
    // End and Home: the last and first records.
    PressKey(Qt::Key_End);
    EXPECT_EQ(w.Table.RecNo(), 50);
    EXPECT_EQ(w.Grid->FCurrent().Y, 10);
    // From the last record Down appends nothing.
    PressKey(Qt::Key_Down);
    EXPECT_EQ(w.Table.RecNo(), 50);
    EXPECT_EQ(w.Table.RecordCount(), 50);
    EXPECT_EQ(w.Table.State(), dsBrowse);
    PressKey(Qt::Key_Home);
    EXPECT_EQ(w.Table.RecNo(), 1);
}

TEST(Keys, PerformIsHandledLikeTheKey) {
    GridWindow w(20);
    std::vector<TKey> seen;
    w.Grid->OnKeyDown = [&](TObject*, TKey& key, TShiftState) {
        seen.push_back(key);
        if (key == VK_UP) key = 0; // the window's handler may take a key
    };
    // No focus needed: the message goes to the grid itself.
    w.Edit->SetFocus();
    ProcessEvents();
    w.Grid->Perform(WM_KEYDOWN, VK_DOWN, 0);
    w.Grid->Perform(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(w.Table.RecNo(), 3);
    w.Grid->Perform(WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(w.Table.RecNo(), 3);
    EXPECT_EQ(seen, (std::vector<TKey>{VK_DOWN, VK_DOWN, VK_UP}));
    EXPECT_TRUE(w.Edit->Focused());
    // A closed table ignores keys.
    w.Table.Close();
    w.Grid->Perform(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_FALSE(w.Table.Active());
}

TEST(Keys, CtrlDeleteAsksFirst) {
    GridWindow w(5);
    w.Grid->SetFocus();
    w.Table.MoveBy(1);
    MessageBoxRecorder boxes(IDCANCEL);
    PressKey(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, QStringLiteral("Supprimer l'enregistrement ?"));
    EXPECT_EQ(boxes.Boxes()[0].Caption, QStringLiteral("Confirmer"));
    EXPECT_EQ(boxes.Boxes()[0].Flags, unsigned(MB_OKCANCEL | MB_ICONQUESTION));
    // "Annuler" keeps the record.
    EXPECT_EQ(w.Table.RecordCount(), 5);
    EXPECT_EQ(w.Name(), GridWindow::NameOf(2));
    // OK deletes it.
    boxes.SetAnswer(IDOK);
    PressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(w.Table.RecordCount(), 4);
    EXPECT_EQ(w.Name(), GridWindow::NameOf(3));
    EXPECT_EQ(w.Grid->RowCount(), 5);
    // Delete without Ctrl does nothing; without the option no question.
    PressKey(Qt::Key_Delete);
    EXPECT_EQ(w.Table.RecordCount(), 4);
    w.Grid->SetOptions(w.Grid->Options() - TDBGridOptions{dgConfirmDelete});
    PressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(w.Table.RecordCount(), 3);
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    // A read-only grid, or a read-only table, asks nothing and deletes nothing.
    w.Grid->SetOptions(w.Grid->Options() + TDBGridOptions{dgConfirmDelete});
    w.Grid->SetReadOnly(true);
    PressKey(Qt::Key_Delete, Qt::ControlModifier);
    w.Grid->SetReadOnly(false);
    w.Table.SetReadOnly(true);
    PressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(w.Table.RecordCount(), 3);
    EXPECT_EQ(boxes.Boxes().size(), 2u);
}

TEST(Keys, CtrlDeleteWithNoOneToAskDeletesNothing) {
    GridWindow w(5);
    w.Grid->SetFocus();
    w.Table.MoveBy(1);
    TApplication* const application = Application;
    // Without the application object (tools, tests) there is no box to ask in.
    Application = nullptr;
    TKey key = VK_DELETE;
    w.Grid->KeyDown(key, ssCtrl);
    EXPECT_EQ(w.Table.RecordCount(), 5);
    // Without the option nobody needs asking.
    w.Grid->SetOptions(w.Grid->Options() - TDBGridOptions{dgConfirmDelete});
    key = VK_DELETE;
    w.Grid->KeyDown(key, ssCtrl);
    Application = application;
    EXPECT_EQ(w.Table.RecordCount(), 4);
    // With someone to ask, OK deletes.
    w.Grid->SetOptions(w.Grid->Options() + TDBGridOptions{dgConfirmDelete});
    MessageBoxRecorder boxes(IDOK);
    key = VK_DELETE;
    w.Grid->KeyDown(key, ssCtrl);
    EXPECT_EQ(w.Table.RecordCount(), 3);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

TEST(Mouse, OnlyTheLeftButtonSelectsARow) {
    GridWindow w(50);
    Clicks clicks(w);
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mouseClick(w.Grid, button, {}, w.CellCenter(1, 5));
        Settle();
        EXPECT_EQ(w.Table.RecNo(), 1) << button;
        EXPECT_EQ(w.Grid->FCurrent().Y, 1) << button;
    }
    EXPECT_TRUE(clicks.Cells.empty());
    Click(w.Grid, w.CellCenter(1, 5));
    Settle();
    EXPECT_EQ(w.Table.RecNo(), 5);
    EXPECT_EQ(clicks.Cells.size(), 1u);
}

TEST(Mouse, PressOnARowMovesTheTableBeforeTheCellClick) {
    GridWindow w(50);
    Clicks clicks(w);
    w.Table.MoveBy(6);
    ASSERT_EQ(w.Grid->FCurrent().Y, 7);
    // The press moves the table by -3 at once; the click follows the release.
    Press(w.Grid, w.CellCenter(2, 4));
    ProcessEvents();
    EXPECT_EQ(w.Table.RecNo(), 4);
    EXPECT_EQ(w.Grid->FCurrent().Y, 4);
    EXPECT_EQ(w.Grid->SelectedIndex(), 2);
    EXPECT_TRUE(clicks.Cells.empty());
    EXPECT_TRUE(w.Grid->Focused());
    Release(w.Grid, w.CellCenter(2, 4));
    ProcessEvents();
    ASSERT_EQ(clicks.Cells.size(), 1u);
    EXPECT_EQ(clicks.Cells[0], GridWindow::NameOf(4));
    EXPECT_EQ(clicks.CellRows[0], 4);
    EXPECT_TRUE(clicks.Titles.empty());
    // The window's scrolling of the grid: the row is still the record's.
    Click(w.Grid, w.CellCenter(0, 10));
    ProcessEvents();
    EXPECT_EQ(w.Table.RecNo(), 10);
    EXPECT_EQ(clicks.Cells.size(), 2u);
}

TEST(Mouse, NoClickBelowTheLastRowOrOutsideTheCells) {
    GridWindow w(3);
    Clicks clicks(w);
    const TRect last = w.Grid->CellRect(0, 3);
    Click(w.Grid, w.ClientPoint(last.Left + 10, last.Bottom + 12));
    ProcessEvents();
    const TRect right = w.Grid->CellRect(3, 1);
    Click(w.Grid, w.ClientPoint(right.Right + 20, right.Top + 5));
    ProcessEvents();
    EXPECT_TRUE(clicks.Cells.empty());
    EXPECT_TRUE(clicks.Titles.empty());
    EXPECT_EQ(w.Table.RecNo(), 1);
    // A press inside and a release below the rows: no click either.
    Press(w.Grid, w.CellCenter(1, 2));
    Release(w.Grid, w.ClientPoint(last.Left + 10, last.Bottom + 12));
    ProcessEvents();
    EXPECT_EQ(w.Table.RecNo(), 2);
    EXPECT_TRUE(clicks.Cells.empty());
}

TEST(Mouse, TitleClickAndDrag) {
    GridWindow w(5);
    Clicks clicks(w);
    Click(w.Grid, w.CellCenter(1, 0));
    ProcessEvents();
    EXPECT_EQ(clicks.Titles, (std::vector<QString>{QStringLiteral("Code article")}));
    EXPECT_EQ(w.Table.RecNo(), 1);
    // Dragging the first title onto the third column moves the column there;
    // the release then clicks the title now under the pointer.
    MoveTo(w.Grid, w.CellCenter(0, 0));
    Press(w.Grid, w.CellCenter(0, 0));
    ProcessEvents();
    EXPECT_EQ(w.Grid->GridState(), gsColMoving);
    MoveTo(w.Grid, w.CellCenter(1, 0));
    MoveTo(w.Grid, w.CellCenter(2, 0));
    Release(w.Grid, w.CellCenter(2, 0));
    ProcessEvents();
    EXPECT_EQ(w.Grid->GridState(), gsNormal);
    EXPECT_EQ(clicks.Moves, (std::vector<std::pair<int, int>>{{0, 2}}));
    EXPECT_EQ(w.Grid->Columns()[2]->Title().Caption(), QStringLiteral("Article"));
    EXPECT_EQ(w.Grid->Columns()[0]->Title().Caption(), QStringLiteral("Code article"));
    EXPECT_EQ(w.Grid->ColWidths(2), 300);
    ASSERT_EQ(clicks.Titles.size(), 2u);
    EXPECT_EQ(clicks.Titles[1], QStringLiteral("Article"));
    EXPECT_TRUE(clicks.Cells.empty());
    // Without dgTitleClick no title click.
    w.Grid->SetOptions(w.Grid->Options() - TDBGridOptions{dgTitleClick});
    Click(w.Grid, w.CellCenter(1, 0));
    ProcessEvents();
    EXPECT_EQ(clicks.Titles.size(), 2u);
}

TEST(Mouse, ColumnMovingMarksTheDropAndScrollsAtTheEdge) {
    GridWindow w(5);
    w.SizeForRows(10, 500);
    ProcessEvents();
    Clicks clicks(w);
    MoveTo(w.Grid, w.CellCenter(1, 0));
    const QImage before = w.OnScreen();
    Press(w.Grid, w.CellCenter(1, 0));
    ProcessEvents();
    ASSERT_EQ(w.Grid->GridState(), gsColMoving);
    // The drop marker: a 5-pixel dotted inverting line at the column's left edge.
    const int edge = w.Grid->CellRect(1, 0).Left;
    EXPECT_GT(DarkPixels(w.OnScreen(), w, edge - 2, edge + 2), 10);
    const auto [left, right] = DiffColumns(w.OnScreen(), before, w.Grid->CellRect(0, 1).Top);
    EXPECT_GE(left, edge - 2);
    EXPECT_LE(right, edge + 2);
    // Held beyond the right edge, the columns scroll every 60 ms up to the last one.
    MoveTo(w.Grid, w.ClientPoint(w.Grid->ClientWidth() + 30, 10));
    ProcessEvents(500);
    EXPECT_EQ(w.Grid->FTopLeft().X, 2);
    Release(w.Grid, w.ClientPoint(w.Grid->ClientWidth() + 30, 10));
    ProcessEvents();
    EXPECT_EQ(clicks.Moves, (std::vector<std::pair<int, int>>{{1, 3}}));
    EXPECT_EQ(w.Grid->Columns()[3]->Title().Caption(), QStringLiteral("Code article"));
    EXPECT_TRUE(clicks.Titles.empty()); // released outside the cells
    EXPECT_EQ(w.OnScreen(), w.Fresh());
}

TEST(Mouse, ColumnSizing) {
    GridWindow w(5);
    Clicks clicks(w);
    const TRect first = w.Grid->CellRect(0, 0);
    const int border = first.Right; // start of the first column's line
    // The sizing zone: 3 pixels before the line to 4 after it, title row only.
    for (int dx : {-3, 0, 4}) {
        MoveTo(w.Grid, w.ClientPoint(border + dx, 8));
        EXPECT_EQ(w.Grid->cursor().shape(), Qt::SplitHCursor) << dx;
    }
    for (int dx : {-5, 6}) {
        MoveTo(w.Grid, w.ClientPoint(border + dx, 8));
        EXPECT_EQ(w.Grid->cursor().shape(), Qt::ArrowCursor) << dx;
    }
    MoveTo(w.Grid, w.ClientPoint(border, first.Bottom + 10));
    EXPECT_EQ(w.Grid->cursor().shape(), Qt::ArrowCursor);

    // Dragging the border 50 pixels widens the column by 50; no click follows.
    MoveTo(w.Grid, w.ClientPoint(border + 1, 8));
    const QImage before = w.OnScreen();
    Press(w.Grid, w.ClientPoint(border + 1, 8));
    ProcessEvents();
    EXPECT_EQ(w.Grid->GridState(), gsColSizing);
    MoveTo(w.Grid, w.ClientPoint(border + 51, 8));
    // A dotted inverting line follows the pointer.
    EXPECT_GT(DarkPixels(w.OnScreen(), w, border + 50, border + 50), 5);
    EXPECT_EQ(DiffColumns(w.OnScreen(), before), std::make_pair(border + 50, border + 50));
    Release(w.Grid, w.ClientPoint(border + 51, 8));
    ProcessEvents();
    EXPECT_EQ(w.Grid->Columns()[0]->Width(), 350);
    EXPECT_EQ(w.OnScreen(), w.Fresh()); // the line is gone
    EXPECT_EQ(w.Grid->ColWidths(0), 350);
    EXPECT_TRUE(w.Grid->Columns()[0]->AssignedValues().Contains(cvWidth));
    EXPECT_TRUE(clicks.Titles.empty());
    EXPECT_TRUE(clicks.Cells.empty());
    // A width of 1 pixel or less is refused; 2 is taken.
    const int left = w.Grid->CellRect(1, 0).Left;
    const int line = w.Grid->CellRect(1, 0).Right;
    for (int target : {1, 0, 2}) {
        MoveTo(w.Grid, w.ClientPoint(line, 8));
        Press(w.Grid, w.ClientPoint(line, 8));
        MoveTo(w.Grid, w.ClientPoint(left + target, 8));
        Release(w.Grid, w.ClientPoint(left + target, 8));
        ProcessEvents();
    }
    EXPECT_EQ(w.Grid->Columns()[1]->Width(), 2);
    EXPECT_TRUE(clicks.Titles.empty());
}

TEST(Scrolling, HorizontalLineScrollsTakeTheFocus) {
    GridWindow w(5);
    // All columns fit: nothing moves, but the grid takes the focus.
    w.Edit->SetFocus();
    ProcessEvents();
    w.Grid->Perform(WM_HSCROLL, SB_LINERIGHT, 0);
    ProcessEvents();
    EXPECT_TRUE(w.Grid->Focused());
    EXPECT_EQ(w.Grid->FTopLeft().X, 0);
    EXPECT_FALSE(w.Grid->HorzScrollBarVisible());
    // A narrow grid scrolls one column per message, up to the last useful column.
    w.SizeForRows(10, 500);
    ProcessEvents();
    EXPECT_TRUE(w.Grid->HorzScrollBarVisible());
    w.Grid->Perform(WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_EQ(w.Grid->FTopLeft().X, 1);
    EXPECT_TRUE(w.Grid->CellRect(0, 1).IsEmpty());
    EXPECT_EQ(w.Grid->CellRect(1, 1).Left, 0);
    for (int i = 0; i < 5; ++i) w.Grid->Perform(WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_EQ(w.Grid->FTopLeft().X, 2); // columns 2 and 3 fit in 500 pixels
    EXPECT_EQ(w.OnScreen(), w.Fresh());
    w.Grid->Perform(WM_HSCROLL, SB_LINELEFT, 0);
    EXPECT_EQ(w.Grid->FTopLeft().X, 1);
    EXPECT_EQ(w.OnScreen(), w.Fresh());
    // Widening the grid brings the first column back.
    w.SizeForRows(10, 900);
    ProcessEvents();
    EXPECT_EQ(w.Grid->FTopLeft().X, 0);
    EXPECT_FALSE(w.Grid->HorzScrollBarVisible());
}

TEST(Scrolling, VerticalScrollBarAndWheel) {
    GridWindow w(50);
    ASSERT_TRUE(w.Grid->VertScrollBarVisible());
    EXPECT_LT(w.Grid->ClientWidth(), w.Grid->width() - 2 * w.Border());
    w.Grid->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(w.Table.RecNo(), 11); // the record after the last visible one
    EXPECT_TRUE(w.Grid->Focused());
    w.Grid->Perform(WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(w.Table.RecNo(), 1); // the record before the first visible one
    w.Grid->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(w.Table.RecNo(), 11);
    w.Grid->Perform(WM_VSCROLL, SB_THUMBPOSITION | (30u << 16), 0);
    EXPECT_EQ(w.Table.RecNo(), 30);
    w.Grid->Perform(WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(w.Table.RecNo(), 50);
    w.Grid->Perform(WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(w.Table.RecNo(), 1);
    // The wheel: one record per step, down is forward; half steps add up.
    Wheel(w.Grid, -120);
    EXPECT_EQ(w.Table.RecNo(), 2);
    Wheel(w.Grid, 60);
    EXPECT_EQ(w.Table.RecNo(), 2);
    Wheel(w.Grid, 60);
    EXPECT_EQ(w.Table.RecNo(), 1);
    // The bar follows the record number.
    w.Table.MoveBy(24);
    EXPECT_EQ(w.Grid->VertScrollBar()->value(), 25);
    EXPECT_EQ(w.Grid->VertScrollBar()->maximum(), 50);
    EXPECT_EQ(w.Grid->VertScrollBar()->pageStep(), 10);
    // One record: no bar.
    catgen::FillCatalogue(w.Table, 1);
    EXPECT_FALSE(w.Grid->VertScrollBarVisible());
}

TEST(Focus, LeavingCancelsAnUntouchedInsert) {
    GridWindow w(3);
    w.Grid->SetFocus();
    ProcessEvents();
    w.Table.Append();
    ASSERT_EQ(w.Table.State(), dsInsert);
    w.Edit->SetFocus();
    ProcessEvents();
    EXPECT_EQ(w.Table.State(), dsBrowse);
    EXPECT_EQ(w.Table.RecordCount(), 3);
    // A typed-in record is kept; without the option nothing is cancelled.
    w.Grid->SetOptions(w.Grid->Options() - TDBGridOptions{dgCancelOnExit});
    w.Grid->SetFocus();
    ProcessEvents();
    w.Table.Append();
    w.Edit->SetFocus();
    ProcessEvents();
    EXPECT_EQ(w.Table.State(), dsInsert);
}
