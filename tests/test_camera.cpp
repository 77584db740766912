// The camera: the play orbit's speeds from keys and drags (either key of a pair, never both
// added), the lost board's spin, pause, the placement round the board from the stack height,
// the title turn, the shake and the eye movement report.
#include <gtest/gtest.h>

#include <cmath>

#include "app/clock.h"
#include "core/input.h"
#include "core/math.h"
#include "core/settings.h"
#include "game/arcade.h"
#include "game/board.h"
#include "game/camera.h"
#include "game/hud.h"
#include "game/mode.h"

namespace {

class CameraTest : public testing::Test {
protected:
    void SetUp() override
    {
        INP_Init();
        CFG_Width = 800;
        CFG_Height = 600;
        HUD_Paused = 0;
        ARC_BoardState = ARC_PLAYING;
        ARC_StackHeight = 4.0f;
        ASSERT_TRUE(BRD_SetSize(5, 5));
        for (uint8_t& s : BRD_Board.shape) s = 1;
        BRD_Metrics();
        GAM_Mode = GAM_MODE_PLAY;
        CAM_Reset();
        CAM_Angle = 0.0f;
        MTH_SeedRand(3);
        TIM_GameTime = 0.0f;
        TIM_Scale = 1.0f;
    }
    void TearDown() override
    {
        INP_Init();
        GAM_Reset();
        CAM_Reset();
        ARC_BoardState = ARC_PLAYING;
        ARC_StackHeight = 10.0f;
        HUD_Paused = 0;
    }
    static void Frames(int n, float dt = 0.01f)
    {
        for (int i = 0; i < n; i++) {
            TIM_RealDelta = dt;
            TIM_GameDelta = TIM_Scale * dt;
            TIM_GameTime += dt;
            CAM_Update();
        }
    }
    static void Keys(std::initializer_list<int> keys)
    {
        for (int k = 0; k < 256; k++) KEY_Down[k] = 0;
        for (int k : keys) KEY_Down[k] = 1;
    }
};

} // namespace

TEST_F(CameraTest, KeysTurnAtOneSpeedWhateverIsHeldOfAPair)
{
    const struct { std::initializer_list<int> keys; float speed; } cases[] = {
        {{INP_KEY_RIGHT}, 3.5f},
        {{'D'}, 3.5f},
        {{INP_KEY_RIGHT, 'D'}, 3.5f},   // not 7
        {{INP_KEY_LEFT, 'A'}, -3.5f},
        {{INP_KEY_RIGHT, INP_KEY_LEFT}, 0.0f},
        {{}, 0.0f},
    };
    for (const auto& c : cases) {
        CAM_Reset();
        CAM_Angle = 1.0f;
        Keys(c.keys);
        Frames(10);
        // The angle follows the speed's sign.
        EXPECT_EQ(CAM_Angle > 1.0f, c.speed > 0) << c.speed;
        EXPECT_EQ(CAM_Angle < 1.0f, c.speed < 0) << c.speed;
        Frames(290);
        EXPECT_NEAR(CAM_Speed, c.speed, 1e-3) << c.speed;
        EXPECT_GE(CAM_Angle, 0.0f);   // wrapped into [0, 2π) after more than a turn
        EXPECT_LT(CAM_Angle, MTH_TWO_PI);
    }
}

TEST_F(CameraTest, RightButtonAndEmptySpaceDragsTurnWithTheMouse)
{
    MOU_DX = 0.01f;
    MOU_RightDown = 1;
    Frames(300);
    EXPECT_NEAR(CAM_Speed, -3.0f, 1e-3);

    // A drag begun over empty space lasts while the left button is held, then ends.
    MOU_RightDown = 0;
    MOU_LeftDown = 1;
    CAM_EmptyDrag = true;
    MOU_DX = -0.005f;
    Frames(300);
    EXPECT_NEAR(CAM_Speed, 1.5f, 1e-3);
    MOU_LeftDown = 0;
    Frames(1);
    EXPECT_FALSE(CAM_EmptyDrag);
    MOU_LeftDown = 1;   // a later held left button over a block is no drag of the camera
    Frames(300);
    EXPECT_NEAR(CAM_Speed, 0.0f, 1e-3);
}

TEST_F(CameraTest, ALostBoardSpinsAwayInTheLastDirectionAndPauseStopsTheOrbit)
{
    Keys({INP_KEY_LEFT});
    Frames(100);
    Keys({});
    ARC_BoardState = ARC_LOST;
    Frames(100);   // one second: the spin's target has grown to 0.8
    EXPECT_LT(CAM_Speed, -0.5f);
    EXPECT_GT(CAM_Speed, -0.8f);
    Frames(400);
    EXPECT_NEAR(CAM_Speed, -2.0f, 1e-3);   // no further than 2

    ARC_BoardState = ARC_PLAYING;
    HUD_Paused = 1;
    Keys({INP_KEY_RIGHT});
    Frames(300);
    EXPECT_NEAR(CAM_Speed, 0.0f, 1e-3);
}

