// The fault test of a stock-take on several stations: 20 stations (the real
// journal) count up to 1 000 changes each (new lines, accumulations, replaced
// quantities, deletions by the tile and the grid, one "Initialiser"), while
// their real senders (tallivo-sync) are killed just before and just after
// commits and at random moments, three of them run twice at once (a sender
// started by mistake beside its service), the server ends random sender
// connections, stops at once (pg_ctl stop -m immediate) and comes back,
// and one station stays cut from the server for most of the run. At the
// end, once every sender caught up, the back office's export must equal
// the merge of the stations' files byte for byte, and the server must hold
// every change exactly once.
//
// Sized for CI (about a minute): 300 changes per station by default (80
// under the sanitizers);
// FAULT_TEST_CHANGES=1000 gives the full run. FAULT_TEST_STATIONS
// (default 20) and FAULT_TEST_SEED scale or replay a run.
#include "tests/server/StationSim.h"
#include "tests/support/PgCluster.h"
#include "tests/support/ToolRun.h"
#include "tools/pgsql/PgConnection.h"
#include "tools/pgsql/StockTakeDb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>

using namespace tallivo;
using namespace tallivo::test;

namespace {

int Setting(const char* name, int fallback) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok && v > 0 ? v : fallback;
}

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The senders of the run, restarted when they die (as their service is),
// all stopped when the test ends, whatever happens.
class TSenders {
public:
    TSenders(QString stocktake, QString logs) : FStockTake(std::move(stocktake)), FLogs(std::move(logs)) {}
    ~TSenders() {
        for (auto& s : F) {
            s.Process->kill();
            s.Process->waitForFinished(10000);
        }
    }
    void Add(const QString& folder, const QString& conninfo) {
        F.push_back({folder, conninfo, std::make_unique<QProcess>()});
        Start(F.back());
    }
    // Restarts the dead ones; returns how many were.
    int Supervise() {
        int dead = 0;
        for (auto& s : F) {
            s.Process->waitForFinished(0);
            if (s.Process->state() == QProcess::NotRunning) {
                ++dead;
                Start(s);
            }
        }
        return dead;
    }
    void KillOne(QRandomGenerator& random) {
        F[random.bounded(int(F.size()))].Process->kill();
    }

private:
    struct TSender {
        QString Folder, ConnInfo;
        std::unique_ptr<QProcess> Process;
    };
    void Start(TSender& s) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TALLIVO_SYNC_TEST_KILL", "30"); // 3 % of the commits, before or after
        s.Process->setProcessEnvironment(env);
        s.Process->setStandardOutputFile(QProcess::nullDevice());
        s.Process->setStandardErrorFile(FLogs + '/' + QDir(s.Folder).dirName() + ".log", QIODevice::Append);
        s.Process->start(TALLIVO_SYNC_TOOL, {"--folder", s.Folder, "--db", s.ConnInfo, "--stocktake", FStockTake});
        s.Process->waitForStarted(30000);
    }
    QString FStockTake, FLogs;
    std::vector<TSender> F;
};

// A connection of the test's own, opened again after the server's restart.
class TAdmin {
public:
    explicit TAdmin(QString conninfo) : FConnInfo(std::move(conninfo)) {}
    pg::TPgConnection& Db() {
        if (!F) F = std::make_unique<pg::TPgConnection>(FConnInfo, "fault-test");
        return *F;
    }
    void Reset() { F.reset(); }
    // Ends n random connections of the senders; false when the server is away.
    bool TerminateSenders(int n) {
        try {
            Db().Exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'tallivo-sync'"
                      " ORDER BY random() LIMIT $1",
                      {pg::Param(int64_t(n))});
            return true;
        } catch (const pg::EPgError&) {
            F.reset();
            return false;
        }
    }

private:
    QString FConnInfo;
    std::unique_ptr<pg::TPgConnection> F;
};

struct TRunStation {
    std::unique_ptr<TStationSim> Sim;
    int Changes = 0;
    int InitialiseAt = 0;
};

