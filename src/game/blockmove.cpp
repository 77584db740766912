// game/block (moves) — one-cell steps, climbs onto obstacles with the stack riding along, the
// move queue the game update commits once per tick, magnets, gravity, the held-block mask for
// the pointer hint, and the level-wide resets.
//
// Everything here runs in the game update, before the behaviours: the grid holds the claims of
// the previous scheduler pass plus what steps started this tick have reserved. A block in the
// middle of a step never starts another one: a move queued for it after it began moving (an odd
// slide of a block the player dragged meanwhile) would leave it between cells for good.
#include <cstdint>

#include "app/clock.h"
#include "core/input.h"
#include "core/log.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/mode.h"
#include "game/sfx.h"
#include "game/specials.h"

int BLK_Moves = 0;
int BLK_GravityPass = 0;
float BLK_LandCooldown = 0.0f;
Object* BLK_HeldObject = nullptr;
int BLK_MoveMask = 0;
Block BLK_SolidRecord = [] {
    Block b{};
    b.type = BLK_BLOCK1;
    return b;
}();

namespace {

constexpr int kTopLayer = 13;        // riders are looked for up to this layer
constexpr int kGravityLayers = 18;   // gravity looks at layers 0..17 (drops start at 13 and 14)
constexpr int kLiftLimit = 12;       // a column can be lifted only while its blocks stand below this

struct QueuedMove {
    uint8_t needsSupport;
    Block* block;
    Vec3 dir;
};

QueuedMove g_queue[BLK_QueueSize];
int g_queueCount = 0;
bool g_queueFullLogged = false;

int LayerCells() { return BRD_Width * BRD_Height; }

Block* At(int index) { return index >= 0 && index < BRD_CellCount ? BRD_Cells[index].block : nullptr; }

const BlockType* TypeOf(const Block* b) { return b ? BLK_Type(b->type) : nullptr; }

bool Falls(const Block* b)
{
    const BlockType* t = TypeOf(b);
    return t && t->falls;
}

int SizeOf(const Block* b)
{
    const BlockType* t = TypeOf(b);
    return t ? t->size : 1;
}

int DirOf(const Vec3& v)
{
    if (v.x < -0.5f) return BLK_DIR_MX;
    if (v.x > 0.5f) return BLK_DIR_PX;
    if (v.y < -0.5f) return BLK_DIR_MY;
    if (v.y > 0.5f) return BLK_DIR_PY;
    return BLK_DIR_NONE;
}

// Every block above the source cell, up to the first empty cell, can be lifted one layer.
bool Liftable(int source)
{
    int layer = LayerCells();
    int z = source / layer + 1;
    for (int i = source + layer; i < BRD_CellCount; i += layer, z++) {
        Block* r = BRD_Cells[i].block;
        if (!r) return true;
        if (!Falls(r) || r->moveDir != BLK_DIR_NONE || z >= kLiftLimit) return false;
    }
    return true;
}

bool Dead(const Block* b)
{
    return !b || !b->object || b->removal != BLK_ALIVE || b->object->state == OBJ_STATE_DYING;
}

} // namespace

bool BLK_TouchesMagnet(const Block* b)
{
    if (!b || !b->object) return false;
    const Vec3& p = b->object->position;
    if (p.x < 0.0f || p.y < 0.0f || p.z < 0.0f) return false;
    int x = (int)p.x, y = (int)p.y, z = (int)p.z;
    static const int kFace[6][3] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
    for (const auto& f : kFace) {
        // CELL_Index refuses neighbours off the board, so no face wraps into the next row.
        Block* m = At(CELL_Index(x + f[0], y + f[1], z + f[2]));
        if (m && m != b && m->type == BLK_MAGNET && BLK_AtRest(m)) return true;
    }
    return false;
}

