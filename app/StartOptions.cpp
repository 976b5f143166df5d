#include "app/StartOptions.h"

#include "base/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tallivo {

TStartOptions ParseStartOptions(const QStringList& args, const QString& home) {
    TStartOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            o.Help = true;
        } else if (a == QLatin1String("-v") || a == QLatin1String("--version")) {
            o.Version = true;
        } else if (a == QLatin1String("--home")) {
            o.DataDir = HomeCountingFolder(home);
        } else if (a == QLatin1String("--demo")) {
            o.Demo = true;
        } else if (a == QLatin1String("--fullscreen")) {
            o.FullScreen = true;
        } else if (a == QLatin1String("-d") || a == QLatin1String("--data-dir")) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                o.Error = QStringLiteral("%1 needs a folder").arg(a);
                return o;
            }
            o.DataDir = args[++i];
        } else if (a.startsWith(QLatin1String("--data-dir="))) {
            o.DataDir = a.mid(11);
            if (o.DataDir.isEmpty()) {
                o.Error = QStringLiteral("--data-dir needs a folder");
                return o;
            }
        } else if (a.startsWith(QLatin1String("--"))) {
            // A mistyped option must not start the count in another folder.
            o.Error = QStringLiteral("unknown option %1").arg(a);
            return o;
        } else {
            o.QtArguments.push_back(i);
        }
    }
    return o;
}

QString StartHelp() {
    return QStringLiteral(
        "usage: tallivo [OPTION]...\n"
        "Touch-screen stock-counting workstation (French user interface).\n"
        "\n"
        "  -d, --data-dir DIR  count in DIR (created when missing) instead of the current folder\n"
        "      --home          count in ~/Tallivo (the folder of the desktop entry)\n"
        "      --demo          put the demo catalogue in the counting folder when it has no\n"
        "                      ARTICLE.XML (an existing catalogue is never replaced)\n"
        "      --fullscreen    full screen instead of maximised (kiosk use)\n"
        "  -h, --help          this text\n"
        "  -v, --version       the version\n"
        "\n"
        "Files of the counting folder:\n"
        "  ARTICLE.XML     the article catalogue (read at start)\n"
        "  COLLECTION.XML  the count (written after every change and on quit)\n"
        "  ART.GRD         the column layout of the grid\n"
        "The export writes semicolon-separated text where the operator chooses.\n"
        "Numbers are shown with the decimal separator of the locale (LC_NUMERIC, LANG).\n"
        "Only one workstation runs at a time for a user; a second start ends at once.\n"
        "Only one workstation counts in a folder: another one refuses to start there.\n"
        "tallivo-packet checks, converts and merges the data files.\n");
}

void PrepareCountingFolder(const TStartOptions& options, const QString& demoCatalogue) {
    if (!options.DataDir.isEmpty()) {
        if (!QDir().mkpath(options.DataDir))
            throw Exception(
                QStringLiteral("Impossible de créer le dossier de comptage \"%1\"").arg(options.DataDir));
        if (!QDir::setCurrent(options.DataDir))
            throw Exception(
                QStringLiteral("Impossible d'ouvrir le dossier de comptage \"%1\"").arg(options.DataDir));
    }
    if (!options.Demo || QFileInfo::exists(QStringLiteral("ARTICLE.XML"))) return;
    if (!QFileInfo::exists(demoCatalogue))
        throw Exception(QStringLiteral("Catalogue de démonstration introuvable : %1").arg(demoCatalogue));
    // QFile::copy writes a temporary file and renames it: never half a file.
    QFile source(demoCatalogue);
    if (!source.copy(QStringLiteral("ARTICLE.XML")))
        throw Exception(QStringLiteral("Impossible de copier le catalogue de démonstration dans \"%1\" : %2")
                            .arg(QDir::currentPath(), source.errorString()));
    // The copy belongs to the operator, whatever the installed file's mode.
    QFile::setPermissions(QStringLiteral("ARTICLE.XML"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

} // namespace tallivo

namespace tallivo {

QString FolderBusyMessage(const QString& folder) {
    return QStringLiteral("Le dossier de comptage \"%1\" est déjà utilisé par un autre poste Tallivo. Ce poste ne "
                          "démarre pas, pour ne pas écraser le comptage de l'autre : comptez sur l'autre poste, "
                          "ou fermez-le avant de redémarrer celui-ci.")
        .arg(QDir::toNativeSeparators(folder));
}

} // namespace tallivo