// One change the operator could make, chosen at random.
void RandomChange(TRunStation& s, int index, QRandomGenerator& random) {
    const int article = random.bounded(150);
    // Some stations' catalogues write a code in small letters: the same
    // article for the merge and the server.
    QString code = QStringLiteral("ART-%1").arg(article, 3, 10, QLatin1Char('0'));
    if ((article + index) % 5 == 0) code = code.toLower();
    const QString name = (article % 11 == 0 && index % 3 == 0) ? QStringLiteral("Autre nom %1").arg(article)
                                                                : QStringLiteral("Article %1").arg(article);
    const double qty = random.bounded(1, 12) * (random.bounded(4) == 0 ? 0.5 : 1.0);
    const int what = random.bounded(100);
    bool done = true;
    if (s.Changes == s.InitialiseAt)
        s.Sim->Initialise();
    else if (what < 15)
        done = s.Sim->Replace(code, qty);
    else if (what < 22)
        done = s.Sim->Delete(code, what < 18);
    else
        s.Sim->Count(code, qty, name, 0.5 + article % 7);
    if (!done) s.Sim->Count(code, qty, name, 0.5 + article % 7);
    ++s.Changes;
}

} // namespace

TEST(FaultTest, EveryChangeIsCountedExactlyOnce) {
#ifndef TALLIVO_FAULT_TEST_CHANGES
#define TALLIVO_FAULT_TEST_CHANGES 300
#endif
    const int changes = Setting("FAULT_TEST_CHANGES", TALLIVO_FAULT_TEST_CHANGES);
    const int stationCount = Setting("FAULT_TEST_STATIONS", 20);
    const quint32 seed = quint32(Setting("FAULT_TEST_SEED", int(QRandomGenerator::system()->bounded(1u << 30))));
    SCOPED_TRACE("FAULT_TEST_SEED=" + std::to_string(seed));
    QRandomGenerator random(seed);

    TPgCluster cluster;
    ASSERT_TRUE(cluster.Ok()) << cluster.Error().toStdString();
    const QString name = "Fault";
    ASSERT_EQ(RunTool(TALLIVO_OFFICE_TOOL, {"--db", cluster.ConnInfo(), "init", name}).Code, 0);

    // The stations' folders in memory when the machine has it: a million
    // flushes to a disk would make the run long, not harder.
    QTemporaryDir base(QDir("/dev/shm").exists() ? "/dev/shm/tallivo-fault-XXXXXX" : QString());
    ASSERT_TRUE(base.isValid());
    QDir(base.path()).mkdir("logs");
    QDir(base.path()).mkdir("nowhere");
    // Station 0 reaches the server through a link that leads nowhere for
    // most of the run: a station cut from the network.
    const QString net = base.filePath("net0");
    ASSERT_TRUE(QFile::link(base.filePath("nowhere"), net));

    std::vector<TRunStation> stations(static_cast<size_t>(stationCount));
    TSenders senders(name, base.filePath("logs"));
    for (int i = 0; i < stationCount; ++i) {
        const QString folder = base.filePath(QString::asprintf("s%02d", i));
        QDir().mkpath(folder);
        TRunStation& s = stations[size_t(i)];
        s.Sim = std::make_unique<TStationSim>(folder, QString::asprintf("poste-%02d", i));
        s.InitialiseAt = changes / 3 + random.bounded(changes / 3);
        const QString conninfo =
            i == 0 ? QStringLiteral("host=%1 port=5432 dbname=postgres user=tallivo_admin").arg(net) : cluster.ConnInfo();
        senders.Add(folder, conninfo);
        if (i % 7 == 3) senders.Add(folder, conninfo); // started twice by mistake
    }

    TAdmin admin(cluster.ConnInfo());
    const int total = changes * stationCount;
    int deaths = 0, terminations = 0;
    bool stopped = false, restarted = false, reconnected = false;
    for (int n = 0; n < total; ++n) {
        // Every station makes its changes; the next one is chosen at random.
        int index = random.bounded(stationCount);
        while (stations[size_t(index)].Changes >= changes) index = (index + 1) % stationCount;
        RandomChange(stations[size_t(index)], index, random);

        if (n % 50 == 0) deaths += senders.Supervise();
        if (n % 400 == 0 && !stopped) terminations += admin.TerminateSenders(2) ? 1 : 0;
        if (n % 1500 == 700) senders.KillOne(random);
        if (!stopped && n >= total / 2) {
            ASSERT_TRUE(cluster.Stop(true)) << cluster.Error().toStdString();
            stopped = true;
        }
        if (stopped && !restarted && n >= total / 2 + total / 20) {
            ASSERT_TRUE(cluster.Restart()) << cluster.Error().toStdString();
            restarted = true;
        }
        if (!reconnected && n >= total * 4 / 5) {
            QFile::remove(net);
            ASSERT_TRUE(QFile::link(cluster.Folder(), net));
            reconnected = true;
        }
    }

    // Quiet: every sender catches up, in its own time.
    QString behind; // the stations still behind, with the end of their sender's log
    const auto caughtUp = [&] {
        behind.clear();
        try {
            const int32_t id = pg::StockTakeId(admin.Db(), name);
            for (const TRunStation& s : stations) {
                const auto marks = pg::ServerSequences(admin.Db(), id, s.Sim->Identity());
                const auto it = marks.find(s.Sim->Epoch());
                const int64_t held = it == marks.end() ? 0 : it->second;
                if (held != int64_t(s.Sim->Sequence()))
                    behind += QStringLiteral("%1: %2 of %3, log:\n%4\n")
                                  .arg(s.Sim->Identity())
                                  .arg(held)
                                  .arg(s.Sim->Sequence())
                                  .arg(QString::fromUtf8(ReadBytes(base.filePath("logs/" + QDir(s.Sim->Folder()).dirName() + ".log")).right(600)));
            }
        } catch (const pg::EPgError& e) {
            behind = e.Message();
            admin.Reset();
        }
        return behind.isEmpty();
    };
    QElapsedTimer wait;
    wait.start();
    while (!caughtUp()) {
        ASSERT_LT(wait.elapsed(), 180000) << "the senders did not catch up:\n" << behind.toStdString();
        deaths += senders.Supervise();
        QThread::msleep(200);
    }
    EXPECT_GT(deaths, 0) << "no sender was killed: the faults did not happen";
    EXPECT_GT(terminations, 0);

    const TToolRun exported =
        RunTool(TALLIVO_OFFICE_TOOL, {"--db", cluster.ConnInfo(), "export", name, base.filePath("server.csv")});
    ASSERT_EQ(exported.Code, 0) << exported.Err.toStdString();
    QStringList mergeArgs = {"merge", base.filePath("merge.csv")};
    for (const TRunStation& s : stations) mergeArgs << s.Sim->Folder() + "/COLLECTION.XML"; // identity order
    const TToolRun merged = RunTool(TALLIVO_PACKET_TOOL, mergeArgs);
    ASSERT_EQ(merged.Code, 0) << merged.Err.toStdString();
    const QByteArray server = ReadBytes(base.filePath("server.csv"));
    EXPECT_GT(server.count('\n'), 100);
    EXPECT_EQ(server.toStdString(), ReadBytes(base.filePath("merge.csv")).toStdString()); // a diff of the lines

    const pg::TPgResult stored = admin.Db().Exec(
        "SELECT count(*), count(DISTINCT (stocktake, station, epoch, seq)) FROM tallivo.event");
    EXPECT_EQ(stored.Int(0, 0), stored.Int(0, 1)) << "events stored twice";
    std::printf("%d stations x %d changes (seed %u): %lld events stored, %d senders restarted, "
                "%d rounds of ended connections\n",
                stationCount, changes, seed, qlonglong(stored.Int(0, 0)), deaths, terminations);
}
