#pragma once
// How far the count has come: how many articles of the catalogue the
// collection holds a line for, out of how many the catalogue has. Counted
// once when the files are loaded, then kept current change by change (one
// lookup in the catalogue's code index per change, never a pass over the
// catalogue), so that it costs nothing visible with a million articles.

#include "station/ChangeFeed.h"

#include <QString>
#include <cstdint>

namespace tallivo {

class TClientDataSet;

class TCountProgress {
public:
    // Counts the collection's lines whose code the catalogue holds (letter
    // case ignored, as the lookup of a scanned code). Both tables must stay
    // alive while the progress is used.
    void Recount(TClientDataSet& catalogue, const TClientDataSet& collection);
    // Follows one change of the collection.
    void Apply(const TLineChange& change);
    // The collection was emptied.
    void Emptied() { FCounted = 0; }

    // False without a catalogue (none loaded, or no code field).
    bool Known() const { return FCatalogue != nullptr; }
    int64_t Counted() const { return FCounted; }
    int64_t Total() const;

private:
    // 1 when the line's code is a catalogue article, else 0.
    int Counts(const TRecordBuffer& line) const;
    TClientDataSet* FCatalogue = nullptr;
    int FCodeInCollection = -1;
    int64_t FCounted = 0;
};

// "1 234 articles comptés sur 20 000" (groups of three digits with a
// no-break space; "article compté" for 0 and 1).
QString ProgressText(int64_t counted, int64_t total);

} // namespace tallivo
