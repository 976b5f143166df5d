#include "DialogTestUtil.h"
#include "dialogs/DeliberateAnswer.h"
#include "dialogs/MetroMessage1.h"
#include "tiles/AdvMetroTile.h"
#include "tiles/GDIPicture.h"
#include "tiles/Glyphs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPointer>
#include <gtest/gtest.h>
#include <memory>

using namespace tallivo;
using namespace tallivo::test;

namespace {

constexpr TColor kWhite = 16777215;
constexpr TColor kPink = 12232186;
constexpr TColor kTileBlue = 13805568;
constexpr TColor kTilePurple = 7158939;

class MetroMessageTest : public testing::Test {
protected:
    void SetUp() override { ParkPointer(); }
    void TearDown() override { RunDeferredDeletes(); }

    // Calls ShowMetroMessage; once the dialog is active, inside(dialog) runs
    // and must end it.
    bool Show(const QString& text, bool ask, TColor colour, std::function<void(TMetroMessage*)> inside) {
        WhenModal([this, inside = std::move(inside)](TForm* form) {
            auto* dialog = dynamic_cast<TMetroMessage*>(form);
            Shown = dialog;
            if (!dialog) {
                ADD_FAILURE() << "the active modal form is not a message dialog";
                form->SetModalResult(mrCancel);
                return;
            }
            inside(dialog);
        });
        return ShowMetroMessage(text, ask, colour);
    }

    ModalWatchdog Watchdog;
    QPointer<TMetroMessage> Shown;
};

// The picture file an image control shows.
QByteArray IconBytes(TImage* image) {
    auto* png = dynamic_cast<TQorPNGObject*>(image->Picture().Graphic());
    return png ? png->Bytes() : QByteArray();
}

// What the operator sees of a control of the dialog.
QImage ShotOf(TMetroMessage* dialog, TControl* control) {
    return Grab(dialog).copy(QRect(control->Left(), control->Top(), control->Width(), control->Height()));
}

QPoint CentreOf(TControl* c) {
    return {c->Left() + c->Width() / 2, c->Top() + c->Height() / 2};
}

} // namespace

TEST_F(MetroMessageTest, InformationFormShowsTheInformationIconAndOneOkTileThatEnterAnswers) {
    QImage icon;
    const bool answer = Show("Article inconnu..", false, kWhite, [&](TMetroMessage* d) {
        EXPECT_EQ(MetroMessage, d);
        EXPECT_EQ(d->Caption(), "Information");
        EXPECT_EQ(d->Label1->Caption(), "Article inconnu..");
        EXPECT_TRUE(d->Image1->VisibleChain());
        EXPECT_FALSE(d->Image3->isVisible());
        EXPECT_EQ(IconBytes(d->Image1), GlyphPng(TGlyph::Information48));
        EXPECT_TRUE(d->okbutton->isVisible());
        EXPECT_FALSE(d->yesbutton->isVisible());
        EXPECT_FALSE(d->nobutton->isVisible());
        // The icon is painted: a lime disc covers much of its 50 x 51 box.
        icon = ShotOf(d, d->Image1);
        EXPECT_GT(InkPixels(icon, icon.rect(), kWhite), 800);
        // The "Ok" tile shows in its own colour at its designed place.
        EXPECT_EQ(PixelAt(Grab(d), 354 + 20, 172 + 4), kTileBlue);
        PressKey(Qt::Key_Return);
    });
    EXPECT_TRUE(answer);
}

