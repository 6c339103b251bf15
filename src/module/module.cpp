#include "module/module.h"

// The linker places the image's DOS header here: its address is the module handle of
// whatever image this code ends up in, with no need for DllMain to record it.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace cc {
namespace {
volatile LONG g_moduleLocks = 0;
}

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

void LockModule() { ::InterlockedIncrement(&g_moduleLocks); }
void UnlockModule() { ::InterlockedDecrement(&g_moduleLocks); }
LONG ModuleLockCount() { return ::InterlockedCompareExchange(&g_moduleLocks, 0, 0); }

}  // namespace cc
