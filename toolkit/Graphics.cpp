#include "toolkit/Graphics.h"

#include <QBuffer>
#include <vector>

namespace tallivo {

namespace {
struct Registration {
    QString ClassName;
    QString Extension;
    QString Description;
    TGraphicFactory Factory;
};
std::vector<Registration>& Registry() {
    static std::vector<Registration> registry;
    return registry;
}
} // namespace

void RegisterGraphicClass(const QString& className, const QString& extension, const QString& description,
                          TGraphicFactory factory) {
    Registry().push_back({className, extension, description, std::move(factory)});
}

TGraphicFactory FindGraphicClass(const QString& className) {
    const auto& r = Registry();
    for (auto it = r.rbegin(); it != r.rend(); ++it)
        if (it->ClassName == className) return it->Factory;
    return nullptr;
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    FGraphic = std::move(graphic);
    if (FGraphic) FGraphic->OnChange = [this] { Changed(); };
    Changed();
}

void TPicture::ReadData(QIODevice& stream) {
    char length = 0;
    QString className;
    if (stream.getChar(&length) && length != 0)
        className = QString::fromUtf8(stream.read(static_cast<unsigned char>(length)));
    std::unique_ptr<TGraphic> graphic;
    if (TGraphicFactory factory = className.isEmpty() ? nullptr : FindGraphicClass(className)) {
        graphic = factory();
        graphic->LoadFromStream(stream);
    }
    SetGraphic(std::move(graphic));
}

void TPicture::ReadData(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    ReadData(buffer);
}

void TPicture::WriteData(QIODevice& stream) const {
    if (!FGraphic) {
        stream.putChar(0);
        return;
    }
    const QByteArray name = FGraphic->ClassName().toUtf8().left(255);
    stream.putChar(char(name.size()));
    stream.write(name);
    FGraphic->SaveToStream(stream);
}

QByteArray TPicture::Data() const {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteData(buffer);
    return buffer.data();
}

} // namespace tallivo