bool BLK_TryMove(Block* b, int a, int dir, bool commit, bool testOnly)
{
    if (!b || !b->object) return false;
    b->slideDir = 0;
    if (BLK_TouchesMagnet(b)) return false;
    if (b->progress != 0.0f) return false;
    int layer = LayerCells();
    if (layer <= 0 || a < 0 || a >= BRD_CellCount) return false;

    Object* o = b->object;
    Vec3 target = o->position;
    int moveDir = dir;
    if (dir & BLK_DIR_CLIMB) {
        if (testOnly) return true;
        target.z += 1.0f;
    } else {
        int x = a % BRD_Width, y = (a / BRD_Width) % BRD_Height;
        int tx = x, ty = y;
        switch (dir) {
        case BLK_DIR_MX: tx--; break;
        case BLK_DIR_PX: tx++; break;
        case BLK_DIR_MY: ty--; break;
        case BLK_DIR_PY: ty++; break;
        default: return false;
        }
        if (tx < 0 || ty < 0 || tx >= BRD_Width || ty >= BRD_Height) return false;
        int t = a + (tx - x) + (ty - y) * BRD_Width;
        if (t < 0 || t >= BRD_CellCount || BRD_Cells[t].wall || !BRD_InShape(tx, ty)) return false;
        Block* there = BRD_Cells[t].block;
        if (!there || (there != b && there->moveDir == dir)) {
            Block* above = At(a + layer);
            if (above && above != b && above->progress != 0.0f) return false;
            if (testOnly) return true;
            target.x += (float)(tx - x);
            target.y += (float)(ty - y);
        } else {
            // Blocked: climb onto the obstacle, carrying the column above.
            if (!commit) return false;
            int over = t + layer;
            if (over >= BRD_CellCount || BRD_Cells[over].block || !Liftable(a)) return false;
            if (testOnly) return true;
            moveDir = dir | BLK_DIR_CLIMB;
            target.z += 1.0f;
        }
    }

    const bool climb = (moveDir & BLK_DIR_CLIMB) != 0;
    b->progress = 1.0f;
    b->from = o->position;
    b->to = target;
    b->moveDir = moveDir;
    int size = SizeOf(b);
    if (!climb) BRD_Claim(b, target, size);
    BRD_Claim(b, o->position, size);
    b->chained = commit ? 1 : 0;
    if (!commit) return true;

    const BlockType* t = TypeOf(b);
    bool slides = t && t->slides;
    if (slides) b->slideDir = moveDir & ~BLK_DIR_CLIMB;
    if (climb) SFX_Play("SND_B_HOPUP");
    if (b == BLK_Dragged) {
        BLK_Dragged = nullptr;
        if (!climb && !slides) SFX_Play("SND_B_SLIDE", MTH_RandInt(30000, 1001));
        BLK_Moves++;
        if (b->type >= BLK_BOMB3 && b->type <= BLK_BOMB1) {
            SFX_Play("SND_BOMBTICK", (b->type * 20000 - 420000) / 2);
            b->settle = 0.05f;
            b->type++;
        }
    }
    return true;
}

void BLK_QueueMove(Block* b, const Vec3& dir, bool needsSupport)
{
    if (!b) return;
    if (g_queueCount >= BLK_QueueSize) {
        if (!g_queueFullLogged) LOG_Write("BLK_QueueMove : the move queue is full; moves are dropped");
        g_queueFullLogged = true;
        return;
    }
    g_queue[g_queueCount++] = QueuedMove{(uint8_t)(needsSupport ? 1 : 0), b, dir};
}

void BLK_RunQueue()
{
    int layer = LayerCells();
    for (int i = 0; i < g_queueCount && layer > 0; i++) {
        const QueuedMove& e = g_queue[i];
        Block* b = e.block;
        if (Dead(b)) continue;
        int c = CELL_IndexAt(b->object->position);
        if (c < 0 || c >= BRD_CellCount) continue;
        int dir = DirOf(e.dir);
        if (dir == BLK_DIR_NONE) continue;
        if (e.needsSupport && c >= layer && !BRD_Cells[c - layer].block) continue;
        if (!BLK_TryMove(b, c, dir, true, false)) continue;
        // The stack rides along with the direction the first block took (a climb lifts it).
        int riderDir = b->moveDir;
        for (int k = c + layer; k < BRD_CellCount && k / layer <= kTopLayer; k += layer) {
            Block* r = BRD_Cells[k].block;
            if (!r || r == b) break;
            if (r->moveDir != BLK_DIR_NONE && r->moveDir != riderDir) break;
            const BlockType* t = TypeOf(r);
            if (!t || (!t->draggable && !t->falls)) break;
            if (!BLK_TryMove(r, k, riderDir, false, false)) break;
        }
    }
    g_queueCount = 0;
    g_queueFullLogged = false;
    // The player's move has been tried; a refused one must not make a later, unrelated step
    // of the same block count as a move.
    BLK_Dragged = nullptr;
}

