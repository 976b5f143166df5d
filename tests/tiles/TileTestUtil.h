#pragma once
// Helpers of the tile tests: a shown form with a coloured background, the
// platform pointer moved like a real mouse, and small picture builders.

#include "base/Crc32.h"
#include "tests/support/GuiTestHelpers.h"
#include "tiles/AdvMetroButton.h"
#include "tiles/AdvMetroTile.h"
#include "tiles/Glyphs.h"
#include "toolkit/ExtCtrls.h"

#include <QBuffer>
#include <QCursor>
#include <QImage>
#include <cstdint>
#include <memory>

namespace tallivo::test {

// Moves the platform's pointer (the position GetCursorPos and the un-hover
// poll read) to pos in w's coordinates; the window system delivers the move,
// enter and leave as for a real mouse. A button held by Press stays held.
inline void PointerTo(QWidget* w, QPoint pos) {
    QCursor::setPos(w->mapToGlobal(pos));
    ProcessEvents();
}

// Lets Qt work until done() holds, for at most timeoutMs; returns done().
template <class F> bool WaitUntil(F done, int timeoutMs = 2000) {
    for (int waited = 0; !done() && waited < timeoutMs; waited += 5) ProcessEvents(5);
    return done();
}

// Parks the pointer in a corner of w, away from the controls under test.
inline void PointerAway(QWidget* w) {
    PointerTo(w, QPoint(w->width() - 2, w->height() - 2));
}

// What the user sees of w: its window grabbed, cut to w's rectangle (the
// parent's background shows through w's transparent parts, which a grab of
// w alone would not show).
inline QImage Shot(QWidget* w) {
    const QImage whole = Grab(w->window());
    return whole.copy(QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()));
}

// A form with a client area of the given size, a coloured panel over all of
// it, shown and active.
struct TileForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TPanel* Panel = new TPanel(Form.get());

    explicit TileForm(int w = 400, int h = 300, TColor panelColor = ColorValue(0x336699)) {
        Form->SetClientSize(w, h);
        Panel->SetBevelOuter(bvNone);
        Panel->SetColor(panelColor);
        Panel->SetAlign(alClient);
        Panel->SetParent(Form.get());
    }
    template <class T> T* Add(int l, int t, int w, int h) {
        auto* c = new T(Form.get());
        c->SetBounds(l, t, w, h);
        c->SetParent(Panel);
        return c;
    }
    void Show() {
        // The window must not appear under a pointer left there by an earlier form.
        QCursor::setPos(-100, -100);
        ProcessEvents();
        ShowAndActivate(Form.get());
        PointerAway(Form.get());
    }
};

// The image as a PNG file (Qt's own encoder: any valid PNG will do here).
inline QByteArray PngOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The glyph with every pixel's colour replaced and its alpha kept.
inline QImage Restained(TGlyph glyph, QRgb rgb) {
    QImage image = QImage::fromData(GlyphPng(glyph), "PNG").convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, (rgb & 0x00FFFFFFu) | (image.pixel(x, y) & 0xFF000000u));
    return image;
}

inline std::uint32_t BigEndian32(const QByteArray& bytes, qsizetype at) {
    return std::uint32_t(std::uint8_t(bytes[at])) << 24 | std::uint32_t(std::uint8_t(bytes[at + 1])) << 16 |
           std::uint32_t(std::uint8_t(bytes[at + 2])) << 8 | std::uint32_t(std::uint8_t(bytes[at + 3]));
}

// The PNG file with the size in its header replaced (checksum kept valid).
inline QByteArray WithHeaderSize(QByteArray png, std::uint32_t w, std::uint32_t h) {
    const auto put = [&png](qsizetype at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) png[at + i] = char(v >> (24 - 8 * i));
    };
    put(16, w);
    put(20, h);
    put(29, Crc32(png.mid(12, 17)));
    return png;
}

} // namespace tallivo::test
