// What the touch keyboard costs, offscreen:
//  - BM_SearchReopenWithKeyboard: "Recherche" over the demo catalogue (2000
//    articles) opened again, to its grid painted, as the workstation shows
//    it; baseline BM_SearchReopenWithoutKeyboard: the same dialog with its
//    keyboard taken out before it is shown (the designed dialog);
//  - BM_KeyboardTap: a tap on a letter key of "Recherche", to the letter in
//    the search field (which then searches); baseline BM_PhysicalKey: the
//    same letter from a keyboard.

#include "dialogs/Selectarticle3.h"
#include "dialogs/TouchKeyboard.h"
#include "grid/DBGrids.h"
#include "table/ClientDataSet.h"
#include "table/DataSource.h"
#include "tiles/AdvMetroTile.h"
#include "toolkit/StdCtrls.h"
#include "tools/catgen/Catalogue.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <memory>

using namespace tallivo;

namespace {

struct Catalogue {
    TClientDataSet Table;
    TDataSource Source;
    Catalogue() {
        catgen::FillCatalogue(Table, 2000);
        Source.SetDataSet(&Table);
    }
    ~Catalogue() { Source.SetDataSet(nullptr); }
};

// Seconds from creating the dialog to its grid painted in the active
// dialog, shown modally; the dialog is then cancelled.
double OpenUntilPainted(Catalogue& c, bool keyboard) {
    QElapsedTimer clock;
    clock.start();
    auto box = std::make_unique<TSelectarticle3Box>(nullptr, &c.Source);
    if (!keyboard) {
        delete box->Keyboard;
        box->Keyboard = nullptr;
        box->SetClientSize(1049, 606);
    }
    bool painted = false;
    TSelectarticle3Box* b = box.get();
    b->DBGrid1->OnDrawColumnCell = [&painted, b](TObject* s, const TRect& r, int col, TColumn* column,
                                                 TGridDrawState st) {
        painted = true;
        b->DBGrid1DrawColumnCell(s, r, col, column, st);
    };
    double seconds = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (painted && b->Active()) {
            seconds = clock.nsecsElapsed() / 1e9;
            poll.stop();
            b->SetModalResult(mrCancel);
        }
    });
    poll.start(0);
    b->ShowModal();
    return seconds;
}

void Reopen(benchmark::State& state, bool keyboard) {
    Catalogue c;
    OpenUntilPainted(c, keyboard);
    for (auto _ : state) state.SetIterationTime(OpenUntilPainted(c, keyboard));
}

// Seconds from type() to the field's text grown by one character and the
// dialog repainted.
template <class F> double UntilTyped(TEdit* field, F&& type) {
    if (field->Text().size() > 50) field->Clear();
    const qsizetype before = field->Text().size();
    QElapsedTimer clock;
    clock.start();
    type();
    while (field->Text().size() == before) QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents); // the repaint of the search's result
    return clock.nsecsElapsed() / 1e9;
}

void Tap(TAdvMetroTile* tile) {
    const QPointF at = QRectF(tile->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, tile->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      {});
    QMouseEvent release(QEvent::MouseButtonRelease, at, tile->mapToGlobal(at), Qt::LeftButton, {}, {});
    QApplication::sendEvent(tile, &press);
    QApplication::sendEvent(tile, &release);
}

// Shows form and lets it become the active window.
void ShowActive(TForm& form) {
    form.Show();
    form.activateWindow();
    QElapsedTimer t;
    t.start();
    while (!form.Active() && t.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void BM_SearchReopenWithKeyboard(benchmark::State& s) {
    Reopen(s, true);
}
void BM_SearchReopenWithoutKeyboard(benchmark::State& s) {
    Reopen(s, false);
}

// The search dialog shown, its field focused.
struct Search {
    Catalogue C;
    TSelectarticle3Box Box{nullptr, &C.Source};
    Search() { ShowActive(Box); }
};

void BM_KeyboardTap(benchmark::State& state) {
    Search s;
    TAdvMetroTile* key = s.Box.Keyboard->KeyOf(u'a');
    for (auto _ : state) state.SetIterationTime(UntilTyped(s.Box.Edit1, [&] { Tap(key); }));
}

void BM_PhysicalKey(benchmark::State& state) {
    Search s;
    for (auto _ : state) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, {}, QStringLiteral("a"));
        state.SetIterationTime(
            UntilTyped(s.Box.Edit1, [&] { QApplication::sendEvent(s.Box.Edit1->Editor(), &key); }));
    }
}

BENCHMARK(BM_SearchReopenWithKeyboard)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_SearchReopenWithoutKeyboard)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_KeyboardTap)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_PhysicalKey)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

} // namespace
