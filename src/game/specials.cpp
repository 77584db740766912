// game/specials — the board-wide side of misbehaving blocks: odd events (swap, metal, slide,
// spawn) with their timer, the colourful state's start, the strobe storm, and the absorbers that
// swallow whatever enters their cell.
//
// Depends on game/block (spawn, moves, rest), game/board (cells and claims), game/blocktypes,
// game/arcade (difficulty), game/mode (mode time), game/sfx, render/mesh, scene/object,
// app/clock, core/math. Limits: 10 odd-list entries and 128 absorbers a tick; the cell grid is
// only read, except through BLK_Spawn.
#include "game/specials.h"

#include <cstdio>

#include "app/clock.h"
#include "core/math.h"
#include "game/arcade.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/mode.h"
#include "game/sfx.h"
#include "render/mesh.h"
#include "scene/object.h"

float ODD_Timer = 0.0f;
Block* ODD_List[ODD_ListSize] = {};
int ODD_ListCount = 0;
float STORM_ColourfulCooldown = 0.0f;
float STORM_Time = 0.0f;
float STORM_Level = 0.0f;
float STORM_Strobe = 0.0f;
uint8_t STORM_RgbFlag = 0;
Block* ABS_List[ABS_ListSize] = {};
int ABS_Count = 0;
float SPC_HintAlpha = 0.0f;

namespace {

constexpr int kColours = 5;
constexpr float kMetalSeconds = 20.0f;
constexpr float kColourfulSeconds = 10.0f;
constexpr float kColourfulChance = 15.0f;     // percent, per odd event
constexpr float kColourfulAfter = 10.0f;      // seconds of play before the first
constexpr int kCellTries = 100;
constexpr float kStormRate = 0.5f;            // storm level per second, up and down
constexpr float kStrobeSeconds = 0.03f;
constexpr float kAbsorbCooldown = 0.5f;

int OddFrequency() { return MTH_RandInt(20000, 4096); }   // 20000 .. 24095

// The colour (1..5) a type belongs to: plain, slider and static blocks of a colour; 0 for others.
int ColourOf(int type)
{
    int kind = BLK_Kind(type);
    return kind >= 1 && kind <= kColours ? kind : 0;
}

// A live block that can take part in an odd event: the shared solid record of big blocks has no
// object, and a block on its way out is left alone.
bool Eligible(const Block* b)
{
    return b && b->object && b->object->state != OBJ_STATE_DYING && b->removal == BLK_ALIVE;
}

// A new type, with its model at once (the behaviour would change it later this tick anyway).
void SetType(Block* b, int type)
{
    b->type = type;
    int model = 0;
    if (type >= 1 && type <= kColours) model = BLK_ColourModel(type, false);
    if (!model) {
        const Vec3& p = b->object->position;
        model = MESH_Find(BLK_Model(type, (int)p.x, (int)p.y, (int)p.z));
    }
    if (model) OBJ_SetModel(b->object, model, true);
}

void Shuffle(int* items, int n)
{
    for (int i = n - 1; i > 0; i--) {
        int j = MTH_RandInt(0, i + 1);
        MTH_SwapInt(items[i], items[j]);
    }
}

void Swap(Block* b)
{
    SetType(b, ODD_OtherColour(b->type));
    SFX_Play("SND_N_SWAP", OddFrequency());
}

void Metal(Block* b)
{
    SetType(b, BLK_METAL);
    b->metalTimer = kMetalSeconds;
    SFX_Play("SND_N_METAL", OddFrequency());
}

bool Slide(Block* b)
{
    static const Vec3 kVectors[4] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}};
    int dirs[4] = {BLK_DIR_MX, BLK_DIR_PX, BLK_DIR_MY, BLK_DIR_PY};
    Shuffle(dirs, 4);
    int cell = CELL_IndexAt(b->object->position);
    for (int dir : dirs) {
        if (!BLK_TryMove(b, cell, dir, true, true)) continue;
        BLK_QueueMove(b, kVectors[dir - BLK_DIR_MX], true);
        SFX_Play("SND_N_SLIDE", OddFrequency());
        return true;
    }
    return false;
}

