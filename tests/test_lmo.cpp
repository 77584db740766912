// LMO archives: opening the install folder, lookups, the current entry, keep and untake,
// streams, the type table, the bulk load, and refusing damaged or foreign archives.
//
// The archives are written by a small writer of this file (not lmopack), so the packer and the
// reader are each checked against the layout independently.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/err.h"
#include "core/log.h"
#include "core/mem.h"
#include "core/settings.h"
#include "data/lmo.h"
#include "game/startup.h"
#include "platform/os/os.h"

namespace {

struct TestEntry {
    std::string cid;
    std::string data;
};

const char kIdentity[] = "#GAMEID ZNDR\n";

void Put32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++) s[at + i] = (char)(v >> (8 * i));
}

// Header (scrambled with "Tqmw4Hxe"), 296-byte records, then the data in the given order.
std::string MakeArchive(const std::vector<TestEntry>& entries)
{
    const size_t table = 20 + entries.size() * 296;
    std::string out(table, '\0');
    out[0] = 'L';
    out[1] = 'M';
    out[2] = 'O';
    Put32(out, 4, (uint32_t)entries.size());
    Put32(out, 8, (uint32_t)table);
    const char key[] = "Tqmw4Hxe";
    for (int i = 0; i < 20; i++) out[i] ^= key[i % 8];
    size_t offset = table;
    for (size_t i = 0; i < entries.size(); i++) {
        size_t rec = 20 + i * 296;
        memset(&out[rec], 0xAB, 252);   // the unread bytes: anything at all
        Put32(out, rec + 252, 1);       // a stale taken mark, cleared on open
        memcpy(&out[rec + 256], entries[i].cid.c_str(), entries[i].cid.size() + 1);
        Put32(out, rec + 288, (uint32_t)offset);
        Put32(out, rec + 292, (uint32_t)entries[i].data.size());
        offset += entries[i].data.size();
    }
    for (const TestEntry& e : entries) out += e.data;
    return out;
}

std::vector<TestEntry> WithIdentity(std::vector<TestEntry> entries)
{
    entries.insert(entries.begin(), {"TXT_GAMEID", kIdentity});
    return entries;
}

class LmoTest : public testing::Test {
protected:
    void SetUp() override
    {
        os::FAKE_Reset();
        LOG_ResetForTests();
        LMO_ResetForTests();
        ERR_ResetForTests();
        APP_Quit = 0;
        static int n = 0;
        dir_ = std::string(getenv("HOME")) + "/lmo" + std::to_string(++n);
        os::OS_MakeDir(dir_);
        savedInstall_ = APP_InstallDir;
        savedData_ = APP_DataDir;
        APP_InstallDir = dir_;
        APP_DataDir = dir_;
        s_loaded.clear();
    }
    void TearDown() override
    {
        LMO_ResetForTests();
        ERR_ResetForTests();
        LOG_ResetForTests();
        CFG_LogMem = 0;
        APP_Quit = 0;
        APP_InstallDir = savedInstall_;
        APP_DataDir = savedData_;
    }
    void Write(const std::string& name, const std::string& bytes)
    {
        std::ofstream f(dir_ + "/" + name, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), (std::streamsize)bytes.size());
    }
    std::string ReadLog()
    {
        std::ifstream f(dir_ + "/Log.txt");
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    static std::string Loaded(const char* cid)
    {
        uint8_t* p = LMO_Load(cid, 0);
        return p ? std::string((const char*)p, (size_t)LMO_Size) : std::string("<none>");
    }
    static std::string ReportBox()
    {
        const auto& boxes = os::FAKE_MessageBoxes();
        return boxes.empty() ? std::string() : boxes.front();
    }
    static std::string FatalBox(const std::string& message)
    {
        return "Zan Dor Report|Zan Dor has encountered the following problem :    \n\"" + message + "\"    ";
    }

    static void Record(const char* cid, uint8_t* data, int size)
    {
        s_loaded.push_back(std::string(cid ? cid : "<step>") + "=" +
                           (data ? std::string((const char*)data, (size_t)size) : std::string()));
    }
    static void RecordKept(const char* cid, uint8_t* data, int size)
    {
        Record(cid, data, size);
        MEM_Free(data, cid);   // kept rows hand the bytes over
    }

    static std::vector<std::string> s_loaded;
    std::string dir_, savedInstall_, savedData_;
};
std::vector<std::string> LmoTest::s_loaded;

