// scenedemo — a few spinning blocks on board tiles, as scene objects with coroutine behaviours,
// loaded from the real archive and drawn through the object pass and the render queue.
//
//   scenedemo INSTALL_DIR OUT_PREFIX     (INSTALL_DIR holds Zandor.lmo; writes OUT_PREFIX_N.png)
//
// It is how we look at objects on the GL device before the game modes exist.
#include <cmath>
#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/clock.h"
#include "core/math.h"
#include "core/mem.h"
#include "core/settings.h"
#include "game/startup.h"
#include "platform/gfx/gfx.h"
#include "platform/os/os.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"
#include "scene/object.h"

namespace {

intptr_t Proc(uint32_t msg, uintptr_t w, intptr_t l)
{
    return os::OS_DefWindowProc(msg, w, l);
}

// Turns on the spot and bobs a little; the start angle comes from the first user float.
Behaviour Spin()
{
    float angle = OBJ_Current->userFloats[0];
    for (;;) {
        angle += 0.15f;
        OBJ_Current->heading = {std::sin(angle), std::cos(angle), 0.0f};
        OBJ_Current->position.z = 0.15f + 0.15f * std::sin(angle * 2.0f);
        OBJ_Moved(OBJ_Current);
        co_await OBJ_Wait(1);
    }
}

Object* Place(OBJ_Behaviour behaviour, const char* model, float x, float y)
{
    Object* o = OBJ_New(behaviour);
    if (!o) return nullptr;
    o->position = {x, y, 0.0f};
    OBJ_SetModel(o, MESH_Find(model), true);
    o->renderMode = RENDER_MESH;
    return o;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: scenedemo INSTALL_DIR OUT_PREFIX\n");
        return 2;
    }
    APP_InstallDir = argv[1];
    std::string out = argv[2];
    os::OS_UseBackend(os::BACKEND_SDL);
    if (!os::OS_CreateWindow("Zan Dor scene", Proc)) return 1;
    CFG_Windowed = 1;
    TIM_Reset();
    MEM_F_Init();
    DRW_InvalidateCache();
    MTL_Reset();
    MESH_Reset();
    OBJ_InitLists();
    MTH_InitIdentity();
    TEX_Init();
    DEV_Init();
    if (!DEV_Device) return 1;
    DEV_Begin();
    if (!GAM_StartupContentLoad()) {
        fprintf(stderr, "scenedemo: the content of %s/Zandor.lmo did not load\n", argv[1]);
        return 1;
    }

    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 5; x++)
            Place(nullptr, (x + y) % 2 ? "BFM_BOARD01_ODD01" : "BFM_BOARD01_EVEN01", x - 2.0f, y - 1.0f);
    const char* blocks[] = {"BFM_COLOR01", "BFM_COLOR02", "BFM_COLOR03", "BFM_COLOR04", "BFM_COLOR05", "BFM_METAL"};
    for (int i = 0; i < 6; i++) {
        Object* b = Place(Spin, blocks[i], (i % 3) * 2 - 2.0f, (i / 3) * 2 - 1.0f);
        if (b) b->userFloats[0] = i * 0.7f;
    }

    CAM_Eye = {0.0f, -7.0f, 5.0f};
    CAM_Dir = {0.0f, 1.0f, -0.75f};
    CAM_Up = {0.0f, 0.0f, 1.0f};
    int shots = 0;
    for (int frame = 0; frame < 12; frame++) {
        MEM_F_Reset();
        OBJ_RunAll(false);
        if (DEV_Device->BeginScene() != gfx::GFX_OK) continue;
        APP_BeginDrawing();
        OBJ_DrawAll();
        MTL_Flush();
        DEV_Device->EndScene();
        if (frame == 3 || frame == 11) {
            std::string path = out + "_" + std::to_string(frame) + ".png";
            if (gfx::GFX_SaveScreenshot(DEV_Device, path.c_str())) ++shots;
        }
        DEV_Present();
    }
    printf("scenedemo: %d objects, %d screenshots\n", OBJ_Count(), shots);
    OBJ_DestroyAll();
    return shots == 2 ? 0 : 1;
}
