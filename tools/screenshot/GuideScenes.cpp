// The pictures of the operator's guide (docs/guide-operateur.md, written into
// docs/images/ by scripts/docs-screenshots.sh). Each one is made in a fresh
// counting folder holding the demo catalogue (the catalogue generator's 2000
// articles, the bundled samples/ARTICLE.XML), and every window is opened by
// the workstation's own handlers, as a touch or a scanner would open it, so
// that each text in the pictures is the program's.

#include "ModalShots.h"
#include "Scenes.h"
#include "app/Master.h"
#include "dialogs/Numpad.h"
#include "dialogs/Selectarticle3.h"
#include "dialogs/TouchKeyboard.h"
#include "station/SenderStatus.h"
#include "table/AtomicFile.h"
#include "tools/catgen/Catalogue.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>

using namespace tallivo;
using namespace tallivo::shots;

namespace {

// The three codes the README offers to try, and three more articles of the
// demo catalogue, with the quantities keyed for them.
struct TCount {
    QString Code;
    QString Quantity;
};
std::vector<TCount> DemoCounts() {
    return {{QStringLiteral("3792008224652"), QStringLiteral("12")},
            {QStringLiteral("3800301714166"), QStringLiteral("3")},
            {QStringLiteral("Mo-4"), QStringLiteral("1")},
            {catgen::Article(10).Code, QStringLiteral("24")},
            {catgen::Article(25).Code, QStringLiteral("2,5")},
            {catgen::Article(40).Code, QStringLiteral("6")}};
}

// Shows the main window and lets it load its files (which it does once it
// is on screen).
void Show(TMasterform* form) {
    form->show();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 50) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The main window at its designed size over a new counting folder (with the
// demo catalogue unless told otherwise), shown: its files are loaded.
// prepare, when given, adds to the folder before the window is created.
TMasterform* Workstation(bool catalogue = true, const std::function<void(const QString&)>& prepare = {}) {
    static std::vector<std::unique_ptr<QTemporaryDir>> folders; // kept until the tool ends
    folders.push_back(std::make_unique<QTemporaryDir>());
    const QString dir = folders.back()->path();
    if (catalogue) {
        TClientDataSet art;
        catgen::FillCatalogue(art, 2000);
        art.SaveToFile(dir + QStringLiteral("/ARTICLE.XML"), dfXML);
    }
    if (prepare) prepare(dir);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir);
    auto* form = new TMasterform(nullptr);
    QDir::setCurrent(previous);
    form->SetWindowState(wsNormal);
    form->SetClientSize(1208, 746);
    if (catalogue) Show(form); // without one, showing it asks a question
    return form;
}

// Enter in the code field, through the guard that shows a failure in the
// error box, as a scanner's Enter does.
void EnterCode(TMasterform* form, const QString& code) {
    form->Edit1->SetText(code);
    TKey key = VK_RETURN;
    GuardedCall([&] { form->Edit1KeyDown(form->Edit1, key, {}); });
}

// The keypad; any other window (the scene went wrong) is answered "Annuler".
TNumPadBox* Keypad(QWidget* modal) {
    auto* keypad = dynamic_cast<TNumPadBox*>(modal);
    if (!keypad) AnswerWith(mrCancel)(modal);
    return keypad;
}

// Keys quantity on the keypad and touches "Ok".
std::function<void(QWidget*)> KeyIn(const QString& quantity) {
    return [quantity](QWidget* modal) {
        if (TNumPadBox* keypad = Keypad(modal)) {
            keypad->Edit1->SetText(quantity);
            keypad->SetModalResult(mrOk);
        }
    };
}

void CountDemoLines(TMasterform* form) {
    for (const TCount& c : DemoCounts())
        PictureOfModal([&] { EnterCode(form, c.Code); }, {{nullptr, false, KeyIn(c.Quantity)}});
}

// Runs a handler of the main window and keeps the picture of the modal
// window it opens (answered with answer), then closes the main window.
QWidget* ModalOf(TMasterform* form, const std::function<void()>& handler, std::vector<TModalStep> steps) {
    QWidget* picture = PictureOfModal([&] { GuardedCall(handler); }, std::move(steps));
    delete form;
    return picture;
}

// The selection dialog once it is active: its activation sorts the
// catalogue, which the search typed into it needs.
TSelectarticle3Box* ActiveSearch(QWidget* modal) {
    auto* box = dynamic_cast<TSelectarticle3Box*>(modal);
    QElapsedTimer t;
    t.start();
    while (box && !box->isActiveWindow() && t.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return box;
}

TModalStep Keep(int answer, std::function<void(QWidget*)> prepare = {}) {
    return {std::move(prepare), true, AnswerWith(answer)};
}

} // namespace

TALLIVO_GUIDE_SCENE("principal", "the main window after six articles were counted, ready for the next code") {
    TMasterform* form = Workstation();
    CountDemoLines(form);
    return form;
}

TALLIVO_GUIDE_SCENE("clavier", "the keypad opened by a scanned code, with 2,5 keyed") {
    TMasterform* form = Workstation();
    const auto key = [](QWidget* m) {
        if (TNumPadBox* keypad = Keypad(m)) keypad->Edit1->SetText(QStringLiteral("2,5"));
    };
    return ModalOf(form, [&] { EnterCode(form, QStringLiteral("Mo-4")); }, {Keep(mrCancel, key)});
}

TALLIVO_GUIDE_SCENE("clavier-code-barres", "the keypad after a barcode was scanned into its quantity field") {
    TMasterform* form = Workstation();
    // A scanner's keys: 2 ms apart, stamped by the window system, then Enter.
    const auto scan = [](QWidget* modal) {
        TNumPadBox* keypad = Keypad(modal);
        if (!keypad) return;
        QLineEdit* field = keypad->Edit1->Editor();
        ulong at = 100000;
        for (const QChar c : QStringLiteral("3800301714166")) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_0 + (c.unicode() - u'0'), Qt::NoModifier, QString(c));
            key.setTimestamp(at += 2);
            QCoreApplication::sendEvent(field, &key);
        }
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        enter.setTimestamp(at += 2);
        QCoreApplication::sendEvent(field, &enter);
    };
    return ModalOf(form, [&] { EnterCode(form, QStringLiteral("Mo-4")); }, {Keep(mrCancel, scan)});
}

