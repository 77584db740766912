// Settings: the install and data folders, Config.txt and Settings.txt keys, the atomic save,
// bad input in every file, and the registry helpers with the wide-string text form.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/app.h"
#include "core/settings.h"
#include "platform/os/os.h"

namespace fs = std::filesystem;

namespace {

void ResetConfig()
{
    CFG_Width = 800;
    CFG_Height = 600;
    CFG_Windowed = 0;
    CFG_TestForHoles = 0;
    CFG_Mute = 0;
    CFG_NoSound = 0;
    CFG_XOffset = 0;
    CFG_YOffset = 0;
    CFG_LogMem = 0;
    CFG_PlayArcade = 0;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream f(path, std::ios::binary);
    f << bytes;
}

// Fixed junk: every byte value, zeros included, from a small generator.
std::string Junk(size_t size)
{
    std::string s(size, '\0');
    uint32_t x = 12345;
    for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = (char)(x >> 16);
    }
    return s;
}

// Install and data folders of their own for every test; defaults restored around it.
class Settings : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::path(getenv("HOME")) / ("settings-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "install");
        fs::create_directories(root_ / "data");
        savedInstall_ = APP_InstallDir;
        savedData_ = APP_DataDir;
        APP_InstallDir = (root_ / "install").string();
        APP_DataDir = (root_ / "data").string();
        ResetConfig();
        os::FAKE_SetDesktopSize(1920, 1080);
    }
    void TearDown() override
    {
        ResetConfig();
        APP_InstallDir = savedInstall_;
        APP_DataDir = savedData_;
        APP_Quit = 0;
        fs::remove_all(root_);
    }
    fs::path Config() const { return root_ / "install" / "Config.txt"; }
    fs::path SettingsFile() const { return root_ / "data" / "Settings.txt"; }

    fs::path root_;
    std::string savedInstall_, savedData_;
};

} // namespace

