// Layout of the message dialog, as designed at 96 dots per inch.
#include "dialogs/MetroMessage1.h"

#include "tiles/AdvMetroTile.h"
#include "tiles/Glyphs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

namespace tallivo {

namespace {

constexpr TTileColours kBlueTile = {13805568, 13805568, clWhite,  15907840, 15907840,
                                   clWhite,  clWhite,  13805568, 13805568};
constexpr TTileColours kNoTile = {7158939, clHighlight, clWhite,  9130941, 9130941,
                                 clWhite, 15907840,    15907840, clWhite};

struct TileData {
    const char* Name;
    const char* Caption;
    int Left, Top, Width, Height;
    const TTileColours& Colours;
    TBorderStyle BorderStyle;
    TGlyph Picture;
    int TextMarginHorz; // -1: the tile's own
    int ModalResult;
    bool Default;
    bool Visible;
};

constexpr TileData kTiles[] = {
    {"okbutton", "Ok", 354, 172, 111, 49, kBlueTile, bsSingle, TGlyph::Check32, 10, mrOk, true, true},
    {"nobutton", "Non", 354, 172, 111, 49, kNoTile, bsNone, TGlyph::Cross32, -1, mrNo, false, false},
    {"yesbutton", "Oui", 230, 172, 106, 49, kBlueTile, bsSingle, TGlyph::Check32, 10, mrYes, false, false},
};

TAdvMetroTile* MakeTile(TMetroMessage* form, const TileData& d) {
    auto* t = new TAdvMetroTile(form);
    t->SetName(QString::fromLatin1(d.Name));
    t->SetBounds(d.Left, d.Top, d.Width, d.Height);
    t->SetCaption(QString::fromUtf8(d.Caption));
    t->Font() = TFont(QStringLiteral("Calibri"), -21, clWhite);
    t->SetLayout(tlPicLeft);
    t->SetPictureAutoSize(false);
    t->SetBorderStyle(d.BorderStyle);
    t->Appearance().Assign(d.Colours);
    t->Picture().ReadData(GlyphPng(d.Picture));
    if (d.TextMarginHorz >= 0) t->SetTextMarginHorz(d.TextMarginHorz);
    t->SetModalResult(d.ModalResult);
    t->SetDefault(d.Default);
    t->OnClick = [form](TObject* s) { form->okbuttonClick(s); };
    t->SetParent(form);
    t->SetVisible(d.Visible);
    return t;
}

TImage* MakeIcon(TMetroMessage* form, const char* name, TGlyph glyph, bool visible) {
    auto* image = new TImage(form);
    image->SetName(QString::fromLatin1(name));
    image->SetBounds(14, 40, 50, 51);
    image->SetCenter(true);
    image->SetTransparent(true);
    // A picture value of the window data: the graphic class, then its file.
    image->Picture().ReadData(QByteArray("\x0dTQorPNGObject") + GlyphPng(glyph));
    image->SetParent(form);
    image->SetVisible(visible);
    return image;
}

} // namespace

void TMetroMessage::CreateLayout() {
    SetName(QStringLiteral("MetroMessage"));
    SetCaption(QStringLiteral("Information"));
    SetBorderStyle(bsDialog);
    SetBorderIcons(0);
    SetFormStyle(fsStayOnTop);
    SetPosition(poMainFormCenter);
    SetClientSize(483, 245);
    SetColor(clWhite);
    SetDoubleBuffered(true);
    Font() = TFont(QStringLiteral("Segoe UI"), -11, clWindowText);

    // Fixed size with word wrap: a text taller than the label is cut at its
    // bottom edge and the dialog does not grow.
    Label1 = new TLabel(this);
    Label1->SetName(QStringLiteral("Label1"));
    Label1->SetAutoSize(false);
    Label1->SetBounds(92, 46, 373, 117);
    Label1->SetWordWrap(true);
    Label1->SetTransparent(true);
    Label1->Font() = TFont(QStringLiteral("Segoe UI Semibold"), -24, clBlack);
    Label1->SetCaption(QStringLiteral("Message"));
    Label1->SetParent(this);

    Image1 = MakeIcon(this, "Image1", TGlyph::Information48, true);
    Image3 = MakeIcon(this, "Image3", TGlyph::Question48, false);

    okbutton = MakeTile(this, kTiles[0]);
    nobutton = MakeTile(this, kTiles[1]);
    yesbutton = MakeTile(this, kTiles[2]);
}

} // namespace tallivo