bool Spawn(Block* b)
{
    int cell = ODD_SpawnTarget(b);
    if (cell < 0) return false;
    const int layer = BRD_Width * BRD_Height;
    Vec3 pos{(float)(cell % BRD_Width), (float)((cell / BRD_Width) % BRD_Height), (float)(cell / layer)};
    if (!BLK_Spawn(pos, ODD_OtherColour(b->type), true, true)) return false;
    SFX_Play("SND_N_SPAWN", OddFrequency());
    return true;
}

void OddEvent(Block* b)
{
    if (b->type == BLK_METAL) {
        b->metalTimer = 0.0f;
        SetType(b, MTH_RandInt(1, kColours));
        SFX_Play("SND_N_UNMETAL", OddFrequency());
        return;
    }
    switch (MTH_RandInt(0, 99) % 4) {
    case 2:
        if (Spawn(b) || Slide(b)) break;
        Swap(b);
        break;
    case 1:
        if (!Slide(b)) Swap(b);
        break;
    case 0:
        Swap(b);
        break;
    default:
        Metal(b);
        break;
    }
}

bool AnyColourful()
{
    for (const Cell& c : BRD_Cells)
        if (c.block && c.block->colourful > 0.0f) return true;
    return false;
}

// A random cell's block for the next odd event, or null after the tries run out.
Block* PickOddBlock()
{
    for (int i = 0; i < kCellTries; i++) {
        Block* b = BRD_Cells[MTH_RandInt(0, BRD_CellCount)].block;
        if (!Eligible(b) || !BLK_AtRest(b)) continue;
        if (b->colourful > 0.0f || b->oddFlash > 0.0f) continue;
        return b;
    }
    return nullptr;
}

bool Contains(Block* const* list, int count, const Block* b)
{
    for (int i = 0; i < count; i++)
        if (list[i] == b) return true;
    return false;
}

// Removes b from a list, keeping the order of the rest.
void Remove(Block** list, int& count, const Block* b)
{
    int n = 0;
    for (int i = 0; i < count; i++)
        if (list[i] != b) list[n++] = list[i];
    for (int i = n; i < count; i++) list[i] = nullptr;
    count = n;
}

} // namespace

int ODD_OtherColour(int type)
{
    int own = ColourOf(type);
    if (!own) return MTH_RandInt(1, kColours);
    int c = MTH_RandInt(1, kColours - 1);
    return c >= own ? c + 1 : c;
}

int ODD_SpawnTarget(const Block* b)
{
    if (!b || !b->object || BRD_Width <= 0 || BRD_Height <= 0) return -1;
    const Vec3& p = b->object->position;
    const int x = (int)p.x, y = (int)p.y, z = (int)p.z;
    // Neighbours by coordinates, not by index arithmetic: a step off the side of the board must
    // not wrap round to the far column or the row below.
    struct Step { int dx, dy, dz; } steps[5] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, 1}};
    int order[5] = {0, 1, 2, 3, 4};
    Shuffle(order, 5);
    for (int k : order) {
        const int nx = x + steps[k].dx, ny = y + steps[k].dy, nz = z + steps[k].dz;
        const int cell = CELL_Index(nx, ny, nz);
        if (cell < 0 || cell >= BRD_CellCount) continue;
        if (BRD_Cells[cell].wall || BRD_Cells[cell].block) continue;
        const int below = CELL_Index(nx, ny, nz - 1);   // -1 on the floor: the floor does not count
        if (below < 0 || below >= BRD_CellCount || !BRD_Cells[below].block) continue;
        return cell;
    }
    return -1;
}

void ODD_Rearm()
{
    switch (ARC_Difficulty) {
    case 1: ODD_Timer = MTH_RandFloat(1.0f, 3.0f); break;   // 1 .. 4 s
    case 2: ODD_Timer = MTH_RandFloat(1.0f, 2.0f); break;   // 1 .. 3 s
    case 3: ODD_Timer = MTH_RandFloat(1.0f, 1.0f); break;   // 1 .. 2 s
    default: break;
    }
}

