// Scene objects on the recording device: the scheduler's pass order and wait counting,
// coroutine behaviours (locals kept across waits, killing, returning by mistake), kills by other
// actors, finding and killing by behaviour, destruction and its report, the draw pass, the
// object matrices and the cursor pick test against the game's camera.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/clock.h"
#include "app/err.h"
#include "core/log.h"
#include "core/mem.h"
#include "core/settings.h"
#include "data/mesh_format.h"
#include "platform/gfx/gfx.h"
#include "platform/os/os.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"
#include "scene/object.h"
#include "mesh_fixture.h"
#include "render_fixture.h"

namespace {

using Tri = TEST_Tri;

std::vector<uint8_t> BuildMesh(const std::vector<Tri>& tris, bool pick) { return TEST_MeshImage(tris, "TEX_OBJ", pick); }

Vec3 Cross(const Vec3& a, const Vec3& b) { return MTH_Cross(a, b); }

// The two triangles of the unit cube's face with outward normal n, wound so that
// (B − A) × (C − A) points outward: clockwise on screen when the face looks at the camera.
std::vector<Tri> Face(const Vec3& n)
{
    Vec3 a = std::fabs(n.z) > 0.5f ? Vec3{1, 0, 0} : Vec3{0, 0, 1};
    Vec3 b = Cross(n, a);
    auto corner = [&](float s, float t) {
        return Vec3{0.5f * (n.x + s * a.x + t * b.x), 0.5f * (n.y + s * a.y + t * b.y), 0.5f * (n.z + s * a.z + t * b.z)};
    };
    std::vector<Tri> out = {{corner(-1, -1), corner(1, -1), corner(1, 1)}, {corner(-1, -1), corner(1, 1), corner(-1, 1)}};
    for (Tri& t : out)
        if (MTH_Dot(Cross(MTH_Sub(t[1], t[0]), MTH_Sub(t[2], t[0])), n) < 0) std::swap(t[1], t[2]);
    return out;
}

std::vector<Tri> Cube()
{
    std::vector<Tri> all;
    for (Vec3 n : {Vec3{1, 0, 0}, Vec3{-1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, -1, 0}, Vec3{0, 0, 1}, Vec3{0, 0, -1}})
        for (const Tri& t : Face(n)) all.push_back(t);
    return all;
}

// ---- Behaviours driven through globals (a behaviour takes no arguments) ----

int g_pass = 0;                       // the pass being run
int g_waitTicks = 1;
std::vector<std::pair<int, int>> g_seen;   // (pass, local counter) of every run
std::vector<std::string> g_order;
Object* g_victim = nullptr;
int g_destructed = 0;
int g_afterKill = 0;

Behaviour Counter()
{
    int local = 100;
    char pad[200];                    // a bigger frame, kept intact across waits
    memset(pad, 0x5A, sizeof pad);
    for (;;) {
        bool intact = true;
        for (char c : pad) intact = intact && c == 0x5A;
        g_seen.push_back({g_pass, intact ? local : -1});
        local++;
        co_await OBJ_Wait(g_waitTicks);
    }
}

Behaviour Bare()                      // nothing to keep across its waits
{
    for (;;) {
        g_seen.push_back({g_pass, 0});
        co_await OBJ_Wait(g_waitTicks);
    }
}

Behaviour Idle()
{
    for (;;) co_await OBJ_Wait(1);
}

Behaviour Named()
{
    for (;;) {
        g_order.push_back(std::to_string(OBJ_Current->userValue));
        co_await OBJ_Wait(1);
    }
}

Behaviour Killer()
{
    for (;;) {
        g_order.push_back("killer");
        if (g_victim) OBJ_Kill(g_victim);
        g_victim = nullptr;
        co_await OBJ_Wait(1);
    }
}

Behaviour Spawner()
{
    g_order.push_back("spawner");
    Object* o = OBJ_New(Named);
    o->userValue = 7;
    for (;;) co_await OBJ_Wait(1);
}

struct Noisy {
    ~Noisy() { g_destructed++; }
};

Behaviour SelfKiller()
{
    Noisy n;
    co_await OBJ_Wait(1);
    co_await OBJ_Kill(nullptr);
    g_afterKill++;                    // never reached
    for (;;) co_await OBJ_Wait(1);
}

Behaviour Returner()
{
    Noisy n;
    g_order.push_back("returner");
    co_return;
}

Behaviour Destroyer()
{
    OBJ_Destroy();        // would free the frame running this line
    OBJ_DestroyAll();     // would free every frame, this one included
    g_order.push_back("survived");
    for (;;) co_await OBJ_Wait(1);
}

class ObjectTest : public RenderTest {
protected:
    void SetUp() override
    {
        StartRender("obj");
        OBJ_InitLists();
        rec_->ClearLog();
        g_pass = 0;
        g_waitTicks = 1;
        g_seen.clear();
        g_order.clear();
        g_victim = nullptr;
        g_destructed = 0;
        g_afterKill = 0;
    }
    void TearDown() override
    {
        OBJ_DestroyAll();       // before the meshes their copies come from
        StopRender();
    }
    std::string ReadLog()
    {
        LOG_Close(false);
        std::ifstream f(dir_ + "/Log.txt");
        std::stringstream ss;
        ss << f.rdbuf();
        LOG_Continue();
        return ss.str();
    }
    int Load(const char* name, std::vector<uint8_t> img)
    {
        images_.push_back(std::move(img));
        return MESH_Load(name, images_.back().data(), (int)images_.back().size());
    }
    void Pass()
    {
        OBJ_RunAll(false);
        g_pass++;
    }
    int IndexedDraws()
    {
        int n = 0;
        for (const gfx::DrawRecord& d : rec_->Draws())
            if (d.kind == gfx::DRAW_INDEXED) n++;
        return n;
    }
    int DrawFrame()
    {
        rec_->ClearLog();
        OBJ_DrawAll();
        MTL_Flush();
        MEM_F_Reset();
        return IndexedDraws();
    }

