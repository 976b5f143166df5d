#pragma once
// The combined count of a stock-take: each station's current count, read
// from the server, made into a collection like the station's own file, and
// the stations merged exactly as "tallivo-packet merge" merges their files
// (one line per article code, letter case ignored, quantities summed, the
// other columns from the first station that has the code), stations taken
// in the order of their identities.

#include "table/StoreData.h"
#include "tools/pgsql/StockTakeDb.h"

#include <QString>
#include <vector>

namespace tallivo::pg {
class TPgConnection;
}

namespace tallivo::office {

struct TStationCount {
    QString Station;
    std::vector<pg::TServerLine> Lines; // in the order of the station's file
};

// Splits lines ordered by station into one count per station.
std::vector<TStationCount> GroupByStation(std::vector<pg::TServerLine> lines);

// A station's count as a collection: the workstation's six fields, one
// record per line.
TStoreData StationCollection(const std::vector<pg::TServerLine>& lines);

// The merge of the stations' counts, in the order given.
TStoreData CombineStations(const std::vector<TStationCount>& stations);

// Why the stations' counts cannot be combined: a station's count holds
// another's current count (a count file copied from one till to another
// and continued there), which would be counted twice, as the merge refuses
// it. Empty when they can.
QString DoubleCount(const std::vector<pg::TCurrentCount>& counts);

// The combined count of the stock-take named stocktake. Raises EPgError,
// and Exception when a count would be counted twice.
TStoreData ReadCombinedCount(pg::TPgConnection& db, const QString& stocktake);

} // namespace tallivo::office