TALLIVO_GUIDE_SCENE("clavier-quantite-inhabituelle", "the keypad after Ok on 100000: \"Quantité inhabituelle\"") {
    TMasterform* form = Workstation();
    const auto unusual = [](QWidget* modal) {
        if (TNumPadBox* keypad = Keypad(modal)) {
            keypad->Edit1->SetText(QStringLiteral("100000"));
            keypad->AdvMetroTile19Click(keypad->AdvMetroTile19);
        }
    };
    return ModalOf(form, [&] { EnterCode(form, QStringLiteral("Mo-4")); }, {Keep(mrCancel, unusual)});
}

TALLIVO_GUIDE_SCENE("article-inconnu", "a code that the catalogue does not hold") {
    TMasterform* form = Workstation();
    return ModalOf(form, [&] { EnterCode(form, QStringLiteral("1234")); }, {Keep(mrOk)});
}

TALLIVO_GUIDE_SCENE("erreur", "the error box: \"Ok\" on the keypad with no quantity keyed") {
    TMasterform* form = Workstation();
    return ModalOf(form, [&] { EnterCode(form, QStringLiteral("Mo-4")); },
                   {{nullptr, false, AnswerWith(mrOk)}, Keep(mrOk)});
}

TALLIVO_GUIDE_SCENE("recherche", "\"Recherche\": the catalogue sorted by name, the search field empty") {
    TMasterform* form = Workstation();
    return ModalOf(form, [&] { form->AdvMetroTile1Click(form); }, {Keep(mrCancel)});
}

TALLIVO_GUIDE_SCENE("recherche-saisie",
                    "\"Recherche\" after \"cidre\" was typed: the nearest name is current") {
    TMasterform* form = Workstation();
    const auto type = [](QWidget* modal) {
        if (TSelectarticle3Box* box = ActiveSearch(modal)) box->Edit1->SetText(QStringLiteral("cidre"));
    };
    return ModalOf(form, [&] { form->AdvMetroTile1Click(form); }, {Keep(mrCancel, type)});
}

TALLIVO_GUIDE_SCENE("clavier-tactile",
                    "\"Recherche\" with the touch keyboard's accents page, \"P\" typed, \"Â\" next") {
    TMasterform* form = Workstation();
    const auto type = [](QWidget* modal) {
        TSelectarticle3Box* box = ActiveSearch(modal);
        if (!box) return;
        box->Edit1->SetText(QStringLiteral("P"));
        box->Keyboard->AccentsKeyClick(nullptr);
    };
    QWidget* picture = ModalOf(form, [&] { form->AdvMetroTile1Click(form); }, {Keep(mrCancel, type)});
    // The search field and the keyboard: the band under the grid and below.
    if (auto* label = qobject_cast<QLabel*>(picture)) {
        const QPixmap whole = label->pixmap();
        const int height = std::min(whole.height(), 122 + TTouchKeyboard::kFullHeight);
        label->setPixmap(whole.copy(0, whole.height() - height, whole.width(), height));
        label->setFixedSize(whole.width(), height);
    }
    return picture;
}

