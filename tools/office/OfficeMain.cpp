// tallivo-office: the back office's program. This file only finds the
// command word (the first argument that is neither an option nor the value
// of --db) and hands the whole command line to its command.
//
//   tallivo-office --db CONNINFO init NAME              DbInit.cpp
//   tallivo-office --db CONNINFO export NAME OUT.CSV    DbExport.cpp
//   tallivo-office --db CONNINFO watch NAME [--once]    DbWatch.cpp
//   tallivo-office --db CONNINFO add-station NAME STATION  DbAddStation.cpp
#include "tools/ToolMain.h"
#include "tools/office/DbCommandLine.h"
#include "tools/office/DbCommands.h"

#include <cstring>

using namespace tallivo;

namespace {

const char* const kUsage =
    "usage:\n"
    "  tallivo-office --db CONNINFO init NOM\n"
    "  tallivo-office --db CONNINFO export NOM SORTIE.CSV\n"
    "  tallivo-office --db CONNINFO watch NOM [--once]\n"
    "  tallivo-office --db CONNINFO add-station NOM POSTE\n"
    "  tallivo-office --help | --version\n"
    "\n"
    "Le bureau d'un inventaire à plusieurs postes, sur un serveur PostgreSQL.\n"
    "init         crée le schéma s'il manque, puis l'inventaire NOM (sans effet s'il existe)\n"
    "export       écrit le décompte combiné des postes comme l'export d'un poste (\";\",\n"
    "             Windows-1252, CR LF, séparateur décimal de la langue), égal à\n"
    "             « tallivo-packet merge » des fichiers COLLECTION.XML des postes\n"
    "watch        montre le décompte en direct, par poste et par zone (--once : une fois)\n"
    "add-station  donne au poste POSTE (son POSTE.ID) un accès à lui seul et affiche\n"
    "             son mot de passe, une seule fois\n"
    "\n"
    "CONNINFO est une chaîne de connexion libpq (host=... port=5432 dbname=... user=...\n"
    "sslmode=...) ; la variable TALLIVO_DB en tient lieu. Les mots de passe viennent du\n"
    "fichier ~/.pgpass (ou de celui que nomme passfile=), jamais de la ligne de commande.\n"
    "\n"
    "code de sortie : 0 fait, 1 le serveur ou un fichier a refusé, 2 ligne de commande fausse\n";

struct TCommand {
    const char* Word;
    int (*Run)(int, char**);
};

constexpr TCommand kCommands[] = {
    {"init", office::OfficeInit},
    {"export", office::OfficeExport},
    {"watch", office::OfficeWatch},
    {"add-station", office::OfficeAddStation},
};

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v")) {
            std::puts("tallivo-office " TALLIVO_VERSION);
            return 0;
        }
    }
    const QString word = office::FindCommandWord(argc, argv);
    for (const TCommand& c : kCommands)
        if (word == QLatin1String(c.Word)) return RunToolMain("tallivo-office", [&] { return c.Run(argc, argv); });
    if (word.isEmpty())
        std::fputs(kUsage, stderr);
    else
        Err(QStringLiteral("tallivo-office: commande inconnue : %1 (voir tallivo-office --help)\n").arg(word));
    return 2;
}
