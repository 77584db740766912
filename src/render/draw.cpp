// render/draw — state cache, drawing modes, lights and the screen and world quads.
//
// Every state change of the engine passes through here so that repeated values never reach
// the device. The cache starts unknown (the sentinel never matches) after the device is made
// and after every reset; the blend mode, address flags and cull flag are engine-level values
// that survive invalidation on purpose (the states under them are re-sent when they change).
// Depends on: render/device, render/texture, core/input, core/settings, app/clock.
// Limits: states outside the cache's ranges go straight to the device, uncached.
#include "render/draw.h"

#include <cmath>
#include <cstring>

#include "app/clock.h"
#include "core/input.h"
#include "core/settings.h"
#include "render/device.h"
#include "render/texture.h"

using namespace gfx;

namespace {

constexpr int kRenderStates = 256;
constexpr int kStages = 8;
constexpr int kStageStates = 128;
constexpr int kLights = 4;

struct Cache {
    uint32_t rs[kRenderStates];
    uint32_t tss[kStages * kStageStates];
    int textures[kStages];
    uint32_t fvf;
    int blend = (int)DRW_Unknown;
    uint32_t address = DRW_Unknown;
    bool cull = false;
    const Light* lightPtr[kLights];
    bool lightEnabled[kLights];
};
Cache g_cache;
bool g_lighting = false;
bool g_fog = false;
Light g_lights[kLights];

PRCT_Vect g_scr[4];
PNCT_Vect g_quad[4];

enum { TL = 0, TR = 1, BL = 2, BR = 3 };

float BufW() { return (float)CFG_Width; }
float BufH() { return (float)CFG_Height; }

// × 255 and truncated toward zero, keeping the low 8 bits (so 1.5 gives 382 & 255 = 126).
// Values far outside the channel range wrap the same way instead of overflowing the cast.
uint32_t Channel(float c)
{
    double v = (double)c * 255.0;
    if (!std::isfinite(v)) return 0;
    v = std::fmod(std::trunc(v), 4294967296.0);
    int64_t i = (int64_t)v;
    return (uint32_t)i & 0xFF;
}

} // namespace

// ---- State cache ----

void DRW_InvalidateCache()
{
    for (uint32_t& v : g_cache.rs) v = DRW_Unknown;
    for (uint32_t& v : g_cache.tss) v = DRW_Unknown;
    for (int& t : g_cache.textures) t = (int)DRW_Unknown;
    g_cache.fvf = DRW_Unknown;
    for (int i = 0; i < kLights; ++i) {
        g_cache.lightPtr[i] = nullptr;
        g_cache.lightEnabled[i] = false;
    }
}

void DRW_SetRenderState(uint32_t state, uint32_t value)
{
    if (state < (uint32_t)kRenderStates) {
        if (g_cache.rs[state] == value && value != DRW_Unknown) return;
        g_cache.rs[state] = value;
    }
    if (DEV_Device) DEV_Device->SetRenderState(state, value);
}

void DRW_SetStageState(uint32_t stage, uint32_t type, uint32_t value)
{
    if (stage < (uint32_t)kStages && type < (uint32_t)kStageStates) {
        uint32_t& slot = g_cache.tss[stage * kStageStates + type];
        if (slot == value && value != DRW_Unknown) return;
        slot = value;
    }
    if (DEV_Device) DEV_Device->SetTextureStageState(stage, type, value);
}

uint32_t DRW_GetRenderState(uint32_t state)
{
    return state < (uint32_t)kRenderStates ? g_cache.rs[state] : DRW_Unknown;
}

uint32_t DRW_GetStageState(uint32_t stage, uint32_t type)
{
    if (stage >= (uint32_t)kStages || type >= (uint32_t)kStageStates) return DRW_Unknown;
    return g_cache.tss[stage * kStageStates + type];
}

void DRW_SetFVF(uint32_t fvf)
{
    if (g_cache.fvf == fvf && fvf != DRW_Unknown) return;
    g_cache.fvf = fvf;
    if (DEV_Device) DEV_Device->SetVertexFormat(fvf);
}

void DRW_SetTexture(int slot, uint32_t stage)
{
    // Texture 0 means "plain": the white texture. A slot number outside the table is treated
    // the same rather than read past its end.
    if (slot <= 0 || slot >= TEX_MaxSlots) slot = TEX_Find("TEX_FX_WHITE");
    if (stage >= (uint32_t)kStages) return;
    if (g_cache.textures[stage] == slot) return;
    g_cache.textures[stage] = slot;
    if (DEV_Device) DEV_Device->SetTexture(stage, slot > 0 ? TEX_Table[slot].texture : nullptr);
}

