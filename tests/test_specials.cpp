// Special blocks and odd events: the odd timer by difficulty and the events it starts on a full
// board, what the odd list does to a block (swap, metal and back, spawn), where a spawned
// neighbour may go, the colourful state, the strobe storm, absorbers, wobble that follows type
// changes, inner objects, emitters, colour models, the clone, the hover frame and drop shadows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/clock.h"
#include "core/input.h"
#include "core/math.h"
#include "core/mem.h"
#include "data/mesh_format.h"
#include "game/arcade.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/hud.h"
#include "game/mode.h"
#include "game/sfx.h"
#include "game/specials.h"
#include "render/material.h"
#include "render/mesh.h"
#include "scene/object.h"
#include "mesh_fixture.h"
#include "render_fixture.h"

namespace {

constexpr float kDt = 0.01f;
constexpr int GREEN = 2, BLUE = 3;

// A board of hand-made blocks: each has a plain object (no behaviour) that owns its record, the
// way a block object owns its record in play.
class SpecialsTest : public testing::Test {
protected:
    void SetUp() override
    {
        MTH_SeedRand(4242);
        OBJ_InitLists();
        Board(3, 3);
        SFX_ResetCounts();
        SPC_ResetLevel();
        ODD_Timer = 1000.0f;
        STORM_RgbFlag = 0;
        STORM_ColourfulCooldown = 0.0f;
        ARC_Difficulty = 3;
        GAM_ModeTime = 0.0f;
        TIM_GameDelta = kDt;
        TIM_GameTime = 0.0f;
        HUD_Paused = 0;
        BLK_Hovered = BLK_Selected = nullptr;
        SPC_HintAlpha = 0.0f;
        MOU_Outside = 0;
    }
    void TearDown() override
    {
        SPC_ResetLevel();
        OBJ_DestroyAll();
        BRD_ClearGrid();
        ARC_Difficulty = 0;
        GAM_ModeTime = 0.0f;
        BLK_Hovered = BLK_Selected = nullptr;
        MOU_Outside = 0;
    }
    static void Board(int w, int h)
    {
        ASSERT_TRUE(BRD_SetSize(w, h));
        for (uint8_t& s : BRD_Board.shape) s = 1;
        BRD_ClearGrid();
    }
    static Block* Make(int type, int x, int y, int z, bool claim = true)
    {
        Object* o = OBJ_New(nullptr);
        Block* b = (Block*)MEM_AllocZero(sizeof(Block), "Test Block");
        o->userData = b;
        o->userValue = type;
        o->position = Vec3{(float)x, (float)y, (float)z};
        o->heading = Vec3{-1, 0, 0};
        b->object = o;
        b->type = type;
        if (claim) BRD_Cells[CELL_Index(x, y, z)].block = b;
        return b;
    }
    // Every cell of every layer of the board holds a red block at rest.
    std::vector<Block*> FillBoard(int w, int h)
    {
        Board(w, h);
        std::vector<Block*> all;
        for (int z = 0; z < BRD_Layers; z++)
            for (int y = 0; y < h; y++)
                for (int x = 0; x < w; x++) all.push_back(Make(BLK_RED, x, y, z));
        return all;
    }
    static int ColourOf(int type)
    {
        int k = BLK_Kind(type);
        return k >= 1 && k <= 5 ? k : 0;
    }
    static int OddOutcomes()
    {
        return SFX_Count("SND_N_SWAP") + SFX_Count("SND_N_METAL") + SFX_Count("SND_N_SLIDE") +
               SFX_Count("SND_N_SPAWN");
    }
    // One tick of what the game update and the behaviours do for odd events and effects.
    static void Tick(const std::vector<Block*>& blocks)
    {
        ODD_Tick();
        for (Block* b : blocks) SPC_Visual(b);
        TIM_GameTime += kDt;
        GAM_ModeTime += kDt;
    }
};

} // namespace

