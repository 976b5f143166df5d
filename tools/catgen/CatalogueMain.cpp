// Writes the demo catalogue as an XML data packet:
//   tallivo-catgen [--kinds] [--code KIND] OUT [ROWS [SEED]]
//                                       (defaults: 2000 articles, seed 1)
// --kinds gives the prices and extra columns every numeric kind a packet
// knows; --code gives CODE_ART another kind ("string.uni", "i8" ...). The
// same arguments always give the same bytes; samples/ARTICLE.XML is made
// with the defaults.
#include "table/ClientDataSet.h"
#include "table/NumberText.h"
#include "table/PacketTypes.h"
#include "tools/ToolMain.h"
#include "tools/catgen/Catalogue.h"

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
const char* const kUsage =
    "usage: tallivo-catgen [--kinds] [--code KIND] OUT [ROWS [SEED]]\n"
    "Writes a made-up article catalogue (an XML data packet with the fields CODE_ART,\n"
    "NOM_ART, CATEGORIE, PX_VTE_TC, REF_ART_F, PRIX_ACHAT, NOM_FOU, GERE_STOCK) to OUT,\n"
    "for trying the workstation or testing with a large catalogue. ROWS articles\n"
    "(default 2000, the demo catalogue), SEED (default 1): the same arguments always\n"
    "give the same bytes.\n"
    "  --kinds        prices and extra columns in every numeric kind a packet knows\n"
    "  --code KIND    CODE_ART of another kind: string.uni or an integer kind (i8 ...)\n"
    "  -h, --help     this text\n"
    "  -v, --version  the version\n";
} // namespace

int main(int argc, char** argv) {
    const std::string first = argc > 1 ? argv[1] : "";
    if (first == "-h" || first == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (first == "-v" || first == "--version") {
        std::puts("tallivo-catgen " TALLIVO_VERSION);
        return 0;
    }
    tallivo::catgen::TCatalogueKinds kinds;
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
        if (std::strcmp(argv[i], "--kinds") == 0) {
            kinds.AllNumericKinds = true;
        } else if (std::strcmp(argv[i], "--code") == 0 && i + 1 < argc) {
            kinds.Code = argv[++i];
            const tallivo::TFieldType t = tallivo::PacketTypeOf(kinds.Code).DataType;
            if (t != tallivo::ftString && t != tallivo::ftWideString && !tallivo::IsIntegerKind(t)) {
                std::fputs("tallivo-catgen: --code takes string, string.uni or an integer kind\n", stderr);
                return 2;
            }
        } else {
            break;
        }
    }
    const int left = argc - i;
    if (left < 1 || left > 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    char* end = nullptr;
    const unsigned long rows = left > 1 ? std::strtoul(argv[i + 1], &end, 10) : 2000;
    if (left > 1 && (*end || rows > 50000000)) {
        std::fputs("tallivo-catgen: ROWS must be a number of articles\n", stderr);
        return 2;
    }
    const unsigned long long seed = left > 2 ? std::strtoull(argv[i + 2], &end, 10) : 1;
    if (left > 2 && *end) {
        std::fputs("tallivo-catgen: SEED must be a number\n", stderr);
        return 2;
    }
    return tallivo::RunToolMain("tallivo-catgen", [&] {
        tallivo::TClientDataSet table;
        tallivo::catgen::FillCatalogue(table, uint32_t(rows), seed, kinds);
        table.SaveToFile(QString::fromLocal8Bit(argv[i]), tallivo::dfXML);
        return 0;
    });
}
