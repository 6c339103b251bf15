// Checks inside the fuzz targets: a broken rule aborts, which libFuzzer reports as a
// finding and saves the input that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sanitizer/asan_interface.h>

#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)

namespace cc::fuzz {

// A wide-text output buffer of a given size followed by guard units, so a write past the
// size the callee was given shows even where AddressSanitizer would not see it; the room
// behind the guard is poisoned, so AddressSanitizer stops a write that goes further still.
// On the stack: these are made many times per input, and allocations would dominate.
class GuardedText {
public:
    static constexpr wchar_t kGuard = 0x7E57;
    static constexpr std::size_t kGuardUnits = 16;
    static constexpr std::size_t kMaxUnits = 320;

    explicit GuardedText(std::size_t units) : size_(units) {
        FUZZ_CHECK(units <= kMaxUnits);
        for (std::size_t i = 0; i < size_ + kGuardUnits; ++i) units_[i] = kGuard;
        ASAN_POISON_MEMORY_REGION(units_ + size_ + kGuardUnits, (kMaxUnits - size_) * sizeof(wchar_t));
    }
    ~GuardedText() { ASAN_UNPOISON_MEMORY_REGION(units_, sizeof units_); }
    GuardedText(const GuardedText&) = delete;
    GuardedText& operator=(const GuardedText&) = delete;

    wchar_t* data() { return units_; }
    std::size_t size() const { return size_; }
    const wchar_t* text() const { return units_; }

    bool GuardIntact() const {
        for (std::size_t i = size_; i < size_ + kGuardUnits; ++i) {
            if (units_[i] != kGuard) return false;
        }
        return true;
    }
    bool Untouched() const {
        for (std::size_t i = 0; i < size_ + kGuardUnits; ++i) {
            if (units_[i] != kGuard) return false;
        }
        return true;
    }

private:
    wchar_t units_[kMaxUnits + kGuardUnits];
    std::size_t size_;
};

// What every cutting text writer promises for a buffer of `buffer.size()` units, given the
// text it writes into a roomy buffer (`full`, `fullLength`): nothing beyond the size,
// nothing at all into no room, otherwise the longest prefix that fits, terminated, and
// that prefix's length returned.
inline void CheckCutText(const GuardedText& buffer, std::size_t returned, const wchar_t* full,
                         std::size_t fullLength) {
    FUZZ_CHECK(buffer.GuardIntact());
    if (buffer.size() == 0) {
        FUZZ_CHECK(returned == 0);
        FUZZ_CHECK(buffer.Untouched());
        return;
    }
    const std::size_t expected = fullLength < buffer.size() - 1 ? fullLength : buffer.size() - 1;
    FUZZ_CHECK(returned == expected);
    FUZZ_CHECK(buffer.text()[returned] == L'\0');
    for (std::size_t i = 0; i < returned; ++i) FUZZ_CHECK(buffer.text()[i] == full[i]);
}

}  // namespace cc::fuzz
