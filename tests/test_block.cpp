// Blocks at run time on a small board, driven tick by tick the way the game update and the
// scheduler drive them: single-cell steps and their timing, climbs with the stack riding along,
// magnets, sliders, the climb limits, landing sounds, bombs, support for queued moves, claims of
// spawned blocks, picking the block nearest the camera, dragging with the cursor, removal and
// the flight off a lost board.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "app/clock.h"
#include "core/input.h"
#include "core/math.h"
#include "data/mesh_format.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/camera.h"
#include "game/mode.h"
#include "game/sfx.h"
#include "game/specials.h"
#include "render/device.h"
#include "render/mesh.h"
#include "scene/object.h"
#include "mesh_fixture.h"
#include "render_fixture.h"

namespace {

constexpr float kTick = 0.01f;   // 20 ticks make one 0.2-second step

// ---- A block model: a unit cube standing on its cell, with itself as the pick mesh ----

using Tri = TEST_Tri;

// Faces wound so that (B − A) × (C − A) points outward (clockwise on screen when seen).
std::vector<Tri> BlockCube()
{
    std::vector<Tri> all;
    for (Vec3 n : {Vec3{1, 0, 0}, Vec3{-1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, -1, 0}, Vec3{0, 0, 1}, Vec3{0, 0, -1}}) {
        Vec3 a = std::fabs(n.z) > 0.5f ? Vec3{1, 0, 0} : Vec3{0, 0, 1};
        Vec3 b = MTH_Cross(n, a);
        auto corner = [&](float s, float t) {
            return Vec3{0.5f * (n.x + s * a.x + t * b.x), 0.5f * (n.y + s * a.y + t * b.y),
                        0.5f + 0.5f * (n.z + s * a.z + t * b.z)};
        };
        Tri t1 = {corner(-1, -1), corner(1, -1), corner(1, 1)}, t2 = {corner(-1, -1), corner(1, 1), corner(-1, 1)};
        for (Tri t : {t1, t2}) {
            if (MTH_Dot(MTH_Cross(MTH_Sub(t[1], t[0]), MTH_Sub(t[2], t[0])), n) < 0) std::swap(t[1], t[2]);
            all.push_back(t);
        }
    }
    return all;
}

std::vector<uint8_t> BlockMesh() { return TEST_MeshImage(BlockCube(), "TEX_BLOCK", true); }

// ---- The fixture: a 5 x 4 board, every column in the shape ----

class BlockTest : public RenderTest {
protected:
    void SetUp() override
    {
        StartRender("blk");
        OBJ_InitLists();
        MTH_SeedRand(1);
        SFX_ResetCounts();
        MOU_X = MOU_Y = 0.5f;
        MOU_Outside = 0;
        MOU_LeftDown = MOU_LeftPressed = 0;
        CAM_EmptyDrag = false;
        GAM_Mode = GAM_MODE_NONE;
        STORM_Strobe = 0;
        NewBoard();
    }
    void TearDown() override
    {
        OBJ_DestroyAll();
        BLK_ResetForLevel();
        BRD_ClearGrid();
        BRD_Solid = nullptr;
        GAM_Mode = GAM_MODE_NONE;
        StopRender();
    }
    void NewBoard()
    {
        OBJ_DestroyAll();
        ASSERT_TRUE(BRD_SetSize(5, 4));
        for (int i = 0; i < 20; i++) BRD_Board.shape[i] = 1;
        BRD_ClearGrid();
        BLK_ResetForLevel();
        BLK_LandCooldown = 0;
    }
    // What the game update does for blocks, in its order, then the scheduler pass.
    void Tick()
    {
        MTL_DropBatches();   // a frame starts with empty batches and scratch memory
        MEM_F_Reset();
        TIM_GameDelta = TIM_RealDelta = kTick;
        BLK_LandCooldown = std::max(0.0f, BLK_LandCooldown - TIM_RealDelta);
        BLK_HeldMask();
        BLK_UpdateSelection(true);
        BLK_RunQueue();
        BLK_Gravity();
        BRD_ClearClaims();
        OBJ_RunAll(false);
        MOU_LeftPressed = 0;   // a press lasts one update
    }
    void Ticks(int n)
    {
        for (int i = 0; i < n; i++) Tick();
    }
    // A level block at its cell; it claims at once, so the cell gives its record back.
    static Block* Put(int type, int x, int y, int z)
    {
        if (!BLK_SpawnAtCell(type, x, y, z)) return nullptr;
        return BRD_Cells[CELL_Index(x, y, z)].block;
    }
    // What the behaviour does when the player drags a block: queue the move and mark it.
    static void Drag(Block* b, Vec3 dir)
    {
        BLK_QueueMove(b, dir, false);
        BLK_Dragged = b;
    }
    static std::string Where(const Block* b)
    {
        char s[64];
        const Vec3& p = b->object->position;
        snprintf(s, sizeof s, "%g %g %g", p.x, p.y, p.z);
        return s;
    }
    static Block* At(int x, int y, int z) { return BRD_Cells[CELL_Index(x, y, z)].block; }
    int LoadBlockModel(const char* name)
    {
        images_.push_back(BlockMesh());
        return MESH_Load(name, images_.back().data(), (int)images_.back().size());
    }
    std::deque<std::vector<uint8_t>> images_;
};

const Vec3 kMX{-1, 0, 0}, kPX{1, 0, 0}, kMY{0, -1, 0}, kPY{0, 1, 0};

} // namespace

