#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "tests/support/GuiTestHelpers.h"

#include <gtest/gtest.h>
#include <memory>

using namespace tallivo;

namespace {

TPanel* MakePanel(TForm* owner, TWinControl* parent, TAlign align, int w = 50, int h = 50) {
    auto* p = new TPanel(owner);
    p->SetBevelOuter(bvNone);
    p->SetBounds(0, 0, w, h);
    p->SetAlign(align);
    p->SetParent(parent);
    return p;
}

} // namespace

TEST(Align, BandsAroundAClientAreaWithMargins) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetClientSize(1208, 746);
    TPanel* body = MakePanel(form.get(), form.get(), alClient);
    TPanel* top = MakePanel(form.get(), body, alTop, 10, 81);
    TPanel* right = MakePanel(form.get(), top, alRight, 292, 10);
    TPanel* bottom = MakePanel(form.get(), body, alBottom, 10, 134);
    TPanel* client = MakePanel(form.get(), body, alClient);
    client->Margins().SetBounds(20, 0, 20, 20);
    client->SetAlignWithMargins(true);

    EXPECT_EQ(body->BoundsRect(), Bounds(0, 0, 1208, 746));
    EXPECT_EQ(top->BoundsRect(), Bounds(0, 0, 1208, 81));
    EXPECT_EQ(right->BoundsRect(), Bounds(1208 - 292, 0, 292, 81));
    EXPECT_EQ(bottom->BoundsRect(), Bounds(0, 746 - 134, 1208, 134));
    // The client control takes what the bands leave, less its margins.
    EXPECT_EQ(client->BoundsRect(), Rect(20, 81, 1188, 746 - 134 - 20));

    // Changing a band's height re-aligns its siblings.
    bottom->SetHeight(222);
    EXPECT_EQ(bottom->BoundsRect(), Bounds(0, 746 - 222, 1208, 222));
    EXPECT_EQ(client->BoundsRect(), Rect(20, 81, 1188, 746 - 222 - 20));

    // A hidden band gives its room back.
    top->Hide();
    EXPECT_EQ(client->Top(), 0);

    // Resizing the window re-aligns everything.
    form->SetClientSize(1000, 600);
    EXPECT_EQ(client->BoundsRect(), Rect(20, 0, 980, 600 - 222 - 20));
}

TEST(Align, BevelsNarrowThePanelsClientArea) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetClientSize(200, 100);
    auto* raised = new TPanel(form.get());
    raised->SetAlign(alClient);
    raised->SetParent(form.get());
    auto* inner = new TPanel(form.get());
    inner->SetAlign(alClient);
    inner->SetParent(raised);
    EXPECT_EQ(inner->BoundsRect(), Rect(1, 1, 199, 99));
    raised->SetBevelOuter(bvNone);
    EXPECT_EQ(inner->BoundsRect(), Rect(0, 0, 200, 100));
}

TEST(Align, ControlsOfOneAlignmentStackWithTheirMargins) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetClientSize(400, 300);
    TPanel* first = MakePanel(form.get(), form.get(), alTop, 10, 20);
    first->Margins().SetBounds(5, 6, 7, 8);
    first->SetAlignWithMargins(true);
    TPanel* second = MakePanel(form.get(), form.get(), alTop, 10, 30);
    second->SetTop(200); // below the first one: stacks after it
    EXPECT_EQ(first->BoundsRect(), Rect(5, 6, 393, 26));
    EXPECT_EQ(second->BoundsRect(), Rect(0, 34, 400, 64));
    TPanel* left = MakePanel(form.get(), form.get(), alLeft, 40, 10);
    TPanel* right = MakePanel(form.get(), form.get(), alRight, 50, 10);
    TPanel* client = MakePanel(form.get(), form.get(), alClient);
    EXPECT_EQ(left->BoundsRect(), Rect(0, 64, 40, 300));
    EXPECT_EQ(right->BoundsRect(), Rect(350, 64, 400, 300));
    EXPECT_EQ(client->BoundsRect(), Rect(40, 64, 350, 300));
}

TEST(FlowPanel, WrapsTheSecondPanelOnlyWhenItDoesNotFit) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetClientSize(1208, 300);
    auto* flow = new TFlowPanel(form.get());
    flow->SetBevelOuter(bvNone);
    flow->SetAlign(alBottom);
    flow->SetHeight(222);
    flow->SetParent(form.get());
    auto* first = new TPanel(form.get());
    first->SetBounds(0, 0, 283, 110);
    first->Margins().SetBounds(20, 3, 3, 3);
    first->SetAlignWithMargins(true);
    first->SetParent(flow);
    auto* second = new TPanel(form.get());
    second->SetBounds(0, 0, 694, 98);
    second->SetAlignWithMargins(true);
    second->SetParent(flow);

    // Together they need 20 + 283 + 3 + 3 + 694 + 3 = 1006 pixels.
    EXPECT_EQ(first->BoundsRect(), Bounds(20, 3, 283, 110));
    EXPECT_EQ(second->BoundsRect(), Bounds(309, 3, 694, 98));
    form->SetClientSize(1006, 300);
    EXPECT_EQ(second->BoundsRect(), Bounds(309, 3, 694, 98));
    form->SetClientSize(1005, 300);
    // Next row, below the tallest control of the first row and its margins.
    EXPECT_EQ(first->BoundsRect(), Bounds(20, 3, 283, 110));
    EXPECT_EQ(second->BoundsRect(), Bounds(3, 116 + 3, 694, 98));
    // Hidden controls take no place.
    first->Hide();
    EXPECT_EQ(second->BoundsRect(), Bounds(3, 3, 694, 98));
}
