// game/camera — the camera of each game mode: the slow title turn and the play orbit around
// the board (keys, right-button and empty-space drags, the spin-away after a lost board,
// smoothing, placement from the stack height), plus the shake the board requests.
//
// Writes CAM_Eye, CAM_Dir and CAM_Up and applies CAM_Setup. Depends on app/clock, game/board,
// game/arcade (stack height, board state), game/mode, game/hud, core/input, core/math.
#pragma once
#include "core/math.h"

extern float CAM_Angle;          // orbit angle around the board, [0, 2π)
extern float CAM_Speed;          // smoothed orbit speed
extern float CAM_Shake;          // shake strength left
extern Vec3 CAM_Right;           // up × direction, for sound positioning
extern Vec3 CAM_EyeMove;         // eye movement since the last frame
extern bool CAM_EmptyDrag;       // a left-button drag that started on empty space is running

void CAM_Reset();                // target state 0: no speed, no drag, no shake
void CAM_Update();               // per frame, by mode
void CAM_RequestShake(float strength);  // the largest request wins
