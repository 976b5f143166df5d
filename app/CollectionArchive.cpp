// The archive kept before "Initialiser les données" empties the collection:
// a count emptied by mistake can be brought back from it.
#include "app/Master.h"

#include "base/Exception.h"
#include "table/Archive.h"
#include "table/DSBase.h"

#include <QDateTime>

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

} // namespace tallivo
