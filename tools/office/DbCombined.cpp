#include "tools/office/DbCombined.h"

#include "base/CodePage.h"
#include "table/ClientDataSet.h"
#include "tools/packet/Merge.h"
#include "tools/pgsql/PgConnection.h"

namespace tallivo::office {

namespace {

TStoreFieldDesc Field(const char* name, TFieldType type, int size) {
    TStoreFieldDesc f;
    f.Name = QString::fromLatin1(name);
    f.DataType = type;
    f.Size = size;
    f.TypeName = type == ftFloat ? QStringLiteral("r8") : QStringLiteral("string");
    return f;
}

void AppendText(TStoreColumn& column, const QString& text) {
    column.AppendBytes(ToAnsi(text));
}

void AppendNumber(TStoreColumn& column, const std::optional<double>& value) {
    if (value)
        column.AppendFloat(*value);
    else
        column.AppendNull();
}

} // namespace

std::vector<TStationCount> GroupByStation(std::vector<pg::TServerLine> lines) {
    std::vector<TStationCount> out;
    for (pg::TServerLine& line : lines) {
        if (out.empty() || out.back().Station != line.Station) out.push_back({line.Station, {}});
        out.back().Lines.push_back(std::move(line));
    }
    return out;
}

TStoreData StationCollection(const std::vector<pg::TServerLine>& lines) {
    TStoreData d;
    d.AddField(Field("CODE_ART", ftString, 25));
    d.AddField(Field("NOM_ART", ftString, 50));
    d.AddField(Field("CATEGORIE", ftString, 25));
    d.AddField(Field("QTE", ftFloat, 0));
    d.AddField(Field("PRIX_ACHAT", ftFloat, 0));
    d.AddField(Field("GERE_STOCK", ftString, 1));
    for (const pg::TServerLine& line : lines) {
        d.AppendSlot();
        AppendText(d.Columns[0], line.Code);
        AppendText(d.Columns[1], line.Name);
        AppendText(d.Columns[2], line.Category);
        AppendNumber(d.Columns[3], line.Quantity);
        AppendNumber(d.Columns[4], line.Price);
        AppendText(d.Columns[5], line.Stock);
    }
    return d;
}

TStoreData CombineStations(const std::vector<TStationCount>& stations) {
    if (stations.empty()) return StationCollection({}); // the fields, no line
    TCollectionMerge merge;
    for (const TStationCount& s : stations) {
        TClientDataSet table;
        table.LoadFromStoreData(StationCollection(s.Lines));
        merge.Add(s.Station, *table.Store());
    }
    return merge.TakeResult();
}

TStoreData ReadCombinedCount(pg::TPgConnection& db, const QString& stocktake) {
    const int32_t id = pg::StockTakeId(db, stocktake);
    return CombineStations(GroupByStation(pg::ReadStationLines(db, id)));
}

} // namespace tallivo::office
