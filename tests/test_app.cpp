// The window procedure, the pump and the frame on the fake OS backend and a recording device.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/app.h"
#include "app/clock.h"
#include "app/err.h"
#include "core/input.h"
#include "core/log.h"
#include "core/settings.h"
#include "platform/gfx/gfx.h"
#include "platform/os/os.h"
#include "render/device.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"
#include "test_support.h"

namespace {

gfx::Device* MakeRecording(int, int, bool) { return gfx::GFX_CreateRecordingDevice(); }

class AppTest : public LoggedTest {
protected:
    void SetUp() override
    {
        OpenLogIn("apptest");
        os::FAKE_SetDesktopSize(1920, 1080);
        ERR_ResetForTests();
        DEV_ResetForTests();
        INP_Init();
        APP_Quit = 0;
        CFG_Width = 800;
        CFG_Height = 600;
        CFG_Windowed = 1;
        ASSERT_TRUE(APP_CreateWindow());
        DEV_SetFactory(MakeRecording);
        APP_InitSubsystems();
        ASSERT_NE(DEV_Device, nullptr);
        APP_Active = 1;
    }
    void TearDown() override
    {
        DEV_ResetForTests();
        MTL_ResetForTests();
        MESH_ResetForTests();
        TEX_ResetForTests();
        ERR_ResetForTests();
        LoggedTest::TearDown();
        APP_Quit = 0;
        APP_Active = APP_DeviceReady = APP_Focused = 0;
        CFG_Windowed = 1;
    }
    static os::Message Msg(uint32_t msg, uintptr_t w = 0, intptr_t l = 0)
    {
        os::Message m;
        m.msg = msg;
        m.wParam = w;
        m.lParam = l;
        return m;
    }
};

TEST_F(AppTest, WindowProcedureMessages)
{
    EXPECT_EQ(APP_WindowProc(os::MSG_SIZE, os::SIZE_MINIMIZED, 0), os::OS_DefWindowProc(os::MSG_SIZE, 0, 0));
    EXPECT_FALSE(APP_Active);
    EXPECT_FALSE(APP_Focused);
    APP_WindowProc(os::MSG_SIZE, os::SIZE_RESTORED, 0);
    EXPECT_TRUE(APP_Active);

    APP_WindowProc(os::MSG_MOVE, 0, os::OS_PackPoint(120, 45));
    EXPECT_EQ(DEV_WindowX, 120);
    EXPECT_EQ(DEV_WindowY, 45);

    os::MinMaxInfo info = {0, 0};
    APP_WindowProc(os::MSG_GETMINMAXINFO, 0, (intptr_t)&info);
    EXPECT_EQ(info.minTrackX, 100);
    EXPECT_EQ(info.minTrackY, 100);

    EXPECT_EQ(APP_WindowProc(os::MSG_KEYDOWN, 'A', 0), 0);
    EXPECT_TRUE(KEY_Down['A']);
    EXPECT_EQ(KEY_Last, 'A');
    EXPECT_EQ(APP_WindowProc(os::MSG_KEYUP, 'A', 0), 0);
    EXPECT_FALSE(KEY_Down['A']);

    EXPECT_EQ(APP_WindowProc(os::MSG_SYSCOMMAND, os::SC_MAXIMIZE_CAPTION, 0), 1);
    EXPECT_FALSE(APP_Quit);
    EXPECT_EQ(APP_WindowProc(os::MSG_CLOSE, 0, 0), 0);
    EXPECT_TRUE(APP_Quit);
}

TEST_F(AppTest, AcceleratorsQuitOnlyOnAltF4)
{
    os::OS_LoadAccelerators();
    for (int key : {0x70, 0x71}) {   // F1, F2: swallowed before they reach the key state
        os::FAKE_PushMessage(Msg(os::MSG_KEYDOWN, key, 0));
        APP_PumpMessages();
        EXPECT_FALSE(KEY_Down[key]) << key;
    }
    EXPECT_FALSE(APP_Quit);
    os::FAKE_PushMessage(Msg(os::MSG_KEYDOWN, 0x73, os::KEYFLAG_ALT));
    APP_PumpMessages();
    EXPECT_TRUE(APP_Quit);
}

TEST_F(AppTest, MaximiseSwitchesToFullScreenAndSavesSettings)
{
    EXPECT_EQ(APP_WindowProc(os::MSG_SYSCOMMAND, os::SC_MAXIMIZE, 0), 1);
    EXPECT_FALSE(CFG_Windowed);
    EXPECT_TRUE(os::OS_IsFullScreen());
    EXPECT_EQ(TEST_ReadText(dir_ + "/Settings.txt"), "#WINDOWED(0)\n#WIDTH(800)\n#HEIGHT(600)\n");

    std::remove((dir_ + "/Settings.txt").c_str());
    EXPECT_EQ(APP_WindowProc(os::MSG_SYSCOMMAND, os::SC_MAXIMIZE, 0), 1);   // already full screen
    EXPECT_FALSE(os::OS_FileExists(dir_ + "/Settings.txt"));
}

TEST_F(AppTest, FrameDrawsAndClearsPerFrameInput)
{
    gfx::RecordingDevice* rec = static_cast<gfx::RecordingDevice*>(DEV_Device);
    int presents = rec->CallCount(gfx::CALL_PRESENT);
    APP_WindowProc(os::MSG_KEYDOWN, 'Q', 0);
    APP_Frame();
    EXPECT_EQ(rec->CallCount(gfx::CALL_PRESENT), presents + 1);
    EXPECT_EQ(rec->LastClearColour() & 0x00FFFFFFu, 0u);   // opaque black
    EXPECT_EQ(KEY_Pressed['Q'], 0);
    EXPECT_EQ(KEY_Last, 0);
    EXPECT_TRUE(KEY_Down['Q']);
}

} // namespace
