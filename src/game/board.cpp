// game/board — the board record, the cell grid, block claims and metrics.
//
// Depends on core/math and core/log. The grid is rebuilt every tick: the game update clears
// the claims, then every block claims its cells during the scheduler pass; later claims win.
// Every index is checked against the 2000 cells before it is written, so a block far above the
// board (drops start high) can never write past the grid.
#include "game/board.h"

#include <cstring>

#include "core/log.h"

Board BRD_Board;
int BRD_Width = 0;
int BRD_Height = 0;
int BRD_Depth = BRD_Layers;
Cell BRD_Cells[BRD_CellCount];
Block* BRD_Solid = nullptr;
Vec3 BRD_Centre{};
Vec3 BRD_Extent{};
float BRD_Radius = 2.5f;

namespace {

void Put(int index, Block* block)
{
    if (index >= 0 && index < BRD_CellCount) BRD_Cells[index].block = block;
}

bool HasFraction(float v) { return v != (float)(int)v; }

} // namespace

int CELL_Index(int x, int y, int z)
{
    if (x < 0 || y < 0 || x >= BRD_Width || y >= BRD_Height || z < 0) return -1;
    return x + BRD_Width * (y + z * BRD_Height);
}

int CELL_IndexAt(const Vec3& p)
{
    // Positions on the board are never negative; anything below 0 is off it, not cell 0.
    if (p.x < 0.0f || p.y < 0.0f || p.z < 0.0f) return -1;
    return CELL_Index((int)p.x, (int)p.y, (int)p.z);
}

bool BRD_InShape(int x, int y)
{
    if (x < 0 || y < 0 || x >= BRD_Width || y >= BRD_Height) return false;
    int i = x + y * BRD_Width;
    return i < BRD_MaxColumns && BRD_Board.shape[i] != 0;
}

bool BRD_SetSize(int width, int height)
{
    if (width < 0 || height < 0 || width * height > BRD_MaxColumns) return false;
    BRD_Board.width = width;
    BRD_Board.height = height;
    BRD_Board.depth = BRD_Layers;
    std::memset(BRD_Board.shape, 0, sizeof BRD_Board.shape);
    BRD_Width = width;
    BRD_Height = height;
    BRD_Depth = BRD_Layers;
    return true;
}

void BRD_Claim(Block* block, const Vec3& pos, int size)
{
    if (pos.x < 0.0f || pos.y < 0.0f || pos.z < 0.0f) return;
    int x = (int)pos.x, y = (int)pos.y, z = (int)pos.z;
    if (size > 1) {
        // Until the block module has registered its solid record, the block itself fills the
        // extra cells, so they still count as taken.
        Block* fill = BRD_Solid ? BRD_Solid : block;
        for (int k = 0; k < size; k++)
            for (int j = 0; j < size; j++)
                for (int i = 0; i < size; i++) Put(CELL_Index(x + i, y + j, z + k), fill);
    }
    int index = CELL_Index(x, y, z);
    if (index < 0) return;
    Put(index, block);
    // A block between cells claims the next one along each axis with a fraction, each step
    // counted from the last cell written, so (2.5, 3.5) takes (2,3), (3,3) and (3,4).
    int cx = x, cy = y, cz = z;
    if (HasFraction(pos.x)) { cx++; Put(CELL_Index(cx, cy, cz), block); }
    if (HasFraction(pos.y)) { cy++; Put(CELL_Index(cx, cy, cz), block); }
    if (HasFraction(pos.z)) { cz++; Put(CELL_Index(cx, cy, cz), block); }
}

void BRD_ClearClaims()
{
    for (Cell& c : BRD_Cells) c.block = nullptr;
}

void BRD_ClearGrid()
{
    std::memset(BRD_Cells, 0, sizeof BRD_Cells);
}

void BRD_Metrics()
{
    int minX = BRD_Width, minY = BRD_Height, maxX = 0, maxY = 0;
    for (int y = 0; y < BRD_Height; y++) {
        for (int x = 0; x < BRD_Width; x++) {
            if (!BRD_InShape(x, y)) continue;
            if (x < minX) minX = x;
            if (y < minY) minY = y;
            if (x > maxX) maxX = x;
            if (y > maxY) maxY = y;
        }
    }
    BRD_Centre = Vec3{(minX + maxX) * 0.5f, (minY + maxY) * 0.5f, 0.0f};
    BRD_Extent = Vec3{(float)(maxX - minX), (float)(maxY - minY), 0.0f};
    BRD_Radius = (BRD_Extent.x + BRD_Extent.y) * 0.5f + 2.5f;
}

bool BRD_TooBig()
{
    if (BRD_Width * BRD_Height * BRD_Layers >= BRD_CellCount ||
        BRD_Width * BRD_Height > BRD_MaxColumns) {
        LOG_Fatal("The Board is too big");
        return true;
    }
    return false;
}
