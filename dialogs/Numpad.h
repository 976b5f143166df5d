#pragma once
// TNumPadBox: the on-screen keypad with which the operator keys a quantity.
// Its key tiles do not write into the edit: each one injects the key of the
// keyboard's numeric block, so the edit, which keeps the focus, receives
// ordinary keystrokes and a physical keyboard works the same way. The caller
// reads Edit1's text after the modal loop (modal result 1 for "Ok", 2 for
// "Annuler").
//
// A barcode scanner is a keyboard too: a code scanned while the keypad is
// open would land in the field and its Enter would confirm it as a quantity.
// The whole content of the field is judged by how its characters arrived:
// when any run of them came at a scanner's pace (see TScanBurst), "Ok" or
// Enter refuses it: the field is emptied, the keypad stays open and
// ScanWarning says why. Tiles and hand typing are never refused.
//
// A last guard against any other slip: a quantity above
// MaxPlausibleQuantity is not taken at the first "Ok" (or Enter): the keypad
// says "Quantité inhabituelle" (QuantityWarning) and takes the same
// quantity only at a second "Ok" made on purpose, at least kDeadTimeMs
// later (a double tap or a held Enter confirms nothing; DeliberateAnswer.h).

#include "toolkit/Forms.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace tallivo {

class TAdvMetroTile;
class TEdit;
class TLabel;
class TPanel;

class TNumPadBox : public TForm {
public:
    explicit TNumPadBox(TComponent* AOwner);
    ~TNumPadBox() override;

    // Controls, by their designed names.
    TLabel* Label14 = nullptr;
    TEdit* Edit1 = nullptr;
    TPanel* Panel1 = nullptr;
    TAdvMetroTile* AdvMetroTile18 = nullptr; // "Annuler", modal result 2
    TAdvMetroTile* AdvMetroTile19 = nullptr; // "Ok", modal result 1
    // Key tiles, children of Panel1.
    TAdvMetroTile* AdvMetroTile30 = nullptr; // 7
    TAdvMetroTile* AdvMetroTile31 = nullptr; // 8
    TAdvMetroTile* AdvMetroTile32 = nullptr; // 9
    TAdvMetroTile* AdvMetroTile35 = nullptr; // broom: empties the edit
    TAdvMetroTile* AdvMetroTile27 = nullptr; // 4
    TAdvMetroTile* AdvMetroTile28 = nullptr; // 5
    TAdvMetroTile* AdvMetroTile29 = nullptr; // 6
    TAdvMetroTile* AdvMetroTile24 = nullptr; // 1
    TAdvMetroTile* AdvMetroTile25 = nullptr; // 2
    TAdvMetroTile* AdvMetroTile26 = nullptr; // 3
    TAdvMetroTile* AdvMetroTile3 = nullptr;  // "DEL": Backspace
    TAdvMetroTile* AdvMetroTile33 = nullptr; // 0
    TAdvMetroTile* AdvMetroTile34 = nullptr; // ",": only while its Tag <= 0
    TAdvMetroTile* AdvMetroTile2 = nullptr;  // "-": only while its Tag <= 0 and the edit is empty
    // Below the tiles, shown from a refused scan until the next key.
    TLabel* ScanWarning = nullptr;
    // At the same place, shown from an unusual quantity until it changes.
    TLabel* QuantityWarning = nullptr;

    // Quantities above this need a second "Ok" (the caller sets it; the
    // sign does not matter).
    double MaxPlausibleQuantity = 99999;
    // Called with every refused scan, whichever keypad refused it (the
    // station's sound of a refusal).
    static inline std::function<void()> ScanRefusedHook;

    // Handlers.
    void FormActivate(TObject* Sender);
    void Edit1KeyDown(TObject* Sender, TKey& Key, TShiftState Shift);
    void Edit1KeyPress(TObject* Sender, QChar& Key);
    void AdvMetroTile30Click(TObject* Sender);
    void AdvMetroTile31Click(TObject* Sender);
    void AdvMetroTile32Click(TObject* Sender);
    void AdvMetroTile35Click(TObject* Sender);
    void AdvMetroTile27Click(TObject* Sender);
    void AdvMetroTile28Click(TObject* Sender);
    void AdvMetroTile29Click(TObject* Sender);
    void AdvMetroTile24Click(TObject* Sender);
    void AdvMetroTile25Click(TObject* Sender);
    void AdvMetroTile26Click(TObject* Sender);
    void AdvMetroTile3Click(TObject* Sender);
    void AdvMetroTile33Click(TObject* Sender);
    void AdvMetroTile34Click(TObject* Sender);
    void AdvMetroTile2Click(TObject* Sender);
    void AdvMetroTile19Click(TObject* Sender);

private:
    class TKeyPace;
    void CreateLayout();
    // A tile's key: hides ScanWarning, then injects the key of virtual key vk.
    void TypeKey(std::uint8_t vk);
    void InjectKey(std::uint8_t vk);
    // A scanner's code reached the field: it is no quantity.
    void RefuseScan();
    // "Ok" or Enter: whether the field's content may end the keypad.
    bool OkAccepted();
    // Hides both warnings (a key, or the field changed).
    void HideWarnings();
    TKeyPace* FKeyPace = nullptr;
    // The unusual quantity shown, and since when (ms of FWarningClock).
    QString FUnusualText;
    int64_t FUnusualAt = -1;
};

// The keypad in use, for callers that keep it there (null when none is alive).
extern TNumPadBox* NumPadBox;

} // namespace tallivo
