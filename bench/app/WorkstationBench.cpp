// The workstation over a 1 000 000-article catalogue (about 200 MB), offscreen:
//  - StartToReady: from creating the main window to the window shown, both
//    files loaded and the code field focused (Qt itself already running);
//  - EnterToKeypad: from Enter on a known code in the code field to the
//    keypad shown and active; the first lookup after start is measured apart
//    (EnterToKeypadFirst, and FirstScanAfterStart with its median) from the
//    following ones;
//  - EnterToKeypadDuringBackgroundWork: the same while the catalogue's name
//    order is built on the helper thread after the start (on a catalogue
//    whose names never repeat, the longest such sort), against the same
//    scans once it is built, in the same iteration.
//  - the count's progress in the header ("N articles comptés sur 1 000 000")
//    costs nothing there: EnterToKeypadNext against EnterToKeypadNextNoProgress,
//    and the add after the keypad's Ok (OkToReady1M, OkToReady1MNoProgress)
//    where it is kept current.

#include "Driver.h"
#include "app/StationFeatures.h"
#include "dialogs/Numpad.h"
#include "table/DSBase.h"
#include "tools/catgen/Catalogue.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
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

void FirstScanAfterStart(benchmark::State& state) {
    DataFolder();
    std::vector<double> samples;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = StartWorkstation();
        state.ResumeTiming();
        const double t = EnterToKeypad(*form, KnownCode(kArticles / 3 + uint32_t(samples.size())));
        state.SetIterationTime(t);
        samples.push_back(t);
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples[samples.size() / 2] * 1e3;
    state.counters["max_ms"] = samples.back() * 1e3;
}
BENCHMARK(FirstScanAfterStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void EnterToKeypadDuringBackgroundWork(benchmark::State& state) {
    const QString folder = bench::DataFolder(kArticles, 0, true);
    std::vector<double> during, after;
    for (auto _ : state) {
        auto form = bench::StartWorkstation(folder);
        const IDSBase& articles = *ArticleTable->Store();
        uint32_t i = 7;
        auto scan = [&] {
            i = (i * 7919 + 13) % kArticles;
            return EnterToKeypad(*form, KnownCode(i)) * 1e3;
        };
        size_t n = 0;
        for (; articles.PreparingSortOrder(); ++n) during.push_back(scan());
        while (articles.PreparingSortOrder()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        for (size_t k = 0; k < std::max<size_t>(n, 5); ++k) after.push_back(scan());
        form.reset();
    }
    // The figures are the counters (the time is that of whole iterations).
    auto report = [&](const char* name, std::vector<double>& ms) {
        std::sort(ms.begin(), ms.end());
        state.counters[std::string(name) + "_scans"] = double(ms.size());
        if (ms.empty()) return;
        state.counters[std::string(name) + "_median_ms"] = ms[ms.size() / 2];
        state.counters[std::string(name) + "_max_ms"] = ms.back();
    };
    report("during", during);
    report("after", after);
}
BENCHMARK(EnterToKeypadDuringBackgroundWork)->Unit(benchmark::kMillisecond)->Iterations(3);

void EnterToKeypadNext(benchmark::State& state, bool progress) {
    DataFolder();
    TStationFeatures::FollowProgress = progress;
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
    TStationFeatures::FollowProgress = true;
}
BENCHMARK_CAPTURE(EnterToKeypadNext, progress, true)
    ->Name("EnterToKeypadNext")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);
BENCHMARK_CAPTURE(EnterToKeypadNext, no_progress, false)
    ->Name("EnterToKeypadNextNoProgress")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);

// From the keypad's Ok (1 keyed) to the code field ready: the add, its save
// (a small collection) and, with progress, keeping the count current.
void OkToReady1M(benchmark::State& state, bool progress) {
    const QString collection = DataFolder() + "/COLLECTION.XML";
    QFile::remove(collection); // the other benchmarks start with none
    TStationFeatures::FollowProgress = progress;
    auto form = StartWorkstation();
    std::vector<double> samples;
    uint32_t i = 7;
    for (auto _ : state) {
        QElapsedTimer clock;
        bench::EnterCode(*form, KnownCode(i = (i * 7919 + 13) % kArticles), [&](TNumPadBox* pad) {
            pad->Edit1->SetText(QStringLiteral("1"));
            clock.start();
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
            QApplication::sendEvent(pad->Edit1->FocusWidget(), &enter);
        });
        const double t = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(t);
        samples.push_back(t);
    }
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples[samples.size() / 2] * 1e3;
    form.reset();
    QFile::remove(collection);
    TStationFeatures::FollowProgress = true;
}
BENCHMARK_CAPTURE(OkToReady1M, progress, true)
    ->Name("OkToReady1M")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);
BENCHMARK_CAPTURE(OkToReady1M, no_progress, false)
    ->Name("OkToReady1MNoProgress")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);

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
