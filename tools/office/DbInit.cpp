// tallivo-office --db CONNINFO init NAME: the schema, then the stock-take.
#include "tools/ToolMain.h"
#include "tools/office/DbCommandLine.h"
#include "tools/office/DbCommands.h"
#include "tools/pgsql/PgConnection.h"
#include "tools/pgsql/StockTakeDb.h"

namespace tallivo::office {

int OfficeInit(int argc, char** argv) {
    TDbCommandLine line;
    if (!ParseDbCommandLine(argc, argv, {}, line)) return 2;
    if (!CheckArguments(line, 1, "tallivo-office --db CONNINFO init NOM")) return 2;
    const QString name = line.Arguments[0];
    if (!pg::IsValidStockTakeName(name)) {
        OfficeError(QStringLiteral("nom d'inventaire refusé : de 1 à 100 caractères, sans caractère de contrôle"));
        return 2;
    }
    const auto db = OpenOfficeConnection(line);
    pg::InstallSchema(*db);
    const bool created = pg::CreateStockTake(*db, name);
    Out((created ? QStringLiteral("Inventaire « %1 » créé dans la base %2.\n")
                 : QStringLiteral("L'inventaire « %1 » existe déjà dans la base %2 ; le schéma est à jour.\n"))
            .arg(name, db->Database()));
    return 0;
}

} // namespace tallivo::office
