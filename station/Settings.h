#pragma once
// The settings of a counting folder: the file TALLIVO.INI beside the count,
// section [Comptage]. Every key is optional; a missing file, a missing key or
// a value that is not understood gives the default, so that a damaged file
// never stops the counting: what was not understood is reported as notes (in
// French, for the operator's screen).
//
//   ModeRapide=oui|non        one scan counts one piece, no keypad (non)
//   QuantiteMax=99999         the keypad asks again above this quantity (99999)
//   InconnusComptes=oui|non   an unknown code may be counted into INCONNUS.CSV (non)
//   PrefixeZone=TEXT          a scanned code starting with it opens a zone (empty: no zones)
//   Sons=oui|non              a sound for a confirmed count and for a refusal (non)
//   ExportNonComptes=oui|non  the export also writes the catalogue articles not counted (non)
//
// Section and key names are read whatever their letter case. Writing keeps
// every other line of the file (comments, other sections, keys of other
// programs) as it was.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tallivo {

struct TStationSettings {
    bool ModeRapide = false;
    int QuantiteMax = 99999;
    bool InconnusComptes = false;
    QString PrefixeZone;
    bool Sons = false;
    bool ExportNonComptes = false;
    bool operator==(const TStationSettings&) const = default;
};

struct TSettingsRead {
    TStationSettings Settings;
    // What was not understood, one French sentence each; empty when the file
    // was read whole (or there is no file).
    QStringList Notes;
};

inline const QString kSettingsFileName = QStringLiteral("TALLIVO.INI");

// Reads the settings file at path; never raises. No file: the defaults and
// no note.
TSettingsRead ReadSettingsFile(const QString& path);
// The same from the file's bytes (UTF-8, or Windows-1252 when not UTF-8).
TSettingsRead ParseSettings(const QByteArray& content);

// The file's content with the [Comptage] keys set to settings, every other
// line kept; from an empty content, a new file that explains each key.
QByteArray UpdateSettingsText(const QByteArray& content, const TStationSettings& settings);
// Writes the settings into the file at path (replaced whole, atomically);
// raises the file error when it cannot be read or written.
void WriteSettingsFile(const QString& path, const TStationSettings& settings);

// "oui" or "non".
QString YesNo(bool value);

} // namespace tallivo
