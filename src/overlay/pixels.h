// Drawing into 32-bit pixels with premultiplied alpha, as a layered window takes them:
// blue in the low byte, alpha in the high byte, and no colour channel above alpha. Free
// of the platform; the overlay window owns the memory.
#pragma once

#include <cstdint>

namespace cc {

struct PixelRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};
PixelRect Intersect(const PixelRect& a, const PixelRect& b);
PixelRect Union(const PixelRect& a, const PixelRect& b);  // an empty one counts for nothing
bool Contains(const PixelRect& outer, const PixelRect& inner);

// Rows top-down, `width` pixels used of each row of `stride` (0: the width).
struct PixelBuffer {
    uint32_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    PixelRect bounds() const { return {0, 0, width, height}; }
    int64_t pitch() const { return stride > width ? stride : width; }
    uint32_t* row(int32_t y) const { return bits + static_cast<int64_t>(y) * pitch(); }
};

// `colorref` is a Windows colour value (red in the low byte).
uint32_t PremultipliedPixel(uint32_t colorref, uint32_t alpha);

// A line of `width` pixels with round ends and smoothed edges, whose centre runs through
// the centres of pixels (ax, ay) and (bx, by), in one colour. Where it meets what is
// there, the more opaque pixel stays, so joints of a trail do not darken. Draws only
// inside `clip`; returns the rectangle it may have touched.
PixelRect DrawSmoothLine(PixelBuffer& to, int32_t ax, int32_t ay, int32_t bx, int32_t by, int32_t width,
                         uint32_t colorref, PixelRect clip);

// Copies `rect` of `from` to `to` at (x, y); both must hold their part.
void CopyPixels(const PixelBuffer& from, PixelRect rect, PixelBuffer& to, int32_t x, int32_t y);
void ClearPixels(PixelBuffer& buffer, PixelRect rect);

// Puts all of `top` over `to` at (x, y): premultiplied "over".
void BlendOver(const PixelBuffer& top, PixelBuffer& to, int32_t x, int32_t y);

// Turns `buffer`, holding text drawn by GDI white on black (its grey level is the
// coverage; GDI leaves alpha undefined), into a plate: a rounded rectangle filling the
// buffer, corners of `radius` smoothed, in `fill` (premultiplied), with a one-pixel edge
// in `border` when that is non-zero, and the text over it in `ink` (a colour value).
void ComposePlate(PixelBuffer& buffer, int32_t radius, uint32_t fill, uint32_t border, uint32_t ink);

}  // namespace cc
