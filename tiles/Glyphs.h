#pragma once
// The eleven pictures of the windows' tiles, picture buttons and message
// icons, compiled in as resources. Each is a PNG file (8-bit RGBA, not
// interlaced, chunks IHDR, sRGB, gAMA, pHYs, one IDAT, IEND) on a transparent
// background; the tiles and buttons use only their alpha.

#include <QByteArray>
#include <QString>
#include <array>

namespace tallivo {

enum class TGlyph {
    Cross48,        // "cross48": the "Quitter" tile
    ChevronUp48,    // "chevron_up48": scroll-up picture button
    ChevronDown48,  // "chevron_down48": scroll-down picture button
    Calculator32,   // "calculator32": the hidden tile beside "Ajouter"
    CheckDisc24,    // "check_disc24": the hidden "Ajouter" tile (soft red disc)
    Cross32,        // "cross32": "Supprimer", "Annuler", "Non"
    Check32,        // "check32": "Ok", "Oui"
    TriangleDown32, // "triangle_down32": the sort drop-down button (off-white)
    Broom32,        // "broom32": the keypad's clearing key
    Information48,  // "information48": message dialog information icon (lime disc)
    Question48,     // "question48": message dialog question icon (lime disc)
};

inline constexpr std::array<TGlyph, 11> AllGlyphs = {
    TGlyph::Cross48,     TGlyph::ChevronUp48,   TGlyph::ChevronDown48, TGlyph::Calculator32,
    TGlyph::CheckDisc24, TGlyph::Cross32,       TGlyph::Check32,       TGlyph::TriangleDown32,
    TGlyph::Broom32,     TGlyph::Information48, TGlyph::Question48,
};

// The resource name of a glyph ("cross48", "chevron_up48" ...).
QString GlyphName(TGlyph glyph);
// The picture's pixel size (square).
int GlyphSize(TGlyph glyph);
// The PNG file of a glyph, byte for byte.
QByteArray GlyphPng(TGlyph glyph);
// The same by name; empty for an unknown name.
QByteArray GlyphPng(const QString& name);

} // namespace tallivo
