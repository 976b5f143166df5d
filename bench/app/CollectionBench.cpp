// The workstation while it saves every change, offscreen.
//
// With a 20 000-line collection (beside a 40 000-article catalogue):
//  - EnterToKeypad20000: Enter on a known code to the keypad shown and
//    active (baseline: EnterToKeypadEmptyCollection);
//  - OkToReady20000/accumulate and /new_line: from Enter in the keypad (its
//    Ok) to the code field ready for the next code, the save of the whole
//    collection included;
//  - OkToReadyWithoutWrite20000/accumulate: the same path with the save
//    failing before any byte is written: the baseline of the path without
//    the write (what accumulating cost when it was not saved);
//  - SaveCollection20000: SaveToFile of that collection alone;
//  - QuickScanToSaved20000: in quick mode (ModeRapide=oui), Enter on a code
//    already counted to the code field ready, its save included (the
//    baseline is OkToReady20000/accumulate: the same add and save after the
//    keypad's Ok);
//  - UndoToSaved20000: a tap of "Défaire" taking back such a scan, to the
//    code field ready, its save included.
// Soak10000Scans: 10 000 codes entered against a 1 000 000-article
// catalogue, each with 1 keyed and Ok (a repeated code accumulates, a new
// one adds a line; all saved): resident memory after the first 1 000 scans
// and at the end, and Enter to keypad (median, 99th percentile, maximum).
//
// The data folders are temporary folders (TMPDIR). Figures are reported,
// never checked.

#include "Driver.h"

#include "app/StationFeatures.h"
#include "dialogs/Numpad.h"
#include "table/AtomicFile.h"
#include "tools/catgen/Catalogue.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

using namespace tallivo;
using namespace tallivo::bench;

namespace {

constexpr uint32_t kLines = 20000;
constexpr uint32_t kArticles = 2 * kLines;

QString Code(uint32_t i) {
    return catgen::Article(i).Code;
}

// Keys 1 and Ok on the keypad; the clock starts at Ok.
void KeyOneAndOk(TNumPadBox* pad, QElapsedTimer& clock) {
    pad->Edit1->SetText(QStringLiteral("1"));
    clock.start();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(pad->Edit1->FocusWidget(), &enter);
}

void Percentiles(benchmark::State& state, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    state.counters["max_ms"] = ms.back();
}

void EnterToKeypad(benchmark::State& state, uint32_t lines) {
    const QString folder = DataFolder(kArticles, lines);
    if (lines) RestoreCollection(folder);
    auto form = StartWorkstation(folder);
    std::vector<double> samples;
    uint32_t i = 11;
    for (auto _ : state) {
        const double t = EnterCode(*form, Code(i), [](TNumPadBox* pad) { pad->SetModalResult(mrCancel); });
        state.SetIterationTime(t);
        samples.push_back(t * 1e3);
        i = (i * 7919 + 13) % kArticles;
    }
    Percentiles(state, samples);
}
BENCHMARK_CAPTURE(EnterToKeypad, 20000, kLines)
    ->Name("EnterToKeypad20000")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK_CAPTURE(EnterToKeypad, empty, 0)
    ->Name("EnterToKeypadEmptyCollection")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);

// Ok to ready for codes already in the collection (accumulate) or not yet
// (a new line); writing says whether the save may write.
void OkToReady(benchmark::State& state, bool newLines, bool writing) {
    const QString folder = DataFolder(kArticles, kLines);
    RestoreCollection(folder);
    auto form = StartWorkstation(folder);
    if (!writing)
        TAtomicFile::SetHook(
            [](TAtomicFile::TStep step, uint64_t) { return step == TAtomicFile::stCreate ? EIO : 0; });
    std::vector<double> samples;
    uint32_t next = kLines, i = 5;
    for (auto _ : state) {
        const uint32_t index = newLines ? next++ : (i = (i * 7919 + 13) % kLines);
        QElapsedTimer clock;
        EnterCode(*form, Code(index), [&](TNumPadBox* pad) { KeyOneAndOk(pad, clock); });
        const double t = clock.nsecsElapsed() / 1e9;
        if (!form->Edit1->Text().isEmpty()) state.SkipWithError("the code was not taken");
        state.SetIterationTime(t);
        samples.push_back(t * 1e3);
    }
    TAtomicFile::SetHook(nullptr);
    Percentiles(state, samples);
    state.counters["lines"] = CollectionTable->RecordCount();
}
BENCHMARK_CAPTURE(OkToReady, accumulate, false, true)
    ->Name("OkToReady20000/accumulate")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);
BENCHMARK_CAPTURE(OkToReady, new_line, true, true)
    ->Name("OkToReady20000/new_line")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);
