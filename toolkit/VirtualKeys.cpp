#include "toolkit/VirtualKeys.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace tallivo {

namespace {

struct KeyPair {
    int Qt;
    TKey Vk;
};

constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},        {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},  {Qt::Key_Enter, VK_RETURN},   {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},      {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},    {Qt::Key_PageUp, VK_PRIOR},   {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},        {Qt::Key_Home, VK_HOME},      {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},          {Qt::Key_Right, VK_RIGHT},    {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Insert, VK_INSERT},  {Qt::Key_Delete, VK_DELETE},
};

} // namespace

TShiftState ShiftStateOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
    TShiftState s;
    if (mods & Qt::ShiftModifier) s |= ssShift;
    if (mods & Qt::AltModifier) s |= ssAlt;
    if (mods & Qt::ControlModifier) s |= ssCtrl;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

TShiftState CurrentShiftState() {
    return ShiftStateOf(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons());
}

TKey VirtualKeyOf(const QKeyEvent& e) {
    const int key = e.key();
    const bool keypad = e.modifiers() & Qt::KeypadModifier;
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return TKey(VK_NUMPAD0 + (key - Qt::Key_0));
        switch (key) {
        case Qt::Key_Period:
        case Qt::Key_Comma: return VK_DECIMAL;
        case Qt::Key_Minus: return VK_SUBTRACT;
        case Qt::Key_Plus: return VK_ADD;
        case Qt::Key_Asterisk: return VK_MULTIPLY;
        case Qt::Key_Slash: return VK_DIVIDE;
        default: break;
        }
    }
    for (const auto& k : kKeys)
        if (k.Qt == key) return k.Vk;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return TKey(VK_F1 + (key - Qt::Key_F1));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return TKey('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return TKey('A' + (key - Qt::Key_A));
    return 0;
}

TQtKeyStroke QtKeyStrokeOf(TKey vk, TShiftState shift) {
    TQtKeyStroke s;
    if (shift.Contains(ssShift)) s.Modifiers |= Qt::ShiftModifier;
    if (shift.Contains(ssCtrl)) s.Modifiers |= Qt::ControlModifier;
    if (shift.Contains(ssAlt)) s.Modifiers |= Qt::AltModifier;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) {
        s.Key = Qt::Key_0 + (vk - VK_NUMPAD0);
        s.Modifiers |= Qt::KeypadModifier;
        s.Text = QString(QChar(u'0' + (vk - VK_NUMPAD0)));
        return s;
    }
    switch (vk) {
    case VK_DECIMAL:
        // The numeric block's decimal key types the keyboard layout's decimal
        // character; the layouts the workstation is used with give ".".
        s.Key = Qt::Key_Period;
        s.Modifiers |= Qt::KeypadModifier;
        s.Text = QStringLiteral(".");
        return s;
    case VK_SUBTRACT:
        s.Key = Qt::Key_Minus;
        s.Modifiers |= Qt::KeypadModifier;
        s.Text = QStringLiteral("-");
        return s;
    case VK_ADD:
        s.Key = Qt::Key_Plus;
        s.Modifiers |= Qt::KeypadModifier;
        s.Text = QStringLiteral("+");
        return s;
    case VK_BACK: s.Key = Qt::Key_Backspace; s.Text = QString(QChar(8)); return s;
    case VK_RETURN: s.Key = Qt::Key_Return; s.Text = QString(QChar(13)); return s;
    case VK_ESCAPE: s.Key = Qt::Key_Escape; s.Text = QString(QChar(27)); return s;
    case VK_TAB: s.Key = Qt::Key_Tab; s.Text = QString(QChar(9)); return s;
    case VK_SPACE: s.Key = Qt::Key_Space; s.Text = QStringLiteral(" "); return s;
    default: break;
    }
    for (const auto& k : kKeys)
        if (k.Vk == vk) {
            s.Key = k.Qt;
            return s;
        }
    if (vk >= VK_F1 && vk <= VK_F12) {
        s.Key = Qt::Key_F1 + (vk - VK_F1);
        return s;
    }
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
        s.Key = vk;
        QChar c(vk);
        s.Text = shift.Contains(ssShift) || vk <= '9' ? QString(c) : QString(c.toLower());
        if (shift.Contains(ssCtrl) || shift.Contains(ssAlt)) s.Text.clear();
    }
    return s;
}

} // namespace tallivo
