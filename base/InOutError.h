#pragma once
// The input/output error raised by file operations, with the message the
// operator sees for the operating system's error number.

#include "base/Exception.h"

namespace tallivo {

// "Accès au fichier refusé" (no permission, read-only file system),
// "Fichier introuvable", "Nom de fichier incorrect", "Trop de fichiers
// ouverts", "Disque plein", else "Erreur E/S %d" with the error number.
EInOutError InOutError(int err);

} // namespace tallivo
