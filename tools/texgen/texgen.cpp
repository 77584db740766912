// texgen — generates the game's effect and widget textures as PNG files.
//
// Usage: texgen OUTDIR [CID...]. Writes one file per texture, named by its content ID with no
// extension, into OUTDIR (all of them when no CID is given). Everything is drawn in code from
// signed distances and seeded value noise, so two runs give byte-identical files.
// Depends on: libpng only (host tool; does not link the engine).
// Limits: images are small (at most 256 pixels a side); no mip levels are written, the game
// makes one level per texture anyway.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr float kPi = 3.14159265f;

struct Col { float r, g, b, a; };

struct Image {
    int w = 0, h = 0;
    bool alpha = true;              // false writes an RGB PNG (the game reads "no alpha")
    std::vector<Col> px;
    Image(int w_, int h_, bool a) : w(w_), h(h_), alpha(a), px((size_t)w_ * h_, Col{0, 0, 0, 0}) {}
    Col& at(int x, int y) { return px[(size_t)y * w + x]; }
};

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
float Mix(float a, float b, float t) { return a + (b - a) * t; }
Col Mix(Col a, Col b, float t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t), Mix(a.a, b.a, t)}; }
float Smooth(float e0, float e1, float x)
{
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
// Coverage of a shape from its signed distance (negative inside), one pixel wide edge.
float Cover(float d, float aa = 1.0f) { return Clamp01(0.5f - d / aa); }

// "Over" compositing with straight alpha.
void Over(Col& dst, Col src, float cover)
{
    float a = src.a * cover;
    if (a <= 0) return;
    float outA = a + dst.a * (1 - a);
    if (outA <= 0) return;
    dst.r = (src.r * a + dst.r * dst.a * (1 - a)) / outA;
    dst.g = (src.g * a + dst.g * dst.a * (1 - a)) / outA;
    dst.b = (src.b * a + dst.b * dst.a * (1 - a)) / outA;
    dst.a = outA;
}

// ---- Deterministic noise ----
uint32_t Hash(int x, int y, uint32_t seed)
{
    uint32_t h = (uint32_t)x * 374761393u + (uint32_t)y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}
float Lattice(int x, int y, int period, uint32_t seed)
{
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
    return (Hash(x, y, seed) & 0xFFFFFF) / float(0xFFFFFF);
}
// Value noise on a lattice of `period` cells per unit, tileable over [0,1)².
float Noise(float u, float v, int period, uint32_t seed)
{
    float x = u * period, y = v * period;
    int xi = (int)std::floor(x), yi = (int)std::floor(y);
    float fx = x - xi, fy = y - yi;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    float a = Lattice(xi, yi, period, seed), b = Lattice(xi + 1, yi, period, seed);
    float c = Lattice(xi, yi + 1, period, seed), d = Lattice(xi + 1, yi + 1, period, seed);
    return Mix(Mix(a, b, fx), Mix(c, d, fx), fy);
}
float Fbm(float u, float v, int basePeriod, int octaves, uint32_t seed)
{
    float sum = 0, amp = 0.5f, norm = 0;
    int period = basePeriod;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * Noise(u, v, period, seed + (uint32_t)i * 977u);
        norm += amp;
        amp *= 0.5f;
        period *= 2;
    }
    return sum / norm;
}

// ---- Signed distances (pixel units) ----
float SdRoundBox(float x, float y, float cx, float cy, float hw, float hh, float r)
{
    float qx = std::fabs(x - cx) - hw + r, qy = std::fabs(y - cy) - hh + r;
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}
float SdSegment(float x, float y, float ax, float ay, float bx, float by)
{
    float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    float t = Clamp01((px * dx + py * dy) / (dx * dx + dy * dy));
    float ex = px - dx * t, ey = py - dy * t;
    return std::sqrt(ex * ex + ey * ey);
}
// Convex polygon given counter-clockwise or clockwise; exact outside distance to the edges.
float SdPolygon(float x, float y, const float (*p)[2], int n)
{
    float d = 1e9f;
    bool inside = false;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        d = std::min(d, SdSegment(x, y, p[j][0], p[j][1], p[i][0], p[i][1]));
        bool cross = (p[i][1] > y) != (p[j][1] > y);
        if (cross && x < (p[j][0] - p[i][0]) * (y - p[i][1]) / (p[j][1] - p[i][1]) + p[i][0]) inside = !inside;
    }
    return inside ? -d : d;
}

