// game/arcade — the end of an arcade board and what stands around it: the per-frame board tick
// (explosion sounds, the game-over text, the panic meter with its "Reduce Height" countdown),
// the game over itself (the stack turns to metal and flies apart, the board's tiles vanish and
// its four base pieces fly off) and the arena's floor disc and wall.
//
// Depends on game/board (cells, metrics, tiles), game/block (the block record), game/blocktypes,
// game/camera (shake), game/hud (pause), game/mode, game/sfx, scene/object, render/mesh,
// render/draw, render/texture, render/fx (the flash), ui/font, core/settings, app/clock.
#include <cmath>
#include <cstdio>

#include "app/app.h"
#include "app/clock.h"
#include "core/log.h"
#include "core/settings.h"
#include "game/arcade.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/camera.h"
#include "game/hud.h"
#include "game/match.h"
#include "game/mode.h"
#include "game/sfx.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/fx.h"
#include "render/mesh.h"
#include "render/texture.h"
#include "scene/object.h"
#include "ui/font.h"

namespace {

const char* const kGameOverText =
    "G           A           M           E                  O           V           E           R";

// The countdown runs over five seconds once the meter is full; when the stack comes down it
// runs back four times as fast as it ran.
constexpr float kCountdownRate = 1.0f / 5.0f;
constexpr float kCountdownBack = 4.0f * kCountdownRate;
constexpr float kPieceFloor = -60.0f;   // board pieces fall this far before they burst
constexpr int kArenaSegments = 32;
constexpr float kArenaRadius = 15.0f;
constexpr float kArenaFloor = -0.3f;
constexpr float kArenaTop = 10.0f;

struct Piece {
    const char* model;
    Vec3 velocity;
};
constexpr Piece kPieces[4] = {
    {"BFM_PLATFORM_P1", {0.0f, 4.0f, -1.0f}},
    {"BFM_PLATFORM_P2", {6.0f, 0.0f, -3.0f}},
    {"BFM_PLATFORM_P3", {0.0f, -5.0f, -5.0f}},
    {"BFM_PLATFORM_P4", {-5.0f, 0.0f, -3.0f}},
};

Vec3 RandomVector(float length)
{
    Vec3 v{MTH_RandFloat(-1.0f, 2.0f), MTH_RandFloat(-1.0f, 2.0f), MTH_RandFloat(-1.0f, 2.0f)};
    if (MTH_Length(v) < 0.001f) v = Vec3{0.0f, 0.0f, 1.0f};
    MTH_Normalise(v);
    return MTH_Scale(v, length);
}

float Jitter() { return MTH_RandFloat(-0.3f, 0.6f); }

void Throw(Block* b, const Vec3& at, int metal)
{
    b->flying = 1.0f;
    Vec3 v{(at.x - BRD_Centre.x) * 0.8f + Jitter(), (at.y - BRD_Centre.y) * 0.8f + Jitter(),
           at.z * 0.7f + 2.0f + Jitter()};
    b->object->velocity = MTH_Add(v, RandomVector(5.0f));
    b->type = BLK_METAL;
    if (metal) OBJ_SetModel(b->object, metal, true);
}

// Every block on the board turns to metal and is thrown outwards and up; the block behaviour
// flies it from here on. The cells are walked from the top down; a block that claims two cells
// is thrown once. Then every block object the cells did not name goes too: one that dropped in
// this very tick has claimed nothing yet, and would otherwise stay behind in its colour and
// fall through the space where the board was. Blocks already vanishing finish that.
void ThrowBlocks()
{
    const int columns = BRD_Width * BRD_Height;
    if (columns <= 0) return;
    const int metal = MESH_Find("BFM_METAL");
    for (int z = BRD_CellCount / columns - 1; z >= 0; z--) {
        for (int y = 0; y < BRD_Height; y++) {
            for (int x = 0; x < BRD_Width; x++) {
                const int i = CELL_Index(x, y, z);
                if (i < 0 || i >= BRD_CellCount) continue;
                Block* b = BRD_Cells[i].block;
                if (!b || !b->object || b->flying > 0.0f) continue;
                Throw(b, Vec3{(float)x, (float)y, (float)z}, metal);
            }
        }
    }
    for (Object* o = OBJ_FindByBehaviour(BLK_Behaviour, nullptr); o;
         o = OBJ_FindByBehaviour(BLK_Behaviour, o)) {
        Block* b = BLK_Of(o);
        if (o->state == OBJ_STATE_DYING || !b || b->removal != BLK_ALIVE || b->flying > 0.0f) continue;
        Throw(b, o->position, metal);
    }
}

void LaunchPieces()
{
    for (const Piece& p : kPieces) {
        Object* o = OBJ_New(ARC_PieceBehaviour);
        if (!o) return;
        const int model = MESH_Find(p.model);
        if (model) OBJ_SetModel(o, model, false);
        o->renderMode = RENDER_MESH;
        o->position = Vec3{0.0f, 0.0f, 0.0f};
        o->scale = Vec3{BRD_Radius, BRD_Radius, BRD_Radius};
        o->velocity = p.velocity;
        for (int k = 0; k < 3; k++) o->userFloats[k] = MTH_RandFloat(-0.5f, 1.0f) * 2.0f;
        OBJ_Moved(o);
    }
}

void GameOver()
{
    ARC_BoardState = ARC_LOST;
    ARC_GameOver = 1;
    ARC_Countdown = 0.0f;
    LOG_Write("Board lost : score %d, level %d", SCORE_Score, ARC_LevelNumber);
    SFX_Play("SND_GAMEOVER");
    CAM_RequestShake(0.5f);
    if (CFG_Detail > 0.9f) {
        // The board's own flash: a quick white-hot burst fading over a second.
        FX_Flash* f = FX_FlashSlot(0);
        *f = FX_Flash{};
        f->r = 1.0f;
        f->g = 0.9f;
        f->b = 0.7f;
        f->total = 1.2f;
        f->peak = 1.1f;
        f->left = f->total;
    }
    ThrowBlocks();
    ARC_ExplosionTime = 1.5f;
    BRD_KillTiles();
    LaunchPieces();
    SFX_Effect("PFX_BIGEXPLO", MTH_Scale(CAM_Dir, -6.0f), Vec3{0.0f, 0.0f, 1.0f});
}

void Explosions()
{
    if (HUD_Paused || !(ARC_ExplosionTime > 0.0f)) return;
    ARC_ExplosionTime -= TIM_GameDelta;
    if (ARC_ExplosionTime < 0.0f) ARC_ExplosionTime = 0.0f;
    if (MTH_Chance(20.0f))
        SFX_Play("SND_EXPLO", MTH_RandInt(15000, 5000), 0.5f + 0.5f * ARC_ExplosionTime);
}

void ReduceHeightTexts()
{
    int left = 5 - (int)(ARC_Countdown * 5.0f);
    if (left < 1) left = 1;   // the frame the countdown runs out shows 1, not 0
    char number[16];
    std::snprintf(number, sizeof number, "%d", left);
    FONT_SetBox(0.0f, 0.11f, 1.0f, 0.3f);
    FONT_SetColour(0.7f, 0.12f, 0.08f);
    FONT_DrawText(number, 1.0f, 1.2f, 1.6f, 'c');
    FONT_SetBox(0.0f, 0.04f, 1.0f, 0.14f);
    FONT_SetColour(0.7f, 0.12f, 0.08f);
    FONT_DrawText("Reduce Height", 1.0f, 0.8f, 1.0f, 'c');
}

void Panic()
{
    const float dt = TIM_GameDelta;
    if (ARC_GameOver) {
        ARC_PanicMeter -= ARC_PanicMeter * dt;
        return;
    }
    if (!ARC_Panic) {
        ARC_Countdown -= kCountdownBack * dt;
        ARC_PanicMeter -= 0.5f * dt;
        if (ARC_Countdown < 0.0f) ARC_Countdown = 0.0f;
        if (ARC_PanicMeter < 0.0f) ARC_PanicMeter = 0.0f;
        return;
    }
    ARC_PanicMeter += 0.5f * dt;
    if (ARC_PanicMeter >= 1.0f) {
        ARC_PanicMeter = 1.0f;
        const int before = (int)(ARC_Countdown * 10.0f);
        ARC_Countdown += dt * kCountdownRate;
        const int after = (int)(ARC_Countdown * 10.0f);
        ReduceHeightTexts();
        if (after != before && after % 2 == 0) SFX_Play("SND_ALARM");
    } else {
        ARC_Countdown -= kCountdownBack * dt;
        if (ARC_Countdown < 0.0f) ARC_Countdown = 0.0f;
    }
    if (ARC_Countdown > 1.0f && ARC_BoardState == ARC_PLAYING) GameOver();
}

void BindArenaTexture(const char* pattern)
{
    char name[32];
    std::snprintf(name, sizeof name, pattern, 1);
    const int slot = TEX_Find(name);
    DRW_SetTexture(slot, 0);
    DRW_SetBlend(slot && TEX_Table[slot].hasAlpha ? -1 : 0);
}

} // namespace

