#include "dialogs/DeliberateAnswer.h"
#include "dialogs/Numpad.h"
#include "DialogTestUtil.h"
#include "base/FormatSettings.h"
#include "tiles/AdvMetroTile.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// A keypad shown (not modally) and active, as the operator gets it.
class NumpadTest : public testing::Test {
protected:
    void SetUp() override {
        ParkPointer();
        Pad = std::make_unique<TNumPadBox>(nullptr);
    }
    void TearDown() override {
        Pad.reset();
        FormatSettings().DecimalSeparator = u',';
    }

    void Open() {
        ShowAndActivate(Pad.get());
        Settle();
    }
    // A tap on a tile, and the keystrokes it injects delivered.
    void Tap(TAdvMetroTile* tile) {
        Click(tile);
        Settle();
    }
    void TapAll(std::initializer_list<TAdvMetroTile*> tiles) {
        for (TAdvMetroTile* t : tiles) Tap(t);
    }
    QString Text() const { return Pad->Edit1->Text(); }
    // A key from a keyboard, stamped by the window system at ms (0: no stamp).
    static void KeyAt(uint64_t ms, int key, const QString& text = {}, Qt::KeyboardModifiers mods = {}) {
        QWidget* target = QApplication::focusWidget();
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(type, key, mods, text);
            e.setTimestamp(ms);
            QApplication::sendEvent(target, &e);
        }
    }
    // Each character of code, then Enter, gap ms apart from ms on; capitals
    // with Shift as a scanner types them.
    static void Scan(const QString& code, uint64_t ms, uint64_t gap = 2) {
        for (const QChar c : code) {
            const bool capital = c.isUpper();
            if (capital) KeyAt(ms, Qt::Key_Shift, {}, Qt::ShiftModifier);
            const int key = c.isDigit()    ? Qt::Key_0 + c.digitValue()
                            : c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - u'A')
                                           : Qt::Key_Minus;
            KeyAt(ms, key, QString(c), capital ? Qt::ShiftModifier : Qt::NoModifier);
            ms += gap;
        }
        KeyAt(ms, Qt::Key_Return, "\r");
    }
    // Runs keys on the keypad shown modally; the modal result.
    int WhileOpen(const std::function<void()>& keys) {
        ModalWatchdog watchdog;
        WhenModal([&](TForm*) {
            Settle();
            keys();
            Settle();
            if (Pad->ModalResult() == mrNone) {
                FStayedOpen = true;
                FTextWhileOpen = Text();
                FWarned = Pad->ScanWarning->Visible();
                Tap(Pad->AdvMetroTile19);
            }
        });
        FStayedOpen = FWarned = false;
        return Pad->ShowModal();
    }
    bool EditHasFocus() const { return QApplication::focusWidget() == Pad->Edit1->Editor(); }

    std::unique_ptr<TNumPadBox> Pad;
    bool FStayedOpen = false, FWarned = false;
    QString FTextWhileOpen;
};

} // namespace

TEST_F(NumpadTest, EveryDigitTileTypesItsDigitIntoTheFocusedEdit) {
    Open();
    ASSERT_TRUE(EditHasFocus());
    TNumPadBox& p = *Pad;
    TapAll({p.AdvMetroTile30, p.AdvMetroTile31, p.AdvMetroTile32, p.AdvMetroTile27, p.AdvMetroTile28,
            p.AdvMetroTile29, p.AdvMetroTile24, p.AdvMetroTile25, p.AdvMetroTile26, p.AdvMetroTile33});
    EXPECT_EQ(Text(), "7894561230");
    EXPECT_TRUE(EditHasFocus());
    // Two quick taps on the same key type it twice.
    DoubleClick(p.AdvMetroTile28);
    Settle();
    EXPECT_EQ(Text(), "789456123055");
}

TEST_F(NumpadTest, APhysicalKeyboardTypesIntoTheSameFieldWithTheSeparatorForPointAndComma) {
    Open();
    PressKey(Qt::Key_3, Qt::NoModifier, "3");
    PressKey(Qt::Key_Period, Qt::NoModifier, ".");
    PressKey(Qt::Key_2, Qt::KeypadModifier, "2");
    PressKey(Qt::Key_Comma, Qt::NoModifier, ",");
    PressKey(Qt::Key_Period, Qt::KeypadModifier, ".");
    EXPECT_EQ(Text(), "3,2,,");
    // Other characters pass unchanged; letters are not refused.
    PressKey(Qt::Key_A, Qt::NoModifier, "a");
    PressKey(Qt::Key_Minus, Qt::NoModifier, "-");
    EXPECT_EQ(Text(), "3,2,,a-");

    FormatSettings().DecimalSeparator = u'.';
    Pad->Edit1->Clear();
    PressKey(Qt::Key_Comma, Qt::NoModifier, ",");
    EXPECT_EQ(Text(), ".");
}

