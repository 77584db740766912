// core/input — keyboard and mouse state, the cursor's look and its confinement.
//
// The window procedure hands every key, character, button and wheel message to the INP_*Event
// entry points during the pump; once per frame INP_Update turns what was recorded into this
// frame's mouse state, and INP_EndFrame forgets the one-frame keyboard events. Button latches
// make a click whose down and up both arrive between two frames count as one frame held, at the
// position where it happened.
// Depends on: platform/os (cursor position, capture, confinement, cursor shapes), app (focus),
// app/clock (TIM_RealDelta for double clicks), core/settings (back-buffer size, windowed),
// ui/lang (typable characters). Limits: three buttons, 256 keys, one typed character per frame.
#include "core/input.h"

#include <cstring>

#include "app/app.h"
#include "app/clock.h"
#include "core/settings.h"
#include "ui/lang.h"

uint8_t KEY_Down[256];
uint8_t KEY_Pressed[256];
int KEY_Last;
int KEY_Held;
char16_t KEY_Char;
char16_t KEY_CharAny;
int KEY_Modifiers;

float MOU_X, MOU_Y;
float MOU_DX, MOU_DY;
uint8_t MOU_Outside;
uint8_t MOU_LeftDown, MOU_MiddleDown, MOU_RightDown;
uint8_t MOU_LeftPressed, MOU_MiddlePressed, MOU_RightPressed;
uint8_t MOU_DoubleClick;
int MOU_Wheel;

bool CUR_Visible = true;

namespace {

constexpr float kPositionLimit = 100000.0f;  // beyond this the back-buffer size or the query failed
constexpr float kDoubleClickTime = 0.3f;     // seconds between the two presses
constexpr int kClipInset = 2;                // pixels kept clear of each screen edge in full screen

enum Button { BTN_LEFT, BTN_MIDDLE, BTN_RIGHT, BTN_COUNT };

struct ButtonState {
    uint8_t rawHeld;   // set by the down message, cleared by the up message
    uint8_t latch;     // set by the down message, cleared by each update
    uint8_t previous;  // down in the previous update
};

ButtonState s_buttons[BTN_COUNT];
uint8_t* const s_publicDown[BTN_COUNT] = { &MOU_LeftDown, &MOU_MiddleDown, &MOU_RightDown };
uint8_t* const s_publicPressed[BTN_COUNT] = { &MOU_LeftPressed, &MOU_MiddlePressed, &MOU_RightPressed };

bool s_clickPending;
float s_clickX, s_clickY;
float s_prevX, s_prevY;
float s_doubleClickTimer;
uint8_t s_doubleClickArmed;
int s_pendingWheel;

CUR_Rule s_rule;

bool WithinLimit(float v)
{
    // Written so that a NaN (0 ÷ 0 before the back-buffer size is known) counts as outside.
    return v > -kPositionLimit && v < kPositionLimit;
}

// Which button a message concerns and whether it went down; false for other messages.
bool DecodeButton(uint32_t msg, Button* button, bool* down)
{
    switch (msg) {
    case os::MSG_LBUTTONDOWN: *button = BTN_LEFT; *down = true; return true;
    case os::MSG_LBUTTONUP: *button = BTN_LEFT; *down = false; return true;
    case os::MSG_MBUTTONDOWN: *button = BTN_MIDDLE; *down = true; return true;
    case os::MSG_MBUTTONUP: *button = BTN_MIDDLE; *down = false; return true;
    case os::MSG_RBUTTONDOWN: *button = BTN_RIGHT; *down = true; return true;
    case os::MSG_RBUTTONUP: *button = BTN_RIGHT; *down = false; return true;
    default: return false;
    }
}

void UpdateConfinement()
{
    if (!CFG_Windowed && APP_Focused) {
        int wx = 0, wy = 0;
        os::OS_GetWindowPos(&wx, &wy);
        os::Rect r = { wx + kClipInset, wy + kClipInset,
                       wx + CFG_Width - kClipInset, wy + CFG_Height - kClipInset };
        os::OS_ClipCursor(&r);
    } else {
        os::OS_ClipCursor(nullptr);
    }
}

void UpdateDoubleClick()
{
    if (s_doubleClickTimer > 0.0f) {
        if (!MOU_LeftPressed) {
            s_doubleClickArmed = 1;
        } else if (s_doubleClickArmed) {
            MOU_DoubleClick = 1;
            s_doubleClickTimer = 0.0f;
        }
        s_doubleClickTimer -= TIM_RealDelta;
    } else if (MOU_LeftPressed) {
        s_doubleClickArmed = 0;
        s_doubleClickTimer = kDoubleClickTime;
    }
}

} // namespace

// ---- Event entry points ----

void INP_KeyEvent(int key, bool down)
{
    if (key < 0 || key > 255)
        return;
    if (down) {
        KEY_Down[key] = 1;
        KEY_Pressed[key] = 1;
        KEY_Held = key;
        // Enter, Shift and Control act as modifiers and never become the frame's key.
        if (key != INP_KEY_ENTER && key != INP_KEY_SHIFT && key != INP_KEY_CONTROL)
            KEY_Last = key;
    } else {
        KEY_Down[key] = 0;
        if (KEY_Held == key)
            KEY_Held = 0;
    }
}

void INP_CharEvent(char16_t c)
{
    KEY_Char = LANG_IsAllowedChar(c, false) ? c : 0;
    KEY_CharAny = LANG_IsAllowedChar(c, true) ? c : 0;
}

