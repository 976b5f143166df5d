#pragma once
// What changed in the collection since the last look, read from its table's
// change log: each posted line, changed version and deletion is one entry of
// the log, so a look costs in proportion to what changed, not to the size
// of the collection.

#include <QString>
#include <cstdint>
#include <vector>

namespace tallivo {

class IDSBase;

// A collection line as the journal records it.
struct TCollectionLine {
    QString Code, Name, Category, Stock; // CODE_ART, NOM_ART, CATEGORIE, GERE_STOCK
    double Quantity = 0;                 // QTE
    bool QuantityNull = true;
    double Price = 0; // PRIX_ACHAT
    bool PriceNull = true;
};

struct TCollectionChange {
    enum class TWhat { Inserted, Modified, Deleted, Emptied };
    TWhat What = TWhat::Inserted;
    TCollectionLine Before; // Modified, Deleted
    TCollectionLine After;  // Inserted, Modified
};

class TCollectionChanges {
public:
    // From now on, changes are counted from the store's present content.
    void Follow(const IDSBase& store);
    // The changes since Follow or the last Take, in the order they were
    // made. A store other than the one followed is followed from its
    // present content (nothing is reported).
    std::vector<TCollectionChange> Take(const IDSBase& store);

    // The visible lines of a store, in its default order.
    static std::vector<TCollectionLine> Lines(const IDSBase& store);

private:
    struct TFields {
        int Code = -1, Name = -1, Category = -1, Quantity = -1, Price = -1, Stock = -1;
    };
    static TFields FieldsOf(const IDSBase& store);
    static TCollectionLine LineAt(const IDSBase& store, const TFields& fields, uint32_t slot);

    const IDSBase* FStore = nullptr;
    uint64_t FEmptyCount = 0;
    size_t FLogSize = 0;
    TFields FFields;
};

} // namespace tallivo
