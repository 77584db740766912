// modeltex — paints the textures of the game's models, the arena's floor and wall, and the
// textures of the game's own effect materials, as PNG files.
//
// Usage: modeltex OUTDIR [CID...]. Writes one file per texture into OUTDIR, named by its content
// ID with no extension (all of them when no CID is given). Everything is drawn in code from
// signed distances, seeded noise and one font (the bold DejaVu sans, for the bombs' counts), so
// two runs give byte-identical files. Opaque textures are written as RGB, so the game reads them
// as having no alpha and draws them opaque; the glass, the shadow and the vortex carry alpha.
// The rectangles that meshgen maps onto each part come from layout.h.
//
// Colour: textures are painted at their true brightness. Blocks have a strong base colour per
// family, a lighter bevel band, a darker edge, and each colour its own embossed symbol (red
// circle, green triangle, blue square, purple diamond, yellow star) so players who cannot tell
// the colours apart can still play.
//
// Depends on: meshgen/paint, meshgen/layout (host tool, does not link the engine).
// Limits: sizes are fixed per texture (at most 512 pixels a side).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "layout.h"
#include "paint.h"

using namespace pt;

namespace {

Region R(const mg::UvRect& r) { return Region{r.u0, r.v0, r.u1, r.v1}; }

// ---- Block colours ----
struct Family {
    Col base;
    int symbol;       // 1 circle, 2 triangle, 3 square, 4 diamond, 5 star
};
const Family kFamilies[6] = {
    {Rgb(0.5f, 0.5f, 0.5f), 0},
    {Rgb(0.80f, 0.09f, 0.07f), 1},
    {Rgb(0.13f, 0.62f, 0.12f), 2},
    {Rgb(0.10f, 0.30f, 0.86f), 3},
    {Rgb(0.56f, 0.14f, 0.76f), 4},
    {Rgb(0.95f, 0.76f, 0.08f), 5},
};

// Symbol outline in face units (centre 0.5, 0.5; y down), scaled by s.
float SymbolSd(int symbol, float x, float y, float s)
{
    x = (x - 0.5f) / s;
    y = (y - 0.5f) / s;
    float d = 1e9f;
    switch (symbol) {
    case 1: d = SdCircle(x, y, 0.23f); break;
    case 2: d = SdTriangle(x, y + 0.035f, 0.30f) - 0.012f; break;
    case 3: d = SdBox(x, y, 0.19f, 0.19f, 0.035f); break;
    case 4: d = SdDiamond(x, y, 0.29f, 0.03f); break;
    case 5: d = SdStar(x, y + 0.01f, 0.31f, 0.135f, 5) - 0.008f; break;
    }
    return d * s;
}

// The bevel band: t runs 0 at the band's outer side (the middle of the bevel, the block's edge)
// to 1 at its inner side (where the flat face begins).
Col Band(Col bevel, Col edge, float t)
{
    Col c = Mix(edge, bevel, Smooth(0.0f, 0.35f, t));
    // A thin bright seam where the bevel meets the face.
    c = Mix(c, Lighten(bevel, 0.35f), Smooth(0.80f, 0.93f, t) * (1 - Smooth(0.93f, 1.0f, t)));
    return c;
}

float BandT(float fx, float fy, float band)
{
    float d = std::min(std::min(fx, 1 - fx), std::min(fy, 1 - fy));
    return d < band ? d / band : -1.0f;
}
// Face-local coordinates (0..1 over the flat face inside the band).
void FaceUv(float fx, float fy, float band, float* u, float* v)
{
    *u = (fx - band) / (1 - 2 * band);
    *v = (fy - band) / (1 - 2 * band);
}

// Embossed symbol over a face colour: a soft drop shadow, a lighter raised plate with a dark
// rim, lit from the top left.
Col Symbol(Col c, int symbol, float u, float v, float scale, Col fill, float aa)
{
    if (!symbol) return c;
    float d = SymbolSd(symbol, u, v, scale);
    float sh = SymbolSd(symbol, u - 0.018f, v - 0.022f, scale);
    c = Mix(c, Darken(c, 0.55f), Cover(sh - 0.01f, 0.05f) * 0.55f);
    // The emboss only shades the plate's slope; away from the outline there is nothing to do.
    float shade = 0;
    if (std::fabs(d) < 0.05f) {
        auto height = [&](float x, float y) { return Plateau(SymbolSd(symbol, x, y, scale), 0.03f); };
        shade = EmbossShade(height, u, v, 0.006f);
    }
    Col rim = Darken(fill, 0.45f);
    c = Mix(c, rim, Cover(d - 0.012f, aa * 1.5f));
    Col plate = fill * (1.0f + 0.12f * (0.5f - v));
    c = Mix(c, plate, Cover(d, aa * 1.5f));
    c = c + Col{1, 1, 1} * (shade * 0.45f);
    return c;
}

// ---- Plain and bright colour blocks ----
Col ColourFace(int fam, bool bright, float fx, float fy, float aa)
{
    const Family& f = kFamilies[fam];
    Col base = bright ? Lighten(f.base, 0.30f) * 1.12f : f.base;
    float t = BandT(fx, fy, mg::kBevelBand);
    if (t >= 0) {
        Col bevel = Lighten(base, bright ? 0.45f : 0.28f);
        Col edge = bright ? Lighten(base, 0.1f) : Darken(base, 0.45f);
        return Band(bevel, edge, t);
    }
    float u, v;
    FaceUv(fx, fy, mg::kBevelBand, &u, &v);
    float r = std::hypot(u - 0.42f, v - 0.40f);
    Col c = base * (1.10f - 0.28f * r);
    c = c * (0.96f + 0.08f * Fbm(u * 6, v * 6, 3, 11 + fam));
    // A soft darkening just inside the seam makes the face read as a slightly domed plate.
    float e = std::min(std::min(u, 1 - u), std::min(v, 1 - v));
    c = c * (0.86f + 0.14f * Smooth(0.0f, 0.08f, e));
    Col fill = bright ? Mix(Lighten(base, 0.75f), Rgb(1, 1, 1), 0.4f) : Lighten(base, 0.42f);
    c = Symbol(c, f.symbol, u, v, 1.0f, fill, aa);
    if (bright) {
        // A glow round the symbol.
        float d = SymbolSd(f.symbol, u, v, 1.0f);
        c = c + Col{1, 1, 1} * (0.22f * (1 - Smooth(0.0f, 0.16f, d)) * (d > 0 ? 1.0f : 0.0f));
    }
    return c;
}

// ---- Metal ----
Col MetalFace(float fx, float fy, float aa, float band, Col tone, uint32_t seed)
{
    float t = BandT(fx, fy, band);
    if (t >= 0) return Band(Lighten(tone, 0.25f), Darken(tone, 0.5f), t);
    float u, v;
    FaceUv(fx, fy, band, &u, &v);
    // Brushed: fine streaks along u, a little grain.
    float streak = Noise(u * 3, v * 90, seed) * 0.6f + Noise(u * 9, v * 240, seed + 7) * 0.4f;
    Col c = tone * (0.86f + 0.22f * streak);
    c = c * (1.08f - 0.16f * v);
    // A recessed panel line.
    float panel = SdBox(u - 0.5f, v - 0.5f, 0.37f, 0.37f, 0.04f);
    float groove = std::fabs(panel);
    c = Mix(c, Darken(tone, 0.55f), Cover(groove - 0.008f, aa * 1.5f) * 0.9f);
    c = Mix(c, Lighten(tone, 0.3f), Cover(std::fabs(panel - 0.014f) - 0.004f, aa * 1.5f) * 0.5f);
    // Rivets in the corners: small domes with a highlight and a shadow.
    for (int k = 0; k < 4; k++) {
        float cx = (k & 1) ? 0.9f : 0.1f, cy = (k & 2) ? 0.9f : 0.1f;
        float dx = u - cx, dy = v - cy;
        float d = std::sqrt(dx * dx + dy * dy);
        float rr = 0.045f;
        c = Mix(c, Darken(tone, 0.6f), Cover(SdCircle(dx - 0.008f, dy - 0.01f, rr), aa * 2) * 0.6f);
        if (d < rr + aa) {
            float z = std::sqrt(std::max(0.0f, 1 - (d / rr) * (d / rr)));
            float lit = Clamp01(0.45f + 0.55f * ((-dx - dy) / rr * 0.7f + z * 0.5f));
            Col rc = Mix(Darken(tone, 0.3f), Lighten(tone, 0.55f), lit);
            c = Mix(c, rc, Cover(d - rr, aa * 1.5f));
        }
    }
    return c;
}

// ---- Stone ----
Col Stone(float x, float y, Col tone, uint32_t seed, float rough)
{
    float n = Fbm(x, y, 5, seed);
    float speck = Hash((int)(x * 37), (int)(y * 37), seed + 3);
    Col c = tone * (0.78f + 0.42f * n);
    if (speck > 0.93f) c = c * 0.8f;
    if (speck < 0.04f) c = Lighten(c, 0.15f);
    float pit = Ridged(x * 1.5f, y * 1.5f, 3, seed + 9);
    c = c * (1.0f - rough * Smooth(0.75f, 0.95f, pit));
    return c;
}

// Static blocks: the colour in a recessed panel, framed by a stone rim.
Col StaticFace(int fam, float fx, float fy, float aa)
{
    const Col stone = Rgb(0.56f, 0.53f, 0.49f);
    float t = BandT(fx, fy, mg::kBevelBand);
    if (t >= 0) {
        Col s = Stone(fx * 8, fy * 8, Lighten(stone, 0.1f), 77, 0.2f);
        return Band(s, Darken(stone, 0.5f), t);
    }
    float u, v;
    FaceUv(fx, fy, mg::kBevelBand, &u, &v);
    Col c = Stone(u * 7, v * 7, stone, 41, 0.35f);
    float panel = SdBox(u - 0.5f, v - 0.5f, 0.33f, 0.33f, 0.05f);
    if (panel < 0.03f) {
        Col base = fam ? kFamilies[fam].base : Rgb(0.55f, 0.56f, 0.58f);
        Col p;
        if (fam) {
            float r = std::hypot(u - 0.45f, v - 0.42f);
            p = base * (1.08f - 0.3f * r);
            p = Symbol(p, kFamilies[fam].symbol, u, v, 0.72f, Lighten(base, 0.42f), aa);
        } else {
            float streak = Noise(u * 3, v * 90, 5) * 0.6f + Noise(u * 9, v * 240, 12) * 0.4f;
            p = base * (0.86f + 0.22f * streak);
        }
        // Recessed: the rim casts a shadow on the panel's top and left, the bottom right catches light.
        float inset = Smooth(0.0f, -0.06f, panel);
        float lx = Smooth(-0.06f, 0.0f, SdBox(u - 0.5f - 0.02f, v - 0.5f - 0.02f, 0.33f, 0.33f, 0.05f));
        p = p * (0.7f + 0.3f * inset) * (1.0f - 0.25f * lx);
        c = Mix(c, p, Cover(panel, aa * 1.5f));
        // The rim's chamfer into the panel.
        float ring = Cover(std::fabs(panel + 0.004f) - 0.01f, aa * 1.5f);
        c = Mix(c, Darken(stone, 0.45f), ring * 0.8f);
    }
    return c;
}

// ---- The texture painters ----
using Painter = void (*)(Image&, int);

void PaintColour(Image& img, int fam)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float aa) { return ColourFace(fam, false, x, y, aa); });
}
void PaintColourBright(Image& img, int fam)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float aa) { return ColourFace(fam, true, x, y, aa); });
}
void PaintMetal(Image& img, int)
{
    Fill(img, {0, 0, 1, 1},
         [&](float x, float y, float aa) { return MetalFace(x, y, aa, mg::kBevelBand, Rgb(0.58f, 0.60f, 0.63f), 5); });
}
void PaintStatic(Image& img, int fam)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float aa) { return StaticFace(fam, x, y, aa); });
}

