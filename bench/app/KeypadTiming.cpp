// keypad_timing: the keypad in a real window, writing down every key that
// reaches its quantity field, to measure how fast a barcode scanner, a
// person and the keypad's tiles type (keypad_timing.sh drives it with
// xdotool under a virtual display).
//
// One line per key press on standard output:
//   key <session> <text> platform=<ms> arrival=<ms> injected=<0|1>
// platform is the window system's time stamp of the event (0 for keys the
// tiles inject), arrival the monotonic time when the field received it.
// When the keypad refuses its content as a scanner's burst (after Enter or
// "Ok"), the line
//   refused <session>
// follows and the keypad is cancelled. The keypad opens again after each
// Ok or Cancel ("session" counts them).
// F5 blocks the user-interface thread for 400 ms, as a slow opening of the
// keypad would, so that keys typed meanwhile arrive queued.

#include "dialogs/Numpad.h"
#include "toolkit/Forms.h"
#include "toolkit/Platform.h"
#include "toolkit/StdCtrls.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>

using namespace tallivo;

namespace {

class TKeyLog : public QObject {
public:
    TKeyLog(TNumPadBox* pad, int session, const QElapsedTimer& clock)
        : FPad(pad), FSession(session), FClock(clock) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* k = static_cast<QKeyEvent*>(event);
            if (k->key() == Qt::Key_F5) {
                Sleep(400);
                return true;
            }
            QString text = k->text();
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                text = QStringLiteral("Enter");
            } else if (text.isEmpty() || text[0] < QChar(u' '))
                text = QStringLiteral("key%1").arg(k->key());
            std::printf("key %d %s platform=%llu arrival=%.3f injected=%d\n", FSession, qPrintable(text),
                        (unsigned long long)k->timestamp(), FClock.nsecsElapsed() / 1e6, k->timestamp() == 0);
            std::fflush(stdout);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TNumPadBox* FPad;
    int FSession;
    const QElapsedTimer& FClock;
};

} // namespace

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    TApplication app;
    app.SetTitle(QStringLiteral("Tallivo-6"));
    QElapsedTimer clock;
    clock.start();
    for (int session = 1;; ++session) {
        auto* pad = new TNumPadBox(Application);
        pad->SetCaption(QStringLiteral("Quantité"));
        TKeyLog log(pad, session, clock);
        pad->Edit1->Editor()->installEventFilter(&log);
        std::printf("open %d %.3f\n", session, clock.nsecsElapsed() / 1e6);
        std::fflush(stdout);
        // A refusal (after Enter or "Ok") shows the warning and keeps the
        // keypad open: written down, then the keypad is cancelled.
        QTimer refusal;
        QObject::connect(&refusal, &QTimer::timeout, pad, [pad, session] {
            if (!pad->ScanWarning->Visible()) return;
            std::printf("refused %d\n", session);
            std::fflush(stdout);
            pad->SetModalResult(mrCancel);
        });
        refusal.start(10);
        const int result = pad->ShowModal();
        refusal.stop();
        std::printf("close %d result=%d text=%s\n", session, result, qPrintable(pad->Edit1->Text()));
        std::fflush(stdout);
        pad->Edit1->Editor()->removeEventFilter(&log);
        delete pad;
    }
}
