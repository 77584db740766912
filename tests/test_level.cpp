// Level files: the tags and their defaults, the time/best rules, comments, illegal tags, the
// refusal of blocks and shapes that do not fit the board, and placing the blocks in index order.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/err.h"
#include "core/log.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/level.h"
#include "platform/os/os.h"
#include "test_support.h"

namespace {

class LevelTest : public LoggedTest {
protected:
    void SetUp() override
    {
        ERR_ResetForTests();
        APP_Quit = 0;
        OpenLogIn("level");
        LEV_Level = Level{};
        BRD_SetSize(4, 4);
        for (int i = 0; i < 16; i++) BRD_Board.shape[i] = 1;
        BRD_ClearGrid();
    }
    void TearDown() override
    {
        ERR_ResetForTests();
        APP_Quit = 0;
        BRD_ClearGrid();
        LoggedTest::TearDown();
    }
    static bool Read(const std::string& text, const char* name = "LEV_TEST")
    {
        return LEV_ReadText(text.data(), text.size(), name);
    }
    static int Blocks()
    {
        int n = 0;
        for (int g : LEV_Level.grid) n += g != 0;
        return n;
    }
};

} // namespace

TEST_F(LevelTest, OnlyEndKeepsBoardAndLimits)
{
    LEV_Level.levelKind = 3;
    LEV_Level.time = 4;
    LEV_Level.best = 2;
    LEV_Level.moves = 7;
    LEV_Level.grid[5] = BLK_RED;
    BRD_Board.shape[3] = 0;
    ASSERT_TRUE(Read("END"));
    EXPECT_EQ(LEV_Level.levelKind, 2);
    EXPECT_EQ(Blocks(), 0);
    EXPECT_EQ(LEV_Level.time, 10);
    EXPECT_EQ(LEV_Level.best, 5);
    EXPECT_EQ(LEV_Level.moves, 7);
    EXPECT_FLOAT_EQ(LEV_TimeLeft, 10.0f);
    EXPECT_EQ(BRD_Width, 4);
    EXPECT_EQ(BRD_Board.shape[3], 0);
    EXPECT_EQ(BRD_Board.shape[4], 1);
    EXPECT_FLOAT_EQ(LEV_Level.cameraA, 0.15f);
    EXPECT_FLOAT_EQ(LEV_Level.cameraB, 2.5f);
    EXPECT_STREQ(LEV_Level.backdrop1.texture, "BG00");
    EXPECT_FLOAT_EQ(LEV_Level.backdrop1.fogNear, -100.0f);
    EXPECT_FALSE(APP_Quit);
}

TEST_F(LevelTest, TimeAndBestOrder)
{
    struct Case { const char* text; int time, best; } cases[] = {
        {"TIM 40 END", 40, 12},
        {"TIM 40 BES 25 END", 40, 25},
        {"BES 25 TIM 40 END", 40, 12},
        {"TIM 3 END", 10, 5},
        {"TIM 100 BES 1 END", 100, 5},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Read(c.text)) << c.text;
        EXPECT_EQ(LEV_Level.time, c.time) << c.text;
        EXPECT_EQ(LEV_Level.best, c.best) << c.text;
    }
}

