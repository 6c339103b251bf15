// Follows the pointer between a right press and its release: BeginGesture when the
// press is taken, TrackMove for every WM_MOUSEMOVE of the thread.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include "context/gesture_context.h"

namespace cc {

// Whether Ctrl is down, as this thread sees it (GetKeyState). Read on every move of a
// gesture over its view, and at the press for "Ctrl releases the right button".
bool CtrlHeld();

// Starts tracking a press at `press` (screen coordinates) and arms the gesture timer.
void BeginGesture(const GestureContext& ctx, POINT press);

// Handles one move; 1 = consume it, 0 = pass it on to the window. Allocates nothing
// except the status text the browser interface takes, once per recorded stroke, and the
// overlay's bitmaps when the drawing leaves them.
int TrackMove(const GestureContext& ctx, const MOUSEHOOKSTRUCT& move);

}  // namespace cc
