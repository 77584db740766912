// game/level — the ".lev" level reader: kind, two backdrop descriptions, camera values, board
// size and shape, the level's limits and the grid of blocks that stand on the board at start.
//
// Depends on game/board, game/blocktypes, data/tag (file loading), core/log and app/err (the
// invalid-resources report for unknown tags). Limits: files are parsed as bytes in memory; a
// "DIM" larger than the 100-column shape, "BLK" lines off the board or above layer 13 and extra
// "SHA" values are refused with a log line naming the file and line; tokens are cut at 63 bytes.
#pragma once
#include <cstddef>
#include <string>

#include "game/board.h"

struct Block;

struct Backdrop {
    char texture[32];
    float scale[3];
    int animMode;
    float animA, animB;
    float spare1;
    float moveX, moveY;
    float spare2[2];
    float fogFar;
    float fogNear;
    float fogColour[3];
    float colour1[3];
    int colourMode;
    float colourSpeed;
    float colour2[3];
    float fogDarken;
    int blendMode;
    int vClamp;
    float parallax;
    float fogColour2[3];
};

struct Level {
    int levelKind = 2;        // 2 puzzle, 3 arcade (kept; arcade play does not change with it)
    float cameraA = 0.15f;
    float cameraB = 2.5f;
    int moves = 0;
    int time = 30;            // seconds
    int best = 20;
    int grid[BRD_CellCount] = {};  // block type to place, by cell index
    int topLayer = 0;         // highest z named by a "BLK" line
    Backdrop backdrop1{};
    Backdrop backdrop2{};
    int backdrop2Type = 0;    // 0: no second backdrop
    float fadeIn = 1.0f;
};

extern Level LEV_Level;       // the current level
extern float LEV_TimeLeft;    // the game's time left, set from the level's time when it is read

// Spawns one block of type standing at cell (x, y, z) and claims its cells at once; false when
// it was refused.
using LevSpawnFn = bool (*)(int type, int x, int y, int z);

void LEV_ResetBackdrop(Backdrop* b);        // the defaults of a backdrop record
bool LEV_Read(const std::string& path);     // false when the file cannot be opened
bool LEV_ReadText(const char* text, size_t size, const char* name);  // the reader over bytes;
                                            // name labels log lines; false when text is null
void LEV_ClearGrid();                       // every grid entry to 0
int LEV_PlaceBlocks(LevSpawnFn spawn);      // spawns every grid entry in index order (the spawn
                                            // claims its cells at once); entries on claimed cells
                                            // are skipped (clear the claims first); answers the
                                            // blocks spawned
