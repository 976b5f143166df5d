#include "TestButton.h"
#include "base/Exception.h"
#include "tests/support/GuiTestHelpers.h"
#include "toolkit/Platform.h"
#include "toolkit/StdCtrls.h"

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace tallivo;
using namespace tallivo::test;

namespace {

struct Dialog {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TEdit* Edit;
    TTestButton* Ok;
    TTestButton* Hidden;
    std::vector<TKey> KeysSeen;

    Dialog() {
        Form->SetClientSize(300, 200);
        Form->SetBorderStyle(bsDialog);
        Hidden = new TTestButton(Form.get());
        Hidden->SetBounds(10, 100, 80, 30);
        Hidden->Default = true;
        Hidden->ModalResult = mrYes;
        Hidden->SetParent(Form.get());
        Hidden->Hide();
        Ok = new TTestButton(Form.get());
        Ok->SetBounds(100, 100, 80, 30);
        Ok->ModalResult = mrOk;
        Ok->SetParent(Form.get());
        Edit = new TEdit(Form.get());
        Edit->SetBounds(10, 10, 200, 30);
        Edit->SetParent(Form.get());
        Edit->OnKeyDown = [this](TObject*, TKey& key, TShiftState) { KeysSeen.push_back(key); };
    }
};

} // namespace

TEST(ModalLoop, ReturnsTheResultAControlSet) {
    ModalWatchdog watchdog;
    Dialog d;
    d.Form->SetCaption("Question");
    WhenModal([&](TForm* dialog) {
        EXPECT_EQ(dialog, d.Form.get());
        Click(d.Ok);
    });
    EXPECT_EQ(d.Form->ShowModal(), mrOk);
    EXPECT_FALSE(d.Form->isVisible());
    EXPECT_EQ(d.Ok->Clicks, 1);
    // A second show starts again from no result.
    WhenModal([&](TForm* dialog) { dialog->Close(); });
    EXPECT_EQ(d.Form->ShowModal(), mrCancel);
}

TEST(ModalLoop, NestedDialogsUnwindInOrder) {
    ModalWatchdog watchdog;
    Dialog outer, inner;
    QStringList events;
    outer.Ok->OnClick = [&](TObject*) {
        events.append("outer clicked");
        WhenModal([&](TForm* dialog) {
            EXPECT_EQ(dialog, inner.Form.get());
            events.append("inner shown");
            Click(inner.Ok);
        });
        const int r = inner.Form->ShowModal();
        events.append(QString("inner returned %1").arg(r));
        // The outer loop goes on until its own result is set.
        EXPECT_TRUE(outer.Form->Modal());
    };
    outer.Ok->ModalResult = mrNone;
    WhenModal([&](TForm*) { Click(outer.Ok); });
    QTimer::singleShot(300, [&] {
        events.append("outer closing");
        outer.Form->SetModalResult(mrNo);
    });
    EXPECT_EQ(outer.Form->ShowModal(), mrNo);
    EXPECT_EQ(events, QStringList({"outer clicked", "inner shown", "inner returned 1", "outer closing"}));
}

TEST(DialogKeys, EnterClicksTheVisibleDefaultControlInsteadOfTheEdit) {
    Dialog d;
    d.Ok->Default = true;
    ShowAndActivate(d.Form.get());
    d.Edit->SetFocus();
    ProcessEvents();
    ASSERT_TRUE(d.Edit->Focused());

    PressKey(Qt::Key_Return, {}, "\r");
    EXPECT_EQ(d.Ok->Clicks, 1);
    EXPECT_EQ(d.Hidden->Clicks, 0) << "a hidden default control is skipped";
    EXPECT_TRUE(d.KeysSeen.empty()) << "the edit must not see the Enter it lost to the default control";

    // With a modifier held nothing is clicked, and the edit sees the key.
    for (auto mod : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) PressKey(Qt::Key_Return, mod);
    EXPECT_EQ(d.Ok->Clicks, 1);
    EXPECT_EQ(d.KeysSeen.size(), 3u);

    // The numeric block's Enter is Enter as well.
    PressKey(Qt::Key_Enter, Qt::KeypadModifier, "\r");
    EXPECT_EQ(d.Ok->Clicks, 2);
    d.Form->Hide();
}

