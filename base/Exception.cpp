#include "Exception.h"

#include <cerrno>

namespace tallivo {

Exception::Exception(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toStdString()) {}

QString detail::FormatList(const QString& fmt, const QString* args, int count) {
    QString out;
    out.reserve(fmt.size() + 32);
    int next = 0;
    for (qsizetype i = 0; i < fmt.size(); ++i) {
        const QChar c = fmt[i];
        if (c == u'%' && i + 1 < fmt.size()) {
            const QChar k = fmt[i + 1];
            if (k == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if ((k == u's' || k == u'd') && next < count) {
                out += args[next++];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

// The system's texts in French, whatever locales the machine has installed
// (a till often has only the C locale, whose texts are English).
QString SysErrorMessage(int err) {
    switch (err) {
    case EPERM:
        return QStringLiteral("Opération non permise");
    case ENOENT:
        return QStringLiteral("Aucun fichier ou dossier de ce nom");
    case EIO:
        return QStringLiteral("Erreur d'entrée-sortie");
    case ENXIO:
        return QStringLiteral("Périphérique ou adresse inexistant");
    case EBADF:
        return QStringLiteral("Mauvais descripteur de fichier");
    case EAGAIN:
        return QStringLiteral("Ressource temporairement indisponible");
    case ENOMEM:
        return QStringLiteral("Mémoire insuffisante");
    case EACCES:
        return QStringLiteral("Permission refusée");
    case EBUSY:
        return QStringLiteral("Périphérique ou ressource occupé");
    case EEXIST:
        return QStringLiteral("Le fichier existe déjà");
    case EXDEV:
        return QStringLiteral("Lien entre deux systèmes de fichiers impossible");
    case ENODEV:
        return QStringLiteral("Périphérique inexistant");
    case ENOTDIR:
        return QStringLiteral("N'est pas un dossier");
    case EISDIR:
        return QStringLiteral("Est un dossier");
    case EINVAL:
        return QStringLiteral("Argument invalide");
    case ENFILE:
        return QStringLiteral("Trop de fichiers ouverts dans le système");
    case EMFILE:
        return QStringLiteral("Trop de fichiers ouverts");
    case ETXTBSY:
        return QStringLiteral("Fichier texte occupé");
    case EFBIG:
        return QStringLiteral("Fichier trop gros");
    case ENOSPC:
        return QStringLiteral("Plus de place sur le périphérique");
    case ESPIPE:
        return QStringLiteral("Recherche illégale");
    case EROFS:
        return QStringLiteral("Système de fichiers en lecture seule");
    case EMLINK:
        return QStringLiteral("Trop de liens");
    case ENAMETOOLONG:
        return QStringLiteral("Nom de fichier trop long");
    case ENOTEMPTY:
        return QStringLiteral("Dossier non vide");
    case ELOOP:
        return QStringLiteral("Trop de niveaux de liens symboliques");
    case EDQUOT:
        return QStringLiteral("Quota de disque dépassé");
    case ESTALE:
        return QStringLiteral("Fichier réseau devenu inaccessible");
    case ETIMEDOUT:
        return QStringLiteral("Délai d'attente dépassé");
    case EINTR:
        return QStringLiteral("Appel système interrompu");
    case ENOTSUP:
        return QStringLiteral("Opération non prise en charge");
    default:
        return QStringLiteral("Erreur système %1").arg(err);
    }
}

} // namespace tallivo
