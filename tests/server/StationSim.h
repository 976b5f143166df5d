#pragma once
// A counting station without its window, for the server tests: a counting
// folder with its identity, the collection table, the real journal, and the
// save step the workstation makes after every change (journal, then
// COLLECTION.XML, then the confirmation). The commands change the table as
// the workstation's handlers do.

#include "station/CollectionJournal.h"
#include "table/ClientDataSet.h"

#include <QString>
#include <memory>

namespace tallivo::test {

class TStationSim {
public:
    // Creates folder/POSTE.ID with identity when the folder has none, and
    // starts as the workstation does (loading COLLECTION.XML when present).
    TStationSim(const QString& folder, const QString& identity);
    ~TStationSim();

    // A code scanned and a quantity keyed: added to its line (letter case
    // ignored) or a new line from these catalogue values.
    void Count(const QString& code, double qty, const QString& name = {}, double price = 1.5);
    // "Quantité" on the line of code, "Supprimer" or the grid's delete on it;
    // false when the collection has no such line.
    bool Replace(const QString& code, double qty);
    bool Delete(const QString& code, bool byGrid = false);
    // "Initialiser les données".
    void Initialise();

    const QString& Folder() const { return FFolder; }
    QString Identity() const { return FJournal->Station(); }
    int64_t Epoch() const { return FJournal->Epoch(); }
    uint64_t Sequence() const { return FJournal->JournaledSequence(); }
    TClientDataSet& Table() { return *FTable; }

private:
    bool Find(const QString& code);
    void Save();

    QString FFolder;
    std::unique_ptr<TClientDataSet> FTable;
    std::unique_ptr<TCollectionJournal> FJournal;
};

} // namespace tallivo::test
