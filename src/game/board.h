// game/board — the board record (size and shape mask), the 2000-cell grid with its per-tick
// block claims, the board metrics (centre, extent, radius) the camera and furniture use, and
// the board's scenery built at level start (wall cells; tile, rim edge and rim corner objects).
//
// Depends on core/math (Vec3) and core/log; the scenery on scene/object and render/mesh.
// Limits: at most 100 columns in the shape and 2000 cells; cell indices have no upper bound on z
// other than the 2000 cells, which BRD_Claim checks before it writes. Blocks are opaque here: the
// grid only stores their addresses.
#pragma once
#include <cstdint>

#include "core/math.h"

struct Block;  // the block record, owned by the block module
class Behaviour;  // scene/object

constexpr int BRD_Layers = 14;       // layers over every column
constexpr int BRD_MaxColumns = 100;  // bytes of the shape mask
constexpr int BRD_CellCount = 2000;  // cells of the grid

struct Board {
    int width = 0;
    int height = 0;
    int depth = BRD_Layers;
    uint8_t shape[BRD_MaxColumns] = {};  // shape[x + y * width] != 0: column (x, y) is on the board
};

struct Cell {
    uint8_t visited;  // scratch mark for the group searches
    uint8_t wall;     // column outside the shape (set at board build)
    Block* block;     // the block claiming the cell this tick, or null
};

extern Board BRD_Board;                 // the current board
extern int BRD_Width;                   // = BRD_Board.width
extern int BRD_Height;                  // = BRD_Board.height
extern int BRD_Depth;                   // layer count, always 14
extern Cell BRD_Cells[BRD_CellCount];   // the cell grid
extern Block* BRD_Solid;                // the shared type-40 record that fills the extra cells of an
                                        // N x N x N block; set once by the block module
extern Vec3 BRD_Centre;                 // centre of the shape's bounding box (z = 0)
extern Vec3 BRD_Extent;                 // size of the bounding box (z = 0)
extern float BRD_Radius;                // (extent x + extent y) / 2 + 2.5

// x + w (y + z h); -1 off the board or below layer 0. Inline: every search of the grid calls it.
inline int CELL_Index(int x, int y, int z)
{
    if (x < 0 || y < 0 || x >= BRD_Width || y >= BRD_Height || z < 0) return -1;
    return x + BRD_Width * (y + z * BRD_Height);
}
int CELL_IndexAt(const Vec3& p);            // CELL_Index of the truncated position
bool BRD_InShape(int x, int y);             // false off the board, else the shape byte
bool BRD_SetSize(int width, int height);    // sets size and globals, clears the shape; false
                                            // (nothing changed) for sizes the shape cannot hold
void BRD_Claim(Block* block, const Vec3& pos, int size);  // claims the cells of a block at pos
void BRD_ClearClaims();                     // every cell's block reference to null
void BRD_ClearGrid();                       // every cell to zero (claims, walls, marks)
void BRD_Metrics();                         // recomputes BRD_Centre, BRD_Extent, BRD_Radius
bool BRD_TooBig();                          // true (with the fatal log line) when the board's
                                            // cells would not fit the grid

// ---- Scenery ----
// Kinds of scenery piece, kept in the piece object's userInt.
enum : int { BRD_PIECE_EVEN = 0, BRD_PIECE_ODD = 1, BRD_PIECE_EDGE = 2, BRD_PIECE_CORNER = 3 };
void BRD_Build();                           // wall cells (every layer over a column outside the
                                            // shape), metrics, and the tile, edge and corner
                                            // objects; replaces the pieces of an earlier build
void BRD_KillTiles();                       // kills every tile, edge and corner object
int BRD_TileCount();                        // live tile, edge and corner objects
Behaviour BRD_PieceBehaviour();             // the pieces' behaviour (waits forever); find them
                                            // with OBJ_FindByBehaviour
