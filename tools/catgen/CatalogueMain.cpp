// Writes the demo catalogue, or a station's count of it, as an XML data
// packet:
//   tallivo-catgen [--kinds] [--code KIND] [--stock[=KIND]] OUT [ROWS [SEED]]
//   tallivo-catgen --count ARTICLES [--catalogue-seed S] OUT [LINES [SEED]]
// --kinds gives the prices and extra columns every numeric kind a packet
// knows; --code gives CODE_ART another kind ("string.uni", "i8" ...);
// --stock adds the expected stock. The same arguments always give the same
// bytes; samples/ARTICLE.XML is made with the defaults. An existing data
// packet is replaced only with --force.
#include "base/Exception.h"
#include "table/ClientDataSet.h"
#include "table/NumberText.h"
#include "table/PacketTypes.h"
#include "table/StoreData.h"
#include "tools/ToolMain.h"
#include "tools/catgen/Catalogue.h"
#include "tools/common/ToolFiles.h"
#include "tools/common/ToolOptions.h"

#include <QString>
#include <cstdio>

using namespace tallivo;

namespace {
const char* const kUsage =
    "usage : tallivo-catgen [--kinds] [--code TYPE] [--stock[=TYPE]] [--force] SORTIE [ARTICLES [GRAINE]]\n"
    "        tallivo-catgen --count ARTICLES [--catalogue-seed G] [--force] SORTIE [LIGNES [GRAINE]]\n"
    "Écrit dans SORTIE un catalogue d'articles inventés (un fichier de données avec les\n"
    "champs CODE_ART, NOM_ART, CATEGORIE, PX_VTE_TC, REF_ART_F, PRIX_ACHAT, NOM_FOU,\n"
    "GERE_STOCK), pour essayer le poste ou tester avec un grand catalogue : ARTICLES\n"
    "articles (2000 par défaut, le catalogue de démonstration), GRAINE (1 par défaut) ;\n"
    "les mêmes arguments donnent toujours les mêmes octets.\n"
    "  --kinds           prix et colonnes en plus dans chaque type numérique\n"
    "  --code TYPE       CODE_ART d'un autre type : string.uni ou un entier (i8 ...)\n"
    "  --stock[=TYPE]    un dernier champ STOCK, le stock attendu de chaque article\n"
    "                    (r8 par défaut, ou i4, fixed ...), pour le rapport d'inventaire\n"
    "  --count ARTICLES  écrit plutôt le comptage d'un poste (COLLECTION.XML) : LIGNES\n"
    "                    articles distincts (1000 par défaut) pris parmi les ARTICLES\n"
    "                    premiers du catalogue de graine G (--catalogue-seed, 1 par\n"
    "                    défaut), comptés au stock attendu à quelques écarts près\n"
    "  --force           remplacer SORTIE même si c'est un fichier de données\n"
    "  -h, --help        ce texte\n"
    "  -v, --version     la version\n";

int Refuse(const QString& message) {
    Err(QStringLiteral("tallivo-catgen: ") + message + u'\n');
    return kExitRefused;
}

// A whole number of at most max, or nothing.
bool Number(const QString& text, uint64_t max, uint64_t& value) {
    bool ok = false;
    value = text.toULongLong(&ok);
    return ok && value <= max;
}

bool IsNumericKind(TFieldType t) {
    return t == ftFloat || t == ftSingle || IsDecimalKind(t);
}

} // namespace

int main(int argc, char** argv) {
    const QStringList all = ToolArguments(argc, argv);
    if (!all.isEmpty() && (all[0] == "-h" || all[0] == "--help" || all[0] == "-v" || all[0] == "--version"))
        return *StandardAnswer(all, "tallivo-catgen", TALLIVO_VERSION, kUsage);
    const TToolArgs a = ParseToolArgs(all, {"--kinds", "--stock", "--force"},
                                      {"--code", "--stock", "--count", "--catalogue-seed"});
    if (!a.Error.isEmpty()) return Refuse(a.Error);
    const QStringList& p = a.Positional;
    if (p.size() < 1 || p.size() > 3) {
        std::fputs(kUsage, stderr);
        return kExitRefused;
    }
    const bool count = a.HasValue("--count");
    uint64_t articles = 0, catalogueSeed = 1, rows = count ? 1000 : 2000, seed = 1;
    if (count && !Number(a.Value("--count"), 50000000, articles))
        return Refuse(QStringLiteral("--count attend un nombre d'articles"));
    if (a.HasValue("--catalogue-seed") && !Number(a.Value("--catalogue-seed"), UINT64_MAX, catalogueSeed))
        return Refuse(QStringLiteral("--catalogue-seed attend un nombre"));
    if (p.size() > 1 && !Number(p[1], 50000000, rows))
        return Refuse(count ? QStringLiteral("LIGNES doit être un nombre de lignes")
                            : QStringLiteral("ARTICLES doit être un nombre d'articles"));
    if (p.size() > 2 && !Number(p[2], UINT64_MAX, seed))
        return Refuse(QStringLiteral("GRAINE doit être un nombre"));

    catgen::TCatalogueKinds kinds;
    const std::string code = a.Value("--code", "string").toStdString();
    const std::string stock = a.Value("--stock", "r8").toStdString();
    kinds.AllNumericKinds = a.Has("--kinds");
    kinds.Code = code.c_str();
    if (a.Has("--stock") || a.HasValue("--stock")) kinds.Stock = stock.c_str();
    const TFieldType codeType = PacketTypeOf(code).DataType;
    if (codeType != ftString && codeType != ftWideString && !IsIntegerKind(codeType))
        return Refuse(QStringLiteral("--code attend string, string.uni ou un type entier"));
    if (kinds.Stock && !IsNumericKind(PacketTypeOf(stock).DataType))
        return Refuse(QStringLiteral("--stock attend un type numérique (r8, i4, fixed ...)"));

    const QString out = p[0];
    if (const QString refusal = OutputRefusal(out, {}, a.Has("--force")); !refusal.isEmpty()) {
        Err(refusal + u'\n');
        return kExitRefused;
    }
    return RunToolMain("tallivo-catgen", [&] {
        TClientDataSet table;
        try {
            if (count)
                table.LoadFromStoreData(
                    catgen::MakeCount(uint32_t(articles), uint32_t(rows), seed, catalogueSeed));
            else
                catgen::FillCatalogue(table, uint32_t(rows), seed, kinds);
            table.SaveToFile(out, dfXML);
        } catch (const Exception& e) {
            Err(QStringLiteral("%1: %2\n").arg(out, ToolMessage(e)));
            return int(kExitFailed);
        }
        return int(kExitDone);
    });
}