// ---- Steps ----

TEST_F(BlockTest, ADragOffTheEdgeDoesNothingAndOneIntoAnEmptyCellTakesAFifthOfASecond)
{
    Block* a = Put(BLK_RED, 0, 0, 0);
    ASSERT_NE(a, nullptr);
    Ticks(2);
    Drag(a, kMX);
    Ticks(30);
    EXPECT_EQ(Where(a), "0 0 0");
    EXPECT_EQ(BLK_Moves, 0);
    EXPECT_EQ(SFX_Count("SND_B_SLIDE"), 0);
    // The refused drag is forgotten: a later step the player did not make is no move of his.
    BLK_QueueMove(a, kPX, false);
    Ticks(30);
    EXPECT_EQ(Where(a), "1 0 0");
    EXPECT_EQ(BLK_Moves, 0);
    EXPECT_EQ(SFX_Count("SND_B_SLIDE"), 0);

    Drag(a, kPX);
    Ticks(1);
    // The destination is reserved from the start of the step; the source stays claimed.
    EXPECT_EQ(At(2, 0, 0), a);
    EXPECT_EQ(At(1, 0, 0), a);
    Ticks(18);
    EXPECT_LT(a->object->position.x, 2.0f);
    EXPECT_EQ(a->moveDir, BLK_DIR_PX);
    Ticks(1);
    EXPECT_EQ(Where(a), "2 0 0");
    EXPECT_EQ(a->moveDir, BLK_DIR_NONE);
    EXPECT_EQ(BLK_Moves, 1);
    EXPECT_EQ(SFX_Count("SND_B_SLIDE"), 1);
    int f = SFX_LastFrequency("SND_B_SLIDE");
    EXPECT_GE(f, 30000);
    EXPECT_LE(f, 31000);
    // At rest once the settle time has run out, and it stays put.
    Ticks(10);
    EXPECT_TRUE(BLK_AtRest(a));
    EXPECT_EQ(Where(a), "2 0 0");
    EXPECT_EQ(BLK_Moves, 1);
}

