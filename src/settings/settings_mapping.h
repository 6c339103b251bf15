// The settings block in named shared memory, filled from the file "setting" by the
// process that creates it, and saved back on request.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"
#include "settings/settings_block.h"

namespace cc {

inline constexpr wchar_t kSharedSettingsName[] = L"CursorCadence";
inline constexpr wchar_t kSettingsFileName[] = L"setting";
// Named mutex (shared-memory name + this suffix) held while the block is created and
// loaded, so no process sees a half-loaded block.
inline constexpr wchar_t kLoadLockSuffix[] = L".load";
// How long a mapper waits for another process's load before going on without it.
inline constexpr DWORD kLoadLockWaitMs = 2000;

class SettingsMapping {
public:
    // The product uses the defaults; tests name their own memory and folder.
    // `folder` null means ModuleFolder().
    explicit SettingsMapping(const wchar_t* sharedName = kSharedSettingsName, const wchar_t* folder = nullptr);
    ~SettingsMapping() = default;
    SettingsMapping(const SettingsMapping&) = delete;
    SettingsMapping& operator=(const SettingsMapping&) = delete;

    // Creates or opens the shared memory and maps it; the creator loads the file.
    bool MapShared();
    // Fills the block from the file or, when that is unusable, with the defaults.
    // False only when nothing is mapped.
    bool LoadFromFile();
    // Writes the whole block to the file; the old file is replaced only by a complete one,
    // except where no file can be added beside it: there it is written over in place.
    bool SaveToFile();
    // Unmaps the view and closes the shared memory; the file is not written.
    void Unmap();

    bool mapped() const { return static_cast<bool>(view_); }
    const wchar_t* name() const { return name_; }
    // Where "setting" lives; the marker files and the "Links" store live there too.
    const wchar_t* folder() const { return folder_; }
    SettingsView view() const { return SettingsView(view_.get()); }

private:
    bool FilePath(wchar_t (&out)[MAX_PATH]) const;
    bool WriteImage(HANDLE file) const;

    wchar_t name_[64];
    wchar_t folder_[MAX_PATH];
    unique_handle mapping_;
    unique_mapped_view view_;
};

}  // namespace cc
