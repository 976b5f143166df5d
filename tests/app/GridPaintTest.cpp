// The collection grid as the operator sees it, and its paced movements.
#include "Workstation.h"

#include <QElapsedTimer>
#include <QPainter>

using namespace tallivo;
using namespace tallivo::test;

namespace {

constexpr TColor kSelection = 14002688;

class CollectionGrid : public WorkstationTest {
protected:
    void SetUp() override {
        WorkstationTest::SetUp();
        std::vector<TArticle> catalogue;
        for (int i = 1; i <= 30; ++i)
            catalogue.push_back({QString("C%1").arg(i, 2, 10, QChar(u'0')), QString("Article numéro %1").arg(i),
                                 "CAT", 1.0, "", 1.5, "", "O"});
        catalogue.push_back({"LONG", QString(50, u'W'), "CAT", 1.0, "", 2.0, "", "O"});
        WriteCatalogue(catalogue);
        Start();
    }
    TDBGrid& Grid() { return *Form().DBGrid1; }
    // A cell in the grid widget's pixels (inside its border).
    TRect Cell(int col, int row) {
        const TPoint o = Grid().ClientOffset();
        return Grid().CellRect(col, row).Offset(o.X, o.Y);
    }
    QImage GridImage() { return Grab(Form().DBGrid1); }
    // Counts pixels of colour c inside the cell.
    int CountColour(const QImage& img, const TRect& r, TColor c) {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) n += PixelAt(img, x, y) == c;
        return n;
    }
};

} // namespace

TEST_F(CollectionGrid, AnEmptyCollectionIsOnePlainWhiteRow) {
    const QImage img = GridImage();
    const TRect row = Cell(0, 1);
    const TRect last = Cell(3, 1);
    // From the first cell's left to the last cell's right, column lines included: all white.
    for (int x = row.Left; x < last.Right; ++x)
        for (int y = row.Top; y < row.Bottom; ++y)
            ASSERT_EQ(PixelAt(img, x, y), clWhite) << x << "," << y << " in " << row.Left << "," << row.Top << ","
                                                   << last.Right << "," << row.Bottom;
}

TEST_F(CollectionGrid, TheCurrentLineIsWhiteOnBlueAcrossTheWholeRow) {
    for (const char* code : {"C01", "C02", "C03"}) EnterCode(code, [](TNumPadBox* pad) { KeyQuantity(pad, "12"); });
    Form().Edit1->SetFocus();
    PressKey(Qt::Key_Up);
    ASSERT_EQ(Grid().FCurrent().Y, 2);
    const QImage img = GridImage();
    // The current row: selection colour everywhere but the text, including
    // over the column lines between cells.
    const TRect first = Cell(0, 2), second = Cell(1, 2);
    EXPECT_EQ(PixelAt(img, first.Right, first.Top + 3), kSelection) << "the column line is covered";
    EXPECT_EQ(PixelAt(img, first.Left + 1, first.Top + 2), kSelection);
    EXPECT_GT(CountColour(img, first, clWhite), 20) << "white text on the current line";
    EXPECT_GT(CountColour(img, first, kSelection), first.Width() * first.Height() / 2);
    // Other lines: white background, dark grey names and dark red quantities.
    const TRect name = Cell(0, 1), qty = Cell(1, 1);
    EXPECT_EQ(PixelAt(img, name.Left + 1, name.Top + 1), clWhite);
    EXPECT_EQ(CountColour(img, name, kSelection), 0);
    EXPECT_GT(CountColour(img, name, 4210752), 5) << "name in the column's dark grey";
    EXPECT_GT(CountColour(img, qty, 176), 5) << "quantity in the column's dark red";
    Q_UNUSED(second);
}

