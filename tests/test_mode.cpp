// Game modes: changes through a fade (one at a time, clicks swallowed and full speed while it
// runs), direct changes ending a waiting request, the same mode keeping its board, mode time,
// the entry actions of the title and of the title background, a level that cannot start, the
// arcade choice, the scroll value and the title background's drawing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/clock.h"
#include "core/input.h"
#include "game/arcade.h"
#include "game/board.h"
#include "game/camera.h"
#include "game/hud.h"
#include "game/levellist.h"
#include "game/match.h"
#include "game/mode.h"
#include "render/fx.h"
#include "render_fixture.h"
#include "scene/object.h"
#include "test_support.h"

namespace {

std::vector<uint8_t> Bmp24(int w, int h)
{
    auto put32 = [](std::vector<uint8_t>& b, uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
    };
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> b = {'B', 'M'};
    put32(b, 54 + stride * h); put32(b, 0); put32(b, 54);
    put32(b, 40); put32(b, w); put32(b, h); b.insert(b.end(), {1, 0, 24, 0});
    put32(b, 0); put32(b, stride * h); put32(b, 2835); put32(b, 2835); put32(b, 0); put32(b, 0);
    b.resize(b.size() + (size_t)stride * h, 0x80);
    return b;
}

class ModeTest : public RenderTest {
protected:
    void SetUp() override
    {
        StartRender("mode");
        CFG_Width = 800;
        CFG_Height = 600;
        OBJ_InitLists();
        FX_Init();
        INP_Init();
        HUD_Reset();
        SET_ResetForTests();
        GAM_Reset();
        TIM_Scale = 1.0f;
        TIM_GameTime = 0.0f;
    }
    void TearDown() override
    {
        OBJ_DestroyAll();
        GAM_Reset();
        FX_Init();
        INP_Init();
        TIM_Scale = 1.0f;
        StopRender();
    }
    // One frame of the mode: its update, then its drawing (which runs the fades).
    static void Frame(float dt = 0.05f)
    {
        TIM_RealDelta = dt;
        TIM_GameDelta = TIM_Scale * dt;
        TIM_GameTime += TIM_GameDelta;
        GAM_Update();
        GAM_Draw();
    }
    int Logged(const std::string& line)
    {
        const std::string log = TEST_ReadText(dir_ + "/Log.txt");
        int n = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) n++;
        return n;
    }
    static void Clicks(uint8_t v) { MOU_LeftDown = MOU_LeftPressed = MOU_RightDown = MOU_RightPressed = v; }
    static bool AnyClick() { return MOU_LeftDown || MOU_LeftPressed || MOU_RightDown || MOU_RightPressed; }
};

} // namespace

TEST_F(ModeTest, TwoRequestsWhileTheFadeRunsMakeOneChangeOnceTheScreenIsBlack)
{
    GAM_SetMode(GAM_MODE_TITLE);
    GAM_RequestMode(GAM_MODE_INSTRUCTIONS);
    GAM_RequestMode(GAM_MODE_TITLEBACK);   // ignored: one is waiting
    EXPECT_TRUE(GAM_RequestPending());
    int frames = 0;
    while (GAM_Mode == GAM_MODE_TITLE && frames < 100) {
        Frame();
        frames++;
    }
    EXPECT_EQ(GAM_Mode, GAM_MODE_INSTRUCTIONS);
    EXPECT_GE(frames, 10);   // the half-second fade to black ran first
    EXPECT_FALSE(GAM_RequestPending());
    EXPECT_EQ(Logged("GameMode = 16"), 1);
    EXPECT_EQ(Logged("GameMode = 8"), 0);
    for (int i = 0; i < 20; i++) Frame();
    EXPECT_NEAR(FX_FadeLevel(), 0.0f, 1e-6);   // and back in
    EXPECT_FALSE(GAM_LevelFading());

    // The next request is taken again.
    GAM_RequestMode(GAM_MODE_TITLE);
    for (int i = 0; i < 30; i++) Frame();
    EXPECT_EQ(GAM_Mode, GAM_MODE_TITLE);
}

