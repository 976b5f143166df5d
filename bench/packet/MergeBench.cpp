// The merge of three stations' collections holding 100 000 lines in all
// (each station a third, half of its codes also counted by the next
// station, one name in a hundred spelt otherwise), as tallivo-packet merge
// does it: load the three files, merge, write the export text through a
// crash-safe file. Beside it, its baseline in the same run: loading the
// three files alone.
//
//   merge_bench [--benchmark_filter=...]
// The station files are written once per run in the temporary folder.
#include "table/AtomicFile.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "tools/catgen/Catalogue.h"
#include "tools/packet/Merge.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <unistd.h>

using namespace tallivo;

namespace {

constexpr uint32_t kLines = 100000;

QString TempPath(const QString& name) {
    return QDir::temp().filePath(QStringLiteral("tallivo-merge-bench-%1-%2").arg(getpid()).arg(name));
}

// The three COLLECTION.XML files, saved as a station saves them.
const QStringList& StationFiles() {
    static QStringList files;
    if (!files.isEmpty()) return files;
    const uint32_t perStation = kLines / 3;
    for (uint32_t s = 0; s < 3; ++s) {
        TClientDataSet t;
        t.FieldDefs().Add("CODE_ART", ftString, 25);
        t.FieldDefs().Add("NOM_ART", ftString, 50);
        t.FieldDefs().Add("CATEGORIE", ftString, 25);
        t.FieldDefs().Add("QTE", ftFloat);
        t.FieldDefs().Add("PRIX_ACHAT", ftFloat);
        t.FieldDefs().Add("GERE_STOCK", ftString, 1);
        t.CreateDataSet();
        const uint32_t lines = s == 2 ? kLines - 2 * perStation : perStation;
        for (uint32_t i = 0; i < lines; ++i) {
            const catgen::TArticle a = catgen::Article(s * perStation / 2 + i);
            t.Append();
            t.FieldByName("CODE_ART").SetAsString(a.Code);
            t.FieldByName("NOM_ART").SetAsString(s == 1 && i % 100 == 0 ? a.Name + QStringLiteral(" bis")
                                                                        : a.Name);
            t.FieldByName("CATEGORIE").SetAsString(a.Category);
            t.FieldByName("QTE").SetAsFloat(1 + i % 7 + (i % 4) * 0.25);
            if (a.HasPurchasePrice) t.FieldByName("PRIX_ACHAT").SetAsFloat(a.PurchasePrice);
            t.FieldByName("GERE_STOCK").SetAsString(a.Stock);
            t.Post();
        }
        files << TempPath(QStringLiteral("STATION%1.XML").arg(s + 1));
        t.SaveToFile(files.back(), dfXML);
    }
    return files;
}

void BM_LoadThreeStations(benchmark::State& state) {
    const QStringList& files = StationFiles();
    for (auto _ : state) {
        for (const QString& f : files) {
            TClientDataSet t;
            t.LoadFromFile(f);
            benchmark::DoNotOptimize(t.RecordCount());
        }
    }
    state.counters["lines"] = kLines;
}

void BM_MergeThreeStations(benchmark::State& state) {
    const QStringList& files = StationFiles();
    const QString out = TempPath(QStringLiteral("TOTAL.CSV"));
    uint32_t articles = 0;
    size_t conflicts = 0;
    for (auto _ : state) {
        TCollectionMerge merge;
        for (const QString& f : files) {
            TClientDataSet t;
            t.LoadFromFile(f);
            merge.Add(f, *t.Store());
        }
        conflicts = merge.Conflicts().size();
        TClientDataSet result;
        result.LoadFromStoreData(merge.TakeResult());
        articles = uint32_t(result.RecordCount());
        const QByteArray text = ExportText(result);
        TAtomicFile file(out);
        file.Put(text.constData(), size_t(text.size()));
        file.Commit();
    }
    state.counters["lines"] = kLines;
    state.counters["articles"] = articles;
    state.counters["conflicts"] = double(conflicts);
    QFile::remove(out);
}

BENCHMARK(BM_LoadThreeStations)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_MergeThreeStations)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const QString& f : StationFiles()) QFile::remove(f);
    return 0;
}
