// Layout of the article selection dialog, as designed at 96 dots per inch.
#include "dialogs/Selectarticle3.h"

#include "dialogs/TouchKeyboard.h"
#include "grid/DBGrids.h"
#include "tiles/AdvMetroButton.h"
#include "tiles/AdvMetroTile.h"
#include "tiles/Glyphs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

namespace tallivo {

namespace {

struct TColumnDesign {
    const char* FieldName;
    const char* Caption;
    int Width;
};

// The catalogue's columns, in their designed order.
constexpr TColumnDesign kColumns[] = {
    {"CODE_ART", "Code article", 164},     {"NOM_ART", "Désignation", 415},
    {"PX_VTE_TC", "Prix vente", 104},      {"NOM_FOU", "Fournisseur", 180},
    {"REF_ART_F", "Ref art fourni.", 105}, {"CATEGORIE", "Catégorie", 157},
    {"PRIX_ACHAT", "Prix achat", 96},
};

constexpr TTileColours kOkColours = {13805568, 13805568, clWhite,  15907840, 15907840,
                                     clWhite,  clWhite,  13805568, 15907840};
constexpr TTileColours kCancelColours = {9130941, 9130941,  clWhite,  9130941, 9130941,
                                         clWhite, 15907840, 15907840, clWhite};

template <class T> T* Make(TComponent* owner, TWinControl* parent, const char* name) {
    auto* c = new T(owner);
    c->SetName(QString::fromLatin1(name));
    c->SetParent(parent);
    return c;
}

TPanel* PlainPanel(TComponent* owner, TWinControl* parent, const char* name) {
    auto* p = Make<TPanel>(owner, parent, name);
    p->SetBevelOuter(bvNone);
    p->SetCaption({});
    return p;
}

// "Ok" and "Annuler": flat, the glyph left of the caption.
TAdvMetroTile* MakeTile(TComponent* owner, TWinControl* parent, const char* name, const char* caption,
                        const TRect& bounds, const TTileColours& colours, TGlyph picture, int modalResult) {
    auto* t = new TAdvMetroTile(owner);
    t->SetName(QString::fromLatin1(name));
    t->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    t->SetCaption(QString::fromUtf8(caption));
    t->SetBorderStyle(bsNone);
    t->Font() = TFont(QStringLiteral("Segoe UI"), -19, clWhite);
    t->SetLayout(tlPicLeft);
    t->SetPictureAutoSize(false);
    t->Appearance().Assign(colours);
    t->Picture().ReadData(GlyphPng(picture));
    t->SetModalResult(modalResult);
    t->SetParent(parent);
    return t;
}

void CreateColumns(TDBGrid* grid) {
    for (const TColumnDesign& d : kColumns) {
        TColumn* c = grid->Columns().Add();
        c->SetFieldName(QString::fromLatin1(d.FieldName));
        c->SetFont(TFont(QStringLiteral("Segoe UI Semibold"), -20, 3947580));
        c->Title().SetCaption(QString::fromUtf8(d.Caption));
        c->Title().SetFont(TFont(QStringLiteral("Segoe UI Semilight"), -19, clWhite, fsBold));
        c->SetWidth(d.Width);
    }
}

} // namespace

void TSelectarticle3Box::CreateLayout(TDataSource* ArticleSource) {
    SetName(QStringLiteral("Selectarticle3Box"));
    SetCaption(QStringLiteral("Sélection article"));
    SetBorderStyle(bsDialog);
    SetBorderIcons(0);
    SetPosition(poMainFormCenter);
    SetClientSize(1049, 606);
    Font() = TFont(QStringLiteral("Segoe UI"), -11, clWindowText);
    OnActivate = [this](TObject* s) { FormActivate(s); };

    Panel1 = PlainPanel(this, this, "Panel1");
    Panel1->SetAlign(alClient);
    Panel1->SetColor(clScrollBar);

    // The bottom band first: the grid takes what it leaves.
    Panel3 = PlainPanel(this, Panel1, "Panel3");
    Panel3->SetHeight(122);
    Panel3->SetAlign(alBottom);
    Panel3->SetParentColor(true);
    Panel3->SetDoubleBuffered(true);

    // The keyboard under the band: the search field stays in sight above it.
    Keyboard = Make<TTouchKeyboard>(this, Panel1, "Keyboard");
    Keyboard->SetAlign(alBottom);

    DBGrid1 = Make<TDBGrid>(this, Panel1, "DBGrid1");
    DBGrid1->Margins().SetBounds(20, 30, 20, 3);
    DBGrid1->SetAlignWithMargins(true);
    DBGrid1->SetAlign(alClient);
    DBGrid1->SetColor(clWhite);
    DBGrid1->SetDrawingStyle(gdsGradient);
    DBGrid1->SetGradientStartColor(10721432);
    DBGrid1->SetGradientEndColor(7365475);
    DBGrid1->Font() = TFont(QStringLiteral("Calibri"), -29, clBlack);
    DBGrid1->SetTitleFont(TFont(QStringLiteral("Segoe UI Semibold"), -12, clWhite, fsBold));
    DBGrid1->SetOptions({dgTitles, dgColumnResize, dgColLines, dgRowLines, dgRowSelect, dgAlwaysShowSelection,
                         dgConfirmDelete, dgCancelOnExit, dgTitleClick, dgTitleHotTrack});
    DBGrid1->SetReadOnly(true);
    CreateColumns(DBGrid1);
    DBGrid1->OnDrawColumnCell = [this](TObject* s, const TRect& r, int col, TColumn* c, TGridDrawState st) {
        DBGrid1DrawColumnCell(s, r, col, c, st);
    };
    DBGrid1->OnTitleClick = [this](TColumn* c) { DBGrid1TitleClick(c); };

    Edit1 = Make<TLabeledEdit>(this, Panel3, "Edit1");
    Edit1->SetBounds(135, 32, 186, 38);
    Edit1->SetCharCase(ecUpperCase);
    Edit1->Font() = TFont(QStringLiteral("Segoe UI"), -21, clWindowText);
    TLabel* label = Edit1->EditLabel();
    label->SetName(QStringLiteral("Edit1Label"));
    label->Font() = TFont(QStringLiteral("Segoe UI"), -19, clBlack);
    label->SetTransparent(true);
    label->SetCaption(QStringLiteral("Code article"));
    Edit1->SetLabelPosition(lpLeft);
    Edit1->SetLabelSpacing(10);
    Edit1->OnChange = [this](TObject* s) { Edit1Change(s); };
    Edit1->OnKeyDown = [this](TObject* s, TKey& k, TShiftState sh) { Edit1KeyDown(s, k, sh); };
    Keyboard->SetTarget(Edit1->Editor());
    Keyboard->SetCapitalsOnly(true);

    // A list to pick from, not a field to type into.
    ComboBox4 = Make<TComboBox>(this, Panel3, "ComboBox4");
    ComboBox4->SetStyle(csDropDownList);
    ComboBox4->SetBounds(135, 32, 186, 38);
    ComboBox4->Font() = TFont(QStringLiteral("Segoe UI"), -21, clWindowText);
    ComboBox4->SetVisible(false);
    ComboBox4->OnChange = [this](TObject* s) { ComboBox4Change(s); };
    ComboBox4->OnCloseUp = [this](TObject* s) { ComboBox4CloseUp(s); };

    AdvMetroButton8 = Make<TAdvMetroButton>(this, Panel3, "AdvMetroButton8");
    AdvMetroButton8->SetBounds(327, 32, 48, 39);
    AdvMetroButton8->Appearance().SetPictureColorDown(15907840);
    AdvMetroButton8->SetShowHint(false);
    AdvMetroButton8->Picture().ReadData(GlyphPng(TGlyph::TriangleDown32));
    AdvMetroButton8->OnClick = [this](TObject* s) { AdvMetroButton8Click(s); };

    Panel8 = PlainPanel(this, Panel3, "Panel8");
    Panel8->SetWidth(336);
    Panel8->Margins().SetBounds(20, 3, 3, 3);
    Panel8->SetAlignWithMargins(true);
    Panel8->SetAlign(alRight);
    Panel8->SetParentColor(true);

    AdvMetroTile19 = MakeTile(this, Panel8, "AdvMetroTile19", "Ok", Bounds(46, 23, 121, 53), kOkColours,
                              TGlyph::Check32, mrOk);
    AdvMetroTile19->SetPictureMarginHorz(15);
    AdvMetroTile19->SetTextMarginHorz(10);
    AdvMetroTile19->SetDefault(true);
    AdvMetroTile19->OnClick = [this](TObject* s) { AdvMetroTile19Click(s); };
    AdvMetroTile18 = MakeTile(this, Panel8, "AdvMetroTile18", "Annuler", Bounds(194, 23, 123, 53),
                              kCancelColours, TGlyph::Cross32, mrCancel);
    AdvMetroTile18->OnClick = [this](TObject* s) { AdvMetroTile18Click(s); };

    DBGrid1->SetDataSource(ArticleSource);
}

} // namespace tallivo
