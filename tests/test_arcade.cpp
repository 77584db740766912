// Arcade pressure on a fake clock: the drop interval table and the stack factor, the colour bag,
// drops (panic meter, quick follow-ups, bursts), the level number and level-ups, the board
// statistics over hand-made blocks, the initial fill, the panic countdown with its texts, the
// game over (blocks thrown, pieces flying off, explosions), fireworks and the arena's drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/clock.h"
#include "core/math.h"
#include "core/settings.h"
#include "game/arcade.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/hud.h"
#include "game/match.h"
#include "game/mode.h"
#include "game/sfx.h"
#include "render/fx.h"
#include "render_fixture.h"
#include "scene/object.h"
#include "ui/font.h"

namespace {

struct Spawned {
    Vec3 pos;
    int type;
    bool claimNow, spawned;
    float time;   // fake-clock time of the spawn
};
std::vector<Spawned> g_spawned;
float g_now = 0.0f;

bool RecordSpawn(const Vec3& pos, int type, bool claimNow, bool spawned)
{
    g_spawned.push_back(Spawned{pos, type, claimNow, spawned, g_now});
    return true;
}

void ResetArcadeWorld(int width, int height)
{
    MTH_SeedRand(1234);
    GAM_Type = GAM_TYPE_ARCADE;
    GAM_Mode = GAM_MODE_PLAY;
    GAM_ModeTime = 0.0f;
    HUD_Paused = 0;
    SCORE_Score = 0;
    CFG_Detail = 1.0f;
    TIM_GameDelta = 0.01f;
    TIM_RealDelta = 0.01f;
    ASSERT_TRUE(BRD_SetSize(width, height));
    for (int i = 0; i < width * height; i++) BRD_Board.shape[i] = 1;
    BRD_ClearGrid();
    BRD_Metrics();
    BLK_ResetLiveCounts();
    ARC_StartGame(1);
    ARC_ResetLevel();
    SFX_ResetCounts();
    FONT_ResetCounts();
    FX_Init();
    g_spawned.clear();
    g_now = 0.0f;
    ARC_SetSpawner(RecordSpawn);
}

void TearDownArcadeWorld()
{
    OBJ_DestroyAll();   // a game over leaves its flying pieces in the object list
    ARC_SetSpawner(nullptr);
    BRD_ClearGrid();
    BLK_ResetLiveCounts();
    GAM_Type = GAM_TYPE_NONE;
    GAM_Mode = GAM_MODE_NONE;
    HUD_Paused = 0;
    SCORE_Score = 0;
    CFG_Detail = 1.0f;
    TIM_GameDelta = 0.0f;
    TIM_RealDelta = 0.0f;
}

class ArcadeTest : public testing::Test {
protected:
    void SetUp() override { ResetArcadeWorld(3, 3); }
    void TearDown() override { TearDownArcadeWorld(); }

    // One tick of the drop step on the fake clock.
    void DropTick()
    {
        g_now += TIM_GameDelta;
        ARC_Drops();
    }
    // Spawn times of distinct drops (a double drop is one drop of two blocks).
    static std::vector<float> DropTimes()
    {
        std::vector<float> t;
        for (const Spawned& s : g_spawned)
            if (s.pos.z == 13.0f) t.push_back(s.time);
        return t;
    }
};

} // namespace

// ---- The curve and the drop interval ----

TEST_F(ArcadeTest, IntervalTableIsLinearBetweenItsPoints)
{
    struct { float curve, seconds; } cases[] = {
        {-1.0f, 6.0f}, {0.0f, 6.0f}, {1.25f, 5.5f}, {2.5f, 5.0f}, {6.0f, 3.5f}, {9.75f, 1.75f},
        {12.5f, 1.2f}, {15.0f, 0.9f}, {18.0f, 0.6f}, {20.0f, 0.4f}, {35.0f, 0.4f},
    };
    for (auto& c : cases) EXPECT_NEAR(ARC_IntervalAt(c.curve), c.seconds, 1e-5f) << c.curve;
}

TEST_F(ArcadeTest, StartGameSetsTheCurveByDifficulty)
{
    struct { int difficulty, expect; float curve, interval; } cases[] = {
        {1, 1, 6.0f, 3.5f}, {2, 2, 9.0f, 2.0f}, {3, 3, 12.0f, 1.3f}, {0, 1, 6.0f, 3.5f}, {7, 1, 6.0f, 3.5f},
    };
    for (auto& c : cases) {
        ARC_LevelNumber = 12;
        ARC_LevelUps = 5;
        ARC_StartGame(c.difficulty);
        EXPECT_EQ(ARC_Difficulty, c.expect) << c.difficulty;
        EXPECT_FLOAT_EQ(ARC_CurveTime, c.curve) << c.difficulty;
        EXPECT_FLOAT_EQ(ARC_DropInterval, c.interval) << c.difficulty;
        EXPECT_EQ(ARC_LevelNumber, -1);
        EXPECT_EQ(ARC_LevelUps, 0);
    }
}

