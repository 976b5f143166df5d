#include "dialogs/MetroMessage1.h"

#include "dialogs/DeliberateAnswer.h"
#include "tiles/AdvMetroTile.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Platform.h"
#include "toolkit/StdCtrls.h"

#include <optional>

namespace tallivo {

TMetroMessage* MetroMessage = nullptr;

TMetroMessage::TMetroMessage(TComponent* AOwner) : TForm(AOwner) {
    CreateLayout();
    DoCreate();
}

TMetroMessage::~TMetroMessage() {
    // The module-level pointer never outlives the dialog it names.
    if (MetroMessage == this) MetroMessage = nullptr;
}

void TMetroMessage::okbuttonClick(TObject*) {
    if (Application) Application->ProcessMessages();
}

void TMetroMessage::SetMessage(const QString& text, bool ask, TColor colour) {
    if (ask) {
        okbutton->Hide();
        nobutton->Show();
        yesbutton->Show();
        yesbutton->SetDefault(true);
        Image3->Show();
        Image1->Hide();
    }
    Label1->SetCaption(text);
    SetColor(colour);
}

namespace {

bool ShowMessage(const QString& text, bool ask, TColor colour, bool deliberate) {
    MessageBeep(MB_ICONEXCLAMATION);
    auto* dialog = new TMetroMessage(Application);
    MetroMessage = dialog;
    // Released however the modal loop ends, so no dialog is left behind.
    struct ReleaseAtExit {
        TMetroMessage* Dialog;
        ~ReleaseAtExit() { Dialog->Release(); }
    } release{dialog};
    dialog->SetMessage(text, ask, colour);
    std::optional<TDeliberateAnswer> guard;
    if (deliberate) guard.emplace(dialog);
    const int result = dialog->ShowModal();
    return result == mrYes || result == mrOk;
}

} // namespace

bool ShowMetroMessage(const QString& text, bool ask, TColor colour) {
    return ShowMessage(text, ask, colour, false);
}

bool ShowDestructiveQuestion(const QString& text, TColor colour) {
    return ShowMessage(text, true, colour, true);
}

} // namespace tallivo
