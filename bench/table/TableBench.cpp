// Table engine benchmarks on generated catalogues of 10 000, 100 000 and
// 1 000 000 articles. Each indexed operation runs beside its baseline, the
// plain per-record scan or pairwise sort, in the same run. Medians of single
// operations are reported in the counters (median_us).
#include "base/CodePage.h"
#include "base/Collation.h"
#include "base/FloatText.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "table/StoreData.h"
#include "tools/catgen/Catalogue.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <malloc.h>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace tallivo;

namespace {

// The catalogue of the given size, its CODE_ART of the given kind
// ("string", "string.uni", "i8").
const tallivo::TStoreData& Catalogue(uint32_t rows, const char* codeKind = "string") {
    static std::map<std::pair<uint32_t, std::string>, std::unique_ptr<TStoreData>> cache;
    auto& slot = cache[{rows, codeKind}];
    if (!slot) {
        catgen::TCatalogueKinds kinds;
        kinds.Code = codeKind;
        slot = std::make_unique<TStoreData>(catgen::MakeCatalogue(rows, 1, kinds));
    }
    return *slot;
}

std::unique_ptr<TClientDataSet> FreshTable(uint32_t rows, const char* codeKind = "string") {
    auto t = std::make_unique<TClientDataSet>();
    t->LoadFromStoreData(Catalogue(rows, codeKind));
    return t;
}

// Codes of existing articles, in the letter case an operator might type
// them, or codes that exist nowhere.
std::vector<QString> Codes(uint32_t rows, bool hits, size_t n = 2000) {
    std::mt19937 rng(7);
    std::vector<QString> out;
    for (size_t i = 0; i < n; ++i) {
        if (hits) {
            QString c = catgen::Article(rng() % rows).Code;
            out.push_back(rng() % 2 ? c.toUpper() : c.toLower());
        } else {
            out.push_back(QStringLiteral("Zq-%1").arg(rng() % 1000000));
        }
    }
    return out;
}

double MedianUs(std::vector<double>& ns) {
    if (ns.empty()) return 0;
    std::nth_element(ns.begin(), ns.begin() + ns.size() / 2, ns.end());
    return ns[ns.size() / 2] / 1000.0;
}

using Clock = std::chrono::steady_clock;

// Codes of an integer CODE_ART as a scanner types them (the numbers' text),
// or numbers longer than any barcode.
std::vector<QString> IntegerCodes(const TStoreData& d, bool hits, size_t n = 2000) {
    std::mt19937 rng(7);
    std::vector<QString> out;
    for (size_t i = 0; i < n; ++i) {
        if (hits) {
            const std::string_view b = d.Columns[0].BytesAt(uint32_t(rng() % d.SlotCount()));
            out.push_back(QString::fromLatin1(b.data(), qsizetype(b.size())));
        } else {
            out.push_back(QStringLiteral("1%1").arg(rng() % 1000000000, 15, 10, QChar(u'0')));
        }
    }
    return out;
}

// Locate of a code, case ignored, whole value, after the first (index
// built). codeKind: the kind of CODE_ART (a string, a wide string or an
// integer).
void BM_Locate(benchmark::State& state, bool hits, const char* order, const char* codeKind = "string") {
    const uint32_t rows = uint32_t(state.range(0));
    auto t = FreshTable(rows, codeKind);
    t->SetIndexFieldNames(order);
    const bool integer = std::string_view(codeKind) == "i8";
    const auto codes = integer ? IntegerCodes(Catalogue(rows, codeKind), hits) : Codes(rows, hits);
    t->Locate("CODE_ART", codes[0], loCaseInsensitive);
    std::vector<double> ns;
    size_t i = 0, found = 0;
    for (auto _ : state) {
        const auto a = Clock::now();
        found += t->Locate("CODE_ART", codes[i++ % codes.size()], loCaseInsensitive);
        ns.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - a).count()));
    }
    state.counters["median_us"] = MedianUs(ns);
    state.counters["found"] = double(found) / double(ns.size());
}

