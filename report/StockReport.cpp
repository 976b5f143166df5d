#include "report/StockReport.h"

#include "base/CodePage.h"
#include "base/Exception.h"
#include "base/FloatText.h"
#include "base/FormatSettings.h"
#include "table/DSBase.h"
#include "table/NumberText.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace tallivo::report {

int FieldIndex(const TStoreData& data, const QString& name) {
    for (size_t i = 0; i < data.Fields.size(); ++i)
        if (data.Fields[i].Name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

namespace {

bool IsNumeric(const TStoreFieldDesc& f, const TStoreColumn& c) {
    return c.Kind() == TStoreColumn::TKind::Float || IsDecimalKind(f.DataType);
}

} // namespace

bool NumberAt(const TStoreData& data, int field, uint32_t row, double& value) {
    if (field < 0) return false;
    const TStoreColumn& c = data.Columns[size_t(field)];
    if (c.IsNull(row)) return false;
    if (c.Kind() == TStoreColumn::TKind::Float) {
        value = c.FloatAt(row);
        return true;
    }
    if (!IsDecimalKind(data.Fields[size_t(field)].DataType)) return false;
    value = DecimalToDouble(c.BytesAt(row));
    return true;
}

QString TextAt(const TStoreData& data, int field, uint32_t row) {
    if (field < 0) return QString();
    const TStoreColumn& c = data.Columns[size_t(field)];
    if (c.IsNull(row)) return QString();
    if (c.Kind() == TStoreColumn::TKind::Float) return FloatToText(c.FloatAt(row));
    const TFieldType type = data.Fields[size_t(field)].DataType;
    const std::string_view b = c.BytesAt(row);
    if (type == ftString || type == ftFixedChar) return FromAnsi(b);
    if (IsDecimalKind(type)) return DecimalDisplayText(b, FormatSettings().DecimalSeparator);
    return QString::fromUtf8(b.data(), qsizetype(b.size()));
}

TStockReport::TStockReport(IDSBase& catalogue, TCount count, const TReportOptions& options)
    : FCatalogue(catalogue), FCount(std::move(count)), FOptions(options) {
    const TStoreData& cat = FCatalogue.Data();
    FCatalogueCode = FieldIndex(cat, QStringLiteral("CODE_ART"));
    if (FCatalogueCode < 0) throw Exception(QStringLiteral("le catalogue n'a pas de champ CODE_ART"));
    FExpectedField = FieldIndex(cat, FOptions.ExpectedField);
    if (FExpectedField < 0)
        throw Exception(QStringLiteral("le catalogue n'a pas de champ %1 (la quantité attendue) ; "
                                       "--expected-field NOM pour en prendre un autre")
                            .arg(FOptions.ExpectedField));
    if (!IsNumeric(cat.Fields[size_t(FExpectedField)], cat.Columns[size_t(FExpectedField)]))
        throw Exception(
            QStringLiteral("le champ %1 du catalogue est de type %2, pas un nombre")
                .arg(cat.Fields[size_t(FExpectedField)].Name, cat.Fields[size_t(FExpectedField)].TypeName));
    FCatalogueName = FieldIndex(cat, QStringLiteral("NOM_ART"));
    FCatalogueCategory = FieldIndex(cat, QStringLiteral("CATEGORIE"));
    FCataloguePrice = FieldIndex(cat, QStringLiteral("PRIX_ACHAT"));

    const TStoreData& lines = FCount.Lines;
    FCountCode = FieldIndex(lines, QStringLiteral("CODE_ART"));
    FCountQty = FieldIndex(lines, QStringLiteral("QTE"));
    if (FCountCode < 0 || FCountQty < 0)
        throw Exception(
            QStringLiteral("le comptage n'a pas de champ %1").arg(FCountCode < 0 ? "CODE_ART" : "QTE"));
    FCountName = FieldIndex(lines, QStringLiteral("NOM_ART"));
    FCountCategory = FieldIndex(lines, QStringLiteral("CATEGORIE"));
    FCountPrice = FieldIndex(lines, QStringLiteral("PRIX_ACHAT"));
    Build();
}

double TStockReport::Threshold() const {
    return FOptions.Threshold.value_or(TReportOptions::kDefaultThreshold);
}

double TStockReport::ThresholdPct() const {
    return FOptions.ThresholdPct.value_or(TReportOptions::kDefaultThresholdPct);
}

bool TStockReport::IsOverThresholds(double difference, double expected) const {
    const double d = std::fabs(difference);
    if (UsesThreshold() && !(d > Threshold())) return false;
    if (UsesThresholdPct() && !(expected == 0 ? d > 0 : d * 100 > ThresholdPct() * std::fabs(expected)))
        return false;
    return true;
}

void TStockReport::Build() {
    const TStoreData& cat = FCatalogue.Data();
    const TStoreData& count = FCount.Lines;
    const uint32_t countRows = count.SlotCount();

    // Each counted code's article: the catalogue's slot, or 0.
    std::vector<uint32_t> articleOf(countRows, 0);
    std::vector<uint32_t> countOf(size_t(cat.SlotCount()) + 1, kNoRow); // slot -> count row
    for (uint32_t row = 0; row < countRows; ++row) {
        const QString code = TextAt(count, FCountCode, row);
        const int64_t pos = FCatalogue.LocateIgnoreCase(FCatalogueCode, code);
        if (pos < 0) continue;
        const uint32_t slot = FCatalogue.Order()[size_t(pos)];
        articleOf[row] = slot;
        // Two counted codes that a station would see as one article are one
        // line already (the merge folds letter case); the first one keeps it.
        if (countOf[slot] == kNoRow) countOf[slot] = row;
    }

    const auto finish = [this](TReportLine& l) {
        l.Recount = IsOverThresholds(l.Difference(), l.Expected);
        FLines.push_back(l);
    };
    for (const uint32_t slot : FCatalogue.DefaultOrder()) {
        TReportLine l;
        l.Article = slot;
        l.CountRow = countOf[slot];
        double expected = 0;
        const bool hasExpected = NumberAt(cat, FExpectedField, slot - 1, expected) && expected != 0;
        if (!hasExpected && l.CountRow == kNoRow) continue;
        l.Expected = hasExpected ? expected : 0;
        if (l.CountRow != kNoRow) NumberAt(count, FCountQty, l.CountRow, l.Counted);
        l.Status = !hasExpected           ? TLineStatus::NotExpected
                   : l.CountRow == kNoRow ? TLineStatus::NotCounted
                                          : TLineStatus::Counted;
        l.HasPrice = NumberAt(cat, FCataloguePrice, slot - 1, l.Price);
        finish(l);
    }
    for (uint32_t row = 0; row < countRows; ++row) {
        if (articleOf[row]) continue;
        TReportLine l;
        l.CountRow = row;
        l.Status = TLineStatus::Unknown;
        NumberAt(count, FCountQty, row, l.Counted);
        l.HasPrice = NumberAt(count, FCountPrice, row, l.Price);
        finish(l);
    }

    std::map<QString, TCategoryTotal> categories;
    TReportTotals& t = FTotals;
    for (const TReportLine& l : FLines) {
        switch (l.Status) {
        case TLineStatus::Counted:
            ++t.Expected, ++t.Counted;
            break;
        case TLineStatus::NotCounted:
            ++t.Expected, ++t.NotCounted;
            break;
        case TLineStatus::NotExpected:
            ++t.Counted, ++t.NotExpected;
            break;
        case TLineStatus::Unknown:
            ++t.Counted, ++t.NotExpected, ++t.Unknown;
            break;
        }
        t.Recount += l.Recount;
        t.ExpectedQuantity += l.Expected;
        t.CountedQuantity += l.Counted;
        if (!l.HasPrice && l.Difference() != 0) ++t.WithoutPrice;
        const double v = l.Value();
        t.Value += v;
        (v < 0 ? t.Missing : t.Surplus) += v;
        TCategoryTotal& c = categories[Category(l)];
        ++c.Lines;
        c.Value += v;
        (v < 0 ? c.Missing : c.Surplus) += v;
    }
    for (auto& [name, total] : categories) {
        total.Name = name;
        FCategories.push_back(std::move(total));
    }
}

QString TStockReport::TextOf(const TReportLine& line, int catalogueField, int countField) const {
    if (line.Article) return TextAt(FCatalogue.Data(), catalogueField, line.Article - 1);
    return TextAt(FCount.Lines, countField, line.CountRow);
}

QString TStockReport::Code(const TReportLine& line) const {
    return TextOf(line, FCatalogueCode, FCountCode);
}

QString TStockReport::Name(const TReportLine& line) const {
    return TextOf(line, FCatalogueName, FCountName);
}

QString TStockReport::Category(const TReportLine& line) const {
    return TextOf(line, FCatalogueCategory, FCountCategory);
}

} // namespace tallivo::report
