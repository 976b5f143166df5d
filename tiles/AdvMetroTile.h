#pragma once
// TAdvMetroTile: the flat push tile of every window. A rectangle filled and
// outlined in the colours of its state (normal, hover, down, disabled) with
// an optional picture and a one-line caption; by default the picture is a
// single-colour glyph painted in the state's text colour.

#include "tiles/MetroControl.h"
#include "toolkit/Forms.h"

#include <functional>

namespace tallivo {

enum TTileLayout { tlPicLeft, tlPicRight, tlPicTop, tlPicBottom, tlPicBackground };

// The nine state colours as the window data lists them: fill, outline and
// text for the normal, hover and down states.
struct TTileColours {
    TColor Color, BorderColor, TextColor;
    TColor HoverColor, HoverBorderColor, HoverTextColor;
    TColor DownColor, DownBorderColor, DownTextColor;
};

// The nine state colours. Setting Color, BorderColor or TextColor to a new
// value repaints the tile; the hover and down colours are read at the next
// paint.
class TMetroTileAppearance {
public:
    // Sets all nine colours.
    void Assign(const TTileColours& c) {
        SetColor(c.Color);
        SetBorderColor(c.BorderColor);
        SetTextColor(c.TextColor);
        SetHoverColor(c.HoverColor);
        SetHoverBorderColor(c.HoverBorderColor);
        SetHoverTextColor(c.HoverTextColor);
        SetDownColor(c.DownColor);
        SetDownBorderColor(c.DownBorderColor);
        SetDownTextColor(c.DownTextColor);
    }
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { SetNotifying(FColor, v); }
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor v) { SetNotifying(FBorderColor, v); }
    TColor TextColor() const { return FTextColor; }
    void SetTextColor(TColor v) { SetNotifying(FTextColor, v); }
    TColor HoverColor() const { return FHoverColor; }
    void SetHoverColor(TColor v) { FHoverColor = v; }
    TColor HoverBorderColor() const { return FHoverBorderColor; }
    void SetHoverBorderColor(TColor v) { FHoverBorderColor = v; }
    TColor HoverTextColor() const { return FHoverTextColor; }
    void SetHoverTextColor(TColor v) { FHoverTextColor = v; }
    TColor DownColor() const { return FDownColor; }
    void SetDownColor(TColor v) { FDownColor = v; }
    TColor DownBorderColor() const { return FDownBorderColor; }
    void SetDownBorderColor(TColor v) { FDownBorderColor = v; }
    TColor DownTextColor() const { return FDownTextColor; }
    void SetDownTextColor(TColor v) { FDownTextColor = v; }

    std::function<void()> OnChange;

private:
    void SetNotifying(TColor& field, TColor v) {
        if (field == v) return;
        field = v;
        if (OnChange) OnChange();
    }
    TColor FColor = clWhite;
    TColor FBorderColor = clHighlight;
    TColor FTextColor = clBlack;
    TColor FHoverColor = ColorValue(0xF2BC00);
    TColor FHoverBorderColor = ColorValue(0xF2BC00);
    TColor FHoverTextColor = clWhite;
    TColor FDownColor = ColorValue(0xB0A374);
    TColor FDownBorderColor = ColorValue(0xB0A374);
    TColor FDownTextColor = clWhite;
};

// Fill, outline and text (and auto-coloured picture) colours of one paint.
struct TTileStateColors {
    TColor Fill;
    TColor Border;
    TColor Text;
    friend bool operator==(const TTileStateColors&, const TTileStateColors&) = default;
};

// Where DrawContent puts things inside a paint rectangle R.
struct TTileGeometry {
    TRect C;            // content rectangle (R less the outline with bsSingle)
    TRect P;            // picture rectangle
    TRect X;            // caption rectangle, text margins applied
    unsigned TextFlags; // caption alignment (DT_* flags)
    int PictureWidth;   // picture size after PictureAutoSize
    int PictureHeight;
};

class TAdvCustomMetroTile : public TMetroPushControl {
public:
    explicit TAdvCustomMetroTile(TComponent* AOwner);
    ~TAdvCustomMetroTile() override;

    TMetroTileAppearance& Appearance() { return FAppearance; }
    const TMetroTileAppearance& Appearance() const { return FAppearance; }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle v) { SetRepainting(FBorderStyle, v); }
    TTileLayout Layout() const { return FLayout; }
    void SetLayout(TTileLayout v) { SetRepainting(FLayout, v); }
    bool PictureAutoColor() const { return FPictureAutoColor; }
    void SetPictureAutoColor(bool v) { SetRepainting(FPictureAutoColor, v); }
    bool PictureAutoSize() const { return FPictureAutoSize; }
    void SetPictureAutoSize(bool v) { SetRepainting(FPictureAutoSize, v); }
    int PictureMarginHorz() const { return FPictureMarginHorz; }
    void SetPictureMarginHorz(int v) { SetRepainting(FPictureMarginHorz, v); }
    int PictureMarginVert() const { return FPictureMarginVert; }
    void SetPictureMarginVert(int v) { SetRepainting(FPictureMarginVert, v); }
    int TextMarginHorz() const { return FTextMarginHorz; }
    void SetTextMarginHorz(int v) { SetRepainting(FTextMarginHorz, v); }
    int TextMarginVert() const { return FTextMarginVert; }
    void SetTextMarginVert(int v) { SetRepainting(FTextMarginVert, v); }
    // While the pointer is not over the tile its painted rectangle is inset by
    // this on every side. Negative values are refused; no repaint.
    int ZoomOnHover() const { return FZoomOnHover; }
    void SetZoomOnHover(int v) {
        if (v >= 0) FZoomOnHover = v;
    }

    void DrawContent(TCanvas& ACanvas, const TRect& R) override;
    std::uint32_t GetVersionNr() const override { return 0x01000000; }

    // The colours the next paint uses, by the state's order of precedence.
    TTileStateColors StateColors() const;
    // The rectangle the next paint fills (the client rectangle, inset by
    // ZoomOnHover while the pointer is not over the tile).
    TRect PaintRect() const;
    // The geometry DrawContent uses for R; decodes the picture's size as a
    // paint does.
    TTileGeometry ContentGeometry(const TRect& R);
    // The same from explicit values: pw x ph is the picture's pixel size
    // (0 x 0 for none).
    static TTileGeometry ComputeGeometry(const TRect& R, TBorderStyle borderStyle, TTileLayout layout, int pw,
                                         int ph, bool autoSize, int mH, int mV, int textH, int textV);

protected:
    void Paint() override;
    bool SameFamily(const TWinControl* control) const override;

private:
    template <class T> void SetRepainting(T& field, T v) {
        if (field == v) return;
        field = v;
        Invalidate();
    }

    TMetroTileAppearance FAppearance;
    TBorderStyle FBorderStyle = bsSingle;
    TTileLayout FLayout = tlPicTop;
    bool FPictureAutoColor = true;
    bool FPictureAutoSize = true;
    int FPictureMarginHorz = 2;
    int FPictureMarginVert = 2;
    int FTextMarginHorz = 2;
    int FTextMarginVert = 2;
    int FZoomOnHover = 0;
};

// The published tile; it adds no behaviour.
class TAdvMetroTile : public TAdvCustomMetroTile {
public:
    using TAdvCustomMetroTile::TAdvCustomMetroTile;
};

} // namespace tallivo
