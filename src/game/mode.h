// game/mode — the game mode and everything hung on it: mode entry actions, requested changes
// through a fade, the per-frame update and drawing dispatch, the arcade choice, and the start
// and stop of play.
//
// Modes: 2 title, 3 play, 8 title background, 16 instructions, 17 level-set choice, 18 high
// scores. Until the title screen lands, mode 2 shows the title background only.
// Depends on game/play (level start), game/arcade, game/match (score), game/board, game/block,
// game/hud, game/camera, game/sfx, game/levellist, scene/object, render/fx (fades), render/mesh,
// render/material, render/draw, render/texture, core/input, core/log, app/clock.
#pragma once
#include <cstdint>

enum : int {
    GAM_MODE_NONE = 0, GAM_MODE_TITLE = 2, GAM_MODE_PLAY = 3, GAM_MODE_TITLEBACK = 8,
    GAM_MODE_INSTRUCTIONS = 16, GAM_MODE_LEVELSETS = 17, GAM_MODE_SCORES = 18,
};
enum : int { GAM_TYPE_NONE = 0, GAM_TYPE_ARCADE = 3 };

constexpr float GAM_FadeSeconds = 0.5f;   // length of the fades between modes

extern int GAM_Mode;              // current mode; 0 before the first
extern float GAM_ModeTime;        // seconds since the mode was entered
extern int GAM_Type;              // GAM_TYPE_ARCADE from the first arcade choice on
extern int GAM_FillLayers;        // layers the arcade level start fills (3, 4 or 5)
extern int GAM_ArcadeIndex;       // index into the arcade level list
extern float GAM_Scroll;          // scroll value for background textures, [0, 1)

void GAM_Reset();                 // mode 0, nothing pending (start-up and tests)
void GAM_SetMode(int mode);       // immediate change with the entry actions; ends a waiting
                                  // request; the current mode again only logs (and fades a
                                  // black screen back in); play whose level cannot start
                                  // goes on to the title
void GAM_RequestMode(int mode);   // change after a fade to black; ignored while one waits
bool GAM_RequestPending();
void GAM_ChooseArcade(int difficulty);  // the title's arcade choice 1..3, without the request
void GAM_Update();                // per frame, before the scene update
void GAM_Draw();                  // per frame: the mode's own drawing and logic
void GAM_StartPlay();             // the play objects (called by the level start)
void GAM_StopPlay();              // every object and effect gone, game sounds stopped
bool GAM_LevelFading();           // a mode fade is under way (the level fades in or out)
