// Board and cells: cell indices and their bounds, claims (fractions claim the next cells,
// N x N x N blocks fill with the solid reference, later claims win), metrics and the size test.
#include <gtest/gtest.h>

#include <string>

#include "core/log.h"
#include "game/board.h"
#include "test_support.h"

namespace {

// Stand-ins for blocks: the grid only stores addresses, it never looks inside them.
alignas(16) char g_a, g_b, g_solid;
Block* const A = reinterpret_cast<Block*>(&g_a);
Block* const B = reinterpret_cast<Block*>(&g_b);
Block* const SOLID = reinterpret_cast<Block*>(&g_solid);

class BoardTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(BRD_SetSize(5, 6));
        for (uint8_t& s : BRD_Board.shape) s = 1;
        BRD_ClearGrid();
        BRD_Solid = SOLID;
    }
    void TearDown() override { BRD_Solid = nullptr; BRD_ClearGrid(); }
    static Block* At(int x, int y, int z) { return BRD_Cells[CELL_Index(x, y, z)].block; }
    static int Claimed()
    {
        int n = 0;
        for (const Cell& c : BRD_Cells) n += c.block != nullptr;
        return n;
    }
};

} // namespace

TEST_F(BoardTest, CellIndexBounds)
{
    EXPECT_EQ(CELL_Index(0, 0, 0), 0);
    EXPECT_EQ(CELL_Index(4, 0, 0), 4);
    EXPECT_EQ(CELL_Index(0, 1, 0), 5);
    EXPECT_EQ(CELL_Index(0, 0, 1), 30);
    EXPECT_EQ(CELL_Index(0, 0, 20), 600);  // no upper bound on z
    struct { int x, y, z; } off[] = {{-1, 0, 0}, {5, 0, 0}, {0, -1, 0}, {0, 6, 0}, {0, 0, -1}};
    for (auto& c : off) EXPECT_EQ(CELL_Index(c.x, c.y, c.z), -1) << c.x << " " << c.y << " " << c.z;
    EXPECT_EQ(CELL_IndexAt(Vec3{2.7f, 3.2f, 1.9f}), CELL_Index(2, 3, 1));
    EXPECT_EQ(CELL_IndexAt(Vec3{-0.5f, 0.0f, 0.0f}), -1);  // not truncated onto column 0
}

TEST_F(BoardTest, FractionsClaimTheNextCells)
{
    BRD_Claim(A, Vec3{2.5f, 0.0f, 0.0f}, 1);
    EXPECT_EQ(At(2, 0, 0), A);
    EXPECT_EQ(At(3, 0, 0), A);
    EXPECT_EQ(Claimed(), 2);

    BRD_ClearClaims();
    BRD_Claim(A, Vec3{2.5f, 3.5f, 1.0f}, 1);
    EXPECT_EQ(At(2, 3, 1), A);
    EXPECT_EQ(At(3, 3, 1), A);
    EXPECT_EQ(At(3, 4, 1), A);
    EXPECT_EQ(Claimed(), 3);

    BRD_ClearClaims();
    BRD_Claim(A, Vec3{1.0f, 1.0f, 2.25f}, 1);  // falling: its cell and the one above
    EXPECT_EQ(At(1, 1, 2), A);
    EXPECT_EQ(At(1, 1, 3), A);
    EXPECT_EQ(Claimed(), 2);
}

TEST_F(BoardTest, LaterClaimsOverwrite)
{
    BRD_Claim(A, Vec3{1.5f, 0.0f, 0.0f}, 1);
    BRD_Claim(B, Vec3{2.0f, 0.0f, 0.0f}, 1);
    EXPECT_EQ(At(1, 0, 0), A);
    EXPECT_EQ(At(2, 0, 0), B);
    BRD_ClearClaims();
    EXPECT_EQ(Claimed(), 0);
}

TEST_F(BoardTest, SquareBlockFillsWithTheSolidReference)
{
    BRD_Claim(A, Vec3{1.0f, 1.0f, 0.0f}, 2);
    EXPECT_EQ(At(1, 1, 0), A);
    for (int z = 0; z < 2; z++)
        for (int y = 1; y < 3; y++)
            for (int x = 1; x < 3; x++)
                if (x != 1 || y != 1 || z != 0) EXPECT_EQ(At(x, y, z), SOLID) << x << y << z;
    EXPECT_EQ(Claimed(), 8);

    // A 4 x 4 block at the board's edge fills only the cells on the board.
    BRD_ClearClaims();
    BRD_Claim(A, Vec3{3.0f, 4.0f, 0.0f}, 4);
    EXPECT_EQ(Claimed(), 2 * 2 * 4);
}

TEST_F(BoardTest, ClaimsNeverLeaveTheGrid)
{
    // 5 x 6 columns: cell (4, 3, 66) is index 1999, the last; the one above it is past the grid.
    BRD_Claim(A, Vec3{4.0f, 3.0f, 66.5f}, 1);
    BRD_Claim(A, Vec3{0.0f, 0.0f, 500.0f}, 3);
    BRD_Claim(A, Vec3{-1.0f, 0.0f, 0.0f}, 1);
    EXPECT_EQ(Claimed(), 1);  // only (4, 3, 66)
    EXPECT_EQ(BRD_Cells[1999].block, A);
}

TEST_F(BoardTest, Metrics)
{
    for (uint8_t& s : BRD_Board.shape) s = 0;
    BRD_Board.shape[1 + 1 * 5] = 1;
    BRD_Board.shape[3 + 4 * 5] = 1;
    BRD_Metrics();
    EXPECT_FLOAT_EQ(BRD_Centre.x, 2.0f);
    EXPECT_FLOAT_EQ(BRD_Centre.y, 2.5f);
    EXPECT_FLOAT_EQ(BRD_Extent.x, 2.0f);
    EXPECT_FLOAT_EQ(BRD_Extent.y, 3.0f);
    EXPECT_FLOAT_EQ(BRD_Radius, 5.0f);
    EXPECT_TRUE(BRD_InShape(1, 1));
    EXPECT_FALSE(BRD_InShape(2, 1));
    EXPECT_FALSE(BRD_InShape(-1, 1));
    EXPECT_FALSE(BRD_InShape(5, 0));
}

class BoardSizeTest : public LoggedTest {};

TEST_F(BoardSizeTest, TooBigAndShapeLimit)
{
    OpenLogIn("board");
    ASSERT_TRUE(BRD_SetSize(10, 10));  // 1400 cells
    EXPECT_FALSE(BRD_TooBig());
    // 10 x 14 would fit 2000 cells but not the 100-column shape: never accepted.
    EXPECT_FALSE(BRD_SetSize(10, 14));
    EXPECT_EQ(BRD_Width, 10);
    EXPECT_EQ(BRD_Height, 10);
    EXPECT_FALSE(BRD_SetSize(-2, 3));
    BRD_Width = 12;  // a size set behind the board's back is still caught
    BRD_Height = 12;
    EXPECT_TRUE(BRD_TooBig());
    BRD_SetSize(5, 5);
    EXPECT_NE(CloseAndReadLog().find("The Board is too big"), std::string::npos);
}