TEST_F(BlockTest, ABlockInTheMiddleOfAStepStartsNoOtherAndEndsOnAWholeCell)
{
    Block* a = Put(BLK_RED, 0, 0, 0);
    ASSERT_NE(a, nullptr);
    Ticks(2);
    Drag(a, kPX);
    Ticks(5);
    EXPECT_FALSE(BLK_TryMove(a, CELL_IndexAt(a->object->position), BLK_DIR_PY, true, true));
    BLK_QueueMove(a, kPY, true);   // say, an odd slide of a block that was dragged meanwhile
    Ticks(30);
    EXPECT_EQ(Where(a), "1 0 0");
    EXPECT_EQ(BLK_Moves, 1);
}

TEST_F(BlockTest, ABlockedBlockClimbsOntoItsNeighbourWithItsStackStaticBlocksIncluded)
{
    Block* a = Put(BLK_RED, 0, 0, 0);
    Block* rider = Put(BLK_REDSCENERY, 0, 0, 1);   // falls but cannot be dragged: rides along
    Block* top = Put(BLK_RED + 1, 0, 0, 2);
    Block* obstacle = Put(BLK_METAL, 1, 0, 0);
    ASSERT_TRUE(a && rider && top && obstacle);
    Ticks(2);
    Drag(a, kPX);
    Ticks(20);   // the climbing part: the whole column one layer up
    EXPECT_EQ(Where(a), "0 0 1");
    EXPECT_EQ(Where(rider), "0 0 2");
    EXPECT_EQ(Where(top), "0 0 3");
    EXPECT_EQ(SFX_Count("SND_B_HOPUP"), 1);
    Ticks(20);   // then across onto the neighbour
    EXPECT_EQ(Where(a), "1 0 1");
    EXPECT_EQ(Where(rider), "1 0 2");
    EXPECT_EQ(Where(top), "1 0 3");
    Ticks(20);
    EXPECT_EQ(Where(a), "1 0 1");
    EXPECT_EQ(Where(top), "1 0 3");
    EXPECT_EQ(Where(obstacle), "1 0 0");
    EXPECT_EQ(BLK_Moves, 1);   // a climb is one move
    EXPECT_EQ(SFX_Count("SND_B_HOPUP"), 1);
}

TEST_F(BlockTest, ABlockTouchingAMagnetNeitherMovesNorFallsAndStopsTheStackAboveIt)
{
    Put(BLK_MAGNET, 2, 0, 1);
    Block* stuck = Put(BLK_RED, 1, 0, 1);       // nothing below it, magnet on its +x face
    Put(BLK_MAGNET, 1, 2, 1);
    Block* base = Put(BLK_RED, 0, 2, 0);
    Block* held = Put(BLK_RED + 2, 0, 2, 1);    // on the base, magnet on its +x face
    ASSERT_TRUE(stuck && base && held);
    Ticks(2);
    Drag(stuck, kPY);
    Ticks(40);
    EXPECT_EQ(Where(stuck), "1 0 1");
    EXPECT_EQ(BLK_Moves, 0);

    Drag(base, kPY);
    Ticks(40);
    EXPECT_EQ(Where(base), "0 3 0");
    EXPECT_EQ(Where(held), "0 2 1");            // left behind, and still not falling
    EXPECT_EQ(held->moveDir, BLK_DIR_NONE);
    EXPECT_EQ(BLK_Moves, 1);
}

TEST_F(BlockTest, ASliderRunsUntilBlockedAndCarriesOnAfterFallingOffALedge)
{
    Put(BLK_METAL, 0, 0, 0);
    Put(BLK_METAL, 1, 0, 0);
    Block* s = Put(BLK_REDSLIDER, 0, 0, 1);
    ASSERT_NE(s, nullptr);
    Ticks(2);
    Drag(s, kPX);
    std::vector<std::string> cells;   // every whole cell it passed through
    for (int i = 0; i < 200; i++) {
        Tick();
        const Vec3& p = s->object->position;
        if (p.x == std::floor(p.x) && p.z == std::floor(p.z) && (cells.empty() || cells.back() != Where(s)))
            cells.push_back(Where(s));
    }
    EXPECT_EQ(cells, (std::vector<std::string>{"1 0 1", "2 0 1", "2 0 0", "3 0 0", "4 0 0"}));
    EXPECT_EQ(BLK_Moves, 1);
    EXPECT_EQ(SFX_Count("SND_B_SLIDE"), 0);   // sliders glide silently
    EXPECT_EQ(SFX_Count("SND_B_LAND"), 1);
    EXPECT_EQ(s->slideDir, 0);                // stopped at the edge: nothing left to resume
}

