// Block types: name lookup (entry 0 never by name, case-sensitive), model choice by parity,
// families and the live counts per kind.
#include <gtest/gtest.h>

#include <cstring>

#include "game/blocktypes.h"

TEST(BlockTypes, TypeByName)
{
    struct Case { const char* name; int type; } cases[] = {
        {"Red", 1}, {"Metal", 6}, {"YellowSlider", 11}, {"Scenery01", 19}, {"Bomb3", 23},
        {"Mine", 27}, {"Absorb", 39}, {"Block4", 43},
        {"Nothing", 0}, {"Slide Red", 0}, {"red", 0}, {"", 0}, {"Block5", 0}, {nullptr, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(BLK_TypeByName(c.name), c.type) << (c.name ? c.name : "null");
    // Every entry but 0 is found by its own name, so no name is repeated before its entry.
    for (int i = 1; i < BLK_TypeCount; i++) EXPECT_EQ(BLK_TypeByName(BLK_Types[i].internalName), i);
}

TEST(BlockTypes, ModelByParity)
{
    EXPECT_STREQ(BLK_Model(BLK_SCENERY01, 0, 0, 0), "BFM_SCENERY01EVEN");
    EXPECT_STREQ(BLK_Model(BLK_SCENERY01, 1, 0, 0), "BFM_SCENERY01ODD");
    EXPECT_STREQ(BLK_Model(BLK_SCENERY01, 1, 1, 1), "BFM_SCENERY01ODD");
    EXPECT_STREQ(BLK_Model(BLK_SCENERY01, 2, 3, 1), "BFM_SCENERY01EVEN");
    // Types without an odd model keep theirs on odd cells.
    EXPECT_STREQ(BLK_Model(BLK_RED, 1, 0, 0), "BFM_COLOR01");
    EXPECT_STREQ(BLK_Model(BLK_BLOCK2, 1, 0, 0), "BFM_BLOCK2");
    // Out of the table: the empty model, never a read past the array.
    EXPECT_STREQ(BLK_Model(44, 0, 0, 0), "BFM_NULL");
    EXPECT_STREQ(BLK_Model(-1, 0, 0, 0), "BFM_NULL");
}

TEST(BlockTypes, FamiliesAndFlags)
{
    // A colour's plain block, slider and static block share one kind and one group colour.
    for (int c = 1; c <= 5; c++) {
        EXPECT_EQ(BLK_Kind(c), c);
        EXPECT_EQ(BLK_Kind(c + 6), c);
        EXPECT_EQ(BLK_Kind(c + 12), c);
        EXPECT_EQ(BLK_Types[c + 6].groupColour, c);
        EXPECT_EQ(BLK_Types[c + 12].groupColour, c);
        EXPECT_TRUE(BLK_Types[c + 6].slides);
        EXPECT_FALSE(BLK_Types[c + 12].draggable);
    }
    for (int t = BLK_BOMB3; t <= BLK_MINE; t++) EXPECT_EQ(BLK_Kind(t), BLK_BOMB3);
    for (int t = BLK_BLOCK1; t <= BLK_BLOCK4; t++) {
        EXPECT_EQ(BLK_Kind(t), BLK_SCENERY01);
        EXPECT_EQ(BLK_Types[t].size, t - BLK_BLOCK1 + 1);
    }
    EXPECT_EQ(BLK_Types[BLK_GEM].groupColour, 99);
    EXPECT_TRUE(BLK_Types[BLK_CRYSTAL].groups);
    EXPECT_FALSE(BLK_Types[BLK_METALSLIDER].groups);
    EXPECT_TRUE(BLK_Types[BLK_METALSLIDER].draggable);
    EXPECT_FALSE(BLK_Types[BLK_MAGNET].falls);
}

TEST(BlockTypes, LiveCountsGoToTheKind)
{
    BLK_ResetLiveCounts();
    int types[] = {BLK_RED, BLK_REDSLIDER, BLK_REDSCENERY, BLK_BOMB2, BLK_MINE, BLK_BLOCK3, 99, -5};
    for (int t : types) BLK_CountLive(t);
    EXPECT_EQ(BLK_LiveCount[BLK_RED], 3);
    EXPECT_EQ(BLK_LiveCount[BLK_BOMB3], 2);
    EXPECT_EQ(BLK_LiveCount[BLK_SCENERY01], 1);
    EXPECT_EQ(BLK_LiveCount[BLK_REDSLIDER], 0);
    BLK_ResetLiveCounts();
    for (int c : BLK_LiveCount) EXPECT_EQ(c, 0);
}
