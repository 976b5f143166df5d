#include "table/AtomicFile.h"

#include "base/Exception.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace tallivo {

namespace {

TAtomicFile::THook& Hook() {
    static TAtomicFile::THook hook;
    return hook;
}

int HookFor(TAtomicFile::TStep step, uint64_t written) {
    const TAtomicFile::THook& h = Hook();
    return h ? h(step, written) : 0;
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr size_t kTagDigits = 6;

// The name of a temporary file of the file named base, hidden beside it:
// "." base "." six lower-case hexadecimal digits (tag's lowest 24 bits) "~".
std::string TemporaryName(const std::string& base, uint64_t tag) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%06llx~", (unsigned long long)(tag & 0xFFFFFF));
    return "." + base + suffix;
}

// Whether name is the name of such a temporary file of base.
bool IsTemporaryName(std::string_view name, const std::string& base) {
    if (name.size() != 1 + base.size() + 1 + kTagDigits + 1) return false;
    if (name[0] != '.' || name.substr(1, base.size()) != base || name[1 + base.size()] != '.' ||
        name.back() != '~')
        return false;
    for (const char c : name.substr(2 + base.size(), kTagDigits))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// Write-back of written data is started every this many bytes, so that the
// final flush has little left to do.
constexpr uint64_t kWriteBackStep = uint64_t(8) << 20;

// Pieces of an in-place rewrite.
constexpr size_t kInPlaceChunk = size_t(256) << 10;

// Why this user may not write the existing file at path (an errno), or 0.
// The superuser may write any file; but a file that nobody may write was
// protected on purpose (a finished count), and is refused to him too.
int WriteRefusal(const std::string& path, const struct stat& st) {
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return errno;
    if (geteuid() == 0 && (st.st_mode & 0222) == 0) return EACCES;
    return 0;
}

} // namespace

void TAtomicFile::SetHook(THook hook) {
    Hook() = std::move(hook);
}

std::string TAtomicFile::Target(const QString& fileName) {
    const QByteArray local = QFile::encodeName(fileName);
    std::string path(local.constData(), size_t(local.size()));
    // Followed by hand rather than with realpath, which fails when the last
    // link points to a file that does not exist (yet): the save must then
    // create that file, not replace the link.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string link(size_t(PATH_MAX), '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0 || size_t(n) >= link.size())
            throw EFileCreationError(Format("Impossible de créer le fichier \"%s\". %s",
                                            QFileInfo(fileName).absoluteFilePath(),
                                            SysErrorMessage(n < 0 ? errno : ENAMETOOLONG)),
                                     n < 0 ? errno : ENAMETOOLONG);
        link.resize(size_t(n));
        path = link.front() == '/' ? link : DirectoryOf(path) + "/" + link;
    }
    throw EFileCreationError(Format("Impossible de créer le fichier \"%s\". %s",
                                    QFileInfo(fileName).absoluteFilePath(), SysErrorMessage(ELOOP)),
                             ELOOP);
}

