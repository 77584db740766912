// game/levellist — reads level-list entries into the arcade list and the level sets, and turns
// level references into files the level reader can open.
//
// Depends on data/lmo, core/mem, core/log, app/err, core/settings and platform/os. Lists are
// parsed straight from the entry's bytes; a level taken from the archive is copied to the
// temporary level file in the data folder, which is deleted once the level has been read.
// Tables are fixed; entries past the limits are dropped with a log line.
#include "game/levellist.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "app/err.h"
#include "core/log.h"
#include "core/mem.h"
#include "core/settings.h"
#include "data/lmo.h"
#include "platform/os/os.h"

LevelRef SET_Arcade[SET_MaxArcade];
int SET_ArcadeCount = 0;
LevelSet SET_Sets[SET_MaxSets];
int SET_SetCount = 0;
int SET_CurrentSet = 0;
int SET_CurrentLevel = 0;
int SET_Choice[SET_MaxSets];
int SET_ChoiceCount = 0;

namespace {

constexpr size_t kWord = 64;
constexpr size_t kQuoted = 256;

struct Cursor {
    const char* text;
    size_t size;
    size_t pos;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void SkipSpace(Cursor& c)
{
    while (c.pos < c.size && IsSpace(c.text[c.pos])) c.pos++;
}

bool NextWord(Cursor& c, char* out)
{
    SkipSpace(c);
    out[0] = 0;
    if (c.pos >= c.size) return false;
    size_t n = 0;
    while (c.pos < c.size && !IsSpace(c.text[c.pos])) {
        char ch = c.text[c.pos++];
        if (ch == 0) ch = '?';
        if (n + 1 < kWord) out[n++] = ch;
    }
    out[n] = 0;
    return true;
}

// A double-quoted text; false (cursor after the next word) when no quote opens it.
bool NextQuoted(Cursor& c, char* out)
{
    SkipSpace(c);
    out[0] = 0;
    if (c.pos >= c.size || c.text[c.pos] != '"') {
        char skip[kWord];
        NextWord(c, skip);
        return false;
    }
    c.pos++;
    size_t n = 0;
    while (c.pos < c.size && c.text[c.pos] != '"') {
        char ch = c.text[c.pos++];
        if (ch == 0) ch = '?';
        if (n + 1 < kQuoted) out[n++] = ch;
    }
    if (c.pos < c.size) c.pos++;  // the closing quote
    out[n] = 0;
    return true;
}

bool EqualNoCase(const char* a, const char* b)
{
    for (; *a && *b; a++, b++) {
        if (std::toupper((unsigned char)*a) != std::toupper((unsigned char)*b)) return false;
    }
    return *a == *b;
}

// "LEV_" + the upper-cased text; false when that would not fit a CID.
bool LevelCID(const char* text, char* out, size_t cap)
{
    size_t n = std::strlen(text);
    if (n == 0 || n + 4 > 31 || cap < 32) return false;
    std::memcpy(out, "LEV_", 4);
    for (size_t i = 0; i < n; i++) out[4 + i] = (char)std::toupper((unsigned char)text[i]);
    out[4 + n] = 0;
    return true;
}

void FreeRef(LevelRef& r)
{
    if (r.file) MEM_Free(r.file, "LevelList");
    if (r.name) MEM_Free(r.name, "LevelList");
    if (r.description) MEM_Free(r.description, "LevelList");
    r = LevelRef{};
}

char* Copy(const char* s)
{
    size_t n = std::strlen(s);
    char* p = (char*)MEM_Alloc(n + 1, "LevelList");
    if (p) std::memcpy(p, s, n + 1);
    return p;
}

void Replace(char*& slot, const char* s)
{
    if (slot) MEM_Free(slot, "LevelList");
    slot = Copy(s);
}

void ParseArcade(const char* cid, Cursor& c)
{
    char w[kWord], q[kQuoted], file[32];
    NextWord(c, w);  // "TESSIVAL"
    NextWord(c, w);  // "GAME"
    while (NextWord(c, w)) {
        if (std::strcmp(w, "#") == 0) {
            size_t at = c.pos;
            char next[kWord];
            if (NextWord(c, next) && EqualNoCase(next, "TESSIVAL")) continue;
            c.pos = at;
            ERR_InvalidResources("Illegal Tag : GM02");
        } else if (std::strncmp(w, "#GA", 3) == 0) {
        } else if (std::strncmp(w, "#NA", 3) == 0 || std::strncmp(w, "#DE", 3) == 0) {
            NextQuoted(c, q);
        } else if (std::strncmp(w, "#LE", 3) == 0) {
            if (!NextQuoted(c, q)) {
                LOG_Write("%s: a level tag without a quoted name is ignored", cid);
                continue;
            }
            if (SET_ArcadeCount >= SET_MaxArcade) {
                LOG_Write("%s: more than %d arcade levels; the rest are ignored", cid, SET_MaxArcade);
                break;
            }
            if (!LevelCID(q, file, sizeof file)) {
                LOG_Write("%s: level \"%s\" is no level name; ignored", cid, q);
                continue;
            }
            SET_Arcade[SET_ArcadeCount] = LevelRef{Copy(file), nullptr, nullptr};
            SET_ArcadeCount++;
        } else if (std::strncmp(w, "#EN", 3) == 0) {
            break;
        } else {
            LOG_Write("%s: unknown tag \"%s\"", cid, w);
            ERR_InvalidResources("Illegal Tag : GM02");
        }
    }
}

void ParseSet(const char* cid, Cursor& c)
{
    if (SET_SetCount >= SET_MaxSets) {
        LOG_Write("%s: more than %d level sets; ignored", cid, SET_MaxSets);
        return;
    }
    LevelSet& set = SET_Sets[SET_SetCount];
    set = LevelSet{};
    std::snprintf(set.source, sizeof set.source, "%s", cid);
    char w[kWord], q[kQuoted], file[32];
    NextWord(c, w);  // "TESSIVAL"
    while (NextWord(c, w)) {
        LevelRef* last = set.levelCount > 0 ? &set.levels[set.levelCount - 1] : nullptr;
        if (std::strcmp(w, "#") == 0) {
            size_t at = c.pos;
            char next[kWord];
            if (NextWord(c, next) && EqualNoCase(next, "TESSIVAL")) continue;
            c.pos = at;
            ERR_InvalidResources("Illegal Tag : GM01");
        } else if (std::strncmp(w, "#GA", 3) == 0) {
        } else if (std::strncmp(w, "#NA", 3) == 0) {
            if (!NextQuoted(c, q)) continue;
            if (last) Replace(last->name, q);
            else if (!set.name) set.name = Copy(q);
        } else if (std::strncmp(w, "#DE", 3) == 0) {
            if (!NextQuoted(c, q)) continue;
            if (last) Replace(last->description, q);
            else if (!set.description) set.description = Copy(q);
        } else if (std::strncmp(w, "#LE", 3) == 0) {
            if (!NextQuoted(c, q)) {
                LOG_Write("%s: a level tag without a quoted name is ignored", cid);
                continue;
            }
            if (set.levelCount >= SET_MaxLevels) {
                LOG_Write("%s: more than %d levels; the rest are ignored", cid, SET_MaxLevels);
                break;
            }
            if (!LevelCID(q, file, sizeof file)) {
                LOG_Write("%s: level \"%s\" is no level name; ignored", cid, q);
                continue;
            }
            set.levels[set.levelCount] = LevelRef{Copy(file), nullptr, nullptr};
            set.levelCount++;
        } else if (std::strncmp(w, "#EN", 3) == 0) {
            break;
        } else {
            LOG_Write("%s: unknown tag \"%s\"", cid, w);
            ERR_InvalidResources("Illegal Tag : GM01");
        }
    }
    if (set.levelCount > 0) {
        SET_SetCount++;
    } else {
        if (set.name) MEM_Free(set.name, "LevelList");
        if (set.description) MEM_Free(set.description, "LevelList");
        set = LevelSet{};
    }
}

} // namespace

std::string SET_TempPath()
{
    return APP_DataDir + "/TESSIVAL_Temp";
}

void SET_LoadListEntry(const char* cid, uint8_t* data, int size)
{
    // The list is parsed from the entry's bytes directly: no detour through a file, so a full
    // disk or an unwritable folder cannot lose a list.
    if (!data || size <= 0) return;
    SET_ParseList(cid ? cid : "LED", (const char*)data, (size_t)size);
}

void SET_ParseList(const char* cid, const char* text, size_t size)
{
    if (!text) return;
    if (!cid) cid = "LED";
    Cursor c{text, size, 0};
    char w[kWord];
    if (!NextWord(c, w) || !EqualNoCase(w, "TESSIVAL")) return;  // another game's list
    bool arcade = NextWord(c, w) && std::strcmp(w, "GAME") == 0;
    c.pos = 0;
    if (arcade) ParseArcade(cid, c);
    else ParseSet(cid, c);
}

std::string SET_ResolveLevel(const LevelRef& ref)
{
    if (!ref.file || !ref.file[0]) return "";
    if (std::strncmp(ref.file, "LEV_", 4) != 0) return ref.file;
    uint8_t* bytes = LMO_Load(ref.file, 0);
    if (!bytes) {
        LOG_Write("Level %s is missing", ref.file);
        return "";
    }
    std::string path = SET_TempPath();
    bool ok = os::OS_WriteFileAtomic(path, bytes, (size_t)(LMO_Size > 0 ? LMO_Size : 0));
    LMO_Release();
    if (!ok) {
        LOG_Write("Level %s could not be written to %s", ref.file, path.c_str());
        return "";
    }
    return path;
}

void SET_DeleteTemp()
{
    std::string path = SET_TempPath();
    if (os::OS_FileExists(path)) os::OS_DeleteFile(path);
}

std::string SET_ArcadeLevel(int* index)
{
    int i = index ? *index : 0;
    if (i < 0 || i >= SET_ArcadeCount) {
        i = 0;
        if (index) *index = 0;
    }
    if (SET_ArcadeCount == 0) return "";
    return SET_ResolveLevel(SET_Arcade[i]);
}

void SET_BuildChoiceList()
{
    SET_ChoiceCount = 0;
    for (int i = 0; i < SET_SetCount; i++) {
        const char* n = SET_Sets[i].name;
        if (n && (EqualNoCase(n, "puzzle") || EqualNoCase(n, "editor"))) continue;
        SET_Choice[SET_ChoiceCount++] = i;
    }
}

void SET_ResetForTests()
{
    for (int i = 0; i < SET_ArcadeCount; i++) FreeRef(SET_Arcade[i]);
    SET_ArcadeCount = 0;
    for (int s = 0; s < SET_SetCount; s++) {
        LevelSet& set = SET_Sets[s];
        for (int i = 0; i < set.levelCount; i++) FreeRef(set.levels[i]);
        if (set.name) MEM_Free(set.name, "LevelList");
        if (set.description) MEM_Free(set.description, "LevelList");
        set = LevelSet{};
    }
    SET_SetCount = 0;
    SET_ChoiceCount = 0;
    SET_CurrentSet = 0;
    SET_CurrentLevel = 0;
}
