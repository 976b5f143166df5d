// The pictures of the operator's guide for the station's features: the
// settings screen, the question for an unknown code, and the header in quick
// mode. Each is made in a fresh counting folder with the demo catalogue and
// the settings file the picture needs, through the workstation's own
// handlers.

#include "ModalShots.h"
#include "Scenes.h"
#include "app/Master.h"
#include "app/StationFeatures.h"
#include "dialogs/Numpad.h"
#include "tools/catgen/Catalogue.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <memory>

using namespace tallivo;
using namespace tallivo::shots;

namespace {

// The main window at its designed size over a new counting folder with the
// demo catalogue and these settings, shown.
TMasterform* Workstation(const QByteArray& settings) {
    static std::vector<std::unique_ptr<QTemporaryDir>> folders; // kept until the tool ends
    folders.push_back(std::make_unique<QTemporaryDir>());
    const QString dir = folders.back()->path();
    TClientDataSet art;
    catgen::FillCatalogue(art, 2000);
    art.SaveToFile(dir + QStringLiteral("/ARTICLE.XML"), dfXML);
    QFile ini(dir + QStringLiteral("/TALLIVO.INI"));
    if (ini.open(QIODevice::WriteOnly)) ini.write("[Comptage]\n" + settings);
    ini.close();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir);
    auto* form = new TMasterform(nullptr);
    QDir::setCurrent(previous);
    form->SetWindowState(wsNormal);
    form->SetClientSize(1208, 746);
    form->show();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 50) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return form;
}

// Enter on code in the code field, as a scanner's Enter; the windows it
// opens are answered with steps.
void Scan(TMasterform* form, const QString& code, std::vector<TModalStep> steps = {}) {
    PictureOfModal(
        [&] {
            form->Edit1->SetText(code);
            TKey key = VK_RETURN;
            GuardedCall([&] { form->Edit1KeyDown(form->Edit1, key, {}); });
        },
        std::move(steps));
}

// A picture of the top of the window (its header band), then the window goes.
QWidget* Header(TMasterform* form) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 150) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    auto* picture = new QLabel;
    picture->setPixmap(form->Panel3->grab());
    picture->resize(picture->pixmap().size());
    delete form;
    return picture;
}

} // namespace

TALLIVO_GUIDE_SCENE("reglages", "\"Réglages du comptage\", opened by a long press on the header") {
    TMasterform* form = Workstation("ModeRapide=oui\nSons=oui\n");
    QWidget* picture = PictureOfModal([&] { GuardedCall([&] { form->Station().EditSettings(); }); },
                                      {{nullptr, true, AnswerWith(mrCancel)}});
    delete form;
    return picture;
}

TALLIVO_GUIDE_SCENE("inconnu-question", "an unknown code scanned while unknown codes may be counted") {
    TMasterform* form = Workstation("InconnusComptes=oui\n");
    QWidget* picture = PictureOfModal(
        [&] {
            form->Edit1->SetText(QStringLiteral("3999999999999"));
            TKey key = VK_RETURN;
            GuardedCall([&] { form->Edit1KeyDown(form->Edit1, key, {}); });
        },
        {{nullptr, true, AnswerWith(mrNo)}});
    delete form;
    return picture;
}

TALLIVO_GUIDE_SCENE("mode-rapide", "the header in quick mode, after a few scans and an unknown code") {
    TMasterform* form = Workstation("ModeRapide=oui\n");
    for (const QString& code : {QStringLiteral("3792008224652"), QStringLiteral("3792008224652"),
                                QStringLiteral("Mo-4"), catgen::Article(10).Code})
        Scan(form, code);
    Scan(form, QStringLiteral("3999999999999"), {{nullptr, false, AnswerWith(mrOk)}});
    return Header(form);
}

TALLIVO_GUIDE_SCENE("zone", "the header while zone Z-A1 is open, with \"Zone terminée\"") {
    TMasterform* form = Workstation("PrefixeZone=Z-\n");
    const auto keyTwo = [](QWidget* modal) {
        if (auto* keypad = dynamic_cast<TNumPadBox*>(modal)) {
            keypad->Edit1->SetText(QStringLiteral("2"));
            keypad->SetModalResult(mrOk);
        }
    };
    Scan(form, QStringLiteral("Z-A1"));
    for (const QString& code : {QStringLiteral("3792008224652"), QStringLiteral("Mo-4")})
        Scan(form, code, {{nullptr, false, keyTwo}});
    return Header(form);
}
