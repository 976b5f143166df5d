// tallivo-sync: sends a counting folder's journal to the stock-take server,
// beside the running workstation.
//
//   tallivo-sync --folder DIR --db CONNINFO --stocktake NAME [--once]
//
// It watches JOURNAL.DAT (and polls it, for file systems that do not tell),
// sends each confirmed change, and tells the workstation how it goes in
// ENVOI.TXT (station/SenderStatus.h). A lost server is tried again, more
// and more slowly up to every 10 seconds, for as long as it takes; the
// changes wait in the journal meanwhile. With --once it sends what the
// journal holds and ends: 0 when the server confirmed all of it, 1 on any
// error, 2 for a wrong command line.
#include "base/Exception.h"
#include "station/SenderStatus.h"
#include "tools/ToolMain.h"
#include "tools/pgsql/PgConnection.h"
#include "tools/sync/Sender.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QRandomGenerator>
#include <QTimer>
#include <csignal>

using namespace tallivo;

namespace {

const char* const kUsage =
    "usage: tallivo-sync --folder DOSSIER --db CONNINFO --stocktake NOM [--once]\n"
    "\n"
    "Envoie au serveur de l'inventaire NOM chaque changement confirmé du dossier de comptage\n"
    "DOSSIER (son JOURNAL.DAT), pendant que la station y compte. Un changement n'est envoyé\n"
    "qu'une fois, même renvoyé ; un serveur injoignable est réessayé sans fin, les changements\n"
    "attendent dans le journal. La station affiche l'état de l'envoi dans son en-tête.\n"
    "  --once         envoie ce que le journal contient, attend la confirmation du serveur\n"
    "                 et s'arrête (0 : tout est confirmé ; 1 : une erreur)\n"
    "  --db CONNINFO  chaîne de connexion libpq ; la variable TALLIVO_DB en tient lieu. Le\n"
    "                 mot de passe vient de ~/.pgpass ou du fichier nommé par passfile=\n"
    "  -h, --help     ce texte\n"
    "  -v, --version  la version\n";

constexpr int kPollMs = 2000;           // a look at the journal even when nothing was told
constexpr int kGatherMs = 20;           // what a save tells is gathered that long
constexpr int kFirstRetryMs = 1000;     // after a lost connection, doubled up to
constexpr int kLongestRetryMs = 10000;  // ... this
constexpr int kRefusedRetryMs = 30000;  // after the server refused (rights, stock-take, conflict)

QString Now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"));
}

void Log(const QString& text) {
    Err(Now() + u' ' + text + u'\n');
}

struct TOptions {
    QString Folder, Db, StockTake;
    bool Once = false;
};

// The command line; false (with the message printed) when it is wrong.
bool Parse(const QStringList& args, TOptions& o) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* value = a == QLatin1String("--folder")      ? &o.Folder
                         : a == QLatin1String("--db")        ? &o.Db
                         : a == QLatin1String("--stocktake") ? &o.StockTake
                                                             : nullptr;
        if (value && i + 1 < args.size()) {
            *value = args[++i];
        } else if (a == QLatin1String("--once")) {
            o.Once = true;
        } else {
            Err(QStringLiteral("tallivo-sync: argument inattendu : %1\n%2").arg(a, QString::fromUtf8(kUsage)));
            return false;
        }
    }
    o.Db = pg::ConnInfoFrom(o.Db);
    QString missing = o.Folder.isEmpty() ? QStringLiteral("--folder")
                      : o.Db.isEmpty()   ? QStringLiteral("--db (ou TALLIVO_DB)")
                      : o.StockTake.isEmpty() ? QStringLiteral("--stocktake")
                                              : QString();
    if (!missing.isEmpty()) {
        Err(QStringLiteral("tallivo-sync: il manque %1\n%2").arg(missing, QString::fromUtf8(kUsage)));
        return false;
    }
    if (!QFileInfo(o.Folder).isDir()) {
        Err(QStringLiteral("tallivo-sync: %1 n'est pas un dossier\n").arg(o.Folder));
        return false;
    }
    return true;
}

// The sender's loop: a round at every change of the journal, at every poll
// and when a retry is due.
class TSyncLoop {
public:
    explicit TSyncLoop(const TOptions& o) : FSender(o.Folder, o.Db, o.StockTake), FFolder(o.Folder) {
        FStatus.StockTake = o.StockTake;
        // For the fault test only: the sender kills itself just before or
        // just after a commit, N times in a thousand.
        const int killPerMille = qEnvironmentVariableIntValue("TALLIVO_SYNC_TEST_KILL");
        if (killPerMille > 0)
            FSender.AroundCommit = [killPerMille](bool) {
                if (QRandomGenerator::global()->bounded(1000) < killPerMille) ::raise(SIGKILL);
            };
        if (const auto earlier = ReadEarlierStatus()) FSender.AssumeConfirmed(*earlier);
    }

    int RunOnce() {
        try {
            FSender.ReadJournal();
            FSender.SendAll();
            if (FSender.Station().isEmpty()) {
                Log(QStringLiteral("%1 n'a pas encore d'identité de poste (POSTE.ID) : rien à envoyer").arg(FFolder));
                return 0;
            }
            Log(QStringLiteral("tout est confirmé par le serveur (%1)").arg(FSender.Who()));
            return 0;
        } catch (const Exception& e) {
            Err(QStringLiteral("tallivo-sync: %1\n").arg(e.Message()));
            return 1;
        }
    }

