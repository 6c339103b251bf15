#include <gtest/gtest.h>

#include <vector>

#include "overlay/pixels.h"

namespace cc {
namespace {

struct Canvas {
    std::vector<uint32_t> memory;
    PixelBuffer buffer;
    Canvas(int32_t w, int32_t h) : memory(static_cast<size_t>(w) * h) { buffer = {memory.data(), w, h}; }
    uint32_t At(int32_t x, int32_t y) const { return memory[static_cast<size_t>(y) * buffer.width + x]; }
    // Every colour channel at most the alpha: what a layered window needs.
    bool Premultiplied() const {
        for (uint32_t p : memory) {
            const uint32_t a = p >> 24;
            if (((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a || (p & 0xFF) > a) return false;
        }
        return true;
    }
};

// Across a horizontal line the alphas add up to its width; its centre row is opaque, in
// its colour; the pixels stay premultiplied, also where lines cross and a plate goes over.
TEST(Pixels, SmoothLinesKeepTheirWidthAndStayPremultiplied) {
    constexpr uint32_t kOrange = 0x0040A0FF;  // red 255, green 160, blue 64
    for (int32_t width = 1; width <= 10; ++width) {
        Canvas c(80, 60);
        DrawSmoothLine(c.buffer, 10, 30, 70, 30, width, kOrange, c.buffer.bounds());
        EXPECT_EQ(c.At(40, 30), 0xFFFFA040u) << width;
        double sum = 0;
        for (int32_t y = 0; y < 60; ++y) sum += (c.At(40, y) >> 24) / 255.0;
        EXPECT_NEAR(sum, width, 0.02) << width;
        DrawSmoothLine(c.buffer, 20, 5, 60, 55, width, 0x00FF00FF, c.buffer.bounds());
        EXPECT_TRUE(c.Premultiplied()) << width;
    }
    // Clipped: nothing outside the clip, and the touched rectangle says so.
    Canvas c(50, 50);
    const PixelRect touched = DrawSmoothLine(c.buffer, -20, 25, 80, 25, 5, kOrange, {10, 0, 30, 50});
    EXPECT_EQ(touched.left, 10);
    EXPECT_EQ(touched.right, 30);
    EXPECT_EQ(c.At(9, 25), 0u);
    EXPECT_EQ(c.At(30, 25), 0u);

    // A plate: GDI's text (white on black, alpha left at whatever) over a rounded fill.
    Canvas plate(40, 20);
    plate.memory[20 * 40 / 2 + 20] = 0x00FFFFFF;  // fully covered by text
    plate.memory[20 * 40 / 2 + 21] = 0xAB808080;  // half, alpha undefined
    ComposePlate(plate.buffer, 6, PremultipliedPixel(0x202020, 208), 0, 0xFFFFFF);
    EXPECT_EQ(plate.At(0, 0) >> 24, 0u) << "a rounded corner";
    EXPECT_EQ(plate.At(5, 10), PremultipliedPixel(0x202020, 208));
    EXPECT_EQ(plate.At(20, 10), 0xFFFFFFFFu) << "opaque text";
    EXPECT_GT(plate.At(21, 10) >> 24, 208u);
    BlendOver(plate.buffer, c.buffer, 15, 15);
    EXPECT_TRUE(plate.Premultiplied());
    EXPECT_TRUE(c.Premultiplied());
}

}  // namespace
}  // namespace cc