TEST_F(LmoTest, FirstListedArchiveWinsAndOnlyTheMainOneIsBulkLoaded)
{
    Write("Zandor.lmo", MakeArchive(WithIdentity({{"TXT_SHARED", "main"}, {"TXT_MAINONLY", "m"}})));
    Write("Extra.lmo", MakeArchive(WithIdentity({{"TXT_SHARED", "extra"}, {"TXT_EXTRAONLY", "x"}})));
    std::vector<std::string> listed = os::OS_ListDir(dir_, nullptr);
    ASSERT_EQ(listed.size(), 2u);
    bool mainFirst = listed[0] == "Zandor.lmo";

    ASSERT_TRUE(LMO_OpenAll());
    ASSERT_EQ(LMO_ArchiveCount(), 2);
    EXPECT_EQ(std::string(LMO_ArchiveName(0)), listed[0]);   // listing order is kept
    EXPECT_EQ(LMO_IsMain(mainFirst ? 0 : 1), true);
    EXPECT_EQ(LMO_IsMain(mainFirst ? 1 : 0), false);
    EXPECT_EQ(Loaded("TXT_SHARED"), mainFirst ? "main" : "extra");
    EXPECT_EQ(Loaded("TXT_EXTRAONLY"), "x");   // other archives are still reached by lookups
    int archive = -1;
    ASSERT_TRUE(LMO_Find("TXT_SHARED", &archive, nullptr));
    EXPECT_EQ(archive, 0);
    EXPECT_EQ(std::string((const char*)LMO_LoadFrom("TXT_SHARED", mainFirst ? 1 : 0, 0)), "extra");

    ASSERT_TRUE(LMO_SetLoader("TXT", Record));
    ASSERT_TRUE(LMO_LoadAll());
    EXPECT_EQ(s_loaded, (std::vector<std::string>{"TXT_GAMEID=" + std::string(kIdentity), "TXT_SHARED=main",
                                                  "TXT_MAINONLY=m"}));
}

TEST_F(LmoTest, LookupsAreCaseSensitive)
{
    Write("Zandor.lmo", MakeArchive(WithIdentity({{"TEX_Title", "t"}})));
    ASSERT_TRUE(LMO_OpenAll());
    EXPECT_TRUE(LMO_Exists("TEX_Title"));
    EXPECT_FALSE(LMO_Exists("TEX_TITLE"));
    EXPECT_FALSE(LMO_Exists("tex_title"));
    EXPECT_EQ(LMO_Load("TEX_TITLE", 0), nullptr);
    EXPECT_EQ(LMO_OpenCID("TEX_TITLE", "r"), nullptr);
    LOG_Open();
    EXPECT_EQ(LMO_OpenCID("TEX_TITLE", "r"), nullptr);
    LOG_Close(false);
    EXPECT_NE(ReadLog().find("LMO_OpenCID : Could Not Find The CID (TEX_TITLE)"), std::string::npos);
}

