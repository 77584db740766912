// render/draw — the device-state cache, the engine's named drawing modes (blend, addressing,
// filtering, culling, depth), the per-frame default state, up to four directional lights, and
// the two immediate-mode quads most 2D and simple 3D drawing uses: the screen quad (four
// pre-transformed vertices placed in fractions of the back buffer) and the world quad (four
// lit vertices in world units).
//
// Depends on: render/device (the device pointer), render/texture (slot textures and sizes),
// core/input (mouse position for hit tests), core/settings (back-buffer size), app/clock
// (camera eye for lights). Limits: 256 render states, 8 stages × 128 stage states, 8 texture
// stages, 4 lights; the quads are shared scratch state, set up right before each draw.
#pragma once
#include <cstdint>

#include "core/math.h"
#include "platform/gfx/gfx.h"

// ---- Vertex types (layouts are fixed: materials and meshes store them as they are) ----
struct PRCT_Vect {               // pre-transformed: back-buffer pixels, x right, y down
    float x, y, z, rhw;
    uint32_t colour;             // ARGB
    float u, v;
};
struct PNCT_Vect {               // world position, normal, colour, texture coordinates
    float x, y, z;
    float nx, ny, nz;
    uint32_t colour;
    float u, v;
};
struct PCT_Vect {                // world position, colour, texture coordinates (unlit)
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(PRCT_Vect) == 28, "PRCT_Vect layout");
static_assert(sizeof(PNCT_Vect) == 36, "PNCT_Vect layout");
static_assert(sizeof(PCT_Vect) == 24, "PCT_Vect layout");

constexpr uint32_t DRW_FVF_PRCT = 0x144;   // XYZRHW | DIFFUSE | TEX1
constexpr uint32_t DRW_FVF_PNCT = 0x152;   // XYZ | NORMAL | DIFFUSE | TEX1
constexpr uint32_t DRW_FVF_PCT = 0x142;    // XYZ | DIFFUSE | TEX1

constexpr uint32_t DRW_Unknown = 0x9E39817Bu;  // cache sentinel: never matches, always reaches the device

// ---- State cache ----
void DRW_InvalidateCache();                       // states, textures, format, lights → unknown
void DRW_SetRenderState(uint32_t state, uint32_t value);
void DRW_SetStageState(uint32_t stage, uint32_t type, uint32_t value);
void DRW_SetFVF(uint32_t fvf);
void DRW_SetTexture(int slot, uint32_t stage);    // slot 0 (or an invalid slot) binds "TEX_FX_WHITE"
int DRW_GetTexture(uint32_t stage);               // cached slot of the stage
uint32_t DRW_GetRenderState(uint32_t state);      // cached value (DRW_Unknown when not known)
uint32_t DRW_GetStageState(uint32_t stage, uint32_t type);

// ---- Drawing modes ----
void DRW_SetBlend(int mode);                      // -1 alpha+test … 8 alpha with depth writes
int DRW_GetBlend();                               // cached mode (DRW_Unknown as int when unknown)
int DRW_BlendFromWord(const char* word);          // material words: characters 7–8 pick the mode
void DRW_SetAddress(uint32_t flags);              // bit 0: clamp U, bit 1: clamp V (else wrap)
uint32_t DRW_GetAddress();
void DRW_SetFilter(bool linear);
bool DRW_IsLinear();
void DRW_SetCull(bool on);                        // culls counter-clockwise triangles when on
bool DRW_IsCulling();
void DRW_SetZEnable(bool on);
void DRW_FrameDefaults();                         // once per frame, after the camera set-up
bool DRW_FogOn();                                 // always false: nothing turns fog on

// ---- Lights ----
void LIGHT_Enable(bool on);                       // lighting switch; off also disables lights 0–3
bool LIGHT_IsEnabled();                           // materials touch LIGHTING only while this is set
void LIGHT_SetDirectional(const Vec3& direction, float dr, float dg, float db, float ar, float ag,
                          float ab, int index);  // fills light record `index` and sets it (forced)
void LIGHT_Set(int index, const gfx::Light* light, bool force);  // null disables the light
void LIGHT_ForgetAll();                           // the next LIGHT_Set always reaches the device
gfx::Light* LIGHT_Record(int index);              // one of the four records (null when out of range)

// ---- Colour ----
uint32_t DRW_PackColour(float r, float g, float b, float a);  // × 255, truncated, low 8 bits each

// ---- Screen quad (fractions of the back buffer unless noted; corners TL, TR, BL, BR) ----
PRCT_Vect* SCR_Vertices();                        // the four vertices (for AddQuadArray and tests)
void SCR_Init();                                  // rhw 0.5 on all four
void SCR_SetRect(float l, float t, float r, float b);
void SCR_SetDepth(float z);
uint32_t SCR_SetColour(float r, float g, float b, float a);  // returns the packed colour
void SCR_SetUV(float u0, float v0, float u1, float v1);
void SCR_SetUVRotated(float a, float b, float c, float d);  // the image turned a quarter turn
void SCR_Move(float dx, float dy);
void SCR_Scale(float s, float cx, float cy);      // cx = cy = -1: about the corners' mean
void SCR_Rotate(float angle);                     // about the corners' mean
void SCR_RotateAbout(float angle, float cx, float cy);
void SCR_RotatePoint(float angle, float cx, float cy, float* x, float* y);  // mouse into a turned frame
void SCR_Line(float x0, float y0, float x1, float y1, float e);  // a band of half width e
void SCR_Lerp(float s, float t, float* x, float* y, float* z);   // bilinear point, in fractions
bool SCR_HitTest();                               // mouse strictly inside the (axis-aligned) quad
bool SCR_Clip(float l, float t, float r, float b);  // pixels; true when nothing is left to draw
void SCR_Draw();
void SCR_DrawImage(int slot, bool neutral, bool fullScreen, bool mirror, bool upsideDown);

// ---- World quad (world units) ----
PNCT_Vect* QUAD_Vertices();
void QUAD_SetRect(float x0, float y0, float x1, float y1, float z);
void QUAD_SetCorners(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3);
void QUAD_Move(float dx, float dy);
void QUAD_SetNormal(const Vec3& n);
void QUAD_SetNormals(const Vec3& n0, const Vec3& n1, const Vec3& n2, const Vec3& n3);
void QUAD_SetColour(uint32_t colour);
uint32_t QUAD_SetColourRGBA(float r, float g, float b, float a);
void QUAD_SetUV(float u0, float v0, float u1, float v1);
void QUAD_SetUVRotated(float a, float b, float c, float d);
void QUAD_Scale(float sx, float sy, float cx, float cy);  // sy = -1: sy = sx; cx = cy = -1: the mean
void QUAD_Rotate(float angle, float cx, float cy);        // cx = cy = -1: about the mean
Vec3 QUAD_Lerp(float s, float t);
void QUAD_Draw();                                 // with whatever world transform is set