    int Run() {
        const QString journal = QDir(FFolder).filePath(QStringLiteral("JOURNAL.DAT"));
        // A save of the workstation tells several times (the journal's
        // records, its confirmation, the collection's temporary file and
        // its rename): one round a moment after the first is enough.
        FSoon.setSingleShot(true);
        FSoon.setInterval(kGatherMs);
        QObject::connect(&FSoon, &QTimer::timeout, [this] { Round(); });
        FWatcher.addPath(FFolder);
        QObject::connect(&FWatcher, &QFileSystemWatcher::directoryChanged, [this, journal] {
            if (!FWatcher.files().contains(journal) && QFileInfo::exists(journal)) FWatcher.addPath(journal);
            if (!FSoon.isActive()) FSoon.start();
        });
        QObject::connect(&FWatcher, &QFileSystemWatcher::fileChanged, [this] {
            if (!FSoon.isActive()) FSoon.start();
        });
        if (QFileInfo::exists(journal)) FWatcher.addPath(journal);
        FPoll.setInterval(kPollMs);
        QObject::connect(&FPoll, &QTimer::timeout, [this] { Round(); });
        FPoll.start();
        FRetry.setSingleShot(true);
        QObject::connect(&FRetry, &QTimer::timeout, [this] { Round(); });
        QTimer::singleShot(0, [this] { Round(); });
        return QCoreApplication::exec();
    }

private:
    std::optional<std::pair<int64_t, int64_t>> ReadEarlierStatus() {
        QFile f(QDir(FFolder).filePath(QString::fromLatin1(kSenderStatusFileName)));
        if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
        const auto earlier = ParseSenderStatus(f.read(4096));
        if (!earlier || earlier->StockTake != FStatus.StockTake) return std::nullopt;
        return std::pair(earlier->ConfirmedEpoch, earlier->ConfirmedSequence);
    }

    void Round() {
        if (FInRound) return; // a signal that arrived while the server was asked
        FInRound = true;
        try {
            FSender.ReadJournal();
        } catch (const pg::EPgError& e) { // what the server holds was asked
            Fail(e.Message(), e.ConnectionLost());
            FInRound = false;
            return;
        } catch (const Exception& e) {
            Fail(e.Message(), false);
            FInRound = false;
            return;
        }
        if (FRetry.isActive()) {
            // Waiting for the next try: only the count of waiting changes moves.
            Show(FStatus.State);
            FInRound = false;
            return;
        }
        if (FSender.Pending() > 0 && FStatus.State != TSenderStatus::TState::Unreachable)
            Show(TSenderStatus::TState::Pending);
        try {
            const bool wasConnected = FSender.Connected();
            FSender.SendAll();
            if (!wasConnected && FSender.Connected()) Log(QStringLiteral("connecté : %1").arg(FSender.Who()));
            FRetryMs = kFirstRetryMs;
            FStatus.Since = 0;
            FStatus.Message.clear();
            Show(TSenderStatus::TState::Sent);
        } catch (const pg::EPgError& e) {
            Fail(e.Message(), e.ConnectionLost());
        } catch (const Exception& e) {
            Fail(e.Message(), false);
        }
        FInRound = false;
    }

    void Fail(const QString& message, bool lost) {
        FSender.Disconnect();
        const TSenderStatus::TState state = lost ? TSenderStatus::TState::Unreachable : TSenderStatus::TState::Failed;
        if (FStatus.State != state || FStatus.Message != message) Log(message);
        if (FStatus.State != state) FStatus.Since = QDateTime::currentMSecsSinceEpoch();
        FStatus.Message = message;
        Show(state);
        FRetry.start(lost ? FRetryMs : kRefusedRetryMs);
        if (lost) FRetryMs = std::min(FRetryMs * 2, kLongestRetryMs);
    }

    // Tells the workstation, when anything it shows changed.
    void Show(TSenderStatus::TState state) {
        TSenderStatus next = FStatus;
        next.State = state;
        next.Pending = FSender.Pending();
        std::tie(next.ConfirmedEpoch, next.ConfirmedSequence) = FSender.Confirmed();
        if (FWritten && next == FStatus) return;
        FStatus = next;
        try {
            WriteSenderStatus(FFolder, FStatus);
            FWritten = true;
        } catch (const Exception& e) {
            Log(e.Message()); // the sending goes on; the workstation just does not see it
        }
    }

    sync::TSender FSender;
    QString FFolder;
    TSenderStatus FStatus;
    bool FWritten = false;
    bool FInRound = false;
    int FRetryMs = kFirstRetryMs;
    QFileSystemWatcher FWatcher;
    QTimer FPoll, FRetry, FSoon;
};

} // namespace

int main(int argc, char** argv) {
    const QStringList args = ToolArguments(argc, argv);
    if (!args.isEmpty() && (args[0] == QLatin1String("-v") || args[0] == QLatin1String("--version"))) {
        std::puts("tallivo-sync " TALLIVO_VERSION);
        return 0;
    }
    if (args.isEmpty() || args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help")) {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    TOptions options;
    if (!Parse(args, options)) return 2;
    return RunToolMain("tallivo-sync", [&] {
        QCoreApplication app(argc, argv);
        // A password in the connection string shows in the list of
        // processes and in shell histories.
        if (pg::ConnInfoHasPassword(options.Db))
            Log(QStringLiteral("attention : la chaîne de connexion contient le mot de passe ; mettez-le plutôt "
                               "dans ~/.pgpass ou dans le fichier nommé par passfile="));
        TSenderLock lock(options.Folder);
        if (!lock.Held()) Log(QStringLiteral("ENVOI.LCK : verrou impossible, la station ne verra pas l'état de l'envoi"));
        TSyncLoop loop(options);
        return options.Once ? loop.RunOnce() : loop.Run();
    });
}
