#pragma once
// Pictures of the tiles and picture buttons: TGDIPPicture keeps an image only
// as its encoded bytes (a PNG file in every window) and decodes it when asked.
// TQorPNGObject is the PNG graphic class that the plain image control's
// picture values name.

#include "toolkit/Graphics.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>

namespace tallivo {

// The message of a decoding that could not get the memory for the image.
inline const char* const SCouldNotAllocateImage = "Could not allocate memory for image";

class TGDIPPicture : public TGraphic {
public:
    TGDIPPicture() = default;

    QString ClassName() const override { return QStringLiteral("TGDIPPicture"); }
    // True at creation and after clearing; false once bytes were loaded.
    bool Empty() const override { return FIsEmpty; }
    // The pixel size as last computed by GetImageSizes (0 x 0 before).
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }

    // Decodes the bytes and keeps the image's size in Width and Height; true
    // when a size was obtained. Does nothing for an empty picture. Bytes that
    // cannot be decoded give 0 x 0.
    bool GetImageSizes();

    // The window data value: the encoded file itself. Reading it keeps the
    // bytes and marks the picture not empty without decoding anything.
    void ReadData(const QByteArray& value);
    // The value written to the window data (nothing when empty).
    QByteArray Data() const { return FIsEmpty ? QByteArray() : FDatastream; }
    const QByteArray& Bytes() const { return FDatastream; }

    // Copies the whole stream, from its start, into the picture.
    void LoadFromStream(QIODevice& stream) override;
    void LoadFromBytes(const QByteArray& bytes);
    // Writes the bytes unchanged.
    void SaveToStream(QIODevice& stream) const override;
    // Reads a file; if anything fails the picture becomes empty, silently.
    void LoadFromFile(const QString& fileName);
    const QString& FileName() const { return FFileName; }

    // From another TGDIPPicture: its bytes; from nothing: cleared; from any
    // other graphic: that graphic saved in its own file format.
    void Assign(const TGraphic* source);
    void Clear() { Assign(nullptr); }

    // Draws the picture scaled into rect, keeping its alpha (a Windows bitmap
    // is drawn with its bottom-left pixel's colour as transparent).
    void Draw(TCanvas& canvas, const TRect& rect) override;

    // The decoded image, or a null image when the picture is empty or its
    // bytes cannot be decoded. The decoded copy is kept until the picture
    // changes.
    QImage Image();
    // True when the last decoding failed for lack of memory (the image is
    // then null and the size 0 x 0).
    bool AllocationFailed() const { return FAllocationFailed; }
    // How many times the bytes were decoded (a cached copy is reused).
    int DecodeCount() const { return FDecodeCount; }

    // Raised when the picture is cleared or loaded from a file.
    std::function<void(TObject* Sender)> OnClear;

private:
    void BytesChanged();
    void Decode();

    QByteArray FDatastream;
    bool FIsEmpty = true;
    int FWidth = 0;
    int FHeight = 0;
    QString FFileName;
    QImage FDecoded;
    QByteArray FFormat;
    bool FDecodedValid = false;
    bool FAllocationFailed = false;
    int FDecodeCount = 0;
};

// The PNG graphic class of the plain image control (TImage / TPicture):
// reads a PNG file from its signature to the end of its IEND chunk and
// draws it as stored, alpha-blended.
class TQorPNGObject : public TGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TQorPNGObject"); }
    bool Empty() const override { return FBytes.isEmpty(); }
    int Width() const override { return FImage.width(); }
    int Height() const override { return FImage.height(); }
    void Draw(TCanvas& canvas, const TRect& rect) override;
    // Raises EReadError when the stream holds no complete, decodable PNG.
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) const override;
    const QByteArray& Bytes() const { return FBytes; }
    const QImage& Image() const { return FImage; }

private:
    QByteArray FBytes;
    QImage FImage;
};

// The message of a PNG value that cannot be read.
inline const char* const SInvalidPngImage = "Image PNG incorrecte";

// Registers TQorPNGObject (extension "PNG") with the picture values' graphic
// classes; runs at start-up, and again does nothing.
void RegisterPictureGraphicClasses();

} // namespace tallivo