TEST_F(CollectionGrid, QuantitiesAreRightAlignedAndLongNamesEndWithAnEllipsis) {
    EnterCode("C01", [](TNumPadBox* pad) { KeyQuantity(pad, "7"); });
    EnterCode("LONG", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    ASSERT_EQ(Grid().FCurrent().Y, 2); // the first line is not current: dark text on white
    const QImage img = GridImage();
    const TRect qty = Cell(1, 1);
    int firstInk = qty.Right, lastInk = qty.Left;
    for (int y = qty.Top; y < qty.Bottom; ++y)
        for (int x = qty.Left; x < qty.Right; ++x)
            if (GetGValue(PixelAt(img, x, y)) < 0x80) { // ink, not the light column lines
                firstInk = std::min(firstInk, x);
                lastInk = std::max(lastInk, x);
            }
    EXPECT_GT(lastInk, qty.Right - 12) << "right-aligned, 4 pixels in from the edge";
    EXPECT_GT(firstInk, qty.Left + qty.Width() / 2);

    // Fifty W do not fit in the name column: the text is cut and stays in it.
    TCanvas probe(nullptr);
    probe.Font = Grid().Columns()[0]->Font();
    EXPECT_GT(probe.TextWidth(QString(50, u'W')), Cell(0, 2).Width());
    QImage cell(400, 60, QImage::Format_RGB32);
    cell.fill(Qt::white);
    QPainter p(&cell);
    TCanvas canvas(&p);
    canvas.Font = Grid().Columns()[0]->Font();
    canvas.Brush.SetColor(clWhite);
    DrawCellText(canvas, {4, 0, 300, 60}, QString(50, u'W'), Grid().Columns()[0]);
    p.end();
    int right = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 400; ++x)
            if (PixelAt(cell, x, y) != clWhite) right = std::max(right, x);
    EXPECT_LT(right, 300);
    EXPECT_GT(right, 250) << "cut near the edge, with the dots";
}

TEST_F(CollectionGrid, TheDownChevronJumpsToTheLastVisibleRowThenSixMore) {
    // Thirty lines; the window shows fewer.
    for (int i = 1; i <= 30; ++i)
        EnterCode(QString("C%1").arg(i, 2, 10, QChar(u'0')), [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    Collection().First();
    Settle();
    const int visible = Grid().FullyVisibleRowCount();
    ASSERT_GE(visible, 5);
    ASSERT_LT(visible + 6, 30);
    Collection().MoveBy(2); // the third visible row
    Settle();
    QElapsedTimer t;
    t.start();
    Click(Form().AdvMetroButton16);
    Settle();
    EXPECT_GE(t.elapsed(), 57) << "the six waits";
    EXPECT_EQ(Collection().RecNo(), visible + 6);
    EXPECT_EQ(Grid().FCurrent().Y, visible) << "the current line is on the last visible row";
    EXPECT_TRUE(Form().Edit1->Focused());
    // The up chevron: to the first visible row, then six up.
    const int before = Collection().RecNo();
    Click(Form().AdvMetroButton15);
    Settle();
    EXPECT_EQ(Collection().RecNo(), before - (visible - 1) - 6);
    EXPECT_EQ(Grid().FCurrent().Y, 1);
}

TEST_F(CollectionGrid, SwipeActionsScrollAndStopAtTheEnd) {
    for (int i = 1; i <= 12; ++i)
        EnterCode(QString("C%1").arg(i, 2, 10, QChar(u'0')), [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    Collection().First();
    Settle();
    // Swipe up near the end stops on the last line, shown on the grid's
    // last full row, after fifteen paced steps even though the end came
    // sooner.
    const int visible = Grid().FullyVisibleRowCount();
    ASSERT_LT(visible, 12);
    QElapsedTimer t;
    t.start();
    Form().Action3->Execute();
    EXPECT_GE(t.elapsed(), 386) << "the fifteen waits";
    EXPECT_EQ(Collection().RecNo(), 12);
    EXPECT_EQ(Grid().FCurrent().Y, visible);
    // Swipe down goes back up by the visible rows and fifteen more (to the first).
    Form().Action4->Execute();
    EXPECT_EQ(Collection().RecNo(), 1);
    EXPECT_EQ(Grid().FCurrent().Y, 1);
}

TEST_F(CollectionGrid, HorizontalSwipesScrollTheColumnsAndTakeTheFocus) {
    EnterCode("C01", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    // All columns fit: nothing scrolls, but the grid takes the focus.
    const int first = Grid().FTopLeft().X;
    Form().Action1->Execute();
    EXPECT_TRUE(Grid().Focused());
    EXPECT_EQ(Grid().FTopLeft().X, first);
    // On a narrow window the columns do not fit: a swipe left brings the
    // right-hand columns in, a swipe right the left-hand ones back.
    Form().SetClientSize(700, 700);
    Settle();
    Form().Edit1->SetFocus();
    Form().Action1->Execute();
    EXPECT_TRUE(Grid().Focused());
    EXPECT_GT(Grid().FTopLeft().X, first);
    Form().Edit1->SetFocus();
    Form().Action2->Execute();
    EXPECT_TRUE(Grid().Focused());
    EXPECT_EQ(Grid().FTopLeft().X, first);
}
