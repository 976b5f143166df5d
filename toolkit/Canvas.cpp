#include "toolkit/Canvas.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>

namespace tallivo {

namespace {

QColor ToQColor(TColor c) {
    const TColor rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

// The longest start of line that fits in width once "..." is appended.
QString ElideEnd(const QFontMetrics& fm, const QString& line, int width) {
    if (fm.horizontalAdvance(line) <= width) return line;
    static const QString dots = QStringLiteral("...");
    int lo = 0, hi = int(line.size());
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (fm.horizontalAdvance(line.left(mid) + dots) <= width) lo = mid;
        else hi = mid - 1;
    }
    return line.left(lo) + dots;
}

// Splits text into the lines it occupies in a box of the given width.
QStringList LayoutLines(const QFontMetrics& fm, const QString& text, unsigned flags, int width) {
    QStringList lines;
    if (flags & DT_SINGLELINE) {
        QString one = text;
        one.replace(QLatin1String("\r\n"), QLatin1String(" "));
        one.replace(u'\n', u' ');
        one.replace(u'\r', u' ');
        lines << one;
        return lines;
    }
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(u'\r', u'\n');
    const QStringList hard = normalised.split(u'\n');
    for (const QString& para : hard) {
        if (!(flags & DT_WORDBREAK) || fm.horizontalAdvance(para) <= width) {
            lines << para;
            continue;
        }
        // Break between words; a word wider than the box stays whole.
        QString current;
        qsizetype i = 0;
        while (i < para.size()) {
            qsizetype j = i;
            while (j < para.size() && para[j] != u' ') ++j;
            qsizetype k = j;
            while (k < para.size() && para[k] == u' ') ++k;
            const QString word = para.mid(i, j - i);
            if (current.isEmpty()) {
                current = word;
            } else if (fm.horizontalAdvance(current + u' ' + word) <= width) {
                current += u' ' + word;
            } else {
                lines << current;
                current = word;
            }
            i = k;
        }
        lines << current;
    }
    return lines;
}

} // namespace

TCanvas::TCanvas(QPainter* painter) : FPainter(painter) {}

int TCanvas::LineHeight() const { return QFontMetrics(Font.ToQFont()).height(); }

void TCanvas::FillRect(const TRect& r) {
    if (Brush.Style() == bsClear || r.IsEmpty()) return;
    FPainter->fillRect(ToQRect(r), ToQColor(Brush.Color()));
}

void TCanvas::FrameRect(const TRect& r) {
    if (r.IsEmpty()) return;
    const QColor c = ToQColor(Brush.Color());
    FPainter->fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
    FPainter->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
    FPainter->fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
    FPainter->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
}

void TCanvas::Rectangle(const TRect& r) {
    FillRect(r);
    if (Pen.Style == psClear || r.IsEmpty()) return;
    ApplyPen();
    FPainter->setBrush(Qt::NoBrush);
    FPainter->drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::ApplyPen() {
    QPen pen(ToQColor(Pen.Color));
    pen.setWidth(std::max(1, Pen.Width));
    pen.setCosmetic(true);
    switch (Pen.Style) {
    case psDash: pen.setStyle(Qt::DashLine); break;
    case psDot: pen.setStyle(Qt::DotLine); break;
    case psClear: pen.setStyle(Qt::NoPen); break;
    case psSolid: break;
    }
    FPainter->setPen(pen);
    switch (Pen.Mode) {
    case pmCopy: FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver); break;
    case pmXor: FPainter->setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
    case pmNotXor: FPainter->setCompositionMode(QPainter::RasterOp_NotSourceXorDestination); break;
    case pmNot: FPainter->setCompositionMode(QPainter::RasterOp_NotDestination); break;
    }
}

void TCanvas::MoveTo(int x, int y) { FPenPos = {x, y}; }

void TCanvas::LineTo(int x, int y) {
    const TPoint from = FPenPos;
    FPenPos = {x, y};
    if (Pen.Style == psClear || from == FPenPos) return;
    // Stop one pixel short of the end point along the dominant direction.
    int ex = x, ey = y;
    const int dx = x - from.X, dy = y - from.Y;
    if (std::abs(dx) >= std::abs(dy)) ex -= (dx > 0) - (dx < 0);
    else ey -= (dy > 0) - (dy < 0);
    ApplyPen();
    FPainter->drawLine(from.X, from.Y, ex, ey);
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    const QFont f = Font.ToQFont();
    const QFontMetrics fm(f);
    if (Brush.Style() != bsClear)
        FPainter->fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), ToQColor(Brush.Color()));
    FPainter->setFont(f);
    FPainter->setPen(ToQColor(Font.Color()));
    FPainter->drawText(QPoint(x, y + fm.ascent()), text);
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text) {
    FPainter->save();
    FPainter->setClipRect(ToQRect(r), Qt::IntersectClip);
    FillRect(r);
    const QFont f = Font.ToQFont();
    FPainter->setFont(f);
    FPainter->setPen(ToQColor(Font.Color()));
    FPainter->drawText(QPoint(x, y + QFontMetrics(f).ascent()), text);
    FPainter->restore();
}

