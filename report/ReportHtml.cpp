// RAPPORT.HTML, the back office's page, and RECOMPTAGE.HTML, the sheet the
// counters take round the shop. Both are one self-contained UTF-8 file: the
// style is inline, the chart is SVG drawn here, nothing is fetched.
#include "report/ReportFiles.h"

#include "base/CodePage.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <string_view>

namespace tallivo::report {

namespace {

constexpr size_t kLargest = 20;     // the largest differences shown
constexpr size_t kNotCounted = 500; // articles not counted listed on the page

QString Esc(const QString& s) {
    return s.toHtmlEscaped();
}

// Windows-1252 bytes as HTML text in UTF-8, escaped.
void AppendHtml(QByteArray& out, std::string_view ansi) {
    for (const char ch : ansi) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == '<')
            out += "&lt;";
        else if (b == '>')
            out += "&gt;";
        else if (b == '&')
            out += "&amp;";
        else if (b == '"')
            out += "&quot;";
        else if (b < 0x80)
            out += ch;
        else {
            const char16_t c = AnsiCharToUnicode(b);
            if (c < 0x800) {
                out += char(0xC0 | (c >> 6));
            } else {
                out += char(0xE0 | (c >> 12));
                out += char(0x80 | ((c >> 6) & 0x3F));
            }
            out += char(0x80 | (c & 0x3F));
        }
    }
}

const char* const kStyle =
    "body{font-family:'DejaVu Sans',Arial,sans-serif;margin:0 auto;max-width:1100px;padding:12px "
    "16px;color:#222}"
    "h1{font-size:1.6em;margin:.2em 0}h2{font-size:1.2em;margin:1.4em 0 .5em;border-bottom:2px solid #0a6ebd}"
    ".source{color:#555;font-size:.9em}.defile{overflow-x:auto}"
    "table{border-collapse:collapse;width:100%;font-size:.92em}"
    "th,td{border-bottom:1px solid #ddd;padding:4px 6px;text-align:left;vertical-align:top}"
    "thead th{background:#eef4fa}.num{text-align:right;white-space:nowrap;font-variant-numeric:tabular-nums}"
    ".mot{white-space:nowrap}.moins{color:#b03020}.plus{color:#1e7045}.note{color:#555;font-size:.9em}"
    "table.totaux{width:auto;min-width:50%}table.totaux th{font-weight:normal}"
    "table.totaux td{font-weight:bold}svg{width:100%;min-width:560px;height:auto;display:block}"
    "@media print{body{max-width:none}h2{break-after:avoid}tr{break-inside:avoid}}";

QString Page(const QString& title, const QString& style, const QString& body) {
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"fr\"><head><meta charset=\"utf-8\">"
                          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                          "<title>%1</title><style>%2</style></head>\n<body>\n%3</body></html>\n")
        .arg(Esc(title), style, body);
}

QString SourceLine(const TReportSource& s) {
    QStringList counts;
    for (const QString& c : s.Counts) counts << Esc(c);
    return QStringLiteral("<p class=\"source\">Catalogue %1 ; %2 %3 ; établi le %4</p>\n")
        .arg(Esc(s.Catalogue), counts.size() > 1 ? QStringLiteral("comptages") : QStringLiteral("comptage"),
             counts.join(QStringLiteral(", ")),
             QLocale(QLocale::French).toString(s.Made, QStringLiteral("dd/MM/yyyy 'à' HH:mm")));
}

// A number cell, red when negative and green when positive if signed.
QString NumCell(const QString& text, double value, bool signedColour, const QString& id = {}) {
    const QString cls = !signedColour || value == 0 ? QStringLiteral("num")
                        : value < 0                 ? QStringLiteral("num moins")
                                                    : QStringLiteral("num plus");
    return QStringLiteral("<td class=\"%1\"%2>%3</td>")
        .arg(cls, id.isEmpty() ? QString() : QStringLiteral(" id=\"%1\"").arg(id), text);
}

QString Integer(uint64_t n) {
    return QuantityText(double(n), u',');
}

class THtml {
public:
    THtml(const TStockReport& r, const TReportSource& s) : R(r), S(s) {}

