// platform/os/os_sdl — the real backend over SDL2: the one game window (OpenGL-capable, hidden
// until shown), SDL events turned into the window procedure's messages, cursors (the system arrow
// and the game's two painted pointers), capture and confinement, the performance counter, message
// boxes, clipboard and URL opening.
// Depends on: SDL2 (video and events; initialised here on first need), os_common.cpp (queue,
// back-buffer size), os_keymap.cpp, os_cursor_art.cpp.
// Limits: one window. Mouse positions are mapped from window units to back-buffer pixels through
// the letterboxed rectangle the back buffer is shown in. No display (no DISPLAY/WAYLAND_DISPLAY,
// or the dummy/offscreen driver): message boxes write to stderr and take the default answer.
#include <SDL.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <strings.h>
#include "platform/os/os_local.h"

namespace os {

namespace {

SDL_Window* g_win = nullptr;
bool g_videoFailed = false;
CursorId g_wantCursor = CURSOR_ARROW;
SDL_Cursor* g_cursors[3] = {nullptr, nullptr, nullptr};  // arrow, pointer, pointer held
bool g_cursorsMade = false;
int g_windowedW = 800, g_windowedH = 600;   // the size to come back to after full screen
bool g_confined = false;                     // g_confinedTo is in force
SDL_Rect g_confinedTo = {0, 0, 0, 0};

bool EnsureVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    if (g_videoFailed) return false;   // one try: a missing display does not appear later
    // Closing the window is a message to the game, not a request to quit the library; a first
    // click on an unfocused window counts as a click, as on the desktop the game was made for.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        g_videoFailed = true;
        OS_SetLastError(std::string("SDL video start failed: ") + SDL_GetError());
        return false;
    }
    return true;
}

bool DisplayAvailable()
{
    const char* env = getenv("SDL_VIDEODRIVER");
    if (env && (strcasecmp(env, "dummy") == 0 || strcasecmp(env, "offscreen") == 0)) return false;
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        const char* cur = SDL_GetCurrentVideoDriver();
        if (cur && (strcasecmp(cur, "dummy") == 0 || strcasecmp(cur, "offscreen") == 0)) return false;
    }
    const char* x11 = getenv("DISPLAY");
    const char* wayland = getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// ---- Coordinates: window units ↔ drawable pixels ↔ back-buffer pixels ----

struct Mapping {
    double toDrawX = 1, toDrawY = 1;   // drawable pixels per window unit
    Rect shown = {0, 0, 0, 0};         // where the back buffer lies, drawable pixels
    int bufW = 0, bufH = 0;
};

Mapping CurrentMapping()
{
    Mapping m;
    int ww = 0, wh = 0, dw = 0, dh = 0;
    SDL_GetWindowSize(g_win, &ww, &wh);
    SDL_GL_GetDrawableSize(g_win, &dw, &dh);
    if (dw <= 0 || dh <= 0) { dw = ww; dh = wh; }
    if (ww > 0 && wh > 0) {
        m.toDrawX = (double)dw / ww;
        m.toDrawY = (double)dh / wh;
    }
    OS_BackBufferSize(&m.bufW, &m.bufH);
    OS_FitRect(dw, dh, m.bufW, m.bufH, &m.shown);
    if (m.bufW <= 0 || m.bufH <= 0) {   // no back buffer yet: window pixels are buffer pixels
        m.bufW = m.shown.right - m.shown.left;
        m.bufH = m.shown.bottom - m.shown.top;
    }
    return m;
}

void WindowToBuffer(int wx, int wy, int* bx, int* by)
{
    Mapping m = CurrentMapping();
    double sw = m.shown.right - m.shown.left, sh = m.shown.bottom - m.shown.top;
    double px = wx * m.toDrawX, py = wy * m.toDrawY;
    *bx = sw > 0 ? (int)std::floor((px - m.shown.left) * m.bufW / sw) : wx;
    *by = sh > 0 ? (int)std::floor((py - m.shown.top) * m.bufH / sh) : wy;
}

