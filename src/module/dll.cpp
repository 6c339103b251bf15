// The DLL's entry points. DllMain does nothing beyond what the loader needs: all real
// work happens in objects the host creates.
#include <windows.h>

#include "module/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return cc::ModuleLockCount() == 0 ? S_OK : S_FALSE;
}
