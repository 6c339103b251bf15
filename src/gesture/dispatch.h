// What the mouse hook does with each mouse message of a browser thread: gestures,
// button chords, middle clicks, double-clicks on empty space and the wheel.
#pragma once

#include <windows.h>

#include "context/gesture_context.h"

namespace cc {

// True for the messages DispatchMouse handles; all others pass untouched.
bool IsDispatchedMessage(UINT message);

// Handles one mouse message; `data` is the hook's MOUSEHOOKSTRUCT (a MOUSEHOOKSTRUCTEX
// for WM_MOUSEWHEEL). 1 = consume it, 0 = pass it on.
int DispatchMouse(const GestureContext& ctx, UINT message, const MOUSEHOOKSTRUCT& data);

}  // namespace cc