void BufferToWindow(int bx, int by, int* wx, int* wy)
{
    Mapping m = CurrentMapping();
    double sw = m.shown.right - m.shown.left, sh = m.shown.bottom - m.shown.top;
    double px = m.bufW > 0 ? m.shown.left + bx * sw / m.bufW : bx;
    double py = m.bufH > 0 ? m.shown.top + by * sh / m.bufH : by;
    *wx = (int)std::lround(px / m.toDrawX);
    *wy = (int)std::lround(py / m.toDrawY);
}

// ---- Cursors ----

SDL_Cursor* PaintedCursor(bool held)
{
    static uint32_t pixels[kPointerSize * kPointerSize];
    int hx = 0, hy = 0;
    OS_PaintPointer(held, pixels, &hx, &hy);
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(pixels, kPointerSize, kPointerSize, 32,
                                                        kPointerSize * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return nullptr;
    SDL_Cursor* c = SDL_CreateColorCursor(s, hx, hy);
    SDL_FreeSurface(s);
    return c;
}

void ApplyCursor()
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    if (g_wantCursor == CURSOR_NONE) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    if (!g_cursorsMade) {
        g_cursorsMade = true;
        g_cursors[0] = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
        g_cursors[1] = PaintedCursor(false);
        g_cursors[2] = PaintedCursor(true);
    }
    SDL_Cursor* c = g_cursors[0];
    if (g_wantCursor == CURSOR_POINTER && g_cursors[1]) c = g_cursors[1];
    if (g_wantCursor == CURSOR_POINTER_HELD && g_cursors[2]) c = g_cursors[2];
    if (c) SDL_SetCursor(c);
    SDL_ShowCursor(SDL_ENABLE);
}

// ---- Events → messages ----

void Post(uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0) { OS_QueuePost(Message{msg, wParam, lParam}); }

void PostButton(uint8_t button, bool down, int wx, int wy)
{
    uint32_t msg;
    switch (button) {
    case SDL_BUTTON_LEFT: msg = down ? MSG_LBUTTONDOWN : MSG_LBUTTONUP; break;
    case SDL_BUTTON_RIGHT: msg = down ? MSG_RBUTTONDOWN : MSG_RBUTTONUP; break;
    case SDL_BUTTON_MIDDLE: msg = down ? MSG_MBUTTONDOWN : MSG_MBUTTONUP; break;
    default: return;
    }
    int bx = 0, by = 0;
    WindowToBuffer(wx, wy, &bx, &by);
    Post(msg, 0, OS_PackPoint(bx, by));
}

void TranslateWindowEvent(const SDL_WindowEvent& e)
{
    switch (e.event) {
    case SDL_WINDOWEVENT_MOVED:
        Post(MSG_MOVE, 0, OS_PackPoint(e.data1, e.data2));
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        Post(MSG_SIZE, SIZE_RESTORED, OS_PackPoint(e.data1, e.data2));
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        Post(MSG_SIZE, SIZE_MINIMIZED, 0);
        break;
    case SDL_WINDOWEVENT_RESTORED: {
        int w = 0, h = 0;
        SDL_GetWindowSize(g_win, &w, &h);
        Post(MSG_SIZE, SIZE_RESTORED, OS_PackPoint(w, h));
        break;
    }
    case SDL_WINDOWEVENT_MAXIMIZED:
        // The game decides what maximising means (it switches to full screen), so the desktop's
        // own maximise is undone; a full-screen window reporting itself maximised is left alone.
        if (!(SDL_GetWindowFlags(g_win) & SDL_WINDOW_FULLSCREEN)) {
            SDL_RestoreWindow(g_win);
            Post(MSG_SYSCOMMAND, SC_MAXIMIZE, 0);
        }
        break;
    case SDL_WINDOWEVENT_CLOSE:
        Post(MSG_CLOSE);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        Post(MSG_SETFOCUS);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        Post(MSG_KILLFOCUS);
        break;
    default:
        break;
    }
}