TEST_F(ArcadeTest, ResetLevelKeepsTheGameButClearsTheBoardState)
{
    ARC_CurveTime = 8.0f;
    ARC_LevelNumber = 26;
    ARC_LevelUps = 3;
    ARC_BurstLeft = 4;
    ARC_BurstSignal = 1.0f;
    ARC_StackHeight = 3.0f;
    ARC_Panic = 1;
    ARC_PanicMeter = 0.7f;
    ARC_Countdown = 0.5f;
    ARC_BoardState = ARC_LOST;
    ARC_GameOver = 1;
    ARC_ExplosionTime = 1.0f;
    ARC_FireworksTime = 1.0f;
    ARC_ColourBag[2] = 1;
    ARC_ResetLevel();
    EXPECT_FLOAT_EQ(ARC_CurveTime, 8.0f);
    EXPECT_EQ(ARC_LevelNumber, 26);
    EXPECT_EQ(ARC_LevelUps, 3);
    EXPECT_EQ(ARC_BurstLeft, 0);
    EXPECT_EQ(ARC_BurstSignal, 0.0f);
    EXPECT_EQ(ARC_StackHeight, 10.0f);
    EXPECT_EQ(ARC_Panic, 0);
    EXPECT_EQ(ARC_PanicMeter, 0.0f);
    EXPECT_EQ(ARC_Countdown, 0.0f);
    EXPECT_EQ(ARC_BoardState, ARC_PLAYING);
    EXPECT_EQ(ARC_GameOver, 0);
    EXPECT_EQ(ARC_ExplosionTime, 0.0f);
    EXPECT_EQ(ARC_FireworksTime, 0.0f);
    for (uint8_t c : ARC_ColourBag) EXPECT_EQ(c, 0);
}

TEST_F(ArcadeTest, CurveMovesOnlyInPlayingArcade)
{
    TIM_GameDelta = 0.6f;
    ARC_Curve();
    EXPECT_FLOAT_EQ(ARC_CurveTime, 6.01f);
    EXPECT_FLOAT_EQ(ARC_Intensity, 6.01f / 25.0f);

    struct { int type; uint8_t paused, panic; } still[] = {
        {GAM_TYPE_NONE, 0, 0}, {GAM_TYPE_ARCADE, 1, 0}, {GAM_TYPE_ARCADE, 0, 1},
    };
    for (auto& c : still) {
        GAM_Type = c.type;
        HUD_Paused = c.paused;
        ARC_Panic = c.panic;
        ARC_Curve();
        EXPECT_FLOAT_EQ(ARC_CurveTime, 6.01f) << c.type << " " << (int)c.paused << " " << (int)c.panic;
    }
    ARC_CurveTime = 40.0f;
    ARC_Curve();
    EXPECT_EQ(ARC_Intensity, 1.0f);
}

TEST_F(ArcadeTest, FourteenMinutesAtDifficultyOneDropEveryPointFourSeconds)
{
    TIM_GameDelta = 0.5f;
    for (int i = 0; i < 14 * 60 * 2; i++) ARC_Curve();
    EXPECT_NEAR(ARC_CurveTime, 20.0f, 0.01f);
    EXPECT_LE(ARC_DropInterval, 0.401f);

    // With the stack at 10 layers and no quick follow-ups, drops come every 0.4 s or faster.
    TIM_GameDelta = 0.01f;
    ARC_AverageFill = 99;
    ARC_DropTimer = 0.0f;
    for (int i = 0; i < 500; i++) DropTick();
    std::vector<float> t = DropTimes();
    ASSERT_GE(t.size(), 10u);
    for (size_t i = 1; i < t.size(); i++) EXPECT_LE(t[i] - t[i - 1], 0.4f + 0.011f) << i;
}

TEST_F(ArcadeTest, LowStacksShortenTheDropInterval)
{
    // Difficulty 1 starts at 3.5 s; it halves while the stack is below 6 layers.
    struct { float stack, factor; } cases[] = {
        {10.0f, 1.0f}, {9.5f, 0.9f}, {8.5f, 0.8f}, {7.5f, 0.7f}, {6.5f, 0.6f}, {5.9f, 0.5f}, {0.0f, 0.5f},
    };
    for (auto& c : cases) {
        ARC_ResetLevel();
        ARC_StackHeight = c.stack;
        ARC_AverageFill = 99;     // no quick follow-up
        ARC_DropTimer = 0.005f;
        g_spawned.clear();
        DropTick();
        ASSERT_FALSE(g_spawned.empty()) << c.stack;
        EXPECT_FLOAT_EQ(ARC_DropTimer, 3.5f * c.factor) << c.stack;
    }
}

