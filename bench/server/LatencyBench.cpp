// The time from a keypad's Ok to the change shown by the back office: a
// station (the real journal and save step) counts one piece, its sender
// (tallivo-sync, running) sends it, the server tells the back office's
// live count (tallivo-office watch, running, reading its output) which
// shows it. On the machine's own socket; target 1 s at the 99th
// percentile. Baseline in the same run: the same piece stored straight
// into the server by the benchmark, without journal nor sender, to the
// same watch.
#include "bench/server/BenchCluster.h"
#include "tests/server/StationSim.h"
#include "tools/pgsql/PgConnection.h"
#include "tools/pgsql/StockTakeDb.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <memory>

using namespace tallivo;

namespace {

constexpr int kLimitMs = 30000; // a change never shown fails the run

// The station, its sender and the back office's watch, started once.
struct TChain {
    const bench::TBenchServer& Server = bench::Server(1);
    QTemporaryDir Dir;
    std::unique_ptr<test::TStationSim> Station;
    QProcess Sender, Watch;
    QByteArray Output;
    double Counted = 0, Direct = 0;
    int64_t DirectSequence = 0;
    std::unique_ptr<pg::TPgConnection> Db;

    TChain() {
        Station = std::make_unique<test::TStationSim>(Dir.path(), QStringLiteral("poste-latence"));
        Sender.setStandardOutputFile(QProcess::nullDevice());
        Sender.setStandardErrorFile(QProcess::nullDevice());
        Sender.start(TALLIVO_SYNC_TOOL,
                     {"--folder", Dir.path(), "--db", Server.AdminConnInfo, "--stocktake", "Bench"});
        Watch.start(TALLIVO_OFFICE_TOOL, {"--db", Server.AdminConnInfo, "watch", "Bench"});
        Db = std::make_unique<pg::TPgConnection>(Server.AdminConnInfo, "bench");
        pg::JoinStation(*Db, Server.StockTake, QStringLiteral("poste-direct"));
    }
    ~TChain() {
        for (QProcess* p : {&Sender, &Watch}) {
            p->kill();
            p->waitForFinished();
        }
    }

    // True once the watch showed the station with that many pieces.
    bool WaitShown(const QByteArray& station, double pieces) {
        const QByteArray want = QByteArray::number(pieces);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < kLimitMs) {
            Watch.waitForReadyRead(100);
            Output += Watch.readAllStandardOutput();
            qsizetype end;
            while ((end = Output.indexOf('\n')) >= 0) {
                const QList<QByteArray> words = Output.left(end).simplified().split(' ');
                Output.remove(0, end + 1);
                if (words.size() >= 3 && words[0] == station && words[2] == want) return true;
            }
        }
        return false;
    }
};

TChain& Chain() {
    static TChain chain;
    return chain;
}

void BM_OkToOffice(benchmark::State& state) {
    TChain& c = Chain();
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        c.Station->Count(QStringLiteral("ART-1"), 1);
        c.Counted += 1;
        if (!c.WaitShown("poste-latence", c.Counted)) state.SkipWithError("the change never showed");
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
    }
}

void BM_InsertToOffice(benchmark::State& state) {
    TChain& c = Chain();
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        pg::TEvent e;
        e.Epoch = 1;
        e.Sequence = ++c.DirectSequence;
        e.Kind = 2;
        e.Code = QStringLiteral("ART-1");
        c.Direct += 1;
        e.Quantity = c.Direct;
        e.Delta = 1;
        e.TimeMs = 1700000000000;
        pg::PushEvents(*c.Db, c.Server.StockTake, QStringLiteral("poste-direct"), {e});
        if (!c.WaitShown("poste-direct", c.Direct)) state.SkipWithError("the change never showed");
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
    }
}

double Percentile(const std::vector<double>& v, double p) {
    std::vector<double> s = v;
    std::sort(s.begin(), s.end());
    return s.empty() ? 0 : s[std::min(s.size() - 1, size_t(p * double(s.size())))];
}

// One change per repetition; the percentiles of the repetitions.
#define LATENCY(f)                                                                                                 \
    BENCHMARK(f)                                                                                                   \
        ->UseManualTime()                                                                                          \
        ->Unit(benchmark::kMillisecond)                                                                            \
        ->Iterations(1)                                                                                            \
        ->Repetitions(200)                                                                                         \
        ->ComputeStatistics("p50", [](const std::vector<double>& v) { return Percentile(v, 0.50); })               \
        ->ComputeStatistics("p99", [](const std::vector<double>& v) { return Percentile(v, 0.99); })               \
        ->ReportAggregatesOnly(true)
LATENCY(BM_InsertToOffice);
LATENCY(BM_OkToOffice);

} // namespace

BENCHMARK_MAIN();
