// meshgen/models — see models.h. Every model is a few primitives of the builder; the looks come
// mostly from the textures (tools/meshgen/modeltex.cpp), which share the rectangles of layout.h.
#include "models.h"

#include <cmath>
#include <cstdio>

#include "layout.h"

namespace mg {
namespace {

constexpr float kPi = 3.14159265f;

// Blocks: a 0.04 gap between neighbours shows the seams; the bevel catches the light.
constexpr float kBlockHalf = 0.48f;
constexpr float kBlockBevel = 0.075f;
const V3 kBlockCentre{0.0f, 0.0f, 0.5f};

// Vertex colours. Lighting multiplies them by the cosine towards the camera and the texture
// stage doubles the result, so 0.5 shows a texture at its own brightness on a face that looks
// straight at the camera; the game's camera looks down at about 35°, so most faces get a little
// more to make up for it.
const uint32_t kLit = Grey(0.66f);
const uint32_t kBright = Grey(0.98f);      // the flashing colour blocks
const uint32_t kBoard = Grey(0.70f);
const uint32_t kGlow = Grey(0.50f);        // unlit materials: the texture as it is

char g_tex[64];
const char* Tex(const char* fmt, int n)
{
    snprintf(g_tex, sizeof g_tex, fmt, n);
    return g_tex;
}

void CellPick(MeshBuilder& mb) { mb.PickBox({-0.5f, -0.5f, 0.0f}, {0.5f, 0.5f, 1.0f}); }

void Block(MeshBuilder& mb, const char* tex, uint32_t colour)
{
    mb.Texture(tex);
    mb.Colour(colour);
    mb.Box(kBlockCentre, {kBlockHalf, kBlockHalf, kBlockHalf}, kBlockBevel, kWhole, kBevelBand);
}

// ---- Plain, bright, metal, static blocks ----
void BuildColour(MeshBuilder& mb, int c)
{
    Block(mb, Tex("TEX_COLOR%02d", c), kLit);
    CellPick(mb);
}
void BuildColourBright(MeshBuilder& mb, int c)
{
    Block(mb, Tex("TEX_COLOR%02dC", c), kBright);
    CellPick(mb);
}
void BuildMetal(MeshBuilder& mb, int)
{
    Block(mb, "TEX_METAL", kLit);
    CellPick(mb);
}
void BuildStatic(MeshBuilder& mb, int c)
{
    if (c == 0)
        Block(mb, "TEX_B_METAL01", kLit);
    else
        Block(mb, Tex("TEX_B_COLOR%02d", c), kLit);
    CellPick(mb);
}

// ---- Frames: twelve bars between eight corner caps ----
void Frame(MeshBuilder& mb, const char* tex, float outer, float bar, float cap)
{
    mb.Texture(tex);
    float e = outer - cap;               // centre line of the bars and caps
    float len = e - cap;                 // half length of a bar between two caps
    for (int sx = -1; sx <= 1; sx += 2)
        for (int sy = -1; sy <= 1; sy += 2)
            for (int sz = -1; sz <= 1; sz += 2)
                mb.Box({sx * e, sy * e, 0.5f + sz * e}, {cap, cap, cap}, cap * 0.35f, kFrameCap, kBevelBand);
    for (int a = -1; a <= 1; a += 2)
        for (int b = -1; b <= 1; b += 2) {
            mb.Box({0, a * e, 0.5f + b * e}, {len, bar, bar}, bar * 0.4f, kFrameBar, kBevelBand);
            mb.Box({a * e, 0, 0.5f + b * e}, {bar, len, bar}, bar * 0.4f, kFrameBar, kBevelBand);
            mb.Box({a * e, b * e, 0.5f}, {bar, bar, len}, bar * 0.4f, kFrameBar, kBevelBand);
        }
}

void BuildSlideFrame(MeshBuilder& mb, int)
{
    mb.Colour(kLit);
    Frame(mb, "TEX_SLIDEFRAME", kBlockHalf, 0.05f, 0.068f);
    CellPick(mb);
}
// Inserts sway by up to 0.05 inside the frame, whose bars start 0.36 from the centre.
void BuildInsert(MeshBuilder& mb, int c)
{
    mb.Texture(c == 0 ? "TEX_METAL" : Tex("TEX_COLOR%02d", c));
    mb.Colour(Grey(0.74f));
    mb.Box(kBlockCentre, {0.29f, 0.29f, 0.29f}, 0.06f, kWhole, kBevelBand);
}

// ---- Scenery and the big square blocks ----
void BuildScenery(MeshBuilder& mb, int odd)
{
    mb.Texture("TEX_SCENERY01");
    mb.Colour(kLit);
    mb.Box(kBlockCentre, {0.49f, 0.49f, 0.49f}, 0.06f, odd ? kRightHalf : kLeftHalf, kBevelBand);
    CellPick(mb);
}
void BuildSquare(MeshBuilder& mb, int n)
{
    mb.Texture("TEX_BLOCK01");
    mb.Colour(kLit);
    float c = (n - 1) * 0.5f, h = n * 0.5f - 0.01f;
    mb.Box({c, c, n * 0.5f}, {h, h, h}, 0.08f, kWhole, kBevelBand, (float)n);
}

// ---- Crumbling stone: whole, chipped, falling apart ----
// The block is cut into 2 × 2 × 2 chunks; each chunk's faces show the matching quarter of the
// texture so the cracks still line up.
struct Chunk {
    int qx, qy, qz;      // ±1
    float shrink;        // 0 = full size
    float tilt;          // radians about a horizontal axis
    float turn;          // radians about z
    float drop;          // lowered by this much
};
void ChunkBox(MeshBuilder& mb, const Chunk& k)
{
    static const V3 kN[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    static const V3 kUp[6] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 1, 0}, {0, 1, 0}};
    V3 o{k.qx * 0.245f, k.qy * 0.245f, k.qz * 0.245f};
    UvRect rects[6];
    for (int f = 0; f < 6; f++) {
        V3 r = Cross(kN[f], kUp[f]);
        bool right = Dot(o, r) > 0, top = Dot(o, kUp[f]) > 0;
        rects[f] = UvRect{right ? 0.5f : 0.0f, top ? 0.0f : 0.5f, right ? 1.0f : 0.5f, top ? 0.5f : 1.0f};
    }
    float h = 0.235f * (1.0f - k.shrink);
    V3 c{o.x, o.y, 0.5f + o.z - k.drop - (0.235f - h)};
    mb.Push(XfTranslate(c) * XfRotZ(k.turn) * XfRotX(k.tilt * (float)k.qy) * XfRotY(-k.tilt * (float)k.qx));
    mb.BoxRects({0, 0, 0}, {h, h, h}, 0.04f, rects, kBevelBand * 0.5f);
    mb.Pop();
}
void BuildCrumble(MeshBuilder& mb, int stage)
{
    mb.Texture(Tex("TEX_CRUMBLE%02d", stage));
    mb.Colour(kLit);
    if (stage == 1) {
        mb.Box(kBlockCentre, {kBlockHalf, kBlockHalf, kBlockHalf}, 0.06f, kWhole, kBevelBand);
    } else if (stage == 2) {
        // Bottom half whole, the top split in four with one corner broken off.
        // The bottom half's sides show the lower half of the texture.
        const UvRect lower[6] = {{0, 0.5f, 1, 1}, {0, 0.5f, 1, 1}, {0, 0.5f, 1, 1},
                                 {0, 0.5f, 1, 1}, {0, 0, 1, 1},    {0, 0, 1, 1}};
        mb.BoxRects({0, 0, 0.255f}, {kBlockHalf, kBlockHalf, 0.235f}, 0.05f, lower, kBevelBand * 0.5f);
        ChunkBox(mb, {-1, -1, 1, 0.0f, 0.00f, 0.00f, 0.0f});
        ChunkBox(mb, {1, -1, 1, 0.02f, 0.03f, 0.02f, 0.0f});
        ChunkBox(mb, {-1, 1, 1, 0.03f, 0.02f, -0.03f, 0.0f});
        ChunkBox(mb, {1, 1, 1, 0.35f, 0.12f, 0.15f, 0.02f});
    } else {
        ChunkBox(mb, {-1, -1, -1, 0.0f, 0.00f, 0.00f, 0.0f});
        ChunkBox(mb, {1, -1, -1, 0.03f, 0.02f, 0.04f, 0.0f});
        ChunkBox(mb, {-1, 1, -1, 0.02f, 0.03f, -0.03f, 0.0f});
        ChunkBox(mb, {1, 1, -1, 0.06f, 0.05f, 0.06f, 0.0f});
        ChunkBox(mb, {-1, -1, 1, 0.08f, 0.07f, 0.05f, 0.02f});
        ChunkBox(mb, {1, -1, 1, 0.25f, 0.16f, -0.10f, 0.03f});
        ChunkBox(mb, {-1, 1, 1, 0.15f, 0.10f, 0.12f, 0.02f});
        // The ninth corner has fallen: a small loose stone where it was.
        ChunkBox(mb, {1, 1, 1, 0.55f, 0.35f, 0.6f, 0.12f});
    }
    CellPick(mb);
}

// ---- Revolved shapes ----
std::vector<ProfilePt> SphereProfile(float r, int steps)
{
    std::vector<ProfilePt> p;
    for (int i = 0; i <= steps; i++) {
        float a = -kPi * 0.5f + kPi * i / steps;
        p.push_back({r * std::cos(a), r * std::sin(a)});
    }
    p.front().r = 0;
    p.back().r = 0;
    return p;
}
// Closed cylinder from z0 to z1 with slightly rounded rims.
std::vector<ProfilePt> CylinderProfile(float r, float z0, float z1, float round)
{
    return {{0, z0, true},      {r - round, z0},       {r, z0 + round}, {r, z1 - round},
            {r - round, z1},    {0, z1, true}};
}

// ---- Bombs: a black sphere with its count painted on, a cap and a fuse ----
void BuildBomb(MeshBuilder& mb, int count)
{
    mb.Texture(Tex("TEX_SB_BOMB%d", count));
    mb.Colour(kLit);
    mb.Lathe({0, 0, 0.45f}, SphereProfile(0.40f, 14), 28, kBombBody);
    mb.Lathe({0, 0, 0}, CylinderProfile(0.12f, 0.78f, 0.90f, 0.02f), 16, kBombCap);
    // The fuse leans a little; the game shakes the bomb harder as the count runs down.
    mb.Push(XfTranslate({0.0f, 0.0f, 0.88f}) * XfRotX(0.35f));
    mb.Lathe({0, 0, 0}, CylinderProfile(0.028f, 0.0f, 0.12f, 0.008f), 8, kBombFuse);
    mb.Pop();
    CellPick(mb);
}

// ---- The mine: a steel drum with ribs and a hazard band ----
void BuildBarrel(MeshBuilder& mb, int)
{
    mb.Texture("TEX_BARREL");
    mb.Colour(kLit);
    std::vector<ProfilePt> side = {{0.34f, 0.02f, true}, {0.36f, 0.04f}, {0.36f, 0.30f}, {0.38f, 0.32f},
                                   {0.38f, 0.35f},       {0.36f, 0.37f}, {0.36f, 0.63f}, {0.38f, 0.65f},
                                   {0.38f, 0.68f},       {0.36f, 0.70f}, {0.36f, 0.95f}, {0.375f, 0.97f, true},
                                   {0.355f, 0.985f, true}};
    mb.Lathe({0, 0, 0}, side, 32, kBarrelSide);
    // The rim folds in and down to the lid.
    std::vector<ProfilePt> rim = {{0.355f, 0.985f, true}, {0.33f, 0.985f}, {0.325f, 0.96f, true}};
    mb.Lathe({0, 0, 0}, rim, 32, kBarrelRim);
    std::vector<V3> lid, bottom;
    for (int i = 0; i < 32; i++) {
        float a = 2 * kPi * i / 32;
        lid.push_back({0.325f * std::cos(a), 0.325f * std::sin(a), 0.96f});
        bottom.push_back({0.34f * std::cos(-a), 0.34f * std::sin(-a), 0.02f});
    }
    mb.Polygon(lid, {-1, 0, 0}, 1.0f / 0.66f, kBarrelLid);
    mb.Polygon(bottom, {1, 0, 0}, 1.0f / 0.7f, kBarrelLid);
    CellPick(mb);
}

// ---- Sprays: a paint canister with nozzles on its four sides and on top ----
void Nozzle(MeshBuilder& mb, uint32_t tint)
{
    uint32_t keep = mb.Colour();
    mb.Texture("TEX_METAL");
    mb.Colour(tint);
    std::vector<ProfilePt> p = {{0.0f, 0.0f, true}, {0.075f, 0.0f, true}, {0.075f, 0.03f}, {0.06f, 0.05f, true},
                                {0.03f, 0.05f, true}, {0.03f, 0.03f, true}, {0.0f, 0.03f, true}};
    mb.Lathe({0, 0, 0}, p, 14, {0.4f, 0.4f, 0.6f, 0.6f});
    mb.Colour(keep);
}
void BuildRespray(MeshBuilder& mb, int c)
{
    static const char* kTex[5] = {"TEX_SB_RESPRAYR", "TEX_SB_RESPRAYG", "TEX_SB_RESPRAYB", "TEX_SB_RESPRAYP",
                                  "TEX_SB_RESPRAYY"};
    static const float kTint[5][3] = {{1.0f, 0.45f, 0.40f}, {0.5f, 1.0f, 0.45f}, {0.45f, 0.6f, 1.0f},
                                      {0.85f, 0.45f, 1.0f}, {1.0f, 0.95f, 0.4f}};
    mb.Texture(kTex[c]);
    mb.Colour(kLit);
    mb.Box(kBlockCentre, {0.44f, 0.44f, 0.44f}, 0.07f, kWhole, kBevelBand);
    uint32_t tint = Argb(kTint[c][0] * 0.75f, kTint[c][1] * 0.75f, kTint[c][2] * 0.75f);
    // The game places the emitters at (0, 0, 0.8) and half a unit up on each side.
    mb.Push(XfTranslate({0, 0, 0.935f}));
    Nozzle(mb, tint);
    mb.Pop();
    for (int k = 0; k < 4; k++) {
        mb.Push(XfRotZ(k * kPi * 0.5f) * XfTranslate({0.435f, 0, 0.5f}) * XfRotY(kPi * 0.5f));
        Nozzle(mb, tint);
        mb.Pop();
    }
    CellPick(mb);
}

// ---- Magnet: a steel block with a pole stud in the middle of every face ----
void BuildMagnet(MeshBuilder& mb, int)
{
    mb.Texture("TEX_SB_MAGNET");
    mb.Colour(kLit);
    mb.Box(kBlockCentre, {0.46f, 0.46f, 0.46f}, 0.08f, kWhole, kBevelBand);
    mb.Texture("TEX_METAL");
    mb.Colour(Grey(0.8f));
    std::vector<ProfilePt> stud = {{0.0f, 0.0f, true}, {0.1f, 0.0f, true}, {0.1f, 0.02f}, {0.08f, 0.035f}, {0.0f, 0.035f}};
    const Xf faces[6] = {XfTranslate({0, 0, 0.955f}),
                         XfTranslate({0, 0, 0.045f}) * XfRotX(kPi),
                         XfTranslate({0.455f, 0, 0.5f}) * XfRotY(kPi * 0.5f),
                         XfTranslate({-0.455f, 0, 0.5f}) * XfRotY(-kPi * 0.5f),
                         XfTranslate({0, 0.455f, 0.5f}) * XfRotX(-kPi * 0.5f),
                         XfTranslate({0, -0.455f, 0.5f}) * XfRotX(kPi * 0.5f)};
    for (const Xf& f : faces) {
        mb.Push(f);
        mb.Lathe({0, 0, 0}, stud, 16, {0.45f, 0.45f, 0.55f, 0.55f});
        mb.Pop();
    }
    CellPick(mb);
}

// ---- Black hole: a dark sphere inside a tilted glowing ring (hidden in play, shown in lists) ----
void BuildBlackHole(MeshBuilder& mb, int)
{
    mb.Texture("TEX_SB_BLACKHOLE");
    mb.Colour(kLit);
    mb.Lathe(kBlockCentre, SphereProfile(0.27f, 12), 24, kHoleSphere);
    mb.Colour(kBright);
    mb.Push(XfTranslate(kBlockCentre) * XfRotX(0.45f) * XfRotY(0.2f));
    // Both faces of the flat ring: outwards along the underside, inwards along the top.
    mb.Lathe({0, 0, 0}, {{0.30f, 0.0f, true}, {0.47f, 0.0f, true}}, 32, {kHoleRing.u0, kHoleRing.v1, kHoleRing.u1, kHoleRing.v0});
    mb.Lathe({0, 0, 0}, {{0.47f, 0.0f, true}, {0.30f, 0.0f, true}}, 32, kHoleRing);
    mb.Pop();
    CellPick(mb);
}

// ---- Gem box: a gold frame round glass panes; the gem and the crystal inside it ----
void BuildGemBox(MeshBuilder& mb, int)
{
    mb.Colour(kLit);
    Frame(mb, "TEX_GEMBOX01", kBlockHalf, 0.045f, 0.06f);
    mb.Texture("TEX_GEMGLASS");
    mb.Colour(Grey(0.6f));
    float g = 0.435f;
    mb.Box(kBlockCentre, {g, g, g}, 0.0f, kWhole);
    CellPick(mb);
}
// A round brilliant: table, crown, girdle and a pointed pavilion, in flat facets.
void BuildGem(MeshBuilder& mb, int)
{
    mb.Texture("TEX_GEM01");
    mb.Colour(Grey(0.85f));
    const int n = 8;
    const float zc = 0.5f, rg = 0.27f, rt = 0.15f, zt = zc + 0.13f, zg = zc + 0.01f, zp = zc - 0.27f;
    auto pt = [&](float r, float a, float z) { return V3{r * std::cos(a), r * std::sin(a), z}; };
    auto uvOf = [&](V3 p) { return std::pair<float, float>{0.5f + p.x * 1.5f, 0.5f - p.y * 1.5f}; };
    auto tri = [&](V3 a, V3 b, V3 c) {
        auto [ua, va] = uvOf(a);
        auto [ub, vb] = uvOf(b);
        auto [uc, vc] = uvOf(c);
        // Outward: away from the gem's axis.
        V3 nrm = Cross(b - a, c - a);
        V3 mid = (a + b + c) * (1.0f / 3.0f) - V3{0, 0, zc - 0.03f};
        if (Dot(nrm, mid) < 0) std::swap(b, c), std::swap(ub, uc), std::swap(vb, vc);
        const float uv[6] = {ua, va, ub, vb, uc, vc};
        mb.FlatTri(a, b, c, uv);
    };
    for (int i = 0; i < n; i++) {
        float a0 = 2 * kPi * i / n, a1 = 2 * kPi * (i + 1) / n, am = (a0 + a1) * 0.5f;
        V3 g0 = pt(rg, a0, zg), g1 = pt(rg, a1, zg), gm = pt(rg * 1.02f, am, zg);
        V3 t0 = pt(rt, am - kPi / n, zt), t1 = pt(rt, am + kPi / n, zt);
        // Crown: star facets from the girdle up to the table's edge.
        tri(g0, gm, t0);
        tri(gm, g1, t1);
        tri(gm, t1, t0);
        // Table.
        tri(V3{0, 0, zt}, t0, t1);
        // Pavilion: long facets down to the point.
        tri(g0, V3{0, 0, zp}, gm);
        tri(gm, V3{0, 0, zp}, g1);
    }
}
// A hexagonal crystal with pointed ends, centred on its origin.
void BuildCrystal(MeshBuilder& mb, int)
{
    mb.Texture("TEX_GEM02");
    mb.Colour(Grey(0.85f));
    const int n = 6;
    const float r = 0.15f, zb = 0.17f, tip = 0.36f;
    auto pt = [&](float a, float z) { return V3{r * std::cos(a), r * std::sin(a), z}; };
    for (int i = 0; i < n; i++) {
        float a0 = 2 * kPi * i / n, a1 = 2 * kPi * (i + 1) / n;
        V3 b0 = pt(a0, -zb), b1 = pt(a1, -zb), t0 = pt(a0, zb), t1 = pt(a1, zb);
        float u0 = (float)i / n, u1 = (float)(i + 1) / n;
        const float side[8] = {1 - u0, 0.8f, 1 - u1, 0.8f, 1 - u1, 0.2f, 1 - u0, 0.2f};
        mb.Quad(b0, b1, t1, t0, side);
        const float top[6] = {1 - u0, 0.2f, 1 - u1, 0.2f, 0.5f - (u0 + u1) * 0.0f, 0.0f};
        mb.FlatTri(t0, t1, V3{0, 0, tip}, top);
        const float bot[6] = {1 - u1, 0.8f, 1 - u0, 0.8f, 0.5f, 1.0f};
        mb.FlatTri(b1, b0, V3{0, 0, -tip}, bot);
    }
}

// ---- Tele: a machine base with a glowing pad on top ----
void BuildTele(MeshBuilder& mb, int)
{
    mb.Texture("TEX_TELE");
    mb.Colour(kLit);
    mb.Box({0, 0, 0.36f}, {0.46f, 0.46f, 0.34f}, 0.07f, kTeleFace, kBevelBand);
    std::vector<ProfilePt> ring = {{0.40f, 0.69f, true}, {0.40f, 0.74f}, {0.37f, 0.78f}, {0.30f, 0.78f},
                                   {0.27f, 0.75f},       {0.27f, 0.72f, true}};
    mb.Lathe({0, 0, 0}, ring, 32, kTeleRing);
    mb.Texture("TEX_TELEGLOW");
    mb.Colour(kGlow);
    std::vector<V3> pad;
    for (int i = 0; i < 32; i++) {
        float a = 2 * kPi * i / 32;
        pad.push_back({0.27f * std::cos(a), 0.27f * std::sin(a), 0.72f});
    }
    mb.Polygon(pad, {-1, 0, 0}, 1.0f / 0.54f, kWhole);
    CellPick(mb);
}

// ---- Absorber: a violet cage round a spiky glowing core; four frames of its flicker ----
void BuildAbsorb(MeshBuilder& mb, int frame)
{
    mb.Colour(kLit);
    Frame(mb, "TEX_ABSORB", 0.46f, 0.035f, 0.05f);
    mb.Texture("TEX_ABSORBGLOW");
    mb.Colour(kGlow);
    // Core: an octahedron whose faces are raised into spikes; each frame turns and stretches it.
    static const float kSpike[4] = {0.30f, 0.36f, 0.27f, 0.40f};
    static const float kCore[4] = {0.16f, 0.13f, 0.18f, 0.12f};
    int f = frame - 1;
    mb.Push(XfTranslate(kBlockCentre) * XfRotZ(f * 0.39f) * XfRotX(f * 0.61f));
    const V3 ax[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int sx = -1; sx <= 1; sx += 2)
        for (int sy = -1; sy <= 1; sy += 2)
            for (int sz = -1; sz <= 1; sz += 2) {
                V3 a = ax[sx > 0 ? 0 : 1] * kCore[f], b = ax[sy > 0 ? 2 : 3] * kCore[f], c = ax[sz > 0 ? 4 : 5] * kCore[f];
                V3 tip = Norm(V3{(float)sx, (float)sy, (float)sz}) * kSpike[f];
                const float uvt[6] = {0.9f, 0.5f, 0.5f, 0.9f, 0.98f, 0.98f};
                auto out = [&](V3 p, V3 q, V3 r, const float* t) {
                    V3 n = Cross(q - p, r - p);
                    if (Dot(n, p + q + r) < 0) std::swap(q, r);
                    mb.FlatTri(p, q, r, t);
                };
                out(a, b, tip, uvt);
                out(b, c, tip, uvt);
                out(c, a, tip, uvt);
            }
    mb.Pop();
}

// ---- Board: tiles, the edge trim and its corners, the platform ----
void BuildTile(MeshBuilder& mb, int odd)
{
    mb.Texture("TEX_BOARD01");
    mb.Colour(kBoard);
    // No bottom face: nothing sees a tile from below.
    mb.Box({0, 0, -0.15f}, {0.5f, 0.5f, 0.15f}, 0.025f, odd ? kRightHalf : kLeftHalf, kBevelBand * 0.5f, 1.0f,
           1u << 5);
}
// The trim's cross-section, from its outer foot up over the rounded nose and down the low lip
// that meets the tile (r = distance outwards from the tile's edge).
std::vector<ProfilePt> TrimProfile()
{
    std::vector<ProfilePt> p = {{0.24f, -0.30f, true}, {0.24f, -0.10f}};
    const float cx = 0.08f, cz = -0.10f, rad = 0.16f;
    for (int i = 1; i <= 8; i++) {
        float a = (100.0f * i / 8) * kPi / 180.0f;
        p.push_back({cx + rad * std::cos(a), cz + rad * std::sin(a)});
    }
    p.push_back({0.0f, 0.045f, true});
    p.push_back({0.0f, 0.0f, true});
    return p;
}
void BuildEdge(MeshBuilder& mb, int)
{
    mb.Texture("TEX_BOARDTRIM01");
    mb.Colour(kBoard);
    // Sweep runs along x with the profile's r along +y, measured from the tile's +y edge.
    mb.Push(XfTranslate({0, 0.5f, 0}));
    mb.Sweep(TrimProfile(), -0.5f, 0.5f, kWhole);
    mb.Pop();
}
void BuildCorner(MeshBuilder& mb, int)
{
    mb.Texture("TEX_BOARDTRIM01");
    mb.Colour(kBoard);
    // Authored round the tile's +x +y corner, then turned so that corner lies on local +y.
    mb.Push(XfRotZ(kPi * 0.25f));
    mb.Lathe({0.5f, 0.5f, 0.0f}, TrimProfile(), 8, {0.0f, 0.0f, 0.25f, 1.0f}, 0.0f, kPi * 0.5f);
    mb.Pop();
}

// The platform's split lines run from the centre to the four corners with a fixed jagged
// offset, so neighbouring quarters share them exactly.
V3 SplitPoint(int corner, int i, int steps)
{
    static const float kCx[4] = {1, -1, -1, 1}, kCy[4] = {1, 1, -1, -1};
    float t = (float)i / steps;
    V3 p{kCx[corner] * t, kCy[corner] * t, 0};
    if (i > 0 && i < steps) {
        // Deterministic zig-zag across the line.
        uint32_t h = (uint32_t)(corner * 7919 + i * 104729) * 2654435761u;
        float j = ((h >> 8) & 0xFFFF) / 65535.0f - 0.5f;
        float amp = 0.03f * (i % 2 ? 1.0f : -1.0f) + j * 0.035f;
        V3 perp = Norm(V3{-kCy[corner], kCx[corner], 0});
        p = p + perp * amp;
    }
    return p;
}
void BuildPlatform(MeshBuilder& mb, int piece)
{
    // Quarter k (1 +y, 2 +x, 3 −y, 4 −x) lies between two split lines, listed counter-clockwise
    // seen from above.
    static const int kLines[4][2] = {{0, 1}, {3, 0}, {2, 3}, {1, 2}};
    const int steps = 10;
    const float zt = -0.004f, zb = -0.04f;
    int la = kLines[piece - 1][0], lb = kLines[piece - 1][1];
    mb.Texture("TEX_PLATFORM01");
    mb.Colour(kBoard);
    auto topUv = [&](V3 p, float* u, float* v) {
        *u = kPlatformTop.u0 + (kPlatformTop.u1 - kPlatformTop.u0) * (p.x + 1) * 0.5f;
        *v = kPlatformTop.v0 + (kPlatformTop.v1 - kPlatformTop.v0) * (1 - p.y) * 0.5f;
    };
    for (int i = 0; i < steps; i++) {
        V3 a0 = SplitPoint(la, i, steps), a1 = SplitPoint(la, i + 1, steps);
        V3 b0 = SplitPoint(lb, i, steps), b1 = SplitPoint(lb, i + 1, steps);
        for (int s = 0; s < 2; s++) {
            float z = s ? zb : zt;
            V3 p[4] = {V3{a0.x, a0.y, z}, V3{a1.x, a1.y, z}, V3{b1.x, b1.y, z}, V3{b0.x, b0.y, z}};
            float uv[8];
            for (int k = 0; k < 4; k++) topUv(p[k], &uv[2 * k], &uv[2 * k + 1]);
            // Seen from above a0 a1 b1 b0 runs counter-clockwise: the top keeps that order, the
            // bottom reverses it. At the centre the two lines meet and the quad is a triangle.
            if (i == 0) {
                const float t[6] = {uv[0], uv[1], uv[2], uv[3], uv[4], uv[5]};
                const float tr[6] = {uv[0], uv[1], uv[4], uv[5], uv[2], uv[3]};
                if (s == 0)
                    mb.FlatTri(p[0], p[1], p[2], t);
                else
                    mb.FlatTri(p[0], p[2], p[1], tr);
            } else if (s == 0) {
                mb.Quad(p[0], p[1], p[2], p[3], uv);
            } else {
                const float q[8] = {uv[0], uv[1], uv[6], uv[7], uv[4], uv[5], uv[2], uv[3]};
                mb.Quad(p[0], p[3], p[2], p[1], q);
            }
        }
    }
    // Sides: the broken faces along both split lines and the outer edge.
    for (int i = 0; i < steps; i++) {
        float u0 = (float)i / steps, u1 = (float)(i + 1) / steps;
        // Line a is the piece's clockwise side: walking outwards, the piece lies on the left.
        V3 a0 = SplitPoint(la, i, steps), a1 = SplitPoint(la, i + 1, steps);
        V3 b0 = SplitPoint(lb, i, steps), b1 = SplitPoint(lb, i + 1, steps);
        const float uv[8] = {u0, kPlatformSide.v0, u1, kPlatformSide.v0, u1, kPlatformSide.v1, u0, kPlatformSide.v1};
        V3 qa[4] = {V3{a0.x, a0.y, zt}, V3{a1.x, a1.y, zt}, V3{a1.x, a1.y, zb}, V3{a0.x, a0.y, zb}};
        V3 qb[4] = {V3{b0.x, b0.y, zt}, V3{b0.x, b0.y, zb}, V3{b1.x, b1.y, zb}, V3{b1.x, b1.y, zt}};
        // Orient each side face away from the piece's middle.
        V3 mid = (SplitPoint(la, steps, steps) + SplitPoint(lb, steps, steps)) * 0.35f;
        auto outQuad = [&](V3* q) {
            V3 n = Cross(q[1] - q[0], q[2] - q[0]);
            V3 c = (q[0] + q[2]) * 0.5f - V3{mid.x, mid.y, (zt + zb) * 0.5f};
            if (Dot(n, c) < 0) std::swap(q[1], q[3]);
            mb.Quad(q[0], q[1], q[2], q[3], uv);
        };
        outQuad(qa);
        outQuad(qb);
    }
    // Outer edge between the two corners.
    V3 ca = SplitPoint(la, steps, steps), cb = SplitPoint(lb, steps, steps);
    V3 q[4] = {V3{ca.x, ca.y, zt}, V3{ca.x, ca.y, zb}, V3{cb.x, cb.y, zb}, V3{cb.x, cb.y, zt}};
    V3 n = Cross(q[1] - q[0], q[2] - q[0]);
    if (Dot(n, (ca + cb)) < 0) std::swap(q[1], q[3]);
    const float uv[8] = {0, kPlatformSide.v0, 0, kPlatformSide.v1, 1, kPlatformSide.v1, 1, kPlatformSide.v0};
    mb.Quad(q[0], q[1], q[2], q[3], uv);
}

void BuildNull(MeshBuilder&, int) {}

}  // namespace