TEST_F(SpecialsTest, RearmByDifficulty)
{
    struct { int difficulty; float lo, hi; } table[] = {{1, 1, 4}, {2, 1, 3}, {3, 1, 2}};
    for (auto& row : table) {
        ARC_Difficulty = row.difficulty;
        float lo = 100, hi = -100;
        for (int i = 0; i < 500; i++) {
            ODD_Rearm();
            lo = std::min(lo, ODD_Timer);
            hi = std::max(hi, ODD_Timer);
        }
        EXPECT_GE(lo, row.lo) << row.difficulty;
        EXPECT_LE(hi, row.hi) << row.difficulty;
        EXPECT_LT(lo, row.lo + 0.1f) << row.difficulty;   // the whole range is used
        EXPECT_GT(hi, row.hi - 0.1f) << row.difficulty;
    }
    for (int other : {0, 4}) {
        ARC_Difficulty = other;
        ODD_Timer = 7.5f;
        ODD_Rearm();
        EXPECT_EQ(ODD_Timer, 7.5f) << other;
    }
}

TEST_F(SpecialsTest, OddEventsEveryOneToTwoSecondsAtDifficulty3)
{
    std::vector<Block*> blocks = FillBoard(6, 6);
    ODD_Rearm();
    std::vector<float> at;
    for (int i = 0; i < 1500; i++) {
        int before = SFX_Count("SND_ODD01");
        Tick(blocks);
        if (SFX_Count("SND_ODD01") > before) at.push_back(TIM_GameTime);
    }
    ASSERT_GE(at.size(), 7u);
    EXPECT_GE(at[0], 1.0f);
    EXPECT_LE(at[0], 2.0f + 2 * kDt);
    for (size_t i = 1; i < at.size(); i++) {
        EXPECT_GE(at[i] - at[i - 1], 1.0f - kDt) << i;
        EXPECT_LE(at[i] - at[i - 1], 2.0f + 2 * kDt) << i;
    }
    // Each flash acts once, a second after it starts.
    int flashes = SFX_Count("SND_ODD01");
    ODD_Timer = 1000.0f;
    for (int i = 0; i < 200; i++) Tick(blocks);
    EXPECT_EQ(OddOutcomes(), flashes);
    for (Block* b : blocks) EXPECT_EQ(b->oddFlash, 0.0f);
}

// On a lost board every block is flying metal: no odd event may pick one and turn it back into
// a colour, and flashes already on the list are dropped.
TEST_F(SpecialsTest, NoOddEventsOnALostBoard)
{
    std::vector<Block*> blocks = FillBoard(6, 6);
    ODD_List[0] = blocks[0];
    ODD_ListCount = 1;
    ODD_Timer = 0.0f;
    ARC_GameOver = 1;
    for (int i = 0; i < 500; i++) Tick(blocks);
    ARC_GameOver = 0;
    EXPECT_EQ(SFX_Count("SND_ODD01"), 0);
    EXPECT_EQ(OddOutcomes(), 0);
    EXPECT_EQ(ODD_ListCount, 0);
}

TEST_F(SpecialsTest, OddListSwapsToAnotherColourOrTurnsMetal)
{
    // A 1 x 1 board with an unclaimed block: nothing to slide to and nothing to spawn on, so every
    // event is a swap or metal.
    Board(1, 1);
    Block* b = Make(BLK_RED, 0, 0, 0, false);
    const int starts[] = {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 13, 15, 17};
    std::set<int> fromRed;
    int metals = 0, rounds = 0;
    for (int round = 0; round < 30; round++) {
        for (int start : starts) {
            b->type = start;
            b->metalTimer = 0.0f;
            ASSERT_TRUE(SPC_JoinOddList(b));
            ODD_Tick();
            rounds++;
            EXPECT_EQ(ODD_ListCount, 0);
            if (b->type == BLK_METAL) {
                EXPECT_EQ(b->metalTimer, 20.0f);
                metals++;
                continue;
            }
            EXPECT_GE(b->type, 1) << start;
            EXPECT_LE(b->type, 5) << start;   // sliders and static blocks become plain blocks
            EXPECT_NE(b->type, ColourOf(start)) << start;
            if (start == BLK_RED) fromRed.insert(b->type);
        }
    }
    EXPECT_EQ(fromRed, (std::set<int>{2, 3, 4, 5}));
    EXPECT_GT(metals, rounds / 8);
    EXPECT_EQ(SFX_Count("SND_N_SWAP") + SFX_Count("SND_N_METAL"), rounds);
    int f = SFX_LastFrequency("SND_N_SWAP");
    EXPECT_GE(f, 20000);
    EXPECT_LE(f, 24095);

    // A metal block in the list turns back into a colour.
    b->type = BLK_METAL;
    b->metalTimer = 3.0f;
    SPC_JoinOddList(b);
    ODD_Tick();
    EXPECT_GE(b->type, 1);
    EXPECT_LE(b->type, 5);
    EXPECT_EQ(b->metalTimer, 0.0f);
    EXPECT_EQ(SFX_Count("SND_N_UNMETAL"), 1);

    // The shared solid record and a dying block are left alone.
    Block solid{};
    solid.type = BLK_BLOCK1;
    b->type = GREEN;
    OBJ_Kill(b->object);
    SPC_JoinOddList(&solid);
    SPC_JoinOddList(b);
    int sounds = SFX_Total();
    ODD_Tick();
    EXPECT_EQ(solid.type, BLK_BLOCK1);
    EXPECT_EQ(b->type, GREEN);
    EXPECT_EQ(SFX_Total(), sounds);
}

