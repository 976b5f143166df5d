#include "TileTestUtil.h"
#include "base/Exception.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tallivo;
using namespace tallivo::test;

TEST(GDIPPicture, ReadingTheWindowDataDoesNotDecodeTheFirstPaintDoes) {
    TileForm f;
    auto* t = f.Add<TAdvMetroTile>(20, 20, 100, 60);
    t->SetLayout(tlPicLeft);
    t->SetPictureAutoSize(false);
    const QByteArray png = GlyphPng(TGlyph::Cross32);
    t->Picture().ReadData(png);
    EXPECT_FALSE(t->Picture().Empty());
    EXPECT_EQ(t->Picture().DecodeCount(), 0);
    EXPECT_EQ(t->Picture().Width(), 0) << "no size before it is asked for";
    EXPECT_EQ(t->Picture().Data(), png) << "written back byte for byte";

    f.Show();
    Shot(t);
    EXPECT_EQ(t->Picture().DecodeCount(), 1);
    EXPECT_EQ(t->Picture().Width(), 32);
    EXPECT_EQ(t->Picture().Height(), 32);
    t->Repaint();
    Shot(t);
    EXPECT_EQ(t->Picture().DecodeCount(), 1) << "the decoded copy is reused";

    // Every change discards the decoded copy.
    t->Picture().ReadData(GlyphPng(TGlyph::Cross48));
    EXPECT_EQ(t->Picture().Width(), 0);
    Shot(t);
    EXPECT_EQ(t->Picture().DecodeCount(), 2);
    EXPECT_EQ(t->Picture().Width(), 48);
}

TEST(GDIPPicture, UndecodableBytesGiveZeroByZeroAndDrawNothing) {
    TileForm f;
    auto* garbage = f.Add<TAdvMetroTile>(20, 20, 100, 60);
    auto* empty = f.Add<TAdvMetroTile>(20, 120, 100, 60);
    for (auto* t : {garbage, empty}) {
        t->SetLayout(tlPicLeft);
        t->SetCaption("Supprimer");
        t->Appearance().SetTextColor(clBlack);
    }
    garbage->Picture().ReadData(QByteArray("\x89PNG\r\n\x1a\nnot really a picture", 28));
    f.Show();
    EXPECT_FALSE(garbage->Picture().GetImageSizes());
    EXPECT_EQ(garbage->Picture().Width(), 0);
    EXPECT_EQ(garbage->Picture().Height(), 0);
    EXPECT_FALSE(garbage->Picture().Empty());
    EXPECT_FALSE(garbage->Picture().AllocationFailed());
    EXPECT_EQ(Shot(garbage), Shot(empty)) << "laid out and painted as with no picture";

    // The same for a picture button.
    auto* button = f.Add<TAdvMetroButton>(200, 20, 50, 50);
    button->Picture().ReadData("GIF89a?");
    const QImage img = Shot(button);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) ASSERT_EQ(PixelAt(img, x, y), ColorValue(0x336699));
}

TEST(GDIPPicture, StreamsFilesAndAssignment) {
    TGDIPPicture picture;
    int changes = 0, clears = 0;
    picture.OnChange = [&] { ++changes; };
    picture.OnClear = [&](TObject*) { ++clears; };
    EXPECT_TRUE(picture.Empty());
    EXPECT_FALSE(picture.GetImageSizes()) << "nothing to decode";

    // LoadFromStream copies the whole stream from its start and computes the size.
    QByteArray png = GlyphPng(TGlyph::Check32);
    QBuffer stream(&png);
    stream.open(QIODevice::ReadOnly);
    stream.seek(10);
    picture.LoadFromStream(stream);
    EXPECT_EQ(picture.Bytes(), png);
    EXPECT_EQ(picture.Width(), 32);
    EXPECT_EQ(changes, 1);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    picture.SaveToStream(out);
    EXPECT_EQ(out.data(), png);

    // From a file: size, name and OnClear; a missing file empties the picture silently.
    QTemporaryDir dir;
    const QString path = dir.filePath("broom.png");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GlyphPng(TGlyph::Broom32));
    }
    picture.LoadFromFile(path);
    EXPECT_EQ(picture.FileName(), path);
    EXPECT_EQ(picture.Width(), 32);
    EXPECT_EQ(clears, 1);
    picture.LoadFromFile(dir.filePath("missing.png"));
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.Width(), 0);

    // Assign: another picture's bytes; nothing clears; another graphic in its own format.
    TGDIPPicture source;
    source.ReadData(GlyphPng(TGlyph::Cross48));
    picture.Assign(&source);
    EXPECT_EQ(picture.Bytes(), GlyphPng(TGlyph::Cross48));
    EXPECT_EQ(picture.Width(), 48);
    EXPECT_FALSE(picture.Empty());
    const int clearsBefore = clears;
    picture.Assign(nullptr);
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_EQ(clears, clearsBefore + 1);
    TPicture image;
    image.ReadData(QByteArray("\x0dTQorPNGObject") + GlyphPng(TGlyph::Question48));
    picture.Assign(image.Graphic());
    EXPECT_EQ(picture.Bytes(), GlyphPng(TGlyph::Question48));
    EXPECT_EQ(picture.Height(), 48);
}

