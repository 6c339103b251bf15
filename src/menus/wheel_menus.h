// The menus the wheel opens while the right button is held.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <oleauto.h>

#include "common/unique_handle.h"
#include "context/gesture_context.h"

namespace cc {

// The favourite folders; `chosenFolder` receives the chosen folder as a VT_ARRAY|VT_UI1
// item list, or VT_BOOL false when none was chosen.
void ShowQuickMoveMenu(const GestureContext& ctx, POINT screen, HWND underPointer, unique_variant& chosenFolder);

// The browser's back and forward history; travels to the chosen entry. True when a menu
// was shown.
bool ShowHistoryMenu(const GestureContext& ctx, POINT screen, HWND underPointer);

}  // namespace cc
