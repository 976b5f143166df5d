// tallivo-office --db CONNINFO watch NAME [--once]: the live combined count,
// per station and per zone. The server tells which station changed
// (LISTEN/NOTIFY); only that station's count is read again. After a lost
// connection the watch reconnects and reads everything again, since what
// changed meanwhile was never told.
//
// On a terminal the screen is redrawn; otherwise each state is printed
// after the last, separated by a blank line (a log, or a program reading
// it). --once prints the state once and ends.
#include "base/FloatText.h"
#include "table/ClientDataSet.h"
#include "table/Fields.h"
#include "tools/ToolMain.h"
#include "tools/office/DbCombined.h"
#include "tools/office/DbCommandLine.h"
#include "tools/office/DbCommands.h"
#include "tools/pgsql/PgConnection.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>
#include <QTimer>
#include <map>
#include <set>
#include <unistd.h>

namespace tallivo::office {

namespace {

constexpr int kRetryMs = 2000;   // between two tries to reach the server
constexpr int kGatherMs = 50;    // notifications gathered before one read

QString Time(int64_t ms) {
    return ms ? QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("dd/MM HH:mm:ss")) : QStringLiteral("-");
}

QString Padded(const QString& text, int width, bool right = false) {
    return right ? text.rightJustified(width) : text.leftJustified(width);
}

class TWatch {
public:
    TWatch(TDbCommandLine line, bool once) : FLine(std::move(line)), FOnce(once) {
        FGather.setSingleShot(true);
        FGather.setInterval(kGatherMs);
        QObject::connect(&FGather, &QTimer::timeout, [this] { Guarded([this] { ReadChanged(); }); });
        FRetry.setSingleShot(true);
        FRetry.setInterval(kRetryMs);
        QObject::connect(&FRetry, &QTimer::timeout, [this] { Guarded([this] { Connect(); }); });
    }

    // The first connection; false when the stock-take cannot be watched
    // at all (schema, name or rights), which a new try would not mend.
    int Start() {
        try {
            Connect();
        } catch (const pg::EPgError& e) {
            if (!e.ConnectionLost() || FOnce) {
                OfficeError(e.Message());
                return 1;
            }
            Lost(e);
        }
        return FOnce ? 0 : QCoreApplication::exec();
    }

private:
    template <class F> void Guarded(F&& step) {
        try {
            step();
        } catch (const pg::EPgError& e) {
            Lost(e);
        }
    }

    void Connect() {
        FNotifier.reset();
        FDb = OpenOfficeConnection(FLine);
        // Listening first: a change made while everything is read is told
        // afterwards, never lost.
        FDb->Listen("tallivo_event");
        FStockTake = pg::StockTakeId(*FDb, FLine.Arguments[0]);
        FStations.clear();
        for (const QString& station : pg::ListStations(*FDb, FStockTake)) FStations[station];
        for (TStationCount& s : GroupByStation(pg::ReadStationLines(*FDb, FStockTake)))
            FStations[s.Station] = std::move(s.Lines);
        FDoubleCount = DoubleCount(pg::ReadCurrentCounts(*FDb, FStockTake));
        FDownSince = 0;
        Print();
        if (FOnce) return;
        FNotifier = std::make_unique<QSocketNotifier>(FDb->Socket(), QSocketNotifier::Read);
        QObject::connect(FNotifier.get(), &QSocketNotifier::activated, [this] { Guarded([this] { Notified(); }); });
    }

    void Notified() {
        const QString prefix = QString::number(FStockTake) + u' ';
        for (const auto& n : FDb->Notifications())
            if (n.Payload.startsWith(prefix)) FChanged.insert(n.Payload.mid(prefix.size()));
        if (!FChanged.empty() && !FGather.isActive()) FGather.start();
    }

    void ReadChanged() {
        for (const QString& station : FChanged) FStations[station] = pg::ReadStationLines(*FDb, FStockTake, station);
        FChanged.clear();
        FDoubleCount = DoubleCount(pg::ReadCurrentCounts(*FDb, FStockTake));
        Print();
    }