// Frames: bars (left half) and corner caps (right half).
void PaintFrame(Image& img, Col bar, Col cap, uint32_t seed, bool engraved)
{
    Fill(img, R(mg::kFrameBar), [&](float x, float y, float) {
        float t = BandT(x, y, mg::kBevelBand);
        if (t >= 0) return Band(Lighten(bar, 0.3f), Darken(bar, 0.5f), t);
        Col c = bar * (0.88f + 0.2f * Noise(x * 4, y * 60, seed));
        if (engraved) {
            float wave = std::sin(y * 40.0f + std::sin(x * 12.0f) * 2.0f);
            c = c * (0.93f + 0.07f * wave);
        }
        return c * (1.06f - 0.12f * y);
    });
    Fill(img, R(mg::kFrameCap), [&](float x, float y, float aa) {
        float t = BandT(x, y, mg::kBevelBand * 1.4f);
        if (t >= 0) return Band(Lighten(cap, 0.3f), Darken(cap, 0.5f), t);
        Col c = cap * (0.9f + 0.15f * Fbm(x * 6, y * 6, 3, seed + 1));
        float d = SdCircle(x - 0.5f, y - 0.5f, 0.16f);
        float z = Clamp01(-d / 0.16f);
        c = Mix(c, Lighten(cap, 0.35f * z) * (0.8f + 0.3f * Clamp01(0.6f - (x + y - 1.0f) * 2.0f)), Cover(d, aa * 2));
        return c;
    });
}
void PaintSlideFrame(Image& img, int) { PaintFrame(img, Rgb(0.17f, 0.18f, 0.21f), Rgb(0.52f, 0.54f, 0.58f), 21, false); }
void PaintGemBox(Image& img, int) { PaintFrame(img, Rgb(0.80f, 0.60f, 0.18f), Rgb(0.62f, 0.44f, 0.12f), 23, true); }
void PaintAbsorbFrame(Image& img, int) { PaintFrame(img, Rgb(0.22f, 0.10f, 0.30f), Rgb(0.62f, 0.25f, 0.85f), 25, false); }

