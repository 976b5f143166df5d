// Data packet benchmarks, each beside its baseline in the same run:
//   LoadFromFile of the 1 000 000-article catalogue (about 200 MB) against
//     pugixml reading the same file, visiting every attribute and converting
//     the r8 values with strtod, and against the floor: read() of the whole
//     file into memory (BM_ReadFloor; BM_ReadFloorTouchedBuffer into memory
//     touched before, which leaves out the cost of first-touched pages);
//   SaveToFile of that catalogue (crash-safe: temporary file, flush, rename)
//     against fwrite of the same rows without escaping (with and without the
//     final flush to disk);
//   SaveToFile of a collection of 20 000 slots (crash-safe);
//   peak memory while loading, measured in a fresh process (VmHWM),
//     against the file size, with pugixml's peak beside it.
//
//   packet_bench [--benchmark_filter=...]
// The catalogue file is generated once per run in the temporary folder.
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "tools/catgen/Catalogue.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <QDir>
#include <QFile>
#include <QString>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace tallivo;

namespace {

constexpr uint32_t kArticles = 1000000;

QString TempPath(const char* name) {
    return QDir::temp().filePath(QStringLiteral("tallivo-packet-bench-%1-%2").arg(getpid()).arg(name));
}

// The catalogue of 1 000 000 articles as a file, written once.
const QString& CatalogueFile() {
    static QString path;
    if (path.isEmpty()) {
        path = TempPath("ARTICLE.XML");
        TClientDataSet t;
        catgen::FillCatalogue(t, kArticles);
        t.SaveToFile(path, dfXML);
    }
    return path;
}

double FileMB(const QString& path) {
    return double(QFile(path).size()) / 1e6;
}

void BM_LoadFromFile(benchmark::State& state) {
    const QString& file = CatalogueFile();
    for (auto _ : state) {
        TClientDataSet t;
        t.LoadFromFile(file);
        benchmark::DoNotOptimize(t.RecordCount());
    }
    state.counters["file_MB"] = FileMB(file);
    state.SetBytesProcessed(int64_t(state.iterations()) * QFile(file).size());
}

// The floor: the file's bytes read into memory, nothing done with them.
// Into a fresh buffer (as a load's own memory is fresh), and into one buffer
// touched before the timing (the bytes alone): the difference is what this
// machine charges for memory touched for the first time.
void ReadWholeFile(char* into, size_t size) {
    const int fd = open(QFile::encodeName(CatalogueFile()).constData(), O_RDONLY);
    if (fd < 0) std::abort();
    size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, into + got, size - got);
        if (n <= 0) std::abort();
        got += size_t(n);
    }
    close(fd);
}

void BM_ReadFloor(benchmark::State& state) {
    const auto size = size_t(QFile(CatalogueFile()).size());
    for (auto _ : state) {
        std::unique_ptr<char[]> bytes(new char[size]);
        ReadWholeFile(bytes.get(), size);
        benchmark::DoNotOptimize(bytes.get());
    }
    state.counters["file_MB"] = FileMB(CatalogueFile());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}

void BM_ReadFloorTouchedBuffer(benchmark::State& state) {
    const auto size = size_t(QFile(CatalogueFile()).size());
    std::unique_ptr<char[]> bytes(new char[size]);
    std::memset(bytes.get(), 0, size);
    for (auto _ : state) {
        ReadWholeFile(bytes.get(), size);
        benchmark::DoNotOptimize(bytes.get());
    }
    state.counters["file_MB"] = FileMB(CatalogueFile());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}

// The baseline: pugixml parses the file, every attribute is visited and the
// r8 values are converted.
double PugiVisit(const char* path) {
    pugi::xml_document doc;
    if (!doc.load_file(path)) std::abort();
    double sum = 0;
    size_t chars = 0;
    const pugi::xml_node rows = doc.child("DATAPACKET").child("ROWDATA");
    for (pugi::xml_node row = rows.first_child(); row; row = row.next_sibling()) {
        for (pugi::xml_attribute a = row.first_attribute(); a; a = a.next_attribute()) {
            const char* name = a.name();
            if (std::strcmp(name, "PX_VTE_TC") == 0 || std::strcmp(name, "PRIX_ACHAT") == 0)
                sum += std::strtod(a.value(), nullptr);
            else
                chars += std::strlen(a.value());
        }
    }
    return sum + double(chars);
}

void BM_PugixmlBaseline(benchmark::State& state) {
    const QByteArray file = QFile::encodeName(CatalogueFile());
    for (auto _ : state) benchmark::DoNotOptimize(PugiVisit(file.constData()));
    state.counters["file_MB"] = FileMB(CatalogueFile());
    state.SetBytesProcessed(int64_t(state.iterations()) * QFile(CatalogueFile()).size());
}

TClientDataSet& LoadedCatalogue() {
    static TClientDataSet t;
    if (!t.Active()) t.LoadFromFile(CatalogueFile());
    return t;
}

void BM_SaveToFile(benchmark::State& state) {
    TClientDataSet& t = LoadedCatalogue();
    const QString out = TempPath("SAVED.XML");
    for (auto _ : state) t.SaveToFile(out, dfXML);
    state.counters["file_MB"] = FileMB(out);
    QFile::remove(out);
}

