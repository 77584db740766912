// core/log — the one plain-text log of a run.
//
// Log.txt lives in the data folder and is rewritten at every start. Every line carries the
// time since start (TIM_RealTime). Entries are bounded: at most 999 per run, each at most 511
// characters, so a run-away loop cannot fill the disk. The log can be put on the clipboard for
// problem reports. Depends on the clock, the settings (data folder), the memory manager, the
// error report (LG0) and the OS layer's clipboard. One thread; the format buffer is shared.
#include "core/log.h"

#include <sys/utsname.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/clock.h"
#include "app/err.h"
#include "core/input.h"
#include "core/mem.h"
#include "core/settings.h"
#include "platform/os/os.h"

namespace {

constexpr int kEntryLimit = 1000;   // the 1000th attempt writes the limit notice; 999 entries pass
constexpr int kFormatSize = 512;

FILE* g_file = nullptr;
int g_entries = 0;
char g_format[kFormatSize];

std::string LogPath()
{
    return APP_DataDir + "/Log.txt";
}

// Counts the attempt and says whether it may be written.
bool Admit()
{
    if (!g_file) return false;
    ++g_entries;
    if (g_entries == kEntryLimit) {
        fputs("\n*** Log file limit reached ***\n", g_file);
        fflush(g_file);
    }
    return g_entries < kEntryLimit;
}

// Formats into the shared buffer; false (with the length notice written) when too long.
bool Format(const char* fmt, va_list ap)
{
    int n = vsnprintf(g_format, sizeof g_format, fmt, ap);
    if (n < 0) {
        g_format[0] = 0;
        return true;
    }
    if (n >= kFormatSize) {
        char head[33];
        memcpy(head, g_format, 32);
        head[32] = 0;
        fprintf(g_file, "\n*** Log file entry exceeded limit (%s) ***\n", head);
        fflush(g_file);
        return false;
    }
    return true;
}

void WriteSection(const char* title)
{
    fputs("\n//---------------------------------------------", g_file);
    fprintf(g_file, "\n// %s", title);
    fputs("\n//---------------------------------------------\n\n", g_file);
    fflush(g_file);
}

void SectionNow(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void SectionNow(const char* fmt, ...)
{
    if (!Admit()) return;
    va_list ap;
    va_start(ap, fmt);
    bool ok = Format(fmt, ap);
    va_end(ap);
    if (ok) WriteSection(g_format);
}

bool OpenFile(const char* mode)
{
    g_file = fopen(LogPath().c_str(), mode);
    if (!g_file) {
        ERR_Fatal("Can't open the log file : LG0");
        return false;
    }
    return true;
}

// The system line: our platform id is 2 for a POSIX kernel; version numbers come from uname's
// release ("6.1.0-18-amd64" → 6.1) and the text from its name and build.
void WriteSystemLine()
{
    struct utsname u;
    if (uname(&u) != 0) return;
    int major = 0, minor = 0;
    sscanf(u.release, "%d.%d", &major, &minor);
    char text[200];
    snprintf(text, sizeof text, "%s %s", u.sysname, u.release);
    LOG_Write("Operating System : %d, Version %d.%d, %s", 2, major, minor, text);
}

} // namespace

bool LOG_IsOpen()
{
    return g_file != nullptr;
}

const char* TIM_Stamp(bool shortForm)
{
    static char stamp[32];
    float t = TIM_RealTime;
    int minutes = (int)(t / 60.0f);
    float seconds = t - (float)minutes * 60.0f;
    if (shortForm)
        snprintf(stamp, sizeof stamp, "%d:%02d", minutes, (int)seconds);
    else
        snprintf(stamp, sizeof stamp, "%02d:%05.2f", minutes, seconds);
    return stamp;
}

void LOG_Open()
{
    if (g_file) return;
    if (!OpenFile("w")) return;
    SectionNow("%s Log Created", APP_DisplayName);
    LOG_Write("%s v%s (%s)", APP_DisplayName, APP_Version, APP_MakerName);
    WriteSystemLine();
}

void LOG_Continue()
{
    if (g_file) return;
    if (!OpenFile("a")) return;
    SectionNow("Log Continued");
}

void LOG_Close(bool banner)
{
    if (banner) SectionNow("Closing Log");
    if (g_file) {
        fclose(g_file);
        g_file = nullptr;
    }
}

void LOG_Write(const char* fmt, ...)
{
    if (!Admit()) return;
    va_list ap;
    va_start(ap, fmt);
    bool ok = Format(fmt, ap);
    va_end(ap);
    if (!ok) return;
    fprintf(g_file, "%s : %s\n", TIM_Stamp(false), g_format);
    fflush(g_file);
}

void LOG_Fatal(const char* fmt, ...)
{
    if (!Admit()) return;
    va_list ap;
    va_start(ap, fmt);
    bool ok = Format(fmt, ap);
    va_end(ap);
    if (!ok) return;
    fputs("\n*************************** \\/ FATAL \\/ ***************************\n", g_file);
    fprintf(g_file, "%s : %s", TIM_Stamp(false), g_format);
    fputs("\n*************************** /\\ FATAL /\\ ***************************\n", g_file);
    fflush(g_file);
}

void LOG_Section(const char* fmt, ...)
{
    if (!Admit()) return;
    va_list ap;
    va_start(ap, fmt);
    bool ok = Format(fmt, ap);
    va_end(ap);
    if (ok) WriteSection(g_format);
}

void LOG_Newline()
{
    if (!Admit()) return;
    fputs("\n", g_file);
    fflush(g_file);
}

bool LOG_CopyToClipboard()
{
    LOG_Close(false);
    const char* failure = nullptr;
    std::vector<uint8_t> bytes;
    if (!os::OS_ReadFile(LogPath(), &bytes)) {
        failure = "Couldn't open log file";
    } else {
        char* text = (char*)MEM_Alloc(bytes.size() + 1, "LOG_CopyToClipboard");
        if (!text) return false;
        if (!bytes.empty()) memcpy(text, bytes.data(), bytes.size());
        text[bytes.size()] = 0;
        // The clipboard belongs to the desktop session: without our window there is none to open.
        if (!os::OS_WindowExists()) {
            failure = "Couldn't open clipboard";
        } else if (os::OS_SetClipboardText(text)) {
            MEM_Free(text, "LOG_CopyToClipboard");
            return true;
        } else {
            failure = "Couldn't copy log to clipboard";
        }
        MEM_Free(text, "LOG_CopyToClipboard");
    }
    LOG_Continue();
    LOG_Write("%s", failure);
    return false;
}

void LOG_CheckShortcut()
{
    if (KEY_Modifiers != 3 || KEY_Last != 0x74) return;
    APP_Quit = 1;
    LOG_Close(true);
    LOG_CopyToClipboard();
}

void LOG_ResetForTests()
{
    LOG_Close(false);
    g_entries = 0;
}
