#pragma once
// Deterministic demo catalogue: the article table of the workstation (code,
// name, category, selling price, supplier reference, purchase price,
// supplier, stock flag) filled with French-looking data. Article i of a given
// seed is always the same, and can be computed on its own.

#include <QString>
#include <cstdint>

namespace tallivo {
class TClientDataSet;
struct TStoreData;
} // namespace tallivo

namespace tallivo::catgen {

struct TArticle {
    QString Code;             // CODE_ART: EAN-13 numbers and mixed-case references, unique ignoring case
    QString Name;             // NOM_ART: accents, apostrophes, ampersands, double quotes
    QString Category;         // CATEGORIE
    double SalePrice = 0;     // PX_VTE_TC
    QString SupplierRef;      // REF_ART_F
    double PurchasePrice = 0; // PRIX_ACHAT (null when HasPurchasePrice is false)
    bool HasPurchasePrice = true;
    QString Supplier; // NOM_FOU
    QString Stock;    // GERE_STOCK: "O" or "N"
};

// Article number index (from 0) of the catalogue of the given seed.
TArticle Article(uint32_t index, uint64_t seed = 1);

// Adds the eight catalogue field definitions to a closed table:
// CODE_ART string(25), NOM_ART string(50), CATEGORIE string(25),
// PX_VTE_TC float, REF_ART_F string(25), PRIX_ACHAT float, NOM_FOU string(50),
// GERE_STOCK string(1).
void DefineCatalogueFields(TClientDataSet& table);

// Field kinds of a generated catalogue, as back offices export them.
struct TCatalogueKinds {
    // The kind of CODE_ART: "string", "string.uni" (the same codes), or an
    // integer kind such as "i8" (then every article has a barcode, held as a
    // number: leading zeros are not part of it).
    const char* Code = "string";
    // PX_VTE_TC becomes r4 and PRIX_ACHAT fixed (two decimals, trailing
    // zeros kept), and a column of every other numeric kind follows: N_I1,
    // N_I2, N_I4, N_I8, N_UI1, N_UI2, N_UI4, N_UI8 (their extremes included)
    // and N_FMT (fixedFMT, four decimals).
    bool AllNumericKinds = false;
    // Each NOM_ART ends with the article's number, so that no two names are
    // alike (the generated names otherwise repeat, as categories do).
    bool UniqueNames = false;
    // Not null: a last field STOCK of this numeric kind ("r8", "i4",
    // "fixed" ...) holding each article's expected stock (ExpectedStock).
    const char* Stock = nullptr;
};

// The expected stock of article index of the catalogue of the given seed: a
// whole number of pieces, 0 for about one article in seven.
uint32_t ExpectedStock(uint32_t index, uint64_t seed = 1);

// A station's count of lines distinct articles taken from the first
// articles of the catalogue of catalogueSeed, as the workstation saves it:
// its six fields (CODE_ART, NOM_ART, CATEGORIE, QTE, PRIX_ACHAT,
// GERE_STOCK), each line an insertion in the change log. The counted
// quantity is the expected stock, off by a little for some lines. seed
// chooses the articles and the differences.
TStoreData MakeCount(uint32_t articles, uint32_t lines, uint64_t seed = 1, uint64_t catalogueSeed = 1);

// The catalogue as store content, as a data file would load it: rows
// unchanged (row state 0, no change log).
TStoreData MakeCatalogue(uint32_t rows, uint64_t seed = 1, const TCatalogueKinds& kinds = {});

// Replaces the table's fields and records by the catalogue and opens it
// (the same path as loading a file).
void FillCatalogue(TClientDataSet& table, uint32_t rows, uint64_t seed = 1,
                   const TCatalogueKinds& kinds = {});

} // namespace tallivo::catgen