    std::deque<std::vector<uint8_t>> images_;
};

// ---- Scheduler and coroutines ----

TEST_F(ObjectTest, AWaitOfNTicksResumesExactlyNPassesLaterWithItsLocals)
{
    struct Case { OBJ_Behaviour body; int ticks; std::vector<int> passes; };
    const Case cases[] = {
        {Counter, 1, {0, 1, 2, 3, 4, 5, 6}},
        {Counter, 3, {0, 3, 6}},
        {Counter, 0, {0, 1, 2, 3, 4, 5, 6}},   // 0 comes back like 1: next pass
        {Bare, 2, {0, 2, 4, 6}},               // a frame with nothing of its own to keep
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ticks);
        g_seen.clear();
        g_pass = 0;
        g_waitTicks = c.ticks;
        OBJ_New(c.body);
        for (int i = 0; i < 7; i++) Pass();
        ASSERT_EQ(g_seen.size(), c.passes.size());
        for (size_t i = 0; i < c.passes.size(); i++) {
            EXPECT_EQ(g_seen[i].first, c.passes[i]);
            if (c.body == Counter) {
                EXPECT_EQ(g_seen[i].second, 100 + (int)i);
            }
        }
        OBJ_DestroyAll();
    }
}

TEST_F(ObjectTest, ActorsRunInListOrderAndOneCreatedDuringAPassRunsInThatPass)
{
    Object* a = OBJ_New(Named);
    a->userValue = 1;
    OBJ_New(Spawner);
    Object* c = OBJ_New(Named);
    c->userValue = 3;
    EXPECT_EQ(a->state, OBJ_STATE_NEW);
    Pass();
    // The new actor sits at the tail, behind the third, and the pass reaches it.
    EXPECT_EQ(g_order, (std::vector<std::string>{"1", "spawner", "3", "7"}));
    EXPECT_EQ(a->state, OBJ_STATE_LIVE);
    EXPECT_EQ(OBJ_Count(), 4);

    // Paused, only actors drawn while paused run.
    g_order.clear();
    c->displayFlags |= DFG_RENDER;
    OBJ_RunAll(true);
    EXPECT_EQ(g_order, (std::vector<std::string>{"3"}));
}

