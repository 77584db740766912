// core/settings — folders, Config.txt, Settings.txt and the registry helpers.
//
// Both texts are read with the tagged-text reader: every key is searched from the start of the
// text, in any case, and its first occurrence counts. Settings.txt is written by the game, so a
// damaged value there (missing, not a number, a size of zero or less) is skipped instead of
// being taken as 0. It is saved through a temporary file and a rename, so a crash mid-save never
// leaves it cut short. The registry key lives in the OS layer's store; values are typed
// (DWORD, expandable string) and wide strings are kept in their decimal text form.
// Depends on data/tag, platform/os, core/log, app/app (names) and app/err (ST1).
#include "core/settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "app/err.h"
#include "core/log.h"
#include "data/tag.h"
#include "platform/os/os.h"

int CFG_Width = 800;
int CFG_Height = 600;
uint8_t CFG_Windowed = 0;
uint8_t CFG_TestForHoles = 0;
uint8_t CFG_Mute = 0;
uint8_t CFG_NoSound = 0;
int CFG_XOffset = 0;
int CFG_YOffset = 0;
uint8_t CFG_LogMem = 0;
float CFG_Detail = 1.0f;
int CFG_PlayArcade = 0;
std::string APP_InstallDir = ".";
std::string APP_DataDir = ".";

