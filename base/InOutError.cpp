#include "base/InOutError.h"

#include <cerrno>

namespace tallivo {

EInOutError InOutError(int err) {
    switch (err) {
    case EACCES:
    case EPERM:
    case EROFS: return EInOutError(QStringLiteral("Accès au fichier refusé"), err);
    case ENOENT: return EInOutError(QStringLiteral("Fichier introuvable"), err);
    case ENOTDIR:
    case ENAMETOOLONG:
    case EISDIR: return EInOutError(QStringLiteral("Nom de fichier incorrect"), err);
    case EMFILE:
    case ENFILE: return EInOutError(QStringLiteral("Trop de fichiers ouverts"), err);
    case ENOSPC:
    case EDQUOT: return EInOutError(QStringLiteral("Disque plein"), err);
    default: return EInOutError(Format("Erreur E/S %d", err), err);
    }
}

} // namespace tallivo
