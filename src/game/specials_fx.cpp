// game/specials_fx — the per-block hooks of the block behaviour: start-up of the special types
// (wobble modes, spray and teleport emitters, the inner object that shows a second model), the
// colour model by strobe and flash, per-tick work (crumble headings, the clone's colours, the
// absorber's frames, the magnet's field lines, the black hole's vortex), and the drawing-only
// effects (odd-flash shaking, metal and colourful timers, wobble, the hover frame, drop shadows).
//
// Depends on game/specials (lists, storm state), game/block, game/board, game/blocktypes,
// game/hud (pause), game/sfx, scene/object, render/material (quad batches), render/mesh,
// app/clock (time, camera), core/input (pointer outside), core/settings (detail), core/math.
// Limits: decorative quads only go to materials of the PNCT or PCT kind.
#include <cmath>
#include <cstdio>

#include "app/clock.h"
#include "core/input.h"
#include "core/math.h"
#include "core/settings.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/hud.h"
#include "game/sfx.h"
#include "game/specials.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"
#include "scene/object.h"

namespace {

constexpr int kColours = 5;
constexpr float kOddShake = 0.15f;            // radians at a full odd flash
constexpr float kOddFlashRate = 0.5f;         // per second
constexpr float kFlashSeconds = 0.03f;
constexpr float kFlashChance = 3.0f;          // percent per tick of a colourful block
constexpr float kHoverRate = 6.0f;            // radians per second
constexpr float kHoverFade = 1.0f / 0.2f;     // per second
constexpr float kShadowFadeIn = 1.0f / 0.2f;  // per second
constexpr float kCloneSeconds = 0.1f;

// Wobble modes.
enum : int { WOB_NONE = 0, WOB_WAIT = 5, WOB_TWITCH = 6, WOB_JITTER = 7, WOB_BOMB = 8, WOB_SWAY = 9,
             WOB_SHAKE = 10 };

const char* const kSprayEffects[kColours] = {"PFX_SPRAY_RED", "PFX_SPRAY_GREEN", "PFX_SPRAY_BLUE",
                                             "PFX_SPRAY_PURPLE", "PFX_SPRAY_YELLOW"};
const Vec3 kSprayOffsets[5] = {{0, 0, 0.8f}, {0.3f, 0, 0.5f}, {-0.3f, 0, 0.5f}, {0, 0.3f, 0.5f}, {0, -0.3f, 0.5f}};
const Vec3 kSprayAims[5] = {{0, 0, 1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
const Vec3 kAxes4[4] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
const Vec3 kAxes6[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
const char* const kAbsorbModels[4] = {"BFM_ABSORB1", "BFM_ABSORB2", "BFM_ABSORB3", "BFM_ABSORB4"};

const Block* g_hoverBlock = nullptr;   // the block the highlight angle belongs to
float g_hoverAngle = 0.0f;

bool IsSlider(int t) { return t >= BLK_REDSLIDER && t <= BLK_METALSLIDER; }
bool IsBomb(int t) { return t >= BLK_BOMB3 && t <= BLK_BOMB0; }
bool IsSpray(int t) { return t >= BLK_RESPRAYRED && t <= BLK_RESPRAYYELLOW; }
bool IsColour(int t) { return t >= 1 && t <= kColours; }

// The wobble a type starts with; the twitch (6) belongs to the mine's wait (5).
int WobbleFor(int type)
{
    if (IsSlider(type)) return WOB_SWAY;
    if (IsBomb(type)) return WOB_BOMB;
    if (type == BLK_MINE) return WOB_WAIT;
    if (type == BLK_CLONE) return WOB_SHAKE;
    if (type == BLK_MAGNET) return WOB_JITTER;
    return WOB_NONE;
}

void SetWobble(Block* b, int mode)
{
    b->wobbleMode = mode;
    b->wobbleTimer = mode == WOB_WAIT ? MTH_RandFloat(0.0f, 0.2f) : 0.0f;
    b->wobbleA = b->wobbleB = b->wobbleC = 0.0f;
}

// Plain or bright model of a colour: the block module's table, else the mesh of that name.
int ColourMesh(int colour, bool bright)
{
    if (!IsColour(colour)) return 0;
    int m = BLK_ColourModel(colour, bright);
    if (m) return m;
    char name[16];
    std::snprintf(name, sizeof name, bright ? "BFM_COLOR%02dC" : "BFM_COLOR%02d", colour);
    return MESH_Find(name);
}

float Frac(float v) { return v - std::floor(v); }
bool Whole(float v) { return std::fabs(v - std::round(v)) < 0.001f; }

Vec3 Add(const Vec3& a, float x, float y, float z) { return Vec3{a.x + x, a.y + y, a.z + z}; }

// ---- Decorative quads ----

// Corners top-left, top-right, bottom-left, bottom-right, drawn with the material of that name.
void QueueQuad(const char* material, const Vec3 c[4], const Vec3& n, uint32_t colour)
{
    Material* m = MTL_Get(MTL_Find(material));
    if (!m) return;
    static const float kU[4] = {0, 1, 0, 1}, kV[4] = {0, 0, 1, 1};
    if (m->kind == MTL_KIND_PNCT) {
        PNCT_Vect v[4];
        for (int i = 0; i < 4; i++) v[i] = PNCT_Vect{c[i].x, c[i].y, c[i].z, n.x, n.y, n.z, colour, kU[i], kV[i]};
        m->AddQuadArray(v);
    } else if (m->kind == MTL_KIND_PCT) {
        PCT_Vect v[4];
        for (int i = 0; i < 4; i++) v[i] = PCT_Vect{c[i].x, c[i].y, c[i].z, colour, kU[i], kV[i]};
        m->AddQuadArray(v);
    }
}

Vec3 Unit(Vec3 v, const Vec3& fallback)
{
    if (MTH_Length(v) < 1e-6f) return fallback;
    MTH_Normalise(v);
    return v;
}

Vec3 Facing() { return Unit(MTH_Scale(CAM_Dir, -1.0f), Vec3{0, 0, 1}); }

// A band of width w from a to b, turned to face the camera.
void QueueBand(const char* material, const Vec3& a, const Vec3& b, float w, uint32_t colour)
{
    Vec3 along = MTH_Sub(b, a);
    Vec3 side = Unit(MTH_Cross(along, CAM_Dir), Unit(MTH_Cross(along, Vec3{0, 0, 1}), Vec3{1, 0, 0}));
    side = MTH_Scale(side, 0.5f * w);
    Vec3 c[4] = {MTH_Add(a, side), MTH_Add(b, side), MTH_Sub(a, side), MTH_Sub(b, side)};
    QueueQuad(material, c, Facing(), colour);
}

// A square of half size h at p, facing the camera.
void QueueSpark(const char* material, const Vec3& p, float h, uint32_t colour)
{
    Vec3 right = Unit(MTH_Cross(CAM_Up, CAM_Dir), Vec3{1, 0, 0});
    Vec3 up = Unit(MTH_Cross(CAM_Dir, right), Vec3{0, 0, 1});
    right = MTH_Scale(right, h);
    up = MTH_Scale(up, h);
    Vec3 c[4] = {MTH_Sub(MTH_Add(p, up), right), MTH_Add(MTH_Add(p, up), right),
                 MTH_Sub(MTH_Sub(p, up), right), MTH_Add(MTH_Sub(p, up), right)};
    QueueQuad(material, c, Facing(), colour);
}

// A box of half sizes h around centre, one quad a face.
void QueueBox(const char* material, const Vec3& centre, const Vec3& h, uint32_t colour)
{
    // Corner signs of each face: TL, TR, BL, BR.
    static const signed char kFaces[6][4][3] = {
        {{1, -1, 1}, {1, 1, 1}, {1, -1, -1}, {1, 1, -1}},
        {{-1, 1, 1}, {-1, -1, 1}, {-1, 1, -1}, {-1, -1, -1}},
        {{1, 1, 1}, {-1, 1, 1}, {1, 1, -1}, {-1, 1, -1}},
        {{-1, -1, 1}, {1, -1, 1}, {-1, -1, -1}, {1, -1, -1}},
        {{-1, 1, 1}, {1, 1, 1}, {-1, -1, 1}, {1, -1, 1}},
        {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1}},
    };
    for (int f = 0; f < 6; f++) {
        Vec3 c[4];
        for (int i = 0; i < 4; i++)
            c[i] = Add(centre, kFaces[f][i][0] * h.x, kFaces[f][i][1] * h.y, kFaces[f][i][2] * h.z);
        QueueQuad(material, c, kAxes6[f], colour);
    }
}

// ---- Emitters ----

void StopEffects(Block* b)
{
    for (int& e : b->emitters) {
        SFX_StopEffect(e);
        e = 0;
    }
}

void StartEmitters(Block* b)
{
    StopEffects(b);
    Object* o = b->object;
    if (IsSpray(b->type)) {
        const char* name = kSprayEffects[b->type - BLK_RESPRAYRED];
        for (int i = 0; i < 5; i++) b->emitters[i] = SFX_Effect(name, MTH_Add(o->position, kSprayOffsets[i]), kSprayAims[i], o);
    } else if (b->type == BLK_TELE) {
        b->emitters[0] = SFX_Effect("PFX_TELE", Add(o->position, 0, 0, 0.8f), Vec3{0, 0, 1}, o);
    }
}

// ---- The inner object ----

Block* ParentBlock(const Object* self)
{
    const Object* p = self->parent;
    return p ? static_cast<Block*>(p->userData) : nullptr;
}

void GemSparkles(const Object* self, float t, float phase)
{
    const Vec3& c = self->position;
    for (int k = 0; k < 3; k++) {
        float a = phase + t * 0.8f + k * (MTH_TWO_PI / 3.0f);
        float twinkle = std::sin(t * 5.0f + k * 2.1f + phase);
        if (twinkle <= 0.0f) continue;
        float size = 0.05f * twinkle * self->scale.x;
        Vec3 p = Add(c, 0.28f * std::cos(a) * self->scale.x, 0.28f * std::sin(a) * self->scale.y,
                     (0.35f + 0.2f * std::sin(a * 1.7f)) * self->scale.z);
        QueueSpark("MTL_PFX_SPRINKLE", p, size, DRW_PackColour(0.8f, 0.9f, 1.0f, 1.0f));
    }
}

// Place the inner object by its parent and its own motion (the parent's transform is untouched).
void FollowParent(Object* self, const Block* pb, float& spin, float phase)
{
    const Object* p = self->parent;
    const float t = TIM_GameTime, dt = TIM_GameDelta;
    Vec3 pos = p->position;
    Vec3 scale = p->scale;
    if (IsSlider(pb->type)) {
        float u = 1.9f * t + phase, v = 0.7f * t + phase;
        pos = Add(pos, 0.05f * std::sin(u) * std::cos(v) * scale.x, 0.05f * std::sin(u) * std::sin(v) * scale.y, 0.0f);
        self->heading = p->heading;
        self->up = p->up;
    } else if (pb->type == BLK_GEM) {
        spin = std::fmod(spin + 2.0f * dt, MTH_TWO_PI);
        self->heading = Vec3{std::sin(spin), std::cos(spin), 0.0f};
        self->up = Vec3{0, 0, 1};
        pos.z += 0.01f * scale.z * std::sin(3.0f * t + phase);
    } else if (pb->type == BLK_CRYSTAL) {
        MTH_TurnPairX(self->heading, self->up, 0.9f * dt);
        MTH_TurnPairY(self->heading, self->up, 1.3f * dt);
        MTH_TurnPairZ(self->heading, self->up, 0.7f * dt);
        ORTHO(self->heading, self->up);
        scale = MTH_Scale(scale, 0.8f + 0.2f * std::sin(2.0f * t + phase));
        pos.z += 0.5f + 0.1f * p->scale.z * std::sin(1.5f * t + phase);
    } else {
        self->heading = p->heading;
        self->up = p->up;
    }
    self->position = pos;
    self->scale = scale;
    OBJ_Moved(self);
    if (pb->type == BLK_GEM && CFG_Detail > 0.3f) GemSparkles(self, t, phase);
}

// Shows the parent's inner model; ends with the parent, or when the parent's type has none.
Behaviour InnerBehaviour()
{
    Object* self = OBJ_Current;
    float spin = MTH_RandFloat(0.0f, MTH_TWO_PI);
    const float phase = MTH_RandFloat(0.0f, MTH_TWO_PI);
    for (;;) {
        Object* parent = self->parent;
        Block* pb = ParentBlock(self);
        if (!parent || parent->state == OBJ_STATE_DYING || !pb) break;
        if (pb->type != self->userValue) {
            const BlockType* t = BLK_Type(pb->type);
            if (!t || !t->innerModel[0]) break;
            self->userValue = pb->type;
            int model = MESH_Find(t->innerModel);
            if (model) OBJ_SetModel(self, model, true);
        }
        FollowParent(self, pb, spin, phase);
        co_await OBJ_Wait(1);
    }
    Block* pb = ParentBlock(self);
    if (pb && pb->inner == self) pb->inner = nullptr;
    co_await OBJ_Kill(nullptr);
}

void CreateInner(Block* b)
{
    const BlockType* t = BLK_Type(b->type);
    if (!t || !t->innerModel[0]) return;
    Object* o = OBJ_New(InnerBehaviour);
    if (!o) return;
    const Object* p = b->object;
    o->parent = b->object;
    o->position = p->position;
    o->heading = p->heading;
    o->up = p->up;
    o->scale = p->scale;
    o->renderMode = RENDER_MESH;
    o->userValue = b->type;
    int model = MESH_Find(t->innerModel);
    if (model) OBJ_SetModel(o, model, true);
    b->inner = o;
}

// ---- Per-tick work of the special types ----

// Effects that belong to a type end when an odd event gives the block another one.
void FollowType(Block* b)
{
    Object* o = b->object;
    const int type = b->type;
    if (b->emitters[0] && !IsSpray(type) && type != BLK_TELE) StopEffects(b);
    if (type != BLK_BLACKHOLE && (o->displayFlags & DFG_HIDE)) o->displayFlags &= ~DFG_HIDE;
    const int family = b->wobbleMode == WOB_TWITCH ? WOB_WAIT : b->wobbleMode;
    if (family != WobbleFor(type)) SetWobble(b, WobbleFor(type));
    const BlockType* t = BLK_Type(type);
    if (t && t->innerModel[0] && !b->inner && b->removal == BLK_ALIVE) CreateInner(b);
}

void CrumbleHeading(Block* b)
{
    Object* o = b->object;
    const Vec3& p = o->position;
    int above = CELL_Index((int)p.x, (int)p.y, (int)p.z + 1);
    if (above < 0) return;
    o->heading = kAxes4[above % 4];
    OBJ_Moved(o);
}

// The colour the object shows now (0 when none of the five).
int ShownColour(const Object* o)
{
    for (int c = 1; c <= kColours; c++) {
        int m = ColourMesh(c, false);
        if (m && o->model == m) return c;
    }
    return 0;
}

void CloneColours(Block* b)
{
    // The clone's wobble has no timer, so its wobble timer keeps the colour clock.
    b->wobbleTimer -= TIM_GameDelta;
    if (b->wobbleTimer > 0.0f) return;
    b->wobbleTimer += kCloneSeconds;
    if (b->wobbleTimer <= 0.0f) b->wobbleTimer = kCloneSeconds;
    const int shown = ShownColour(b->object);
    int c = MTH_RandInt(1, shown ? kColours - 1 : kColours);
    if (shown && c >= shown) c++;
    int model = ColourMesh(c, false);
    if (model) OBJ_SetModel(b->object, model, true);
}

void AbsorberFrame(Block* b)
{
    Object* o = b->object;
    int shown = -1;
    for (int i = 0; i < 4; i++) {
        int m = MESH_Find(kAbsorbModels[i]);
        if (m && o->model == m) shown = i;
    }
    int next = MTH_RandInt(0, shown >= 0 ? 3 : 4);
    if (shown >= 0 && next >= shown) next++;
    int model = MESH_Find(kAbsorbModels[next]);
    if (model) OBJ_SetModel(o, model, true);
    o->heading = kAxes4[MTH_RandInt(0, 4)];
    o->up = Vec3{0, 0, 1};
    OBJ_Moved(o);
    SPC_JoinAbsorbers(b);
}

void MagnetLines(const Block* b)
{
    const Vec3 c = Add(b->object->position, 0, 0, 0.5f);
    for (const Vec3& dir : kAxes6) {
        Vec3 from = c;
        for (int s = 1; s <= 3; s++) {
            Vec3 to = MTH_Add(c, MTH_Scale(dir, 0.55f * s / 3.0f));
            if (s < 3) {   // crackle: the inner joints jump about; the tip stays on the face
                Vec3 j{MTH_RandFloat(-0.06f, 0.12f), MTH_RandFloat(-0.06f, 0.12f), MTH_RandFloat(-0.06f, 0.12f)};
                j = MTH_Sub(j, MTH_Scale(dir, MTH_Dot(j, dir)));
                to = MTH_Add(to, j);
            }
            float k = MTH_RandFloat(0.5f, 0.5f);
            QueueBand("MTL_PFX_RED", from, to, 0.035f, DRW_PackColour(k, k, k, 1.0f));
            from = to;
        }
    }
}

void Vortex(const Block* b)
{
    const Vec3& p = b->object->position;
    const float t = TIM_GameTime;
    for (int i = 0; i < 4; i++) {
        float h = 0.48f - 0.08f * i;
        float a = std::fmod(t * (1.5f + 0.75f * i), MTH_TWO_PI);
        float cs = std::cos(a) * h, sn = std::sin(a) * h;
        Vec3 c0 = Add(p, 0, 0, 0.2f + 0.2f * i);
        Vec3 c[4] = {Add(c0, -cs - sn, -sn + cs, 0), Add(c0, cs - sn, sn + cs, 0),
                     Add(c0, -cs + sn, -sn - cs, 0), Add(c0, cs + sn, sn - cs, 0)};
        QueueQuad("MTL_BLACKHOLE", c, Vec3{0, 0, 1}, DRW_PackColour(0.5f, 0.5f, 0.5f, 0.55f + 0.1f * i));
    }
    for (int k = 0; k < 6; k++) {   // sparks spiralling into the middle
        float f = Frac(t * 0.7f + k / 6.0f);
        float r = 0.5f * (1.0f - f);
        float a = k * (MTH_TWO_PI / 6.0f) + f * 5.0f;
        Vec3 s = Add(p, r * std::cos(a), r * std::sin(a), 0.8f - 0.6f * f);
        QueueSpark("MTL_PFX_BLUE", s, 0.04f + 0.03f * (1.0f - f), DRW_PackColour(1.0f - f, 1.0f - f, 1.0f - f, 1.0f));
    }
}

// ---- Drawing-only effects ----

// A block that stops casting its shadow starts the next one from nothing again.
void ReleaseShadow(Block* b) { b->shadowFade = 0.0f; }

void DropShadow(Block* b)
{
    const Object* o = b->object;
    const Vec3& p = o->position;
    const BlockType* t = BLK_Type(b->type);
    const bool moving = b->progress != 0.0f || b->moveDir != BLK_DIR_NONE;
    if (!t || !t->castsShadow || !moving || b->removal != BLK_ALIVE || !Whole(p.x) || !Whole(p.y)) {
        ReleaseShadow(b);
        return;
    }
    const int x = (int)std::lround(p.x), y = (int)std::lround(p.y);
    float surface = 0.0f;   // the floor, unless a block at rest stands lower in the column
    for (int z = (int)std::floor(p.z) - 1; z >= 0; z--) {
        int cell = CELL_Index(x, y, z);
        if (cell < 0 || cell >= BRD_CellCount) continue;
        const Block* u = BRD_Cells[cell].block;
        if (u && u != b && BLK_AtRest(u)) {
            surface = (float)(z + 1);
            break;
        }
    }
    const float height = p.z - surface;
    if (height <= 0.05f) {
        ReleaseShadow(b);
        return;
    }
    b->shadowFade += kShadowFadeIn * TIM_GameDelta;
    if (b->shadowFade > 1.0f) b->shadowFade = 1.0f;
    const float fade = b->shadowFade;
    float alpha = 0.5f - height / 6.0f;
    if (alpha > 0.5f) alpha = 0.5f;
    alpha *= fade;
    if (alpha <= 0.0f) return;
    const float hx = 0.5f * o->scale.x, hy = 0.5f * o->scale.y, z = surface + 0.01f;
    Vec3 c[4] = {{p.x - hx, p.y + hy, z}, {p.x + hx, p.y + hy, z}, {p.x - hx, p.y - hy, z}, {p.x + hx, p.y - hy, z}};
    QueueQuad("MTL_BLOCKSHADOW", c, Vec3{0, 0, 1}, DRW_PackColour(0.5f, 0.5f, 0.5f, alpha));
}

void Highlight(Block* b)
{
    const BlockType* t = BLK_Type(b->type);
    const bool shown = b == BLK_Hovered && t && t->draggable && !MOU_Outside &&
                       !(SPC_HintAlpha > 0.0f && !BLK_Selected);
    if (shown) {
        if (g_hoverBlock != b) {
            g_hoverBlock = b;
            g_hoverAngle = 0.0f;
        } else {
            g_hoverAngle = std::fmod(g_hoverAngle + kHoverRate * TIM_GameDelta, MTH_TWO_PI);
        }
        b->hoverGlow = 0.5f - 0.49f * std::sin(g_hoverAngle);
    } else if (b->hoverGlow > 0.0f) {
        b->hoverGlow -= kHoverFade * TIM_GameDelta;
        if (b->hoverGlow < 0.0f) b->hoverGlow = 0.0f;
    }
    if (b->hoverGlow <= 0.0f) return;
    const float g = b->hoverGlow;
    uint32_t colour = STORM_Strobe > 0.0f && t
                          ? DRW_PackColour(t->colour[0] * g, t->colour[1] * g, t->colour[2] * g, 1.0f)
                          : DRW_PackColour(0.15f * g, 0.15f * g, 0.15f * g, 1.0f);
    const Object* o = b->object;
    QueueBox("MTL_SELECTION", Add(o->position, 0, 0, 0.5f), MTH_Scale(o->scale, 0.51f), colour);
}

void Turn(Object* o, float ax, float ay, float az)
{
    MTH_TurnPairX(o->heading, o->up, ax);
    MTH_TurnPairY(o->heading, o->up, ay);
    MTH_TurnPairZ(o->heading, o->up, az);
}

void TurnRandom(Object* o, float limit)
{
    if (limit <= 0.0f) return;
    Turn(o, MTH_RandFloat(-limit, 2 * limit), MTH_RandFloat(-limit, 2 * limit), MTH_RandFloat(-limit, 2 * limit));
}

void Wobble(Block* b)
{
    Object* o = b->object;
    const float dt = TIM_GameDelta;
    switch (b->wobbleMode) {
    case WOB_WAIT:
        b->wobbleTimer -= dt;
        if (b->wobbleTimer > 0.0f) break;
        b->wobbleMode = WOB_TWITCH;
        b->wobbleTimer = 0.2f;
        b->wobbleA = MTH_RandFloat(0.1f, 0.1f);
        b->wobbleB = MTH_RandFloat(-0.1f, 0.2f);
        b->wobbleC = MTH_RandFloat(-0.1f, 0.2f);
        break;
    case WOB_TWITCH: {
        b->wobbleTimer -= dt;
        float s = b->wobbleTimer > 0.0f ? std::sin(MTH_PI * (1.0f - b->wobbleTimer / 0.2f)) : 0.0f;
        o->position.z += b->wobbleA * s;
        Turn(o, b->wobbleB * s, b->wobbleC * s, 0.0f);
        if (b->wobbleTimer <= 0.0f) SetWobble(b, WOB_WAIT);
        break;
    }
    case WOB_JITTER: TurnRandom(o, 0.05f); break;
    case WOB_BOMB: {
        // A quarter of the full shake for Bomb3 up to all of it for Bomb0.
        float k = (4.0f - (float)(BLK_BOMB0 - b->type)) / 4.0f;
        if (k < 0.0f) k = 0.0f;
        if (k > 1.0f) k = 1.0f;
        TurnRandom(o, 0.15f * k);
        break;
    }
    case WOB_SWAY: {
        const Vec3& p = o->position;
        float t = 3.0f * TIM_GameTime + 1.7f * p.x + 2.3f * p.y + 0.9f * p.z;
        Turn(o, 0.02f * std::sin(t), 0.02f * std::cos(t * 0.8f), 0.02f * std::sin(t * 1.3f + 1.0f));
        o->position.x += 0.012f * std::sin(t);
        o->position.y += 0.016f * std::cos(t);
        break;
    }
    case WOB_SHAKE: TurnRandom(o, 0.1f); break;
    default: break;
    }
}

void OddAndTimers(Block* b)
{
    const float dt = TIM_GameDelta;
    if (b->oddFlash > 0.0f) {
        const float before = b->oddFlash;
        b->oddFlash -= kOddFlashRate * dt;
        if (b->oddFlash < 0.0f) b->oddFlash = 0.0f;
        if (before > 0.5f && b->oddFlash <= 0.5f) SPC_JoinOddList(b);
    }
    if (b->metalTimer > 0.0f) {
        b->metalTimer -= dt;
        if (b->metalTimer <= 0.0f) {
            b->metalTimer = 0.0f;
            if (b->oddFlash <= 0.0f) {
                b->oddFlash = 1.0f;
                SFX_Play("SND_ODD01", MTH_RandInt(20000, 4096));
            }
        }
    }
    if (b->flash > 0.0f) {
        b->flash -= dt;
        if (b->flash < 0.0f) b->flash = 0.0f;
    }
    if (HUD_Paused) return;
    if (STORM_Strobe > 0.0f || STORM_Time > 0.0f) {
        b->colourful = 0.0f;
    } else if (b->colourful > 0.0f) {
        b->colourful -= dt;
        if (b->colourful < 0.0f) b->colourful = 0.0f;
        if (MTH_Chance(kFlashChance)) {
            b->flash = kFlashSeconds;
            SFX_Play("SND_CFLASH", MTH_RandInt(30000, 1001));
        }
    }
}

} // namespace

void SPC_ResetEffects()
{
    g_hoverBlock = nullptr;
    g_hoverAngle = 0.0f;
}

void SPC_Start(Block* b)
{
    if (!b || !b->object) return;
    Object* o = b->object;
    SetWobble(b, WobbleFor(b->type));
    if (b->type == BLK_MINE) {
        MTH_TurnPairZ(o->heading, o->up, MTH_RandFloat(0.0f, MTH_TWO_PI));
        OBJ_Moved(o);
    }
    StartEmitters(b);
    if (!b->inner) CreateInner(b);
}

int SPC_ColourModel(const Block* b)
{
    if (!b) return 0;
    return ColourMesh(b->type, STORM_Strobe > 0.0f || b->flash > 0.0f);
}

void SPC_Tick(Block* b)
{
    if (!b || !b->object) return;
    FollowType(b);
    const bool alive = b->removal == BLK_ALIVE;
    switch (b->type) {
    case BLK_CRUMBLE1: case BLK_CRUMBLE1 + 1: case BLK_CRUMBLE3: CrumbleHeading(b); break;
    case BLK_CLONE: CloneColours(b); break;
    case BLK_MAGNET: if (alive) MagnetLines(b); break;
    case BLK_BLACKHOLE:
        b->object->displayFlags |= DFG_HIDE;
        if (alive) Vortex(b);
        break;
    case BLK_ABSORB: AbsorberFrame(b); break;
    default: break;
    }
}

void SPC_Visual(Block* b)
{
    if (!b || !b->object) return;
    Object* o = b->object;
    OddAndTimers(b);
    // Frame and shadow go where the block really is, before the drawing-only turns below.
    Highlight(b);
    DropShadow(b);
    if (b->oddFlash > 0.0f) TurnRandom(o, kOddShake * b->oddFlash);
    Wobble(b);
    OBJ_Moved(o);
}

void SPC_StopEmitters(Block* b)
{
    if (!b) return;
    StopEffects(b);
    SPC_LeaveLists(b);
    ReleaseShadow(b);
    if (g_hoverBlock == b) g_hoverBlock = nullptr;
}
