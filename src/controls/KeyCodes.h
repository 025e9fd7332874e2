// The key codes and shift masks the windows' key events carry: Windows-style virtual key
// codes, one table for every control that reports keys.
#pragma once

#include <QtCore/qnamespace.h>
#include <cstdint>

namespace pelta {

// Windows-style key code of a Qt key (letters and digits as their upper-case character).
int16_t VirtualKeyCode(int qtKey);
// Shift mask of Qt modifiers: 1 Shift, 2 Ctrl, 4 Alt.
int16_t ShiftMask(Qt::KeyboardModifiers modifiers);

}  // namespace pelta
