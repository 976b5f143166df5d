// The journal file: reading it (while the workstation may be appending),
// and the workstation's writer, which appends whole records with one write
// and flushes them to the disk before the collection file is replaced.
#include "station/Journal.h"

#include "base/Exception.h"
#include "base/InOutError.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallivo {

namespace {

TJournalWriter::THook& Hook() {
    static TJournalWriter::THook hook;
    return hook;
}

std::string Native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Makes a new file's name itself durable: the folder is flushed too.
void SyncFolderOf(const QString& path) {
    const int dir =
        ::open(Native(QFileInfo(path).absolutePath()).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    (void)::fsync(dir);
    ::close(dir);
}

bool WriteAll(int fd, const char* data, size_t size, uint64_t at, int& err) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, off_t(at));
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        data += n, size -= size_t(n), at += uint64_t(n);
    }
    return true;
}

} // namespace

TJournalRead ReadJournalFile(const QString& path, uint64_t offset, bool full) {
    QFile file(path);
    if (!file.exists()) {
        TJournalRead empty;
        empty.ValidEnd = empty.Size = offset;
        return empty;
    }
    if (!file.open(QIODevice::ReadOnly))
        throw InOutError(file.error() == QFileDevice::PermissionsError ? EACCES : EIO);
    const qint64 size = file.size();
    if (qint64(offset) > size) { // the file was cut back since (the workstation's start)
        TJournalRead read;
        read.ValidEnd = read.Size = uint64_t(size);
        read.TornTail = true;
        return read;
    }
    if (size == qint64(offset)) return ReadJournal({}, offset, full);
    // Mapped rather than copied: a journal holds every count of the folder.
    if (uchar* mapped = file.map(qint64(offset), size - qint64(offset))) {
        TJournalRead read = ReadJournal(
            QByteArrayView(reinterpret_cast<const char*>(mapped), size - qint64(offset)), offset, full);
        file.unmap(mapped);
        return read;
    }
    if (!file.seek(qint64(offset))) throw InOutError(EIO);
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) throw InOutError(EIO);
    return ReadJournal(content, offset, full);
}

TJournalWriter::TJournalWriter(QString path) : FPath(std::move(path)) {}

TJournalWriter::~TJournalWriter() {
    if (FFd >= 0) ::close(FFd);
}

void TJournalWriter::SetHook(THook hook) {
    Hook() = std::move(hook);
}

void TJournalWriter::Open(uint64_t keepEnd) {
    if (FFd >= 0) ::close(FFd), FFd = -1;
    const std::string native = Native(FPath);
    const int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) throw InOutError(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        throw InOutError(err);
    }
    const QByteArrayView header = JournalHeader();
    const auto size = uint64_t(st.st_size);
    QByteArray start(header.size(), '\0');
    const ssize_t got = ::pread(fd, start.data(), size_t(start.size()), 0);
    start.truncate(got < 0 ? 0 : got);
    if (!header.startsWith(start)) {
        ::close(fd);
        throw Exception(QStringLiteral("%1 n'est pas un journal de Tallivo").arg(FPath));
    }
    int err = 0;
    if (size < uint64_t(header.size())) {
        // A new journal (or one whose header was cut short): the header first.
        if (!WriteAll(fd, header.data(), size_t(header.size()), 0, err) || ::fdatasync(fd) != 0) {
            if (!err) err = errno;
            ::close(fd);
            throw InOutError(err);
        }
        SyncFolderOf(FPath);
        keepEnd = uint64_t(header.size());
    } else {
        keepEnd = std::clamp<uint64_t>(keepEnd, uint64_t(header.size()), size);
        if (keepEnd < size && (::ftruncate(fd, off_t(keepEnd)) != 0 || ::fdatasync(fd) != 0)) {
            err = errno;
            ::close(fd);
            throw InOutError(err);
        }
    }
    FFd = fd;
    FEnd = keepEnd;
    FCutPending = false;
}

void TJournalWriter::Append(const std::vector<TJournalRecord>& records, bool sync) {
    if (FFd < 0) throw InOutError(EBADF);
    if (FCutPending) {
        if (::ftruncate(FFd, off_t(FEnd)) != 0) throw InOutError(errno);
        FCutPending = false;
    }
    FBuffer.clear();
    for (const TJournalRecord& r : records) EncodeJournalRecord(r, FBuffer);
    int err = Hook() ? Hook()(uint64_t(FBuffer.size())) : 0;
    if (!err) WriteAll(FFd, FBuffer.constData(), size_t(FBuffer.size()), FEnd, err);
    if (!err && sync && ::fdatasync(FFd) != 0) err = errno;
    if (err) {
        // Whatever reached the file is cut off again: the next append must
        // start right after the last whole record.
        FCutPending = ::ftruncate(FFd, off_t(FEnd)) != 0;
        throw InOutError(err);
    }
    FEnd += uint64_t(FBuffer.size());
}

} // namespace tallivo
