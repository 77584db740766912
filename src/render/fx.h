// render/fx — screen effects: glare sprites over 3D points, colour flashes and fades drawn as
// a full-screen quad over everything else.
//
// Depends on: render/draw (screen quad, blend modes), render/material, render/texture (the white and glare
// textures), core/math (projection, easing), app/clock (frame steps, camera).
// Limits: 8 flash slots; one fade. Glare sprites go to the "MTL_FX_GLARE" material's batch
// (tests may install another queue); without that material they are dropped.
#pragma once
#include "core/math.h"
#include "render/draw.h"

constexpr int FX_MaxFlashes = 8;

// One flash: time-based (seconds) or frame-counted. The game fills a slot to start one.
struct FX_Flash {
    float r, g, b;
    float total, peak, left;           // seconds; left > 0 while running
    int totalFrames, peakFrames, leftFrames;  // the frame-counted variant
};

void FX_Init();                               // empties the flash slots and the fade

// ---- Glare ----
using GLARE_Queue = void (*)(const PRCT_Vect quad[4]);   // e.g. AddQuadArray of "MTL_FX_GLARE"
void GLARE_SetQueue(GLARE_Queue queue);       // null: back to the "MTL_FX_GLARE" batch
// Queue one glare sprite: frame 0–3 of the 2 × 2 glare texture, size in world units, the point
// pulled toward the viewer by offset along the camera direction.
void GLARE_Draw(const Vec3& point, int frame, float r, float g, float b, float size, float offset);

// ---- Flashes ----
FX_Flash* FX_FlashSlot(int index);            // null when out of range
int FX_StartFlash(float r, float g, float b, float total, float peak);  // slot, or -1 when all run
int FX_StartFlashFrames(float r, float g, float b, int totalFrames, int peakFrames);
void FX_DrawFlashes();                        // the sum of all running flashes, additive

// ---- Fades: start and end are how much of the picture shows (1 all, 0 black); the level
// drawn is 1 − that, eased over the duration (real time, unscaled) ----
void FX_SetFade(float start, float end, float duration);  // restarts the fade clock
void FX_DrawFade();
bool FX_IsFadedOut();                         // current level above 0.99
bool FX_FadeRunning();                        // a fade started by FX_SetFade has not yet ended
float FX_FadeLevel();
void FX_DrawLevel(float level, float depth);  // a darkening of that level at once
void FX_DrawScreenEffects();                  // the fade: last in every frame's mode drawing
