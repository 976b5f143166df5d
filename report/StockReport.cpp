#include "report/StockReport.h"

#include "base/CodePage.h"
#include "base/Exception.h"
#include "base/FloatText.h"
#include "base/FormatSettings.h"
#include "table/DSBase.h"
#include "table/NumberText.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

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

namespace {

// Printable ASCII bytes folded to lower case into out; false for any other
// byte. For such codes, equal ignoring case (case folding, then equal at the
// collation's tertiary strength) is equal once folded so: no printable ASCII
// character is ignorable, and folding is plain lower case.
bool FoldPlainAscii(std::string_view bytes, std::string& out) {
    out.clear();
    for (const char c : bytes) {
        if (c < 0x20 || c > 0x7E) return false;
        out += c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    }
    return true;
}

// A filter in front of the counted codes' map: most catalogue codes were not
// counted, and a bit answers them without the map's cache misses.
class TCodeFilter {
public:
    void Add(std::string_view code) { FBits[Hash(code) & kMask] = true; }
    bool MayHold(std::string_view code) const { return FBits[Hash(code) & kMask]; }

private:
    static constexpr uint64_t kMask = (uint64_t(1) << 22) - 1;
    static uint64_t Hash(std::string_view code) {
        uint64_t h = 14695981039346656037ull; // FNV-1a
        for (const char c : code) h = (h ^ uint8_t(c)) * 1099511628211ull;
        return h ^ (h >> 29);
    }
    std::vector<bool> FBits = std::vector<bool>(size_t(kMask) + 1);
};

bool IsAnsiField(const TStoreData& data, int field) {
    const TFieldType t = data.Fields[size_t(field)].DataType;
    return t == ftString || t == ftFixedChar;
}

} // namespace

// A counted code finds its article as on a station: the first in the
// catalogue's order whose code is equal, letter case ignored. The
// catalogue's collation index answers that, but building it for a large
// catalogue costs more than all the rest of the report. So when every
// catalogue code is plain ASCII (barcodes, references), one pass over the
// catalogue looks each folded code up among the folded counted codes; only
// the counted codes that are not plain ASCII, or a catalogue that is not,
// need the index.
std::vector<uint32_t> TStockReport::MatchCodes() {
    const TStoreData& cat = FCatalogue.Data();
    const TStoreData& count = FCount.Lines;
    std::vector<uint32_t> articleOf(count.SlotCount(), 0);
    std::vector<bool> plainRow(count.SlotCount(), false);
    std::string folded;
    if (IsAnsiField(cat, FCatalogueCode) && IsAnsiField(count, FCountCode)) {
        std::unordered_map<std::string, uint32_t> counted; // folded code -> count row
        counted.reserve(count.SlotCount());
        TCodeFilter filter;
        const TStoreColumn& countCodes = count.Columns[size_t(FCountCode)];
        for (uint32_t row = 0; row < count.SlotCount(); ++row)
            if (!countCodes.IsNull(row) && FoldPlainAscii(countCodes.BytesAt(row), folded))
                if ((plainRow[row] = counted.try_emplace(folded, row).second)) // a second one asks the index
                    filter.Add(folded);
        const TStoreColumn& codes = cat.Columns[size_t(FCatalogueCode)];
        bool allPlain = true;
        for (const uint32_t slot : FCatalogue.DefaultOrder()) {
            if (codes.IsNull(slot - 1)) continue;
            if (!FoldPlainAscii(codes.BytesAt(slot - 1), folded)) {
                allPlain = false;
                break;
            }
            if (!filter.MayHold(folded)) continue;
            const auto it = counted.find(folded);
            if (it != counted.end() && !articleOf[it->second]) articleOf[it->second] = slot;
        }
        if (!allPlain) std::fill(plainRow.begin(), plainRow.end(), false);
    }
    for (uint32_t row = 0; row < count.SlotCount(); ++row) {
        if (plainRow[row]) continue;
        const int64_t pos = FCatalogue.LocateIgnoreCase(FCatalogueCode, TextAt(count, FCountCode, row));
        articleOf[row] = pos < 0 ? 0 : FCatalogue.Order()[size_t(pos)];
    }
    return articleOf;
}

void TStockReport::Build() {
    const TStoreData& cat = FCatalogue.Data();
    const TStoreData& count = FCount.Lines;
    const uint32_t countRows = count.SlotCount();

    // Each counted code's article: the catalogue's slot, or 0.
    const std::vector<uint32_t> articleOf = MatchCodes();
    std::vector<uint32_t> countOf(size_t(cat.SlotCount()) + 1, kNoRow); // slot -> count row
    for (uint32_t row = 0; row < countRows; ++row) {
        const uint32_t slot = articleOf[row];
        if (!slot) continue;
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

    Categorise();
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
        TCategoryTotal& c = FCategories[l.Category];
        ++c.Lines;
        c.Value += v;
        (v < 0 ? c.Missing : c.Surplus) += v;
    }
}

// Gives each line its category's index, the categories sorted by name.
void TStockReport::Categorise() {
    std::unordered_map<std::string, uint32_t> index;
    std::string key;
    std::vector<uint32_t> first; // per category: the index of its first line
    for (TReportLine& l : FLines) {
        key.clear();
        AppendAnsi(l, TText::Category, key);
        const auto [it, added] = index.try_emplace(key, uint32_t(first.size()));
        if (added) first.push_back(uint32_t(&l - FLines.data()));
        l.Category = it->second;
    }
    std::vector<QString> names(first.size());
    for (size_t c = 0; c < first.size(); ++c) names[c] = Category(FLines[first[c]]);
    std::vector<uint32_t> order(first.size());
    for (uint32_t c = 0; c < order.size(); ++c) order[c] = c;
    std::sort(order.begin(), order.end(),
              [&](uint32_t a, uint32_t b) { return QString::localeAwareCompare(names[a], names[b]) < 0; });
    std::vector<uint32_t> rank(order.size());
    FCategories.resize(order.size());
    for (uint32_t r = 0; r < order.size(); ++r) {
        rank[order[r]] = r;
        FCategories[r].Name = names[order[r]];
    }
    for (TReportLine& l : FLines) l.Category = rank[l.Category];
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

void TStockReport::AppendAnsi(const TReportLine& line, TText which, std::string& out) const {
    const bool fromCatalogue = line.Article != 0;
    const TStoreData& data = fromCatalogue ? FCatalogue.Data() : FCount.Lines;
    const uint32_t row = fromCatalogue ? line.Article - 1 : line.CountRow;
    const int field = which == TText::Code   ? (fromCatalogue ? FCatalogueCode : FCountCode)
                      : which == TText::Name ? (fromCatalogue ? FCatalogueName : FCountName)
                                             : (fromCatalogue ? FCatalogueCategory : FCountCategory);
    if (field < 0 || data.Columns[size_t(field)].IsNull(row)) return;
    const TFieldType type = data.Fields[size_t(field)].DataType;
    if (type == ftString || type == ftFixedChar)
        out += data.Columns[size_t(field)].BytesAt(row);
    else
        out += ToAnsi(TextAt(data, field, row));
}

} // namespace tallivo::report
