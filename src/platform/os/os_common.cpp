// platform/os/os_common — backend selection and the window-layer parts both backends share: the
// message queue the pump reads, the window procedure and its dispatch, the three accelerators,
// the letterboxed back-buffer rectangle, cursor/capture/confinement bookkeeping, fixed-step time,
// message-box defaults, the URL check and the user name.
// Depends on: the backend tables (os_sdl.cpp, os_fake.cpp) and the script player (os_script.cpp).
// Limits: one window, one thread. The queue keeps at most kQueueLimit messages; beyond that new
// ones are dropped (a pump that never runs cannot eat the machine's memory).
#include <pwd.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <cmath>
#include <deque>
#include "platform/os/os_local.h"

namespace os {

namespace {

constexpr size_t kQueueLimit = 8192;
constexpr size_t kUrlLimit = 4096;

const OsBackendOps* g_ops = nullptr;   // null until chosen: the game's default is SDL
Backend g_backend = BACKEND_SDL;
WindowProc g_proc = nullptr;
std::deque<Message> g_queue;
bool g_accelerators = false;
int g_bufW = 0, g_bufH = 0;
CursorId g_cursor = CURSOR_ARROW;      // what the desktop shows before we ask for anything
bool g_capture = false;
bool g_clipped = false;
Rect g_clip = {0, 0, 0, 0};
unsigned g_fixedStepMs = 0;
uint64_t g_fixedReadings = 0;
std::string g_lastError;

const OsBackendOps& B()
{
    if (!g_ops) g_ops = OS_SdlOps();
    return *g_ops;
}

// ZANDOR_FIXED_STEP_MS: a whole number of milliseconds, 1..1000; anything else is ignored.
unsigned FixedStepFromEnv()
{
    const char* v = getenv("ZANDOR_FIXED_STEP_MS");
    if (!v || !*v) return 0;
    char* end = nullptr;
    long ms = strtol(v, &end, 10);
    if (*end != '\0' || ms < 1 || ms > 1000) {
        fprintf(stderr, "ZANDOR_FIXED_STEP_MS=\"%s\" is not a step of 1 to 1000 ms; using real time\n", v);
        return 0;
    }
    return (unsigned)ms;
}

bool StartsWithNoCase(const char* s, const char* prefix)
{
    return strncasecmp(s, prefix, strlen(prefix)) == 0;
}

// Only web and mail addresses go to the desktop's opener: an address starting with "-" or naming a
// local file or another scheme is refused, and control characters never travel.
bool UrlAllowed(const char* url)
{
    if (!url) return false;
    size_t n = strlen(url);
    if (n == 0 || n > kUrlLimit) return false;
    if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://") && !StartsWithNoCase(url, "mailto:"))
        return false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = (unsigned char)url[i];
        if (c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

} // namespace

// ---- Shared helpers ----

void OS_QueuePost(const Message& m)
{
    if (g_queue.size() >= kQueueLimit) return;
    g_queue.push_back(m);
}

bool OS_QueueEmpty() { return g_queue.empty(); }
void OS_QueueClear() { g_queue.clear(); }

void OS_BackBufferSize(int* w, int* h)
{
    if (w) *w = g_bufW;
    if (h) *h = g_bufH;
}

void OS_SetLastError(const std::string& text) { g_lastError = text; }

int OS_DefaultBoxAnswer(unsigned flags)
{
    return (flags & 0x0F) == BOX_OKCANCEL ? BOX_RESULT_CANCEL : BOX_RESULT_OK;
}

void OS_FitRect(int drawW, int drawH, int bufW, int bufH, Rect* r)
{
    if (!r) return;
    if (drawW <= 0 || drawH <= 0 || bufW <= 0 || bufH <= 0) {
        *r = {0, 0, drawW > 0 ? drawW : 0, drawH > 0 ? drawH : 0};
        return;
    }
    double scale = std::fmin((double)drawW / bufW, (double)drawH / bufH);
    int w = (int)std::lround(bufW * scale);
    int h = (int)std::lround(bufH * scale);
    if (w > drawW) w = drawW;
    if (h > drawH) h = drawH;
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    r->left = (drawW - w) / 2;
    r->top = (drawH - h) / 2;
    r->right = r->left + w;
    r->bottom = r->top + h;
}

bool OS_Utf8ToUtf16(const char* s, size_t n, std::u16string* out)
{
    bool clean = true;
    size_t i = 0;
    while (i < n) {
        unsigned char c = (unsigned char)s[i];
        uint32_t cp = 0;
        size_t len = 0;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
        bool ok = len != 0 && i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            unsigned char cc = (unsigned char)s[i + k];
            if ((cc & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogate code points and values past U+10FFFF are not text.
        static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (ok && (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (!ok) {
            clean = false;
            if (out) out->push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (out) {
            if (cp >= 0x10000) {
                cp -= 0x10000;
                out->push_back((char16_t)(0xD800 + (cp >> 10)));
                out->push_back((char16_t)(0xDC00 + (cp & 0x3FF)));
            } else {
                out->push_back((char16_t)cp);
            }
        }
        i += len;
    }
    return clean;
}

void OS_ResetCommon()
{
    g_proc = nullptr;
    g_queue.clear();
    g_accelerators = false;
    g_bufW = g_bufH = 0;
    g_cursor = CURSOR_ARROW;
    g_capture = false;
    g_clipped = false;
    g_clip = {0, 0, 0, 0};
    g_fixedStepMs = 0;
    g_fixedReadings = 0;
    g_lastError.clear();
    OS_ScriptStop();
}

// ---- Backend selection ----

void OS_UseBackend(Backend b)
{
    g_backend = b;
    g_ops = (b == BACKEND_FAKE) ? OS_FakeOps() : OS_SdlOps();
    // The environment drives scripted runs of the real game only; tests ask for these explicitly,
    // so a variable left in a developer's shell cannot change a unit test.
    OS_ScriptStop();
    g_fixedReadings = 0;
    g_fixedStepMs = 0;
    if (b == BACKEND_SDL) {
        g_fixedStepMs = FixedStepFromEnv();
        const char* script = getenv("ZANDOR_SCRIPT");
        if (script && *script) OS_ScriptLoadFile(script);
    }
}

Backend OS_CurrentBackend() { return g_backend; }

// ---- Window ----

bool OS_CreateWindow(const char* titleUtf8, WindowProc proc)
{
    g_proc = proc;
    if (B().windowExists()) return true;
    if (!B().createWindow(titleUtf8 ? titleUtf8 : "")) return false;
    // Ask the window procedure for its limits once, as the desktop does while creating a window.
    MinMaxInfo mmi = {0, 0};
    OS_DispatchMessage(Message{MSG_GETMINMAXINFO, 0, (intptr_t)&mmi});
    if (mmi.minTrackX > 0 || mmi.minTrackY > 0)
        B().setMinSize(mmi.minTrackX > 0 ? mmi.minTrackX : 0, mmi.minTrackY > 0 ? mmi.minTrackY : 0);
    return true;
}

bool OS_WindowExists() { return B().windowExists(); }
void OS_ShowWindow(bool show) { B().showWindow(show); }
void OS_SetWindowTitle(const char* titleUtf8) { B().setTitle(titleUtf8 ? titleUtf8 : ""); }

void OS_SetClientSize(int w, int h)
{
    if (w < 1 || h < 1) return;
    B().setClientSize(w, h);
}

void OS_GetClientSize(int* w, int* h)
{
    int cw = 0, ch = 0;
    B().getClientSize(&cw, &ch);
    if (w) *w = cw;
    if (h) *h = ch;
}

void OS_SetWindowPos(int x, int y) { B().setWindowPos(x, y); }

void OS_GetWindowPos(int* x, int* y)
{
    int px = 0, py = 0;
    B().getWindowPos(&px, &py);
    if (x) *x = px;
    if (y) *y = py;
}

void OS_SetFullScreen(bool fullScreen) { B().setFullScreen(fullScreen); }
bool OS_IsFullScreen() { return B().isFullScreen(); }
bool OS_HasFocus() { return B().hasFocus(); }
bool OS_IsMinimised() { return B().isMinimised(); }

void OS_GetDesktopSize(int* w, int* h)
{
    int dw = 0, dh = 0;
    B().getDesktopSize(&dw, &dh);
    if (w) *w = dw;
    if (h) *h = dh;
}

void OS_SetBackBufferSize(int w, int h)
{
    g_bufW = w > 0 ? w : 0;
    g_bufH = h > 0 ? h : 0;
}

void OS_GetPresentRect(Rect* r)
{
    int dw = 0, dh = 0;
    B().getDrawableSize(&dw, &dh);
    OS_FitRect(dw, dh, g_bufW, g_bufH, r);
}

void* OS_NativeWindow() { return B().nativeWindow(); }
std::string OS_LastError() { return g_lastError; }

// ---- Message pump ----

bool OS_PeekMessage(Message* out)
{
    if (g_queue.empty()) B().pump(false);
    if (g_queue.empty()) return false;
    if (out) *out = g_queue.front();
    g_queue.pop_front();
    return true;
}

bool OS_GetMessage(Message* out)
{
    if (g_queue.empty()) B().pump(true);
    if (g_queue.empty()) {
        // Only the fake gets here: it has nothing to wait for, so it says so instead of hanging.
        if (out) *out = Message{};
        return false;
    }
    Message m = g_queue.front();
    g_queue.pop_front();
    if (out) *out = m;
    return m.msg != MSG_QUIT;
}

void OS_LoadAccelerators() { g_accelerators = true; }

bool OS_TranslateAccelerator(const Message& m)
{
    if (!g_accelerators || m.msg != MSG_KEYDOWN) return false;
    bool alt = (m.lParam & KEYFLAG_ALT) != 0;
    uint16_t command = 0;
    if (m.wParam == 0x70 && !alt) command = CMD_F1;
    else if (m.wParam == 0x71 && !alt) command = CMD_F2;
    else if (m.wParam == 0x73 && alt) command = CMD_ALTF4;
    if (!command) return false;
    OS_DispatchMessage(Message{MSG_COMMAND, command, 0});
    return true;
}

void OS_DispatchMessage(const Message& m)
{
    if (g_proc) g_proc(m.msg, m.wParam, m.lParam);
    else OS_DefWindowProc(m.msg, m.wParam, m.lParam);
}

intptr_t OS_DefWindowProc(uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    // Nothing needs a default action here: closing is the game's decision and sizing is done by
    // the display device.
    return 0;
}

// ---- Mouse and cursor ----

void OS_SetCursor(CursorId id)
{
    if (id != CURSOR_NONE && id != CURSOR_ARROW && id != CURSOR_POINTER && id != CURSOR_POINTER_HELD)
        id = CURSOR_ARROW;
    if (id == g_cursor) return;   // the game asks every frame; the desktop only needs changes
    g_cursor = id;
    B().setCursor(id);
}

CursorId OS_GetCursor() { return g_cursor; }

bool OS_GetCursorPos(int* x, int* y)
{
    int cx = 0, cy = 0;
    bool ok = OS_ScriptCursorPos(&cx, &cy) || B().getCursorPos(&cx, &cy);
    if (!ok) return false;
    if (x) *x = cx;
    if (y) *y = cy;
    return true;
}

void OS_SetCursorPos(int x, int y) { B().setCursorPos(x, y); }

void OS_SetCapture(bool capture)
{
    g_capture = capture;
    B().setCapture(capture);
}

bool OS_HasCapture() { return g_capture; }

void OS_ClipCursor(const Rect* r)
{
    if (!r) {
        if (!g_clipped) return;
        g_clipped = false;
        B().setClip(nullptr);
        return;
    }
    // Passed on every time: the backend compares what it would apply, which also depends on the
    // window's current scaling.
    g_clipped = true;
    g_clip = *r;
    B().setClip(&g_clip);
}

bool OS_GetClip(Rect* r)
{
    if (!g_clipped) return false;
    if (r) *r = g_clip;
    return true;
}

// ---- Time ----

bool OS_QueryCounter(uint64_t* value)
{
    if (g_fixedStepMs) {
        ++g_fixedReadings;
        if (value) *value = g_fixedReadings * g_fixedStepMs * 1000ull;
        return true;
    }
    uint64_t v = 0;
    if (!B().queryCounter(&v)) return false;
    if (value) *value = v;
    return true;
}

bool OS_CounterFrequency(uint64_t* perSecond)
{
    if (g_fixedStepMs) {
        if (perSecond) *perSecond = 1000000;
        return true;
    }
    uint64_t f = 0;
    if (!B().counterFrequency(&f) || f == 0) return false;
    if (perSecond) *perSecond = f;
    return true;
}

uint32_t OS_TimeMs()
{
    // In a fixed-step run the millisecond timer shows the same time as the counter.
    if (g_fixedStepMs) return (uint32_t)(g_fixedReadings * g_fixedStepMs);
    return B().timeMs();
}

void OS_Sleep(unsigned ms) { B().sleep(ms); }

void OS_SetFixedStepMs(unsigned ms)
{
    g_fixedStepMs = ms > 1000 ? 1000 : ms;
    g_fixedReadings = 0;
}

// ---- Desktop services ----

int OS_MessageBox(const char* text, const char* caption, unsigned flags)
{
    // A scripted run has nobody at the keyboard: a box would wait for ever, so its text goes
    // to standard error and the default answer is taken, as on a machine without a display.
    if (OS_ScriptRunning() && OS_CurrentBackend() == BACKEND_SDL) {
        fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
        return OS_DefaultBoxAnswer(flags);
    }
    return B().messageBox(text ? text : "", caption ? caption : "", flags);
}

bool OS_SetClipboardText(const char* text) { return B().setClipboard(text ? text : ""); }
std::string OS_GetClipboardText() { return B().getClipboard(); }

bool OS_OpenURL(const char* url)
{
    if (!UrlAllowed(url)) {
        OS_SetLastError("refused to open an address that is not http:, https: or mailto:");
        return false;
    }
    return B().openURL(url);
}

std::string OS_UserName()
{
    char name[256];
    if (getlogin_r(name, sizeof name) == 0 && name[0]) return name;
    struct passwd pw;
    struct passwd* found = nullptr;
    char buf[4096];
    if (getpwuid_r(geteuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_name && found->pw_name[0])
        return found->pw_name;
    const char* user = getenv("USER");
    if (user && *user) return user;
    return std::string();
}

} // namespace os
