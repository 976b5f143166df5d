#pragma once
// Answers made on purpose. A question whose "Oui" destroys counted data
// ("Initialiser les données collectées ?") must not be answered by accident:
//  - by a double tap: the two confirmations put "Oui" at the same spot, so
//    the second tap of a double tap on the first "Oui" would answer the
//    second question. Every tap, click and key is dropped for kDeadTimeMs
//    after the question appears. A double tap's taps come 50 to 500 ms
//    apart (the desktop takes two clicks up to 400 ms apart as a double
//    click); a person who reads the new question and then answers it needs
//    longer than that;
//  - by a barcode scanner's Enter (an operator who goes on scanning after a
//    stray tap): an Enter that ends a scanner's burst (TScanBurst) is
//    dropped, with a beep, whenever it comes.
// The keypad's second "Ok" for an unusual quantity waits as long.
//
// Times come from InputClockMs, which tests may replace.

#include "dialogs/ScanBurst.h"

#include <QObject>
#include <cstdint>
#include <functional>

class QWidget;

namespace tallivo {

constexpr int kDeadTimeMs = 500;

// A monotonic clock in milliseconds, for the dead times.
int64_t InputClockMs();
// Replaces that clock (tests); an empty function restores it.
void SetInputClock(std::function<int64_t()> clock);

// While alive, filters the input of the application for the question shown
// in dialog (modal): the dead time counts from its showing.
class TDeliberateAnswer : public QObject {
public:
    explicit TDeliberateAnswer(QWidget* dialog);
    ~TDeliberateAnswer() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool KeyPress(QObject* watched, QEvent* event);
    QWidget* FDialog;
    int64_t FShownAt = -1; // not shown yet: everything is dropped
    TScanBurst FBurst;
    bool FStamped = false;
};

} // namespace tallivo
