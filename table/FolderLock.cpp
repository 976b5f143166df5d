#include "table/FolderLock.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tallivo {

namespace {

// The folders whose lock this process holds (canonical paths).
// Never destroyed: a lock held by an object destroyed at the program's exit
// (after this list would be) still finds it.
QStringList& HeldFolders() {
    static auto* held = new QStringList;
    return *held;
}

bool Contended(int err) {
    return err == EWOULDBLOCK || err == EAGAIN || err == EACCES;
}

} // namespace

TFolderLock::TFolderLock(const QString& folder) : FFolder(QFileInfo(folder).canonicalFilePath()) {
    const QByteArray path = QFile::encodeName(FFolder.isEmpty() ? folder : FFolder);
    int err = 0;
    FFd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (FFd >= 0) {
        int r;
        while ((r = ::flock(FFd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
        }
        err = r == 0 ? 0 : errno;
        if (err == EWOULDBLOCK || err == EAGAIN) {
            FState = stBusy;
            return;
        }
        if (err) {
            ::close(FFd);
            FFd = -1;
        }
    } else {
        err = errno;
    }
    if (FFd < 0) {
        // The folder cannot be locked: the lock file.
        FFd = ::open((path + "/.tallivo.lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (FFd < 0) {
            FError = err;
            return;
        }
        struct flock whole {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        if (::fcntl(FFd, F_SETLK, &whole) != 0) {
            const int lockErr = errno;
            ::close(FFd);
            FFd = -1;
            if (Contended(lockErr)) {
                FState = stBusy;
                return;
            }
            FError = lockErr;
            return;
        }
    }
    FState = stHeld;
    HeldFolders().append(FFolder);
}

TFolderLock::~TFolderLock() {
    if (FState == stHeld) HeldFolders().removeOne(FFolder);
    if (FFd >= 0) ::close(FFd);
}

bool TFolderLock::HeldFor(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return !canonical.isEmpty() && HeldFolders().contains(canonical);
}

} // namespace tallivo
