#pragma once
// Catalogues as semicolon-separated text and back, for back offices that
// can only exchange CSV files.
//
// Text written: Windows-1252, CR LF after every line, a header line with one
// cell per field (NAME:type:width for string kinds, NAME:type otherwise, or
// the names alone), then one line per visible record in the table's order.
// Numbers have 16 significant digits and a comma. A value holding ";", a
// double quote, CR or LF is put in double quotes (a quote doubled); an empty
// string is written "" and a null value as nothing.
//
// Text read: the same, in Windows-1252 or UTF-8 (a byte-order mark, or
// well-formed UTF-8 holding characters above 127), lines ended by CR LF or
// LF. A header cell without type takes its kind and width from the
// catalogue layout; numbers may use a comma or a point.

#include "table/StoreData.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>

namespace tallivo {

class IDSBase;

// The general form with 16 significant digits and the given separator.
std::string CsvFloatText(double value, char separator);

QByteArray CatalogueToCsv(const IDSBase& store, bool namesOnly = false);

struct TCsvResult {
    TStoreData Data;      // fields and records (row state 0, no change log)
    QString Error;        // empty when the text was read; else what is wrong and where
    QStringList Warnings; // values cut to their field's width
};

TCsvResult CatalogueFromCsv(const QByteArray& text);

} // namespace tallivo