int TCanvas::TextWidth(const QString& text) const { return QFontMetrics(Font.ToQFont()).horizontalAdvance(text); }

int TCanvas::TextHeight(const QString&) const { return LineHeight(); }

int TCanvas::DrawText(const QString& text, TRect& r, unsigned flags) {
    const QFont f = Font.ToQFont();
    const QFontMetrics fm(f);
    int underline = -1;
    const QString shown = (flags & DT_NOPREFIX) ? text : StripAccelerator(text, &underline);
    QStringList lines = LayoutLines(fm, shown, flags, r.Width());
    const int lh = fm.height();
    const int totalHeight = lh * int(lines.size());

    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (const QString& line : lines) widest = std::max(widest, fm.horizontalAdvance(line));
        r.Right = r.Left + widest;
        r.Bottom = r.Top + totalHeight;
        return totalHeight;
    }

    int y = r.Top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER) y = r.Top + (r.Height() - lh) / 2;
        else if (flags & DT_BOTTOM) y = r.Bottom - lh;
    }
    FPainter->save();
    if (!(flags & DT_NOCLIP)) FPainter->setClipRect(ToQRect(r), Qt::IntersectClip);
    FPainter->setFont(f);
    const QColor textColor = ToQColor(Font.Color());
    int charsBefore = 0;
    for (QString line : lines) {
        const int lineLength = int(line.size());
        if (flags & DT_END_ELLIPSIS) line = ElideEnd(fm, line, r.Width());
        const int w = fm.horizontalAdvance(line);
        int x = r.Left;
        if (flags & DT_CENTER) x = r.Left + (r.Width() - w) / 2;
        else if (flags & DT_RIGHT) x = r.Right - w;
        if (Brush.Style() != bsClear) FPainter->fillRect(QRect(x, y, w, lh), ToQColor(Brush.Color()));
        FPainter->setPen(textColor);
        FPainter->drawText(QPoint(x, y + fm.ascent()), line);
        const int u = underline - charsBefore;
        if (u >= 0 && u < line.size()) {
            const int ux = x + fm.horizontalAdvance(line.left(u));
            const int uw = fm.horizontalAdvance(line.mid(u, 1));
            FPainter->fillRect(QRect(ux, y + fm.ascent() + std::max(1, fm.underlinePos()), uw,
                                     std::max(1, fm.lineWidth())),
                               textColor);
        }
        charsBefore += lineLength + 1;
        y += lh;
    }
    FPainter->restore();
    return totalHeight;
}

void TCanvas::GradientFillVertical(const TRect& r, TColor top, TColor bottom) {
    if (r.IsEmpty()) return;
    const TColor a = ColorToRGB(top), b = ColorToRGB(bottom);
    const int h = r.Height();
    for (int i = 0; i < h; ++i) {
        const auto mix = [&](int ca, int cb) { return h == 1 ? ca : ca + (cb - ca) * i / (h - 1); };
        FPainter->fillRect(QRect(r.Left, r.Top + i, r.Width(), 1),
                           QColor(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
                                  mix(GetBValue(a), GetBValue(b))));
    }
}

void TCanvas::StretchDraw(const TRect& r, const QImage& image) {
    if (image.isNull() || r.IsEmpty()) return;
    // Scale first, then draw pixel-aligned: a scaled drawImage with smoothing
    // bleeds colour one pixel outside the target rectangle.
    if (image.width() == r.Width() && image.height() == r.Height()) {
        FPainter->drawImage(QPoint(r.Left, r.Top), image);
        return;
    }
    FPainter->drawImage(QPoint(r.Left, r.Top),
                        image.scaled(r.Width(), r.Height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void TCanvas::StretchDrawRecoloured(const TRect& r, const QImage& image, TColor color) {
    StretchDraw(r, RecolourKeepingAlpha(image, color));
}

void TCanvas::SetClipRect(const TRect& r) { FPainter->setClipRect(ToQRect(r)); }

void TCanvas::ResetClip() { FPainter->setClipping(false); }

QImage RecolourKeepingAlpha(const QImage& image, TColor color) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const TColor rgb = ColorToRGB(color);
    const QRgb base = qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)) & 0x00FFFFFFu;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) line[x] = (line[x] & 0xFF000000u) | base;
    }
    return out;
}

QString StripAccelerator(const QString& text, int* underlineIndex) {
    if (underlineIndex) *underlineIndex = -1;
    if (!text.contains(u'&')) return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != u'&' && underlineIndex && *underlineIndex < 0) *underlineIndex = int(out.size());
        } else if (text[i] == u'&') {
            continue; // a trailing "&" marks nothing and is not drawn
        }
        out += text[i];
    }
    return out;
}

QChar AcceleratorOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&') continue;
        if (caption[i + 1] == u'&') {
            ++i;
            continue;
        }
        return caption[i + 1].toUpper();
    }
    return QChar();
}

} // namespace tallivo