TEST_F(ArcadeTest, DropsFallInFromAboveTheBoardInItsShape)
{
    BRD_Board.shape[0] = 0;   // column (0, 0) is a wall
    BRD_Board.shape[4] = 0;
    ARC_AverageFill = 99;
    ARC_DropInterval = 0.05f;
    for (int i = 0; i < 3000; i++) DropTick();
    ASSERT_GT(DropTimes().size(), 50u);
    int doubles = 0;
    for (const Spawned& s : g_spawned) {
        EXPECT_TRUE(BRD_InShape((int)s.pos.x, (int)s.pos.y)) << s.pos.x << " " << s.pos.y;
        EXPECT_TRUE(s.pos.z == 13.0f || s.pos.z == 14.0f);
        EXPECT_GE(s.type, BLK_RED);
        EXPECT_LE(s.type, BLK_YELLOW);
        EXPECT_FALSE(s.claimNow);
        EXPECT_FALSE(s.spawned);
        doubles += s.pos.z == 14.0f;
    }
    // A double drop puts a second block of the same colour right above the first.
    for (size_t i = 1; i < g_spawned.size(); i++) {
        if (g_spawned[i].pos.z != 14.0f) continue;
        EXPECT_EQ(g_spawned[i].pos.x, g_spawned[i - 1].pos.x);
        EXPECT_EQ(g_spawned[i].pos.y, g_spawned[i - 1].pos.y);
        EXPECT_EQ(g_spawned[i].type, g_spawned[i - 1].type);
    }
    EXPECT_GT(doubles, 0);
}

TEST_F(ArcadeTest, NoDropWhileThePanicMeterIsUp)
{
    ARC_DropTimer = -1.0f;
    ARC_PanicMeter = 0.01f;
    for (int i = 0; i < 500; i++) DropTick();
    EXPECT_TRUE(g_spawned.empty());
    ARC_PanicMeter = 0.0f;
    DropTick();
    EXPECT_FALSE(g_spawned.empty());
}

TEST_F(ArcadeTest, NoDropOutsideArcadeWhilePausedOrOnALostBoard)
{
    ARC_DropTimer = -1.0f;
    GAM_Type = GAM_TYPE_NONE;
    DropTick();
    GAM_Type = GAM_TYPE_ARCADE;
    HUD_Paused = 1;
    DropTick();
    HUD_Paused = 0;
    ARC_GameOver = 1;   // the panic meter is down to 0 again, but the board is gone
    DropTick();
    ARC_GameOver = 0;
    EXPECT_TRUE(g_spawned.empty());
    EXPECT_FLOAT_EQ(ARC_DropTimer, -1.0f);
}

TEST_F(ArcadeTest, AShapeWithNoColumnGetsNoDropsAndNoDivision)
{
    for (uint8_t& s : BRD_Board.shape) s = 0;
    BLK_LiveCount[BLK_RED] = 7;
    ARC_Stats();
    EXPECT_EQ(ARC_AverageFill, 0);
    EXPECT_EQ(ARC_TopLayer, 0);
    ARC_DropTimer = -1.0f;
    DropTick();
    EXPECT_TRUE(g_spawned.empty());

    ASSERT_TRUE(BRD_SetSize(0, 0));   // not even a row
    ARC_Stats();
    ARC_Fill(3);
    DropTick();
    EXPECT_EQ(ARC_AverageFill, 0);
    EXPECT_TRUE(g_spawned.empty());
}

TEST_F(ArcadeTest, QuickFollowUpsOnAnEmptyBoardAtMostFourInARow)
{
    struct { int fill, level; bool quick; } cases[] = {
        {2, 20, true}, {4, 20, true}, {6, 20, true}, {7, 20, false}, {2, 5, true}, {99, 30, false},
    };
    for (auto& c : cases) {
        ResetArcadeWorld(3, 3);
        ARC_LevelNumber = c.level;
        ARC_AverageFill = c.fill;
        ARC_StackHeight = 10.0f;
        ARC_DropTimer = 0.0f;
        for (int i = 0; i < 6000; i++) DropTick();
        std::vector<float> t = DropTimes();
        ASSERT_GT(t.size(), 10u);
        int run = 0, longest = 0, quick = 0;
        for (size_t i = 1; i < t.size(); i++) {
            if (t[i] - t[i - 1] < 0.2f) {
                quick++;
                longest = std::max(longest, ++run);
            } else {
                run = 0;
            }
        }
        EXPECT_EQ(quick > 0, c.quick) << c.fill << " " << c.level;
        EXPECT_LE(longest, 4) << c.fill << " " << c.level;
        EXPECT_LE(ARC_QuickDrops, 4);
    }
}

// ---- The colour bag ----

TEST_F(ArcadeTest, EveryCycleOfTheColourBagDealsFiveColours)
{
    for (int seed = 1; seed <= 5; seed++) {
        MTH_SeedRand(seed);
        ARC_BagEmpty();
        for (int cycle = 0; cycle < 20; cycle++) {
            bool seen[6] = {};
            for (int k = 0; k < 5; k++) {
                const int c = ARC_BagNext();
                ASSERT_GE(c, 1);
                ASSERT_LE(c, 5);
                EXPECT_FALSE(seen[c]) << "seed " << seed << " cycle " << cycle << " draw " << k;
                seen[c] = true;
            }
        }
    }
    // Emptying the bag mid-cycle starts a fresh cycle.
    ARC_BagNext();
    ARC_BagNext();
    ARC_BagEmpty();
    bool seen[6] = {};
    for (int k = 0; k < 5; k++) {
        const int c = ARC_BagNext();
        EXPECT_FALSE(seen[c]);
        seen[c] = true;
    }
}

