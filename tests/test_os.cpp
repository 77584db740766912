// Tests of platform/os: the SDL key map, accelerators, the fake backend's records, the registry
// store, files and listing, scripted runs, fixed-step time and the SDL event translation.
#include <gtest/gtest.h>
#include <algorithm>
#include <SDL.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>
#include "platform/os/os.h"

using namespace os;
namespace fs = std::filesystem;

namespace {

std::vector<Message> g_seen;

intptr_t RecordingProc(uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    g_seen.push_back(Message{msg, wParam, lParam});
    if (msg == MSG_GETMINMAXINFO) {
        auto* mmi = (MinMaxInfo*)lParam;
        mmi->minTrackX = 100;
        mmi->minTrackY = 100;
    }
    return 0;
}

// The app's pump, as the game runs it: accelerators first, then the window procedure.
void PumpLikeTheGame()
{
    Message m;
    while (OS_PeekMessage(&m))
        if (!OS_TranslateAccelerator(m)) OS_DispatchMessage(m);
}

std::vector<Message> Drain()
{
    std::vector<Message> out;
    Message m;
    while (OS_PeekMessage(&m)) out.push_back(m);
    return out;
}

std::string ReadText(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
}

std::string FreshDir(const char* name)
{
    std::string dir = std::string(getenv("HOME")) + "/" + name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

class OsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OS_UseBackend(BACKEND_FAKE);
        FAKE_Reset();
        g_seen.clear();
    }
    void TearDown() override
    {
        FAKE_Reset();
        OS_RegClose();
    }
};

// ---- Key map ----

TEST(OsKeyMap, SdlKeysBecomeVirtualKeys)
{
    struct Case { int32_t key; int32_t scan; int vk; };
    const Case cases[] = {
        {SDLK_a, SDL_SCANCODE_A, 0x41}, {SDLK_z, SDL_SCANCODE_Z, 0x5A}, {SDLK_0, SDL_SCANCODE_0, 0x30},
        {SDLK_9, SDL_SCANCODE_9, 0x39}, {SDLK_F1, SDL_SCANCODE_F1, 0x70}, {SDLK_F12, SDL_SCANCODE_F12, 0x7B},
        {SDLK_RETURN, SDL_SCANCODE_RETURN, 13}, {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 13},
        {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 16}, {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 16},
        {SDLK_LCTRL, SDL_SCANCODE_LCTRL, 17}, {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 17},
        {SDLK_LALT, SDL_SCANCODE_LALT, 18}, {SDLK_RALT, SDL_SCANCODE_RALT, 18},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27}, {SDLK_SPACE, SDL_SCANCODE_SPACE, 32},
        {SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, 33}, {SDLK_PAGEDOWN, SDL_SCANCODE_PAGEDOWN, 34},
        {SDLK_END, SDL_SCANCODE_END, 35}, {SDLK_HOME, SDL_SCANCODE_HOME, 36},
        {SDLK_LEFT, SDL_SCANCODE_LEFT, 37}, {SDLK_UP, SDL_SCANCODE_UP, 38},
        {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 39}, {SDLK_DOWN, SDL_SCANCODE_DOWN, 40},
        {SDLK_INSERT, SDL_SCANCODE_INSERT, 45}, {SDLK_DELETE, SDL_SCANCODE_DELETE, 46},
        {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 8}, {SDLK_TAB, SDL_SCANCODE_TAB, 9},
        {SDLK_KP_0, SDL_SCANCODE_KP_0, 0x60}, {SDLK_KP_9, SDL_SCANCODE_KP_9, 0x69},
        // The layout decides letters: on a French keyboard the key at Q's place types A.
        {SDLK_a, SDL_SCANCODE_Q, 0x41},
        // A Cyrillic layout still has letter keys: their position decides.
        {0x444, SDL_SCANCODE_A, 0x41},
        {SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OS_VirtualKeyFromSdl(c.key, c.scan), c.vk) << "SDL key " << c.key;
}

// ---- Accelerators ----

