#include "settings/settings_mapping.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlwapi.h>

#include <atomic>

#include "module/module.h"
#include "settings/settings_file.h"

namespace cc {
namespace {

std::atomic<ReplaceFileFn> g_replaceFile{&::ReplaceFileW};

std::size_t ReadFromFile(void* file, void* into, std::size_t bytes) {
    DWORD read = 0;
    if (!::ReadFile(static_cast<HANDLE>(file), into, static_cast<DWORD>(bytes), &read, nullptr)) return 0;
    return read;
}

// The thread's last error, never ERROR_SUCCESS: a failure is never taken for success.
DWORD LastFailure() {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

bool WriteExactly(HANDLE file, const void* from, DWORD bytes) {
    DWORD written = 0;
    if (!::WriteFile(file, from, bytes, &written, nullptr)) return false;
    if (written == bytes) return true;
    ::SetLastError(ERROR_WRITE_FAULT);
    return false;
}

// The security of a user's own block and its load lock: owned by the user, open to them
// alone, and labelled low so that their low-integrity browser (Protected Mode) maps it
// too; every reader treats the block as untrusted input anyway. A block beside the DLL
// keeps the default security.
class BlockSecurity {
public:
    explicit BlockSecurity(const wchar_t* userSid) {
        if (!userSid[0]) return;
        wchar_t sddl[64 + 2 * kMaxSidText];
        ::wnsprintfW(sddl, ARRAYSIZE(sddl), L"O:%lsD:P(A;;GA;;;%ls)S:(ML;;NW;;;LW)", userSid, userSid);
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, descriptor_.put(),
                                                                    nullptr)) {
            failed_ = true;
            return;
        }
        attributes_.nLength = sizeof(attributes_);
        attributes_.lpSecurityDescriptor = descriptor_.get();
        attributes_.bInheritHandle = FALSE;
        used_ = true;
    }
    bool failed() const { return failed_; }
    SECURITY_ATTRIBUTES* get() { return used_ ? &attributes_ : nullptr; }

private:
    unique_hlocal<PSECURITY_DESCRIPTOR> descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
    bool used_ = false;
    bool failed_ = false;
};

// Another user of the session can make an object under the user's name first, with a
// descriptor that lets the user in: such a block is not the user's.
bool OwnedBy(HANDLE object, const wchar_t* userSid) {
    unique_hlocal<PSID> expected;
    if (!::ConvertStringSidToSidW(userSid, expected.put())) return false;
    PSID owner = nullptr;
    unique_hlocal<PSECURITY_DESCRIPTOR> descriptor;
    if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                          descriptor.put()) != ERROR_SUCCESS) {
        return false;
    }
    return owner && ::EqualSid(owner, expected.get());
}

// Puts the complete new file in place of "setting". Over an existing file ReplaceFileW
// keeps that file's security and attributes, which a rename would drop.
DWORD PutInPlace(const wchar_t* temp, const wchar_t* path) {
    if (::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
        return ::MoveFileExW(temp, path, MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS : LastFailure();
    }
    if (g_replaceFile.load()(path, temp, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        return ERROR_SUCCESS;
    }
    const DWORD error = LastFailure();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        // The old file may be gone already: the new one goes in its place all the same, so
        // the next start loads these settings rather than the defaults. Still reported.
        ::MoveFileExW(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    return error;
}

}  // namespace

bool SettingsMapping::MapShared() {
    if (view_) return true;
    if (!location_.sharedName[0]) return false;
    BlockSecurity security(location_.userSid);
    if (security.failed()) return false;

    // Creation and loading happen under a named mutex; a wait that runs out goes on
    // without it rather than stall the browser window.
    wchar_t lockName[ARRAYSIZE(location_.sharedName) + ARRAYSIZE(kLoadLockSuffix)];
    ::lstrcpyW(lockName, location_.sharedName);
    ::lstrcatW(lockName, kLoadLockSuffix);
    unique_handle loadLock(::CreateMutexW(security.get(), FALSE, lockName));
    bool locked = false;
    if (loadLock) {
        const DWORD wait = ::WaitForSingleObject(loadLock.get(), kLoadLockWaitMs);
        locked = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }

    mapping_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, security.get(), PAGE_READWRITE, 0,
                                        static_cast<DWORD>(kSettingsBytes), location_.sharedName));
    const DWORD createError = ::GetLastError();
    if (mapping_ && location_.userSid[0] && !OwnedBy(mapping_.get(), location_.userSid)) mapping_.reset();
    if (mapping_) {
        // The length is explicit: a same-named section of another size, which any
        // process of the user could have made, fails here instead of being read past.
        view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, kSettingsBytes));
        if (!view_) {
            mapping_.reset();
        } else if (createError != ERROR_ALREADY_EXISTS) {
            LoadFromFile();
        }
    }
    if (locked) ::ReleaseMutex(loadLock.get());
    return static_cast<bool>(view_);
}

