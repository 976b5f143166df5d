// tallivo-icongen: draws the program's icon in the flat style of the tile
// pictures and writes it at the sizes of the desktop's icon theme.
//
//   tallivo-icongen OUTDIR                 OUTDIR/<size>/tallivo.png for each size
//   tallivo-icongen OUTDIR --preview FILE  also a sheet of all sizes enlarged
//
// The icon is a flat square tile in the blue of the "Quantité" tile holding
// tally marks: four white strokes with round ends, crossed by a lime one
// (the lime of the message pictures). Drawn on a 48-unit grid and scaled;
// the strokes' centres fall on pixel centres at the small sizes, so they stay
// crisp where a blurred stroke would be unreadable.
#include "tools/glyphgen/PngWriter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>

namespace tallivo::glyphgen {
namespace {

const int kSizes[] = {16, 24, 32, 48, 64, 128, 256};
const QColor kTile(0x3C, 0x53, 0x88);
const QColor kMark(0xFF, 0xFF, 0xFF);
const QColor kCross(0xD7, 0xEC, 0x16);

QImage Icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const double s = size / 48.0;
    // The tile leaves a one-unit margin, as tiles stand apart in a window.
    const double margin = std::max(1.0, std::round(1 * s));
    p.fillRect(QRectF(margin, margin, size - 2 * margin, size - 2 * margin), kTile);

    // A stroke of width w (units) is centred on a pixel centre when its
    // pixel width is odd, on a pixel edge when even.
    const double width = std::max(1.0, std::round(4 * s));
    const auto snap = [&](double units) {
        const double px = units * s;
        return std::fmod(width, 2.0) == 1.0 ? std::floor(px) + 0.5 : std::round(px);
    };
    p.setPen(QPen(kMark, width, Qt::SolidLine, Qt::RoundCap));
    const double top = snap(12), bottom = snap(36);
    for (const double x : {14.0, 20.5, 27.0, 33.5})
        p.drawLine(QPointF(snap(x), top), QPointF(snap(x), bottom));
    p.setPen(QPen(kCross, std::max(1.0, std::round(4.5 * s)), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9 * s, 31 * s), QPointF(39 * s, 17 * s));
    return image;
}

QImage PreviewSheet() {
    const int gap = 16, scale = 4;
    int width = gap;
    for (const int size : kSizes) width += size * (size <= 64 ? scale : 1) + gap;
    QImage sheet(width, 256 + 2 * gap, QImage::Format_RGB32);
    sheet.fill(QColor(0xDB, 0xD7, 0xD7));
    QPainter p(&sheet);
    int x = gap;
    for (const int size : kSizes) {
        const int k = size <= 64 ? scale : 1;
        const QImage icon = Icon(size);
        p.drawImage(QRect(x, gap, size * k, size * k),
                    icon.scaled(size * k, size * k, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        x += size * k + gap;
    }
    return sheet;
}

} // namespace
} // namespace tallivo::glyphgen

int main(int argc, char** argv) {
    using namespace tallivo::glyphgen;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args[0].startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: tallivo-icongen OUTDIR [--preview FILE]\n");
        return 2;
    }
    for (const int size : kSizes) {
        const QString dir = QStringLiteral("%1/%2").arg(args[0]).arg(size);
        const QString path = dir + QStringLiteral("/tallivo.png");
        QFile file(path);
        if (!QDir().mkpath(dir) || !file.open(QIODevice::WriteOnly) ||
            file.write(EncodePng(Icon(size))) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    const int preview = int(args.indexOf(QStringLiteral("--preview")));
    if (preview >= 0 && preview + 1 < args.size() && !PreviewSheet().save(args[preview + 1], "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[preview + 1]));
        return 1;
    }
    return 0;
}