TEST_F(OsTest, AcceleratorsTurnF1F2AltF4IntoCommandsBeforeTheKeyState)
{
    ASSERT_TRUE(OS_CreateWindow("Zan Dor", RecordingProc));
    OS_LoadAccelerators();
    g_seen.clear();
    FAKE_PushMessage({MSG_KEYDOWN, 0x70, 0});
    FAKE_PushMessage({MSG_KEYUP, 0x70, 0});
    FAKE_PushMessage({MSG_KEYDOWN, 0x71, 0});
    FAKE_PushMessage({MSG_KEYDOWN, 0x73, KEYFLAG_ALT});
    FAKE_PushMessage({MSG_KEYDOWN, 0x73, 0});      // plain F4 is an ordinary key
    FAKE_PushMessage({MSG_KEYDOWN, 0x41, 0});
    PumpLikeTheGame();
    const std::vector<std::pair<uint32_t, uintptr_t>> want = {
        {MSG_COMMAND, CMD_F1}, {MSG_KEYUP, 0x70}, {MSG_COMMAND, CMD_F2}, {MSG_COMMAND, CMD_ALTF4},
        {MSG_KEYDOWN, 0x73}, {MSG_KEYDOWN, 0x41}};
    ASSERT_EQ(g_seen.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(g_seen[i].msg, want[i].first) << i;
        EXPECT_EQ(g_seen[i].wParam & 0xFFFF, want[i].second) << i;
    }
    EXPECT_EQ(g_seen[3].wParam, (uintptr_t)40012);
}

TEST_F(OsTest, WithoutAcceleratorsF1IsAKey)
{
    ASSERT_TRUE(OS_CreateWindow("Zan Dor", RecordingProc));
    g_seen.clear();
    FAKE_PushMessage({MSG_KEYDOWN, 0x70, 0});
    PumpLikeTheGame();
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].msg, (uint32_t)MSG_KEYDOWN);
}

// ---- Fake backend ----

TEST_F(OsTest, FakeRecordsWindowCursorAndDesktopRequests)
{
    ASSERT_TRUE(OS_CreateWindow("Zan Dor", RecordingProc));
    int mw = 0, mh = 0;
    FAKE_GetMinSize(&mw, &mh);
    EXPECT_EQ(mw, 100);   // the window procedure was asked for its limits at creation
    EXPECT_EQ(mh, 100);
    EXPECT_FALSE(FAKE_WindowVisible());
    OS_ShowWindow(true);
    EXPECT_TRUE(FAKE_WindowVisible());
    OS_SetWindowTitle("Title");
    EXPECT_EQ(FAKE_WindowTitle(), "Title");

    OS_SetClientSize(640, 480);
    OS_SetWindowPos(30, 40);
    int w, h, x, y;
    OS_GetClientSize(&w, &h);
    OS_GetWindowPos(&x, &y);
    EXPECT_EQ(w * 10000 + h, 640 * 10000 + 480);
    EXPECT_EQ(x * 10000 + y, 30 * 10000 + 40);
    FAKE_SetDesktopSize(1920, 1080);
    OS_SetFullScreen(true);
    EXPECT_TRUE(OS_IsFullScreen());
    OS_GetClientSize(&w, &h);
    EXPECT_EQ(w * 10000 + h, 1920 * 10000 + 1080);
    OS_SetFullScreen(false);
    OS_GetClientSize(&w, &h);
    EXPECT_EQ(w * 10000 + h, 640 * 10000 + 480);

    OS_SetCursor(CURSOR_POINTER_HELD);
    EXPECT_EQ(OS_GetCursor(), CURSOR_POINTER_HELD);
    OS_SetCursor(CURSOR_NONE);
    EXPECT_EQ(OS_GetCursor(), CURSOR_NONE);
    OS_SetCapture(true);
    EXPECT_TRUE(OS_HasCapture());
    Rect clip = {2, 2, 798, 598}, got = {};
    OS_ClipCursor(&clip);
    ASSERT_TRUE(OS_GetClip(&got));
    EXPECT_EQ(got.right, 798);
    OS_ClipCursor(nullptr);
    EXPECT_FALSE(OS_GetClip(&got));
    FAKE_SetCursorPos(12, 34);
    ASSERT_TRUE(OS_GetCursorPos(&x, &y));
    EXPECT_EQ(x * 10000 + y, 12 * 10000 + 34);

    EXPECT_TRUE(OS_SetClipboardText("log text"));
    EXPECT_EQ(OS_GetClipboardText(), "log text");
    FAKE_SetClipboardFails(true);
    EXPECT_FALSE(OS_SetClipboardText("x"));

    EXPECT_EQ(OS_MessageBox("It broke", "Zan Dor Report", BOX_OK | BOX_ICON_WARNING), BOX_RESULT_OK);
    EXPECT_EQ(OS_MessageBox("Report?", "Zan Dor Report", BOX_OKCANCEL | BOX_ICON_INFO), BOX_RESULT_CANCEL);
    FAKE_SetMessageBoxAnswer(BOX_RESULT_OK);
    EXPECT_EQ(OS_MessageBox("Report?", "Zan Dor Report", BOX_OKCANCEL), BOX_RESULT_OK);
    ASSERT_EQ(FAKE_MessageBoxes().size(), 3u);
    EXPECT_EQ(FAKE_MessageBoxes()[0], "Zan Dor Report|It broke");

    EXPECT_TRUE(OS_OpenURL("https://example.org/Support/Report.htm?Game=Zandor&Error=x-(0:01)"));
    ASSERT_EQ(FAKE_OpenedURLs().size(), 1u);
    EXPECT_EQ(FAKE_OpenedURLs()[0], "https://example.org/Support/Report.htm?Game=Zandor&Error=x-(0:01)");

    OS_Sleep(15);
    OS_Sleep(5);
    EXPECT_EQ(FAKE_SleptMs(), 20u);
}

