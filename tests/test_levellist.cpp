// Level lists: arcade lists and level sets from "LED" texts, their tags and limits, foreign
// lists, resolving "LEV_" references through the archive to the temporary file, and the
// choice list; the level sets shipped in content/.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/err.h"
#include "core/settings.h"
#include "data/lmo.h"
#include "game/board.h"
#include "game/level.h"
#include "game/levellist.h"
#include "platform/os/os.h"
#include "test_support.h"

namespace {

class LevelListTest : public LoggedTest {
protected:
    void SetUp() override
    {
        ERR_ResetForTests();
        APP_Quit = 0;
        SET_ResetForTests();
        LMO_ResetForTests();
        OpenLogIn("levellist");
        savedInstall_ = APP_InstallDir;
        APP_InstallDir = dir_;
    }
    void TearDown() override
    {
        SET_ResetForTests();
        LMO_ResetForTests();
        ERR_ResetForTests();
        APP_Quit = 0;
        APP_InstallDir = savedInstall_;
        LoggedTest::TearDown();
    }
    static void Parse(const char* cid, const std::string& text)
    {
        std::string copy = text;  // bytes with the entry's zero after them, as the loader gets
        SET_LoadListEntry(cid, (uint8_t*)copy.data(), (int)copy.size());
    }
    std::string savedInstall_;
};

} // namespace

TEST_F(LevelListTest, ArcadeListUpperCasesNames)
{
    Parse("LED_ARCADE", "tessival GAME\n#GAME\n#LEVEL \"arcade01\"\n#LEVEL \"Arcade Two\"\n"
                        "# TESSIVAL\n#END\n#LEVEL \"late\"");
    ASSERT_EQ(SET_ArcadeCount, 2);
    EXPECT_STREQ(SET_Arcade[0].file, "LEV_ARCADE01");
    EXPECT_STREQ(SET_Arcade[1].file, "LEV_ARCADE TWO");
    EXPECT_EQ(SET_SetCount, 0);
    EXPECT_FALSE(APP_Quit);
}

TEST_F(LevelListTest, LevelSetNamesAndDescriptions)
{
    Parse("LED_SET1", "TESSIVAL\n#NAME \"First Steps\" #DESC \"Easy ones\" #NAME \"ignored\"\n"
                      "#LEVEL \"one\" #NAME \"The One\" #DESC \"d1\"\n#LEVEL \"two\"\n#END");
    ASSERT_EQ(SET_SetCount, 1);
    const LevelSet& s = SET_Sets[0];
    EXPECT_STREQ(s.source, "LED_SET1");
    EXPECT_STREQ(s.name, "First Steps");
    EXPECT_STREQ(s.description, "Easy ones");
    ASSERT_EQ(s.levelCount, 2);
    EXPECT_STREQ(s.levels[0].file, "LEV_ONE");
    EXPECT_STREQ(s.levels[0].name, "The One");
    EXPECT_STREQ(s.levels[0].description, "d1");
    EXPECT_EQ(s.levels[1].name, nullptr);
    // A set without levels is not kept; a foreign list is ignored silently.
    Parse("LED_EMPTY", "TESSIVAL #NAME \"nothing here\" #END");
    Parse("LED_OTHER", "SOMEGAME GAME #LEVEL \"x\"");
    Parse("LED_NULL", "");
    EXPECT_EQ(SET_SetCount, 1);
    EXPECT_EQ(SET_ArcadeCount, 0);
    EXPECT_FALSE(APP_Quit);
}

TEST_F(LevelListTest, IllegalTags)
{
    struct Case { const char* text; const char* code; } cases[] = {
        {"TESSIVAL GAME #LEVEL \"a\" #BOGUS", "Illegal Tag : GM02"},
        {"TESSIVAL #LEVEL \"a\" stray", "Illegal Tag : GM01"},
    };
    for (const Case& c : cases) {
        ERR_ResetForTests();
        APP_Quit = 0;
        LOG_ResetForTests();
        LOG_Open();
        Parse("LED_BAD", c.text);
        EXPECT_TRUE(APP_Quit) << c.text;
        LOG_Close(false);
        EXPECT_NE(TEST_ReadText(dir_ + "/Log.txt").find(c.code), std::string::npos) << c.text;
    }
    // Reading went on past the bad tags.
    EXPECT_EQ(SET_ArcadeCount, 1);
    EXPECT_EQ(SET_SetCount, 1);
}

TEST_F(LevelListTest, Limits)
{
    std::string arcade = "TESSIVAL GAME";
    for (int i = 0; i < 60; i++) arcade += " #LEVEL \"a" + std::to_string(i) + "\"";
    Parse("LED_MANY", arcade);
    EXPECT_EQ(SET_ArcadeCount, SET_MaxArcade);
    EXPECT_STREQ(SET_Arcade[49].file, "LEV_A49");

    std::string set = "TESSIVAL #NAME \"big\"";
    for (int i = 0; i < 210; i++) set += " #LEVEL \"l" + std::to_string(i) + "\"";
    // A name too long for a CID is dropped, not cut into another level's name.
    set = "TESSIVAL #LEVEL \"a_name_much_too_long_for_any_cid\"" + set.substr(8);
    Parse("LED_BIG", set);
    ASSERT_EQ(SET_SetCount, 1);
    EXPECT_EQ(SET_Sets[0].levelCount, SET_MaxLevels);
    EXPECT_STREQ(SET_Sets[0].levels[0].file, "LEV_L0");
    EXPECT_FALSE(APP_Quit);
}

