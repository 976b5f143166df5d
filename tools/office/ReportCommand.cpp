// tallivo-office report: the command line, the checks made before any work
// (inputs readable, nothing written over an input, OUTDIR not holding one,
// no data packet replaced without --force), the count source, and the four
// files written into OUTDIR.
//
// The count comes from a source function (TCountSource), chosen in
// CountSourceFor: the count files, merged exactly as `tallivo-packet merge`
// merges them, the stations being the files (named by the identity they
// carry) and the zones coming from the journal beside each file; or the
// combined count of the multi-station server (--db CONNINFO --stocktake
// NAME), combined as `tallivo-office export` combines it, per station.
#include "tools/office/ReportCommand.h"

#include "base/Exception.h"
#include "base/FloatText.h"
#include "report/ReportFiles.h"
#include "report/StockReport.h"
#include "station/Journal.h"
#include "station/StationIdentity.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "tools/ToolMain.h"
#include "tools/common/ToolFiles.h"
#include "tools/common/ToolOptions.h"
#include "tools/office/DbCombined.h"
#include "tools/packet/Merge.h"
#include "tools/packet/MergeCounts.h"
#include "tools/pgsql/PgConnection.h"
#include "tools/pgsql/StockTakeDb.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <map>
#include <unistd.h>

using namespace tallivo;
using namespace tallivo::report;

