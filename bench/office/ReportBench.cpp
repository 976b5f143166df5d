// The stock-take report as tallivo-office report makes it, over a catalogue
// of 1 000 000 articles and a count of 100 000 lines: loading both files,
// merging the count, matching each counted code, computing every line and
// writing the four files. Beside it, its baseline in the same run: loading
// the two files alone.
//
// Two catalogues: as a shop has it (BM_Report: the articles in stock, the
// 100 000 counted and one in twenty of the others, carry an expected
// quantity; the rest 0), and the worst case (BM_ReportEveryArticleStocked:
// six articles in seven expected, so that some 760 000 are not counted and
// all of them go to the recount files).
//
//   report_bench [--benchmark_filter=...]
// The input files are written once per run in the temporary folder.
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "table/StoreData.h"
#include "tools/catgen/Catalogue.h"
#include "tools/common/ToolFiles.h"
#include "tools/office/ReportCommand.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <string>
#include <string_view>
#include <unistd.h>
#include <unordered_set>
#include <vector>

using namespace tallivo;

namespace {

constexpr uint32_t kArticles = 1000000, kLines = 100000;

QString TempPath(const QString& name) {
    return QDir::temp().filePath(QStringLiteral("tallivo-report-bench-%1-%2").arg(getpid()).arg(name));
}

struct TInputs {
    QString Catalogue, Count = TempPath("COLLECTION.XML"), Out = TempPath("OUT");
    explicit TInputs(bool everyArticleStocked)
        : Catalogue(TempPath(everyArticleStocked ? "TOUS.XML" : "ARTICLE.XML")) {
        TStoreData count = catgen::MakeCount(kArticles, kLines);
        catgen::TCatalogueKinds kinds;
        kinds.Stock = "r8";
        TStoreData catalogue = catgen::MakeCatalogue(kArticles, 1, kinds);
        if (!everyArticleStocked) {
            std::unordered_set<std::string_view> counted;
            for (uint32_t row = 0; row < count.SlotCount(); ++row)
                counted.insert(count.Columns[0].BytesAt(row));
            TStoreColumn& stock = catalogue.Columns.back();
            TStoreColumn kept(TStoreColumn::TKind::Float);
            for (uint32_t row = 0; row < kArticles; ++row)
                kept.AppendFloat(counted.count(catalogue.Columns[0].BytesAt(row)) || row % 20 == 0
                                     ? stock.FloatAt(row)
                                     : 0);
            stock = std::move(kept);
        }
        TClientDataSet table;
        table.LoadFromStoreData(std::move(catalogue));
        table.SaveToFile(Catalogue, dfXML);
        table.LoadFromStoreData(std::move(count));
        if (!QFile::exists(Count)) table.SaveToFile(Count, dfXML);
    }
    ~TInputs() {
        QFile::remove(Catalogue);
        QFile::remove(Count);
        QDir(Out).removeRecursively();
    }
};

TInputs& Inputs(bool everyArticleStocked) {
    static TInputs shop(false);
    if (!everyArticleStocked) return shop;
    static TInputs every(true);
    return every;
}

void LoadInputs(benchmark::State& state, bool everyArticleStocked) {
    const TInputs& in = Inputs(everyArticleStocked);
    for (auto _ : state) {
        IDSBase catalogue(ReadPacketFile(in.Catalogue));
        IDSBase count(ReadPacketFile(in.Count));
        benchmark::DoNotOptimize(catalogue.RecordCount() + count.RecordCount());
    }
    state.counters["articles"] = kArticles;
    state.counters["lines"] = kLines;
}

void Report(benchmark::State& state, bool everyArticleStocked) {
    const TInputs& in = Inputs(everyArticleStocked);
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

void BM_ReportLoadInputs(benchmark::State& state) {
    LoadInputs(state, false);
}
void BM_Report(benchmark::State& state) {
    Report(state, false);
}
void BM_ReportLoadInputsEveryArticleStocked(benchmark::State& state) {
    LoadInputs(state, true);
}
void BM_ReportEveryArticleStocked(benchmark::State& state) {
    Report(state, true);
}

BENCHMARK(BM_ReportLoadInputs)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Report)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReportLoadInputsEveryArticleStocked)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReportEveryArticleStocked)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
