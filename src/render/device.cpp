// render/device — the display device: creation, modes, the reset protocol, window placement,
// viewport, clear and present.
//
// The device is made once, windowed at 640 × 480, and then put into the configured mode; the
// program always passes through windowed mode before its first full-screen mode. Every mode or
// size change goes through DEV_Reset, which clears the ready flags, fits the window to the
// desktop, releases what a reset invalidates and rebuilds the swap chain. Full screen uses the
// desktop mode with the back buffer scaled to fit (the OS layer does the scaling).
// Depends on: platform/gfx, platform/os, core/settings, core/log, core/input, core/math,
// app/app, app/clock, app/err, render/draw. Limits: one device; never released.
#include "render/device.h"

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/clock.h"
#include "app/err.h"
#include "core/input.h"
#include "core/log.h"
#include "core/settings.h"
#include "platform/os/os.h"
#include "render/draw.h"

using namespace gfx;

Device* DEV_Device = nullptr;
DisplayMode DEV_Desktop;
char DEV_CardName[512] = "No Card Found";
int DEV_RestoreState = 0;
uint8_t DEV_Lost = 0;
int DEV_WindowX = 0;
int DEV_WindowY = 0;

namespace {

Device* GlFactory(int w, int h, bool windowed)
{
    return GFX_CreateGlDevice(os::OS_NativeWindow(), w, h, windowed);
}

DEV_Factory g_factory = GlFactory;
DEV_ResetHooks g_hooks;

} // namespace

void DEV_SetFactory(DEV_Factory factory) { g_factory = factory ? factory : GlFactory; }

void DEV_SetResetHooks(const DEV_ResetHooks& hooks) { g_hooks = hooks; }