TEST(DialogKeys, WithoutDefaultControlTheEditSeesEnter) {
    Dialog d;
    ShowAndActivate(d.Form.get());
    d.Edit->SetFocus();
    ProcessEvents();
    PressKey(Qt::Key_Return, {}, "\r");
    EXPECT_EQ(d.Ok->Clicks, 0);
    ASSERT_EQ(d.KeysSeen.size(), 1u);
    EXPECT_EQ(d.KeysSeen[0], VK_RETURN);
    // A disabled default control does not take the key either.
    d.Ok->Default = true;
    d.Ok->SetEnabled(false);
    PressKey(Qt::Key_Return, {}, "\r");
    EXPECT_EQ(d.Ok->Clicks, 0);
    EXPECT_EQ(d.KeysSeen.size(), 2u);
    d.Form->Hide();
}

TEST(Errors, AHandlerExceptionShowsTheDefaultErrorBoxAndTheApplicationGoesOn) {
    MessageBoxRecorder boxes;
    Dialog d;
    d.Ok->OnClick = [](TObject*) { throw EDatabaseError("Champ 'XYZ' non trouvé"); };
    ShowAndActivate(d.Form.get());
    Click(d.Ok);
    Click(d.Ok);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].Text, QString("Champ 'XYZ' non trouvé."));
    EXPECT_EQ(boxes.Boxes()[0].Caption, QString("Tallivo-6"));
    EXPECT_EQ(boxes.Boxes()[0].Flags, unsigned(MB_OK | MB_ICONERROR));
    d.Form->Hide();
}

TEST(Errors, TheFinalFullStopRule) {
    EXPECT_EQ(TApplication::ErrorBoxText("Erreur E/S 5"), QString("Erreur E/S 5."));
    EXPECT_EQ(TApplication::ErrorBoxText("Mismatch in datapacket."), QString("Mismatch in datapacket."));
    // A last character that sorts before "." gets nothing.
    EXPECT_EQ(TApplication::ErrorBoxText("Quitter ,"), QString("Quitter ,"));
    EXPECT_EQ(TApplication::ErrorBoxText("Fin !"), QString("Fin !"));
    EXPECT_EQ(TApplication::ErrorBoxText("Valeur '12'"), QString("Valeur '12'"));
    EXPECT_EQ(TApplication::ErrorBoxText("Terminé"), QString("Terminé."));
    EXPECT_EQ(TApplication::ErrorBoxText(""), QString(""));
}

TEST(Forms, CloseRunsOnCloseAndAnErrorKeepsTheFormOpen) {
    MessageBoxRecorder boxes;
    Dialog d;
    int closes = 0;
    d.Form->OnClose = [&](TObject*, TCloseAction&) {
        if (++closes == 1) throw EInOutError("Accès au fichier refusé", 13);
    };
    ShowAndActivate(d.Form.get());
    d.Form->close(); // as from the window frame
    ProcessEvents();
    EXPECT_TRUE(d.Form->isVisible());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, QString("Accès au fichier refusé."));
    d.Form->close();
    ProcessEvents();
    EXPECT_FALSE(d.Form->isVisible());
    EXPECT_EQ(closes, 2);
}

// The export's file dialog is Qt's: its buttons speak French like the
// windows once Qt's French texts are installed.
TEST(QtTexts, TheFileDialogSpeaksFrench) {
    ASSERT_TRUE(InstallFrenchQtTexts()) << "the Qt translations (qt6-translations-l10n) are missing";
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Save"), QStringLiteral("&Enregistrer"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "File &name:"), QStringLiteral("&Nom de fichier :"));
}