    void Lost(const pg::EPgError& e) {
        FNotifier.reset();
        FDb.reset();
        FGather.stop();
        FChanged.clear();
        if (!FDownSince) FDownSince = QDateTime::currentMSecsSinceEpoch();
        Show(QStringLiteral("Serveur injoignable depuis %1 : %2\nNouvel essai toutes les %3 secondes ; "
                            "le décompte sera relu en entier.\n")
                 .arg(QDateTime::fromMSecsSinceEpoch(FDownSince).toString(QStringLiteral("HH:mm")), e.Message())
                 .arg(kRetryMs / 1000));
        FRetry.start();
    }

    void Print() {
        std::vector<TStationCount> stations;
        for (const auto& [station, lines] : FStations) stations.push_back({station, lines});
        TClientDataSet combined;
        combined.LoadFromStoreData(CombineStations(stations));
        double pieces = 0;
        TField* qty = combined.FindField(QStringLiteral("QTE"));
        for (combined.First(); !combined.Eof(); combined.Next())
            if (qty && !qty->IsNull()) pieces += qty->AsFloat();

        QString text = QStringLiteral("Inventaire « %1 » au %2\n")
                           .arg(FLine.Arguments[0],
                                QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
        if (!FDoubleCount.isEmpty())
            text += QStringLiteral("Attention : %1 (l'export est refusé tant que l'un d'eux ne recommence "
                                   "pas son comptage)\n")
                        .arg(FDoubleCount);
        text += QStringLiteral("Ensemble : %1, %2, %3\n\n")
                    .arg(Counted(double(combined.RecordCount()), QStringLiteral("article"), QStringLiteral("articles")),
                         Counted(pieces, QStringLiteral("pièce"), QStringLiteral("pièces")),
                         Counted(double(stations.size()), QStringLiteral("poste"), QStringLiteral("postes")));
        text += Padded(QStringLiteral("Poste"), 38) + Padded(QStringLiteral("Lignes"), 8, true) +
                Padded(QStringLiteral("Pièces"), 14, true) + QStringLiteral("  Dernière ligne\n");
        std::map<QString, std::pair<int, double>> zones;
        for (const TStationCount& s : stations) {
            double sum = 0;
            int64_t last = 0;
            for (const pg::TServerLine& l : s.Lines) {
                const double q = l.Quantity.value_or(0);
                sum += q;
                last = std::max(last, l.TimeMs);
                auto& zone = zones[l.Zone];
                zone.first += 1;
                zone.second += q;
            }
            text += Padded(s.Station, 38) + Padded(QString::number(s.Lines.size()), 8, true) +
                    Padded(FloatToText(sum), 14, true) + QStringLiteral("  ") + Time(last) + u'\n';
        }
        if (!zones.empty() && !(zones.size() == 1 && zones.begin()->first.isEmpty())) {
            text += u'\n' + Padded(QStringLiteral("Zone"), 38) + Padded(QStringLiteral("Lignes"), 8, true) +
                    Padded(QStringLiteral("Pièces"), 14, true) + u'\n';
            for (const auto& [zone, figures] : zones)
                text += Padded(zone.isEmpty() ? QStringLiteral("(sans zone)") : zone, 38) +
                        Padded(QString::number(figures.first), 8, true) +
                        Padded(FloatToText(figures.second), 14, true) + u'\n';
        }
        Show(text);
    }

    void Show(const QString& text) {
        static const bool terminal = isatty(STDOUT_FILENO);
        Out(terminal ? QStringLiteral("\x1b[H\x1b[2J") + text : text + u'\n');
        std::fflush(stdout);
    }

    TDbCommandLine FLine;
    bool FOnce;
    std::unique_ptr<pg::TPgConnection> FDb;
    std::unique_ptr<QSocketNotifier> FNotifier;
    int32_t FStockTake = 0;
    std::map<QString, std::vector<pg::TServerLine>> FStations; // by identity, as the export orders them
    std::set<QString> FChanged;
    QString FDoubleCount; // why the combination counts a count twice, if it does
    QTimer FGather, FRetry;
    int64_t FDownSince = 0;
};

} // namespace

int OfficeWatch(int argc, char** argv) {
    TDbCommandLine line;
    if (!ParseDbCommandLine(argc, argv, {QStringLiteral("--once")}, line)) return 2;
    if (!CheckArguments(line, 1, "tallivo-office --db CONNINFO watch NOM [--once]")) return 2;
    QCoreApplication app(argc, argv);
    TWatch watch(line, line.Flags.contains(QStringLiteral("--once")));
    return watch.Start();
}

} // namespace tallivo::office