// Baseline: every record compared in turn with one collator comparison
// (case-folded), stopping at the first match.
void BM_LocateScan(benchmark::State& state, bool hits) {
    const uint32_t rows = uint32_t(state.range(0));
    auto t = FreshTable(rows);
    const auto codes = Codes(rows, hits, 64);
    const IDSBase& s = *t->Store();
    const TCollator& coll = s.Collator();
    std::vector<double> ns;
    std::u16string stored;
    size_t i = 0, found = 0;
    for (auto _ : state) {
        const auto a = Clock::now();
        const QString& key = codes[i++ % codes.size()];
        for (uint32_t slot : s.Order()) {
            FromAnsi(s.BytesAt(slot, 0), stored);
            if (coll.EqualsIgnoreCase(stored, U16(key))) {
                ++found;
                break;
            }
        }
        ns.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - a).count()));
    }
    state.counters["median_us"] = MedianUs(ns);
    state.counters["found"] = double(found) / double(ns.size());
}

// First Locate on a freshly filled table: builds the index.
void BM_FirstLocate(benchmark::State& state) {
    const uint32_t rows = uint32_t(state.range(0));
    const auto codes = Codes(rows, true, 1);
    for (auto _ : state) {
        state.PauseTiming();
        auto t = FreshTable(rows);
        state.ResumeTiming();
        benchmark::DoNotOptimize(t->Locate("CODE_ART", codes[0], loCaseInsensitive));
        state.PauseTiming();
        t.reset();
        state.ResumeTiming();
    }
}

// IndexFieldNames := NOM_ART on a table in its default order.
void BM_SortByName(benchmark::State& state) {
    const uint32_t rows = uint32_t(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto t = FreshTable(rows);
        state.ResumeTiming();
        t->SetIndexFieldNames("NOM_ART");
        state.PauseTiming();
        t.reset();
        state.ResumeTiming();
    }
}

// Baseline: a stable sort of the slots by pairwise collation of the names.
void BM_SortByNamePairwise(benchmark::State& state) {
    const uint32_t rows = uint32_t(state.range(0));
    auto t = FreshTable(rows);
    const IDSBase& s = *t->Store();
    const TCollator& coll = s.Collator();
    const int f = t->FieldByName("NOM_ART").Index();
    for (auto _ : state) {
        std::vector<uint32_t> order = s.DefaultOrder();
        std::u16string a, b;
        std::stable_sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
            FromAnsi(s.BytesAt(x, f), a);
            FromAnsi(s.BytesAt(y, f), b);
            return coll.Compare(a, b) < 0;
        });
        benchmark::DoNotOptimize(order.data());
    }
}

// IndexFieldNames back to an order built before, data unchanged.
void BM_SortBackToBuilt(benchmark::State& state) {
    const uint32_t rows = uint32_t(state.range(0));
    auto t = FreshTable(rows);
    t->SetIndexFieldNames("NOM_ART");
    t->SetIndexFieldNames("CODE_ART");
    std::vector<double> ns;
    bool name = true;
    for (auto _ : state) {
        const auto a = Clock::now();
        t->SetIndexFieldNames(name ? "NOM_ART" : "CODE_ART");
        ns.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - a).count()));
        name = !name;
    }
    state.counters["median_us"] = MedianUs(ns);
}

// SetKey, a name prefix as key, GotoNearest, under the NOM_ART order.
void BM_GotoNearest(benchmark::State& state) {
    const uint32_t rows = uint32_t(state.range(0));
    auto t = FreshTable(rows);
    t->SetIndexFieldNames("NOM_ART");
    std::mt19937 rng(3);
    std::vector<QString> keys;
    for (int i = 0; i < 1000; ++i) {
        const QString name = catgen::Article(rng() % rows).Name;
        keys.push_back(name.left(1 + int(rng() % 12)));
    }
    std::vector<double> ns;
    size_t i = 0;
    for (auto _ : state) {
        const auto a = Clock::now();
        t->SetKey();
        t->FieldByName("NOM_ART").SetAsString(keys[i++ % keys.size()]);
        t->GotoNearest();
        ns.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - a).count()));
    }
    state.counters["median_us"] = MedianUs(ns);
}