TEST_F(ObjectTest, AnActorKilledByAnotherIsNotRunNorDrawnAndStaysReadableForFourTicks)
{
    int mesh = Load("BFM_CUBE", BuildMesh(Cube(), true));
    ASSERT_NE(mesh, 0);
    OBJ_New(Killer);
    Object* victim = OBJ_New(Named);
    victim->userValue = 2;
    victim->model = mesh;
    victim->renderMode = RENDER_MESH;
    Pass();
    EXPECT_EQ(g_order, (std::vector<std::string>{"killer", "2"}));
    EXPECT_EQ(DrawFrame(), 1);

    g_order.clear();
    g_victim = victim;
    Pass();   // the killer runs first and kills it: the victim does not run in this pass
    EXPECT_EQ(g_order, (std::vector<std::string>{"killer"}));
    EXPECT_EQ(DrawFrame(), 0);
    // Still in the list and readable for the ticks of its wait (ASan would catch a freed read).
    for (int tick = 0; tick < 2; tick++) {
        EXPECT_EQ(victim->state, OBJ_STATE_DYING);
        EXPECT_EQ(victim->userValue, 2);
        EXPECT_EQ(OBJ_Count(), 2);
        Pass();
    }
    EXPECT_EQ(victim->userValue, 2);
    Pass();
    EXPECT_EQ(OBJ_Count(), 1);
    EXPECT_EQ(std::count(g_order.begin(), g_order.end(), "2"), 0);
}

TEST_F(ObjectTest, KillingItselfNeverResumesAndItsFrameIsFreedWithTheObject)
{
    OBJ_New(SelfKiller);
    Pass();
    Pass();   // kills itself here
    EXPECT_EQ(OBJ_Count(), 1);
    for (int i = 0; i < 4; i++) Pass();
    EXPECT_EQ(OBJ_Count(), 0);
    EXPECT_EQ(g_afterKill, 0);
    EXPECT_EQ(g_destructed, 1);   // its locals went with the frame
}

TEST_F(ObjectTest, ABehaviourThatReturnsIsLoggedAndItsObjectKilled)
{
    OBJ_New(Returner);
    Object* other = OBJ_New(Named);
    other->userValue = 5;
    Pass();
    EXPECT_EQ(g_order, (std::vector<std::string>{"returner", "5"}));
    EXPECT_EQ(g_destructed, 1);
    for (int i = 0; i < 4; i++) Pass();
    EXPECT_EQ(OBJ_Count(), 1);
    EXPECT_EQ(std::count(g_order.begin(), g_order.end(), "returner"), 1);
    EXPECT_NE(ReadLog().find("a behaviour returned without waiting"), std::string::npos);
}

TEST_F(ObjectTest, DestroyingFromInsideABehaviourKillsInsteadOfFreeingTheRunningFrame)
{
    Object* o = OBJ_New(Destroyer);
    OBJ_New(Idle);
    Pass();
    EXPECT_EQ(g_order, (std::vector<std::string>{"survived"}));
    EXPECT_EQ(o->state, OBJ_STATE_DYING);
    EXPECT_EQ(OBJ_Count(), 2);
    for (int i = 0; i < 4; i++) Pass();
    EXPECT_EQ(OBJ_Count(), 1);
    std::string log = ReadLog();
    EXPECT_NE(log.find("OBJ_Destroy : called from a behaviour"), std::string::npos);
    EXPECT_NE(log.find("OBJ_DestroyAll : called from a behaviour"), std::string::npos);
}

TEST_F(ObjectTest, FindByBehaviourContinuesAfterItsCursorAndKillByBehaviourTouchesOnlyItsOwn)
{
    Object* a = OBJ_New(Idle);
    Object* b = OBJ_New(Named);
    Object* c = OBJ_New(Idle);
    EXPECT_EQ(OBJ_FindByBehaviour(Idle, nullptr), a);
    EXPECT_EQ(OBJ_FindByBehaviour(Idle, a), c);
    EXPECT_EQ(OBJ_FindByBehaviour(Idle, c), nullptr);
    EXPECT_EQ(OBJ_FindByBehaviour(Named, a), b);
    EXPECT_EQ(OBJ_FindByBehaviour(Killer, nullptr), nullptr);

    Pass();
    OBJ_KillByBehaviour(Killer);   // nobody runs it: nothing changes
    for (Object* o : {a, b, c}) EXPECT_EQ(o->state, OBJ_STATE_LIVE);
    OBJ_KillByBehaviour(Idle);
    EXPECT_EQ(a->state, OBJ_STATE_DYING);
    EXPECT_EQ(c->state, OBJ_STATE_DYING);
    EXPECT_EQ(a->wait, 4);
    EXPECT_EQ(b->state, OBJ_STATE_LIVE);
}

