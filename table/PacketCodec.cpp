// The XML data packet codec, the default piecewise paths of the codec
// interface, and files as packet sources.
#include "table/Packet.h"

#include "table/PacketReader.h"
#include "table/PacketWriter.h"

#include <QFile>
#include <cerrno>
#include <unistd.h>
#include <vector>

namespace tallivo {

TStoreData IDataPacketCodec::ReadFrom(IPacketSource& source) const {
    QByteArray content;
    std::vector<char> buffer(size_t(1) << 16);
    while (const size_t n = source.ReadSome(buffer.data(), buffer.size()))
        content.append(buffer.data(), qsizetype(n));
    return Read(content);
}

namespace {
[[noreturn]] void RaiseFileError(int err) {
    if (err == EACCES || err == EPERM) throw EInOutError("Accès au fichier refusé", err);
    throw EInOutError(Format("Erreur E/S %d", err), err);
}
} // namespace

size_t IPacketSource::ReadAt(uint64_t, char*, size_t) {
    RaiseFileError(ESPIPE);
}

void IPacketSource::SeekTo(uint64_t offset) {
    if (offset != 0) RaiseFileError(ESPIPE);
    Rewind();
}

void IDataPacketCodec::WriteTo(const IDSBase& store, TDataPacketFormat format, IPacketSink& sink) const {
    const QByteArray bytes = Write(store, format);
    sink.Put(bytes.constData(), size_t(bytes.size()));
}

namespace {

class TXmlPacketCodec final : public IDataPacketCodec {
public:
    TStoreData Read(const QByteArray& content) const override {
        return ReadPacket(content.constData(), size_t(content.size()));
    }
    TStoreData ReadFrom(IPacketSource& source) const override { return ReadPacket(source); }
    QByteArray Write(const IDSBase& store, TDataPacketFormat format) const override {
        return WritePacket(store, format);
    }
    void WriteTo(const IDSBase& store, TDataPacketFormat format, IPacketSink& sink) const override {
        WritePacket(store, format, sink);
    }
};

} // namespace

const IDataPacketCodec& DefaultPacketCodec() {
    static const TXmlPacketCodec codec;
    return codec;
}

size_t TPacketFileSource::ReadSome(char* buffer, size_t max) {
    errno = 0;
    const qint64 n = FFile.read(buffer, qint64(max));
    if (n < 0) RaiseFileError(errno ? errno : EIO);
    return size_t(n);
}

void TPacketFileSource::Rewind() {
    SeekTo(0);
}

void TPacketFileSource::SeekTo(uint64_t offset) {
    errno = 0;
    if (!FFile.seek(qint64(offset))) RaiseFileError(errno ? errno : ESPIPE);
}

bool TPacketFileSource::CanReadAt() const {
    return !FFile.isSequential() && FFile.handle() >= 0;
}

size_t TPacketFileSource::ReadAt(uint64_t offset, char* buffer, size_t max) {
    for (;;) {
        const ssize_t n = ::pread(FFile.handle(), buffer, max, off_t(offset));
        if (n >= 0) return size_t(n);
        if (errno != EINTR) RaiseFileError(errno);
    }
}

uint64_t TPacketFileSource::SizeHint() const {
    return FFile.isSequential() ? 0 : uint64_t(FFile.size());
}

} // namespace tallivo