TEST_F(BlockTest, AClimbNeedsAColumnBelowLayerTwelveWithNothingInAStep)
{
    struct Case { int layer; bool riderMoving; int mask; };
    const Case cases[] = {
        {10, false, BLK_MASK_PX | BLK_MASK_PY},   // the rider ends at layer 12: allowed
        {11, false, BLK_MASK_PY},                 // a rider at layer 12: no climb
        {5, true, 0},                             // a rider in a step: no climb, no step either
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layer);
        NewBoard();
        Put(BLK_SCENERY01, 0, 0, c.layer - 1);   // fixed supports: they never fall
        Block* a = Put(BLK_RED, 0, 0, c.layer);
        Block* rider = Put(BLK_RED, 0, 0, c.layer + 1);
        Put(BLK_SCENERY01, 1, 0, c.layer);
        ASSERT_TRUE(a && rider);
        Ticks(2);
        if (c.riderMoving) {
            Drag(rider, kPY);
            Ticks(1);
        }
        BLK_Selected = a;
        BLK_HeldMask();
        EXPECT_EQ(BLK_HeldObject, a->object);
        EXPECT_EQ(BLK_MoveMask, c.mask);
        BLK_Selected = nullptr;
        if (!(c.mask & BLK_MASK_PX)) {
            Drag(a, kPX);
            Ticks(45);
            EXPECT_EQ(a->object->position.x, 0.0f);
            EXPECT_EQ(a->object->position.z, (float)c.layer);
        }
    }
}

// ---- Gravity ----

TEST_F(BlockTest, TwoStackedBlocksLandWithOneSoundAndALaterLandingHasItsOwn)
{
    Block* a = Put(BLK_RED, 0, 0, 3);
    Block* b = Put(BLK_RED + 1, 0, 0, 4);
    Block* c = Put(BLK_RED + 2, 2, 0, 6);
    ASSERT_TRUE(a && b && c);
    Ticks(80);
    EXPECT_EQ(Where(a), "0 0 0");
    EXPECT_EQ(Where(b), "0 0 1");
    EXPECT_EQ(SFX_Count("SND_B_LAND"), 1);
    EXPECT_FALSE(a->falling || b->falling);
    Ticks(80);
    EXPECT_EQ(Where(c), "2 0 0");
    EXPECT_EQ(SFX_Count("SND_B_LAND"), 2);
}

TEST_F(BlockTest, ABombTicksDownOnceForEachOfThreeDragsAndThenMovesSilently)
{
    Block* bomb = Put(BLK_BOMB3, 0, 0, 0);
    ASSERT_NE(bomb, nullptr);
    Ticks(2);
    const int types[] = {BLK_BOMB2, BLK_BOMB1, BLK_BOMB0, BLK_BOMB0};
    const int ticks[] = {1, 2, 3, 3};
    const int freqs[] = {20000, 30000, 40000, 40000};
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(i);
        Drag(bomb, kPX);
        Ticks(40);
        EXPECT_EQ(bomb->type, types[i]);
        EXPECT_EQ(bomb->object->userValue, types[i]);   // the behaviour followed the change
        EXPECT_EQ(SFX_Count("SND_BOMBTICK"), ticks[i]);
        EXPECT_EQ(SFX_LastFrequency("SND_BOMBTICK"), freqs[i]);
        EXPECT_EQ(bomb->object->position.x, (float)(i + 1));
    }
    EXPECT_EQ(BLK_Moves, 4);
}

