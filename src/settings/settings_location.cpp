#include "settings/settings_location.h"

#include <sddl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <atomic>
#include <new>

#include "common/unique_handle.h"
#include "module/module.h"
#include "settings/marker_files.h"

namespace cc {
namespace {

// The SID of the user this thread runs as, as text.
bool CurrentUserSid(wchar_t (&out)[kMaxSidText]) {
    unique_handle token;
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, token.put()) &&
        !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return false;
    }
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &size)) return false;
    unique_hlocal<wchar_t*> text;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, text.put())) return false;
    if (::lstrlenW(text.get()) >= kMaxSidText) return false;
    ::lstrcpyW(out, text.get());
    return true;
}

bool IsRemoteFolder(const wchar_t* folder) {
    if (::PathIsUNCW(folder)) return true;
    if (!folder[0] || folder[1] != L':') return false;
    const wchar_t root[] = {folder[0], L':', L'\\', L'\0'};
    return ::GetDriveTypeW(root) == DRIVE_REMOTE;
}

DWORD AskFolder(const wchar_t* folder) {
    if (::GetFileAttributesW(folder) != INVALID_FILE_ATTRIBUTES) return ERROR_SUCCESS;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;  // the share answered: not made yet
}

std::atomic<FolderProbeFn> g_probe{&AskFolder};

// Probes that have not answered yet. A share that hangs keeps a pool thread each; beyond
// a few, the folder is taken as offline without asking again.
std::atomic<int> g_probesWaiting{0};
constexpr int kMaxProbesWaiting = 4;

// Shared by the asker and the pool's callback; whoever lets go last frees it.
struct FolderProbe {
    LONG refs = 2;
    unique_handle answered{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    DWORD answer = ERROR_TIMEOUT;
    wchar_t folder[MAX_PATH] = L"";
    HMODULE module = nullptr;  // keeps this code loaded until the callback has returned
};

void ReleaseProbe(FolderProbe* probe) {
    if (::InterlockedDecrement(&probe->refs) == 0) delete probe;
}

VOID CALLBACK RunProbe(PTP_CALLBACK_INSTANCE instance, void* context) {
    auto* probe = static_cast<FolderProbe*>(context);
    probe->answer = g_probe.load()(probe->folder);
    ::SetEvent(probe->answered.get());
    HMODULE module = probe->module;
    ReleaseProbe(probe);
    --g_probesWaiting;
    ::FreeLibraryWhenCallbackReturns(instance, module);
}

DWORD ProbeNetworkFolder(const wchar_t* folder) {
    if (g_probesWaiting.load() >= kMaxProbesWaiting) return ERROR_TIMEOUT;
    auto* probe = new (std::nothrow) FolderProbe;
    if (!probe || !probe->answered) {
        delete probe;
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    ::lstrcpynW(probe->folder, folder, MAX_PATH);
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&RunProbe),
                              &probe->module)) {
        const DWORD error = ::GetLastError();
        delete probe;
        return error;
    }
    ++g_probesWaiting;
    if (!::TrySubmitThreadpoolCallback(&RunProbe, probe, nullptr)) {
        const DWORD error = ::GetLastError();
        --g_probesWaiting;
        ::FreeLibrary(probe->module);
        delete probe;
        return error;
    }
    const bool answered = ::WaitForSingleObject(probe->answered.get(), kNetworkProbeMs) == WAIT_OBJECT_0;
    const DWORD answer = answered ? probe->answer : ERROR_TIMEOUT;
    ReleaseProbe(probe);
    return answer;
}

INIT_ONCE g_productOnce = INIT_ONCE_STATIC_INIT;
SettingsLocation g_product;

BOOL CALLBACK ResolveProduct(INIT_ONCE*, void*, void**) {
    g_product = ResolveSettingsLocation(ModuleFolder());
    return TRUE;
}

}  // namespace

SettingsLocation BesideLocation(const wchar_t* sharedName, const wchar_t* folder) {
    SettingsLocation location;
    ::lstrcpynW(location.sharedName, sharedName, ARRAYSIZE(location.sharedName));
    ::lstrcpynW(location.folder, folder, MAX_PATH);
    ::lstrcpynW(location.markerFolder, folder, MAX_PATH);
    return location;
}

SettingsLocation ResolveSettingsLocation(const wchar_t* dllFolder) {
    wchar_t marker[MAX_PATH];
    if (!AppendPath(marker, dllFolder, kMarkerPerUserSettings) ||
        ::GetFileAttributesW(marker) == INVALID_FILE_ATTRIBUTES) {
        return BesideLocation(kSharedSettingsName, dllFolder);
    }
    SettingsLocation location;
    location.perUser = true;
    ::lstrcpynW(location.markerFolder, dllFolder, MAX_PATH);
    // Without the user's SID there is no block of their own, and no block at all: every
    // user of the session would otherwise share one.
    if (CurrentUserSid(location.userSid)) {
        ::wnsprintfW(location.sharedName, ARRAYSIZE(location.sharedName), L"%ls.%ls", kSharedSettingsName,
                     location.userSid);
    }
    // Not verified: that would reach out to a redirected folder's server.
    unique_cotaskmem_string roaming;
    const HRESULT hr = ::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DONT_VERIFY, nullptr, roaming.put());
    if (FAILED(hr) || !roaming) {
        location.unavailable = HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : ERROR_PATH_NOT_FOUND;
    } else if (!AppendPath(location.folder, roaming.get(), kPerUserFolderName)) {
        location.unavailable = ERROR_FILENAME_EXCED_RANGE;
    } else {
        location.remote = IsRemoteFolder(location.folder);
    }
    return location;
}

const SettingsLocation& ProductSettingsLocation() {
    ::InitOnceExecuteOnce(&g_productOnce, &ResolveProduct, nullptr, nullptr);
    return g_product;
}

DWORD CheckSettingsFolder(const SettingsLocation& location) {
    if (location.unavailable != ERROR_SUCCESS) return location.unavailable;
    if (!location.folder[0]) return ERROR_PATH_NOT_FOUND;
    return location.remote ? ProbeNetworkFolder(location.folder) : ERROR_SUCCESS;
}

FolderProbeFn SetFolderProbeForTest(FolderProbeFn probe) { return g_probe.exchange(probe ? probe : &AskFolder); }

}  // namespace cc
