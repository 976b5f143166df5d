// The "tiles" scene: every tile and picture button of the four windows with
// their designed colours, fonts, pictures and margins, each in its four
// states (normal, under the pointer, pressed, disabled), over the designed
// background of its window.

#include "Scenes.h"
#include "tiles/AdvMetroButton.h"
#include "tiles/AdvMetroTile.h"
#include "tiles/Glyphs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

#include <optional>

using namespace tallivo;

namespace {

enum TGalleryState { gsNormal, gsHover, gsDown, gsDisabled };
const char* const kStateNames[] = {"normal", "hover", "down", "disabled"};

struct TileSpec {
    const char* Caption;
    int Width, Height;
    TColor Color, BorderColor, TextColor;
    TColor HoverColor, HoverBorderColor, HoverTextColor;
    TColor DownColor, DownBorderColor, DownTextColor;
    TBorderStyle Style;
    TFont Font;
    TTileLayout Layout;
    std::optional<TGlyph> Glyph;
    int PictureMarginHorz = 2, PictureMarginVert = 2, TextMarginHorz = 2, TextMarginVert = 2;
    bool PictureAutoColor = true;
};

void ApplyState(TMetroPushControl* c, TGalleryState state) {
    switch (state) {
    case gsNormal:
        break;
    case gsHover:
        c->PreviewPointer(true, false);
        break;
    case gsDown:
        c->PreviewPointer(true, true);
        break;
    case gsDisabled:
        c->SetEnabled(false);
        break;
    }
}

TAdvMetroTile* Tile(TWinControl* parent, const TileSpec& s, int left, int top, TGalleryState state) {
    auto* t = new TAdvMetroTile(parent);
    t->SetBounds(left, top, s.Width, s.Height);
    t->SetCaption(QString::fromUtf8(s.Caption));
    t->Appearance().Assign({s.Color, s.BorderColor, s.TextColor, s.HoverColor, s.HoverBorderColor, s.HoverTextColor,
                            s.DownColor, s.DownBorderColor, s.DownTextColor});
    t->SetBorderStyle(s.Style);
    t->Font() = s.Font;
    t->SetLayout(s.Layout);
    t->SetPictureAutoSize(false);
    t->SetPictureAutoColor(s.PictureAutoColor);
    t->SetPictureMarginHorz(s.PictureMarginHorz);
    t->SetPictureMarginVert(s.PictureMarginVert);
    t->SetTextMarginHorz(s.TextMarginHorz);
    t->SetTextMarginVert(s.TextMarginVert);
    if (s.Glyph) t->Picture().ReadData(GlyphPng(*s.Glyph));
    t->SetParent(parent);
    ApplyState(t, state);
    return t;
}

TAdvMetroButton* Button(TWinControl* parent, TGlyph glyph, int left, int top, int w, int h,
                        TColor pictureColor, TColor pictureColorDown, TGalleryState state) {
    auto* b = new TAdvMetroButton(parent);
    b->SetBounds(left, top, w, h);
    b->Appearance().SetPictureColor(pictureColor);
    b->Appearance().SetPictureColorDown(pictureColorDown);
    b->Font() = TFont("Arial", -11, clWhite);
    b->Picture().ReadData(GlyphPng(glyph));
    b->SetParent(parent);
    ApplyState(b, state);
    return b;
}

TPanel* Area(TWinControl* parent, int left, int top, int w, int h, TColor color) {
    auto* p = new TPanel(parent);
    p->SetBevelOuter(bvNone);
    p->SetShowCaption(false);
    p->SetBounds(left, top, w, h);
    p->SetColor(color);
    p->SetParent(parent);
    return p;
}

TLabel* Text(TWinControl* parent, int left, int top, const QString& text, int height = -13,
             bool bold = false) {
    auto* l = new TLabel(parent);
    l->SetTransparent(true);
    l->Font() = TFont("Segoe UI", height, ColorValue(0xE8E8E8), bold ? fsBold : 0);
    l->SetLeft(left);
    l->SetTop(top);
    l->SetCaption(text);
    l->SetParent(parent);
    return l;
}

constexpr TColor kMainBack = ColorValue(14407639);
constexpr TColor kBlue = ColorValue(15907840);

TFont Calibri(int h, TColor c = clWhite) {
    return TFont("Calibri", h, c);
}

// --- Main window: Panel3 (header), Panel4 (Exporter, Quitter), Panel1 (the
// four commands) and the two hidden tiles of Panel8, in one strip.
void MainWindowStrip(TWinControl* parent, int top, TGalleryState state) {
    TPanel* p = Area(parent, 100, top, 1220, 96, kMainBack);
    Button(p, TGlyph::ChevronUp48, 10, 15, 50, 50, ColorValue(5460819), kBlue, state);
    Button(p, TGlyph::ChevronDown48, 73, 15, 50, 50, ColorValue(5460819), kBlue, state);
    const TColor white = clWhite;
    Tile(p,
         {"Exporter",
          103,
          40,
          ColorValue(9140850),
          ColorValue(9140850),
          white,
          ColorValue(9733244),
          ColorValue(9733244),
          white,
          kBlue,
          kBlue,
          white,
          bsNone,
          Calibri(-16),
          tlPicBackground,
          std::nullopt,
          10,
          7,
          16,
          10},
         150, 17, state);
    Tile(p,
         {"Quitter",
          141,
          42,
          kMainBack,
          kMainBack,
          ColorValue(3223857),
          kMainBack,
          kMainBack,
          ColorValue(3223857),
          kMainBack,
          kMainBack,
          clRed,
          bsNone,
          Calibri(-19, ColorValue(3223857)),
          tlPicLeft,
          TGlyph::Cross48,
          15,
          2,
          10,
          6},
         264, 15, state);
    const int panel1 = 420; // left of the Panel1 commands in this strip
    Tile(p,
         {"Recherche",
          138,
          71,
          ColorValue(7825762),
          ColorValue(9140850),
          white,
          ColorValue(9733244),
          ColorValue(9733244),
          white,
          kBlue,
          kBlue,
          white,
          bsNone,
          Calibri(-19),
          tlPicBackground,
          std::nullopt,
          10,
          7,
          16,
          10},
         panel1 + 17, 10, state);
    Tile(p,
         {"Quantité",
          138,
          71,
          ColorValue(8934204),
          ColorValue(8934204),
          white,
          ColorValue(12222053),
          ColorValue(12222053),
          white,
          kBlue,
          kBlue,
          white,
          bsNone,
          Calibri(-19),
          tlPicBackground,
          std::nullopt,
          2,
          7,
          0,
          4},
         panel1 + 172, 10, state);
    Tile(p,
         {"Supprimer",
          138,
          71,
          ColorValue(4861380),
          ColorValue(4861380),
          white,
          ColorValue(5974258),
          ColorValue(5974258),
          white,
          kBlue,
          kBlue,
          white,
          bsNone,
          Calibri(-19),
          tlPicLeft,
          TGlyph::Cross32,
          10,
          7,
          0,
          2},
         panel1 + 327, 10, state);
    Tile(p,
         {"Initialiser les données", 191, 71, ColorValue(10519587), ColorValue(10519587), white,
          ColorValue(10519587), ColorValue(10519587), white, kBlue, kBlue, white, bsNone, Calibri(-19),
          tlPicBackground, std::nullopt},
         panel1 + 483, 10, state);
    // Hidden in the window; shown here so that their pictures can be seen.
    Tile(p,
         {"Ajouter",
          38,
          48,
          ColorValue(4132306),
          ColorValue(4132306),
          white,
          ColorValue(5974258),
          ColorValue(5974258),
          white,
          kBlue,
          kBlue,
          white,
          bsNone,
          TFont("Segoe UI", -19, white),
          tlPicLeft,
          TGlyph::CheckDisc24,
          10,
          7,
          15,
          0},
         1125, 24, state);
    Tile(p,
         {"",
          30,
          48,
          ColorValue(11496270),
          ColorValue(11496270),
          white,
          ColorValue(12222053),
          ColorValue(12222053),
          white,
          kBlue,
          kBlue,
          white,
          bsNone,
          TFont("Segoe UI", -12, white),
          tlPicTop,
          TGlyph::Calculator32,
          2,
          7,
          0,
          0},
         1170, 24, state);
}

// --- Message dialog: the two icons, "Oui", "Ok" (same place as "Non" in the
// window) and "Non", on the dialog's white.
void MessageStrip(TWinControl* parent, int top, TGalleryState state) {
    TPanel* p = Area(parent, 100, top, 520, 64, clWhite);
    for (TGlyph icon : {TGlyph::Information48, TGlyph::Question48}) {
        auto* image = new TImage(p);
        image->SetBounds(icon == TGlyph::Information48 ? 8 : 62, 7, 50, 51);
        image->SetCenter(true);
        image->SetTransparent(true);
        image->Picture().ReadData(QByteArray("\x0dTQorPNGObject") + GlyphPng(icon));
        image->SetParent(p);
    }
    const TColor white = clWhite;
    const TColor blue = ColorValue(13805568);
    const TileSpec yesOk{"Oui", 106,   49,   blue, blue,     white,        kBlue,     kBlue,
                         white, white, blue, blue, bsSingle, Calibri(-21), tlPicLeft, TGlyph::Check32,
                         2,     2,     10,   2};
    Tile(p, yesOk, 130, 7, state);
    TileSpec ok = yesOk;
    ok.Caption = "Ok";
    ok.Width = 111;
    Tile(p, ok, 254, 7, state);
    Tile(p,
         {"Non", 111, 49, ColorValue(7158939), clHighlight, white, ColorValue(9130941), ColorValue(9130941),
          white, kBlue, kBlue, white, bsNone, Calibri(-21), tlPicLeft, TGlyph::Cross32},
         384, 7, state);
}

// --- Keypad: Panel1 with its fourteen keys at their designed places, and
// "Annuler" and "Ok" beside it, on clInactiveCaption.
void KeypadBlock(TWinControl* parent, int left, int top, TGalleryState state) {
    TPanel* back = Area(parent, left, top, 520, 318, clInactiveCaption);
    TPanel* keys = Area(back, 5, 5, 371, 307, clInactiveCaption);
    const TFont keyFont("Segoe UI Semibold", -29, clBlack);
    const auto key = [&](const char* caption, int w, int h) {
        return TileSpec{caption, w,     h,     clWhite, clWhite, clBlack, clWhite,         clWhite,
                        clBlack, kBlue, kBlue, clBlack, bsNone,  keyFont, tlPicBackground, std::nullopt};
    };
    struct Key {
        const char* Caption;
        int L, T, W, H;
    };
    const Key layout[] = {{"7", 4, 3, 84, 69},        {"8", 94, 4, 84, 69},   {"9", 184, 4, 84, 69},
                          {"4", 4, 78, 84, 69},       {"5", 94, 79, 84, 69},  {"6", 184, 79, 84, 69},
                          {"1", 4, 153, 84, 69},      {"2", 94, 153, 84, 69}, {"3", 184, 154, 84, 69},
                          {"DEL", 274, 154, 84, 143}, {"0", 4, 228, 84, 69},  {",", 94, 228, 84, 69}};
    for (const Key& k : layout) Tile(keys, key(k.Caption, k.W, k.H), k.L, k.T, state);
    TileSpec broom = key("", 84, 144);
    broom.Layout = tlPicLeft;
    broom.Glyph = TGlyph::Broom32;
    broom.PictureMarginHorz = 20;
    broom.PictureMarginVert = 8;
    Tile(keys, broom, 274, 4, state);
    TileSpec minus = key("-", 84, 69);
    minus.Layout = tlPicBottom;
    minus.PictureAutoColor = false;
    Tile(keys, minus, 184, 228, state);

    const TColor white = clWhite;
    // The dialog's "Annuler" (402, 92) and "Ok" (402, 172), relative to Panel1 at (25, 86).
    Tile(back,
         {"Annuler",
          121,
          63,
          ColorValue(9130941),
          clHighlight,
          white,
          ColorValue(9130941),
          ColorValue(9130941),
          white,
          kBlue,
          kBlue,
          white,
          bsNone,
          Calibri(-19),
          tlPicLeft,
          TGlyph::Cross32,
          10,
          2,
          2,
          2},
         5 + 402 - 25, 5 + 92 - 86, state);
    Tile(back,
         {"Ok",
          121,
          63,
          ColorValue(13805568),
          ColorValue(13805568),
          white,
          kBlue,
          kBlue,
          white,
          white,
          ColorValue(13805568),
          kBlue,
          bsNone,
          Calibri(-19),
          tlPicLeft,
          TGlyph::Check32,
          20,
          2,
          14,
          2},
         5 + 402 - 25, 5 + 172 - 86, state);
}

// --- Article selection: the sort drop-down button, "Ok" and "Annuler" on
// clScrollBar.
void SelectionStrip(TWinControl* parent, int left, int top, TGalleryState state) {
    TPanel* p = Area(parent, left, top, 340, 64, clScrollBar);
    Button(p, TGlyph::TriangleDown32, 8, 12, 48, 39, clBlack, kBlue, state);
    const TColor white = clWhite;
    const TFont font("Segoe UI", -19, white);
    Tile(p,
         {"Ok",
          121,
          53,
          ColorValue(13805568),
          ColorValue(13805568),
          white,
          kBlue,
          kBlue,
          white,
          white,
          ColorValue(13805568),
          kBlue,
          bsNone,
          font,
          tlPicLeft,
          TGlyph::Check32,
          15,
          2,
          10,
          2},
         68, 5, state);
    Tile(p,
         {"Annuler", 123, 53, ColorValue(9130941), ColorValue(9130941), white, ColorValue(9130941),
          ColorValue(9130941), white, kBlue, kBlue, white, bsNone, font, tlPicLeft, TGlyph::Cross32},
         205, 5, state);
}

} // namespace