TEST_F(MetroMessageTest, YesNoFormShowsTheQuestionIconAndOuiLeftOfNonAndEnterAnswersYes) {
    QImage infoIcon, questionIcon;
    Show("x", false, kWhite, [&](TMetroMessage* d) {
        infoIcon = ShotOf(d, d->Image1);
        d->SetModalResult(mrOk);
    });
    const bool answer = Show("Quitter ..", true, kWhite, [&](TMetroMessage* d) {
        EXPECT_FALSE(d->okbutton->isVisible());
        EXPECT_TRUE(d->yesbutton->VisibleChain());
        EXPECT_TRUE(d->nobutton->VisibleChain());
        EXPECT_TRUE(d->Image3->VisibleChain());
        EXPECT_FALSE(d->Image1->isVisible());
        EXPECT_EQ(IconBytes(d->Image3), GlyphPng(TGlyph::Question48));
        questionIcon = ShotOf(d, d->Image3);
        // "Non" stands where "Ok" stood, "Oui" to its left.
        EXPECT_EQ(d->nobutton->BoundsRect(), d->okbutton->BoundsRect());
        EXPECT_LE(d->yesbutton->Left() + d->yesbutton->Width(), d->nobutton->Left());
        EXPECT_EQ(d->yesbutton->Top(), d->nobutton->Top());
        const QImage shot = Grab(d);
        EXPECT_EQ(PixelAt(shot, CentreOf(d->yesbutton).x(), d->yesbutton->Top() + 4), kTileBlue);
        EXPECT_EQ(PixelAt(shot, CentreOf(d->nobutton).x(), d->nobutton->Top() + 4), kTilePurple);
        PressKey(Qt::Key_Return);
    });
    EXPECT_TRUE(answer);
    // The two icons differ on screen.
    ASSERT_EQ(infoIcon.size(), questionIcon.size());
    EXPECT_NE(infoIcon, questionIcon);
}

TEST_F(MetroMessageTest, TheTilesAnswerWithTheirResultsAndEscapeDoesNothing) {
    EXPECT_FALSE(Show("Quitter ..", true, kWhite, [](TMetroMessage* d) { Click(d->nobutton); }));
    EXPECT_TRUE(Show("Quitter ..", true, kWhite, [](TMetroMessage* d) { Click(d->yesbutton); }));
    EXPECT_TRUE(Show("Opération terminée", false, kWhite, [](TMetroMessage* d) { Click(d->okbutton); }));

    bool stillOpen = false;
    EXPECT_FALSE(Show("Quitter ..", true, kWhite, [&](TMetroMessage* d) {
        PressKey(Qt::Key_Escape);
        Settle();
        stillOpen = d->Modal() && d->isVisible();
        Click(d->nobutton);
    }));
    EXPECT_TRUE(stillOpen);
    // A dialog closed otherwise (here by the window system) answers no.
    EXPECT_FALSE(Show("Quitter ..", true, kWhite, [](TMetroMessage* d) { d->Close(); }));
}

TEST_F(MetroMessageTest, TheBackgroundIsTheCallersColourAndShowsThroughTheLabel) {
    for (TColor colour : {kPink, kWhite}) {
        Show("Initialiser les données collectées ?", true, colour, [&](TMetroMessage* d) {
            const QImage shot = Grab(d);
            EXPECT_EQ(PixelAt(shot, 2, 2), colour);
            EXPECT_EQ(PixelAt(shot, 480, 240), colour);
            // The label is transparent: its empty bottom-right corner shows
            // the dialog's colour.
            EXPECT_EQ(PixelAt(shot, 92 + 370, 46 + 114), colour);
            // Around the icon as well.
            EXPECT_EQ(PixelAt(shot, 15, 41), colour);
            d->SetModalResult(mrNo);
        });
    }
}

TEST_F(MetroMessageTest, ALongTextIsCutAtTheLabelsBottomEdgeAndTheDialogDoesNotGrow) {
    const QString text =
        "Le fichier des articles n'a pas pu être lu entièrement : vérifiez le dossier de travail, "
        "les droits d'accès et l'espace disque, puis relancez la collecte depuis le début.";
    Show(text, false, kWhite, [&](TMetroMessage* d) {
        // The text needs more height than the label has.
        const QFontMetrics fm(d->Label1->Font().ToQFont());
        EXPECT_GT(fm.boundingRect(QRect(0, 0, 373, 10000), Qt::TextWordWrap, text).height(), 117 + 40);

        EXPECT_EQ(d->Label1->BoundsRect(), Bounds(92, 46, 373, 117));
        EXPECT_EQ(d->ClientWidth(), 483);
        EXPECT_EQ(d->ClientHeight(), 245);
        const QImage shot = Grab(d);
        // Text is drawn down to the label's last rows ...
        EXPECT_GT(InkPixels(shot, QRect(92, 46 + 117 - 12, 373, 12), kWhite), 20);
        // ... and nothing below it, down to the tiles.
        EXPECT_EQ(InkPixels(shot, QRect(80, 46 + 117, 403, 172 - (46 + 117)), kWhite), 0);
        PressKey(Qt::Key_Return);
    });
}

