// game/play — the level start and the game update.
//
// The level start resets the per-level state, reads the arcade level, kills whatever the last
// level left, builds the board, places the level's blocks and fills the first layers. The game
// update runs once per tick in play, before the object scheduler: storms and odd events, the
// selection, drops, matching, the level number, the time, then the move queue and gravity, and
// last it clears every claim so the blocks claim their cells afresh while they run.
#include "game/play.h"

#include "app/clock.h"
#include "core/log.h"
#include "core/math.h"
#include "game/arcade.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/hud.h"
#include "game/level.h"
#include "game/levellist.h"
#include "game/match.h"
#include "game/mode.h"
#include "game/sfx.h"
#include "game/specials.h"
#include "scene/object.h"

int LVL_Current = -1;

namespace {

void ResetLevelState()
{
    STORM_ColourfulCooldown = 0.0f;
    ARC_ResetLevel();
    MATCH_GemClears = 0;
    MATCH_Delay = 0.1f;
    BLK_ResetForLevel();   // selection, queue, moves, landing-sound cooldown, the solid record
    LEV_TimeLeft = 0.0f;
    HUD_ResultFade = 0.0f;
    ODD_Rearm();
}

void KillLevelObjects()
{
    OBJ_KillAll();
    SFX_ClearEffects();
}

void CountLiveBlocks()
{
    BLK_ResetLiveCounts();
    for (Object* o = OBJ_FindByBehaviour(BLK_Behaviour, nullptr); o;
         o = OBJ_FindByBehaviour(BLK_Behaviour, o)) {
        if (o->state == OBJ_STATE_DYING) continue;
        const Block* b = BLK_Of(o);
        if (b && b->removal == BLK_ALIVE) BLK_CountLive(b->type);
    }
}

} // namespace

bool LVL_Start(int level, bool killAgain)
{
    ResetLevelState();

    if (level != -1) {
        BLK_KillAll();
        LEV_ClearGrid();
        int index = level;
        std::string path = SET_ArcadeLevel(&index);
        if (path.empty()) {
            LOG_Write("Arcade level %d is not in the arcade list", level);
            return false;
        }
        bool read = LEV_Read(path);
        SET_DeleteTemp();
        if (!read) {
            LOG_Write("Couldn't read arcade level %d : %s", index, path.c_str());
            return false;
        }
        LVL_Current = index;
    }
    LEV_TimeLeft = (float)LEV_Level.time;

    KillLevelObjects();
    if (killAgain) KillLevelObjects();

    GAM_StartPlay();

    BLK_SetColourModels();
    SPC_ResetLevel();
    ARC_NextColour = ARC_BagNext();

    if (BRD_TooBig()) return false;

    // The cells are emptied and the walls marked before the level's blocks are placed, so the
    // blocks' claims stand when the first layers are filled: the fill then leaves the cells of
    // the level's own blocks alone instead of putting a second block into them.
    BLK_KillAll();
    BRD_ClearGrid();
    BRD_Build();
    int placed = LEV_PlaceBlocks(BLK_SpawnAtCell);
    ARC_BagEmpty();
    if (GAM_Type == GAM_TYPE_ARCADE) ARC_Fill(GAM_FillLayers);
    LOG_Write("Level %d started : %d x %d board, %d blocks placed", LVL_Current, BRD_Width,
              BRD_Height, placed);
    return true;
}

void GAME_Update()
{
    const bool paused = HUD_Paused != 0;
    const bool fading = GAM_LevelFading();

    // While a storm runs no block may turn colourful: 10 to 20 seconds from its end.
    if (STORM_Time > 0.0f) STORM_ColourfulCooldown = MTH_RandFloat(10.0f, 10.0f);
    STORM_ColourfulCooldown -= TIM_GameDelta;
    if (!paused) ARC_FireworksSound();
    BLK_LandCooldown -= TIM_RealDelta;
    if (BLK_LandCooldown < 0.0f) BLK_LandCooldown = 0.0f;

    STORM_Tick();
    BLK_HeldMask();
    ODD_Tick();
    ARC_BurstTrigger();
    BLK_UpdateSelection(GAM_Mode == GAM_MODE_PLAY && !fading && !paused);
    ARC_Curve();
    ARC_Drops();
    CountLiveBlocks();
    if (!paused && !fading) {
        MATCH_Groups();
        MATCH_Gems();
        ABS_Tick();
    }
    if (GAM_Type == GAM_TYPE_ARCADE) ARC_Level();
    if (!fading && !paused) {
        LEV_TimeLeft -= TIM_GameDelta;
        if (LEV_TimeLeft < 0.0f) LEV_TimeLeft = 0.0f;
    }
    ARC_PanicFlag();
    BLK_RunQueue();
    BLK_Gravity();
    ARC_Stats();
    BRD_ClearClaims();
}
