// ECARTS.CSV and the numbers and words the report's files share.
#include "base/CodePage.h"
#include "base/FloatText.h"
#include "report/ReportFiles.h"

#include <cmath>

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

void AppendCell(std::string& out, const QString& text) {
    const std::string bytes = ToAnsi(text);
    if (bytes.find_first_of(";\"\r\n") == std::string::npos) {
        out += bytes;
        return;
    }
    out += '"';
    for (const char c : bytes) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
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

QByteArray DifferencesCsv(const TStockReport& report, QChar separator) {
    std::string out = "CODE_ART;NOM_ART;CATEGORIE;ATTENDU;COMPTE;ECART;VALEUR_ECART;SITUATION;RECOMPTER\r\n";
    out.reserve(out.size() + report.Lines().size() * 90);
    const auto number = [&](double v) { out += ToAnsi(FloatToText(v, separator, 15)); };
    for (const TReportLine& l : report.Lines()) {
        AppendCell(out, report.Code(l));
        out += ';';
        AppendCell(out, report.Name(l));
        out += ';';
        AppendCell(out, report.Category(l));
        out += ';';
        number(l.Expected);
        out += ';';
        number(l.Counted);
        out += ';';
        number(l.Difference());
        out += ';';
        if (l.HasPrice) number(l.Value());
        out += ';';
        out += ToAnsi(StatusWord(l.Status));
        out += ';';
        if (l.Recount) out += "oui";
        out += "\r\n";
    }
    return QByteArray(out.data(), qsizetype(out.size()));
}

} // namespace tallivo::report
