#include "TileTestUtil.h"
#include "toolkit/Platform.h"
#include "toolkit/StdCtrls.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tallivo;
using namespace tallivo::test;

namespace {

struct EditAndTiles : TileForm {
    TEdit* Edit = new TEdit(Form.get());
    EditAndTiles() : TileForm(500, 300) {
        Edit->SetBounds(10, 10, 200, 30);
        Edit->SetParent(Panel);
    }
    void ShowWithFocusInEdit() {
        Show();
        Edit->SetFocus();
        ProcessEvents();
    }
};

void Type(std::uint8_t vk) {
    const auto scan = std::uint8_t(MapVirtualKey(vk, MAPVK_VK_TO_VSC));
    keybd_event(vk, scan, 0, 0);
    keybd_event(vk, scan, KEYEVENTF_KEYUP, 0);
}

// Records the tile's events in the order they come.
struct EventLog {
    std::vector<std::string> Events;
    void Attach(TControl* c) {
        c->OnMouseEnter = [this](TObject*) { Events.push_back("enter"); };
        c->OnMouseLeave = [this](TObject*) { Events.push_back("leave"); };
        c->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { Events.push_back("down"); };
        c->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { Events.push_back("up"); };
        c->OnClick = [this](TObject*) { Events.push_back("click"); };
    }
    int Count(const std::string& e) const { return int(std::count(Events.begin(), Events.end(), e)); }
};

} // namespace

TEST(TilePointer, ATapLeavesTheFocusWhereItWasAndItsKeysReachTheEdit) {
    EditAndTiles f;
    auto* seven = f.Add<TAdvMetroTile>(10, 60, 84, 69);
    seven->SetCaption("7");
    seven->OnClick = [](TObject*) { Type(VK_NUMPAD0 + 7); };
    auto* button = f.Add<TAdvMetroButton>(110, 60, 50, 50);
    button->OnClick = [](TObject*) { Type(VK_NUMPAD0 + 1); };
    f.ShowWithFocusInEdit();
    Click(seven);
    ProcessEvents();
    Click(seven);
    ProcessEvents();
    Click(button);
    ProcessEvents();
    EXPECT_EQ(f.Edit->Text(), QString("771"));
    EXPECT_TRUE(f.Edit->Focused());

    // A tab stop takes the focus when pressed.
    seven->SetTabStop(true);
    Click(seven);
    ProcessEvents();
    EXPECT_TRUE(seven->Focused());
}

TEST(TilePointer, EventsOfACompletedTapInOrder) {
    TileForm f;
    auto* t = f.Add<TAdvMetroTile>(20, 20, 100, 60);
    EventLog log;
    log.Attach(t);
    f.Show();
    PointerTo(t, {50, 30});
    EXPECT_TRUE(t->MouseInControl());
    EXPECT_TRUE(t->UnHotTimerRunning()) << "the un-hover poll runs while the pointer is over the tile";
    Press(t, {50, 30});
    Release(t, {50, 30});
    ProcessEvents();
    PointerAway(f.Form.get());
    EXPECT_EQ(log.Events, (std::vector<std::string>{"enter", "down", "enter", "click", "up", "leave"}));
    EXPECT_FALSE(t->MouseInControl());
    EXPECT_FALSE(t->UnHotTimerRunning());
}

