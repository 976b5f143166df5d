#pragma once
// Writes an RGBA image as a PNG file with exactly the chunks the window data's
// pictures carry: IHDR (8-bit truecolour with alpha, not interlaced), sRGB
// (intent 0), gAMA (45455), pHYs (3779 x 3779 pixels per metre), one IDAT
// and IEND.

#include <QByteArray>
#include <cstdint>

class QImage;

namespace tallivo::glyphgen {

// image is converted to non-premultiplied ARGB first; its colour and alpha
// channels are written as they are.
QByteArray EncodePng(const QImage& image);

} // namespace tallivo::glyphgen
