// Matching and scoring: groups of difficulty + 3 resting blocks of one colour vanish and score by
// size, settling blocks stay out, crystals never clear, colour families group together, closed
// gem layers squash with growing points, and nothing is searched during the level-start delay.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "app/clock.h"
#include "core/settings.h"
#include "game/arcade.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/match.h"
#include "game/sfx.h"
#include "render/fx.h"

namespace {

constexpr int kGreen = 2;
constexpr int kPool = 64;

class MatchTest : public testing::Test {
public:
    void SetUp() override { Board(6, 6); }
    void TearDown() override
    {
        BRD_ClearGrid();
        BRD_Solid = nullptr;
        SCORE_Score = SCORE_Pending = MATCH_GemClears = 0;
        MATCH_Delay = 0.0f;
        ARC_Difficulty = 0;
        CFG_Detail = savedDetail_;
        TIM_GameDelta = 0.0f;
        SFX_ResetCounts();
        FX_Init();
    }

    void Board(int w, int h)
    {
        ASSERT_TRUE(BRD_SetSize(w, h));
        for (int i = 0; i < w * h; ++i) BRD_Board.shape[i] = 1;
        BRD_ClearGrid();
        used_ = 0;
        SCORE_Score = SCORE_Pending = MATCH_GemClears = 0;
        MATCH_Delay = 0.0f;
        CFG_Detail = 1.0f;
        SFX_ResetCounts();
        FX_Init();
    }

    // A zeroed record of type placed into its cell; no scene object behind it.
    Block* Put(int type, int x, int y, int z, float settle = 0.0f)
    {
        Block* b = &pool_[used_++];
        *b = Block{};
        b->type = type;
        b->settle = settle;
        BRD_Claim(b, Vec3{float(x), float(y), float(z)}, 1);
        return b;
    }

    Block* Line(int type, int n, int y = 0)
    {
        Block* first = nullptr;
        for (int x = 0; x < n; ++x) {
            Block* b = Put(type, x, y, 0);
            if (!first) first = b;
        }
        return first;
    }

    int Removed(int removal) const
    {
        int n = 0;
        for (int i = 0; i < used_; ++i) n += pool_[i].removal == removal;
        return n;
    }

    Block pool_[kPool] = {};
    int used_ = 0;
    float savedDetail_ = CFG_Detail;
};

} // namespace

TEST_F(MatchTest, GroupSizeNeededAndPointsFollowTheDifficulty)
{
    struct Case { int difficulty, blocks, score; } cases[] = {
        {1, 3, 0},    {1, 4, 200},  {0, 3, 75},   {2, 4, 0},
        {2, 5, 500},  {3, 5, 0},    {3, 6, 1200}, {3, 7, 2100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "difficulty " << c.difficulty << ", " << c.blocks);
        Board(6, 6);
        ARC_Difficulty = c.difficulty;
        for (int k = 0; k < c.blocks; ++k) Put(BLK_RED, k % 6, k / 6, 0);
        Put(kGreen, 0, 5, 0);  // never part of a red group
        MATCH_Groups();
        EXPECT_EQ(SCORE_Score, c.score);
        const bool cleared = c.score > 0;
        EXPECT_EQ(Removed(BLK_VANISH), cleared ? c.blocks : 0);
        EXPECT_EQ(SFX_Count("SND_SCORE01"), cleared ? 1 : 0);
        if (cleared) {
            const int f = SFX_LastFrequency("SND_SCORE01");
            EXPECT_GE(f, 30000);
            EXPECT_LE(f, 40000);
        }
    }
}

TEST_F(MatchTest, SettlingBlockNeitherStartsNorJoinsUntilAtRest)
{
    ARC_Difficulty = 1;
    Block* first = Line(BLK_RED, 4);  // the scan reaches the settling block first
    first->settle = 0.05f;
    MATCH_Groups();
    EXPECT_EQ(Removed(BLK_VANISH), 0);
    EXPECT_EQ(SCORE_Score, 0);

    first->settle = 0.0f;
    MATCH_Groups();
    EXPECT_EQ(Removed(BLK_VANISH), 4);
    EXPECT_EQ(SCORE_Score, 200);

    // A block already vanishing is not counted into a second group.
    MATCH_Groups();
    EXPECT_EQ(SCORE_Score, 200);
    EXPECT_EQ(SFX_Count("SND_SCORE01"), 1);
}

TEST_F(MatchTest, TypesThatNeverClearAsGroups)
{
    ARC_Difficulty = 1;
    for (int type : {BLK_CRYSTAL, BLK_METAL, BLK_GEM, BLK_SCENERY01}) {
        SCOPED_TRACE(type);
        Board(6, 6);
        Line(type, 6);
        Line(type, 6, 1);
        MATCH_Groups();
        EXPECT_EQ(Removed(BLK_VANISH), 0);
        EXPECT_EQ(SCORE_Score, 0);
        EXPECT_EQ(SFX_Count("SND_SCORE01"), 0);
    }
    // A crystal does not lend its cell to a colour group either.
    Board(6, 6);
    Put(BLK_RED, 0, 0, 0);
    Put(BLK_RED, 1, 0, 0);
    Put(BLK_CRYSTAL, 2, 0, 0);
    Put(BLK_RED, 3, 0, 0);
    Put(BLK_RED, 4, 0, 0);
    MATCH_Groups();
    EXPECT_EQ(Removed(BLK_VANISH), 0);
}

