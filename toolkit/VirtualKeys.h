#pragma once
// Virtual key codes and the few window messages the windows send to their
// controls, with the conversions from and to Qt key events.

#include "toolkit/Types.h"

#include <QString>
#include <qnamespace.h>
#include <cstdint>

class QKeyEvent;

namespace tallivo {

using TKey = std::uint16_t;

enum : TKey {
    VK_BACK = 8,
    VK_TAB = 9,
    VK_RETURN = 13,
    VK_SHIFT = 16,
    VK_CONTROL = 17,
    VK_MENU = 18,
    VK_ESCAPE = 27,
    VK_SPACE = 32,
    VK_PRIOR = 33,
    VK_NEXT = 34,
    VK_END = 35,
    VK_HOME = 36,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
    VK_INSERT = 45,
    VK_DELETE = 46,
    VK_NUMPAD0 = 96,
    VK_NUMPAD9 = 105,
    VK_MULTIPLY = 106,
    VK_ADD = 107,
    VK_SUBTRACT = 109,
    VK_DECIMAL = 110,
    VK_DIVIDE = 111,
    VK_F1 = 112,
    VK_F2 = 113,
    VK_F12 = 123,
};

// Window messages handled by Perform.
enum : unsigned {
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_HSCROLL = 0x0114,
    WM_VSCROLL = 0x0115,
};

// Scroll codes of WM_HSCROLL / WM_VSCROLL.
enum : unsigned {
    SB_LINEUP = 0,
    SB_LINELEFT = 0,
    SB_LINEDOWN = 1,
    SB_LINERIGHT = 1,
    SB_PAGEUP = 2,
    SB_PAGELEFT = 2,
    SB_PAGEDOWN = 3,
    SB_PAGERIGHT = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_LEFT = 6,
    SB_BOTTOM = 7,
    SB_RIGHT = 7,
    SB_ENDSCROLL = 8,
};

// The virtual key of a Qt key event (0 when it has none).
TKey VirtualKeyOf(const QKeyEvent& e);
// The keyboard and mouse-button state of a Qt event's modifiers.
TShiftState ShiftStateOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons = Qt::NoButton);
// The keyboard state at this moment.
TShiftState CurrentShiftState();

// What pressing virtual key vk makes Qt deliver: key, modifiers and text.
struct TQtKeyStroke {
    int Key = 0;
    Qt::KeyboardModifiers Modifiers;
    QString Text;
};
TQtKeyStroke QtKeyStrokeOf(TKey vk, TShiftState shift = {});

} // namespace tallivo
