// app — start-up, the window procedure, the message pump, the main loop, the frame, shutdown.
//
// One thread does everything. The window procedure only records input and sets flags (and
// resets the device for the maximise command), so the frame never runs re-entrantly. Start-up
// runs in a fixed order: registry key, folders and log, configuration, window, every
// subsystem's tables, display device, then the start-up content load.
#include "app/app.h"

#include <cstring>
#include <string>

#include "app/clock.h"
#include "app/err.h"
#include "core/input.h"
#include "core/log.h"
#include "core/math.h"
#include "core/mem.h"
#include "core/settings.h"
#include "game/camera.h"
#include "game/hud.h"
#include "game/mode.h"
#include "game/play.h"
#include "game/startup.h"
#include "platform/os/os.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/fx.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"
#include "scene/object.h"

uint8_t APP_Active = 0;
uint8_t APP_DeviceReady = 0;
uint8_t APP_Focused = 0;
uint8_t APP_Quit = 0;

const char* const APP_DisplayName = "Zan Dor";
const char* const APP_ProductName = "Zandor";
const char* const APP_MakerName = "Taglum Games";
const char* const APP_Version = "1.12.0";

namespace {

const char* g_argv0 = "";

const char* CardName()
{
    return DEV_CardName;
}

const char* ResultName(long result)
{
    return gfx::GFX_ResultName((gfx::Result)result);
}

} // namespace

const char* APP_Argv0()
{
    return g_argv0;
}

void APP_SetupFolders()
{
    APP_FindInstallDir();
    APP_FindDataDir();
    LOG_Open();
    LOG_Write("Install Dir = \"%s\"", APP_InstallDir.c_str());
    LOG_Write("Data Dir = \"%s\"", APP_DataDir.c_str());
    CFG_ReadConfig();
    CFG_ReadSettings();
}

bool APP_CreateWindow()
{
    if (!os::OS_WindowExists()) {
        if (!os::OS_CreateWindow(APP_DisplayName, APP_WindowProc)) return false;
    }
    return true;
}

// Puts every subsystem's tables into their empty state, then creates the display device.
void APP_InitSubsystems()
{
    TIM_Reset();
    MEM_F_Init();
    DRW_InvalidateCache();
    MTL_Reset();
    MESH_Reset();
    OBJ_InitLists();
    FX_Init();
    MTH_InitIdentity();
    TEX_Init();

    ErrHooks errHooks;
    errHooks.setToWindowed = SetToWindowed;
    errHooks.cardName = CardName;
    errHooks.resultName = ResultName;
    ERR_SetHooks(errHooks);
    DEV_ResetHooks resetHooks;
    resetHooks.releaseMeshBuffers = MESH_ReleaseAllBuffers;
    resetHooks.dropBatches = MTL_DropBatches;
    DEV_SetResetHooks(resetHooks);

    DEV_Init();
    if (APP_Quit) return;
    DEV_Begin();
}

void APP_FirstScreen()
{
    GAM_StartupContentLoad();
    CUR_Init(nullptr);
}

intptr_t APP_WindowProc(uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    switch (msg) {
    case os::MSG_MOVE:
        DEV_WindowX = (int)(uint16_t)(lParam & 0xFFFF);
        DEV_WindowY = (int)(uint16_t)((lParam >> 16) & 0xFFFF);
        break;
    case os::MSG_SIZE:
        if (wParam == os::SIZE_MINIMIZED || wParam == os::SIZE_MAXHIDE) {
            APP_Active = 0;
            APP_Focused = 0;
        } else {
            APP_Active = 1;
        }
        break;
    case os::MSG_CLOSE:
        APP_Quit = 1;
        return 0;
    case os::MSG_GETMINMAXINFO:
        if (lParam) {
            os::MinMaxInfo* info = (os::MinMaxInfo*)lParam;
            info->minTrackX = 100;
            info->minTrackY = 100;
        }
        break;
    case os::MSG_KEYDOWN:
        INP_KeyEvent((int)wParam, true);
        return 0;
    case os::MSG_KEYUP:
        INP_KeyEvent((int)wParam, false);
        return 0;
    case os::MSG_CHAR:
        INP_CharEvent((char16_t)wParam);
        break;
    case os::MSG_COMMAND:
        if ((wParam & 0xFFFF) == os::CMD_ALTF4) APP_Quit = 1;
        break;
    case os::MSG_SYSCOMMAND:
        if (wParam == os::SC_MAXIMIZE) {
            if (CFG_Windowed) {
                CFG_Windowed = 0;
                DEV_Reset("Maximize");
                CFG_SaveSettings();
            }
            return 1;
        }
        if (wParam == os::SC_MAXIMIZE_CAPTION) return 1;
        if (wParam == os::SC_MOUSEMENU_ICON) APP_Focused = 0;
        break;
    case os::MSG_LBUTTONDOWN:
    case os::MSG_LBUTTONUP:
    case os::MSG_RBUTTONDOWN:
    case os::MSG_RBUTTONUP:
    case os::MSG_MBUTTONDOWN:
    case os::MSG_MBUTTONUP:
        INP_ButtonEvent(msg, lParam);
        break;
    case os::MSG_MOUSEWHEEL:
        INP_WheelEvent((int16_t)((wParam >> 16) & 0xFFFF) > 0 ? 1 : -1);
        break;
    case os::MSG_ENTERSIZEMOVE:
        APP_Focused = 0;
        break;
    default:
        break;
    }
    return os::OS_DefWindowProc(msg, wParam, lParam);
}

