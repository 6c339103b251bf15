// Item lists the shell hands back, measured before anything of ours walks or copies
// them: a list read from a damaged shortcut need not end inside its own allocation.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shtypes.h>

#include <cstddef>

#include "common/item_list.h"

namespace cc {

// Far beyond any folder's list; a shortcut cannot even store a longer one.
inline constexpr std::size_t kMaxItemListBytes = 64 * 1024;

// Bytes of `pidl`, terminator included, when it ends inside its block from the shell
// allocator (where such lists live) and within kMaxItemListBytes; 0 otherwise.
inline UINT ShellItemListSize(PCUIDLIST_RELATIVE pidl) {
    if (!pidl) return 0;
    std::size_t limit = kMaxItemListBytes;
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(::CoGetMalloc(1, &allocator)) && allocator) {
        const SIZE_T allocated = allocator->GetSize(const_cast<void*>(static_cast<const void*>(pidl)));
        allocator->Release();
        if (allocated != static_cast<SIZE_T>(-1) && allocated < limit) limit = allocated;
    }
    return static_cast<UINT>(ItemListSize(reinterpret_cast<const unsigned char*>(pidl), limit));
}

}  // namespace cc
