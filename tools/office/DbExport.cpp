// tallivo-office --db CONNINFO export NAME OUT.CSV: the combined count in the
// workstation's export form, written safely.
#include "base/FormatSettings.h"
#include "table/AtomicFile.h"
#include "table/ClientDataSet.h"
#include "tools/ToolMain.h"
#include "tools/common/ToolFiles.h"
#include "tools/office/DbCombined.h"
#include "tools/office/DbCommandLine.h"
#include "tools/office/DbCommands.h"
#include "tools/packet/Merge.h"
#include "tools/pgsql/PgConnection.h"

namespace tallivo::office {

int OfficeExport(int argc, char** argv) {
    TDbCommandLine line;
    if (!ParseDbCommandLine(argc, argv, {}, line)) return 2;
    if (!CheckArguments(line, 2, "tallivo-office --db CONNINFO export NOM SORTIE.CSV")) return 2;
    const QString& name = line.Arguments[0];
    const QString& out = line.Arguments[1];
    // The stations write the decimal comma; the back office may ask for a point.
    const QString decimal = line.Decimal.isEmpty() ? QStringLiteral(",") : line.Decimal;
    if (decimal != QLatin1String(",") && decimal != QLatin1String(".")) {
        OfficeError(QStringLiteral("--decimal attend \",\" ou \".\", pas \"%1\"").arg(decimal));
        return 2;
    }
    FormatSettings().DecimalSeparator = decimal[0];
    if (LooksLikePacket(out)) {
        OfficeError(QStringLiteral("%1 est un fichier de données (XML), il n'est pas remplacé par l'export ; "
                                   "rien n'est écrit")
                        .arg(out));
        return 2;
    }
    const auto db = OpenOfficeConnection(line);
    const int32_t id = pg::StockTakeId(*db, name);
    if (const QString twice = DoubleCount(pg::ReadCurrentCounts(*db, id)); !twice.isEmpty()) {
        OfficeError(twice + QStringLiteral(" ; rien n'est écrit"));
        return 1;
    }
    const std::vector<TStationCount> stations = GroupByStation(pg::ReadStationLines(*db, id));
    TClientDataSet combined;
    combined.LoadFromStoreData(CombineStations(stations));
    const QByteArray text = ExportText(combined);
    TAtomicFile file(out);
    file.Put(text.constData(), size_t(text.size()));
    file.Commit();
    Out(QStringLiteral("%1 : %2, de %3\n")
            .arg(out, Counted(double(combined.RecordCount()), QStringLiteral("article"), QStringLiteral("articles")),
                 Counted(double(stations.size()), QStringLiteral("poste"), QStringLiteral("postes"))));
    return 0;
}

} // namespace tallivo::office
