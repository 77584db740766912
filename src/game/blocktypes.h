// game/blocktypes — the constant table of the 44 block types: names used by level files, models,
// group colour, the drag/slide/fall flags, highlight colours, and the per-tick live counts.
//
// Depends on nothing but the standard library. Limits: the table is fixed at 44 entries; names
// are compared byte for byte (case-sensitive); live counts are only meaningful on kind entries.
#pragma once

constexpr int BLK_TypeCount = 44;

struct BlockType {
    const char* internalName;   // name used on "BLK" lines of level files
    int size;                   // edge length N of an N x N x N block
    int kind;                   // entry that represents this type's family when counting
    const char* model;          // main model
    const char* innerModel;     // model of the child shown inside the block; "" when none
    const char* oddModel;       // model on cells where x + y + z is odd; "" when none
    int groupColour;            // 1 red, 2 green, 3 blue, 4 purple, 5 yellow, 99 gem, 0 none
    unsigned char groups;       // can start a colour group
    unsigned char draggable;    // the player can drag it
    unsigned char slides;       // keeps moving after a player move
    unsigned char falls;        // gravity applies
    int castsShadow;            // casts a drop shadow while moving
    float colour[3];            // highlight and particle colour
};

// Well-known type indexes other modules key behaviour on.
enum : int {
    BLK_NOTHING = 0, BLK_RED = 1, BLK_YELLOW = 5, BLK_METAL = 6,
    BLK_REDSLIDER = 7, BLK_METALSLIDER = 12, BLK_REDSCENERY = 13, BLK_METALSCENERY = 18,
    BLK_SCENERY01 = 19, BLK_CRUMBLE1 = 20, BLK_CRUMBLE3 = 22,
    BLK_BOMB3 = 23, BLK_BOMB2 = 24, BLK_BOMB1 = 25, BLK_BOMB0 = 26, BLK_MINE = 27,
    BLK_CLONE = 28, BLK_RESPRAYRED = 29, BLK_RESPRAYYELLOW = 33, BLK_MAGNET = 34,
    BLK_BLACKHOLE = 35, BLK_GEM = 36, BLK_CRYSTAL = 37, BLK_TELE = 38, BLK_ABSORB = 39,
    BLK_BLOCK1 = 40, BLK_BLOCK2 = 41, BLK_BLOCK3 = 42, BLK_BLOCK4 = 43,
};

extern const BlockType BLK_Types[BLK_TypeCount];  // the table, in index order
extern int BLK_LiveCount[BLK_TypeCount];          // live, not dying blocks per kind entry (this tick)

const BlockType* BLK_Type(int type);       // entry of type, or null outside 0..43
int BLK_TypeByName(const char* name);      // first of entries 1..43 named exactly so; 0 when none
const char* BLK_Model(int type, int x, int y, int z);  // oddModel on odd x+y+z cells when it has one
int BLK_Kind(int type);                    // the family entry of type; 0 outside the table
void BLK_ResetLiveCounts();                // every live count to 0 (before the tick's counting)
void BLK_CountLive(int type);              // one more live block of type's kind
