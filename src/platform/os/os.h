// platform/os — the thin operating-system layer the engine stands on.
//
// Stands in for the desktop services the game was designed against: one main window whose
// events arrive as messages for a window procedure, accelerators, cursors, capture and
// confinement, timers, folders, the registry store, message boxes, clipboard, URL opening,
// user name and directory listing. Two backends share this interface: the SDL2 one used by the
// game and a fake one used by tests (it records what it was asked to do and lets a test queue
// messages). Which one runs is chosen once with OS_UseBackend; the engine cannot tell them apart.
// Only this layer (and platform/gfx, platform/snd) include SDL headers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace os {

// ---- Messages delivered to the window procedure (our own numbering) ----
enum Msg : uint32_t {
    MSG_NONE = 0,
    MSG_MOVE,          // lParam: client x in the low 16 bits, y in the high 16 bits (unsigned)
    MSG_SIZE,          // wParam: SIZE_RESTORED / SIZE_MINIMIZED / SIZE_MAXIMIZED / SIZE_MAXHIDE; lParam: w, h packed
    MSG_CLOSE,         // the close box or the desktop asked the window to close
    MSG_GETMINMAXINFO, // lParam: MinMaxInfo*
    MSG_KEYDOWN,       // wParam: virtual-key code (auto-repeat sends it again); lParam: KEYFLAG_* bits
    MSG_KEYUP,         // wParam: virtual-key code
    MSG_CHAR,          // wParam: one UTF-16 code unit (8, 9, 13, 27 also for Backspace, Tab, Enter, Escape)
    MSG_COMMAND,       // wParam low word: command id (accelerators)
    MSG_SYSCOMMAND,    // wParam: SC_* value
    MSG_LBUTTONDOWN,   // mouse buttons: lParam = client position packed as in MSG_MOVE
    MSG_LBUTTONUP,
    MSG_RBUTTONDOWN,
    MSG_RBUTTONUP,
    MSG_MBUTTONDOWN,
    MSG_MBUTTONUP,
    MSG_MOUSEWHEEL,    // wParam high word: signed wheel delta (+120 one notch away from the user)
    MSG_SETFOCUS,
    MSG_KILLFOCUS,
    MSG_ENTERSIZEMOVE,
    MSG_QUIT           // ends a blocking OS_GetMessage
};

enum SizeKind : uintptr_t { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2, SIZE_MAXHIDE = 4 };
enum SysCommand : uintptr_t { SC_MAXIMIZE = 0xF030, SC_MAXIMIZE_CAPTION = 0xF032, SC_MOUSEMENU_ICON = 0xF093 };
enum Command : uint16_t { CMD_F2 = 40010, CMD_F1 = 40011, CMD_ALTF4 = 40012 };

// Bits of a key message's lParam (the positions the desktop uses for the same facts).
enum KeyFlags : intptr_t { KEYFLAG_ALT = (intptr_t)1 << 29, KEYFLAG_REPEAT = (intptr_t)1 << 30 };

struct MinMaxInfo { int minTrackX, minTrackY; };  // asked once at window creation; 0 = no limit