void DEV_LogCaps(const Caps& c)
{
    LOG_Newline();
    LOG_Write("Logging Device Capabilities :");
    LOG_Write("  - DeviceType (%d)", (int)c.deviceType);
    LOG_Write("  - AdapterOrdinal (%d)", (int)c.adapterOrdinal);
    LOG_Write("  - Caps 1(%d) 2(%d) 3(%d)", (int)c.caps, (int)c.caps2, (int)c.caps3);
    LOG_Write("  - PresentationIntervals (%d)", (int)c.presentationIntervals);
    LOG_Write("  - CursorCaps (%d)", (int)c.cursorCaps);
    LOG_Write("  - DevCaps (%d)", (int)c.devCaps);
    LOG_Write("  - PrimitiveMiscCaps (%d)", (int)c.primitiveMiscCaps);
    LOG_Write("  - RasterCaps (%d)", (int)c.rasterCaps);
    LOG_Write("  - ZCmpCaps (%d)", (int)c.zCmpCaps);
    LOG_Write("  - SrcBlendCaps (%d)", (int)c.srcBlendCaps);
    LOG_Write("  - DestBlendCaps (%d)", (int)c.destBlendCaps);
    LOG_Write("  - AlphaCmpCaps (%d)", (int)c.alphaCmpCaps);
    LOG_Write("  - ShadeCaps (%d)", (int)c.shadeCaps);
    LOG_Write("  - TextureCaps (%d)", (int)c.textureCaps);
    LOG_Write("  - TextureFilterCaps (%d)", (int)c.textureFilterCaps);
    LOG_Write("  - CubeTextureFilterCaps (%d)", (int)c.cubeTextureFilterCaps);
    LOG_Write("  - VolumeTextureFilterCaps (%d)", (int)c.volumeTextureFilterCaps);
    LOG_Write("  - TextureAddressCaps (%d)", (int)c.textureAddressCaps);
    LOG_Write("  - VolumeTextureAddressCaps (%d)", (int)c.volumeTextureAddressCaps);
    LOG_Write("  - LineCaps (%d)", (int)c.lineCaps);
    LOG_Write("  - MaxTextureWidth (%d)", (int)c.maxTextureWidth);
    LOG_Write("  - MaxTextureHeight (%d)", (int)c.maxTextureHeight);
    LOG_Write("  - MaxVolumeExtent (%d)", (int)c.maxVolumeExtent);
    LOG_Write("  - MaxTextureRepeat (%d)", (int)c.maxTextureRepeat);
    LOG_Write("  - MaxTextureAspectRatio (%d)", (int)c.maxTextureAspectRatio);
    LOG_Write("  - MaxAnisotropy (%d)", (int)c.maxAnisotropy);
    LOG_Write("  - MaxVertexW (%f)", c.maxVertexW);
    LOG_Write("  - GuardBandLeft (%f)", c.guardBandLeft);
    LOG_Write("  - GuardBandTop (%f)", c.guardBandTop);
    LOG_Write("  - GuardBandRight (%f)", c.guardBandRight);
    LOG_Write("  - GuardBandBottom (%f)", c.guardBandBottom);
    LOG_Write("  - StencilCaps (%d)", (int)c.stencilCaps);
    LOG_Write("  - FVFCaps (%d)", (int)c.fvfCaps);
    LOG_Write("  - TextureOpCaps (%d)", (int)c.textureOpCaps);
    LOG_Write("  - MaxTextureBlendStages (%d)", (int)c.maxTextureBlendStages);
    LOG_Write("  - MaxSimultaneousTextures (%d)", (int)c.maxSimultaneousTextures);
    LOG_Write("  - VertexProcessingCaps (%d)", (int)c.vertexProcessingCaps);
    LOG_Write("  - MaxActiveLights (%d)", (int)c.maxActiveLights);
    LOG_Write("  - MaxUserClipPlanes (%d)", (int)c.maxUserClipPlanes);
    LOG_Write("  - MaxVertexBlendMatrices (%d)", (int)c.maxVertexBlendMatrices);
    LOG_Write("  - MaxVertexBlendMatrixIndex (%d)", (int)c.maxVertexBlendMatrixIndex);
    LOG_Write("  - MaxPointSize (%f)", c.maxPointSize);
    LOG_Write("  - MaxPrimitiveCount (%d)", (int)c.maxPrimitiveCount);
    LOG_Write("  - MaxVertexIndex (%d)", (int)c.maxVertexIndex);
    LOG_Write("  - MaxStreams (%d)", (int)c.maxStreams);
    LOG_Write("  - MaxStreamStride (%d)", (int)c.maxStreamStride);
    LOG_Write("  - VertexShaderVersion (%d)", (int)c.vertexShaderVersion);
    LOG_Write("  - MaxVertexShaderConst (%d)", (int)c.maxVertexShaderConst);
    LOG_Write("  - PixelShaderVersion (%d)", (int)c.pixelShaderVersion);
    LOG_Write("  - MaxPixelShaderValue (%f)", c.maxPixelShaderValue);
    LOG_Newline();
}

namespace {

// After a fatal failure there is no device: the later steps then do nothing.
void DropDevice()
{
    if (DEV_Device) GFX_InstallScreenshotHook(nullptr);
    GFX_DestroyDevice(DEV_Device);
    DEV_Device = nullptr;
}

} // namespace

void DEV_Init()
{
    // The device is made on the window first; the desktop mode and the adapter come from it.
    DEV_Device = g_factory(640, 480, true);
    if (!DEV_Device) {
        const char* why = GFX_LastError();
        ERR_Fatal("Could not create the DirectX device. (%s)", why && *why ? why : GFX_ResultName(GFX_FAIL));
        return;
    }
    Result r = DEV_Device->GetDesktopMode(&DEV_Desktop);
    if (GFX_Failed(r)) {
        ERR_Fatal("DEV_Init : Could read the display mode.(%s)", GFX_ResultName(r));
        DropDevice();
        return;
    }
    LOG_Newline();
    LOG_Write("Desktop : %d/%d/%d (Refresh %d)", (int)DEV_Desktop.width, (int)DEV_Desktop.height,
              (int)DEV_Desktop.format, (int)DEV_Desktop.refreshRate);

    AdapterInfo info;
    r = DEV_Device->GetAdapterInfo(&info);
    if (GFX_Failed(r)) {
        ERR_Fatal("DEV_Init : Could not get the adpater info.(%s)", GFX_ResultName(r));
        DropDevice();
        return;
    }
    info.description[sizeof info.description - 1] = 0;
    info.driver[sizeof info.driver - 1] = 0;
    if (info.description[0]) std::snprintf(DEV_CardName, sizeof DEV_CardName, "%s", info.description);
    LOG_Write("Testing Device : '%s'", DEV_CardName);
    LOG_Write("Driver : '%s'", info.driver);

    Caps caps;
    r = DEV_Device->GetCaps(&caps);
    if (GFX_Failed(r)) LOG_Write("DEV_Init : Could not read device caps.(%s)", GFX_ResultName(r));
    else DEV_LogCaps(caps);

    DRW_InvalidateCache();
    SCR_Init();
    GFX_InstallScreenshotHook(DEV_Device);
}