TEST_F(OsTest, OnlyWebAndMailAddressesAreOpened)
{
    for (const char* bad : {"file:///etc/passwd", "-n https://example.org", "javascript:alert(1)",
                            "https://example.org/\nrm", "", "/usr/bin/xterm"})
        EXPECT_FALSE(OS_OpenURL(bad)) << bad;
    EXPECT_FALSE(OS_OpenURL(nullptr));
    EXPECT_TRUE(OS_OpenURL("mailto:support@example.org"));
    EXPECT_EQ(FAKE_OpenedURLs().size(), 1u);
}

TEST_F(OsTest, GetMessageNeverBlocksOnTheFakeAndStopsAtQuit)
{
    Message m;
    EXPECT_FALSE(OS_GetMessage(&m));
    FAKE_PushMessage({MSG_CLOSE, 0, 0});
    FAKE_PushMessage({MSG_QUIT, 0, 0});
    EXPECT_TRUE(OS_GetMessage(&m));
    EXPECT_EQ(m.msg, (uint32_t)MSG_CLOSE);
    EXPECT_FALSE(OS_GetMessage(&m));
    EXPECT_EQ(m.msg, (uint32_t)MSG_QUIT);
}

TEST_F(OsTest, BackBufferIsLetterboxedInFullScreen)
{
    struct Case { int deskW, deskH; bool full; Rect want; };
    const Case cases[] = {
        {1920, 1080, false, {0, 0, 800, 600}},
        {1920, 1080, true, {240, 0, 1680, 1080}},
        {1280, 1024, true, {0, 32, 1280, 992}},
        {1600, 1200, true, {0, 0, 1600, 1200}},
    };
    ASSERT_TRUE(OS_CreateWindow("Zan Dor", RecordingProc));
    OS_SetClientSize(800, 600);
    OS_SetBackBufferSize(800, 600);
    for (const Case& c : cases) {
        FAKE_SetDesktopSize(c.deskW, c.deskH);
        OS_SetFullScreen(c.full);
        Rect r = {};
        OS_GetPresentRect(&r);
        EXPECT_EQ(r.left, c.want.left) << c.deskW << "x" << c.deskH;
        EXPECT_EQ(r.top, c.want.top) << c.deskW << "x" << c.deskH;
        EXPECT_EQ(r.right, c.want.right) << c.deskW << "x" << c.deskH;
        EXPECT_EQ(r.bottom, c.want.bottom) << c.deskW << "x" << c.deskH;
    }
}

