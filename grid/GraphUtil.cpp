#include "grid/GraphUtil.h"

#include <algorithm>

namespace tallivo {

namespace {

constexpr int HLSMAX = 240;
constexpr int RGBMAX = 255;
constexpr int UNDEFINED_HUE = HLSMAX * 2 / 3;

int HueToRGB(int n1, int n2, int hue) {
    if (hue < 0) hue += HLSMAX;
    if (hue > HLSMAX) hue -= HLSMAX;
    if (hue < HLSMAX / 6) return n1 + ((n2 - n1) * hue + HLSMAX / 12) / (HLSMAX / 6);
    if (hue < HLSMAX / 2) return n2;
    if (hue < HLSMAX * 2 / 3) return n1 + ((n2 - n1) * (HLSMAX * 2 / 3 - hue) + HLSMAX / 12) / (HLSMAX / 6);
    return n1;
}

int Channel(int v) {
    return std::clamp(v, 0, RGBMAX);
}

} // namespace

THLS ColorRGBToHLS(TColor color) {
    const TColor rgb = ColorToRGB(color);
    const int r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
    const int cMax = std::max({r, g, b});
    const int cMin = std::min({r, g, b});
    THLS out;
    out.L = ((cMax + cMin) * HLSMAX + RGBMAX) / (2 * RGBMAX);
    if (cMax == cMin) {
        out.S = 0;
        out.H = UNDEFINED_HUE;
        return out;
    }
    const int sum = cMax + cMin;
    const int diff = cMax - cMin;
    if (out.L <= HLSMAX / 2)
        out.S = (diff * HLSMAX + sum / 2) / sum;
    else
        out.S = (diff * HLSMAX + (2 * RGBMAX - sum) / 2) / (2 * RGBMAX - sum);
    const int rDelta = ((cMax - r) * (HLSMAX / 6) + diff / 2) / diff;
    const int gDelta = ((cMax - g) * (HLSMAX / 6) + diff / 2) / diff;
    const int bDelta = ((cMax - b) * (HLSMAX / 6) + diff / 2) / diff;
    if (r == cMax)
        out.H = bDelta - gDelta;
    else if (g == cMax)
        out.H = HLSMAX / 3 + rDelta - bDelta;
    else
        out.H = 2 * HLSMAX / 3 + gDelta - rDelta;
    if (out.H < 0) out.H += HLSMAX;
    if (out.H > HLSMAX) out.H -= HLSMAX;
    return out;
}

TColor ColorHLSToRGB(THLS hls) {
    const int lum = hls.L, sat = hls.S, hue = hls.H;
    if (sat == 0) {
        const int v = Channel(lum * RGBMAX / HLSMAX);
        return RGBColor(v, v, v);
    }
    const int magic2 = lum <= HLSMAX / 2 ? (lum * (HLSMAX + sat) + HLSMAX / 2) / HLSMAX
                                         : lum + sat - (lum * sat + HLSMAX / 2) / HLSMAX;
    const int magic1 = 2 * lum - magic2;
    const int r = (HueToRGB(magic1, magic2, hue + HLSMAX / 3) * RGBMAX + HLSMAX / 2) / HLSMAX;
    const int g = (HueToRGB(magic1, magic2, hue) * RGBMAX + HLSMAX / 2) / HLSMAX;
    const int b = (HueToRGB(magic1, magic2, hue - HLSMAX / 3) * RGBMAX + HLSMAX / 2) / HLSMAX;
    return RGBColor(Channel(r), Channel(g), Channel(b));
}

TColor ShadowTone(TColor color, int Delta) {
    if (color == clBtnFace && Delta == -50) return clBtnShadow;
    THLS hls = ColorRGBToHLS(color);
    hls.L += Delta;
    return ColorHLSToRGB(hls);
}

TColor HighlightTone(TColor color, int Delta) {
    if (color == clBtnFace && Delta == 19) return clBtnHighlight;
    THLS hls = ColorRGBToHLS(color);
    hls.L += hls.S < 221 ? Delta : -Delta;
    return ColorHLSToRGB(hls);
}

} // namespace tallivo
