// The station's features in the main window (see StationFeatures.h):
// creating their controls, then the quick mode, unknown codes, undo, the
// settings screen, and the header's texts. The export's companion files are
// in StationExport.cpp.
#include "app/StationFeatures.h"

#include "app/LongPress.h"
#include "app/Master.h"
#include "app/StationBar.h"
#include "app/StationSettingsBox.h"
#include "app/StationSounds.h"
#include "base/Exception.h"
#include "base/FloatText.h"
#include "dialogs/MetroMessage1.h"
#include "dialogs/Numpad.h"
#include "station/CollectionJournal.h"

#include <QDateTime>
#include <QEvent>
#include <optional>

namespace tallivo {

namespace {

const QString kCode = QStringLiteral("CODE_ART");
// The zone open, kept with the count in COLLECTION.XML so that a restart
// goes on in it.
const QString kZoneParam = QStringLiteral("TALLIVO_ZONE");
// A finger held this long on the header opens the settings.
constexpr int kLongPressMs = 2000;

// The undo tile, right of "Code article" above the code field: dark when
// there is something to undo, pale when not.
constexpr TRect kUndoBounds{150, 2, 273, 44};
constexpr TColor kUndoColour = 0x00655A4F, kUndoIdle = 0x00E2DEDE, kUndoIdleText = 0x00A09A9A;

// "Zone terminée", left of the export tile while a zone is open.
constexpr int kZoneTileWidth = 140, kZoneTileGap = 12;
constexpr TColor kZoneColour = 0x00307A2E;     // green

constexpr TColor kModeColour = 0x00A05A00;    // blue
constexpr TColor kUnknownColour = 0x000055AA; // brown
constexpr TColor kNoteColour = 0x000000C0;    // the dark red of a failed save

// Runs a function when a watched widget moves, changes size, shows or hides.
class TGeometryWatch : public QObject {
public:
    TGeometryWatch(QObject* parent, std::function<void()> changed) : QObject(parent), FChanged(std::move(changed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide: FChanged(); break;
        default: break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> FChanged;
};

} // namespace

TStationFeatures::TStationFeatures(TMasterform& form) : FForm(form) {
    const TSettingsRead read = ReadSettingsFile(TMasterform::DataFile(kSettingsFileName));
    FSettings = read.Settings;
    FSettingsNotes = read.Notes;

    Bar = new TStationBar(&form);
    Bar->SetParent(form.Panel3);
    UndoTile = new TAdvMetroTile(&form);
    UndoTile->SetName(QStringLiteral("UndoTile"));
    UndoTile->SetBounds(kUndoBounds.Left, kUndoBounds.Top, kUndoBounds.Width(), kUndoBounds.Height());
    UndoTile->SetCaption(QStringLiteral("Défaire"));
    UndoTile->SetBorderStyle(bsNone);
    UndoTile->SetLayout(tlPicBackground);
    UndoTile->Font() = TFont(QStringLiteral("Calibri"), -19, clWhite);
    UndoTile->SetParent(form.Panel8);
    UndoTile->OnClick = [this](TObject*) { Undo(); };
    ZoneTile = new TAdvMetroTile(&form);
    ZoneTile->SetName(QStringLiteral("ZoneTile"));
    ZoneTile->SetBounds(0, 18, kZoneTileWidth, 42);
    ZoneTile->SetCaption(QStringLiteral("Zone terminée"));
    ZoneTile->SetBorderStyle(bsNone);
    ZoneTile->SetLayout(tlPicBackground);
    ZoneTile->Font() = TFont(QStringLiteral("Calibri"), -17, clWhite);
    ZoneTile->Appearance().Assign({kZoneColour, kZoneColour, clWhite, 0x00409A3E, 0x00409A3E, clWhite, 15907840,
                                   15907840, clWhite});
    ZoneTile->SetParent(form.Panel3);
    ZoneTile->Hide();
    ZoneTile->OnClick = [this](TObject*) { CloseZone(); };

    FLongPress = new TLongPress(&form, kLongPressMs, [this] { EditSettings(); });
    for (QWidget* w : std::initializer_list<QWidget*>{form.Panel3, form.Label2, Bar}) FLongPress->Watch(w);
    FGeometryWatch = new TGeometryWatch(&form, [this] { PlaceBar(); });
    for (QWidget* w : std::initializer_list<QWidget*>{form.Panel3, form.Label2, form.Panel4})
        w->installEventFilter(FGeometryWatch);

    FWatch.OnDataChange = [this](TDataSource*, TField*) { CollectionChanged(); };
    FWatch.SetDataSet(CollectionTable);
    // The designed handlers, with the station's part around them.
    const TNotifyEvent shown = form.OnShow;
    form.OnShow = [this, shown](TObject* s) {
        try {
            shown(s);
        } catch (...) {
            AfterShow();
            throw;
        }
        AfterShow();
    };
    const TNotifyEvent quantity = form.AdvMetroTile6->OnClick;
    form.AdvMetroTile6->OnClick = [this, quantity](TObject* s) {
        QuantityCommandInQuickMode();
        quantity(s);
    };
    ApplySettings();
    PlaceBar();
}

TStationFeatures::~TStationFeatures() {
    // The window outlives the features by a little: nothing of it may call
    // them any more.
    delete FLongPress;
    delete FGeometryWatch;
    TNumPadBox::ScanRefusedHook = nullptr;
}

// The files are loaded (or failed to load): the session starts here.
void TStationFeatures::AfterShow() {
    LoadUnknownCodes();
    if (CollectionTable) {
        FFeed.Restart(*CollectionTable);
        if (ArticleTable && FollowProgress) FProgress.Recount(*ArticleTable, *CollectionTable);
    }
    FUndo.Clear();
    const QString saved = CollectionTable ? CollectionTable->TableParam(kZoneParam) : QString();
    FZone.Restore(saved);
    if (CollectionTable && !FZone.Enabled() && !saved.isEmpty())
        CollectionTable->RemoveTableParam(kZoneParam); // zones turned off since: gone with the next save
    if (TCollectionJournal* journal = FForm.Journal()) journal->SetZone(FZone.Current());
    UpdateBar();
    PlaceBar();
}

void TStationFeatures::CollectionChanged() {
    if (FUndoing || !CollectionTable) return; // the undo reads its own change
    std::vector<TLineChange> changes;
    bool counted = false;
    try {
        switch (FFeed.Read(*CollectionTable, changes)) {
        case TChangeFeed::Nothing: return;
        case TChangeFeed::Replaced:
            FUndo.Clear();
            if (ArticleTable && FollowProgress) FProgress.Recount(*ArticleTable, *CollectionTable);
            break;
        case TChangeFeed::Emptied:
            // "Initialiser les données": a new count, with a list of unknown
            // codes of its own; nothing before it can be undone.
            FUndo.Clear();
            FProgress.Emptied();
            ArchiveUnknownCodes();
            break;
        case TChangeFeed::Changes: break;
        }
        for (TLineChange& c : changes) {
            if (FollowProgress) FProgress.Apply(c);
            counted = counted || c.Kind != TLineChange::Deleted;
            FUndo.Push({TUndoStep::Line, std::move(c), {}, {}, FZone.Current()});
        }
    } catch (...) {
        // Reading the change must never undo the change itself: the table
        // is right, only the station's view of it may lag.
    }
    if (counted) Play(TStationSounds::Confirmed);
    UpdateBar();
}

void TStationFeatures::CountFoundArticle() {
    if (!FSettings.ModeRapide) {
        FForm.AdvMetroTile71Click(&FForm);
        return;
    }
    // One piece, added and saved as a keyed 1 would be.
    FForm.Edit2->SetText(QStringLiteral("1"));
    FForm.Button1Click(&FForm);
    FForm.Edit1->SetFocus();
}

void TStationFeatures::QuantityCommandInQuickMode() {
    // Scans leave the code field empty: "Quantité" then corrects the line
    // last counted or touched, the highlighted one.
    if (!FSettings.ModeRapide || !FForm.Edit1->Text().isEmpty() || !CollectionTable || CollectionTable->IsEmpty())
        return;
    FForm.Edit1->SetText(CollectionTable->FieldByName(kCode).AsString());
}

bool TStationFeatures::TakeUnknownCode(const QString& code) {
    if (FZone.IsLabel(code)) {
        FZone.Scan(code);
        ZoneChanged();
        Play(TStationSounds::Confirmed);
        return true;
    }
    FUnknown.Scanned(code, QDateTime::currentDateTime());
    SaveUnknownCodes();
    Play(TStationSounds::Refused);
    UpdateBar();
    if (!FSettings.InconnusComptes) return false;
    if (!ShowMetroMessage(QStringLiteral("Article inconnu.. Le compter quand même ?"), true, clWhite)) return true;
    QString text;
    if (!FForm.AskQuantity(text)) return true;
    double quantity = 0;
    if (!TryTextToFloat(text, quantity)) {
        // As for a known article: nothing is counted; the code is scanned again.
        Application->ShowException(QStringLiteral("'%1' n'est pas une valeur en virgule flottante correcte").arg(text));
        return true;
    }
    const std::optional<double> before = FUnknown.QuantityOf(code);
    FUnknown.SetQuantity(code, before.value_or(0) + quantity);
    SaveUnknownCodes();
    FUndo.Push({TUndoStep::UnknownCount, {TLineChange::Added, {}, {}}, code, before, FZone.Current()});
    Play(TStationSounds::Confirmed);
    UpdateBar();
    return true;
}

void TStationFeatures::Undo() {
    CollectionChanged(); // nothing may be left unread before the last step is taken
    if (FUndo.Empty() || !CollectionTable) return;
    const TUndoStep step = FUndo.Last();
    FUndo.DropLast();
    if (step.Kind == TUndoStep::UnknownCount) {
        FUnknown.SetQuantity(step.Code, step.QuantityBefore);
        SaveUnknownCodes();
    } else {
        // Journaled as an undo, in the zone of the change it takes back, so
        // that the zone's figures lose what they had gained.
        TCollectionJournal* journal = FForm.Journal();
        struct TJournalAs {
            TCollectionJournal* Journal;
            QString ZoneNow;
            std::optional<TCollectionJournal::TCause> Cause;
            ~TJournalAs() {
                if (Journal) Journal->SetZone(ZoneNow);
            }
        } journalAs{journal, FZone.Current(), std::nullopt};
        if (journal) {
            journal->SetZone(step.Zone);
            journalAs.Cause.emplace(journal, TJournalKind::Undo);
        }
        FUndoing = true;
        try {
            UndoLineChange(*CollectionTable, step.Change, kCode);
        } catch (...) {
            // The history no longer matches the collection: it cannot be
            // walked further back.
            FUndoing = false;
            FUndo.Clear();
            FFeed.Restart(*CollectionTable);
            UpdateBar();
            throw;
        }
        FUndoing = false;
        // The undo's own change counts for the progress, but is no step to undo.
        std::vector<TLineChange> own;
        FFeed.Read(*CollectionTable, own);
        for (const TLineChange& c : own)
            if (FollowProgress) FProgress.Apply(c);
        FForm.SaveCollection();
    }
    FForm.Edit1->SetFocus();
    UpdateBar();
}

void TStationFeatures::CloseZone() {
    FZone.Close();
    ZoneChanged();
    FForm.Edit1->SetFocus();
}

void TStationFeatures::ZoneChanged() {
    if (TCollectionJournal* journal = FForm.Journal()) journal->SetZone(FZone.Current());
    if (CollectionTable && CollectionTable->Active()) {
        if (FZone.Current().isEmpty())
            CollectionTable->RemoveTableParam(kZoneParam);
        else
            CollectionTable->SetTableParam(kZoneParam, FZone.Current(), QStringLiteral("string"));
        FForm.SaveCollection();
    }
    UpdateBar();
    PlaceBar();
}

void TStationFeatures::EditSettings() {
    auto* box = new TStationSettingsBox(Application, FSettings, FSettingsNotes);
    const int result = box->ShowModal();
    const TStationSettings chosen = box->Settings();
    box->Release();
    FForm.Edit1->SetFocus();
    if (result != mrOk) return;
    try {
        WriteSettingsFile(TMasterform::DataFile(kSettingsFileName), chosen);
    } catch (const Exception& e) {
        throw Exception(QStringLiteral("Réglages non enregistrés : ") + e.Message());
    }
    const QString zone = FZone.Current();
    FSettings = chosen;
    FSettingsNotes.clear();
    ApplySettings();
    if (FZone.Current() != zone) ZoneChanged();
    UpdateBar();
}

void TStationFeatures::ApplySettings() {
    FZone.SetPrefix(FSettings.PrefixeZone);
    if (FSettings.Sons && !FSounds) FSounds = std::make_unique<TStationSounds>();
    if (!FSettings.Sons) FSounds.reset();
    if (FSounds)
        TNumPadBox::ScanRefusedHook = [this] { Play(TStationSounds::Refused); };
    else
        TNumPadBox::ScanRefusedHook = nullptr;
}

void TStationFeatures::Play(int sound) {
    if (FSounds) FSounds->Play(TStationSounds::TSound(sound));
}

void TStationFeatures::LoadUnknownCodes() {
    try {
        FUnknown.Load(TMasterform::DataFile(kUnknownCodesFileName));
        FUnknownNote.clear();
    } catch (const Exception& e) {
        FUnknownNote = QStringLiteral("INCONNUS.CSV illisible : ") + e.Message();
    }
}

void TStationFeatures::SaveUnknownCodes() {
    // Like the count: a failed save never stops the work, the header says so
    // and the next unknown code tries again.
    try {
        FUnknown.Save();
        FUnknownNote.clear();
    } catch (const Exception& e) {
        if (FUnknownNote.isEmpty() || !FUnknownNote.startsWith(QStringLiteral("INCONNUS.CSV illisible")))
            FUnknownNote = QStringLiteral("INCONNUS.CSV non enregistré : ") + e.Message();
    }
}

void TStationFeatures::ArchiveUnknownCodes() {
    if (FUnknown.Count() == 0 && FUnknown.ForeignLines().isEmpty()) return;
    const QString archive = TMasterform::DataFile(
        QStringLiteral("INCONNUS-%1.CSV").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    try {
        FUnknown.Archive(archive);
        FUnknownNote.clear();
    } catch (const Exception& e) {
        FUnknownNote = QStringLiteral("INCONNUS.CSV non archivé : ") + e.Message();
    }
}

void TStationFeatures::UpdateBar() {
    Bar->SetProgress(FProgress.Known() && FProgress.Total() > 0
                         ? ProgressText(FProgress.Counted(), FProgress.Total())
                         : QString());
    Bar->SetText(TStationBar::Mode, FSettings.ModeRapide ? QStringLiteral("Mode rapide : 1 scan = 1 pièce") : QString(),
                 kModeColour);
    const int unknown = FUnknown.Count();
    Bar->SetText(TStationBar::Unknown,
                 unknown == 0   ? QString()
                 : unknown == 1 ? QStringLiteral("1 code inconnu en attente")
                                : QStringLiteral("%1 codes inconnus en attente").arg(unknown),
                 kUnknownColour);
    Bar->SetText(TStationBar::Zone,
                 !FZone.Enabled()               ? QString()
                 : FZone.Current().isEmpty()    ? QStringLiteral("Aucune zone : scannez l'étiquette de la zone")
                                                : QStringLiteral("Zone ") + FZone.Current(),
                 FZone.Current().isEmpty() ? kUnknownColour : kZoneColour);
    ZoneTile->SetVisible(!FZone.Current().isEmpty());
    QString note = FUnknownNote;
    if (note.isEmpty() && !FSettingsNotes.isEmpty())
        note = FSettingsNotes.size() == 1 ? QStringLiteral("TALLIVO.INI : 1 ligne non comprise")
                                          : QStringLiteral("TALLIVO.INI : %1 lignes non comprises").arg(FSettingsNotes.size());
    if (FSettingsNotes.size() == 1 && FSettingsNotes[0].startsWith(QStringLiteral("TALLIVO.INI illisible")))
        note = FSettingsNotes[0];
    Bar->SetText(TStationBar::Note, note, kNoteColour);

    const bool undoable = !FUndo.Empty();
    UndoTile->Appearance().Assign({undoable ? kUndoColour : kUndoIdle, undoable ? kUndoColour : kUndoIdle,
                                   undoable ? clWhite : kUndoIdleText, 0x00857A6F, 0x00857A6F, clWhite,
                                   15907840, 15907840, clWhite});
}

void TStationFeatures::PlaceBar() {
    // Right of the chevrons and of the header label, left of the export tile
    // (and of "Zone terminée").
    ZoneTile->SetLeft(FForm.Panel4->Left() - kZoneTileGap - kZoneTileWidth);
    const int right = (ZoneTile->Visible() ? ZoneTile->Left() : FForm.Panel4->Left()) - 12;
    const int chevrons = FForm.AdvMetroButton16->Left() + FForm.AdvMetroButton16->Width() + 13;
    const int label = FForm.Label2->Left() + FForm.Label2->Width() + 12;
    Bar->Place(std::max(chevrons, label), right);
}

} // namespace tallivo
