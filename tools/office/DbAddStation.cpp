// tallivo-office --db CONNINFO add-station NAME STATION: a login of the
// station's own, its password printed this once.
#include "tools/ToolMain.h"
#include "tools/office/DbCommandLine.h"
#include "tools/office/DbCommands.h"
#include "tools/pgsql/PgConnection.h"
#include "tools/pgsql/StockTakeDb.h"

namespace tallivo::office {

namespace {

// A field of a libpq password file line (":" and "\" escaped).
QString PassFileField(QString text) {
    return text.replace(u'\\', QStringLiteral("\\\\")).replace(u':', QStringLiteral("\\:"));
}

} // namespace

int OfficeAddStation(int argc, char** argv) {
    TDbCommandLine line;
    if (!ParseDbCommandLine(argc, argv, {}, line)) return 2;
    if (!CheckArguments(line, 2, "tallivo-office --db CONNINFO add-station NOM POSTE")) return 2;
    const QString& name = line.Arguments[0];
    const QString& station = line.Arguments[1];
    const auto db = OpenOfficeConnection(line);
    const pg::TStationLogin login = pg::AddStationLogin(*db, pg::StockTakeId(*db, name), station);
    QString text = QStringLiteral("Poste « %1 » inscrit à l'inventaire « %2 ».\n").arg(station, name);
    if (login.Renewed) text += QStringLiteral("Ce poste avait déjà un accès : son ancien mot de passe ne sert plus.\n");
    text += QStringLiteral("Utilisateur : %1\n"
                           "Mot de passe : %2\n"
                           "Il n'est affiché que cette fois. Sur le poste, mettez cette ligne dans son fichier de\n"
                           "mots de passe (~/.pgpass, ou le fichier nommé par passfile=, droits 0600) :\n"
                           "%3:%4:%5:%6:%7\n"
                           "et donnez à tallivo-sync la connexion :\n"
                           "host=%8 port=%4 dbname=%5 user=%6\n")
                .arg(login.Login, login.Password, PassFileField(db->Host()), PassFileField(db->Port()),
                     PassFileField(db->Database()), PassFileField(login.Login), PassFileField(login.Password),
                     db->Host());
    Out(text);
    return 0;
}

} // namespace tallivo::office