int DRW_GetTexture(uint32_t stage)
{
    return stage < (uint32_t)kStages ? g_cache.textures[stage] : 0;
}

// ---- Drawing modes ----

void DRW_SetBlend(int mode)
{
    if (mode == g_cache.blend) return;
    struct Row { uint32_t src, dest, zwrite, atest; };
    Row row;
    switch (mode) {
    case -1: row = {BLEND_SRCALPHA, BLEND_INVSRCALPHA, 0, 1}; break;
    case 0: row = {BLEND_ONE, BLEND_ZERO, 1, 0}; break;
    case 1: row = {BLEND_INVSRCALPHA, BLEND_SRCALPHA, 0, 0}; break;
    case 2: row = {BLEND_ONE, BLEND_ONE, 0, 0}; break;
    case 3: row = {BLEND_ZERO, BLEND_INVSRCCOLOR, 0, 0}; break;
    case 4: row = {BLEND_ZERO, BLEND_ONE, 1, 1}; break;
    case 5: row = {BLEND_ZERO, BLEND_ONE, 0, 0}; break;
    case 6: row = {BLEND_DESTCOLOR, BLEND_SRCCOLOR, 0, 0}; break;
    case 7: row = {BLEND_ONE, BLEND_ZERO, 0, 0}; break;
    case 8: row = {BLEND_SRCALPHA, BLEND_INVSRCALPHA, 1, 1}; break;
    default:
        g_cache.blend = mode;   // unknown modes are remembered but change nothing
        return;
    }
    if (mode == 5) {
        DRW_SetRenderState(RS_SRCBLEND, row.src);
        DRW_SetRenderState(RS_DESTBLEND, row.dest);
    } else {
        DRW_SetRenderState(RS_DESTBLEND, row.dest);
        DRW_SetRenderState(RS_SRCBLEND, row.src);
    }
    DRW_SetRenderState(RS_ZWRITEENABLE, row.zwrite);
    DRW_SetRenderState(RS_ALPHATESTENABLE, row.atest);
    g_cache.blend = mode;
}

int DRW_GetBlend() { return g_cache.blend; }

int DRW_BlendFromWord(const char* word)
{
    if (!word) return 0;
    size_t len = strnlen(word, 8);
    if (len < 8) return 0;
    char a = word[6], b = word[7];
    struct Pair { char a, b; int mode; };
    static const Pair kPairs[] = {
        {'B', 'A', 7}, {'F', 'A', 1}, {'M', 'A', 4}, {'A', 'D', 2},
        {'A', 'L', -1}, {'I', 'N', 6}, {'S', 'U', 3},
    };
    for (const Pair& p : kPairs)
        if (p.a == a && p.b == b) return p.mode;
    return 0;
}

void DRW_SetAddress(uint32_t flags)
{
    if (flags == g_cache.address) return;
    g_cache.address = flags;
    DRW_SetStageState(0, TSS_ADDRESSU, (flags & 1) ? TADDRESS_CLAMP : TADDRESS_WRAP);
    DRW_SetStageState(0, TSS_ADDRESSV, (flags & 2) ? TADDRESS_CLAMP : TADDRESS_WRAP);
}

uint32_t DRW_GetAddress()
{
    uint32_t flags = 0;
    if (DRW_GetStageState(0, TSS_ADDRESSU) == TADDRESS_CLAMP) flags |= 1;
    if (DRW_GetStageState(0, TSS_ADDRESSV) == TADDRESS_CLAMP) flags |= 2;
    return flags;
}

void DRW_SetFilter(bool linear)
{
    uint32_t f = linear ? TEXF_LINEAR : TEXF_POINT;
    DRW_SetStageState(0, TSS_MINFILTER, f);
    DRW_SetStageState(0, TSS_MAGFILTER, f);
    DRW_SetStageState(0, TSS_MIPFILTER, f);
}

bool DRW_IsLinear() { return DRW_GetStageState(0, TSS_MINFILTER) == TEXF_LINEAR; }

