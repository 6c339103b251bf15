// How hard the stress and hostile-input tests push: the test command runs them at scale
// 1; the long run sets CC_STRESS_SCALE to repeat everything many times over.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace cc::test {

inline int StressScale() {
    const char* text = std::getenv("CC_STRESS_SCALE");
    const int scale = text ? std::atoi(text) : 1;
    return scale < 1 ? 1 : (scale > 1000 ? 1000 : scale);
}

// A small, seedable generator, so a failing run can be repeated with its seed.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint64_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    // Uniform enough in [0, n) for test choices.
    uint32_t Below(uint32_t n) { return n ? static_cast<uint32_t>(Next() % n) : 0; }
    int32_t Between(int32_t lo, int32_t hi) { return lo + static_cast<int32_t>(Below(static_cast<uint32_t>(hi - lo + 1))); }
    bool Chance(uint32_t percent) { return Below(100) < percent; }

private:
    uint64_t state_;
};

}  // namespace cc::test
