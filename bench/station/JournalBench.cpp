// The journal's step for one change, without a display, at 20 000 and
// 200 000 collection lines:
//  - BM_JournalStep/N: a quantity accumulated on a line (Edit, Post), then
//    its journal step (the change read from the table's change log, the
//    record appended and flushed to the disk, the identity parameters set,
//    the confirmation appended);
//  - BM_ChangeOnly/N: the same change without the journal: the baseline.
// Saving COLLECTION.XML is not measured here (collection_bench does).
// The journal is written in a temporary folder (TMPDIR).
#include "station/CollectionJournal.h"
#include "table/ClientDataSet.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <memory>

using namespace tallivo;

namespace {

std::unique_ptr<TClientDataSet> Collection(int lines) {
    auto t = std::make_unique<TClientDataSet>();
    t->FieldDefs().Add("CODE_ART", ftString, 25);
    t->FieldDefs().Add("NOM_ART", ftString, 50);
    t->FieldDefs().Add("CATEGORIE", ftString, 25);
    t->FieldDefs().Add("QTE", ftFloat);
    t->FieldDefs().Add("PRIX_ACHAT", ftFloat);
    t->FieldDefs().Add("GERE_STOCK", ftString, 1);
    t->CreateDataSet();
    for (int i = 0; i < lines; ++i) {
        t->Append();
        t->FieldByName("CODE_ART").SetAsString(QString::number(3700000000000LL + i));
        t->FieldByName("NOM_ART").SetAsString(QStringLiteral("Article de démonstration n° %1").arg(i));
        t->FieldByName("CATEGORIE").SetAsString(QStringLiteral("Conserves"));
        t->FieldByName("QTE").SetAsFloat(1);
        t->FieldByName("PRIX_ACHAT").SetAsFloat(2.5);
        t->FieldByName("GERE_STOCK").SetAsString(QStringLiteral("O"));
        t->Post();
    }
    t->First();
    t->MoveBy(lines / 2);
    return t;
}

void Accumulate(TClientDataSet& t) {
    t.Edit();
    TField& qte = t.FieldByName("QTE");
    qte.SetAsFloat(qte.AsFloat() + 1);
    t.Post();
}

void BM_JournalStep(benchmark::State& state) {
    QTemporaryDir dir;
    auto table = Collection(int(state.range(0)));
    TCollectionJournal journal(dir.path());
    journal.Start(*table, false);
    journal.Record();
    for (auto _ : state) {
        Accumulate(*table);
        if (!journal.Record().isEmpty()) state.SkipWithError("the journal was not written");
        journal.Confirm();
    }
    state.counters["records"] = double(journal.Sequence());
}
BENCHMARK(BM_JournalStep)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(300);

void BM_ChangeOnly(benchmark::State& state) {
    auto table = Collection(int(state.range(0)));
    for (auto _ : state) Accumulate(*table);
}
BENCHMARK(BM_ChangeOnly)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(300);

} // namespace

BENCHMARK_MAIN();