void DRW_SetCull(bool on)
{
    if (on == g_cache.cull) return;
    g_cache.cull = on;
    DRW_SetRenderState(RS_CULLMODE, on ? CULL_CCW : CULL_NONE);
}

bool DRW_IsCulling() { return DRW_GetRenderState(RS_CULLMODE) == CULL_CCW; }

void DRW_SetZEnable(bool on) { DRW_SetRenderState(RS_ZENABLE, on ? 1u : 0u); }

void DRW_FrameDefaults()
{
    DRW_SetStageState(0, TSS_COLOROP, TOP_MODULATE2X);
    DRW_SetStageState(0, TSS_ALPHAOP, TOP_MODULATE);
    DRW_SetStageState(0, TSS_COLORARG1, TA_TEXTURE);
    DRW_SetStageState(0, TSS_COLORARG2, TA_CURRENT);
    DRW_SetStageState(0, TSS_ALPHAARG1, TA_TEXTURE);
    DRW_SetStageState(0, TSS_ALPHAARG2, TA_CURRENT);

    DRW_SetRenderState(RS_AMBIENTMATERIALSOURCE, MCS_COLOR1);
    DRW_SetRenderState(RS_ZENABLE, 1);
    DRW_SetRenderState(RS_ZWRITEENABLE, 1);
    DRW_SetRenderState(RS_SHADEMODE, SHADE_GOURAUD);
    DRW_SetRenderState(RS_ZFUNC, CMP_LESSEQUAL);
    DRW_SetRenderState(RS_SPECULARENABLE, 0);
    DRW_SetRenderState(RS_ALPHABLENDENABLE, 1);
    DRW_SetRenderState(RS_ALPHATESTENABLE, 0);
    DRW_SetRenderState(RS_ALPHAFUNC, CMP_GREATER);
    DRW_SetRenderState(RS_ALPHAREF, 5);
    DRW_SetRenderState(RS_ZBIAS, 0);

    DRW_SetBlend(0);
    DRW_SetFilter(true);
    DRW_SetAddress(0);
}

bool DRW_FogOn() { return g_fog; }

// ---- Lights ----

void LIGHT_Enable(bool on)
{
    g_lighting = on;
    if (!on) {
        DRW_SetRenderState(RS_LIGHTING, 0);
        for (int i = 0; i < kLights; ++i) LIGHT_Set(i, nullptr, false);
    }
}

bool LIGHT_IsEnabled() { return g_lighting; }

void LIGHT_ForgetAll()
{
    for (auto& p : g_cache.lightPtr) p = nullptr;
}

void LIGHT_Set(int index, const Light* light, bool force)
{
    if (index < 0 || index >= kLights) return;
    if (light) {
        if (light != g_cache.lightPtr[index] || force) {
            g_cache.lightPtr[index] = light;
            if (DEV_Device) DEV_Device->SetLight((uint32_t)index, *light);
        }
        if (!g_cache.lightEnabled[index]) {
            g_cache.lightEnabled[index] = true;
            if (DEV_Device) DEV_Device->LightEnable((uint32_t)index, true);
        }
    } else if (g_cache.lightEnabled[index]) {
        g_cache.lightEnabled[index] = false;
        if (DEV_Device) DEV_Device->LightEnable((uint32_t)index, false);
    }
}

void LIGHT_SetDirectional(const Vec3& direction, float dr, float dg, float db, float ar, float ag,
                          float ab, int index)
{
    if (index < 0 || index >= kLights) return;
    LIGHT_ForgetAll();
    DRW_SetRenderState(RS_NORMALIZENORMALS, 1);
    Light& l = g_lights[index];
    std::memset(&l, 0, sizeof l);
    l.type = LIGHT_DIRECTIONAL;
    l.diffuse = {dr, dg, db, 0};
    l.ambient = {ar, ag, ab, 0};
    l.position = {CAM_Eye.x, CAM_Eye.y, CAM_Eye.z};
    l.direction = {direction.x, direction.y, direction.z};
    l.range = 10000.0f;
    LIGHT_Set(index, &l, true);
}

Light* LIGHT_Record(int index) { return index >= 0 && index < kLights ? &g_lights[index] : nullptr; }

// ---- Colour ----

uint32_t DRW_PackColour(float r, float g, float b, float a)
{
    return Channel(a) << 24 | Channel(r) << 16 | Channel(g) << 8 | Channel(b);
}

// ---- Screen quad ----

PRCT_Vect* SCR_Vertices() { return g_scr; }