TEST_F(BlockTest, AQueuedMoveThatNeedsSupportIsDroppedInTheAir)
{
    struct Case { int z; bool supportBelow; bool needsSupport; bool moves; };
    const Case cases[] = {
        {0, false, true, true},    // the floor carries it
        {1, true, true, true},     // a block below carries it
        {2, false, true, false},   // in the air: dropped
        {2, false, false, true},   // no support asked for
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.z << " " << c.supportBelow << " " << c.needsSupport);
        NewBoard();
        if (c.supportBelow) Put(BLK_METAL, 0, 0, c.z - 1);
        Block* b = Put(BLK_RED, 0, 0, c.z);
        ASSERT_NE(b, nullptr);
        BLK_QueueMove(b, kPX, c.needsSupport);
        BLK_RunQueue();
        EXPECT_EQ(b->moveDir, c.moves ? BLK_DIR_PX : BLK_DIR_NONE);
    }
}

// ---- Spawning and claims ----

TEST_F(BlockTest, SpawnedBlocksClaimTheirCellsAndRefuseTakenOnes)
{
    ASSERT_TRUE(BLK_Spawn(Vec3{1, 1, 0}, BLK_BLOCK2, true, false));
    Block* big = At(1, 1, 0);
    ASSERT_NE(big, nullptr);
    ASSERT_EQ(BRD_Solid, &BLK_SolidRecord);
    EXPECT_EQ(BLK_SolidRecord.type, BLK_BLOCK1);
    auto checkBig = [&] {
        int claimed = 0;
        for (int z = 0; z < 2; z++)
            for (int y = 1; y < 3; y++)
                for (int x = 1; x < 3; x++) EXPECT_EQ(At(x, y, z), (x == 1 && y == 1 && z == 0) ? big : BRD_Solid);
        for (const Cell& cell : BRD_Cells) claimed += cell.block != nullptr;
        return claimed;
    };
    EXPECT_EQ(checkBig(), 8);
    // Taken cells, nothing and unknown types, and positions off the board are refused.
    EXPECT_FALSE(BLK_Spawn(Vec3{1, 1, 0}, BLK_RED, true, false));
    EXPECT_FALSE(BLK_Spawn(Vec3{2, 2, 1}, BLK_RED, true, false));
    EXPECT_FALSE(BLK_Spawn(Vec3{0, 0, 0}, BLK_NOTHING, true, false));
    EXPECT_FALSE(BLK_Spawn(Vec3{0, 0, 0}, BLK_TypeCount, true, false));
    EXPECT_FALSE(BLK_Spawn(Vec3{-1, 0, 0}, BLK_RED, true, false));
    EXPECT_EQ(OBJ_Count(), 1);

    // A drop spawned without a claim takes its cell from its first pass on; an absorber in
    // play takes none.
    ASSERT_TRUE(BLK_Spawn(Vec3{4, 3, 0}, BLK_RED, false, true));
    EXPECT_EQ(At(4, 3, 0), nullptr);
    Put(BLK_ABSORB, 0, 3, 0);
    GAM_Mode = GAM_MODE_PLAY;
    Tick();
    EXPECT_NE(At(4, 3, 0), nullptr);
    EXPECT_EQ(At(0, 3, 0), nullptr);
    EXPECT_EQ(checkBig(), 9);
    GAM_Mode = GAM_MODE_NONE;
    Tick();
    EXPECT_NE(At(0, 3, 0), nullptr);
    EXPECT_NE(At(4, 3, 0), nullptr);
    EXPECT_FLOAT_EQ(At(4, 3, 0)->grow, 1.0f - kTick / 0.4f);   // spawned in play: it grows in
    // Blocks face -x; the square keeps its model's axes, which span its cells towards +x, +y.
    EXPECT_EQ(At(4, 3, 0)->object->heading.x, -1.0f);
    EXPECT_EQ(big->object->heading.y, 1.0f);
}

