// tallivo-journal: what a counting station's journal (JOURNAL.DAT) holds,
// for IT and support:
//
//   tallivo-journal dump JOURNAL.DAT     every record, one per line
//   tallivo-journal replay [--count STATION:EPOCH] [--upto N] [--all] JOURNAL.DAT
//                                        the count the journal gives
//   tallivo-journal check FOLDER         does the journal give exactly the
//                                        lines of the folder's COLLECTION.XML?
//
// Exit codes: 0 done (check: they agree), 1 unreadable (check: they do not
// agree), 2 wrong command line.
#include "base/Exception.h"
#include "base/FloatText.h"
#include "station/CollectionChanges.h"
#include "station/Journal.h"
#include "station/StationIdentity.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "tools/ToolMain.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>

using namespace tallivo;

namespace {

const char* const kUsage = "usage :\n"
                           "  tallivo-journal dump JOURNAL.DAT\n"
                           "  tallivo-journal replay [--count POSTE:EPOQUE] [--upto N] [--all] JOURNAL.DAT\n"
                           "  tallivo-journal check DOSSIER\n"
                           "  tallivo-journal --help | --version\n"
                           "\n"
                           "dump    chaque enregistrement du journal d'un poste, un par ligne, champs\n"
                           "        séparés par des tabulations : séquence, époque, poste, heure, genre,\n"
                           "        code, quantité après, écart, zone, remarque ; puis un résumé\n"
                           "replay  le comptage que donne le journal : code et quantité par ligne ; par\n"
                           "        défaut celui de la dernière modification, jusqu'à la dernière\n"
                           "        confirmation (--all : aussi ce qui suit), ou jusqu'à la séquence N\n"
                           "check   compare le comptage du journal du dossier de comptage avec les\n"
                           "        lignes de son COLLECTION.XML\n"
                           "\n"
                           "codes de sortie : 0 fait (check : ils concordent), 1 illisible (check : ils\n"
                           "ne concordent pas), 2 ligne de commande incorrecte\n";

QString Number(double v) {
    return FloatToText(v, u'.', 15);
}

QString Time(int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toLocalTime().toString(
        QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

std::optional<TJournalRead> Read(const QString& path) {
    try {
        TJournalRead read = ReadJournalFile(path);
        if (read.NotAJournal) {
            Err(QStringLiteral("%1 : ce n'est pas un journal de Tallivo\n").arg(path));
            return std::nullopt;
        }
        return read;
    } catch (const Exception& e) {
        Err(QStringLiteral("%1 : %2\n").arg(path, e.Message()));
        return std::nullopt;
    }
}

int Dump(const QString& path) {
    const auto read = Read(path);
    if (!read) return 1;
    for (const TJournalRecord& r : read->Records) {
        const QString kind = r.IsChange() ? JournalKindName(r.Kind) : QStringLiteral("confirmation");
        QStringList f = {QString::number(r.Sequence), QString::number(r.Epoch), r.Station, Time(r.Time),
                         kind};
        if (r.IsChange()) {
            f << r.Code
              << (r.LineRemoved    ? QStringLiteral("supprimée")
                  : r.QuantityNull ? QString()
                                   : Number(r.Quantity))
              << Number(r.Delta) << r.Zone << r.Note;
        }
        Out(f.join(u'\t') + u'\n');
    }
    Out(QStringLiteral("# %1 enregistrements, les %2 premiers confirmés ; %3 octets endommagés ; fin %4\n")
            .arg(read->Records.size())
            .arg(read->Confirmed)
            .arg(read->DamagedBytes)
            .arg(read->TornTail ? QStringLiteral("coupée (écriture interrompue)")
                                : QStringLiteral("entière")));
    return 0;
}

int Replay(QStringList args) {
    std::optional<TCountId> count;
    uint64_t upTo = UINT64_MAX;
    bool all = false;
    while (args.size() > 1) {
        const QString option = args.takeFirst();
        if (option == "--all") {
            all = true;
        } else if (option == "--count" && args.size() > 1) {
            count = TCountId::Parse(args.takeFirst());
            if (!count) return Err(QStringLiteral("--count : POSTE:EPOQUE attendu\n")), 2;
        } else if (option == "--upto" && args.size() > 1) {
            bool ok = false;
            upTo = args.takeFirst().toULongLong(&ok);
            if (!ok) return Err(QStringLiteral("--upto : un numéro de séquence attendu\n")), 2;
        } else {
            return Err(QStringLiteral("option inconnue : %1\n").arg(option)), 2;
        }
    }
    if (args.size() != 1) return Err(QString::fromUtf8(kUsage)), 2;
    auto read = Read(args[0]);
    if (!read) return 1;
    if (!all) read->Records.resize(read->Confirmed);
    if (!count) {
        for (auto r = read->Records.rbegin(); r != read->Records.rend() && !count; ++r)
            if (r->IsChange()) count = TCountId{r->Station, r->Epoch};
        if (!count) return 0;
    }
    for (const TReplayLine& l : ReplayCount(read->Records, count->Station, count->Epoch, upTo))
        Out(l.Code + u'\t' + (l.QuantityNull ? QString() : Number(l.Quantity)) + u'\n');
    return 0;
}

int Check(const QString& folder) {
    const QString collectionPath = QDir(folder).filePath(QStringLiteral("COLLECTION.XML"));
    TClientDataSet collection;
    try {
        collection.LoadFromFile(collectionPath);
    } catch (const Exception& e) {
        return Err(QStringLiteral("%1 : %2\n").arg(collectionPath, e.Message())), 1;
    }
    const TCountIdentity id = ReadCountIdentity(collection.Store()->Data().Params);
    if (!id.Own)
        return Err(QStringLiteral("%1 : sans identité de poste (fichier ancien)\n").arg(collectionPath)), 1;
    const auto read = Read(QDir(folder).filePath(QString::fromLatin1(kJournalFileName)));
    if (!read) return 1;
    QHash<QString, double> journal;
    for (const TReplayLine& l : ReplayCount(read->Records, id.Own->Station, id.Own->Epoch, id.Sequence))
        journal.insert(l.Code, l.Quantity);
    QStringList differences;
    qsizetype lines = 0;
    for (const TCollectionLine& l : TCollectionChanges::Lines(*collection.Store())) {
        ++lines;
        const auto it = journal.constFind(l.Code);
        if (it == journal.constEnd())
            differences << QStringLiteral("%1 : %2 dans le fichier, absent du journal")
                               .arg(l.Code, Number(l.Quantity));
        else if (*it != l.Quantity)
            differences << QStringLiteral("%1 : %2 dans le fichier, %3 dans le journal")
                               .arg(l.Code, Number(l.Quantity), Number(*it));
        journal.remove(l.Code);
    }
    for (auto it = journal.constBegin(); it != journal.constEnd(); ++it)
        differences
            << QStringLiteral("%1 : absent du fichier, %2 dans le journal").arg(it.key(), Number(it.value()));
    if (!differences.isEmpty()) {
        Out(QStringLiteral("COLLECTION.XML et JOURNAL.DAT diffèrent (%1) :\n").arg(DescribeCount(*id.Own)));
        for (const QString& d : differences.mid(0, 20)) Out(QStringLiteral("  ") + d + u'\n');
        if (differences.size() > 20) Out(QStringLiteral("  ... %1 de plus\n").arg(differences.size() - 20));
        return 1;
    }
    Out(QStringLiteral("COLLECTION.XML et JOURNAL.DAT concordent : %1 ligne%2, %3, séquence %4\n")
            .arg(lines)
            .arg(lines > 1 ? "s" : "")
            .arg(DescribeCount(*id.Own))
            .arg(id.Sequence));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return RunToolMain("tallivo-journal", [&] {
        const QStringList args = ToolArguments(argc, argv);
        if (const auto answer = StandardAnswer(args, "tallivo-journal", TALLIVO_VERSION, kUsage))
            return *answer;
        const QString command = args[0];
        if (command == "dump" && args.size() == 2) return Dump(args[1]);
        if (command == "replay") return Replay(args.mid(1));
        if (command == "check" && args.size() == 2) return Check(args[1]);
        Err(QString::fromUtf8(kUsage));
        return 2;
    });
}
