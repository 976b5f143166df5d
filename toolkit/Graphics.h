#pragma once
// Graphics held by picture properties: the graphic base class, the picture
// that holds one graphic, and the registry of graphic classes by name, which
// the window data's picture values refer to.

#include "base/Object.h"
#include "toolkit/Types.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class QIODevice;

namespace tallivo {

class TCanvas;

class TGraphic : public TObject {
public:
    virtual QString ClassName() const = 0;
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
    // Reads the graphic's own data from the stream's current position to its end.
    virtual void LoadFromStream(QIODevice& stream) = 0;
    virtual void SaveToStream(QIODevice& stream) const = 0;

    std::function<void()> OnChange;

protected:
    void Changed() {
        if (OnChange) OnChange();
    }
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// Registers a graphic class under its class name, for a file extension.
void RegisterGraphicClass(const QString& className, const QString& extension, const QString& description,
                          TGraphicFactory factory);
// The factory of a class name, searched from the most recently registered
// class backwards; null when the name is unknown.
TGraphicFactory FindGraphicClass(const QString& className);

// A picture property: one graphic, or none.
class TPicture {
public:
    TGraphic* Graphic() const { return FGraphic.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // The picture's value in the window data: the length of the class name
    // (one byte), the class name in UTF-8, then the graphic's own data. An
    // unknown class name gives an empty picture; a graphic that fails to read
    // its data raises that error.
    void ReadData(QIODevice& stream);
    void WriteData(QIODevice& stream) const;
    void ReadData(const QByteArray& data);
    QByteArray Data() const;

    std::function<void()> OnChange;

private:
    void Changed() {
        if (OnChange) OnChange();
    }
    std::unique_ptr<TGraphic> FGraphic;
};

} // namespace tallivo
