// Frame clock: the 10 ms gate, the 100 ms clamp with its log lines, warm-up and smoothing,
// scale, whole seconds and the FPS line every 30 of them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/clock.h"
#include "core/log.h"
#include "core/math.h"
#include "core/settings.h"
#include "platform/os/os.h"
#include "test_support.h"

namespace {

class ClockTest : public LoggedTest {
protected:
    void SetUp() override
    {
        OpenLogIn("clocktest");
        os::FAKE_SetCounterAvailable(true);
        ASSERT_TRUE(os::OS_CounterFrequency(&freq_));
        counter_ = 5000 * freq_;   // far from 0, like a real counter
        os::FAKE_SetCounter(counter_);
        TIM_Reset();
    }
    void TearDown() override
    {
        TIM_Scale = 1.0f;
        LoggedTest::TearDown();
    }
    bool Step(double ms)
    {
        counter_ += (uint64_t)(ms * (double)freq_ / 1000.0);
        os::FAKE_SetCounter(counter_);
        return TIM_Update();
    }
    uint64_t freq_ = 0, counter_ = 0;
};

TEST_F(ClockTest, FirstFrameAfterResetIsClampedAndLogged)
{
    ASSERT_TRUE(Step(0.0));   // measured against a previous reading of 0
    EXPECT_FLOAT_EQ(TIM_RealDelta, 0.1f);
    EXPECT_FLOAT_EQ(TIM_GameDelta, 0.1f);
    EXPECT_NE(CloseAndReadLog().find(" : DeltaTime = "), std::string::npos);
}

TEST_F(ClockTest, TenMillisecondGateAndSmoothing)
{
    ASSERT_TRUE(Step(0.0));
    EXPECT_FALSE(Step(4.0));
    EXPECT_FALSE(Step(5.0));
    ASSERT_TRUE(Step(1.0));   // 10 ms gathered
    EXPECT_NEAR(TIM_RealDelta, 0.010f, 1e-5);
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(Step(20.0));   // warm-up: taken as they come
    EXPECT_NEAR(TIM_RealDelta, 0.020f, 1e-5);
    ASSERT_TRUE(Step(40.0));   // after the warm-up: blended by 0.1
    EXPECT_NEAR(TIM_RealDelta, 0.022f, 1e-5);
    EXPECT_NEAR(TIM_GameTime, 0.1f + 0.010f + 8 * 0.020f + 0.022f, 1e-4);
    EXPECT_FLOAT_EQ(TIM_PrevGameTime, TIM_GameTime - TIM_GameDelta);
}

TEST_F(ClockTest, RandomSequenceAdvancesOnEveryCall)
{
    MTH_SeedRand(1);
    Step(3.0);   // not due, still draws
    Step(3.0);
    int third = MTH_Rand();
    MTH_SeedRand(1);
    MTH_Rand();
    MTH_Rand();
    EXPECT_EQ(MTH_Rand(), third);
}

TEST_F(ClockTest, WholeSecondsFpsLinesAndScaleZero)
{
    ASSERT_TRUE(Step(0.0));
    for (int i = 0; i < 12; ++i) Step(10.0);   // settle at 10 ms frames
    int start = TIM_TotalSeconds;
    for (int i = 0; i < 3100; ++i) Step(10.0);   // 31 game seconds
    EXPECT_EQ(TIM_TotalSeconds - start, 31);
    EXPECT_NEAR(TIM_Fps, 100.0f, 0.5f);

    TIM_Scale = 0.0f;
    float game = TIM_GameTime, real = TIM_RealTime;
    int seconds = TIM_TotalSeconds;
    for (int i = 0; i < 200; ++i) Step(10.0);
    EXPECT_EQ(TIM_GameTime, game);
    EXPECT_EQ(TIM_TotalSeconds, seconds);
    EXPECT_NEAR(TIM_RealTime - real, 2.0f, 0.01f);
    std::string log = CloseAndReadLog();
    EXPECT_NE(log.find(" : FPS : 100.0\n"), std::string::npos);
    size_t first = log.find("FPS : ");
    EXPECT_EQ(log.find("FPS : ", first + 1), std::string::npos);   // once per 30 seconds
}

TEST_F(ClockTest, MillisecondFallbackWraps)
{
    os::FAKE_SetCounterAvailable(false);
    os::FAKE_SetTimeMs(0xFFFFFFF0u);
    TIM_Update();   // first reading
    os::FAKE_SetTimeMs(0x00000004u);   // 20 ms later, across the wrap
    for (int i = 0; i < 3; ++i) TIM_Update();
    os::FAKE_SetTimeMs(0x00000004u + 15);
    ASSERT_TRUE(TIM_Update());
    EXPECT_NEAR(TIM_RealDelta, 0.015f, 1e-5);
}

} // namespace
