// Saving and loading the main window's column layout (ART.GRD), offscreen,
// on the main window's own grid (four designed columns over the open
// collection):
//   BM_LayoutWrite / BM_LayoutRead      the stream alone (bytes <-> records)
//   BM_SaveToStream / BM_LoadFromStream the grid's columns <-> bytes; loading
//                                       includes the grid's new layout
//   BM_SaveToFile / BM_LoadFromFile     through the file (saving flushes it
//                                       to disk and renames it)
// Baselines in the same run: BM_ColumnsAssign, replacing the columns by an
// in-memory copy (what every load ends with), and BM_AtomicWriteSameBytes,
// the same bytes through the crash-safe file alone.
//   build-rel/bench/grid/layout_bench
#include "app/Master.h"
#include "grid/stream/ColumnsStream.h"
#include "table/AtomicFile.h"
#include "toolkit/Forms.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <memory>

using namespace tallivo;

namespace {

struct TBytes final : IPacketSink {
    std::string Bytes;
    void Put(const char* data, size_t size) override { Bytes.append(data, size); }
};

// The main window, created as at start (not shown), in a folder of its own.
struct Bench {
    QTemporaryDir Dir;
    std::unique_ptr<TMasterform> Form;
    std::string Bytes;
    QString File;

    Bench() {
        QDir::setCurrent(Dir.path());
        Form = std::make_unique<TMasterform>(nullptr);
        TBytes sink;
        Columns().SaveToStream(sink);
        Bytes = sink.Bytes;
        File = Dir.filePath("ART.GRD");
    }
    TDBGridColumns& Columns() { return Form->DBGrid1->Columns(); }
};
std::unique_ptr<Bench> gBench;

Bench& B() {
    if (!gBench) gBench = std::make_unique<Bench>();
    return *gBench;
}

void BM_LayoutWrite(benchmark::State& state) {
    const TColumnsLayout layout = ReadColumnsLayout(B().Bytes);
    for (auto _ : state) benchmark::DoNotOptimize(WriteColumnsLayout(layout));
}

void BM_LayoutRead(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ReadColumnsLayout(B().Bytes));
}

void BM_SaveToStream(benchmark::State& state) {
    for (auto _ : state) {
        TBytes sink;
        B().Columns().SaveToStream(sink);
        benchmark::DoNotOptimize(sink.Bytes);
    }
}

void BM_LoadFromStream(benchmark::State& state) {
    for (auto _ : state) B().Columns().LoadFromStream(B().Bytes);
}

void BM_ColumnsAssign(benchmark::State& state) {
    TDBGridColumns copy(B().Form->DBGrid1);
    copy.BeginUpdate();
    copy.Assign(B().Columns());
    for (auto _ : state) B().Columns().Assign(copy);
}

void BM_SaveToFile(benchmark::State& state) {
    for (auto _ : state) B().Columns().SaveToFile(B().File);
}

void BM_AtomicWriteSameBytes(benchmark::State& state) {
    for (auto _ : state) {
        TAtomicFile file(B().File);
        file.Put(B().Bytes.data(), B().Bytes.size());
        file.Commit();
    }
}

void BM_LoadFromFile(benchmark::State& state) {
    B().Columns().SaveToFile(B().File);
    for (auto _ : state) B().Columns().LoadFromFile(B().File);
}

BENCHMARK(BM_LayoutWrite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LayoutRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveToStream)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadFromStream)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColumnsAssign)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AtomicWriteSameBytes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    TApplication app;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gBench.reset();
    return 0;
}
