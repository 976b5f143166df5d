#pragma once
// TAdvMetroButton: the borderless picture button. It paints no background,
// only its glyph (and an optional caption) over the parent, recoloured for
// its state; pointer, keyboard and click behave as the tile's.

#include "tiles/MetroControl.h"

#include <functional>

namespace tallivo {

// The three glyph colours. Setting PictureColor to a new value repaints the
// button; the hover and down colours are read at the next paint.
class TMetroButtonAppearance {
public:
    TColor PictureColor() const { return FPictureColor; }
    void SetPictureColor(TColor v) {
        if (v == FPictureColor) return;
        FPictureColor = v;
        if (OnChange) OnChange();
    }
    TColor PictureColorHover() const { return FPictureColorHover; }
    void SetPictureColorHover(TColor v) { FPictureColorHover = v; }
    TColor PictureColorDown() const { return FPictureColorDown; }
    void SetPictureColorDown(TColor v) { FPictureColorDown = v; }

    std::function<void()> OnChange;

private:
    TColor FPictureColor = clBlack;
    TColor FPictureColorHover = ColorValue(0xF2BC00);
    TColor FPictureColorDown = ColorValue(0xB0A374);
};

class TAdvCustomMetroButton : public TMetroPushControl {
public:
    explicit TAdvCustomMetroButton(TComponent* AOwner);
    ~TAdvCustomMetroButton() override;

    TMetroButtonAppearance& Appearance() { return FAppearance; }
    const TMetroButtonAppearance& Appearance() const { return FAppearance; }
    // A circle around the glyph (no window sets it).
    bool ShowCircle() const { return FShowCircle; }
    void SetShowCircle(bool v);

    void DrawContent(TCanvas& ACanvas, const TRect& R) override;
    std::uint32_t GetVersionNr() const override { return 0x01010000; }

    // The glyph colour the next paint uses, by the state's order of precedence.
    TColor GlyphColor() const;
    // The square S the glyph is scaled into for the rectangle R: R less 2
    // pixels on every side (3 with ShowCircle), the largest square centred in
    // it; with ShowCircle the glyph itself goes 4 pixels inside S.
    static TRect GlyphSquare(const TRect& R, bool showCircle = false);
    static TRect GlyphRect(const TRect& R, bool showCircle = false);

protected:
    void Paint() override;
    bool SameFamily(const TWinControl* control) const override;

private:
    TMetroButtonAppearance FAppearance;
    bool FShowCircle = false;
};

// The published picture button; it adds no behaviour.
class TAdvMetroButton : public TAdvCustomMetroButton {
public:
    using TAdvCustomMetroButton::TAdvCustomMetroButton;
};

} // namespace tallivo
