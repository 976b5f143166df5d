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
//  - Initialiser20000: "Initialiser les données" once its two questions are
//    answered: the archive of the 20 000 lines, emptying, the save
//    (baseline: Initialiser20000WithoutArchive, emptying and the save).
// The workstation holds its folder's lock, as the program does. Each of these
// runs with the journal of confirmed changes written in the save step;
// EnterToKeypadNoJournal20000 and OkToReadyNoJournal20000/... are the same
// paths without a journal, the baseline of what it costs;
// OkToReadyJournalCost20000/accumulate alternates the two in one run.
// OkToReady/20000, /100000 and /200000: Ok to ready for a code already in a
// collection of that many lines (beside a catalogue twice as large), the
// save of the whole collection included: how one confirmed change grows
// with the collection.
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
#include <QDir>
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

// The workstation started with or without its journal (the benchmarks'
// baseline), for as long as it lives.
struct TJournaling {
    explicit TJournaling(bool on) { TMasterform::SetJournaling(on); }
    ~TJournaling() { TMasterform::SetJournaling(true); }
};

void EnterToKeypad(benchmark::State& state, uint32_t lines, bool journal = true) {
    const TJournaling journaling(journal);
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
BENCHMARK_CAPTURE(EnterToKeypad, 20000_no_journal, kLines, false)
    ->Name("EnterToKeypadNoJournal20000")
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
void OkToReady(benchmark::State& state, bool newLines, bool writing, bool journal = true) {
    const TJournaling journaling(journal);
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
BENCHMARK_CAPTURE(OkToReady, accumulate_no_journal, false, true, false)
    ->Name("OkToReadyNoJournal20000/accumulate")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);
BENCHMARK_CAPTURE(OkToReady, new_line_no_journal, true, true, false)
    ->Name("OkToReadyNoJournal20000/new_line")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);
BENCHMARK_CAPTURE(OkToReady, accumulate_without_write, false, false)
    ->Name("OkToReadyWithoutWrite20000/accumulate")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

// Ok to ready on accumulations, every other one without the journal step:
// both in the same conditions of the machine. The journal's cost is the
// difference of the medians.
void OkToReadyJournalCost(benchmark::State& state) {
    const QString folder = DataFolder(kArticles, kLines);
    RestoreCollection(folder);
    auto form = StartWorkstation(folder);
    std::vector<double> with, without;
    uint32_t i = 5;
    bool journal = false;
    for (auto _ : state) {
        journal = !journal;
        TMasterform::SetJournaling(journal);
        i = (i * 7919 + 13) % kLines;
        QElapsedTimer clock;
        EnterCode(*form, Code(i), [&](TNumPadBox* pad) { KeyOneAndOk(pad, clock); });
        const double t = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(t);
        (journal ? with : without).push_back(t * 1e3);
    }
    TMasterform::SetJournaling(true);
    std::sort(with.begin(), with.end());
    std::sort(without.begin(), without.end());
    state.counters["with_journal_median_ms"] = with[with.size() / 2];
    state.counters["without_median_ms"] = without[without.size() / 2];
    state.counters["journal_added_ms"] = with[with.size() / 2] - without[without.size() / 2];
}
BENCHMARK(OkToReadyJournalCost)
    ->Name("OkToReadyJournalCost20000/accumulate")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(80);
void OkToReadyLines(benchmark::State& state) {
    const auto lines = uint32_t(state.range(0));
    const QString folder = DataFolder(2 * lines, lines);
    RestoreCollection(folder);
    auto form = StartWorkstation(folder);
    std::vector<double> samples;
    uint32_t i = 5;
    for (auto _ : state) {
        i = (i * 7919 + 13) % lines;
        QElapsedTimer clock;
        EnterCode(*form, Code(i), [&](TNumPadBox* pad) { KeyOneAndOk(pad, clock); });
        const double t = clock.nsecsElapsed() / 1e9;
        if (!form->Edit1->Text().isEmpty()) state.SkipWithError("the code was not taken");
        state.SetIterationTime(t);
        samples.push_back(t * 1e3);
    }
    Percentiles(state, samples);
    state.counters["lines"] = CollectionTable->RecordCount();
    state.counters["file_MB"] = double(QFileInfo(folder + "/COLLECTION.XML").size()) / 1e6;
}
BENCHMARK(OkToReadyLines)
    ->Name("OkToReady")
    ->Arg(20000)
    ->Arg(100000)
    ->Arg(200000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

void SaveCollection20000(benchmark::State& state) {
    const QString folder = DataFolder(kArticles, kLines);
    TClientDataSet collection;
    collection.LoadFromFile(folder + "/COLLECTION.XML");
    const QString target = folder + "/SAVED.XML";
    for (auto _ : state) collection.SaveToFile(target, dfXML);
    state.counters["bytes"] = double(QFileInfo(target).size());
}
BENCHMARK(SaveCollection20000)->Unit(benchmark::kMillisecond)->Iterations(20);

void Initialiser(benchmark::State& state, bool archive) {
    const QString folder = DataFolder(kArticles, kLines);
    RestoreCollection(folder);
    auto form = StartWorkstation(folder);
    for (auto _ : state) {
        state.PauseTiming();
        CollectionTable->LoadFromFile(folder + "/COLLECTION.MADE");
        state.ResumeTiming();
        if (archive) form->ArchiveCollection();
        CollectionTable->EmptyDataSet();
        if (!form->SaveCollection()) state.SkipWithError("the emptied collection was not saved");
    }
    for (const QString& name : QDir(folder).entryList({"COLLECTION-*.XML"})) QFile::remove(folder + "/" + name);
}
BENCHMARK_CAPTURE(Initialiser, archive, true)->Name("Initialiser20000")->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(Initialiser, without_archive, false)
    ->Name("Initialiser20000WithoutArchive")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
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
