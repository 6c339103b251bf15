// The DLL's entry points. DllMain records where the DLL lives and applies the host
// filter, nothing more: all real work happens in objects the host creates.
#include <windows.h>

#include "module/class_factory.h"
#include "module/module.h"
#include "module/process_filter.h"
#include "module/registration.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    ::DisableThreadLibraryCalls(instance);
    cc::RecordModule(instance);
    return cc::HostAllowed() ? TRUE : FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return cc::ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    return cc::GetClassObject(clsid, riid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(cc::ThisModule(), path, MAX_PATH);
    if (length == 0) return HRESULT_FROM_WIN32(::GetLastError());
    if (length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    return cc::RegisterServer(path);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return cc::UnregisterServer();
}