void BLK_Gravity()
{
    if (GAM_LevelFading()) return;
    BLK_GravityPass++;
    int layer = LayerCells();
    if (layer <= 0) return;
    for (int z = 0; z < kGravityLayers; z++) {
        for (int y = 0; y < BRD_Height; y++) {
            for (int x = 0; x < BRD_Width; x++) {
                int i = CELL_Index(x, y, z);
                if (i < 0 || i >= BRD_CellCount) continue;
                Block* b = BRD_Cells[i].block;
                if (!b || !b->object) continue;
                if (b->gravityStamp == BLK_GravityPass) continue;
                b->gravityStamp = BLK_GravityPass;
                if (b->progress != 0.0f || !Falls(b) || b->removal != BLK_ALIVE || b->flying > 0.0f) continue;
                if (BLK_TouchesMagnet(b)) continue;
                bool supported = z == 0 || BRD_Cells[i - layer].block != nullptr;
                if (supported) {
                    if (b->falling) {
                        b->falling = 0;
                        if (BLK_LandCooldown <= 0.0f) {
                            SFX_Play("SND_B_LAND");
                            BLK_LandCooldown = 0.1f;
                        }
                        // The stack that came down with it lands with this one sound. A block
                        // still in a step above it is falling on its own and lands on its own.
                        for (int k = i + layer; k < BRD_CellCount; k += layer) {
                            Block* r = BRD_Cells[k].block;
                            if (!r) break;
                            if (r->progress == 0.0f) r->falling = 0;
                        }
                    }
                    if (b->slideDir != 0) BLK_QueueMove(b, BLK_DirVector(b->slideDir), true);
                } else {
                    Object* o = b->object;
                    b->settle = 0.1f;
                    b->falling = 1;
                    b->moveDir = BLK_DIR_FALL;
                    b->from = o->position;
                    b->to = Vec3{o->position.x, o->position.y, o->position.z - 1.0f};
                    b->progress = 1.0f - TIM_GameDelta;
                    // Even after a very long frame the fall stays a step that ends next tick.
                    if (b->progress < 0.001f) b->progress = 0.001f;
                    o->position = MTH_Add(b->to, MTH_Scale(MTH_Sub(b->from, b->to), b->progress));
                    OBJ_Moved(o);
                    if (BRD_Cells[i].block == b) BRD_Cells[i].block = nullptr;
                    BRD_Cells[i - layer].block = b;
                }
            }
        }
    }
}

void BLK_HeldMask()
{
    if (MOU_Outside) return;
    Block* s = BLK_Selected;
    if (!s || !s->object) {
        BLK_HeldObject = nullptr;
        return;
    }
    BLK_HeldObject = s->object;
    if (s->moveDir != BLK_DIR_NONE) return;
    BLK_MoveMask = 0;
    const BlockType* t = TypeOf(s);
    if (!t || !t->draggable) return;
    int c = CELL_IndexAt(s->object->position);
    static const int kDirs[4][2] = {
        {BLK_DIR_MX, BLK_MASK_MX}, {BLK_DIR_PX, BLK_MASK_PX}, {BLK_DIR_MY, BLK_MASK_MY}, {BLK_DIR_PY, BLK_MASK_PY}};
    for (const auto& d : kDirs) {
        // A fresh record holding only the object: the test changes nothing of the real block.
        Block probe{};
        probe.object = s->object;
        if (BLK_TryMove(&probe, c, d[0], true, true)) BLK_MoveMask |= d[1];
    }
}

void BLK_KillAll()
{
    for (Object* o = OBJ_FindByBehaviour(BLK_Behaviour, nullptr); o; o = OBJ_FindByBehaviour(BLK_Behaviour, o)) {
        if (Block* b = BLK_Of(o)) SPC_StopEmitters(b);
        SFX_StopAttached(o);
        OBJ_Kill(o);
    }
    BRD_ClearClaims();
    BLK_Moves = 0;
    BLK_Selected = BLK_Hovered = BLK_Candidate = BLK_PrevCandidate = BLK_Dragged = nullptr;
    BLK_CandidateDist = 0.0f;
    BLK_HeldObject = nullptr;
    BLK_MoveMask = 0;
    g_queueCount = 0;
}

void BLK_ResetForLevel()
{
    BLK_Selected = BLK_Hovered = BLK_Candidate = BLK_PrevCandidate = BLK_Dragged = nullptr;
    BLK_CandidateDist = 0.0f;
    BLK_HeldObject = nullptr;
    BLK_MoveMask = 0;
    g_queueCount = 0;
    g_queueFullLogged = false;
    BLK_GravityPass = 0;
    BLK_Moves = 0;
    BLK_LandCooldown = 0.5f;
    BLK_SolidRecord = Block{};
    BLK_SolidRecord.type = BLK_BLOCK1;
    BRD_Solid = &BLK_SolidRecord;
}