// Scenery: masonry in two tones, even on the left, odd on the right.
Col Masonry(float x, float y, float aa, Col tone, uint32_t seed)
{
    float t = BandT(x, y, mg::kBevelBand);
    if (t >= 0) return Band(Stone(x * 9, y * 9, Lighten(tone, 0.12f), seed, 0.2f), Darken(tone, 0.5f), t);
    float u, v;
    FaceUv(x, y, mg::kBevelBand, &u, &v);
    // Three courses of stones, every other course offset by half a stone.
    int row = std::min(2, (int)(v * 3));
    float rv = v * 3 - row;
    float shift = (row % 2) ? 0.25f : 0.0f;
    float su = u * 2 + shift;
    int col = (int)std::floor(su);
    float ru = su - col;
    float mortar = std::min(std::min(ru, 1 - ru) * 0.5f, std::min(rv, 1 - rv) / 3.0f);
    float stoneTone = 0.85f + 0.3f * Hash(col, row, seed);
    Col c = Stone(u * 8, v * 8, tone * stoneTone, seed + row * 7 + col, 0.3f);
    // Stones are slightly pillowed: lighter towards their middles.
    c = c * (0.88f + 0.16f * Smooth(0.0f, 0.06f, mortar));
    Col mortarCol = Darken(tone, 0.45f);
    c = Mix(c, mortarCol, Cover(mortar - 0.012f, aa * 1.2f));
    return c;
}
void PaintScenery(Image& img, int)
{
    Fill(img, R(mg::kLeftHalf), [&](float x, float y, float aa) { return Masonry(x, y, aa, Rgb(0.62f, 0.58f, 0.52f), 31); });
    Fill(img, R(mg::kRightHalf), [&](float x, float y, float aa) { return Masonry(x, y, aa, Rgb(0.44f, 0.42f, 0.40f), 37); });
}

// Crumbling sandstone: more cracks at every stage.
void PaintCrumble(Image& img, int stage)
{
    const Col sand = Rgb(0.70f, 0.58f, 0.42f);
    struct Crack {
        float x, y, a;
    };
    std::vector<Crack> cracks;
    int count = stage == 1 ? 3 : (stage == 2 ? 7 : 12);
    for (int i = 0; i < count; i++)
        cracks.push_back({Hash(i, 1, 50 + stage), Hash(i, 2, 50 + stage), Hash(i, 3, 50 + stage) * 2 * kPi});
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float aa) {
        Col c = Stone(x * 7, y * 7, sand * (1.0f - 0.06f * stage), 60, 0.35f + 0.1f * stage);
        float t = BandT(x, y, mg::kBevelBand * 0.5f);
        if (t >= 0) c = Mix(Darken(c, 0.35f), c, Smooth(0.0f, 0.6f, t));
        // Each crack is a wandering line from its start point.
        float best = 1e9f;
        for (size_t i = 0; i < cracks.size(); i++) {
            float cx = cracks[i].x, cy = cracks[i].y, a = cracks[i].a;
            for (int s = 0; s < 7; s++) {
                float len = 0.06f + 0.03f * stage;
                float na = a + (Hash((int)i, s, 90) - 0.5f) * 1.6f;
                float nx = cx + std::cos(na) * len, ny = cy + std::sin(na) * len;
                best = std::min(best, SdSegment(x, y, cx, cy, nx, ny) - 0.004f * (1.0f - s / 7.0f) * stage);
                cx = nx;
                cy = ny;
            }
        }
        c = Mix(c, Lighten(c, 0.25f), Cover(best - 0.009f, aa * 2) * 0.5f);
        c = Mix(c, Darken(sand, 0.8f), Cover(best - 0.003f, aa * 1.2f));
        if (stage == 3) c = c * (0.85f + 0.15f * Fbm(x * 3, y * 3, 2, 71));
        return c;
    });
}

// Square blocks: dark granite panels; the band becomes a groove between the cells' panels.
void PaintBlock(Image& img, int)
{
    const Col granite = Rgb(0.36f, 0.38f, 0.43f);
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float aa) {
        float t = BandT(x, y, mg::kBevelBand);
        // The texture repeats per cell, so the noise must tile too.
        float n = Fbm(x * 8, y * 8, 4, 81, 8);
        Col s = granite * (0.8f + 0.4f * n);
        if (Hash((int)(x * 200), (int)(y * 200), 82) > 0.97f) s = Lighten(s, 0.25f);
        if (t >= 0) return Band(Lighten(s, 0.15f), Darken(granite, 0.6f), t);
        float u, v;
        FaceUv(x, y, mg::kBevelBand, &u, &v);
        float inner = SdBox(u - 0.5f, v - 0.5f, 0.34f, 0.34f, 0.02f);
        s = Mix(s, Darken(s, 0.3f), Cover(std::fabs(inner) - 0.006f, aa * 1.5f) * 0.6f);
        return s;
    });
}