TEST_F(NumpadTest, TheMinusTileTypesOnlyWhileItsTagIsZeroOrLessAndTheFieldIsEmpty) {
    Pad->AdvMetroTile2->SetTag(1);
    Open();
    Tap(Pad->AdvMetroTile2);
    EXPECT_EQ(Text(), "");
    EXPECT_TRUE(EditHasFocus());

    Pad->AdvMetroTile2->SetTag(0);
    Tap(Pad->AdvMetroTile2);
    EXPECT_EQ(Text(), "-");
    Tap(Pad->AdvMetroTile2);
    EXPECT_EQ(Text(), "-");
    Tap(Pad->AdvMetroTile24);
    Tap(Pad->AdvMetroTile2);
    EXPECT_EQ(Text(), "-1");

    Pad->Edit1->Clear();
    Pad->AdvMetroTile2->SetTag(-3);
    Tap(Pad->AdvMetroTile2);
    EXPECT_EQ(Text(), "-");
}

TEST_F(NumpadTest, TheCommaTileTypesTheLocalesSeparatorAsOftenAsTappedWhileItsTagAllows) {
    Open();
    TapAll({Pad->AdvMetroTile24, Pad->AdvMetroTile25, Pad->AdvMetroTile34, Pad->AdvMetroTile28});
    EXPECT_EQ(Text(), "12,5");
    // A second separator is kept: rejecting it is the caller's conversion.
    Tap(Pad->AdvMetroTile34);
    EXPECT_EQ(Text(), "12,5,");

    Pad->AdvMetroTile34->SetTag(1);
    Tap(Pad->AdvMetroTile34);
    EXPECT_EQ(Text(), "12,5,");

    // The minus tile's Tag does not switch the comma.
    Pad->AdvMetroTile34->SetTag(0);
    Pad->AdvMetroTile2->SetTag(1);
    FormatSettings().DecimalSeparator = u'.';
    Pad->Edit1->Clear();
    TapAll({Pad->AdvMetroTile24, Pad->AdvMetroTile34, Pad->AdvMetroTile28});
    EXPECT_EQ(Text(), "1.5");
}

TEST_F(NumpadTest, TheBroomEmptiesTheFieldAndDelRemovesTheCharacterBeforeTheCaret) {
    Open();
    TapAll({Pad->AdvMetroTile24, Pad->AdvMetroTile25, Pad->AdvMetroTile26});
    ASSERT_EQ(Text(), "123");
    PressKey(Qt::Key_Left);
    Tap(Pad->AdvMetroTile3);
    EXPECT_EQ(Text(), "13");
    EXPECT_EQ(Pad->Edit1->SelStart(), 1);
    Tap(Pad->AdvMetroTile3);
    EXPECT_EQ(Text(), "3");
    // At the start of the text there is nothing before the caret.
    Tap(Pad->AdvMetroTile3);
    EXPECT_EQ(Text(), "3");

    TapAll({Pad->AdvMetroTile33, Pad->AdvMetroTile34});
    EXPECT_EQ(Text(), "0,3");
    Tap(Pad->AdvMetroTile35);
    EXPECT_EQ(Text(), "");
    EXPECT_TRUE(EditHasFocus());
    // Typing goes on after the broom.
    Tap(Pad->AdvMetroTile30);
    EXPECT_EQ(Text(), "7");
}

TEST_F(NumpadTest, TheFocusNeverLeavesTheEdit) {
    Open();
    ASSERT_TRUE(EditHasFocus());
    TNumPadBox& p = *Pad;
    p.AdvMetroTile2->SetTag(1);
    for (TAdvMetroTile* t : {p.AdvMetroTile30, p.AdvMetroTile35, p.AdvMetroTile3, p.AdvMetroTile2,
                             p.AdvMetroTile34, p.AdvMetroTile33}) {
        Tap(t);
        EXPECT_TRUE(EditHasFocus()) << t->Name().toStdString();
    }
    // A press on the panel between the tiles or on the label does not take it either.
    Click(p.Panel1, QPoint(90, 300));
    Click(p.Label14);
    Settle();
    EXPECT_TRUE(EditHasFocus());
}