TEST_F(ObjectTest, DestroyAllReportsTheLargestFrameThenFreesEverything)
{
    OBJ_New(Counter);
    OBJ_New(Bare);
    Object* plain = OBJ_New(nullptr);
    plain->userData = MEM_Alloc(64, "test user data");
    Pass();
    int peak = OBJ_MaxStackUsed();
    EXPECT_GT(peak, 200);   // Counter keeps a 200-byte array in its frame
    EXPECT_EQ(plain->state, OBJ_STATE_LIVE);
    OBJ_DestroyAll();
    EXPECT_EQ(OBJ_Count(), 0);
    EXPECT_EQ(OBJ_MaxStackUsed(), 0);
    EXPECT_NE(ReadLog().find("Maximum Stack Used : " + std::to_string(peak)), std::string::npos);
}

// ---- Drawing and matrices ----

TEST_F(ObjectTest, TheDrawPassDrawsLiveShownMeshObjectsWithTheirWorldMatrices)
{
    int mesh = Load("BFM_CUBE", BuildMesh(Cube(), true));
    struct Case { int mode; uint32_t flags; bool live; int draws; };
    const Case cases[] = {
        {RENDER_MESH, 0, true, 1}, {RENDER_MESH, DFG_HIDE, true, 0},
        {RENDER_NONE, 0, true, 0}, {RENDER_MESH, 0, false, 0},
    };
    for (const Case& c : cases) {
        Object* o = OBJ_New(nullptr);
        o->model = mesh;
        o->renderMode = c.mode;
        o->displayFlags = c.flags;
        o->position = {3, 4, 5};
        if (c.live) Pass();
        EXPECT_TRUE(MESH_IsNamed("BFM_CUBE", o));
        EXPECT_FALSE(MESH_IsNamed("BFM_CUB", o));
        EXPECT_FALSE(MESH_IsNamed("BFM_CUBE", (const Object*)nullptr));   // no current object
        EXPECT_EQ(DrawFrame(), c.draws) << c.mode << " " << c.flags << " " << c.live;
        if (c.draws) {
            const gfx::DrawRecord* d = nullptr;
            for (const gfx::DrawRecord& r : rec_->Draws())
                if (r.kind == gfx::DRAW_INDEXED) d = &r;
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->state.world[12], 3.0f);
            EXPECT_EQ(d->state.world[14], 5.0f);
        }
        OBJ_DestroyAll();
    }
    EXPECT_TRUE(MESH_IsNamed("BFM_CUBE", mesh));
}

TEST_F(ObjectTest, WorldAndInverseMatricesUndoEachOther)
{
    Object* o = OBJ_New(nullptr);
    o->position = {2, -3, 1};
    o->heading = {1, 0, 0};
    o->scale = {2, 3, 0.5f};
    const Mat4 w = *OBJ_GetWorldMatrix(o);
    const Mat4 inv = *OBJ_GetInverseMatrix(o);
    // Local y is the heading (+x); the scale applies after the rotation, along the world axes,
    // so x is scaled by 2.
    Vec3 p{0, 1, 0};
    MTH_Transform(w, p);
    EXPECT_NEAR(p.x, 4.0f, 1e-5f);
    EXPECT_NEAR(p.y, -3.0f, 1e-5f);
    EXPECT_NEAR(p.z, 1.0f, 1e-5f);
    MTH_Transform(inv, p);
    EXPECT_NEAR(p.x, 0.0f, 1e-5f);
    EXPECT_NEAR(p.y, 1.0f, 1e-5f);
    EXPECT_NEAR(p.z, 0.0f, 1e-5f);
    // Cached until told that the object moved.
    o->position = {0, 0, 0};
    EXPECT_EQ(OBJ_GetWorldMatrix(o)->m[3][0], 2.0f);
    OBJ_Moved(o);
    EXPECT_EQ(OBJ_GetWorldMatrix(o)->m[3][0], 0.0f);
    EXPECT_EQ(OBJ_GetInverseMatrix(o)->m[3][1], 0.0f);
}

