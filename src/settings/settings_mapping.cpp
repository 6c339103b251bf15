#include "settings/settings_mapping.h"

#include "module/module.h"
#include "settings/settings_file.h"

namespace cc {
namespace {

std::size_t ReadFromFile(void* file, void* into, std::size_t bytes) {
    DWORD read = 0;
    if (!::ReadFile(static_cast<HANDLE>(file), into, static_cast<DWORD>(bytes), &read, nullptr)) return 0;
    return read;
}

bool WriteExactly(HANDLE file, const void* from, DWORD bytes) {
    DWORD written = 0;
    return ::WriteFile(file, from, bytes, &written, nullptr) && written == bytes;
}

}  // namespace

SettingsMapping::SettingsMapping(const wchar_t* sharedName, const wchar_t* folder) {
    ::lstrcpynW(name_, sharedName, ARRAYSIZE(name_));
    ::lstrcpynW(folder_, folder ? folder : ModuleFolder(), ARRAYSIZE(folder_));
}

bool SettingsMapping::FilePath(wchar_t (&out)[MAX_PATH]) const {
    return AppendPath(out, folder_, kSettingsFileName);
}

bool SettingsMapping::MapShared() {
    if (view_) return true;

    // Creation and loading happen under a named mutex; a wait that runs out goes on
    // without it rather than stall the browser window.
    wchar_t lockName[ARRAYSIZE(name_) + ARRAYSIZE(kLoadLockSuffix)];
    ::lstrcpyW(lockName, name_);
    ::lstrcatW(lockName, kLoadLockSuffix);
    unique_handle loadLock(::CreateMutexW(nullptr, FALSE, lockName));
    bool locked = false;
    if (loadLock) {
        const DWORD wait = ::WaitForSingleObject(loadLock.get(), kLoadLockWaitMs);
        locked = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }

    mapping_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(kSettingsBytes), name_));
    const DWORD createError = ::GetLastError();
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

bool SettingsMapping::LoadFromFile() {
    if (!view_) return false;
    wchar_t path[MAX_PATH];
    unique_hfile file;
    if (FilePath(path)) {
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

bool SettingsMapping::SaveToFile() {
    if (!view_) return false;
    wchar_t path[MAX_PATH];
    if (!FilePath(path)) return false;

    // Written to a temporary file beside it and swapped in only when complete, so a
    // failed or interrupted save never leaves a truncated "setting" behind.
    wchar_t temp[MAX_PATH];
    if (!::GetTempFileNameW(folder_, L"set", 0, temp)) {
        // A folder the user may not add files to (an installed copy, where only the
        // existing "setting" is open to users) is saved over in place. A write cut short
        // there leaves a file that loads as the defaults.
        unique_hfile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return file && WriteImage(file.get()) && ::SetEndOfFile(file.get());
    }
    bool complete;
    {
        unique_hfile file(::CreateFileW(temp, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        complete = file && WriteImage(file.get());
    }
    if (complete) complete = ::MoveFileExW(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!complete) ::DeleteFileW(temp);
    return complete;
}

void SettingsMapping::Unmap() {
    view_.reset();
    mapping_.reset();
}

}  // namespace cc
