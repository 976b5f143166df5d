#pragma once
// Combining the collections of several counting stations into one.
//
// Each station writes its own COLLECTION.XML. The merge keeps one line per
// article code (codes that differ only in letter case are one article, as
// on a station), in the order in which the codes first appear, file after
// file. Quantities (QTE) are summed; every other column comes from the first
// file that has the code. When a later file names the article or its
// category differently, the first text is kept and the disagreement is
// reported.

#include "table/StoreData.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace tallivo {

class IDSBase;
class TClientDataSet;

struct TMergeConflict {
    QString Code;  // the article code as kept
    QString Field; // NOM_ART or CATEGORIE
    QString Kept, KeptFrom;
    QString Other, OtherFrom;
};

class TCollectionMerge {
public:
    TCollectionMerge();
    ~TCollectionMerge();
    TCollectionMerge(const TCollectionMerge&) = delete;
    TCollectionMerge& operator=(const TCollectionMerge&) = delete;

    // Adds the visible lines of a loaded collection; name is how messages
    // show the file. The first collection added gives the fields of the
    // result. Raises Exception (nothing added) when the collection lacks
    // CODE_ART or a number field QTE, or when a field that both have is of
    // another type than in the first; raises ESameCount (MergeCounts.h)
    // when a collection added before holds the same station's count.
    void Add(const QString& name, const IDSBase& collection);

    // Lines read so far and articles found.
    uint64_t LinesRead() const;
    uint32_t ArticleCount() const;
    const std::vector<TMergeConflict>& Conflicts() const;

    // The merged collection: the first file's fields, one record per
    // article, no change log. The merge is spent afterwards.
    TStoreData TakeResult();

private:
    struct TState;
    std::unique_ptr<TState> F;
};

// The workstation's export of a table (table/ExportText.h), every record
// from the first, as the bytes of the file.
QByteArray ExportText(TClientDataSet& table);

// True when the file starts like an XML data packet (a station's collection
// or a catalogue): a file never to be replaced by the text form.
bool LooksLikePacket(const QString& path);

// The packet tool's merge command:
//   merge OUT.CSV COLLECTION.XML...        the export form
//   merge --xml OUT.XML COLLECTION.XML...  a collection packet
// Prints the conflicts on standard error and a summary on standard output.
// Writes nothing when an input cannot be read. Exit codes as the tool's.
int MergeCommand(const QStringList& args);

} // namespace tallivo
