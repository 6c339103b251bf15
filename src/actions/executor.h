// Runs the action a finished gesture is bound to.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include "context/gesture_context.h"

namespace cc {

// Looks the recorded strokes up in the list for the view and carries the action out on
// the browser window. Called once per finished, not cancelled gesture.
HRESULT RunBoundAction(const GestureContext& ctx);

// The tabbed-folder add-on's tab bar ("CadenceTab" under WorkerW / ReBarWindow32 of the
// browser's window) when it is visible; null otherwise.
HWND FindTabBarWindow(IWebBrowser2* browser);

}  // namespace cc