// ---- PNG output ----
bool WritePng(const std::string& path, const Image& img)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    const int channels = img.alpha ? 4 : 3;
    std::vector<uint8_t> rows((size_t)img.w * img.h * channels);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            const Col& c = img.px[(size_t)y * img.w + x];
            uint8_t* o = &rows[((size_t)y * img.w + x) * channels];
            o[0] = (uint8_t)std::lround(Clamp01(c.r) * 255);
            o[1] = (uint8_t)std::lround(Clamp01(c.g) * 255);
            o[2] = (uint8_t)std::lround(Clamp01(c.b) * 255);
            if (img.alpha) o[3] = (uint8_t)std::lround(Clamp01(c.a) * 255);
        }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, img.w, img.h, 8, img.alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < img.h; ++y) png_write_row(png, &rows[(size_t)y * img.w * channels]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

// ---- Effect textures ----
// Additive effects read the colour, alpha-blended ones the alpha: glows carry the same
// falloff in both, on black, so either blend looks right.
void Glow(Col& c, float r, float g, float b, float intensity)
{
    intensity = Clamp01(intensity);
    c = {r * intensity, g * intensity, b * intensity, intensity};
}

// A falloff that reaches exactly zero at radius 1, so sprites have no visible square edge.
float Falloff(float r) { return r >= 1 ? 0 : (1 - r * r) * (1 - r * r); }

Image MakeWhite()
{
    Image img(32, 32, false);
    for (auto& c : img.px) c = {1, 1, 1, 1};
    return img;
}

// 2 × 2 frames of 128 pixels: soft glow, four-point star, halo ring, six-point sparkle.
Image MakeGlare()
{
    Image img(256, 256, true);
    const int cell = 128;
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            int frame = (x / cell) + 2 * (y / cell);
            float dx = ((x % cell) + 0.5f - cell / 2.0f) / (cell / 2.0f);
            float dy = ((y % cell) + 0.5f - cell / 2.0f) / (cell / 2.0f);
            float r = std::sqrt(dx * dx + dy * dy);
            float edge = Falloff(r);
            float v = 0;
            switch (frame) {
            case 0:
                v = 0.85f * std::exp(-r * r * 9.0f) + 0.35f * std::exp(-r * 3.5f);
                break;
            case 1: {
                float core = std::exp(-r * r * 14.0f);
                float rayX = std::exp(-std::fabs(dy) * 40.0f) * (1 - std::fabs(dx));
                float rayY = std::exp(-std::fabs(dx) * 40.0f) * (1 - std::fabs(dy));
                v = core + 0.8f * (rayX + rayY) + 0.2f * std::exp(-r * 4.0f);
                break;
            }
            case 2: {
                float ring = std::exp(-std::pow((r - 0.62f) / 0.07f, 2.0f));
                v = 0.55f * ring + 0.35f * std::exp(-r * r * 20.0f) + 0.12f * std::exp(-r * 3.0f);
                break;
            }
            default: {
                float a = std::atan2(dy, dx);
                float rays = std::pow(std::fabs(std::cos(a * 3.0f)), 60.0f) * std::max(0.0f, 1 - r);
                v = std::exp(-r * r * 18.0f) + 0.75f * rays + 0.15f * std::exp(-r * 5.0f);
                break;
            }
            }
            Glow(img.at(x, y), 1, 1, 1, v * edge);
        }
    return img;
}

// A lens-flare ghost: a pale disc with a brighter rim and a faint colour fringe.
Image MakeLens()
{
    Image img(128, 128, true);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float dx = (x + 0.5f - 64) / 64, dy = (y + 0.5f - 64) / 64;
            float r = std::sqrt(dx * dx + dy * dy);
            float disc = 0.18f * (1 - Smooth(0.70f, 0.80f, r));
            float rimR = 0.55f * std::exp(-std::pow((r - 0.78f) / 0.05f, 2.0f));
            float rimG = 0.45f * std::exp(-std::pow((r - 0.74f) / 0.05f, 2.0f));
            float rimB = 0.55f * std::exp(-std::pow((r - 0.70f) / 0.05f, 2.0f));
            float e = Falloff(r);
            Col& c = img.at(x, y);
            c.r = Clamp01((disc * 0.9f + rimR) * e);
            c.g = Clamp01((disc * 0.95f + rimG) * e);
            c.b = Clamp01((disc + rimB) * e);
            c.a = std::max(c.r, std::max(c.g, c.b));
        }
    return img;
}

