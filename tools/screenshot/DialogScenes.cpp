// The message dialog in both forms and the numeric keypad, as the
// workstation shows them.
#include "Scenes.h"
#include "dialogs/MetroMessage1.h"
#include "dialogs/Numpad.h"
#include "tiles/AdvMetroTile.h"
#include "toolkit/StdCtrls.h"

using namespace tallivo;

TALLIVO_SCENE("message-info", "the message dialog, information form: \"Article inconnu..\" on white") {
    auto* dialog = new TMetroMessage(nullptr);
    dialog->SetMessage(QStringLiteral("Article inconnu.."), false, ColorValue(16777215));
    return dialog;
}

TALLIVO_SCENE("message-ask", "the message dialog, yes/no form: the second emptying question, on pink") {
    auto* dialog = new TMetroMessage(nullptr);
    dialog->SetMessage(QStringLiteral("Initialiser les données collectées ?"), true, ColorValue(12232186));
    return dialog;
}

TALLIVO_SCENE("message-long",
              "the message dialog with a text taller than its label: cut at the label's bottom") {
    auto* dialog = new TMetroMessage(nullptr);
    dialog->SetMessage(QStringLiteral("Le fichier des articles n'a pas pu être lu entièrement : vérifiez le "
                                      "dossier de travail, les droits d'accès et l'espace disque, puis "
                                      "relancez la collecte depuis le début."),
                       false, ColorValue(16777215));
    return dialog;
}

TALLIVO_SCENE("keypad", "the numeric keypad as the workstation opens it, \"Quantité\", with 12,5 keyed") {
    auto* keypad = new TNumPadBox(nullptr);
    keypad->AdvMetroTile2->SetTag(1);
    keypad->SetCaption(QStringLiteral("Quantité"));
    keypad->Label14->SetCaption(QStringLiteral("Quantité"));
    keypad->Edit1->SetText(QStringLiteral("12,5"));
    return keypad;
}