TEST_F(MatchTest, ColourFamilyFormsOneGroupInThreeDimensions)
{
    ARC_Difficulty = 1;
    BRD_Solid = &BLK_SolidRecord;
    BLK_SolidRecord = Block{};
    BLK_SolidRecord.type = BLK_BLOCK1;
    Put(BLK_METAL, 0, 0, 0);
    Block* red = Put(BLK_RED, 0, 0, 1);
    Block* slider = Put(BLK_REDSLIDER, 0, 0, 2);       // up
    Block* still = Put(BLK_REDSCENERY, 1, 0, 2);       // along +x
    Block* below = Put(BLK_RED, 1, 0, 1);              // down
    Block* green = Put(kGreen, 0, 1, 1);
    BRD_Cells[CELL_Index(2, 0, 1)].block = BRD_Solid;  // the solid fill joins nothing
    MATCH_Groups();
    for (Block* b : {red, slider, still, below}) EXPECT_EQ(b->removal, BLK_VANISH);
    EXPECT_EQ(green->removal, BLK_ALIVE);
    EXPECT_EQ(BLK_SolidRecord.removal, BLK_ALIVE);
    EXPECT_EQ(SCORE_Score, 200);
}

TEST_F(MatchTest, LevelStartDelayHoldsTheSearch)
{
    ARC_Difficulty = 1;
    Line(BLK_RED, 4);
    MATCH_Delay = 0.1f;
    TIM_GameDelta = 0.06f;
    MATCH_Groups();
    EXPECT_NEAR(MATCH_Delay, 0.04f, 1e-6f);
    MATCH_Groups();
    EXPECT_EQ(MATCH_Delay, 0.0f);  // never below zero
    EXPECT_EQ(Removed(BLK_VANISH), 0);
    MATCH_Groups();
    EXPECT_EQ(Removed(BLK_VANISH), 4);
    EXPECT_EQ(SCORE_Score, 200);
}

TEST_F(MatchTest, ClosedGemLayerScoresMoreWithEveryClear)
{
    Board(2, 2);
    for (int clear = 1; clear <= 2; ++clear) {
        SCOPED_TRACE(clear);
        const int before = used_;
        BRD_ClearGrid();
        for (int k = 0; k < 4; ++k) Put(BLK_GEM, k % 2, k / 2, 1);  // layer 1 over a full layer 0
        for (int k = 0; k < 4; ++k) Put(BLK_METAL, k % 2, k / 2, 0);
        SFX_ResetCounts();
        MATCH_Gems();
        for (int k = before; k < before + 4; ++k) EXPECT_EQ(pool_[k].removal, BLK_SQUASH);
        EXPECT_EQ(pool_[before + 4].removal, BLK_ALIVE);
        EXPECT_EQ(MATCH_GemClears, clear);
        EXPECT_EQ(SFX_Count("PFX_GONE_GEM"), 4);
        EXPECT_EQ(SFX_Count("SND_SCORE02"), 1);
        EXPECT_GT(FX_FlashSlot(clear - 1)->left, 0.0f);
    }
    EXPECT_EQ(SCORE_Score, 800 + 1600);
}

TEST_F(MatchTest, GemRegionMustBeClosedAndAllResting)
{
    // Gems fill x 0..1 of a 3 x 2 board; column 2 holds scenery and a square block's fill.
    struct Case {
        const char* what;
        bool clears;
        std::function<void(MatchTest&)> change;
    } cases[] = {
        {"closed", true, [](MatchTest&) {}},
        {"hole", false, [](MatchTest&) { BRD_Cells[CELL_Index(1, 1, 0)].block = nullptr; }},
        {"red inside", false, [](MatchTest& t) { t.Put(BLK_RED, 1, 1, 0); }},
        {"settling gem", false, [](MatchTest& t) { BRD_Cells[CELL_Index(0, 1, 0)].block->settle = 0.05f; }},
        {"open side", false, [](MatchTest&) { BRD_Cells[CELL_Index(2, 1, 0)].block = nullptr; }},
        {"wall side", true, [](MatchTest&) {
             BRD_Cells[CELL_Index(2, 1, 0)].block = nullptr;
             BRD_Board.shape[2 + 1 * 3] = 0;
         }},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        Board(3, 2);
        CFG_Detail = 0.5f;  // low detail: no particles, no flash
        BRD_Solid = &BLK_SolidRecord;
        BLK_SolidRecord = Block{};
        BLK_SolidRecord.type = BLK_BLOCK1;
        for (int k = 0; k < 4; ++k) Put(BLK_GEM, k % 2, k / 2, 0);
        Put(BLK_SCENERY01, 2, 0, 0);
        BRD_Cells[CELL_Index(2, 1, 0)].block = BRD_Solid;
        c.change(*this);
        MATCH_Gems();
        EXPECT_EQ(SCORE_Score, c.clears ? 800 : 0);
        EXPECT_EQ(MATCH_GemClears, c.clears ? 1 : 0);
        EXPECT_EQ(SFX_Count("SND_SCORE02"), c.clears ? 1 : 0);
        EXPECT_EQ(SFX_Count("PFX_GONE_GEM"), 0);
        EXPECT_EQ(FX_FlashSlot(0)->left, 0.0f);
        EXPECT_EQ(BLK_SolidRecord.removal, BLK_ALIVE);
        EXPECT_EQ(pool_[4].removal, BLK_ALIVE);  // the scenery
    }
}

TEST_F(MatchTest, ScoreCommitsPendingAndSaturates)
{
    SCORE_Score = 100;
    SCORE_Pending = 7;
    SCORE_Begin();
    SCORE_Add(50);
    SCORE_Add(25);
    EXPECT_EQ(SCORE_Pending, 75);
    SCORE_Commit();
    EXPECT_EQ(SCORE_Score, 175);

    SCORE_Score = INT_MAX - 10;
    SCORE_Begin();
    SCORE_Add(100);
    SCORE_Commit();
    EXPECT_EQ(SCORE_Score, INT_MAX);
}