const std::vector<ModelDef>& ModelList()
{
    static const std::vector<ModelDef> list = {
        {"BFM_NULL", BuildNull, 0, false},
        {"BFM_COLOR01", BuildColour, 1, true},
        {"BFM_COLOR02", BuildColour, 2, true},
        {"BFM_COLOR03", BuildColour, 3, true},
        {"BFM_COLOR04", BuildColour, 4, true},
        {"BFM_COLOR05", BuildColour, 5, true},
        {"BFM_COLOR01C", BuildColourBright, 1, true},
        {"BFM_COLOR02C", BuildColourBright, 2, true},
        {"BFM_COLOR03C", BuildColourBright, 3, true},
        {"BFM_COLOR04C", BuildColourBright, 4, true},
        {"BFM_COLOR05C", BuildColourBright, 5, true},
        {"BFM_METAL", BuildMetal, 0, true},
        {"BFM_SLIDEFRAME", BuildSlideFrame, 0, true},
        {"BFM_S_COLOR01", BuildInsert, 1, false},
        {"BFM_S_COLOR02", BuildInsert, 2, false},
        {"BFM_S_COLOR03", BuildInsert, 3, false},
        {"BFM_S_COLOR04", BuildInsert, 4, false},
        {"BFM_S_COLOR05", BuildInsert, 5, false},
        {"BFM_S_METAL01", BuildInsert, 0, false},
        {"BFM_B_COLOR01", BuildStatic, 1, true},
        {"BFM_B_COLOR02", BuildStatic, 2, true},
        {"BFM_B_COLOR03", BuildStatic, 3, true},
        {"BFM_B_COLOR04", BuildStatic, 4, true},
        {"BFM_B_COLOR05", BuildStatic, 5, true},
        {"BFM_B_METAL01", BuildStatic, 0, true},
        {"BFM_SCENERY01EVEN", BuildScenery, 0, true},
        {"BFM_SCENERY01ODD", BuildScenery, 1, true},
        {"BFM_CRUMBLE01", BuildCrumble, 1, true},
        {"BFM_CRUMBLE02", BuildCrumble, 2, true},
        {"BFM_CRUMBLE03", BuildCrumble, 3, true},
        {"BFM_SB_BOMB3", BuildBomb, 3, true},
        {"BFM_SB_BOMB2", BuildBomb, 2, true},
        {"BFM_SB_BOMB1", BuildBomb, 1, true},
        {"BFM_SB_BOMB0", BuildBomb, 0, true},
        {"BFM_BARREL", BuildBarrel, 0, true},
        {"BFM_SB_RESPRAYR", BuildRespray, 0, true},
        {"BFM_SB_RESPRAYG", BuildRespray, 1, true},
        {"BFM_SB_RESPRAYB", BuildRespray, 2, true},
        {"BFM_SB_RESPRAYP", BuildRespray, 3, true},
        {"BFM_SB_RESPRAYY", BuildRespray, 4, true},
        {"BFM_SB_MAGNET", BuildMagnet, 0, true},
        {"BFM_SB_BLACKHOLE", BuildBlackHole, 0, true},
        {"BFM_GEMBOX01", BuildGemBox, 0, true},
        {"BFM_GEM01", BuildGem, 0, false},
        {"BFM_GEM02", BuildCrystal, 0, false},
        {"BFM_TELE", BuildTele, 0, true},
        {"BFM_ABSORB1", BuildAbsorb, 1, false},
        {"BFM_ABSORB2", BuildAbsorb, 2, false},
        {"BFM_ABSORB3", BuildAbsorb, 3, false},
        {"BFM_ABSORB4", BuildAbsorb, 4, false},
        {"BFM_BLOCK1", BuildSquare, 1, false},
        {"BFM_BLOCK2", BuildSquare, 2, false},
        {"BFM_BLOCK3", BuildSquare, 3, false},
        {"BFM_BLOCK4", BuildSquare, 4, false},
        {"BFM_BOARD01_EVEN01", BuildTile, 0, false},
        {"BFM_BOARD01_ODD01", BuildTile, 1, false},
        {"BFM_BOARD01_EDGE01", BuildEdge, 0, false},
        {"BFM_BOARD01_CORNER01", BuildCorner, 0, false},
        {"BFM_PLATFORM_P1", BuildPlatform, 1, false},
        {"BFM_PLATFORM_P2", BuildPlatform, 2, false},
        {"BFM_PLATFORM_P3", BuildPlatform, 3, false},
        {"BFM_PLATFORM_P4", BuildPlatform, 4, false},
    };
    return list;
}

}  // namespace mg
