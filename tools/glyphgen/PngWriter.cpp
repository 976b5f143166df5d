#include "tools/glyphgen/PngWriter.h"

#include "base/Crc32.h"

#include <QImage>
#include <array>

namespace tallivo::glyphgen {

namespace {

void PutU32(QByteArray& out, std::uint32_t v) {
    out.append(char(v >> 24));
    out.append(char(v >> 16));
    out.append(char(v >> 8));
    out.append(char(v));
}

void PutChunk(QByteArray& out, const char type[4], const QByteArray& data) {
    PutU32(out, std::uint32_t(data.size()));
    QByteArray typed(type, 4);
    typed += data;
    out += typed;
    PutU32(out, Crc32(typed));
}

} // namespace

QByteArray EncodePng(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();

    QByteArray out("\x89PNG\r\n\x1a\n", 8);

    QByteArray ihdr;
    PutU32(ihdr, std::uint32_t(w));
    PutU32(ihdr, std::uint32_t(h));
    ihdr.append(char(8)); // bit depth
    ihdr.append(char(6)); // colour type: truecolour with alpha
    ihdr.append(char(0)); // compression: deflate
    ihdr.append(char(0)); // filter method 0
    ihdr.append(char(0)); // not interlaced
    PutChunk(out, "IHDR", ihdr);

    PutChunk(out, "sRGB", QByteArray(1, char(0))); // perceptual rendering intent

    QByteArray gama;
    PutU32(gama, 45455); // 1/2.2
    PutChunk(out, "gAMA", gama);

    QByteArray phys;
    PutU32(phys, 3779); // 96 dots per inch, in pixels per metre
    PutU32(phys, 3779);
    phys.append(char(1)); // unit: metre
    PutChunk(out, "pHYs", phys);

    // Scanlines, each with filter type 0 (none), in R, G, B, A order.
    QByteArray raw;
    raw.reserve(h * (1 + 4 * w));
    for (int y = 0; y < h; ++y) {
        raw.append(char(0));
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            raw.append(char(qRed(line[x])));
            raw.append(char(qGreen(line[x])));
            raw.append(char(qBlue(line[x])));
            raw.append(char(qAlpha(line[x])));
        }
    }
    // qCompress gives a zlib stream behind a 4-byte big-endian length of the
    // uncompressed data: the zlib stream is what IDAT holds.
    PutChunk(out, "IDAT", qCompress(raw, 9).mid(4));
    PutChunk(out, "IEND", QByteArray());
    return out;
}

} // namespace tallivo::glyphgen
