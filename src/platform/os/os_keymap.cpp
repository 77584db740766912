// platform/os/os_keymap — SDL keys to the desktop's virtual-key codes the input state is indexed
// by, and the key names scripts may use ("F4", "Enter", "A", "Num5", "0x41").
// Depends on: SDL's keycode and scancode values (header only; no SDL call is made).
// Limits: codes 1..255 only. Letters and digits follow the keyboard layout (the keycode); keys
// whose layout character is not a Latin letter or digit fall back to their position (scancode).
#include <SDL_keycode.h>
#include <SDL_scancode.h>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include "platform/os/os_local.h"

namespace os {

namespace {

struct KeyPair { int32_t sdl; int vk; };

const KeyPair kKeys[] = {
    {SDLK_BACKSPACE, 8}, {SDLK_TAB, 9}, {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13}, {SDLK_RETURN2, 13},
    {SDLK_LSHIFT, 16}, {SDLK_RSHIFT, 16}, {SDLK_LCTRL, 17}, {SDLK_RCTRL, 17},
    {SDLK_LALT, 18}, {SDLK_RALT, 18}, {SDLK_PAUSE, 0x13}, {SDLK_CAPSLOCK, 0x14},
    {SDLK_ESCAPE, 27}, {SDLK_SPACE, 32}, {SDLK_PAGEUP, 33}, {SDLK_PAGEDOWN, 34},
    {SDLK_END, 35}, {SDLK_HOME, 36}, {SDLK_LEFT, 37}, {SDLK_UP, 38}, {SDLK_RIGHT, 39},
    {SDLK_DOWN, 40}, {SDLK_PRINTSCREEN, 0x2C}, {SDLK_INSERT, 45}, {SDLK_DELETE, 46},
    {SDLK_LGUI, 0x5B}, {SDLK_RGUI, 0x5C}, {SDLK_APPLICATION, 0x5D},
    {SDLK_KP_0, 0x60}, {SDLK_KP_1, 0x61}, {SDLK_KP_2, 0x62}, {SDLK_KP_3, 0x63}, {SDLK_KP_4, 0x64},
    {SDLK_KP_5, 0x65}, {SDLK_KP_6, 0x66}, {SDLK_KP_7, 0x67}, {SDLK_KP_8, 0x68}, {SDLK_KP_9, 0x69},
    {SDLK_KP_MULTIPLY, 0x6A}, {SDLK_KP_PLUS, 0x6B}, {SDLK_KP_MINUS, 0x6D}, {SDLK_KP_PERIOD, 0x6E},
    {SDLK_KP_DIVIDE, 0x6F},
    {SDLK_F1, 0x70}, {SDLK_F2, 0x71}, {SDLK_F3, 0x72}, {SDLK_F4, 0x73}, {SDLK_F5, 0x74},
    {SDLK_F6, 0x75}, {SDLK_F7, 0x76}, {SDLK_F8, 0x77}, {SDLK_F9, 0x78}, {SDLK_F10, 0x79},
    {SDLK_F11, 0x7A}, {SDLK_F12, 0x7B}, {SDLK_F13, 0x7C}, {SDLK_F14, 0x7D}, {SDLK_F15, 0x7E},
    {SDLK_F16, 0x7F}, {SDLK_F17, 0x80}, {SDLK_F18, 0x81}, {SDLK_F19, 0x82}, {SDLK_F20, 0x83},
    {SDLK_F21, 0x84}, {SDLK_F22, 0x85}, {SDLK_F23, 0x86}, {SDLK_F24, 0x87},
    {SDLK_NUMLOCKCLEAR, 0x90}, {SDLK_SCROLLLOCK, 0x91},
    {SDLK_SEMICOLON, 0xBA}, {SDLK_EQUALS, 0xBB}, {SDLK_PLUS, 0xBB}, {SDLK_COMMA, 0xBC},
    {SDLK_MINUS, 0xBD}, {SDLK_PERIOD, 0xBE}, {SDLK_SLASH, 0xBF}, {SDLK_BACKQUOTE, 0xC0},
    {SDLK_LEFTBRACKET, 0xDB}, {SDLK_BACKSLASH, 0xDC}, {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE},
};

struct KeyName { const char* name; int vk; };

const KeyName kNames[] = {
    {"Backspace", 8}, {"Tab", 9}, {"Enter", 13}, {"Return", 13}, {"Shift", 16}, {"Control", 17},
    {"Ctrl", 17}, {"Alt", 18}, {"Pause", 0x13}, {"CapsLock", 0x14}, {"Escape", 27}, {"Esc", 27},
    {"Space", 32}, {"PageUp", 33}, {"PageDown", 34}, {"End", 35}, {"Home", 36}, {"Left", 37},
    {"Up", 38}, {"Right", 39}, {"Down", 40}, {"Insert", 45}, {"Delete", 46},
};

} // namespace

int OS_VirtualKeyFromSdl(int32_t keycode, int32_t scancode)
{
    if (keycode >= SDLK_a && keycode <= SDLK_z) return 0x41 + (keycode - SDLK_a);
    if (keycode >= SDLK_0 && keycode <= SDLK_9) return 0x30 + (keycode - SDLK_0);
    for (const KeyPair& k : kKeys)
        if (k.sdl == keycode) return k.vk;
    // A layout whose letter keys give other scripts still needs the letter keys themselves.
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 0x41 + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return 0x31 + (scancode - SDL_SCANCODE_1);
    if (scancode == SDL_SCANCODE_0) return 0x30;
    return 0;
}

int OS_VirtualKeyFromName(const char* name)
{
    if (!name || !*name) return 0;
    size_t n = strlen(name);
    if (n == 1) {
        char c = name[0];
        if (c >= 'a' && c <= 'z') return 0x41 + (c - 'a');
        if (c >= 'A' && c <= 'Z') return 0x41 + (c - 'A');
        if (c >= '0' && c <= '9') return 0x30 + (c - '0');
        return 0;
    }
    for (const KeyName& k : kNames)
        if (strcasecmp(k.name, name) == 0) return k.vk;
    if ((name[0] == 'F' || name[0] == 'f') && n <= 3) {
        char* end = nullptr;
        long f = strtol(name + 1, &end, 10);
        if (*end == '\0' && f >= 1 && f <= 24 && name[1] != '+' && name[1] != '-') return 0x70 + (int)(f - 1);
    }
    if (n == 4 && strncasecmp(name, "Num", 3) == 0 && name[3] >= '0' && name[3] <= '9')
        return 0x60 + (name[3] - '0');
    // A code: decimal (two or more digits, so that "5" stays the digit key) or 0x-prefixed hex.
    int base = 10;
    const char* digits = name;
    if (n > 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) { base = 16; digits = name + 2; }
    for (const char* p = digits; *p; ++p) {
        bool ok = (*p >= '0' && *p <= '9') ||
                  (base == 16 && ((*p >= 'a' && *p <= 'f') || (*p >= 'A' && *p <= 'F')));
        if (!ok) return 0;
    }
    if (strlen(digits) > 4) return 0;
    long v = strtol(digits, nullptr, base);
    return (v >= 1 && v <= 255) ? (int)v : 0;
}

} // namespace os
