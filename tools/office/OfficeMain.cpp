// tallivo-office: the back office's program. This file only finds the command
// word (the first argument that is neither an option nor the value of --db or
// --decimal) and hands the whole command line to its command:
//
//   tallivo-office report [options] CATALOGUE OUTDIR COUNT...    ReportCommand.cpp
//   tallivo-office --db CONNINFO init NAME                       DbInit.cpp
//   tallivo-office --db CONNINFO export NAME OUT.CSV             DbExport.cpp
//   tallivo-office --db CONNINFO watch NAME [--once]             DbWatch.cpp
//   tallivo-office --db CONNINFO add-station NAME STATION        DbAddStation.cpp
#include "tools/ToolMain.h"
#include "tools/office/DbCommands.h"
#include "tools/office/ReportCommand.h"

#include <cstdio>
#include <string_view>

using namespace tallivo;

namespace {

const char* const kUsage =
    "usage :\n"
    "  tallivo-office report [options] CATALOGUE DOSSIER COMPTAGE...\n"
    "  tallivo-office --db CONNINFO init NOM\n"
    "  tallivo-office --db CONNINFO export NOM SORTIE.CSV [--decimal , | .]\n"
    "  tallivo-office --db CONNINFO watch NOM [--once]\n"
    "  tallivo-office --db CONNINFO add-station NOM POSTE\n"
    "  tallivo-office report --help\n"
    "  tallivo-office --help | --version\n"
    "\n"
    "Le bureau d'un inventaire.\n"
    "report       le rapport d'inventaire : attendu contre compté, écarts, recomptage\n"
    "             (tallivo-office report --help pour ses options)\n"
    "\n"
    "Un inventaire à plusieurs postes, sur un serveur PostgreSQL :\n"
    "init         crée le schéma s'il manque, puis l'inventaire NOM (sans effet s'il existe)\n"
    "export       écrit le décompte combiné des postes comme l'export d'un poste (\";\",\n"
    "             Windows-1252, CR LF, virgule décimale comme les postes, ou le point\n"
    "             avec --decimal .), égal à\n"
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
    int (*Run)(int argc, char** argv);
    bool OwnHelp; // answers --help itself
};

const TCommand kCommands[] = {
    {"report", OfficeReport, true},
    {"init", office::OfficeInit, false},
    {"export", office::OfficeExport, false},
    {"watch", office::OfficeWatch, false},
    {"add-station", office::OfficeAddStation, false},
};

// The command word's place in argv, 0 when there is none.
int CommandIndex(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--db" || a == "--decimal") {
            ++i;
            continue;
        }
        if (!a.starts_with('-')) return i;
    }
    return 0;
}

// --help or --version anywhere on the line: answered here, 0; otherwise -1.
int HelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--version" || a == "-v") {
            std::puts("tallivo-office " TALLIVO_VERSION);
            return 0;
        }
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    const int at = CommandIndex(argc, argv);
    const TCommand* command = nullptr;
    if (at > 0)
        for (const TCommand& c : kCommands)
            if (std::string_view(argv[at]) == c.Word) command = &c;
    if (!command || !command->OwnHelp)
        if (const int done = HelpOrVersion(argc, argv); done >= 0) return done;
    if (command) return RunToolMain("tallivo-office", [&] { return command->Run(argc, argv); });
    if (at > 0) std::fprintf(stderr, "tallivo-office: commande inconnue : %s (voir tallivo-office --help)\n", argv[at]);
    else std::fputs(kUsage, stderr);
    return 2;
}