// Bombs: black iron with the count painted four times round the middle.
void PaintBomb(Image& img, int count)
{
    Glyph g;
    char ch = (char)('0' + count);
    bool haveGlyph = RenderGlyph(ch, 96, &g);
    static const Col kDigit[4] = {Rgb(1.0f, 0.18f, 0.10f), Rgb(1.0f, 0.55f, 0.12f), Rgb(1.0f, 0.88f, 0.20f),
                                  Rgb(0.95f, 0.95f, 0.95f)};
    Col digit = kDigit[count];
    Fill(img, R(mg::kBombBody), [&](float x, float y, float aa) {
        // x runs once round the sphere, y from the top pole to the bottom one.
        Col iron = Rgb(0.12f, 0.12f, 0.13f) * (0.85f + 0.3f * Fbm(x * 16, y * 8, 4, 90));
        if (count == 0) iron = Mix(iron, Rgb(0.35f, 0.05f, 0.03f), 0.6f + 0.2f * Fbm(x * 10, y * 6, 3, 91));
        // A band round the middle with rivets.
        float bandD = std::fabs(y - 0.5f) - 0.20f;
        Col c = iron;
        float edge = std::fabs(bandD);
        c = Mix(c, Lighten(iron, 0.25f), Cover(edge - 0.008f, aa * 2) * 0.7f);
        for (int k = 0; k < 16; k++) {
            float rx = (k + 0.5f) / 16.0f;
            for (int side = -1; side <= 1; side += 2) {
                float dy = y - (0.5f + side * 0.235f), dx = (x - rx) * 2.0f;
                float d = std::sqrt(dx * dx + dy * dy);
                c = Mix(c, Lighten(iron, 0.45f), Cover(d - 0.012f, aa * 2) * 0.9f);
            }
        }
        // The digit, four times; stretched across because one turn is wider than half a turn.
        if (haveGlyph) {
            for (int k = 0; k < 4; k++) {
                float cx = (k + 0.5f) / 4.0f;
                float dx = x - cx;
                if (dx > 0.5f) dx -= 1;
                if (dx < -0.5f) dx += 1;
                float cov = GlyphCover(g, dx, y - 0.5f, 0.13f, 0.30f);
                float sh = GlyphCover(g, dx - 0.006f, y - 0.5f - 0.012f, 0.13f, 0.30f);
                c = Mix(c, Rgb(0, 0, 0), sh * 0.7f);
                c = Mix(c, digit, cov);
            }
        }
        return c;
    });
    Fill(img, R(mg::kBombCap), [&](float x, float y, float) {
        Col c = Rgb(0.45f, 0.44f, 0.42f) * (0.85f + 0.3f * Noise(x * 30, y * 4, 92));
        return c * (1.1f - 0.3f * y);
    });
    Fill(img, R(mg::kBombFuse), [&](float x, float y, float) {
        // Twisted cord; the tip (top of the rect) glows.
        float twist = std::sin((x * 6 + y * 14) * 2 * kPi) * 0.5f + 0.5f;
        Col c = Mix(Rgb(0.35f, 0.24f, 0.12f), Rgb(0.62f, 0.48f, 0.28f), twist);
        float glow = Smooth(0.35f, 0.0f, y);
        c = Mix(c, count == 0 ? Rgb(1.0f, 0.85f, 0.4f) : Rgb(1.0f, 0.5f, 0.1f), glow);
        return c;
    });
}

// The mine: a red drum with a hazard band and warning signs, and its lid.
void PaintBarrel(Image& img, int)
{
    Fill(img, R(mg::kBarrelSide), [&](float x, float y, float aa) {
        Col paint = Rgb(0.66f, 0.12f, 0.08f);
        Col c = paint * (0.85f + 0.25f * Fbm(x * 20, y * 10, 4, 100));
        // Scuffs showing bare metal.
        float scuff = Fbm(x * 14, y * 9, 4, 101);
        c = Mix(c, Rgb(0.45f, 0.44f, 0.42f), Smooth(0.68f, 0.76f, scuff) * 0.8f);
        // The profile runs top to bottom: ribs near a third and two thirds, a hazard band between.
        for (float rib : {0.335f, 0.655f}) {
            float d = std::fabs(y - rib);
            c = c * (1.0f - 0.35f * Cover(d - 0.022f, aa * 3)) + Col{1, 1, 1} * (0.12f * Cover(std::fabs(y - rib + 0.012f) - 0.004f, aa * 2));
        }
        if (y > 0.40f && y < 0.59f) {
            float s = std::fmod(x * 24 + y * 8, 2.0f);
            Col hz = s < 1.0f ? Rgb(0.95f, 0.78f, 0.10f) : Rgb(0.08f, 0.08f, 0.08f);
            float edgeFade = Cover(std::fabs(y - 0.495f) - 0.085f, aa * 2);
            c = Mix(c, hz * (0.9f + 0.15f * Fbm(x * 30, y * 30, 2, 102)), edgeFade);
        }
        // Two warning signs on the upper band.
        for (int k = 0; k < 2; k++) {
            float cx = 0.25f + 0.5f * k, cy = 0.2f;
            float dx = (x - cx) * 2.6f, dy = y - cy;
            float tri = SdTriangle(dx, dy, 0.105f) - 0.012f;
            c = Mix(c, Rgb(0.05f, 0.05f, 0.05f), Cover(tri - 0.012f, aa * 2));
            c = Mix(c, Rgb(0.98f, 0.82f, 0.12f), Cover(tri, aa * 2));
            float bar = SdBox(dx, dy + 0.004f, 0.009f, 0.032f, 0.008f);
            float dot = SdCircle(dx, dy - 0.05f, 0.011f);
            c = Mix(c, Rgb(0.05f, 0.05f, 0.05f), Cover(std::min(bar, dot), aa * 2));
        }
        return c;
    });
    Fill(img, R(mg::kBarrelLid), [&](float x, float y, float aa) {
        float dx = x - 0.5f, dy = y - 0.5f, r = std::sqrt(dx * dx + dy * dy);
        Col c = Rgb(0.58f, 0.13f, 0.09f) * (0.85f + 0.2f * Fbm(x * 12, y * 12, 3, 103));
        c = c * (1.0f - 0.35f * Cover(std::fabs(r - 0.36f) - 0.01f, aa * 2));
        float bung = SdCircle(dx - 0.18f, dy + 0.1f, 0.07f);
        c = Mix(c, Rgb(0.5f, 0.5f, 0.5f), Cover(bung, aa * 2));
        c = Mix(c, Rgb(0.2f, 0.2f, 0.2f), Cover(std::fabs(bung + 0.02f) - 0.006f, aa * 2));
        return c;
    });
    Fill(img, R(mg::kBarrelRim), [&](float x, float y, float) {
        return Rgb(0.42f, 0.10f, 0.07f) * (0.8f + 0.3f * Noise(x * 40, y * 4, 104));
    });
}