// Append, five fields assigned, Post, on a table of the given size (sorted
// by name, as the selection dialog leaves the catalogue).
void BM_AppendPost(benchmark::State& state) {
    const uint32_t rows = uint32_t(state.range(0));
    auto t = FreshTable(rows);
    t->SetIndexFieldNames("NOM_ART");
    t->Locate("CODE_ART", QStringLiteral("x"), loCaseInsensitive); // the search index follows the posts
    std::vector<double> ns;
    uint32_t i = rows;
    for (auto _ : state) {
        const catgen::TArticle a = catgen::Article(i++);
        const auto start = Clock::now();
        t->Append();
        t->FieldByName("CODE_ART").SetAsString(a.Code);
        t->FieldByName("NOM_ART").SetAsString(a.Name);
        t->FieldByName("CATEGORIE").SetAsString(a.Category);
        t->FieldByName("PRIX_ACHAT").SetAsFloat(a.PurchasePrice);
        t->FieldByName("GERE_STOCK").SetAsString(a.Stock);
        t->Post();
        ns.push_back(
            double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count()));
    }
    state.counters["median_us"] = MedianUs(ns);
}

// Size of the same rows as an XML data packet: one ROW element per article,
// attribute values escaped, numbers with 16 significant digits.
double PacketBytes(const TStoreData& d) {
    double total = 250; // declaration, metadata, ROWDATA tags
    for (uint32_t row = 0; row < d.SlotCount(); ++row) {
        total += 8; // "<ROW" ... "/>"
        for (size_t f = 0; f < d.Fields.size(); ++f) {
            const TStoreColumn& c = d.Columns[f];
            if (c.IsNull(row)) continue;
            total += 4 + double(d.Fields[f].Name.size()); // space, name, =""
            if (c.Kind() == TStoreColumn::TKind::Float) {
                total += double(FloatToPacketText(c.FloatAt(row)).size());
                continue;
            }
            for (char ch : c.BytesAt(row)) {
                switch (ch) {
                case '<':
                case '>':
                    total += 4;
                    break;
                case '&':
                    total += 5;
                    break;
                case '\'':
                case '"':
                    total += 6;
                    break;
                default:
                    total += 1;
                }
            }
        }
    }
    return total;
}

// Memory of the filled table (heap in use, and the store's own count)
// against the size of the same data as a packet file.
void BM_Memory(benchmark::State& state) {
    const uint32_t rows = uint32_t(state.range(0));
    const double packet = PacketBytes(Catalogue(rows));
    double heap = 0, store = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        auto t = std::make_unique<TClientDataSet>();
        t->LoadFromStoreData(catgen::MakeCatalogue(rows));
        t->Locate("CODE_ART", QStringLiteral("x"), loCaseInsensitive); // with the search index
        heap = double(mallinfo2().uordblks - before);
        store = double(t->Store()->MemoryUsed());
    }
    state.counters["heap_MB"] = heap / 1e6;
    state.counters["store_MB"] = store / 1e6;
    state.counters["packet_MB"] = packet / 1e6;
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK_CAPTURE(BM_Locate, hit, true, "")->Apply(Sizes)->MinTime(0.2);
BENCHMARK_CAPTURE(BM_Locate, miss, false, "")->Apply(Sizes)->MinTime(0.2);
// The same under the name order the selection dialog leaves in force.
BENCHMARK_CAPTURE(BM_Locate, hit_sorted_by_name, true, "NOM_ART")->Apply(Sizes)->MinTime(0.2);
// The same on a catalogue whose CODE_ART is a wide string or an integer;
// BM_Locate/hit and BM_Locate/miss are their baseline.
BENCHMARK_CAPTURE(BM_Locate, hit_wide_code, true, "", "string.uni")
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(0.2);
BENCHMARK_CAPTURE(BM_Locate, miss_wide_code, false, "", "string.uni")
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(0.2);
BENCHMARK_CAPTURE(BM_Locate, hit_integer_code, true, "", "i8")
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(0.2);
BENCHMARK_CAPTURE(BM_Locate, miss_integer_code, false, "", "i8")
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(0.2);
BENCHMARK_CAPTURE(BM_LocateScan, hit, true)->Apply(Sizes)->MinTime(0.5);
BENCHMARK_CAPTURE(BM_LocateScan, miss, false)->Apply(Sizes)->MinTime(0.5);
BENCHMARK(BM_FirstLocate)->Apply(Sizes)->Iterations(3);
BENCHMARK(BM_SortByName)->Apply(Sizes)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByNamePairwise)->Apply(Sizes)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortBackToBuilt)->Apply(Sizes)->MinTime(0.2);
BENCHMARK(BM_GotoNearest)->Apply(Sizes)->MinTime(0.2);
BENCHMARK(BM_AppendPost)->Apply(Sizes)->MinTime(0.2);
BENCHMARK(BM_Memory)->Apply(Sizes)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
