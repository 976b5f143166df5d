#include "tools/catgen/Catalogue.h"

#include "base/CodePage.h"
#include "table/ClientDataSet.h"
#include "table/NumberText.h"
#include "table/PacketTypes.h"
#include "table/StoreData.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>
#include <string>
#include <vector>

namespace tallivo::catgen {

namespace {

uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A small deterministic stream of numbers for one article.
class TRandom {
public:
    TRandom(uint64_t seed, uint32_t index) : FState(Mix(seed * 0x100000001B3ull ^ Mix(index))) {}
    uint64_t Next() { return FState = Mix(FState); }
    uint32_t Below(uint32_t n) { return uint32_t(Next() % n); }

private:
    uint64_t FState;
};

template <size_t N> const char* Pick(TRandom& r, const char* const (&list)[N]) {
    return list[r.Below(uint32_t(N))];
}

const char* const kProducts[] = {"Crème fraîche",
                                 "Pâté de campagne",
                                 "Bœuf bourguignon",
                                 "Café moulu",
                                 "Thé vert",
                                 "Confiture d'abricots",
                                 "Pain d'épices",
                                 "Huile d'olive",
                                 "Vinaigre de cidre",
                                 "Moutarde à l'ancienne",
                                 "Farine de blé",
                                 "Sucre glace",
                                 "Chocolat noir",
                                 "Biscuits sablés",
                                 "Eau gazeuse",
                                 "Jus d'orange",
                                 "Savon de Marseille",
                                 "Lessive écologique",
                                 "Éponge grattante",
                                 "Papier aluminium",
                                 "Crêpes dentelle",
                                 "Galettes bretonnes",
                                 "Fromage à raclette",
                                 "Yaourt brassé",
                                 "Rillettes du Mans",
                                 "Cidre brut",
                                 "Pâtes complètes",
                                 "Riz basmati",
                                 "Lentilles vertes",
                                 "Épices à couscous",
                                 "Sel de Guérande",
                                 "Poivre de Kampot",
                                 "Miel de châtaignier",
                                 "Compote pomme-poire",
                                 "Bougie parfumée",
                                 "Brosse à dents",
                                 "Dentifrice menthe",
                                 "Shampooing doux",
                                 "Gel douche",
                                 "Coton-tiges"};
const char* const kQualifiers[] = {"bio",
                                   "extra",
                                   "\"premium\"",
                                   "allégé",
                                   "à l'ancienne",
                                   "maison",
                                   "fermier",
                                   "de saison",
                                   "sans sucre",
                                   "\"tradition\"",
                                   "d'Auvergne",
                                   "de Provence",
                                   "& fruits rouges",
                                   "& noisettes",
                                   "façon grand-mère",
                                   "qualité supérieure"};
const char* const kSizes[] = {"125 g", "250 g", "500 g", "1 kg",     "33 cl",     "50 cl",  "75 cl", "1 L",
                              "1,5 L", "x6",    "x12",   "lot de 3", "6 x 25 cl", "200 ml", "400 g", "2 kg"};
const char* const kCategories[] = {"Épicerie",       "Boissons",
                                   "Crèmerie",       "Hygiène & Beauté",
                                   "Entretien",      "Fruits & Légumes",
                                   "Boucherie",      "Boulangerie",
                                   "Surgelés",       "Bazar",
                                   "Droguerie",      "Cave à vins",
                                   "Petit-déjeuner", "Bébé",
                                   "Animalerie",     "Conserves",
                                   "Apéritif",       "Pâtisserie",
                                   "Traiteur",       "Bio & Nature"};
const char* const kSuppliers[] = {"Dupré & Fils",        "Société L'Artisan",
                                  "Laiterie Saint-Père", "Épicerie Fine Gérard",
                                  "Les Vergers d'Émile", "Brasserie du Nord",
                                  "Maison Lefèvre",      "Coopérative Agricole",
                                  "Distrib' Ouest",      "Savonnerie \"Le Chêne\"",
                                  "Moulins Réunis",      "Biscuiterie Aimée",
                                  "Caves Bérénice",      "Sud Épices",
                                  "Hygiène Plus",        "Entretien & Cie",
                                  "Ferme des Prés",      "Confiserie Noël",
                                  "Négoce Perrin",       "Frères Müller"};

QString EanCode(uint32_t index, uint64_t seed) {
    // A bijection of the index onto 12-digit numbers, then the check digit.
    const uint64_t m = 1000000000000ull;
    const uint64_t body = (uint64_t(index) * 7919ull * 104729ull + (Mix(seed) % m)) % m;
    char digits[14];
    uint64_t v = body;
    for (int i = 11; i >= 0; --i) {
        digits[i] = char('0' + v % 10);
        v /= 10;
    }
    int sum = 0;
    for (int i = 0; i < 12; ++i) sum += (digits[i] - '0') * (i % 2 ? 3 : 1);
    digits[12] = char('0' + (10 - sum % 10) % 10);
    digits[13] = 0;
    return QString::fromLatin1(digits);
}

QString Reference(uint32_t index, TRandom& r) {
    // Two letters of mixed case, a dash and the index in base 36: unique
    // whatever the letter case.
    static const char* const prefixes[] = {"Ab", "xY", "Rf", "kT", "Mo", "pL", "Ze", "qU"};
    QString s = QString::fromLatin1(Pick(r, prefixes)) + u'-';
    QString digits;
    uint32_t v = index;
    do {
        const uint32_t d = v % 36;
        const char c = char(d < 10 ? '0' + d : (r.Below(2) ? 'a' : 'A') + (d - 10));
        digits.prepend(QChar(c));
        v /= 36;
    } while (v);
    return s + digits;
}

double Cents(double v) {
    return std::round(v * 100) / 100;
}

} // namespace

TArticle Article(uint32_t index, uint64_t seed) {
    TRandom r(seed, index);
    TArticle a;
    // Every fifth article has a reference instead of a barcode; the index
    // decides, so that codes stay unique.
    a.Code = index % 5 == 4 ? Reference(index, r) : EanCode(index, seed);
    a.Name = QString::fromUtf8(Pick(r, kProducts)) + u' ' + QString::fromUtf8(Pick(r, kQualifiers)) + u' ' +
             QString::fromUtf8(Pick(r, kSizes));
    if (a.Name.size() > 50) a.Name.truncate(50);
    a.Category = QString::fromUtf8(Pick(r, kCategories));
    a.SalePrice = Cents(0.5 + double(r.Below(20000)) / 100.0);
    a.PurchasePrice = Cents(a.SalePrice * (0.45 + double(r.Below(30)) / 100.0));
    a.HasPurchasePrice = r.Below(50) != 0;
    a.SupplierRef = QStringLiteral("F%1-%2").arg(r.Below(900) + 100).arg(index % 100000, 5, 10, QChar(u'0'));
    a.Supplier = QString::fromUtf8(Pick(r, kSuppliers));
    a.Stock = r.Below(4) ? QStringLiteral("O") : QStringLiteral("N");
    return a;
}

void DefineCatalogueFields(TClientDataSet& table) {
    TFieldDefs& defs = table.FieldDefs();
    defs.Clear();
    defs.Add("CODE_ART", ftString, 25);
    defs.Add("NOM_ART", ftString, 50);
    defs.Add("CATEGORIE", ftString, 25);
    defs.Add("PX_VTE_TC", ftFloat);
    defs.Add("REF_ART_F", ftString, 25);
    defs.Add("PRIX_ACHAT", ftFloat);
    defs.Add("NOM_FOU", ftString, 50);
    defs.Add("GERE_STOCK", ftString, 1);
}

namespace {

struct TNumericColumn {
    const char* Name;
    const char* Type;
};
const TNumericColumn kNumericColumns[] = {{"N_I1", "i1"},   {"N_I2", "i2"},   {"N_I4", "i4"},
                                          {"N_I8", "i8"},   {"N_UI1", "ui1"}, {"N_UI2", "ui2"},
                                          {"N_UI4", "ui4"}, {"N_UI8", "ui8"}};

// A value of an integer kind as decimal text: one of its extremes, zero, or
// any value in its range.
std::string IntegerValue(TRandom& r, const TIntegerRange& range) {
    switch (r.Below(6)) {
    case 0:
        return std::string(range.Min);
    case 1:
        return std::string(range.Max);
    case 2:
        return "0";
    default:
        break;
    }
    const uint64_t raw = r.Next();
    if (range.Max == "18446744073709551615") return std::to_string(raw);
    if (range.Max == "9223372036854775807") return std::to_string(int64_t(raw));
    const int64_t lo = std::stoll(std::string(range.Min)), hi = std::stoll(std::string(range.Max));
    return std::to_string(lo + int64_t(raw % uint64_t(hi - lo + 1)));
}

// An amount with exactly the given number of decimals ("3.00", "-0.1250").
std::string Amount(int64_t units, int decimals) {
    std::string digits = std::to_string(units < 0 ? -units : units);
    if (digits.size() <= size_t(decimals)) digits.insert(0, size_t(decimals) + 1 - digits.size(), '0');
    digits.insert(digits.size() - size_t(decimals), 1, '.');
    return units < 0 ? "-" + digits : digits;
}

} // namespace

TStoreData MakeCatalogue(uint32_t rows, uint64_t seed, const TCatalogueKinds& kinds) {
    TStoreData data;
    auto field = [&](const char* name, TFieldType type, int size, const char* typeName,
                     const char* decimals) {
        TStoreFieldDesc d;
        d.Name = QString::fromLatin1(name);
        d.DataType = type;
        d.Size = size;
        d.TypeName = QString::fromLatin1(typeName);
        if (decimals) d.Params.push_back({"DECIMALS", decimals, "i2", false});
        data.AddField(std::move(d));
    };
    const TPacketType code = PacketTypeOf(kinds.Code);
    const bool wideCode = code.DataType == ftWideString, numberCode = IsIntegerKind(code.DataType);
    field("CODE_ART", code.DataType, numberCode ? 0 : 25, code.Name, nullptr);
    field("NOM_ART", ftString, 50, "string", nullptr);
    field("CATEGORIE", ftString, 25, "string", nullptr);
    if (kinds.AllNumericKinds)
        field("PX_VTE_TC", ftSingle, 0, "r4", nullptr);
    else
        field("PX_VTE_TC", ftFloat, 0, "r8", nullptr);
    field("REF_ART_F", ftString, 25, "string", nullptr);
    if (kinds.AllNumericKinds)
        field("PRIX_ACHAT", ftBCD, 10, "fixed", "2");
    else
        field("PRIX_ACHAT", ftFloat, 0, "r8", nullptr);
    field("NOM_FOU", ftString, 50, "string", nullptr);
    field("GERE_STOCK", ftString, 1, "string", nullptr);
    std::vector<TIntegerRange> ranges;
    if (kinds.AllNumericKinds) {
        for (const TNumericColumn& c : kNumericColumns) {
            const TPacketType t = PacketTypeOf(c.Type);
            field(c.Name, t.DataType, 0, t.Name, nullptr);
            ranges.push_back(IntegerRangeOf(t.DataType, t.Name));
        }
        field("N_FMT", ftFMTBcd, 18, "fixedFMT", "4");
    }
    // The expected stock: whole pieces, in the kind asked for.
    int stockColumn = -1;
    TFieldType stockType = ftFloat;
    if (kinds.Stock) {
        const TPacketType t = PacketTypeOf(kinds.Stock);
        const bool scaled = t.DataType == ftBCD || t.DataType == ftFMTBcd;
        stockType = t.DataType;
        stockColumn = int(data.Columns.size());
        field("STOCK", t.DataType, scaled ? 18 : 0, t.Name, scaled ? "2" : nullptr);
    }
    const size_t avg[] = {14, 34, 11, 0, 10, 0, 16, 1};
    for (size_t c = 0; c < std::size(avg); ++c) data.Columns[c].Reserve(rows, avg[c] * rows);
    data.RowStates.reserve(rows);
    auto text = [&](int c, const QString& s) { data.Columns[size_t(c)].AppendBytes(ToAnsi(s)); };
    std::string number;
    for (uint32_t i = 0; i < rows; ++i) {
        const TArticle a = Article(i, seed);
        data.AppendSlot();
        if (numberCode) {
            ParsePacketDecimal(EanCode(i, seed).toStdString(), true, number);
            data.Columns[0].AppendBytes(number);
        } else if (wideCode) {
            const QByteArray u = a.Code.toUtf8();
            data.Columns[0].AppendBytes(std::string_view(u.constData(), size_t(u.size())));
        } else {
            text(0, a.Code);
        }
        if (kinds.UniqueNames) {
            const QString number = QStringLiteral(" %1").arg(i);
            text(1, a.Name.left(50 - int(number.size())) + number);
        } else {
            text(1, a.Name);
        }
        text(2, a.Category);
        if (kinds.AllNumericKinds)
            data.Columns[3].AppendFloat(RoundToSingle(a.SalePrice));
        else
            data.Columns[3].AppendFloat(a.SalePrice);
        text(4, a.SupplierRef);
        if (!a.HasPurchasePrice)
            data.Columns[5].AppendNull();
        else if (kinds.AllNumericKinds)
            data.Columns[5].AppendBytes(Amount(std::llround(a.PurchasePrice * 100), 2));
        else
            data.Columns[5].AppendFloat(a.PurchasePrice);
        text(6, a.Supplier);
        text(7, a.Stock);
        if (stockColumn >= 0) {
            const uint32_t stock = ExpectedStock(i, seed);
            TStoreColumn& c = data.Columns[size_t(stockColumn)];
            if (c.Kind() == TStoreColumn::TKind::Float)
                c.AppendFloat(stock);
            else
                c.AppendBytes(IsIntegerKind(stockType) ? std::to_string(stock)
                                                       : Amount(int64_t(stock) * 100, 2));
        }
        if (!kinds.AllNumericKinds) continue;
        TRandom r(seed ^ 0x4B494E4453ull, i); // "KINDS": its own stream, the articles stay as they are
        for (size_t k = 0; k < ranges.size(); ++k) {
            TStoreColumn& c = data.Columns[8 + k];
            if (r.Below(20) == 0)
                c.AppendNull();
            else
                c.AppendBytes(IntegerValue(r, ranges[k]));
        }
        data.Columns[8 + ranges.size()].AppendBytes(Amount(int64_t(r.Below(2000000)) - 1000000, 4));
    }
    for (TStoreColumn& c : data.Columns) c.ShrinkToFit();
    return data;
}

uint32_t ExpectedStock(uint32_t index, uint64_t seed) {
    TRandom r(seed ^ 0x53544F434Bull, index); // "STOCK": its own stream
    const uint32_t kind = r.Below(100);
    if (kind < 14) return 0;
    if (kind < 85) return 1 + r.Below(40);
    return 41 + r.Below(360);
}

TStoreData MakeCount(uint32_t articles, uint32_t lines, uint64_t seed, uint64_t catalogueSeed) {
    TStoreData data;
    auto field = [&](const char* name, TFieldType type, int size) {
        TStoreFieldDesc d;
        d.Name = QString::fromLatin1(name);
        d.DataType = type;
        d.Size = size;
        d.TypeName = QString::fromLatin1(type == ftFloat ? "r8" : "string");
        data.AddField(std::move(d));
    };
    field("CODE_ART", ftString, 25);
    field("NOM_ART", ftString, 50);
    field("CATEGORIE", ftString, 25);
    field("QTE", ftFloat, 0);
    field("PRIX_ACHAT", ftFloat, 0);
    field("GERE_STOCK", ftString, 1);
    if (articles == 0) return data;
    lines = std::min(lines, articles);
    // Distinct articles: a step through the indexes that shares no factor
    // with their number visits each once.
    TRandom pick(seed ^ 0x434F554E54ull, 0); // "COUNT"
    uint64_t step = 1 + pick.Below(articles);
    while (std::gcd(step, uint64_t(articles)) != 1) ++step;
    const uint64_t first = pick.Below(articles);
    for (uint32_t j = 0; j < lines; ++j) {
        const auto index = uint32_t((first + uint64_t(j) * step) % articles);
        const TArticle a = Article(index, catalogueSeed);
        TRandom r(seed ^ 0x44494646ull, index); // "DIFF"
        double qty = ExpectedStock(index, catalogueSeed);
        const uint32_t roll = r.Below(100);
        if (roll < 10)
            qty -= 1;
        else if (roll < 16)
            qty += 1;
        else if (roll < 20)
            qty -= double(1 + r.Below(12));
        else if (roll < 23)
            qty += double(1 + r.Below(30));
        qty = std::max(qty, 0.0);
        data.AppendSlot(usInserted);
        data.ChangeLog.push_back({data.SlotCount(), 0, clInserted});
        data.Columns[0].AppendBytes(ToAnsi(a.Code));
        data.Columns[1].AppendBytes(ToAnsi(a.Name));
        data.Columns[2].AppendBytes(ToAnsi(a.Category));
        data.Columns[3].AppendFloat(qty);
        if (a.HasPurchasePrice)
            data.Columns[4].AppendFloat(a.PurchasePrice);
        else
            data.Columns[4].AppendNull();
        data.Columns[5].AppendBytes(ToAnsi(a.Stock));
    }
    return data;
}

void FillCatalogue(TClientDataSet& table, uint32_t rows, uint64_t seed, const TCatalogueKinds& kinds) {
    table.LoadFromStoreData(MakeCatalogue(rows, seed, kinds));
}

} // namespace tallivo::catgen
