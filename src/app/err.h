// app/err — the fatal report, context notes, the invalid-resources report, result names and
// web links (problem report page, support addresses).
//
// The reports talk to the player through the OS layer's message boxes, put the log on the
// clipboard and set APP_Quit so the normal shutdown follows; they never fail themselves.
// Modules above this one (sound, display device, graphics and sound layers) plug in through
// ERR_SetHooks: until they do, the reports skip the audio fade and the full-screen switch and
// name the adapter "No Card Found".
#pragma once
#include <cstdint>

// What the reports need from modules that sit above or beside them.
struct ErrHooks {
    void (*audioFocus)() = nullptr;                 // the audio focus update (lets the sound fade)
    void (*setToWindowed)() = nullptr;              // leave full screen and show the cursor
    const char* (*cardName)() = nullptr;            // the display adapter's description
    const char* (*resultName)(long) = nullptr;      // name of a graphics/sound result; null if unknown
};

bool ERR_Fatal(const char* fmt, ...) __attribute__((format(printf, 1, 2)));  // once per run; always false
bool ERR_Note(const char* context, const char* fmt, ...) __attribute__((format(printf, 2, 3)));  // logs; first context kept; false
void ERR_InvalidResources(const char* message);     // broken or foreign game data; nothing when quitting
const char* ERR_DxName(long result);                // result name in a static buffer
void APP_OpenURL(const char* fmt, ...) __attribute__((format(printf, 1, 2)));  // spaces and '#' become '-'
void ERR_LogSupport();                              // logs the support site and e-mail address
const char* STR_HexByte(uint8_t b);                 // two upper-case hex digits, static buffer

void ERR_SetHooks(const ErrHooks& hooks);           // wired once at start-up
const char* ERR_Context();                          // the first context recorded ("" when none)
void ERR_ResetForTests();                           // forgets the context, the shown flag and the hooks