TEST_F(SpecialsTest, MetalTurnsOddAgainAfterTwentySeconds)
{
    Board(1, 1);
    Block* b = Make(BLK_METAL, 0, 0, 0, false);
    b->metalTimer = 20.0f;
    std::vector<Block*> one{b};
    float flashAt = -1;
    while (TIM_GameTime < 22.0f && b->type == BLK_METAL) {
        int before = SFX_Count("SND_ODD01");
        Tick(one);
        if (SFX_Count("SND_ODD01") > before) flashAt = TIM_GameTime;
    }
    EXPECT_NEAR(flashAt, 20.0f, 2 * kDt);
    EXPECT_NEAR(TIM_GameTime, 21.0f, 3 * kDt);   // the flash acts a second later
    EXPECT_GE(b->type, 1);
    EXPECT_LE(b->type, 5);
    EXPECT_EQ(SFX_Count("SND_N_UNMETAL"), 1);
}

TEST_F(SpecialsTest, SpawnTargetNeedsABlockBelow)
{
    struct Row {
        const char* name;
        Vec3 odd;
        std::vector<Vec3> others;   // claimed cells
        int wallX;                  // a wall column at (wallX, 1), or -1
        std::set<int> allowed;      // cells as x + 10 y + 100 z; empty: never a target
    };
    const Row rows[] = {
        // Alone on the floor: only the cell on top of it.
        {"lone floor block", {1, 1, 0}, {}, -1, {111}},
        // On layer 1: a side cell over a block qualifies, a side cell over nothing does not.
        {"side over a block", {1, 1, 1}, {{1, 1, 0}, {0, 1, 0}}, -1, {110, 211}},
        // At the board's edge nothing wraps to the far column (2, 0, 1 lies over a block).
        {"edge does not wrap", {0, 1, 1}, {{0, 1, 0}, {2, 0, 0}, {0, 1, 2}}, -1, {}},
        // A wall cell never takes a block.
        {"wall", {1, 1, 1}, {{1, 1, 0}, {2, 1, 0}, {1, 1, 2}}, 2, {}},
    };
    for (const Row& row : rows) {
        Board(3, 3);
        Block* b = Make(BLK_RED, (int)row.odd.x, (int)row.odd.y, (int)row.odd.z);
        for (const Vec3& c : row.others) Make(BLUE, (int)c.x, (int)c.y, (int)c.z);
        if (row.wallX >= 0)
            for (int z = 0; z < BRD_Layers; z++) BRD_Cells[CELL_Index(row.wallX, 1, z)].wall = 1;
        std::set<int> seen;
        for (int i = 0; i < 200; i++) {
            int cell = ODD_SpawnTarget(b);
            if (cell < 0) {
                seen.insert(-1);
                continue;
            }
            int x = cell % 3, y = (cell / 3) % 3, z = cell / 9;
            seen.insert(x + 10 * y + 100 * z);
        }
        std::set<int> want = row.allowed.empty() ? std::set<int>{-1} : row.allowed;
        EXPECT_EQ(seen, want) << row.name;
        OBJ_DestroyAll();
    }
}