TEST_F(ModeTest, WhileARequestWaitsClicksAreSwallowedAndTheGameRunsAtFullSpeed)
{
    GAM_SetMode(GAM_MODE_TITLE);
    Clicks(1);
    TIM_Scale = 0.25f;
    GAM_Update();
    EXPECT_TRUE(AnyClick());   // nothing waits: clicks and the slow motion stay
    EXPECT_EQ(TIM_Scale, 0.25f);

    GAM_RequestMode(GAM_MODE_INSTRUCTIONS);
    EXPECT_TRUE(GAM_LevelFading());
    for (int i = 0; i < 3; i++) {
        Clicks(1);
        TIM_Scale = 0.25f;
        Frame();
        EXPECT_FALSE(AnyClick());
        EXPECT_EQ(TIM_Scale, 1.0f);
    }
}

TEST_F(ModeTest, ADirectChangeEndsAWaitingRequest)
{
    GAM_SetMode(GAM_MODE_TITLE);
    GAM_RequestMode(GAM_MODE_INSTRUCTIONS);
    GAM_SetMode(GAM_MODE_TITLEBACK);   // e.g. a result screen that moves on by itself
    EXPECT_FALSE(GAM_RequestPending());
    Clicks(1);
    for (int i = 0; i < 30; i++) Frame();
    EXPECT_EQ(GAM_Mode, GAM_MODE_TITLEBACK);
    EXPECT_TRUE(AnyClick());
    GAM_RequestMode(GAM_MODE_TITLE);   // and requests are taken again
    for (int i = 0; i < 30; i++) Frame();
    EXPECT_EQ(GAM_Mode, GAM_MODE_TITLE);
}

TEST_F(ModeTest, EnteringTheModeItIsInOnlyLogsAndKeepsTheBoard)
{
    GAM_SetMode(GAM_MODE_TITLE);
    ASSERT_TRUE(BRD_SetSize(2, 2));
    for (uint8_t& s : BRD_Board.shape) s = 1;
    BRD_Build();
    const int pieces = BRD_TileCount();
    ASSERT_GT(pieces, 0);
    GAM_SetMode(GAM_MODE_TITLE);
    EXPECT_EQ(BRD_TileCount(), pieces);
    EXPECT_EQ(Logged("GameMode = 2"), 2);

    GAM_SetMode(GAM_MODE_INSTRUCTIONS);   // a real change removes the board's pieces
    EXPECT_EQ(BRD_TileCount(), 0);
}

TEST_F(ModeTest, ModeTimeRunsOnGameTimeInPlayAndRealTimeElsewhere)
{
    const struct { int mode; float expected; } cases[] = {
        {GAM_MODE_PLAY, 0.25f * 0.5f},
        {GAM_MODE_INSTRUCTIONS, 0.5f},
        {GAM_MODE_TITLE, 0.5f},
    };
    for (const auto& c : cases) {
        GAM_Mode = c.mode;   // set directly: play would start a level
        GAM_ModeTime = 0.0f;
        TIM_Scale = 0.25f;
        for (int i = 0; i < 10; i++) {
            TIM_RealDelta = 0.05f;
            TIM_GameDelta = TIM_Scale * TIM_RealDelta;
            GAM_Update();
        }
        EXPECT_NEAR(GAM_ModeTime, c.expected, 1e-5) << c.mode;
    }
}

TEST_F(ModeTest, TheTitleClearsTheLastGameAndFadesInUnlessComingFromTheBackground)
{
    GAM_SetMode(GAM_MODE_INSTRUCTIONS);
    ARC_BoardState = ARC_LOST;
    ARC_GameOver = 1;
    SCORE_Score = 1234;
    FX_Init();
    GAM_SetMode(GAM_MODE_TITLE);
    EXPECT_EQ(ARC_BoardState, ARC_PLAYING);
    EXPECT_EQ(ARC_GameOver, 0);
    EXPECT_EQ(SCORE_Score, 0);
    EXPECT_TRUE(FX_FadeRunning());

    GAM_SetMode(GAM_MODE_TITLEBACK);
    FX_Init();
    GAM_SetMode(GAM_MODE_TITLE);
    EXPECT_FALSE(FX_FadeRunning());
}

