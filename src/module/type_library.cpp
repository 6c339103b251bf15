#include "module/type_library.h"

#include <wrl/client.h>

#include "common/unique_handle.h"
#include "module/guids.h"
#include "module/module.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

HRESULT LoadModuleTypeLib(const wchar_t* modulePath, ITypeLib** library) {
    return ::LoadTypeLibEx(modulePath, REGKIND_NONE, library);
}

HRESULT ThisModulePath(wchar_t (&path)[MAX_PATH]) {
    const DWORD length = ::GetModuleFileNameW(ThisModule(), path, MAX_PATH);
    if (length == 0) return HRESULT_FROM_WIN32(::GetLastError());
    if (length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    return S_OK;
}

}  // namespace

HRESULT LoadModuleTypeInfo(REFGUID guid, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    wchar_t path[MAX_PATH];
    HRESULT hr = ThisModulePath(path);
    if (FAILED(hr)) return hr;
    ComPtr<ITypeLib> library;
    hr = LoadModuleTypeLib(path, &library);
    if (FAILED(hr)) return hr;
    return library->GetTypeInfoOfGuid(guid, info);
}

HRESULT RegisterModuleTypeLib(const wchar_t* modulePath, const wchar_t* moduleFolder) {
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadModuleTypeLib(modulePath, &library);
    if (FAILED(hr)) return hr;
    return ::RegisterTypeLib(library.Get(), const_cast<wchar_t*>(modulePath), const_cast<wchar_t*>(moduleFolder));
}

HRESULT UnregisterModuleTypeLib() {
#ifdef _WIN64
    constexpr SYSKIND kSysKind = SYS_WIN64;
#else
    constexpr SYSKIND kSysKind = SYS_WIN32;
#endif
    // Not registered is what unregistering wants; platforms disagree on the error they
    // give for it, so look first.
    wchar_t versionKey[80];
    ::wsprintfW(versionKey, L"TypeLib\\%s\\%u.%u", kLibidText, kTypeLibMajor, kTypeLibMinor);
    unique_hkey key;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, versionKey, 0, KEY_READ, key.put()) == ERROR_FILE_NOT_FOUND) return S_OK;
    return ::UnRegisterTypeLib(kLibidCursorCadence, kTypeLibMajor, kTypeLibMinor, LOCALE_NEUTRAL, kSysKind);
}

}  // namespace cc
