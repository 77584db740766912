// Glare sprites, flashes and fades on the recording device: sprite geometry from the camera,
// flash rise and fall in time and in frames, the clamped sum of flashes, the fade's levels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "app/clock.h"
#include "core/math.h"
#include "core/mem.h"
#include "core/settings.h"
#include "platform/gfx/gfx.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/fx.h"
#include "render/material.h"
#include "render/texture.h"

namespace {

using namespace gfx;

Device* MakeRecording(int, int, bool) { return GFX_CreateRecordingDevice(); }

std::vector<std::vector<PRCT_Vect>> g_glares;
void CatchGlare(const PRCT_Vect quad[4]) { g_glares.push_back(std::vector<PRCT_Vect>(quad, quad + 4)); }

class FxTest : public testing::Test {
protected:
    void SetUp() override
    {
        DEV_ResetForTests();
        DEV_SetFactory(MakeRecording);
        DEV_Init();
        TEX_ResetForTests();
        CFG_Width = 800;
        CFG_Height = 600;
        FX_Init();
        DRW_SetBlend(99);
        savedGame_ = TIM_GameDelta;
        savedReal_ = TIM_RealDelta;
        Rec()->ClearLog();
        g_glares.clear();
    }
    void TearDown() override
    {
        GLARE_SetQueue(nullptr);
        TIM_GameDelta = savedGame_;
        TIM_RealDelta = savedReal_;
        FX_Init();
        TEX_ResetForTests();
        DEV_ResetForTests();
    }
    RecordingDevice* Rec() { return static_cast<RecordingDevice*>(DEV_Device); }
    // Colour of the last full-screen draw, or 0 when nothing was drawn since the last clear.
    bool LastDraw(PRCT_Vect v[4])
    {
        if (Rec()->Draws().empty()) return false;
        const DrawRecord& d = Rec()->Draws().back();
        if (d.vertices.size() != 4 * sizeof(PRCT_Vect)) return false;
        std::memcpy(v, d.vertices.data(), 4 * sizeof(PRCT_Vect));
        return true;
    }
    // Draws one frame of flashes; returns the red channel drawn, or -1 when nothing was drawn.
    int FlashFrame()
    {
        Rec()->ClearLog();
        FX_DrawFlashes();
        PRCT_Vect v[4];
        if (!LastDraw(v)) return -1;
        return (int)((v[0].colour >> 16) & 0xFF);
    }
    float savedGame_ = 0, savedReal_ = 0;
};

TEST_F(FxTest, FlashRisesToItsPeakAndEndsOnTime)
{
    TIM_GameDelta = 0.125f;
    ASSERT_GE(FX_StartFlash(1, 0, 0, 1.0f, 0.5f), 0);
    std::vector<int> reds;
    for (int i = 0; i < 10; ++i) reds.push_back(FlashFrame());
    // Full strength after 0.5 s (the fifth frame), gone after 1.0 s (eight frames).
    const std::vector<int> want = {0, 63, 127, 191, 255, 191, 127, 63, -1, -1};
    EXPECT_EQ(reds, want);
}

TEST_F(FxTest, FrameCountedFlash)
{
    ASSERT_GE(FX_StartFlashFrames(1, 0, 0, 4, 2), 0);
    std::vector<int> reds;
    for (int i = 0; i < 6; ++i) reds.push_back(FlashFrame());
    EXPECT_EQ(reds, (std::vector<int>{0, 127, 255, 127, -1, -1}));
}

TEST_F(FxTest, FlashesAddUpClampedAndAdditive)
{
    TIM_GameDelta = 0.01f;
    FX_Flash* a = FX_FlashSlot(0);
    FX_Flash* b = FX_FlashSlot(5);
    ASSERT_TRUE(a && b);
    *a = FX_Flash{1, 0, 0, 1.0f, 0.5f, 0.5f, 0, 0, 0};
    *b = FX_Flash{0.5f, 0, 0, 1.0f, 0.5f, 0.5f, 0, 0, 0};
    FX_DrawFlashes();
    PRCT_Vect v[4];
    ASSERT_TRUE(LastDraw(v));
    EXPECT_EQ(v[0].colour, 0xFFFF0000u);
    EXPECT_FLOAT_EQ(v[0].z, 0.0003f);
    EXPECT_FLOAT_EQ(v[3].x, 800);
    EXPECT_FLOAT_EQ(v[3].y, 600);
    const StateSnapshot& s = Rec()->Draws().back().state;
    EXPECT_EQ(s.rs[RS_SRCBLEND], BLEND_ONE);
    EXPECT_EQ(s.rs[RS_DESTBLEND], BLEND_ONE);
    EXPECT_EQ(FX_FlashSlot(8), nullptr);
}

TEST_F(FxTest, FadeLevelsEaseAndStay)
{
    TIM_RealDelta = 0.25f;
    FX_SetFade(1, 0, 1);   // from the full picture to black
    std::vector<float> levels;
    std::vector<bool> out;
    for (int i = 0; i < 5; ++i) {
        Rec()->ClearLog();
        FX_DrawScreenEffects();
        levels.push_back(FX_FadeLevel());
        out.push_back(FX_IsFadedOut());
        ASSERT_EQ(Rec()->Draws().size(), 1u);
    }
    EXPECT_NEAR(levels[0], MTH_EaseInOut(0.25f), 1e-6);
    EXPECT_NEAR(levels[1], 0.5f, 1e-6);
    EXPECT_NEAR(levels[3], 1.0f, 1e-6);
    EXPECT_NEAR(levels[4], 1.0f, 1e-6);   // the duration is over; the level stays
    EXPECT_EQ(out, (std::vector<bool>{false, false, false, true, true}));
    PRCT_Vect v[4];
    ASSERT_TRUE(LastDraw(v));
    EXPECT_EQ(v[0].colour, 0xFFFFFFFFu);
    const StateSnapshot& s = Rec()->Draws().back().state;
    EXPECT_EQ(s.rs[RS_SRCBLEND], BLEND_ZERO);
    EXPECT_EQ(s.rs[RS_DESTBLEND], BLEND_INVSRCCOLOR);

    // Faded out exactly while the level exceeds 0.99.
    const struct { float end; bool faded; } edges[] = {{0.015f, false}, {0.005f, true}, {1.0f, false}};
    for (const auto& e : edges) {
        FX_SetFade(e.end, e.end, 0.1f);
        Rec()->ClearLog();
        FX_DrawFade();
        EXPECT_EQ(FX_IsFadedOut(), e.faded) << e.end;
    }
    EXPECT_EQ(Rec()->Draws().size(), 0u);   // level 0: nothing drawn
}

TEST_F(FxTest, AFadeRunsUntilItsDurationIsOver)
{
    EXPECT_FALSE(FX_FadeRunning());
    FX_SetFade(0, 1, 0.5f);
    EXPECT_TRUE(FX_FadeRunning());
    TIM_RealDelta = 0.25f;
    FX_DrawScreenEffects();
    EXPECT_TRUE(FX_FadeRunning());
    FX_DrawScreenEffects();
    EXPECT_FALSE(FX_FadeRunning());
    FX_SetFade(1, 0, 0.0f);   // no duration: nothing to run
    EXPECT_FALSE(FX_FadeRunning());
}

TEST_F(FxTest, DrawLevelIsOpaqueBlackAtTheTop)
{
    FX_DrawLevel(1.0f, 0.5f);
    PRCT_Vect v[4];
    ASSERT_TRUE(LastDraw(v));
    EXPECT_EQ(v[0].colour, 0xFF000000u);
    EXPECT_FLOAT_EQ(v[0].z, 0.5f);
    EXPECT_EQ(Rec()->Draws().back().state.rs[RS_DESTBLEND], BLEND_ZERO);
    FX_DrawLevel(0.3f, 0.1f);
    ASSERT_TRUE(LastDraw(v));
    EXPECT_EQ(v[0].colour, 0xFF4C4C4Cu);
    EXPECT_EQ(Rec()->Draws().back().state.rs[RS_DESTBLEND], BLEND_INVSRCCOLOR);
}

TEST_F(FxTest, GlareSpriteIsASquareAroundTheProjectedPoint)
{
    const Vec3 eye = CAM_Eye, dir = CAM_Dir, up = CAM_Up;
    CAM_Eye = {0, -10, 0};
    CAM_Dir = {0, 1, 0};
    CAM_Up = {0, 0, 1};
    const Mat4 world = MTH_MakeIdentity();
    const Mat4 view = MTH_LookAtLH(CAM_Eye, MTH_Add(CAM_Eye, CAM_Dir), CAM_Up);
    const Mat4 proj = MTH_PerspectiveFovLH(CAM_Fov, 800.0f / 600.0f, CAM_Near, CAM_Far);
    MTH_SetViewport(0, 0, 800, 600, 0, 1);
    MTH_SetTransforms(&world, &view, &proj);
    GLARE_SetQueue(CatchGlare);

    GLARE_Draw({0, 0, 0}, 3, 1, 0.5f, 0, 1.0f, 0.0f);
    ASSERT_EQ(g_glares.size(), 1u);
    const std::vector<PRCT_Vect>& q = g_glares[0];
    const Vec3 sp = MTH_WorldToScreen({0, 0, 0});
    const Vec3 su = MTH_WorldToScreen({0, 0, 1});
    const float half = std::fabs(su.y - sp.y);
    EXPECT_NEAR(q[0].x, 400 - half, 1e-3);
    EXPECT_NEAR(q[0].y, 300 - half, 1e-3);
    EXPECT_NEAR(q[3].x, 400 + half, 1e-3);
    EXPECT_NEAR(q[3].y, 300 + half, 1e-3);
    EXPECT_NEAR(q[0].z, sp.z, 1e-6);
    EXPECT_EQ(q[0].u, 0.5f);   // frame 3: the bottom-right quarter
    EXPECT_EQ(q[0].v, 0.5f);
    EXPECT_EQ(q[3].u, 1.0f);
    EXPECT_EQ(q[3].v, 1.0f);
    EXPECT_EQ(q[0].colour, 0xFFFF7F00u);

    // Pulled toward the viewer it grows; behind the eye there is nothing to queue.
    GLARE_Draw({0, 0, 0}, 0, 1, 1, 1, 1.0f, -5.0f);
    ASSERT_EQ(g_glares.size(), 2u);
    EXPECT_GT(g_glares[1][3].x - g_glares[1][0].x, 2 * half * 1.5f);
    EXPECT_EQ(g_glares[1][0].u, 0.0f);
    GLARE_Draw({0, -20, 0}, 0, 1, 1, 1, 1.0f, 0.0f);
    EXPECT_EQ(g_glares.size(), 2u);

    // Without a queue of its own the sprite goes to the glare material's batch.
    MTL_ResetForTests();
    MEM_F_Init();
    MEM_F_Reset();
    GLARE_SetQueue(nullptr);
    GLARE_Draw({0, 0, 0}, 1, 1, 1, 1, 1.0f, 0.0f);   // no material yet: dropped
    ASSERT_GT(MTL_Create("MTL_FX_GLARE", MTL_KIND_PRCT, 50, TEX_SLOT_GLARE), 0);
    GLARE_Draw({0, 0, 0}, 1, 1, 1, 1, 1.0f, 0.0f);
    Rec()->ClearLog();
    MTL_Flush();
    ASSERT_EQ(Rec()->Draws().size(), 1u);
    EXPECT_EQ(Rec()->Draws()[0].primType, (uint32_t)PT_TRIANGLELIST);
    EXPECT_EQ(Rec()->Draws()[0].primCount, 2u);
    EXPECT_EQ(Rec()->Draws()[0].stride, sizeof(PRCT_Vect));
    MTL_ResetForTests();

    CAM_Eye = eye;
    CAM_Dir = dir;
    CAM_Up = up;
}

} // namespace
