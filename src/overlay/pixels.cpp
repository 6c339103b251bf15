#include "overlay/pixels.h"

#include <algorithm>
#include <cmath>

namespace cc {
namespace {

uint32_t Channel(uint32_t value, uint32_t alpha) { return (value * alpha + 127) / 255; }

uint32_t AlphaOf(uint32_t pixel) { return pixel >> 24; }

// Coverage of a pixel whose centre lies `distance` from a shape's edge line (inside
// negative): one pixel of smoothing across the edge.
float Coverage(float halfWidth, float distance) { return std::clamp(halfWidth + 0.5f - distance, 0.0f, 1.0f); }

}  // namespace

PixelRect Intersect(const PixelRect& a, const PixelRect& b) {
    PixelRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    return r.empty() ? PixelRect{} : r;
}

PixelRect Union(const PixelRect& a, const PixelRect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

bool Contains(const PixelRect& outer, const PixelRect& inner) {
    return inner.empty() || (inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
                             inner.bottom <= outer.bottom);
}

uint32_t PremultipliedPixel(uint32_t colorref, uint32_t alpha) {
    alpha = std::min<uint32_t>(alpha, 255);
    const uint32_t r = colorref & 0xFF, g = (colorref >> 8) & 0xFF, b = (colorref >> 16) & 0xFF;
    return (alpha << 24) | (Channel(r, alpha) << 16) | (Channel(g, alpha) << 8) | Channel(b, alpha);
}

PixelRect DrawSmoothLine(PixelBuffer& to, int32_t ax, int32_t ay, int32_t bx, int32_t by, int32_t width,
                         uint32_t colorref, PixelRect clip) {
    if (!to.bits || width <= 0) return {};
    const float half = static_cast<float>(width) / 2.0f;
    const int32_t reach = static_cast<int32_t>(std::ceil(half)) + 1;
    const PixelRect box{std::min(ax, bx) - reach, std::min(ay, by) - reach, std::max(ax, bx) + reach + 1,
                        std::max(ay, by) + reach + 1};
    const PixelRect area = Intersect(Intersect(box, clip), to.bounds());
    if (area.empty()) return {};
    const float dx = static_cast<float>(bx - ax), dy = static_cast<float>(by - ay);
    const float lengthSquared = dx * dx + dy * dy;
    for (int32_t y = area.top; y < area.bottom; ++y) {
        uint32_t* row = to.row(y);
        for (int32_t x = area.left; x < area.right; ++x) {
            const float px = static_cast<float>(x - ax), py = static_cast<float>(y - ay);
            float t = lengthSquared > 0.0f ? (px * dx + py * dy) / lengthSquared : 0.0f;
            t = std::clamp(t, 0.0f, 1.0f);
            const float ex = px - t * dx, ey = py - t * dy;
            const float cover = Coverage(half, std::sqrt(ex * ex + ey * ey));
            if (cover <= 0.0f) continue;
            const uint32_t alpha = static_cast<uint32_t>(cover * 255.0f + 0.5f);
            if (alpha > AlphaOf(row[x])) row[x] = PremultipliedPixel(colorref, alpha);
        }
    }
    return area;
}

void CopyPixels(const PixelBuffer& from, PixelRect rect, PixelBuffer& to, int32_t x, int32_t y) {
    rect = Intersect(rect, from.bounds());
    const PixelRect target = Intersect({x, y, x + rect.width(), y + rect.height()}, to.bounds());
    if (rect.empty() || target.empty()) return;
    rect.left += target.left - x;
    rect.top += target.top - y;
    for (int32_t row = 0; row < target.height(); ++row) {
        const uint32_t* source = from.row(rect.top + row) + rect.left;
        std::copy(source, source + target.width(), to.row(target.top + row) + target.left);
    }
}

void ClearPixels(PixelBuffer& buffer, PixelRect rect) {
    rect = Intersect(rect, buffer.bounds());
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        uint32_t* row = buffer.row(y);
        std::fill(row + rect.left, row + rect.right, 0u);
    }
}

void BlendOver(const PixelBuffer& top, PixelBuffer& to, int32_t x, int32_t y) {
    const PixelRect target = Intersect({x, y, x + top.width, y + top.height}, to.bounds());
    for (int32_t ty = target.top; ty < target.bottom; ++ty) {
        const uint32_t* source = top.row(ty - y) + (target.left - x);
        uint32_t* row = to.row(ty);
        for (int32_t tx = target.left; tx < target.right; ++tx, ++source) {
            const uint32_t s = *source, d = row[tx];
            const uint32_t keep = 255 - AlphaOf(s);
            uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const uint32_t value = ((s >> shift) & 0xFF) + Channel((d >> shift) & 0xFF, keep);
                out |= std::min<uint32_t>(value, 255) << shift;
            }
            row[tx] = out;
        }
    }
}

void ComposePlate(PixelBuffer& buffer, int32_t radius, uint32_t fill, uint32_t border, uint32_t ink) {
    if (!buffer.bits) return;
    radius = std::clamp(radius, 0, std::min(buffer.width, buffer.height) / 2);
    const float r = static_cast<float>(radius);
    const uint32_t inkPixel = PremultipliedPixel(ink, 255);
    for (int32_t y = 0; y < buffer.height; ++y) {
        uint32_t* row = buffer.row(y);
        for (int32_t x = 0; x < buffer.width; ++x) {
            const uint32_t text = row[x];
            const uint32_t coverage = std::max({text & 0xFF, (text >> 8) & 0xFF, (text >> 16) & 0xFF});
            // Distance beyond the rounded corner's circle: <= 0 inside the shape.
            const float cx = static_cast<float>(std::clamp(x, radius, buffer.width - 1 - radius));
            const float cy = static_cast<float>(std::clamp(y, radius, buffer.height - 1 - radius));
            const float ex = static_cast<float>(x) - cx, ey = static_cast<float>(y) - cy;
            const float out = std::sqrt(ex * ex + ey * ey) - r;
            const uint32_t shape = static_cast<uint32_t>(std::clamp(0.5f - out, 0.0f, 1.0f) * 255.0f + 0.5f);
            const uint32_t background = border != 0 && out > -1.5f ? border : fill;
            uint32_t pixel = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const uint32_t under = Channel((background >> shift) & 0xFF, shape);
                const uint32_t value = Channel((inkPixel >> shift) & 0xFF, coverage) + Channel(under, 255 - coverage);
                pixel |= std::min<uint32_t>(value, 255) << shift;
            }
            row[x] = pixel;
        }
    }
}

}  // namespace cc
