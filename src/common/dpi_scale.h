// Sizes given at 96 DPI (the 100 % scale) scaled to a screen's DPI, free of the platform
// so the native tests check the arithmetic exactly.
#pragma once

#include <cstdint>

namespace cc {

inline constexpr uint32_t kBaseDpi = 96;

// value * dpi / 96 rounded half away from zero, as MulDiv does; a DPI of 0 (unknown)
// leaves the value as it is.
constexpr int32_t ScaleForDpi(int32_t value, uint32_t dpi) {
    if (dpi == 0) return value;
    const int64_t product = static_cast<int64_t>(value) * dpi;
    const int64_t half = kBaseDpi / 2;
    const int64_t scaled = product >= 0 ? (product + half) / kBaseDpi : -((-product + half) / kBaseDpi);
    if (scaled > INT32_MAX) return INT32_MAX;
    if (scaled < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(scaled);
}

}  // namespace cc
