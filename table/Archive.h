#pragma once
// Archives of a table's file: before the collection is emptied, its content
// is kept beside COLLECTION.XML as COLLECTION-AAAAMMJJ-HHMMSS.XML (the date
// and time of the archive), so that a count emptied by mistake can be
// brought back. An archive never replaces another file: when the name is
// taken (two archives in one second), "-2", "-3" ... is added before the
// extension.

#include <QDateTime>
#include <QString>

namespace tallivo {

class TClientDataSet;

// The archive name of fileName at when: "DIR/COLLECTION.XML" at 2024-03-07
// 14:05:09 gives "DIR/COLLECTION-20240307-140509.XML"; with n > 1,
// "DIR/COLLECTION-20240307-140509-n.XML".
QString ArchiveName(const QString& fileName, const QDateTime& when, int n = 1);

// Whether name (a file name without folder) is an archive name of baseName
// ("COLLECTION.XML"), letter case ignored.
bool IsArchiveName(const QString& name, const QString& baseName);

// Writes the open table as an XML data packet to a new archive of fileName
// at when, through the crash-safe writer, never replacing a file. Returns
// the archive's path; raises the file error when it cannot be written
// (nothing is left behind then).
QString WriteArchive(TClientDataSet& table, const QString& fileName, const QDateTime& when);

} // namespace tallivo
