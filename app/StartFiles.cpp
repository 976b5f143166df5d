// The data files at start, loaded so that a count is never split, lost or
// overwritten: a COLLECTION.XML that is a link to a stick or share that is
// absent stops the loading (the count lives there, not here); a file that
// cannot be read is named in the error, kept as it is, and so are the
// temporary files of an interrupted save beside it (one may be the only
// whole copy); those are removed only once the collection has loaded, and
// only by the workstation that holds the folder's lock. Then the
// collection's code field is made as wide as the catalogue's.
#include "app/Master.h"

#include "base/Exception.h"
#include "table/AtomicFile.h"
#include "table/FolderLock.h"
#include "table/StoreData.h"

#include <QFileInfo>

namespace tallivo {

namespace {

// Raises when the file at path is a symbolic link that leads nowhere.
void CheckLinkLeadsSomewhere(const QString& path) {
    const QFileInfo info(path);
    if (!info.isSymLink() || info.exists()) return;
    throw Exception(QStringLiteral("Le fichier \"%1\" est un lien vers \"%2\", qui est introuvable (clé USB ou "
                                   "partage absent ?). Rien n'est chargé ni enregistré : rebranchez le support, "
                                   "puis redémarrez Tallivo.")
                        .arg(path, info.symLinkTarget()));
}

// The loading error of the file at path, with the file named and kept, and
// the leftovers of an interrupted save beside it.
Exception NamedLoadError(const QString& message, const QString& path) {
    QString text = message + QStringLiteral("\nFichier : \"%1\" (laissé tel quel).").arg(path);
    for (const std::string& leftover : TAtomicFile::Leftovers(path))
        text += QStringLiteral("\nCopie laissée par un enregistrement interrompu, gardée : \"%1\".")
                    .arg(QFileInfo(QString::fromStdString(leftover)).fileName());
    return Exception(text);
}

// Widens a string field of an open table, its records and history kept.
void WidenStringField(TClientDataSet& table, const QString& name, int size) {
    const int index = table.FieldByName(name).FieldNo() - 1;
    table.Close();
    TStoreData data = *table.Snapshot();
    data.Fields[size_t(index)].Size = size;
    table.LoadFromStoreData(std::move(data));
}

} // namespace

void TMasterform::LoadDataFile(TClientDataSet& table, const QString& name) {
    const QString path = DataFile(name);
    try {
        CheckLinkLeadsSomewhere(path);
        if (!QFileInfo::exists(path)) return;
        table.SetActive(false);
        try {
            table.LoadFromFile(path);
        } catch (const Exception& e) {
            throw NamedLoadError(e.Message(), path);
        }
        table.SetActive(true);
    } catch (...) {
        // The error box comes next; then the code field is ready, so that a
        // scan is at least answered.
        Edit1->SetFocus();
        throw;
    }
}

void TMasterform::LoadCollectionAtStart() {
    const QString collection = DataFile(QStringLiteral("COLLECTION.XML"));
    if (QFileInfo(collection).isSymLink() && !QFileInfo::exists(collection))
        CollectionTable->SetActive(false); // an inactive table saves nothing
    LoadDataFile(*CollectionTable, QStringLiteral("COLLECTION.XML"));
    FTriedVersion = CollectionVersion(); // what was loaded needs no save
    // A save cut short (a kill, a power cut) leaves its temporary file beside
    // the file it was writing. Only this workstation writes in the folder
    // while it holds the lock, so every such file is a previous run's.
    if (TFolderLock::HeldFor(DataDir))
        for (const QString& name : {QStringLiteral("COLLECTION.XML"), QStringLiteral("ART.GRD")})
            TAtomicFile::RemoveLeftovers(DataFile(name));
}

void TMasterform::MatchCodeWidth() {
    const QString code = QStringLiteral("CODE_ART");
    const TField* article = ArticleTable->Active() ? ArticleTable->FindField(code) : nullptr;
    const TField* line = CollectionTable->Active() ? CollectionTable->FindField(code) : nullptr;
    if (!article || !line || article->DataType() != ftString || line->DataType() != ftString ||
        article->Size() <= line->Size())
        return;
    WidenStringField(*CollectionTable, code, article->Size());
    FTriedVersion = CollectionVersion(); // the width reaches the file with the next change
}

} // namespace tallivo
