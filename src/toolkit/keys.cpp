#include "toolkit/keys.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <cstdlib>

namespace zavo {

uint16_t VirtualKeyOf(const QKeyEvent* e) {
    int k = e->key();
    if ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z)) return static_cast<uint16_t>(k);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return static_cast<uint16_t>(VK_F1 + (k - Qt::Key_F1));
    switch (k) {
        case Qt::Key_Backspace: return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter: return VK_RETURN;
        case Qt::Key_Shift: return VK_SHIFT;
        case Qt::Key_Control: return VK_CONTROL;
        case Qt::Key_Alt: return VK_MENU;
        case Qt::Key_Escape: return VK_ESCAPE;
        case Qt::Key_Space: return VK_SPACE;
        case Qt::Key_PageUp: return VK_PRIOR;
        case Qt::Key_PageDown: return VK_NEXT;
        case Qt::Key_End: return VK_END;
        case Qt::Key_Home: return VK_HOME;
        case Qt::Key_Left: return VK_LEFT;
        case Qt::Key_Up: return VK_UP;
        case Qt::Key_Right: return VK_RIGHT;
        case Qt::Key_Down: return VK_DOWN;
        case Qt::Key_Insert: return VK_INSERT;
        case Qt::Key_Delete: return VK_DELETE;
        case Qt::Key_Menu: return VK_APPS;
        // "+" and "-" by the keys that carry them, on the main block or the keypad.
        case Qt::Key_Plus:
        case Qt::Key_Equal: return (e->modifiers() & Qt::KeypadModifier) ? VK_ADD : VK_OEM_PLUS;
        case Qt::Key_Minus: return (e->modifiers() & Qt::KeypadModifier) ? VK_SUBTRACT : VK_OEM_MINUS;
        default: return 0;
    }
}

namespace {
TShiftState ShiftOfModifiers(Qt::KeyboardModifiers m) {
    TShiftState s = 0;
    if (m & Qt::ShiftModifier) s |= ssShift;
    if (m & Qt::AltModifier) s |= ssAlt;
    if (m & Qt::ControlModifier) s |= ssCtrl;
    return s;
}
}  // namespace

TShiftState ShiftOf(const QKeyEvent* e) { return ShiftOfModifiers(e->modifiers()); }
TShiftState ShiftOf(const QWheelEvent* e) { return ShiftOfModifiers(e->modifiers()); }

int WheelNotches(const QWheelEvent* e, int& rest) {
    QPoint angle = e->angleDelta();
    int delta = std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y();
    if (e->inverted()) delta = -delta;
    rest += delta;
    int notches = rest / 120;
    rest -= notches * 120;
    return notches;
}

namespace {

// Control characters are typed by Enter, Escape, Backspace and Tab, and by Ctrl with a key that
// types a printable character (Ctrl+A is 1). The platform gives others to keys that type nothing
// here: X11 gives Delete 0x7F, Clear 0x0B and Linefeed 0x0A.
bool TypesControlCharacter(const QKeyEvent* e) {
    if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) return true;
    return (e->modifiers() & Qt::ControlModifier) && e->key() >= Qt::Key_Space && e->key() <= Qt::Key_AsciiTilde;
}

}  // namespace

char CharacterOf(const QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: return 13;
        case Qt::Key_Escape: return 27;
        case Qt::Key_Backspace: return 8;
        default: break;
    }
    QByteArray text = e->text().toUtf8();
    if (text.isEmpty()) return 0;
    const auto first = static_cast<unsigned char>(text[0]);
    if ((first < 0x20 || first == 0x7F) && !TypesControlCharacter(e)) return 0;
    return text[0];
}

}  // namespace zavo