// Sprays: a pale canister with a splash of its colour and the colour's symbol.
void PaintRespray(Image& img, int fam)
{
    const Family& f = kFamilies[fam];
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float aa) {
        Col metal = Rgb(0.74f, 0.75f, 0.77f);
        float t = BandT(x, y, mg::kBevelBand);
        if (t >= 0) return Band(Lighten(metal, 0.1f), Darken(metal, 0.5f), t);
        float u, v;
        FaceUv(x, y, mg::kBevelBand, &u, &v);
        Col c = metal * (0.9f + 0.12f * Noise(u * 3, v * 80, 110));
        // The splash: a lumpy disc with drips running down.
        float a = std::atan2(v - 0.5f, u - 0.5f);
        float lump = 0.29f + 0.035f * std::sin(a * 7 + fam) + 0.02f * std::sin(a * 13 + 2 * fam);
        float d = std::hypot(u - 0.5f, v - 0.48f) - lump;
        for (int k = 0; k < 3; k++) {
            float dx = 0.32f + 0.18f * k + 0.03f * fam;
            float len = 0.18f + 0.1f * Hash(k, fam, 111);
            float drip = SdSegment(u, v, dx, 0.6f, dx, 0.6f + len) - 0.028f;
            float blob = SdCircle(u - dx, v - (0.6f + len), 0.038f);
            d = std::min(d, std::min(drip, blob));
        }
        Col paint = f.base * (1.05f - 0.2f * v);
        c = Mix(c, Darken(paint, 0.5f), Cover(d - 0.012f, aa * 2));
        c = Mix(c, paint, Cover(d, aa * 2));
        c = Symbol(c, f.symbol, u, v - 0.02f, 0.62f, Rgb(0.97f, 0.97f, 0.95f), aa);
        return c;
    });
}

// Magnet: dark steel with a red horseshoe magnet and a spark of field lines.
void PaintMagnet(Image& img, int)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float aa) {
        Col steel = Rgb(0.26f, 0.27f, 0.30f);
        float t = BandT(x, y, mg::kBevelBand);
        if (t >= 0) return Band(Lighten(steel, 0.3f), Darken(steel, 0.5f), t);
        float u, v;
        FaceUv(x, y, mg::kBevelBand, &u, &v);
        Col c = steel * (0.85f + 0.25f * Noise(u * 3, v * 70, 120));
        // Field lines: arcs round the poles.
        for (int k = 1; k <= 3; k++) {
            float rr = 0.2f + 0.08f * k;
            float d = std::fabs(std::hypot(u - 0.5f, v - 0.36f) - rr);
            if (v < 0.36f) c = Mix(c, Rgb(0.45f, 0.75f, 1.0f), Cover(d - 0.004f, aa * 2) * (0.55f - 0.12f * k));
        }
        // Horseshoe: the lower half of a ring plus two legs up, silver pole tips at the top.
        float ux = u - 0.5f, vy = v - 0.52f;
        float ring = std::fabs(std::hypot(ux, vy) - 0.17f) - 0.075f;
        if (vy < 0) ring = std::fabs(std::fabs(ux) - 0.17f) - 0.075f;
        float legs = std::max(ring, -(vy + 0.30f));
        float shape = std::max(legs, vy - 0.3f);
        auto height = [&](float px, float py) {
            float qx = px - 0.5f, qy = py - 0.52f;
            float rg = std::fabs(std::hypot(qx, qy) - 0.17f) - 0.075f;
            if (qy < 0) rg = std::fabs(std::fabs(qx) - 0.17f) - 0.075f;
            return Plateau(std::max(rg, -(qy + 0.30f)), 0.03f);
        };
        float shade = std::fabs(shape) < 0.05f ? EmbossShade(height, u, v, 0.006f) : 0.0f;
        Col body = vy < -0.2f ? Rgb(0.85f, 0.86f, 0.88f) : Rgb(0.82f, 0.10f, 0.08f);
        c = Mix(c, Rgb(0.05f, 0.05f, 0.06f), Cover(shape - 0.012f, aa * 2));
        c = Mix(c, body * (1.05f - 0.2f * v), Cover(shape, aa * 2));
        c = c + Col{1, 1, 1} * (shade * 0.4f * Cover(shape - 0.01f, aa * 2));
        return c;
    });
}

// Black hole: a dark sphere, and the glowing ring (u round it, v from the inner edge outwards).
void PaintBlackHoleModel(Image& img, int)
{
    Fill(img, R(mg::kHoleSphere), [&](float x, float y, float) {
        Col c = Rgb(0.03f, 0.02f, 0.06f);
        float lat = std::fabs(y - 0.5f) * 2;
        c = Mix(c, Rgb(0.20f, 0.06f, 0.30f), (1 - lat) * 0.5f * Fbm(x * 8, y * 4, 3, 130));
        if (Hash((int)(x * 128), (int)(y * 128), 131) > 0.985f) c = Rgb(0.8f, 0.7f, 1.0f);
        return c;
    });
    Fill(img, R(mg::kHoleRing), [&](float x, float y, float) {
        float swirl = Fbm(x * 12 + y * 6, y * 3, 4, 132);
        float heat = 1.0f - y;
        Col hot = Rgb(1.0f, 0.85f, 1.0f), mid = Rgb(0.70f, 0.20f, 0.95f), cold = Rgb(0.12f, 0.02f, 0.25f);
        Col c = heat > 0.5f ? Mix(mid, hot, (heat - 0.5f) * 2) : Mix(cold, mid, heat * 2);
        c = c * (0.6f + 0.7f * swirl);
        return c;
    });
}

