// Item lists the shell hands back, measured before anything of ours walks or copies
// them: a list read from a damaged shortcut need not end inside its own allocation.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shtypes.h>

#include <cstddef>
#include <cstring>

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

// Fills `out` with a VT_ARRAY|VT_UI1 copy of the list, as the browser's Navigate2 takes
// one (the caller clears it); false with `out` empty for a null list, a list that does
// not end inside its allocation by the shell allocator, or when no array could be made.
inline bool PidlToVariant(VARIANT* out, PCIDLIST_ABSOLUTE pidl) {
    if (!out || !pidl) return false;
    ::VariantInit(out);
    const UINT size = ShellItemListSize(pidl);
    if (size == 0) return false;
    SAFEARRAY* bytes = ::SafeArrayCreateVector(VT_UI1, 0, size);
    if (!bytes) return false;
    // The variant owns the array from here, so every way out frees it.
    out->vt = VT_ARRAY | VT_UI1;
    out->parray = bytes;
    void* data = nullptr;
    if (FAILED(::SafeArrayAccessData(bytes, &data))) {
        ::SafeArrayDestroy(bytes);
        ::VariantInit(out);
        return false;
    }
    std::memcpy(data, pidl, size);
    ::SafeArrayUnaccessData(bytes);
    return true;
}

}  // namespace cc
