#pragma once
// The stock-take report: the quantity the back office expected (a numeric
// field of the catalogue, STOCK unless told otherwise) against the quantity
// counted (the stations' counts, merged), article by article.
//
// One line per article that was expected (an expected quantity other than
// 0) or counted; an article expected with 0 or nothing and not counted has
// nothing to say and gets no line. A counted code is matched to the
// catalogue as a station matches it (the first article whose code is equal,
// letter case ignored). Lines keep the catalogue's order, then the counted
// codes the catalogue does not know, in the count's order.
//
// An article is to be recounted when its difference is strictly above the
// thresholds: more than Threshold pieces and more than ThresholdPct percent
// of the expected quantity (any difference from an expected 0). When only
// one threshold is given it alone decides; with neither, both defaults hold.
//
// Display-free; reads the tables, never changes them.

#include "table/StoreData.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallivo {
class IDSBase;
}

namespace tallivo::report {

struct TReportOptions {
    static constexpr double kDefaultThreshold = 1;    // pieces
    static constexpr double kDefaultThresholdPct = 5; // percent of the expected quantity
    QString ExpectedField = QStringLiteral("STOCK");
    std::optional<double> Threshold;    // --seuil
    std::optional<double> ThresholdPct; // --seuil-pct
};

// The counts of one station (one count file) and, where its journal has
// them, of its zones.
struct TStationCount {
    QString Name;
    uint64_t Lines = 0;
    double Quantity = 0;
};

// What a count source gives the report: the merged count (a collection's
// fields: CODE_ART and QTE at least; NOM_ART, CATEGORIE, PRIX_ACHAT used
// for codes the catalogue lacks), one line per article, and the figures of
// each station and zone for the report's tables.
struct TCount {
    TStoreData Lines;
    std::vector<TStationCount> Stations;
    std::vector<TStationCount> Zones;
};

enum class TLineStatus : uint8_t {
    Counted,     // expected and counted
    NotCounted,  // expected, not counted: counted 0
    NotExpected, // counted; the catalogue expects 0 or nothing
    Unknown,     // counted; not in the catalogue
};

constexpr uint32_t kNoRow = UINT32_MAX;

struct TReportLine {
    uint32_t Article = 0;       // the catalogue's slot; 0 when not in the catalogue
    uint32_t CountRow = kNoRow; // the count's row (slot - 1); kNoRow when not counted
    double Expected = 0;
    double Counted = 0;
    double Price = 0;      // the purchase price, when HasPrice
    uint32_t Category = 0; // its category's index in TStockReport::Categories()
    bool HasPrice = false;
    bool Recount = false;
    TLineStatus Status = TLineStatus::Counted;
    double Difference() const { return Counted - Expected; }
    // The difference at the purchase price (0 without a price).
    double Value() const { return HasPrice ? Difference() * Price : 0; }
};

struct TReportTotals {
    uint64_t Expected = 0;     // articles expected (Counted + NotCounted)
    uint64_t Counted = 0;      // articles counted (Counted + NotExpected + Unknown)
    uint64_t NotCounted = 0;   // expected, not counted
    uint64_t NotExpected = 0;  // counted, not expected (Unknown included)
    uint64_t Unknown = 0;      // counted, not in the catalogue
    uint64_t Recount = 0;      // to be recounted
    uint64_t WithoutPrice = 0; // lines with a difference but no purchase price
    double ExpectedQuantity = 0, CountedQuantity = 0;
    double Value = 0;   // the sum of the values of the differences
    double Missing = 0; // of the negative ones (a negative number)
    double Surplus = 0; // of the positive ones
};

struct TCategoryTotal {
    QString Name;
    uint64_t Lines = 0;
    double Value = 0, Missing = 0, Surplus = 0;
};

class TStockReport {
public:
    // Raises Exception (French) when the catalogue lacks CODE_ART or the
    // expected field, or the expected field is not a number, or the count
    // lacks CODE_ART or QTE. The catalogue's case-insensitive index of codes
    // is built if it is not there yet.
    TStockReport(IDSBase& catalogue, TCount count, const TReportOptions& options = {});

    const std::vector<TReportLine>& Lines() const { return FLines; }
    const TReportTotals& Totals() const { return FTotals; }
    // The categories of the lines, in the locale's alphabetical order, each
    // with its lines' values.
    const std::vector<TCategoryTotal>& Categories() const { return FCategories; }
    const TCount& Count() const { return FCount; }
    const IDSBase& Catalogue() const { return FCatalogue; }
    const TReportOptions& Options() const { return FOptions; }
    // The thresholds in force (defaults filled in) and which of them decide.
    double Threshold() const;
    double ThresholdPct() const;
    bool UsesThreshold() const { return FOptions.Threshold || !FOptions.ThresholdPct; }
    bool UsesThresholdPct() const { return FOptions.ThresholdPct || !FOptions.Threshold; }
    // The catalogue's index of the expected field.
    int ExpectedField() const { return FExpectedField; }

    // The texts of a line: from the catalogue, or from the count for a code
    // the catalogue does not know.
    QString Code(const TReportLine& line) const;
    QString Name(const TReportLine& line) const;
    QString Category(const TReportLine& line) const;
    // The same texts appended as Windows-1252 bytes, without a detour
    // through UTF-16 when the field holds such bytes (the files' hot path).
    enum class TText { Code, Name, Category };
    void AppendAnsi(const TReportLine& line, TText which, std::string& out) const;

    // Whether a difference is over the thresholds.
    bool IsOverThresholds(double difference, double expected) const;

private:
    void Build();
    std::vector<uint32_t> MatchCodes();
    QString TextOf(const TReportLine& line, int catalogueField, int countField) const;
    void Categorise();

    IDSBase& FCatalogue;
    TCount FCount;
    TReportOptions FOptions;
    int FExpectedField = -1;
    int FCatalogueCode = -1, FCatalogueName = -1, FCatalogueCategory = -1, FCataloguePrice = -1;
    int FCountCode = -1, FCountQty = -1, FCountName = -1, FCountCategory = -1, FCountPrice = -1;
    std::vector<TReportLine> FLines;
    TReportTotals FTotals;
    std::vector<TCategoryTotal> FCategories;
};

// A numeric field's value as a number (r8, r4, integers, fixed-point); false
// for null or a field that is not numeric.
bool NumberAt(const TStoreData& data, int field, uint32_t row, double& value);

// A text-like field's value as the operator reads it (Windows-1252 strings,
// wide strings, numbers as their text); empty for null.
QString TextAt(const TStoreData& data, int field, uint32_t row);

// A field by name, letter case ignored; -1 when absent.
int FieldIndex(const TStoreData& data, const QString& name);

} // namespace tallivo::report
