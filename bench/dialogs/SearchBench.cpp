// The article selection dialog over a 1 000 000-article catalogue,
// offscreen, each figure up to the grid painted:
//  - BM_SearchOpen: a fresh catalogue (no order built yet), the dialog
//    created and shown modally until its grid has painted after activation;
//  - BM_SearchReopen: the second and later opens;
//  - BM_SearchKeystroke: one letter typed into the search field, to the grid
//    repainted on the nearest article;
//  - BM_SearchTitleSort: the first tap on the "Fournisseur" title of a fresh
//    catalogue, and BM_SearchTitleSortCached: the same tap again after a
//    tap on "Désignation" (both orders already built).
// Baselines in the same run: the same steps with the activation that makes
// every offered column the sort order in turn (six sorts per fresh
// catalogue), named ...Eager.

#include "base/Exception.h"
#include "dialogs/Selectarticle3.h"
#include "grid/DBGrids.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "table/DataSource.h"
#include "table/StoreData.h"
#include "toolkit/StdCtrls.h"
#include "tools/catgen/Catalogue.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <random>
#include <vector>

using namespace tallivo;

namespace {

constexpr uint32_t kArticles = 1000000;

const TStoreData& Generated() {
    static const TStoreData data = catgen::MakeCatalogue(kArticles);
    return data;
}

// The catalogue as the main window holds it, with its link for the dialog.
struct Catalogue {
    TClientDataSet Table;
    TDataSource Source;
    Catalogue() {
        Table.LoadFromStoreData(Generated());
        Source.SetDataSet(&Table);
    }
    ~Catalogue() { Source.SetDataSet(nullptr); }
};

// The activation that tries every offered column as the sort order.
void EagerActivate(TSelectarticle3Box* box) {
    TClientDataSet& table = *box->DBGrid1->DataSource()->DataSet();
    box->ComboBox4->ClearItems();
    int name = -1;
    for (int i = 0; i < box->DBGrid1->Columns().Count(); ++i) {
        const TColumn* column = box->DBGrid1->Columns()[i];
        if (column->FieldName() == QLatin1String("PX_VTE_TC")) continue;
        try {
            table.SetIndexFieldNames(column->FieldName());
        } catch (const Exception&) {
            continue;
        }
        if (column->FieldName() == QLatin1String("NOM_ART")) name = box->ComboBox4->ItemCount();
        box->ComboBox4->AddItem(column->Title().Caption());
    }
    box->ComboBox4->SetItemIndex(name);
    box->ComboBox4Change(box->ComboBox4);
    box->select.clear();
    box->Edit1->SetFocus();
}

// A dialog over the catalogue that notes when its grid paints.
struct Dialog {
    std::unique_ptr<TSelectarticle3Box> Box;
    bool Painted = false;
    Dialog(Catalogue& c, bool eager) : Box(std::make_unique<TSelectarticle3Box>(nullptr, &c.Source)) {
        TSelectarticle3Box* box = Box.get();
        if (eager) box->OnActivate = [box](TObject*) { EagerActivate(box); };
        box->DBGrid1->OnDrawColumnCell = [this, box](TObject* s, const TRect& r, int col, TColumn* c,
                                                     TGridDrawState st) {
            Painted = true;
            box->DBGrid1DrawColumnCell(s, r, col, c, st);
        };
    }
    // Runs f, then lets Qt work until the grid has painted; seconds taken.
    template <class F> double UntilPainted(F&& f) {
        QElapsedTimer clock;
        clock.start();
        Painted = false;
        f();
        while (!Painted) QCoreApplication::processEvents(QEventLoop::AllEvents);
        return clock.nsecsElapsed() / 1e9;
    }
    void TapTitle(int column) {
        TDBGrid* g = Box->DBGrid1;
        const TRect cell = g->CellRect(column, 0);
        const TPoint o = g->ClientOffset();
        const QPointF at(o.X + (cell.Left + cell.Right) / 2, o.Y + (cell.Top + cell.Bottom) / 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, g->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          {});
        QMouseEvent release(QEvent::MouseButtonRelease, at, g->mapToGlobal(at), Qt::LeftButton, {}, {});
        QApplication::sendEvent(g, &press);
        QApplication::sendEvent(g, &release);
    }
};

// Seconds from creating the dialog to its grid painted after activation,
// shown modally as the main window shows it; the dialog is then cancelled.
double OpenUntilPainted(Catalogue& c, bool eager) {
    QElapsedTimer clock;
    clock.start();
    Dialog d(c, eager);
    double seconds = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (d.Painted && d.Box->Active()) {
            seconds = clock.nsecsElapsed() / 1e9;
            poll.stop();
            d.Box->SetModalResult(mrCancel);
        }
    });
    poll.start(0);
    d.Box->ShowModal();
    return seconds;
}

