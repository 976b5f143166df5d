// The chart of the differences by category: one horizontal bar per
// category from a zero axis, missing value to the left in red, surplus to
// the right in green, the amount at the right edge. Drawn in a fixed
// coordinate box that the page scales to its width.
#include "report/ReportFiles.h"

#include <algorithm>
#include <cmath>

namespace tallivo::report {

namespace {

QString Escaped(QString s) {
    return s.replace(u'&', QLatin1String("&amp;"))
        .replace(u'<', QLatin1String("&lt;"))
        .replace(u'>', QLatin1String("&gt;"))
        .replace(u'"', QLatin1String("&quot;"));
}

QString Px(double v) {
    return QString::number(v, 'f', 1);
}

constexpr int kMostBars = 24; // then the rest as one bar
constexpr double kWidth = 760, kLabels = 230, kAmounts = 100, kRow = 26, kBar = 16, kTop = 8;

} // namespace

QString CategoryChartSvg(const TStockReport& report, QChar separator) {
    std::vector<TCategoryTotal> bars;
    for (const TCategoryTotal& c : report.Categories())
        if (c.Value != 0 || c.Missing != 0 || c.Surplus != 0) bars.push_back(c);
    std::sort(bars.begin(), bars.end(), [](const TCategoryTotal& a, const TCategoryTotal& b) {
        return std::fabs(a.Value) > std::fabs(b.Value);
    });
    if (bars.size() > size_t(kMostBars)) {
        TCategoryTotal rest;
        rest.Name = QStringLiteral("Autres catégories (%1)").arg(bars.size() - size_t(kMostBars) + 1);
        for (size_t i = size_t(kMostBars) - 1; i < bars.size(); ++i) {
            rest.Lines += bars[i].Lines;
            rest.Value += bars[i].Value;
        }
        bars.resize(size_t(kMostBars) - 1);
        bars.push_back(rest);
    }
    std::sort(bars.begin(), bars.end(),
              [](const TCategoryTotal& a, const TCategoryTotal& b) { return a.Value < b.Value; });

    const double height = kTop * 2 + std::max<size_t>(bars.size(), 1) * kRow + 18;
    QString svg = QStringLiteral("<svg id=\"graphique-categories\" xmlns=\"http://www.w3.org/2000/svg\" "
                                 "viewBox=\"0 0 %1 %2\" width=\"100%\" role=\"img\" "
                                 "aria-label=\"Écarts par catégorie, valeur au prix d'achat\">")
                      .arg(kWidth)
                      .arg(height);
    if (bars.empty())
        return svg +
               QStringLiteral("<text x=\"%1\" y=\"30\" text-anchor=\"middle\" font-size=\"14\">Aucun écart "
                              "valorisé</text></svg>")
                   .arg(kWidth / 2);
    double low = 0, high = 0;
    for (const TCategoryTotal& c : bars) low = std::min(low, c.Value), high = std::max(high, c.Value);
    const double left = kLabels, right = kWidth - kAmounts;
    const double span = high - low > 0 ? high - low : 1;
    const auto x = [&](double v) { return left + (v - low) / span * (right - left); };
    const double axis = x(0);
    for (size_t i = 0; i < bars.size(); ++i) {
        const TCategoryTotal& c = bars[i];
        const double y = kTop + double(i) * kRow;
        const double mid = y + kRow / 2;
        QString name = c.Name.isEmpty() ? QStringLiteral("(sans catégorie)") : c.Name;
        if (name.size() > 30) name = name.left(29) + QChar(0x2026);
        const double from = std::min(axis, x(c.Value)), to = std::max(axis, x(c.Value));
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\" dominant-baseline=\"middle\" "
                              "font-size=\"13\">%3</text>")
                   .arg(Px(left - 8), Px(mid), Escaped(name));
        svg +=
            QStringLiteral("<rect class=\"barre\" x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\">"
                           "<title>%6 : %7</title></rect>")
                .arg(Px(from), Px(mid - kBar / 2), Px(std::max(to - from, 1.0)), Px(kBar),
                     c.Value < 0 ? QStringLiteral("#c0392b") : QStringLiteral("#2e8b57"), Escaped(name),
                     AmountText(c.Value, separator));
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\" dominant-baseline=\"middle\" "
                              "font-size=\"13\">%3</text>")
                   .arg(Px(kWidth - 4), Px(mid), AmountText(c.Value, separator));
    }
    const double bottom = kTop + double(bars.size()) * kRow;
    svg +=
        QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" stroke=\"#333\" stroke-width=\"1\"/>")
            .arg(Px(axis), Px(kTop / 2), Px(bottom + 4));
    svg += QStringLiteral(
               "<text x=\"%1\" y=\"%2\" text-anchor=\"middle\" font-size=\"12\" fill=\"#555\">0</text>")
               .arg(Px(axis), Px(bottom + 16));
    return svg + QStringLiteral("</svg>");
}

} // namespace tallivo::report
