// meshgen/paint — see paint.h.
#include "paint.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pt {

Col Rgb(float r, float g, float b) { return {r, g, b, 1.0f}; }
float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
Col Mix(Col x, Col y, float t)
{
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}
Col Lighten(Col c, float t) { return Mix(c, Col{1, 1, 1, c.a}, t); }
Col Darken(Col c, float t) { return Mix(c, Col{0, 0, 0, c.a}, t); }
float Smooth(float e0, float e1, float x)
{
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
float Luma(Col c) { return 0.3f * c.r + 0.59f * c.g + 0.11f * c.b; }

bool WritePng(const Image& img, const std::string& path)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        fprintf(stderr, "modeltex: cannot write %s\n", path.c_str());
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        fclose(f);
        return false;
    }
    const int channels = img.alpha ? 4 : 3;
    std::vector<uint8_t> row((size_t)img.w * channels);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        fprintf(stderr, "modeltex: PNG error writing %s\n", path.c_str());
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 6);
    png_set_IHDR(png, info, img.w, img.h, 8, img.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    auto q = [](float v) { return (uint8_t)std::lround(Clamp01(v) * 255.0f); };
    for (int y = 0; y < img.h; y++) {
        for (int x = 0; x < img.w; x++) {
            const Col& c = img.px[(size_t)y * img.w + x];
            uint8_t* p = &row[(size_t)x * channels];
            p[0] = q(c.r);
            p[1] = q(c.g);
            p[2] = q(c.b);
            if (img.alpha) p[3] = q(c.a);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0;
}

void Fill(Image& img, Region r, const std::function<Col(float, float, float)>& f)
{
    int x0 = (int)std::lround(r.u0 * img.w), x1 = (int)std::lround(r.u1 * img.w);
    int y0 = (int)std::lround(r.v0 * img.h), y1 = (int)std::lround(r.v1 * img.h);
    float aa = 1.0f / std::max(1, x1 - x0);
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) {
            float fx = (x - x0 + 0.5f) / (x1 - x0), fy = (y - y0 + 0.5f) / (y1 - y0);
            img.At(x, y) = f(fx, fy, aa);
        }
}

float Hash(int x, int y, uint32_t seed)
{
    uint32_t h = (uint32_t)x * 374761393u + (uint32_t)y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777216.0f;
}

float Noise(float x, float y, uint32_t seed, int period)
{
    int ix = (int)std::floor(x), iy = (int)std::floor(y);
    float fx = x - ix, fy = y - iy;
    auto w = [period](int v) { return period > 0 ? ((v % period) + period) % period : v; };
    float a = Hash(w(ix), w(iy), seed), b = Hash(w(ix + 1), w(iy), seed);
    float c = Hash(w(ix), w(iy + 1), seed), d = Hash(w(ix + 1), w(iy + 1), seed);
    float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    return a + (b - a) * sx + (c - a) * sy + (a - b - c + d) * sx * sy;
}

float Fbm(float x, float y, int octaves, uint32_t seed, int period)
{
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; o++) {
        sum += Noise(x, y, seed + o * 101, period) * amp;
        norm += amp;
        x *= 2;
        y *= 2;
        if (period > 0) period *= 2;
        amp *= 0.5f;
    }
    return sum / norm;
}

float Ridged(float x, float y, int octaves, uint32_t seed, int period)
{
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; o++) {
        float n = 1.0f - std::fabs(Noise(x, y, seed + o * 131, period) * 2 - 1);
        sum += n * n * amp;
        norm += amp;
        x *= 2;
        y *= 2;
        if (period > 0) period *= 2;
        amp *= 0.5f;
    }
    return sum / norm;
}

float SdCircle(float x, float y, float r) { return std::sqrt(x * x + y * y) - r; }

float SdBox(float x, float y, float hx, float hy, float round)
{
    float qx = std::fabs(x) - hx + round, qy = std::fabs(y) - hy + round;
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - round;
}

float SdTriangle(float x, float y, float r)
{
    // Equilateral triangle, apex up (towards −y), circumradius r; computed with y pointing up.
    const float k = std::sqrt(3.0f);
    float h = r * k * 0.5f;          // half the side
    float px = std::fabs(x) - h, py = -y + h / k;
    if (px + k * py > 0) {
        float nx = (px - k * py) * 0.5f, ny = (-k * px - py) * 0.5f;
        px = nx;
        py = ny;
    }
    px -= std::clamp(px, -2 * h, 0.0f);
    float len = std::sqrt(px * px + py * py);
    return py < 0 ? len : -len;
}

