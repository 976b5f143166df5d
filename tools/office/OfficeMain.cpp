// tallivo-office: the back office's program. The command word (the first
// argument that is neither an option nor the value of --db) chooses what it
// does; each command gets the whole command line:
//   report   the stock-take report (ReportCommand.cpp)
#include "tools/ToolMain.h"
#include "tools/office/ReportCommand.h"

#include <cstdio>
#include <string_view>

using namespace tallivo;

namespace {

struct TCommand {
    const char* Word;
    int (*Run)(int argc, char** argv);
    const char* Summary;
};

const TCommand kCommands[] = {
    {"report", OfficeReport, "le rapport d'inventaire : attendu contre compté, écarts, recomptage"},
};

void Usage(std::FILE* to) {
    std::fputs("usage : tallivo-office COMMANDE [options] ...\n"
               "        tallivo-office COMMANDE --help\n"
               "        tallivo-office --help | --version\n\ncommandes :\n",
               to);
    for (const TCommand& c : kCommands) std::fprintf(to, "  %-10s %s\n", c.Word, c.Summary);
}

// The command word's place in argv, 0 when there is none.
int CommandIndex(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--db") {
            ++i;
            continue;
        }
        if (!a.starts_with('-')) return i;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int at = CommandIndex(argc, argv);
    if (at == 0) {
        for (int i = 1; i < argc; ++i) {
            const std::string_view a = argv[i];
            if (a == "--version" || a == "-v") {
                std::puts("tallivo-office " TALLIVO_VERSION);
                return 0;
            }
            if (a == "--help" || a == "-h") {
                Usage(stdout);
                return 0;
            }
        }
        Usage(stderr);
        return 2;
    }
    for (const TCommand& c : kCommands)
        if (std::string_view(argv[at]) == c.Word)
            return RunToolMain("tallivo-office", [&] { return c.Run(argc, argv); });
    std::fprintf(stderr, "tallivo-office: commande inconnue : %s\n", argv[at]);
    Usage(stderr);
    return 2;
}