TEST(TilePointer, PressSlideOffReleaseOutsideClicksNothing) {
    TileForm f;
    auto* t = f.Add<TAdvMetroTile>(20, 20, 100, 60);
    t->Appearance().SetColor(ColorValue(0x102030));
    t->Appearance().SetDownColor(ColorValue(0x708090));
    EventLog log;
    log.Attach(t);
    f.Show();
    PointerTo(t, {50, 30});
    Press(t, {50, 30});
    ProcessEvents();
    EXPECT_EQ(PixelAt(Shot(t), 50, 30), ColorValue(0x708090));
    EXPECT_EQ(t->State(), absDown);

    // Off the tile with the button held: normal colours at once.
    PointerTo(t, {150, 30});
    EXPECT_EQ(t->State(), absUp);
    EXPECT_FALSE(t->MouseInControl());
    EXPECT_EQ(t->StateColors().Fill, ColorValue(0x102030));
    EXPECT_EQ(PixelAt(Shot(t), 50, 30), ColorValue(0x102030));
    Release(t, {150, 30});
    ProcessEvents();
    EXPECT_EQ(log.Count("click"), 0);
    EXPECT_EQ(log.Count("up"), 1);
    EXPECT_FALSE(t->Dragging());
    EXPECT_FALSE(t->MouseDownInControl());

    // Off and back on before the release: a click, with the down colours back.
    PointerTo(t, {50, 30});
    Press(t, {50, 30});
    PointerTo(t, {150, 30});
    PointerTo(t, {60, 30});
    EXPECT_EQ(PixelAt(Shot(t), 50, 30), ColorValue(0x708090));
    Release(t, {60, 30});
    ProcessEvents();
    EXPECT_EQ(log.Count("click"), 1);
}

TEST(TilePointer, TwoQuickTapsGiveTwoClicks) {
    TileForm f;
    auto* t = f.Add<TAdvMetroTile>(20, 20, 100, 60);
    auto* b = f.Add<TAdvMetroButton>(150, 20, 50, 50);
    int tileClicks = 0, buttonClicks = 0;
    t->OnClick = [&](TObject*) { ++tileClicks; };
    b->OnClick = [&](TObject*) { ++buttonClicks; };
    f.Show();
    DoubleClick(t);
    DoubleClick(b);
    ProcessEvents();
    EXPECT_EQ(tileClicks, 2);
    EXPECT_EQ(buttonClicks, 2);

    // With a double-click handler the double click is reported as well.
    int doubles = 0;
    t->OnDblClick = [&](TObject*) { ++doubles; };
    DoubleClick(t);
    ProcessEvents();
    EXPECT_EQ(doubles, 1);
}

TEST(TilePointer, TheUnHoverPollLetsGoWhenNoLeaveArrives) {
    // Swallows the leave notifications of the window system.
    struct NoLeave : QObject {
        bool eventFilter(QObject*, QEvent* e) override { return e->type() == QEvent::Leave; }
    } filter;
    TileForm f;
    auto* t = f.Add<TAdvMetroTile>(20, 20, 100, 60);
    t->Appearance().SetColor(ColorValue(0x102030));
    t->Appearance().SetHoverColor(ColorValue(0x405060));
    EventLog log;
    log.Attach(t);
    f.Show();
    PointerTo(t, {50, 30});
    ASSERT_TRUE(t->MouseInControl());
    t->installEventFilter(&filter);
    PointerAway(f.Form.get());
    EXPECT_TRUE(WaitUntil([t] { return !t->MouseInControl(); })) << "the poll noticed the pointer outside";
    EXPECT_FALSE(t->UnHotTimerRunning());
    EXPECT_EQ(log.Count("leave"), 0) << "the poll raises no OnMouseLeave";
    EXPECT_EQ(PixelAt(Shot(t), 50, 30), ColorValue(0x102030));
    // Back over the tile: a move re-enters it.
    PointerTo(t, {50, 30});
    EXPECT_TRUE(t->MouseInControl());
    EXPECT_EQ(PixelAt(Shot(t), 50, 30), ColorValue(0x405060));
    t->removeEventFilter(&filter);
}

TEST(TilePointer, ADisabledTileIgnoresPressesAndDialogKeys) {
    EditAndTiles f;
    auto* t = f.Add<TAdvMetroTile>(20, 60, 100, 60);
    t->SetDefault(true);
    t->SetCancel(true);
    int clicks = 0;
    t->OnClick = [&](TObject*) { ++clicks; };
    t->SetEnabled(false);
    f.ShowWithFocusInEdit();
    Click(t);
    PressKey(Qt::Key_Return);
    PressKey(Qt::Key_Escape);
    ProcessEvents();
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(t->MouseDownInControl());
    EXPECT_EQ(t->State(), absDisabled);
}