void DEV_Begin()
{
    if (!DEV_Device) return;
    if (CFG_Windowed) {
        DEV_Reset("DEV_Begin : Windowed");
        return;
    }
    const int w = CFG_Width, h = CFG_Height;
    CFG_Windowed = 1;
    DEV_Reset("DEV_Begin : FullScreen (W)");
    CFG_Width = w;   // the windowed pass may have shrunk the size to fit the desktop
    CFG_Height = h;
    CFG_Windowed = 0;
    DEV_Reset("DEV_Begin : FullScreen (F)");
}

void DEV_ReleaseVolatile()
{
    // Mesh buffers do not survive a reset; textures are kept by the device.
    if (g_hooks.releaseMeshBuffers) g_hooks.releaseMeshBuffers();
}

void DEV_Reset(const char* tag)
{
    if (!DEV_Device) return;
    if (!tag) tag = "";
    APP_Active = 0;
    APP_DeviceReady = 0;
    DEV_FitWindowSize((int)DEV_Desktop.width, (int)DEV_Desktop.height);
    if (g_hooks.audioUpdate) g_hooks.audioUpdate();
    TIM_Resmooth();
    DEV_ReleaseVolatile();

    PresentParams pp;
    pp.backBufferWidth = (uint32_t)CFG_Width;
    pp.backBufferHeight = (uint32_t)CFG_Height;
    pp.windowed = CFG_Windowed != 0;
    pp.backBufferFormat = DEV_Desktop.format;
    pp.depthBuffer = true;
    Result r = DEV_Device->Reset(pp);
    if (GFX_Failed(r)) {
        if (!APP_Quit) {
            ERR_Fatal("DEV_Reset (from %s) : Could not reset the DirectX device. (%s)", tag, GFX_ResultName(r));
            return;
        }
        LOG_Write("DEV_Reset (from %s) : Could not reset the DirectX device. (%s)", tag, GFX_ResultName(r));
    }

    DRW_InvalidateCache();
    if (g_hooks.dropBatches) g_hooks.dropBatches();
    DEV_PlaceWindow(true);
    INP_ResetMouse();
    APP_Active = 1;
    APP_DeviceReady = 1;
}

void SetToWindowed()
{
    if (DEV_Device && !CFG_Windowed) {
        CFG_Windowed = 1;
        DEV_Reset("SetToWindowed");
    }
    os::OS_SetCursor(os::CURSOR_ARROW);
}

bool TestRestore()
{
    DEV_Lost = 1;
    if (!DEV_Device) return false;
    Result r = DEV_Device->TestCooperativeLevel();
    if (r == GFX_DEVICELOST) {
        if (DEV_RestoreState != 1) {
            LOG_Write("TestCooperativeLevel = D3DERR_DEVICELOST");
            DEV_RestoreState = 1;
        }
        return false;
    }
    if (r == GFX_DEVICENOTRESET) {
        if (DEV_RestoreState != 2) {
            LOG_Write("TestCooperativeLevel = D3DERR_DEVICENOTRESET");
            DEV_RestoreState = 2;
        }
        DEV_Reset("TestRestore : Device Not Reset");
        return false;
    }
    if (GFX_Failed(r)) return false;
    if (DEV_RestoreState != 0) {
        LOG_Write("TestCooperativeLevel = S_OK");
        DEV_RestoreState = 0;
    }
    DEV_Lost = 0;
    return true;
}

