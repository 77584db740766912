// core/settings — the install and data folders, Config.txt, Settings.txt and the registry key.
//
// Config.txt (install folder) holds hand-edited start-up switches, Settings.txt (data folder)
// the display mode the game last chose, and one registry key the current player and the
// typed-sequence flags. Depends on data/tag (both texts), platform/os (folders, desktop size,
// atomic file replace, the registry store), core/log and app/err (ST1).
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
extern int CFG_PlayArcade;       // developer switch #PLAYARCADE(d): start straight in arcade
                                 // play at difficulty d (1..3); 0 when absent or out of range

extern std::string APP_InstallDir;  // UTF-8; no trailing slash
extern std::string APP_DataDir;     // UTF-8; no trailing slash

// The game's key under the current user, as REG_Create is given it at start-up.
constexpr const char* REG_KEY_PATH = "Software\\TaglumGames\\Zandor";

// ---- Folders ----
void APP_FindInstallDir();       // current dir, else the program's own dir, holding "Zandor.lmo"; else "."
void APP_FindDataDir();          // <app data>/Taglum Games/Zandor when usable, else the install folder

// ---- Config.txt and Settings.txt ----
bool CFG_ReadConfig();           // start-up switches from <install>/Config.txt; false when there is none
bool CFG_ReadSettings();         // display mode from <data>/Settings.txt; false when there is none
bool CFG_SaveSettings();         // rewrites Settings.txt atomically; ST1 fatal report on failure

// ---- Registry ----
bool REG_Create(const char* keyPath);                              // opens (creating) the key for the whole run
bool REG_ReadInt(const char* name, int* out);                      // at most 4 bytes of any stored type
bool REG_WriteInt(const char* name, int value);                    // stored as a DWORD
bool REG_ReadBool(const char* name, uint8_t* out);                 // *out = (value != 0); untouched on failure
bool REG_WriteBool(const char* name, bool flag);                   // DWORD 1 or 0
bool REG_ReadData(const char* name, void* buffer, uint32_t limit); // raw bytes, at most limit
bool REG_WriteString(const char* name, const char* text);          // expandable string with its zero
bool REG_ReadWideString(const char* name, char16_t* out, uint32_t byteLimit);  // "3 65 98 99" → u"Abc"
bool REG_WriteWideString(const char* name, const char16_t* text);  // u"Abc" → "3 65 98 99"
