// Error reports and web links: the fatal report's boxes, clipboard copy and report page, the
// first context kept, invalid resources, opening addresses, and the small text helpers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/clock.h"
#include "app/err.h"
#include "core/log.h"
#include "core/settings.h"
#include "platform/os/os.h"

namespace {

std::vector<std::string> g_events;   // what the hooks saw, in order

class ErrTest : public testing::Test {
protected:
    void SetUp() override
    {
        os::FAKE_Reset();
        LOG_ResetForTests();
        ERR_ResetForTests();
        APP_Quit = 0;
        APP_Active = 1;
        APP_DeviceReady = 1;
        TIM_RealTime = 0.0f;
        g_events.clear();
        static int n = 0;
        dir_ = std::string(getenv("HOME")) + "/err" + std::to_string(++n);
        os::OS_MakeDir(dir_);
        saved_ = APP_DataDir;
        APP_DataDir = dir_;
    }
    void TearDown() override
    {
        LOG_ResetForTests();
        ERR_ResetForTests();
        APP_Quit = 0;
        APP_DataDir = saved_;
        os::FAKE_SetMessageBoxAnswer(0);
    }
    std::string ReadLog()
    {
        std::ifstream f(dir_ + "/Log.txt");
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    static void InstallRecordingHooks()
    {
        ErrHooks hooks;
        hooks.audioFocus = [] {
            g_events.push_back(std::string("audio active=") + std::to_string(APP_Active) + " ready=" +
                               std::to_string(APP_DeviceReady));
        };
        hooks.setToWindowed = [] {
            g_events.push_back("windowed boxes=" + std::to_string(os::FAKE_MessageBoxes().size()));
        };
        hooks.cardName = [] { return "Test Card 3000"; };
        hooks.resultName = [](long r) -> const char* { return r == -1 ? "GFX_DEVICELOST" : nullptr; };
        ERR_SetHooks(hooks);
    }
    std::string dir_, saved_;
};

TEST_F(ErrTest, FatalReportShowsBothBoxesCopiesTheLogAndQuits)
{
    os::OS_CreateWindow("Zan Dor", [](uint32_t m, uintptr_t w, intptr_t l) { return os::OS_DefWindowProc(m, w, l); });
    InstallRecordingHooks();
    LOG_Open();
    EXPECT_FALSE(ERR_Fatal("Failed to create %s", "the device"));
    EXPECT_TRUE(APP_Quit);

    const auto& boxes = os::FAKE_MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "Zan Dor Report|Zan Dor has encountered the following problem :    \n"
                        "\"Failed to create the device\"    ");
    EXPECT_EQ(boxes[1], "Zan Dor Report|We are sorry that Zan Dor was unable to run correctly.\n\n"
                        "Please help us to resolve this problem via our online report page.   \n"
                        "Click 'OK' to continue to our support page or 'Cancel' to close the game.    \n\n"
                        "Thank you,\nsupport@zandor.example.org");
    // The sound fades with the device marked unusable, and full screen is left before any box.
    EXPECT_EQ(g_events, (std::vector<std::string>{"audio active=0 ready=0", "windowed boxes=0"}));
    // Cancel (the default answer) opens nothing; the log is on the clipboard either way.
    EXPECT_TRUE(os::FAKE_OpenedURLs().empty());
    EXPECT_NE(os::OS_GetClipboardText().find("Zan Dor Report : Failed to create the device"), std::string::npos);
    // The rest of the run is still logged.
    LOG_Write("after the report");
    LOG_Close(true);
    std::string log = ReadLog();
    EXPECT_NE(log.find("// Log Continued"), std::string::npos);
    EXPECT_NE(log.find("after the report"), std::string::npos);
    EXPECT_NE(log.find("// Closing Log"), std::string::npos);
}

TEST_F(ErrTest, SecondFatalShowsNothing)
{
    ERR_Fatal("first");
    size_t boxes = os::FAKE_MessageBoxes().size();
    EXPECT_EQ(boxes, 2u);
    // Also from inside the first report: a hook that raises another one.
    ERR_ResetForTests();
    os::FAKE_Reset();
    ErrHooks hooks;
    hooks.setToWindowed = [] { ERR_Fatal("raised while leaving full screen"); };
    ERR_SetHooks(hooks);
    EXPECT_FALSE(ERR_Fatal("outer"));
    ASSERT_EQ(os::FAKE_MessageBoxes().size(), 2u);
    EXPECT_NE(os::FAKE_MessageBoxes()[0].find("\"outer\""), std::string::npos);
    EXPECT_FALSE(ERR_Fatal("later"));
    EXPECT_EQ(os::FAKE_MessageBoxes().size(), 2u);
}

TEST_F(ErrTest, FirstContextIsKeptAndQuoted)
{
    LOG_Open();
    EXPECT_FALSE(ERR_Note("DSU01", "DSU01 : DirectSoundCreate8 : %s", "no device"));
    EXPECT_FALSE(ERR_Note("SND01", "SND01 : Failed to Initialise SoundManager : %s", "no device"));
    EXPECT_STREQ(ERR_Context(), "DSU01");
    EXPECT_FALSE(APP_Quit);   // notes only log
    EXPECT_TRUE(os::FAKE_MessageBoxes().empty());
    ERR_Fatal("Ran Out Of OGG Space");
    ASSERT_FALSE(os::FAKE_MessageBoxes().empty());
    EXPECT_NE(os::FAKE_MessageBoxes()[0].find("\"Ran Out Of OGG Space (C:DSU01)\""), std::string::npos);
    LOG_Close(false);
    std::string log = ReadLog();
    EXPECT_NE(log.find(" : Zan Dor Report : DSU01 : DirectSoundCreate8 : no device\n"), std::string::npos);
    EXPECT_NE(log.find(" : Zan Dor Report : SND01 : Failed to Initialise SoundManager : no device\n"), std::string::npos);
    EXPECT_NE(log.find(" : Zan Dor Report : Ran Out Of OGG Space (C:DSU01)\n"), std::string::npos);
}

TEST_F(ErrTest, OkOpensTheReportPageWithHyphensAndTheShortTimeStamp)
{
    InstallRecordingHooks();
    os::FAKE_SetMessageBoxAnswer(os::BOX_RESULT_OK);
    TIM_RealTime = 125.9f;
    ERR_Fatal("Device lost #%d at %s", 2, "start up");
    ASSERT_EQ(os::FAKE_OpenedURLs().size(), 1u);
    EXPECT_EQ(os::FAKE_OpenedURLs()[0], "https://zandor.example.org/Support/Report.htm?Game=Zandor&Version=1.12.0"
                                        "&Error=Device-lost--2-at-start-up-(2:05)&Card=Test-Card-3000");
    EXPECT_TRUE(APP_Quit);

    // Without a display device the adapter is named as such.
    ERR_ResetForTests();
    os::FAKE_Reset();
    os::FAKE_SetMessageBoxAnswer(os::BOX_RESULT_OK);
    TIM_RealTime = 3.0f;
    ERR_Fatal("x");
    ASSERT_EQ(os::FAKE_OpenedURLs().size(), 1u);
    EXPECT_EQ(os::FAKE_OpenedURLs()[0], "https://zandor.example.org/Support/Report.htm?Game=Zandor&Version=1.12.0"
                                        "&Error=x-(0:03)&Card=No-Card-Found");
}

TEST_F(ErrTest, InvalidResourcesShowsItsBoxUnlessAlreadyQuitting)
{
    APP_Quit = 1;
    ERR_InvalidResources("Invalid LMO Files Found : LM89");
    EXPECT_TRUE(os::FAKE_MessageBoxes().empty());

    APP_Quit = 0;
    InstallRecordingHooks();
    LOG_Open();
    ERR_InvalidResources("Invalid LMO Files Found : LM89");
    EXPECT_TRUE(APP_Quit);
    ASSERT_EQ(os::FAKE_MessageBoxes().size(), 1u);
    EXPECT_EQ(os::FAKE_MessageBoxes()[0],
              "Invalid LMO Files Found : LM89|Zan Dor has detected invalid resources in the installation path.\n"
              "Please download the latest version from https://zandor.example.org/download and reinstall.");
    EXPECT_TRUE(g_events.empty());   // the display mode is left alone
    LOG_Close(false);
    EXPECT_NE(ReadLog().find(" : Get Latest Version : Invalid LMO Files Found : LM89\n"), std::string::npos);
    // It is not the fatal report: that one still shows afterwards.
    APP_Quit = 0;
    ERR_Fatal("later");
    EXPECT_EQ(os::FAKE_MessageBoxes().size(), 3u);
}

TEST_F(ErrTest, OpenUrlReplacesSpacesAndHashesAndRestoresTheFlags)
{
    InstallRecordingHooks();
    LOG_Open();
    APP_OpenURL("%s/HighScores/%s.htm?x=%s", "https://zandor.example.org", "Zandor", "a b#c 100%");
    ASSERT_EQ(os::FAKE_OpenedURLs().size(), 1u);
    EXPECT_EQ(os::FAKE_OpenedURLs()[0], "https://zandor.example.org/HighScores/Zandor.htm?x=a-b-c-100%");
    EXPECT_TRUE(APP_Active);
    EXPECT_TRUE(APP_DeviceReady);
    EXPECT_EQ(g_events, (std::vector<std::string>{"audio active=0 ready=0", "windowed boxes=0"}));
    LOG_Close(false);
    EXPECT_NE(ReadLog().find(" : Opening URL = \"https://zandor.example.org/HighScores/Zandor.htm?x=a-b-c-100%\"\n"),
              std::string::npos);
}

TEST_F(ErrTest, TextHelpers)
{
    const struct {
        uint8_t byte;
        const char* text;
    } hex[] = {{0, "00"}, {9, "09"}, {0x0A, "0A"}, {0x7F, "7F"}, {0xC3, "C3"}, {0xFF, "FF"}};
    for (const auto& h : hex) EXPECT_STREQ(STR_HexByte(h.byte), h.text);

    EXPECT_STREQ(ERR_DxName(-1), "Unknown Error (-1)");
    InstallRecordingHooks();
    EXPECT_STREQ(ERR_DxName(-1), "GFX_DEVICELOST");
    EXPECT_STREQ(ERR_DxName(-77), "Unknown Error (-77)");

    LOG_Open();
    ERR_LogSupport();
    LOG_Close(false);
    std::string log = ReadLog();
    EXPECT_NE(log.find(" : Support Site : https://zandor.example.org\n"), std::string::npos);
    EXPECT_NE(log.find(" : Support Email : support@zandor.example.org\n"), std::string::npos);
}

} // namespace
