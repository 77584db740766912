// The display device on the recording backend: window sizing, mode entry, the lost-device
// protocol and its logging, reset failures, clears and the caps log.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/clock.h"
#include "app/err.h"
#include "core/log.h"
#include "core/settings.h"
#include "platform/gfx/gfx.h"
#include "platform/os/os.h"
#include "render/device.h"

namespace {

gfx::Device* MakeRecording(int, int, bool) { return gfx::GFX_CreateRecordingDevice(); }
gfx::Device* MakeNothing(int, int, bool) { return nullptr; }

struct ResetSeen { int w, h; bool windowed; };
std::vector<ResetSeen> g_resets;
void NoteReset() { g_resets.push_back({CFG_Width, CFG_Height, CFG_Windowed != 0}); }

class DeviceTest : public testing::Test {
protected:
    void SetUp() override
    {
        os::FAKE_Reset();
        os::FAKE_SetDesktopSize(1920, 1080);
        LOG_ResetForTests();
        ERR_ResetForTests();
        DEV_ResetForTests();
        dir_ = std::string(getenv("HOME")) + "/devtest";
        os::OS_MakeDir(dir_);
        savedDir_ = APP_DataDir;
        APP_DataDir = dir_;
        LOG_Open();
        APP_Quit = 0;
        APP_Active = APP_DeviceReady = 0;
        CFG_Width = 800;
        CFG_Height = 600;
        CFG_Windowed = 1;
        CFG_TestForHoles = 0;
        CFG_XOffset = CFG_YOffset = 0;
        g_resets.clear();
        DEV_SetFactory(MakeRecording);
    }
    void TearDown() override
    {
        DEV_ResetForTests();
        LOG_ResetForTests();
        ERR_ResetForTests();
        APP_DataDir = savedDir_;
        APP_Quit = 0;
        CFG_Width = 800;
        CFG_Height = 600;
        CFG_Windowed = 1;
        CFG_TestForHoles = 0;
    }
    gfx::RecordingDevice* Rec() { return static_cast<gfx::RecordingDevice*>(DEV_Device); }
    std::string Log()
    {
        std::ifstream f(dir_ + "/Log.txt");
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    static int Count(const std::string& text, const std::string& what)
    {
        int n = 0;
        for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
        return n;
    }
    static bool BoxSays(const std::string& what)
    {
        for (const std::string& b : os::FAKE_MessageBoxes())
            if (b.find(what) != std::string::npos) return true;
        return false;
    }
    std::string dir_, savedDir_;
};

TEST_F(DeviceTest, FitWindowSizeForDesktops)
{
    struct Case { int dw, dh, w, h; bool windowed; int wantW, wantH; };
    const Case cases[] = {
        {800, 600, 800, 600, true, 800, 600},      // equal to the desktop: 800 × 600 is allowed
        {1024, 768, 1024, 768, true, 800, 600},    // would fill the desktop
        {700, 500, 800, 600, true, 640, 480},
        {600, 400, 800, 600, true, 320, 200},
        {300, 200, 1024, 768, true, 1024, 768},    // desktop too small to judge: unchanged
        {1280, 1024, 640, 480, true, 800, 600},    // never below 800 × 600 on a big desktop
        {1920, 1080, 1280, 1024, true, 1280, 1024},
        {1024, 768, 1600, 1200, false, 1600, 1200},  // full screen keeps its size
    };
    for (const Case& c : cases) {
        CFG_Width = c.w;
        CFG_Height = c.h;
        CFG_Windowed = c.windowed;
        DEV_FitWindowSize(c.dw, c.dh);
        EXPECT_EQ(CFG_Width, c.wantW) << c.dw << "x" << c.dh << " from " << c.w << "x" << c.h;
        EXPECT_EQ(CFG_Height, c.wantH) << c.dw << "x" << c.dh << " from " << c.w << "x" << c.h;
    }
}

TEST_F(DeviceTest, InitLogsDesktopAdapterAndCaps)
{
    DEV_Init();
    ASSERT_NE(DEV_Device, nullptr);
    Rec();  // recording device from the factory
    const std::string log = Log();
    EXPECT_NE(log.find("Desktop : 1024/768/"), std::string::npos) << log;
    EXPECT_NE(log.find("Testing Device : '"), std::string::npos);
    EXPECT_NE(log.find("Driver : '"), std::string::npos);
    EXPECT_NE(log.find("Logging Device Capabilities :"), std::string::npos);
    EXPECT_NE(log.find("  - DeviceType (1)"), std::string::npos);
    EXPECT_NE(log.find("  - Caps 1("), std::string::npos);
    EXPECT_NE(log.find(") 2("), std::string::npos);
    EXPECT_NE(log.find("  - MaxVertexW ("), std::string::npos);
    EXPECT_NE(log.find("  - MaxPixelShaderValue (0.000000)"), std::string::npos);
    EXPECT_STRNE(DEV_CardName, "No Card Found");
}

TEST_F(DeviceTest, FailedCreationIsFatalAndLeavesNoDevice)
{
    DEV_SetFactory(MakeNothing);
    DEV_Init();
    EXPECT_EQ(DEV_Device, nullptr);
    EXPECT_TRUE(BoxSays("Could not create the DirectX device. ("));
    EXPECT_TRUE(APP_Quit);
    DEV_Begin();   // nothing to reset
    EXPECT_FALSE(APP_DeviceReady);
    EXPECT_FALSE(TestRestore());
}

TEST_F(DeviceTest, WindowedBeginCentresTheWindow)
{
    CFG_XOffset = 10;
    CFG_YOffset = -20;
    DEV_Init();
    DEV_Begin();
    EXPECT_TRUE(APP_Active);
    EXPECT_TRUE(APP_DeviceReady);
    gfx::PresentParams pp = Rec()->LastPresentParams();
    EXPECT_EQ(pp.backBufferWidth, 800u);
    EXPECT_EQ(pp.backBufferHeight, 600u);
    EXPECT_TRUE(pp.windowed);
    int x, y, w, h;
    os::OS_GetWindowPos(&x, &y);
    os::OS_GetClientSize(&w, &h);
    EXPECT_EQ(x, 1920 / 2 + 10 - 400);
    EXPECT_EQ(y, 1080 / 2 - 20 - 300);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_FALSE(os::OS_IsFullScreen());
    EXPECT_EQ(os::OS_GetCursor(), os::CURSOR_NONE);
}

TEST_F(DeviceTest, FullScreenStartPassesThroughWindowedAndKeepsItsSize)
{
    // Larger than the desktop: the windowed pass shrinks it, the full-screen pass restores it.
    os::FAKE_SetDesktopSize(1024, 768);
    CFG_Width = 1280;
    CFG_Height = 1024;
    CFG_Windowed = 0;
    DEV_Init();
    DEV_ResetHooks hooks;
    hooks.audioUpdate = NoteReset;
    DEV_SetResetHooks(hooks);
    DEV_Begin();
    ASSERT_EQ(g_resets.size(), 2u);
    EXPECT_TRUE(g_resets[0].windowed);
    EXPECT_EQ(g_resets[0].w, 800);
    EXPECT_FALSE(g_resets[1].windowed);
    EXPECT_EQ(g_resets[1].w, 1280);
    EXPECT_EQ(g_resets[1].h, 1024);
    gfx::PresentParams pp = Rec()->LastPresentParams();
    EXPECT_FALSE(pp.windowed);
    EXPECT_EQ(pp.backBufferWidth, 1280u);
    EXPECT_TRUE(os::OS_IsFullScreen());
}

TEST_F(DeviceTest, LostNotResetOkLogsEachChangeOnce)
{
    DEV_Init();
    DEV_Begin();
    Rec()->ClearLog();
    using namespace gfx;
    Rec()->QueueCooperativeLevels({GFX_DEVICELOST, GFX_DEVICELOST, GFX_DEVICELOST, GFX_DEVICENOTRESET,
                                   GFX_DEVICENOTRESET, GFX_DEVICELOST, GFX_DEVICENOTRESET, GFX_OK, GFX_OK});
    const bool want[] = {false, false, false, false, false, false, false, true, true};
    for (bool w : want) {
        EXPECT_EQ(TestRestore(), w);
        EXPECT_EQ(DEV_Lost != 0, !w);
    }
    const std::string log = Log();
    EXPECT_EQ(Count(log, "TestCooperativeLevel = D3DERR_DEVICELOST"), 2) << log;
    EXPECT_EQ(Count(log, "TestCooperativeLevel = D3DERR_DEVICENOTRESET"), 2);
    EXPECT_EQ(Count(log, "TestCooperativeLevel = S_OK"), 1);
    // A reset is tried every time the device says it can be reset.
    EXPECT_EQ(Rec()->CallCount(CALL_RESET), 3);
    EXPECT_EQ(DEV_RestoreState, 0);
}

TEST_F(DeviceTest, FailedResetIsFatalUnlessQuitting)
{
    DEV_Init();
    DEV_Begin();
    Rec()->FailNext(gfx::CALL_RESET, gfx::GFX_INVALIDCALL, 1);
    DEV_Reset("Options:800");
    EXPECT_FALSE(APP_Active);
    EXPECT_FALSE(APP_DeviceReady);
    EXPECT_TRUE(BoxSays("DEV_Reset (from Options:800) : Could not reset the DirectX device. (GFX_INVALIDCALL)"));

    // Already quitting: the failure is only logged and the reset carries on.
    ERR_ResetForTests();
    LOG_Continue();
    APP_Quit = 1;
    Rec()->FailNext(gfx::CALL_RESET, gfx::GFX_INVALIDCALL, 1);
    const size_t boxes = os::FAKE_MessageBoxes().size();
    DEV_Reset("SetToWindowed");
    EXPECT_EQ(os::FAKE_MessageBoxes().size(), boxes);
    EXPECT_TRUE(APP_DeviceReady);
    EXPECT_NE(Log().find("DEV_Reset (from SetToWindowed) : Could not reset the DirectX device. (GFX_INVALIDCALL)"),
              std::string::npos);
}

TEST_F(DeviceTest, SetToWindowedResetsOnlyFromFullScreen)
{
    DEV_Init();
    DEV_Begin();
    const int before = Rec()->CallCount(gfx::CALL_RESET);
    SetToWindowed();
    EXPECT_EQ(Rec()->CallCount(gfx::CALL_RESET), before);
    EXPECT_EQ(os::OS_GetCursor(), os::CURSOR_ARROW);

    CFG_Windowed = 0;
    DEV_Reset("Maximize");
    EXPECT_TRUE(os::OS_IsFullScreen());
    SetToWindowed();
    EXPECT_TRUE(CFG_Windowed);
    EXPECT_TRUE(Rec()->LastPresentParams().windowed);
    EXPECT_FALSE(os::OS_IsFullScreen());
    EXPECT_EQ(os::OS_GetCursor(), os::CURSOR_ARROW);
}

TEST_F(DeviceTest, ClearCases)
{
    DEV_Init();
    using namespace gfx;
    struct Case { bool depth; int r, g, b; bool call; uint32_t flags, colour; };
    const Case cases[] = {
        {true, 0, 0, 0, true, CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u},
        {true, 10, 20, 30, true, CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF0A141Eu},
        {true, -1, 0, 0, true, CLEAR_ZBUFFER, 0xFF000000u},   // depth only
        {false, 255, 128, 1, true, CLEAR_TARGET, 0xFFFF8001u},
        {false, 10, -1, 10, false, 0, 0},                        // nothing at all
    };
    for (const Case& c : cases) {
        Rec()->ClearLog();
        DEV_Clear(c.depth, c.r, c.g, c.b);
        ASSERT_EQ(Rec()->CallCount(CALL_CLEAR), c.call ? 1 : 0) << c.r << "," << c.g << "," << c.b;
        if (!c.call) continue;
        const CallRecord& rec = Rec()->Calls().back();
        EXPECT_EQ(rec.a, c.flags);
        EXPECT_EQ(rec.b, c.colour);
    }

    // Testing for holes: magenta while the tenths of a second are odd, else yellow.
    CFG_TestForHoles = 1;
    const struct { float t; uint32_t colour; } holes[] = {
        {0.05f, 0xFFFFFF00u}, {0.15f, 0xFFFF00FFu}, {0.25f, 0xFFFFFF00u}, {1.35f, 0xFFFF00FFu}};
    const float saved = TIM_GameTime;
    for (const auto& h : holes) {
        TIM_GameTime = h.t;
        Rec()->ClearLog();
        DEV_Clear(true, 0, 0, 0);
        ASSERT_EQ(Rec()->CallCount(CALL_CLEAR), 1);
        EXPECT_EQ(Rec()->Calls().back().b, h.colour) << h.t;
    }
    TIM_GameTime = saved;
}

TEST_F(DeviceTest, ViewportDefaultsToTheBackBuffer)
{
    DEV_Init();
    CFG_Width = 640;
    CFG_Height = 480;
    DEV_SetViewport(-1, -1);
    gfx::Viewport vp;
    ASSERT_EQ(DEV_Device->GetViewport(&vp), gfx::GFX_OK);
    EXPECT_EQ(vp.width, 640u);
    EXPECT_EQ(vp.height, 480u);
    EXPECT_EQ(vp.minZ, 0.0f);
    EXPECT_EQ(vp.maxZ, 1.0f);
    DEV_SetViewport(320, -1);
    ASSERT_EQ(DEV_Device->GetViewport(&vp), gfx::GFX_OK);
    EXPECT_EQ(vp.width, 320u);
    EXPECT_EQ(vp.height, 480u);
}

} // namespace
