// A scan into a code field that still holds a code starts a new code; keys
// typed by hand are added to the field as ever.
#include "dialogs/CodeFieldScan.h"
#include "DialogTestUtil.h"
#include "toolkit/StdCtrls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

class CodeFieldScanTest : public testing::Test {
protected:
    void SetUp() override {
        FField = new TEdit(&FForm);
        FField->SetParent(&FForm);
        new TCodeFieldScan(FField);
        FField->OnKeyDown = [this](TObject*, TKey& key, TShiftState) {
            if (key == VK_RETURN) FLookedUp = FField->Text();
        };
        ShowAndActivate(&FForm);
        FField->SetFocus();
    }
    // Types text with gapMs between the keys (stamped by the window
    // system), then Enter: the text the field held when Enter came.
    QString Typed(const QString& text, ulong gapMs) {
        for (const QChar c : text) Key(Qt::Key_0 + (c.unicode() - u'0'), QString(c), FAt += gapMs);
        Key(Qt::Key_Return, QStringLiteral("\r"), FAt += gapMs);
        return FLookedUp;
    }
    void Key(int key, const QString& text, ulong at) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
        e.setTimestamp(at);
        QApplication::sendEvent(FField->Editor(), &e);
    }

    TForm FForm{nullptr};
    TEdit* FField = nullptr;
    QString FLookedUp;
    ulong FAt = 100000;
};

} // namespace

TEST_F(CodeFieldScanTest, AScanReplacesALeftCodeAndHandTypingDoesNot) {
    // A code left by a cancelled keypad, then a scan: 2 ms a key.
    FField->SetText(QStringLiteral("3760123450017"));
    EXPECT_EQ(Typed(QStringLiteral("3792008224652"), 2), QStringLiteral("3792008224652"));
    // Digits typed by hand after a code: added to it.
    FField->SetText(QStringLiteral("37601"));
    EXPECT_EQ(Typed(QStringLiteral("23450017"), 150), QStringLiteral("3760123450017"));
    // Digits typed by hand, a pause to pick up the scanner, then a scan.
    FField->SetText({});
    for (const QChar c : QStringLiteral("12")) Key(Qt::Key_0 + (c.unicode() - u'0'), QString(c), FAt += 200);
    FAt += 1500;
    EXPECT_EQ(Typed(QStringLiteral("3792008224652"), 2), QStringLiteral("3792008224652"));
}