TEST_F(LevelTest, BackdropsCameraAndKind)
{
    ASSERT_TRUE(Read("ARCADE1.0\n"
                     "/// a comment: BLK 0 0 0 Red is not read\n"
                     "BTEX BG07 BRGBS 2 0.1 0.2 0.3 6 0.4 0.5 0.6 BANIM 3 0.5 0.25 BVCLAMP\n"
                     "BG2 1 BTEX BG09 BRGBS 0 0 0 0 3 1 1 1 FNEAR -5 PAR 0.5\n"
                     "CAM 0.3 4 MOV 12 END"));
    const Backdrop& b1 = LEV_Level.backdrop1;
    const Backdrop& b2 = LEV_Level.backdrop2;
    EXPECT_EQ(LEV_Level.levelKind, 3);
    EXPECT_EQ(Blocks(), 0);
    EXPECT_STREQ(b1.texture, "BG07");
    EXPECT_EQ(b1.blendMode, 2);
    EXPECT_FLOAT_EQ(b1.colour1[2], 0.3f);
    EXPECT_EQ(b1.colourMode, 5);  // 6 is stored as 5
    EXPECT_FLOAT_EQ(b1.colour2[0], 0.4f);
    EXPECT_EQ(b1.animMode, 3);
    EXPECT_FLOAT_EQ(b1.animB, 0.25f);
    EXPECT_EQ(b1.vClamp, 1);
    EXPECT_EQ(LEV_Level.backdrop2Type, 1);
    EXPECT_STREQ(b2.texture, "BG09");
    EXPECT_EQ(b2.colourMode, 1);  // 3 is stored as 1
    EXPECT_FLOAT_EQ(b2.fogNear, -5.0f);
    EXPECT_FLOAT_EQ(b2.parallax, 0.5f);
    EXPECT_FLOAT_EQ(b1.parallax, 1.0f);
    EXPECT_FLOAT_EQ(LEV_Level.cameraA, 0.3f);
    EXPECT_FLOAT_EQ(LEV_Level.cameraB, 4.0f);
    EXPECT_EQ(LEV_Level.moves, 12);
    EXPECT_FALSE(APP_Quit);
}

TEST_F(LevelTest, TwoSlashesAreAnIllegalTag)
{
    ASSERT_TRUE(Read("// not a comment\nTIM 50 END"));
    EXPECT_TRUE(APP_Quit);
    EXPECT_EQ(LEV_Level.time, 50);  // reading went on
    std::string log = CloseAndReadLog();
    EXPECT_NE(log.find("Illegal Tag : BO01"), std::string::npos);
    EXPECT_NE(log.find("LEV_TEST(1)"), std::string::npos);
}

TEST_F(LevelTest, DimensionShapeAndBlocks)
{
    ASSERT_TRUE(Read("DIM 3 2\n"
                     "SHA 1 0  1 1  0 1\n"
                     "BLK 0 0 0 Red\nBLK 2 1 3 BlueSlider\nBLK 1 1 0 Nothing\nBLK 1 0 0 Slide\n"
                     "END"));
    EXPECT_EQ(BRD_Width, 3);
    EXPECT_EQ(BRD_Height, 2);
    // Values run over x first, then y within each x.
    uint8_t expect[6] = {1, 1, 0, 0, 1, 1};
    for (int i = 0; i < 6; i++) EXPECT_EQ(BRD_Board.shape[i], expect[i]) << i;
    EXPECT_EQ(LEV_Level.grid[CELL_Index(0, 0, 0)], BLK_RED);
    EXPECT_EQ(LEV_Level.grid[CELL_Index(2, 1, 3)], 9);
    EXPECT_EQ(Blocks(), 2);
    EXPECT_EQ(LEV_Level.topLayer, 3);
    EXPECT_FLOAT_EQ(BRD_Centre.x, 1.0f);
    EXPECT_FLOAT_EQ(BRD_Extent.y, 1.0f);
}

TEST_F(LevelTest, RefusesWhatDoesNotFit)
{
    ASSERT_TRUE(Read("DIM 10 14\n"                        // line 1: 140 columns, refused
                     "SHA 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 7 7\n"  // line 2: two values too many
                     "BLK 4 0 0 Red\n"                    // line 3: off the 4 x 4 board
                     "BLK 0 0 14 Red\n"                   // line 4: above layer 13
                     "BLK -1 2 0 Red\n"                   // line 5
                     "BLK 3 3 13 Green\n"                 // line 6: the top cell, kept
                     "END"));
    EXPECT_EQ(BRD_Width, 4);
    EXPECT_EQ(BRD_Height, 4);
    EXPECT_EQ(Blocks(), 1);
    EXPECT_EQ(LEV_Level.grid[CELL_Index(3, 3, 13)], 2);
    EXPECT_FALSE(APP_Quit);  // the surplus values were not taken for tags
    std::string log = CloseAndReadLog();
    for (const char* want : {"LEV_TEST(1): DIM 10 14 refused", "LEV_TEST(2): SHA has 2 values more",
                             "LEV_TEST(3): BLK 4 0 0 Red refused", "LEV_TEST(4): BLK 0 0 14",
                             "LEV_TEST(5): BLK -1 2 0"})
        EXPECT_NE(log.find(want), std::string::npos) << want;
}