Behaviour ARC_PieceBehaviour()
{
    for (;;) {
        Object* o = OBJ_Current;
        const float dt = TIM_GameDelta;
        MTH_TurnPairX(o->heading, o->up, o->userFloats[0] * dt);
        MTH_TurnPairY(o->heading, o->up, o->userFloats[1] * dt);
        MTH_TurnPairZ(o->heading, o->up, o->userFloats[2] * dt);
        o->position = MTH_Add(o->position, MTH_Scale(o->velocity, dt));
        OBJ_Moved(o);
        if (o->position.z <= kPieceFloor) {
            SFX_Effect("PFX_BOMBEXPLO", o->position, Vec3{0.0f, 0.0f, 1.0f});
            co_await OBJ_Kill(nullptr);
        }
        co_await OBJ_Wait(1);
    }
}

void ARC_BoardTick()
{
    Explosions();
    if (ARC_BoardState == ARC_LOST) {
        FONT_SetBox(0.0f, 0.0f, 1.0f, 1.0f);
        FONT_SetColour(0.6f, 0.6f, 0.6f);
        FONT_DrawText(kGameOverText, 1.0f, 0.8f, 1.0f, 'C');
    }
    Panic();
}

void ARENA_Draw()
{
    if (GAM_Mode != GAM_MODE_PLAY || !DEV_Device) return;
    LIGHT_Enable(false);
    DEV_SetTransform(gfx::TS_WORLD, MTH_MakeIdentity());
    const bool culling = DRW_IsCulling();
    DRW_SetCull(false);   // the floor is seen from above, each wall panel from inside
    DRW_SetAddress(0);

    const float cx = BRD_Centre.x, cy = BRD_Centre.y;
    const float step = MTH_TWO_PI / (float)kArenaSegments;

    // The floor: one slice of the disc per segment, mapped by world position.
    BindArenaTexture("TEX_FLOOR%02d");
    QUAD_SetColourRGBA(0.7f, 0.7f, 0.7f, 1.0f);
    QUAD_SetNormal(Vec3{0.0f, 0.0f, 1.0f});
    for (int i = 0; i < kArenaSegments; i++) {
        const Vec3 c{cx, cy, kArenaFloor};
        const Vec3 a{cx + kArenaRadius * std::cos(step * (float)i),
                     cy + kArenaRadius * std::sin(step * (float)i), kArenaFloor};
        const Vec3 b{cx + kArenaRadius * std::cos(step * (float)(i + 1)),
                     cy + kArenaRadius * std::sin(step * (float)(i + 1)), kArenaFloor};
        QUAD_SetCorners(c, c, a, b);
        PNCT_Vect* v = QUAD_Vertices();
        for (int k = 0; k < 4; k++) {
            v[k].u = v[k].x * 0.2f;
            v[k].v = v[k].y * 0.2f;
        }
        QUAD_Draw();
    }

    // The wall: four panels share the texture's width; v runs from the floor (1) to the top (0).
    BindArenaTexture("TEX_WALL%02d");
    QUAD_SetColourRGBA(0.5f, 0.5f, 0.5f, 1.0f);
    for (int i = 0; i < kArenaSegments; i++) {
        const float a0 = step * (float)i, a1 = step * (float)(i + 1);
        const float x0 = cx + kArenaRadius * std::cos(a0), y0 = cy + kArenaRadius * std::sin(a0);
        const float x1 = cx + kArenaRadius * std::cos(a1), y1 = cy + kArenaRadius * std::sin(a1);
        QUAD_SetCorners(Vec3{x0, y0, kArenaTop}, Vec3{x1, y1, kArenaTop}, Vec3{x0, y0, kArenaFloor},
                        Vec3{x1, y1, kArenaFloor});
        const float mid = 0.5f * (a0 + a1);
        // The wall is seen from inside only: the orbit can take the eye out past the wall
        // when the stack is low, and a panel seen from behind would then hide the board.
        const Vec3 inward{-std::cos(mid), -std::sin(mid), 0.0f};
        const Vec3 toEye{CAM_Eye.x - 0.5f * (x0 + x1), CAM_Eye.y - 0.5f * (y0 + y1), 0.0f};
        if (MTH_Dot(inward, toEye) <= 0.0f) continue;
        QUAD_SetNormal(inward);
        const float u0 = (float)(i % 4) * 0.25f;
        QUAD_SetUV(u0, 0.0f, u0 + 0.25f, 1.0f);
        QUAD_Draw();
    }

    DRW_SetCull(culling);
    APP_SetSceneLight();   // switching lighting off also put out the scene's light
}
