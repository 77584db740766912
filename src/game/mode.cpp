// game/mode — the game mode: entry actions, changes through a fade to black, the per-frame
// update and drawing by mode, the arcade choice, and the start and stop of play.
//
// Depends on game/play (level start), game/arcade, game/match (score), game/board, game/block,
// game/hud, game/camera, game/sfx, game/levellist, scene/object, render/fx (fades),
// render/mesh, render/material, render/draw, render/texture, core/input, core/log and app/clock.
// A requested change waits for the fade to reach black; while it waits, clicks are swallowed
// and the game runs at full speed. One request at a time: a second while one waits is ignored.
#include "game/mode.h"

#include <cmath>

#include "app/clock.h"
#include "core/input.h"
#include "core/log.h"
#include "game/arcade.h"
#include "game/block.h"
#include "game/board.h"
#include "game/camera.h"
#include "game/hud.h"
#include "game/levellist.h"
#include "game/match.h"
#include "game/play.h"
#include "game/sfx.h"
#include "render/draw.h"
#include "render/fx.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"
#include "scene/object.h"

int GAM_Mode = GAM_MODE_NONE;
float GAM_ModeTime = 0.0f;
int GAM_Type = GAM_TYPE_NONE;
int GAM_FillLayers = 3;
int GAM_ArcadeIndex = 0;
float GAM_Scroll = 0.0f;

namespace {

int g_pending = 0;   // the mode a fade is leading to; 0 none

void FadeIn() { FX_SetFade(0.0f, 1.0f, GAM_FadeSeconds); }

// The title background: two drifting layers of "TEX_TITLEBACK", the second multiplied into the
// first (twice, so grey stays grey). Nothing when the texture is not in the archives.
void DrawTitleBack()
{
    const int slot = TEX_Find("TEX_TITLEBACK");
    if (slot <= 0) return;
    const float t = GAM_ModeTime;
    const uint32_t wasAddress = DRW_GetAddress();
    DRW_SetAddress(0);
    DRW_SetTexture(slot, 0);
    SCR_SetRect(0, 0, 1, 1);
    SCR_SetDepth(0.9997f);
    SCR_SetColour(0.5f, 0.5f, 0.5f, 1.0f);
    DRW_SetBlend(0);
    SCR_SetUV(0.1f * t, 0.02f * t, 1.0f + 0.1f * t, 1.0f + 0.02f * t);
    SCR_Draw();
    DRW_SetBlend(6);
    SCR_SetUV(0.04f * t, -0.2f * t, 1.0f + 0.04f * t, 1.0f - 0.2f * t);
    SCR_Draw();
    DRW_SetAddress(wasAddress);
}

void EnterMode(int mode, int previous)
{
    switch (mode) {
    case GAM_MODE_TITLE:
        ARC_BoardState = ARC_PLAYING;
        ARC_GameOver = 0;
        ARC_PanicMeter = 0.0f;
        ARC_Countdown = 0.0f;
        // The title music ("MUS_TITLE", looping) starts here when previous != 2, with the music module.
        (void)previous;
        SCORE_Score = 0;
        if (previous != GAM_MODE_TITLEBACK) FadeIn();
        break;
    case GAM_MODE_PLAY:
        // The arcade music ("MUS_ARCADE", looping) starts here, with the music module.
        if (!LVL_Start(GAM_ArcadeIndex, false)) {
            // A level that cannot be built leaves nothing to play: back to the title.
            LOG_Write("Arcade level %d could not be started", GAM_ArcadeIndex);
            GAM_SetMode(GAM_MODE_TITLE);
            return;
        }
        FadeIn();
        break;
    case GAM_MODE_TITLEBACK:
        GAM_StopPlay();
        // The title music ("MUS_TITLE") starts here, with the music module.
        break;
    case GAM_MODE_LEVELSETS:
        SET_BuildChoiceList();
        break;
    default:
        break;
    }
}

} // namespace

