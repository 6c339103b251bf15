// Process-wide facts about this module that many subsystems need. A leaf: it includes
// nothing of the product.
#pragma once

#include <windows.h>

namespace cc {

// The handle of the module this code is linked into (the DLL, or a test program).
HINSTANCE ThisModule();

// Fixes ModuleFolder from the module's file name. Called once at process attach (or by
// a test program's main); kernel32 only, so it is safe under the loader lock.
void RecordModule(HINSTANCE module);

// The folder of the module file without a trailing separator (empty before
// RecordModule). Holds "setting", the marker files and the quick-move store.
const wchar_t* ModuleFolder();

// Appends `name` to `folder` with a separator into `out` (MAX_PATH units). False, with
// `out` empty, when the result would not fit.
bool AppendPath(wchar_t (&out)[MAX_PATH], const wchar_t* folder, const wchar_t* name);

// The module lock count: objects, class-factory locks and anything else that must keep
// the DLL loaded. DllCanUnloadNow answers S_OK only at zero.
void LockModule();
void UnlockModule();
LONG ModuleLockCount();

}  // namespace cc
