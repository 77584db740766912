// platform/os/os_cursor_art — paints the game's two pointer cursors: a clean arrow with a dark
// outline and a soft shadow (the normal pointer) and its pressed variant, pushed down onto its
// shadow and filled amber (shown while a mouse button is held).
// Depends on: nothing (pure arithmetic); the SDL backend turns the pixels into cursors.
// Limits: one fixed size (kPointerSize square), 4 × 4 samples per pixel, straight alpha ARGB.
#include <cmath>
#include "platform/os/os_local.h"

namespace os {

namespace {

struct Pt { float x, y; };

// The arrow's outline, tip first, in pixels of the 32 × 32 image.
const Pt kArrow[] = {
    {1.5f, 1.5f}, {1.5f, 22.0f}, {6.4f, 17.3f}, {9.9f, 25.6f},
    {14.4f, 23.7f}, {10.9f, 15.7f}, {17.4f, 15.7f},
};
constexpr int kArrowPoints = (int)(sizeof(kArrow) / sizeof(kArrow[0]));

bool Inside(float x, float y)
{
    bool in = false;
    for (int i = 0, j = kArrowPoints - 1; i < kArrowPoints; j = i++) {
        const Pt& a = kArrow[i];
        const Pt& b = kArrow[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

float EdgeDistance(float x, float y)
{
    float best = 1e9f;
    for (int i = 0, j = kArrowPoints - 1; i < kArrowPoints; j = i++) {
        const Pt& a = kArrow[j];
        const Pt& b = kArrow[i];
        float ex = b.x - a.x, ey = b.y - a.y;
        float len2 = ex * ex + ey * ey;
        float t = len2 > 0 ? ((x - a.x) * ex + (y - a.y) * ey) / len2 : 0;
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        float dx = x - (a.x + t * ex), dy = y - (a.y + t * ey);
        float d = std::sqrt(dx * dx + dy * dy);
        if (d < best) best = d;
    }
    return best;
}

struct Rgba { float r, g, b, a; };

// The colour of one sample point of the image; (ox, oy) moves the arrow (the pressed one sinks).
Rgba Sample(bool held, float x, float y)
{
    const float ox = held ? 1.0f : 0.0f, oy = held ? 1.0f : 0.0f;
    const float shadow = held ? 0.6f : 1.8f;
    float ax = x - ox, ay = y - oy;
    bool in = Inside(ax, ay);
    float d = EdgeDistance(ax, ay);
    if (in && d >= 1.15f) {
        float t = (ay - 1.5f) / 24.0f;   // top to tail
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        if (held) return {1.0f - 0.06f * t, 0.80f - 0.25f * t, 0.30f - 0.20f * t, 1.0f};
        return {1.0f - 0.15f * t, 1.0f - 0.10f * t, 1.0f - 0.04f * t, 1.0f};
    }
    if (in || d <= 0.6f) return {0.06f, 0.08f, 0.14f, 1.0f};
    float sx = ax - shadow, sy = ay - shadow;
    if (Inside(sx, sy) || EdgeDistance(sx, sy) <= 0.6f) return {0, 0, 0, 0.35f};
    return {0, 0, 0, 0};
}

} // namespace

void OS_PaintPointer(bool held, uint32_t* argb, int* hotX, int* hotY)
{
    constexpr int kSub = 4;
    for (int py = 0; py < kPointerSize; ++py) {
        for (int px = 0; px < kPointerSize; ++px) {
            float r = 0, g = 0, b = 0, a = 0;   // premultiplied sums
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    Rgba c = Sample(held, px + (sx + 0.5f) / kSub, py + (sy + 0.5f) / kSub);
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            }
            uint32_t out = 0;
            if (a > 0) {
                auto byte = [](float v) { int i = (int)std::lround(v * 255.0f); return (uint32_t)(i < 0 ? 0 : (i > 255 ? 255 : i)); };
                out = (byte(a / (kSub * kSub)) << 24) | (byte(r / a) << 16) | (byte(g / a) << 8) | byte(b / a);
            }
            argb[py * kPointerSize + px] = out;
        }
    }
    int shift = held ? 1 : 0;
    if (hotX) *hotX = 1 + shift;
    if (hotY) *hotY = 1 + shift;
}

} // namespace os