// ---- Levels and bursts ----

TEST_F(ArcadeTest, FirstLevelIsOneShortUntilTheCurveMoves)
{
    struct { int difficulty, first, second; } cases[] = {{1, 19, 20}, {2, 29, 30}, {3, 39, 40}};
    for (auto& c : cases) {
        ARC_StartGame(c.difficulty);
        SCORE_Score = 0;
        ARC_LevelUpTimer = 0.0f;
        GAM_ModeTime = 0.5f;
        ARC_Level();   // the level fades in: the curve has not moved yet
        EXPECT_EQ(ARC_LevelNumber, c.first);
        ARC_Curve();
        ARC_Level();
        EXPECT_EQ(ARC_LevelNumber, c.second);
        EXPECT_EQ(ARC_LevelUpTimer, 0.0f);
        EXPECT_EQ(SCORE_Score, 0);
    }
}

TEST_F(ArcadeTest, LevelUpsScoreOnlyAfterTwentySecondsOfPlay)
{
    ARC_Level();
    ARC_CurveTime = 6.31f;  // level 21
    GAM_ModeTime = 15.0f;
    ARC_Level();
    EXPECT_EQ(ARC_LevelNumber, 21);
    EXPECT_EQ(ARC_LevelUpTimer, 0.0f);
    EXPECT_EQ(SCORE_Score, 0);

    ARC_CurveTime = 6.61f;  // level 22
    GAM_ModeTime = 20.5f;
    ARC_Level();
    EXPECT_EQ(ARC_LevelNumber, 22);
    EXPECT_EQ(ARC_LevelUpTimer, 1.0f);
    EXPECT_EQ(SCORE_Score, 2200);

    ARC_LevelUpTimer = 0.4f;  // the HUD counts it down, not this module
    ARC_Level();
    EXPECT_EQ(ARC_LevelUpTimer, 0.4f);
    EXPECT_EQ(SCORE_Score, 2200);

    ARC_CurveTime = 0.1f;     // never below level 1
    ARC_Level();
    EXPECT_EQ(ARC_LevelNumber, 1);
}

TEST_F(ArcadeTest, EveryDthLevelUpStartsABurst)
{
    struct { int level, every; } cases[] = {{20, 4}, {21, 3}, {40, 3}, {41, 2}, {65, 2}, {66, 1}};
    for (auto& c : cases) {
        ARC_LevelNumber = c.level;
        ARC_LevelUps = 0;
        ARC_BurstTrigger();   // no signal: nothing counted
        EXPECT_EQ(ARC_LevelUps, 0);
        for (int n = 1; n <= 2 * c.every; n++) {
            ARC_BurstLeft = 0;
            ARC_DropTimer = 2.0f;
            ARC_BurstSignal = 1.0f;
            ARC_BurstTrigger();
            EXPECT_EQ(ARC_BurstSignal, 0.0f);
            EXPECT_EQ(ARC_LevelUps, n);
            const bool burst = n % c.every == 0;
            EXPECT_EQ(ARC_BurstLeft, burst ? 10 : 0) << c.level << " level-up " << n;
            EXPECT_EQ(ARC_DropTimer, burst ? 0.0f : 2.0f) << c.level << " level-up " << n;
        }
    }
}

TEST_F(ArcadeTest, ABurstDropsTenBlocksATenthOfASecondApart)
{
    ARC_AverageFill = 99;
    ARC_BurstLeft = 10;
    ARC_DropTimer = 0.0f;
    for (int i = 0; i < 150; i++) DropTick();   // 1.5 s: the burst, then the normal interval
    std::vector<float> t = DropTimes();
    ASSERT_EQ(t.size(), 10u);
    for (size_t i = 1; i < t.size(); i++) EXPECT_NEAR(t[i] - t[i - 1], 0.1f, 0.011f) << i;
    EXPECT_EQ(ARC_BurstLeft, 0);
    EXPECT_FLOAT_EQ(ARC_DropTimer + (g_now - t.back()), 3.5f);
}

// ---- Statistics and the panic flag over hand-made blocks ----

