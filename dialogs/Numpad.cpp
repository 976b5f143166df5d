#include "dialogs/Numpad.h"

#include "base/FormatSettings.h"
#include "tiles/AdvMetroTile.h"
#include "toolkit/Platform.h"
#include "toolkit/StdCtrls.h"

namespace tallivo {

TNumPadBox* NumPadBox = nullptr;

namespace {

// Makes the system believe that virtual key vk was pressed and released: the
// focused control (the edit) receives it as a real keystroke.
void TypeKey(std::uint8_t vk) {
    const auto scan = std::uint8_t(MapVirtualKey(vk, MAPVK_VK_TO_VSC));
    keybd_event(vk, scan, 0, 0);
    keybd_event(vk, scan, KEYEVENTF_KEYUP, 0);
}

} // namespace

TNumPadBox::TNumPadBox(TComponent* AOwner) : TForm(AOwner) {
    CreateLayout();
    DoCreate();
}

TNumPadBox::~TNumPadBox() {
    if (NumPadBox == this) NumPadBox = nullptr;
}

void TNumPadBox::FormActivate(TObject*) {
    BringToFront();
    // Caret to the end of the text, without a selection.
    TypeKey(VK_RIGHT);
}

void TNumPadBox::Edit1KeyDown(TObject*, TKey& Key, TShiftState) {
    if (Key == VK_RETURN) SetModalResult(mrOk);
}

void TNumPadBox::Edit1KeyPress(TObject*, QChar& Key) {
    if (Key == u'.' || Key == u',') Key = FormatSettings().DecimalSeparator;
}

void TNumPadBox::AdvMetroTile30Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 7);
}
void TNumPadBox::AdvMetroTile31Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 8);
}
void TNumPadBox::AdvMetroTile32Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 9);
}
void TNumPadBox::AdvMetroTile35Click(TObject*) {
    Edit1->SetText(QString());
}
void TNumPadBox::AdvMetroTile27Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 4);
}
void TNumPadBox::AdvMetroTile28Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 5);
}
void TNumPadBox::AdvMetroTile29Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 6);
}
void TNumPadBox::AdvMetroTile24Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 1);
}
void TNumPadBox::AdvMetroTile25Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 2);
}
void TNumPadBox::AdvMetroTile26Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 3);
}
void TNumPadBox::AdvMetroTile3Click(TObject*) {
    TypeKey(VK_BACK);
}
void TNumPadBox::AdvMetroTile33Click(TObject*) {
    TypeKey(VK_NUMPAD0);
}

void TNumPadBox::AdvMetroTile34Click(TObject*) {
    if (AdvMetroTile34->Tag() <= 0) TypeKey(VK_DECIMAL);
}

void TNumPadBox::AdvMetroTile2Click(TObject*) {
    if (AdvMetroTile2->Tag() <= 0 && Edit1->Text().isEmpty()) TypeKey(VK_SUBTRACT);
}

} // namespace tallivo