// ---- Time ----

TEST_F(OsTest, FixedStepCounterAdvancesExactlyOneStepPerReading)
{
    uint64_t v = 0, f = 0;
    FAKE_SetCounter(123);
    OS_SetFixedStepMs(16);
    ASSERT_TRUE(OS_CounterFrequency(&f));
    EXPECT_EQ(f, 1000000u);
    for (uint64_t i = 1; i <= 3; ++i) {
        ASSERT_TRUE(OS_QueryCounter(&v));
        EXPECT_EQ(v, i * 16000);
    }
    EXPECT_EQ(OS_TimeMs(), 48u);
    OS_SetFixedStepMs(0);
    ASSERT_TRUE(OS_QueryCounter(&v));
    EXPECT_EQ(v, 123u);
    FAKE_SetCounterAvailable(false);
    EXPECT_FALSE(OS_QueryCounter(&v));
}

TEST_F(OsTest, FixedStepComesFromTheEnvironmentForTheGame)
{
    unsetenv("ZANDOR_SCRIPT");
    setenv("ZANDOR_FIXED_STEP_MS", "10", 1);
    OS_UseBackend(BACKEND_SDL);   // reads the variable; no SDL call is made for the counter
    uint64_t a = 0, b = 0;
    EXPECT_TRUE(OS_QueryCounter(&a));
    EXPECT_TRUE(OS_QueryCounter(&b));
    unsetenv("ZANDOR_FIXED_STEP_MS");
    OS_UseBackend(BACKEND_FAKE);
    EXPECT_EQ(a, 10000u);
    EXPECT_EQ(b, 20000u);
    FAKE_SetCounter(7);
    OS_QueryCounter(&a);
    EXPECT_EQ(a, 7u);   // the fake ignores the environment
}

// ---- Files ----

TEST_F(OsTest, AtomicWriteReplacesTheFileAndLeavesNoTemporary)
{
    std::string dir = FreshDir("atomic");
    std::string path = dir + "/Settings.txt";
    ASSERT_TRUE(OS_WriteFileAtomic(path, "first", 5));
    ASSERT_TRUE(OS_WriteFileAtomic(path, "second", 6));
    std::vector<uint8_t> back;
    ASSERT_TRUE(OS_ReadFile(path, &back));
    EXPECT_EQ(std::string(back.begin(), back.end()), "second");
    EXPECT_FALSE(fs::exists(path + ".tmp"));
    // A target that cannot be replaced fails and still leaves no temporary behind.
    fs::create_directories(dir + "/folder");
    EXPECT_FALSE(OS_WriteFileAtomic(dir + "/folder", "x", 1));
    EXPECT_FALSE(fs::exists(dir + "/folder.tmp"));
}

TEST_F(OsTest, ReadFileRefusesHugeFilesAndFolders)
{
    std::string dir = FreshDir("huge");
    std::string path = dir + "/big.lmo";
    int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, (off_t)(257ll << 20)), 0);   // sparse: costs no disk
    close(fd);
    std::vector<uint8_t> out = {1, 2, 3};
    EXPECT_FALSE(OS_ReadFile(path, &out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(OS_ReadFile(dir, &out));
    EXPECT_FALSE(OS_ReadFile(dir + "/missing", &out));
}

TEST_F(OsTest, ListDirKeepsFilesEndingWithTheSuffixInListingOrder)
{
    std::string dir = FreshDir("listing");
    for (const char* n : {"b.lmo", "a.lmo", "zz.lmo", "c.LMO", "d.lmo.bak", "lmo"}) WriteText(dir + "/" + n, "x");
    fs::create_directories(dir + "/e.lmo");   // folders are not archives
    std::vector<std::string> want;
    DIR* d = opendir(dir.c_str());
    ASSERT_NE(d, nullptr);
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n.size() > 4 && n.compare(n.size() - 4, 4, ".lmo") == 0 && n != "e.lmo") want.push_back(n);
    }
    closedir(d);
    EXPECT_EQ(OS_ListDir(dir, ".lmo"), want);
    EXPECT_EQ(std::set<std::string>(want.begin(), want.end()), (std::set<std::string>{"a.lmo", "b.lmo", "zz.lmo"}));
    EXPECT_TRUE(OS_ListDir(dir + "/missing", ".lmo").empty());
}

