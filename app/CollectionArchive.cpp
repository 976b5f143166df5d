// The archive kept before "Initialiser les données" empties the collection
// (a count emptied by mistake can be brought back from it), and the last
// save when a signal ends the program, with its rescue copy.
#include "app/Master.h"

#include "base/Exception.h"
#include "table/Archive.h"
#include "table/DSBase.h"

#include <QDateTime>
#include <QDir>

namespace tallivo {

void TMasterform::ArchiveCollection() {
    const IDSBase* store = CollectionTable->Store();
    if (!store || store->SlotCount() == 0) return; // nothing to bring back
    try {
        WriteArchive(*CollectionTable, DataFile(QStringLiteral("COLLECTION.XML")), QDateTime::currentDateTime());
    } catch (const Exception& e) {
        throw Exception(QStringLiteral("La liste n'est pas vidée : son archive ne peut pas être écrite (%1). "
                                       "Le comptage reste tel quel.")
                            .arg(e.Message()));
    }
}

QString TMasterform::SaveAtShutdown() {
    if (!CollectionTable) return {};
    try {
        SaveGridLayout();
    } catch (...) {
        // The column layout is a convenience: losing it loses no count.
    }
    try {
        WriteCollection();
        return {};
    } catch (const Exception& e) {
        QString failure = QStringLiteral("the count could not be saved at shutdown (%1)").arg(e.Message());
        try {
            const QString rescue =
                WriteArchive(*CollectionTable, QDir::homePath() + QStringLiteral("/COLLECTION.XML"),
                             QDateTime::currentDateTime());
            if (!rescue.isEmpty()) failure += QStringLiteral("; a rescue copy was written to %1").arg(rescue);
        } catch (const Exception& rescueError) {
            failure += QStringLiteral("; no rescue copy either (%1)").arg(rescueError.Message());
        }
        return failure;
    }
}

} // namespace tallivo
