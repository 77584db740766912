// app/clock — the frame clock and the frame's camera.
//
// A frame is due once at least 10 ms have gathered since the last one (at most 100 frames a
// second). The step is the raw frame time clamped to 100 ms after stalls and smoothed (10
// frames of warm-up, then a 0.1 blend) so single slow frames do not jolt the game's motion.
// Every call draws one random number and throws it away: the random sequence therefore moves on
// with real time, as the game's feel was tuned with.
#include "app/clock.h"

#include "core/log.h"
#include "core/math.h"
#include "core/settings.h"
#include "platform/gfx/gfx.h"
#include "platform/os/os.h"
#include "render/device.h"

float TIM_Scale = 1.0f;
float TIM_RealDelta = 0.0f;
float TIM_GameDelta = 0.0f;
float TIM_GameTime = 0.0f;
float TIM_PrevGameTime = 0.0f;
float TIM_RealTime = 0.0f;
float TIM_Fps = 0.0f;
int TIM_WholeSeconds = 0;
int TIM_TotalSeconds = 0;

Vec3 CAM_Eye = {0.0f, -10.0f, 6.0f};
Vec3 CAM_Dir = {0.0f, 1.0f, -0.5f};
Vec3 CAM_Up = {0.0f, 0.0f, 1.0f};

namespace {

uint64_t g_prevCounter = 0;
uint32_t g_prevMs = 0;
float g_accumMs = 0.0f;
double g_lastFrameMs = 0.0;
float g_smoothMs = 0.0f;
int g_warmUp = 10;
double g_secondAccum = 0.0;
int g_deltaLines = 0;
int g_fpsCountdown = 30;

float ElapsedMs()
{
    uint64_t counter = 0, freq = 0;
    if (os::OS_QueryCounter(&counter) && os::OS_CounterFrequency(&freq) && freq) {
        float scaled = (float)((counter - g_prevCounter) * 1000ull);
        g_prevCounter = counter;
        return scaled / (float)freq;
    }
    uint32_t ms = os::OS_TimeMs();
    uint32_t elapsed = ms - g_prevMs;   // unsigned: a wrap adds 2^32 by itself
    g_prevMs = ms;
    return (float)elapsed;
}

} // namespace

bool TIM_Update()
{
    MTH_Rand();

    g_accumMs += ElapsedMs();
    if (g_accumMs < 10.0f) return false;

    float frameMs = g_accumMs;
    g_accumMs = 0.0f;
    if (frameMs > 100.0f) {
        if (g_deltaLines < 50) {
            ++g_deltaLines;
            LOG_Write("DeltaTime = %f", frameMs);
        }
        frameMs = 100.0f;
    }
    g_lastFrameMs = frameMs;

    if (g_warmUp > 0) {
        --g_warmUp;
        g_smoothMs = frameMs;
    } else {
        g_smoothMs = g_smoothMs + 0.1f * (frameMs - g_smoothMs);
    }

    TIM_RealDelta = g_smoothMs * 0.001f;
    TIM_GameDelta = TIM_Scale * TIM_RealDelta;
    TIM_PrevGameTime = TIM_GameTime;
    TIM_GameTime += TIM_GameDelta;
    TIM_RealTime += TIM_RealDelta;

    TIM_WholeSeconds = 0;
    g_secondAccum += TIM_GameDelta;
    while (g_secondAccum >= 1.0) {
        g_secondAccum -= 1.0;
        ++TIM_WholeSeconds;
        ++TIM_TotalSeconds;
        TIM_Fps = 1000.0f / g_smoothMs;
        if (--g_fpsCountdown == 0) {
            LOG_Write("FPS : %0.1f", TIM_Fps);
            g_fpsCountdown = 30;
        }
    }
    return true;
}

void TIM_Reset()
{
    TIM_Scale = 1.0f;
    g_prevCounter = 0;
    g_prevMs = 0;
    TIM_GameTime = 0.0f;
    TIM_PrevGameTime = 0.0f;
    TIM_GameDelta = 0.0f;
    TIM_RealDelta = 0.0f;
    g_secondAccum = 0.0;
    TIM_WholeSeconds = 0;
    g_lastFrameMs = 0.0;
    g_warmUp = 10;
}

void TIM_Resmooth()
{
    g_warmUp = 10;
}

void CAM_Setup()
{
    float aspect = (float)CFG_Width / (float)CFG_Height;
    DEV_SetTransform(gfx::TS_PROJECTION, MTH_PerspectiveFovLH(CAM_Fov, aspect, CAM_Near, CAM_Far));
    Vec3 at = {CAM_Eye.x + CAM_Dir.x, CAM_Eye.y + CAM_Dir.y, CAM_Eye.z + CAM_Dir.z};
    DEV_SetTransform(gfx::TS_VIEW, MTH_LookAtLH(CAM_Eye, at, CAM_Up));
    DEV_SetTransform(gfx::TS_WORLD, MTH_Identity);
}