TEST_F(ArcadeTest, StatsCountColouredBlocksPerColumnAndTheTopRestingLayer)
{
    BRD_Board.shape[8] = 0;   // 8 columns
    BLK_LiveCount[BLK_RED] = 9;
    BLK_LiveCount[BLK_YELLOW] = 5;
    BLK_LiveCount[BLK_GEM] = 1;
    BLK_LiveCount[BLK_CRYSTAL] = 2;
    BLK_LiveCount[BLK_METAL] = 40;   // not coloured
    Block resting{}, moving{}, falling{};
    moving.moveDir = BLK_DIR_PX;
    falling.moveDir = BLK_DIR_FALL;
    BRD_Cells[CELL_Index(0, 0, 0)].block = &resting;
    BRD_Cells[CELL_Index(1, 2, 2)].block = &moving;
    BRD_Cells[CELL_Index(2, 1, 5)].block = &falling;
    TIM_GameDelta = 0.18f;
    ARC_Stats();
    EXPECT_EQ(ARC_AverageFill, 17 / 8);
    EXPECT_EQ(ARC_TopLayer, 3);
    EXPECT_FLOAT_EQ(ARC_StackHeight, 10.0f + (3.0f - 10.0f) * 0.1f);

    // A drop far above the 14 layers still counts once it rests there.
    Block high{};
    BRD_Cells[CELL_Index(0, 0, 20)].block = &high;
    ARC_Stats();
    EXPECT_EQ(ARC_TopLayer, 21);
    BRD_ClearGrid();
    ARC_Stats();
    EXPECT_EQ(ARC_TopLayer, 0);
}

TEST_F(ArcadeTest, PanicFlagFromTheTopLayerInArcadeOnly)
{
    struct { int type, top; uint8_t panic; } cases[] = {
        {GAM_TYPE_ARCADE, 9, 0}, {GAM_TYPE_ARCADE, 10, 1}, {GAM_TYPE_ARCADE, 14, 1}, {GAM_TYPE_NONE, 12, 0},
    };
    for (auto& c : cases) {
        GAM_Type = c.type;
        ARC_TopLayer = c.top;
        ARC_PanicFlag();
        EXPECT_EQ(ARC_Panic, c.panic) << c.top;
    }
}

// ---- The initial fill ----

TEST_F(ArcadeTest, InitialFillAvoidsReadyMadeGroups)
{
    for (int seed = 1; seed <= 8; seed++) {
        ResetArcadeWorld(5, 4);
        MTH_SeedRand(seed);
        BRD_Board.shape[3] = 0;                              // a wall column at (3, 0)
        Block taken{};
        BRD_Cells[CELL_Index(2, 2, 1)].block = &taken;       // a level block already stands here
        ARC_Fill(5);
        ASSERT_EQ(g_spawned.size(), 19u * 5u - 1u) << seed;
        int colour[5][4][5];
        std::memset(colour, 0, sizeof colour);
        for (const Spawned& s : g_spawned) {
            const int x = (int)s.pos.x, y = (int)s.pos.y, z = (int)s.pos.z;
            ASSERT_EQ(colour[x][y][z], 0) << "two blocks in one cell";
            EXPECT_FALSE(s.claimNow);
            EXPECT_FALSE(s.spawned);
            ASSERT_GE(s.type, 1);
            ASSERT_LE(s.type, 5);
            colour[x][y][z] = s.type;
        }
        EXPECT_EQ(colour[3][0][0], 0);
        EXPECT_EQ(colour[2][2][1], 0);
        // Filled in order of layer, row, column: each block has at most one same-coloured
        // neighbour among those filled before it.
        for (const Spawned& s : g_spawned) {
            const int x = (int)s.pos.x, y = (int)s.pos.y, z = (int)s.pos.z;
            const int same = (x > 0 && colour[x - 1][y][z] == s.type) +
                             (y > 0 && colour[x][y - 1][z] == s.type) +
                             (z > 0 && colour[x][y][z - 1] == s.type);
            EXPECT_LE(same, 1) << "seed " << seed << " at " << x << " " << y << " " << z;
        }
    }
}

// ---- The board tick: panic, texts, game over ----

namespace {

const char* const kGameOver =
    "G           A           M           E                  O           V           E           R";

class PanicTest : public ArcadeTest {
protected:
    // One frame with the stack held at `top` layers.
    void Frame(int top)
    {
        g_now += TIM_GameDelta;
        ARC_TopLayer = top;
        ARC_PanicFlag();
        ARC_BoardTick();
    }
};

} // namespace

TEST_F(PanicTest, TenLayersFillTheMeterInTwoSecondsAndEndTheGameFiveSecondsLater)
{
    float full = -1.0f, over = -1.0f;
    int texts = 0;
    while (g_now < 8.0f && over < 0.0f) {
        const int drawn = FONT_DrawCount();
        Frame(10);
        if (full < 0.0f && ARC_PanicMeter >= 1.0f) full = g_now;
        if (ARC_BoardState == ARC_LOST) over = g_now;
        if (FONT_DrawCount() > drawn && ARC_BoardState == ARC_PLAYING) {
            texts++;
            EXPECT_STREQ(FONT_LastText(), "Reduce Height");
        }
    }
    EXPECT_NEAR(full, 2.0f, 0.02f);
    EXPECT_NEAR(over, 7.0f, 0.03f);
    EXPECT_GT(texts, 400);               // shown every frame of the countdown
    EXPECT_EQ(FONT_DrawCount() % 2, 0);  // with its number
    EXPECT_EQ(ARC_GameOver, 1);
    EXPECT_EQ(ARC_Countdown, 0.0f);
    EXPECT_EQ(SFX_Count("SND_GAMEOVER"), 1);
    EXPECT_EQ(SFX_Count("SND_ALARM"), 5);   // once a second

    // After the game over: the text, no countdown, the meter ebbs away.
    FONT_ResetCounts();
    Frame(10);
    EXPECT_EQ(FONT_DrawCount(), 1);
    EXPECT_STREQ(FONT_LastText(), kGameOver);
    const float meter = ARC_PanicMeter;
    for (int i = 0; i < 100; i++) Frame(10);
    EXPECT_LT(ARC_PanicMeter, meter * 0.4f);
    EXPECT_EQ(SFX_Count("SND_GAMEOVER"), 1);
}

