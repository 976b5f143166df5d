// Down pressed 1000 times in a 1920 x 1080 grid over a 1 000 000-record
// table, each press followed by its repaint, offscreen: with the rows slid
// by one pitch (the grid's own way) and with every move repainting the whole
// grid, in the same run. Per-press medians are in the counters (median_us);
// the ratio is printed after the table. And the recognition of swipe
// strokes of 10, 100 and 500 points, the work a stroke's release adds.

#include "grid/DBGrids.h"
#include "grid/GestureRecognizer.h"
#include "grid/GestureStroke.h"
#include "table/ClientDataSet.h"
#include "toolkit/Forms.h"
#include "tools/catgen/Catalogue.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using namespace tallivo;

namespace {

constexpr int kPresses = 1000;

struct Bench {
    TClientDataSet Table;
    TDataSource Source;
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TDBGrid* Grid = nullptr;

    Bench() {
        catgen::FillCatalogue(Table, 1000000);
        Source.SetDataSet(&Table);
        Form->SetClientSize(1920, 1080);
        Grid = new TDBGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetBounds(0, 0, 1920, 1080);
        // The main window's grid: gradient titles, large rows, row selection.
        Grid->SetColor(clWhite);
        Grid->SetCtl3D(false);
        Grid->SetDrawingStyle(gdsGradient);
        Grid->SetGradientStartColor(10721432);
        Grid->SetGradientEndColor(7365475);
        Grid->Font() = TFont(QStringLiteral("Calibri"), -37, clWindowText);
        Grid->TitleFont() = TFont(QStringLiteral("Segoe UI Semibold"), -12, clBlack);
        Grid->SetOptions({dgTitles, dgColumnResize, dgColLines, dgRowLines, dgRowSelect,
                          dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgTitleClick,
                          dgTitleHotTrack});
        struct Col {
            const char* Field;
            const char* Caption;
            int Width;
        };
        static const Col kColumns[] = {
            {"NOM_ART", "Article", 544},       {"PX_VTE_TC", "Prix", 93},
            {"PRIX_ACHAT", "Prix Achat", 132}, {"CODE_ART", "Code article", 292},
            {"NOM_FOU", "Fournisseur", 300},   {"CATEGORIE", "Catégorie", 250},
            {"REF_ART_F", "Référence", 250},
        };
        Grid->Columns().BeginUpdate();
        for (const Col& c : kColumns) {
            TColumn* column = Grid->Columns().Add();
            column->SetFieldName(QString::fromUtf8(c.Field));
            column->Title().SetCaption(QString::fromUtf8(c.Caption));
            column->SetWidth(c.Width);
            column->SetFont(TFont(QStringLiteral("Segoe UI Semibold"), -27, 4210752));
            column->Title().SetFont(TFont(QStringLiteral("Segoe UI Semilight"), -19, clWhite));
        }
        Grid->Columns().EndUpdate();
        Grid->SetDataSource(&Source);
        Form->show();
        Settle();
    }
    ~Bench() {
        delete Grid;
        Grid = nullptr;
    }
    static void Settle() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }
};

// Built at first use and freed before the QApplication goes.
std::unique_ptr<Bench> gBench;
Bench& Shared() {
    if (!gBench) gBench = std::make_unique<Bench>();
    return *gBench;
}

double MedianUs(std::vector<double> ns) {
    std::nth_element(ns.begin(), ns.begin() + ns.size() / 2, ns.end());
    return ns[ns.size() / 2] / 1000.0;
}

double gMedianUs[2] = {0, 0};

void BM_Down(benchmark::State& state) {
    const bool incremental = state.range(0) == 1;
    Bench& b = Shared();
    b.Grid->SetIncrementalScroll(incremental);
    std::vector<double> ns;
    for (auto _ : state) {
        // Start on the last visible row, so that every press slides the window.
        b.Table.First();
        b.Grid->Perform(WM_KEYDOWN, VK_NEXT, 0);
        b.Table.MoveBy(b.Grid->DataLink()->BufferCount() - 1 - b.Grid->DataLink()->ActiveRecord());
        Bench::Settle();
        ns.clear();
        for (int i = 0; i < kPresses; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            b.Grid->Perform(WM_KEYDOWN, VK_DOWN, 0);
            QCoreApplication::processEvents();
            const auto t1 = std::chrono::steady_clock::now();
            ns.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count()));
        }
    }
    const double median = MedianUs(ns);
    gMedianUs[incremental ? 0 : 1] = median;
    state.counters["median_us"] = median;
    state.counters["rows"] = b.Grid->FullyVisibleRowCount();
    state.counters["presses"] = kPresses;
    state.SetLabel(incremental ? "rows slid, two rows painted" : "whole grid painted");
}

BENCHMARK(BM_Down)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

// A finger dragging left and wobbling 5 pixels up and down at every 2-pixel
// step, so that the stroke keeps every point through capture and scaling.
TGesturePointArray WobblyStroke(std::size_t points) {
    TStrokeCapture capture;
    capture.StrokeDown(1500, 400, 0);
    for (int i = 1; capture.Points().size() < points; ++i)
        capture.StrokeMove(1500 - 2 * i, 400 + (i % 2) * 5, i);
    return capture.Points();
}

// What the release of a stroke over the collection grid costs: the stroke
// tried against the grid's four swipes (Arg: points in the stroke).
void BM_Recognise(benchmark::State& state) {
    const TGesturePointArray points = WobblyStroke(std::size_t(state.range(0)));
    TGestureList swipes;
    for (TGestureID id : {sgiLeft, sgiRight, sgiUp, sgiDown})
        swipes.push_back({id, gtStandard, {}, 0, 0, {}});
    bool recognised = false;
    for (auto _ : state) {
        TGestureEventInfo info;
        recognised =
            GestureRecognizer().IsGesture(points, swipes, {gtStandard, gtRecorded, gtRegistered}, info);
        benchmark::DoNotOptimize(info);
    }
    state.counters["points"] = double(points.size());
    state.SetLabel(recognised ? "recognised" : "not recognised");
}

BENCHMARK(BM_Recognise)->Arg(10)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    TApplication app;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gBench.reset();
    if (gMedianUs[0] > 0 && gMedianUs[1] > 0)
        std::printf("median per press: %.3f ms (rows slid) vs %.3f ms (whole grid): %.1fx faster\n",
                    gMedianUs[0] / 1000, gMedianUs[1] / 1000, gMedianUs[1] / gMedianUs[0]);
    return 0;
}