// The baseline: the same rows written with fwrite, the values as they are
// (no escaping), the numbers in the same 16-digit form.
void FwriteRows(const char* path, bool flushToDisk) {
    const IDSBase& s = *LoadedCatalogue().Store();
    const TStoreData& d = s.Data();
    std::vector<std::string> prefix;
    for (const TStoreFieldDesc& f : d.Fields) {
        std::string p(1, ' ');
        p += f.Name.toStdString();
        p += "=\"";
        prefix.push_back(std::move(p));
    }
    FILE* f = std::fopen(path, "wb");
    if (!f) std::abort();
    std::string line;
    char num[40];
    for (uint32_t slot : s.DefaultOrder()) {
        line.assign("<ROW");
        for (size_t c = 0; c < d.Columns.size(); ++c) {
            const TStoreColumn& col = d.Columns[c];
            if (col.IsNull(slot - 1)) continue;
            line += prefix[c];
            if (col.Kind() == TStoreColumn::TKind::Float) {
                const auto r = std::to_chars(num, num + sizeof num, col.FloatAt(slot - 1),
                                             std::chars_format::general, 16);
                line.append(num, r.ptr);
            } else {
                line += col.BytesAt(slot - 1);
            }
            line += '"';
        }
        line += "/>";
        std::fwrite(line.data(), 1, line.size(), f);
    }
    std::fflush(f);
    if (flushToDisk) fsync(fileno(f));
    std::fclose(f);
}

void BM_FwriteBaseline(benchmark::State& state) {
    const QByteArray out = QFile::encodeName(TempPath("FWRITE.XML"));
    const bool flush = state.range(0) != 0;
    for (auto _ : state) FwriteRows(out.constData(), flush);
    state.counters["file_MB"] = FileMB(QFile::decodeName(out));
    std::remove(out.constData());
}

// A collection of 20 000 slots: 12 000 lines, 8 000 of them changed once.
void BM_SaveCollection20000(benchmark::State& state) {
    TClientDataSet t;
    t.FieldDefs().Add("CODE_ART", ftString, 25);
    t.FieldDefs().Add("NOM_ART", ftString, 50);
    t.FieldDefs().Add("CATEGORIE", ftString, 25);
    t.FieldDefs().Add("QTE", ftFloat);
    t.FieldDefs().Add("PRIX_ACHAT", ftFloat);
    t.FieldDefs().Add("GERE_STOCK", ftString, 1);
    t.CreateDataSet();
    for (uint32_t i = 0; i < 12000; ++i) {
        const catgen::TArticle a = catgen::Article(i);
        t.Append();
        t.FieldByName("CODE_ART").SetAsString(a.Code);
        t.FieldByName("NOM_ART").SetAsString(a.Name);
        t.FieldByName("CATEGORIE").SetAsString(a.Category);
        t.FieldByName("QTE").SetAsFloat(1 + i % 7);
        t.FieldByName("PRIX_ACHAT").SetAsFloat(a.PurchasePrice);
        t.FieldByName("GERE_STOCK").SetAsString(a.Stock);
        t.Post();
    }
    t.First();
    for (uint32_t i = 0; i < 8000; ++i) {
        t.Edit();
        t.FieldByName("QTE").SetAsFloat(t.FieldByName("QTE").AsFloat() + 2);
        t.Post();
        t.Next();
    }
    const QString out = TempPath("COLLECTION.XML");
    for (auto _ : state) t.SaveToFile(out, dfXML);
    state.counters["slots"] = double(t.Store()->SlotCount());
    state.counters["file_MB"] = FileMB(out);
    QFile::remove(out);
}

// Peak resident memory of a fresh process that loads the file (the table
// engine, or pugixml), from its own high-water mark.
long PeakKB(const char* mode, const QString& file) {
    const std::string self = "/proc/self/exe";
    const QByteArray f = QFile::encodeName(file);
    char* argv[] = {const_cast<char*>("packet_bench"), const_cast<char*>(mode),
                    const_cast<char*>(f.constData()), nullptr};
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        return -1;
    }
    char buf[64] = {};
    const ssize_t n = read(pipeFds[0], buf, sizeof buf - 1);
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return n > 0 ? std::strtol(buf, nullptr, 10) : -1;
}

void BM_PeakMemoryWhileLoading(benchmark::State& state) {
    const QString& file = CatalogueFile();
    long table = 0, pugi = 0, idle = 0;
    for (auto _ : state) {
        idle = PeakKB("--peak-idle", file);
        table = PeakKB("--peak-load", file);
        pugi = PeakKB("--peak-pugixml", file);
    }
    const double fileMB = FileMB(file);
    state.counters["file_MB"] = fileMB;
    state.counters["process_MB"] = double(idle) * 1024 / 1e6;
    state.counters["peak_MB"] = double(table) * 1024 / 1e6;
    state.counters["peak_per_file"] = double(table) * 1024 / 1e6 / fileMB;
    state.counters["pugixml_peak_MB"] = double(pugi) * 1024 / 1e6;
}

BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadFloor)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadFloorTouchedBuffer)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PugixmlBaseline)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FwriteBaseline)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SaveCollection20000)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_PeakMemoryWhileLoading)->Unit(benchmark::kMillisecond)->Iterations(1);

// The child processes of the memory measurement.
int PeakChild(const char* mode, const char* file) {
    if (std::strcmp(mode, "--peak-load") == 0) {
        TClientDataSet t;
        t.LoadFromFile(QFile::decodeName(file));
        benchmark::DoNotOptimize(t.RecordCount());
    } else if (std::strcmp(mode, "--peak-pugixml") == 0) {
        benchmark::DoNotOptimize(PugiVisit(file));
    }
    // The peak of this process's own memory (VmHWM); ru_maxrss would also
    // count the parent's memory from before the exec.
    QFile status(QStringLiteral("/proc/self/status"));
    long kb = -1;
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:")) kb = line.mid(6).trimmed().split(' ').first().toLong();
    std::printf("%ld\n", kb);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strncmp(argv[1], "--peak-", 7) == 0) return PeakChild(argv[1], argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const char* name : {"ARTICLE.XML"}) QFile::remove(TempPath(name));
    return 0;
}