void APP_PumpMessages()
{
    APP_Focused = os::OS_HasFocus() ? 1 : 0;
    if (DEV_Lost || !APP_Active) APP_Focused = 0;

    os::Message m;
    for (;;) {
        bool got = APP_Active ? os::OS_PeekMessage(&m) : os::OS_GetMessage(&m);
        if (!got) break;
        if (os::OS_TranslateAccelerator(m)) continue;   // only once the table is loaded
        os::OS_DispatchMessage(m);
    }
}

int APP_MainLoop()
{
    while (!APP_Quit) {
        APP_PumpMessages();
        if (!TIM_Update()) {
            // Nothing due yet: give the core back instead of spinning on an empty queue.
            os::OS_Sleep(1);
            continue;
        }
        if (!APP_Active || !APP_DeviceReady) continue;
        if (TestRestore()) APP_Frame();
    }
    return 1;
}

// The start of every frame's drawing: the whole back buffer, cleared to black, seen by the
// camera, with the default states and one white light along the view direction.
void APP_BeginDrawing()
{
    DEV_SetViewport(-1, -1);
    DEV_Clear(true, 0, 0, 0);
    CAM_Setup();
    DRW_FrameDefaults();
    APP_SetSceneLight();
}

void APP_SetSceneLight()
{
    LIGHT_Enable(true);
    LIGHT_SetDirectional(CAM_Dir, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0);
    DRW_SetRenderState(gfx::RS_LIGHTING, 1);
}

void APP_Frame()
{
    MEM_F_Reset();
    INP_Update();
    INP_UpdateModifiers();

    GAM_Update();
    // The scene: the camera of the mode, then in play the game update and every behaviour.
    CAM_Update();
    if (GAM_Mode == GAM_MODE_PLAY) {
        GAME_Update();
        OBJ_RunAll(HUD_Paused != 0);
    }

    if (DEV_Device->BeginScene() == gfx::GFX_OK) {
        APP_BeginDrawing();
        if (GAM_Mode == GAM_MODE_PLAY) OBJ_DrawAll();
        // The mode's own drawing: the queued 3D, pages, HUD, then the screen effects.
        GAM_Draw();

        DEV_Device->EndScene();
        DEV_Present();   // also runs the scripted run's steps for this frame
    }
    INP_EndFrame();
}

void APP_Shutdown()
{
    APP_Active = 0;
    APP_DeviceReady = 0;
    LOG_Close(true);
}

int APP_Start(int argc, char** argv)
{
    g_argv0 = (argc > 0 && argv && argv[0]) ? argv[0] : "";
    os::OS_UseBackend(os::BACKEND_SDL);

    REG_Create(REG_KEY_PATH);
    APP_SetupFolders();

    // A start-up that cannot go on still closes the log with its banner, so a report of why
    // it stopped always ends cleanly.
    if (!APP_CreateWindow()) {
        APP_Shutdown();
        return 0;
    }
    APP_InitSubsystems();
    if (APP_Quit) {
        APP_Shutdown();
        return 0;
    }
    APP_FirstScreen();
    if (APP_Quit) {
        APP_Shutdown();
        return 0;
    }
    os::OS_LoadAccelerators();
    int result = APP_MainLoop();
    APP_Shutdown();
    return result;
}