struct Message {
    uint32_t msg = MSG_NONE;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

using WindowProc = intptr_t (*)(uint32_t msg, uintptr_t wParam, intptr_t lParam);

inline intptr_t OS_PackPoint(int x, int y) { return (intptr_t)(((uint32_t)(uint16_t)y << 16) | (uint16_t)x); }

// ---- Cursors ----
enum CursorId { CURSOR_NONE = 0, CURSOR_ARROW = 1, CURSOR_POINTER = 129, CURSOR_POINTER_HELD = 130 };

struct Rect { int left, top, right, bottom; };

// ---- Message boxes ----
enum BoxFlags : unsigned { BOX_OK = 0, BOX_OKCANCEL = 1, BOX_ICON_ERROR = 0x10, BOX_ICON_WARNING = 0x30, BOX_ICON_INFO = 0x40 };
enum BoxResult { BOX_RESULT_OK = 1, BOX_RESULT_CANCEL = 2 };

// ---- Backend selection ----
enum Backend { BACKEND_SDL, BACKEND_FAKE };
void OS_UseBackend(Backend b);      // chosen once, before any window call (tests pick BACKEND_FAKE)
Backend OS_CurrentBackend();

// ---- Window ----
bool OS_CreateWindow(const char* titleUtf8, WindowProc proc);  // hidden until OS_ShowWindow
bool OS_WindowExists();
void OS_ShowWindow(bool show);
void OS_SetWindowTitle(const char* titleUtf8);
void OS_SetClientSize(int w, int h);                  // client area size in pixels
void OS_GetClientSize(int* w, int* h);
void OS_SetWindowPos(int x, int y);                   // desktop position of the client area
void OS_GetWindowPos(int* x, int* y);
void OS_SetFullScreen(bool fullScreen);               // desktop mode; the back buffer is scaled to fit
bool OS_IsFullScreen();
bool OS_HasFocus();                                   // the main window has the keyboard focus
bool OS_IsMinimised();
void OS_GetDesktopSize(int* w, int* h);               // size of the desktop the window is on
void OS_SetBackBufferSize(int w, int h);              // lets mouse positions map to back-buffer pixels
void OS_GetPresentRect(Rect* r);                      // drawable pixels the back buffer is shown in (letterboxed)
void* OS_NativeWindow();                              // SDL_Window* for platform/gfx; null on the fake
std::string OS_LastError();                           // text of this layer's last failure, for the log

// ---- Message pump ----
bool OS_PeekMessage(Message* out);                    // non-blocking; false when nothing is waiting
bool OS_GetMessage(Message* out);                     // blocks; false on MSG_QUIT
bool OS_TranslateAccelerator(const Message& m);       // F1/F2/Alt+F4 → MSG_COMMAND; true when handled
void OS_LoadAccelerators();                           // installs the game's three accelerators
void OS_DispatchMessage(const Message& m);            // calls the window procedure
intptr_t OS_DefWindowProc(uint32_t msg, uintptr_t wParam, intptr_t lParam);

// ---- Mouse and cursor ----
void OS_SetCursor(CursorId id);                       // CURSOR_NONE hides the cursor
CursorId OS_GetCursor();
bool OS_GetCursorPos(int* x, int* y);                 // client pixels of the back buffer
void OS_SetCursorPos(int x, int y);                   // client pixels of the back buffer (warps the pointer)
void OS_SetCapture(bool capture);
bool OS_HasCapture();
void OS_ClipCursor(const Rect* r);                    // desktop pixels (window position + back-buffer pixels); null removes it
bool OS_GetClip(Rect* r);                             // false when not confined

// ---- Time ----
bool OS_QueryCounter(uint64_t* value);                // high-resolution counter; false when none
bool OS_CounterFrequency(uint64_t* perSecond);
uint32_t OS_TimeMs();                                 // millisecond timer (wraps at 2^32)
void OS_Sleep(unsigned ms);
void OS_SetFixedStepMs(unsigned ms);                  // counter steps ms per reading (0: real time); ZANDOR_FIXED_STEP_MS sets it

// ---- Desktop services ----
int OS_MessageBox(const char* text, const char* caption, unsigned flags);  // BoxResult; headless: stderr + default
bool OS_SetClipboardText(const char* text);
std::string OS_GetClipboardText();
bool OS_OpenURL(const char* url);                     // http:, https: or mailto: only; no shell is involved
std::string OS_UserName();                            // the login name

// ---- Files and folders (UTF-8 paths) ----
std::string OS_CurrentDir();
std::string OS_ExecutableDir();                       // folder of the running program
std::string OS_AppDataDir();                          // $XDG_DATA_HOME or ~/.local/share, created if missing
std::string OS_ConfigDir();                           // $XDG_CONFIG_HOME or ~/.config
bool OS_MakeDir(const std::string& path);             // true when it exists afterwards
bool OS_FileExists(const std::string& path);
bool OS_DeleteFile(const std::string& path);
std::vector<std::string> OS_ListDir(const std::string& dir, const char* suffix);  // file names, listing order
bool OS_ReadFile(const std::string& path, std::vector<uint8_t>* out);  // whole file; refuses over 256 MiB
bool OS_WriteFileAtomic(const std::string& path, const void* data, size_t size);  // temp file + rename

// ---- Registry store: one key, typed values, kept in one file ----
enum RegType : uint32_t { REG_TYPE_DWORD = 4, REG_TYPE_EXPAND_SZ = 2, REG_TYPE_BINARY = 3 };
bool OS_RegOpen(const char* keyPath);                 // maps the key to its file; creates the folder
bool OS_RegSet(const char* name, RegType type, const void* data, uint32_t size);  // rewrites the file atomically
bool OS_RegGet(const char* name, RegType* type, void* data, uint32_t* size);      // size in: capacity, out: bytes
std::string OS_RegFilePath();
void OS_RegClose();                                   // forgets the open key and its values (the file stays)

// ---- Scripted runs (ZANDOR_SCRIPT, ZANDOR_FIXED_STEP_MS) ----
using ScreenshotHook = bool (*)(const char* name);
void OS_SetScreenshotHook(ScreenshotHook hook);       // platform/gfx installs its back-buffer grab
void OS_ScriptFrameEnd();                             // called once per presented frame: runs timed script steps
bool OS_ScriptLoadFile(const std::string& path);      // starts a script file (the SDL backend does this for ZANDOR_SCRIPT)
bool OS_ScriptLoadText(const std::string& text);      // starts a script held in memory; bad lines go to stderr
bool OS_ScriptRunning();                              // steps are left to run

// ---- Keyboard map ----
int OS_VirtualKeyFromSdl(int32_t keycode, int32_t scancode);  // SDL key → virtual-key code; 0 when unmapped

// ---- Fake backend controls (tests) ----
void FAKE_Reset();                                    // empties queues and recorded state
void FAKE_PushMessage(const Message& m);              // delivered by the next peek/get
void FAKE_SetCursorPos(int x, int y);
void FAKE_SetCounter(uint64_t value);                 // high-resolution counter reading
void FAKE_SetCounterAvailable(bool available);
void FAKE_SetTimeMs(uint32_t ms);
void FAKE_SetFocus(bool focused);
void FAKE_SetDesktopSize(int w, int h);
void FAKE_SetClipboardFails(bool fails);
void FAKE_SetMinimised(bool minimised);
void FAKE_SetMessageBoxAnswer(int answer);            // BoxResult the next boxes give; 0 = the default answer
const std::vector<std::string>& FAKE_MessageBoxes();  // "caption|text" of every box shown
const std::vector<std::string>& FAKE_OpenedURLs();
bool FAKE_WindowVisible();
std::string FAKE_WindowTitle();
void FAKE_GetMinSize(int* w, int* h);                 // minimum size the window procedure asked for
uint64_t FAKE_SleptMs();                              // total of every OS_Sleep since the reset

} // namespace os