TEST_F(NumpadTest, ActivationPutsTheCaretAfterTheTextWithoutASelection) {
    Pad->Edit1->SetText("8");
    Pad->Edit1->SetSelStart(0);
    Open();
    EXPECT_EQ(Pad->Edit1->SelStart(), 1);
    EXPECT_EQ(Pad->Edit1->SelLength(), 0);
    Tap(Pad->AdvMetroTile31);
    EXPECT_EQ(Text(), "88");
}

TEST_F(NumpadTest, EnterInTheFieldAndOkEndWithOneAnnulerWithTwo) {
    ModalWatchdog watchdog;
    WhenModal([this](TForm*) {
        Tap(Pad->AdvMetroTile27);
        PressKey(Qt::Key_Return);
    });
    EXPECT_EQ(Pad->ShowModal(), mrOk);
    EXPECT_EQ(Text(), "4");

    WhenModal([this](TForm*) {
        Tap(Pad->AdvMetroTile29);
        Tap(Pad->AdvMetroTile19);
    });
    EXPECT_EQ(Pad->ShowModal(), mrOk);
    EXPECT_EQ(Text(), "46");

    bool stillOpen = false;
    WhenModal([&](TForm*) {
        // Escape ends nothing: the keypad has no cancel key.
        PressKey(Qt::Key_Escape);
        Settle();
        stillOpen = Pad->Modal();
        Tap(Pad->AdvMetroTile18);
    });
    EXPECT_EQ(Pad->ShowModal(), mrCancel);
    EXPECT_TRUE(stillOpen);
}

TEST(NumpadCaller, TheWorkstationsQuantityDialogFromCreationToRelease) {
    ModalWatchdog watchdog;
    ParkPointer();
    NumPadBox = new TNumPadBox(Application);
    NumPadBox->AdvMetroTile2->SetTag(1);
    NumPadBox->SetCaption("Quantité");
    NumPadBox->Label14->SetCaption("Quantité");
    WhenModal([](TForm* form) {
        auto* pad = dynamic_cast<TNumPadBox*>(form);
        ASSERT_EQ(pad, NumPadBox);
        EXPECT_EQ(QApplication::focusWidget(), pad->Edit1->Editor());
        for (TAdvMetroTile* t :
             {pad->AdvMetroTile2, pad->AdvMetroTile26, pad->AdvMetroTile34, pad->AdvMetroTile28}) {
            Click(t);
            Settle();
        }
        Click(pad->AdvMetroTile19);
    });
    const int result = NumPadBox->ShowModal();
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(NumPadBox->Edit1->Text(), "3,5");
    QPointer<TNumPadBox> released = NumPadBox;
    NumPadBox->Release();
    RunDeferredDeletes();
    EXPECT_TRUE(released.isNull());
    EXPECT_EQ(NumPadBox, nullptr);
}