TALLIVO_SCENE("tiles", "every tile and picture button of the four windows in its four states") {
    auto* form = new TForm(nullptr);
    form->SetCaption(QStringLiteral("Tallivo tiles"));
    form->SetColor(ColorValue(0x383838));
    form->SetClientSize(1340, 1490);
    const auto states = {gsNormal, gsHover, gsDown, gsDisabled};

    int y = 10;
    Text(form, 10, y,
         QStringLiteral("Main window: scroll buttons, Exporter, Quitter, the four commands, and the "
                        "hidden Ajouter and calculator tiles"),
         -15, true);
    y += 30;
    for (TGalleryState s : states) {
        Text(form, 10, y + 38, QString::fromLatin1(kStateNames[s]));
        MainWindowStrip(form, y, s);
        y += 104;
    }

    y += 10;
    Text(form, 10, y, QStringLiteral("Message dialog: icons, Oui, Ok, Non"), -15, true);
    Text(form, 720, y, QStringLiteral("Article selection: sort button, Ok, Annuler"), -15, true);
    y += 30;
    for (TGalleryState s : states) {
        Text(form, 10, y + 22, QString::fromLatin1(kStateNames[s]));
        MessageStrip(form, y, s);
        Text(form, 650, y + 22, QString::fromLatin1(kStateNames[s]));
        SelectionStrip(form, 740, y, s);
        y += 72;
    }

    y += 10;
    Text(form, 10, y, QStringLiteral("Numeric keypad: the keys, Annuler and Ok"), -15, true);
    y += 30;
    int i = 0;
    for (TGalleryState s : states) {
        const int left = 100 + (i % 2) * 620, top = y + (i / 2) * 350;
        Text(form, left, top, QString::fromLatin1(kStateNames[s]));
        KeypadBlock(form, left, top + 22, s);
        ++i;
    }
    form->SetClientSize(1340, y + 350 + 22 + 318 + 12);
    return form;
}