// ---- Removal and the lost board ----

TEST_F(BlockTest, RemovedBlocksFreeTheirCellsAtOnceAndLeaveWhenTheirAnimationEnds)
{
    struct Case { int removal; int aliveAfter; int goneAfter; };
    // Killed objects stay readable for four passes, so "gone" is checked within them.
    const Case cases[] = {{BLK_VANISH, 123, 127}, {BLK_SQUASH, 28, 32}};
    ASSERT_NE(MTL_Create("MTL_SELECTION", MTL_KIND_PNCT, 60), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.removal);
        NewBoard();
        Block* a = Put(BLK_RED, 0, 0, 0);
        Block* above = Put(BLK_RED + 1, 0, 0, 1);
        ASSERT_TRUE(a && above);
        Ticks(2);
        Object* obj = a->object;
        a->removal = c.removal;
        MOU_Outside = 1;                  // the pointer hint keeps what it had
        BLK_HeldObject = obj;
        Ticks(2);
        EXPECT_EQ(above->moveDir, BLK_DIR_FALL);
        // A vanishing block shows its glowing cube: six faces of two triangles.
        rec_->ClearLog();
        MTL_Flush();
        unsigned triangles = 0;
        for (const gfx::DrawRecord& d : rec_->Draws())
            if (d.kind != gfx::DRAW_INDEXED) triangles += d.primCount;
        EXPECT_EQ(triangles, c.removal == BLK_VANISH ? 12u : 0u);
        Ticks(c.aliveAfter - 2);
        EXPECT_EQ(obj->state, OBJ_STATE_LIVE);
        if (c.removal == BLK_SQUASH) {
            EXPECT_LT(obj->scale.z, 0.6f);
            EXPECT_NEAR(obj->scale.x, obj->scale.z / 0.6f, 1e-5f);
        } else {
            EXPECT_EQ(obj->model, 0);
        }
        Ticks(c.goneAfter - c.aliveAfter);
        EXPECT_EQ(obj->state, OBJ_STATE_DYING);
        EXPECT_EQ(BLK_HeldObject, nullptr);   // nothing keeps pointing at the object
        Ticks(5);
        EXPECT_EQ(OBJ_Count(), 1);
        EXPECT_EQ(Where(above), "0 0 0");
        MOU_Outside = 0;
    }
}

TEST_F(BlockTest, ABlockFlyingOffALostBoardLeavesTheGridAndGravity)
{
    Block* a = Put(BLK_RED, 1, 1, 0);
    ASSERT_NE(a, nullptr);
    Ticks(2);
    a->flying = 1.0f;
    a->object->velocity = Vec3{1.0f, 0.0f, 3.0f};
    Ticks(10);
    EXPECT_EQ(At(1, 1, 0), nullptr);
    EXPECT_GT(a->object->position.x, 1.0f);
    EXPECT_GT(a->object->position.z, 0.0f);
    EXPECT_EQ(a->moveDir, BLK_DIR_NONE);
    EXPECT_LT(a->flying, 1.0f);
}

// ---- The mouse: picking, selection, dragging ----

class BlockMouseTest : public BlockTest {
protected:
    void SetUp() override
    {
        BlockTest::SetUp();
        ASSERT_NE(LoadBlockModel("BFM_COLOR01"), 0);
        BLK_SetColourModels();
        DEV_SetViewport(-1, -1);
    }
    static void Camera(Vec3 eye, Vec3 at)
    {
        CAM_Eye = eye;
        CAM_Dir = MTH_Sub(at, eye);
        CAM_Up = {0, 0, 1};
        CAM_Setup();
    }
    static void PointAt(Vec3 world)
    {
        Vec3 f = MTH_WorldToScreenFrac(world);
        MOU_X = f.x;
        MOU_Y = f.y;
    }
};

