// Swipes over the collection grid of the main window, with the mouse and
// with a finger: the pressed line becomes current, the action moves the
// lines, then the release copies the code of the line left current into
// the code field. A tap still copies the tapped line's code.
#include "Workstation.h"
#include "grid/Gestures.h"

#include <QTest>

using namespace tallivo;
using namespace tallivo::test;

namespace {

class CollectionSwipes : public WorkstationTest {
protected:
    void SetUp() override {
        WorkstationTest::SetUp();
        WriteCatalogue({{"A", "Article A", "CAT", 1.0, "", 1.0, "", "O"}});
        Start();
        TClientDataSet& c = Collection();
        for (int i = 1; i <= 40; ++i) {
            c.Append();
            c.FieldByName("CODE_ART").SetAsString(Code(i));
            c.FieldByName("NOM_ART").SetAsString(QString("Ligne %1").arg(i));
            c.FieldByName("QTE").SetAsFloat(1);
            c.Post();
        }
        c.First();
        Settle();
    }
    static QString Code(int line) { return QString("L%1").arg(line, 2, 10, QChar(u'0')); }
    TDBGrid& Grid() { return *Form().DBGrid1; }
    // A point of data row `row` of the grid, x pixels into its client area.
    QPoint OnRow(int row, int x) {
        const TRect r = Grid().CellRect(0, row);
        return QPoint(x + Grid().ClientOffset().X, (r.Top + r.Bottom) / 2 + Grid().ClientOffset().Y);
    }
    void MouseDrag(QPoint from, QPoint to) {
        Press(&Grid(), from);
        for (int i = 1; i <= 10; ++i) {
            const QPoint p = from + (to - from) * i / 10;
            QMouseEvent move(QEvent::MouseMove, p, Grid().mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(&Grid(), &move);
        }
        Release(&Grid(), to);
        Settle();
    }
    void FingerDrag(QPoint from, QPoint to) {
        static QPointingDevice* screen = QTest::createTouchDevice();
        QTest::touchEvent(&Grid(), screen).press(0, from, &Grid());
        for (int i = 1; i <= 10; ++i)
            QTest::touchEvent(&Grid(), screen).move(0, from + (to - from) * i / 10, &Grid());
        QTest::touchEvent(&Grid(), screen).release(0, to, &Grid());
        Settle();
    }
};

} // namespace

TEST_F(CollectionSwipes, TheFourSwipesAreBoundToTheFourActions) {
    const TGestureManager* manager = GestureManagerOf(&Grid());
    ASSERT_EQ(manager, Form().GestureManager2);
    EXPECT_EQ(manager->FindGesture(&Grid(), sgiLeft)->Action, Form().Action1);
    EXPECT_EQ(manager->FindGesture(&Grid(), sgiRight)->Action, Form().Action2);
    EXPECT_EQ(manager->FindGesture(&Grid(), sgiUp)->Action, Form().Action3);
    EXPECT_EQ(manager->FindGesture(&Grid(), sgiDown)->Action, Form().Action4);
}

TEST_F(CollectionSwipes, SwipesUpAndDownMoveTheLinesAndTheReleaseCopiesTheCode) {
    const int visible = Grid().FullyVisibleRowCount();
    ASSERT_GE(visible, 5);
    ASSERT_LT(visible + 15, 40);
    // Pressed on line 3, swiped up: to the last visible line, then fifteen down.
    MouseDrag(OnRow(3, 300), OnRow(1, 300) - QPoint(0, 10));
    EXPECT_EQ(Collection().RecNo(), visible + 15);
    EXPECT_EQ(Form().Edit1->Text(), Code(visible + 15));
    EXPECT_TRUE(Form().Edit1->Focused());
    EXPECT_EQ(Grid().FCurrent().Y, visible);
    // Swiped down from the second visible line: to the first, then fifteen up.
    MouseDrag(OnRow(2, 500), OnRow(visible, 500));
    EXPECT_EQ(Collection().RecNo(), 1);
    EXPECT_EQ(Form().Edit1->Text(), Code(1));
    // A tap copies the tapped line's code.
    Click(&Grid(), OnRow(4, 200));
    Settle();
    EXPECT_EQ(Form().Edit1->Text(), Code(1 + 3));
}

TEST_F(CollectionSwipes, AFingerSwipesLikeTheMouse) {
    const int visible = Grid().FullyVisibleRowCount();
    FingerDrag(OnRow(visible - 1, 300), OnRow(1, 300));
    EXPECT_EQ(Collection().RecNo(), visible + 15);
    EXPECT_EQ(Form().Edit1->Text(), Code(visible + 15));
    EXPECT_TRUE(Form().Edit1->Focused());
}

TEST_F(CollectionSwipes, SidewaysSwipesScrollTheColumns) {
    // Narrower than the columns: three of four can scroll out.
    Form().SetClientSize(800, 746);
    Settle();
    ASSERT_EQ(Grid().LeftCol(), 0);
    MouseDrag(OnRow(2, 600), OnRow(2, 250));
    EXPECT_GT(Grid().LeftCol(), 0);
    EXPECT_EQ(Form().Edit1->Text(), Code(2)) << "the release over a line still copies its code";
    MouseDrag(OnRow(2, 100), OnRow(2, 450));
    EXPECT_EQ(Grid().LeftCol(), 0);
}
