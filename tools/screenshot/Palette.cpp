#include "Palette.h"

#include <algorithm>
#include <climits>
#include <unordered_map>
#include <vector>

namespace tallivo::shots {

namespace {

constexpr int kPaletteSize = 256;

int Distance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

} // namespace

QImage ToPalette(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::unordered_map<QRgb, uint32_t> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) ++counts[line[x] | 0xFF000000u];
    }
    std::vector<std::pair<QRgb, uint32_t>> colours(counts.begin(), counts.end());
    std::sort(colours.begin(), colours.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });

    // The most frequent colours first; in the first passes a colour close to
    // one already taken is left for later, so that a rare but distinct
    // colour (a red icon) is not crowded out by shades of grey.
    QList<QRgb> palette;
    std::vector<bool> taken(colours.size(), false);
    for (const int apart : {3 * 16 * 16, 3 * 8 * 8, 3 * 4 * 4, 0}) {
        for (size_t i = 0; i < colours.size() && palette.size() < kPaletteSize; ++i) {
            if (taken[i]) continue;
            const bool farEnough = std::all_of(palette.begin(), palette.end(), [&](QRgb p) {
                return Distance(p, colours[i].first) >= apart;
            });
            if (!farEnough) continue;
            taken[i] = true;
            palette.push_back(colours[i].first);
        }
    }

    std::unordered_map<QRgb, uchar> index;
    for (const auto& entry : colours) {
        const QRgb colour = entry.first;
        int best = 0, bestDistance = INT_MAX;
        for (int p = 0; p < palette.size() && bestDistance > 0; ++p) {
            const int d = Distance(palette[p], colour);
            if (d < bestDistance) best = p, bestDistance = d;
        }
        index[colour] = uchar(best);
    }
    QImage out(rgb.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* line = out.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) line[x] = index[in[x] | 0xFF000000u];
    }
    return out;
}

} // namespace tallivo::shots