TEST_F(MetroMessageTest, TheDialogIsCentredOnTheMainWindowAndStaysAboveIt) {
    TForm* previousMain = Application->MainForm();
    auto main = std::make_unique<TForm>(nullptr);
    main->SetClientSize(600, 400);
    main->move(30, 120);
    Application->SetMainForm(main.get());
    ShowAndActivate(main.get());

    Show("Quitter ..", true, kWhite, [&](TMetroMessage* d) {
        EXPECT_TRUE(d->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(QApplication::activeModalWidget(), d);
        // Within a few pixels: the dialog is placed before its window frame
        // exists, so half the frame's width is not known then.
        const QPoint want = main->frameGeometry().center();
        const QPoint got = d->frameGeometry().center();
        EXPECT_LE(std::abs(want.x() - got.x()), 3) << got.x() << " vs " << want.x();
        EXPECT_LE(std::abs(want.y() - got.y()), 3) << got.y() << " vs " << want.y();
        Click(d->yesbutton);
    });
    Application->SetMainForm(previousMain);
}

TEST_F(MetroMessageTest, EachCallCreatesItsOwnDialogOwnedByTheApplicationAndReleasesIt) {
    const int before = Application->ComponentCount();
    Show("Quitter ..", true, kWhite, [&](TMetroMessage* d) {
        EXPECT_EQ(d->Owner(), Application);
        EXPECT_EQ(Application->ComponentCount(), before + 1);
        Click(d->yesbutton);
    });
    QPointer<TMetroMessage> first = Shown;
    RunDeferredDeletes();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(Application->ComponentCount(), before);
    EXPECT_EQ(MetroMessage, nullptr);

    // The next call starts from the designed dialog: the question form of the
    // previous one does not carry over.
    Show("Article inconnu..", false, kWhite, [&](TMetroMessage* d) {
        EXPECT_TRUE(d->okbutton->isVisible());
        EXPECT_FALSE(d->nobutton->isVisible());
        EXPECT_FALSE(d->yesbutton->Default());
        EXPECT_TRUE(d->Image1->isVisible());
        PressKey(Qt::Key_Return);
    });
    RunDeferredDeletes();
    EXPECT_TRUE(Shown.isNull());
    EXPECT_EQ(Application->ComponentCount(), before);
}

// A question whose "Oui" destroys counted data is answered only on purpose:
// nothing counts in its first moment (the second tap of a double tap), a
// scanner's Enter never does; a person's Enter then answers. Other
// questions answer at once.
TEST_F(MetroMessageTest, ADestructiveQuestionTakesOnlyAnAnswerMadeOnPurpose) {
    int64_t now = 1000;
    SetInputClock([&] { return now; });
    struct TRestore {
        ~TRestore() { SetInputClock(nullptr); }
    } restore;
    bool openAfterTap = false, openAfterScan = false;
    WhenModal([&](TForm* form) {
        Click(dynamic_cast<TMetroMessage*>(form)->yesbutton);
        PressKey(Qt::Key_Return, {}, "\r");
        Settle();
        openAfterTap = form->ModalResult() == mrNone;
        now += kDeadTimeMs;
        ulong at = 50000;
        for (const QChar c : QStringLiteral("3760123450017\r")) {
            QKeyEvent key(QEvent::KeyPress, c == u'\r' ? int(Qt::Key_Return) : Qt::Key_0 + c.digitValue(),
                          Qt::NoModifier, QString(c));
            key.setTimestamp(at += 2);
            QApplication::sendEvent(form, &key);
        }
        Settle();
        openAfterScan = form->ModalResult() == mrNone;
        PressKey(Qt::Key_Return, {}, "\r");
    });
    EXPECT_TRUE(ShowDestructiveQuestion("Initialiser les données collectées ?", kPink));
    EXPECT_TRUE(openAfterTap) << "a tap or a key in the first moment answered";
    EXPECT_TRUE(openAfterScan) << "a scanner's Enter answered";
    EXPECT_TRUE(Show("Quitter ..", true, kWhite, [](TMetroMessage* d) { Click(d->yesbutton); }));
}