TEST_F(PanicTest, CountdownRunsBackFourTimesAsFastBelowTenLayers)
{
    while (g_now < 4.0f - 0.005f) Frame(10);   // full at 2 s, then 2 s of countdown
    EXPECT_NEAR(ARC_Countdown, 0.4f, 0.005f);
    for (int i = 0; i < 25; i++) Frame(9);     // a quarter second below
    EXPECT_NEAR(ARC_Countdown, 0.2f, 0.005f);
    EXPECT_NEAR(ARC_PanicMeter, 1.0f - 0.125f, 0.005f);
    FONT_ResetCounts();
    for (int i = 0; i < 25; i++) Frame(9);
    EXPECT_NEAR(ARC_Countdown, 0.0f, 1e-5f);
    EXPECT_EQ(FONT_DrawCount(), 0);            // no "Reduce Height" below 10 layers
    for (int i = 0; i < 300; i++) Frame(9);
    EXPECT_EQ(ARC_Countdown, 0.0f);
    EXPECT_EQ(ARC_PanicMeter, 0.0f);

    // Back at 10 layers the meter refills before the countdown starts again: a game over
    // still needs the whole seven seconds.
    const float back = g_now;
    while (ARC_BoardState == ARC_PLAYING && g_now < back + 8.0f) Frame(10);
    EXPECT_NEAR(g_now - back, 7.0f, 0.03f);
}

TEST_F(PanicTest, CountdownRunsBackWhileTheMeterRefills)
{
    while (g_now < 3.0f - 0.005f) Frame(10);   // countdown 0.2
    Frame(9);
    for (int i = 0; i < 9; i++) Frame(9);      // meter drops below full
    ASSERT_LT(ARC_PanicMeter, 1.0f);
    const float c = ARC_Countdown;
    Frame(10);                                 // panic again, meter not yet full
    EXPECT_NEAR(ARC_Countdown, c - 0.8f * 0.01f, 1e-5f);
}

// ---- Game over with objects ----

namespace {

class GameOverTest : public RenderTest {
protected:
    void SetUp() override
    {
        StartRender("arcade");
        OBJ_InitLists();
        ResetArcadeWorld(4, 3);
        CAM_Dir = Vec3{1.0f, 0.0f, 0.0f};
    }
    void TearDown() override
    {
        OBJ_DestroyAll();
        TearDownArcadeWorld();
        StopRender();
    }
    // A block record with a live object, claiming the cell (x, y, z).
    Block* Place(int x, int y, int z, int type)
    {
        blocks_.push_back(new Block{});
        Block* b = blocks_.back();
        b->type = type;
        b->object = OBJ_New(nullptr);
        b->object->position = Vec3{(float)x, (float)y, (float)z};
        BRD_Cells[CELL_Index(x, y, z)].block = b;
        return b;
    }
    void EndGame()
    {
        ARC_TopLayer = 10;
        ARC_PanicFlag();
        TIM_GameDelta = 0.05f;
        for (int i = 0; i < 200 && ARC_BoardState == ARC_PLAYING; i++) ARC_BoardTick();
        ASSERT_EQ(ARC_BoardState, ARC_LOST);
    }
    static std::vector<Object*> Pieces()
    {
        std::vector<Object*> out;
        for (Object* o = OBJ_FindByBehaviour(ARC_PieceBehaviour, nullptr); o;
             o = OBJ_FindByBehaviour(ARC_PieceBehaviour, o))
            if (o->state != OBJ_STATE_DYING) out.push_back(o);
        return out;
    }
    ~GameOverTest() override
    {
        for (Block* b : blocks_) delete b;
    }
    std::vector<Block*> blocks_;
};

} // namespace

