// game/board — the board record, the cell grid, block claims, metrics, and the board's scenery.
//
// Depends on core/math and core/log; the scenery on scene/object and render/mesh. The grid is
// rebuilt every tick: the game update clears the claims, then every block claims its cells
// during the scheduler pass; later claims win. Every index is checked against the 2000 cells
// before it is written, so a block far above the board (drops start high) can never write past
// the grid.
//
// The scenery, built when a level starts, is wall cells for the columns outside the shape and
// one scene object per tile, rim edge and rim corner. The pieces run a behaviour that only
// waits, claim no cells and are not blocks. Their models are authored with the outward side on
// local +y (the object's heading): an edge trims the tile's +y side, a corner sits round the
// tile corner that lies on the diagonal the heading points at.
#include "game/board.h"

#include <cmath>
#include <cstring>

#include "core/log.h"
#include "render/mesh.h"
#include "scene/object.h"

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

// ---- Scenery ----

namespace {

const char* const kModels[] = {"BFM_BOARD01_EVEN01", "BFM_BOARD01_ODD01", "BFM_BOARD01_EDGE01",
                               "BFM_BOARD01_CORNER01"};

Object* Place(int kind, const char* model, int x, int y, const Vec3& heading)
{
    Object* o = OBJ_New(BRD_PieceBehaviour);
    if (!o) return nullptr;
    o->position = Vec3{(float)x, (float)y, 0.0f};
    o->heading = heading;
    o->renderMode = RENDER_MESH;
    o->userInt = kind;
    OBJ_SetModel(o, MESH_Find(model), false);
    OBJ_Moved(o);
    return o;
}

} // namespace

Behaviour BRD_PieceBehaviour()
{
    for (;;) co_await OBJ_Wait(1000000);
}

void BRD_Build()
{
    // A second build (a restart) replaces the scenery instead of stacking another copy on it.
    BRD_KillTiles();
    BRD_Metrics();

    static const Vec3 kTileHeadings[4] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    static const int kSides[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    static const int kCorners[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    const float diag = std::sqrt(0.5f);

    for (int y = 0; y < BRD_Height; y++) {
        for (int x = 0; x < BRD_Width; x++) {
            const bool in = BRD_InShape(x, y);
            // Every layer the grid holds over the column, not only the 14 of the stack: a block
            // carried above layer 13 must not be let into a column that has no floor.
            for (int z = 0;; z++) {
                int i = CELL_Index(x, y, z);
                if (i < 0 || i >= BRD_CellCount) break;
                BRD_Cells[i].wall = in ? 0 : 1;
            }
            if (!in) continue;

            const int odd = (x + y) & 1;
            Place(odd ? BRD_PIECE_ODD : BRD_PIECE_EVEN, kModels[odd], x, y, kTileHeadings[MTH_RandInt(0, 4)]);
            for (const auto& s : kSides) {
                if (BRD_InShape(x + s[0], y + s[1])) continue;
                Place(BRD_PIECE_EDGE, kModels[2], x, y, Vec3{(float)s[0], (float)s[1], 0.0f});
            }
            for (const auto& c : kCorners) {
                const bool a = BRD_InShape(x + c[0], y), b = BRD_InShape(x, y + c[1]);
                const bool d = BRD_InShape(x + c[0], y + c[1]);
                const bool inner = a && b && !d, outer = !a && !b && !d;
                if (!inner && !outer) continue;
                Place(BRD_PIECE_CORNER, kModels[3], x, y, Vec3{c[0] * diag, c[1] * diag, 0.0f});
            }
        }
    }
}

void BRD_KillTiles()
{
    for (Object* o = OBJ_FindByBehaviour(BRD_PieceBehaviour, nullptr); o;
         o = OBJ_FindByBehaviour(BRD_PieceBehaviour, o)) {
        // Killing again would restart its four readable ticks.
        if (o->state != OBJ_STATE_DYING) OBJ_Kill(o);
    }
}

int BRD_TileCount()
{
    int n = 0;
    for (Object* o = OBJ_FindByBehaviour(BRD_PieceBehaviour, nullptr); o;
         o = OBJ_FindByBehaviour(BRD_PieceBehaviour, o))
        n += o->state != OBJ_STATE_DYING;
    return n;
}
