// The settings screen: its layout at 96 dots per inch, then its handlers.
#include "app/StationSettingsBox.h"

#include "dialogs/MetroMessage1.h"
#include "dialogs/Numpad.h"
#include "tiles/AdvMetroTile.h"
#include "tiles/Glyphs.h"
#include "toolkit/StdCtrls.h"

namespace tallivo {

namespace {

constexpr TColor kInk = 3223857;        // the dark grey of "Code article"
constexpr TColor kOn = 13805568;        // the blue of "Ok"
constexpr TColor kOff = 14407639;       // the grey of the main window
constexpr TColor kPressed = 15907840;   // light blue of every pressed tile
constexpr TColor kNoteColour = 0x000000C0;
constexpr int kRowTop = 78, kRowStep = 64, kTileLeft = 480;

struct TFlagRow {
    TAdvMetroTile* TStationSettingsBox::*Tile;
    const char* Name;
    const char* Caption;
};
constexpr TFlagRow kFlagRows[] = {
    {&TStationSettingsBox::ModeRapideTile, "ModeRapideTile", "Un scan = une pièce (mode rapide)"},
    {&TStationSettingsBox::InconnusComptesTile, "InconnusComptesTile", "Compter aussi les articles inconnus"},
    {&TStationSettingsBox::SonsTile, "SonsTile", "Sons du comptage"},
    {&TStationSettingsBox::ExportNonComptesTile, "ExportNonComptesTile", "Exporter aussi les articles non comptés"},
};

TLabel* MakeLabel(TForm* form, const QString& caption, int left, int top, const TFont& font) {
    auto* l = new TLabel(form);
    l->SetLeft(left);
    l->SetTop(top);
    l->SetTransparent(true);
    l->Font() = font;
    l->SetCaption(caption);
    l->SetParent(form);
    return l;
}

TAdvMetroTile* Tile(TForm* form, const char* name, const QString& caption, TRect bounds, TColor colour,
                    TColor text) {
    auto* t = new TAdvMetroTile(form);
    t->SetName(QString::fromLatin1(name));
    t->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    t->SetCaption(caption);
    t->SetBorderStyle(bsNone);
    t->SetPictureAutoSize(false);
    t->SetLayout(tlPicBackground); // the caption centred
    t->Font() = TFont(QStringLiteral("Calibri"), -21, text);
    t->Appearance().Assign({colour, colour, text, colour, colour, text, kPressed, kPressed, clWhite});
    t->SetParent(form);
    return t;
}

QString Grouped(int n) {
    QString digits = QString::number(n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QChar(0x00A0));
    return digits;
}

} // namespace

TStationSettingsBox::TStationSettingsBox(TComponent* AOwner, const TStationSettings& settings,
                                         const QStringList& notes)
    : TForm(AOwner), FSettings(settings) {
    CreateLayout(notes);
    ShowState();
    DoCreate();
}

void TStationSettingsBox::CreateLayout(const QStringList& notes) {
    SetName(QStringLiteral("StationSettingsBox"));
    SetCaption(QStringLiteral("Réglages du comptage"));
    SetBorderStyle(bsDialog);
    SetBorderIcons(0);
    SetPosition(poMainFormCenter);
    SetClientSize(660, 600);
    SetColor(clWhite);
    Font() = TFont(QStringLiteral("Tahoma"), -11, clWindowText);

    MakeLabel(this, QStringLiteral("Réglages du comptage"), 30, 18, TFont(QStringLiteral("Calibri Light"), -29, clBlack));
    const TFont rowFont(QStringLiteral("Calibri"), -21, kInk);
    int top = kRowTop;
    for (const TFlagRow& row : kFlagRows) {
        MakeLabel(this, QString::fromUtf8(row.Caption), 30, top + 12, rowFont);
        TAdvMetroTile* tile = Tile(this, row.Name, {}, Bounds(kTileLeft, top, 150, 50), kOff, kInk);
        tile->OnClick = [this](TObject* s) { ToggleClick(s); };
        this->*row.Tile = tile;
        top += kRowStep;
    }
    MakeLabel(this, QStringLiteral("Confirmer une quantité au-delà de"), 30, top + 12, rowFont);
    QuantiteMaxTile = Tile(this, "QuantiteMaxTile", {}, Bounds(kTileLeft, top, 150, 50), kOff, kInk);
    QuantiteMaxTile->OnClick = [this](TObject* s) { QuantiteMaxTileClick(s); };
    top += kRowStep;

    MakeLabel(this, QStringLiteral("Préfixe des étiquettes de zone"), 30, top + 12, rowFont);
    PrefixeZoneEdit = new TEdit(this);
    PrefixeZoneEdit->SetName(QStringLiteral("PrefixeZoneEdit"));
    PrefixeZoneEdit->SetBounds(300, top + 5, 110, 40);
    PrefixeZoneEdit->Font() = TFont(QStringLiteral("Segoe UI"), -21, clWindowText);
    PrefixeZoneEdit->SetText(FSettings.PrefixeZone);
    PrefixeZoneEdit->SetParent(this);
    NoZoneTile = Tile(this, "NoZoneTile", QStringLiteral("Aucun"), Bounds(425, top, 100, 50), kOff, kInk);
    NoZoneTile->OnClick = [this](TObject*) { PrefixeZoneEdit->SetText(QString()); };
    ZonePrefixTile = Tile(this, "ZonePrefixTile", QStringLiteral("Z-"), Bounds(540, top, 90, 50), kOff, kInk);
    ZonePrefixTile->OnClick = [this](TObject*) { PrefixeZoneEdit->SetText(QStringLiteral("Z-")); };
    top += kRowStep;

    NotesLabel = MakeLabel(this, {}, 30, top + 4, TFont(QStringLiteral("Calibri"), -15, kNoteColour));
    NotesLabel->SetAutoSize(false);
    NotesLabel->SetWordWrap(true);
    NotesLabel->SetShowAccelChar(false);
    NotesLabel->SetBounds(30, top + 4, 600, 60);
    if (notes.isEmpty()) {
        NotesLabel->Font().SetColor(kInk);
        NotesLabel->SetCaption(QStringLiteral("Enregistrés dans TALLIVO.INI, dans le dossier de comptage."));
    } else {
        NotesLabel->SetCaption(notes.join(u'\n'));
    }

    CancelTile = Tile(this, "CancelTile", QStringLiteral("Annuler"), Bounds(300, 530, 150, 52), 9130941, clWhite);
    CancelTile->Picture().ReadData(GlyphPng(TGlyph::Cross32));
    CancelTile->SetLayout(tlPicLeft);
    CancelTile->SetPictureMarginHorz(10);
    CancelTile->SetModalResult(mrCancel);
    SaveTile = Tile(this, "SaveTile", QStringLiteral("Enregistrer"), Bounds(470, 530, 160, 52), kOn, clWhite);
    SaveTile->Picture().ReadData(GlyphPng(TGlyph::Check32));
    SaveTile->SetLayout(tlPicLeft);
    SaveTile->SetPictureMarginHorz(10);
    SaveTile->SetModalResult(mrOk);
}

bool* TStationSettingsBox::FlagOf(TObject* tile) {
    if (tile == ModeRapideTile) return &FSettings.ModeRapide;
    if (tile == InconnusComptesTile) return &FSettings.InconnusComptes;
    if (tile == SonsTile) return &FSettings.Sons;
    if (tile == ExportNonComptesTile) return &FSettings.ExportNonComptes;
    return nullptr;
}

void TStationSettingsBox::ShowState() {
    for (const TFlagRow& row : kFlagRows) {
        TAdvMetroTile* tile = this->*row.Tile;
        const bool on = *FlagOf(tile);
        tile->SetCaption(on ? QStringLiteral("Oui") : QStringLiteral("Non"));
        tile->Appearance().Assign({on ? kOn : kOff, on ? kOn : kOff, on ? clWhite : kInk, on ? kOn : kOff,
                                   on ? kOn : kOff, on ? clWhite : kInk, kPressed, kPressed, clWhite});
    }
    QuantiteMaxTile->SetCaption(Grouped(FSettings.QuantiteMax));
}

void TStationSettingsBox::ToggleClick(TObject* Sender) {
    if (bool* flag = FlagOf(Sender)) *flag = !*flag;
    ShowState();
}

void TStationSettingsBox::QuantiteMaxTileClick(TObject*) {
    auto* box = new TNumPadBox(Application);
    box->AdvMetroTile2->SetTag(1);  // no minus
    box->AdvMetroTile34->SetTag(1); // no decimals
    box->SetCaption(QStringLiteral("Quantité maximale"));
    box->Label14->SetCaption(QStringLiteral("Max."));
    const int result = box->ShowModal();
    const QString text = box->Edit1->Text().trimmed();
    box->Release();
    if (result == mrCancel) return;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1) {
        ShowMetroMessage(QStringLiteral("Un nombre entier à partir de 1, s'il vous plaît."), false, clWhite);
        return;
    }
    FSettings.QuantiteMax = value;
    ShowState();
}

TStationSettings TStationSettingsBox::Settings() const {
    TStationSettings s = FSettings;
    s.PrefixeZone = PrefixeZoneEdit->Text().trimmed();
    return s;
}

} // namespace tallivo
