#include "app/LongPress.h"

#include "toolkit/Controls.h"

#include <QMouseEvent>
#include <QWidget>

namespace tallivo {

namespace {
// A finger rolls a little while it holds; more than this is a swipe.
constexpr int kStillDistance = 24;
} // namespace

TLongPress::TLongPress(QObject* parent, int ms, std::function<void()> action)
    : QObject(parent), FAction(std::move(action)) {
    FTimer.setSingleShot(true);
    FTimer.setInterval(ms);
    connect(&FTimer, &QTimer::timeout, this, [this] { GuardedCall(FAction); });
}

void TLongPress::Watch(QWidget* widget) {
    widget->installEventFilter(this);
}

bool TLongPress::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            FPressedAt = mouse->globalPosition().toPoint();
            FTimer.start();
        }
        break;
    }
    case QEvent::MouseMove:
        if (FTimer.isActive() &&
            (static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - FPressedAt).manhattanLength() >
                kStillDistance)
            FTimer.stop();
        break;
    case QEvent::MouseButtonRelease:
    case QEvent::Hide:
        FTimer.stop();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tallivo
