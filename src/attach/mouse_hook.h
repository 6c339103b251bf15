// The thread mouse hook: every mouse message a browser thread retrieves passes here
// before its window sees it.
#pragma once

#include <windows.h>

namespace cc {

// Installs MouseHookProc for the calling thread; null on failure.
HHOOK InstallMouseHook();

LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam);

}  // namespace cc
