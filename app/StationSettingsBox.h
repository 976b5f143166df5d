#pragma once
// "Réglages du comptage": the touch screen of the counting folder's
// settings (TALLIVO.INI). Each yes/no setting is a tile that shows its state
// and turns it over when touched; the quantity above which the keypad asks
// again is keyed on the keypad; the zone prefix is typed or chosen. Below,
// what the settings file held that was not understood. "Enregistrer" ends
// with mrOk (the caller writes the file), "Annuler" with mrCancel.

#include "station/Settings.h"
#include "toolkit/Forms.h"

namespace tallivo {

class TAdvMetroTile;
class TEdit;
class TLabel;

class TStationSettingsBox : public TForm {
public:
    TStationSettingsBox(TComponent* AOwner, const TStationSettings& settings, const QStringList& notes);

    // The settings as the operator left them.
    TStationSettings Settings() const;

    TAdvMetroTile* ModeRapideTile = nullptr;
    TAdvMetroTile* InconnusComptesTile = nullptr;
    TAdvMetroTile* SonsTile = nullptr;
    TAdvMetroTile* ExportNonComptesTile = nullptr;
    TAdvMetroTile* QuantiteMaxTile = nullptr;
    TEdit* PrefixeZoneEdit = nullptr;
    TAdvMetroTile* NoZoneTile = nullptr;   // "Aucun": no zones
    TAdvMetroTile* ZonePrefixTile = nullptr; // "Z-"
    TLabel* NotesLabel = nullptr;
    TAdvMetroTile* SaveTile = nullptr;   // "Enregistrer"
    TAdvMetroTile* CancelTile = nullptr; // "Annuler"

    // Handlers.
    void ToggleClick(TObject* Sender);
    void QuantiteMaxTileClick(TObject* Sender);

private:
    void CreateLayout(const QStringList& notes);
    void ShowState();
    bool* FlagOf(TObject* tile);
    TStationSettings FSettings;
};

} // namespace tallivo
