#pragma once

#include <Qt>

namespace mv {

// Mouse buttons and shift keys as the controls' events report them.
enum MouseButtonCode : int { MouseLeft = 1, MouseRight = 2, MouseMiddle = 4 };
enum ShiftKeyCode : int { ShiftKey = 1, CtrlKey = 2, AltKey = 4 };

inline int ButtonCode(Qt::MouseButtons buttons)
{
    int code = 0;
    if (buttons & Qt::LeftButton)
        code |= MouseLeft;
    if (buttons & Qt::RightButton)
        code |= MouseRight;
    if (buttons & Qt::MiddleButton)
        code |= MouseMiddle;
    return code;
}

inline int ShiftCode(Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= ShiftKey;
    if (modifiers & Qt::ControlModifier)
        code |= CtrlKey;
    if (modifiers & Qt::AltModifier)
        code |= AltKey;
    return code;
}

} // namespace mv