namespace {

const char* const kUsage =
    "usage : tallivo-office report [options] CATALOGUE DOSSIER COMPTAGE...\n"
    "Compare la quantité attendue de chaque article (un champ numérique du catalogue,\n"
    "STOCK par défaut) à la quantité comptée (les COLLECTION.XML des postes, ou leurs\n"
    "exports CSV, réunis comme le fait tallivo-packet merge ; un même poste deux fois\n"
    "est refusé) et écrit dans DOSSIER (créé s'il manque) :\n"
    "  ECARTS.CSV       chaque article attendu ou compté : attendu, compté, écart, valeur\n"
    "                   de l'écart au prix d'achat, situation, à recompter\n"
    "  RAPPORT.HTML     totaux, plus grands écarts, écarts par catégorie, articles non\n"
    "                   comptés, comptages par poste (s'ouvre sans réseau)\n"
    "  RECOMPTAGE.XML   les articles à recompter, catalogue qu'un poste peut charger\n"
    "  RECOMPTAGE.HTML  la même liste à imprimer pour les compteurs\n"
    "options :\n"
    "  --expected-field NOM  le champ de la quantité attendue (STOCK par défaut)\n"
    "  --seuil N             à recompter : écart de plus de N pièces (1 par défaut)\n"
    "  --seuil-pct P         ... et de plus de P % de la quantité attendue (5 par défaut) ;\n"
    "                        un seul des deux donné décide seul\n"
    "  --decimal , | .       séparateur décimal des nombres écrits (virgule par défaut)\n"
    "  --force               remplacer un RECOMPTAGE.XML qui existe déjà\n"
    "  --db CONNINFO --stocktake NOM  le comptage réuni du serveur multi-postes\n"
    "DOSSIER ne doit contenir ni le catalogue ni un comptage.\n"
    "sortie : 0 fait, 1 un fichier n'a pas pu être lu ou écrit, 2 ligne de commande\n"
    "erronée ou écriture refusée (rien n'est écrit)\n";

// What a zone's changes added to each code (folded), corrections included.
using TZoneFigures = std::map<QString, double>;

const char* const kOutputs[] = {"ECARTS.CSV", "RAPPORT.HTML", "RECOMPTAGE.XML", "RECOMPTAGE.HTML"};

// A failure to report: its message and exit code.
struct TStop {
    QString Message;
    int Code;
};

void Progress(const char* what) {
    if (isatty(STDERR_FILENO)) std::fprintf(stderr, "%s\n", what);
}

// A threshold: a number of at least 0, with a comma or a point.
std::optional<double> ThresholdOption(const TToolArgs& a, const QString& name) {
    if (!a.HasValue(name)) return std::nullopt;
    double v = 0;
    if (!(TryTextToFloat(a.Value(name), u',', v) || TryTextToFloat(a.Value(name), u'.', v)) || v < 0)
        throw TStop{QStringLiteral("%1 attend un nombre positif ou nul, pas \"%2\"").arg(name, a.Value(name)),
                    kExitRefused};
    return v;
}

// The folders a file lies in: its own, and its target's when it is a link.
QStringList FoldersOf(const QString& file) {
    QStringList folders{QFileInfo(file).absolutePath()};
    const QString target = QFileInfo(file).canonicalFilePath();
    if (!target.isEmpty()) folders << QFileInfo(target).absolutePath();
    return folders;
}

// Everything that would make the report write where it must not, before
// any work.
void CheckFiles(const QString& catalogue, const QString& outDir, const QStringList& counts, bool force) {
    const QStringList inputs = QStringList{catalogue} + counts;
    for (const QString& in : inputs)
        if (const QString problem = InputFileProblem(in); !problem.isEmpty())
            throw TStop{problem, kExitRefused};
    if (const QString refusal = CountFilesRefusal(inputs); !refusal.isEmpty())
        throw TStop{refusal, kExitRefused};
    const QFileInfo dir(outDir);
    if (!dir.exists()) return;
    if (!dir.isDir()) throw TStop{QStringLiteral("%1 n'est pas un dossier").arg(Shown(outDir)), kExitRefused};
    for (const QString& in : inputs)
        for (const QString& folder : FoldersOf(in))
            if (SameFile(folder, outDir))
                throw TStop{
                    QStringLiteral("%1 contient un fichier lu (%2) : le rapport s'écrit dans un autre "
                                   "dossier ; rien n'est écrit")
                        .arg(Shown(outDir), Shown(in)),
                    kExitRefused};
    for (const char* name : kOutputs)
        if (const QString refusal = OutputRefusal(QDir(outDir).filePath(QLatin1String(name)), inputs, force);
            !refusal.isEmpty())
            throw TStop{refusal, kExitRefused};
}

using TCountSource = std::function<TCount()>;

// A station's name in the report: its identity and where its file was.
QString StationName(const QString& file, const TCountIdentity& identity) {
    return identity.Own ? QStringLiteral("%1 (%2)").arg(identity.Own->Station, file) : file;
}

// The zones of a station's count, from the journal beside its file: what
// each zone's changes added to each code up to the change the file holds.
// Nothing when there is no journal or the file has no identity.
void AddZones(const QString& file, const TCountIdentity& identity, std::map<QString, TZoneFigures>& zones) {
    const QString journal = QFileInfo(file).dir().filePath(QLatin1String(kJournalFileName));
    if (!identity.Own || !QFileInfo::exists(journal)) return;
    std::map<QString, TZoneFigures> count;
    for (const TJournalRecord& r : ReadJournalFile(journal).Records) {
        if (!r.IsChange() || r.Station != identity.Own->Station || r.Epoch != identity.Own->Epoch ||
            r.Sequence > identity.Sequence)
            continue;
        if (r.ClearsCount) count.clear();
        if (!r.Code.isEmpty()) count[r.Zone][r.Code.toCaseFolded()] += r.Delta;
    }
    for (const auto& [name, codes] : count)
        for (const auto& [code, quantity] : codes) zones[name][code] += quantity;
}

// A zone's line: the codes whose quantity its changes left other than 0.
TStationCount ZoneCount(const QString& name, const TZoneFigures& codes) {
    TStationCount zone;
    zone.Name = name.isEmpty() ? QStringLiteral("(sans zone)") : name;
    for (const auto& [code, quantity] : codes) {
        if (quantity != 0) ++zone.Lines;
        zone.Quantity += quantity;
    }
    return zone;
}

// The count files, merged as the packet tool's merge does; each file is a
// station, and the journals beside them give the zones.
TCount CountFromFiles(const QStringList& files) {
    TCount count;
    TCollectionMerge merge;
    std::map<QString, TZoneFigures> zones;
    try {
        MergeCountFiles(files, merge, [&](const QString& file, TClientDataSet& table) {
            const TStoreData& d = table.Store()->Data();
            const TCountIdentity identity = ReadCountIdentity(d.Params);
            TStationCount station;
            station.Name = StationName(file, identity);
            const int qty = FieldIndex(d, QStringLiteral("QTE"));
            for (const uint32_t slot : table.Store()->DefaultOrder()) {
                double q = 0;
                ++station.Lines;
                if (NumberAt(d, qty, slot - 1, q)) station.Quantity += q;
            }
            count.Stations.push_back(std::move(station));
            AddZones(file, identity, zones);
        });
    } catch (const ESameCount& e) {
        throw TStop{e.Message(), kExitRefused};
    } catch (const Exception& e) {
        throw TStop{e.Message() + QStringLiteral(" ; rien n'est écrit"), kExitFailed};
    }
    for (const TMergeConflict& c : merge.Conflicts()) Err(ConflictLine(c) + u'\n');
    count.Lines = merge.TakeResult();
    // Zones only when the stations use them.
    if (zones.size() > 1 || (zones.size() == 1 && !zones.begin()->first.isEmpty()))
        for (const auto& [name, codes] : zones) count.Zones.push_back(ZoneCount(name, codes));
    return count;
}

// The combined count of a stock-take on the multi-station server: the
// stations merged as the back office's export merges them, and each
// station's lines and quantity. Zones are left out: the server keeps each
// line's last zone, not the figures of every change.
TCount CountFromServer(const QString& conninfo, const QString& stocktake) {
    try {
        pg::TPgConnection db(conninfo, "tallivo-office");
        const int32_t id = pg::StockTakeId(db, stocktake);
        TCount count;
        count.Lines = office::ReadCombinedCount(db, stocktake);
        for (const office::TStationCount& s : office::GroupByStation(pg::ReadStationLines(db, id))) {
            TStationCount station;
            station.Name = s.Station;
            station.Lines = s.Lines.size();
            for (const pg::TServerLine& line : s.Lines) station.Quantity += line.Quantity.value_or(0);
            count.Stations.push_back(std::move(station));
        }
        return count;
    } catch (const Exception& e) {
        throw TStop{QStringLiteral("%1: %2 ; rien n'est écrit").arg(stocktake, ToolMessage(e)), kExitFailed};
    }
}

TCountSource CountSourceFor(const TToolArgs& a, const QStringList& files) {
    if (a.HasValue("--db") || a.HasValue("--stocktake")) {
        const QString conninfo = a.Value("--db", qEnvironmentVariable("TALLIVO_DB"));
        const QString stocktake = a.Value("--stocktake", QString());
        if (conninfo.isEmpty() || stocktake.isEmpty())
            throw TStop{QStringLiteral("--db CONNINFO et --stocktake NOM vont ensemble"), kExitRefused};
        if (!files.isEmpty())
            throw TStop{QStringLiteral("avec --db, pas de fichier de comptage : le comptage est celui du serveur"),
                        kExitRefused};
        return [conninfo, stocktake] { return CountFromServer(conninfo, stocktake); };
    }
    if (files.isEmpty()) throw TStop{QStringLiteral("il faut au moins un fichier de comptage"), kExitRefused};
    return [files] { return CountFromFiles(files); };
}

void Write(const QString& path, const QByteArray& bytes) {
    try {
        WriteWholeFile(path, bytes);
    } catch (const Exception& e) {
        throw TStop{QStringLiteral("%1: %2").arg(path, ToolMessage(e)), kExitFailed};
    }
}

int Report(const TToolArgs& a) {
    QStringList p = a.Positional;
    p.removeFirst(); // the command word
    if (p.size() < 2)
        throw TStop{QStringLiteral("il faut un CATALOGUE, un DOSSIER et des comptages"), kExitRefused};
    const QString catalogueFile = p[0], outDir = p[1];
    const QStringList countFiles = p.mid(2);
    QChar separator;
    QString error;
    if (!ApplyDecimalOption(a, separator, error)) throw TStop{error, kExitRefused};
    TReportOptions options;
    options.ExpectedField = a.Value("--expected-field", options.ExpectedField);
    options.Threshold = ThresholdOption(a, "--seuil");
    options.ThresholdPct = ThresholdOption(a, "--seuil-pct");
    const TCountSource source = CountSourceFor(a, countFiles);
    CheckFiles(catalogueFile, outDir, countFiles, a.Has("--force"));

    Progress("lecture du catalogue...");
    std::optional<IDSBase> catalogue;
    try {
        catalogue.emplace(ReadPacketFile(catalogueFile));
    } catch (const Exception& e) {
        throw TStop{QStringLiteral("%1: %2 ; rien n'est écrit").arg(catalogueFile, ToolMessage(e)),
                    kExitFailed};
    }
    Progress("lecture des comptages...");
    TCount count = source();
    Progress("calcul des écarts...");
    std::optional<TStockReport> report;
    try {
        report.emplace(*catalogue, std::move(count), options);
    } catch (const Exception& e) {
        throw TStop{QStringLiteral("%1: %2 ; rien n'est écrit").arg(catalogueFile, e.Message()), kExitFailed};
    }

    Progress("écriture...");
    if (!QDir().mkpath(outDir))
        throw TStop{QStringLiteral("%1: impossible de créer le dossier ; rien n'est écrit").arg(outDir),
                    kExitFailed};
    const QStringList countNames =
        countFiles.isEmpty() ? QStringList{QStringLiteral("inventaire %1 (serveur)").arg(a.Value("--stocktake", QString()))}
                             : countFiles;
    const TReportSource from{catalogueFile, countNames, QDateTime::currentDateTime(), separator};
    const QDir dir(outDir);
    Write(dir.filePath("ECARTS.CSV"), DifferencesCsv(*report, separator));
    try {
        TClientDataSet recount;
        recount.LoadFromStoreData(RecountCatalogue(*report));
        recount.SaveToFile(dir.filePath("RECOMPTAGE.XML"), dfXML);
    } catch (const Exception& e) {
        throw TStop{QStringLiteral("%1: %2").arg(dir.filePath("RECOMPTAGE.XML"), ToolMessage(e)),
                    kExitFailed};
    }
    Write(dir.filePath("RECOMPTAGE.HTML"), RecountHtml(*report, from));
    Write(dir.filePath("RAPPORT.HTML"), ReportHtml(*report, from));

    const TReportTotals& t = report->Totals();
    Out(QStringLiteral("%1: %2, %3, %4, %5, %6 ; valeur des écarts %7\n")
            .arg(outDir, Plural(int64_t(t.Expected), "article attendu", "articles attendus"),
                 Plural(int64_t(t.Counted), "compté", "comptés"),
                 Plural(int64_t(t.NotCounted), "non compté", "non comptés"),
                 Plural(int64_t(t.NotExpected), "non attendu", "non attendus"),
                 Plural(int64_t(t.Recount), "à recompter", "à recompter"), AmountText(t.Value, separator)));
    return kExitDone;
}

} // namespace

int OfficeReport(int argc, char** argv) {
    const QStringList all = ToolArguments(argc, argv);
    const TToolArgs a =
        ParseToolArgs(all, {"--force", "--help", "-h"},
                      {"--expected-field", "--seuil", "--seuil-pct", "--decimal", "--db", "--stocktake"});
    if (a.Has("--help") || a.Has("-h")) {
        std::fputs(kUsage, stdout);
        return kExitDone;
    }
    try {
        if (!a.Error.isEmpty()) throw TStop{a.Error, kExitRefused};
        return Report(a);
    } catch (const TStop& stop) {
        Err(QStringLiteral("tallivo-office report: ") + stop.Message + u'\n');
        if (stop.Code == kExitRefused && stop.Message.startsWith(QStringLiteral("il faut")))
            std::fputs(kUsage, stderr);
        return stop.Code;
    }
}
