#include "dialogs/Numpad.h"

#include "base/FloatText.h"
#include "base/FormatSettings.h"
#include "dialogs/DeliberateAnswer.h"
#include "dialogs/ScanBurst.h"
#include "tiles/AdvMetroTile.h"
#include "toolkit/Platform.h"
#include "toolkit/StdCtrls.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <cmath>

namespace tallivo {

TNumPadBox* NumPadBox = nullptr;

// Watches the keys that reach Edit1 and refuses a scanner's burst ended by
// Enter. Keys from the keyboard are timed by the window system's own stamp,
// which keeps their true pace even when they waited in the queue while the
// user-interface thread was busy (the keypad opening); keys without a stamp
// are timed when they arrive. The keys the tiles inject are never part of a
// burst.
class TNumPadBox::TKeyPace : public QObject {
public:
    explicit TKeyPace(TNumPadBox* box) : QObject(box), FBox(box) { FClock.start(); }
    // A tile is about to inject a key press.
    void TileKeyComing() { ++FTileKeys; }
    // Whether some of the field's content came at a scanner's pace.
    bool ContentScanned() const { return FScanned || FBurst.RunIsBurst(); }
    // The field was emptied: nothing of a scan is left in it.
    void FieldEmptied() {
        FScanned = false;
        FBurst.Reset();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) return KeyPress(*static_cast<QKeyEvent*>(event));
        return QObject::eventFilter(watched, event);
    }

private:
    bool KeyPress(const QKeyEvent& k) {
        if (IsModifierKey(k.key())) return false; // a scanner types capitals with Shift
        const bool stamped = k.timestamp() != 0;
        if (!stamped && FTileKeys > 0) {
            --FTileKeys;
            FScanned = FScanned || FBurst.RunIsBurst();
            FBurst.Reset();
            return false;
        }
        if (stamped != FStamped) {
            FScanned = FScanned || FBurst.RunIsBurst();
            FBurst.Reset();
            FStamped = stamped;
        }
        const uint64_t ms = stamped ? uint64_t(k.timestamp()) : uint64_t(FClock.elapsed());
        if (k.key() == Qt::Key_Return || k.key() == Qt::Key_Enter) {
            if (k.isAutoRepeat()) return true; // a held Enter confirms nothing more
            if (!FBurst.EndsBurst(ms) && !FScanned) return false;
            FBox->RefuseScan();
            return true; // the Enter confirms nothing
        }
        FBox->HideWarnings();
        if (!k.text().isEmpty() && k.text()[0] >= QChar(u' ')) {
            FBurst.Character(ms);
        } else {
            // A scanner that ends its code with Tab (or nothing) leaves the
            // code in the field: "Ok" refuses it.
            FScanned = FScanned || FBurst.RunIsBurst();
            FBurst.Reset();
        }
        return false;
    }

    TNumPadBox* FBox;
    TScanBurst FBurst;
    QElapsedTimer FClock;
    int FTileKeys = 0;
    bool FStamped = false;
    bool FScanned = false; // a burst ended without Enter, still in the field
};

TNumPadBox::TNumPadBox(TComponent* AOwner) : TForm(AOwner) {
    CreateLayout();
    FKeyPace = new TKeyPace(this);
    Edit1->Editor()->installEventFilter(FKeyPace);
    QObject::connect(Edit1->Editor(), &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty()) FKeyPace->FieldEmptied();
        if (text != FUnusualText) QuantityWarning->SetVisible(false);
    });
    DoCreate();
}

// Makes the system believe that virtual key vk was pressed and released: the
// focused control (the edit) receives it as a real keystroke.
void TNumPadBox::TypeKey(std::uint8_t vk) {
    HideWarnings();
    InjectKey(vk);
}

void TNumPadBox::InjectKey(std::uint8_t vk) {
    FKeyPace->TileKeyComing();
    const auto scan = std::uint8_t(MapVirtualKey(vk, MAPVK_VK_TO_VSC));
    keybd_event(vk, scan, 0, 0);
    keybd_event(vk, scan, KEYEVENTF_KEYUP, 0);
}

void TNumPadBox::RefuseScan() {
    Edit1->SetText(QString());
    QuantityWarning->SetVisible(false);
    ScanWarning->SetVisible(true);
    MessageBeep(MB_BEEP_EXCLAMATION);
    if (ScanRefusedHook) ScanRefusedHook();
}

void TNumPadBox::HideWarnings() {
    ScanWarning->SetVisible(false);
    QuantityWarning->SetVisible(false);
}

bool TNumPadBox::OkAccepted() {
    if (FKeyPace->ContentScanned()) {
        RefuseScan();
        return false;
    }
    const QString text = Edit1->Text();
    double quantity = 0;
    // Not a number: the caller's conversion says so.
    if (!TryTextToFloat(text, FormatSettings().DecimalSeparator, quantity) ||
        std::fabs(quantity) <= MaxPlausibleQuantity)
        return true;
    const int64_t now = InputClockMs();
    if (QuantityWarning->Visible() && text == FUnusualText) return now - FUnusualAt >= kDeadTimeMs;
    FUnusualText = text;
    FUnusualAt = now;
    ScanWarning->SetVisible(false);
    QuantityWarning->SetVisible(true);
    MessageBeep(MB_BEEP_EXCLAMATION);
    return false;
}

TNumPadBox::~TNumPadBox() {
    if (NumPadBox == this) NumPadBox = nullptr;
}

void TNumPadBox::FormActivate(TObject*) {
    BringToFront();
    // Caret to the end of the text, without a selection.
    InjectKey(VK_RIGHT);
}

void TNumPadBox::Edit1KeyDown(TObject*, TKey& Key, TShiftState) {
    if (Key == VK_RETURN && OkAccepted()) SetModalResult(mrOk);
}

void TNumPadBox::AdvMetroTile19Click(TObject*) {
    // The tile has already set its modal result: taken back when refused.
    if (!OkAccepted()) SetModalResult(mrNone);
}

void TNumPadBox::Edit1KeyPress(TObject*, QChar& Key) {
    if (Key == u'.' || Key == u',') Key = FormatSettings().DecimalSeparator;
}

void TNumPadBox::AdvMetroTile30Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 7);
}
void TNumPadBox::AdvMetroTile31Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 8);
}
void TNumPadBox::AdvMetroTile32Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 9);
}
void TNumPadBox::AdvMetroTile35Click(TObject*) {
    HideWarnings();
    Edit1->SetText(QString());
}
void TNumPadBox::AdvMetroTile27Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 4);
}
void TNumPadBox::AdvMetroTile28Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 5);
}
void TNumPadBox::AdvMetroTile29Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 6);
}
void TNumPadBox::AdvMetroTile24Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 1);
}
void TNumPadBox::AdvMetroTile25Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 2);
}
void TNumPadBox::AdvMetroTile26Click(TObject*) {
    TypeKey(VK_NUMPAD0 + 3);
}
void TNumPadBox::AdvMetroTile3Click(TObject*) {
    TypeKey(VK_BACK);
}
void TNumPadBox::AdvMetroTile33Click(TObject*) {
    TypeKey(VK_NUMPAD0);
}

void TNumPadBox::AdvMetroTile34Click(TObject*) {
    if (AdvMetroTile34->Tag() <= 0) TypeKey(VK_DECIMAL);
}

void TNumPadBox::AdvMetroTile2Click(TObject*) {
    if (AdvMetroTile2->Tag() <= 0 && Edit1->Text().isEmpty()) TypeKey(VK_SUBTRACT);
}

} // namespace tallivo