// Gems: a glass pane, the gold frame (PaintGemBox), a pale blue brilliant, a magenta crystal.
void PaintGlass(Image& img, int)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float) {
        float e = std::min(std::min(x, 1 - x), std::min(y, 1 - y));
        float a = 0.16f + 0.30f * (1 - Smooth(0.0f, 0.18f, e));
        Col c = Rgb(0.75f, 0.92f, 1.0f);
        // Two diagonal glints.
        float g1 = std::fabs((x + y) - 0.55f), g2 = std::fabs((x + y) - 0.72f);
        float glint = (1 - Smooth(0.0f, 0.05f, g1)) * 0.5f + (1 - Smooth(0.0f, 0.02f, g2)) * 0.35f;
        c = Mix(c, Rgb(1, 1, 1), glint);
        c.a = Clamp01(a + glint * 0.4f);
        return c;
    });
}
void PaintGem(Image& img, int which)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float) {
        float dx = x - 0.5f, dy = y - 0.5f;
        float a = std::atan2(dy, dx), r = std::sqrt(dx * dx + dy * dy);
        Col c;
        if (which == 1) {
            // Facet-like bands of light and shade turning round the centre.
            float f = 0.5f + 0.5f * std::cos(a * 8 + r * 20);
            c = Mix(Rgb(0.35f, 0.62f, 0.95f), Rgb(0.92f, 0.98f, 1.0f), f * 0.8f + 0.1f);
            c = c * (1.1f - 0.4f * r);
        } else {
            float streak = Noise(x * 6, y * 40, 140);
            c = Mix(Rgb(0.62f, 0.08f, 0.46f), Rgb(1.0f, 0.55f, 0.85f), streak * 0.7f + 0.15f * (1 - y));
            float edge = std::fabs(std::fmod(x * 6, 1.0f) - 0.5f);
            c = Mix(c, Rgb(1.0f, 0.8f, 0.95f), Smooth(0.45f, 0.5f, edge) * 0.6f);
        }
        return c;
    });
}

// Tele: a dark machine face with glowing circuits and an arrow up; the pad's ring; its glow.
void PaintTele(Image& img, int)
{
    Fill(img, R(mg::kTeleFace), [&](float x, float y, float aa) {
        Col panel = Rgb(0.14f, 0.17f, 0.24f);
        float t = BandT(x, y, mg::kBevelBand);
        if (t >= 0) return Band(Rgb(0.45f, 0.50f, 0.58f), Darken(panel, 0.5f), t);
        float u, v;
        FaceUv(x, y, mg::kBevelBand, &u, &v);
        Col c = panel * (0.85f + 0.25f * Fbm(u * 5, v * 5, 3, 150));
        Col glow = Rgb(0.25f, 0.95f, 1.0f);
        // Circuit traces on a grid.
        float gx = std::fabs(std::fmod(u * 6 + 0.5f, 1.0f) - 0.5f), gy = std::fabs(std::fmod(v * 5 + 0.5f, 1.0f) - 0.5f);
        int cx = (int)(u * 6 + 0.5f), cy = (int)(v * 5 + 0.5f);
        bool hor = Hash(cx, cy, 151) > 0.5f;
        float trace = hor ? gy : gx;
        c = Mix(c, glow * 0.6f, Cover(trace - 0.03f, aa * 4) * 0.35f);
        // Chevrons pointing up.
        for (int k = 0; k < 2; k++) {
            float py = v - 0.42f - 0.2f * k;
            float d = std::fabs(py + std::fabs(u - 0.5f) * 0.8f) - 0.035f;
            d = std::max(d, std::fabs(u - 0.5f) - 0.25f);
            c = Mix(c, Lighten(glow, 0.3f), Cover(d, aa * 2));
            c = c + glow * (0.25f * (1 - Smooth(0.0f, 0.08f, d)));
        }
        return c;
    });
    Fill(img, R(mg::kTeleRing), [&](float x, float y, float aa) {
        Col c = Rgb(0.40f, 0.46f, 0.52f) * (0.85f + 0.25f * Noise(x * 50, y * 3, 152));
        float dots = std::fabs(std::fmod(x * 24, 1.0f) - 0.5f);
        c = Mix(c, Rgb(0.4f, 1.0f, 1.0f), Cover(std::hypot(dots, (y - 0.5f) * 0.6f) - 0.12f, aa * 30) * 0.9f);
        return c;
    });
}
void PaintTeleGlow(Image& img, int)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float) {
        float dx = x - 0.5f, dy = y - 0.5f, r = std::sqrt(dx * dx + dy * dy) * 2;
        float a = std::atan2(dy, dx);
        float rings = 0.5f + 0.5f * std::cos(r * 22 - a * 2);
        Col c = Mix(Rgb(0.05f, 0.45f, 0.75f), Rgb(0.85f, 1.0f, 1.0f), Clamp01(1.0f - r) * 0.8f + rings * 0.2f);
        return c * (0.75f + 0.25f * rings);
    });
}
void PaintAbsorbGlow(Image& img, int)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float) {
        float n = Fbm(x * 5, y * 5, 4, 160);
        float dx = x - 0.5f, dy = y - 0.5f, r = std::sqrt(dx * dx + dy * dy);
        Col c = Mix(Rgb(0.55f, 0.05f, 0.75f), Rgb(1.0f, 0.75f, 1.0f), Clamp01(n * 1.3f - 0.2f + (0.5f - r)));
        return c;
    });
}