TEST_F(LevelListTest, ResolveThroughTheTemporaryFile)
{
    {
        std::ofstream f(dir_ + "/Zandor.lmo", std::ios::binary);
        f << TEST_MakeArchive({{"TXT_GAMEID", "#GAMEID ZNDR\n"}, {"LEV_ARCADE01", "TIM 40 END"}});
    }
    ASSERT_TRUE(LMO_OpenAll());
    Parse("LED_ARCADE", "TESSIVAL GAME #LEVEL \"arcade01\" #LEVEL \"gone\"");
    ASSERT_EQ(SET_ArcadeCount, 2);

    int index = 7;  // outside the list: back to the first
    std::string path = SET_ArcadeLevel(&index);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(path, SET_TempPath());
    EXPECT_EQ(path, APP_DataDir + "/TESSIVAL_Temp");
    EXPECT_EQ(TEST_ReadText(path), "TIM 40 END");
    SET_DeleteTemp();
    EXPECT_FALSE(os::OS_FileExists(path));

    index = 1;
    EXPECT_EQ(SET_ArcadeLevel(&index), "");  // a missing entry resolves to none
    LevelRef byPath{(char*)"/some/where.lev", nullptr, nullptr};
    EXPECT_EQ(SET_ResolveLevel(byPath), "/some/where.lev");
}

TEST_F(LevelListTest, ChoiceListSkipsPuzzleAndEditor)
{
    Parse("LED_A", "TESSIVAL #NAME \"Puzzle\" #LEVEL \"p\"");
    Parse("LED_B", "TESSIVAL #NAME \"Garden\" #LEVEL \"g\"");
    Parse("LED_C", "TESSIVAL #NAME \"EDITOR\" #LEVEL \"e\"");
    Parse("LED_D", "TESSIVAL #LEVEL \"n\"");
    ASSERT_EQ(SET_SetCount, 4);
    SET_BuildChoiceList();
    ASSERT_EQ(SET_ChoiceCount, 2);
    EXPECT_EQ(SET_Choice[0], 1);
    EXPECT_EQ(SET_Choice[1], 3);
}

// The arcade list shipped in content/ names the arcade board without an illegal tag.
TEST_F(LevelListTest, ShippedArcadeList)
{
    std::string path = std::string(__FILE__);
    path = path.substr(0, path.rfind('/')) + "/../content/LED_ARCADE";
    std::string text = TEST_ReadText(path);
    if (text.empty()) GTEST_SKIP() << "no content folder beside the tests";
    Parse("LED_ARCADE", text);
    EXPECT_FALSE(APP_Quit);
    ASSERT_GE(SET_ArcadeCount, 1);
    EXPECT_STREQ(SET_Arcade[0].file, "LEV_ARCADE01");
}

// The level sets shipped in content/ are offered for choice, and every board they name reads
// without an illegal tag and stands its blocks on its own shape.
TEST_F(LevelListTest, ShippedLevelSetsNameBoardsThatRead)
{
    std::string folder = std::string(__FILE__);
    folder = folder.substr(0, folder.rfind('/')) + "/../content/";
    std::string text = TEST_ReadText(folder + "LED_WARMUP");
    if (text.empty()) GTEST_SKIP() << "no content folder beside the tests";
    Parse("LED_WARMUP", text);
    ASSERT_EQ(SET_SetCount, 1);
    SET_BuildChoiceList();
    EXPECT_EQ(SET_ChoiceCount, 1);
    const LevelSet& set = SET_Sets[0];
    EXPECT_STREQ(set.name, "Warm Up");
    ASSERT_EQ(set.levelCount, 2);
    for (int i = 0; i < set.levelCount; i++) {
        SCOPED_TRACE(set.levels[i].file);
        EXPECT_NE(set.levels[i].name, nullptr);
        ASSERT_TRUE(LEV_Read(folder + set.levels[i].file));
        int blocks = 0;
        for (int c = 0; c < BRD_CellCount; c++) {
            if (!LEV_Level.grid[c]) continue;
            blocks++;
            EXPECT_TRUE(BRD_InShape(c % BRD_Width, (c / BRD_Width) % BRD_Height)) << c;
        }
        EXPECT_GE(blocks, 10);
    }
    EXPECT_FALSE(APP_Quit);
    const std::string log = CloseAndReadLog();
    EXPECT_EQ(log.find("refused"), std::string::npos);
    EXPECT_EQ(log.find("unknown tag"), std::string::npos);
    EXPECT_EQ(log.find("no END"), std::string::npos);
}