BENCHMARK_CAPTURE(OkToReady, accumulate_without_write, false, false)
    ->Name("OkToReadyWithoutWrite20000/accumulate")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

void SaveCollection20000(benchmark::State& state) {
    const QString folder = DataFolder(kArticles, kLines);
    TClientDataSet collection;
    collection.LoadFromFile(folder + "/COLLECTION.XML");
    const QString target = folder + "/SAVED.XML";
    for (auto _ : state) collection.SaveToFile(target, dfXML);
    state.counters["bytes"] = double(QFileInfo(target).size());
}
BENCHMARK(SaveCollection20000)->Unit(benchmark::kMillisecond)->Iterations(20);

// The workstation over the 20 000-line folder with a settings file read at
// its start (and removed at once: the other benchmarks use the same folder).
std::unique_ptr<TMasterform> StartInQuickMode(const QString& folder) {
    QFile ini(folder + "/TALLIVO.INI");
    if (ini.open(QIODevice::WriteOnly)) ini.write("[Comptage]\nModeRapide=oui\n");
    ini.close();
    auto form = StartWorkstation(folder);
    QFile::remove(folder + "/TALLIVO.INI");
    return form;
}

// Enter on code in quick mode: 1 is added and saved before it returns.
double QuickScan(TMasterform& form, const QString& code) {
    form.Edit1->SetText(code);
    QElapsedTimer clock;
    clock.start();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(form.Edit1->FocusWidget(), &enter);
    return clock.nsecsElapsed() / 1e9;
}

void QuickScanToSaved20000(benchmark::State& state) {
    const QString folder = DataFolder(kArticles, kLines);
    RestoreCollection(folder);
    auto form = StartInQuickMode(folder);
    std::vector<double> samples;
    uint32_t i = 5;
    for (auto _ : state) {
        const double t = QuickScan(*form, Code(i = (i * 7919 + 13) % kLines));
        if (!form->Edit1->Text().isEmpty()) state.SkipWithError("the code was not taken");
        state.SetIterationTime(t);
        samples.push_back(t * 1e3);
    }
    Percentiles(state, samples);
}
BENCHMARK(QuickScanToSaved20000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

void UndoToSaved20000(benchmark::State& state) {
    const QString folder = DataFolder(kArticles, kLines);
    RestoreCollection(folder);
    auto form = StartInQuickMode(folder);
    std::vector<double> samples;
    uint32_t i = 5;
    for (auto _ : state) {
        state.PauseTiming();
        QuickScan(*form, Code(i = (i * 7919 + 13) % kLines));
        const double before = CollectionTable->FieldByName("QTE").AsFloat();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        form->Station().Undo();
        const double t = clock.nsecsElapsed() / 1e9;
        if (CollectionTable->FieldByName("QTE").AsFloat() != before - 1) state.SkipWithError("nothing was undone");
        state.SetIterationTime(t);
        samples.push_back(t * 1e3);
    }
    Percentiles(state, samples);
}
BENCHMARK(UndoToSaved20000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

void Soak10000Scans(benchmark::State& state) {
    constexpr uint32_t catalogue = 1000000;
    const QString folder = DataFolder(catalogue);
    for (auto _ : state) {
        auto form = StartWorkstation(folder);
        std::mt19937 random(7);
        std::vector<uint32_t> hot(300);
        for (uint32_t& h : hot) h = random() % catalogue;
        std::vector<double> enterToKeypad;
        uint64_t residentAfter1000 = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int scan = 1; scan <= 10000; ++scan) {
            // Half the scans among a few hundred articles (counted again and
            // again), half anywhere in the catalogue.
            const uint32_t index = random() % 2 ? hot[random() % hot.size()] : random() % catalogue;
            QElapsedTimer unused;
            const double t =
                EnterCode(*form, Code(index), [&](TNumPadBox* pad) { KeyOneAndOk(pad, unused); });
            if (t < 0) state.SkipWithError("no keypad");
            enterToKeypad.push_back(t * 1e3);
            if (scan == 1000) residentAfter1000 = ResidentBytes();
        }
        const uint64_t residentEnd = ResidentBytes();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        Percentiles(state, enterToKeypad);
        state.counters["rss_1000_MB"] = residentAfter1000 / 1048576.0;
        state.counters["rss_end_MB"] = residentEnd / 1048576.0;
        state.counters["rss_growth_pct"] =
            100.0 * (double(residentEnd) - double(residentAfter1000)) / residentAfter1000;
        state.counters["lines"] = CollectionTable->RecordCount();
    }
}
BENCHMARK(Soak10000Scans)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
