#include "tools/catgen/Catalogue.h"

#include "base/CodePage.h"
#include "table/ClientDataSet.h"
#include "table/StoreData.h"

#include <cmath>
#include <iterator>

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

TStoreData MakeCatalogue(uint32_t rows, uint64_t seed) {
    TStoreData data;
    auto field = [&](const char* name, TFieldType type, int size) {
        TStoreFieldDesc d;
        d.Name = QString::fromLatin1(name);
        d.DataType = type;
        d.Size = size;
        d.TypeName = type == ftFloat ? QStringLiteral("r8") : QStringLiteral("string");
        data.AddField(std::move(d));
    };
    field("CODE_ART", ftString, 25);
    field("NOM_ART", ftString, 50);
    field("CATEGORIE", ftString, 25);
    field("PX_VTE_TC", ftFloat, 0);
    field("REF_ART_F", ftString, 25);
    field("PRIX_ACHAT", ftFloat, 0);
    field("NOM_FOU", ftString, 50);
    field("GERE_STOCK", ftString, 1);
    const size_t avg[] = {14, 34, 11, 0, 10, 0, 16, 1};
    for (size_t c = 0; c < data.Columns.size(); ++c) data.Columns[c].Reserve(rows, avg[c] * rows);
    data.RowStates.reserve(rows);
    auto text = [&](int c, const QString& s) { data.Columns[size_t(c)].AppendBytes(ToAnsi(s)); };
    for (uint32_t i = 0; i < rows; ++i) {
        const TArticle a = Article(i, seed);
        data.AppendSlot();
        text(0, a.Code);
        text(1, a.Name);
        text(2, a.Category);
        data.Columns[3].AppendFloat(a.SalePrice);
        text(4, a.SupplierRef);
        if (a.HasPurchasePrice)
            data.Columns[5].AppendFloat(a.PurchasePrice);
        else
            data.Columns[5].AppendNull();
        text(6, a.Supplier);
        text(7, a.Stock);
    }
    for (TStoreColumn& c : data.Columns) c.ShrinkToFit();
    return data;
}

void FillCatalogue(TClientDataSet& table, uint32_t rows, uint64_t seed) {
    table.LoadFromStoreData(MakeCatalogue(rows, seed));
}

} // namespace tallivo::catgen
