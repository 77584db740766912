// render/fx — glare sprites, flashes and fades.
//
// Glare sprites are squares facing the screen, sized by projecting the point and a point one
// size above it along the camera's up vector, so they shrink with distance like the world
// around them. Flashes add their colours into one additive full-screen quad; the fade darkens
// the whole picture with the "darken" blend. Flashes follow game time (they slow with the
// game), the fade follows real time (interface fades keep their pace in pause).
// Depends on: render/draw, render/material (the "MTL_FX_GLARE" batch), render/texture,
// core/math, core/settings, app/clock.
// Limits: 8 flash slots; one fade; sprites behind the camera are not queued; without a
// screen-vertex "MTL_FX_GLARE" material glare sprites are dropped.
#include "render/fx.h"

#include <cmath>
#include <cstring>

#include "app/clock.h"
#include "core/settings.h"
#include "render/material.h"
#include "render/texture.h"

namespace {

constexpr float kEffectDepth = 0.0003f;

// The glare material's batch. Its id is kept between sprites (materials live for the whole
// run) and looked up again only when it no longer names that material.
void QueueToMaterial(const PRCT_Vect quad[4])
{
    static int id = 0;
    Material* m = MTL_Get(id);
    if (!m || std::strcmp(m->name, "MTL_FX_GLARE") != 0) m = MTL_Get(id = MTL_Find("MTL_FX_GLARE"));
    if (!m || m->kind != MTL_KIND_PRCT) {
        id = 0;   // not loaded (yet), or not a screen-vertex quad material: nothing to add to
        return;
    }
    m->AddQuadArray(quad);
}

GLARE_Queue g_glareQueue = QueueToMaterial;
FX_Flash g_flashes[FX_MaxFlashes];

struct Fade {
    float start = 1, end = 1, duration = 0, clock = 0, level = 0;
};
Fade g_fade;

void FullScreen(int blend, float r, float g, float b, float depth)
{
    DRW_SetTexture(TEX_SLOT_WHITE, 0);
    DRW_SetBlend(blend);
    SCR_SetRect(0, 0, 1, 1);
    SCR_SetDepth(depth);
    SCR_SetColour(r, g, b, 1.0f);
    SCR_SetUV(0, 0, 1, 1);
    SCR_Draw();
}

} // namespace

void FX_Init()
{
    for (auto& f : g_flashes) f = FX_Flash{};
    g_fade = Fade{};
}

// ---- Glare ----

void GLARE_SetQueue(GLARE_Queue queue) { g_glareQueue = queue ? queue : QueueToMaterial; }

void GLARE_Draw(const Vec3& point, int frame, float r, float g, float b, float size, float offset)
{
    const Vec3 p = MTH_Add(point, MTH_Scale(CAM_Dir, offset));
    const Vec3 sp = MTH_WorldToScreen(p);
    // A point behind the eye projects mirrored onto the screen; it has no sprite to show.
    if (!(sp.z >= 0.0f && sp.z <= 1.0f)) return;
    const Vec3 su = MTH_WorldToScreen(MTH_Add(p, MTH_Scale(CAM_Up, size)));
    const float dx = su.x - sp.x, dy = su.y - sp.y;
    const float half = std::sqrt(dx * dx + dy * dy);
    const float W = (float)CFG_Width, H = (float)CFG_Height;
    if (W <= 0 || H <= 0) return;

    frame &= 3;
    const float u0 = (float)(frame % 2) * 0.5f, v0 = (float)(frame / 2) * 0.5f;
    SCR_SetRect((sp.x - half) / W, (sp.y - half) / H, (sp.x + half) / W, (sp.y + half) / H);
    SCR_SetDepth(sp.z);
    SCR_SetColour(r, g, b, 1.0f);
    SCR_SetUV(u0, v0, u0 + 0.5f, v0 + 0.5f);
    if (g_glareQueue) g_glareQueue(SCR_Vertices());
}

// ---- Flashes ----

FX_Flash* FX_FlashSlot(int index) { return index >= 0 && index < FX_MaxFlashes ? &g_flashes[index] : nullptr; }

int FX_StartFlash(float r, float g, float b, float total, float peak)
{
    if (!(total > 0)) return -1;
    for (int i = 0; i < FX_MaxFlashes; ++i) {
        FX_Flash& f = g_flashes[i];
        if (f.left > 0 || f.leftFrames > 0) continue;
        f = FX_Flash{};
        f.r = r; f.g = g; f.b = b;
        f.total = total;
        f.peak = peak;
        f.left = total;
        return i;
    }
    return -1;
}

int FX_StartFlashFrames(float r, float g, float b, int totalFrames, int peakFrames)
{
    if (totalFrames <= 0) return -1;
    for (int i = 0; i < FX_MaxFlashes; ++i) {
        FX_Flash& f = g_flashes[i];
        if (f.left > 0 || f.leftFrames > 0) continue;
        f = FX_Flash{};
        f.r = r; f.g = g; f.b = b;
        f.totalFrames = totalFrames;
        f.peakFrames = peakFrames;
        f.leftFrames = totalFrames;
        return i;
    }
    return -1;
}

namespace {

// Rises from 0 at the start (t = total) to 1 at the peak, then falls back to 0 at t = 0.
float FlashIntensity(float t, float total, float peak)
{
    float k;
    if (t > peak) k = total > peak ? 1.0f - (t - peak) / (total - peak) : 1.0f;
    else k = peak > 0 ? t / peak : 1.0f;
    return k > 1.0f ? 1.0f : k;
}

} // namespace

void FX_DrawFlashes()
{
    float r = 0, g = 0, b = 0;
    bool any = false;
    for (FX_Flash& f : g_flashes) {
        if (f.left > 0) {
            const float k = FlashIntensity(f.left, f.total, f.peak);
            r += k * f.r; g += k * f.g; b += k * f.b;
            any = true;
            f.left -= TIM_GameDelta;
            if (f.left < 0) f.left = 0;
        }
        if (f.leftFrames > 0) {
            const float k = FlashIntensity((float)f.leftFrames, (float)f.totalFrames, (float)f.peakFrames);
            r += k * f.r; g += k * f.g; b += k * f.b;
            any = true;
            --f.leftFrames;
        }
    }
    if (!any) return;
    FullScreen(2, r > 1 ? 1 : r, g > 1 ? 1 : g, b > 1 ? 1 : b, kEffectDepth);
}

// ---- Fades ----

void FX_SetFade(float start, float end, float duration)
{
    g_fade.start = start;
    g_fade.end = end;
    g_fade.duration = duration;
    g_fade.clock = 0;
}

void FX_DrawFade()
{
    if (g_fade.duration > 0) {
        g_fade.clock += TIM_RealDelta;
        float c = g_fade.clock / g_fade.duration;
        if (c >= 1.0f) {
            c = 1.0f;
            g_fade.duration = 0;
        }
        g_fade.level = 1.0f - (g_fade.start + (g_fade.end - g_fade.start) * MTH_EaseInOut(c));
    }
    if (g_fade.level != 0.0f) FullScreen(3, g_fade.level, g_fade.level, g_fade.level, kEffectDepth);
}

bool FX_IsFadedOut() { return g_fade.level > 0.99f; }

bool FX_FadeRunning() { return g_fade.duration > 0; }

float FX_FadeLevel() { return g_fade.level; }

void FX_DrawLevel(float level, float depth)
{
    if (level >= 0.999f) FullScreen(0, 0, 0, 0, depth);
    else if (level != 0.0f) FullScreen(3, level, level, level, depth);
}

void FX_DrawScreenEffects() { FX_DrawFade(); }
