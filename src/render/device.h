// render/device — the program's one display device, bound to the main window: creation and
// the desktop mode, windowed and full-screen modes, the reset protocol after mode changes and
// lost devices, window sizing and placement, viewport, clear (with the test-for-holes flashing)
// and present. Every other render module draws through DEV_Device.
//
// Depends on: platform/gfx (the device), platform/os (window, cursor, desktop size),
// core/settings (CFG_*), core/log, app/err (fatal report), app/app (ready flags), app/clock
// (smoothing restart, game time), core/input (mouse reset), core/math (projection state),
// render/draw (cache invalidation, screen-quad defaults). Limits: one device for the whole
// run; it is never released (the process exit takes it).
#pragma once
#include <cstdint>

#include "core/math.h"
#include "platform/gfx/gfx.h"

extern gfx::Device* DEV_Device;          // null until DEV_Init succeeds
extern gfx::DisplayMode DEV_Desktop;     // the desktop mode, read once by DEV_Init
extern char DEV_CardName[512];           // "No Card Found" until the adapter names itself
extern int DEV_RestoreState;             // 0 ok, 1 lost, 2 not reset: the last status logged
extern uint8_t DEV_Lost;                 // set while the device cannot be drawn to
extern int DEV_WindowX, DEV_WindowY;     // windowed position (the window procedure stores MSG_MOVE here)

// Makes the device for DEV_Init (GL on the main window by default; tests install a recording
// device). Returns null on failure; GFX_LastError() says why.
using DEV_Factory = gfx::Device* (*)(int backBufferW, int backBufferH, bool windowed);
void DEV_SetFactory(DEV_Factory factory);   // null restores the GL factory

// Steps of DEV_Reset that belong to later modules; any may be null.
struct DEV_ResetHooks {
    void (*audioUpdate)() = nullptr;         // silences sound while the ready flags are clear
    void (*releaseMeshBuffers)() = nullptr;  // drops every loaded mesh's vertex and index buffer
    void (*dropBatches)() = nullptr;         // forgets every material's queued batches
};
void DEV_SetResetHooks(const DEV_ResetHooks& hooks);

void DEV_Init();                         // creates the device (start-up, once); fatal report on failure
void DEV_Begin();                        // enters the configured windowed or full-screen mode
void DEV_Reset(const char* tag);         // rebuilds the swap chain; tag names the caller in messages
void SetToWindowed();                    // leaves full screen (before dialogs and the shell); shows the cursor
bool TestRestore();                      // before every frame: true when the frame may be drawn
void DEV_SetViewport(int w, int h);      // -1 takes CFG_Width / CFG_Height
void DEV_Clear(bool withDepth, int r, int g, int b);  // 0–255, or -1 for no colour
void DEV_Present();                      // shows the frame, then runs the script's frame steps
void DEV_SetTransform(uint32_t which, const Mat4& m);  // gfx::TS_*; also feeds the projection helpers

// Internal steps, public for tests.
void DEV_FitWindowSize(int desktopW, int desktopH);  // adjusts CFG_Width × CFG_Height (windowed only)
void DEV_PlaceWindow(bool recentre);
void DEV_LogCaps(const gfx::Caps& caps);
void DEV_ReleaseVolatile();

void DEV_ResetForTests();                // destroys the device; forgets hooks, factory and state
