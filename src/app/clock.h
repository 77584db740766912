// app/clock — the frame clock: at most 100 frames a second, a smoothed and clamped step, game
// time scaled by TIM_Scale, whole seconds and the FPS figure; and the frame's camera.
#pragma once
#include "core/math.h"

extern float TIM_Scale;          // 1.0 normally; slow motion and freezing change it
extern float TIM_RealDelta;      // smoothed frame time in seconds, unscaled
extern float TIM_GameDelta;      // TIM_Scale × TIM_RealDelta: the step of all game logic
extern float TIM_GameTime;       // sum of TIM_GameDelta since the last reset
extern float TIM_PrevGameTime;   // TIM_GameTime before this frame's step
extern float TIM_RealTime;       // sum of TIM_RealDelta since start (never reset)
extern float TIM_Fps;            // refreshed once per whole game second
extern int TIM_WholeSeconds;     // whole game seconds stepped in this frame
extern int TIM_TotalSeconds;     // whole game seconds stepped since start

bool TIM_Update();               // true when a frame is due
void TIM_Reset();
void TIM_Resmooth();             // restart the 10-frame warm-up of the smoothing

extern Vec3 CAM_Eye;             // camera position
extern Vec3 CAM_Dir;             // look direction; the target is eye + direction
extern Vec3 CAM_Up;
constexpr float CAM_Fov = 0.7853982f;
constexpr float CAM_Near = 0.1f;
constexpr float CAM_Far = 500.0f;
void CAM_Setup();                // projection, view and world transforms for the frame
