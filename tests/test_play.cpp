// The level start: reading the arcade level from the archive, placing its blocks, the initial
// fill by difficulty around them, and a restart that rebuilds the level without reading it
// again. And the game update's bookkeeping: claims rebuilt every tick, live counts.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/app.h"
#include "app/clock.h"
#include "app/err.h"
#include "core/math.h"
#include "data/lmo.h"
#include "game/arcade.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/level.h"
#include "game/levellist.h"
#include "game/match.h"
#include "game/mode.h"
#include "game/play.h"
#include "game/specials.h"
#include "scene/object.h"
#include "test_support.h"

namespace {

// A 3 x 3 board with a scenery column in the middle and one red block in a corner.
const char kLevel[] =
    "DIM 3 3 SHA 1 1 1 1 1 1 1 1 1 TIM 45 "
    "BLK 1 1 0 Scenery01 BLK 0 0 0 Red END";

// A 4 x 2 board: three reds in a row, a fourth red beside the row's end, and a green.
const char kGroupLevel[] =
    "DIM 4 2 SHA 1 1 1 1 1 1 1 1 "
    "BLK 0 0 0 Red BLK 1 0 0 Red BLK 2 0 0 Red BLK 3 1 0 Red BLK 0 1 0 Green END";

class PlayTest : public LoggedTest {
protected:
    void SetUp() override
    {
        ERR_ResetForTests();
        APP_Quit = 0;
        SET_ResetForTests();
        LMO_ResetForTests();
        OpenLogIn("play");
        savedInstall_ = APP_InstallDir;
        APP_InstallDir = dir_;
        {
            std::ofstream f(dir_ + "/Zandor.lmo", std::ios::binary);
            f << TEST_MakeArchive({{"TXT_GAMEID", "#GAMEID ZNDR\n"}, {"LEV_PLAYTEST", kLevel},
                                  {"LEV_GROUPTEST", kGroupLevel}});
        }
        ASSERT_TRUE(LMO_OpenAll());
        const std::string list = "TESSIVAL GAME #LEVEL \"playtest\" #LEVEL \"grouptest\" #END";
        SET_ParseList("LED_TEST", list.c_str(), list.size());
        OBJ_InitLists();
        GAM_Reset();
        MTH_SeedRand(7);
        TIM_GameDelta = TIM_RealDelta = 0.01f;
    }
    void TearDown() override
    {
        OBJ_DestroyAll();
        BRD_ClearGrid();
        SET_ResetForTests();
        LMO_ResetForTests();
        APP_InstallDir = savedInstall_;
        GAM_Type = GAM_TYPE_NONE;
        LoggedTest::TearDown();
    }
    // Live block objects, whatever their state of start-up.
    static int Blocks()
    {
        int n = 0;
        for (Object* o = OBJ_FindByBehaviour(BLK_Behaviour, nullptr); o;
             o = OBJ_FindByBehaviour(BLK_Behaviour, o))
            if (o->state != OBJ_STATE_DYING) n++;
        return n;
    }
    std::string savedInstall_;
};

TEST_F(PlayTest, ArcadeStartFillsLayersByDifficultyAroundTheLevelsBlocks)
{
    struct Case { int difficulty, layers; };
    for (Case c : {Case{1, 3}, Case{2, 4}, Case{3, 5}}) {
        SCOPED_TRACE(c.difficulty);
        GAM_ChooseArcade(c.difficulty);
        EXPECT_EQ(GAM_FillLayers, c.layers);
        ASSERT_TRUE(LVL_Start(0, false));
        EXPECT_EQ(LEV_TimeLeft, 45.0f);
        // Layer 0 keeps the two level blocks' cells; every layer above fills all nine.
        EXPECT_EQ(Blocks(), 2 + 7 + 9 * (c.layers - 1));
        EXPECT_GT(BRD_TileCount(), 0);
        // The temporary copy of the level is gone again.
        EXPECT_FALSE(os::OS_FileExists(SET_TempPath()));
    }
}

TEST_F(PlayTest, RestartRebuildsTheLevelWithoutReadingItAgain)
{
    GAM_Type = GAM_TYPE_NONE;  // no fill: only the level's own blocks
    ASSERT_TRUE(LVL_Start(0, false));
    EXPECT_EQ(Blocks(), 2);
    LMO_ResetForTests();       // the archive is gone: a restart must not need it
    ASSERT_TRUE(LVL_Start(-1, true));
    EXPECT_EQ(Blocks(), 2);
    EXPECT_EQ(BLK_Moves, 0);
}

TEST_F(PlayTest, MissingLevelIsRefusedWithALogLine)
{
    SET_ResetForTests();
    EXPECT_FALSE(LVL_Start(0, false));
    EXPECT_NE(CloseAndReadLog().find("Arcade level 0 is not in the arcade list"), std::string::npos);
}

TEST_F(PlayTest, GameUpdateCountsLiveBlocksAndEndsWithEmptyClaims)
{
    GAM_Type = GAM_TYPE_NONE;
    ASSERT_TRUE(LVL_Start(0, false));
    OBJ_RunAll(false);  // the blocks start and claim their cells
    OBJ_RunAll(false);
    GAME_Update();
    EXPECT_EQ(BLK_LiveCount[BLK_RED], 1);
    EXPECT_EQ(BLK_LiveCount[BLK_SCENERY01], 1);
    for (const Cell& c : BRD_Cells) EXPECT_EQ(c.block, nullptr);
    OBJ_RunAll(false);
    EXPECT_NE(BRD_Cells[CELL_Index(0, 0, 0)].block, nullptr);
}

// The whole tick as the frame runs it: the game update, then every behaviour.
void Tick(int n = 1)
{
    for (int i = 0; i < n; i++) {
        GAME_Update();
        OBJ_RunAll(false);
    }
}

Block* BlockAt(int x, int y, int z)
{
    const int cell = CELL_Index(x, y, z);
    return cell < 0 ? nullptr : BRD_Cells[cell].block;
}

// A player's move completes a group: the moved red steps into the row's end, the four reds
// vanish together and score 4 x 50 at difficulty 1; the green is left alone.
TEST_F(PlayTest, AMoveThatCompletesAGroupClearsAndScoresIt)
{
    GAM_Type = GAM_TYPE_NONE;
    GAM_Mode = GAM_MODE_PLAY;
    ARC_Difficulty = 1;
    SCORE_Score = 0;
    ASSERT_TRUE(LVL_Start(1, false));
    ODD_Timer = 1000.0f;   // no odd event may recolour a block meanwhile
    Tick(20);   // past the start's match delay: three in a row are not enough
    EXPECT_EQ(SCORE_Score, 0);
    EXPECT_EQ(BLK_LiveCount[BLK_RED], 4);

    Block* mover = BlockAt(3, 1, 0);
    ASSERT_NE(mover, nullptr);
    BLK_Dragged = mover;
    BLK_QueueMove(mover, Vec3{0.0f, -1.0f, 0.0f}, false);
    Tick(30);   // 0.2 s of step, the settle time, then the search
    EXPECT_EQ(BLK_Moves, 1);
    EXPECT_EQ(SCORE_Score, 200);
    Tick(200);  // the vanish animation runs out
    EXPECT_EQ(BLK_LiveCount[BLK_RED], 0);
    EXPECT_EQ(BLK_LiveCount[2], 1);   // the green
    GAM_Mode = GAM_MODE_NONE;
}

} // namespace