    QString Totals() const {
        const TReportTotals& t = R.Totals();
        const QChar sep = S.Separator;
        const auto row = [](const QString& label, const QString& cell) {
            return QStringLiteral("<tr><th>%1</th>%2</tr>\n").arg(label, cell);
        };
        QString h = QStringLiteral("<h2>Totaux</h2>\n<table class=\"totaux\">\n");
        h += row(QStringLiteral("Articles attendus"),
                 NumCell(Integer(t.Expected), 0, false, "total-attendus"));
        h += row(QStringLiteral("Articles comptés"), NumCell(Integer(t.Counted), 0, false, "total-comptes"));
        h += row(QStringLiteral("Articles attendus non comptés"),
                 NumCell(Integer(t.NotCounted), 0, false, "total-non-comptes"));
        h += row(QStringLiteral("Articles comptés non attendus"),
                 NumCell(Integer(t.NotExpected), 0, false, "total-non-attendus"));
        h += row(QStringLiteral("&nbsp;&nbsp;dont hors catalogue"),
                 NumCell(Integer(t.Unknown), 0, false, "total-hors-catalogue"));
        h += row(QStringLiteral("Quantité attendue"),
                 NumCell(QuantityText(t.ExpectedQuantity, sep), 0, false, "total-qte-attendue"));
        h += row(QStringLiteral("Quantité comptée"),
                 NumCell(QuantityText(t.CountedQuantity, sep), 0, false, "total-qte-comptee"));
        h += row(QStringLiteral("Valeur des écarts (prix d'achat)"),
                 NumCell(AmountText(t.Value, sep), t.Value, true, "total-valeur"));
        h += row(QStringLiteral("&nbsp;&nbsp;dont manquants"),
                 NumCell(AmountText(t.Missing, sep), t.Missing, true, "total-manquants"));
        h += row(QStringLiteral("&nbsp;&nbsp;dont excédents"),
                 NumCell(AmountText(t.Surplus, sep), t.Surplus, true, "total-excedents"));
        h += row(QStringLiteral("Articles à recompter"),
                 NumCell(Integer(t.Recount), 0, false, "total-recompter"));
        h += QStringLiteral("</table>\n<p class=\"note\">À recompter : %1. ").arg(Esc(ThresholdText()));
        if (t.WithoutPrice)
            h += QStringLiteral("%1 sans prix d'achat ne comptent pas dans la valeur. ")
                     .arg(t.WithoutPrice == 1 ? QStringLiteral("1 écart")
                                              : QStringLiteral("%1 écarts").arg(Integer(t.WithoutPrice)));
        return h + QStringLiteral("Le détail de chaque article est dans ECARTS.CSV.</p>\n");
    }

    QString ThresholdText() const {
        const QChar sep = S.Separator;
        QStringList parts;
        if (R.UsesThreshold())
            parts << QStringLiteral("écart de plus de %1 pièce%2")
                         .arg(QuantityText(R.Threshold(), sep),
                              R.Threshold() >= 2 ? QStringLiteral("s") : QString());
        if (R.UsesThresholdPct())
            parts << QStringLiteral("de plus de %1 % de la quantité attendue")
                         .arg(QuantityText(R.ThresholdPct(), sep));
        return parts.join(QStringLiteral(" et "));
    }

    // A table of lines with expected, counted, difference and value.
    QString LineTable(const std::vector<const TReportLine*>& lines, bool withStatus) const {
        const QChar sep = S.Separator;
        QString h = QStringLiteral(
                        "<div class=\"defile\"><table><thead><tr><th>Code</th><th>Désignation</th>"
                        "<th>Catégorie</th><th class=\"num\">Attendu</th><th class=\"num\">Compté</th>"
                        "<th class=\"num\">Écart</th><th class=\"num\">Valeur</th>%1</tr></thead><tbody>\n")
                        .arg(withStatus ? QStringLiteral("<th>Situation</th>") : QString());
        for (const TReportLine* l : lines) {
            h += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td>")
                     .arg(Esc(R.Code(*l)), Esc(R.Name(*l)), Esc(R.Category(*l)));
            h += NumCell(QuantityText(l->Expected, sep), 0, false) +
                 NumCell(QuantityText(l->Counted, sep), 0, false) +
                 NumCell(QuantityText(l->Difference(), sep), l->Difference(), true) +
                 NumCell(l->HasPrice ? AmountText(l->Value(), sep) : QStringLiteral("–"), l->Value(), true);
            if (withStatus) h += QStringLiteral("<td class=\"mot\">%1</td>").arg(StatusWord(l->Status));
            h += QStringLiteral("</tr>\n");
        }
        return h + QStringLiteral("</tbody></table></div>\n");
    }

    QString Largest() const {
        std::vector<const TReportLine*> lines;
        for (const TReportLine& l : R.Lines())
            if (l.Difference() != 0) lines.push_back(&l);
        const auto larger = [](const TReportLine* a, const TReportLine* b) {
            const double va = std::fabs(a->Value()), vb = std::fabs(b->Value());
            if (va != vb) return va > vb;
            return std::fabs(a->Difference()) > std::fabs(b->Difference());
        };
        const size_t n = std::min(lines.size(), kLargest);
        std::partial_sort(lines.begin(), lines.begin() + ptrdiff_t(n), lines.end(), larger);
        lines.resize(n);
        QString h = QStringLiteral("<h2>Les plus grands écarts</h2>\n");
        if (lines.empty()) return h + QStringLiteral("<p>Aucun écart : tout est compté comme attendu.</p>\n");
        return h + LineTable(lines, true);
    }

