#pragma once
// A scan into a code field that still holds a code starts a new code. The
// main window's code field keeps its code when the keypad is cancelled (and
// receives one when a line of the grid is tapped); a scanner then types the
// next code after it, and the lookup would get both codes run together
// ("Article inconnu.."). TCodeFieldScan watches the keys that reach the
// field: when an Enter ends a scanner's burst (TScanBurst) and the field
// holds more than the burst's characters, the field is set to those
// characters before the Enter is handled. Keys typed by hand are left alone.
//
// The burst's characters are those typed since the last Enter or editing
// key, or since the last pause of more than kPauseMs between two characters
// (the time it takes to pick up the scanner), so that characters typed by
// hand just before a scan are not taken as part of it.

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include "dialogs/ScanBurst.h"

class QKeyEvent;

namespace tallivo {

class TEdit;

class TCodeFieldScan : public QObject {
public:
    static constexpr uint64_t kPauseMs = 1000;

    // Watches field's keys for as long as the field lives.
    explicit TCodeFieldScan(TEdit* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void KeyPress(const QKeyEvent& key);
    void Reset();

    TEdit* FField;
    TScanBurst FBurst;
    QString FRun;          // the characters since the run began
    uint64_t FLastMs = 0;  // when the run's last character came
    bool FStamped = false; // the run's keys carry the window system's stamps
    QElapsedTimer FClock;  // the time of keys without a stamp
};

} // namespace tallivo
