#pragma once
// The lock of a counting folder: one workstation per folder, whichever user
// runs it. A second workstation on the same COLLECTION.XML would overwrite
// the first one's counts with its own at every save.
//
// The lock is an exclusive flock on the folder itself, opened read-only: it
// needs no file of its own (a read-only counting folder is locked too), every
// user of the machine sees it, and the kernel releases it when the process
// ends, however it ends. Where the file system cannot lock a folder (some
// network shares), a POSIX lock on the hidden file ".tallivo.lock" in the
// folder stands in (network file systems pass those to the server, so
// stations on other machines see it too). Where neither can be had, the
// folder stays unlocked (stUnlocked): the workstation still starts.

#include <QString>

namespace tallivo {

class TFolderLock {
public:
    enum TState { stHeld, stBusy, stUnlocked };

    // Tries to lock folder, without waiting.
    explicit TFolderLock(const QString& folder);
    // Releases the lock.
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    TState State() const { return FState; }
    // Unlocked: why (an errno).
    int Error() const { return FError; }

    // Whether this process holds the lock of folder (the same folder under
    // any of its names).
    static bool HeldFor(const QString& folder);

private:
    QString FFolder; // canonical
    int FFd = -1;
    TState FState = stUnlocked;
    int FError = 0;
};

} // namespace tallivo