TEST_F(ModeTest, TheTitleBackgroundStopsPlay)
{
    GAM_SetMode(GAM_MODE_TITLE);
    for (int i = 0; i < 3; i++) OBJ_New(nullptr);
    CAM_RequestShake(0.5f);
    CAM_Speed = 2.0f;
    GAM_SetMode(GAM_MODE_TITLEBACK);
    EXPECT_EQ(OBJ_Count(), 0);
    EXPECT_EQ(CAM_Shake, 0.0f);
    EXPECT_EQ(CAM_Speed, 0.0f);
}

TEST_F(ModeTest, PlayThatCannotStartALevelGoesBackToTheTitle)
{
    // No arcade list: there is no level to build.
    GAM_SetMode(GAM_MODE_TITLE);
    GAM_ChooseArcade(1);
    GAM_SetMode(GAM_MODE_PLAY);
    EXPECT_EQ(GAM_Mode, GAM_MODE_TITLE);
    EXPECT_EQ(Logged("GameMode = 3"), 1);
    EXPECT_EQ(Logged("GameMode = 2"), 2);
    EXPECT_EQ(Logged("Arcade level 0 could not be started"), 1);
}

TEST_F(ModeTest, ChoosingArcadeSetsTheGameTypeFillAndFirstLevel)
{
    for (int d = 1; d <= 3; d++) {
        GAM_Reset();
        GAM_ArcadeIndex = 5;
        GAM_ChooseArcade(d);
        EXPECT_EQ(GAM_Type, GAM_TYPE_ARCADE);
        EXPECT_EQ(GAM_FillLayers, 2 + d);
        EXPECT_EQ(GAM_ArcadeIndex, 0);
    }
    for (int d : {0, 4, -1}) {
        GAM_Reset();
        GAM_ChooseArcade(d);
        EXPECT_EQ(GAM_Type, GAM_TYPE_NONE) << d;
        EXPECT_EQ(GAM_FillLayers, 3) << d;
    }
}

TEST_F(ModeTest, ScrollIsTheFractionOfMinusHalfTheGameTime)
{
    const struct { float time, scroll; } cases[] = {{0.0f, 0.0f}, {0.5f, 0.75f}, {3.3f, 0.35f}, {4.0f, 0.0f}};
    for (const auto& c : cases) {
        TIM_GameTime = c.time;
        TIM_RealDelta = TIM_GameDelta = 0.0f;
        GAM_Update();
        EXPECT_NEAR(GAM_Scroll, c.scroll, 1e-5) << c.time;
        EXPECT_GE(GAM_Scroll, 0.0f);
        EXPECT_LT(GAM_Scroll, 1.0f);
    }
}

TEST_F(ModeTest, TheTitleDrawsItsBackgroundOnlyWhenTheTextureExists)
{
    GAM_SetMode(GAM_MODE_TITLE);
    FX_Init();   // no fade quad in the counts
    rec_->ClearLog();
    GAM_Draw();
    EXPECT_EQ(rec_->Draws().size(), 0u);

    const std::vector<uint8_t> image = Bmp24(4, 4);
    ASSERT_GT(TEX_LoadNamed("TEX_TITLEBACK", image.data(), image.size()), 0);
    GAM_ModeTime = 2.0f;
    rec_->ClearLog();
    GAM_Draw();
    ASSERT_EQ(rec_->Draws().size(), 2u);   // two drifting layers
    PRCT_Vect a[4], b[4];
    std::memcpy(a, rec_->Draws()[0].vertices.data(), sizeof a);
    std::memcpy(b, rec_->Draws()[1].vertices.data(), sizeof b);
    EXPECT_NEAR(a[0].u, 0.2f, 1e-5);
    EXPECT_NEAR(a[0].v, 0.04f, 1e-5);
    EXPECT_NEAR(b[0].u, 0.08f, 1e-5);
    EXPECT_NEAR(b[0].v, -0.4f, 1e-5);
    EXPECT_EQ(rec_->Draws()[0].state.rs[gfx::RS_DESTBLEND], gfx::BLEND_ZERO);   // the first is opaque

    GAM_Mode = GAM_MODE_SCORES + 1;   // a mode with no drawing of its own
    rec_->ClearLog();
    GAM_Draw();
    EXPECT_EQ(rec_->Draws().size(), 0u);
}