TEST_F(OsTest, DataAndConfigFoldersFollowXdgVariables)
{
    std::string home = getenv("HOME");
    EXPECT_EQ(OS_AppDataDir(), home + "/.local/share");
    EXPECT_TRUE(fs::is_directory(home + "/.local/share"));
    setenv("XDG_DATA_HOME", (home + "/xdgdata/").c_str(), 1);
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(OS_AppDataDir(), home + "/xdgdata");
    EXPECT_EQ(OS_ConfigDir(), home + "/.config");
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
}

// ---- Registry store ----

const char* kKey = "Software\\TaglumGames\\Zandor";

TEST_F(OsTest, RegistryRoundTripsEveryTypeThroughTheFile)
{
    ASSERT_TRUE(OS_RegOpen(kKey));
    std::string path = OS_RegFilePath();
    EXPECT_EQ(path, std::string(getenv("HOME")) + "/.config/TaglumGames/Zandor/registry");
    uint32_t flag = 1;
    const char player[] = "3 65 98 99";
    const uint8_t blob[] = {0, 9, 10, 13, 0xFF, '%'};
    ASSERT_TRUE(OS_RegSet("SpeedFlag", REG_TYPE_DWORD, &flag, 4));
    ASSERT_TRUE(OS_RegSet("CurrentPlayer", REG_TYPE_EXPAND_SZ, player, sizeof player));
    ASSERT_TRUE(OS_RegSet("Odd\tname%\n", REG_TYPE_BINARY, blob, sizeof blob));
    ASSERT_TRUE(OS_RegSet("Empty", REG_TYPE_BINARY, nullptr, 0));
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    OS_RegClose();
    ASSERT_TRUE(OS_RegOpen(kKey));
    RegType t;
    uint8_t buf[64];
    uint32_t size = sizeof buf;
    ASSERT_TRUE(OS_RegGet("speedflag", &t, buf, &size));   // names ignore case, as the desktop's do
    EXPECT_EQ(t, REG_TYPE_DWORD);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(memcmp(buf, &flag, 4), 0);
    size = sizeof buf;
    ASSERT_TRUE(OS_RegGet("CurrentPlayer", &t, buf, &size));
    EXPECT_EQ(t, REG_TYPE_EXPAND_SZ);
    EXPECT_EQ(std::string((char*)buf, size), std::string(player, sizeof player));
    size = sizeof buf;
    ASSERT_TRUE(OS_RegGet("Odd\tname%\n", &t, buf, &size));
    EXPECT_EQ(t, REG_TYPE_BINARY);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + size), std::vector<uint8_t>(blob, blob + sizeof blob));
    size = sizeof buf;
    ASSERT_TRUE(OS_RegGet("Empty", &t, buf, &size));
    EXPECT_EQ(size, 0u);

    // Too little room fails and says how much is needed; a null buffer asks for the size.
    size = 4;
    EXPECT_FALSE(OS_RegGet("CurrentPlayer", &t, buf, &size));
    EXPECT_EQ(size, (uint32_t)sizeof player);
    size = 0;
    EXPECT_TRUE(OS_RegGet("CurrentPlayer", nullptr, nullptr, &size));
    EXPECT_EQ(size, (uint32_t)sizeof player);
    EXPECT_FALSE(OS_RegGet("Missing", &t, buf, &size));
    EXPECT_FALSE(OS_RegSet("Short", REG_TYPE_DWORD, &flag, 2));
}