TEST(TileClick, ModalResultIsWrittenBeforeOnClickAndEndsAModalDialog) {
    ModalWatchdog watchdog;
    TForm dialog(nullptr);
    dialog.SetClientSize(300, 200);
    auto* keep = new TAdvMetroTile(&dialog);
    keep->SetBounds(10, 10, 100, 60);
    keep->SetParent(&dialog);
    auto* ok = new TAdvMetroTile(&dialog);
    ok->SetBounds(150, 10, 100, 60);
    ok->SetParent(&dialog);
    ok->SetModalResult(mrOk);
    int seenInOnClick = -1, keepClicks = 0;
    ok->OnClick = [&](TObject*) { seenInOnClick = dialog.ModalResult(); };
    keep->OnClick = [&](TObject*) { ++keepClicks; };
    WhenModal([&](TForm* d) {
        EXPECT_EQ(d, &dialog);
        // ModalResult 0 is written too, and the dialog stays open.
        Click(keep);
        ProcessEvents(10);
        EXPECT_EQ(keepClicks, 1);
        EXPECT_TRUE(dialog.Modal());
        Click(ok);
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(seenInOnClick, mrOk);

    // A handler may overwrite the result: the dialog then stays.
    int rounds = 0;
    ok->OnClick = [&](TObject*) {
        if (++rounds == 1) dialog.SetModalResult(mrNone);
    };
    WhenModal([&](TForm*) {
        Click(ok);
        ProcessEvents(10);
        EXPECT_TRUE(dialog.Modal());
        Click(ok);
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(rounds, 2);
}

TEST(TileKeys, EnterClicksTheVisibleDefaultTileBeforeTheEditSeesIt) {
    EditAndTiles f;
    auto* hidden = f.Add<TAdvMetroTile>(20, 60, 100, 50);
    hidden->SetDefault(true);
    hidden->SetVisible(false);
    auto* yes = f.Add<TAdvMetroTile>(140, 60, 100, 50);
    yes->SetDefault(true);
    auto* no = f.Add<TAdvMetroTile>(260, 60, 100, 50);
    no->SetCancel(true);
    int hiddenClicks = 0, yesClicks = 0, noClicks = 0;
    hidden->OnClick = [&](TObject*) { ++hiddenClicks; };
    yes->OnClick = [&](TObject*) { ++yesClicks; };
    no->OnClick = [&](TObject*) { ++noClicks; };
    std::vector<TKey> editKeys;
    f.Edit->OnKeyDown = [&](TObject*, TKey& k, TShiftState) { editKeys.push_back(k); };
    f.ShowWithFocusInEdit();

    PressKey(Qt::Key_Return);
    EXPECT_EQ(yesClicks, 1);
    EXPECT_EQ(hiddenClicks, 0);
    EXPECT_TRUE(editKeys.empty()) << "Enter was consumed";
    for (auto mods : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier})
        PressKey(Qt::Key_Return, mods);
    EXPECT_EQ(yesClicks, 1) << "nothing with Shift, Ctrl or Alt";
    PressKey(Qt::Key_Escape);
    EXPECT_EQ(noClicks, 1);
    EXPECT_TRUE(f.Edit->Focused());

    // Default set after the window exists waits for the next focus move.
    yes->SetDefault(false);
    no->SetDefault(true);
    PressKey(Qt::Key_Return);
    EXPECT_EQ(yesClicks, 2) << "FActive still follows the old Default";
    EXPECT_EQ(noClicks, 1);
    auto* other = new TEdit(f.Form.get());
    other->SetBounds(10, 200, 100, 30);
    other->SetParent(f.Panel);
    other->SetFocus();
    ProcessEvents();
    PressKey(Qt::Key_Return);
    EXPECT_EQ(noClicks, 2);
    EXPECT_EQ(yesClicks, 2);
}

TEST(TileKeys, AltLetterClicksTheTileItsCaptionMarks) {
    EditAndTiles f;
    auto* quit = f.Add<TAdvMetroTile>(20, 60, 100, 50);
    quit->SetCaption("&Quitter");
    auto* hidden = f.Add<TAdvMetroTile>(140, 60, 100, 50);
    hidden->SetCaption("&Ajouter");
    hidden->SetVisible(false);
    int quits = 0, adds = 0;
    quit->OnClick = [&](TObject*) { ++quits; };
    hidden->OnClick = [&](TObject*) { ++adds; };
    f.ShowWithFocusInEdit();
    PressKey(Qt::Key_Q, Qt::AltModifier);
    PressKey(Qt::Key_A, Qt::AltModifier);
    PressKey(Qt::Key_U, Qt::AltModifier);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(adds, 0) << "a hidden tile cannot take the focus";
}

TEST(TileKeys, FocusOnATileMakesItTheOnlyActiveTile) {
    EditAndTiles f;
    auto* a = f.Add<TAdvMetroTile>(20, 60, 100, 50);
    auto* b = f.Add<TAdvMetroTile>(140, 60, 100, 50);
    auto* chevron = f.Add<TAdvMetroButton>(260, 60, 50, 50);
    a->SetDefault(true);
    chevron->SetDefault(true);
    b->SetTabStop(true);
    int aClicks = 0, bClicks = 0, chevronClicks = 0;
    a->OnClick = [&](TObject*) { ++aClicks; };
    b->OnClick = [&](TObject*) { ++bClicks; };
    chevron->OnClick = [&](TObject*) { ++chevronClicks; };
    f.ShowWithFocusInEdit();
    EXPECT_TRUE(a->Active());
    EXPECT_FALSE(b->Active());
    EXPECT_TRUE(chevron->Active());

    b->SetFocus();
    ProcessEvents();
    EXPECT_FALSE(a->Active());
    EXPECT_TRUE(b->Active());
    EXPECT_TRUE(chevron->Active()) << "a picture button follows its Default when a tile gets the focus";
    // Enter goes to the first active tile in control order: b; Space typed on b clicks it too.
    PressKey(Qt::Key_Return);
    EXPECT_EQ(bClicks, 1);
    EXPECT_EQ(aClicks, 0);
    PressKey(Qt::Key_Space, {}, " ");
    EXPECT_EQ(bClicks, 2);

    f.Edit->SetFocus();
    ProcessEvents();
    EXPECT_TRUE(a->Active());
    EXPECT_FALSE(b->Active());
    PressKey(Qt::Key_Return);
    EXPECT_EQ(aClicks, 1);
    EXPECT_EQ(chevronClicks, 0) << "the offer stopped at the first control that took it";
}

TEST(TileKeys, DefaultSetBeforeTheWindowIsCreatedIsActiveWhenShown) {
    // As the message dialog does with its "Oui" tile in the yes/no form.
    ModalWatchdog watchdog;
    TForm dialog(nullptr);
    dialog.SetClientSize(483, 245);
    auto* ok = new TAdvMetroTile(&dialog);
    ok->SetBounds(354, 172, 111, 49);
    ok->SetParent(&dialog);
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    auto* no = new TAdvMetroTile(&dialog);
    no->SetBounds(354, 172, 111, 49);
    no->SetParent(&dialog);
    no->SetModalResult(mrNo);
    no->SetVisible(false);
    auto* yes = new TAdvMetroTile(&dialog);
    yes->SetBounds(230, 172, 106, 49);
    yes->SetParent(&dialog);
    yes->SetModalResult(mrYes);
    yes->SetVisible(false);
    // The yes/no form.
    ok->SetVisible(false);
    no->SetVisible(true);
    yes->SetVisible(true);
    yes->SetDefault(true);
    WhenModal([](TForm*) { PressKey(Qt::Key_Return); });
    EXPECT_EQ(dialog.ShowModal(), mrYes);
}
