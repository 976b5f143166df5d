#include "dialogs/TouchKeyboard.h"

#include "tiles/AdvMetroTile.h"
#include "toolkit/Platform.h"

#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace tallivo {

namespace {

constexpr int kMargin = 8; // around the keys
constexpr int kGap = 6;    // between two keys
constexpr int kColumns = 12;
constexpr int kRows = 4;
constexpr double kFullPitchX = 82, kFullPitchY = 62;
constexpr int kLeastPitchX = 50;

} // namespace

TTouchKeyboard::TTouchKeyboard(TComponent* AOwner) : TPanel(AOwner) {
    CreateLayout();
    SetBounds(0, 0, kFullWidth, kFullHeight);
}

int TTouchKeyboard::HeightFor(int room) {
    return std::clamp(room, kLeastHeight, kFullHeight);
}

QSize TTouchKeyboard::minimumSizeHint() const {
    return {kColumns * kLeastPitchX + 2 * kMargin - kGap, kLeastHeight};
}

void TTouchKeyboard::SetCapitalsOnly(bool v) {
    FCapitalsOnly = v;
    ShowPage();
}

QChar TTouchKeyboard::CharacterOf(const TKeySlot& slot) const {
    const QString text = QString::fromUtf8(FAccents ? slot.Design->Accented : slot.Design->Plain);
    if (text.isEmpty()) return {};
    return FShifted || FCapitalsOnly ? text[0].toUpper() : text[0];
}

TAdvMetroTile* TTouchKeyboard::KeyOf(QChar c) const {
    for (const TKeySlot& slot : FKeys) {
        if (slot.Design->Action != TAction::Character) continue;
        const QChar typed = CharacterOf(slot);
        if (!typed.isNull() && typed.toLower() == c.toLower()) return slot.Tile;
    }
    return nullptr;
}

void TTouchKeyboard::ShowPage() {
    for (const TKeySlot& slot : FKeys) {
        if (slot.Design->Action == TAction::Character) {
            const QChar c = CharacterOf(slot);
            slot.Tile->SetVisible(!c.isNull());
            slot.Tile->SetCaption(c == u' ' ? QStringLiteral("espace") : QString(c));
        } else {
            QString caption = QString::fromUtf8(FAccents ? slot.Design->Accented : slot.Design->Plain);
            if (slot.Design->Action == TAction::Accents && (FShifted || FCapitalsOnly))
                caption = caption.toUpper();
            slot.Tile->SetCaption(caption);
        }
    }
    ShiftKey->SetEnabled(!FCapitalsOnly);
    ShiftKey->SetDown(FShifted && !FCapitalsOnly);
    AccentsKey->SetDown(FAccents);
}

void TTouchKeyboard::AlignControls(TRect& Rect) {
    TPanel::AlignControls(Rect);
    if (!ClearKey) return; // still being built
    // The keys keep their proportions on the grid: as large as the room
    // allows up to their full size, centred.
    const double pitchX = std::min(kFullPitchX, double(Rect.Width() - 2 * kMargin + kGap) / kColumns);
    const double pitchY = std::min(kFullPitchY, double(Rect.Height() - 2 * kMargin + kGap) / kRows);
    const double left = Rect.Left + (Rect.Width() - (kColumns * pitchX - kGap)) / 2;
    const double top = Rect.Top + (Rect.Height() - (kRows * pitchY - kGap)) / 2;
    const int keyHeight = int(std::lround(pitchY)) - kGap;
    const TFont letters(QStringLiteral("Segoe UI Semibold"), -std::clamp(keyHeight / 2, 14, 29), clBlack);
    const TFont words(QStringLiteral("Segoe UI"), -std::clamp(keyHeight * 3 / 8, 12, 21), clBlack);
    for (const TKeySlot& slot : FKeys) {
        const TKeyDesign& d = *slot.Design;
        const int x = int(std::lround(left + d.Column * pitchX / 4));
        const int right = int(std::lround(left + (d.Column + d.Span) * pitchX / 4)) - kGap;
        const int y = int(std::lround(top + d.Row * pitchY));
        slot.Tile->ApplyGeometry(x, y, right - x, keyHeight);
        const bool word = d.Action != TAction::Character || d.Plain[0] == ' ';
        slot.Tile->Font() = word ? words : letters;
    }
    ClearKey->SetPictureMarginHorz(std::max(0, (ClearKey->Width() - 32) / 2));
}

void TTouchKeyboard::FocusTarget() {
    if (!FTarget || FTarget->hasFocus() || !FTarget->isVisible() || !FTarget->isEnabled()) return;
    FTarget->setFocus(Qt::OtherFocusReason);
}

void TTouchKeyboard::TypeKey(std::uint8_t vk) {
    const auto scan = std::uint8_t(MapVirtualKey(vk, MAPVK_VK_TO_VSC));
    keybd_event(vk, scan, 0, 0);
    keybd_event(vk, scan, KEYEVENTF_KEYUP, 0);
}

void TTouchKeyboard::CharacterKeyClick(TObject* Sender) {
    const auto slot =
        std::find_if(FKeys.begin(), FKeys.end(), [&](const TKeySlot& s) { return s.Tile == Sender; });
    if (slot == FKeys.end()) return;
    const QChar c = CharacterOf(*slot);
    if (c.isNull()) return;
    FocusTarget();
    SendCharacter(c);
    // One accented letter at a time: the plain letters come back after it.
    if (FAccents && std::strcmp(slot->Design->Plain, slot->Design->Accented) != 0) {
        FAccents = false;
        ShowPage();
    }
}

void TTouchKeyboard::EraseKeyClick(TObject*) {
    FocusTarget();
    TypeKey(VK_BACK);
}

void TTouchKeyboard::ClearKeyClick(TObject*) {
    FocusTarget();
    QLineEdit* field = FTarget ? FTarget : qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (field) field->clear();
}

void TTouchKeyboard::ShiftKeyClick(TObject*) {
    FShifted = !FShifted;
    ShowPage();
}

void TTouchKeyboard::AccentsKeyClick(TObject*) {
    FAccents = !FAccents;
    ShowPage();
}

void TTouchKeyboard::EnterKeyClick(TObject*) {
    FocusTarget();
    TypeKey(VK_RETURN);
}

} // namespace tallivo
