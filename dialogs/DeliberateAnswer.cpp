#include "dialogs/DeliberateAnswer.h"

#include "toolkit/Platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QWidget>

namespace tallivo {

namespace {

std::function<int64_t()>& ClockOverride() {
    static std::function<int64_t()> clock;
    return clock;
}

bool IsPointerInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

} // namespace

int64_t InputClockMs() {
    if (ClockOverride()) return ClockOverride()();
    static QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock.elapsed();
}

void SetInputClock(std::function<int64_t()> clock) {
    ClockOverride() = std::move(clock);
}

TDeliberateAnswer::TDeliberateAnswer(QWidget* dialog) : FDialog(dialog) {
    qApp->installEventFilter(this);
}

TDeliberateAnswer::~TDeliberateAnswer() {
    qApp->removeEventFilter(this);
}

bool TDeliberateAnswer::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == FDialog && type == QEvent::Show) FShownAt = InputClockMs();
    const bool keyInput = type == QEvent::KeyPress || type == QEvent::KeyRelease;
    if (!keyInput && !IsPointerInput(type)) return false;
    if (type == QEvent::KeyPress && KeyPress(watched, event)) return true;
    // The question is modal: any input now is meant for it.
    return FShownAt < 0 || InputClockMs() - FShownAt < kDeadTimeMs;
}

// Follows the pace of the keys; true when the key is an Enter that ends a
// scanner's burst.
bool TDeliberateAnswer::KeyPress(QObject* watched, QEvent* event) {
    // A key is offered to the focused widget, then to its parents: counted
    // once, at the first.
    QWidget* focus = QApplication::focusWidget();
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || (focus ? target != focus : !target->isWindow())) return false;
    const auto& k = *static_cast<QKeyEvent*>(event);
    if (k.text().isEmpty() && k.key() >= Qt::Key_Shift && k.key() <= Qt::Key_ScrollLock)
        return false; // a modifier alone (a scanner types capitals with Shift)
    const bool stamped = k.timestamp() != 0;
    if (stamped != FStamped) {
        FBurst.Reset();
        FStamped = stamped;
    }
    const uint64_t ms = stamped ? uint64_t(k.timestamp()) : uint64_t(InputClockMs());
    if (k.key() == Qt::Key_Return || k.key() == Qt::Key_Enter) {
        if (!FBurst.EndsBurst(ms)) return false;
        MessageBeep(MB_BEEP_EXCLAMATION);
        return true;
    }
    if (!k.text().isEmpty() && k.text()[0] >= QChar(u' '))
        FBurst.Character(ms);
    else
        FBurst.Reset();
    return false;
}

} // namespace tallivo
