#include "tools/common/ToolFiles.h"

#include "base/Exception.h"
#include "base/InOutError.h"
#include "table/AtomicFile.h"
#include "table/Packet.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallivo {

namespace {

bool StatOf(const QString& path, struct stat& st) {
    return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

[[noreturn]] void FailOpen(const QString& path, int err) {
    throw EFOpenError(Format("Impossible d'ouvrir le fichier \"%s\". %s", QFileInfo(path).absoluteFilePath(),
                             SysErrorMessage(err)));
}

} // namespace

QString Shown(const QString& path) {
    return u'"' + path + u'"';
}

QString Plural(int64_t n, const QString& one, const QString& many) {
    return QString::number(n) + u' ' + (n < 2 && n > -2 ? one : many);
}

QString InputFileProblem(const QString& path) {
    struct stat st;
    if (StatOf(path, st) && S_ISDIR(st.st_mode))
        return QStringLiteral("%1 est un dossier, pas un fichier").arg(Shown(path));
    return QString();
}

bool LooksLikePacket(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    QByteArray head = f.read(512);
    if (head.startsWith("\xEF\xBB\xBF")) head.remove(0, 3);
    head = head.trimmed();
    return head.startsWith("<?xml") || head.startsWith("<DATAPACKET");
}

bool SameFile(const QString& a, const QString& b) {
    struct stat sa, sb;
    return StatOf(a, sa) && StatOf(b, sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString OutputRefusal(const QString& out, const QStringList& inputs, bool force) {
    struct stat st;
    if (!StatOf(out, st)) return QString(); // a new file (or a dangling link: the writer says why)
    if (S_ISDIR(st.st_mode)) return QStringLiteral("%1 est un dossier, pas un fichier").arg(Shown(out));
    for (const QString& in : inputs)
        if (SameFile(out, in))
            return QStringLiteral("%1 est aussi un fichier lu (%2) : il ne peut pas recevoir le résultat ; "
                                  "rien n'est écrit")
                .arg(Shown(out), Shown(in));
    if (!force && LooksLikePacket(out))
        return QStringLiteral("%1 existe et c'est un fichier de données (catalogue ou comptage) : il n'est "
                              "remplacé qu'avec --force ; rien n'est écrit")
            .arg(Shown(out));
    return QString();
}

void WriteWholeFile(const QString& path, const QByteArray& bytes) {
    TAtomicFile file(path);
    file.Put(bytes.constData(), size_t(bytes.size()));
    file.Commit();
}

QByteArray ReadWholeFile(const QString& path) {
    QFile f(path);
    errno = 0;
    if (!f.open(QIODevice::ReadOnly)) FailOpen(path, errno ? errno : ENOENT);
    errno = 0;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) throw InOutError(errno ? errno : EIO);
    return bytes;
}

TStoreData ReadPacketFile(const QString& path, TPacketNoticeSink notices) {
    QFile f(path);
    errno = 0;
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) FailOpen(path, errno ? errno : ENOENT);
    TPacketFileSource source(f);
    return ReadPacket(source, std::move(notices));
}

QString ToolMessage(const Exception& e) {
    QString text = e.Message();
    if (const auto* store = dynamic_cast<const EDBClient*>(&e)) {
        switch (store->ErrorCode()) {
        case DBERR_MISMATCH:
            text = QStringLiteral("ce n'est pas un fichier de données lisible");
            break;
        case DBERR_NOMETADATA:
            text = QStringLiteral("le fichier de données ne décrit pas ses champs");
            break;
        case DBERR_INVALIDFIELDTYPE:
            text = QStringLiteral("un champ a un type inconnu ou pas de type");
            break;
        case DBERR_NOMEMORY:
            text = QStringLiteral("mémoire insuffisante");
            break;
        case DBERR_READONLY:
            text = QStringLiteral("données en lecture seule");
            break;
        case DBERR_NOTINDEXED:
            text = QStringLiteral("données sans ordre de tri");
            break;
        case DBERR_REQUIRED:
            text = QStringLiteral("une valeur obligatoire manque");
            break;
        default:
            break;
        }
    }
    if (const auto* packet = dynamic_cast<const EDataPacketError*>(&e))
        text += QStringLiteral(" (lecture arrêtée à l'octet %1)").arg(packet->Offset());
    return text;
}

} // namespace tallivo
