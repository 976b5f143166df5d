// RECOMPTAGE.XML: the articles to recount as a catalogue of their own, for a
// station that recounts just those. The catalogue's fields and table
// parameters are kept, but not the expected quantity: a station never
// carries what the counter should find.
#include "base/CodePage.h"
#include "report/ReportFiles.h"
#include "table/DSBase.h"
#include "table/NumberText.h"

namespace tallivo::report {

namespace {

// Puts a count's value into a catalogue column of another kind, through its
// text or its number; null when it does not convert.
void AppendConverted(TStoreColumn& out, const TStoreFieldDesc& want, const TStoreData& from, int field,
                     uint32_t row) {
    if (field < 0 || from.Columns[size_t(field)].IsNull(row)) {
        out.AppendNull();
        return;
    }
    double number = 0;
    if (out.Kind() == TStoreColumn::TKind::Float) {
        if (NumberAt(from, field, row, number))
            out.AppendFloat(number);
        else
            out.AppendNull();
        return;
    }
    if (IsDecimalKind(want.DataType)) {
        std::string decimal;
        if (NumberAt(from, field, row, number) && DoubleToDecimal(number, decimal) &&
            (!IsIntegerKind(want.DataType) || decimal.find('.') == std::string::npos))
            out.AppendBytes(decimal);
        else if (ParseTypedDecimal(TextAt(from, field, row), u'.', IsIntegerKind(want.DataType), decimal))
            out.AppendBytes(decimal);
        else
            out.AppendNull();
        return;
    }
    const QString text = TextAt(from, field, row);
    if (want.DataType == ftString || want.DataType == ftFixedChar) {
        std::string bytes = ToAnsi(text);
        if (want.Size > 0 && bytes.size() > size_t(want.Size)) bytes.resize(size_t(want.Size));
        out.AppendBytes(bytes);
    } else {
        const QByteArray u = text.toUtf8();
        out.AppendBytes(std::string_view(u.constData(), size_t(u.size())));
    }
}

// The table parameters that name fields by number (from 1, with flags in
// the high bits), renumbered for the catalogue without field removed (from
// 0); a key that named the removed field is dropped.
std::vector<TStoreParam> ParamsWithout(const std::vector<TStoreParam>& params, int removed) {
    std::vector<TStoreParam> out;
    for (TStoreParam p : params) {
        if (p.Name == QLatin1String("DEFAULT_ORDER") || p.Name == QLatin1String("PRIMARY_KEY") ||
            p.Name == QLatin1String("UNIQUE_KEY")) {
            QStringList numbers;
            bool named = false;
            for (const QString& n : p.Value.split(u' ', Qt::SkipEmptyParts)) {
                const uint32_t v = n.toUInt();
                const uint32_t field = (v & 0x3FFF) - 1, flags = v & ~0x3FFFu;
                named = named || field == uint32_t(removed);
                numbers << QString::number((field > uint32_t(removed) ? field : field + 1) | flags);
            }
            if (named) continue;
            p.Value = numbers.join(u' ');
        }
        out.push_back(std::move(p));
    }
    return out;
}

} // namespace

TStoreData RecountCatalogue(const TStockReport& report) {
    const TStoreData& cat = report.Catalogue().Data();
    const TStoreData& count = report.Count().Lines;
    TStoreData out;
    out.Params = ParamsWithout(cat.Params, report.ExpectedField());
    std::vector<int> fields;    // the catalogue's fields kept
    std::vector<int> fromCount; // the count's field of the same name, or -1
    for (size_t f = 0; f < cat.Fields.size(); ++f) {
        if (int(f) == report.ExpectedField()) continue;
        fields.push_back(int(f));
        fromCount.push_back(FieldIndex(count, cat.Fields[f].Name));
        out.AddField(cat.Fields[f]);
    }
    for (const TReportLine& l : report.Lines()) {
        if (!l.Recount) continue;
        out.AppendSlot();
        for (size_t i = 0; i < fields.size(); ++i) {
            TStoreColumn& c = out.Columns[i];
            if (!l.Article) {
                AppendConverted(c, out.Fields[i], count, fromCount[i], l.CountRow);
                continue;
            }
            const TStoreColumn& in = cat.Columns[size_t(fields[i])];
            const uint32_t row = l.Article - 1;
            if (in.IsNull(row))
                c.AppendNull();
            else if (in.Kind() == TStoreColumn::TKind::Float)
                c.AppendFloat(in.FloatAt(row));
            else
                c.AppendBytes(in.BytesAt(row));
        }
    }
    return out;
}

} // namespace tallivo::report
