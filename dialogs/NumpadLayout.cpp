// Layout of the numeric keypad dialog, as designed at 96 dots per inch.
#include "dialogs/Numpad.h"

#include "tiles/AdvMetroTile.h"
#include "tiles/Glyphs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

namespace tallivo {

namespace {

using TClickHandler = void (TNumPadBox::*)(TObject*);

// The key tiles inside Panel1, as designed (including the one-pixel
// differences between rows).
struct KeyTile {
    TAdvMetroTile* TNumPadBox::*Field;
    const char* Name;
    const char* Caption;
    int Left, Top, Width, Height;
    TClickHandler Handler;
};

constexpr KeyTile kKeyTiles[] = {
    {&TNumPadBox::AdvMetroTile30, "AdvMetroTile30", "7", 4, 3, 84, 69, &TNumPadBox::AdvMetroTile30Click},
    {&TNumPadBox::AdvMetroTile31, "AdvMetroTile31", "8", 94, 4, 84, 69, &TNumPadBox::AdvMetroTile31Click},
    {&TNumPadBox::AdvMetroTile32, "AdvMetroTile32", "9", 184, 4, 84, 69, &TNumPadBox::AdvMetroTile32Click},
    {&TNumPadBox::AdvMetroTile35, "AdvMetroTile35", "", 274, 4, 84, 144, &TNumPadBox::AdvMetroTile35Click},
    {&TNumPadBox::AdvMetroTile27, "AdvMetroTile27", "4", 4, 78, 84, 69, &TNumPadBox::AdvMetroTile27Click},
    {&TNumPadBox::AdvMetroTile28, "AdvMetroTile28", "5", 94, 79, 84, 69, &TNumPadBox::AdvMetroTile28Click},
    {&TNumPadBox::AdvMetroTile29, "AdvMetroTile29", "6", 184, 79, 84, 69, &TNumPadBox::AdvMetroTile29Click},
    {&TNumPadBox::AdvMetroTile24, "AdvMetroTile24", "1", 4, 153, 84, 69, &TNumPadBox::AdvMetroTile24Click},
    {&TNumPadBox::AdvMetroTile25, "AdvMetroTile25", "2", 94, 153, 84, 69, &TNumPadBox::AdvMetroTile25Click},
    {&TNumPadBox::AdvMetroTile26, "AdvMetroTile26", "3", 184, 154, 84, 69, &TNumPadBox::AdvMetroTile26Click},
    {&TNumPadBox::AdvMetroTile3, "AdvMetroTile3", "DEL", 274, 154, 84, 143, &TNumPadBox::AdvMetroTile3Click},
    {&TNumPadBox::AdvMetroTile33, "AdvMetroTile33", "0", 4, 228, 84, 69, &TNumPadBox::AdvMetroTile33Click},
    {&TNumPadBox::AdvMetroTile34, "AdvMetroTile34", ",", 94, 228, 84, 69, &TNumPadBox::AdvMetroTile34Click},
    {&TNumPadBox::AdvMetroTile2, "AdvMetroTile2", "-", 184, 228, 84, 69, &TNumPadBox::AdvMetroTile2Click},
};

TAdvMetroTile* MakeTile(TNumPadBox* form, TWinControl* parent, const char* name, const QString& caption,
                        int l, int t, int w, int h) {
    auto* tile = new TAdvMetroTile(form);
    tile->SetName(QString::fromLatin1(name));
    tile->SetBounds(l, t, w, h);
    tile->SetCaption(caption);
    tile->SetParent(parent);
    return tile;
}

// Key tiles: white with black text, white outline, blue while pressed.
void StyleKeyTile(TAdvMetroTile* t) {
    TMetroTileAppearance& a = t->Appearance();
    a.SetBorderColor(clWhite);
    a.SetHoverColor(clWhite);
    a.SetHoverBorderColor(clWhite);
    a.SetHoverTextColor(clBlack);
    a.SetDownColor(15907840);
    a.SetDownBorderColor(15907840);
    a.SetDownTextColor(clBlack);
    t->SetBorderStyle(bsNone);
    t->Font() = TFont(QStringLiteral("Segoe UI Semibold"), -29, clBlack);
    t->SetPictureAutoSize(false);
    t->SetLayout(tlPicBackground);
}

} // namespace

void TNumPadBox::CreateLayout() {
    SetName(QStringLiteral("NumPadBox"));
    SetCaption(QStringLiteral("Quantité"));
    SetBorderStyle(bsDialog);
    SetBorderIcons(0);
    SetPosition(poOwnerFormCenter);
    SetClientSize(545, 427);
    SetColor(clInactiveCaption);
    Font() = TFont(QStringLiteral("Tahoma"), -11, clWindowText);
    OnActivate = [this](TObject* s) { FormActivate(s); };

    Label14 = new TLabel(this);
    Label14->SetName(QStringLiteral("Label14"));
    Label14->SetAutoSize(false);
    Label14->SetBounds(38, 32, 101, 29);
    Label14->SetAlignment(taRightJustify);
    Label14->SetTransparent(false);
    Label14->SetColor(clWhite);
    Label14->Font() = TFont(QStringLiteral("Calibri Light"), -27, clBlack);
    Label14->SetCaption(QStringLiteral("Quantité"));
    Label14->SetParent(this);

    // The only control that takes the focus: the key tiles type into it.
    Edit1 = new TEdit(this);
    Edit1->SetName(QStringLiteral("Edit1"));
    Edit1->SetBounds(157, 29, 227, 40);
    Edit1->SetAutoSelect(false);
    Edit1->SetBorderStyle(0);
    Edit1->SetColor(16579836);
    Edit1->Font() = TFont(QStringLiteral("Arial"), -29, clBlack, fsBold);
    Edit1->OnKeyDown = [this](TObject* s, TKey& k, TShiftState sh) { Edit1KeyDown(s, k, sh); };
    Edit1->OnKeyPress = [this](TObject* s, QChar& k) { Edit1KeyPress(s, k); };
    Edit1->SetParent(this);

    Panel1 = new TPanel(this);
    Panel1->SetName(QStringLiteral("Panel1"));
    Panel1->SetBounds(25, 86, 371, 307);
    Panel1->SetBevelOuter(bvNone);
    Panel1->SetCaption(QString());
    Panel1->SetColor(clInactiveCaption);
    Panel1->SetParent(this);

    for (const KeyTile& k : kKeyTiles) {
        TAdvMetroTile* t =
            MakeTile(this, Panel1, k.Name, QString::fromUtf8(k.Caption), k.Left, k.Top, k.Width, k.Height);
        StyleKeyTile(t);
        t->OnClick = [this, handler = k.Handler](TObject* s) { (this->*handler)(s); };
        this->*k.Field = t;
    }
    // The broom: a picture beside the (empty) caption instead of a key name.
    AdvMetroTile35->SetLayout(tlPicLeft);
    AdvMetroTile35->Picture().ReadData(GlyphPng(TGlyph::Broom32));
    AdvMetroTile35->SetPictureMarginHorz(20);
    AdvMetroTile35->SetPictureMarginVert(8);
    AdvMetroTile2->SetLayout(tlPicBottom);
    AdvMetroTile2->SetPictureAutoColor(false);

    AdvMetroTile18 = MakeTile(this, this, "AdvMetroTile18", QStringLiteral("Annuler"), 402, 92, 121, 63);
    {
        AdvMetroTile18->Appearance().Assign(
            {9130941, clHighlight, clWhite, 9130941, 9130941, clWhite, 15907840, 15907840, clWhite});
        AdvMetroTile18->SetBorderStyle(bsNone);
        AdvMetroTile18->Font() = TFont(QStringLiteral("Calibri"), -19, clWhite);
        AdvMetroTile18->SetLayout(tlPicLeft);
        AdvMetroTile18->SetPictureAutoSize(false);
        AdvMetroTile18->Picture().ReadData(GlyphPng(TGlyph::Cross32));
        AdvMetroTile18->SetPictureMarginHorz(10);
        AdvMetroTile18->SetModalResult(mrCancel);
    }

    // A refused scan is said below the tiles, in dark red, until the next key.
    ScanWarning = new TLabel(this);
    ScanWarning->SetName(QStringLiteral("ScanWarning"));
    ScanWarning->SetAutoSize(false);
    ScanWarning->SetBounds(25, 396, 498, 28);
    ScanWarning->SetTransparent(true);
    ScanWarning->SetLayout(tlCenter);
    ScanWarning->Font() = TFont(QStringLiteral("Calibri"), -19, 0x000000C0, fsBold);
    ScanWarning->SetCaption(QStringLiteral("Code-barres lu pendant la saisie de la quantité"));
    ScanWarning->SetVisible(false);
    ScanWarning->SetParent(this);
    // An unusual quantity, at the same place, until it is confirmed or changed.
    QuantityWarning = new TLabel(this);
    QuantityWarning->SetName(QStringLiteral("QuantityWarning"));
    QuantityWarning->SetAutoSize(false);
    QuantityWarning->SetBounds(25, 396, 498, 28);
    QuantityWarning->SetTransparent(true);
    QuantityWarning->SetLayout(tlCenter);
    QuantityWarning->Font() = ScanWarning->Font();
    QuantityWarning->SetCaption(QStringLiteral("Quantité inhabituelle : « Ok » encore pour confirmer"));
    QuantityWarning->SetVisible(false);
    QuantityWarning->SetParent(this);

    AdvMetroTile19 = MakeTile(this, this, "AdvMetroTile19", QStringLiteral("Ok"), 402, 172, 121, 63);
    {
        AdvMetroTile19->Appearance().Assign(
            {13805568, 13805568, clWhite, 15907840, 15907840, clWhite, clWhite, 13805568, 15907840});
        AdvMetroTile19->SetBorderStyle(bsNone);
        AdvMetroTile19->Font() = TFont(QStringLiteral("Calibri"), -19, clWhite);
        AdvMetroTile19->SetLayout(tlPicLeft);
        AdvMetroTile19->SetPictureAutoSize(false);
        AdvMetroTile19->Picture().ReadData(GlyphPng(TGlyph::Check32));
        AdvMetroTile19->SetPictureMarginHorz(20);
        AdvMetroTile19->SetTextMarginHorz(14);
        AdvMetroTile19->SetModalResult(mrOk);
        AdvMetroTile19->OnClick = [this](TObject* s) { AdvMetroTile19Click(s); };
    }
}

} // namespace tallivo