void ODD_Tick()
{
    // A lost board's blocks are flying metal: an odd event would turn one back into a colour.
    if (ARC_GameOver) {
        for (int i = 0; i < ODD_ListCount; i++) ODD_List[i] = nullptr;
        ODD_ListCount = 0;
        return;
    }
    for (int i = 0; i < ODD_ListCount; i++) {
        Block* b = ODD_List[i];
        ODD_List[i] = nullptr;
        if (Eligible(b)) OddEvent(b);
    }
    ODD_ListCount = 0;

    ODD_Timer -= TIM_GameDelta;
    if (ODD_Timer > 0.0f) return;
    const bool anyColourful = AnyColourful();
    Block* b = PickOddBlock();
    if (!b) return;   // tried again next tick
    if (STORM_ColourfulCooldown < 0.0f && !anyColourful && STORM_Time <= 0.0f &&
        MTH_Chance(kColourfulChance) && GAM_ModeTime > kColourfulAfter) {
        b->colourful = kColourfulSeconds;
    } else {
        b->oddFlash = 1.0f;
        SFX_Play("SND_ODD01", OddFrequency());
    }
    ODD_Rearm();
}

void STORM_Start(float seconds)
{
    if (seconds > STORM_Time) STORM_Time = seconds;   // a NaN or a shorter storm changes nothing
}

void STORM_Tick()
{
    const float dt = TIM_GameDelta;
    if (STORM_Time > 0.0f) STORM_Time -= dt;
    if (STORM_Time > 0.0f) {
        if (STORM_Level == 0.0f) SFX_Play("SND_TOC");
        STORM_Level += kStormRate * dt;
        if (STORM_Level > 1.0f) STORM_Level = 1.0f;
    } else {
        if (STORM_Level == 1.0f) SFX_Play("SND_TOBB");
        STORM_Level -= kStormRate * dt;
        if (STORM_Level < 0.0f) STORM_Level = 0.0f;
    }
    STORM_Strobe -= dt;
    if (STORM_Strobe < 0.0f) STORM_Strobe = 0.0f;
    if (MTH_Chance(STORM_Level * 100.0f)) STORM_Strobe = kStrobeSeconds;
    if (STORM_RgbFlag) STORM_Time = 1.0f;
}

void ABS_Tick()
{
    for (int i = 0; i < ABS_Count; i++) {
        Block* a = ABS_List[i];
        ABS_List[i] = nullptr;
        if (!Eligible(a)) continue;
        if (a->absorbCooldown > 0.0f) {
            a->absorbCooldown -= TIM_GameDelta;
            continue;
        }
        const int cell = CELL_IndexAt(a->object->position);
        if (cell < 0 || cell >= BRD_CellCount) continue;
        Block* victim = BRD_Cells[cell].block;
        // BRD_Solid, which fills the extra cells of every big block, has no object: it is
        // never swallowed.
        if (!Eligible(victim) || victim == a || victim->type == BLK_ABSORB) continue;
        victim->removal = BLK_VANISH;
        a->absorbCooldown = kAbsorbCooldown;
        const Vec3& p = a->object->position;
        SFX_Effect("PFX_ABSORB", Vec3{p.x, p.y, p.z + 0.5f}, Vec3{0, 0, 1}, a->object);
        SFX_Play("SND_BLACKHOLESUCK");
    }
    ABS_Count = 0;
}

void SPC_ResetLevel()
{
    STORM_Time = 0.0f;
    STORM_Level = 0.0f;
    STORM_Strobe = 0.0f;
    for (Block*& b : ODD_List) b = nullptr;
    ODD_ListCount = 0;
    for (Block*& b : ABS_List) b = nullptr;
    ABS_Count = 0;
    SPC_ResetEffects();
}

// ---- List membership ----

bool SPC_JoinOddList(Block* b)
{
    if (!b || ODD_ListCount >= ODD_ListSize || Contains(ODD_List, ODD_ListCount, b)) return false;
    ODD_List[ODD_ListCount++] = b;
    return true;
}

bool SPC_JoinAbsorbers(Block* b)
{
    // Absorbers register every tick, but the list is only emptied while the game runs: a paused
    // game must not fill it with the same absorbers (each would then count its cooldown down
    // several times a tick, and later absorbers would find no room).
    if (!b || ABS_Count >= ABS_ListSize || Contains(ABS_List, ABS_Count, b)) return false;
    ABS_List[ABS_Count++] = b;
    return true;
}

void SPC_LeaveLists(const Block* b)
{
    if (!b) return;
    Remove(ODD_List, ODD_ListCount, b);
    Remove(ABS_List, ABS_Count, b);
}
