// tallivo-glyphgen: draws the eleven pictures of the tiles, picture buttons
// and message icons and writes them as PNG files.
//
//   tallivo-glyphgen OUTDIR                 writes the eleven PNG files
//   tallivo-glyphgen OUTDIR --preview FILE  also writes a sheet of all of them
//                                           enlarged 8 times over a checkerboard
//
// Each picture is drawn as a coverage mask (anti-aliased edges, transparent
// background); the stored colour is then put under the whole mask, so every
// pixel carries exactly the picture's colour and only the alpha varies.

#include "tools/glyphgen/PngWriter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>
#include <vector>

namespace tallivo::glyphgen {
namespace {

struct Glyph {
    const char* Name;
    int Size;
    QRgb Colour; // stored colour (alpha ignored)
    std::function<void(QPainter&)> Draw;
};

const QColor Opaque(255, 255, 255, 255);

QPen RoundPen(double width) {
    return QPen(Opaque, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Everything drawn with this painter afterwards removes coverage (cut-outs).
void CutOut(QPainter& p) {
    p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
}

void Polygon(QPainter& p, std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    p.fillPath(path, Opaque);
}

// An X of two bars at 45 degrees with round ends, from lo to hi on both axes
// (bar centre lines; the round ends reach half the width further).
void Cross(QPainter& p, double lo, double hi, double width) {
    p.setPen(RoundPen(width));
    p.drawLine(QPointF(lo, lo), QPointF(hi, hi));
    p.drawLine(QPointF(hi, lo), QPointF(lo, hi));
}

// The chevron pointing up: a flat apex two pixels wide at row 13, arms whose
// outer edges fall to x 11 and x 37 at row 26, vertical cuts down to row 35
// and inner edges parallel to the outer ones.
QPolygonF ChevronUp() {
    const double slope = 13.0 / 12.0;
    const double innerApex = 35.0 - slope * 13.0;
    return QPolygonF(
        QList<QPointF>{{23, 13}, {25, 13}, {37, 26}, {37, 35}, {24, innerApex}, {11, 35}, {11, 26}});
}

void LimeDisc(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Opaque);
    p.drawEllipse(QRectF(5, 5, 38, 38));
}

std::vector<Glyph> Glyphs() {
    std::vector<Glyph> g;
    g.push_back({"cross48", 48, qRgb(0xFF, 0xFF, 0xFF), [](QPainter& p) { Cross(p, 12, 36, 6); }});
    g.push_back({"chevron_up48", 48, qRgb(0xFF, 0xFF, 0xFF), [](QPainter& p) {
                     QPainterPath path;
                     path.addPolygon(ChevronUp());
                     path.closeSubpath();
                     p.fillPath(path, Opaque);
                 }});
    g.push_back({"chevron_down48", 48, qRgb(0xFF, 0xFF, 0xFF), [](QPainter& p) {
                     QPolygonF poly = ChevronUp();
                     for (QPointF& pt : poly) pt.setY(48 - pt.y());
                     QPainterPath path;
                     path.addPolygon(poly);
                     path.closeSubpath();
                     p.fillPath(path, Opaque);
                 }});
    g.push_back({"calculator32", 32, qRgb(0xFF, 0xFF, 0xFF), [](QPainter& p) {
                     // Case: 18 x 18 outline with 2-pixel sides.
                     QPainterPath frame;
                     frame.setFillRule(Qt::OddEvenFill);
                     frame.addRect(QRectF(7, 7, 18, 18));
                     frame.addRect(QRectF(9, 9, 14, 14));
                     p.fillPath(frame, Opaque);
                     // Display: three digit marks at the right end of rows 9..11.
                     for (double x : {16.0, 18.0, 20.0}) p.fillRect(QRectF(x, 10, 1, 2), Opaque);
                     p.fillRect(QRectF(21.5, 9.5, 1, 1), QColor(255, 255, 255, 128));
                     // The line under the display.
                     p.fillRect(QRectF(9, 12, 14, 1), Opaque);
                     // Keys: 3 columns by 2 rows drawn with 1-pixel lines.
                     p.fillRect(QRectF(13, 13, 1, 10), Opaque);
                     p.fillRect(QRectF(18, 13, 1, 10), Opaque);
                     p.fillRect(QRectF(9, 17, 14, 1), Opaque);
                     // Faint key symbols (half transparent).
                     const QColor faint(255, 255, 255, 128);
                     for (double cx : {10.0, 15.0, 20.0}) {
                         p.fillRect(QRectF(cx, 14, 2, 2), faint);
                         p.fillRect(QRectF(cx, 19.5, 2, 2), faint);
                     }
                 }});
    g.push_back({"check_disc24", 24, qRgb(0xCA, 0x5F, 0x5F), [](QPainter& p) {
                     p.setPen(Qt::NoPen);
                     p.setBrush(Opaque);
                     p.drawEllipse(QRectF(0, 0, 24, 24));
                     CutOut(p);
                     p.setBrush(Qt::NoBrush);
                     p.setPen(RoundPen(3));
                     p.drawPolyline(QPolygonF(QList<QPointF>{{6.5, 10.5}, {10.5, 16.0}, {17.5, 7.5}}));
                 }});
    g.push_back({"cross32", 32, qRgb(0xFF, 0xFF, 0xFF), [](QPainter& p) { Cross(p, 9.5, 22.5, 3); }});
    g.push_back({"check32", 32, qRgb(0xFF, 0xFF, 0xFF), [](QPainter& p) {
                     // Square ends, cut straight by the picture's extent.
                     p.setClipRect(QRectF(4, 8, 24, 16));
                     p.setPen(QPen(Opaque, 4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
                     p.drawPolyline(QPolygonF(QList<QPointF>{{5.5, 15.5}, {10.0, 20.5}, {26.0, 9.5}}));
                 }});
    g.push_back({"triangle_down32", 32, qRgb(0xF7, 0xF2, 0xF2), [](QPainter& p) {
                     Polygon(p, {{6, 9}, {26, 9}, {16, 23}});
                 }});
    g.push_back({"broom32", 32, qRgb(0xFF, 0xFF, 0xFF), [](QPainter& p) {
                     p.setBrush(Qt::NoBrush);
                     // Handle from the top right down to the binding.
                     p.setPen(RoundPen(2));
                     p.drawLine(QPointF(26.0, 6.0), QPointF(19.5, 12.5));
                     // Binding across the handle's axis.
                     p.drawLine(QPointF(16.5, 10.5), QPointF(21.5, 15.5));
                     // The fan of bristles opening towards the bottom left.
                     p.setPen(RoundPen(1.5));
                     QPainterPath fan;
                     fan.moveTo(16.5, 10.5);
                     fan.lineTo(6.0, 15.0);
                     fan.quadTo(6.0, 25.0, 13.0, 25.5);
                     fan.lineTo(21.5, 15.5);
                     p.drawPath(fan);
                     // Three short bristle strokes inside, spreading like the fan: each
                     // runs from near the binding towards the bottom edge.
                     p.setPen(RoundPen(1));
                     const QPointF b1(16.5, 10.5), b2(21.5, 15.5);
                     for (double t : {0.3, 0.5, 0.7}) {
                         const QPointF from = b1 + (b2 - b1) * t;
                         const QPointF edge =
                             QPointF(6.0, 15.0) + (QPointF(13.0, 25.5) - QPointF(6.0, 15.0)) * t;
                         p.drawLine(from + (edge - from) * 0.25, from + (edge - from) * 0.7);
                     }
                 }});
    g.push_back({"information48", 48, qRgb(0xD7, 0xEC, 0x16), [](QPainter& p) {
                     LimeDisc(p);
                     CutOut(p);
                     // The dot.
                     p.setPen(Qt::NoPen);
                     p.setBrush(Opaque);
                     p.drawEllipse(QPointF(26.0, 14.5), 2.1, 2.3);
                     // The slanted stem of an italic "i".
                     Polygon(p, {{24.2, 19.5}, {27.6, 19.5}, {25.4, 33.0}, {22.0, 33.0}});
                     p.setBrush(Qt::NoBrush);
                     // Serif to the left at the top of the stem.
                     p.setPen(QPen(Opaque, 2, Qt::SolidLine, Qt::FlatCap));
                     p.drawLine(QPointF(21.5, 20.2), QPointF(26.0, 20.2));
                     // Foot curling to the right.
                     p.setPen(RoundPen(2.6));
                     QPainterPath foot;
                     foot.moveTo(23.7, 31.0);
                     foot.quadTo(22.6, 35.4, 27.6, 33.2);
                     p.drawPath(foot);
                 }});
    g.push_back({"question48", 48, qRgb(0xD7, 0xEC, 0x16), [](QPainter& p) {
                     LimeDisc(p);
                     CutOut(p);
                     p.setBrush(Qt::NoBrush);
                     p.setPen(QPen(Opaque, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                     QPainterPath hook;
                     hook.moveTo(20.0, 18.0);
                     hook.cubicTo(19.5, 12.0, 31.5, 11.0, 30.8, 17.0);
                     hook.cubicTo(30.4, 20.5, 26.0, 20.5, 26.0, 24.0);
                     hook.lineTo(26.0, 27.5);
                     p.drawPath(hook);
                     p.setPen(Qt::NoPen);
                     p.setBrush(Opaque);
                     p.drawEllipse(QPointF(25.5, 34.0), 1.5, 1.9);
                 }});
    return g;
}

QImage Render(const Glyph& glyph) {
    QImage mask(glyph.Size, glyph.Size, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing, true);
        glyph.Draw(p);
    }
    QImage out(glyph.Size, glyph.Size, QImage::Format_ARGB32);
    const QRgb rgb = glyph.Colour & 0x00FFFFFFu;
    for (int y = 0; y < glyph.Size; ++y) {
        const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < glyph.Size; ++x) o[x] = rgb | (QRgb(qAlpha(m[x])) << 24);
    }
    return out;
}

// The extent of the pixels whose alpha reaches min, as "x a..b, y c..d".
QString Extent(const QImage& image, int min) {
    int x0 = image.width(), y0 = image.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) >= min) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    return QStringLiteral("x %1..%2, y %3..%4").arg(x0).arg(x1).arg(y0).arg(y1);
}

// All pictures side by side, enlarged 8 times, over a checkerboard (so that
// transparency shows) with a one-pixel grid every picture pixel.
QImage PreviewSheet(const std::vector<QImage>& images) {
    const int scale = 8, gap = 16;
    int width = gap, height = 0;
    for (const QImage& im : images) {
        width += im.width() * scale + gap;
        height = std::max(height, im.height() * scale);
    }
    QImage sheet(width, height + 2 * gap, QImage::Format_RGB32);
    sheet.fill(QColor(0x40, 0x40, 0x60));
    QPainter p(&sheet);
    int x = gap;
    for (const QImage& im : images) {
        const QRect target(x, gap, im.width() * scale, im.height() * scale);
        for (int cy = 0; cy < im.height() * 2; ++cy)
            for (int cx = 0; cx < im.width() * 2; ++cx)
                p.fillRect(QRect(target.x() + cx * 4, target.y() + cy * 4, 4, 4),
                           ((cx + cy) % 2) ? QColor(0x60, 0x60, 0x60) : QColor(0x80, 0x80, 0x80));
        p.drawImage(target, im.scaled(im.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        p.setPen(QColor(0, 0, 0, 40));
        for (int i = 0; i <= im.width(); ++i)
            p.drawLine(target.x() + i * scale, target.top(), target.x() + i * scale, target.bottom());
        for (int i = 0; i <= im.height(); ++i)
            p.drawLine(target.left(), target.y() + i * scale, target.right(), target.y() + i * scale);
        x += target.width() + gap;
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
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: tallivo-glyphgen OUTDIR [--preview FILE]\n");
        return 2;
    }
    const QDir out(args[0]);
    if (!out.exists() && !QDir().mkpath(args[0])) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(args[0]));
        return 1;
    }
    std::vector<QImage> images;
    for (const Glyph& glyph : Glyphs()) {
        const QImage image = Render(glyph);
        images.push_back(image);
        const QString path = out.filePath(QString::fromUtf8(glyph.Name) + QStringLiteral(".png"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(EncodePng(image)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%-16s %2dx%-2d  any alpha: %s   alpha >= 128: %s\n", glyph.Name, glyph.Size, glyph.Size,
                    qPrintable(Extent(image, 1)), qPrintable(Extent(image, 128)));
    }
    const int preview = int(args.indexOf(QStringLiteral("--preview")));
    if (preview >= 0 && preview + 1 < args.size()) {
        if (!PreviewSheet(images).save(args[preview + 1], "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(args[preview + 1]));
            return 1;
        }
    }
    return 0;
}
