#include "TestButton.h"
#include "tests/support/GuiTestHelpers.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Platform.h"
#include "toolkit/StdCtrls.h"

#include <QApplication>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <memory>

using namespace tallivo;
using namespace tallivo::test;

namespace {

struct EditForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TEdit* Edit = new TEdit(Form.get());
    TTestButton* Key = new TTestButton(Form.get());
    EditForm() {
        Form->SetClientSize(300, 200);
        Edit->SetBounds(10, 10, 200, 30);
        Edit->SetParent(Form.get());
        Key->SetBounds(10, 60, 60, 60);
        Key->SetParent(Form.get());
        ShowAndActivate(Form.get());
        Edit->SetFocus();
        ProcessEvents();
    }
    void Inject(std::uint8_t vk) {
        const auto scan = std::uint8_t(MapVirtualKey(vk, MAPVK_VK_TO_VSC));
        keybd_event(vk, scan, 0, 0);
        keybd_event(vk, scan, KEYEVENTF_KEYUP, 0);
    }
};

} // namespace

TEST(KeyInjection, NumericBlockKeysArriveInTheFocusedEditWithoutMovingTheFocus) {
    EditForm f;
    std::vector<TKey> downs;
    std::vector<QChar> presses;
    f.Edit->OnKeyDown = [&](TObject*, TKey& k, TShiftState) { downs.push_back(k); };
    f.Edit->OnKeyPress = [&](TObject*, QChar& c) { presses.push_back(c); };
    // Injected from a control's click, as the keypad's tiles do.
    f.Key->OnClick = [&](TObject*) {
        f.Inject(VK_NUMPAD0 + 1);
        f.Inject(VK_NUMPAD0 + 2);
        f.Inject(VK_DECIMAL);
        f.Inject(VK_NUMPAD0 + 5);
        f.Inject(VK_SUBTRACT);
    };
    Click(f.Key);
    ProcessEvents();
    EXPECT_EQ(f.Edit->Text(), QString("12.5-"));
    EXPECT_TRUE(f.Edit->Focused());
    EXPECT_EQ(downs, (std::vector<TKey>{VK_NUMPAD0 + 1, VK_NUMPAD0 + 2, VK_DECIMAL, VK_NUMPAD0 + 5, VK_SUBTRACT}));
    EXPECT_EQ(presses.size(), 5u);

    // Backspace removes the character before the caret; Right moves the caret.
    f.Edit->SetSelStart(2);
    f.Inject(VK_BACK);
    ProcessEvents();
    EXPECT_EQ(f.Edit->Text(), QString("1.5-"));
    f.Inject(VK_RIGHT);
    f.Inject(VK_RIGHT);
    ProcessEvents();
    EXPECT_EQ(f.Edit->SelStart(), 3);
}

TEST(EditKeys, KeyDownCanConsumeAndKeyPressCanReplace) {
    EditForm f;
    f.Edit->OnKeyDown = [](TObject*, TKey& k, TShiftState) {
        if (k == 'X') k = 0; // consumed: the edit never sees it
    };
    f.Edit->OnKeyPress = [](TObject*, QChar& c) {
        if (c == u'.' || c == u',') c = u',';
        if (c == u'#') c = QChar();
    };
    TypeText("1.5x#é");
    EXPECT_EQ(f.Edit->Text(), QString("1,5é"));

    f.Edit->SetText("");
    f.Edit->SetCharCase(ecUpperCase);
    f.Edit->OnKeyDown = nullptr;
    TypeText("vis");
    EXPECT_EQ(f.Edit->Text(), QString("VIS"));
}

TEST(EditKeys, OnChangeFollowsEveryTextChange) {
    EditForm f;
    int changes = 0;
    f.Edit->OnChange = [&](TObject*) { ++changes; };
    TypeText("ab");
    f.Edit->SetText("zz");
    f.Edit->SetText("zz");
    EXPECT_EQ(changes, 3);
}

TEST(Perform, KeyDownMessageRunsTheKeyHandlingOfTheControl) {
    EditForm f;
    auto* panel = new TPanel(f.Form.get());
    panel->SetParent(f.Form.get());
    std::vector<TKey> seen;
    panel->OnKeyDown = [&](TObject*, TKey& k, TShiftState s) {
        seen.push_back(k);
        EXPECT_TRUE(s.Empty());
    };
    panel->Perform(WM_KEYDOWN, VK_DOWN, 0);
    panel->Perform(WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(seen, (std::vector<TKey>{VK_DOWN, VK_UP}));
    EXPECT_TRUE(f.Edit->Focused()) << "a message moves no focus";
}

TEST(Mouse, PanelClickNeedsPressAndReleaseInside) {
    EditForm f;
    auto* panel = new TPanel(f.Form.get());
    panel->SetBounds(100, 60, 100, 100);
    panel->SetParent(f.Form.get());
    int clicks = 0;
    panel->OnClick = [&](TObject*) { ++clicks; };
    Click(panel);
    EXPECT_EQ(clicks, 1);
    Press(panel, {50, 50});
    MoveTo(panel, {150, 50});
    Release(panel, {150, 50});
    EXPECT_EQ(clicks, 1) << "released outside: no click";
    EXPECT_TRUE(f.Edit->Focused()) << "panels take no focus";
}

TEST(SingleInstance, TheSecondHolderIsRefusedInTheSameUserSession) {
    // The lock is per process; a child process would be refused while we
    // hold it. Here: acquiring twice in one process keeps holding it.
    const QString title = "Tallivo-test-" + QString::number(QCoreApplication::applicationPid());
    EXPECT_TRUE(AcquireSingleInstance(title));
    EXPECT_TRUE(AcquireSingleInstance(title));
    EXPECT_TRUE(SingleInstanceLockPath(title).startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
}

#include "toolkit/ActnList.h"

TEST(Actions, AnActionLeavesItsListWhenFreedFirst) {
    auto list = std::make_unique<TActionList>(nullptr);
    auto* a = new TAction(nullptr);
    auto* b = new TAction(nullptr);
    a->SetActionList(list.get());
    b->SetActionList(list.get());
    int runs = 0;
    b->OnExecute = [&](TObject*) { ++runs; };
    EXPECT_FALSE(a->Execute()) << "no handler, not executed";
    EXPECT_TRUE(b->Execute());
    EXPECT_EQ(runs, 1);
    delete a;
    ASSERT_EQ(list->ActionCount(), 1);
    EXPECT_EQ(list->Actions(0), b);
    list.reset();
    EXPECT_EQ(b->ActionList(), nullptr);
    delete b;
}