// Board tiles: two close tones of slate; the narrow band darkens the seams between tiles.
Col Slate(float x, float y, Col tone, uint32_t seed)
{
    float layers = Fbm(x * 2.0f, y * 9.0f, 4, seed);
    float fine = Fbm(x * 14, y * 14, 3, seed + 1);
    Col c = tone * (0.74f + 0.36f * layers + 0.14f * fine);
    float vein = Ridged(x * 3, y * 3, 3, seed + 2);
    c = Mix(c, Lighten(tone, 0.2f), Smooth(0.85f, 0.97f, vein) * 0.35f);
    return c;
}
void PaintBoard(Image& img, int)
{
    const Col even = Rgb(0.43f, 0.47f, 0.52f), odd = Rgb(0.31f, 0.34f, 0.39f);
    auto tile = [&](Col tone, uint32_t seed) {
        return [=](float x, float y, float) {
            Col c = Slate(x, y, tone, seed);
            float t = BandT(x, y, mg::kBevelBand * 0.5f);
            if (t >= 0) c = Mix(Darken(tone, 0.45f), Lighten(c, 0.08f), Smooth(0.0f, 0.8f, t));
            return c;
        };
    };
    Fill(img, R(mg::kLeftHalf), tile(even, 170));
    Fill(img, R(mg::kRightHalf), tile(odd, 175));
}
void PaintTrim(Image& img, int)
{
    // u along the trim, v from the low lip at the top of the picture down over the nose to the foot.
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float) {
        Col stone = Rgb(0.24f, 0.25f, 0.29f);
        Col c = stone * (0.85f + 0.25f * Fbm(x * 10, y * 3, 4, 180));
        float vein = Ridged(x * 4, y * 2, 3, 181);
        c = Mix(c, Rgb(0.55f, 0.50f, 0.42f), Smooth(0.9f, 0.98f, vein) * 0.5f);
        // A brass inlay line along the top of the nose.
        float line = std::fabs(y - 0.22f);
        c = Mix(c, Rgb(0.78f, 0.62f, 0.30f), Cover(line - 0.02f, 0.02f) * 0.85f);
        c = c * (1.1f - 0.45f * Smooth(0.45f, 1.0f, y));
        return c;
    });
}
void PaintPlatform(Image& img, int)
{
    Fill(img, R(mg::kPlatformTop), [&](float x, float y, float aa) {
        float dx = x - 0.5f, dy = y - 0.5f, r = std::sqrt(dx * dx + dy * dy);
        float a = std::atan2(dy, dx);
        Col c = Slate(x * 2, y * 2, Rgb(0.27f, 0.28f, 0.31f), 190);
        Col brass = Rgb(0.70f, 0.55f, 0.28f);
        for (float rr : {0.46f, 0.40f, 0.22f}) c = Mix(c, brass, Cover(std::fabs(r - rr) - 0.006f, aa * 1.5f) * 0.9f);
        // A compass rose between the rings.
        float spoke = std::fabs(std::sin(a * 16)) ;
        if (r > 0.22f && r < 0.40f) c = Mix(c, brass * 0.7f, Cover(spoke - 0.06f, 0.05f) * 0.5f);
        float star = r - (0.05f + 0.16f * std::pow(std::fabs(std::cos(a * 2)), 8.0f));
        c = Mix(c, brass, Cover(star, aa * 2) * 0.8f);
        c = c * (1.0f - 0.25f * Smooth(0.40f, 0.75f, r));
        return c;
    });
    Fill(img, R(mg::kPlatformSide), [&](float x, float y, float) {
        return Stone(x * 16, y * 4, Rgb(0.30f, 0.30f, 0.33f), 195, 0.4f) * (1.0f - 0.3f * y);
    });
}

// The arena: a dark floor of stone tiles (tiles every 5 units: 4 × 4 tiles per repeat) and a
// wall of four panels across, fading to black towards the top.
void PaintFloor(Image& img, int)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float aa) {
        int tx = (int)(x * 4), ty = (int)(y * 4);
        float fx = x * 4 - tx, fy = y * 4 - ty;
        float tone = 0.85f + 0.3f * Hash(tx & 3, ty & 3, 200);
        Col base = Rgb(0.12f, 0.13f, 0.16f) * tone;
        Col c = base * (0.8f + 0.4f * Fbm(x * 16, y * 16, 4, 201, 16));
        float grout = std::min(std::min(fx, 1 - fx), std::min(fy, 1 - fy));
        c = Mix(c, Rgb(0.04f, 0.04f, 0.05f), Cover(grout - 0.02f, aa * 6));
        // A faint engraved diamond in every tile.
        float dm = std::fabs(SdDiamond(fx - 0.5f, fy - 0.5f, 0.3f, 0.0f));
        c = Mix(c, Rgb(0.20f, 0.22f, 0.27f), Cover(dm - 0.01f, aa * 5) * 0.5f);
        return c;
    });
}
void PaintWall(Image& img, int)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float aa) {
        // v = 1 at the floor, 0 at the top.
        int p = (int)(x * 4);
        float fx = x * 4 - p;
        Col base = Rgb(0.16f, 0.18f, 0.24f) * (0.9f + 0.15f * Hash(p, 0, 210));
        Col c = base * (0.85f + 0.25f * Fbm(x * 24, y * 6, 4, 211, 24));
        float frame = std::min(fx, 1 - fx);
        c = Mix(c, Rgb(0.05f, 0.06f, 0.08f), Cover(frame - 0.025f, aa * 4));
        c = Mix(c, Rgb(0.30f, 0.34f, 0.42f), Cover(std::fabs(frame - 0.05f) - 0.008f, aa * 4) * 0.6f);
        // Horizontal seams and a row of lights near the floor.
        float seam = std::fabs(std::fmod(y * 5, 1.0f) - 0.5f);
        c = Mix(c, Darken(base, 0.5f), Cover(0.5f - seam - 0.015f, 0.01f) * 0.6f);
        float lamp = std::hypot((fx - 0.5f) * 2.2f, (y - 0.86f) * 3.0f);
        c = c + Rgb(0.25f, 0.55f, 0.80f) * (0.6f * (1 - Smooth(0.0f, 0.18f, lamp)));
        // Fade upwards.
        c = c * Smooth(0.0f, 0.75f, y);
        return c;
    });
}

// ---- Textures of the game's effect materials ----
void PaintBlockShadow(Image& img, int)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float) {
        float d = SdBox(x - 0.5f, y - 0.5f, 0.34f, 0.34f, 0.12f);
        float a = 1.0f - Smooth(-0.12f, 0.14f, d);
        return Col{0, 0, 0, a};
    });
}
void PaintSelection(Image& img, int)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float) {
        float e = std::min(std::min(x, 1 - x), std::min(y, 1 - y));
        float k = std::min(std::fabs(x - 0.5f), std::fabs(y - 0.5f));
        float glow = std::exp(-e * 26.0f) + 0.5f * std::exp(-e * 8.0f);
        glow *= 0.65f + 0.35f * Smooth(0.2f, 0.5f, k);
        Col c = Rgb(0.75f, 0.92f, 1.0f) * Clamp01(glow);
        return c;
    });
}
void PaintBlackHole(Image& img, int)
{
    img.alpha = true;
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float) {
        float dx = x - 0.5f, dy = y - 0.5f, r = std::sqrt(dx * dx + dy * dy) * 2;
        float a = std::atan2(dy, dx);
        float arms = 0.5f + 0.5f * std::cos(a * 3 + r * 9.0f);
        float n = Fbm(std::cos(a) * 2 + r * 3, std::sin(a) * 2 + r * 3, 3, 220);
        Col c = Mix(Rgb(0.35f, 0.08f, 0.60f), Rgb(0.85f, 0.55f, 1.0f), arms * n);
        float core = 1 - Smooth(0.12f, 0.32f, r);
        c = Mix(c, Rgb(0, 0, 0), core);
        float alpha = (1 - Smooth(0.55f, 1.0f, r)) * (0.45f + 0.55f * arms);
        alpha = std::max(alpha, core);
        c.a = Clamp01(alpha);
        return c;
    });
}
void PaintSprinkle(Image& img, int)
{
    Fill(img, {0, 0, 1, 1}, [&](float x, float y, float) {
        float dx = std::fabs(x - 0.5f), dy = std::fabs(y - 0.5f);
        float r = std::sqrt(dx * dx + dy * dy);
        float star = std::exp(-dx * 40) * std::exp(-dy * 6) + std::exp(-dy * 40) * std::exp(-dx * 6);
        float core = std::exp(-r * r * 180);
        float v = Clamp01(star * 0.8f + core) * (1 - Smooth(0.4f, 0.5f, std::max(dx, dy)));
        return Rgb(v, v * 0.95f, v * 0.85f);
    });
}

