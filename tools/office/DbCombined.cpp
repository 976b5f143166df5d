#include "tools/office/DbCombined.h"

#include "base/CodePage.h"
#include "base/Exception.h"
#include "station/StationIdentity.h"
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

QString DoubleCount(const std::vector<pg::TCurrentCount>& counts) {
    std::vector<TCountIdentity> ids;
    for (const pg::TCurrentCount& c : counts) {
        TCountIdentity id;
        id.Own = TCountId{c.Station, c.Epoch};
        for (const QString& note : c.Notes.split(u' ', Qt::SkipEmptyParts))
            if (const auto held = TCountId::Parse(note)) id.Holds.push_back(*held);
        for (size_t i = 0; i < ids.size(); ++i)
            if (const auto shared = SharedCount(ids[i], id))
                return QStringLiteral("les postes %1 et %2 contiennent %3 : il serait compté deux fois")
                    .arg(counts[i].Station, c.Station, DescribeCount(*shared));
        ids.push_back(std::move(id));
    }
    return {};
}

TStoreData ReadCombinedCount(pg::TPgConnection& db, const QString& stocktake) {
    const int32_t id = pg::StockTakeId(db, stocktake);
    if (const QString twice = DoubleCount(pg::ReadCurrentCounts(db, id)); !twice.isEmpty()) throw Exception(twice);
    return CombineStations(GroupByStation(pg::ReadStationLines(db, id)));
}

} // namespace tallivo::office
