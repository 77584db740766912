// app/err — the fatal report, context notes, the invalid-resources report, result names and
// web links.
//
// A fatal report is shown once per run: it fades the sound, leaves full screen, shows a warning
// box with the problem, puts the log on the clipboard, offers the online report page and sets
// APP_Quit. Context notes log coded failures and remember the first code, which later fatal
// reports quote. Depends on app (flags, names), the log, the clock's short time stamp, the OS
// layer (message boxes, URL opener: no shell is involved) and the hooks in ErrHooks.
// Limits: messages are cut at 1024 characters, addresses at 512.
#include "app/err.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/links.h"
#include "core/log.h"
#include "platform/os/os.h"

namespace {

constexpr int kMessageSize = 1024;
constexpr int kUrlSize = 512;
constexpr int kContextSize = 64;

char g_context[kContextSize];   // first context recorded; never replaced
bool g_shown = false;           // the fatal report has run
ErrHooks g_hooks;

void AudioFocus()
{
    if (g_hooks.audioFocus) g_hooks.audioFocus();
}

void SetToWindowed()
{
    if (g_hooks.setToWindowed) g_hooks.setToWindowed();
}

const char* CardName()
{
    const char* name = g_hooks.cardName ? g_hooks.cardName() : nullptr;
    return (name && *name) ? name : "No Card Found";
}

// Appends src to dst (capacity size) without overrunning it.
void Append(char* dst, size_t size, const char* src)
{
    size_t used = strlen(dst);
    if (used + 1 >= size) return;
    snprintf(dst + used, size - used, "%s", src);
}

void OpenFormattedURL(const char* fmt, va_list ap)
{
    APP_Active = 0;
    APP_DeviceReady = 0;
    AudioFocus();

    char url[kUrlSize + 1];
    vsnprintf(url, sizeof url, fmt, ap);
    for (char* c = url; *c; c++)
        if (*c == ' ' || *c == '#') *c = '-';
    LOG_Write("Opening URL = \"%s\"", url);

    SetToWindowed();
    os::OS_OpenURL(url);

    APP_Active = 1;
    APP_DeviceReady = 1;
}

} // namespace

bool ERR_Fatal(const char* fmt, ...)
{
    if (g_shown) return false;
    // Marked at once: a report raised while this one is showing (the clipboard copy running out
    // of memory, a device failing while it leaves full screen) must not open a second one.
    g_shown = true;

    APP_Active = 0;
    APP_DeviceReady = 0;
    AudioFocus();

    char message[kMessageSize + kContextSize + 8];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(message, kMessageSize + 1, fmt, ap);
    va_end(ap);
    if (g_context[0]) {
        Append(message, sizeof message, " (C:");
        Append(message, sizeof message, g_context);
        Append(message, sizeof message, ")");
    }

    char caption[64];
    snprintf(caption, sizeof caption, "%s Report", APP_DisplayName);
    LOG_Write("%s : %s", caption, message);

    SetToWindowed();

    char text[sizeof message + 256];
    snprintf(text, sizeof text, "%s has encountered the following problem :    \n\"%s\"    ",
             APP_DisplayName, message);
    os::OS_MessageBox(text, caption, os::BOX_OK | os::BOX_ICON_WARNING);

    LOG_CopyToClipboard();
    // The copy closes the log; what follows (the report page, the shutdown) still belongs in it.
    LOG_Continue();

    snprintf(text, sizeof text,
             "We are sorry that %s was unable to run correctly.\n\n"
             "Please help us to resolve this problem via our online report page.   \n"
             "Click 'OK' to continue to our support page or 'Cancel' to close the game.    \n\n"
             "Thank you,\n%s",
             APP_DisplayName, LNK_SupportEmail);
    int choice = os::OS_MessageBox(text, caption, os::BOX_OKCANCEL | os::BOX_ICON_INFO);
    if (choice == os::BOX_RESULT_OK) {
        APP_OpenURL("%s/Support/Report.htm?Game=%s&Version=%s&Error=%s (%s)&Card=%s",
                    LNK_SupportSite, APP_ProductName, APP_Version, message, TIM_Stamp(true),
                    CardName());
    }

    APP_Quit = 1;
    return false;
}

bool ERR_Note(const char* context, const char* fmt, ...)
{
    if (!g_context[0] && context) snprintf(g_context, sizeof g_context, "%s", context);

    char message[kMessageSize + 1];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(message, sizeof message, fmt, ap);
    va_end(ap);
    LOG_Write("%s Report : %s", APP_DisplayName, message);
    return false;
}

void ERR_InvalidResources(const char* message)
{
    if (APP_Quit) return;
    if (!message) message = "";
    char text[512];
    snprintf(text, sizeof text,
             "%s has detected invalid resources in the installation path.\n"
             "Please download the latest version from %s and reinstall.",
             APP_DisplayName, LNK_WebSite);
    LOG_Fatal("Get Latest Version : %s", message);
    os::OS_MessageBox(text, message, os::BOX_OK | os::BOX_ICON_ERROR);
    APP_Quit = 1;
}

const char* ERR_DxName(long result)
{
    static char name[128];
    const char* known = g_hooks.resultName ? g_hooks.resultName(result) : nullptr;
    if (known && *known)
        snprintf(name, sizeof name, "%s", known);
    else
        snprintf(name, sizeof name, "Unknown Error (%ld)", result);
    return name;
}

void APP_OpenURL(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    OpenFormattedURL(fmt, ap);
    va_end(ap);
}

void ERR_LogSupport()
{
    LOG_Write("Support Site : %s", LNK_SupportSite);
    LOG_Write("Support Email : %s", LNK_SupportEmail);
}

const char* STR_HexByte(uint8_t b)
{
    static const char digits[] = "0123456789ABCDEF";
    static char text[3];
    text[0] = digits[b >> 4];
    text[1] = digits[b & 15];
    text[2] = 0;
    return text;
}

void ERR_SetHooks(const ErrHooks& hooks)
{
    g_hooks = hooks;
}

const char* ERR_Context()
{
    return g_context;
}

void ERR_ResetForTests()
{
    g_context[0] = 0;
    g_shown = false;
    g_hooks = ErrHooks{};
}
