#pragma once
// Catalogues as semicolon-separated text and back, for back offices that
// can only exchange CSV files.
//
// Text written: Windows-1252, CR LF after every line, a header line with one
// cell per field (NAME:type:width for string kinds, NAME:type otherwise,
// NAME:type:width:decimals when the field has a scale, or the names alone;
// a ":" in a name is written "::"), then one line per visible record in the
// table's order. Floats are written as the shortest text that reads back to
// the same number, integers and fixed-point numbers as they are held, all
// with a comma (or the separator asked for). A value holding ";", a double quote, CR or LF is put in
// double quotes (a quote doubled); an empty string is written "" and a null
// value as nothing.
//
// Text read: the same, in Windows-1252 or UTF-8 (a byte-order mark, or
// well-formed UTF-8 holding characters above 127), lines ended by CR LF or
// LF. A header cell without type takes its kind and width from the
// catalogue layout; numbers may use a comma or a point. A field name has at
// most 31 bytes (UTF-8); a name given twice is kept twice, with a warning.
// A header that is one cell holding commas or tabs is refused with a
// message saying so. Messages are French.
// String values ending with a space are reported (a code "ABC " never
// matches a scan of "ABC"), or trimmed on request.

#include "table/StoreData.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>

namespace tallivo {

class IDSBase;

// The shortest text that reads back to value, with the given separator.
std::string CsvFloatText(double value, char separator);

// Numbers are written with separator as their decimal separator.
QByteArray CatalogueToCsv(const IDSBase& store, bool namesOnly = false, char separator = ',');

struct TCsvResult {
    TStoreData Data;      // fields and records (row state 0, no change log)
    QString Error;        // empty when the text was read; else what is wrong and where
    QStringList Warnings; // values cut or trimmed, trailing spaces, names given twice
};

struct TCsvOptions {
    // Removes the trailing spaces of string values instead of reporting each.
    bool TrimTrailingSpaces = false;
    // A string longer than its column's width widens the column instead of
    // being cut (a count's long codes must stay whole).
    bool WidenToFit = false;
};

TCsvResult CatalogueFromCsv(const QByteArray& text, const TCsvOptions& options = {});

// The fields the workstation reads from its catalogue by name: CODE_ART to
// find an article, the others copied into a new line of the count
// (app/Entry.cpp). Without one of them every new line fails.
inline constexpr const char* kStationFields[] = {"CODE_ART", "NOM_ART", "CATEGORIE", "PRIX_ACHAT",
                                                 "GERE_STOCK"};

// The station fields that data lacks (letter case ignored), in that order.
QStringList MissingStationFields(const TStoreData& data);

} // namespace tallivo
