// The settings block in named shared memory, filled from the file "setting" by the
// process that creates it, and saved back on request.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"
#include "settings/settings_block.h"
#include "settings/settings_location.h"

namespace cc {

inline constexpr wchar_t kSettingsFileName[] = L"setting";
// Named mutex (shared-memory name + this suffix) held while the block is created and
// loaded, so no process sees a half-loaded block.
inline constexpr wchar_t kLoadLockSuffix[] = L".load";
// How long a mapper waits for another process's load before going on without it.
inline constexpr DWORD kLoadLockWaitMs = 2000;

class SettingsMapping {
public:
    // The product's location.
    SettingsMapping() : SettingsMapping(ProductSettingsLocation()) {}
    // Files in `folder`, block `sharedName` (tests name their own).
    SettingsMapping(const wchar_t* sharedName, const wchar_t* folder)
        : SettingsMapping(BesideLocation(sharedName, folder)) {}
    explicit SettingsMapping(const SettingsLocation& location) : location_(location) {}
    ~SettingsMapping() = default;
    SettingsMapping(const SettingsMapping&) = delete;
    SettingsMapping& operator=(const SettingsMapping&) = delete;

    // Creates or opens the shared memory and maps it; the creator loads the file.
    bool MapShared();
    // Fills the block from the file or, when that is unusable or cannot be reached, with
    // the defaults. False only when nothing is mapped.
    bool LoadFromFile();
    // Writes the whole block to the file; the old file is replaced only by a complete one,
    // except where no file can be added beside it: there it is written over in place.
    // False, with the reason in *why, when the file does not hold the block afterwards.
    bool SaveToFile(DWORD* why = nullptr) const;
    // Unmaps the view and closes the shared memory; the file is not written.
    void Unmap();

    bool mapped() const { return static_cast<bool>(view_); }
    const SettingsLocation& location() const { return location_; }
    const wchar_t* name() const { return location_.sharedName; }
    SettingsView view() const { return SettingsView(view_.get()); }
    // The folder of "setting" and "Links" when it can be read now; else null, with the
    // reason in *why.
    const wchar_t* ReadableFolder(DWORD* why = nullptr) const;
    // The same folder, made first when it is the user's own and missing; null, with the
    // reason in *why, when it cannot be written to.
    const wchar_t* WritableFolder(DWORD* why) const;
    // Where the marker files are: beside the DLL.
    const wchar_t* markerFolder() const { return location_.markerFolder; }

private:
    DWORD Save() const;
    bool WriteImage(HANDLE file) const;

    SettingsLocation location_;
    unique_handle mapping_;
    unique_mapped_view view_;
};

// How a complete new "setting" replaces the old one (tests put a failing one in).
using ReplaceFileFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);
ReplaceFileFn SetReplaceFileForTest(ReplaceFileFn replace);

}  // namespace cc
