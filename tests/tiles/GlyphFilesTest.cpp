#include "TileTestUtil.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tallivo;
using namespace tallivo::test;

namespace {

struct Chunk {
    std::string Type;
    QByteArray Data;
};

// Splits a PNG file into its chunks; fails the test on a bad signature,
// a cut chunk, a wrong checksum or bytes after IEND.
std::vector<Chunk> Chunks(const QByteArray& png) {
    std::vector<Chunk> chunks;
    EXPECT_EQ(png.left(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = BigEndian32(png, at);
        if (at + 12 + qsizetype(length) > png.size()) {
            ADD_FAILURE() << "chunk cut short";
            break;
        }
        const QByteArray typeAndData = png.mid(at + 4, 4 + length);
        EXPECT_EQ(BigEndian32(png, at + 8 + length), Crc32(typeAndData)) << typeAndData.left(4).toStdString();
        chunks.push_back({typeAndData.left(4).toStdString(), typeAndData.mid(4)});
        at += 12 + length;
        if (chunks.back().Type == "IEND") break;
    }
    EXPECT_EQ(at, png.size()) << "the file ends with IEND";
    return chunks;
}

struct Expected {
    TGlyph Glyph;
    QRgb Colour;
    // Extent of the clearly visible pixels (alpha >= 128), inclusive.
    int X0, X1, Y0, Y1;
};

const Expected kGlyphs[] = {
    {TGlyph::Cross48, qRgb(0xFF, 0xFF, 0xFF), 9, 38, 9, 38},
    {TGlyph::ChevronUp48, qRgb(0xFF, 0xFF, 0xFF), 11, 36, 13, 34},
    {TGlyph::ChevronDown48, qRgb(0xFF, 0xFF, 0xFF), 11, 36, 13, 34},
    {TGlyph::Calculator32, qRgb(0xFF, 0xFF, 0xFF), 7, 24, 7, 24},
    {TGlyph::CheckDisc24, qRgb(0xCA, 0x5F, 0x5F), 0, 23, 0, 23},
    {TGlyph::Cross32, qRgb(0xFF, 0xFF, 0xFF), 8, 23, 8, 23},
    {TGlyph::Check32, qRgb(0xFF, 0xFF, 0xFF), 4, 27, 8, 23},
    {TGlyph::TriangleDown32, qRgb(0xF7, 0xF2, 0xF2), 6, 25, 9, 22},
    {TGlyph::Broom32, qRgb(0xFF, 0xFF, 0xFF), 5, 26, 5, 26},
    {TGlyph::Information48, qRgb(0xD7, 0xEC, 0x16), 5, 42, 5, 42},
    {TGlyph::Question48, qRgb(0xD7, 0xEC, 0x16), 5, 42, 5, 42},
};

} // namespace

TEST(GlyphFiles, EveryGlyphHasExactlyTheRequiredChunksAndHeader) {
    for (TGlyph glyph : AllGlyphs) {
        SCOPED_TRACE(GlyphName(glyph).toStdString());
        const QByteArray png = GlyphPng(glyph);
        ASSERT_FALSE(png.isEmpty()) << "compiled in";
        EXPECT_EQ(GlyphPng(GlyphName(glyph)), png);
        const std::vector<Chunk> chunks = Chunks(png);
        std::vector<std::string> types;
        for (const Chunk& c : chunks) types.push_back(c.Type);
        ASSERT_EQ(types, (std::vector<std::string>{"IHDR", "sRGB", "gAMA", "pHYs", "IDAT", "IEND"}));

        const QByteArray& ihdr = chunks[0].Data;
        ASSERT_EQ(ihdr.size(), 13);
        EXPECT_EQ(BigEndian32(ihdr, 0), std::uint32_t(GlyphSize(glyph)));
        EXPECT_EQ(BigEndian32(ihdr, 4), std::uint32_t(GlyphSize(glyph)));
        EXPECT_EQ(int(ihdr[8]), 8) << "bit depth";
        EXPECT_EQ(int(ihdr[9]), 6) << "truecolour with alpha";
        EXPECT_EQ(int(ihdr[10]), 0) << "compression";
        EXPECT_EQ(int(ihdr[11]), 0) << "filter method";
        EXPECT_EQ(int(ihdr[12]), 0) << "not interlaced";
        EXPECT_EQ(chunks[1].Data, QByteArray(1, '\0')) << "sRGB, rendering intent 0";
        ASSERT_EQ(chunks[2].Data.size(), 4);
        EXPECT_EQ(BigEndian32(chunks[2].Data, 0), 45455u) << "gAMA 1/2.2";
        ASSERT_EQ(chunks[3].Data.size(), 9);
        EXPECT_EQ(BigEndian32(chunks[3].Data, 0), 3779u);
        EXPECT_EQ(BigEndian32(chunks[3].Data, 4), 3779u);
        EXPECT_EQ(int(chunks[3].Data[8]), 1) << "unit metre";
        EXPECT_TRUE(chunks[5].Data.isEmpty());
    }
    EXPECT_TRUE(GlyphPng(QString("nothing")).isEmpty());
}

TEST(GlyphFiles, EachGlyphHasItsSizeColourExtentAndSoftEdges) {
    for (const Expected& e : kGlyphs) {
        SCOPED_TRACE(GlyphName(e.Glyph).toStdString());
        const QImage image =
            QImage::fromData(GlyphPng(e.Glyph), "PNG").convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(GlyphSize(e.Glyph), GlyphSize(e.Glyph)));
        int x0 = 1000, x1 = -1, y0 = 1000, y1 = -1, partial = 0, opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                const int a = qAlpha(p);
                if (a > 0 && a < 255) ++partial;
                if (a == 255) {
                    ++opaque;
                    EXPECT_LE(std::abs(qRed(p) - qRed(e.Colour)) + std::abs(qGreen(p) - qGreen(e.Colour)) +
                                  std::abs(qBlue(p) - qBlue(e.Colour)),
                              3)
                        << "stored colour at " << x << "," << y;
                }
                if (a >= 128)
                    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
        EXPECT_GT(opaque, 0);
        EXPECT_GT(partial, 0) << "anti-aliased edges";
        EXPECT_NEAR(x0, e.X0, 1);
        EXPECT_NEAR(x1, e.X1, 1);
        EXPECT_NEAR(y0, e.Y0, 1);
        EXPECT_NEAR(y1, e.Y1, 1);
        if (e.Glyph != TGlyph::CheckDisc24) {
            EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "transparent background";
        }
    }
}

