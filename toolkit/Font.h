#pragma once
// TFont: a font as the window data gives it (name, height in pixels when
// negative, colour, style, character set), and its Qt equivalent with the
// stand-in families of this platform.

#include "base/Colors.h"

#include <QFont>
#include <QString>
#include <cstdint>
#include <functional>

namespace tallivo {

enum TFontStyleFlag : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = std::uint8_t;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

class TFont {
public:
    TFont() = default;
    TFont(const QString& name, int height, TColor color = clWindowText, TFontStyles style = 0)
        : FName(name), FHeight(height), FColor(color), FStyle(style) {}
    TFont(const TFont& other)
        : FName(other.FName), FHeight(other.FHeight), FColor(other.FColor), FStyle(other.FStyle),
          FCharset(other.FCharset), FPitch(other.FPitch), FOrientation(other.FOrientation) {}
    // Assigning copies the attributes (not the change notification) and
    // notifies once when anything differs.
    TFont& operator=(const TFont& other);
    bool operator==(const TFont& o) const {
        return FName == o.FName && FHeight == o.FHeight && FColor == o.FColor && FStyle == o.FStyle &&
               FCharset == o.FCharset && FPitch == o.FPitch && FOrientation == o.FOrientation;
    }

    const QString& Name() const { return FName; }
    void SetName(const QString& v);
    // Negative: character height in pixels; positive: cell height in pixels.
    int Height() const { return FHeight; }
    void SetHeight(int v);
    // Point size at 96 dots per inch.
    int Size() const;
    void SetSize(int points);
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles v);
    int Charset() const { return FCharset; }
    void SetCharset(int v);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch v);
    int Orientation() const { return FOrientation; }
    void SetOrientation(int v);

    // Called after any attribute changed.
    std::function<void()> OnChange;

    // The Qt font with this platform's stand-in for the family.
    QFont ToQFont() const;

private:
    void Changed();

    QString FName = QStringLiteral("Tahoma");
    int FHeight = -11;
    TColor FColor = clWindowText;
    TFontStyles FStyle = 0;
    int FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    int FOrientation = 0;
};

// The family and weight that stand in for a Windows font family on this
// platform (Calibri -> Carlito, Segoe UI Semibold -> Open Sans DemiBold ...).
struct TFontStandIn {
    QString Family;
    QFont::Weight Weight;
};
TFontStandIn FontStandIn(const QString& windowsFamily);

} // namespace tallivo
