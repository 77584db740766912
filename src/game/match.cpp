// game/match — same-colour groups and closed gem layers leave the board and score.
//
// Both searches walk the tick's claim grid (BRD_Cells) with an explicit stack, so a board full
// of one colour never recurses deeply. Only blocks at rest (settle 0) take part; a block that is
// already leaving the board is never counted again.
#include "game/match.h"

#include <climits>

#include "core/math.h"
#include "core/settings.h"
#include "app/clock.h"
#include "game/arcade.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/sfx.h"
#include "game/specials.h"
#include "render/fx.h"

int SCORE_Score = 0;
int SCORE_Pending = 0;
int MATCH_GemClears = 0;
float MATCH_Delay = 0.0f;

namespace {

constexpr int kListSize = 2000;     // blocks of one group or region
constexpr int kSearchLayers = 14;   // layers 0..13; blocks dropping in above are not yet in play
constexpr int kMinGroup = 3;        // no difficulty ever clears fewer
constexpr int kGemColour = 99;

// Cells of the group or region being collected, and the stack of cells still to look at.
int g_list[kListSize];
int g_count = 0;
int g_stack[kListSize * 6];
int g_top = 0;

int GroupColourOf(int type)
{
    const BlockType* t = BLK_Type(type);
    return t ? t->groupColour : 0;
}

bool CanStartGroup(int type)
{
    const BlockType* t = BLK_Type(type);
    return t && t->groups;
}

bool AtRest(const Block* b) { return b->settle == 0.0f; }

void ClearVisited()
{
    for (Cell& c : BRD_Cells) c.visited = 0;
}

void CellXYZ(int index, int& x, int& y, int& z)
{
    const int w = BRD_Width, h = BRD_Height;
    x = index % w;
    y = (index / w) % h;
    z = index / (w * h);
}

// Index of a searchable cell, or -1 off the board or outside the searched layers.
int SearchIndex(int x, int y, int z)
{
    if (z < 0 || z >= kSearchLayers) return -1;
    const int i = CELL_Index(x, y, z);
    return (i >= 0 && i < BRD_CellCount) ? i : -1;
}

void Push(int index)
{
    if (index >= 0 && g_top < static_cast<int>(sizeof(g_stack) / sizeof(g_stack[0])))
        g_stack[g_top++] = index;
}

void Add(int index)
{
    BRD_Cells[index].visited = 1;
    if (g_count < kListSize) g_list[g_count++] = index;
}

// A block joins a group of start type s when it is of the same type, or when both share a
// colour other than none (so red, red slider and static red are one group; crystals only
// join crystals).
bool JoinsGroup(const Block* b, int s)
{
    if (!b || b == BRD_Solid || b->removal != BLK_ALIVE || !AtRest(b)) return false;
    if (b->type == s) return true;
    const int colour = GroupColourOf(s);
    return colour != 0 && colour == GroupColourOf(b->type);
}

void CollectGroup(int start, int s)
{
    g_count = 0;
    g_top = 0;
    Push(start);
    while (g_top > 0) {
        const int i = g_stack[--g_top];
        Cell& c = BRD_Cells[i];
        if (c.visited || !JoinsGroup(c.block, s)) continue;
        Add(i);
        int x, y, z;
        CellXYZ(i, x, y, z);
        // Pushed in reverse so the walk goes -x, +x, -y, +y, down, up.
        Push(SearchIndex(x, y, z + 1));
        Push(SearchIndex(x, y, z - 1));
        Push(SearchIndex(x, y + 1, z));
        Push(SearchIndex(x, y - 1, z));
        Push(SearchIndex(x + 1, y, z));
        Push(SearchIndex(x - 1, y, z));
    }
}

// Collects the layer region around a gem. Walls, board edges, scenery and square blocks bound
// it; an empty cell inside it, or any block that is not a resting gem, spoils it.
bool CollectRegion(int start)
{
    bool clean = true;
    g_count = 0;
    g_top = 0;
    Push(start);
    while (g_top > 0) {
        const int i = g_stack[--g_top];
        Cell& c = BRD_Cells[i];
        int x, y, z;
        CellXYZ(i, x, y, z);
        if (c.visited || c.wall || !BRD_InShape(x, y)) continue;
        const Block* b = c.block;
        if (!b) {
            clean = false;
            continue;
        }
        if (b == BRD_Solid || b->type == BLK_SCENERY01 || b->type >= BLK_BLOCK1) continue;
        if (!AtRest(b) || b->removal != BLK_ALIVE || GroupColourOf(b->type) != kGemColour)
            clean = false;
        Add(i);
        Push(SearchIndex(x, y + 1, z));
        Push(SearchIndex(x, y - 1, z));
        Push(SearchIndex(x + 1, y, z));
        Push(SearchIndex(x - 1, y, z));
    }
    return clean;
}

void ClearGroup(int s)
{
    SCORE_Begin();
    if (s != BLK_CRYSTAL) {
        SFX_Play("SND_SCORE01", MTH_RandInt(30000, 10000));
        const int points = MATCH_GroupPoints(g_count);
        for (int k = 0; k < g_count; ++k) {
            Block* b = BRD_Cells[g_list[k]].block;
            SCORE_Add(points);
            if (b->colourful > 0.0f) STORM_Start(15.0f);
            b->removal = BLK_VANISH;
        }
    }
    SCORE_Commit();
}

void ClearRegion()
{
    // A short white flash stands in for the big glare of a gem clear.
    if (CFG_Detail > 0.9f) FX_StartFlash(1.0f, 1.0f, 1.0f, 0.3f, 0.05f);
    SCORE_Begin();
    const long long each = static_cast<long long>(MATCH_GemClears + 1) * g_count * 50;
    const int points = each > INT_MAX ? INT_MAX : static_cast<int>(each);
    for (int k = 0; k < g_count; ++k) {
        Block* b = BRD_Cells[g_list[k]].block;
        b->removal = BLK_SQUASH;
        SCORE_Add(points);
        if (CFG_Detail > 0.6f) {
            int x, y, z;
            CellXYZ(g_list[k], x, y, z);
            SFX_Effect("PFX_GONE_GEM", Vec3{static_cast<float>(x), static_cast<float>(y), z + 0.5f},
                       Vec3{0.0f, 0.0f, 1.0f});
        }
    }
    SCORE_Commit();
    SFX_Play("SND_SCORE02");
    ARC_Fireworks(8);
    ++MATCH_GemClears;
}

int SaturatingAdd(int a, int b)
{
    const long long sum = static_cast<long long>(a) + b;
    if (sum > INT_MAX) return INT_MAX;
    if (sum < INT_MIN) return INT_MIN;
    return static_cast<int>(sum);
}

} // namespace