TEST_F(OsTest, RegistryKeyPathsThatAreNotPlainFoldersAreRefused)
{
    for (const char* bad : {"Software\\..\\..\\etc", "Software\\Taglum/Games\\Zandor", "Software", "", "Software\\a\\."})
        EXPECT_FALSE(OS_RegOpen(bad)) << bad;
    EXPECT_FALSE(OS_RegSet("x", REG_TYPE_BINARY, "a", 1));   // no key open
}

TEST_F(OsTest, DamagedRegistryFileKeepsEveryReadableValue)
{
    ASSERT_TRUE(OS_RegOpen(kKey));
    std::string path = OS_RegFilePath();
    OS_RegClose();
    std::string junk =
        "dword\tGood1\t01000000\r\n"
        "this is not a value line\n"
        "dword\tShortDword\t010000\n"
        "binary\tOddHex\t0a0\n"
        "binary\tBadHex\tzz\n"
        "float\tUnknownType\t00000000\n"
        "binary\tBad%zzName\t00\n"
        "binary\tNoBytesTab\n" +
        std::string("\0\0\xff\xfe garbage\n", 13) +
        "expand_sz\tGood2\t6869" "00\n" +
        std::string(200000, 'x') + "\n" +
        "dword\tGood3\t02000000";   // no final line break
    WriteText(path, junk);
    ASSERT_TRUE(OS_RegOpen(kKey));
    struct Want { const char* name; bool present; };
    for (Want w : {Want{"Good1", true}, Want{"Good2", true}, Want{"Good3", true}, Want{"ShortDword", false},
                   Want{"OddHex", false}, Want{"BadHex", false}, Want{"UnknownType", false}}) {
        uint32_t size = 0;
        EXPECT_EQ(OS_RegGet(w.name, nullptr, nullptr, &size), w.present) << w.name;
    }
    // Writing rewrites the file cleanly and keeps what was readable.
    uint32_t v = 5;
    ASSERT_TRUE(OS_RegSet("New", REG_TYPE_DWORD, &v, 4));
    OS_RegClose();
    ASSERT_TRUE(OS_RegOpen(kKey));
    uint32_t size = 0;
    EXPECT_TRUE(OS_RegGet("Good1", nullptr, nullptr, &size));
    EXPECT_TRUE(OS_RegGet("Good3", nullptr, nullptr, &size));
    EXPECT_TRUE(OS_RegGet("New", nullptr, nullptr, &size));
    EXPECT_EQ(ReadText(path).find("garbage"), std::string::npos);
}

TEST_F(OsTest, HugeRegistryFileIsReadUpToItsLimitAndStillWritable)
{
    ASSERT_TRUE(OS_RegOpen(kKey));
    std::string path = OS_RegFilePath();
    OS_RegClose();
    std::string text = "dword\tFirst\t07000000\n";
    std::string line = "binary\tFill\t" + std::string(1 << 16, 'a') + "\n";
    while (text.size() < (17u << 20)) text += line;
    text += "dword\tBeyondTheLimit\t01000000\n";
    WriteText(path, text);
    ASSERT_TRUE(OS_RegOpen(kKey));
    uint32_t v = 0, size = 4;
    ASSERT_TRUE(OS_RegGet("First", nullptr, &v, &size));
    EXPECT_EQ(v, 7u);
    size = 0;
    EXPECT_FALSE(OS_RegGet("BeyondTheLimit", nullptr, nullptr, &size));
    v = 9;
    EXPECT_TRUE(OS_RegSet("After", REG_TYPE_DWORD, &v, 4));
    EXPECT_LT(fs::file_size(path), (uintmax_t)(1u << 20));
}