// A flame plume: white-hot at the nozzle (top), orange in the body, fading out at the tail.
Image MakeThrust()
{
    Image img(64, 128, true);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float v = (y + 0.5f) / img.h;                 // 0 nozzle .. 1 tail
            float u = (x + 0.5f - 32) / 32;               // -1 .. 1 across
            float width = 0.25f + 0.6f * std::sqrt(v) * (1 - 0.5f * v);
            float across = std::fabs(u) / width;
            float body = Falloff(std::min(1.0f, across)) * (1 - Smooth(0.55f, 1.0f, v)) * Smooth(0.0f, 0.06f, v);
            float flicker = 0.8f + 0.2f * Fbm(u * 0.25f + 0.5f, v, 4, 3, 71);
            float heat = Clamp01(body * flicker * 1.3f);
            float core = std::exp(-across * across * 6) * (1 - Smooth(0.05f, 0.5f, v));
            Col c;
            c.r = Clamp01(heat * 1.0f + core * 0.3f);
            c.g = Clamp01(heat * heat * 0.75f + core * 0.6f);
            c.b = Clamp01(heat * heat * heat * 0.35f + core * 0.55f);
            c.a = Clamp01(heat + core * 0.3f);
            img.at(x, y) = c;
        }
    return img;
}

// Coloured sparks: a saturated glow with a pale hot centre.
Image MakeSpark(float r, float g, float b)
{
    Image img(64, 64, true);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float dx = (x + 0.5f - 32) / 32, dy = (y + 0.5f - 32) / 32;
            float d = std::sqrt(dx * dx + dy * dy);
            float glow = Falloff(d) * (0.55f * std::exp(-d * d * 6) + 0.45f * std::exp(-d * 2.5f));
            float core = std::exp(-d * d * 40);
            Col& c = img.at(x, y);
            c.r = Clamp01(r * glow + core * 0.6f);
            c.g = Clamp01(g * glow + core * 0.6f);
            c.b = Clamp01(b * glow + core * 0.6f);
            c.a = Clamp01(glow + core * 0.3f);
        }
    return img;
}

// A fire puff: a noisy blob through a black-red-orange-yellow ramp.
Image MakeFire()
{
    Image img(128, 128, true);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float u = (x + 0.5f) / img.w, v = (y + 0.5f) / img.h;
            float dx = u * 2 - 1, dy = v * 2 - 1;
            float d = std::sqrt(dx * dx + dy * dy);
            float n = Fbm(u, v, 4, 5, 1234);
            float heat = Clamp01((Falloff(d) * 1.25f - 0.15f) * (0.55f + 0.9f * n));
            Col c;
            c.r = Clamp01(heat * 1.6f);
            c.g = Clamp01((heat - 0.25f) * 1.35f);
            c.b = Clamp01((heat - 0.7f) * 1.2f);
            c.a = Clamp01(heat * 1.4f);
            img.at(x, y) = c;
        }
    return img;
}

// A soft smoke puff: light grey, shaded by billowing noise, edges fading out.
Image MakeSmoke()
{
    Image img(128, 128, true);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float u = (x + 0.5f) / img.w, v = (y + 0.5f) / img.h;
            float dx = u * 2 - 1, dy = v * 2 - 1;
            float d = std::sqrt(dx * dx + dy * dy);
            float n = Fbm(u, v, 3, 5, 4321);
            float billow = Fbm(u, v, 6, 3, 999);
            float density = Clamp01(Falloff(d) * (0.35f + 0.95f * n) - 0.05f);
            float shade = 0.55f + 0.3f * billow - 0.15f * dy;   // lit from above
            img.at(x, y) = {Clamp01(shade), Clamp01(shade), Clamp01(shade * 1.03f), Clamp01(density * 0.9f)};
        }
    return img;
}

// Tileable grey noise around mid grey (reads as "no change" through modulate 2×).
Image MakeNoise()
{
    Image img(128, 128, false);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float u = (float)x / img.w, v = (float)y / img.h;
            float n = Fbm(u, v, 4, 5, 2024);
            float g = Clamp01(0.5f + (n - 0.5f) * 1.6f);
            img.at(x, y) = {g, g, g, 1};
        }
    return img;
}

// ---- Widget textures ----
// The interface look: dark translucent slate panels with thin light borders; highlights warm.
const Col kPanelTop = {0.20f, 0.25f, 0.34f, 0.86f};
const Col kPanelBottom = {0.10f, 0.13f, 0.19f, 0.86f};
const Col kBorder = {0.72f, 0.80f, 0.90f, 1.0f};
const Col kHotTop = {0.46f, 0.38f, 0.18f, 0.92f};
const Col kHotBottom = {0.26f, 0.19f, 0.07f, 0.92f};
const Col kHotBorder = {1.0f, 0.86f, 0.46f, 1.0f};

