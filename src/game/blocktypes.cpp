// game/blocktypes — the block type table, name lookup, model choice by cell parity and the
// per-kind live counts that the group search and arcade pressure read.
//
// Depends on nothing but the standard library. The table is constant and never grows; the live
// counts are plain ints filled once per tick by the block module.
#include "game/blocktypes.h"

#include <cstring>

namespace {
constexpr unsigned char Y = 1, N = 0;
} // namespace

//  name, size, kind, model, inner, odd, groupColour, groups, draggable, slides, falls, shadow, colour
const BlockType BLK_Types[BLK_TypeCount] = {
    {"Nothing", 1, 0, "BFM_NULL", "", "", 0, N, N, N, N, 0, {0.4f, 0.4f, 0.4f}},
    {"Red", 1, 1, "BFM_COLOR01", "", "", 1, Y, Y, N, Y, 1, {0.4f, 0.0f, 0.0f}},
    {"Green", 1, 2, "BFM_COLOR02", "", "", 2, Y, Y, N, Y, 1, {0.0f, 0.2f, 0.0f}},
    {"Blue", 1, 3, "BFM_COLOR03", "", "", 3, Y, Y, N, Y, 1, {0.0f, 0.16f, 0.52f}},
    {"Purple", 1, 4, "BFM_COLOR04", "", "", 4, Y, Y, N, Y, 1, {0.4f, 0.0f, 0.4f}},
    {"Yellow", 1, 5, "BFM_COLOR05", "", "", 5, Y, Y, N, Y, 1, {0.2f, 0.2f, 0.0f}},
    {"Metal", 1, 6, "BFM_METAL", "", "", 0, N, N, N, Y, 1, {0.2f, 0.2f, 0.2f}},
    {"RedSlider", 1, 1, "BFM_SLIDEFRAME", "BFM_S_COLOR01", "", 1, Y, Y, Y, Y, 1, {0.4f, 0.0f, 0.0f}},
    {"GreenSlider", 1, 2, "BFM_SLIDEFRAME", "BFM_S_COLOR02", "", 2, Y, Y, Y, Y, 1, {0.0f, 0.2f, 0.0f}},
    {"BlueSlider", 1, 3, "BFM_SLIDEFRAME", "BFM_S_COLOR03", "", 3, Y, Y, Y, Y, 1, {0.0f, 0.08f, 0.6f}},
    {"PurpleSlider", 1, 4, "BFM_SLIDEFRAME", "BFM_S_COLOR04", "", 4, Y, Y, Y, Y, 1, {0.4f, 0.0f, 0.4f}},
    {"YellowSlider", 1, 5, "BFM_SLIDEFRAME", "BFM_S_COLOR05", "", 5, Y, Y, Y, Y, 1, {0.4f, 0.4f, 0.0f}},
    {"MetalSlider", 1, 6, "BFM_SLIDEFRAME", "BFM_S_METAL01", "", 0, N, Y, Y, Y, 1, {0.2f, 0.2f, 0.2f}},
    {"RedScenery", 1, 1, "BFM_B_COLOR01", "", "", 1, Y, N, N, Y, 1, {0.4f, 0.0f, 0.0f}},
    {"GreenScenery", 1, 2, "BFM_B_COLOR02", "", "", 2, Y, N, N, Y, 1, {0.0f, 0.2f, 0.0f}},
    {"BlueScenery", 1, 3, "BFM_B_COLOR03", "", "", 3, Y, N, N, Y, 1, {0.0f, 0.08f, 0.6f}},
    {"PurpleScenery", 1, 4, "BFM_B_COLOR04", "", "", 4, Y, N, N, Y, 1, {0.4f, 0.0f, 0.4f}},
    {"YellowScenery", 1, 5, "BFM_B_COLOR05", "", "", 5, Y, N, N, Y, 1, {0.4f, 0.4f, 0.0f}},
    {"MetalScenery", 1, 6, "BFM_B_METAL01", "", "", 0, N, N, N, Y, 1, {0.2f, 0.2f, 0.2f}},
    {"Scenery01", 1, 19, "BFM_SCENERY01EVEN", "", "BFM_SCENERY01ODD", 0, N, N, N, N, 0, {0.2f, 0.2f, 0.2f}},
    {"Crumble1", 1, 20, "BFM_CRUMBLE01", "", "", 0, N, N, N, N, 0, {0.2f, 0.2f, 0.2f}},
    {"Crumble2", 1, 21, "BFM_CRUMBLE02", "", "", 0, N, N, N, N, 0, {0.2f, 0.2f, 0.2f}},
    {"Crumble3", 1, 22, "BFM_CRUMBLE03", "", "", 0, N, N, N, N, 0, {0.2f, 0.2f, 0.2f}},
    {"Bomb3", 1, 23, "BFM_SB_BOMB3", "", "", 0, N, Y, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"Bomb2", 1, 23, "BFM_SB_BOMB2", "", "", 0, N, Y, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"Bomb1", 1, 23, "BFM_SB_BOMB1", "", "", 0, N, Y, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"Bomb0", 1, 23, "BFM_SB_BOMB0", "", "", 0, N, Y, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"Mine", 1, 23, "BFM_BARREL", "", "", 0, N, N, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"Clone", 1, 28, "BFM_COLOR01", "", "", 0, N, Y, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"ResprayRed", 1, 29, "BFM_SB_RESPRAYR", "", "", 0, N, N, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"ResprayGreen", 1, 29, "BFM_SB_RESPRAYG", "", "", 0, N, N, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"ResprayBlue", 1, 29, "BFM_SB_RESPRAYB", "", "", 0, N, N, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"ResprayPurple", 1, 29, "BFM_SB_RESPRAYP", "", "", 0, N, N, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"ResprayYellow", 1, 29, "BFM_SB_RESPRAYY", "", "", 0, N, N, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"Magnet", 1, 34, "BFM_SB_MAGNET", "", "", 0, N, N, N, N, 0, {0.2f, 0.2f, 0.2f}},
    {"BlackHole", 1, 35, "BFM_SB_BLACKHOLE", "", "", 0, N, N, N, N, 0, {0.2f, 0.2f, 0.2f}},
    {"Gem", 1, 36, "BFM_GEMBOX01", "BFM_GEM01", "", 99, N, Y, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"Crystal", 1, 37, "BFM_GEMBOX01", "BFM_GEM02", "", 0, Y, Y, N, Y, 0, {0.2f, 0.2f, 0.2f}},
    {"Tele", 1, 38, "BFM_TELE", "", "", 0, N, N, N, Y, 0, {0.0f, 0.0f, 0.0f}},
    {"Absorb", 1, 39, "BFM_ABSORB1", "", "", 0, N, N, N, Y, 0, {0.0f, 0.0f, 0.0f}},
    {"Block1", 1, 19, "BFM_BLOCK1", "", "", 0, N, N, N, N, 0, {0.0f, 0.0f, 0.0f}},
    {"Block2", 2, 19, "BFM_BLOCK2", "", "", 0, N, N, N, N, 0, {0.0f, 0.0f, 0.0f}},
    {"Block3", 3, 19, "BFM_BLOCK3", "", "", 0, N, N, N, N, 0, {0.0f, 0.0f, 0.0f}},
    {"Block4", 4, 19, "BFM_BLOCK4", "", "", 0, N, N, N, N, 0, {0.0f, 0.0f, 0.0f}},
};

int BLK_LiveCount[BLK_TypeCount];

const BlockType* BLK_Type(int type)
{
    if (type < 0 || type >= BLK_TypeCount) return nullptr;
    return &BLK_Types[type];
}

int BLK_TypeByName(const char* name)
{
    if (!name) return 0;
    // Entry 0 is never found by name: a level line naming "Nothing" places no block.
    for (int i = 1; i < BLK_TypeCount; i++) {
        if (std::strcmp(BLK_Types[i].internalName, name) == 0) return i;
    }
    return 0;
}

const char* BLK_Model(int type, int x, int y, int z)
{
    const BlockType* t = BLK_Type(type);
    if (!t) return BLK_Types[0].model;
    // (x + y + z) & 1 rather than % 2 so that a negative sum still picks by parity.
    if (t->oddModel[0] && ((x + y + z) & 1)) return t->oddModel;
    return t->model;
}

int BLK_Kind(int type)
{
    const BlockType* t = BLK_Type(type);
    return t ? t->kind : 0;
}

void BLK_ResetLiveCounts()
{
    for (int& c : BLK_LiveCount) c = 0;
}

void BLK_CountLive(int type)
{
    const BlockType* t = BLK_Type(type);
    if (t) BLK_LiveCount[t->kind]++;
}