TEST_F(SpecialsTest, SpawnColourNeverTheOddBlocksColour)
{
    for (int type : {1, 2, 3, 4, 5, 7, 13, 6, 19}) {
        std::set<int> seen;
        for (int i = 0; i < 400; i++) seen.insert(ODD_OtherColour(type));
        std::set<int> want{1, 2, 3, 4, 5};
        want.erase(ColourOf(type));
        EXPECT_EQ(seen, want) << type;
    }
}

TEST_F(SpecialsTest, OddSpawnPutsAnotherColourOnTop)
{
    if (!BLK_Spawn(Vec3{0, 0, 5}, BLK_RED, false, false)) GTEST_SKIP() << "needs the block module's BLK_Spawn";
    OBJ_DestroyAll();
    Board(3, 3);
    Block* b = Make(BLK_RED, 1, 1, 0);
    for (int i = 0; i < 200 && SFX_Count("SND_N_SPAWN") == 0; i++) {
        b->type = BLK_RED;
        SPC_JoinOddList(b);
        ODD_Tick();
    }
    ASSERT_EQ(SFX_Count("SND_N_SPAWN"), 1);
    Object* o = OBJ_FindByBehaviour(BLK_Behaviour, nullptr);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(CELL_IndexAt(o->position), CELL_Index(1, 1, 1));
    EXPECT_NE(o->userValue, BLK_RED);
    EXPECT_GE(o->userValue, 1);
    EXPECT_LE(o->userValue, 5);
}

TEST_F(SpecialsTest, OneColourfulBlockAndNotBeforeTenSeconds)
{
    std::vector<Block*> blocks = FillBoard(6, 6);
    ODD_Rearm();
    STORM_ColourfulCooldown = -1.0f;
    auto colourful = [&] {
        int n = 0;
        for (Block* b : blocks) n += b->colourful > 0.0f;
        return n;
    };
    int most = 0;
    bool early = false;
    for (int i = 0; i < 7000; i++) {
        Tick(blocks);
        int n = colourful();
        if (GAM_ModeTime <= 10.0f && n) early = true;
        most = std::max(most, n);
    }
    EXPECT_FALSE(early);
    EXPECT_EQ(most, 1);
    EXPECT_GT(SFX_Count("SND_CFLASH"), 0);

    // A storm clears the colourful state, and none starts while it runs.
    STORM_Start(3.0f);
    for (int i = 0; i < 250; i++) {
        STORM_Tick();
        Tick(blocks);
        EXPECT_EQ(colourful(), 0) << i;
    }
}

TEST_F(SpecialsTest, StormRisesAndFallsAtHalfPerSecond)
{
    STORM_Start(15.0f);
    STORM_Start(3.0f);   // a shorter storm does not cut it short
    EXPECT_EQ(STORM_Time, 15.0f);
    struct { float t, level, tolerance; } marks[] = {
        {1.0f, 0.5f, 0.02f}, {2.1f, 1.0f, 0.0f}, {14.9f, 1.0f, 0.0f}, {16.0f, 0.5f, 0.02f}, {17.1f, 0.0f, 0.0f}};
    int step = 0, strobes = 0;
    for (auto& m : marks) {
        while ((step + 1) * kDt <= m.t + kDt / 2) {
            STORM_Tick();
            step++;
            if (STORM_Strobe > 0.0f && STORM_Time > 0.0f) strobes++;
        }
        EXPECT_NEAR(STORM_Level, m.level, m.tolerance + 1e-4f) << m.t;
    }
    for (int i = 0; i < 100; i++) {
        STORM_Tick();
        EXPECT_EQ(STORM_Strobe, 0.0f);
    }
    EXPECT_GT(strobes, 100);
    EXPECT_EQ(SFX_Count("SND_TOC"), 1);
    EXPECT_EQ(SFX_Count("SND_TOBB"), 1);

    // The typed "RGB" sequence holds the storm for as long as it is on.
    STORM_RgbFlag = 1;
    for (int i = 0; i < 3000; i++) STORM_Tick();
    EXPECT_GT(STORM_Time, 0.0f);
    EXPECT_EQ(STORM_Level, 1.0f);
    STORM_RgbFlag = 0;
    for (int i = 0; i < 400; i++) STORM_Tick();
    EXPECT_LE(STORM_Time, 0.0f);
    EXPECT_EQ(STORM_Level, 0.0f);
}

