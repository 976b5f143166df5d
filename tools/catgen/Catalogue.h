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

// The catalogue as store content, as a data file would load it: rows
// unchanged (row state 0), no change log.
TStoreData MakeCatalogue(uint32_t rows, uint64_t seed = 1);

// Replaces the table's fields and records by the catalogue and opens it
// (the same path as loading a file).
void FillCatalogue(TClientDataSet& table, uint32_t rows, uint64_t seed = 1);

} // namespace tallivo::catgen