void SCR_Init()
{
    for (auto& v : g_scr) v.rhw = 0.5f;
}

void SCR_SetRect(float l, float t, float r, float b)
{
    const float W = BufW(), H = BufH();
    g_scr[TL].x = l * W; g_scr[TL].y = t * H;
    g_scr[TR].x = r * W; g_scr[TR].y = t * H;
    g_scr[BL].x = l * W; g_scr[BL].y = b * H;
    g_scr[BR].x = r * W; g_scr[BR].y = b * H;
}

void SCR_SetDepth(float z)
{
    for (auto& v : g_scr) v.z = z;
}

uint32_t SCR_SetColour(float r, float g, float b, float a)
{
    uint32_t c = DRW_PackColour(r, g, b, a);
    for (auto& v : g_scr) v.colour = c;
    return c;
}

void SCR_SetUV(float u0, float v0, float u1, float v1)
{
    g_scr[TL].u = u0; g_scr[TL].v = v0;
    g_scr[TR].u = u1; g_scr[TR].v = v0;
    g_scr[BL].u = u0; g_scr[BL].v = v1;
    g_scr[BR].u = u1; g_scr[BR].v = v1;
}

void SCR_SetUVRotated(float a, float b, float c, float d)
{
    g_scr[TL].u = a; g_scr[TL].v = d;
    g_scr[TR].u = a; g_scr[TR].v = b;
    g_scr[BL].u = c; g_scr[BL].v = d;
    g_scr[BR].u = c; g_scr[BR].v = b;
}

void SCR_Move(float dx, float dy)
{
    const float px = dx * BufW(), py = dy * BufH();
    for (auto& v : g_scr) {
        v.x += px;
        v.y += py;
    }
}

namespace {

void ScrMean(float* cx, float* cy)
{
    *cx = (g_scr[0].x + g_scr[1].x + g_scr[2].x + g_scr[3].x) * 0.25f;
    *cy = (g_scr[0].y + g_scr[1].y + g_scr[2].y + g_scr[3].y) * 0.25f;
}

void ScrTurn(float angle, float cx, float cy)
{
    const float c = std::cos(angle), s = std::sin(angle);
    for (auto& v : g_scr) {
        float x = v.x - cx, y = v.y - cy;
        v.x = cx + x * c - y * s;
        v.y = cy + x * s + y * c;
    }
}

} // namespace

void SCR_Scale(float s, float cx, float cy)
{
    float px, py;
    if (cx == -1.0f && cy == -1.0f) ScrMean(&px, &py);
    else {
        px = cx * BufW();
        py = cy * BufH();
    }
    for (auto& v : g_scr) {
        v.x = px + (v.x - px) * s;
        v.y = py + (v.y - py) * s;
    }
}

void SCR_Rotate(float angle)
{
    float cx, cy;
    ScrMean(&cx, &cy);
    ScrTurn(angle, cx, cy);
}

void SCR_RotateAbout(float angle, float cx, float cy) { ScrTurn(angle, cx * BufW(), cy * BufH()); }

void SCR_RotatePoint(float angle, float cx, float cy, float* x, float* y)
{
    const float c = std::cos(-angle), s = std::sin(-angle);
    const float mx = MOU_X - cx, my = MOU_Y - cy;
    if (x) *x = cx + mx * c - my * s;
    if (y) *y = cy + mx * s + my * c;
}

void SCR_Line(float x0, float y0, float x1, float y1, float e)
{
    const float W = BufW(), H = BufH();
    const float dx = x1 - x0, dy = y1 - y0;
    const float len = std::sqrt(dx * dx + dy * dy);
    // A zero-length band has no direction; draw nothing rather than spread NaNs.
    const float g = len > 0 ? dy * e / len * H : 0.0f;
    const float f = len > 0 ? dx * e / len * W : 0.0f;
    g_scr[TL].x = x0 * W - g; g_scr[TL].y = y0 * H + f;
    g_scr[TR].x = x0 * W + g; g_scr[TR].y = y0 * H - f;
    g_scr[BL].x = x1 * W - g; g_scr[BL].y = y1 * H + f;
    g_scr[BR].x = x1 * W + g; g_scr[BR].y = y1 * H - f;
}

