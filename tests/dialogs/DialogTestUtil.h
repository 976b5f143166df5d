#pragma once
// Helpers of the dialog tests.

#include "tests/support/GuiTestHelpers.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QImage>
#include <QRect>
#include <cstdlib>

namespace tallivo::test {

// Keeps the pointer away from every window, so that no tile shows its hover
// colours.
inline void ParkPointer() {
    QCursor::setPos(-100, -100);
    ProcessEvents();
}

// How many pixels of r in image are "ink": far from the colour bg.
inline int InkPixels(const QImage& image, const QRect& r, TColor bg) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const TColor c = PixelAt(image, x, y);
            const int d = std::abs(GetRValue(c) - GetRValue(bg)) + std::abs(GetGValue(c) - GetGValue(bg)) +
                          std::abs(GetBValue(c) - GetBValue(bg));
            if (d > 96) ++n;
        }
    return n;
}

} // namespace tallivo::test