TEST_F(SpecialsTest, AbsorberSwallowsOneThenWaitsHalfASecond)
{
    Block* absorber = Make(BLK_ABSORB, 1, 1, 0, false);
    const int cell = CELL_Index(1, 1, 0);
    Block* first = Make(BLK_RED, 1, 1, 0);
    auto tick = [&] {
        SPC_Tick(absorber);
        ABS_Tick();
    };
    tick();
    EXPECT_EQ(first->removal, BLK_VANISH);
    EXPECT_EQ(SFX_Count("SND_BLACKHOLESUCK"), 1);
    EXPECT_EQ(SFX_Count("PFX_ABSORB"), 1);

    Block* second = Make(GREEN, 1, 1, 0);   // moves in at once
    int ticks = 0;
    while (second->removal == BLK_ALIVE && ticks < 100) {
        tick();
        ticks++;
    }
    EXPECT_GE(ticks * kDt, 0.5f - kDt);
    EXPECT_LE(ticks * kDt, 0.5f + 2 * kDt);
    EXPECT_EQ(SFX_Count("SND_BLACKHOLESUCK"), 2);

    // Neither the solid record of a big block nor another absorber is swallowed.
    for (int i = 0; i < 100; i++) tick();
    Block solid{};
    solid.type = BLK_BLOCK1;
    BRD_Cells[cell].block = &solid;
    tick();
    EXPECT_EQ(solid.removal, BLK_ALIVE);
    Block* other = Make(BLK_ABSORB, 1, 1, 0);
    tick();
    EXPECT_EQ(other->removal, BLK_ALIVE);
    EXPECT_EQ(SFX_Count("SND_BLACKHOLESUCK"), 2);

    // While the game is paused the list is not emptied: registering again adds nothing.
    for (int i = 0; i < 300; i++) SPC_Tick(absorber);
    EXPECT_EQ(ABS_Count, 1);
    SPC_StopEmitters(absorber);   // a block that leaves drops out of the list
    EXPECT_EQ(ABS_Count, 0);
}

TEST_F(SpecialsTest, WobbleFollowsTheType)
{
    // Harder shaking as a bomb counts down; a bomb that an odd swap made a colour block is still.
    auto widest = [](Block* b) {
        float most = 0;
        for (int i = 0; i < 300; i++) {
            b->object->heading = Vec3{-1, 0, 0};
            b->object->up = Vec3{0, 0, 1};
            SPC_Tick(b);
            SPC_Visual(b);
            most = std::max(most, std::acos(std::clamp(-b->object->heading.x, -1.0f, 1.0f)));
        }
        return most;
    };
    float last = 0;
    for (int type = BLK_BOMB3; type <= BLK_BOMB0; type++) {
        Block* b = Make(type, 1, 1, 0);
        SPC_Start(b);
        float w = widest(b);
        EXPECT_GT(w, last) << type;
        EXPECT_LE(w, 0.15f * (type - BLK_BOMB3 + 1) / 4.0f * 1.8f) << type;
        last = w;
        if (type == BLK_BOMB0) {
            b->type = BLK_RED;
            EXPECT_EQ(widest(b), 0.0f);
            EXPECT_EQ(b->wobbleMode, 0);
        }
    }

    // A mine waits up to 0.2 s, then twitches upwards for 0.2 s.
    Block* mine = Make(BLK_MINE, 2, 2, 0);
    SPC_Start(mine);
    float highest = 0;
    int twitches = 0;
    for (int i = 0; i < 400; i++) {
        int before = mine->wobbleMode;
        mine->object->position = Vec3{2, 2, 0};
        SPC_Visual(mine);
        highest = std::max(highest, mine->object->position.z);
        twitches += before == 5 && mine->wobbleMode == 6;
    }
    EXPECT_GE(twitches, 10);
    EXPECT_LE(twitches, 20);
    EXPECT_GT(highest, 0.05f);
    EXPECT_LE(highest, 0.2f);
}

