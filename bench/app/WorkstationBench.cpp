// The workstation over a 1 000 000-article catalogue (about 200 MB), offscreen:
//  - StartToReady: from creating the main window to the window shown, both
//    files loaded and the code field focused (Qt itself already running);
//  - EnterToKeypad: from Enter on a known code in the code field to the
//    keypad shown and active; the first lookup after start is measured apart
//    (EnterToKeypadFirst) from the following ones.

#include "Driver.h"
#include "dialogs/Numpad.h"
#include "tools/catgen/Catalogue.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <vector>
#include <cstdio>

using namespace tallivo;

namespace {

constexpr uint32_t kArticles = 1000000;

QString DataFolder() { return bench::DataFolder(kArticles); }

std::unique_ptr<TMasterform> StartWorkstation() { return bench::StartWorkstation(DataFolder()); }

// Seconds from Enter on code to the keypad active; the keypad is cancelled.
double EnterToKeypad(TMasterform& form, const QString& code) {
    return bench::EnterCode(form, code, [](TNumPadBox* pad) { pad->SetModalResult(mrCancel); });
}

QString KnownCode(uint32_t i) { return catgen::Article(i).Code; }

void StartToReady(benchmark::State& state) {
    DataFolder();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto form = StartWorkstation();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(StartToReady)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void EnterToKeypadFirst(benchmark::State& state) {
    DataFolder();
    for (auto _ : state) {
        state.PauseTiming();
        auto form = StartWorkstation();
        state.ResumeTiming();
        state.SetIterationTime(EnterToKeypad(*form, KnownCode(kArticles / 2)));
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(EnterToKeypadFirst)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void EnterToKeypadNext(benchmark::State& state) {
    DataFolder();
    auto form = StartWorkstation();
    EnterToKeypad(*form, KnownCode(1));
    std::vector<double> samples;
    uint32_t i = 7;
    for (auto _ : state) {
        const double t = EnterToKeypad(*form, KnownCode(i));
        samples.push_back(t);
        state.SetIterationTime(t);
        i = (i * 7919 + 13) % kArticles;
    }
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples[samples.size() / 2] * 1e3;
    state.counters["max_ms"] = samples.back() * 1e3;
}
BENCHMARK(EnterToKeypadNext)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // What StartToReady leaves out: the process's own start of Qt.
    const auto processStart = std::chrono::steady_clock::now();
    QApplication qtApp(argc, argv);
    TApplication app;
    app.SetTitle(QStringLiteral("Tallivo-6"));
    std::printf("Qt start before the main window: %.1f ms\n",
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - processStart).count());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
