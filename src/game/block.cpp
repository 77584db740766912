// game/block — blocks at run time: spawning and the block record, the block behaviour with its
// fixed per-tick order, picking and dragging with the mouse, the selection, removal animations,
// growth after a spawn and the flight of a lost board's blocks.
//
// The steps themselves (moves, climbs, the queue, gravity, the held-block mask) are in
// blockmove.cpp. A block's record is made when the block is spawned, so the block claims its
// cells from its very first scheduler pass and no other block can be admitted into them while
// its behaviour is still starting up.
// Depends on game/board, game/blocktypes, game/specials, game/sfx, game/camera, game/mode,
// scene/object, render/mesh, render/material, app/clock, core/input, core/math, core/mem.
#include "game/block.h"

#include <cmath>
#include <cstdio>

#include "app/clock.h"
#include "core/input.h"
#include "core/log.h"
#include "core/mem.h"
#include "core/settings.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/camera.h"
#include "game/mode.h"
#include "game/sfx.h"
#include "game/specials.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"

Block* BLK_Selected = nullptr;
Block* BLK_Hovered = nullptr;
Block* BLK_Candidate = nullptr;
float BLK_CandidateDist = 0.0f;
Block* BLK_PrevCandidate = nullptr;
Block* BLK_Dragged = nullptr;