void TranslateKey(const SDL_KeyboardEvent& e, bool down)
{
    int vk = OS_VirtualKeyFromSdl(e.keysym.sym, e.keysym.scancode);
    if (!vk) return;
    intptr_t flags = (e.keysym.mod & KMOD_ALT) ? (intptr_t)KEYFLAG_ALT : (intptr_t)0;
    if (down && e.repeat) flags |= KEYFLAG_REPEAT;
    Post(down ? MSG_KEYDOWN : MSG_KEYUP, (uintptr_t)vk, flags);
    // The desktop also types these four keys as characters; text input does not report them.
    if (down && (vk == 8 || vk == 9 || vk == 13 || vk == 27)) Post(MSG_CHAR, (uintptr_t)vk);
}

void TranslateText(const char* text)
{
    std::u16string units;
    OS_Utf8ToUtf16(text, strlen(text), &units);
    for (char16_t u : units) Post(MSG_CHAR, (uintptr_t)u);
}

void TranslateWheel(const SDL_MouseWheelEvent& e)
{
    int steps = e.y;
    if (e.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
    if (steps == 0) return;
    int delta = steps * 120;
    if (delta > 32767) delta = 32767;
    if (delta < -32768) delta = -32768;
    int x = 0, y = 0;
    OS_GetCursorPos(&x, &y);
    Post(MSG_MOUSEWHEEL, (uintptr_t)(uint16_t)(int16_t)delta << 16, OS_PackPoint(x, y));
}

void Translate(const SDL_Event& e)
{
    switch (e.type) {
    case SDL_QUIT:   // a signal or the session ending: the game closes the way the close box does
        Post(MSG_CLOSE);
        break;
    case SDL_WINDOWEVENT:
        if (g_win && e.window.windowID == SDL_GetWindowID(g_win)) TranslateWindowEvent(e.window);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        TranslateKey(e.key, e.type == SDL_KEYDOWN);
        break;
    case SDL_TEXTINPUT:
        TranslateText(e.text.text);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (g_win) PostButton(e.button.button, e.type == SDL_MOUSEBUTTONDOWN, e.button.x, e.button.y);
        break;
    case SDL_MOUSEWHEEL:
        TranslateWheel(e.wheel);
        break;
    default:
        break;
    }
}

// ---- The backend operations ----

bool CreateWindow(const char* title)
{
    if (!EnsureVideo()) return false;
    // Pixel-format wishes must be in place before the window exists (the display device makes its
    // OpenGL 3.3 core context on this window later).
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    g_win = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 800, 600,
                             SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!g_win) {
        OS_SetLastError(std::string("SDL window creation failed: ") + SDL_GetError());
        return false;
    }
    SDL_StartTextInput();
    ApplyCursor();
    return true;
}

bool WindowExists() { return g_win != nullptr; }

void ShowWindow(bool show)
{
    if (!g_win) return;
    if (!show) {
        SDL_HideWindow(g_win);
        return;
    }
    SDL_ShowWindow(g_win);
    SDL_RaiseWindow(g_win);
    // Without a window manager (a bare X server) nothing else would give the window the keyboard.
    SDL_SetWindowInputFocus(g_win);
}

void SetTitle(const char* title) { if (g_win) SDL_SetWindowTitle(g_win, title); }
void SetClientSize(int w, int h)
{
    g_windowedW = w;
    g_windowedH = h;
    if (g_win) SDL_SetWindowSize(g_win, w, h);
}

void GetClientSize(int* w, int* h)
{
    *w = *h = 0;
    if (g_win) SDL_GetWindowSize(g_win, w, h);
}

void GetDrawableSize(int* w, int* h)
{
    *w = *h = 0;
    if (!g_win) return;
    SDL_GL_GetDrawableSize(g_win, w, h);
    if (*w <= 0 || *h <= 0) SDL_GetWindowSize(g_win, w, h);
}