TEST_F(SpecialsTest, InnerObjectsFollowAndEndWithTheirBlock)
{
    Block* slider = Make(BLK_REDSLIDER, 1, 1, 0);
    Block* gem = Make(BLK_GEM, 2, 1, 0);
    Block* crystal = Make(BLK_CRYSTAL, 0, 1, 0);
    for (Block* b : {slider, gem, crystal}) {
        SPC_Start(b);
        ASSERT_NE(b->inner, nullptr);
        EXPECT_EQ(b->inner->parent, b->object);
        EXPECT_EQ(b->inner->renderMode, RENDER_MESH);
    }
    Object* sliderInner = slider->inner;
    Object* gemInner = gem->inner;
    for (int i = 0; i < 50; i++) {
        slider->object->position.z += 0.02f;   // falling
        OBJ_RunAll(false);
        TIM_GameTime += kDt;
        const Vec3 d = MTH_Sub(sliderInner->position, slider->object->position);
        EXPECT_LE(MTH_Length(d), 0.05f + 1e-5f) << i;
        float lift = crystal->inner->position.z - crystal->object->position.z;
        EXPECT_GE(lift, 0.4f - 1e-5f);
        EXPECT_LE(lift, 0.6f + 1e-5f);
        EXPECT_GE(crystal->inner->scale.x, 0.6f - 1e-5f);
        EXPECT_LE(crystal->inner->scale.x, 1.0f + 1e-5f);
        EXPECT_NEAR(gemInner->position.x, 2.0f, 1e-5f);
    }

    slider->type = GREEN;   // an odd swap: a slider becomes a plain block
    OBJ_RunAll(false);
    EXPECT_EQ(sliderInner->state, OBJ_STATE_DYING);
    EXPECT_EQ(slider->inner, nullptr);
    SPC_Tick(slider);
    EXPECT_EQ(slider->inner, nullptr);   // and stays without one

    OBJ_Kill(gem->object);
    OBJ_RunAll(false);
    EXPECT_EQ(gemInner->state, OBJ_STATE_DYING);
}

TEST_F(SpecialsTest, SprayAndTeleEmitters)
{
    Block* spray = Make(BLK_RESPRAYRED + 1, 1, 1, 0);
    SPC_Start(spray);
    EXPECT_EQ(SFX_Count("PFX_SPRAY_GREEN"), 5);
    for (int e : spray->emitters) EXPECT_NE(e, 0);
    SPC_StopEmitters(spray);
    for (int e : spray->emitters) EXPECT_EQ(e, 0);

    Block* tele = Make(BLK_TELE, 2, 1, 0);
    SPC_Start(tele);
    EXPECT_EQ(SFX_Count("PFX_TELE"), 1);
    EXPECT_NE(tele->emitters[0], 0);
    tele->type = BLK_METAL;   // an odd event: the teleport glow goes with the type
    SPC_Tick(tele);
    EXPECT_EQ(tele->emitters[0], 0);
}

TEST_F(SpecialsTest, CrumbleHeadingByTheCellAbove)
{
    Board(4, 4);
    const Vec3 want[4] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
    for (int x = 0; x < 4; x++) {
        Block* b = Make(BLK_CRUMBLE1 + x % 3, x, 2, 0);
        SPC_Tick(b);
        int above = CELL_Index(x, 2, 1);
        const Vec3& h = b->object->heading;
        EXPECT_EQ(h.x, want[above % 4].x) << x;
        EXPECT_EQ(h.y, want[above % 4].y) << x;
    }
}

TEST_F(SpecialsTest, BlackHoleHidesItsModelOnlyWhileItIsOne)
{
    Block* b = Make(BLK_BLACKHOLE, 1, 1, 0);
    SPC_Tick(b);
    EXPECT_TRUE(b->object->displayFlags & DFG_HIDE);
    b->type = BLUE;
    SPC_Tick(b);
    EXPECT_FALSE(b->object->displayFlags & DFG_HIDE);
}

// ---- Models and drawing, on the recording device ----

