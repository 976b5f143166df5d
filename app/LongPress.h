#pragma once
// A long press: a finger (or the left button) held still on one of the
// watched widgets for a while runs an action. Nothing a passing tap, a swipe
// or a scanner can do, so it opens what should not open by accident.

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <functional>

class QWidget;

namespace tallivo {

class TLongPress : public QObject {
public:
    TLongPress(QObject* parent, int ms, std::function<void()> action);
    void Watch(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTimer FTimer;
    QPoint FPressedAt;
    std::function<void()> FAction;
};

} // namespace tallivo
