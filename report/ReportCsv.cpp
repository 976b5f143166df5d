// ECARTS.CSV and the numbers and words the report's files share.
#include "base/CodePage.h"
#include "base/FloatText.h"
#include "report/ReportFiles.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace tallivo::report {

namespace {

// Thousands grouped by no-break spaces in the integer part of a number text.
QString Grouped(const QString& digits, QChar separator) {
    const qsizetype point = digits.indexOf(separator);
    const qsizetype end = point < 0 ? digits.size() : point;
    const qsizetype start = digits.startsWith(u'-') ? 1 : 0;
    QString out = digits;
    for (qsizetype i = end - 3; i > start; i -= 3) out.insert(i, QChar(0x00A0));
    return out;
}

// A cell's Windows-1252 bytes, in double quotes when they hold a separator,
// a quote or a line end.
void AppendCell(QByteArray& out, std::string_view bytes) {
    if (bytes.find_first_of(";\"\r\n") == std::string_view::npos) {
        out.append(bytes.data(), qsizetype(bytes.size()));
        return;
    }
    out += '"';
    for (const char c : bytes) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

// The general form with 15 significant digits, as the export writes numbers.
void AppendNumber(QByteArray& out, double v, char separator) {
    char buf[64];
    if (v == 0) v = 0; // no "-0"
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    for (char* p = buf; p < r.ptr; ++p)
        if (*p == '.') *p = separator;
    out.append(buf, qsizetype(r.ptr - buf));
}

} // namespace

QString AmountText(double value, QChar separator) {
    if (std::fabs(value) < 0.005) value = 0; // no "-0,00"
    QString s = QString::number(value, 'f', 2);
    s.replace(u'.', separator);
    return Grouped(s, separator);
}

QString QuantityText(double value, QChar separator) {
    return Grouped(FloatToText(value, separator, 15), separator);
}

QString StatusWord(TLineStatus status) {
    switch (status) {
    case TLineStatus::Counted:
        return QStringLiteral("compté");
    case TLineStatus::NotCounted:
        return QStringLiteral("non compté");
    case TLineStatus::NotExpected:
        return QStringLiteral("non attendu");
    case TLineStatus::Unknown:
        return QStringLiteral("hors catalogue");
    }
    return QString();
}

QByteArray DifferencesCsv(const TStockReport& report, QChar separatorChar) {
    const char separator = char(separatorChar.unicode());
    QByteArray out = "CODE_ART;NOM_ART;CATEGORIE;ATTENDU;COMPTE;ECART;VALEUR_ECART;SITUATION;RECOMPTER\r\n";
    out.reserve(out.size() + qsizetype(report.Lines().size()) * 100);
    std::string text;
    const std::string words[] = {
        ToAnsi(StatusWord(TLineStatus::Counted)), ToAnsi(StatusWord(TLineStatus::NotCounted)),
        ToAnsi(StatusWord(TLineStatus::NotExpected)), ToAnsi(StatusWord(TLineStatus::Unknown))};
    for (const TReportLine& l : report.Lines()) {
        for (const auto which :
             {TStockReport::TText::Code, TStockReport::TText::Name, TStockReport::TText::Category}) {
            text.clear();
            report.AppendAnsi(l, which, text);
            AppendCell(out, text);
            out += ';';
        }
        AppendNumber(out, l.Expected, separator);
        out += ';';
        AppendNumber(out, l.Counted, separator);
        out += ';';
        AppendNumber(out, l.Difference(), separator);
        out += ';';
        if (l.HasPrice) AppendNumber(out, l.Value(), separator);
        out += ';';
        out.append(words[int(l.Status)].data(), qsizetype(words[int(l.Status)].size()));
        out += ';';
        if (l.Recount) out += "oui";
        out += "\r\n";
    }
    return out;
}

} // namespace tallivo::report
