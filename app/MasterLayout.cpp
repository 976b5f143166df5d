// Layout of the main window, as designed at 96 dots per inch.
#include "app/Master.h"

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
    p->SetAlign(align);
    p->SetCaption({});
    return p;
}

// A plain stand-in for a tile: a flat coloured panel with its caption.
TPanel* TileStandIn(TComponent* owner, TWinControl* parent, const char* name, const QString& caption, int l, int t,
                    int w, int h, TColor color, TColor textColor, int fontHeight) {
    auto* p = Make<TPanel>(owner, parent, name);
    p->SetBevelOuter(bvNone);
    p->SetBounds(l, t, w, h);
    p->SetColor(color);
    p->SetCaption(caption);
    p->Font() = TFont(QStringLiteral("Calibri"), fontHeight, textColor);
    return p;
}

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

    Panel3 = Band(this, Panel2, "Panel3", alTop);
    Panel3->SetHeight(81);
    Panel3->SetParentColor(true);

    Label2 = Make<TLabel>(this, Panel3, "Label2");
    Label2->SetLeft(20);
    Label2->SetTop(9);
    Label2->SetTransparent(true);
    Label2->Font() = TFont(QStringLiteral("Segoe Print"), -35, 6195015);
    Label2->SetCaption(QStringLiteral("Tallivo"));

    AdvMetroButton15 = TileStandIn(this, Panel3, "AdvMetroButton15", QStringLiteral("˄"), 224, 15, 50, 50,
                                   14407639, 5460819, -30);
    AdvMetroButton16 = TileStandIn(this, Panel3, "AdvMetroButton16", QStringLiteral("˅"), 287, 15, 50, 50,
                                   14407639, 5460819, -30);

    Panel4 = Band(this, Panel3, "Panel4", alRight);
    Panel4->SetWidth(292);
    Button2 = TileStandIn(this, Panel4, "Button2", QStringLiteral("Exporter"), 24, 17, 103, 40, 9140850, clWhite, -16);
    AdvMetroTile25 = TileStandIn(this, Panel4, "AdvMetroTile25", QStringLiteral("Quitter"), 138, 15, 141, 42,
                                 14407639, 3223857, -19);

    FlowPanel1 = Make<TFlowPanel>(this, Panel2, "FlowPanel1");
    FlowPanel1->SetBevelOuter(bvNone);
    FlowPanel1->SetCaption({});
    FlowPanel1->SetParentColor(true);
    FlowPanel1->SetDoubleBuffered(true);
    FlowPanel1->SetHeight(134);
    FlowPanel1->SetAlign(alBottom);

    // The collection grid fills what the two bands leave.
    DBGrid1 = Band(this, Panel2, "DBGrid1", alClient);
    DBGrid1->SetColor(clWhite);
    DBGrid1->Margins().SetBounds(20, 0, 20, 20);
    DBGrid1->SetAlignWithMargins(true);

    Panel8 = Band(this, FlowPanel1, "Panel8", alNone);
    Panel8->SetBounds(0, 0, 283, 110);
    Panel8->Margins().SetBounds(20, 3, 3, 3);
    Panel8->SetAlignWithMargins(true);
    Panel8->SetParentColor(true);
    Panel8->SetDoubleBuffered(true);

    Label19 = Make<TLabel>(this, Panel8, "Label19");
    Label19->SetLeft(0);
    Label19->SetTop(15);
    Label19->Font() = TFont(QStringLiteral("Calibri"), -19, 3223857);
    Label19->SetCaption(QStringLiteral("Code article"));

    Edit1 = Make<TEdit>(this, Panel8, "Edit1");
    Edit1->SetBounds(0, 48, 273, 36);
    Edit1->SetColor(clWhite);
    Edit1->Font() = TFont(QStringLiteral("Segoe UI"), -21, clWindowText);

    Edit2 = Make<TEdit>(this, Panel8, "Edit2");
    Edit2->SetBounds(732, 166, 75, 36);
    Edit2->Hide();

    Button1 = TileStandIn(this, Panel8, "Button1", QStringLiteral("Ajouter"), 818, 160, 38, 48, 4132306, clWhite, -19);
    Button1->Hide();
    AdvMetroTile71 = TileStandIn(this, Panel8, "AdvMetroTile71", {}, 858, 160, 30, 48, 11496270, clWhite, -12);
    AdvMetroTile71->Hide();

    Panel1 = Band(this, FlowPanel1, "Panel1", alNone);
    Panel1->SetBounds(0, 0, 694, 98);
    Panel1->SetAlignWithMargins(true);
    Panel1->SetParentColor(true);

    AdvMetroTile1 = TileStandIn(this, Panel1, "AdvMetroTile1", QStringLiteral("Recherche"), 17, 10, 138, 71, 7825762,
                                clWhite, -19);
    AdvMetroTile6 = TileStandIn(this, Panel1, "AdvMetroTile6", QStringLiteral("Quantité"), 172, 10, 138, 71, 8934204,
                                clWhite, -19);
    AdvMetroTile2 = TileStandIn(this, Panel1, "AdvMetroTile2", QStringLiteral("Supprimer"), 327, 10, 138, 71, 4861380,
                                clWhite, -19);
    AdvMetroTile4 = TileStandIn(this, Panel1, "AdvMetroTile4", QStringLiteral("Initialiser les données"), 483, 10, 191,
                                71, 10519587, clWhite, -19);
}

} // namespace tallivo