const wchar_t* SettingsMapping::ReadableFolder(DWORD* why) const {
    const DWORD error = CheckSettingsFolder(location_);
    if (why) *why = error;
    return error == ERROR_SUCCESS ? location_.folder : nullptr;
}

const wchar_t* SettingsMapping::WritableFolder(DWORD* why) const {
    DWORD error = CheckSettingsFolder(location_);
    if (error == ERROR_SUCCESS && location_.perUser && !::CreateDirectoryW(location_.folder, nullptr)) {
        error = ::GetLastError();
        // A folder already there is the one wanted; a file by that name is not.
        const DWORD attributes = ::GetFileAttributesW(location_.folder);
        if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            error = ERROR_SUCCESS;
        }
    }
    if (why) *why = error;
    return error == ERROR_SUCCESS ? location_.folder : nullptr;
}

bool SettingsMapping::LoadFromFile() {
    if (!view_) return false;
    wchar_t path[MAX_PATH];
    unique_hfile file;
    const wchar_t* folder = ReadableFolder();
    if (folder && AppendPath(path, folder, kSettingsFileName)) {
        file.reset(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    }
    LoadSettingsImage(view_.get(), static_cast<bool>(file), ReadFromFile, file.get());
    return true;
}

// Writes the block's pieces to file and flushes them; true when every byte went out.
bool SettingsMapping::WriteImage(HANDLE file) const {
    const auto* ints = static_cast<const int32_t*>(view_.get());
    for (const FilePiece& piece : SettingsFilePieces()) {
        if (!WriteExactly(file, ints + piece.firstInt, piece.ints * sizeof(int32_t))) return false;
    }
    return ::FlushFileBuffers(file) != 0;
}

bool SettingsMapping::SaveToFile(DWORD* why) const {
    const DWORD error = Save();
    if (why) *why = error;
    return error == ERROR_SUCCESS;
}

DWORD SettingsMapping::Save() const {
    if (!view_) return ERROR_INVALID_HANDLE;
    DWORD error = ERROR_SUCCESS;
    const wchar_t* folder = WritableFolder(&error);
    if (!folder) return error;
    wchar_t path[MAX_PATH];
    if (!AppendPath(path, folder, kSettingsFileName)) return ERROR_FILENAME_EXCED_RANGE;

    // Written to a temporary file beside it and swapped in only when complete, so a
    // failed or interrupted save never leaves a truncated "setting" behind.
    wchar_t temp[MAX_PATH];
    if (!::GetTempFileNameW(folder, L"set", 0, temp)) {
        error = LastFailure();
        // A folder the user may not add files to, where an administrator opened only the
        // existing "setting" to users, is saved over in place. A write cut short there
        // leaves a file that loads as the defaults.
        unique_hfile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return error;
        return WriteImage(file.get()) && ::SetEndOfFile(file.get()) ? ERROR_SUCCESS : LastFailure();
    }
    {
        unique_hfile file(::CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !WriteImage(file.get())) error = LastFailure();
    }
    if (error == ERROR_SUCCESS) error = PutInPlace(temp, path);
    if (error != ERROR_SUCCESS) ::DeleteFileW(temp);  // gone already when it was moved in after all
    return error;
}

void SettingsMapping::Unmap() {
    view_.reset();
    mapping_.reset();
}

ReplaceFileFn SetReplaceFileForTest(ReplaceFileFn replace) {
    return g_replaceFile.exchange(replace ? replace : &::ReplaceFileW);
}

}  // namespace cc
