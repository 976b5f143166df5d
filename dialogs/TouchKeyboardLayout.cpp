// Layout of the touch keyboard: AZERTY on a grid of 12 keys by 4 rows, in
// quarters of a key so that the bottom row can hold wider keys. The accents
// page puts each accented letter on the key of its plain letter (é on e, ç
// on c, ï under î) and hides the keys that have none.
#include "dialogs/TouchKeyboard.h"

#include "tiles/AdvMetroTile.h"
#include "tiles/Glyphs.h"

namespace tallivo {

namespace {

using TAction = TTouchKeyboard::TAction;
using TKeyDesign = TTouchKeyboard::TKeyDesign;

// A character key of a letter row: column in whole keys.
constexpr TKeyDesign Letter(const char* name, int row, int column, const char* plain,
                            const char* accented = "") {
    return {name, row, column * 4, 4, TAction::Character, plain, accented};
}

// One row of keys per line.
// clang-format off
constexpr TKeyDesign kKeys[] = {
    Letter("Key1", 0, 0, "1", "1"), Letter("Key2", 0, 1, "2", "2"), Letter("Key3", 0, 2, "3", "3"),
    Letter("Key4", 0, 3, "4", "4"), Letter("Key5", 0, 4, "5", "5"), Letter("Key6", 0, 5, "6", "6"),
    Letter("Key7", 0, 6, "7", "7"), Letter("Key8", 0, 7, "8", "8"), Letter("Key9", 0, 8, "9", "9"),
    Letter("Key0", 0, 9, "0", "0"),
    {"EraseKey", 0, 40, 4, TAction::Erase, "DEL", "DEL"},
    {"ClearKey", 0, 44, 4, TAction::Clear, "", ""},

    Letter("KeyA", 1, 0, "a", "à"), Letter("KeyZ", 1, 1, "z", "â"), Letter("KeyE", 1, 2, "e", "é"),
    Letter("KeyR", 1, 3, "r", "è"), Letter("KeyT", 1, 4, "t", "ê"), Letter("KeyY", 1, 5, "y", "ë"),
    Letter("KeyU", 1, 6, "u", "ù"), Letter("KeyI", 1, 7, "i", "î"), Letter("KeyO", 1, 8, "o", "ô"),
    Letter("KeyP", 1, 9, "p", "û"), Letter("KeyMinus", 1, 10, "-", "-"), Letter("KeyQuote", 1, 11, "'", "'"),

    Letter("KeyQ", 2, 0, "q"), Letter("KeyS", 2, 1, "s"), Letter("KeyD", 2, 2, "d"), Letter("KeyF", 2, 3, "f"),
    Letter("KeyG", 2, 4, "g"), Letter("KeyH", 2, 5, "h"), Letter("KeyJ", 2, 6, "j"),
    Letter("KeyK", 2, 7, "k", "ï"), Letter("KeyL", 2, 8, "l"), Letter("KeyM", 2, 9, "m"),
    Letter("KeyDot", 2, 10, ".", "."), Letter("KeyUnderscore", 2, 11, "_", "_"),

    {"ShiftKey", 3, 0, 6, TAction::Shift, "Maj", "Maj"},
    {"KeyW", 3, 6, 4, TAction::Character, "w", ""},
    {"KeyX", 3, 10, 4, TAction::Character, "x", ""},
    {"KeyC", 3, 14, 4, TAction::Character, "c", "ç"},
    {"KeyV", 3, 18, 4, TAction::Character, "v", ""},
    {"KeyB", 3, 22, 4, TAction::Character, "b", ""},
    {"KeyN", 3, 26, 4, TAction::Character, "n", ""},
    {"SpaceKey", 3, 30, 8, TAction::Character, " ", " "},
    {"AccentsKey", 3, 38, 5, TAction::Accents, "àéç", "abc"},
    {"EnterKey", 3, 43, 5, TAction::Enter, "Entrée", "Entrée"},
};
// clang-format on

// Keys as the keypad's: white with black text, blue while pressed; the
// current page's "Maj" and "àéç" keep the pressed look.
void StyleKey(TAdvMetroTile* t) {
    t->Appearance().Assign(
        {clWhite, clWhite, clBlack, clWhite, clWhite, clBlack, 15907840, 15907840, clBlack});
    t->SetBorderStyle(bsNone);
    t->SetLayout(tlPicBackground);
    t->SetPictureAutoSize(false);
}

} // namespace

void TTouchKeyboard::CreateLayout() {
    SetBevelOuter(bvNone);
    SetCaption({});
    SetColor(clInactiveCaption);
    SetParentBackground(false);
    for (const TKeyDesign& k : kKeys) {
        auto* tile = new TAdvMetroTile(this);
        tile->SetName(QString::fromLatin1(k.Name));
        StyleKey(tile);
        switch (k.Action) {
        case TAction::Character:
            tile->OnClick = [this](TObject* s) { CharacterKeyClick(s); };
            break;
        case TAction::Erase:
            tile->OnClick = [this](TObject* s) { EraseKeyClick(s); };
            EraseKey = tile;
            break;
        case TAction::Clear:
            tile->OnClick = [this](TObject* s) { ClearKeyClick(s); };
            ClearKey = tile;
            break;
        case TAction::Shift:
            tile->OnClick = [this](TObject* s) { ShiftKeyClick(s); };
            ShiftKey = tile;
            break;
        case TAction::Accents:
            tile->OnClick = [this](TObject* s) { AccentsKeyClick(s); };
            AccentsKey = tile;
            break;
        case TAction::Enter:
            tile->OnClick = [this](TObject* s) { EnterKeyClick(s); };
            EnterKey = tile;
            break;
        }
        tile->SetParent(this);
        FKeys.push_back({&k, tile});
    }
    // The broom empties the field, as on the keypad.
    ClearKey->SetLayout(tlPicLeft);
    ClearKey->Picture().ReadData(GlyphPng(TGlyph::Broom32));
    // "Entrée" confirms: the colours of the dialogs' "Ok".
    EnterKey->Appearance().Assign(
        {13805568, 13805568, clWhite, 15907840, 15907840, clWhite, clWhite, 13805568, 15907840});
    ShowPage();
}

} // namespace tallivo