void DEV_SetViewport(int w, int h)
{
    if (w == -1) w = CFG_Width;
    if (h == -1) h = CFG_Height;
    Viewport vp;
    vp.x = 0;
    vp.y = 0;
    vp.width = (uint32_t)w;
    vp.height = (uint32_t)h;
    vp.minZ = 0.0f;
    vp.maxZ = 1.0f;
    MTH_SetViewport(0, 0, w, h, 0.0f, 1.0f);
    if (DEV_Device) DEV_Device->SetViewport(vp);
}

void DEV_Clear(bool withDepth, int r, int g, int b)
{
    if (CFG_TestForHoles) {
        // Flash magenta and yellow five times a second so gaps in the scene show.
        r = 255;
        const bool odd = ((long long)(TIM_GameTime * 10.0f)) % 2 != 0;
        g = odd ? 0 : 255;
        b = odd ? 255 : 0;
    }
    if (!DEV_Device) return;
    const bool noColour = r == -1 || g == -1 || b == -1;
    const uint32_t colour = 0xFF000000u | (uint32_t)(r & 0xFF) << 16 | (uint32_t)(g & 0xFF) << 8 | (uint32_t)(b & 0xFF);
    if (withDepth) {
        if (noColour) DEV_Device->Clear(CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        else DEV_Device->Clear(CLEAR_TARGET | CLEAR_ZBUFFER, colour, 1.0f, 0);
    } else if (!noColour) {
        DEV_Device->Clear(CLEAR_TARGET, colour, 1.0f, 0);
    }
}

void DEV_Present()
{
    if (DEV_Device) DEV_Device->Present();
    os::OS_ScriptFrameEnd();
}

void DEV_SetTransform(uint32_t which, const Mat4& m)
{
    if (DEV_Device) DEV_Device->SetTransform(which, &m.m[0][0]);
    if (which == TS_WORLD) MTH_SetTransforms(&m, nullptr, nullptr);
    else if (which == TS_VIEW) MTH_SetTransforms(nullptr, &m, nullptr);
    else if (which == TS_PROJECTION) MTH_SetTransforms(nullptr, nullptr, &m);
}

void DEV_FitWindowSize(int dw, int dh)
{
    if (!CFG_Windowed || dw < 320 || dh < 200) return;
    int w = CFG_Width, h = CFG_Height;
    if (dw >= 800 && dh >= 600 && (w < 800 || h < 600)) {
        w = 800;
        h = 600;
    }
    if (!(w < dw && h < dh)) {
        if (dw >= 800 && dh >= 600) {
            w = 800;
            h = 600;
        } else if (dw >= 640 && dh >= 480) {
            w = 640;
            h = 480;
        } else {
            w = 320;
            h = 200;
        }
    }
    CFG_Width = w;
    CFG_Height = h;
}

void DEV_PlaceWindow(bool recentre)
{
    int sw = 0, sh = 0;
    os::OS_GetDesktopSize(&sw, &sh);
    const int w = CFG_Width, h = CFG_Height;
    if (CFG_Windowed) {
        if (recentre) {
            DEV_WindowX = sw / 2 + CFG_XOffset - w / 2;
            DEV_WindowY = sh / 2 + CFG_YOffset - h / 2;
        }
        os::OS_SetFullScreen(false);
        os::OS_SetClientSize(w, h);
        os::OS_SetWindowPos(DEV_WindowX, DEV_WindowY);
    } else {
        DEV_WindowY = CFG_YOffset;
        DEV_WindowX = sw + CFG_XOffset - w;
        os::OS_SetFullScreen(true);
    }
    os::OS_SetBackBufferSize(w, h);
    os::OS_ShowWindow(true);
    // The cursor goes to the middle of the picture (cursor positions are back-buffer pixels).
    os::OS_SetCursorPos(w / 2, h / 2);
    os::OS_SetCursor(os::CURSOR_NONE);
}

void DEV_ResetForTests()
{
    DropDevice();
    g_factory = GlFactory;
    g_hooks = DEV_ResetHooks{};
    DEV_Desktop = DisplayMode{};
    std::snprintf(DEV_CardName, sizeof DEV_CardName, "%s", "No Card Found");
    DEV_RestoreState = 0;
    DEV_Lost = 0;
    DEV_WindowX = DEV_WindowY = 0;
}
