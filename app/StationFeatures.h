#pragma once
// The station's features in the main window, beyond its designed flow:
// the settings of the counting folder (TALLIVO.INI, changed on a screen
// opened by a long press on the header), the quick mode ("un scan = une
// pièce"), undo of the session's changes, unknown codes kept (and counted)
// in INCONNUS.CSV, the count's progress, the sounds, and the files the
// export writes beside its own. The designed handlers reach them through a
// few calls; with every setting off only undo, the progress, the unknown
// codes waiting and INCONNUS.CSV show.
//
// Every change of the collection is read from its change log once it is
// made (TChangeFeed, through a data source of its own), whichever command
// made it: undo, the progress and the sound of a confirmed count follow
// from there.

#include "station/ChangeFeed.h"
#include "station/CountProgress.h"
#include "station/Settings.h"
#include "station/UndoHistory.h"
#include "station/UnknownCodes.h"
#include "station/ZoneState.h"
#include "table/DataSource.h"

#include <QString>
#include <memory>

namespace tallivo {

class TAdvMetroTile;
class TLongPress;
class TMasterform;
class TStationBar;
class TStationSounds;

class TStationFeatures {
public:
    // Reads the settings of the counting folder (DataDir is set) and adds the
    // station's controls to the window.
    explicit TStationFeatures(TMasterform& form);
    ~TStationFeatures();
    TStationFeatures(const TStationFeatures&) = delete;
    TStationFeatures& operator=(const TStationFeatures&) = delete;

    const TStationSettings& Settings() const { return FSettings; }
    // What the settings file held that was not understood.
    const QStringList& SettingsNotes() const { return FSettingsNotes; }

    // Enter on a code the catalogue holds (its record is current): the
    // keypad, or in quick mode 1 counted at once.
    void CountFoundArticle();
    // Enter on a code the catalogue does not hold: the code is kept in
    // INCONNUS.CSV; when unknown codes may be counted, the operator is asked
    // and may key a quantity for it. True when the operator was asked (the
    // designed message is then not shown).
    bool TakeUnknownCode(const QString& code);
    // The undo tile: takes back the last change of the session.
    void Undo();
    // "Zone terminée": the zone open is done.
    void CloseZone();
    // The settings screen (the long press on the header).
    void EditSettings();
    // After the export wrote file: the unknown codes, and with the setting
    // the catalogue articles not counted, each to a file beside it.
    void WriteExportCompanions(const QString& file);

    TAdvMetroTile* UndoTile = nullptr;
    TAdvMetroTile* ZoneTile = nullptr; // "Zone terminée", while a zone is open
    TStationBar* Bar = nullptr;
    // Benchmarks turn the progress off to measure what it costs.
    static inline bool FollowProgress = true;
    // The files beside an export (export.CSV gives export-INCONNUS.CSV).
    static QString CompanionFile(const QString& exportFile, const QString& suffix);

private:
    void AfterShow();
    void CollectionChanged();
    void ApplySettings();
    void LoadUnknownCodes();
    void SaveUnknownCodes();
    void ArchiveUnknownCodes();
    void QuantityCommandInQuickMode();
    void ZoneChanged();
    void UpdateBar();
    void PlaceBar();
    void Play(int sound);

    TMasterform& FForm;
    TStationSettings FSettings;
    QStringList FSettingsNotes;
    QString FUnknownNote; // why INCONNUS.CSV could not be read or written
    TUnknownCodes FUnknown;
    TChangeFeed FFeed;
    TUndoHistory FUndo;
    TCountProgress FProgress;
    TZoneState FZone;
    TDataSource FWatch; // sees every change of the collection
    bool FUndoing = false;
    // Event filters on the window's controls, removed with the features.
    TLongPress* FLongPress = nullptr;
    QObject* FGeometryWatch = nullptr;
    std::unique_ptr<TStationSounds> FSounds;
};

} // namespace tallivo
