#pragma once
// Screenshots for the documentation, reduced to a palette of 256 colours.

#include <QImage>

namespace tallivo::shots {

// A window has few colours besides the anti-aliased edges of its text: the
// most frequent colours, kept apart from each other, stand in for all the
// others without a visible change, and the PNG shrinks to about a third.
// The result is the same for the same image (no dithering, no randomness),
// so that a picture that did not change gives the same file.
QImage ToPalette(const QImage& image);

} // namespace tallivo::shots
