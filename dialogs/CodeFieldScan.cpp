#include "dialogs/CodeFieldScan.h"

#include "toolkit/StdCtrls.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace tallivo {

namespace {

// Keys that type nothing by themselves: the modifiers, and a key the window
// system cannot name (Key_unknown, no text), which comes with some capitals.
bool TypesNothing(int key) {
    return key == Qt::Key_unknown || IsModifierKey(key);
}

} // namespace

TCodeFieldScan::TCodeFieldScan(TEdit* field) : QObject(field), FField(field) {
    FClock.start();
    field->Editor()->installEventFilter(this);
}

bool TCodeFieldScan::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) KeyPress(*static_cast<QKeyEvent*>(event));
    // The field still handles every key itself.
    return QObject::eventFilter(watched, event);
}

void TCodeFieldScan::KeyPress(const QKeyEvent& key) {
    if (TypesNothing(key.key())) return;
    // Keys from the keyboard are timed by the window system's stamp, which
    // keeps their pace even when they waited while the program was busy.
    const bool stamped = key.timestamp() != 0;
    const uint64_t ms = stamped ? uint64_t(key.timestamp()) : uint64_t(FClock.elapsed());
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        if (!FRun.isEmpty() && stamped == FStamped && FBurst.EndsBurst(ms) && FField->Text() != FRun)
            FField->SetText(FRun);
        Reset();
        return;
    }
    const QString text = key.text();
    const bool typesCharacter = text.size() == 1 && text[0] >= QChar(u' ') &&
                                !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (!typesCharacter) {
        Reset(); // an editing key, a shortcut: the field is no longer what was typed
        return;
    }
    if (!FRun.isEmpty() && (stamped != FStamped || ms < FLastMs || ms - FLastMs > kPauseMs)) Reset();
    FStamped = stamped;
    FLastMs = ms;
    FRun += text;
    FBurst.Character(ms);
}

void TCodeFieldScan::Reset() {
    FBurst.Reset();
    FRun.clear();
}

} // namespace tallivo