void SetWindowPos(int x, int y) { if (g_win) SDL_SetWindowPosition(g_win, x, y); }

void GetWindowPos(int* x, int* y)
{
    *x = *y = 0;
    if (g_win) SDL_GetWindowPosition(g_win, x, y);
}

void SetFullScreen(bool fs)
{
    if (!g_win) return;
    bool was = (SDL_GetWindowFlags(g_win) & SDL_WINDOW_FULLSCREEN) != 0;
    if (fs && !was) SDL_GetWindowSize(g_win, &g_windowedW, &g_windowedH);
    if (SDL_SetWindowFullscreen(g_win, fs ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        OS_SetLastError(std::string("SDL full-screen switch failed: ") + SDL_GetError());
        return;
    }
    // Without a window manager nothing gives the window its size back when full screen ends.
    if (!fs && was) SDL_SetWindowSize(g_win, g_windowedW, g_windowedH);
}

bool IsFullScreen() { return g_win && (SDL_GetWindowFlags(g_win) & SDL_WINDOW_FULLSCREEN); }
bool HasFocus() { return g_win && SDL_GetKeyboardFocus() == g_win; }
bool IsMinimised() { return g_win && (SDL_GetWindowFlags(g_win) & SDL_WINDOW_MINIMIZED); }

void GetDesktopSize(int* w, int* h)
{
    *w = *h = 0;
    if (!EnsureVideo()) return;
    int display = g_win ? SDL_GetWindowDisplayIndex(g_win) : 0;
    if (display < 0) display = 0;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(display, &mode) == 0) {
        *w = mode.w;
        *h = mode.h;
    }
}

void SetMinSize(int w, int h) { if (g_win) SDL_SetWindowMinimumSize(g_win, w > 0 ? w : 1, h > 0 ? h : 1); }
void* NativeWindow() { return g_win; }

void Pump(bool wait)
{
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) Translate(e);
    while (wait && OS_QueueEmpty()) {
        if (!SDL_WaitEvent(&e)) return;
        Translate(e);
        while (SDL_PollEvent(&e)) Translate(e);
    }
}

void SetCursor(CursorId id)
{
    g_wantCursor = id;
    ApplyCursor();
}

bool GetCursorPos(int* x, int* y)
{
    if (!g_win) return false;
    int wx = 0, wy = 0;
    if (SDL_GetMouseFocus() == g_win) {
        SDL_GetMouseState(&wx, &wy);
    } else {
        // Outside the window the desktop position still tells the game where the pointer is.
        int gx = 0, gy = 0, px = 0, py = 0;
        SDL_GetGlobalMouseState(&gx, &gy);
        SDL_GetWindowPosition(g_win, &px, &py);
        wx = gx - px;
        wy = gy - py;
    }
    WindowToBuffer(wx, wy, x, y);
    return true;
}

void SetCursorPos(int x, int y)
{
    if (!g_win) return;
    int wx = 0, wy = 0;
    BufferToWindow(x, y, &wx, &wy);
    SDL_WarpMouseInWindow(g_win, wx, wy);
}

void SetCapture(bool capture)
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE);
}

void Unconfine()
{
    if (!g_confined) return;
    g_confined = false;
    SDL_SetWindowMouseRect(g_win, nullptr);
}

void SetClip(const Rect* r)
{
    if (!g_win) return;
    if (!r) {
        Unconfine();
        return;
    }
    // The rectangle is the window position plus back-buffer pixels; the window may show the back
    // buffer scaled and letterboxed, so both corners go through the same mapping as the pointer.
    int px = 0, py = 0;
    SDL_GetWindowPosition(g_win, &px, &py);
    int l = 0, t = 0, rr = 0, b = 0;
    BufferToWindow(r->left - px, r->top - py, &l, &t);
    BufferToWindow(r->right - px, r->bottom - py, &rr, &b);
    if (rr <= l || b <= t) {
        Unconfine();
        return;
    }
    SDL_Rect area = {l, t, rr - l, b - t};
    if (g_confined && SDL_RectEquals(&area, &g_confinedTo)) return;   // asked every frame
    if (SDL_SetWindowMouseRect(g_win, &area) == 0) {
        g_confined = true;
        g_confinedTo = area;
    }
}