namespace {

const char* const kRecordTag = "Block Record";

constexpr float kVanishEnd = 6.0f;      // the vanish scale at which the block is gone
constexpr float kSquashTime = 0.3f;     // seconds to squash flat
constexpr float kGrowTime = 0.4f;       // seconds of growth after a spawn in play
constexpr float kDragThreshold = 0.2f;  // cell units the cursor must travel to start a move

int g_colourModel[5][2];                // plain and bright colour models by colour 1..5

// The drag anchor of the selected block, in screen fractions. It belongs to g_anchorFor; a new
// selection (or none) starts a fresh anchor.
Block* g_anchorFor = nullptr;
float g_anchorX = 0.0f, g_anchorY = 0.0f;

int SizeOf(const Block* b)
{
    const BlockType* t = BLK_Type(b->type);
    return t ? t->size : 1;
}

bool IsColour(int type) { return type >= BLK_RED && type <= BLK_YELLOW; }

Block* EnsureRecord(Object* o)
{
    if (!o->userData) {
        Block* b = (Block*)MEM_AllocZero(sizeof(Block), kRecordTag);
        if (!b) return nullptr;
        b->object = o;
        b->type = o->userValue;
        o->userData = b;
    }
    return (Block*)o->userData;
}

bool Dying(const Block* b)
{
    return b->removal != BLK_ALIVE || !b->object || b->object->state == OBJ_STATE_DYING;
}

// The block's own cells for this pass: not while it is being removed or has flown off a lost
// board, and an absorber in play takes none (whatever moves into it gets swallowed).
void ClaimCells(Block* b, bool flown)
{
    if (b->removal != BLK_ALIVE || flown) return;
    if (b->type == BLK_ABSORB && GAM_Mode == GAM_MODE_PLAY) return;
    BRD_Claim(b, b->object->position, SizeOf(b));
}

void ShowTypeModel(Block* b)
{
    Object* o = b->object;
    const Vec3& p = o->position;
    int x = p.x > 0 ? (int)p.x : 0, y = p.y > 0 ? (int)p.y : 0, z = p.z > 0 ? (int)p.z : 0;
    const char* name = BLK_Model(b->type, x, y, z);
    OBJ_SetModel(o, name ? MESH_Find(name) : 0, true);
}

void ShowColourModel(Block* b)
{
    int model = SPC_ColourModel(b);
    if (!model) model = BLK_ColourModel(b->type, false);
    // Without looked-up colour models the block keeps what it shows rather than go blank.
    if (model) OBJ_SetModel(b->object, model, true);
}

void Settle(Block* b)
{
    if (b->moveDir == BLK_DIR_NONE && b->progress == 0.0f) {
        b->settle -= TIM_GameDelta;
        if (b->settle < 0.0f) b->settle = 0.0f;
    } else {
        b->settle = 0.05f;
    }
}

// The glowing cube of a vanishing block: it grows with the vanish scale, fades out and spins
// about z at 4 radians a second (the scale grows by 4 a second, so the angle is scale − 1).
void QueueVanishCube(const Block* b)
{
    Material* m = MTL_Get(MTL_Find("MTL_SELECTION"));
    if (!m || m->kind != MTL_KIND_PNCT) return;
    float s = b->removeScale;
    float fade = (kVanishEnd - s) / (kVanishEnd - 1.0f);
    if (fade <= 0.0f) return;
    fade *= fade;   // gone from view well before it reaches its full size
    // Faint: the cube is added over the scene, and a whole group's cubes overlap.
    float r = 0.15f, g = 0.15f, bl = 0.15f;
    const BlockType* t = BLK_Type(b->type);
    if (STORM_Strobe > 0.0f && t) {
        r = t->colour[0];
        g = t->colour[1];
        bl = t->colour[2];
    }
    uint32_t colour = DRW_PackColour(r * fade, g * fade, bl * fade, fade);
    float size = (float)(t ? t->size : 1);
    float half = 0.5f * size * s;
    const Vec3& p = b->object->position;
    Vec3 centre{p.x + 0.5f * (size - 1.0f), p.y + 0.5f * (size - 1.0f), p.z + 0.5f * size};
    float c = std::cos(s - 1.0f), sn = std::sin(s - 1.0f);
    auto turn = [&](Vec3 v) { return Vec3{v.x * c - v.y * sn, v.x * sn + v.y * c, v.z}; };
    static const Vec3 kN[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    static const Vec3 kU[6] = {{0, 1, 0}, {0, -1, 0}, {-1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}};
    static const float kCorner[4][2] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};   // TL, TR, BL, BR
    for (int f = 0; f < 6; f++) {
        Vec3 n = kN[f], u = kU[f], v = MTH_Cross(n, u);
        Vec3 tn = turn(n);
        PNCT_Vect q[4];
        for (int k = 0; k < 4; k++) {
            float su = kCorner[k][0], sv = kCorner[k][1];
            Vec3 local{half * (n.x + su * u.x + sv * v.x), half * (n.y + su * u.y + sv * v.y),
                       half * (n.z + su * u.z + sv * v.z)};
            Vec3 w = MTH_Add(centre, turn(local));
            q[k] = PNCT_Vect{w.x, w.y, w.z, tn.x, tn.y, tn.z, colour, su > 0 ? 1.0f : 0.0f, sv > 0 ? 0.0f : 1.0f};
        }
        m->AddQuadArray(q);
    }
}

// Runs this tick of the removal animation; true when it is over and the block must go.
bool Remove(Block* b)
{
    Object* o = b->object;
    if (b->removal == BLK_SQUASH) {
        o->scale.z -= TIM_GameDelta / kSquashTime;
        if (o->scale.z < 0.0f) return true;
        if (o->scale.z < 0.6f) o->scale.x = o->scale.y = o->scale.z / 0.6f;
        OBJ_Moved(o);
        return false;
    }
    // Vanish (and any other removal value, which would otherwise leave a block that claims
    // nothing on the board for ever).
    if (o->model) OBJ_SetModel(o, 0, false);
    if (b->removeScale < 1.0f) b->removeScale = 1.0f;
    b->removeScale += 4.0f * TIM_GameDelta;
    if (b->removeScale > kVanishEnd) return true;
    QueueVanishCube(b);
    return false;
}

// The block leaves: its effects stop and nothing keeps pointing at it.
void Leave(Block* b)
{
    SPC_StopEmitters(b);
    SFX_StopAttached(b->object);
    if (BLK_Selected == b) BLK_Selected = nullptr;
    if (BLK_Hovered == b) BLK_Hovered = nullptr;
    if (BLK_Candidate == b) BLK_Candidate = nullptr;
    if (BLK_PrevCandidate == b) BLK_PrevCandidate = nullptr;
    if (BLK_Dragged == b) BLK_Dragged = nullptr;
    if (g_anchorFor == b) g_anchorFor = nullptr;
    if (BLK_HeldObject == b->object) {
        BLK_HeldObject = nullptr;
        BLK_MoveMask = 0;
    }
}

// Step progress and the end of a step.
void Step(Block* b)
{
    if (b->progress == 0.0f) return;
    Object* o = b->object;
    b->progress -= TIM_GameDelta / BLK_StepTime;
    if (b->progress > 0.0001f) {
        o->position = MTH_Add(b->to, MTH_Scale(MTH_Sub(b->from, b->to), b->progress));
    } else {
        o->position = b->to;
        const BlockType* t = BLK_Type(b->type);
        bool slides = t && t->slides;
        bool plain = b->moveDir >= BLK_DIR_MX && b->moveDir <= BLK_DIR_PY;
        if ((b->moveDir & BLK_DIR_CLIMB) && b->chained) {
            // Up on the obstacle: now across onto it.
            if (!slides) SFX_Play("SND_B_SLIDE", MTH_RandInt(30000, 1001));
            BLK_QueueMove(b, BLK_DirVector(b->moveDir), false);
        } else if (plain && b->chained && slides) {
            BLK_QueueMove(b, MTH_Sub(b->to, b->from), true);
        }
        b->progress = 0.0f;
        b->moveDir = BLK_DIR_NONE;
    }
    OBJ_Moved(o);
}

void Pick(Block* b)
{
    Object* o = b->object;
    if (!o->model || b->type >= BLK_ABSORB || b->removal != BLK_ALIVE || MOU_Outside) return;
    OBJ_Moved(o);   // test the block where it stands, not last tick's drawn wobble
    if (!OBJ_IsUnderCursor(MOU_X, MOU_Y, o)) return;
    Vec3 centre{o->position.x, o->position.y, o->position.z + 0.5f};
    float d = MTH_Length(MTH_Sub(centre, CAM_Eye));
    if (!BLK_Candidate || d < BLK_CandidateDist) {
        BLK_Candidate = b;
        BLK_CandidateDist = d;
    }
}

// Where the view ray through a screen point (fractions) meets the plane z = h; false when it
// runs parallel to the plane or meets it behind the eye.
bool CursorOnPlane(float fx, float fy, float h, Vec3* out)
{
    float px = fx * (float)CFG_Width, py = fy * (float)CFG_Height;
    Vec3 n = MTH_ScreenToWorld(Vec3{px, py, 0.0f});
    Vec3 f = MTH_ScreenToWorld(Vec3{px, py, 1.0f});
    float dz = f.z - n.z;
    if (std::fabs(dz) < 1e-6f) return false;
    float t = (h - n.z) / dz;
    if (t < 0.0f) return false;
    *out = MTH_Add(n, MTH_Scale(MTH_Sub(f, n), t));
    return true;
}

void Drag(Block* b)
{
    if (b != BLK_Selected || b->removal != BLK_ALIVE || b->progress != 0.0f) return;
    const BlockType* t = BLK_Type(b->type);
    if (!t || !t->draggable) return;
    // The anchor follows the cursor until the block is at rest, so one drag is one cell.
    if (g_anchorFor != b || b->settle != 0.0f) {
        g_anchorFor = b;
        g_anchorX = MOU_X;
        g_anchorY = MOU_Y;
        return;
    }
    float h = b->object->position.z;
    Vec3 a, c;
    if (!CursorOnPlane(g_anchorX, g_anchorY, h, &a) || !CursorOnPlane(MOU_X, MOU_Y, h, &c)) return;
    Vec3 d{c.x - a.x, c.y - a.y, 0.0f};
    if (MTH_Length(d) <= kDragThreshold) return;
    MTH_Normalise(d);
    BLK_QueueMove(b, d, false);
    BLK_Dragged = b;
}

// A lost board's block flies off with the velocity its object was given.
void Fly(Block* b)
{
    Object* o = b->object;
    b->flying -= TIM_RealDelta / 3.0f;
    if (b->flying < 0.0f) b->flying = 0.0f;
    float s = std::sin(0.5f * MTH_PI * b->flying);
    Vec3& v = o->velocity;
    o->position = MTH_Add(o->position, MTH_Scale(v, s * TIM_RealDelta));
    v.z -= 2.0f * TIM_GameDelta;
    if (o->position.z < 0.0f) v.z = std::fabs(v.z);
    float k = TIM_GameDelta * s;
    MTH_TurnPairX(o->heading, o->up, v.x * k * 0.2f);
    MTH_TurnPairY(o->heading, o->up, v.y * k * -0.2f);
    MTH_TurnPairZ(o->heading, o->up, v.z * k * 0.1f);
    OBJ_Moved(o);
}

// Drawing-only work: growth, the specials' wobble and effects, then the world matrix is built
// from the drawn transform and the real one is put back, so the cached matrix is what is drawn.
void Visual(Block* b)
{
    Object* o = b->object;
    const Vec3 pos = o->position, heading = o->heading, up = o->up, scale = o->scale;
    if (b->grow > 0.0f) {
        b->grow -= TIM_GameDelta / kGrowTime;
        if (b->grow < 0.0f) b->grow = 0.0f;
        o->scale = MTH_Scale(scale, 1.0f - b->grow);
        MTH_TurnPairZ(o->heading, o->up, b->grow * 5.0f);
        o->position.z -= b->grow * 0.3f;
    }
    SPC_Visual(b);
    OBJ_Moved(o);
    OBJ_GetWorldMatrix(o);
    o->position = pos;
    o->heading = heading;
    o->up = up;
    o->scale = scale;
}

} // namespace