TEST_F(CameraTest, ThePlayEyeCirclesTheBoardAtTheStackHeightAndLooksDownAtIt)
{
    const float stacks[] = {0.0f, 4.0f, 10.0f};
    for (float stack : stacks) {
        ARC_StackHeight = stack;
        for (float angle : {0.0f, 1.0f, 4.0f}) {
            CAM_Angle = angle;
            Frames(1);
            const float h = stack + 1.0f, radius = 0.5f * (14 + 5) + 7.0f - 0.2f * h;
            EXPECT_NEAR(CAM_Eye.x, 2.0f + std::sin(angle) * radius, 1e-4);
            EXPECT_NEAR(CAM_Eye.y, 2.0f + std::cos(angle) * radius, 1e-4);
            EXPECT_NEAR(CAM_Eye.z, h + 1.0f, 1e-4);
            // Towards the board centre, downwards, with a frame of unit vectors.
            const float toX = 2.0f - CAM_Eye.x, toY = 2.0f - CAM_Eye.y;
            EXPECT_NEAR(CAM_Dir.x * toY - CAM_Dir.y * toX, 0.0f, 1e-4);
            EXPECT_GT(CAM_Dir.x * toX + CAM_Dir.y * toY, 0.0f);
            EXPECT_LT(CAM_Dir.z, 0.0f);
            EXPECT_NEAR(MTH_Length(CAM_Dir), 1.0f, 1e-5);
            EXPECT_NEAR(MTH_Dot(CAM_Dir, CAM_Up), 0.0f, 1e-5);
            EXPECT_GT(CAM_Up.z, 0.0f);
            const Vec3 right = MTH_Cross(CAM_Up, CAM_Dir);
            EXPECT_NEAR(MTH_Length(MTH_Sub(right, CAM_Right)), 0.0f, 1e-5);
        }
    }
    // A board longer along y is seen from further off when the eye looks across it from x.
    ASSERT_TRUE(BRD_SetSize(3, 9));
    for (uint8_t& s : BRD_Board.shape) s = 1;
    BRD_Metrics();
    ARC_StackHeight = 4.0f;
    CAM_Angle = MTH_PI * 0.5f;
    Frames(1);
    EXPECT_NEAR(CAM_Eye.x - BRD_Centre.x, 0.5f * (14 + 5) + 7.0f - 1.0f + 3.0f, 1e-3);
    CAM_Angle = 0.0f;
    Frames(1);
    EXPECT_NEAR(CAM_Eye.y - BRD_Centre.y, 0.5f * (14 + 5) + 7.0f - 1.0f, 1e-3);
}

TEST_F(CameraTest, TitleCameraTurnsSlowlyAtTheOriginAndTheScoreTableHasNone)
{
    GAM_Mode = GAM_MODE_TITLE;
    Frames(1);
    const Vec3 first = CAM_Dir;
    EXPECT_NEAR(MTH_Length(CAM_Eye), 0.0f, 1e-6);
    EXPECT_NEAR(MTH_Length(CAM_Dir), 1.0f, 1e-5);
    EXPECT_NEAR(MTH_Dot(CAM_Dir, CAM_Up), 0.0f, 1e-5);
    Frames(100);
    EXPECT_GT(MTH_Length(MTH_Sub(CAM_Dir, first)), 0.05f);

    GAM_Mode = GAM_MODE_SCORES;
    CAM_Eye = Vec3{1, 2, 3};
    Frames(10);
    EXPECT_EQ(CAM_Eye.x, 1.0f);
    EXPECT_EQ(CAM_Eye.z, 3.0f);
}

TEST_F(CameraTest, TheLargestShakeWinsJitterStaysSmallAndDecaysInRealTime)
{
    Frames(1);
    const Vec3 calm = CAM_Dir;
    CAM_RequestShake(0.5f);
    CAM_RequestShake(0.2f);
    EXPECT_FLOAT_EQ(CAM_Shake, 0.5f);

    float largest = 0.0f;
    for (int i = 0; i < 10; i++) {
        Frames(1, 0.02f);
        const float angle = std::acos(std::fmin(1.0f, MTH_Dot(calm, CAM_Dir)));
        largest = std::fmax(largest, angle);
    }
    EXPECT_GT(largest, 0.0f);
    EXPECT_LT(largest, 0.1f * 0.3f * std::sqrt(2.0f) + 1e-4f);
    EXPECT_NEAR(CAM_Shake, 0.3f, 1e-4);

    TIM_Scale = 0.0f;   // a frozen game still shakes off in real time
    Frames(20, 0.02f);
    TIM_Scale = 1.0f;
    EXPECT_EQ(CAM_Shake, 0.0f);
    EXPECT_NEAR(MTH_Length(MTH_Sub(CAM_Dir, calm)), 0.0f, 1e-5);
}

TEST_F(CameraTest, EyeMovementIsReportedFromTheSecondFrameAfterAReset)
{
    CAM_Angle = 0.0f;
    Frames(1);
    EXPECT_EQ(MTH_Length(CAM_EyeMove), 0.0f);
    const Vec3 before = CAM_Eye;
    CAM_Angle = 0.5f;
    Frames(1);
    EXPECT_NEAR(MTH_Length(MTH_Sub(CAM_EyeMove, MTH_Sub(CAM_Eye, before))), 0.0f, 1e-5);
    EXPECT_GT(MTH_Length(CAM_EyeMove), 1.0f);
    CAM_Reset();
    CAM_Angle = 2.0f;
    Frames(1);
    EXPECT_EQ(MTH_Length(CAM_EyeMove), 0.0f);
}
