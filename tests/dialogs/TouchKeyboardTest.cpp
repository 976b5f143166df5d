// The touch keyboard typing into its field: capitals, the accents page,
// erasing, and the focus brought back to the field it serves.
#include "dialogs/TouchKeyboard.h"
#include "DialogTestUtil.h"
#include "tiles/AdvMetroTile.h"
#include "toolkit/StdCtrls.h"

#include <QLineEdit>
#include <gtest/gtest.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

void Tap(TAdvMetroTile* key) {
    ASSERT_NE(key, nullptr) << "no such key on the page shown";
    Click(key);
    Settle();
}

} // namespace

TEST(TouchKeyboard, TypesCapitalsAndAccentsIntoItsFieldWhereverTheFocusWas) {
    TForm form(nullptr);
    form.SetClientSize(1000, 340);
    auto* field = new TEdit(&form);
    field->SetParent(&form);
    auto* other = new TEdit(&form);
    other->SetParent(&form);
    other->SetTop(40);
    auto* keyboard = new TTouchKeyboard(&form);
    keyboard->SetParent(&form);
    keyboard->SetTop(80);
    keyboard->SetTarget(field->Editor());
    ShowAndActivate(&form);
    other->SetFocus();

    TTouchKeyboard& k = *keyboard;
    Tap(k.ShiftKey);
    Tap(k.KeyOf(u'p'));
    Tap(k.ShiftKey);
    Tap(k.AccentsKey);
    Tap(k.KeyOf(u'ê'));
    // Back on the plain letters after one accented letter.
    for (const QChar c : QStringLiteral("chx")) Tap(k.KeyOf(c));
    Tap(k.EraseKey);
    Tap(k.KeyOf(u'e'));
    EXPECT_EQ(field->Text(), QStringLiteral("Pêche"));
    EXPECT_TRUE(other->Text().isEmpty());
    EXPECT_TRUE(field->Editor()->hasFocus()) << "the keys never take the focus";

    Tap(k.ClearKey);
    EXPECT_TRUE(field->Text().isEmpty());
    // For a field of capitals the keys show them and "Maj" is off.
    k.SetCapitalsOnly(true);
    EXPECT_FALSE(k.ShiftKey->Enabled());
    EXPECT_EQ(k.KeyOf(u'à'), nullptr);
    Tap(k.AccentsKey);
    EXPECT_EQ(k.KeyOf(u'à')->Caption(), QStringLiteral("À"));
    Tap(k.KeyOf(u'à'));
    EXPECT_EQ(field->Text(), QStringLiteral("À"));
}
