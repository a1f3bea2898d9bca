// Virtual-key codes and characters of Qt key events, as the toolkit's key events carry them.
#pragma once

#include <cstdint>

#include "toolkit/events.h"

class QKeyEvent;
class QWheelEvent;

namespace zavo {

inline constexpr uint16_t VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18,
                          VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34, VK_END = 35, VK_HOME = 36,
                          VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_INSERT = 45, VK_DELETE = 46,
                          VK_F1 = 112, VK_F3 = 114, VK_APPS = 0x5D, VK_ADD = 0x6B, VK_SUBTRACT = 0x6D, VK_OEM_PLUS = 0xBB,
                          VK_OEM_MINUS = 0xBD;

// The virtual-key code of a key event, 0 when it has none.
uint16_t VirtualKeyOf(const QKeyEvent* event);
TShiftState ShiftOf(const QKeyEvent* event);
TShiftState ShiftOf(const QWheelEvent* event);
// The whole notches a wheel event completes, positive away from the user; rest keeps the part of a
// notch turned so far between events.
int WheelNotches(const QWheelEvent* event, int& rest);
// The character a key press produces: Enter 13, Escape 27, Backspace 8, otherwise the first byte of
// its text; 0 when it produces none, also for a control character that only the platform gives
// (Delete's 0x7F on X11).
char CharacterOf(const QKeyEvent* event);

}  // namespace zavo