    QString NotCounted() const {
        std::vector<const TReportLine*> lines;
        for (const TReportLine& l : R.Lines())
            if (l.Status == TLineStatus::NotCounted) lines.push_back(&l);
        std::stable_sort(lines.begin(), lines.end(), [](const TReportLine* a, const TReportLine* b) {
            return std::fabs(a->Value()) > std::fabs(b->Value());
        });
        QString h = QStringLiteral("<h2 id=\"non-comptes\">Articles attendus non comptés (%1)</h2>\n")
                        .arg(Integer(lines.size()));
        if (lines.empty()) return h + QStringLiteral("<p>Tous les articles attendus ont été comptés.</p>\n");
        const size_t more = lines.size() > kNotCounted ? lines.size() - kNotCounted : 0;
        if (more) lines.resize(kNotCounted);
        h += QStringLiteral("<p class=\"note\">Par valeur décroissante.</p>\n") + LineTable(lines, false);
        if (more)
            h += QStringLiteral("<p class=\"note\">… et %1 autre%2 : la liste complète est dans ECARTS.CSV "
                                "(situation « non compté »).</p>\n")
                     .arg(Integer(more), more > 1 ? QStringLiteral("s") : QString());
        return h;
    }

    QString Counts(const QString& title, const QString& what,
                   const std::vector<TStationCount>& counts) const {
        if (counts.empty()) return QString();
        QString h = QStringLiteral(
                        "<h2>%1</h2>\n<div class=\"defile\"><table><thead><tr><th>%2</th>"
                        "<th class=\"num\">Lignes</th><th class=\"num\">Quantité</th></tr></thead><tbody>\n")
                        .arg(title, what);
        for (const TStationCount& c : counts)
            h += QStringLiteral("<tr><td>%1</td>%2%3</tr>\n")
                     .arg(Esc(c.Name), NumCell(Integer(c.Lines), 0, false),
                          NumCell(QuantityText(c.Quantity, S.Separator), 0, false));
        return h + QStringLiteral("</tbody></table></div>\n");
    }

private:
    const TStockReport& R;
    const TReportSource& S;
};

} // namespace

QByteArray ReportHtml(const TStockReport& report, const TReportSource& source) {
    const THtml h(report, source);
    QString body = QStringLiteral("<h1>Rapport d'inventaire</h1>\n") + SourceLine(source) + h.Totals();
    body +=
        QStringLiteral("<h2>Écarts par catégorie (valeur au prix d'achat)</h2>\n<div class=\"defile\">") +
        CategoryChartSvg(report, source.Separator) +
        QStringLiteral("</div>\n<p class=\"note\">À gauche, en rouge, ce qui manque ; à droite, en vert, ce "
                       "qui est en plus.</p>\n") +
        h.Largest();
    body += h.NotCounted();
    body += h.Counts(QStringLiteral("Comptages par poste"), QStringLiteral("Poste"), report.Count().Stations);
    body += h.Counts(QStringLiteral("Comptages par zone"), QStringLiteral("Zone"), report.Count().Zones);
    return Page(QStringLiteral("Rapport d'inventaire"), QString::fromLatin1(kStyle), body).toUtf8();
}

QByteArray RecountHtml(const TStockReport& report, const TReportSource& source) {
    // By category, for a walk round the shop; in the catalogue's order within one.
    std::vector<std::vector<const TReportLine*>> byCategory(report.Categories().size());
    size_t count = 0;
    for (const TReportLine& l : report.Lines())
        if (l.Recount) byCategory[l.Category].push_back(&l), ++count;
    const QString style =
        QString::fromLatin1(kStyle) +
        QStringLiteral("td.saisie{min-width:9em;border:1px solid #999}"
                       "@page{size:A4;margin:12mm}@media print{thead{display:table-header-group}}");
    QString head = QStringLiteral("<h1>Recomptage : %1</h1>\n")
                       .arg(count == 1 ? QStringLiteral("1 article")
                                       : QStringLiteral("%1 articles").arg(Integer(count))) +
                   SourceLine(source);
    head += QStringLiteral("<p class=\"note\">Compter chaque article et écrire la quantité trouvée. Le même "
                           "catalogue est dans RECOMPTAGE.XML pour un poste de comptage.</p>\n");
    head += QStringLiteral("<table><thead><tr><th>Catégorie</th><th>Code</th><th>Désignation</th>"
                           "<th>Quantité recomptée</th></tr></thead><tbody>\n");
    const QByteArray page =
        Page(QStringLiteral("Recomptage"), style, head + QStringLiteral("@@ROWS@@")).toUtf8();
    const qsizetype at = page.indexOf("@@ROWS@@");
    QByteArray out = page.left(at);
    out.reserve(out.size() + qsizetype(count) * 120 + 200);
    std::string text;
    for (size_t c = 0; c < byCategory.size(); ++c) {
        const QByteArray category = Esc(report.Categories()[c].Name).toUtf8();
        for (const TReportLine* l : byCategory[c]) {
            out += "<tr><td>";
            out += category;
            out += "</td><td>";
            for (const auto which : {TStockReport::TText::Code, TStockReport::TText::Name}) {
                text.clear();
                report.AppendAnsi(*l, which, text);
                AppendHtml(out, text);
                out += which == TStockReport::TText::Code ? "</td><td>" : "</td>";
            }
            out += "<td class=\"saisie\"></td></tr>\n";
        }
    }
    out += "</tbody></table>\n";
    out += page.mid(at + 8);
    return out;
}

} // namespace tallivo::report