TEST_F(ObjectTest, QuadBlocksOwnedByAnObjectDrawWithItsWorldMatrix)
{
    int id = MTL_Create("MTL_QUADS", MTL_KIND_PNCT, 50);
    Material* m = MTL_Get(id);
    ASSERT_NE(m, nullptr);
    Object* o = OBJ_New(nullptr);
    o->position = {7, 8, 9};
    PNCT_Vect v[3] = {};
    m->AddTriangleArray(v);
    auto* block = static_cast<QuadBuffer_PNCT*>(m->batchHead);
    ASSERT_NE(block, nullptr);
    block->owner = o;
    rec_->ClearLog();
    MTL_Flush();
    bool seen = false;
    for (const gfx::DrawRecord& d : rec_->Draws()) {
        if (d.kind == gfx::DRAW_INDEXED) continue;
        seen = true;
        EXPECT_EQ(d.state.world[12], 7.0f);
        EXPECT_EQ(d.state.world[13], 8.0f);
    }
    EXPECT_TRUE(seen);
}

// ---- Picking ----

class PickTest : public ObjectTest {
protected:
    void SetUp() override
    {
        ObjectTest::SetUp();
        CAM_Eye = {0.0f, -10.0f, 6.0f};
        CAM_Dir = {0.0f, 1.0f, -0.5f};
        CAM_Up = {0.0f, 0.0f, 1.0f};
        DEV_SetViewport(-1, -1);
        CAM_Setup();
    }
    Object* At(int model, Vec3 pos)
    {
        Object* o = OBJ_New(nullptr);
        o->model = model;
        o->position = pos;
        return o;
    }
    static Vec3 Frac(Vec3 world) { return MTH_WorldToScreenFrac(world); }
};

TEST_F(PickTest, ACubeSeenByTheGameCameraIsHitOnItsFrontFacesAndMissedBesideIt)
{
    Object* cube = At(Load("BFM_CUBE", BuildMesh(Cube(), true)), {0, 0, 0});
    Vec3 front = Frac({0, -0.5f, 0});
    Vec3 top = Frac({0, 0, 0.5f});
    Vec3 beside = Frac({1.5f, -0.5f, 0});
    EXPECT_TRUE(OBJ_IsUnderCursor(front.x, front.y, cube));
    EXPECT_TRUE(OBJ_IsUnderCursor(top.x, top.y, cube));
    EXPECT_FALSE(OBJ_IsUnderCursor(beside.x, beside.y, cube));
    // Moved under the cursor, it is hit there.
    cube->position = {1.5f, 0, 0};
    OBJ_Moved(cube);
    EXPECT_TRUE(OBJ_IsUnderCursor(beside.x, beside.y, cube));

    // Only the back face: seen from behind it is wound the other way and never hits.
    Object* back = At(Load("BFM_BACK", BuildMesh(Face({0, 1, 0}), true)), {0, 0, 0});
    Vec3 centre = Frac({0, 0.5f, 0});
    EXPECT_FALSE(OBJ_IsUnderCursor(centre.x, centre.y, back));
}

TEST_F(PickTest, NoPickMeshOrACornerBeyondTheFarPlaneAnswersFalse)
{
    Vec3 front = Frac({0, -0.5f, 0});
    Object* plain = At(Load("BFM_NOPICK", BuildMesh(Cube(), false)), {0, 0, 0});
    EXPECT_FALSE(OBJ_IsUnderCursor(front.x, front.y, plain));
    EXPECT_FALSE(OBJ_IsUnderCursor(front.x, front.y, OBJ_New(nullptr)));   // no model at all

    // A far triangle ahead of the hit one ends the test; behind it, the hit comes first.
    std::vector<Tri> face = Face({0, -1, 0});
    Tri far = {Vec3{0, 900, 0}, Vec3{1, 900, 0}, Vec3{0, 900, 1}};
    std::vector<Tri> farFirst = {far, face[0], face[1]};
    std::vector<Tri> farLast = {face[0], face[1], far};
    EXPECT_FALSE(OBJ_IsUnderCursor(front.x, front.y, At(Load("BFM_FAR1", BuildMesh(farFirst, true)), {0, 0, 0})));
    EXPECT_TRUE(OBJ_IsUnderCursor(front.x, front.y, At(Load("BFM_FAR2", BuildMesh(farLast, true)), {0, 0, 0})));
}

} // namespace