void Report(benchmark::State& state, std::vector<double> seconds) {
    std::sort(seconds.begin(), seconds.end());
    state.counters["median_ms"] = seconds[seconds.size() / 2] * 1e3;
    state.counters["max_ms"] = seconds.back() * 1e3;
}

void Open(benchmark::State& state, bool eager) {
    Generated();
    std::vector<double> samples;
    for (auto _ : state) {
        state.PauseTiming();
        auto c = std::make_unique<Catalogue>();
        state.ResumeTiming();
        const double t = OpenUntilPainted(*c, eager);
        state.SetIterationTime(t);
        samples.push_back(t);
        state.PauseTiming();
        c.reset();
        state.ResumeTiming();
    }
    Report(state, samples);
}

void Reopen(benchmark::State& state, bool eager) {
    Catalogue c;
    OpenUntilPainted(c, eager);
    std::vector<double> samples;
    for (auto _ : state) {
        const double t = OpenUntilPainted(c, eager);
        state.SetIterationTime(t);
        samples.push_back(t);
    }
    Report(state, samples);
}

void BM_SearchKeystroke(benchmark::State& state) {
    Catalogue c;
    Dialog d(c, false);
    d.UntilPainted([&] {
        d.Box->Show();
        d.Box->activateWindow();
    });
    // Beginnings of real names, typed letter by letter.
    std::mt19937 rng(7);
    QString name, typed;
    std::vector<double> samples;
    for (auto _ : state) {
        if (typed.size() >= std::min<qsizetype>(5, name.size())) {
            state.PauseTiming();
            d.Box->Edit1->Clear(); // a blank field searches nothing
            name = catgen::Article(rng() % kArticles).Name.toUpper();
            typed.clear();
            state.ResumeTiming();
        }
        const QChar letter = name[typed.size()];
        typed += letter;
        QKeyEvent key(QEvent::KeyPress, letter.isLetter() ? Qt::Key_A : Qt::Key_Space, {}, QString(letter));
        const double t = d.UntilPainted([&] { QApplication::sendEvent(d.Box->Edit1->Editor(), &key); });
        if (d.Box->Edit1->Text() != typed) state.SkipWithError("the search field did not get the letter");
        state.SetIterationTime(t);
        samples.push_back(t);
    }
    Report(state, samples);
}

void TitleSort(benchmark::State& state, bool eager) {
    Generated();
    std::vector<double> samples;
    for (auto _ : state) {
        state.PauseTiming();
        auto c = std::make_unique<Catalogue>();
        Dialog d(*c, eager);
        d.UntilPainted([&] {
            d.Box->Show();
            d.Box->activateWindow();
        });
        state.ResumeTiming();
        const double t = d.UntilPainted([&] { d.TapTitle(3); });
        if (c->Table.IndexFieldNames() != QLatin1String("NOM_FOU"))
            state.SkipWithError("not sorted by supplier");
        state.SetIterationTime(t);
        samples.push_back(t);
        state.PauseTiming();
        d.Box.reset();
        c.reset();
        state.ResumeTiming();
    }
    Report(state, samples);
}

void BM_SearchTitleSortCached(benchmark::State& state) {
    Catalogue c;
    Dialog d(c, false);
    d.UntilPainted([&] {
        d.Box->Show();
        d.Box->activateWindow();
    });
    d.UntilPainted([&] { d.TapTitle(3); });
    std::vector<double> samples;
    for (auto _ : state) {
        state.PauseTiming();
        d.UntilPainted([&] { d.TapTitle(1); });
        state.ResumeTiming();
        const double t = d.UntilPainted([&] { d.TapTitle(3); });
        state.SetIterationTime(t);
        samples.push_back(t);
    }
    if (c.Table.Store()->SortOrdersBuilt() != 2) state.SkipWithError("an order was built again");
    Report(state, samples);
}

void BM_SearchOpen(benchmark::State& s) {
    Open(s, false);
}
void BM_SearchOpenEager(benchmark::State& s) {
    Open(s, true);
}
void BM_SearchReopen(benchmark::State& s) {
    Reopen(s, false);
}
void BM_SearchReopenEager(benchmark::State& s) {
    Reopen(s, true);
}
void BM_SearchTitleSort(benchmark::State& s) {
    TitleSort(s, false);
}
void BM_SearchTitleSortEager(benchmark::State& s) {
    TitleSort(s, true);
}

// The argument is the catalogue size, for the names: the catalogue is always
// kArticles long.
BENCHMARK(BM_SearchOpen)->Arg(kArticles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SearchOpenEager)->Arg(kArticles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SearchReopen)->Arg(kArticles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_SearchReopenEager)
    ->Arg(kArticles)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK(BM_SearchKeystroke)
    ->Arg(kArticles)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);
BENCHMARK(BM_SearchTitleSort)->Arg(kArticles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SearchTitleSortEager)
    ->Arg(kArticles)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_SearchTitleSortCached)
    ->Arg(kArticles)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);

} // namespace
