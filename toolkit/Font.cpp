#include "toolkit/Font.h"

#include <cmath>

namespace tallivo {

TFont& TFont::operator=(const TFont& other) {
    if (this == &other || *this == other) return *this;
    FName = other.FName;
    FHeight = other.FHeight;
    FColor = other.FColor;
    FStyle = other.FStyle;
    FCharset = other.FCharset;
    FPitch = other.FPitch;
    FOrientation = other.FOrientation;
    Changed();
    return *this;
}

void TFont::Changed() {
    if (OnChange) OnChange();
}

void TFont::SetName(const QString& v) {
    if (v == FName) return;
    FName = v;
    Changed();
}
void TFont::SetHeight(int v) {
    if (v == FHeight) return;
    FHeight = v;
    Changed();
}
int TFont::Size() const { return -static_cast<int>(std::lround(FHeight * 72.0 / 96.0)); }
void TFont::SetSize(int points) { SetHeight(-static_cast<int>(std::lround(points * 96.0 / 72.0))); }
void TFont::SetColor(TColor v) {
    if (v == FColor) return;
    FColor = v;
    Changed();
}
void TFont::SetStyle(TFontStyles v) {
    if (v == FStyle) return;
    FStyle = v;
    Changed();
}
void TFont::SetCharset(int v) {
    if (v == FCharset) return;
    FCharset = v;
    Changed();
}
void TFont::SetPitch(TFontPitch v) {
    if (v == FPitch) return;
    FPitch = v;
    Changed();
}
void TFont::SetOrientation(int v) {
    if (v == FOrientation) return;
    FOrientation = v;
    Changed();
}

TFontStandIn FontStandIn(const QString& windowsFamily) {
    struct Entry {
        const char* Windows;
        const char* Family;
        QFont::Weight Weight;
    };
    static const Entry kTable[] = {
        {"Calibri", "Carlito", QFont::Normal},
        {"Calibri Light", "Carlito", QFont::Normal},
        {"Arial", "Liberation Sans", QFont::Normal},
        {"Segoe UI", "Open Sans", QFont::Normal},
        {"Segoe UI Semibold", "Open Sans", QFont::DemiBold},
        {"Segoe UI Semilight", "Open Sans", QFont::Light},
        {"Segoe UI Light", "Open Sans", QFont::Light},
        {"Tahoma", "DejaVu Sans", QFont::Normal},
        {"Segoe Print", "Comic Neue", QFont::Normal},
    };
    for (const auto& e : kTable)
        if (windowsFamily.compare(QLatin1String(e.Windows), Qt::CaseInsensitive) == 0)
            return {QString::fromLatin1(e.Family), e.Weight};
    return {windowsFamily, QFont::Normal};
}

QFont TFont::ToQFont() const {
    const TFontStandIn standIn = FontStandIn(FName);
    QFont f(standIn.Family);
    f.setWeight((FStyle & fsBold) ? QFont::Bold : standIn.Weight);
    f.setItalic(FStyle & fsItalic);
    f.setUnderline(FStyle & fsUnderline);
    f.setStrikeOut(FStyle & fsStrikeOut);
    if (FHeight < 0) {
        f.setPixelSize(-FHeight);
    } else if (FHeight > 0) {
        // A positive height is the cell height (character height plus internal
        // leading); the stand-in families have a leading of about a fifth.
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(FHeight * 0.82))));
    } else {
        f.setPixelSize(11);
    }
    if (FPitch == fpFixed) f.setFixedPitch(true);
    return f;
}

} // namespace tallivo
