// Item lists (the shell's SHITEMID chains) measured without trusting them: each item
// starts with its two-byte size, counting the size field, and two zero bytes end the
// list. Free of the platform, so the shortcut check and the native tests share it.
#pragma once

#include <cstddef>

namespace cc {

// Bytes of the item list at `list`, its terminator included, when the whole list lies
// within `limit` bytes; 0 when an item is shorter than its size field or the walk
// leaves the limit before reaching a terminator.
inline std::size_t ItemListSize(const unsigned char* list, std::size_t limit) {
    std::size_t at = 0;
    while (at <= limit && limit - at >= 2) {
        const std::size_t itemSize = list[at] | (static_cast<std::size_t>(list[at + 1]) << 8);
        if (itemSize == 0) return at + 2;
        if (itemSize < 2) return 0;
        at += itemSize;
    }
    return 0;
}

}  // namespace cc
