#include "grid/stream/ColumnsStream.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallivo {

std::string ReadLayoutFile(const QString& fileName) {
    const auto fail = [&](int err) {
        throw EFOpenError(Format("Impossible d'ouvrir le fichier \"%s\". %s",
                                 QFileInfo(fileName).absoluteFilePath(), SysErrorMessage(err)));
    };
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail(errno);
    struct Closer {
        int Fd;
        ~Closer() { ::close(Fd); }
    } closer{fd};
    std::string bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(std::size_t(st.st_size));
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno); // a folder, or a device error
        }
        bytes.append(buffer, std::size_t(n));
    }
    return bytes;
}

} // namespace tallivo
