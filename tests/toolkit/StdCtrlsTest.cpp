// The combo box's drop-down list (closing up on every path, Enter kept while
// open, opening by itself on a typed letter) and the edit's letter case for
// pasted text.
#include "toolkit/StdCtrls.h"
#include "TestButton.h"
#include "tests/support/GuiTestHelpers.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <memory>

using namespace tallivo;
using namespace tallivo::test;

namespace {

struct ChoiceForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TComboBox* Box = new TComboBox(Form.get());
    TTestButton* Ok = new TTestButton(Form.get());
    QStringList Changes;
    int CloseUps = 0;
    ChoiceForm() {
        Form->SetClientSize(400, 300);
        Box->SetStyle(csDropDownList);
        Box->SetBounds(10, 10, 200, 30);
        for (const char* item : {"Alpha", "Bravo", "Charlie"}) Box->AddItem(item);
        Box->SetItemIndex(0);
        Box->OnChange = [this](TObject*) { Changes << Box->Text(); };
        Box->OnCloseUp = [this](TObject*) { ++CloseUps; };
        Box->SetParent(Form.get());
        Ok->Default = true;
        Ok->SetBounds(300, 250, 60, 30);
        Ok->SetParent(Form.get());
        ShowAndActivate(Form.get());
        Box->SetFocus();
        ProcessEvents();
    }
    void Open() {
        Box->SetDroppedDown(true);
        Settle();
        ASSERT_TRUE(Box->DroppedDown());
    }
};

} // namespace

TEST(ComboBox, TheListClosesUpOnceWhateverClosesItAndKeepsEnterWhileOpen) {
    ChoiceForm f;
    f.Open();
    EXPECT_TRUE(f.Box->WantsKey(VK_RETURN));
    PressKey(Qt::Key_Down);
    PressKey(Qt::Key_Return, {}, "\r");
    Settle();
    EXPECT_EQ(f.Changes, QStringList{"Bravo"});
    EXPECT_EQ(f.CloseUps, 1);
    EXPECT_EQ(f.Ok->Clicks, 0); // Enter picked the entry, it did not press the default button
    EXPECT_FALSE(f.Box->WantsKey(VK_RETURN));

    f.Open();
    PressKey(Qt::Key_Escape);
    Settle();
    EXPECT_EQ(f.CloseUps, 2);
    f.Open();
    Click(f.Form.get(), QPoint(200, 200)); // outside the list
    Settle();
    EXPECT_EQ(f.CloseUps, 3);
    f.Open();
    f.Box->SetDroppedDown(false);
    Settle();
    EXPECT_EQ(f.CloseUps, 4);
    EXPECT_FALSE(f.Box->DroppedDown());
    // Closed by the window system (as when the operator switches to another
    // program), not through the box.
    f.Open();
    f.Box->Box()->view()->window()->close();
    Settle();
    EXPECT_EQ(f.CloseUps, 5);
    EXPECT_FALSE(f.Box->DroppedDown());
    EXPECT_EQ(f.Changes, QStringList{"Bravo"});

    // Enter with the list closed goes to the default button.
    PressKey(Qt::Key_Return, {}, "\r");
    EXPECT_EQ(f.Ok->Clicks, 1);
}

TEST(ComboBox, WithAutoDropDownATypedLetterOpensTheListOnItsEntry) {
    ChoiceForm f;
    PressKey(Qt::Key_C, {}, "c");
    EXPECT_FALSE(f.Box->DroppedDown()); // without AutoDropDown the list stays closed
    f.Changes.clear();
    f.Box->SetItemIndex(0);
    f.Box->SetAutoDropDown(true);
    // Past the time within which letters add up to one search text.
    ProcessEvents(QApplication::keyboardInputInterval() + 50);
    PressKey(Qt::Key_C, {}, "c");
    Settle();
    EXPECT_TRUE(f.Box->DroppedDown());
    EXPECT_TRUE(f.Changes.isEmpty()); // marked in the list, not yet picked
    PressKey(Qt::Key_Return, {}, "\r");
    Settle();
    EXPECT_EQ(f.Changes, QStringList{"Charlie"});
}

TEST(EditCase, TypedAndPastedTextTakeTheEditsLetterCase) {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    edit->SetCharCase(ecUpperCase);
    edit->Editor()->insert("vis à bois");
    EXPECT_EQ(edit->Text(), "VIS À BOIS");
    edit->SetCharCase(ecLowerCase);
    EXPECT_EQ(edit->Text(), "vis à bois");
    edit->Editor()->insert(" INOX");
    EXPECT_EQ(edit->Text(), "vis à bois inox");
    edit->SetCharCase(ecNormal);
    edit->Editor()->insert(" A2");
    EXPECT_EQ(edit->Text(), "vis à bois inox A2");
}