TALLIVO_GUIDE_SCENE("exporter-clavier",
                    "\"Exporter\": the save dialog and its keyboard, \"Réserve\" typed") {
    TMasterform* form = Workstation();
    // A folder of the same name at every run, with an earlier export in it,
    // so that the picture does not change from one run to the next.
    const QString folder = QDir::tempPath() + QStringLiteral("/Tallivo");
    const QString earlier = folder + QStringLiteral("/inventaire-rayon-1.CSV");
    QDir().mkpath(folder);
    QFile(earlier).open(QIODevice::WriteOnly);
    form->SaveDialog1->InitialDir = folder;
    Application->SetMainForm(form); // the dialog's size follows the main window's
    const auto type = [](QWidget* modal) {
        if (auto* name = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(QStringLiteral("Réserve"));
    };
    QWidget* picture = ModalOf(form, [&] { form->Button2Click(form); }, {Keep(mrCancel, type)});
    QFile::remove(earlier);
    QDir().rmdir(folder);
    return picture;
}

TALLIVO_GUIDE_SCENE("initialiser-1", "\"Initialiser les données\": the first question") {
    TMasterform* form = Workstation();
    CountDemoLines(form);
    return ModalOf(form, [&] { form->AdvMetroTile4Click(form); }, {Keep(mrNo)});
}

TALLIVO_GUIDE_SCENE("initialiser-2", "\"Initialiser les données\": the second question, on pink") {
    TMasterform* form = Workstation();
    CountDemoLines(form);
    return ModalOf(form, [&] { form->AdvMetroTile4Click(form); },
                   {{nullptr, false, AnswerWith(mrYes)}, Keep(mrNo)});
}

TALLIVO_GUIDE_SCENE("quitter", "\"Quitter\": the question") {
    TMasterform* form = Workstation();
    return ModalOf(form, [&] { form->AdvMetroTile25Click(form); }, {Keep(mrNo)});
}

TALLIVO_GUIDE_SCENE("fichier-article-introuvable", "the start in a counting folder without ARTICLE.XML") {
    TMasterform* form = Workstation(false);
    return ModalOf(form, [&] { Show(form); }, {Keep(mrOk)});
}

TALLIVO_GUIDE_SCENE("operation-terminee", "the export written") {
    TMasterform* form = Workstation();
    CountDemoLines(form);
    TSaveDialog::ExecuteHook = [](TSaveDialog& dialog) {
        dialog.FileName = DataDir + QStringLiteral("/inventaire.CSV");
        return true;
    };
    QWidget* picture = ModalOf(form, [&] { form->Button2Click(form); }, {Keep(mrOk)});
    TSaveDialog::ExecuteHook = nullptr;
    return picture;
}

TALLIVO_GUIDE_SCENE("enregistrement-impossible", "the header's warning after a save failed on a full disk") {
    TMasterform* form = Workstation();
    CountDemoLines(form);
    // The disk fills up: the next article counted cannot be saved.
    TAtomicFile::SetHook(
        [](TAtomicFile::TStep step, uint64_t) { return step == TAtomicFile::stWrite ? ENOSPC : 0; });
    PictureOfModal([&] { EnterCode(form, catgen::Article(60).Code); },
                   {{nullptr, false, KeyIn(QStringLiteral("4"))}});
    TAtomicFile::SetHook(nullptr);
    return form;
}

TALLIVO_GUIDE_SCENE("envoi-injoignable",
                    "a station of a stock-take on several stations whose server went away at 10:42") {
    // The state a running sender writes, and the lock it holds while it runs.
    static std::unique_ptr<TSenderLock> sender;
    TMasterform* form = Workstation(true, [](const QString& dir) {
        TSenderStatus status;
        status.State = TSenderStatus::TState::Unreachable;
        status.Pending = 3;
        status.Since = QDateTime(QDate::currentDate(), QTime(10, 42)).toMSecsSinceEpoch();
        WriteSenderStatus(dir, status);
        sender = std::make_unique<TSenderLock>(dir);
    });
    CountDemoLines(form);
    return form;
}
