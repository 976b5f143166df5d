#pragma once
// Services of the platform the windows call directly: waiting, the beep,
// key injection, the pointer position and the single-instance test.

#include "toolkit/Types.h"

#include <QString>
#include <cstdint>

namespace tallivo {

class TControl;

// Blocks the user-interface thread for ms milliseconds.
void Sleep(int ms);

enum : unsigned { MB_BEEP_OK = 0x0, MB_BEEP_EXCLAMATION = 0x30 };
void MessageBeep(unsigned type);

enum : unsigned { MAPVK_VK_TO_VSC = 0, KEYEVENTF_KEYUP = 0x2 };
// The keyboard scan code of a virtual key (map type 0), as a PC keyboard gives it.
unsigned MapVirtualKey(unsigned code, unsigned mapType);
// Injects a key press (flags 0) or release (KEYEVENTF_KEYUP) of virtual key
// vk into the input stream: it reaches the focused control as a real
// keystroke, after the current event has been handled.
void keybd_event(std::uint8_t vk, std::uint8_t scan, unsigned flags, std::uintptr_t extraInfo);
// Injects the press and release of a key that types character c, whatever
// the keyboard layout (an accented capital has no key of its own): the
// focused control receives it as a real keystroke, after the current event.
void SendCharacter(QChar c);

// The pointer position in screen coordinates.
TPoint GetCursorPos();
// The control of this application under a screen point, or null.
TControl* FindControlAtPos(TPoint screenPos);

// Makes Qt's own texts (the buttons and labels of the file dialog) French,
// like the windows: false when the Qt translations are not installed, and
// Qt's English texts stay.
bool InstallFrenchQtTexts();

// The single-instance test: true when no other process of this user holds
// the instance named title. The first caller keeps holding it until exit.
bool AcquireSingleInstance(const QString& title);
// Where the instance lock lives (the user's runtime folder).
QString SingleInstanceLockPath(const QString& title);

} // namespace tallivo