TEST_F(GameOverTest, BlocksTurnToMetalAndAreThrownOutwards)
{
    Block* low = Place(0, 0, 0, BLK_RED);
    Block* high = Place(3, 2, 4, BLK_BLOCK2);
    BLK_SolidRecord = Block{};
    BLK_SolidRecord.type = BLK_BLOCK1;
    BRD_Cells[CELL_Index(1, 1, 0)].block = &BLK_SolidRecord;   // no object: left alone
    Block* twice = Place(2, 0, 2, BLK_RED + 1);
    BRD_Cells[CELL_Index(2, 0, 3)].block = twice;             // in a fall step: two cells
    EndGame();

    struct { Block* b; int x, y, z; } cases[] = {{low, 0, 0, 0}, {high, 3, 2, 4}};
    for (auto& c : cases) {
        EXPECT_EQ(c.b->flying, 1.0f);
        EXPECT_EQ(c.b->type, BLK_METAL);
        const Vec3 base{((float)c.x - BRD_Centre.x) * 0.8f, ((float)c.y - BRD_Centre.y) * 0.8f,
                        (float)c.z * 0.7f + 2.0f};
        // Outwards and up, plus a random push of length 5, each part jittered by up to 0.3.
        const float push = MTH_Length(MTH_Sub(c.b->object->velocity, base));
        EXPECT_GT(push, 5.0f - 0.53f);
        EXPECT_LT(push, 5.0f + 0.53f);
    }
    EXPECT_EQ(twice->flying, 1.0f);
    EXPECT_EQ(BLK_SolidRecord.type, BLK_BLOCK1);
    EXPECT_EQ(BLK_SolidRecord.flying, 0.0f);
    EXPECT_EQ(ARC_ExplosionTime, 1.5f);
    EXPECT_EQ(SFX_Count("PFX_BIGEXPLO"), 1);
    EXPECT_EQ(SFX_Count("SND_GAMEOVER"), 1);
    EXPECT_GT(FX_FlashSlot(0)->left, 0.0f);   // full detail: the flash
}

// A block that dropped in during the tick of the game over has claimed no cell yet; it is
// thrown with the rest instead of staying behind in its colour.
TEST_F(GameOverTest, ABlockThatClaimedNothingYetIsThrownToo)
{
    ASSERT_TRUE(BLK_Spawn(Vec3{1.0f, 1.0f, 13.0f}, BLK_RED, false, false));
    Object* o = OBJ_FindByBehaviour(BLK_Behaviour, nullptr);
    ASSERT_NE(o, nullptr);
    Block* b = BLK_Of(o);
    ASSERT_NE(b, nullptr);
    EndGame();
    EXPECT_EQ(b->flying, 1.0f);
    EXPECT_EQ(b->type, BLK_METAL);
}

TEST_F(GameOverTest, LowDetailHasNoFlash)
{
    CFG_Detail = 0.9f;
    EndGame();
    EXPECT_EQ(FX_FlashSlot(0)->left, 0.0f);
}

TEST_F(GameOverTest, FourBoardPiecesFlyOffAndBurstFarBelow)
{
    EndGame();
    std::vector<Object*> pieces = Pieces();
    ASSERT_EQ(pieces.size(), 4u);
    const Vec3 velocities[4] = {{0, 4, -1}, {6, 0, -3}, {0, -5, -5}, {-5, 0, -3}};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(pieces[i]->velocity.x, velocities[i].x);
        EXPECT_EQ(pieces[i]->velocity.y, velocities[i].y);
        EXPECT_EQ(pieces[i]->velocity.z, velocities[i].z);
        EXPECT_EQ(pieces[i]->scale.x, BRD_Radius);
        EXPECT_EQ(pieces[i]->scale.z, BRD_Radius);
        EXPECT_EQ(pieces[i]->renderMode, RENDER_MESH);
    }

    TIM_GameDelta = 0.5f;
    OBJ_RunAll(false);   // starts them
    for (int i = 0; i < 22; i++) OBJ_RunAll(false);   // 11 s: the fastest is at z = -55
    EXPECT_EQ(SFX_Count("PFX_BOMBEXPLO"), 0);
    EXPECT_EQ(Pieces().size(), 4u);
    const Vec3 h = pieces[0]->heading;
    EXPECT_NEAR(MTH_Length(h), 1.0f, 1e-3f);
    for (int i = 0; i < 110; i++) OBJ_RunAll(false);  // past a minute: every one is down
    EXPECT_EQ(SFX_Count("PFX_BOMBEXPLO"), 4);
    EXPECT_TRUE(Pieces().empty());
}

TEST_F(GameOverTest, ExplosionsSoundForOneAndAHalfSecondsUnlessPaused)
{
    EndGame();
    SFX_ResetCounts();
    TIM_GameDelta = 0.01f;
    HUD_Paused = 1;
    for (int i = 0; i < 50; i++) ARC_BoardTick();
    EXPECT_EQ(SFX_Count("SND_EXPLO"), 0);
    EXPECT_EQ(ARC_ExplosionTime, 1.5f);
    HUD_Paused = 0;
    int frames = 0;
    while (ARC_ExplosionTime > 0.0f && frames < 1000) {
        ARC_BoardTick();
        frames++;
        const int f = SFX_LastFrequency("SND_EXPLO");
        if (f) {
            EXPECT_GE(f, 15000);
            EXPECT_LT(f, 20000);
        }
    }
    EXPECT_NEAR(frames, 150, 1);
    const int played = SFX_Count("SND_EXPLO");
    EXPECT_GT(played, 10);    // about one frame in five
    EXPECT_LT(played, 60);
    for (int i = 0; i < 100; i++) ARC_BoardTick();
    EXPECT_EQ(SFX_Count("SND_EXPLO"), played);
    EXPECT_EQ(ARC_ExplosionTime, 0.0f);
}