namespace {

constexpr uint32_t kWideTextSize = 4096;  // the decimal form of a wide string read back

bool g_regOpen = false;

std::string StripSlash(std::string dir)
{
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

std::string Join(const std::string& dir, const char* name)
{
    if (!dir.empty() && dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

bool CanRead(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    fclose(f);
    return true;
}

std::string ArchiveName()
{
    return std::string(APP_ProductName) + ".lmo";
}

} // namespace

// ---- Folders ----

void APP_FindInstallDir()
{
    const std::string archive = ArchiveName();
    std::string cwd = StripSlash(os::OS_CurrentDir());
    if (cwd.empty()) cwd = ".";
    if (CanRead(Join(cwd, archive.c_str()))) {
        APP_InstallDir = cwd;
        return;
    }
    // Started from elsewhere: the archives sit beside the program itself.
    std::string exe = StripSlash(os::OS_ExecutableDir());
    if (!exe.empty() && CanRead(Join(exe, archive.c_str()))) {
        APP_InstallDir = exe;
        return;
    }
    APP_InstallDir = ".";
}

void APP_FindDataDir()
{
    std::string base = StripSlash(os::OS_AppDataDir());
    if (base.empty()) {
        APP_DataDir = APP_InstallDir;
        return;
    }
    std::string maker = Join(base, APP_MakerName);
    os::OS_MakeDir(maker);
    std::string dir = Join(maker, APP_ProductName);
    os::OS_MakeDir(dir);
    if (CanRead(Join(dir, "Settings.txt"))) {
        APP_DataDir = dir;
        return;
    }
    // First run, or a folder we cannot use: prove it writable with a throw-away file.
    std::string probe = Join(dir, APP_ProductName);
    FILE* f = fopen(probe.c_str(), "wb");
    if (f) {
        fclose(f);
        os::OS_DeleteFile(probe);
        APP_DataDir = dir;
        return;
    }
    APP_DataDir = APP_InstallDir;
}

// ---- Config.txt and Settings.txt ----

bool CFG_ReadConfig()
{
    char* text = TAG_LoadFile(Join(APP_InstallDir, "Config.txt"), nullptr);
    if (!text) return false;

    if (TAG_FindTag(text, "WIDTH")) CFG_Width = TAG_ReadInt();
    if (TAG_FindTag(text, "HEIGHT")) CFG_Height = TAG_ReadInt();
    if (TAG_FindTag(text, "WINDOWED")) CFG_Windowed = 1;
    if (TAG_FindTag(text, "TESTFORHOLES")) CFG_TestForHoles = 1;
    if (TAG_FindTag(text, "MUTE")) CFG_Mute = 1;
    if (TAG_FindTag(text, "NOSOUND")) CFG_NoSound = 1;
    if (TAG_FindTag(text, "XOFFSET")) CFG_XOffset = TAG_ReadInt();
    if (TAG_FindTag(text, "YOFFSET")) CFG_YOffset = TAG_ReadInt();
    if (TAG_FindTag(text, "LOGMEM")) CFG_LogMem = 1;
    if (TAG_FindTag(text, "PLAYARCADE")) {
        int d = TAG_ReadInt();
        if (d >= 1 && d <= 3) CFG_PlayArcade = d;
        else LOG_Write("Config.txt : PLAYARCADE(%d) is not a difficulty from 1 to 3; ignored", d);
    }

    if (CFG_Width == 1024 && CFG_Height == 768) {
        int w = 0, h = 0;
        os::OS_GetDesktopSize(&w, &h);
        if (w < 1024 || h < 768) {
            CFG_Width = 800;
            CFG_Height = 600;
        }
    }
    TAG_Close();
    TAG_FreeFile(text);
    return true;
}

bool CFG_ReadSettings()
{
    char* text = TAG_LoadFile(Join(APP_DataDir, "Settings.txt"), nullptr);
    if (!text) return false;

    int v = 0;
    if (TAG_FindTag(text, "WINDOWED") && TAG_TryReadInt(&v)) CFG_Windowed = v != 0;
    if (TAG_FindTag(text, "WIDTH") && TAG_TryReadInt(&v) && v > 0) CFG_Width = v;
    if (TAG_FindTag(text, "HEIGHT") && TAG_TryReadInt(&v) && v > 0) CFG_Height = v;

    TAG_Close();
    TAG_FreeFile(text);
    return true;
}

bool CFG_SaveSettings()
{
    char text[128];
    int n = snprintf(text, sizeof text, "#WINDOWED(%d)\n#WIDTH(%d)\n#HEIGHT(%d)\n", CFG_Windowed ? 1 : 0,
                     CFG_Width, CFG_Height);
    if (n < 0 || (size_t)n >= sizeof text ||
        !os::OS_WriteFileAtomic(Join(APP_DataDir, "Settings.txt"), text, (size_t)n)) {
        return ERR_Fatal("Unable To Save Settings : ST1");
    }
    return true;
}

// ---- Registry ----

bool REG_Create(const char* keyPath)
{
    g_regOpen = keyPath && os::OS_RegOpen(keyPath);
    if (!g_regOpen) {
        LOG_Write("REG_Create : Could not create a registry key in HKEY_CURRENT_USER : %s", keyPath ? keyPath : "");
        return false;
    }
    return true;
}

bool REG_ReadInt(const char* name, int* out)
{
    if (!g_regOpen || !name || !out) return false;
    uint32_t value = 0;
    uint32_t size = sizeof value;
    os::RegType type = os::REG_TYPE_DWORD;
    if (!os::OS_RegGet(name, &type, &value, &size)) return false;
    *out = (int)value;
    return true;
}

bool REG_WriteInt(const char* name, int value)
{
    if (!g_regOpen || !name) return false;
    uint32_t v = (uint32_t)value;
    return os::OS_RegSet(name, os::REG_TYPE_DWORD, &v, sizeof v);
}

bool REG_ReadBool(const char* name, uint8_t* out)
{
    int value = 0;
    if (!out || !REG_ReadInt(name, &value)) return false;
    *out = value != 0;
    return true;
}

bool REG_WriteBool(const char* name, bool flag)
{
    return REG_WriteInt(name, flag ? 1 : 0);
}

bool REG_ReadData(const char* name, void* buffer, uint32_t limit)
{
    if (!g_regOpen || !name || !buffer) return false;
    uint32_t size = limit;
    os::RegType type = os::REG_TYPE_BINARY;
    return os::OS_RegGet(name, &type, buffer, &size);
}

bool REG_WriteString(const char* name, const char* text)
{
    if (!g_regOpen || !name || !text) return false;
    return os::OS_RegSet(name, os::REG_TYPE_EXPAND_SZ, text, (uint32_t)strlen(text) + 1);
}

bool REG_ReadWideString(const char* name, char16_t* out, uint32_t byteLimit)
{
    if (!g_regOpen || !name || !out) return false;
    const size_t units = byteLimit / sizeof(char16_t);
    if (units == 0) return false;
    char text[kWideTextSize + 1];
    uint32_t size = kWideTextSize;
    os::RegType type = os::REG_TYPE_EXPAND_SZ;
    if (!os::OS_RegGet(name, &type, text, &size)) return false;
    text[size < kWideTextSize ? size : kWideTextSize] = 0;
    if (!text[0]) return false;

    // A count that the caller's buffer cannot hold (or a negative one) is refused, not cut.
    char* end = nullptr;
    long count = strtol(text, &end, 10);
    if (end == text || count < 0 || (size_t)count >= units) return false;
    const char* p = text;
    for (long i = 0; i < count; i++) {
        p = strchr(p, ' ');
        if (!p) return false;
        p++;
        out[i] = (char16_t)strtol(p, nullptr, 10);
    }
    out[count] = 0;
    return true;
}

bool REG_WriteWideString(const char* name, const char16_t* text)
{
    std::string form;
    size_t count = 0;
    for (const char16_t* p = text; p && *p; p++) count++;
    form = std::to_string(count);
    for (size_t i = 0; i < count; i++) {
        form += ' ';
        form += std::to_string((int)text[i]);
    }
    return REG_WriteString(name, form.c_str());
}
