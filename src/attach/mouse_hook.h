// The thread mouse hook: every mouse message a browser thread retrieves passes here
// before its window sees it.
#pragma once

#include <windows.h>

#include "attach/instance_list.h"

namespace cc {

// Installs MouseHookProc and MessageHookProc for the calling thread; a hook that could
// not be installed is null.
ThreadHooks InstallThreadHooks();

LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam);

// A given-back press that comes within the double-click time of the user's own, at the
// same place, is turned into WM_RBUTTONDBLCLK by the system for a view whose class has
// CS_DBLCLKS. This hook, which may change a message before it is dispatched, makes it a
// WM_RBUTTONDOWN again: the view gets what a plain right click gives it.
LRESULT CALLBACK MessageHookProc(int code, WPARAM wParam, LPARAM lParam);

}  // namespace cc
