// meshgen/paint — the small painting kit the model textures are drawn with: float RGBA images,
// PNG output (libpng, no time stamps), seeded value noise that can tile, signed distances of the
// symbols and shapes, embossing from a height field, and glyphs from a TrueType font (FreeType).
//
// Depends on: libpng, FreeType (host tool, does not link the engine).
// Limits: single-threaded; the font is opened once per run from a fixed path list.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pt {

constexpr float kPi = 3.14159265f;

struct Col {
    float r = 0, g = 0, b = 0, a = 1;
};
inline Col operator+(Col x, Col y) { return {x.r + y.r, x.g + y.g, x.b + y.b, x.a}; }
inline Col operator*(Col x, float s) { return {x.r * s, x.g * s, x.b * s, x.a}; }
inline Col operator*(Col x, Col y) { return {x.r * y.r, x.g * y.g, x.b * y.b, x.a}; }
Col Rgb(float r, float g, float b);
Col Mix(Col x, Col y, float t);                  // alpha mixes too
Col Lighten(Col c, float t);                     // towards white
Col Darken(Col c, float t);                      // towards black
float Clamp01(float v);
float Smooth(float e0, float e1, float x);       // smoothstep, works with e0 > e1
float Luma(Col c);

struct Image {
    int w = 0, h = 0;
    bool alpha = false;                          // false writes an RGB PNG (the game reads no alpha)
    std::vector<Col> px;
    Image(int w_, int h_, bool a) : w(w_), h(h_), alpha(a), px((size_t)w_ * h_) {}
    Col& At(int x, int y) { return px[(size_t)y * w + x]; }
};
bool WritePng(const Image& img, const std::string& path);

// Fills the pixels of a rectangle of the image (in fractions of it) with f(fx, fy), where fx and
// fy run from 0 to 1 across the rectangle at pixel centres. aa is one pixel in those units.
struct Region {
    float u0, v0, u1, v1;
};
void Fill(Image& img, Region r, const std::function<Col(float fx, float fy, float aa)>& f);

// ---- Noise (values 0..1). A period > 0 makes the noise tile every `period` lattice cells. ----
float Hash(int x, int y, uint32_t seed);
float Noise(float x, float y, uint32_t seed, int period = 0);
float Fbm(float x, float y, int octaves, uint32_t seed, int period = 0);
float Ridged(float x, float y, int octaves, uint32_t seed, int period = 0);  // creases near 1

// ---- Signed distances (negative inside), shapes centred on the origin, y down ----
float SdCircle(float x, float y, float r);
float SdBox(float x, float y, float hx, float hy, float round);
float SdTriangle(float x, float y, float r);    // equilateral, pointing up, circumradius r
float SdDiamond(float x, float y, float r, float round);  // |x| + |y| = r
float SdStar(float x, float y, float r, float inner, int points);
float SdSegment(float x, float y, float ax, float ay, float bx, float by);
float Cover(float d, float aa);                  // 1 inside, 0 outside, one aa wide edge

// ---- Embossing: light from the top left of the picture ----
// Height from a distance: 1 inside, 0 outside, rising over `slope`.
inline float Plateau(float d, float slope) { return Clamp01(-d / slope); }
// Shade of a height field at (x, y): > 0 on slopes facing the light, < 0 away from it.
float EmbossShade(const std::function<float(float, float)>& height, float x, float y, float step);

// ---- Glyphs ----
// Coverage of one character of the bold sans font, fitted into a box of w × h units centred
// on the origin (y down); sample with GlyphCover. False when no font could be opened.
struct Glyph {
    int w = 0, h = 0;
    std::vector<float> cov;
};
bool RenderGlyph(char c, int pixels, Glyph* out);
float GlyphCover(const Glyph& g, float x, float y, float boxW, float boxH);  // bilinear, 0 outside

}  // namespace pt
