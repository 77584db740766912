// game/hud — the play overlay's shared state. The overlay's pages, score panel and results
// arrive with the HUD; until then the game is never paused and shows no result.
#include "game/hud.h"

uint8_t HUD_Paused = 0;
float HUD_ResultFade = 0.0f;

void HUD_Reset()
{
    HUD_Paused = 0;
    HUD_ResultFade = 0.0f;
}

void HUD_Update() {}