TEST_F(Settings, ConfigKeys)
{
    struct Case {
        const char* text; int deskW, deskH;
        int width, height; uint8_t windowed, holes, mute, nosound; int x, y; uint8_t logmem;
    };
    const Case cases[] = {
        {"#width(1024)\n#HEIGHT(768)\n", 800, 600, 800, 600, 0, 0, 0, 0, 0, 0, 0},     // too big for the screen
        {"#width(1024)\n#HEIGHT(768)\n", 1024, 600, 800, 600, 0, 0, 0, 0, 0, 0, 0},
        {"#width(1024)\n#HEIGHT(768)\n", 1920, 1080, 1024, 768, 0, 0, 0, 0, 0, 0, 0},
        {"#WIDTH(1280)\n#HEIGHT(768)\n", 800, 600, 1280, 768, 0, 0, 0, 0, 0, 0, 0},    // only 1024 x 768 is checked
        {"#WIDTH()\n#HEIGHT(700)\n", 1920, 1080, 0, 700, 0, 0, 0, 0, 0, 0, 0},        // empty parentheses give 0
        {"#WIDTH(640) #WIDTH(1280)", 1920, 1080, 640, 600, 0, 0, 0, 0, 0, 0, 0},      // first occurrence wins
        {"#WINDOWED(0)\n#MUTE\n#nosound\n#TestForHoles\n#LOGMEM(0)\n#XOFFSET(-20)\n#YOFFSET(35)\n", 1920, 1080,
         800, 600, 1, 1, 1, 1, -20, 35, 1},                                          // presence ignores values
        {"", 1920, 1080, 800, 600, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ResetConfig();
        WriteFile(Config(), c.text);
        os::FAKE_SetDesktopSize(c.deskW, c.deskH);
        EXPECT_TRUE(CFG_ReadConfig());
        EXPECT_EQ(CFG_Width, c.width);
        EXPECT_EQ(CFG_Height, c.height);
        EXPECT_EQ(CFG_Windowed, c.windowed);
        EXPECT_EQ(CFG_TestForHoles, c.holes);
        EXPECT_EQ(CFG_Mute, c.mute);
        EXPECT_EQ(CFG_NoSound, c.nosound);
        EXPECT_EQ(CFG_XOffset, c.x);
        EXPECT_EQ(CFG_YOffset, c.y);
        EXPECT_EQ(CFG_LogMem, c.logmem);
    }
}

TEST_F(Settings, PlayArcadeSwitchTakesOnlyADifficulty)
{
    const struct { const char* text; int value; } cases[] = {
        {"#PLAYARCADE(1)\n", 1},
        {"#WINDOWED\n#playarcade(3)\n", 3},
        {"#PLAYARCADE(2) #PLAYARCADE(1)", 2},   // first occurrence wins
        {"#PLAYARCADE(0)\n", 0},
        {"#PLAYARCADE(7)\n", 0},
        {"#PLAYARCADE(-2)\n", 0},
        {"#PLAYARCADE\n", 0},
        {"#WINDOWED\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ResetConfig();
        WriteFile(Config(), c.text);
        EXPECT_TRUE(CFG_ReadConfig());
        EXPECT_EQ(CFG_PlayArcade, c.value);
    }
}

TEST_F(Settings, SettingsOverrideConfigWithoutTheScreenCheck)
{
    EXPECT_FALSE(CFG_ReadConfig());  // no Config.txt: defaults stay
    EXPECT_FALSE(CFG_ReadSettings());
    EXPECT_EQ(CFG_Width, 800);
    EXPECT_EQ(CFG_Height, 600);

    os::FAKE_SetDesktopSize(800, 600);
    WriteFile(Config(), "#WIDTH(1024)\n#HEIGHT(768)\n#WINDOWED\n");
    WriteFile(SettingsFile(), "#WINDOWED(0)\n#WIDTH(1024)\n#HEIGHT(768)\n");
    CFG_ReadConfig();
    EXPECT_EQ(CFG_Width, 800);
    EXPECT_EQ(CFG_Windowed, 1);
    EXPECT_TRUE(CFG_ReadSettings());
    EXPECT_EQ(CFG_Width, 1024);
    EXPECT_EQ(CFG_Height, 768);
    EXPECT_EQ(CFG_Windowed, 0);

    // Only what is present changes.
    WriteFile(SettingsFile(), "#windowed(2)\n");
    EXPECT_TRUE(CFG_ReadSettings());
    EXPECT_EQ(CFG_Windowed, 1);
    EXPECT_EQ(CFG_Width, 1024);
}

TEST_F(Settings, SaveWritesThreeLinesAndReplacesTheFileWhole)
{
    WriteFile(SettingsFile(), "an older, longer file that must not leave a tail behind\n");
    CFG_Windowed = 7;  // any non-zero flag is written as 1
    CFG_Width = 1280;
    CFG_Height = 720;
    ASSERT_TRUE(CFG_SaveSettings());
    EXPECT_EQ(ReadFile(SettingsFile()), "#WINDOWED(1)\n#WIDTH(1280)\n#HEIGHT(720)\n");
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(root_ / "data")) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Settings.txt"});

    ResetConfig();
    ASSERT_TRUE(CFG_ReadSettings());
    EXPECT_EQ(CFG_Windowed, 1);
    EXPECT_EQ(CFG_Width, 1280);
    EXPECT_EQ(CFG_Height, 720);
    EXPECT_EQ(APP_Quit, 0);

    // A data folder that cannot hold files (it sits under a plain file) raises ST1.
    WriteFile(root_ / "plain", "x");
    APP_DataDir = (root_ / "plain" / "sub").string();
    EXPECT_FALSE(CFG_SaveSettings());
    EXPECT_EQ(APP_Quit, 1);
}

TEST_F(Settings, BadFilesKeepTheDefaultsAndAreLeftAlone)
{
    const std::string big = Junk(10 * 1024 * 1024);
    const std::string longText = std::string(10 * 1024 * 1024, 'x') + " #MUTE";
    struct Case { const char* name; std::string bytes; bool configMute; };
    const Case cases[] = {
        {"empty", "", false},
        {"junk", Junk(4096), false},
        {"10 MB of junk", big, false},
        {"10 MB then a key", longText, true},
        {"unbalanced", "((((#)))((", false},
        {"cut short", "#WINDOWED(", false},
        {"keys without values", "#WINDOWED #WIDTH #HEIGHT", false},
        {"values that are not numbers", "#WINDOWED(yes)#WIDTH(wide)#HEIGHT(1e3)", false},
        {"sizes of zero or less", "#WIDTH(0)\n#HEIGHT(-600)\n", false},
        {"a zero byte ends the text", std::string("\0#WIDTH(5)#MUTE", 15), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetConfig();
        WriteFile(SettingsFile(), c.bytes);
        CFG_ReadSettings();
        EXPECT_EQ(CFG_Width, 800);
        EXPECT_EQ(CFG_Height, 600);
        EXPECT_EQ(CFG_Windowed, 0);
        EXPECT_EQ(ReadFile(SettingsFile()), c.bytes);  // reading never rewrites

        ResetConfig();
        WriteFile(Config(), c.bytes);
        CFG_ReadConfig();
        EXPECT_EQ(CFG_Mute, c.configMute);
        EXPECT_EQ(CFG_NoSound, 0);
        EXPECT_EQ(CFG_LogMem, 0);
        EXPECT_EQ(CFG_XOffset, 0);
        EXPECT_EQ(ReadFile(Config()), c.bytes);
    }
}

TEST_F(Settings, InstallFolderIsWhereTheArchiveIs)
{
    const fs::path saved = fs::current_path();
    fs::current_path(root_ / "install");

    APP_FindInstallDir();
    EXPECT_EQ(APP_InstallDir, ".");  // no archive here or beside the program

    WriteFile(root_ / "install" / "Zandor.lmo", "LMO");
    APP_FindInstallDir();
    EXPECT_EQ(APP_InstallDir, os::OS_CurrentDir());
    EXPECT_NE(APP_InstallDir.back(), '/');

    // Started from another folder: the archive beside the program is found.
    fs::current_path(root_);
    const fs::path exeArchive = fs::path(os::OS_ExecutableDir()) / "Zandor.lmo";
    if (!fs::exists(exeArchive)) {
        WriteFile(exeArchive, "LMO");
        APP_FindInstallDir();
        EXPECT_EQ(fs::path(APP_InstallDir), fs::path(os::OS_ExecutableDir()));
        fs::remove(exeArchive);
    }
    fs::current_path(saved);
}

TEST_F(Settings, DataFolderUnderTheUsersAppDataOrTheInstallFolder)
{
    const char* oldXdg = getenv("XDG_DATA_HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";

    setenv("XDG_DATA_HOME", (root_ / "xdg").c_str(), 1);
    APP_FindDataDir();
    const fs::path expected = root_ / "xdg" / "Taglum Games" / "Zandor";
    EXPECT_EQ(fs::path(APP_DataDir), expected);
    EXPECT_TRUE(fs::is_directory(expected));
    EXPECT_FALSE(fs::exists(expected / "Zandor"));  // the write probe is cleaned up
    WriteFile(expected / "Settings.txt", "#WIDTH(1024)");
    APP_FindDataDir();
    EXPECT_EQ(fs::path(APP_DataDir), expected);

    // Nowhere to make the folder: the install folder takes the per-user files.
    WriteFile(root_ / "plain", "x");
    setenv("XDG_DATA_HOME", (root_ / "plain").c_str(), 1);
    APP_FindDataDir();
    EXPECT_EQ(APP_DataDir, APP_InstallDir);

    if (oldXdg) setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
}

namespace {

// The registry key opened for every test (the store lives in the test HOME).
class Registry : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(REG_Create(REG_KEY_PATH)); }

    static std::string Raw(const char* name)
    {
        char buf[256] = {};
        if (!REG_ReadData(name, buf, sizeof buf - 1)) return "<missing>";
        return buf;
    }
};

} // namespace

TEST_F(Registry, WideStringTextForm)
{
    struct Case { std::u16string text; const char* stored; };
    const Case cases[] = {
        {u"", "0"},
        {u"Abc", "3 65 98 99"},
        {u"Zo\u00eb \u4e2d", "5 90 111 235 32 20013"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(REG_WriteWideString("CurrentPlayer", c.text.c_str()));
        EXPECT_EQ(Raw("CurrentPlayer"), c.stored);
        char16_t out[32];
        out[0] = u'?';
        ASSERT_TRUE(REG_ReadWideString("CurrentPlayer", out, sizeof out));
        EXPECT_EQ(std::u16string(out), c.text);
    }
}

TEST_F(Registry, BadWideStringsFailWithoutOverrunningTheBuffer)
{
    struct Case { const char* stored; uint32_t limit; bool ok; std::u16string text; };
    const Case cases[] = {
        {"2 65 66", 16, true, u"AB"},
        {"3 65 98 99", 8, true, u"Abc"},        // exactly fits with its zero
        {"4 65 66 67 68", 8, false, u""},       // one too many for the caller's buffer
        {"", 16, false, u""},
        {"3 65 98", 16, false, u""},            // ends before the count
        {"-1 65", 16, false, u""},
        {"abc", 16, false, u""},
        {"99999999999 1", 16, false, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        ASSERT_TRUE(REG_WriteString("CurrentPlayer", c.stored));
        char16_t out[16];
        for (char16_t& u : out) u = 0x7777;
        EXPECT_EQ(REG_ReadWideString("CurrentPlayer", out, c.limit), c.ok);
        if (c.ok) EXPECT_EQ(std::u16string(out), c.text);
        for (size_t i = c.limit / 2; i < 16; i++) EXPECT_EQ(out[i], 0x7777) << i;
    }
    char16_t out[4] = {u'x', 0};
    EXPECT_FALSE(REG_ReadWideString("NoSuchValue", out, sizeof out));
    EXPECT_EQ(out[0], u'x');
}

TEST_F(Registry, IntsAndBools)
{
    int v = 0;
    ASSERT_TRUE(REG_WriteInt("Number", -123456));
    ASSERT_TRUE(REG_ReadInt("Number", &v));
    EXPECT_EQ(v, -123456);

    uint8_t flag = 9;
    ASSERT_TRUE(REG_WriteInt("Number", 5));
    ASSERT_TRUE(REG_ReadBool("Number", &flag));
    EXPECT_EQ(flag, 1);
    ASSERT_TRUE(REG_WriteBool("Number", false));
    ASSERT_TRUE(REG_ReadInt("Number", &v));
    EXPECT_EQ(v, 0);
    ASSERT_TRUE(REG_WriteBool("Flag", true));
    ASSERT_TRUE(REG_ReadInt("Flag", &v));
    EXPECT_EQ(v, 1);

    flag = 9;
    v = 77;
    EXPECT_FALSE(REG_ReadBool("Missing", &flag));
    EXPECT_FALSE(REG_ReadInt("Missing", &v));
    EXPECT_EQ(flag, 9);
    EXPECT_EQ(v, 77);

    // Without an open key every call fails and the readers keep their defaults.
    EXPECT_FALSE(REG_Create(nullptr));
    EXPECT_FALSE(REG_ReadInt("Flag", &v));
    EXPECT_FALSE(REG_WriteInt("Flag", 1));
    EXPECT_EQ(v, 77);
}

TEST_F(Registry, DamagedStoreKeepsDefaults)
{
    const std::string path = os::OS_RegFilePath();
    ASSERT_FALSE(path.empty());
    struct Case { const char* name; std::string bytes; };
    const Case cases[] = {
        {"empty", ""},
        {"junk", Junk(4096)},
        {"10 MB of junk", Junk(10 * 1024 * 1024)},
        {"unbalanced", "((((CurrentPlayer)))(("},
        {"names without values", "CurrentPlayer\nFlag\nNumber\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(path, c.bytes);
        REG_Create(REG_KEY_PATH);
        int v = 77;
        uint8_t flag = 9;
        char16_t name[32] = {u'x', 0};
        EXPECT_FALSE(REG_ReadInt("Number", &v));
        EXPECT_FALSE(REG_ReadBool("Flag", &flag));
        EXPECT_FALSE(REG_ReadWideString("CurrentPlayer", name, sizeof name));
        EXPECT_EQ(v, 77);
        EXPECT_EQ(flag, 9);
        EXPECT_EQ(name[0], u'x');
    }
    // The store still works afterwards.
    ASSERT_TRUE(REG_Create(REG_KEY_PATH));
    ASSERT_TRUE(REG_WriteInt("Number", 3));
    int v = 0;
    EXPECT_TRUE(REG_ReadInt("Number", &v));
    EXPECT_EQ(v, 3);
}
