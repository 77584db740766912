// Board and cells: cell indices and their bounds, claims (fractions claim the next cells,
// N x N x N blocks fill with the solid reference, later claims win), metrics, the size test, and
// the board build (wall cells, tiles by parity, rim edges and inner and outer corners).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/log.h"
#include "core/math.h"
#include "game/board.h"
#include "scene/object.h"
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

// ---- Board build: wall cells, and the tile, edge and corner pieces ----

namespace {

// An L of five columns on a 3 x 3 board:  y2 X . .
//                                          y1 X . .
//                                          y0 X X X
// Its rim has five outer corners and one inner corner (at the bend, towards (1, 1)).
class BoardBuildTest : public testing::Test {
protected:
    void SetUp() override
    {
        OBJ_InitLists();
        MTH_SeedRand(7);
        ASSERT_TRUE(BRD_SetSize(3, 3));
        for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {2, 0}, {0, 1}, {0, 2}}) BRD_Board.shape[x + y * 3] = 1;
        BRD_ClearGrid();
    }
    void TearDown() override
    {
        OBJ_DestroyAll();
        BRD_ClearGrid();
    }
    static std::vector<Object*> Pieces(int kind)
    {
        std::vector<Object*> out;
        for (Object* o = OBJ_FindByBehaviour(BRD_PieceBehaviour, nullptr); o;
             o = OBJ_FindByBehaviour(BRD_PieceBehaviour, o))
            if (o->userInt == kind && o->state != OBJ_STATE_DYING) out.push_back(o);
        return out;
    }
    // The column one step from the piece's cell along its heading (diagonals for corners).
    static bool FacesShape(const Object* o)
    {
        const int dx = o->heading.x > 0.1f ? 1 : o->heading.x < -0.1f ? -1 : 0;
        const int dy = o->heading.y > 0.1f ? 1 : o->heading.y < -0.1f ? -1 : 0;
        return BRD_InShape((int)o->position.x + dx, (int)o->position.y + dy);
    }
};

} // namespace

TEST_F(BoardBuildTest, AnLShapedBoardGetsItsTilesRimEdgesAndCorners)
{
    BRD_Build();
    const auto even = Pieces(BRD_PIECE_EVEN), odd = Pieces(BRD_PIECE_ODD);
    const auto edges = Pieces(BRD_PIECE_EDGE), corners = Pieces(BRD_PIECE_CORNER);
    EXPECT_EQ(even.size(), 3u);   // (0,0), (2,0), (0,2)
    EXPECT_EQ(odd.size(), 2u);    // (1,0), (0,1)
    EXPECT_EQ(edges.size(), 12u);
    EXPECT_EQ(corners.size(), 6u);
    EXPECT_EQ(BRD_TileCount(), 23);

    for (const auto* list : {&even, &odd}) {
        for (const Object* t : *list) {
            EXPECT_TRUE(BRD_InShape((int)t->position.x, (int)t->position.y));
            EXPECT_EQ(((int)t->position.x + (int)t->position.y) & 1, t->userInt);
            EXPECT_EQ(t->position.z, 0.0f);
            EXPECT_EQ(std::fabs(t->heading.x) + std::fabs(t->heading.y), 1.0f);  // one of the four axes
            EXPECT_EQ(t->renderMode, RENDER_MESH);
        }
    }
    // Every edge and corner looks out of the shape, never along or into it.
    for (const Object* e : edges) {
        EXPECT_EQ(std::fabs(e->heading.x) + std::fabs(e->heading.y), 1.0f);
        EXPECT_FALSE(FacesShape(e)) << e->position.x << "," << e->position.y;
    }
    int inner = 0;
    for (const Object* c : corners) {
        EXPECT_NEAR(std::fabs(c->heading.x), std::sqrt(0.5f), 1e-6);
        EXPECT_NEAR(std::fabs(c->heading.y), std::sqrt(0.5f), 1e-6);
        EXPECT_FALSE(FacesShape(c));
        if (c->position.x == 0.0f && c->position.y == 0.0f && c->heading.x > 0 && c->heading.y > 0) inner++;
    }
    EXPECT_EQ(inner, 1);
    // Scenery claims no cells.
    for (const Cell& cell : BRD_Cells) EXPECT_EQ(cell.block, nullptr);
}

TEST_F(BoardBuildTest, ColumnsOutsideTheShapeAreWallsAllTheWayUp)
{
    BRD_Build();
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 3; x++) {
            int layers = 0;
            for (int z = 0; CELL_Index(x, y, z) >= 0 && CELL_Index(x, y, z) < BRD_CellCount; z++, layers++)
                EXPECT_EQ(BRD_Cells[CELL_Index(x, y, z)].wall, BRD_InShape(x, y) ? 0 : 1) << x << y << z;
            EXPECT_GT(layers, 17);   // above the 14 layers of the stack too
        }
    }
}

TEST_F(BoardBuildTest, ABuildReplacesTheLastOneAndKillingLeavesNoPieces)
{
    BRD_Build();
    BRD_Build();
    EXPECT_EQ(BRD_TileCount(), 23);
    BRD_KillTiles();
    EXPECT_EQ(BRD_TileCount(), 0);

    // Filling the bend gives a staircase, walled and rimmed afresh: six outer corners and two
    // inner ones, none left at the old bend.
    BRD_Board.shape[1 + 1 * 3] = 1;
    BRD_Build();
    EXPECT_EQ(BRD_Cells[CELL_Index(1, 1, 0)].wall, 0);
    const auto corners = Pieces(BRD_PIECE_CORNER);
    EXPECT_EQ(corners.size(), 8u);
    for (const Object* c : corners) EXPECT_FALSE(c->position.x == 0.0f && c->position.y == 0.0f && c->heading.x > 0);
    EXPECT_EQ(BRD_TileCount(), 6 + 12 + 8);
}