TAtomicFile::TAtomicFile(const QString& fileName) : FFileName(fileName), FTarget(Target(fileName)) {
    struct stat st;
    const bool existing = stat(FTarget.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if (existing)
        if (const int refusal = WriteRefusal(FTarget, st)) FailCreate(refusal);
    // Other hard links would keep the old content: the file itself is
    // rewritten, so that every name shows the new one.
    if (existing && st.st_nlink > 1) {
        if (const int err = OpenInPlace()) FailCreate(err);
        return;
    }
    const std::string dir = DirectoryOf(FTarget);
    const std::string base = BaseNameOf(FTarget);
    int err = HookFor(stCreate, 0);
    if (!err) {
        // A name of our own, created exclusively, with the usual permissions
        // (0666 less the umask).
        uint64_t seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                        (uint64_t(getpid()) << 32) ^ reinterpret_cast<uintptr_t>(this);
        for (int attempt = 0; attempt < 100; ++attempt) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            FTemp = dir + "/" + TemporaryName(base, seed >> 24);
            FFd = ::open(FTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (FFd >= 0 || errno != EEXIST) break;
        }
        err = FFd < 0 ? errno : 0;
    }
    if (err) {
        FTemp.clear();
        // The folder refuses a new file, but the file itself may be written.
        // Rewriting it in place is less safe than a rename (a crash during
        // the write damages it), but without it no save could ever succeed
        // and the whole session would be lost.
        if (existing && (err == EACCES || err == EPERM) && OpenInPlace() == 0) return;
        FailCreate(err);
    }
    if (!existing) return;
    // The new file gets the old one's owner and group (a count shared by a
    // group stays the group's), then its mode (after chown, which may clear
    // set-id bits). Who may not give them (another user's file in a shared
    // folder) rewrites the file in place, which keeps them.
    struct stat mine;
    int ownerErr = HookFor(stOwner, 0);
    if (!ownerErr && fstat(FFd, &mine) == 0 && (mine.st_uid != st.st_uid || mine.st_gid != st.st_gid) &&
        ::fchown(FFd, st.st_uid, st.st_gid) != 0)
        ownerErr = errno;
    if (ownerErr) {
        Discard();
        if (const int openErr = OpenInPlace()) FailCreate(openErr);
        return;
    }
    (void)fchmod(FFd, st.st_mode & 07777);
}

int TAtomicFile::OpenInPlace() {
    int err = HookFor(stInPlace, 0);
    if (!err) {
        FFd = ::open(FTarget.c_str(), O_WRONLY | O_CLOEXEC);
        err = FFd < 0 ? errno : 0;
    }
    FInPlace = err == 0;
    return err;
}

std::vector<std::string> TAtomicFile::Leftovers(const QString& fileName) {
    std::vector<std::string> found;
    std::string target;
    try {
        target = Target(fileName);
    } catch (const Exception&) {
        return found;
    }
    const std::string dir = DirectoryOf(target), base = BaseNameOf(target);
    DIR* folder = ::opendir(dir.c_str());
    if (!folder) return found;
    while (const dirent* entry = ::readdir(folder)) {
        if (!IsTemporaryName(entry->d_name, base)) continue;
        // Only a plain file, as the writer makes them; never what a link
        // points to, nor a folder.
        const std::string path = dir + "/" + entry->d_name;
        struct stat st;
        if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) found.push_back(path);
    }
    ::closedir(folder);
    std::sort(found.begin(), found.end());
    return found;
}

int TAtomicFile::RemoveLeftovers(const QString& fileName) {
    int removed = 0;
    for (const std::string& path : Leftovers(fileName))
        if (::unlink(path.c_str()) == 0) ++removed;
    return removed;
}

TAtomicFile::~TAtomicFile() {
    if (!FCommitted) Discard();
}

void TAtomicFile::FailCreate(int err) const {
    throw EFileCreationError(Format("Impossible de créer le fichier \"%s\". %s",
                                    QFileInfo(FFileName).absoluteFilePath(), SysErrorMessage(err)),
                             err);
}

void TAtomicFile::Discard() {
    FPending = std::string();
    if (FFd >= 0) {
        ::close(FFd);
        FFd = -1;
    }
    if (!FTemp.empty()) {
        ::unlink(FTemp.c_str());
        FTemp.clear();
    }
}

void TAtomicFile::Fail(int err) {
    Discard();
    if (err == EACCES || err == EPERM) throw EInOutError("Accès au fichier refusé", err);
    throw EInOutError(Format("Erreur E/S %d", err), err);
}

