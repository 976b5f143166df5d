#pragma once
// The server of the server benchmarks: a private cluster that flushes to
// the disk, its schema, the stock-take "Bench", and stations with logins of
// their own (their passwords in a password file), made once per program and
// removed when it ends.

#include "tests/support/PgCluster.h"

#include <QString>
#include <QTemporaryDir>
#include <cstdint>

namespace tallivo::bench {

struct TBenchServer {
    test::TPgCluster Cluster{true};
    QTemporaryDir Dir;
    QString AdminConnInfo;
    int32_t StockTake = 0;
    int Stations = 0;

    static QString Station(int i) { return QStringLiteral("banc-%1").arg(i, 2, 10, QLatin1Char('0')); }
    QString StationConnInfo(int i) const;
};

// Made at the first call with that many stations (aborts when it cannot).
const TBenchServer& Server(int stations);

} // namespace tallivo::bench