namespace {

std::vector<std::vector<uint8_t>> g_images;   // meshes are used in place: keep their bytes

// A one-triangle mesh image.
std::vector<uint8_t> TinyMesh()
{
    return TEST_MeshImage({TEST_Tri{Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{0, 1, 0}}}, "TEX_OBJ", false);
}

int LoadMesh(const char* name)
{
    g_images.push_back(TinyMesh());
    return MESH_Load(name, g_images.back().data(), (int)g_images.back().size());
}

int QueuedVertices(const char* material)
{
    Material* m = MTL_Get(MTL_Find(material));
    if (!m) return -1;
    int n = 0;
    for (auto* q = (QuadBuffer_PNCT*)m->batchHead; q; q = q->next) n += q->count;
    return n;
}

const PNCT_Vect* FirstVertex(const char* material)
{
    Material* m = MTL_Get(MTL_Find(material));
    auto* q = m ? (QuadBuffer_PNCT*)m->batchHead : nullptr;
    return q && q->count ? &q->vertices[0] : nullptr;
}

class SpecialsDrawTest : public RenderTest {
protected:
    void SetUp() override
    {
        StartRender("specials");
        MTH_SeedRand(99);
        OBJ_InitLists();
        ASSERT_TRUE(BRD_SetSize(3, 3));
        for (uint8_t& s : BRD_Board.shape) s = 1;
        BRD_ClearGrid();
        SFX_ResetCounts();
        SPC_ResetLevel();
        TIM_GameDelta = kDt;
        HUD_Paused = 0;
        MOU_Outside = 0;
        SPC_HintAlpha = 0.0f;
        BLK_Hovered = BLK_Selected = nullptr;
        for (const char* name : {"MTL_SELECTION", "MTL_BLOCKSHADOW"}) ASSERT_NE(MTL_Create(name, MTL_KIND_PNCT, 50), 0);
        char name[16];
        for (int c = 1; c <= 5; c++) {
            snprintf(name, sizeof name, "BFM_COLOR%02d", c);
            plain_[c] = LoadMesh(name);
            snprintf(name, sizeof name, "BFM_COLOR%02dC", c);
            bright_[c] = LoadMesh(name);
            ASSERT_NE(plain_[c], 0);
            ASSERT_NE(bright_[c], 0);
        }
        BLK_SetColourModels();
    }
    void TearDown() override
    {
        SPC_ResetLevel();
        OBJ_DestroyAll();
        BRD_ClearGrid();
        BLK_Hovered = BLK_Selected = nullptr;
        MOU_Outside = 0;
        StopRender();
        g_images.clear();
    }
    Block* Make(int type, float x, float y, float z, bool claim = true)
    {
        Object* o = OBJ_New(nullptr);
        Block* b = (Block*)MEM_AllocZero(sizeof(Block), "Test Block");
        o->userData = b;
        o->position = Vec3{x, y, z};
        b->object = o;
        b->type = type;
        if (claim) BRD_Cells[CELL_IndexAt(o->position)].block = b;
        return b;
    }
    void NewFrame()
    {
        MTL_DropBatches();
        MEM_F_Reset();
    }
    int plain_[6] = {}, bright_[6] = {};
};

} // namespace

TEST_F(SpecialsDrawTest, ColourModelByStrobeAndFlash)
{
    Block* b = Make(BLUE, 1, 1, 0);
    EXPECT_EQ(SPC_ColourModel(b), plain_[3]);
    b->flash = 0.03f;
    EXPECT_EQ(SPC_ColourModel(b), bright_[3]);
    b->flash = 0.0f;
    STORM_Strobe = 0.03f;
    EXPECT_EQ(SPC_ColourModel(b), bright_[3]);
    STORM_Strobe = 0.0f;
    b->type = BLK_METAL;
    EXPECT_EQ(SPC_ColourModel(b), 0);

    // A colourful block flashes now and then, for 0.03 s each time.
    b->type = BLUE;
    b->colourful = 10.0f;
    int brightTicks = 0;
    for (int i = 0; i < 1010; i++) {
        brightTicks += SPC_ColourModel(b) == bright_[3];
        SPC_Visual(b);
    }
    EXPECT_EQ(b->colourful, 0.0f);
    int flashes = SFX_Count("SND_CFLASH");
    EXPECT_GT(flashes, 10);
    EXPECT_GE(brightTicks, 2 * flashes);
    EXPECT_LE(brightTicks, 4 * flashes);
}