TEST_F(LevelTest, NoEndStopsAtTheEndOfTheText)
{
    // A truncated value at the very end and bytes after a zero: nothing is read past the size.
    std::string text = "TIM 40 BLK 1 1 0 Red BLK 2";
    ASSERT_TRUE(LEV_ReadText(text.data(), text.size(), "LEV_CUT"));
    EXPECT_EQ(LEV_Level.time, 40);
    EXPECT_EQ(LEV_Level.grid[CELL_Index(1, 1, 0)], BLK_RED);
    std::string log = CloseAndReadLog();
    EXPECT_NE(log.find("LEV_CUT: no END tag"), std::string::npos);
}

TEST_F(LevelTest, ReadFromFile)
{
    EXPECT_FALSE(LEV_Read(dir_ + "/missing.lev"));
    {
        std::ofstream f(dir_ + "/one.lev", std::ios::binary);
        f << "PUZZLE1\r\nTIM 20\r\nBLK 3 0 0 Yellow\r\nEND\r\n";
    }
    ASSERT_TRUE(LEV_Read(dir_ + "/one.lev"));
    EXPECT_EQ(LEV_Level.time, 20);
    EXPECT_EQ(LEV_Level.best, 6);
    EXPECT_EQ(LEV_Level.grid[3], BLK_YELLOW);
}

namespace {
std::vector<std::string> g_spawned;
// Stands in for the block spawn: records the block and claims its cells like it.
bool Spawn(int type, int x, int y, int z)
{
    g_spawned.push_back(std::string(BLK_Types[type].internalName) + "@" + std::to_string(x) +
                        std::to_string(y) + std::to_string(z));
    BRD_Claim(BRD_Solid, Vec3{(float)x, (float)y, (float)z}, BLK_Types[type].size);
    return true;
}
} // namespace

TEST_F(LevelTest, PlaceBlocksInIndexOrderWithoutOverlap)
{
    g_spawned.clear();
    ASSERT_TRUE(Read("BLK 2 2 1 Red BLK 1 1 0 Block2 BLK 2 1 0 Green BLK 0 3 0 Blue END"));
    char solid;
    BRD_Solid = reinterpret_cast<Block*>(&solid);
    EXPECT_EQ(LEV_PlaceBlocks(Spawn), 2);
    BRD_Solid = nullptr;
    // The green and the red block lie inside the 2 x 2 x 2 block spawned before them.
    std::vector<std::string> want = {"Block2@110", "Blue@030"};
    EXPECT_EQ(g_spawned, want);
    EXPECT_EQ(LEV_PlaceBlocks(nullptr), 0);
}

// The arcade board shipped in content/ reads cleanly: no illegal tag, nothing refused.
TEST_F(LevelTest, ShippedArcadeBoardReads)
{
    std::string path = std::string(__FILE__);
    path = path.substr(0, path.rfind('/')) + "/../content/LEV_ARCADE01";
    if (!os::OS_FileExists(path)) GTEST_SKIP() << "no content folder beside the tests";
    ASSERT_TRUE(LEV_Read(path));
    EXPECT_FALSE(APP_Quit);
    EXPECT_EQ(LEV_Level.levelKind, 3);
    EXPECT_EQ(BRD_Width * BRD_Height, 49);
    EXPECT_GE(Blocks(), 10);
    for (int i = 0; i < BRD_CellCount; i++) {
        if (!LEV_Level.grid[i]) continue;
        int x = i % BRD_Width, y = (i / BRD_Width) % BRD_Height;
        EXPECT_TRUE(BRD_InShape(x, y)) << x << " " << y;  // every block stands on the board
    }
    EXPECT_FLOAT_EQ(BRD_Centre.x, 3.0f);
    EXPECT_FLOAT_EQ(BRD_Centre.y, 3.0f);
    std::string log = CloseAndReadLog();
    EXPECT_EQ(log.find("refused"), std::string::npos);
    EXPECT_EQ(log.find("no END"), std::string::npos);
}
