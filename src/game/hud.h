// game/hud — the overlay state that the puzzle reads while a board is on screen: the pause
// flag and the result fade. The overlay itself (pause page, score panel, results, pointer hint)
// arrives with the HUD; until then nothing pauses and no result shows.
#pragma once
#include <cstdint>

extern uint8_t HUD_Paused;        // the game is paused
extern float HUD_ResultFade;      // 0..1 while a result message shows; 0 when none

void HUD_Reset();                 // not paused, no result (start-up and level start)
void HUD_Update();                // the play overlay, once per frame in play