TEST_F(SpecialsDrawTest, CloneChangesColourEveryTenthOfASecond)
{
    Block* b = Make(BLK_CLONE, 1, 1, 0);
    SPC_Start(b);
    EXPECT_EQ(b->wobbleMode, 10);
    std::vector<int> shown;
    for (int i = 0; i < 200; i++) {
        SPC_Tick(b);
        if (shown.empty() || shown.back() != b->object->model) shown.push_back(b->object->model);
    }
    EXPECT_GE(shown.size(), 19u);
    EXPECT_LE(shown.size(), 21u);
    std::set<int> plain(plain_ + 1, plain_ + 6);
    for (int m : shown) EXPECT_TRUE(plain.count(m)) << m;
}

TEST_F(SpecialsDrawTest, HoverFrame)
{
    Block* b = Make(BLK_RED, 1, 1, 0);
    BLK_Hovered = b;
    SPC_Visual(b);
    EXPECT_EQ(QueuedVertices("MTL_SELECTION"), 36);   // six faces
    const PNCT_Vect* v = FirstVertex("MTL_SELECTION");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->colour & 0xFF, (uint32_t)(0.15f * 0.5f * 255));   // white × 0.15 × 0.5 at first
    EXPECT_NEAR(std::fabs(v->x - 1.0f), 0.51f, 1e-5f);
    EXPECT_TRUE(std::fabs(v->z - 0.5f - 0.51f) < 1e-5f || std::fabs(v->z - 0.5f + 0.51f) < 1e-5f);

    // Not shown for a block that cannot be dragged, outside the window, or under the pointer hint
    // with nothing held; the frame fades out within 0.2 s.
    struct { int type; uint8_t outside; float hint; } hidden[] = {{BLK_METAL, 0, 0}, {BLK_RED, 1, 0}, {BLK_RED, 0, 0.5f}};
    for (auto& h : hidden) {
        b->type = h.type;
        MOU_Outside = h.outside;
        SPC_HintAlpha = h.hint;
        b->hoverGlow = 1.0f;
        int frames = 0;
        for (int i = 0; i < 40; i++) {
            NewFrame();
            SPC_Visual(b);
            frames += QueuedVertices("MTL_SELECTION") > 0;
        }
        EXPECT_EQ(b->hoverGlow, 0.0f) << h.type;
        EXPECT_GE(frames, 19);
        EXPECT_LE(frames, 21);
    }
}

TEST_F(SpecialsDrawTest, DropShadowFadesInUnderAFallingBlock)
{
    Make(BLUE, 1, 1, 0);   // at rest: the shadow falls on its top, z = 1
    Block* b = Make(BLK_RED, 1, 1, 3.5f, false);
    b->progress = 0.5f;
    b->moveDir = BLK_DIR_FALL;
    const float full = 0.5f - 2.5f / 6.0f;
    int last = -1;
    for (int i = 0; i < 30; i++) {
        NewFrame();
        SPC_Visual(b);
        ASSERT_EQ(QueuedVertices("MTL_BLOCKSHADOW"), 6) << i;
        const PNCT_Vect* v = FirstVertex("MTL_BLOCKSHADOW");
        EXPECT_NEAR(v->z, 1.01f, 1e-5f);
        int alpha = (int)(v->colour >> 24);
        EXPECT_GE(alpha, last);
        last = alpha;
        if (i >= 20) {
            EXPECT_EQ(alpha, (int)(full * 255)) << i;   // faded in after 0.2 s
        }
    }

    // Between columns, or at rest, there is none.
    for (Vec3 p : {Vec3{1.5f, 1, 3.5f}, Vec3{1, 1, 1.02f}}) {
        NewFrame();
        b->object->position = p;
        SPC_Visual(b);
        EXPECT_EQ(QueuedVertices("MTL_BLOCKSHADOW"), 0) << p.x << " " << p.z;
    }
    b->object->position = Vec3{1, 1, 3.5f};
    b->progress = 0.0f;
    b->moveDir = BLK_DIR_NONE;
    NewFrame();
    SPC_Visual(b);
    EXPECT_EQ(QueuedVertices("MTL_BLOCKSHADOW"), 0);
}