struct TexDef {
    const char* name;
    int w, h;
    bool alpha;
    Painter paint;
    int variant;
};

const TexDef kTextures[] = {
    {"TEX_COLOR01", 256, 256, false, PaintColour, 1},
    {"TEX_COLOR02", 256, 256, false, PaintColour, 2},
    {"TEX_COLOR03", 256, 256, false, PaintColour, 3},
    {"TEX_COLOR04", 256, 256, false, PaintColour, 4},
    {"TEX_COLOR05", 256, 256, false, PaintColour, 5},
    {"TEX_COLOR01C", 256, 256, false, PaintColourBright, 1},
    {"TEX_COLOR02C", 256, 256, false, PaintColourBright, 2},
    {"TEX_COLOR03C", 256, 256, false, PaintColourBright, 3},
    {"TEX_COLOR04C", 256, 256, false, PaintColourBright, 4},
    {"TEX_COLOR05C", 256, 256, false, PaintColourBright, 5},
    {"TEX_METAL", 256, 256, false, PaintMetal, 0},
    {"TEX_B_COLOR01", 256, 256, false, PaintStatic, 1},
    {"TEX_B_COLOR02", 256, 256, false, PaintStatic, 2},
    {"TEX_B_COLOR03", 256, 256, false, PaintStatic, 3},
    {"TEX_B_COLOR04", 256, 256, false, PaintStatic, 4},
    {"TEX_B_COLOR05", 256, 256, false, PaintStatic, 5},
    {"TEX_B_METAL01", 256, 256, false, PaintStatic, 0},
    {"TEX_SLIDEFRAME", 256, 128, false, PaintSlideFrame, 0},
    {"TEX_SCENERY01", 512, 256, false, PaintScenery, 0},
    {"TEX_CRUMBLE01", 256, 256, false, PaintCrumble, 1},
    {"TEX_CRUMBLE02", 256, 256, false, PaintCrumble, 2},
    {"TEX_CRUMBLE03", 256, 256, false, PaintCrumble, 3},
    {"TEX_BLOCK01", 256, 256, false, PaintBlock, 0},
    {"TEX_SB_BOMB3", 256, 256, false, PaintBomb, 3},
    {"TEX_SB_BOMB2", 256, 256, false, PaintBomb, 2},
    {"TEX_SB_BOMB1", 256, 256, false, PaintBomb, 1},
    {"TEX_SB_BOMB0", 256, 256, false, PaintBomb, 0},
    {"TEX_BARREL", 256, 384, false, PaintBarrel, 0},
    {"TEX_SB_RESPRAYR", 256, 256, false, PaintRespray, 1},
    {"TEX_SB_RESPRAYG", 256, 256, false, PaintRespray, 2},
    {"TEX_SB_RESPRAYB", 256, 256, false, PaintRespray, 3},
    {"TEX_SB_RESPRAYP", 256, 256, false, PaintRespray, 4},
    {"TEX_SB_RESPRAYY", 256, 256, false, PaintRespray, 5},
    {"TEX_SB_MAGNET", 256, 256, false, PaintMagnet, 0},
    {"TEX_SB_BLACKHOLE", 256, 128, false, PaintBlackHoleModel, 0},
    {"TEX_GEMBOX01", 256, 128, false, PaintGemBox, 0},
    {"TEX_GEMGLASS", 128, 128, true, PaintGlass, 0},
    {"TEX_GEM01", 128, 128, false, PaintGem, 1},
    {"TEX_GEM02", 128, 128, false, PaintGem, 2},
    {"TEX_TELE", 256, 256, false, PaintTele, 0},
    {"TEX_TELEGLOW", 128, 128, false, PaintTeleGlow, 0},
    {"TEX_ABSORB", 256, 128, false, PaintAbsorbFrame, 0},
    {"TEX_ABSORBGLOW", 128, 128, false, PaintAbsorbGlow, 0},
    {"TEX_BOARD01", 512, 256, false, PaintBoard, 0},
    {"TEX_BOARDTRIM01", 256, 128, false, PaintTrim, 0},
    {"TEX_PLATFORM01", 256, 320, false, PaintPlatform, 0},
    {"TEX_FLOOR01", 256, 256, false, PaintFloor, 0},
    {"TEX_WALL01", 512, 256, false, PaintWall, 0},
    {"TEX_BLOCKSHADOW", 64, 64, true, PaintBlockShadow, 0},
    {"TEX_SELECTION", 128, 128, false, PaintSelection, 0},
    {"TEX_BLACKHOLE", 128, 128, true, PaintBlackHole, 0},
    {"TEX_PFX_SPRINKLE", 64, 64, false, PaintSprinkle, 0},
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: modeltex OUTDIR [CID...]\n");
        return 2;
    }
    std::string outDir = argv[1];
    int written = 0;
    for (const TexDef& t : kTextures) {
        if (argc > 2) {
            bool wanted = false;
            for (int i = 2; i < argc; i++) wanted = wanted || strcmp(argv[i], t.name) == 0;
            if (!wanted) continue;
        }
        Image img(t.w, t.h, t.alpha);
        t.paint(img, t.variant);
        img.alpha = t.alpha;
        if (!WritePng(img, outDir + "/" + t.name)) return 1;
        written++;
    }
    if (written == 0) {
        fprintf(stderr, "modeltex: no texture written\n");
        return 1;
    }
    return 0;
}
