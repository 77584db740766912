// platform/os/os_fake — the test backend: no window, no desktop. It keeps what it was asked to
// do (window size, position, full screen, visibility, cursor, capture, clipboard, message boxes,
// opened addresses, time slept) and lets a test set what the desktop would report (cursor
// position, counter, millisecond timer, focus, desktop size, failures). Messages reach the pump
// only through FAKE_PushMessage and the script player.
// Depends on: os_common.cpp (the shared queue and bookkeeping).
// Limits: single-threaded; OS_GetMessage never blocks here (an empty queue gives false).
#include "platform/os/os_local.h"

namespace os {

namespace {

struct FakeState {
    bool exists = false;
    bool visible = false;
    bool fullScreen = false;
    bool minimised = false;
    bool focus = true;
    std::string title;
    int w = 800, h = 600;       // windowed client size
    int x = 0, y = 0;           // windowed client position
    int minW = 0, minH = 0;
    int deskW = 1920, deskH = 1080;
    int curX = 0, curY = 0;
    CursorId cursor = CURSOR_ARROW;
    bool capture = false;
    uint64_t counter = 0;
    bool counterOk = true;
    uint32_t ms = 0;
    uint64_t slept = 0;
    std::string clipboard;
    bool clipboardFails = false;
    int boxAnswer = 0;
    std::vector<std::string> boxes;
    std::vector<std::string> urls;
};

FakeState g;

bool CreateWindow(const char* title)
{
    g.exists = true;
    g.visible = false;
    g.title = title;
    return true;
}

bool WindowExists() { return g.exists; }
void ShowWindow(bool show) { if (g.exists) g.visible = show; }
void SetTitle(const char* title) { g.title = title; }
void SetClientSize(int w, int h) { g.w = w; g.h = h; }

void GetClientSize(int* w, int* h)
{
    *w = g.fullScreen ? g.deskW : g.w;
    *h = g.fullScreen ? g.deskH : g.h;
}

void GetDrawableSize(int* w, int* h)
{
    if (!g.exists) { *w = *h = 0; return; }
    GetClientSize(w, h);
}

void SetWindowPos(int x, int y) { g.x = x; g.y = y; }

void GetWindowPos(int* x, int* y)
{
    *x = g.fullScreen ? 0 : g.x;
    *y = g.fullScreen ? 0 : g.y;
}

void SetFullScreen(bool fs) { g.fullScreen = fs; }
bool IsFullScreen() { return g.fullScreen; }
bool HasFocus() { return g.exists && g.focus && !g.minimised; }
bool IsMinimised() { return g.minimised; }
void GetDesktopSize(int* w, int* h) { *w = g.deskW; *h = g.deskH; }
void SetMinSize(int w, int h) { g.minW = w; g.minH = h; }
void* NativeWindow() { return nullptr; }
void Pump(bool) {}
void SetCursor(CursorId id) { g.cursor = id; }

bool GetCursorPos(int* x, int* y)
{
    *x = g.curX;
    *y = g.curY;
    return true;
}

void SetCursorPos(int x, int y) { g.curX = x; g.curY = y; }
void SetCapture(bool c) { g.capture = c; }
void SetClip(const Rect*) {}   // the common code keeps the rectangle

bool QueryCounter(uint64_t* v)
{
    if (!g.counterOk) return false;
    *v = g.counter;
    return true;
}

bool CounterFrequency(uint64_t* f)
{
    if (!g.counterOk) return false;
    *f = 1000000;   // the fake counter counts microseconds
    return true;
}

uint32_t TimeMs() { return g.ms; }
void Sleep(unsigned ms) { g.slept += ms; }

int MessageBox(const char* text, const char* caption, unsigned flags)
{
    g.boxes.push_back(std::string(caption) + "|" + text);
    if (g.boxAnswer == BOX_RESULT_OK) return BOX_RESULT_OK;
    if (g.boxAnswer == BOX_RESULT_CANCEL && (flags & 0x0F) == BOX_OKCANCEL) return BOX_RESULT_CANCEL;
    return OS_DefaultBoxAnswer(flags);
}

bool SetClipboard(const char* text)
{
    if (g.clipboardFails) {
        OS_SetLastError("clipboard unavailable");
        return false;
    }
    g.clipboard = text;
    return true;
}

std::string GetClipboard() { return g.clipboardFails ? std::string() : g.clipboard; }

bool OpenURL(const char* url)
{
    g.urls.push_back(url);
    return true;
}

const OsBackendOps kFakeOps = {
    CreateWindow, WindowExists, ShowWindow, SetTitle, SetClientSize, GetClientSize, GetDrawableSize,
    SetWindowPos, GetWindowPos, SetFullScreen, IsFullScreen, HasFocus, IsMinimised, GetDesktopSize,
    SetMinSize, NativeWindow, Pump, SetCursor, GetCursorPos, SetCursorPos, SetCapture, SetClip,
    QueryCounter, CounterFrequency, TimeMs, Sleep, MessageBox, SetClipboard, GetClipboard, OpenURL,
};

} // namespace

const OsBackendOps* OS_FakeOps() { return &kFakeOps; }

// ---- Controls and records for tests ----

void FAKE_Reset()
{
    g = FakeState();
    OS_ResetCommon();
}

void FAKE_PushMessage(const Message& m) { OS_QueuePost(m); }
void FAKE_SetCursorPos(int x, int y) { g.curX = x; g.curY = y; }
void FAKE_SetCounter(uint64_t value) { g.counter = value; }
void FAKE_SetCounterAvailable(bool available) { g.counterOk = available; }
void FAKE_SetTimeMs(uint32_t ms) { g.ms = ms; }
void FAKE_SetFocus(bool focused) { g.focus = focused; }
void FAKE_SetDesktopSize(int w, int h) { g.deskW = w; g.deskH = h; }
void FAKE_SetClipboardFails(bool fails) { g.clipboardFails = fails; }
void FAKE_SetMinimised(bool minimised) { g.minimised = minimised; }
void FAKE_SetMessageBoxAnswer(int answer) { g.boxAnswer = answer; }
const std::vector<std::string>& FAKE_MessageBoxes() { return g.boxes; }
const std::vector<std::string>& FAKE_OpenedURLs() { return g.urls; }
bool FAKE_WindowVisible() { return g.exists && g.visible; }
std::string FAKE_WindowTitle() { return g.title; }

void FAKE_GetMinSize(int* w, int* h)
{
    if (w) *w = g.minW;
    if (h) *h = g.minH;
}

uint64_t FAKE_SleptMs() { return g.slept; }

} // namespace os
