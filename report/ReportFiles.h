#pragma once
// The files of the stock-take report, made from a computed report:
//   ECARTS.CSV       every line, in the export's conventions
//   RAPPORT.HTML     the back office's page: totals, the largest
//                    differences, differences by category (inline SVG), the
//                    articles not counted, the stations and zones
//   RECOMPTAGE.XML   the articles to recount, as a catalogue a station loads
//   RECOMPTAGE.HTML  the same articles as a printable sheet for the counters
// The pages are self-contained (no network, no script), UTF-8. The recount
// files never show an expected or a counted quantity: the recount is blind,
// as the count was.

#include "report/StockReport.h"
#include "table/StoreData.h"

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tallivo::report {

// What the pages say about where the figures come from.
struct TReportSource {
    QString Catalogue;      // the catalogue file as given
    QStringList Counts;     // the count files (or the source's name)
    QDateTime Made;         // when the report was made
    QChar Separator = u','; // the decimal separator of every number written
};

// ECARTS.CSV: header CODE_ART;NOM_ART;CATEGORIE;ATTENDU;COMPTE;ECART;
// VALEUR_ECART;SITUATION;RECOMPTER, then one line per report line.
// Windows-1252, CR LF, ";" between columns, numbers with the separator; a
// value holding ";" or a double quote is put in double quotes.
QByteArray DifferencesCsv(const TStockReport& report, QChar separator);

// The SITUATION column's words: "compté", "non compté", "non attendu",
// "hors catalogue".
QString StatusWord(TLineStatus status);

QByteArray ReportHtml(const TStockReport& report, const TReportSource& source);
QByteArray RecountHtml(const TStockReport& report, const TReportSource& source);

// The catalogue's fields but the expected one, and for each article to
// recount its catalogue record (for a code the catalogue lacks, the count's
// values of the fields both have); rows unchanged, no change log.
TStoreData RecountCatalogue(const TStockReport& report);

// The chart of the differences by category: an inline SVG element, drawn
// to the width of its container.
QString CategoryChartSvg(const TStockReport& report, QChar separator);

// Numbers as the pages show them: grouped thousands (no-break spaces), the
// separator, two decimals for amounts; quantities with up to 15 significant
// digits.
QString AmountText(double value, QChar separator);
QString QuantityText(double value, QChar separator);

} // namespace tallivo::report
