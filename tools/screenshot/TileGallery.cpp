// The "tiles" scene: every tile and picture button of the windows, taken
// from the windows themselves (main window header and command band, both
// forms of the message dialog, the keypad), each in its four states: normal,
// under the pointer, pressed, disabled.

#include "Scenes.h"
#include "app/Master.h"
#include "dialogs/MetroMessage1.h"
#include "dialogs/Numpad.h"
#include "tiles/MetroControl.h"

#include <QLabel>
#include <QPainter>
#include <functional>
#include <memory>

using namespace tallivo;

namespace {

enum TGalleryState { gsNormal, gsHover, gsDown, gsDisabled };
constexpr TGalleryState kStates[] = {gsNormal, gsHover, gsDown, gsDisabled};
const char* const kStateNames[] = {"normal", "hover", "down", "disabled"};

// Puts every tile and picture button of the form in the state.
void ApplyState(TForm* form, TGalleryState state) {
    // (findChildren needs Qt's meta-object of the class: cast each widget.)
    for (QWidget* w : form->findChildren<QWidget*>()) {
        auto* c = dynamic_cast<TMetroPushControl*>(w);
        if (!c) continue;
        switch (state) {
        case gsNormal: break;
        case gsHover: c->PreviewPointer(true, false); break;
        case gsDown: c->PreviewPointer(true, true); break;
        case gsDisabled: c->SetEnabled(false); break;
        }
    }
}

// Parts of a freshly built window, one per state.
std::vector<QImage> Shots(const std::function<std::unique_ptr<TForm>()>& build, const QRect& part) {
    std::vector<QImage> shots;
    for (TGalleryState s : kStates) {
        std::unique_ptr<TForm> form = build();
        ApplyState(form.get(), s);
        shots.push_back(form->grab(part.isNull() ? form->rect() : part).toImage());
    }
    return shots;
}

std::unique_ptr<TForm> MainWindow() {
    auto form = std::make_unique<TMasterform>(nullptr);
    form->SetWindowState(wsNormal);
    form->SetClientSize(1208, 746);
    return form;
}

std::unique_ptr<TForm> Message(bool ask) {
    auto form = std::make_unique<TMetroMessage>(nullptr);
    form->SetMessage(ask ? QStringLiteral("Quitter ..") : QStringLiteral("Article inconnu.."), ask, clWhite);
    return form;
}

std::unique_ptr<TForm> Keypad() {
    auto form = std::make_unique<TNumPadBox>(nullptr);
    form->Edit1->SetText(QStringLiteral("12,5"));
    return form;
}

class TSheet {
public:
    explicit TSheet(QSize size) : FImage(size, QImage::Format_RGB32), FPainter((FImage.fill(0x383838), &FImage)) {
        QFont f(QStringLiteral("Open Sans"));
        f.setPixelSize(14);
        FPainter.setFont(f);
        FPainter.setPen(QColor(0xE8, 0xE8, 0xE8));
    }
    void Title(int x, int y, const QString& text) {
        QFont f = FPainter.font();
        f.setBold(true);
        FPainter.save();
        FPainter.setFont(f);
        FPainter.drawText(x, y + 14, text);
        FPainter.restore();
    }
    void Label(int x, int y, const QString& text) { FPainter.drawText(x, y + 14, text); }
    void Put(int x, int y, const QImage& image) { FPainter.drawImage(x, y, image); }
    QImage Done() {
        FPainter.end();
        return FImage;
    }

private:
    QImage FImage;
    QPainter FPainter;
};

} // namespace

TALLIVO_SCENE("tiles", "every tile and picture button of the windows in its four states") {
    const auto header = Shots(MainWindow, QRect(0, 0, 1208, 81));
    const auto band = Shots(MainWindow, QRect(0, 746 - 134, 1000, 134));
    const auto info = Shots([] { return Message(false); }, {});
    const auto ask = Shots([] { return Message(true); }, {});
    const auto keypad = Shots(Keypad, {});

    TSheet sheet(QSize(1300, 40 + 4 * 90 + 40 + 4 * 140 + 40 + 4 * 255 + 40 + 2 * 437));
    int y = 10;
    sheet.Title(10, y, QStringLiteral("Main window: header (scroll buttons, Exporter, Quitter)"));
    y += 30;
    for (int s = 0; s < 4; ++s, y += 90) {
        sheet.Label(10, y + 30, QString::fromLatin1(kStateNames[s]));
        sheet.Put(90, y, header[size_t(s)]);
    }
    sheet.Title(10, y, QStringLiteral("Main window: command band (Recherche, Quantité, Supprimer, Initialiser)"));
    y += 30;
    for (int s = 0; s < 4; ++s, y += 140) {
        sheet.Label(10, y + 50, QString::fromLatin1(kStateNames[s]));
        sheet.Put(90, y, band[size_t(s)]);
    }
    sheet.Title(10, y, QStringLiteral("Message dialog: information (Ok) and question (Oui, Non)"));
    y += 30;
    for (int s = 0; s < 4; ++s, y += 255) {
        sheet.Label(10, y + 100, QString::fromLatin1(kStateNames[s]));
        sheet.Put(90, y, info[size_t(s)]);
        sheet.Put(90 + 483 + 20, y, ask[size_t(s)]);
    }
    sheet.Title(10, y, QStringLiteral("Numeric keypad"));
    y += 30;
    for (int s = 0; s < 4; ++s) {
        const int x = 90 + (s % 2) * (545 + 40), top = y + (s / 2) * 437;
        sheet.Label(x, top - 2, QString::fromLatin1(kStateNames[s]));
        sheet.Put(x, top + 16, keypad[size_t(s)]);
    }
    auto* view = new QLabel;
    view->setPixmap(QPixmap::fromImage(sheet.Done()));
    view->resize(view->pixmap().size());
    return view;
}