void TAtomicFile::Put(const char* data, size_t size) {
    if (FFd < 0) Fail(EBADF);
    if (FInPlace) {
        FPending.append(data, size);
        FWritten += size;
        return;
    }
    while (size) {
        if (const int err = HookFor(stWrite, FWritten)) Fail(err);
        const ssize_t n = ::write(FFd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        if (n == 0) Fail(ENOSPC);
        data += n;
        size -= size_t(n);
        FWritten += uint64_t(n);
    }
#ifdef __linux__
    if (FWritten - FSynced >= kWriteBackStep) {
        (void)sync_file_range(FFd, off64_t(FSynced), off64_t(FWritten - FSynced), SYNC_FILE_RANGE_WRITE);
        FSynced = FWritten;
    }
#endif
}

void TAtomicFile::Commit() {
    Finish(true);
}

void TAtomicFile::CommitNew() {
    Finish(false);
}

namespace {

// Renames from over to, unless to exists (EEXIST). Where the file system
// cannot say so atomically, a hard link does; where it has no hard links
// either, the check before the rename does (only one program writes there).
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return errno;
    struct stat st;
    if (lstat(to.c_str(), &st) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

} // namespace

void TAtomicFile::Finish(bool replace) {
    if (FFd < 0) Fail(EBADF);
    if (FInPlace) {
        if (!replace) Fail(EEXIST);
        CommitInPlace();
        return;
    }
    int err = HookFor(stSync, FWritten);
    if (!err && ::fsync(FFd) != 0) err = errno;
    if (err) Fail(err);
    const int fd = FFd;
    FFd = -1;
    if (::close(fd) != 0 && errno != EINTR) Fail(errno);
    err = HookFor(stRename, FWritten);
    if (!err) {
        if (!replace)
            err = RenameNoReplace(FTemp, FTarget);
        else if (::rename(FTemp.c_str(), FTarget.c_str()) != 0)
            err = errno;
    }
    if (replace && (err == EPERM || err == EACCES)) {
        // A sticky folder refuses to replace another user's file that this
        // one may write: the file is rewritten in place instead.
        struct stat st;
        if (stat(FTarget.c_str(), &st) == 0 && S_ISREG(st.st_mode) && WriteRefusal(FTarget, st) == 0) {
            CommitInPlaceFromTemporary();
            return;
        }
    }
    if (err) Fail(err);
    FTemp.clear();
    FCommitted = true;
    // The rename itself reaches the disk with the folder; a file system that
    // cannot flush folders still has the complete new file.
    const int dirFd = ::open(DirectoryOf(FTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
}

void TAtomicFile::CommitInPlaceFromTemporary() {
    std::string content;
    const int in = ::open(FTemp.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) Fail(errno);
    content.resize(size_t(FWritten));
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::read(in, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            ::close(in);
            Fail(err);
        }
        done += size_t(n);
    }
    ::close(in);
    ::unlink(FTemp.c_str());
    FTemp.clear();
    if (const int err = OpenInPlace()) Fail(err);
    FPending = std::move(content);
    CommitInPlace();
}

void TAtomicFile::CommitInPlace() {
    const uint64_t size = FPending.size();
    struct stat st;
    if (fstat(FFd, &st) != 0) Fail(errno);
    if (size > uint64_t(st.st_size)) {
        // Room for the longer content is reserved before the first byte is
        // overwritten, so that a full disk leaves the file as it was.
        // Where the file system cannot reserve room, a disk filling up
        // half-way would leave half a file: the save is refused instead.
        int err = HookFor(stReserve, 0);
        if (!err && ::fallocate(FFd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) != 0) err = errno;
        if (err == ENOSYS || err == EOPNOTSUPP) {
            Discard();
            throw EInOutError(QStringLiteral("Réécriture sur place impossible : le système de fichiers ne peut "
                                             "pas réserver la place (fichier gardé tel quel)"),
                              EOPNOTSUPP);
        }
        if (err) Fail(err);
    }
    uint64_t done = 0;
    while (done < size) {
        if (const int err = HookFor(stWrite, done)) Fail(err);
        const size_t chunk = size_t(std::min<uint64_t>(size - done, kInPlaceChunk));
        const ssize_t n = ::pwrite(FFd, FPending.data() + done, chunk, off_t(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        if (n == 0) Fail(ENOSPC);
        done += uint64_t(n);
    }
    if (::ftruncate(FFd, off_t(size)) != 0) Fail(errno);
    int err = HookFor(stSync, size);
    if (!err && ::fsync(FFd) != 0) err = errno;
    if (err) Fail(err);
    const int fd = FFd;
    FFd = -1;
    FPending = std::string();
    if (::close(fd) != 0 && errno != EINTR) Fail(errno);
    FCommitted = true;
}

} // namespace tallivo