TEST(GlyphFiles, CutOutsAndMirrorsLookAsDescribed) {
    const auto alpha = [](TGlyph g, int x, int y) {
        return qAlpha(
            QImage::fromData(GlyphPng(g), "PNG").convertToFormat(QImage::Format_ARGB32).pixel(x, y));
    };
    // The check mark cut out of the red disc, the "i" and "?" cut out of the lime disc.
    EXPECT_EQ(alpha(TGlyph::CheckDisc24, 10, 15), 0);
    EXPECT_EQ(alpha(TGlyph::CheckDisc24, 19, 19), 255);
    EXPECT_EQ(alpha(TGlyph::Information48, 26, 14), 0) << "the dot";
    EXPECT_EQ(alpha(TGlyph::Information48, 25, 26), 0) << "the stem";
    EXPECT_EQ(alpha(TGlyph::Information48, 12, 24), 255);
    EXPECT_EQ(alpha(TGlyph::Question48, 25, 34), 0) << "the dot";
    EXPECT_EQ(alpha(TGlyph::Question48, 26, 25), 0) << "the stem";
    EXPECT_EQ(alpha(TGlyph::Question48, 25, 30), 255) << "between stem and dot";
    // The chevrons are mirror images top to bottom.
    const QImage up = QImage::fromData(GlyphPng(TGlyph::ChevronUp48)).convertToFormat(QImage::Format_ARGB32);
    const QImage down =
        QImage::fromData(GlyphPng(TGlyph::ChevronDown48)).convertToFormat(QImage::Format_ARGB32);
    int mismatches = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            mismatches += std::abs(qAlpha(up.pixel(x, y)) - qAlpha(down.pixel(x, 47 - y))) > 2;
    EXPECT_EQ(mismatches, 0);
    // The calculator's key symbols are half transparent.
    EXPECT_NEAR(alpha(TGlyph::Calculator32, 10, 14), 128, 2);
}
