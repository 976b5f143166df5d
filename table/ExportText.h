#pragma once
// The lines of the workstation's export, the text a back office imports: a
// header of the field names but the last, joined by ";", then per record
// the text form of the same fields (numbers with the locale's decimal
// separator), nothing quoted. Written in Windows-1252 with CR LF after
// every line.

#include <QString>

namespace tallivo {

class TClientDataSet;

QString ExportHeader(const TClientDataSet& table);
// The line of the current record.
QString ExportLine(TClientDataSet& table);

} // namespace tallivo