TEST_F(OsTest, FailedRegistryWriteLeavesMemoryAsTheFileIs)
{
    ASSERT_TRUE(OS_RegOpen(kKey));
    std::string path = OS_RegFilePath();
    uint32_t v = 1;
    ASSERT_TRUE(OS_RegSet("Kept", REG_TYPE_DWORD, &v, 4));
    fs::create_directories(path + ".tmp");   // the temporary cannot be made
    v = 2;
    EXPECT_FALSE(OS_RegSet("Kept", REG_TYPE_DWORD, &v, 4));
    EXPECT_FALSE(OS_RegSet("Lost", REG_TYPE_DWORD, &v, 4));
    fs::remove_all(path + ".tmp");
    uint32_t got = 0, size = 4;
    ASSERT_TRUE(OS_RegGet("Kept", nullptr, &got, &size));
    EXPECT_EQ(got, 1u);
    size = 0;
    EXPECT_FALSE(OS_RegGet("Lost", nullptr, nullptr, &size));
}

// ---- Scripted runs ----

std::vector<std::string> g_shots;
bool RecordShot(const char* name)
{
    g_shots.push_back(name);
    return true;
}

TEST_F(OsTest, ScriptStepsBecomeTheMessagesRealInputGives)
{
    ASSERT_TRUE(OS_CreateWindow("Zan Dor", RecordingProc));
    OS_SetBackBufferSize(800, 600);
    g_shots.clear();
    OS_SetScreenshotHook(RecordShot);
    const std::string script =
        "# a comment\n"
        "move 0.5 0.25\n"
        "click left\n"
        "press right\n"
        "release right\n"
        "  keydown Shift\n"
        "key A\n"
        "keyup shift\n"
        "wait 2\n"
        "type h\xC3\xA9\xF0\x9F\x98\x80 !\n"
        "key Enter\n"
        "keydown Alt\n"
        "key F4\n"
        "keyup Alt\n"
        "jump high\n"
        "screenshot title_1\n"
        "screenshot ../../etc/passwd\n"
        "move 2.0\n"
        "press middle\n"
        "quit\n";
    testing::internal::CaptureStderr();
    ASSERT_TRUE(OS_ScriptLoadText(script));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("script line 15"), std::string::npos) << err;
    EXPECT_NE(err.find("script line 17"), std::string::npos) << err;
    EXPECT_NE(err.find("script line 18"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 3) << err;

    using M = std::pair<uint32_t, uintptr_t>;
    auto shape = [](const std::vector<Message>& ms) {
        std::vector<M> out;
        for (const Message& m : ms) out.push_back({m.msg, m.wParam});
        return out;
    };
    EXPECT_TRUE(Drain().empty());   // nothing happens before the first frame ends
    OS_ScriptFrameEnd();
    std::vector<Message> first = Drain();
    const std::vector<M> wantFirst = {{MSG_LBUTTONDOWN, 0}, {MSG_LBUTTONUP, 0}, {MSG_RBUTTONDOWN, 0},
                                      {MSG_RBUTTONUP, 0}, {MSG_KEYDOWN, 16}, {MSG_KEYDOWN, 0x41},
                                      {MSG_KEYUP, 0x41}, {MSG_KEYUP, 16}};
    EXPECT_EQ(shape(first), wantFirst);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first[0].lParam, OS_PackPoint(400, 150));
    int x = 0, y = 0;
    ASSERT_TRUE(OS_GetCursorPos(&x, &y));
    EXPECT_EQ(x * 10000 + y, 400 * 10000 + 150);

    OS_ScriptFrameEnd();   // wait 2: one frame passes with nothing
    EXPECT_TRUE(Drain().empty());
    EXPECT_TRUE(OS_ScriptRunning());
    OS_ScriptFrameEnd();
    std::vector<Message> second = Drain();
    const std::vector<M> wantSecond = {
        {MSG_CHAR, 'h'}, {MSG_CHAR, 0xE9}, {MSG_CHAR, 0xD83D}, {MSG_CHAR, 0xDE00}, {MSG_CHAR, ' '},
        {MSG_CHAR, '!'}, {MSG_KEYDOWN, 13}, {MSG_CHAR, 13}, {MSG_KEYUP, 13}, {MSG_KEYDOWN, 18},
        {MSG_KEYDOWN, 0x73}, {MSG_KEYUP, 0x73}, {MSG_KEYUP, 18}, {MSG_MBUTTONDOWN, 0}, {MSG_CLOSE, 0}};
    EXPECT_EQ(shape(second), wantSecond);
    ASSERT_EQ(second.size(), wantSecond.size());
    EXPECT_NE(second[10].lParam & KEYFLAG_ALT, 0);   // F4 while Alt is held
    EXPECT_EQ(g_shots, std::vector<std::string>{"title_1"});
    EXPECT_FALSE(OS_ScriptRunning());

    // Through the game's pump the scripted Alt+F4 is the quit command.
    OS_LoadAccelerators();
    for (const Message& m : second) FAKE_PushMessage(m);
    g_seen.clear();
    PumpLikeTheGame();
    bool quitCommand = false;
    for (const Message& m : g_seen) quitCommand |= (m.msg == MSG_COMMAND && (m.wParam & 0xFFFF) == CMD_ALTF4);
    EXPECT_TRUE(quitCommand);
    OS_SetScreenshotHook(nullptr);
}