TEST_F(NumpadTest, AScanWhileTheKeypadIsOpenIsRefusedAndTheKeypadStays) {
    bool hiddenByTheNextTile = false;
    const int result = WhileOpen([&] {
        Tap(Pad->AdvMetroTile28); // 5, then the next article is scanned
        Scan("3792008224652", 100000);
        Settle();
        ASSERT_EQ(Pad->ModalResult(), mrNone) << "the keypad stays open";
        EXPECT_EQ(Text(), "") << "the code is no quantity";
        EXPECT_TRUE(Pad->ScanWarning->Visible());
        EXPECT_EQ(Pad->ScanWarning->Caption(), QString("Code-barres lu pendant la saisie de la quantité"));
        // The warning is drawn below the tiles, in dark red, and fits.
        const QImage img = Grab(Pad.get());
        const TLabel& w = *Pad->ScanWarning;
        const QRect r(w.Left(), w.Top(), w.Width(), w.Height());
        EXPECT_GT(InkPixels(img, r, clInactiveCaption), 150);
        EXPECT_GE(w.Top(), Pad->Panel1->Top() + Pad->Panel1->Height());
        EXPECT_LE(w.Top() + w.Height(), Pad->ClientHeight());
        TCanvas measure(nullptr);
        measure.Font = w.Font();
        EXPECT_LE(measure.TextWidth(w.Caption()), w.Width());
        // The operator keys the quantity again; the warning goes.
        Tap(Pad->AdvMetroTile26);
        hiddenByTheNextTile = !Pad->ScanWarning->Visible();
        Tap(Pad->AdvMetroTile19);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(Text(), "3");
    EXPECT_TRUE(hiddenByTheNextTile);
}

// Keys that waited in the queue while the keypad was busy arrive all at
// once: their own stamps keep the scanner's pace apart from a person's.
TEST_F(NumpadTest, QueuedKeysAreJudgedByTheirOwnStamps) {
    EXPECT_EQ(WhileOpen([] { Scan("VB4X40", 5000); }), mrOk);
    EXPECT_TRUE(FStayedOpen) << "a scan with capitals (Shift between them) is refused";
    EXPECT_TRUE(FWarned);
    EXPECT_EQ(FTextWhileOpen, "");

    Pad->Edit1->Clear();
    EXPECT_EQ(WhileOpen([] { Scan("1250", 9000, 120); }), mrOk);
    EXPECT_FALSE(FStayedOpen) << "a person's keys, queued, are still a quantity";
    EXPECT_EQ(Text(), "1250");

    // Keys 30 ms apart, faster than anybody types: a slow scanner's.
    Pad->Edit1->Clear();
    EXPECT_EQ(WhileOpen([] { Scan("1234", 20000, 30); }), mrOk);
    EXPECT_TRUE(FStayedOpen);
    EXPECT_EQ(FTextWhileOpen, "");
}

TEST_F(NumpadTest, TilesAreNeverTakenForAScanner) {
    // Five quick taps, then Enter on the keyboard: the tiles' keys carry no
    // stamp and arrive within moments of each other.
    EXPECT_EQ(WhileOpen([this] {
                  for (TAdvMetroTile* t : {Pad->AdvMetroTile24, Pad->AdvMetroTile25, Pad->AdvMetroTile26,
                                           Pad->AdvMetroTile27, Pad->AdvMetroTile28})
                      Click(t);
                  Settle();
                  PressKey(Qt::Key_Return, {}, "\r");
              }),
              mrOk);
    EXPECT_FALSE(FStayedOpen);
    EXPECT_EQ(Text(), "12345");
    // Keys without a stamp that are not the tiles' are timed on arrival:
    // back to back, they are a scanner's.
    Pad->Edit1->Clear();
    EXPECT_EQ(WhileOpen([] { Scan("3792008224652", 0, 0); }), mrOk);
    EXPECT_TRUE(FStayedOpen);
    EXPECT_EQ(FTextWhileOpen, "");
}

// How the whole content arrived decides, not only its Enter: a scanner that
// sends no Enter (or a Tab) and then "Ok", a code of three characters. And
// a quantity above the bound needs a second "Ok" made on purpose.
TEST_F(NumpadTest, ScannedContentIsRefusedAtOkAndAnUnusualQuantityNeedsASecondOk) {
    const auto scanThenOk = [this](const QString& code, int suffix) {
        return WhileOpen([&] {
            uint64_t ms = 40000;
            for (const QChar c : code) KeyAt(ms += 2, Qt::Key_0 + c.digitValue(), QString(c));
            if (suffix) KeyAt(ms += 2, suffix, suffix == Qt::Key_Tab ? "\t" : "\r");
            Settle();
            if (suffix != Qt::Key_Return) Tap(Pad->AdvMetroTile19);
        });
    };
    for (const int suffix : {0, int(Qt::Key_Tab)}) {
        scanThenOk("4006381333931", suffix);
        EXPECT_TRUE(FStayedOpen && FWarned) << "suffix " << suffix;
        EXPECT_EQ(FTextWhileOpen, "");
    }
    scanThenOk("123", Qt::Key_Return);
    EXPECT_TRUE(FStayedOpen && FWarned);

    int64_t now = 1000;
    SetInputClock([&] { return now; });
    struct TRestore {
        ~TRestore() { SetInputClock(nullptr); }
    } restore;
    Pad->Edit1->Clear();
    bool warned = false, takenAtOnce = true;
    ModalWatchdog watchdog;
    WhenModal([&](TForm*) {
        TapAll({Pad->AdvMetroTile24, Pad->AdvMetroTile33, Pad->AdvMetroTile33, Pad->AdvMetroTile33,
                Pad->AdvMetroTile33, Pad->AdvMetroTile33, Pad->AdvMetroTile19});
        warned = Pad->QuantityWarning->Visible() && Pad->ModalResult() == mrNone;
        Tap(Pad->AdvMetroTile19); // a double tap
        takenAtOnce = Pad->ModalResult() != mrNone;
        now += kDeadTimeMs;
        Tap(Pad->AdvMetroTile19);
    });
    EXPECT_EQ(Pad->ShowModal(), mrOk);
    EXPECT_EQ(Text(), "100000");
    EXPECT_TRUE(warned);
    EXPECT_FALSE(takenAtOnce);
    EXPECT_EQ(Pad->QuantityWarning->Caption(), QString("Quantité inhabituelle : « Ok » encore pour confirmer"));
}