Behaviour BLK_Behaviour()
{
    Object* self = OBJ_Current;
    Block* b = self ? EnsureRecord(self) : nullptr;
    if (!b) {
        co_await OBJ_Kill(nullptr);
        co_return;
    }
    ClaimCells(b, false);
    co_await OBJ_Wait(1);

    // Blocks face −x; a larger square keeps the model's own axes, which span its cells from
    // the block's own cell towards +x and +y.
    if (SizeOf(b) <= 1) self->heading = Vec3{-1.0f, 0.0f, 0.0f};
    self->renderMode = RENDER_MESH;
    OBJ_Moved(self);
    if (self->userFlag) {
        self->userFlag = 0;
        b->grow = 1.0f;
    }
    SPC_Start(b);

    bool flown = false;   // once off a lost board, a block never returns to the grid
    for (;;) {
        if (b->removal == BLK_ALIVE && IsColour(b->type)) ShowColourModel(b);
        if (b->type != self->userValue) {
            self->userValue = b->type;
            ShowTypeModel(b);
        }
        SPC_Tick(b);
        if (b->flying > 0.0f) flown = true;
        Settle(b);
        if (b->removal != BLK_ALIVE && Remove(b)) {
            Leave(b);
            co_await OBJ_Kill(nullptr);
        }
        if (flown) {
            Fly(b);
        } else {
            Step(b);
            Pick(b);
            Drag(b);
            ClaimCells(b, flown);
        }
        Visual(b);
        co_await OBJ_Wait(1);
    }
}

