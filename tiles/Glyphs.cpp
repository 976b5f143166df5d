#include "tiles/Glyphs.h"

#include <QFile>

namespace tallivo {

namespace {
struct GlyphInfo {
    const char* Name;
    int Size;
};

GlyphInfo Info(TGlyph glyph) {
    switch (glyph) {
    case TGlyph::Cross48:
        return {"cross48", 48};
    case TGlyph::ChevronUp48:
        return {"chevron_up48", 48};
    case TGlyph::ChevronDown48:
        return {"chevron_down48", 48};
    case TGlyph::Calculator32:
        return {"calculator32", 32};
    case TGlyph::CheckDisc24:
        return {"check_disc24", 24};
    case TGlyph::Cross32:
        return {"cross32", 32};
    case TGlyph::Check32:
        return {"check32", 32};
    case TGlyph::TriangleDown32:
        return {"triangle_down32", 32};
    case TGlyph::Broom32:
        return {"broom32", 32};
    case TGlyph::Information48:
        return {"information48", 48};
    case TGlyph::Question48:
        return {"question48", 48};
    }
    return {"", 0};
}
} // namespace

QString GlyphName(TGlyph glyph) {
    return QString::fromLatin1(Info(glyph).Name);
}

int GlyphSize(TGlyph glyph) {
    return Info(glyph).Size;
}

QByteArray GlyphPng(TGlyph glyph) {
    return GlyphPng(GlyphName(glyph));
}

QByteArray GlyphPng(const QString& name) {
    if (name.isEmpty() || name.contains(u'/')) return {};
    QFile file(QStringLiteral(":/tallivo/glyphs/") + name + QStringLiteral(".png"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

} // namespace tallivo
