// Log.txt: header, entry and length limits, banner layouts, clipboard copy.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/app.h"
#include "app/clock.h"
#include "app/err.h"
#include "core/log.h"
#include "core/settings.h"
#include "platform/os/os.h"
#include "test_support.h"

namespace {

class LogTest : public LoggedTest {
protected:
    void SetUp() override
    {
        OpenLogIn("logtest");
        LOG_ResetForTests();   // each test opens the log itself
        TIM_RealTime = 0.0f;
    }
    std::string Read() { return TEST_ReadText(dir_ + "/Log.txt"); }
    static int Count(const std::string& text, const std::string& what)
    {
        int n = 0;
        for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
        return n;
    }
};

TEST_F(LogTest, HeaderAndLineLayouts)
{
    TIM_RealTime = 83.456f;
    LOG_Open();
    LOG_Write("hello %d", 7);
    LOG_Close(true);
    std::string log = Read();
    EXPECT_EQ(log.rfind("\n//---------------------------------------------\n// Zan Dor Log Created\n"
                        "//---------------------------------------------\n\n", 0), 0u);
    EXPECT_NE(log.find("01:23.46 : Zan Dor v1.12.0 (Taglum Games)\n"), std::string::npos);
    EXPECT_NE(log.find("01:23.46 : Operating System : "), std::string::npos);
    EXPECT_NE(log.find("01:23.46 : hello 7\n"), std::string::npos);
    EXPECT_NE(log.find("// Closing Log\n"), std::string::npos);
}

TEST_F(LogTest, TimeStampForms)
{
    struct Case { float t; const char* log; const char* shortForm; } cases[] = {
        {0.0f, "00:00.00", "0:00"}, {59.999f, "00:60.00", "0:59"}, {61.5f, "01:01.50", "1:01"},
        {3725.25f, "62:05.25", "62:05"},
    };
    for (const Case& c : cases) {
        TIM_RealTime = c.t;
        EXPECT_STREQ(TIM_Stamp(false), c.log) << c.t;
        EXPECT_STREQ(TIM_Stamp(true), c.shortForm) << c.t;
    }
}

TEST_F(LogTest, FatalBannerHasNoLineFeedOfItsOwn)
{
    LOG_Open();
    LOG_Fatal("broken %s", "thing");
    LOG_Close(false);
    EXPECT_NE(Read().find("\n*************************** \\/ FATAL \\/ ***************************\n"
                          "00:00.00 : broken thing\n"
                          "*************************** /\\ FATAL /\\ ***************************\n"),
              std::string::npos);
}

TEST_F(LogTest, EntryLimitAndLengthLimit)
{
    LOG_Open();   // the header uses three entries
    std::string big(600, 'x');
    big.replace(0, 5, "START");
    LOG_Write("%s", big.c_str());   // one entry, replaced by the notice
    for (int i = 0; i < 1200; ++i) LOG_Write("line %d", i);
    LOG_Close(true);   // dropped: the limit is reached
    std::string log = Read();
    EXPECT_NE(log.find("\n*** Log file entry exceeded limit (STARTxxxxxxxxxxxxxxxxxxxxxxxxxxx) ***\n"),
              std::string::npos);
    EXPECT_EQ(Count(log, "\n*** Log file limit reached ***\n"), 1);
    // 3 header entries + 1 long one + 995 lines = 999 admitted entries.
    EXPECT_NE(log.find(" : line 994\n"), std::string::npos);
    EXPECT_EQ(log.find(" : line 995\n"), std::string::npos);
    EXPECT_EQ(log.find("Closing Log"), std::string::npos);
}

TEST_F(LogTest, WritesBeforeOpenLeaveNoTrace)
{
    LOG_Write("early");
    LOG_Open();
    LOG_Close(false);
    EXPECT_EQ(Read().find("early"), std::string::npos);
}

TEST_F(LogTest, UnwritableFolderGivesLG0Report)
{
    APP_DataDir = dir_ + "/missing/deeper";
    uint8_t quit = APP_Quit;
    ERR_ResetForTests();
    LOG_Open();
    EXPECT_FALSE(LOG_IsOpen());
    ASSERT_FALSE(os::FAKE_MessageBoxes().empty());
    EXPECT_NE(os::FAKE_MessageBoxes().front().find("Can't open the log file : LG0"), std::string::npos);
    EXPECT_TRUE(APP_Quit);
    ERR_ResetForTests();
    APP_Quit = quit;
}

TEST_F(LogTest, ClipboardCopyAndItsFailure)
{
    // Without a window there is no clipboard to open: the log continues with the reason.
    LOG_Open();
    LOG_Write("before copy");
    EXPECT_FALSE(LOG_CopyToClipboard());
    EXPECT_TRUE(LOG_IsOpen());
    LOG_Close(false);
    std::string log = Read();
    size_t cont = log.find("// Log Continued\n");
    ASSERT_NE(cont, std::string::npos);
    EXPECT_NE(log.find(" : Couldn't open clipboard\n", cont), std::string::npos);

    ASSERT_TRUE(os::OS_CreateWindow("Zan Dor", nullptr));
    LOG_Continue();
    LOG_Write("second");
    ASSERT_TRUE(LOG_CopyToClipboard());
    EXPECT_FALSE(LOG_IsOpen());
    EXPECT_EQ(os::OS_GetClipboardText(), Read());

    os::FAKE_SetClipboardFails(true);
    LOG_Continue();
    EXPECT_FALSE(LOG_CopyToClipboard());
    LOG_Close(false);
    EXPECT_NE(Read().find(" : Couldn't copy log to clipboard\n"), std::string::npos);
    os::FAKE_SetClipboardFails(false);
}

} // namespace
