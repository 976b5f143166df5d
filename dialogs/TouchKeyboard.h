#pragma once
// TTouchKeyboard: the workstation's on-screen keyboard for a text field
// (the search field of "Recherche", the export's file name), for a till that
// has only a touch screen and a scanner. AZERTY with a row of digits, large
// keys, the French accented letters on a page of their own ("àéç"), capitals
// with "Maj". Like the keypad's digit tiles, its key tiles never take the
// focus: each tap injects a keystroke into the field, which keeps the focus,
// so a physical keyboard or a scanner still types into the same field and
// never into the keyboard. It is a panel of the dialog it serves, laid out
// beside the field, never a window of its own over another one.

#include "toolkit/ExtCtrls.h"

#include <cstdint>
#include <vector>

class QLineEdit;

namespace tallivo {

class TAdvMetroTile;
class TSaveDialog;

class TTouchKeyboard : public TPanel {
public:
    explicit TTouchKeyboard(TComponent* AOwner);

    // Keys at their full size: 12 columns of 82 pixels, 4 rows of 62 (96 dpi),
    // within a margin of 8; below that the keys shrink with the room they
    // get, down to the least height.
    static constexpr int kFullWidth = 12 * 82 + 16 - 6;
    static constexpr int kFullHeight = 4 * 62 + 16 - 6;
    static constexpr int kLeastHeight = 4 * 40 + 16 - 6;
    // The height to give the keyboard when room pixels are left for it.
    static int HeightFor(int room);

    // The field the keys type into. A tap gives it the focus first when
    // another control of its window holds it (the list of the file dialog).
    QLineEdit* Target() const { return FTarget; }
    void SetTarget(QLineEdit* field) { FTarget = field; }
    // For a field that turns every letter into a capital: the keys show
    // capitals and "Maj" is switched off.
    bool CapitalsOnly() const { return FCapitalsOnly; }
    void SetCapitalsOnly(bool v);
    // "Maj" pressed: capitals until it is pressed again.
    bool Shifted() const { return FShifted; }
    // The accented letters are shown instead of the plain ones.
    bool AccentsShown() const { return FAccents; }

    // The visible tile that types c (letter case ignored); null when the
    // page shown has none.
    TAdvMetroTile* KeyOf(QChar c) const;
    TAdvMetroTile* EraseKey = nullptr;   // "DEL": the character before the caret
    TAdvMetroTile* ClearKey = nullptr;   // broom: empties the field
    TAdvMetroTile* ShiftKey = nullptr;   // "Maj"
    TAdvMetroTile* AccentsKey = nullptr; // "àéç" / "abc": switches the page
    TAdvMetroTile* EnterKey = nullptr;   // "Entrée": what Enter does in the dialog

    QSize sizeHint() const override { return {kFullWidth, kFullHeight}; }
    QSize minimumSizeHint() const override;

    // Handlers.
    void CharacterKeyClick(TObject* Sender);
    void EraseKeyClick(TObject* Sender);
    void ClearKeyClick(TObject* Sender);
    void ShiftKeyClick(TObject* Sender);
    void AccentsKeyClick(TObject* Sender);
    void EnterKeyClick(TObject* Sender);

    // One key of the layout (TouchKeyboardLayout.cpp): its place on a grid
    // of 48 quarter columns and 4 rows, and what it types on each page.
    enum class TAction { Character, Erase, Clear, Shift, Accents, Enter };
    struct TKeyDesign {
        const char* Name;
        int Row, Column, Span; // column and span in quarters of a key
        TAction Action;
        const char* Plain;    // the character on the plain page, or the caption
        const char* Accented; // the character on the accents page ("": hidden there)
    };

protected:
    void AlignControls(TRect& Rect) override;

private:
    struct TKeySlot {
        const TKeyDesign* Design;
        TAdvMetroTile* Tile;
    };
    void CreateLayout();
    // Captions, visibility and the down look of "Maj" and "àéç" for the page.
    void ShowPage();
    // What the slot's tile types on the page shown (null when hidden there).
    QChar CharacterOf(const TKeySlot& slot) const;
    void FocusTarget();
    void TypeKey(std::uint8_t vk);

    std::vector<TKeySlot> FKeys;
    QLineEdit* FTarget = nullptr;
    bool FCapitalsOnly = false;
    bool FShifted = false;
    bool FAccents = false;
};

// Gives the save dialog a touch keyboard for its file name, under its own
// controls, and a size that leaves room for it within the main window.
void AttachTouchKeyboard(TSaveDialog& dialog);

} // namespace tallivo
