// game/play — the level start and the game update that runs once per tick in play, before
// the object scheduler lets every block run.
//
// Depends on game/board, game/block, game/level, game/levellist, game/match, game/arcade,
// game/specials, game/mode, game/hud, game/sfx, app/clock, core/log.
#pragma once

extern int LVL_Current;                 // arcade list index of the level being played; -1 none

bool LVL_Start(int level, bool killAgain);  // level: arcade list index, -1 rebuilds the current
                                        // one; false when the level could not be built
void GAME_Update();                     // one game tick