TEST_F(OsTest, ScriptFileThatCannotBeReadRunsNothing)
{
    testing::internal::CaptureStderr();
    EXPECT_FALSE(OS_ScriptLoadFile(std::string(getenv("HOME")) + "/no-such-script.txt"));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(OS_ScriptRunning());
    std::string path = std::string(getenv("HOME")) + "/script.txt";
    WriteText(path, "key Escape\r\nquit\r\n");
    ASSERT_TRUE(OS_ScriptLoadFile(path));
    OS_ScriptFrameEnd();
    std::vector<Message> ms = Drain();
    ASSERT_EQ(ms.size(), 4u);
    EXPECT_EQ(ms[1].msg, (uint32_t)MSG_CHAR);
    EXPECT_EQ(ms[1].wParam, 27u);
    EXPECT_EQ(ms[3].msg, (uint32_t)MSG_CLOSE);
}

// ---- SDL backend (headless: the dummy video driver) ----

TEST(OsSdl, EventsBecomeMessagesAndBoxesFallBackToStderr)
{
    const char* was = getenv("SDL_VIDEODRIVER");
    std::string before = was ? was : "";
    auto restore = [&] {
        if (was) setenv("SDL_VIDEODRIVER", before.c_str(), 1);
        else unsetenv("SDL_VIDEODRIVER");
        OS_UseBackend(BACKEND_FAKE);
    };
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    OS_UseBackend(BACKEND_SDL);
    testing::internal::CaptureStderr();
    int answer = OS_MessageBox("text here", "Caption", BOX_OKCANCEL | BOX_ICON_INFO);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, BOX_RESULT_CANCEL);
    EXPECT_NE(err.find("Caption: text here"), std::string::npos) << err;

    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        restore();
        GTEST_SKIP() << "no SDL dummy video driver: " << SDL_GetError();
    }
    Message m;
    while (OS_PeekMessage(&m)) {}
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_F4;
    e.key.keysym.scancode = SDL_SCANCODE_F4;
    e.key.keysym.mod = KMOD_LALT;
    e.key.repeat = 1;
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_BACKSPACE;
    e.key.keysym.scancode = SDL_SCANCODE_BACKSPACE;
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_TEXTINPUT;
    strcpy(e.text.text, "\xC3\xA9\xF0\x9F\x98\x80");
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
    std::vector<Message> got = Drain();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    restore();

    const std::vector<std::pair<uint32_t, uintptr_t>> want = {
        {MSG_KEYDOWN, 0x73}, {MSG_KEYDOWN, 8}, {MSG_CHAR, 8}, {MSG_CHAR, 0xE9}, {MSG_CHAR, 0xD83D},
        {MSG_CHAR, 0xDE00}, {MSG_CLOSE, 0}};
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].msg, want[i].first) << i;
        EXPECT_EQ(got[i].wParam, want[i].second) << i;
    }
    EXPECT_EQ(got[0].lParam, KEYFLAG_ALT | KEYFLAG_REPEAT);
    EXPECT_EQ(got[1].lParam, 0);
}

} // namespace