void GAM_Reset()
{
    GAM_Mode = GAM_MODE_NONE;
    GAM_ModeTime = 0.0f;
    GAM_Type = GAM_TYPE_NONE;
    GAM_FillLayers = 3;
    GAM_ArcadeIndex = 0;
    GAM_Scroll = 0.0f;
    g_pending = 0;
}

void GAM_SetMode(int mode)
{
    const int previous = GAM_Mode;
    if (mode == previous) {
        // Staying in the mode keeps its board: nothing would build it again. A screen left
        // black by a fade still comes back.
        LOG_Write("GameMode = %d", mode);
        g_pending = 0;
        if (FX_IsFadedOut()) FadeIn();
        return;
    }
    // The board's behaviour objects go; leaving play takes every object with it.
    if (previous == GAM_MODE_PLAY) {
        OBJ_DestroyAll();
    } else {
        BLK_KillAll();
        BRD_KillTiles();
    }
    SFX_ClearEffects();
    LOG_Write("GameMode = %d", mode);

    // Leaving play saves the current player's profile here, with the profiles module.
    GAM_ModeTime = 0.0f;
    GAM_Mode = mode;
    // A direct change ends a request that was waiting; left pending it would swallow every
    // click and refuse every later request.
    g_pending = 0;
    // The widgets are reset and begin a new frame here, with the widget module.
    if (FX_IsFadedOut()) FadeIn();
    EnterMode(mode, previous);
}

void GAM_RequestMode(int mode)
{
    if (g_pending != 0) return;
    g_pending = mode;
    FX_SetFade(1.0f, 0.0f, GAM_FadeSeconds);
}

bool GAM_RequestPending() { return g_pending != 0; }

void GAM_ChooseArcade(int difficulty)
{
    if (difficulty < 1 || difficulty > 3) {
        LOG_Write("GAM_ChooseArcade : no difficulty %d", difficulty);
        return;
    }
    GAM_Type = GAM_TYPE_ARCADE;
    ARC_StartGame(difficulty);
    GAM_FillLayers = 2 + difficulty;
    GAM_ArcadeIndex = 0;
}

void GAM_Update()
{
    const float s = -0.5f * TIM_GameTime;
    GAM_Scroll = s - std::floor(s);
    if (!(GAM_Scroll >= 0.0f && GAM_Scroll < 1.0f)) GAM_Scroll = 0.0f;

    GAM_ModeTime += GAM_Mode == GAM_MODE_PLAY ? TIM_GameDelta : TIM_RealDelta;

    if (g_pending == 0) return;
    TIM_Scale = 1.0f;
    MOU_LeftDown = MOU_LeftPressed = 0;
    MOU_RightDown = MOU_RightPressed = 0;
    if (FX_FadeRunning()) return;
    if (FX_IsFadedOut()) {
        const int mode = g_pending;
        g_pending = 0;
        GAM_SetMode(mode);
    } else {
        // Another fade took the screen back before it went black: fade out again.
        FX_SetFade(1.0f, 0.0f, GAM_FadeSeconds);
    }
}

void GAM_Draw()
{
    ARENA_Draw();
    MTL_Flush();

    switch (GAM_Mode) {
    case GAM_MODE_PLAY:
        ARC_BoardTick();
        HUD_Update();
        break;
    case GAM_MODE_TITLE:
    case GAM_MODE_TITLEBACK:
    case GAM_MODE_INSTRUCTIONS:
    case GAM_MODE_LEVELSETS:
    case GAM_MODE_SCORES:
        // Their pages draw over this as they arrive.
        DrawTitleBack();
        break;
    default:
        break;
    }

    FX_DrawScreenEffects();
    LOG_CheckShortcut();
}

void GAM_StartPlay() { CAM_Reset(); }

void GAM_StopPlay()
{
    OBJ_DestroyAll();
    SFX_ClearEffects();
    // Every voice not marked to survive stops here, with the sound bank.
    MESH_FreeCopies();
    CAM_Reset();
}

bool GAM_LevelFading() { return g_pending != 0 || FX_FadeRunning(); }
