// Custom actions of the Windows Installer package. The package installs each DLL into a
// folder only administrators can change: Explorer loads the DLL into every user's
// session, and COM resolves the DLL's own imports from its folder first, so a folder
// anyone could add files to would let one user plant code in everyone's Explorer. The
// settings are kept beside the DLL, so the two things users write there are made here
// and opened to them alone: the file "setting" and the quick-move folder "Links".
//
// The deferred actions run as the system and get, in CustomActionData, the product folder
// and then the DLL folders, separated by ';'.
#include <windows.h>
#include <aclapi.h>
#include <msi.h>
#include <msiquery.h>

#include "common/unique_handle.h"
#include "settings/marker_files.h"

namespace {

constexpr wchar_t kSettingName[] = L"setting";
constexpr wchar_t kLinksName[] = L"Links";

// "folder\name" into out; false when it would not fit.
bool Join(wchar_t (&out)[MAX_PATH], const wchar_t* folder, const wchar_t* name) {
    const int folderLength = ::lstrlenW(folder);
    const bool slash = folderLength > 0 && folder[folderLength - 1] != L'\\';
    if (folderLength + (slash ? 1 : 0) + ::lstrlenW(name) >= MAX_PATH) return false;
    ::lstrcpyW(out, folder);
    if (slash) ::lstrcatW(out, L"\\");
    ::lstrcatW(out, name);
    return true;
}

constexpr wchar_t kUpgradeNoteName[] = L"upgrading";

// The product folder and the DLL folders of a deferred action's data.
class ActionFolders {
public:
    explicit ActionFolders(MSIHANDLE install) {
        DWORD length = ARRAYSIZE(data_);
        if (::MsiGetPropertyW(install, L"CustomActionData", data_, &length) != ERROR_SUCCESS) data_[0] = L'\0';
        for (wchar_t* next = data_; *next && count_ < kMaxFolders;) {
            folders_[count_++] = next;
            while (*next && *next != L';') ++next;
            if (*next) *next++ = L'\0';
        }
    }
    // False when the data names no DLL folder.
    bool valid() const { return count_ >= 2 && *folders_[0]; }
    const wchar_t* product() const { return folders_[0]; }
    // Calls visit(folder) for each DLL folder; true when every call was.
    template <typename Visit>
    bool ForEachDllFolder(Visit visit) const {
        bool all = true;
        for (int i = 1; i < count_; ++i) all = visit(folders_[i]) && all;
        return all;
    }

private:
    static constexpr int kMaxFolders = 3;
    wchar_t data_[kMaxFolders * MAX_PATH + kMaxFolders];
    wchar_t* folders_[kMaxFolders] = {};
    int count_ = 0;
};

// Adds an ACE for the local Users group to path's DACL, keeping every ACE it has.
bool GrantUsers(const wchar_t* path, DWORD access, DWORD inheritance) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof(sid);
    if (!::CreateWellKnownSid(WinBuiltinUsersSid, nullptr, sid, &sidSize)) return false;
    PACL current = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &current, nullptr,
                                &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    EXPLICIT_ACCESSW entry = {};
    entry.grfAccessPermissions = access;
    entry.grfAccessMode = GRANT_ACCESS;
    entry.grfInheritance = inheritance;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    entry.Trustee.ptstrName = reinterpret_cast<LPWSTR>(sid);
    PACL updated = nullptr;
    bool granted = ::SetEntriesInAclW(1, &entry, current, &updated) == ERROR_SUCCESS;
    granted = granted && ::SetNamedSecurityInfoW(const_cast<wchar_t*>(path), SE_FILE_OBJECT,
                                                 DACL_SECURITY_INFORMATION, nullptr, nullptr, updated,
                                                 nullptr) == ERROR_SUCCESS;
    ::LocalFree(updated);
    ::LocalFree(descriptor);
    return granted;
}

bool PrepareFolder(const wchar_t* folder) {
    wchar_t setting[MAX_PATH], links[MAX_PATH];
    if (!Join(setting, folder, kSettingName) || !Join(links, folder, kLinksName)) return false;
    // An empty "setting" reads as "use the defaults"; one kept from an earlier install
    // (an upgrade) is left as it is.
    cc::unique_hfile file(::CreateFileW(setting, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && ::GetLastError() != ERROR_FILE_EXISTS) return false;
    file.reset();
    if (!::CreateDirectoryW(links, nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    return GrantUsers(setting, FILE_GENERIC_READ | FILE_GENERIC_WRITE, NO_INHERITANCE) &&
           GrantUsers(links, FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE | FILE_DELETE_CHILD,
                      SUB_CONTAINERS_AND_OBJECTS_INHERIT);
}

// Deletes the files of folder that match pattern (a name, or a "*" pattern).
void DeleteMatching(const wchar_t* folder, const wchar_t* pattern) {
    wchar_t path[MAX_PATH];
    if (!Join(path, folder, pattern)) return;
    WIN32_FIND_DATAW found;
    cc::unique_hfind find(::FindFirstFileW(path, &found));
    if (!find) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (Join(path, folder, found.cFileName)) ::DeleteFileW(path);
    } while (::FindNextFileW(find.get(), &found));
}

// Removes what the DLL writes beside itself: the settings, a save's leftover temporary
// file, the markers and the quick-move shortcuts. Anything else a user put there stays,
// and so does the folder that holds it.
bool RemoveFolderFiles(const wchar_t* folder) {
    DeleteMatching(folder, kSettingName);
    DeleteMatching(folder, L"set*.tmp");
    DeleteMatching(folder, cc::kMarkerUnloadOnIe);
    DeleteMatching(folder, cc::kMarkerUnloadOnExplorer);
    wchar_t links[MAX_PATH];
    if (!Join(links, folder, kLinksName)) return false;
    DeleteMatching(links, L"*.lnk");
    ::RemoveDirectoryW(links);
    return true;
}

bool UpgradeNoted(const wchar_t* product) {
    wchar_t note[MAX_PATH];
    return Join(note, product, kUpgradeNoteName) && ::GetFileAttributesW(note) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

// Immediate, before the older version is removed: notes the upgrade in the product folder
// for a removal that is not told it is part of one (Windows tells it with
// UPGRADINGPRODUCTCODE; Wine's does not). Failing to write the note changes nothing else.
extern "C" UINT __stdcall NoteUpgrade(MSIHANDLE install) {
    wchar_t product[MAX_PATH], note[MAX_PATH];
    DWORD length = ARRAYSIZE(product);
    if (::MsiGetPropertyW(install, L"PRODUCTDIR", product, &length) != ERROR_SUCCESS ||
        !Join(note, product, kUpgradeNoteName)) {
        return ERROR_SUCCESS;
    }
    cc::unique_hfile file(::CreateFileW(note, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return ERROR_SUCCESS;
}

extern "C" UINT __stdcall PrepareUserFiles(MSIHANDLE install) {
    const ActionFolders folders(install);
    if (!folders.valid() || !folders.ForEachDllFolder(PrepareFolder)) return ERROR_INSTALL_FAILURE;
    wchar_t note[MAX_PATH];
    if (Join(note, folders.product(), kUpgradeNoteName)) ::DeleteFileW(note);
    return ERROR_SUCCESS;
}

extern "C" UINT __stdcall RemoveUserFiles(MSIHANDLE install) {
    const ActionFolders folders(install);
    if (!folders.valid() || UpgradeNoted(folders.product())) return ERROR_SUCCESS;
    folders.ForEachDllFolder(RemoveFolderFiles);
    return ERROR_SUCCESS;
}
