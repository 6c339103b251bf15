#include "module/module.h"

// The linker places the image's DOS header here: its address is the module handle of
// whatever image this code ends up in.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace cc {
namespace {
volatile LONG g_moduleLocks = 0;
wchar_t g_moduleFolder[MAX_PATH] = L"";
}  // namespace

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

void RecordModule(HINSTANCE module) {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;  // failed or cut: leave the folder empty
    // Remove the last path element, keeping a root such as "C:\" whole.
    DWORD cut = length;
    while (cut > 0 && path[cut - 1] != L'\\' && path[cut - 1] != L'/') --cut;
    if (cut == 0) return;
    DWORD end = cut - 1;
    if (end > 0 && path[end - 1] == L':') ++end;
    path[end] = L'\0';
    ::lstrcpynW(g_moduleFolder, path, MAX_PATH);
}

const wchar_t* ModuleFolder() { return g_moduleFolder; }

bool AppendPath(wchar_t (&out)[MAX_PATH], const wchar_t* folder, const wchar_t* name) {
    const int folderLength = ::lstrlenW(folder);
    const int nameLength = ::lstrlenW(name);
    const bool separator = folderLength > 0 && folder[folderLength - 1] != L'\\';
    if (folderLength + (separator ? 1 : 0) + nameLength >= MAX_PATH) {
        out[0] = L'\0';
        return false;
    }
    ::lstrcpyW(out, folder);
    if (separator) ::lstrcatW(out, L"\\");
    ::lstrcatW(out, name);
    return true;
}

void LockModule() { ::InterlockedIncrement(&g_moduleLocks); }
void UnlockModule() { ::InterlockedDecrement(&g_moduleLocks); }
LONG ModuleLockCount() { return ::InterlockedCompareExchange(&g_moduleLocks, 0, 0); }

}  // namespace cc
