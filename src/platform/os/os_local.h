// platform/os — what the layer's own files share; nothing outside src/platform/os includes this.
//
// The public functions in os.h that differ between the SDL and the fake backend reach the running
// backend through one table of plain function pointers (OsBackendOps). Everything the two share —
// the message queue, the window procedure, accelerators, the back-buffer mapping, the scripted
// cursor, fixed-step time — lives in os_common.cpp and is reached through the helpers below.
#pragma once
#include <cstdint>
#include <string>
#include "platform/os/os.h"

namespace os {

// The operations a backend provides. Positions are back-buffer pixels unless a name says otherwise.
struct OsBackendOps {
    bool (*createWindow)(const char* titleUtf8);
    bool (*windowExists)();
    void (*showWindow)(bool show);
    void (*setTitle)(const char* titleUtf8);
    void (*setClientSize)(int w, int h);
    void (*getClientSize)(int* w, int* h);
    void (*getDrawableSize)(int* w, int* h);      // pixels of the area the image is drawn in
    void (*setWindowPos)(int x, int y);
    void (*getWindowPos)(int* x, int* y);
    void (*setFullScreen)(bool fullScreen);
    bool (*isFullScreen)();
    bool (*hasFocus)();
    bool (*isMinimised)();
    void (*getDesktopSize)(int* w, int* h);
    void (*setMinSize)(int w, int h);
    void* (*nativeWindow)();
    void (*pump)(bool wait);                      // turns pending events into queued messages; wait: until one is queued
    void (*setCursor)(CursorId id);
    bool (*getCursorPos)(int* x, int* y);
    void (*setCursorPos)(int x, int y);
    void (*setCapture)(bool capture);
    void (*setClip)(const Rect* desktopRect);     // null removes the confinement
    bool (*queryCounter)(uint64_t* value);
    bool (*counterFrequency)(uint64_t* perSecond);
    uint32_t (*timeMs)();
    void (*sleep)(unsigned ms);
    int (*messageBox)(const char* text, const char* caption, unsigned flags);
    bool (*setClipboard)(const char* text);
    std::string (*getClipboard)();
    bool (*openURL)(const char* url);             // already checked by the common code
};

const OsBackendOps* OS_SdlOps();
const OsBackendOps* OS_FakeOps();

// ---- Shared by the backends and the script player (os_common.cpp) ----
void OS_QueuePost(const Message& m);              // appended to the queue the pump reads
bool OS_QueueEmpty();
void OS_QueueClear();
void OS_BackBufferSize(int* w, int* h);           // as last set; 0 × 0 when never set
void OS_SetLastError(const std::string& text);
int OS_DefaultBoxAnswer(unsigned flags);          // Cancel where the box has one, else OK
void OS_FitRect(int drawW, int drawH, int bufW, int bufH, Rect* r);  // letterboxed fit, centred
void OS_ResetCommon();                            // the fake's reset: queue, procedure, cursor state, script, time
bool OS_Utf8ToUtf16(const char* s, size_t n, std::u16string* out);  // false (and U+FFFD) on bad sequences

// ---- Script player (os_script.cpp) ----
void OS_ScriptStop();                             // drops any script and its cursor
bool OS_ScriptCursorPos(int* x, int* y);          // the scripted cursor, when the script owns it

// ---- Keyboard names (os_keymap.cpp) ----
int OS_VirtualKeyFromName(const char* name);      // "F4", "Enter", "A", "0x41", "65" …; 0 when unknown

// ---- The game's pointer cursors, painted in code (os_cursor_art.cpp) ----
constexpr int kPointerSize = 32;
void OS_PaintPointer(bool held, uint32_t* argb, int* hotX, int* hotY);  // kPointerSize² straight-alpha pixels

} // namespace os
