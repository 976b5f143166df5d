// Layout of the main window, as designed at 96 dots per inch.
#include "app/Master.h"
#include "grid/Gestures.h"
#include "tiles/Glyphs.h"

namespace tallivo {

namespace {

template <class T>
T* Make(TComponent* owner, TWinControl* parent, const char* name) {
    auto* c = new T(owner);
    c->SetName(QString::fromLatin1(name));
    c->SetParent(parent);
    return c;
}

TPanel* Band(TComponent* owner, TWinControl* parent, const char* name, TAlign align) {
    auto* p = Make<TPanel>(owner, parent, name);
    p->SetBevelOuter(bvNone);
    p->SetCaption({});
    p->SetAlign(align);
    return p;
}

struct TTileMargins {
    int PictureHorz = 2, PictureVert = 2, TextHorz = 2, TextVert = 2;
};

TAdvMetroTile* Tile(TComponent* owner, TWinControl* parent, const char* name, const QString& caption, TRect bounds,
                    const TTileColours& c, const TFont& font, TTileLayout layout, const QByteArray& picture,
                    TTileMargins m) {
    auto* t = new TAdvMetroTile(owner);
    t->SetName(QString::fromLatin1(name));
    t->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    t->SetCaption(caption);
    t->SetBorderStyle(bsNone);
    t->SetPictureAutoSize(false);
    t->SetLayout(layout);
    t->Font() = font;
    t->Appearance().Assign(c);
    t->SetPictureMarginHorz(m.PictureHorz);
    t->SetPictureMarginVert(m.PictureVert);
    t->SetTextMarginHorz(m.TextHorz);
    t->SetTextMarginVert(m.TextVert);
    if (!picture.isEmpty()) t->Picture().ReadData(picture);
    t->SetParent(parent);
    return t;
}

TAdvMetroButton* ScrollButton(TComponent* owner, TWinControl* parent, const char* name, int left, TGlyph glyph) {
    auto* b = new TAdvMetroButton(owner);
    b->SetName(QString::fromLatin1(name));
    b->SetBounds(left, 15, 50, 50);
    b->Appearance().SetPictureColor(5460819);
    b->Appearance().SetPictureColorDown(15907840);
    b->Font() = TFont(QStringLiteral("Arial"), -11, clWhite);
    b->SetShowHint(false);
    b->Picture().ReadData(GlyphPng(glyph));
    b->SetParent(parent);
    return b;
}

TFont Calibri(int height, TColor color = clWhite) { return TFont(QStringLiteral("Calibri"), height, color); }

constexpr TColor kPressed = 15907840; // light blue of every pressed tile

} // namespace

void TMasterform::CreateLayout() {
    SetName(QStringLiteral("Masterform"));
    SetCaption(QStringLiteral("Tallivo-6"));
    SetClientSize(1208, 746);
    SetPosition(poDefault);
    SetWindowState(wsMaximized);
    SetColor(8405295);
    Font() = TFont(QStringLiteral("Tahoma"), -11, clWindowText);

    Panel2 = Band(this, this, "Panel2", alClient);
    Panel2->SetColor(14407639);

    // Header: title, scroll buttons, export and quit.
    Panel3 = Band(this, Panel2, "Panel3", alTop);
    Panel3->SetHeight(81);
    Panel3->SetParentColor(true);

    Label2 = Make<TLabel>(this, Panel3, "Label2");
    Label2->SetLeft(20);
    Label2->SetTop(9);
    Label2->SetTransparent(true);
    Label2->Font() = TFont(QStringLiteral("Segoe Print"), -35, 6195015);
    Label2->SetCaption(QStringLiteral("Tallivo"));

    AdvMetroButton15 = ScrollButton(this, Panel3, "AdvMetroButton15", 224, TGlyph::ChevronUp48);
    AdvMetroButton16 = ScrollButton(this, Panel3, "AdvMetroButton16", 287, TGlyph::ChevronDown48);

    Panel4 = Band(this, Panel3, "Panel4", alRight);
    Panel4->SetWidth(292);
    Button2 = Tile(this, Panel4, "Button2", QStringLiteral("Exporter"), Bounds(24, 17, 103, 40),
                   {9140850, 9140850, clWhite, 9733244, 9733244, clWhite, kPressed, kPressed, clWhite}, Calibri(-16),
                   tlPicBackground, {}, {10, 7, 16, 10});
    AdvMetroTile25 = Tile(this, Panel4, "AdvMetroTile25", QStringLiteral("Quitter"), Bounds(138, 15, 141, 42),
                          {14407639, 14407639, 3223857, 14407639, 14407639, 3223857, 14407639, 14407639, clRed},
                          Calibri(-19, 3223857), tlPicLeft, GlyphPng(TGlyph::Cross48), {15, 2, 10, 6});

    // Command band, below the grid: the code panel, then the commands.
    FlowPanel1 = Make<TFlowPanel>(this, Panel2, "FlowPanel1");
    FlowPanel1->SetBevelOuter(bvNone);
    FlowPanel1->SetCaption({});
    FlowPanel1->SetParentColor(true);
    FlowPanel1->SetDoubleBuffered(true);
    FlowPanel1->SetHeight(134);
    FlowPanel1->SetAlign(alBottom);

    DBGrid1 = Make<TDBGrid>(this, Panel2, "DBGrid1");
    DBGrid1->Margins().SetBounds(20, 0, 20, 20);
    DBGrid1->SetAlignWithMargins(true);
    DBGrid1->SetAlign(alClient);
    DBGrid1->SetColor(clWhite);
    DBGrid1->SetCtl3D(false);
    DBGrid1->SetDrawingStyle(gdsGradient);
    DBGrid1->SetGradientStartColor(10721432);
    DBGrid1->SetGradientEndColor(7365475);
    DBGrid1->Font() = Calibri(-37, clWindowText);
    DBGrid1->SetTitleFont(TFont(QStringLiteral("Segoe UI Semibold"), -12, clBlack));
    DBGrid1->SetOptions({dgTitles, dgColumnResize, dgColLines, dgRowLines, dgRowSelect, dgAlwaysShowSelection,
                         dgConfirmDelete, dgCancelOnExit, dgTitleClick, dgTitleHotTrack});
    CreateGridColumns();

    Panel8 = Band(this, FlowPanel1, "Panel8", alNone);
    Panel8->SetBounds(0, 0, 283, 110);
    Panel8->Margins().SetBounds(20, 3, 3, 3);
    Panel8->SetAlignWithMargins(true);
    Panel8->SetParentColor(true);
    Panel8->SetDoubleBuffered(true);

    Label19 = Make<TLabel>(this, Panel8, "Label19");
    Label19->SetLeft(0);
    Label19->SetTop(15);
    Label19->Font() = Calibri(-19, 3223857);
    Label19->SetCaption(QStringLiteral("Code article"));

    Edit1 = Make<TEdit>(this, Panel8, "Edit1");
    Edit1->SetBounds(0, 48, 273, 36);
    Edit1->SetColor(clWhite);
    Edit1->Font() = TFont(QStringLiteral("Segoe UI"), -21, clWindowText);

    Edit2 = Make<TEdit>(this, Panel8, "Edit2");
    Edit2->SetBounds(732, 166, 75, 36);
    Edit2->Hide();

    Button1 = Tile(this, Panel8, "Button1", QStringLiteral("Ajouter"), Bounds(818, 160, 38, 48),
                   {4132306, 4132306, clWhite, 5974258, 5974258, clWhite, kPressed, kPressed, clWhite},
                   TFont(QStringLiteral("Segoe UI"), -19, clWhite), tlPicLeft, GlyphPng(TGlyph::CheckDisc24),
                   {10, 7, 15, 0});
    Button1->Hide();
    AdvMetroTile71 = Tile(this, Panel8, "AdvMetroTile71", {}, Bounds(858, 160, 30, 48),
                          {11496270, 11496270, clWhite, 12222053, 12222053, clWhite, kPressed, kPressed, clWhite},
                          TFont(QStringLiteral("Segoe UI"), -12, clWhite), tlPicTop, GlyphPng(TGlyph::Calculator32),
                          {2, 7, 0, 0});
    AdvMetroTile71->Hide();

    Panel1 = Band(this, FlowPanel1, "Panel1", alNone);
    Panel1->SetBounds(0, 0, 694, 98);
    Panel1->SetAlignWithMargins(true);
    Panel1->SetParentColor(true);

    AdvMetroTile1 = Tile(this, Panel1, "AdvMetroTile1", QStringLiteral("Recherche"), Bounds(17, 10, 138, 71),
                         {7825762, 9140850, clWhite, 9733244, 9733244, clWhite, kPressed, kPressed, clWhite},
                         Calibri(-19), tlPicBackground, {}, {10, 7, 16, 10});
    AdvMetroTile6 = Tile(this, Panel1, "AdvMetroTile6", QStringLiteral("Quantité"), Bounds(172, 10, 138, 71),
                         {8934204, 8934204, clWhite, 12222053, 12222053, clWhite, kPressed, kPressed, clWhite},
                         Calibri(-19), tlPicBackground, {}, {2, 7, 0, 4});
    AdvMetroTile2 = Tile(this, Panel1, "AdvMetroTile2", QStringLiteral("Supprimer"), Bounds(327, 10, 138, 71),
                         {4861380, 4861380, clWhite, 5974258, 5974258, clWhite, kPressed, kPressed, clWhite},
                         Calibri(-19), tlPicLeft, GlyphPng(TGlyph::Cross32), {10, 7, 0, 2});
    AdvMetroTile4 = Tile(this, Panel1, "AdvMetroTile4", QStringLiteral("Initialiser les données"),
                         Bounds(483, 10, 191, 71),
                         {10519587, 10519587, clWhite, 10519587, 10519587, clWhite, kPressed, kPressed, clWhite},
                         Calibri(-19), tlPicBackground, {}, {});

    // Non-visual components.
    DataSource1 = std::make_unique<TDataSource>();
    ARTICLE_Source = std::make_unique<TDataSource>();
    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetName(QStringLiteral("SaveDialog1"));
    SaveDialog1->DefaultExt = QStringLiteral("CSV");
    SaveDialog1->FileName = QStringLiteral("TableExport");
    SaveDialog1->Filter = QStringLiteral("Format CSV|*.CSV|Format XML |*.XML");
    SaveDialog1->InitialDir = QStringLiteral("C:\\TMP");

    ActionList1 = new TActionList(this);
    TAction** actions[] = {&Action1, &Action2, &Action3, &Action4};
    for (int i = 0; i < 4; ++i) {
        auto* a = new TAction(this);
        a->SetName(QStringLiteral("Action%1").arg(i + 1));
        a->Caption = a->Name();
        a->SetActionList(ActionList1);
        *actions[i] = a;
    }
    GestureManager2 = new TGestureManager(this);
    GestureManager2->SetName(QStringLiteral("GestureManager2"));
    TGestureCollection& gestures = GestureManager2->GestureData(DBGrid1);
    gestures.AddStandard(sgiLeft, Action1);
    gestures.AddStandard(sgiRight, Action2);
    gestures.AddStandard(sgiUp, Action3);
    gestures.AddStandard(sgiDown, Action4);
    DBGrid1->SetDataSource(DataSource1.get());
}

void TMasterform::CreateGridColumns() {
    struct TColumnDesign {
        const char* FieldName;
        const char* Caption;
        int Width;
        TColor FontColor;
        bool ReadOnly;
        bool TitleWhite;
    };
    static const TColumnDesign kColumns[] = {
        {"NOM_ART", "Article", 544, 4210752, true, true},
        {"QTE", "Quantité", 93, 176, true, true},
        {"PRIX_ACHAT", "Prix Achat", 132, 4210752, false, false},
        {"CODE_ART", "Code article", 292, 4210752, true, true},
    };
    for (const TColumnDesign& d : kColumns) {
        TColumn* c = DBGrid1->Columns().Add();
        c->SetFieldName(QString::fromLatin1(d.FieldName));
        TFont cellFont(QStringLiteral("Segoe UI Semibold"), -27, d.FontColor);
        cellFont.SetCharset(ANSI_CHARSET);
        c->SetFont(cellFont);
        if (d.ReadOnly) c->SetReadOnly(true);
        c->Title().SetCaption(QString::fromUtf8(d.Caption));
        if (d.TitleWhite) c->Title().SetColor(clWhite);
        TFont titleFont(QStringLiteral("Segoe UI Semilight"), -19, clWhite);
        titleFont.SetCharset(ANSI_CHARSET);
        c->Title().SetFont(titleFont);
        c->SetWidth(d.Width);
    }
}

} // namespace tallivo