void SCR_Lerp(float s, float t, float* x, float* y, float* z)
{
    auto lerp = [](float a, float b, float k) { return a + k * (b - a); };
    float tx = lerp(g_scr[TL].x, g_scr[TR].x, s), ty = lerp(g_scr[TL].y, g_scr[TR].y, s);
    float tz = lerp(g_scr[TL].z, g_scr[TR].z, s);
    float bx = lerp(g_scr[BL].x, g_scr[BR].x, s), by = lerp(g_scr[BL].y, g_scr[BR].y, s);
    float bz = lerp(g_scr[BL].z, g_scr[BR].z, s);
    if (x) *x = lerp(tx, bx, t) / BufW();
    if (y) *y = lerp(ty, by, t) / BufH();
    if (z) *z = lerp(tz, bz, t);
}

bool SCR_HitTest()
{
    const float x = MOU_X * BufW(), y = MOU_Y * BufH();
    return g_scr[TL].x < x && x < g_scr[TR].x && g_scr[TL].y < y && y < g_scr[BL].y;
}

bool SCR_Clip(float l, float t, float r, float b)
{
    PRCT_Vect* q = g_scr;
    if (r < q[TL].x || l > q[TR].x || b < q[TL].y || t > q[BL].y) return true;
    if (q[TL].x < l) {
        float k = (l - q[TL].x) / (q[TR].x - q[TL].x);
        float u = q[TL].u + k * (q[TR].u - q[TL].u);
        q[TL].u = q[BL].u = u;
        q[TL].x = q[BL].x = l;
    }
    if (q[TL].y < t) {
        float k = (t - q[TL].y) / (q[BL].y - q[TL].y);
        float v = q[TL].v + k * (q[BL].v - q[TL].v);
        q[TL].v = q[TR].v = v;
        q[TL].y = q[TR].y = t;
    }
    if (r < q[TR].x) {
        float w = q[TR].x - q[TL].x;
        if (w <= 0) return true;   // an inverted clip rectangle leaves nothing
        float k = (q[TR].x - r) / w;
        float u = q[TR].u - k * (q[TR].u - q[TL].u);
        q[TR].u = q[BR].u = u;
        q[TR].x = q[BR].x = r;
    }
    if (b < q[BL].y) {
        float h = q[BL].y - q[TL].y;
        if (h <= 0) return true;
        float k = (q[BL].y - b) / h;
        float v = q[BL].v - k * (q[BL].v - q[TL].v);
        q[BL].v = q[BR].v = v;
        q[BL].y = q[BR].y = b;
    }
    return false;
}

void SCR_Draw()
{
    DRW_SetFVF(DRW_FVF_PRCT);
    if (DEV_Device) DEV_Device->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, g_scr, sizeof(PRCT_Vect));
}

void SCR_DrawImage(int slot, bool neutral, bool fullScreen, bool mirror, bool upsideDown)
{
    if (slot != 0) DRW_SetTexture(slot, 0);
    const int bound = DRW_GetTexture(0);

    const bool wasLinear = DRW_IsLinear();
    const uint32_t wasAddress = DRW_GetAddress();
    if (wasLinear && CFG_Width == 1024 && CFG_Height == 768 && bound > 0 && bound < TEX_MaxSlots &&
        TEX_Table[bound].width == 1024.0f && TEX_Table[bound].height == 768.0f)
        DRW_SetFilter(false);   // a full-size picture shown pixel for pixel
    DRW_SetAddress(2);

    if (fullScreen) SCR_SetRect(0, 0, 1, 1);
    if (neutral) SCR_SetColour(0.5f, 0.5f, 0.5f, 1.0f);
    if (upsideDown) {
        SCR_Move(0, 0.001f);
        if (mirror) SCR_SetUV(1, 1, 0, 0);
        else SCR_SetUV(0, 1, 1, 0);
    } else {
        SCR_Move(0, -0.001f);
        if (mirror) SCR_SetUV(1, 0, 0, 1);
        else SCR_SetUV(0, 0, 1, 1);
    }
    SCR_Draw();
    DRW_SetFilter(wasLinear);
    DRW_SetAddress(wasAddress);
}

// ---- World quad ----

PNCT_Vect* QUAD_Vertices() { return g_quad; }

void QUAD_SetRect(float x0, float y0, float x1, float y1, float z)
{
    g_quad[TL].x = x0; g_quad[TL].y = y0; g_quad[TL].z = z;
    g_quad[TR].x = x1; g_quad[TR].y = y0; g_quad[TR].z = z;
    g_quad[BL].x = x0; g_quad[BL].y = y1; g_quad[BL].z = z;
    g_quad[BR].x = x1; g_quad[BR].y = y1; g_quad[BR].z = z;
}