TEST_F(BlockMouseTest, PickingChoosesTheBlockNearestTheCameraAndAPressSelectsIt)
{
    Camera({2, -5, 0.5f}, {2, 0, 0.5f});
    Block* last = nullptr;
    for (bool nearFirst : {true, false}) {
        SCOPED_TRACE(nearFirst);
        NewBoard();
        Block* nearer = nullptr;
        Block* farther = nullptr;
        if (nearFirst) nearer = Put(BLK_RED, 2, 0, 0);
        farther = Put(BLK_RED, 2, 2, 0);
        if (!nearFirst) nearer = Put(BLK_RED, 2, 0, 0);
        ASSERT_TRUE(nearer && farther);
        PointAt({2, 0, 0.5f});   // both lie under the cursor
        Ticks(3);
        EXPECT_EQ(BLK_Candidate, nearer);
        EXPECT_EQ(BLK_Hovered, nearer);
        EXPECT_EQ(BLK_Selected, nullptr);

        MOU_LeftPressed = MOU_LeftDown = 1;
        Tick();
        EXPECT_EQ(BLK_Selected, nearer);
        EXPECT_EQ(BLK_Hovered, nearer);
        EXPECT_FALSE(CAM_EmptyDrag);
        MOU_LeftDown = 0;
        Tick();
        EXPECT_EQ(BLK_Selected, nullptr);
        EXPECT_EQ(BLK_Hovered, nearer);
        last = nearer;
    }
    // Away from every block: nothing hovered, and a press turns the camera instead.
    MOU_X = MOU_Y = 0.02f;
    Ticks(2);
    EXPECT_EQ(BLK_Hovered, nullptr);
    MOU_LeftPressed = MOU_LeftDown = 1;
    Tick();
    EXPECT_EQ(BLK_Selected, nullptr);
    EXPECT_TRUE(CAM_EmptyDrag);
    // Not allowed (paused, fading, another screen): both cleared.
    MOU_LeftDown = 0;
    BLK_Hovered = BLK_Selected = last;
    BLK_UpdateSelection(false);
    EXPECT_EQ(BLK_Hovered, nullptr);
    EXPECT_EQ(BLK_Selected, nullptr);
}

TEST_F(BlockMouseTest, MovingTheCursorHalfACellDragsTheHeldBlockOneCell)
{
    Camera({2, -4, 6}, {2, 1.5f, 0});
    Block* b = Put(BLK_RED, 1, 1, 0);
    ASSERT_NE(b, nullptr);
    PointAt({1, 1, 0});   // inside the block, on the plane of its position
    Ticks(3);
    ASSERT_EQ(BLK_Candidate, b);
    MOU_LeftPressed = MOU_LeftDown = 1;
    Ticks(2);
    ASSERT_EQ(BLK_Selected, b);
    EXPECT_EQ(BLK_HeldObject, b->object);
    EXPECT_EQ(BLK_MoveMask, BLK_MASK_MX | BLK_MASK_PX | BLK_MASK_MY | BLK_MASK_PY);

    PointAt({1.5f, 1, 0});
    Ticks(60);
    EXPECT_EQ(Where(b), "2 1 0");
    EXPECT_EQ(BLK_Moves, 1);   // a still cursor after the step moves nothing more

    PointAt({1.5f, 1.5f, 0});
    Ticks(60);
    EXPECT_EQ(Where(b), "2 2 0");
    EXPECT_EQ(BLK_Moves, 2);

    MOU_LeftDown = 0;
    Tick();
    EXPECT_EQ(BLK_Selected, nullptr);
    Tick();
    EXPECT_EQ(BLK_HeldObject, nullptr);
    PointAt({3.5f, 2, 0});
    Ticks(60);
    EXPECT_EQ(Where(b), "2 2 0");   // released: the cursor no longer drags it
}