TEST_F(LmoTest, KeptEntryLoadsAgainOnlyAfterUntake)
{
    Write("Zandor.lmo", MakeArchive(WithIdentity({{"MTL_A", "abc"}})));
    ASSERT_TRUE(LMO_OpenAll());
    uint8_t* first = LMO_Load("MTL_A", 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(LMO_Size, 3);
    EXPECT_EQ(first[3], 0);                   // one zero after the data
    EXPECT_STREQ(LMO_CurrentCID, "MTL_A");
    EXPECT_EQ(LMO_Load("MTL_A", 1), nullptr);
    EXPECT_EQ(LMO_Load("MTL_A", 0), nullptr);  // taken is taken, whatever the keep flag now
    LMO_Untake("MTL_A");
    uint8_t* second = LMO_Load("MTL_A", 1);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    MEM_Free(first, "MTL_A");                 // the consumer owns kept buffers
    LMO_Release();                             // does not free a kept buffer
    EXPECT_STREQ(LMO_CurrentCID, "CID_NULL");
    EXPECT_EQ(LMO_Buffer, nullptr);
    EXPECT_EQ(LMO_Size, 0);
    EXPECT_EQ(std::string((const char*)second), "abc");
    MEM_Free(second, "MTL_A");
}

TEST_F(LmoTest, NextLoadFreesOnlyBuffersThatWereNotKept)
{
    Write("Zandor.lmo", MakeArchive(WithIdentity({{"TXT_A", "a"}, {"TXT_K", "k"}, {"TXT_B", "b"}})));
    ASSERT_TRUE(LMO_OpenAll());
    LOG_Open();
    CFG_LogMem = 1;   // the memory manager logs every free with its tag
    ASSERT_NE(LMO_Load("TXT_A", 0), nullptr);
    ASSERT_NE(LMO_Load("TXT_B", 0), nullptr);
    uint8_t* kept = LMO_Load("TXT_K", 1);
    ASSERT_NE(kept, nullptr);
    ASSERT_NE(LMO_Load("TXT_B", 0), nullptr);
    LMO_Release();
    CFG_LogMem = 0;
    LOG_Close(false);
    std::string log = ReadLog();
    EXPECT_NE(log.find("TXT_A freed"), std::string::npos);
    EXPECT_NE(log.find("TXT_B freed"), std::string::npos);
    EXPECT_EQ(log.find("TXT_K freed"), std::string::npos);
    MEM_Free(kept, "TXT_K");
}

TEST_F(LmoTest, OnlyNamesEndingInDotLmoAreArchivesAndMainIgnoresCase)
{
    Write("zANDOR.LMO", MakeArchive(WithIdentity({{"TXT_MAIN", "m"}})));
    Write("Old.lmo.bak", MakeArchive(WithIdentity({{"TXT_BAK", "b"}})));
    Write(".lmo", MakeArchive(WithIdentity({{"TXT_DOT", "d"}})));
    Write("notes_lmo", MakeArchive(WithIdentity({{"TXT_NODOT", "n"}})));
    Write("readme.txt", "not an archive");
    os::OS_MakeDir(dir_ + "/folder.lmo");
    ASSERT_TRUE(LMO_OpenAll());
    ASSERT_EQ(LMO_ArchiveCount(), 1);
    EXPECT_TRUE(LMO_IsMain(0));
    EXPECT_EQ(LMO_EntryCount(0), 2);
    EXPECT_TRUE(LMO_Exists("TXT_MAIN"));
    EXPECT_FALSE(LMO_Exists("TXT_BAK"));
    EXPECT_FALSE(LMO_Exists("TXT_DOT"));
    EXPECT_FALSE(LMO_Exists("TXT_NODOT"));
}

TEST_F(LmoTest, NoArchiveAtAllIsNotAnError)
{
    EXPECT_TRUE(LMO_OpenAll());
    EXPECT_EQ(LMO_ArchiveCount(), 0);
    EXPECT_FALSE(LMO_Exists("TXT_GAMEID"));
    EXPECT_TRUE(os::FAKE_MessageBoxes().empty());
}

TEST_F(LmoTest, BadMagicIsTheFatalReport)
{
    std::string bytes = MakeArchive(WithIdentity({}));
    bytes[1] ^= 0x20;   // "LmO" after descrambling
    Write("Zandor.lmo", bytes);
    EXPECT_FALSE(LMO_OpenAll());
    EXPECT_EQ(ReportBox(), FatalBox("LMO file does not match EXE"));
    EXPECT_TRUE(APP_Quit);
    EXPECT_EQ(LMO_ArchiveCount(), 0);
}

TEST_F(LmoTest, ArchiveOfAnotherGameIsInvalidResources)
{
    const char* const identities[] = {nullptr, "#GAMEID ABCD\n", "#GAMEID\n", "GAMEID ZNDR\n", "#GAME ZNDR"};
    for (const char* identity : identities) {
        SCOPED_TRACE(identity ? identity : "(no TXT_GAMEID)");
        LMO_ResetForTests();
        os::FAKE_Reset();
        APP_Quit = 0;
        std::vector<TestEntry> entries = {{"TXT_OTHER", "o"}};
        if (identity) entries.push_back({"TXT_GAMEID", identity});
        Write("Zandor.lmo", MakeArchive(entries));
        EXPECT_FALSE(LMO_OpenAll());
        EXPECT_EQ(ReportBox(), "Invalid LMO Files Found : LM89|Zan Dor has detected invalid resources in the "
                             "installation path.\nPlease download the latest version from "
                             "https://zandor.example.org/download and reinstall.");
        EXPECT_TRUE(APP_Quit);
        EXPECT_EQ(LMO_ArchiveCount(), 0);
    }
    // The check reads a tag: its case, brackets and place in the text do not matter.
    LMO_ResetForTests();
    os::FAKE_Reset();
    APP_Quit = 0;
    Write("Zandor.lmo", MakeArchive({{"TXT_GAMEID", "#VERSION(3)\n#gameid(zndr)"}}));
    EXPECT_TRUE(LMO_OpenAll());
    EXPECT_TRUE(os::FAKE_MessageBoxes().empty());
}

TEST_F(LmoTest, TenArchivesOpenAndTheEleventhStopsStartUp)
{
    for (int i = 0; i < 10; i++) Write("A" + std::to_string(i) + ".lmo", MakeArchive(WithIdentity({})));
    EXPECT_TRUE(LMO_OpenAll());
    EXPECT_EQ(LMO_ArchiveCount(), 10);
    Write("A10.lmo", MakeArchive(WithIdentity({})));
    EXPECT_FALSE(LMO_OpenAll());
    EXPECT_EQ(LMO_ArchiveCount(), 10);
    EXPECT_EQ(ReportBox(), FatalBox("LMO : Too many LMO files found !"));
}

TEST_F(LmoTest, OpenCidRefusesAnythingButReading)
{
    Write("Zandor.lmo", MakeArchive(WithIdentity({{"PAG_TITLE", "page"}})));
    ASSERT_TRUE(LMO_OpenAll());
    const char* const modes[] = {nullptr, "w", "wb", "WB", "a", "r+", "rb+", "w+"};
    for (const char* mode : modes) {
        SCOPED_TRACE(mode ? mode : "(null)");
        ERR_ResetForTests();
        os::FAKE_Reset();
        EXPECT_EQ(LMO_OpenCID("PAG_TITLE", mode), nullptr);
        EXPECT_EQ(ReportBox(), FatalBox("LMO_OpenCID used with illegal permissions : PAG_TITLE"));
    }
}

TEST_F(LmoTest, StreamShowsTheEntryAlone)
{
    // The page has no end marker and is followed by another entry: a reader that runs to the end
    // of its stream must see the page's bytes only.
    Write("Zandor.lmo", MakeArchive(WithIdentity({{"PAG_TITLE", "0123456789"}, {"PAG_NEXT", "NEXTNEXT"}})));
    ASSERT_TRUE(LMO_OpenAll());
    ASSERT_NE(LMO_Load("PAG_NEXT", 0), nullptr);
    FILE* f = LMO_OpenCID("PAG_TITLE", "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(LMO_Size, 10);
    EXPECT_EQ(LMO_Buffer, nullptr);   // the current entry was released
    char buf[64];
    size_t got = fread(buf, 1, sizeof buf, f);
    EXPECT_EQ(std::string(buf, got), "0123456789");
    EXPECT_EQ(fgetc(f), EOF);
    ASSERT_EQ(fseek(f, 4, SEEK_SET), 0);
    EXPECT_EQ(fgetc(f), '4');
    ASSERT_EQ(fseek(f, -2, SEEK_END), 0);
    EXPECT_EQ(fgetc(f), '8');
    EXPECT_NE(fseek(f, 11, SEEK_SET), 0);
    EXPECT_EQ(fputc('x', f), EOF);    // nothing can be written through it
    fclose(f);
}

TEST_F(LmoTest, DamagedArchivesAreRefusedWithoutReadingOutOfBounds)
{
    const std::string good = MakeArchive(WithIdentity({{"TEX_A", "aaaa"}, {"TEX_B", "bb"}}));
    const size_t rec1 = 20 + 296;   // TEX_A's record
    auto withField = [&](size_t at, uint32_t v) {
        std::string s = good;
        Put32(s, at, v);
        return s;
    };
    auto scrambledHeader = [&](int field, uint32_t v) {   // writes a header field, keeping the scramble
        std::string s = good;
        const char key[] = "Tqmw4Hxe";
        for (int i = 0; i < 4; i++) s[field + i] = (char)((uint8_t)(v >> (8 * i)) ^ (uint8_t)key[(field + i) % 8]);
        return s;
    };
    std::string unterminated = good;
    memset(&unterminated[rec1 + 256], 'X', 32);
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"shorter than a header", good.substr(0, 12)},
        {"truncated inside the table", good.substr(0, 20 + 296 + 100)},
        {"truncated inside the data", good.substr(0, good.size() - 1)},
        {"count larger than the table", scrambledHeader(4, 4)},
        {"count negative", scrambledHeader(4, 0xFFFFFFFFu)},
        {"table size lying", scrambledHeader(8, 20 + 3 * 296 + 8)},
        {"huge table size", scrambledHeader(8, 0x7FFFFFF0u)},
        {"offset past the end", withField(rec1 + 288, (uint32_t)good.size() + 1)},
        {"size past the end", withField(rec1 + 292, 1000)},
        {"offset and size wrap", [&] { std::string s = withField(rec1 + 288, 0xFFFFFFF0u); Put32(s, rec1 + 292, 0x20); return s; }()},
        {"CID without its zero", unterminated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LMO_ResetForTests();
        ERR_ResetForTests();
        os::FAKE_Reset();
        APP_Quit = 0;
        Write("Zandor.lmo", c.bytes);
        EXPECT_FALSE(LMO_OpenAll());
        EXPECT_EQ(ReportBox(), FatalBox("LMO file is damaged : Zandor.lmo"));
        EXPECT_TRUE(APP_Quit);
        EXPECT_EQ(LMO_ArchiveCount(), 0);
        EXPECT_FALSE(LMO_Exists("TEX_A"));
    }
}

TEST_F(LmoTest, ArchiveShrinkingAfterOpenGivesNoEntry)
{
    std::string bytes = MakeArchive(WithIdentity({{"SND_A", "sound"}}));
    Write("Zandor.lmo", bytes);
    ASSERT_TRUE(LMO_OpenAll());
    Write("Zandor.lmo", bytes.substr(0, bytes.size() - 2));
    EXPECT_EQ(LMO_Load("SND_A", 0), nullptr);
    EXPECT_EQ(LMO_Buffer, nullptr);
    EXPECT_STREQ(LMO_CurrentCID, "CID_NULL");
    std::remove((dir_ + "/Zandor.lmo").c_str());
    EXPECT_EQ(LMO_Load("SND_A", 0), nullptr);
    LOG_Open();
    EXPECT_EQ(LMO_OpenCID("SND_A", "rb"), nullptr);
    LOG_Close(false);
    EXPECT_NE(ReadLog().find("LMO_OpenCID : Could Load The Lmo (Zandor.lmo)"), std::string::npos);
}

TEST_F(LmoTest, TypeTableHoldsThirtyNineRows)
{
    EXPECT_EQ(LMO_TypeCount(), 11);
    for (int i = LMO_TypeCount(); i < LMO_MaxTypes; i++) LMO_AddType("ZZZ", nullptr, 0);
    EXPECT_EQ(LMO_TypeCount(), 39);
    EXPECT_TRUE(os::FAKE_MessageBoxes().empty());
    LMO_AddType("YYY", nullptr, 0);
    EXPECT_EQ(LMO_TypeCount(), 39);
    EXPECT_EQ(ReportBox(), FatalBox("LMO : Added too many file types."));
    EXPECT_FALSE(LMO_SetLoader("YYY", Record));
}

TEST_F(LmoTest, BulkLoadRunsRowsInOrderWithTheMaterialStep)
{
    Write("Zandor.lmo", MakeArchive(WithIdentity({{"MTL_M", "m"}, {"TEX_T", "t"}, {"LED_L", "l"},
                                                  {"PAG_P", "p"}, {"SND_S", "s"}})));
    LMO_AddType("LED", RecordKept, 1);
    ASSERT_TRUE(LMO_OpenAll());
    ASSERT_TRUE(LMO_SetLoader("TEX", Record));
    ASSERT_TRUE(LMO_SetLoader("MTL", RecordKept));
    ASSERT_TRUE(LMO_SetLoader("-M-", Record));
    std::vector<float> shown;
    static std::vector<float>* s_shown;
    s_shown = &shown;
    LmoHooks hooks;
    hooks.showProgress = [](float f) { s_shown->push_back(f); };
    LMO_SetHooks(hooks);
    ASSERT_TRUE(LMO_LoadAll());
    EXPECT_EQ(s_loaded, (std::vector<std::string>{"TEX_T=t", "MTL_M=m", "<step>=", "LED_L=l"}));
    // Six entries are counted (the identity among them): 0, 1/6, … 5/6, each shown once it moves.
    ASSERT_EQ(shown.size(), 5u);
    for (size_t i = 0; i < shown.size(); i++) EXPECT_FLOAT_EQ(shown[i], (float)(i + 1) / 6.0f);
    EXPECT_FLOAT_EQ(LMO_Progress(), 5.0f / 6.0f);
    // Kept rows marked their entries taken.
    EXPECT_EQ(LMO_Load("MTL_M", 0), nullptr);
    EXPECT_NE(LMO_Load("TEX_T", 0), nullptr);
}

TEST_F(LmoTest, BulkLoadStopsWhenQuitIsRequested)
{
    Write("Zandor.lmo", MakeArchive(WithIdentity({{"TEX_A", "a"}, {"TEX_B", "b"}, {"TEX_C", "c"}})));
    ASSERT_TRUE(LMO_OpenAll());
    LMO_SetLoader("TEX", [](const char* cid, uint8_t* data, int size) {
        Record(cid, data, size);
        if (strcmp(cid, "TEX_B") == 0) ERR_Fatal("Failed to load %s", cid);
    });
    EXPECT_FALSE(LMO_LoadAll());
    EXPECT_EQ(s_loaded, (std::vector<std::string>{"TEX_A=a", "TEX_B=b"}));
}

TEST_F(LmoTest, ArchiveBuiltByTheContentPipelineOpens)
{
    // The packer is checked against this reader: build/Zandor.lmo sits beside build/tests/.
    std::error_code ec;
    std::filesystem::path built =
        std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "Zandor.lmo";
    if (ec || !std::filesystem::exists(built)) GTEST_SKIP() << "no Zandor.lmo in the build folder";
    std::filesystem::copy_file(built, dir_ + "/Zandor.lmo", ec);
    ASSERT_FALSE(ec);
    ASSERT_TRUE(LMO_OpenAll());
    ASSERT_EQ(LMO_ArchiveCount(), 1);
    EXPECT_TRUE(LMO_IsMain(0));
    EXPECT_TRUE(os::FAKE_MessageBoxes().empty());
    std::string previous;
    for (int i = 0; i < LMO_EntryCount(0); i++) {
        std::string cid = LMO_EntryCID(0, i);
        EXPECT_LT(previous, cid);   // sorted by CID, each once
        previous = cid;
        EXPECT_NE(LMO_Load(cid.c_str(), 0), nullptr) << cid;
    }
    EXPECT_TRUE(LMO_Exists("TXT_GAMEID"));
}

TEST_F(LmoTest, StartupAddsLevelListsBeforeOpeningAndEffectsAfter)
{
    Write("Zandor.lmo", MakeArchive(WithIdentity({{"LED_ARCADE", "l"}, {"PFX_TELE", "p"}})));
    EXPECT_TRUE(GAM_StartupContentLoad());
    EXPECT_EQ(LMO_TypeCount(), 13);
    EXPECT_EQ(LMO_ArchiveCount(), 1);

    LMO_ResetForTests();
    Write("Zandor.lmo", "LMO?");   // refused: start-up stops before the effects row is added
    EXPECT_FALSE(GAM_StartupContentLoad());
    EXPECT_EQ(LMO_TypeCount(), 12);
    EXPECT_TRUE(APP_Quit);
}

} // namespace