void SCORE_Begin() { SCORE_Pending = 0; }
void SCORE_Add(int points) { SCORE_Pending = SaturatingAdd(SCORE_Pending, points); }
void SCORE_Commit() { SCORE_Score = SaturatingAdd(SCORE_Score, SCORE_Pending); }

int MATCH_GroupPoints(int size)
{
    if (size <= 3) return 25;
    if (size == 4) return 50;
    if (size == 5) return 100;
    if (size == 6) return 200;
    return 300;
}

void MATCH_Groups()
{
    if (MATCH_Delay > 0.0f) {
        MATCH_Delay -= TIM_GameDelta;
        if (MATCH_Delay < 0.0f) MATCH_Delay = 0.0f;
        return;
    }
    if (BRD_Width <= 0 || BRD_Height <= 0) return;
    ClearVisited();
    const int needed = ARC_Difficulty + 3 < kMinGroup ? kMinGroup : ARC_Difficulty + 3;
    for (int x = 0; x < BRD_Width; ++x)
        for (int y = 0; y < BRD_Height; ++y)
            for (int z = 0; z < kSearchLayers; ++z) {
                const int i = SearchIndex(x, y, z);
                if (i < 0) continue;
                const Cell& c = BRD_Cells[i];
                const Block* b = c.block;
                if (!b || c.visited || b == BRD_Solid || b->removal != BLK_ALIVE || !AtRest(b) ||
                    !CanStartGroup(b->type))
                    continue;
                const int s = b->type;
                CollectGroup(i, s);
                if (g_count >= needed) ClearGroup(s);
            }
}

void MATCH_Gems()
{
    if (BRD_Width <= 0 || BRD_Height <= 0) return;
    ClearVisited();
    for (int z = 0; z < kSearchLayers; ++z)
        for (int x = 0; x < BRD_Width; ++x)
            for (int y = 0; y < BRD_Height; ++y) {
                const int i = SearchIndex(x, y, z);
                if (i < 0) continue;
                const Block* b = BRD_Cells[i].block;
                if (!b || b == BRD_Solid || GroupColourOf(b->type) != kGemColour) continue;
                if (CollectRegion(i) && g_count > 0) ClearRegion();
            }
}
