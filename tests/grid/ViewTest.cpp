// The grid's layout, record window and painting.

#include "GridTestUtil.h"
#include "base/Exception.h"

#include <QFontMetrics>
#include <gtest/gtest.h>
#include <map>

using namespace tallivo;
using namespace tallivo::test;

namespace {

struct DrawCall {
    TRect Rect;
    int DataCol;
    TGridDrawState State;
    QString Name;
};

// Records every owner-draw call with the name of the record current during it.
std::vector<DrawCall>* Record(GridWindow& w) {
    auto* calls = new std::vector<DrawCall>;
    w.Grid->OnDrawColumnCell = [&w, calls](TObject* sender, const TRect& r, int col, TColumn*,
                                           TGridDrawState s) {
        EXPECT_EQ(sender, w.Grid);
        calls->push_back({r, col, s, w.Table.Active() ? w.Name() : QString()});
    };
    return calls;
}

// The leftmost and rightmost columns of dark (text) pixels in a rectangle.
std::pair<int, int> InkSpan(const QImage& image, const TRect& r) {
    int left = INT_MAX, right = INT_MIN;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (qGray(image.pixel(x, y)) < 230) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

} // namespace

TEST(Layout, RowHeightsComeFromTheFonts) {
    GridWindow w(5);
    const int text = QFontMetrics(w.Grid->Font().ToQFont()).height();
    EXPECT_EQ(w.Grid->DefaultRowHeight(), text + 3 + 1);
    // The title row: the tallest column title font, not the grid's title font.
    const int title = QFontMetrics(w.Grid->Columns()[0]->Title().Font().ToQFont()).height();
    EXPECT_EQ(w.Grid->RowHeights(0), title + 4);
    w.Grid->Columns()[3]->Title().Font().SetHeight(-30);
    EXPECT_EQ(w.Grid->RowHeights(0),
              QFontMetrics(w.Grid->Columns()[3]->Title().Font().ToQFont()).height() + 4);
    // The data rows ignore the column fonts.
    w.Grid->Columns()[0]->Font().SetHeight(-40);
    EXPECT_EQ(w.Grid->DefaultRowHeight(), text + 4);
    // Rows are one pitch apart: the row and its line.
    const TRect r1 = w.Grid->CellRect(0, 1), r2 = w.Grid->CellRect(0, 2);
    EXPECT_EQ(r2.Top - r1.Top, w.Grid->DefaultRowHeight() + 1);
    EXPECT_EQ(r1.Top, w.Grid->RowHeights(0) + 1);
}

TEST(RecordWindow, EmptyOpenTableShowsOneEmptyRow) {
    GridWindow w(0);
    auto calls = std::unique_ptr<std::vector<DrawCall>>(Record(w));
    w.Grid->repaint();
    EXPECT_EQ(w.Grid->RowCount(), 2);
    EXPECT_EQ(w.Grid->FullyVisibleRowCount(), 1);
    EXPECT_FALSE(w.Grid->VertScrollBarVisible());
    // The one row reaches the window's painting, with empty values.
    ASSERT_EQ(calls->size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ((*calls)[std::size_t(i)].DataCol, i);
        EXPECT_EQ((*calls)[std::size_t(i)].Rect, w.Grid->CellRect(i, 1));
        EXPECT_TRUE((*calls)[std::size_t(i)].Name.isEmpty());
    }
}

TEST(RecordWindow, FewRecordsLeaveTheRestInTheGridColour) {
    GridWindow w(3);
    w.Grid->SetColor(clAqua);
    for (int i = 0; i < 4; ++i) w.Grid->Columns()[i]->SetColor(clWhite);
    EXPECT_EQ(w.Grid->RowCount(), 4);
    EXPECT_EQ(w.Grid->FullyVisibleRowCount(), 3);
    EXPECT_EQ(w.Grid->DataLink()->RecordCount(), 3);
    const QImage image = w.Fresh();
    const TRect last = w.Grid->CellRect(1, 3);
    EXPECT_EQ(PixelAt(image, last.Right - 5, last.Top + 3), clWhite);
    EXPECT_EQ(PixelAt(image, last.Right - 5, last.Bottom + 1 + 3), clAqua);
    EXPECT_EQ(PixelAt(image, last.Right - 5, w.Grid->ClientHeight() - 2), clAqua);
    // Right of the last column as well.
    const TRect right = w.Grid->CellRect(3, 2);
    EXPECT_EQ(PixelAt(image, right.Right + 5, right.Top + 3), clAqua);
}

TEST(RecordWindow, TheWindowSlidesAndThePartialRowStaysUnused) {
    GridWindow w(50);
    // Ten whole rows fit; the half row below them is never given a record.
    EXPECT_EQ(w.Grid->FullyVisibleRowCount(), 10);
    EXPECT_EQ(w.Grid->DataLink()->BufferCount(), 10);
    EXPECT_EQ(w.Grid->RowCount(), 11);
    EXPECT_EQ(w.Grid->FCurrent().Y, 1);
    EXPECT_EQ(w.Grid->FTopLeft().Y, 1);
    w.Grid->SetFocus();
    PressKey(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(w.Table.RecNo(), 10);
    EXPECT_EQ(w.Grid->FCurrent().Y, 10);
    const QImage before = w.OnScreen();
    PressKey(Qt::Key_Down);
    EXPECT_EQ(w.Table.RecNo(), 11);
    EXPECT_EQ(w.Grid->FCurrent().Y, 10);
    EXPECT_EQ(w.Grid->FTopLeft().Y, 1);
    const QImage after = w.OnScreen();
    // The data area moved up by one row pitch: rows 2-9 are now rows 1-8.
    const int top = w.Grid->CellRect(0, 1).Top, pitch = w.Pitch();
    const int width = w.Grid->CellRect(3, 1).Right;
    EXPECT_EQ(after.copy(0, top, width, 8 * pitch), before.copy(0, top + pitch, width, 8 * pitch));
    EXPECT_NE(after.copy(0, top, width, pitch), before.copy(0, top, width, pitch));
    // The first row now shows the second record.
    auto calls = std::unique_ptr<std::vector<DrawCall>>(Record(w));
    w.Grid->repaint();
    ASSERT_FALSE(calls->empty());
    EXPECT_EQ(calls->front().Name, GridWindow::NameOf(2));
    EXPECT_EQ(calls->back().Name, GridWindow::NameOf(11));
    EXPECT_EQ(w.Table.RecNo(), 11); // the current record came back after the paint
}

TEST(RecordWindow, ResizeRecomputesTheWindow) {
    GridWindow w(50);
    w.SizeForRows(20);
    ProcessEvents();
    EXPECT_EQ(w.Grid->FullyVisibleRowCount(), 20);
    EXPECT_EQ(w.Grid->DataLink()->BufferCount(), 20);
    EXPECT_EQ(w.Grid->RowCount(), 21);
    w.Table.MoveBy(18);
    EXPECT_EQ(w.Grid->FCurrent().Y, 19);
    w.SizeForRows(5);
    ProcessEvents();
    EXPECT_EQ(w.Grid->DataLink()->BufferCount(), 5);
    EXPECT_EQ(w.Grid->RowCount(), 6);
    // The current record stays visible, on the last row.
    EXPECT_EQ(w.Table.RecNo(), 19);
    EXPECT_EQ(w.Grid->FCurrent().Y, 5);
    EXPECT_EQ(w.Grid->FullyVisibleRowCount(), 5);
}

TEST(RecordWindow, ChangesOfTheTableReachTheGrid) {
    GridWindow w(3);
    // Append and post: the row count follows.
    w.Table.Append();
    w.Table.FieldByName(QStringLiteral("NOM_ART")).SetAsString(QStringLiteral("Nouveau"));
    w.Table.Post();
    EXPECT_EQ(w.Grid->RowCount(), 5);
    EXPECT_EQ(w.Grid->FCurrent().Y, 4);
    w.Table.EmptyDataSet();
    EXPECT_EQ(w.Grid->RowCount(), 2);
    // Closing the table: one empty row, no owner-draw calls, no scroll bar.
    catgen::FillCatalogue(w.Table, 5);
    EXPECT_EQ(w.Grid->RowCount(), 6);
    w.Table.Close();
    auto calls = std::unique_ptr<std::vector<DrawCall>>(Record(w));
    w.Grid->repaint();
    EXPECT_TRUE(calls->empty());
    EXPECT_EQ(w.Grid->RowCount(), 2);
    EXPECT_FALSE(w.Grid->VertScrollBarVisible());
    w.Table.Open();
    EXPECT_EQ(w.Grid->RowCount(), 6);
    EXPECT_TRUE(w.Grid->VertScrollBarVisible());
}

TEST(Painting, TitleGradientHotAndPressed) {
    GridWindow w(5);
    const TRect title = w.Grid->CellRect(1, 0);
    const int x = title.Right - 4; // away from the caption
    QImage image = w.Fresh();
    EXPECT_EQ(PixelAt(image, x, title.Top), kStart);
    EXPECT_EQ(PixelAt(image, x, title.Bottom - 1), kEnd);
    // Hot: both ends one highlight tone lighter.
    MoveTo(w.Grid, w.CellCenter(1, 0));
    EXPECT_EQ(w.Grid->HotTrackCell().Coord, (TGridCoord{1, 0}));
    image = w.OnScreen();
    EXPECT_EQ(PixelAt(image, x, title.Top), HighlightTone(kStart, 19));
    EXPECT_EQ(PixelAt(image, x, title.Bottom - 1), HighlightTone(kEnd, 19));
    EXPECT_NE(HighlightTone(kStart, 19), kStart);
    const TRect other = w.Grid->CellRect(2, 0);
    EXPECT_EQ(PixelAt(image, other.Right - 4, other.Top), kStart);
    // Pressed: the plain colours, upside down.
    Press(w.Grid, w.CellCenter(1, 0));
    ProcessEvents();
    EXPECT_TRUE(w.Grid->HotTrackCell().Pressed);
    image = w.OnScreen();
    EXPECT_EQ(PixelAt(image, x, title.Top), kEnd);
    EXPECT_EQ(PixelAt(image, x, title.Bottom - 1), kStart);
    Release(w.Grid, w.CellCenter(1, 0));
    ProcessEvents();
    EXPECT_FALSE(w.Grid->HotTrackCell().Pressed);
    // Leaving the titles clears the hot cell.
    MoveTo(w.Grid, w.CellCenter(1, 2));
    EXPECT_EQ(w.Grid->HotTrackCell().Coord, (TGridCoord{-1, -1}));
    image = w.OnScreen();
    EXPECT_EQ(PixelAt(image, x, title.Top), kStart);
}

TEST(Painting, SelectionBandAndLines) {
    GridWindow w(5);
    w.Table.MoveBy(2);
    const QImage image = w.Fresh();
    const TRect cell = w.Grid->CellRect(1, 3); // a middle column of the current row
    const int x = cell.Right - 4;
    EXPECT_EQ(PixelAt(image, x, cell.Top), ColorToRGB(clHighlight));
    EXPECT_EQ(PixelAt(image, x, cell.Bottom - 1), ColorToRGB(clHighlight));
    EXPECT_EQ(PixelAt(image, x, cell.Top + 1), ShadowTone(clHighlight, 45));
    EXPECT_EQ(PixelAt(image, x, cell.Bottom - 2), ShadowTone(clHighlight, 10));
    // Between middle columns the band runs over the column line.
    EXPECT_EQ(PixelAt(image, cell.Right, cell.Top + 1), ShadowTone(clHighlight, 45));
    // The band is framed at its two ends.
    const TRect first = w.Grid->CellRect(0, 3), last = w.Grid->CellRect(3, 3);
    EXPECT_EQ(PixelAt(image, first.Left, cell.Top + 5), ColorToRGB(clHighlight));
    EXPECT_EQ(PixelAt(image, last.Right - 1, cell.Top + 5), ColorToRGB(clHighlight));
    // Lines: light grey in the data area, silver in the title row.
    const TRect plain = w.Grid->CellRect(1, 1);
    EXPECT_EQ(PixelAt(image, plain.Right, plain.Top + 3), ColorValue(0xF0F0F0));
    EXPECT_EQ(PixelAt(image, plain.Right - 4, plain.Bottom), ColorValue(0xF0F0F0));
    const TRect title = w.Grid->CellRect(1, 0);
    EXPECT_EQ(PixelAt(image, title.Right, title.Top + 3), ColorValue(0xC0C0C0));
    EXPECT_EQ(PixelAt(image, title.Right - 4, title.Bottom), ColorValue(0xC0C0C0));
    // Without column lines the columns touch.
    w.Grid->SetOptions(w.Grid->Options() - TDBGridOptions{dgColLines});
    EXPECT_EQ(w.Grid->CellRect(1, 1).Left, w.Grid->CellRect(0, 1).Right);
}

TEST(Painting, TextPlacementFollowsTheColumnAlignment) {
    GridWindow w(5);
    const QImage image = w.Fresh();
    // A float column is right-aligned: its text ends 3 pixels before the cell's edge.
    const TRect price = w.Grid->CellRect(2, 2); // not the current row
    ASSERT_FALSE(w.Table.FieldByName(QStringLiteral("PRIX_ACHAT")).IsNull());
    const auto [pl, pr] = InkSpan(image, price);
    EXPECT_GE(pr, price.Right - 3 - 4);
    EXPECT_LE(pr, price.Right - 4);
    EXPECT_GT(pl, price.Left + 20);
    // A string column starts 3 pixels after the left edge.
    const TRect name = w.Grid->CellRect(0, 2);
    const auto [nl, nr] = InkSpan(image, name);
    EXPECT_GE(nl, name.Left + 3);
    EXPECT_LE(nl, name.Left + 5);
    (void)nr;
}

TEST(OwnerDraw, StatesRecordsAndDefaultDrawing) {
    GridWindow w(5);
    w.Table.MoveBy(2);
    auto calls = std::unique_ptr<std::vector<DrawCall>>(Record(w));
    w.Grid->repaint();
    ASSERT_EQ(calls->size(), 20u);
    for (const DrawCall& c : *calls) {
        const int row = (c.Rect.Top - w.Grid->CellRect(0, 1).Top) / w.Pitch() + 1;
        EXPECT_EQ(c.Rect, w.Grid->CellRect(c.DataCol, row));
        EXPECT_EQ(c.Name, GridWindow::NameOf(row)) << row;
        EXPECT_EQ(c.State.Contains(gdSelected), row == 3);
        EXPECT_FALSE(c.State.Contains(gdFixed));
        EXPECT_FALSE(c.State.Contains(gdFocused)); // the grid does not have the focus
    }
    EXPECT_EQ(w.Table.RecNo(), 3);
    // With the focus, the current cell is focused.
    w.Grid->SetFocus();
    ProcessEvents();
    calls->clear();
    w.Grid->repaint();
    int focused = 0;
    for (const DrawCall& c : *calls)
        if (c.State.Contains(gdFocused)) {
            ++focused;
            EXPECT_EQ(c.DataCol, w.Grid->SelectedIndex());
            EXPECT_EQ(c.Rect, w.Grid->CellRect(w.Grid->FCurrent().X, 3));
        }
    EXPECT_EQ(focused, 1);

    // The selection window's handler: a colour and the default drawing give an opaque cell.
    w.Grid->OnDrawColumnCell = [&](TObject*, const TRect& r, int col, TColumn* column, TGridDrawState s) {
        if (!s.Contains(gdSelected)) return;
        w.Grid->Canvas()->Brush.SetColor(14002688);
        w.Grid->DefaultDrawColumnCell(r, col, column, s);
    };
    const QImage image = w.Fresh();
    const TRect cell = w.Grid->CellRect(0, 3);
    EXPECT_EQ(PixelAt(image, cell.Right - 3, cell.Top + 1), ColorValue(14002688));
    EXPECT_EQ(PixelAt(image, cell.Right - 3, cell.Bottom - 1), ColorValue(14002688));
    // White text (the selection's font colour) starting 2 pixels from the left.
    int left = INT_MAX;
    for (int y = cell.Top; y < cell.Bottom; ++y)
        for (int x = cell.Left; x < cell.Right; ++x)
            if (qGray(image.pixel(x, y)) > 200) left = std::min(left, x);
    EXPECT_GE(left, cell.Left + 2);
    EXPECT_LE(left, cell.Left + 4);
}

TEST(OwnerDraw, AFailingHandlerIsReportedOnceAfterThePaint) {
    GridWindow w(5);
    MessageBoxRecorder boxes;
    int calls = 0;
    w.Grid->OnDrawColumnCell = [&](TObject*, const TRect&, int col, TColumn*, TGridDrawState) {
        ++calls;
        if (col == 1) throw EDatabaseError(QStringLiteral("Champ 'CODE_ART' non trouvé"));
    };
    w.Grid->repaint();
    ProcessEvents();
    w.Grid->repaint();
    ProcessEvents();
    // Every cell was still painted, and the error was shown once.
    EXPECT_EQ(calls, 40);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, QStringLiteral("Champ 'CODE_ART' non trouvé."));
}

TEST(IncrementalRepaint, OneRecordMovePaintsTwoRows) {
    GridWindow w(60);
    w.Grid->SetFocus();
    PressKey(Qt::Key_Down, Qt::ControlModifier);
    ProcessEvents();
    auto calls = std::unique_ptr<std::vector<DrawCall>>(Record(w));
    // At the bottom row: the window slides; only the two rows whose selection
    // changed are drawn (4 columns each).
    PressKey(Qt::Key_Down);
    ProcessEvents();
    EXPECT_EQ(calls->size(), 8u);
    std::map<int, int> rows;
    for (const DrawCall& c : *calls) ++rows[c.Rect.Top];
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.begin()->first, w.Grid->CellRect(0, 9).Top);
    EXPECT_EQ(rows.rbegin()->first, w.Grid->CellRect(0, 10).Top);
    // What is on screen equals a full repaint.
    EXPECT_EQ(w.OnScreen(), w.Fresh());
    // Within the window: the two rows only, nothing shifted.
    calls->clear();
    PressKey(Qt::Key_Up);
    ProcessEvents();
    EXPECT_EQ(calls->size(), 8u);
    EXPECT_EQ(w.OnScreen(), w.Fresh());
    // A jump beyond the visible rows repaints everything.
    calls->clear();
    PressKey(Qt::Key_End, Qt::ControlModifier);
    ProcessEvents();
    EXPECT_EQ(w.Table.RecNo(), 60);
    EXPECT_EQ(calls->size(), 40u);
    EXPECT_EQ(w.OnScreen(), w.Fresh());
    // Several slides in a row.
    PressKey(Qt::Key_Home, Qt::ControlModifier);
    PressKey(Qt::Key_Down, Qt::ControlModifier);
    PressKey(Qt::Key_Down);
    for (int i = 0; i < 5; ++i) w.Grid->Perform(WM_KEYDOWN, VK_DOWN, 0);
    w.Table.MoveBy(3);
    EXPECT_EQ(w.Table.RecNo(), 19);
    EXPECT_EQ(w.OnScreen(), w.Fresh());
    // Slides while painting waits (under the update lock): the waiting areas
    // move with the pixels.
    w.Grid->BeginUpdate();
    w.Table.MoveBy(-12);
    for (int i = 0; i < 4; ++i) w.Grid->Perform(WM_KEYDOWN, VK_DOWN, 0);
    w.Grid->Perform(WM_KEYDOWN, VK_UP, 0);
    w.Grid->EndUpdate();
    EXPECT_EQ(w.OnScreen(), w.Fresh());
    // The same moves with every move repainting the whole grid.
    w.Grid->SetIncrementalScroll(false);
    w.Table.MoveBy(20);
    ASSERT_EQ(w.Grid->FCurrent().Y, 10);
    ProcessEvents();
    calls->clear();
    w.Grid->Perform(WM_KEYDOWN, VK_DOWN, 0);
    ProcessEvents();
    EXPECT_EQ(calls->size(), 40u);
}
