#pragma once
// Colour tones used by the grid's painting: conversion between RGB and HLS
// on the 0-240 scale (hue, luminance and saturation 0-240, channels 0-255,
// undefined hue 160), and colours made lighter or darker by luminance steps.

#include "base/Colors.h"

namespace tallivo {

struct THLS {
    int H = 0;
    int L = 0;
    int S = 0;
    friend constexpr bool operator==(THLS, THLS) = default;
};

// HLS of a colour (system colours are resolved first).
THLS ColorRGBToHLS(TColor color);
// The plain colour of an HLS triple; luminance beyond the scale gives
// channels that are clamped to 0-255.
TColor ColorHLSToRGB(THLS hls);

// The colour with its luminance raised by Delta (lowered when negative).
// (clBtnFace, -50) gives clBtnShadow.
TColor ShadowTone(TColor color, int Delta);
// A lighter tone for colours of low saturation (below 221) and a darker one
// for saturated colours. (clBtnFace, 19) gives clBtnHighlight.
TColor HighlightTone(TColor color, int Delta);

} // namespace tallivo
