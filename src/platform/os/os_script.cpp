// platform/os/os_script — scripted runs: a text file of timed input steps played at the end of
// every presented frame, turned into the same messages real input gives (delivered by the next
// pump) on either backend.
//
// One step a line (commands without regard to case; '#' lines and blank lines are skipped):
//     wait N                   let N frames pass before the next step
//     move FX FY               put the cursor at fractions of the back buffer (0..1, 0..1)
//     press|release|click B    B = left, right or middle, at the cursor
//     keydown|keyup|key K      K = a key name (A, 5, F4, Enter, Alt, Num3 …) or code (65, 0x41)
//     type TEXT                the rest of the line as typed characters (UTF-8)
//     screenshot NAME          NAME of 1..64 characters from [A-Za-z0-9_-], given to the hook
//     quit                     close the window, as the close box does
// Once a script has moved the cursor it owns the cursor position until its last step has run.
// Depends on: os_common.cpp (queue, cursor), os_keymap.cpp, os_files.cpp (reading the file).
// Limits: 1 MiB of script, 65536 steps, lines of 4096 bytes; bad lines are reported on stderr
// with their line number and skipped.
#include <cmath>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include "platform/os/os_local.h"

namespace os {

namespace {

constexpr size_t kScriptLimit = 1u << 20;
constexpr size_t kStepLimit = 65536;
constexpr size_t kLineLimit = 4096;
constexpr size_t kShotNameLimit = 64;
constexpr long kWaitLimit = 1000000;

enum StepKind { STEP_WAIT, STEP_MOVE, STEP_PRESS, STEP_RELEASE, STEP_CLICK, STEP_KEYDOWN, STEP_KEYUP,
                STEP_KEY, STEP_TYPE, STEP_SCREENSHOT, STEP_QUIT };

struct Step {
    StepKind kind;
    long n = 0;            // frames, button (0 left, 1 right, 2 middle) or virtual key
    double fx = 0, fy = 0;
    std::string text;      // typed text or screenshot name
};

std::vector<Step> g_steps;
size_t g_next = 0;
long g_waitLeft = 0;
bool g_running = false;
bool g_ownsCursor = false;
int g_curX = 0, g_curY = 0;
bool g_altDown = false;
ScreenshotHook g_hook = nullptr;

std::string Trim(const std::string& s)
{
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
    return s.substr(a, b - a);
}

bool ParseDouble(const std::string& s, double* out)
{
    const char* b = s.data();
    const char* e = b + s.size();
    auto r = std::from_chars(b, e, *out);
    return r.ec == std::errc() && r.ptr == e && std::isfinite(*out);
}

int ButtonFromName(const std::string& s)
{
    if (strcasecmp(s.c_str(), "left") == 0) return 0;
    if (strcasecmp(s.c_str(), "right") == 0) return 1;
    if (strcasecmp(s.c_str(), "middle") == 0) return 2;
    return -1;
}

bool ShotNameOk(const std::string& s)
{
    if (s.empty() || s.size() > kShotNameLimit) return false;
    for (char c : s) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

// Parses one non-empty, non-comment line; on failure *why says what is wrong.
bool ParseStep(const std::string& line, Step* st, const char** why)
{
    size_t sp = line.find_first_of(" \t");
    std::string cmd = line.substr(0, sp);
    std::string rest = sp == std::string::npos ? std::string() : line.substr(sp + 1);
    std::string arg = Trim(rest);
    auto is = [&](const char* c) { return strcasecmp(cmd.c_str(), c) == 0; };
    *why = "bad argument";
    if (is("wait")) {
        double v = 0;
        if (!ParseDouble(arg, &v) || v < 0 || v > kWaitLimit || v != std::floor(v)) return false;
        st->kind = STEP_WAIT;
        st->n = (long)v;
        return true;
    }
    if (is("move")) {
        size_t s2 = arg.find_first_of(" \t");
        if (s2 == std::string::npos) return false;
        double fx = 0, fy = 0;
        if (!ParseDouble(arg.substr(0, s2), &fx) || !ParseDouble(Trim(arg.substr(s2 + 1)), &fy)) return false;
        if (std::fabs(fx) > 100 || std::fabs(fy) > 100) return false;
        st->kind = STEP_MOVE;
        st->fx = fx;
        st->fy = fy;
        return true;
    }
    if (is("press") || is("release") || is("click")) {
        int b = ButtonFromName(arg);
        if (b < 0) return false;
        st->kind = is("press") ? STEP_PRESS : is("release") ? STEP_RELEASE : STEP_CLICK;
        st->n = b;
        return true;
    }
    if (is("keydown") || is("keyup") || is("key")) {
        int vk = OS_VirtualKeyFromName(arg.c_str());
        if (!vk) return false;
        st->kind = is("keydown") ? STEP_KEYDOWN : is("keyup") ? STEP_KEYUP : STEP_KEY;
        st->n = vk;
        return true;
    }
    if (is("type")) {
        // Everything after the one separating space is text, spaces included.
        std::string text = rest;
        while (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.empty() || !OS_Utf8ToUtf16(text.data(), text.size(), nullptr)) return false;
        st->kind = STEP_TYPE;
        st->text = text;
        return true;
    }
    if (is("screenshot")) {
        if (!ShotNameOk(arg)) return false;
        st->kind = STEP_SCREENSHOT;
        st->text = arg;
        return true;
    }
    if (is("quit")) {
        if (!arg.empty()) return false;
        st->kind = STEP_QUIT;
        return true;
    }
    *why = "unknown step";
    return false;
}

void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) { OS_QueuePost(Message{msg, wParam, lParam}); }

intptr_t CursorPoint()
{
    int x = 0, y = 0;
    OS_GetCursorPos(&x, &y);
    return OS_PackPoint(x, y);
}

void KeyDown(int vk)
{
    if (vk == 18) g_altDown = true;
    Post(MSG_KEYDOWN, (uintptr_t)vk, g_altDown ? (intptr_t)KEYFLAG_ALT : (intptr_t)0);
    if (vk == 8 || vk == 9 || vk == 13 || vk == 27) Post(MSG_CHAR, (uintptr_t)vk, 0);
}

void KeyUp(int vk)
{
    Post(MSG_KEYUP, (uintptr_t)vk, g_altDown ? (intptr_t)KEYFLAG_ALT : (intptr_t)0);
    if (vk == 18) g_altDown = false;
}

void Run(const Step& st)
{
    static const uint32_t kDown[3] = {MSG_LBUTTONDOWN, MSG_RBUTTONDOWN, MSG_MBUTTONDOWN};
    static const uint32_t kUp[3] = {MSG_LBUTTONUP, MSG_RBUTTONUP, MSG_MBUTTONUP};
    switch (st.kind) {
    case STEP_WAIT:
        break;
    case STEP_MOVE: {
        int w = 0, h = 0;
        OS_BackBufferSize(&w, &h);
        if (w <= 0 || h <= 0) OS_GetClientSize(&w, &h);
        g_curX = (int)std::lround(st.fx * w);
        g_curY = (int)std::lround(st.fy * h);
        g_ownsCursor = true;
        OS_SetCursorPos(g_curX, g_curY);   // the visible pointer follows where there is one
        break;
    }
    case STEP_PRESS: Post(kDown[st.n], 0, CursorPoint()); break;
    case STEP_RELEASE: Post(kUp[st.n], 0, CursorPoint()); break;
    case STEP_CLICK:
        Post(kDown[st.n], 0, CursorPoint());
        Post(kUp[st.n], 0, CursorPoint());
        break;
    case STEP_KEYDOWN: KeyDown((int)st.n); break;
    case STEP_KEYUP: KeyUp((int)st.n); break;
    case STEP_KEY:
        KeyDown((int)st.n);
        KeyUp((int)st.n);
        break;
    case STEP_TYPE: {
        std::u16string units;
        OS_Utf8ToUtf16(st.text.data(), st.text.size(), &units);
        for (char16_t u : units) Post(MSG_CHAR, (uintptr_t)u, 0);
        break;
    }
    case STEP_SCREENSHOT:
        if (!g_hook) fprintf(stderr, "script: screenshot %s: no screenshot hook installed\n", st.text.c_str());
        else if (!g_hook(st.text.c_str())) fprintf(stderr, "script: screenshot %s failed\n", st.text.c_str());
        break;
    case STEP_QUIT:
        Post(MSG_CLOSE, 0, 0);
        break;
    }
}

} // namespace

void OS_ScriptStop()
{
    g_steps.clear();
    g_next = 0;
    g_waitLeft = 0;
    g_running = false;
    g_ownsCursor = false;
    g_altDown = false;
}

bool OS_ScriptCursorPos(int* x, int* y)
{
    if (!g_ownsCursor) return false;
    *x = g_curX;
    *y = g_curY;
    return true;
}

bool OS_ScriptLoadText(const std::string& text)
{
    OS_ScriptStop();
    if (text.size() > kScriptLimit) {
        fprintf(stderr, "script: longer than %zu bytes; not run\n", kScriptLimit);
        return false;
    }
    size_t start = 0;
    int lineNo = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        ++lineNo;
        std::string raw = text.substr(start, end - start);
        start = end + 1;
        if (raw.size() > kLineLimit) {
            fprintf(stderr, "script line %d: longer than %zu bytes (skipped)\n", lineNo, kLineLimit);
            continue;
        }
        std::string line = raw;
        size_t lead = line.find_first_not_of(" \t");
        if (lead == std::string::npos) continue;
        line = line.substr(lead);
        while (!line.empty() && (line.back() == '\r')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (g_steps.size() >= kStepLimit) {
            fprintf(stderr, "script line %d: more than %zu steps; the rest is ignored\n", lineNo, kStepLimit);
            break;
        }
        Step st;
        const char* why = "";
        if (!ParseStep(line, &st, &why)) {
            fprintf(stderr, "script line %d: %s: %s (skipped)\n", lineNo, why, Trim(line).c_str());
            continue;
        }
        g_steps.push_back(st);
    }
    g_running = !g_steps.empty();
    return true;
}

bool OS_ScriptLoadFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (!OS_ReadFile(path, &bytes)) {
        fprintf(stderr, "script: cannot read \"%s\"\n", path.c_str());
        OS_ScriptStop();
        return false;
    }
    return OS_ScriptLoadText(std::string(bytes.begin(), bytes.end()));
}

bool OS_ScriptRunning() { return g_running; }

void OS_SetScreenshotHook(ScreenshotHook hook) { g_hook = hook; }

void OS_ScriptFrameEnd()
{
    if (!g_running) return;
    if (g_waitLeft > 0 && --g_waitLeft > 0) return;
    while (g_next < g_steps.size()) {
        const Step& st = g_steps[g_next++];
        if (st.kind == STEP_WAIT) {
            g_waitLeft = st.n;
            if (g_waitLeft > 0) return;
            continue;
        }
        Run(st);
    }
    // The last step has run: real input has the cursor again.
    g_running = false;
    g_ownsCursor = false;
}

} // namespace os
