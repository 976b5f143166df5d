#include "app/Master.h"
#include "tests/support/GuiTestHelpers.h"

#include <gtest/gtest.h>
#include <memory>

using namespace tallivo;
using namespace tallivo::test;

namespace {

std::unique_ptr<TMasterform> ShownMainWindow(int width, int height) {
    // Started without a catalogue: its message is answered.
    WhenModal([](TForm* message) { message->SetModalResult(mrOk); });
    auto form = std::make_unique<TMasterform>(nullptr);
    form->SetWindowState(wsNormal);
    form->SetClientSize(width, height);
    ShowAndActivate(form.get());
    Settle();
    return form;
}

TRect InForm(TControl* c, TForm* form) {
    const QPoint p = c->mapTo(form, QPoint(0, 0));
    return Bounds(p.x(), p.y(), c->Width(), c->Height());
}

} // namespace

TEST(MainWindowLayout, BandsAndGridAtTheDesignedSize) {
    auto form = ShownMainWindow(1208, 746);
    EXPECT_EQ(form->Caption(), QString("Tallivo-6"));
    EXPECT_EQ(InForm(form->Panel2, form.get()), Bounds(0, 0, 1208, 746));
    EXPECT_EQ(InForm(form->Panel3, form.get()), Bounds(0, 0, 1208, 81));
    EXPECT_EQ(InForm(form->Panel4, form.get()), Bounds(1208 - 292, 0, 292, 81));
    EXPECT_EQ(InForm(form->FlowPanel1, form.get()), Bounds(0, 746 - 134, 1208, 134));
    // The grid fills what the bands leave, less its margins (20 left, right and bottom).
    EXPECT_EQ(InForm(form->DBGrid1, form.get()), Rect(20, 81, 1188, 746 - 134 - 20));
    // The command band: the code panel and the command panel side by side.
    EXPECT_EQ(form->Panel8->BoundsRect(), Bounds(20, 3, 283, 110));
    EXPECT_EQ(form->Panel1->BoundsRect(), Bounds(309, 3, 694, 98));
    EXPECT_EQ(InForm(form->Edit1, form.get()), Bounds(20, 746 - 134 + 3 + 48, 273, 36));
    EXPECT_EQ(InForm(form->AdvMetroTile25, form.get()), Bounds(1208 - 292 + 138, 15, 141, 42));
    EXPECT_EQ(form->Label2->Left(), 20);
    EXPECT_EQ(form->Label2->Top(), 9);
    EXPECT_GT(form->Label2->Width(), 60) << "the header label is sized to its text";
    EXPECT_FALSE(form->Edit2->Visible());
    EXPECT_FALSE(form->Button1->Visible());
    EXPECT_FALSE(form->AdvMetroTile71->Visible());
}

TEST(MainWindowLayout, CommandBandHeightFollowsTheWindowWidth) {
    // The rule reads the window's outer width, frame included.
    auto form = ShownMainWindow(1100, 746);
    form->SetWidth(1024);
    ProcessEvents();
    ASSERT_EQ(form->Width(), 1024);
    EXPECT_EQ(form->FlowPanel1->Height(), 134);
    form->SetWidth(1023);
    ProcessEvents();
    ASSERT_EQ(form->Width(), 1023);
    EXPECT_EQ(form->FlowPanel1->Height(), 222);
    EXPECT_EQ(InForm(form->DBGrid1, form.get()).Bottom, 746 - 222 - 20);
    form->SetWidth(1024);
    ProcessEvents();
    EXPECT_EQ(form->FlowPanel1->Height(), 134);
    // Reactivation applies the rule again.
    form->FlowPanel1->SetHeight(50);
    form->OnActivate(form.get());
    EXPECT_EQ(form->FlowPanel1->Height(), 134);
}

TEST(MainWindowLayout, NarrowWindowMovesTheCommandsToASecondRow) {
    auto form = ShownMainWindow(1000, 746);
    EXPECT_EQ(form->FlowPanel1->Height(), 222);
    EXPECT_EQ(form->Panel8->BoundsRect(), Bounds(20, 3, 283, 110));
    EXPECT_EQ(form->Panel1->BoundsRect(), Bounds(3, 116 + 3, 694, 98));
    // Both rows fit in the taller band.
    EXPECT_LE(form->Panel1->BoundsRect().Bottom + 3, form->FlowPanel1->Height());
}

TEST(MainWindowLayout, AWindowNeverShownCanBePaintedAndFreedTwice) {
    for (int i = 0; i < 2; ++i) {
        auto form = std::make_unique<TMasterform>(nullptr);
        form->SetWindowState(wsNormal);
        form->SetClientSize(1208, 746);
        const QImage header = form->grab(QRect(0, 0, 1208, 81)).toImage();
        EXPECT_EQ(PixelAt(header, 5, 75), TColor(14407639)) << "the header band's colour";
    }
}
