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
#include "game/mode.h"
#include "game/play.h"
#include "scene/object.h"
#include "test_support.h"

namespace {

// A 3 x 3 board with a scenery column in the middle and one red block in a corner.
const char kLevel[] =
    "DIM 3 3 SHA 1 1 1 1 1 1 1 1 1 TIM 45 "
    "BLK 1 1 0 Scenery01 BLK 0 0 0 Red END";

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
            f << TEST_MakeArchive({{"TXT_GAMEID", "#GAMEID ZNDR\n"}, {"LEV_PLAYTEST", kLevel}});
        }
        ASSERT_TRUE(LMO_OpenAll());
        const std::string list = "TESSIVAL GAME #LEVEL \"playtest\" #END";
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

} // namespace
