// app — the program's spine: start-up in its fixed order, the main window's procedure, the
// message pump, the main loop and the frame in which every subsystem is updated and drawn.
#pragma once
#include <cstdint>

extern uint8_t APP_Active;       // the window is not minimised
extern uint8_t APP_DeviceReady;  // the display device may be drawn to
extern uint8_t APP_Focused;      // the window has the keyboard focus (recomputed by every pump)
extern uint8_t APP_Quit;         // quit has been requested; never cleared

extern const char* const APP_DisplayName;   // "Zan Dor"
extern const char* const APP_ProductName;   // "Zandor" (archive and folder names)
extern const char* const APP_MakerName;     // "Taglum Games"
extern const char* const APP_Version;       // "1.12.0"

int APP_Start(int argc, char** argv);       // 1 after a normal run, 0 when start-up was abandoned
bool APP_CreateWindow();
intptr_t APP_WindowProc(uint32_t msg, uintptr_t wParam, intptr_t lParam);
void APP_PumpMessages();
int APP_MainLoop();
void APP_Frame();
void APP_BeginDrawing();                    // viewport, clear, camera, default states, scene light
void APP_SetSceneLight();                   // lighting on, light 0 white along CAM_Dir, no ambient
void APP_SetupFolders();
void APP_InitSubsystems();
void APP_FirstScreen();
void APP_Shutdown();
const char* APP_Argv0();                    // the program path as started (install-folder search)