void INP_ButtonEvent(uint32_t msg, intptr_t lParam)
{
    Button b;
    bool down;
    if (DecodeButton(msg, &b, &down)) {
        if (down) {
            os::OS_SetCapture(true);
            s_buttons[b].rawHeld = 1;
            s_buttons[b].latch = 1;
            // Remember where the click happened: the next update handles it there even when the
            // cursor has moved on by then.
            uint32_t packed = (uint32_t)lParam;
            float x = (float)(packed & 0xFFFFu) / (float)CFG_Width;
            float y = (float)(packed >> 16) / (float)CFG_Height;
            if (WithinLimit(x) && WithinLimit(y)) {
                s_clickX = x;
                s_clickY = y;
                s_clickPending = true;
            }
        } else {
            os::OS_SetCapture(false);
            s_buttons[b].rawHeld = 0;
        }
    }
    CUR_Update();
}

void INP_WheelEvent(int step)
{
    s_pendingWheel = step > 0 ? 1 : (step < 0 ? -1 : 0);
}

// ---- Per frame ----

void INP_Update()
{
    CUR_Update();
    UpdateConfinement();

    float x = 2.0f * kPositionLimit, y = 2.0f * kPositionLimit;  // a failed query is ignored below
    int px = 0, py = 0;
    if (os::OS_GetCursorPos(&px, &py)) {
        x = (float)px / (float)CFG_Width;
        y = (float)py / (float)CFG_Height;
    }
    if (s_clickPending) {
        s_clickPending = false;
        x = s_clickX;
        y = s_clickY;
    }
    if (!WithinLimit(x) || !WithinLimit(y))
        return;

    MOU_Outside = !(x >= 0.0f && x <= 1.0f && y >= 0.0f && y <= 1.0f);
    MOU_X = x;
    MOU_Y = y;

    for (int i = 0; i < BTN_COUNT; ++i) {
        ButtonState& s = s_buttons[i];
        uint8_t down = (s.rawHeld || s.latch) ? 1 : 0;
        *s_publicDown[i] = down;
        *s_publicPressed[i] = (down && !s.previous) ? 1 : 0;
        s.previous = down;
    }

    MOU_DX = x - s_prevX;
    MOU_DY = y - s_prevY;
    for (ButtonState& s : s_buttons)
        s.latch = 0;
    MOU_DoubleClick = 0;
    s_prevX = x;
    s_prevY = y;

    UpdateDoubleClick();

    MOU_Wheel = s_pendingWheel;
    s_pendingWheel = 0;
}

void INP_UpdateModifiers()
{
    KEY_Modifiers = (KEY_Down[INP_KEY_SHIFT] ? INP_MOD_SHIFT : 0) |
                    (KEY_Down[INP_KEY_CONTROL] ? INP_MOD_CONTROL : 0) |
                    (KEY_Down[INP_KEY_ENTER] ? INP_MOD_ENTER : 0);
}

void INP_EndFrame()
{
    std::memset(KEY_Pressed, 0, sizeof KEY_Pressed);
    KEY_Last = 0;
    KEY_Char = 0;
    KEY_CharAny = 0;
}

// ---- Other ----

void INP_Init()
{
    std::memset(KEY_Down, 0, sizeof KEY_Down);
    std::memset(KEY_Pressed, 0, sizeof KEY_Pressed);
    KEY_Last = KEY_Held = KEY_Modifiers = 0;
    KEY_Char = KEY_CharAny = 0;
    MOU_X = MOU_Y = MOU_DX = MOU_DY = 0.0f;
    MOU_Outside = 0;
    for (int i = 0; i < BTN_COUNT; ++i) {
        s_buttons[i] = {};
        *s_publicDown[i] = 0;
        *s_publicPressed[i] = 0;
    }
    MOU_DoubleClick = 0;
    MOU_Wheel = 0;
    s_clickPending = false;
    s_clickX = s_clickY = s_prevX = s_prevY = 0.0f;
    s_doubleClickTimer = 0.0f;
    s_doubleClickArmed = 0;
    s_pendingWheel = 0;
    s_rule = nullptr;
    CUR_Visible = true;
}

void INP_ResetMouse()
{
    for (int i = 0; i < BTN_COUNT; ++i) {
        s_buttons[i] = {};
        *s_publicDown[i] = 0;
        *s_publicPressed[i] = 0;
    }
    s_doubleClickTimer = 0.0f;
    s_doubleClickArmed = 0;
    MOU_DoubleClick = 0;
    MOU_Wheel = 0;
    s_pendingWheel = 0;
    os::OS_SetCapture(false);
}

os::CursorId CUR_DefaultRule()
{
    if (MOU_Outside)
        return os::CURSOR_ARROW;
    if (MOU_LeftDown || MOU_RightDown || MOU_MiddleDown)
        return os::CURSOR_POINTER_HELD;
    return os::CURSOR_POINTER;
}

void CUR_Init(CUR_Rule rule)
{
    // The arrow and the game's two pointers are built into the OS layer, so there is nothing to
    // load and nothing that can be missing.
    s_rule = rule ? rule : CUR_DefaultRule;
    CUR_Update();
}

void CUR_SetVisible(bool visible)
{
    CUR_Visible = visible;
    CUR_Update();
}

void CUR_Update()
{
    if (!s_rule)
        return;
    if (CUR_Visible)
        os::OS_SetCursor(s_rule());
    else
        os::OS_SetCursor(MOU_Outside ? os::CURSOR_ARROW : os::CURSOR_NONE);
}