bool BLK_Spawn(const Vec3& pos, int type, bool claimNow, bool spawned)
{
    if (type == BLK_NOTHING) return false;
    const BlockType* t = BLK_Type(type);
    if (!t) {
        LOG_Write("BLK_Spawn : %d is not a block type; no block made", type);
        return false;
    }
    int cell = CELL_IndexAt(pos);
    if (cell < 0 || cell >= BRD_CellCount) {
        LOG_Write("BLK_Spawn : %s at %.2f %.2f %.2f lies off the board; no block made", t->internalName,
                  pos.x, pos.y, pos.z);
        return false;
    }
    if (BRD_Cells[cell].block) return false;
    if (!BRD_Solid) BRD_Solid = &BLK_SolidRecord;

    Object* o = OBJ_New(BLK_Behaviour);
    if (!o) return false;
    o->position = pos;
    o->userValue = type;
    o->userFlag = spawned ? 1 : 0;
    Block* b = EnsureRecord(o);
    if (!b) {
        OBJ_Kill(o);
        return false;
    }
    ShowTypeModel(b);
    if (claimNow) BRD_Claim(b, pos, t->size);
    return true;
}

bool BLK_SpawnAtCell(int type, int x, int y, int z)
{
    return BLK_Spawn(Vec3{(float)x, (float)y, (float)z}, type, true, false);
}

Block* BLK_Of(const Object* obj)
{
    return BLK_IsBlockObject(obj) ? (Block*)obj->userData : nullptr;
}

bool BLK_IsBlockObject(const Object* obj) { return obj && obj->behaviour == BLK_Behaviour; }

bool BLK_AtRest(const Block* b) { return b && b->settle == 0.0f; }

void BLK_UpdateSelection(bool allowed)
{
    Block* before = BLK_Selected;
    BLK_PrevCandidate = BLK_Candidate;
    BLK_Candidate = nullptr;
    BLK_CandidateDist = 0.0f;
    if (!allowed) {
        BLK_Selected = nullptr;
        BLK_Hovered = nullptr;
    } else {
        Block* candidate = BLK_PrevCandidate;
        if (candidate && Dying(candidate)) candidate = nullptr;
        if (MOU_LeftPressed) {
            BLK_Selected = candidate;
            if (!candidate) CAM_EmptyDrag = true;   // a press on empty space turns the camera
        }
        if (!MOU_LeftDown) BLK_Selected = nullptr;
        if (BLK_Selected && Dying(BLK_Selected)) BLK_Selected = nullptr;
        BLK_Hovered = BLK_Selected ? BLK_Selected : candidate;
    }
    if (BLK_Selected != before) g_anchorFor = nullptr;
}

void BLK_SetColourModels()
{
    char name[32];
    for (int c = 0; c < 5; c++) {
        std::snprintf(name, sizeof name, "BFM_COLOR%02d", c + 1);
        g_colourModel[c][0] = MESH_Find(name);
        std::snprintf(name, sizeof name, "BFM_COLOR%02dC", c + 1);
        g_colourModel[c][1] = MESH_Find(name);
    }
}

int BLK_ColourModel(int colour, bool bright)
{
    if (colour < 1 || colour > 5) return 0;
    return g_colourModel[colour - 1][bright ? 1 : 0];
}

Vec3 BLK_DirVector(int dir)
{
    switch (dir & ~BLK_DIR_CLIMB) {
    case BLK_DIR_MX: return Vec3{-1.0f, 0.0f, 0.0f};
    case BLK_DIR_PX: return Vec3{1.0f, 0.0f, 0.0f};
    case BLK_DIR_MY: return Vec3{0.0f, -1.0f, 0.0f};
    case BLK_DIR_PY: return Vec3{0.0f, 1.0f, 0.0f};
    default: return Vec3{0.0f, 0.0f, 0.0f};
    }
}
