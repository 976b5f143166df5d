#include "bench/server/BenchCluster.h"

#include "tools/pgsql/PgConnection.h"
#include "tools/pgsql/StockTakeDb.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tallivo::bench {

QString TBenchServer::StationConnInfo(int i) const {
    return Cluster.ConnInfoAs(QStringLiteral("poste_%1_%2").arg(StockTake).arg(Station(i)),
                              Dir.filePath(QStringLiteral("pgpass")));
}

namespace {

std::unique_ptr<TBenchServer> Make(int stations) {
    auto server = std::make_unique<TBenchServer>();
    TBenchServer& s = *server;
    if (!s.Cluster.Ok()) {
        std::fprintf(stderr, "no PostgreSQL cluster: %s\n", qPrintable(s.Cluster.Error()));
        std::exit(1);
    }
    s.AdminConnInfo = s.Cluster.ConnInfo();
    pg::TPgConnection db(s.AdminConnInfo, "bench");
    pg::InstallSchema(db);
    pg::CreateStockTake(db, QStringLiteral("Bench"));
    s.StockTake = pg::StockTakeId(db, QStringLiteral("Bench"));
    db.Run("CREATE TABLE bench_plain (stocktake integer, station text, epoch bigint, seq bigint, kind smallint,"
           " code text, name text, category text, qty double precision, delta double precision,"
           " price double precision, at timestamptz)");
    QFile pass(s.Dir.filePath(QStringLiteral("pgpass")));
    if (!pass.open(QIODevice::WriteOnly)) std::exit(1);
    for (int i = 0; i < stations; ++i) {
        const pg::TStationLogin login = pg::AddStationLogin(db, s.StockTake, TBenchServer::Station(i));
        pass.write(QStringLiteral("*:*:*:%1:%2\n").arg(login.Login, login.Password).toUtf8());
    }
    pass.close();
    pass.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    s.Stations = stations;
    return server;
}

} // namespace

const TBenchServer& Server(int stations) {
    // Made once, whichever thread comes first; the cluster stops and goes
    // with the static object when the program ends.
    static const std::unique_ptr<TBenchServer> server = Make(stations);
    return *server;
}

} // namespace tallivo::bench