// A rounded panel in a box of the image: fill gradient, a soft top sheen, a thin border and a
// faint outer glow. (x, y) are screen-shaped coordinates of the pixel; the box is given in the
// same units; `px` is the size of one image pixel in those units, for anti-aliasing.
void Panel(Col& dst, float x, float y, float cx, float cy, float hw, float hh, float radius, float px,
           Col top, Col bottom, Col border, float glow)
{
    float d = SdRoundBox(x, y, cx, cy, hw, hh, radius);
    if (glow > 0) {
        float g = glow * std::exp(-std::max(d, 0.0f) / (2.5f * px)) * (d > 0 ? 1.0f : 0.0f);
        Over(dst, {border.r, border.g, border.b, g * 0.5f}, 1);
    }
    float t = Clamp01((y - (cy - hh)) / (2 * hh));
    Col fill = Mix(top, bottom, t);
    float sheen = 0.10f * (1 - Smooth(0.0f, 0.45f, t));
    fill.r += sheen;
    fill.g += sheen;
    fill.b += sheen;
    Over(dst, fill, Cover(d, px));
    float ring = std::fabs(d + 1.2f * px) - 0.75f * px;   // a border about 1.5 pixels wide
    Over(dst, border, Cover(ring, px));
}

// 256 × 128: normal button in the top half, highlighted in the bottom half. The outer quarters
// are the caps, drawn at 0.75 × half height wide on screen while the middle half stretches, so
// the caps are authored squeezed: a cap pixel is half as wide on screen as it is tall.
Image MakeButton()
{
    Image img(256, 128, true);
    const float capScreen = 32;                // cap width in screen-shaped units (64 pixels)
    const float midScreen = 200;               // the middle stretches: any long width works
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            bool hot = y >= 64;
            float sy = (y % 64) + 0.5f;
            float fx = x + 0.5f, sx;
            if (fx < 64) sx = fx * 0.5f;
            else if (fx < 192) sx = capScreen + (fx - 64) / 128 * midScreen;
            else sx = capScreen + midScreen + (fx - 192) * 0.5f;
            float total = 2 * capScreen + midScreen;
            // Anti-aliasing width: caps squeeze pixels to 0.5 units horizontally; use the
            // larger axis so edges stay soft without shimmering.
            Panel(img.at(x, y), sx, sy, total / 2, 32, total / 2 - 4, 32 - 5, 14, 1.0f,
                  hot ? kHotTop : kPanelTop, hot ? kHotBottom : kPanelBottom, hot ? kHotBorder : kBorder,
                  hot ? 0.9f : 0.35f);
        }
    return img;
}

// 128 × 128: the left half holds the box, unchecked on top and checked below; the right half
// is left clear.
Image MakeCheckbox()
{
    Image img(128, 128, true);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < 64; ++x) {
            bool checked = y >= 64;
            float sx = x + 0.5f, sy = (y % 64) + 0.5f;
            Col& c = img.at(x, y);
            Panel(c, sx, sy, 32, 32, 25, 25, 9, 1.0f, kPanelTop, kPanelBottom, kBorder, 0.35f);
            if (checked) {
                // A bold tick with a dark drop shadow underneath.
                float tick = std::min(SdSegment(sx, sy, 18, 33, 28, 43), SdSegment(sx, sy, 28, 43, 47, 20)) - 4.5f;
                float shadow = std::min(SdSegment(sx, sy - 2, 18, 33, 28, 43), SdSegment(sx, sy - 2, 28, 43, 47, 20)) - 5.5f;
                Over(c, {0, 0, 0, 0.5f}, Cover(shadow, 2.0f));
                float t = Clamp01((sy - 18) / 28);
                Over(c, Mix(Col{0.70f, 1.0f, 0.55f, 1}, Col{0.25f, 0.78f, 0.30f, 1}, t), Cover(tick));
            }
        }
    return img;
}

