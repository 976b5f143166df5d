// Events stored per second by the stock-take server when 50 stations send
// at once, each change in its own transaction as a sender sends a live
// count (and in batches of 500, as a sender catches up after an outage):
// through the stations' own logins, the row policies, the once-only key
// and the notification, against the same rows inserted plainly into a
// table without any of them (the server's own pace). The server is a
// private cluster that flushes to the disk, as in production. A real
// stock-take needs about 25 events per second.
#include "bench/server/BenchCluster.h"
#include "tools/pgsql/PgConnection.h"
#include "tools/pgsql/StockTakeDb.h"

#include <benchmark/benchmark.h>

#include <atomic>

using namespace tallivo;
using namespace tallivo::pg;

namespace {

constexpr int kSenders = 50;

// Per station, the next sequence to send (runs of a benchmark continue).
std::atomic<int64_t> NextSequence[kSenders];

TEvent Event(int64_t seq, int station) {
    TEvent e;
    e.Epoch = 1;
    e.Sequence = seq;
    e.Kind = 2;
    e.Code = QStringLiteral("ART-%1").arg(seq % 997);
    e.Name = QStringLiteral("Article de banc %1").arg(station);
    e.Category = QStringLiteral("Banc");
    e.Stock = QStringLiteral("O");
    e.Quantity = double(seq);
    e.Delta = 1;
    e.Price = 2.5;
    e.TimeMs = 1700000000000 + seq;
    return e;
}

void BM_SendEvents(benchmark::State& state) {
    const bench::TBenchServer& server = bench::Server(kSenders);
    const int station = state.thread_index();
    TPgConnection db(server.StationConnInfo(station), "tallivo-sync");
    const size_t batch = size_t(state.range(0));
    int64_t events = 0;
    for (auto _ : state) {
        std::vector<TEvent> sent;
        for (size_t i = 0; i < batch; ++i) sent.push_back(Event(++NextSequence[station], station));
        PushEvents(db, server.StockTake, server.Station(station), sent);
        events += int64_t(batch);
    }
    state.counters["events/s"] = benchmark::Counter(double(events), benchmark::Counter::kIsRate);
}

void BM_PlainInsert(benchmark::State& state) {
    const bench::TBenchServer& server = bench::Server(kSenders);
    const int station = state.thread_index();
    TPgConnection db(server.AdminConnInfo, "bench");
    const size_t batch = size_t(state.range(0));
    int64_t events = 0;
    for (auto _ : state) {
        db.Run("BEGIN");
        for (size_t i = 0; i < batch; ++i) {
            const TEvent e = Event(++NextSequence[station], station);
            db.Exec("INSERT INTO bench_plain VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11,"
                    " 'epoch'::timestamptz + $12 * interval '1 millisecond')",
                    {Param(int64_t(server.StockTake)), Param(server.Station(station)), Param(e.Epoch),
                     Param(e.Sequence), Param(int64_t(e.Kind)), Param(e.Code), Param(e.Name), Param(e.Category),
                     Param(*e.Quantity), Param(e.Delta), Param(*e.Price), Param(e.TimeMs)});
        }
        db.Run("COMMIT");
        events += int64_t(batch);
    }
    state.counters["events/s"] = benchmark::Counter(double(events), benchmark::Counter::kIsRate);
}

// Baseline and measure alternate, one size after the other.
BENCHMARK(BM_PlainInsert)->Arg(1)->Threads(kSenders)->UseRealTime()->MinTime(3);
BENCHMARK(BM_SendEvents)->Arg(1)->Threads(kSenders)->UseRealTime()->MinTime(3);
BENCHMARK(BM_PlainInsert)->Arg(500)->Threads(kSenders)->UseRealTime()->MinTime(3);
BENCHMARK(BM_SendEvents)->Arg(500)->Threads(kSenders)->UseRealTime()->MinTime(3);

} // namespace

BENCHMARK_MAIN();
