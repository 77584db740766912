// core/settings — the install and data folders, Config.txt, Settings.txt and the registry key.
#pragma once
#include <cstdint>
#include <string>

extern int CFG_Width;            // back-buffer width (default 800)
extern int CFG_Height;           // back-buffer height (default 600)
extern uint8_t CFG_Windowed;
extern uint8_t CFG_TestForHoles;
extern uint8_t CFG_Mute;
extern uint8_t CFG_NoSound;
extern int CFG_XOffset;
extern int CFG_YOffset;
extern uint8_t CFG_LogMem;
extern float CFG_Detail;         // effect detail 0..1

extern std::string APP_InstallDir;  // UTF-8; no trailing slash
extern std::string APP_DataDir;     // UTF-8; no trailing slash
