#include "module/process_filter.h"

#include <windows.h>

#include <cwchar>

#include "module/module.h"

namespace cc {
namespace {

bool MarkerExists(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    return AppendPath(path, ModuleFolder(), name) && ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// Whether the lower-cased path of the host executable contains `exeName` (lower case).
bool HostPathContains(const wchar_t* exeName) {
    wchar_t host[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, host, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    wchar_t lower[MAX_PATH];
    // LCMapStringW is kernel32's case mapping: user32's CharLowerW is not for the loader lock.
    const int mapped = ::LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, host, static_cast<int>(length) + 1, lower,
                                      MAX_PATH);
    return mapped > 0 && std::wcsstr(lower, exeName) != nullptr;
}

}  // namespace

bool HostAllowed() {
    // With the IE marker present the Explorer marker is not looked at.
    if (MarkerExists(kMarkerUnloadOnIe)) return !HostPathContains(L"iexplore.exe");
    if (MarkerExists(kMarkerUnloadOnExplorer)) return !HostPathContains(L"explorer.exe");
    return true;
}

}  // namespace cc
