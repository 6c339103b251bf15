// The quick-move store: the folder "Links" beside "setting", one shell link per favourite
// folder, named 00.lnk, 01.lnk, ... in list order. The quick-move page writes it; the
// page and the quick-move menu read it. A store that is a link or junction to somewhere
// else is neither read nor written: beside a DLL that several users load, one of them
// could otherwise point everyone's writes at files of their choosing.
#pragma once

#include <windows.h>
#include <shtypes.h>

#include <cstddef>
#include <string>
#include <vector>

#include "common/unique_handle.h"

namespace cc {

inline constexpr std::size_t kMaxQuickMoveFolders = 64;

// The folders' item lists, owned.
class QuickMoveFolders {
public:
    QuickMoveFolders() = default;
    QuickMoveFolders(const QuickMoveFolders&) = delete;
    QuickMoveFolders& operator=(const QuickMoveFolders&) = delete;

    std::size_t count() const { return count_; }
    PCIDLIST_ABSOLUTE at(std::size_t i) const { return i < count_ ? items_[i].get() : nullptr; }
    bool full() const { return count_ >= kMaxQuickMoveFolders; }
    // Takes ownership; false (and the list freed) when full.
    bool Append(PIDLIST_ABSOLUTE pidl);
    // Rearranges: new position i holds old entry order[i]; entries not named are freed.
    void Reorder(const std::size_t* order, std::size_t count);
    void Clear();

private:
    unique_pidl items_[kMaxQuickMoveFolders];
    std::size_t count_ = 0;
};

// The "Links" folder inside `folder`; false when the path does not fit.
bool LinksFolderPath(const wchar_t* folder, wchar_t (&out)[MAX_PATH]);

// The "*.lnk" file names of a "Links" folder, sorted: the names carry the list order,
// whatever order the file system lists them in. None when the folder is a reparse point.
std::vector<std::wstring> QuickMoveLinkNames(const wchar_t* links);

enum class LinkRead { Loaded, Skip, Stop };
// Loads one shortcut and resolves it without asking anyone: Loaded (the target's item
// list in *pidl, the caller's to free), Skip (it does not resolve, has no target, or its
// target's list is damaged or cannot be named) or Stop (no link object, or the file
// cannot be loaded: unreadable, too large or not a well-formed shortcut).
LinkRead ReadQuickMoveLink(const wchar_t* path, PIDLIST_ABSOLUTE* pidl);

// Reads the "*.lnk" shortcuts of the store, in name order, skipping those that do not
// resolve without asking anyone, stopping at 64 or at the first that cannot be loaded.
void ReadQuickMoveStore(const wchar_t* folder, QuickMoveFolders& into);

// Replaces every "*.lnk" of the store with the listed folders (other files stay), without
// following a reparse point: the folder is held open while it is written, existing
// shortcuts are deleted through handles of their own (none is deleted when one is a
// reparse point or has another hard link) and new ones are only ever created, never
// opened. ERROR_SUCCESS, or why the store does not hold the list.
DWORD WriteQuickMoveStore(const wchar_t* folder, const QuickMoveFolders& folders);

// What a reparse point where a store file or folder belongs is reported as.
inline constexpr DWORD kStoreReparsePointError = 4395;  // ERROR_REPARSE_POINT_ENCOUNTERED

}  // namespace cc