// 256 × 64: an empty track in the top half, the filled bar in the bottom half; the slider
// draws the filled part from the bottom half up to its value and the rest from the top half.
Image MakeBar()
{
    Image img(256, 64, true);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            bool full = y >= 32;
            float sx = x + 0.5f, sy = (y % 32) + 0.5f;
            Col& c = img.at(x, y);
            if (!full) {
                Panel(c, sx, sy, 128, 16, 124, 11, 10, 1.0f, {0.06f, 0.08f, 0.12f, 0.85f},
                      {0.14f, 0.17f, 0.24f, 0.85f}, {0.55f, 0.63f, 0.75f, 1}, 0.0f);
            } else {
                float u = sx / 256;
                Col top = Mix(Col{0.35f, 0.75f, 0.95f, 0.95f}, Col{0.55f, 0.95f, 0.80f, 0.95f}, u);
                Col bottom = Mix(Col{0.08f, 0.35f, 0.60f, 0.95f}, Col{0.12f, 0.55f, 0.42f, 0.95f}, u);
                Panel(c, sx, sy, 128, 16, 124, 11, 10, 1.0f, top, bottom, {0.85f, 0.97f, 1.0f, 1}, 0.6f);
            }
        }
    return img;
}

// 64 × 64 arrow pointing right (the widgets mirror and turn it for the other directions).
Image MakeArrow(bool on)
{
    Image img(64, 64, true);
    const float tri[3][2] = {{18, 10}, {54, 32}, {18, 54}};
    const float inner[3][2] = {{22, 17.5f}, {47, 32}, {22, 46.5f}};
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float sx = x + 0.5f, sy = y + 0.5f;
            Col& c = img.at(x, y);
            float d = SdPolygon(sx, sy, tri, 3) - 3.0f;   // rounded corners
            if (on) {
                float g = std::exp(-std::max(d, 0.0f) / 4.0f) * (d > 0 ? 1.0f : 0.0f);
                Over(c, {1.0f, 0.80f, 0.35f, g * 0.55f}, 1);
            }
            Over(c, {0, 0, 0, 0.45f}, Cover(SdPolygon(sx - 1.5f, sy - 2.0f, tri, 3) - 4.0f, 2.5f));
            Col border = on ? Col{1.0f, 0.93f, 0.70f, 1} : Col{0.70f, 0.78f, 0.88f, 1};
            Over(c, border, Cover(d));
            float t = Clamp01((sy - 10) / 44);
            Col fillTop = on ? Col{1.0f, 0.80f, 0.30f, 1} : Col{0.36f, 0.44f, 0.56f, 1};
            Col fillBottom = on ? Col{0.80f, 0.42f, 0.08f, 1} : Col{0.16f, 0.20f, 0.28f, 1};
            float di = SdPolygon(sx, sy, inner, 3) - 1.5f;
            Over(c, Mix(fillTop, fillBottom, t), Cover(di));
        }
    return img;
}

struct Entry {
    const char* cid;
    Image (*make)();
};

Image Red() { return MakeSpark(1.0f, 0.18f, 0.12f); }
Image Green() { return MakeSpark(0.22f, 1.0f, 0.25f); }
Image Blue() { return MakeSpark(0.20f, 0.45f, 1.0f); }
Image Yellow() { return MakeSpark(1.0f, 0.85f, 0.15f); }
Image Purple() { return MakeSpark(0.80f, 0.25f, 1.0f); }
Image ArrowOn() { return MakeArrow(true); }
Image ArrowOff() { return MakeArrow(false); }

const Entry kEntries[] = {
    {"TEX_FX_WHITE", MakeWhite},   {"TEX_FX_GLARE", MakeGlare},   {"TEX_FX_LENS", MakeLens},
    {"TEX_FX_THRUST", MakeThrust}, {"TEX_FX_RED", Red},           {"TEX_FX_GREEN", Green},
    {"TEX_FX_BLUE", Blue},         {"TEX_FX_YELLOW", Yellow},     {"TEX_FX_PURPLE", Purple},
    {"TEX_FX_FIRE", MakeFire},     {"TEX_FX_SMOKE", MakeSmoke},   {"TEX_FX_NOISE", MakeNoise},
    {"TEX_ARROWON", ArrowOn},      {"TEX_ARROWOFF", ArrowOff},    {"TEX_BAR", MakeBar},
    {"TEX_BUTTON", MakeButton},    {"TEX_CHECKBOX", MakeCheckbox},
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: texgen OUTDIR [CID...]\n");
        return 2;
    }
    std::string dir = argv[1];
    int written = 0;
    for (const Entry& e : kEntries) {
        bool wanted = argc == 2;
        for (int i = 2; i < argc && !wanted; ++i) wanted = std::strcmp(argv[i], e.cid) == 0;
        if (!wanted) continue;
        std::string path = dir + "/" + e.cid;
        if (!WritePng(path, e.make())) {
            std::fprintf(stderr, "texgen: cannot write %s\n", path.c_str());
            return 1;
        }
        ++written;
    }
    if (written == 0) {
        std::fprintf(stderr, "texgen: nothing matched\n");
        return 1;
    }
    return 0;
}