float SdDiamond(float x, float y, float r, float round)
{
    float d = (std::fabs(x) + std::fabs(y) - r + round) * 0.70710678f;
    return d - round;
}

float SdStar(float x, float y, float r, float inner, int n)
{
    // Distance to a star polygon from its outline, computed per sector.
    float a = std::atan2(x, -y);                   // 0 at the top
    float sector = 2 * kPi / n;
    float la = std::fmod(a + sector * 0.5f + 100 * kPi, sector) - sector * 0.5f;
    float len = std::sqrt(x * x + y * y);
    float px = len * std::sin(std::fabs(la)), py = len * std::cos(la);
    // Edge from the tip (0, r) to the inner corner at half a sector.
    float ix = inner * std::sin(sector * 0.5f), iy = inner * std::cos(sector * 0.5f);
    float ex = ix, ey = iy - r;
    float wx = px, wy = py - r;
    float t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
    float dx = wx - ex * t, dy = wy - ey * t;
    float d = std::sqrt(dx * dx + dy * dy);
    // Inside when on the centre's side of the edge (the edge runs tip to inner corner).
    float side = ex * wy - ey * wx;
    return side > 0 ? d : -d;
}

float SdSegment(float x, float y, float ax, float ay, float bx, float by)
{
    float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    float t = std::clamp((px * dx + py * dy) / std::max(1e-12f, dx * dx + dy * dy), 0.0f, 1.0f);
    float ex = px - dx * t, ey = py - dy * t;
    return std::sqrt(ex * ex + ey * ey);
}

float Cover(float d, float aa) { return Clamp01(0.5f - d / aa); }

float EmbossShade(const std::function<float(float, float)>& height, float x, float y, float step)
{
    float gx = (height(x + step, y) - height(x - step, y)) / (2 * step);
    float gy = (height(x, y + step) - height(x, y - step)) / (2 * step);
    // Slopes rising towards the bottom right face the light from the top left.
    return (gx + gy) * 0.70710678f * step * 2;
}

namespace {
FT_Library g_ft = nullptr;
FT_Face g_face = nullptr;
bool g_tried = false;
bool OpenFont()
{
    if (g_tried) return g_face != nullptr;
    g_tried = true;
    if (FT_Init_FreeType(&g_ft)) return false;
    static const char* kPaths[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
                                   "/usr/share/fonts/dejavu/DejaVuSans-Bold.ttf",
                                   "/usr/share/fonts/TTF/DejaVuSans-Bold.ttf"};
    for (const char* p : kPaths)
        if (FT_New_Face(g_ft, p, 0, &g_face) == 0) return true;
    g_face = nullptr;
    return false;
}
}  // namespace

bool RenderGlyph(char c, int pixels, Glyph* out)
{
    if (!OpenFont()) return false;
    FT_Set_Pixel_Sizes(g_face, 0, pixels);
    if (FT_Load_Char(g_face, (FT_ULong)(unsigned char)c, FT_LOAD_RENDER)) return false;
    const FT_Bitmap& bm = g_face->glyph->bitmap;
    out->w = (int)bm.width;
    out->h = (int)bm.rows;
    out->cov.assign((size_t)out->w * out->h, 0.0f);
    for (int y = 0; y < out->h; y++)
        for (int x = 0; x < out->w; x++) out->cov[(size_t)y * out->w + x] = bm.buffer[y * bm.pitch + x] / 255.0f;
    return out->w > 0 && out->h > 0;
}

float GlyphCover(const Glyph& g, float x, float y, float boxW, float boxH)
{
    if (g.w <= 0 || g.h <= 0) return 0;
    // Fit the glyph's bitmap into the box, keeping its proportions stretched to the box.
    float gx = (x / boxW + 0.5f) * g.w - 0.5f, gy = (y / boxH + 0.5f) * g.h - 0.5f;
    int ix = (int)std::floor(gx), iy = (int)std::floor(gy);
    float fx = gx - ix, fy = gy - iy;
    auto at = [&](int px, int py) {
        if (px < 0 || py < 0 || px >= g.w || py >= g.h) return 0.0f;
        return g.cov[(size_t)py * g.w + px];
    };
    float a = at(ix, iy), b = at(ix + 1, iy), c = at(ix, iy + 1), d = at(ix + 1, iy + 1);
    return a + (b - a) * fx + (c - a) * fy + (a - b - c + d) * fx * fy;
}

}  // namespace pt
