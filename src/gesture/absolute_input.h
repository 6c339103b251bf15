// Where the replayed click lands: screen pixels as the 0..65535 coordinates of absolute
// mouse input. OS-free.
#pragma once

#include <cstdint>

namespace cc {

// Windows documents only that 0 and 65535 are the corners of the (virtual) screen. The
// mapping assumed in between is Wine's, from its source: the pixel for n is
// origin + floor(n * extent / 65536).
constexpr int PixelOfAbsoluteInput(int n, int extent) {
    return static_cast<int>(static_cast<int64_t>(n) * extent / 65536);
}

// The smallest n whose pixel is `offset` (from the origin, clamped into 0..extent-1):
// ceil(offset * 65536 / extent), at most 65535 for any extent up to 65536.
constexpr int AbsoluteInputCoordinate(int offset, int extent) {
    if (extent <= 1 || offset <= 0) return 0;
    if (offset >= extent) offset = extent - 1;
    return static_cast<int>((static_cast<int64_t>(offset) * 65536 + extent - 1) / extent);
}

}  // namespace cc
