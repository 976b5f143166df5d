#include "tiles/GDIPicture.h"

#include "base/Crc32.h"

#include "base/Exception.h"
#include "toolkit/Canvas.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <array>
#include <cstdint>

namespace tallivo {

// --- TGDIPPicture -------------------------------------------------------------

void TGDIPPicture::BytesChanged() {
    // Every change of the bytes discards the decoded copy and its outcome.
    FDecodedValid = false;
    FDecoded = QImage();
    FFormat.clear();
    FAllocationFailed = false;
}

void TGDIPPicture::Decode() {
    if (FDecodedValid) return;
    FDecodedValid = true;
    FDecoded = QImage();
    FFormat.clear();
    FAllocationFailed = false;
    if (FIsEmpty || FDatastream.isEmpty()) return;
    ++FDecodeCount;
    QBuffer buffer;
    buffer.setData(FDatastream);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The header's size tells whether the pixels can be held at all; a size
    // beyond what may be allocated is a memory failure, not undecodable bytes.
    const QSize size = reader.size();
    if (size.isValid()) {
        const qint64 bytes = qint64(size.width()) * qint64(size.height()) * 4;
        const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
        if (limit > 0 && bytes > limit) {
            FAllocationFailed = true;
            return;
        }
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) return;
    FFormat = reader.format();
    FDecoded = image;
}

QImage TGDIPPicture::Image() {
    Decode();
    return FDecoded;
}

bool TGDIPPicture::GetImageSizes() {
    if (FIsEmpty || FDatastream.isEmpty()) return false;
    Decode();
    FWidth = FDecoded.width();
    FHeight = FDecoded.height();
    return !FDecoded.isNull();
}

void TGDIPPicture::ReadData(const QByteArray& value) {
    FDatastream = value;
    FIsEmpty = false;
    FWidth = FHeight = 0;
    BytesChanged();
    Changed();
}

void TGDIPPicture::LoadFromStream(QIODevice& stream) {
    if (!stream.isSequential()) stream.seek(0);
    LoadFromBytes(stream.readAll());
}

void TGDIPPicture::LoadFromBytes(const QByteArray& bytes) {
    FDatastream = bytes;
    FIsEmpty = false;
    BytesChanged();
    GetImageSizes();
    Changed();
}

void TGDIPPicture::SaveToStream(QIODevice& stream) const {
    stream.write(FDatastream);
}

void TGDIPPicture::LoadFromFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        FDatastream.clear();
        FIsEmpty = true;
        FWidth = FHeight = 0;
        BytesChanged();
        Changed();
        return;
    }
    FDatastream = file.readAll();
    FIsEmpty = false;
    FFileName = fileName;
    BytesChanged();
    if (OnClear) OnClear(this);
    GetImageSizes();
    Changed();
}

void TGDIPPicture::Assign(const TGraphic* source) {
    if (source == nullptr) {
        FDatastream.clear();
        FIsEmpty = true;
        FWidth = FHeight = 0;
        BytesChanged();
        Changed();
        if (OnClear) OnClear(this);
        return;
    }
    if (source == this) return;
    if (const auto* other = dynamic_cast<const TGDIPPicture*>(source)) {
        FDatastream = other->FDatastream;
        FIsEmpty = FDatastream.isEmpty();
    } else {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        source->SaveToStream(buffer);
        FDatastream = buffer.data();
        FIsEmpty = FDatastream.isEmpty();
    }
    FWidth = FHeight = 0;
    BytesChanged();
    Changed();
    GetImageSizes();
}

void TGDIPPicture::Draw(TCanvas& canvas, const TRect& rect) {
    QImage image = Image();
    if (image.isNull()) return;
    if (FFormat == "bmp") {
        // A bitmap is drawn with its automatic transparent colour: the colour
        // of its bottom-left pixel.
        image = image.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = image.pixel(0, image.height() - 1) | 0xFF000000u;
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] | 0xFF000000u) == key) line[x] = 0;
        }
    }
    canvas.StretchDraw(rect, image);
}

// --- TQorPNGObject ------------------------------------------------------------

namespace {

std::uint32_t BigEndian32(const char* p) {
    return std::uint32_t(std::uint8_t(p[0])) << 24 | std::uint32_t(std::uint8_t(p[1])) << 16 |
           std::uint32_t(std::uint8_t(p[2])) << 8 | std::uint32_t(std::uint8_t(p[3]));
}

[[noreturn]] void InvalidPng() {
    throw EReadError(QString::fromUtf8(SInvalidPngImage));
}

} // namespace

void TQorPNGObject::LoadFromStream(QIODevice& stream) {
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    QByteArray bytes = stream.read(8);
    if (bytes != signature) InvalidPng();
    // Chunk by chunk up to and including IEND; what follows is not read.
    for (;;) {
        const QByteArray head = stream.read(8);
        if (head.size() != 8) InvalidPng();
        const std::uint32_t length = BigEndian32(head.constData());
        if (length > 0x7FFFFFFFu) InvalidPng();
        const QByteArray rest = stream.read(qint64(length) + 4);
        if (rest.size() != qsizetype(length) + 4) InvalidPng();
        QByteArray checked = head.mid(4) + rest.left(length);
        if (Crc32(checked) != BigEndian32(rest.constData() + length))
            InvalidPng();
        bytes += head;
        bytes += rest;
        if (head.mid(4) == "IEND") break;
    }
    QImage image;
    if (!image.loadFromData(bytes, "PNG")) InvalidPng();
    FBytes = bytes;
    FImage = image;
    Changed();
}

void TQorPNGObject::SaveToStream(QIODevice& stream) const {
    stream.write(FBytes);
}

void TQorPNGObject::Draw(TCanvas& canvas, const TRect& rect) {
    if (!FImage.isNull()) canvas.StretchDraw(rect, FImage);
}

void RegisterPictureGraphicClasses() {
    static const bool registered = [] {
        RegisterGraphicClass(QStringLiteral("TQorPNGObject"), QStringLiteral("PNG"),
                             QStringLiteral("Portable Network Graphics"),
                             [] { return std::make_unique<TQorPNGObject>(); });
        return true;
    }();
    (void)registered;
}

namespace {
// The PNG class is known as soon as the picture layer is part of the program.
const int registerAtStart = (RegisterPictureGraphicClasses(), 0);
} // namespace

} // namespace tallivo