TEST(ImagePictureData, TheMessageIconValueIsFourteenBytesLongerThanItsPng) {
    RegisterPictureGraphicClasses();
    const QByteArray png = GlyphPng(TGlyph::Information48);
    TPicture picture;
    picture.SetGraphic(std::make_unique<TQorPNGObject>());
    {
        QBuffer in;
        in.setData(png);
        in.open(QIODevice::ReadOnly);
        picture.Graphic()->LoadFromStream(in);
    }
    const QByteArray value = picture.Data();
    EXPECT_EQ(value.size(), png.size() + 14);
    EXPECT_EQ(value.left(14), QByteArray("\x0dTQorPNGObject"));
    EXPECT_EQ(value.mid(14), png);

    // Read back: the PNG class reads up to the end of IEND and no further.
    TPicture back;
    back.ReadData(value + QByteArray("trailing"));
    ASSERT_NE(back.Graphic(), nullptr);
    EXPECT_EQ(back.Graphic()->ClassName(), QString("TQorPNGObject"));
    EXPECT_EQ(back.Width(), 48);
    EXPECT_EQ(back.Data(), value);
}

TEST(ImagePictureData, UnknownOrMissingClassNamesGiveAnEmptyPicture) {
    TPicture picture;
    picture.ReadData(QByteArray("\x0dTQorPNGObject") + GlyphPng(TGlyph::Question48));
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_NO_THROW(picture.ReadData(QByteArray("\x0bTPNGPicture") + GlyphPng(TGlyph::Question48)));
    EXPECT_EQ(picture.Graphic(), nullptr);
    // Class names compare whole and exactly.
    EXPECT_NO_THROW(picture.ReadData(QByteArray("\x0dtqorpngobject") + GlyphPng(TGlyph::Question48)));
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_NO_THROW(picture.ReadData(QByteArray(1, '\0') + GlyphPng(TGlyph::Question48)));
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Data(), QByteArray(1, '\0'));
}

TEST(ImagePictureData, ABrokenPngRaisesTheErrorToTheReader) {
    const QByteArray png = GlyphPng(TGlyph::Information48);
    TPicture picture;
    // Cut before IEND.
    EXPECT_THROW(picture.ReadData(QByteArray("\x0dTQorPNGObject") + png.left(png.size() - 6)), EReadError);
    // A flipped bit inside IDAT.
    QByteArray damaged = png;
    damaged[damaged.indexOf("IDAT") + 10] = char(damaged[damaged.indexOf("IDAT") + 10] ^ 0x40);
    try {
        picture.ReadData(QByteArray("\x0dTQorPNGObject") + damaged);
        ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), QString("Image PNG incorrecte"));
    }
    EXPECT_THROW(picture.ReadData(QByteArray("\x0dTQorPNGObject") + "JFIF"), EReadError);
}

TEST(ImagePictureData, TheIconIsDrawnAsStoredCentredInItsImageControl) {
    TileForm f(483, 245, clWhite);
    auto* image = f.Add<TImage>(14, 40, 50, 51);
    image->SetCenter(true);
    image->SetTransparent(true);
    image->Picture().ReadData(QByteArray("\x0dTQorPNGObject") + GlyphPng(TGlyph::Information48));
    f.Show();
    const QImage img = Shot(image);
    // 48 x 48 centred in 50 x 51: offset (1, 1). The disc is lime, the "i" shows the white dialog.
    EXPECT_EQ(PixelAt(img, 1 + 10, 1 + 24), RGBColor(0xD7, 0xEC, 0x16));
    EXPECT_EQ(PixelAt(img, 1 + 26, 1 + 14), clWhite) << "the dot of the i is cut out";
    EXPECT_EQ(PixelAt(img, 0, 0), clWhite);
}
