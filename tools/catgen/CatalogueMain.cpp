// Writes the demo catalogue as an XML data packet:
//   tallivo-catgen OUT [ROWS [SEED]]     (defaults: 2000 articles, seed 1)
// The same arguments always give the same bytes; samples/ARTICLE.XML is
// made with the defaults.
#include "base/Exception.h"
#include "table/ClientDataSet.h"
#include "tools/catgen/Catalogue.h"

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
const char* const kUsage =
    "usage: tallivo-catgen OUT [ROWS [SEED]]\n"
    "Writes a made-up article catalogue (an XML data packet with the fields CODE_ART,\n"
    "NOM_ART, CATEGORIE, PX_VTE_TC, REF_ART_F, PRIX_ACHAT, NOM_FOU, GERE_STOCK) to OUT,\n"
    "for trying the workstation or testing with a large catalogue. ROWS articles\n"
    "(default 2000, the demo catalogue), SEED (default 1): the same arguments always\n"
    "give the same bytes.\n"
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
    if (argc < 2 || argc > 4) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    char* end = nullptr;
    const unsigned long rows = argc > 2 ? std::strtoul(argv[2], &end, 10) : 2000;
    if (argc > 2 && (*end || rows > 50000000)) {
        std::fputs("tallivo-catgen: ROWS must be a number of articles\n", stderr);
        return 2;
    }
    const unsigned long long seed = argc > 3 ? std::strtoull(argv[3], &end, 10) : 1;
    if (argc > 3 && *end) {
        std::fputs("tallivo-catgen: SEED must be a number\n", stderr);
        return 2;
    }
    try {
        tallivo::TClientDataSet table;
        tallivo::catgen::FillCatalogue(table, uint32_t(rows), seed);
        table.SaveToFile(QString::fromLocal8Bit(argv[1]), tallivo::dfXML);
    } catch (const tallivo::Exception& e) {
        std::fprintf(stderr, "tallivo-catgen: %s\n", e.Message().toUtf8().constData());
        return 1;
    }
    return 0;
}
