// The menus the wheel opens while the right button is held.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <oleauto.h>

#include "context/gesture_context.h"

namespace cc {

// The favourite folders; returns the chosen folder as a VT_ARRAY|VT_UI1 item list, or an
// empty variant. The caller clears it.
VARIANT ShowQuickMoveMenu(const GestureContext& ctx, POINT screen, HWND underPointer);

// The browser's back and forward history; travels to the chosen entry. 1 when a menu
// was shown.
int ShowHistoryMenu(const GestureContext& ctx, POINT screen, HWND underPointer);

}  // namespace cc