// ---- Fireworks ----

TEST_F(ArcadeTest, FireworksStartAtFullDetailAndSoundLate)
{
    CFG_Detail = 0.5f;
    ARC_Fireworks(10);
    EXPECT_EQ(SFX_Total(), 0);
    EXPECT_EQ(ARC_FireworksTime, 0.0f);

    CFG_Detail = 1.0f;
    ARC_Fireworks(10);
    for (const char* n : {"PFX_FIREWORK02", "PFX_FIREWORK02A", "PFX_FIREWORK02B", "PFX_FIREWORK02C",
                          "PFX_FIREWORK02D"})
        EXPECT_EQ(SFX_Count(n), 2) << n;
    EXPECT_FLOAT_EQ(ARC_FireworksTime, 1.4f);

    int early = 0;
    for (int i = 0; i < 89; i++) {   // 0.89 s: still above 0.5
        ARC_FireworksSound();
        early += SFX_Count("SND_FIREWORKS");
    }
    EXPECT_EQ(early, 0);
    for (int i = 0; i < 100; i++) {
        ARC_FireworksSound();
        const int f = SFX_LastFrequency("SND_FIREWORKS");
        if (f) {
            EXPECT_GE(f, 15000);
            EXPECT_LT(f, 25000);
        }
    }
    const int played = SFX_Count("SND_FIREWORKS");
    EXPECT_GT(played, 2);
    EXPECT_LT(played, 30);
    EXPECT_EQ(ARC_FireworksTime, 0.0f);
}

// ---- The arena ----

namespace {

class ArenaTest : public RenderTest {
protected:
    void SetUp() override
    {
        StartRender("arena");
        ResetArcadeWorld(4, 6);   // centre (1.5, 2.5)
        LIGHT_Enable(true);
        rec_->ClearLog();
    }
    void TearDown() override
    {
        TearDownArcadeWorld();
        StopRender();
    }
};

} // namespace

TEST_F(ArenaTest, FloorDiscAndWallOfThirtyTwoPanelsUnlit)
{
    ARENA_Draw();
    const auto& draws = rec_->Draws();
    ASSERT_EQ(draws.size(), 64u);
    const float cx = BRD_Centre.x, cy = BRD_Centre.y;
    for (size_t d = 0; d < draws.size(); d++) {
        const gfx::DrawRecord& r = draws[d];
        ASSERT_EQ(r.kind, (uint32_t)gfx::DRAW_USERMEMORY);
        EXPECT_EQ(r.primCount, 2u);
        EXPECT_EQ(r.state.rs[gfx::RS_LIGHTING], 0u) << d;
        ASSERT_EQ(r.vertices.size(), 4 * sizeof(PNCT_Vect));
        const PNCT_Vect* v = reinterpret_cast<const PNCT_Vect*>(r.vertices.data());
        for (int k = 0; k < 4; k++) {
            const float dist = std::hypot(v[k].x - cx, v[k].y - cy);
            if (d < 32) {   // floor slices: the centre and two rim points, mapped by position
                EXPECT_FLOAT_EQ(v[k].z, -0.3f);
                EXPECT_TRUE(dist < 1e-4f || std::fabs(dist - 15.0f) < 1e-3f) << dist;
                EXPECT_FLOAT_EQ(v[k].u, v[k].x * 0.2f);
                EXPECT_FLOAT_EQ(v[k].v, v[k].y * 0.2f);
                EXPECT_EQ(v[k].colour, 0xFFB2B2B2u);
            } else {        // wall panels on the rim, from the floor to z = 10
                EXPECT_NEAR(dist, 15.0f, 1e-3f);
                EXPECT_TRUE(v[k].z == -0.3f || v[k].z == 10.0f);
                EXPECT_EQ(v[k].v, v[k].z == 10.0f ? 0.0f : 1.0f);
                EXPECT_EQ(v[k].colour, 0xFF7F7F7Fu);
            }
        }
        if (d >= 32) {
            const float u0 = (float)((d - 32) % 4) * 0.25f;
            EXPECT_FLOAT_EQ(v[0].u, u0);
            EXPECT_FLOAT_EQ(v[1].u, u0 + 0.25f);
        }
    }
    EXPECT_TRUE(LIGHT_IsEnabled());
}

TEST_F(ArenaTest, DrawsOnlyOnTheGameScreen)
{
    for (int mode : {GAM_MODE_TITLE, GAM_MODE_TITLEBACK, GAM_MODE_SCORES}) {
        GAM_Mode = mode;
        ARENA_Draw();
    }
    EXPECT_TRUE(rec_->Draws().empty());
}
