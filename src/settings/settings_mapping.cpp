#include "settings/settings_mapping.h"

#include <array>

#include "module/module.h"

namespace cc {
namespace {

// The file is the block in five pieces: header, Explorer counts, the 16 Explorer
// entries one by one, browser counts, the 29 browser entries one by one.
struct Piece {
    int firstInt;
    int ints;
};
constexpr int kPieceCount = 1 + 1 + kExplorerActionCount + 1 + kBrowserActionCount;

constexpr std::array<Piece, kPieceCount> MakePieces() {
    std::array<Piece, kPieceCount> pieces{};
    int i = 0;
    pieces[i++] = {0, kHeaderInts};
    pieces[i++] = {kExplorerCountBase, kExplorerActionCount};
    for (int k = 0; k < kExplorerActionCount; ++k) pieces[i++] = {kExplorerEntryBase + k * kMaxStrokes, kMaxStrokes};
    pieces[i++] = {kBrowserCountBase, kBrowserActionCount};
    for (int k = 0; k < kBrowserActionCount; ++k) pieces[i++] = {kBrowserEntryBase + k * kMaxStrokes, kMaxStrokes};
    return pieces;
}
constexpr std::array<Piece, kPieceCount> kPieces = MakePieces();
static_assert(kPieces[kPieceCount - 1].firstInt + kMaxStrokes == kSettingsInts, "pieces cover the block");

bool ReadExactly(HANDLE file, void* into, DWORD bytes) {
    DWORD read = 0;
    return ::ReadFile(file, into, bytes, &read, nullptr) && read == bytes;
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
    auto* ints = static_cast<int32_t*>(view_.get());
    wchar_t path[MAX_PATH];
    unique_hfile file;
    if (FilePath(path)) {
        file.reset(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    }
    bool complete = static_cast<bool>(file);
    for (int i = 0; complete && i < kPieceCount; ++i) {
        const Piece& piece = kPieces[i];
        complete = ReadExactly(file.get(), ints + piece.firstInt, piece.ints * sizeof(int32_t));
        if (complete && i == 0) complete = ints[0] == kLayoutVersion;
    }
    // Whatever was read stays only in the stroke slots the defaults do not touch.
    if (!complete) ApplyDefaults(view());
    return true;
}

bool SettingsMapping::SaveToFile() {
    if (!view_) return false;
    wchar_t path[MAX_PATH];
    if (!FilePath(path)) return false;

    // Written to a temporary file beside it and swapped in only when complete, so a
    // failed or interrupted save never leaves a truncated "setting" behind.
    wchar_t temp[MAX_PATH];
    if (!::GetTempFileNameW(folder_, L"set", 0, temp)) return false;
    bool complete;
    {
        unique_hfile file(::CreateFileW(temp, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        complete = static_cast<bool>(file);
        const auto* ints = static_cast<const int32_t*>(view_.get());
        for (int i = 0; complete && i < kPieceCount; ++i) {
            complete = WriteExactly(file.get(), ints + kPieces[i].firstInt, kPieces[i].ints * sizeof(int32_t));
        }
        complete = complete && ::FlushFileBuffers(file.get());
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