bool QueryCounter(uint64_t* v)
{
    *v = SDL_GetPerformanceCounter();
    return true;
}

bool CounterFrequency(uint64_t* f)
{
    *f = SDL_GetPerformanceFrequency();
    return *f != 0;
}

uint32_t TimeMs() { return SDL_GetTicks(); }
void Sleep(unsigned ms) { SDL_Delay(ms); }

int MessageBox(const char* text, const char* caption, unsigned flags)
{
    int fallback = OS_DefaultBoxAnswer(flags);
    bool okCancel = (flags & 0x0F) == BOX_OKCANCEL;
    if (DisplayAvailable()) {
        SDL_MessageBoxButtonData buttons[2];
        int count = 0;
        buttons[count++] = {(Uint32)(SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT |
                                     (okCancel ? 0 : SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT)),
                            BOX_RESULT_OK, "OK"};
        if (okCancel) buttons[count++] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, BOX_RESULT_CANCEL, "Cancel"};
        Uint32 icon = SDL_MESSAGEBOX_INFORMATION;
        if ((flags & 0xF0) == BOX_ICON_ERROR) icon = SDL_MESSAGEBOX_ERROR;
        else if ((flags & 0xF0) == BOX_ICON_WARNING) icon = SDL_MESSAGEBOX_WARNING;
        SDL_Window* parent = nullptr;
        if (g_win && (SDL_GetWindowFlags(g_win) & SDL_WINDOW_SHOWN) && !(SDL_GetWindowFlags(g_win) & SDL_WINDOW_MINIMIZED))
            parent = g_win;
        SDL_MessageBoxData data = {icon, parent, caption, text, count, buttons, nullptr};
        int hit = -1;
        if (SDL_ShowMessageBox(&data, &hit) == 0)
            return (hit == BOX_RESULT_OK || hit == BOX_RESULT_CANCEL) ? hit : fallback;
        OS_SetLastError(std::string("SDL message box failed: ") + SDL_GetError());
    }
    fprintf(stderr, "%s: %s\n", caption, text);
    return fallback;
}

bool SetClipboard(const char* text)
{
    if (!EnsureVideo()) return false;
    if (SDL_SetClipboardText(text) != 0) {
        OS_SetLastError(std::string("SDL clipboard failed: ") + SDL_GetError());
        return false;
    }
    return true;
}

std::string GetClipboard()
{
    if (!EnsureVideo()) return std::string();
    char* t = SDL_GetClipboardText();
    std::string s = t ? t : "";
    SDL_free(t);
    return s;
}

bool OpenURL(const char* url)
{
    if (SDL_OpenURL(url) != 0) {
        OS_SetLastError(std::string("SDL could not open the address: ") + SDL_GetError());
        return false;
    }
    return true;
}

const OsBackendOps kSdlOps = {
    CreateWindow, WindowExists, ShowWindow, SetTitle, SetClientSize, GetClientSize, GetDrawableSize,
    SetWindowPos, GetWindowPos, SetFullScreen, IsFullScreen, HasFocus, IsMinimised, GetDesktopSize,
    SetMinSize, NativeWindow, Pump, SetCursor, GetCursorPos, SetCursorPos, SetCapture, SetClip,
    QueryCounter, CounterFrequency, TimeMs, Sleep, MessageBox, SetClipboard, GetClipboard, OpenURL,
};

} // namespace

const OsBackendOps* OS_SdlOps() { return &kSdlOps; }

} // namespace os
