#pragma once
// TMetroMessage: the flat, touch-sized dialog behind every message and
// question of the workstation, and ShowMetroMessage, the one routine that
// shows it. Two forms: an information with an "Ok" tile, or a question with
// "Oui" and "Non" tiles; the caller chooses the background colour.

#include "base/Colors.h"
#include "toolkit/Forms.h"

#include <QString>

namespace tallivo {

class TAdvMetroTile;
class TImage;
class TLabel;

class TMetroMessage : public TForm {
public:
    explicit TMetroMessage(TComponent* AOwner);
    ~TMetroMessage() override;

    // Controls, by their designed names.
    TLabel* Label1 = nullptr;
    TImage* Image1 = nullptr; // information icon
    TImage* Image3 = nullptr; // question icon, hidden until asked
    TAdvMetroTile* okbutton = nullptr;
    TAdvMetroTile* nobutton = nullptr;
    TAdvMetroTile* yesbutton = nullptr;

    // The shared click handler of the three tiles: the tile has already
    // written its modal result; pending window messages are let through.
    void okbuttonClick(TObject* Sender);

    // Prepares the dialog for one message: the yes/no form when ask is true
    // ("Ok" hidden, "Non" in its place, "Oui" to its left and default, the
    // question icon), the text in Label1 and the background colour. Must be
    // called before the dialog is first shown (the default tile is taken when
    // the window is created).
    void SetMessage(const QString& text, bool ask, TColor colour);

private:
    void CreateLayout();
};

// The dialog of the message being shown (null when none is alive).
extern TMetroMessage* MetroMessage;

// Beeps, shows text in a fresh message dialog owned by the application,
// modally, centred on the main window and above the other windows, and
// releases it. ask selects the yes/no form; colour is the dialog's
// background. True when the answer was "Oui" (6) or "Ok" (1).
bool ShowMetroMessage(const QString& text, bool ask, TColor colour);

// ShowMetroMessage in the yes/no form for a question whose "Oui" destroys
// counted data: answered only on purpose (TDeliberateAnswer: no answer in
// the first moment after it appears, none by a scanner's Enter).
bool ShowDestructiveQuestion(const QString& text, TColor colour);

} // namespace tallivo
