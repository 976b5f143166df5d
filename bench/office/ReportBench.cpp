// The stock-take report as tallivo-office report makes it, over a catalogue
// of 1 000 000 articles with their expected stock and a count of 100 000
// lines: loading both files, merging the count, matching each counted code,
// computing every line and writing the four files. Beside it, its baseline
// in the same run: loading the two files alone.
//
//   report_bench [--benchmark_filter=...]
// The input files are written once per run in the temporary folder.
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "tools/catgen/Catalogue.h"
#include "tools/common/ToolFiles.h"
#include "tools/office/ReportCommand.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tallivo;

namespace {

constexpr uint32_t kArticles = 1000000, kLines = 100000;

QString TempPath(const QString& name) {
    return QDir::temp().filePath(QStringLiteral("tallivo-report-bench-%1-%2").arg(getpid()).arg(name));
}

struct TInputs {
    QString Catalogue = TempPath("ARTICLE.XML"), Count = TempPath("COLLECTION.XML"), Out = TempPath("OUT");
    TInputs() {
        catgen::TCatalogueKinds kinds;
        kinds.Stock = "r8";
        TClientDataSet catalogue;
        catgen::FillCatalogue(catalogue, kArticles, 1, kinds);
        catalogue.SaveToFile(Catalogue, dfXML);
        TClientDataSet count;
        count.LoadFromStoreData(catgen::MakeCount(kArticles, kLines));
        count.SaveToFile(Count, dfXML);
    }
    ~TInputs() {
        QFile::remove(Catalogue);
        QFile::remove(Count);
        QDir(Out).removeRecursively();
    }
};

TInputs& Inputs() {
    static TInputs inputs;
    return inputs;
}

void BM_ReportLoadInputs(benchmark::State& state) {
    const TInputs& in = Inputs();
    for (auto _ : state) {
        IDSBase catalogue(ReadPacketFile(in.Catalogue));
        IDSBase count(ReadPacketFile(in.Count));
        benchmark::DoNotOptimize(catalogue.RecordCount() + count.RecordCount());
    }
    state.counters["articles"] = kArticles;
    state.counters["lines"] = kLines;
}

void BM_Report(benchmark::State& state) {
    const TInputs& in = Inputs();
    std::vector<std::string> args = {
        "tallivo-office",      "report", "--force", in.Catalogue.toStdString(), in.Out.toStdString(),
        in.Count.toStdString()};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    for (auto _ : state)
        if (OfficeReport(int(argv.size()), argv.data()) != 0) state.SkipWithError("the report failed");
    state.counters["articles"] = kArticles;
    state.counters["lines"] = kLines;
}

BENCHMARK(BM_ReportLoadInputs)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Report)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