void QUAD_SetCorners(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3)
{
    const Vec3* p[4] = {&p0, &p1, &p2, &p3};
    for (int i = 0; i < 4; ++i) {
        g_quad[i].x = p[i]->x;
        g_quad[i].y = p[i]->y;
        g_quad[i].z = p[i]->z;
    }
}

void QUAD_Move(float dx, float dy)
{
    for (auto& v : g_quad) {
        v.x += dx;
        v.y += dy;
    }
}

void QUAD_SetNormal(const Vec3& n) { QUAD_SetNormals(n, n, n, n); }

void QUAD_SetNormals(const Vec3& n0, const Vec3& n1, const Vec3& n2, const Vec3& n3)
{
    const Vec3* n[4] = {&n0, &n1, &n2, &n3};
    for (int i = 0; i < 4; ++i) {
        g_quad[i].nx = n[i]->x;
        g_quad[i].ny = n[i]->y;
        g_quad[i].nz = n[i]->z;
    }
}

void QUAD_SetColour(uint32_t colour)
{
    for (auto& v : g_quad) v.colour = colour;
}

uint32_t QUAD_SetColourRGBA(float r, float g, float b, float a)
{
    uint32_t c = DRW_PackColour(r, g, b, a);
    QUAD_SetColour(c);
    return c;
}

void QUAD_SetUV(float u0, float v0, float u1, float v1)
{
    g_quad[TL].u = u0; g_quad[TL].v = v0;
    g_quad[TR].u = u1; g_quad[TR].v = v0;
    g_quad[BL].u = u0; g_quad[BL].v = v1;
    g_quad[BR].u = u1; g_quad[BR].v = v1;
}

void QUAD_SetUVRotated(float a, float b, float c, float d)
{
    g_quad[TL].u = a; g_quad[TL].v = d;
    g_quad[TR].u = a; g_quad[TR].v = b;
    g_quad[BL].u = c; g_quad[BL].v = d;
    g_quad[BR].u = c; g_quad[BR].v = b;
}

namespace {

void QuadCentre(float cx, float cy, float* px, float* py)
{
    if (cx == -1.0f && cy == -1.0f) {
        *px = (g_quad[0].x + g_quad[1].x + g_quad[2].x + g_quad[3].x) * 0.25f;
        *py = (g_quad[0].y + g_quad[1].y + g_quad[2].y + g_quad[3].y) * 0.25f;
    } else {
        *px = cx;
        *py = cy;
    }
}

} // namespace

void QUAD_Scale(float sx, float sy, float cx, float cy)
{
    if (sx != -1.0f && sy == -1.0f) sy = sx;
    float px, py;
    QuadCentre(cx, cy, &px, &py);
    for (auto& v : g_quad) {
        v.x = px + (v.x - px) * sx;
        v.y = py + (v.y - py) * sy;
    }
}

void QUAD_Rotate(float angle, float cx, float cy)
{
    float px, py;
    QuadCentre(cx, cy, &px, &py);
    const float c = std::cos(angle), s = std::sin(angle);
    for (auto& v : g_quad) {
        float x = v.x - px, y = v.y - py;
        v.x = px + x * c - y * s;
        v.y = py + x * s + y * c;
    }
}

Vec3 QUAD_Lerp(float s, float t)
{
    auto lerp = [](float a, float b, float k) { return a + k * (b - a); };
    Vec3 top = {lerp(g_quad[TL].x, g_quad[TR].x, s), lerp(g_quad[TL].y, g_quad[TR].y, s),
                lerp(g_quad[TL].z, g_quad[TR].z, s)};
    Vec3 bottom = {lerp(g_quad[BL].x, g_quad[BR].x, s), lerp(g_quad[BL].y, g_quad[BR].y, s),
                   lerp(g_quad[BL].z, g_quad[BR].z, s)};
    return {lerp(top.x, bottom.x, t), lerp(top.y, bottom.y, t), lerp(top.z, bottom.z, t)};
}

void QUAD_Draw()
{
    DRW_SetFVF(DRW_FVF_PNCT);
    if (DEV_Device) DEV_Device->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, g_quad, sizeof(PNCT_Vect));
}
