// Process-wide facts about this module that many subsystems need. A leaf: it includes
// nothing of the product.
#pragma once

#include <windows.h>

namespace cc {

// The handle of the module this code is linked into (the DLL, or a test program).
HINSTANCE ThisModule();

// The module lock count: objects, class-factory locks and anything else that must keep
// the DLL loaded. DllCanUnloadNow answers S_OK only at zero.
void LockModule();
void UnlockModule();
LONG ModuleLockCount();

}  // namespace cc
