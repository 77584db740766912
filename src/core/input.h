// core/input — keyboard and mouse state that the window procedure feeds with events and the
// frame brings up to date; every other module polls it. Also the mouse cursor's look and its
// confinement to the window in full screen.
//
// Mouse positions are fractions of the back buffer (0, 0 top left; 1, 1 bottom right). Key
// indices are Windows virtual-key codes 0–255.
#pragma once
#include <cstdint>

#include "platform/os/os.h"

// ---- Virtual-key codes the game tests by name ----
enum InpKey : int {
    INP_KEY_BACKSPACE = 8,
    INP_KEY_TAB = 9,
    INP_KEY_ENTER = 13,
    INP_KEY_SHIFT = 16,
    INP_KEY_CONTROL = 17,
    INP_KEY_ESCAPE = 27,
    INP_KEY_SPACE = 32,
    INP_KEY_PAGEUP = 33,
    INP_KEY_PAGEDOWN = 34,
    INP_KEY_END = 35,
    INP_KEY_HOME = 36,
    INP_KEY_LEFT = 37,
    INP_KEY_UP = 38,
    INP_KEY_RIGHT = 39,
    INP_KEY_DOWN = 40,
    INP_KEY_DELETE = 46,
    INP_KEY_F1 = 0x70,            // F2 … F12 follow on
};

// Bits of KEY_Modifiers.
constexpr int INP_MOD_SHIFT = 1;
constexpr int INP_MOD_CONTROL = 2;
constexpr int INP_MOD_ENTER = 4;

// ---- Keyboard ----
extern uint8_t KEY_Down[256];     // 1 while the key is held
extern uint8_t KEY_Pressed[256];  // 1 if the key went down (or repeated) since the last frame end
extern int KEY_Last;              // last key down this frame other than Enter, Shift, Control; 0 none
extern int KEY_Held;              // most recently pressed key until it is released; 0 none
extern char16_t KEY_Char;         // character typed this frame if a file name may hold it; 0 none
extern char16_t KEY_CharAny;      // character typed this frame if it is typable at all; 0 none
extern int KEY_Modifiers;         // INP_MOD_* bits of Shift, Control and Enter held

// ---- Mouse ----
extern float MOU_X, MOU_Y;        // cursor position in back-buffer fractions
extern float MOU_DX, MOU_DY;      // change since the previous update
extern uint8_t MOU_Outside;       // 1 when the position lies outside [0, 1] × [0, 1]
extern uint8_t MOU_LeftDown, MOU_MiddleDown, MOU_RightDown;           // button held
extern uint8_t MOU_LeftPressed, MOU_MiddlePressed, MOU_RightPressed;  // went down this update
extern uint8_t MOU_DoubleClick;   // a left double click completed this update
extern int MOU_Wheel;             // +1, −1 or 0: the last wheel step since the previous update

// ---- Cursor ----
extern bool CUR_Visible;          // the game cursor is shown (true at start)
using CUR_Rule = os::CursorId (*)();  // picks the cursor while CUR_Visible is set

// ---- Event entry points (window procedure only) ----
void INP_KeyEvent(int key, bool down);           // keys outside 0–255 are ignored
void INP_CharEvent(char16_t c);                  // one UTF-16 code unit typed
void INP_ButtonEvent(uint32_t msg, intptr_t lParam);  // os::MSG_[LRM]BUTTON{DOWN,UP}, packed client pos
void INP_WheelEvent(int step);                   // +1 or −1 (only the sign counts); steps are not summed

// ---- Per frame: INP_Update, INP_UpdateModifiers, …, INP_EndFrame ----
void INP_Update();                 // cursor look, confinement, position, buttons, double click, wheel
void INP_UpdateModifiers();        // KEY_Modifiers from KEY_Down
void INP_EndFrame();               // clears KEY_Pressed, KEY_Last, KEY_Char, KEY_CharAny

// ---- Other ----
void INP_Init();                   // everything back to its start values (start-up, tests)
void INP_ResetMouse();             // clears all button, double-click and wheel state; releases capture
void CUR_Init(CUR_Rule rule);      // installs rule (null: the default rule) and applies it
void CUR_SetVisible(bool visible); // sets CUR_Visible and applies CUR_Update at once
void CUR_Update();                 // shows the cursor the rule (or, when hidden, the window edge) says
os::CursorId CUR_DefaultRule();    // arrow outside; held pointer while a button is down; else pointer
