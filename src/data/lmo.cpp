// data/lmo — LMO archives: opening, finding, loading and streaming entries, the type table and
// the bulk load.
//
// Every archive of the install folder is opened once at start-up: its header is descrambled,
// its header and entry table are kept in one tracked block, and every record is checked against
// the real file size before anything trusts it (a damaged archive is refused with a fatal
// report). Entry data is read on demand, reopening the archive file each time. Streams handed
// out by LMO_OpenCID show the entry alone: they end at its last byte, so a reader that runs to
// the end of its text cannot wander into the next entry.
// Depends on the log, the memory manager, app/err (reports), the install folder (settings),
// the tag reader (identity entry), the OS layer's directory listing and glibc's fopencookie.
// One thread; one current entry.
#include "data/lmo.h"

#include <strings.h>
#include <sys/types.h>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/err.h"
#include "core/log.h"
#include "core/mem.h"
#include "core/settings.h"
#include "data/lmo_format.h"
#include "data/tag.h"
#include "platform/os/os.h"

char LMO_CurrentCID[32] = "CID_NULL";
uint8_t* LMO_Buffer = nullptr;
int LMO_Size = 0;

namespace {

constexpr int kNameSize = 256;    // a whole file name (the file system allows 255 bytes)

struct LmoArchive {
    char fileName[kNameSize];     // as listed, no folder
    uint8_t* table;               // header + entry table: one block tagged with the file name
    LmoEntry* entries;            // table + 20
    int count;
    uint8_t main;                 // "Zandor.lmo" in any case
};

struct LmoType {
    char prefix[4];
    LmoLoader loader;
    uint8_t keep;
};

// One slot more than may be kept: the 11th archive is opened and checked before it is refused.
LmoArchive g_archives[LMO_MaxArchives + 1];
int g_archiveCount = 0;

constexpr LmoType kBuiltInTypes[] = {
    {"TEX", nullptr, 0}, {"PAG", nullptr, 0}, {"MTL", nullptr, 1}, {"SND", nullptr, 0},
    {"OGG", nullptr, 1}, {"-M-", nullptr, 0}, {"TXT", nullptr, 0}, {"VSH", nullptr, 0},
    {"PUP", nullptr, 1}, {"LEV", nullptr, 0}, {"BFM", nullptr, 1},
};
constexpr int kBuiltInCount = (int)(sizeof kBuiltInTypes / sizeof kBuiltInTypes[0]);
constexpr char kMaterialStep[] = "-M-";

LmoType g_types[LMO_MaxTypes];
int g_typeCount = -1;             // -1: the built-in rows are not in yet

uint8_t g_keep = 0;               // keep flag of the current entry
int g_processed = 0;              // main-archive entries the bulk load has gone through
int g_total = 0;                  // entries of the main archive(s)
float g_shown = 0.0f;             // last progress value shown
LmoHooks g_hooks;

void EnsureTypes()
{
    if (g_typeCount >= 0) return;
    for (int i = 0; i < kBuiltInCount; i++) g_types[i] = kBuiltInTypes[i];
    g_typeCount = kBuiltInCount;
}

std::string ArchivePath(const char* fileName)
{
    return APP_InstallDir + "/" + fileName;
}

FILE* OpenArchiveFile(const LmoArchive& a)
{
    return fopen(ArchivePath(a.fileName).c_str(), "rb");
}

bool FileSize(FILE* f, uint64_t* size)
{
    if (fseeko(f, 0, SEEK_END) != 0) return false;
    off_t end = ftello(f);
    if (end < 0 || fseeko(f, 0, SEEK_SET) != 0) return false;
    *size = (uint64_t)end;
    return true;
}

void FreeTable(LmoArchive& a)
{
    if (a.table) MEM_Free(a.table, a.fileName);
    a.table = nullptr;
    a.entries = nullptr;
    a.count = 0;
    a.main = 0;
}

int FindIn(const LmoArchive& a, const char* cid)
{
    for (int i = 0; i < a.count; i++)
        if (strcmp(a.entries[i].cid, cid) == 0) return i;
    return -1;
}

// Reads one entry into a fresh buffer and makes it the current entry.
uint8_t* LoadEntry(LmoArchive& a, int index, uint8_t keep)
{
    LMO_Release();
    LmoEntry& e = a.entries[index];
    if (e.taken) return nullptr;
    snprintf(LMO_CurrentCID, sizeof LMO_CurrentCID, "%s", e.cid);
    g_keep = keep;

    FILE* f = OpenArchiveFile(a);
    if (!f) {
        LMO_Release();
        return nullptr;
    }
    uint8_t* buffer = (uint8_t*)MEM_Alloc((size_t)e.size + 1, LMO_CurrentCID);
    if (!buffer) {
        fclose(f);
        LMO_Release();
        return nullptr;
    }
    size_t got = 0;
    if (fseeko(f, (off_t)e.offset, SEEK_SET) == 0) got = fread(buffer, 1, e.size, f);
    fclose(f);
    if (got != e.size) {
        // The file changed under us since it was opened: never hand out a partly filled buffer.
        LOG_Write("LMO : Could not read %s from %s", LMO_CurrentCID, a.fileName);
        MEM_Free(buffer, LMO_CurrentCID);
        LMO_Release();
        return nullptr;
    }
    buffer[e.size] = 0;
    LMO_Buffer = buffer;
    LMO_Size = (int)e.size;
    if (keep) e.taken = 1;
    return buffer;
}

// ---- The identity entry: "#GAMEID" followed by the game's code --------------------------------

// The identity text holds the tag "#GAMEID" followed by the game's code, both in any case.
bool NamesThisGame(const char* text)
{
    char token[TAG_TOKEN_SIZE];
    bool ok = TAG_FindTag(text, "GAMEID") && TAG_NextToken(token, sizeof token) &&
              strcasecmp(token, "ZNDR") == 0;
    TAG_Close();   // the reader must not keep pointing into the entry's buffer
    return ok;
}

bool IdentityOk(LmoArchive& a)
{
    int index = FindIn(a, "TXT_GAMEID");
    if (index < 0) return false;
    uint8_t* text = LoadEntry(a, index, 0);
    bool ok = text && NamesThisGame((const char*)text);
    LMO_Release();
    return ok;
}

// ---- Opening ------------------------------------------------------------------------------------

bool Damaged(const char* fileName, LmoCheck why)
{
    LOG_Write("LMO : %s : %s", fileName, LMO_CheckName(why));
    return ERR_Fatal("LMO file is damaged : %s", fileName);
}

bool IsArchiveName(const std::string& name)
{
    // Longer than ".lmo" itself, and ending in ".lmo" in any case (so "x.lmo.bak" is not one).
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".lmo") == 0;
}

bool OpenArchive(const std::string& fileName)
{
    if (fileName.size() >= (size_t)kNameSize) return true;   // cannot be one of ours
    std::string path = ArchivePath(fileName.c_str());
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return true;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return true;

    uint64_t fileSize = 0;
    uint8_t header[LMO_HeaderSize] = {};
    size_t got = 0;
    if (FileSize(f, &fileSize)) got = fread(header, 1, sizeof header, f);
    LMO_Descramble(header);
    if (got == sizeof header && memcmp(header, LMO_Magic, 3) != 0) {
        fclose(f);
        return ERR_Fatal("LMO file does not match EXE");
    }
    int count = 0;
    LmoCheck check = got == sizeof header ? LMO_CheckHeader(header, fileSize, &count) : LMO_CHECK_SHORT;
    if (check != LMO_CHECK_OK) {
        fclose(f);
        return Damaged(fileName.c_str(), check);
    }

    LmoArchive& a = g_archives[g_archiveCount];
    snprintf(a.fileName, sizeof a.fileName, "%s", fileName.c_str());
    size_t tableSize = (size_t)LMO_HeaderSize + (size_t)count * LMO_EntrySize;
    a.table = (uint8_t*)MEM_Alloc(tableSize, a.fileName);
    if (!a.table) {
        fclose(f);
        return false;
    }
    got = 0;
    if (fseeko(f, 0, SEEK_SET) == 0) got = fread(a.table, 1, tableSize, f);
    fclose(f);
    if (got == tableSize) LMO_Descramble(a.table);
    if (got != tableSize || memcmp(a.table, header, LMO_HeaderSize) != 0) {
        FreeTable(a);
        return Damaged(fileName.c_str(), LMO_CHECK_TABLE);
    }
    a.entries = (LmoEntry*)(a.table + LMO_HeaderSize);
    a.count = count;
    for (int i = 0; i < count; i++) {
        check = LMO_CheckEntry(a.entries[i], fileSize);
        if (check != LMO_CHECK_OK) {
            FreeTable(a);
            return Damaged(fileName.c_str(), check);
        }
        a.entries[i].taken = 0;
    }

    if (!IdentityOk(a)) {
        FreeTable(a);
        ERR_InvalidResources("Invalid LMO Files Found : LM89");
        return false;
    }

    char mainName[64];
    snprintf(mainName, sizeof mainName, "%s.lmo", APP_ProductName);
    a.main = strcasecmp(a.fileName, mainName) == 0;
    if (a.main) g_total += count;

    if (g_archiveCount == LMO_MaxArchives) {
        FreeTable(a);
        return ERR_Fatal("LMO : Too many LMO files found !");
    }
    g_archiveCount++;
    LOG_Write("LMO : Opened %s (%d entries%s)", a.fileName, count, a.main ? ", main" : "");
    return true;
}

// ---- Streams of one entry -----------------------------------------------------------------------

struct EntryStream {
    FILE* file;
    int64_t start;     // entry offset in the archive file
    int64_t size;
    int64_t pos;       // relative to the entry's first byte
};

ssize_t StreamRead(void* cookie, char* buf, size_t size)
{
    EntryStream* s = (EntryStream*)cookie;
    int64_t left = s->size - s->pos;
    if (left <= 0) return 0;
    if ((int64_t)size > left) size = (size_t)left;
    size_t got = fread(buf, 1, size, s->file);
    s->pos += (int64_t)got;
    return (ssize_t)got;
}

int StreamSeek(void* cookie, off64_t* offset, int whence)
{
    EntryStream* s = (EntryStream*)cookie;
    int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? s->pos : s->size;
    int64_t target = base + (int64_t)*offset;
    if (target < 0 || target > s->size) return -1;
    if (fseeko(s->file, (off_t)(s->start + target), SEEK_SET) != 0) return -1;
    s->pos = target;
    *offset = (off64_t)target;
    return 0;
}

int StreamClose(void* cookie)
{
    EntryStream* s = (EntryStream*)cookie;
    int rc = fclose(s->file);
    MEM_Free(s, "LMO_OpenCID");
    return rc;
}

// Only reading is allowed: nothing may write into an archive through a stream.
bool IsReadMode(const char* mode)
{
    return mode && (strcasecmp(mode, "r") == 0 || strcasecmp(mode, "rb") == 0 || strcasecmp(mode, "rt") == 0);
}

// ---- Bulk load ----------------------------------------------------------------------------------

bool LoadType(const LmoType& type)
{
    for (int ai = 0; ai < g_archiveCount; ai++) {
        LmoArchive& a = g_archives[ai];
        if (!a.main) continue;
        for (int i = 0; i < a.count; i++) {
            if (strncmp(a.entries[i].cid, type.prefix, 3) != 0) continue;
            // The entry in hand is loaded, not the first of its name: an archive listed before the
            // main one may hold the same CID, and the main archive's copy is the one to bulk-load.
            if (type.loader) {
                char cid[LMO_CidSize];
                snprintf(cid, sizeof cid, "%s", a.entries[i].cid);
                uint8_t* data = LoadEntry(a, i, type.keep);
                if (data) type.loader(cid, data, LMO_Size);
            }
            float fraction = g_total > 0 ? (float)g_processed / (float)g_total : 0.0f;
            g_processed++;
            if (fraction > g_shown + 0.01f) {
                if (g_hooks.showProgress) g_hooks.showProgress(fraction);
                g_shown = fraction;
            }
            if (APP_Quit) return false;
        }
    }
    return true;
}

} // namespace

void LMO_AddType(const char* prefix, LmoLoader loader, uint8_t keep)
{
    EnsureTypes();
    if (g_typeCount >= LMO_MaxTypes) {
        ERR_Fatal("LMO : Added too many file types.");
        return;
    }
    LmoType& t = g_types[g_typeCount++];
    snprintf(t.prefix, sizeof t.prefix, "%s", prefix ? prefix : "");
    t.loader = loader;
    t.keep = keep;
}

bool LMO_SetLoader(const char* prefix, LmoLoader loader)
{
    EnsureTypes();
    if (!prefix) return false;
    for (int i = 0; i < g_typeCount; i++) {
        if (strcmp(g_types[i].prefix, prefix) == 0) {
            g_types[i].loader = loader;
            return true;
        }
    }
    return false;
}

bool LMO_OpenAll()
{
    EnsureTypes();
    LMO_CloseAll();
    g_processed = 0;
    g_total = 0;
    g_shown = 0.0f;
    // Every plain file is listed and the names are matched here: ".lmo" is to match in any case.
    for (const std::string& name : os::OS_ListDir(APP_InstallDir, nullptr)) {
        if (!IsArchiveName(name)) continue;
        if (!OpenArchive(name)) return false;
    }
    return true;
}

bool LMO_LoadAll()
{
    EnsureTypes();
    if (g_hooks.loadScreenTextures) g_hooks.loadScreenTextures();
    for (int i = 0; i < g_typeCount; i++) {
        const LmoType& type = g_types[i];
        if (strcmp(type.prefix, kMaterialStep) == 0) {
            if (type.loader) type.loader(nullptr, nullptr, 0);
            continue;
        }
        if (!LoadType(type)) return false;
    }
    if (g_hooks.texturesDone) g_hooks.texturesDone();
    return true;
}

bool LMO_Find(const char* cid, int* archive, int* entry)
{
    if (!cid) return false;
    for (int ai = 0; ai < g_archiveCount; ai++) {
        int i = FindIn(g_archives[ai], cid);
        if (i >= 0) {
            if (archive) *archive = ai;
            if (entry) *entry = i;
            return true;
        }
    }
    return false;
}

bool LMO_Exists(const char* cid)
{
    return LMO_Find(cid, nullptr, nullptr);
}

uint8_t* LMO_Load(const char* cid, uint8_t keep)
{
    int ai = 0, i = 0;
    if (!LMO_Find(cid, &ai, &i)) {
        LMO_Release();
        return nullptr;
    }
    return LoadEntry(g_archives[ai], i, keep);
}

uint8_t* LMO_LoadFrom(const char* cid, int archive, uint8_t keep)
{
    if (!cid || archive < 0 || archive >= g_archiveCount) {
        LMO_Release();
        return nullptr;
    }
    int i = FindIn(g_archives[archive], cid);
    if (i < 0) {
        LMO_Release();
        return nullptr;
    }
    return LoadEntry(g_archives[archive], i, keep);
}

void LMO_Release()
{
    if (LMO_Buffer && !g_keep) MEM_Free(LMO_Buffer, LMO_CurrentCID);
    snprintf(LMO_CurrentCID, sizeof LMO_CurrentCID, "%s", "CID_NULL");
    LMO_Buffer = nullptr;
    LMO_Size = 0;
    g_keep = 0;
}

void LMO_Untake(const char* cid)
{
    int ai = 0, i = 0;
    if (LMO_Find(cid, &ai, &i)) g_archives[ai].entries[i].taken = 0;
}

FILE* LMO_OpenCID(const char* cid, const char* mode)
{
    if (!cid) cid = "";
    if (!IsReadMode(mode)) {
        ERR_Fatal("LMO_OpenCID used with illegal permissions : %s", cid);
        return nullptr;
    }
    int ai = 0, i = 0;
    if (!LMO_Find(cid, &ai, &i)) {
        LOG_Write("LMO_OpenCID : Could Not Find The CID (%s)", cid);
        return nullptr;
    }
    const LmoArchive& a = g_archives[ai];
    const LmoEntry& e = a.entries[i];
    FILE* f = OpenArchiveFile(a);
    if (!f) {
        LOG_Write("LMO_OpenCID : Could Load The Lmo (%s)", a.fileName);
        return nullptr;
    }
    if (fseeko(f, (off_t)e.offset, SEEK_SET) != 0) {
        fclose(f);
        LOG_Write("LMO_OpenCID : Could Load The Lmo (%s)", a.fileName);
        return nullptr;
    }
    EntryStream* s = (EntryStream*)MEM_Alloc(sizeof(EntryStream), "LMO_OpenCID");
    if (!s) {
        fclose(f);
        return nullptr;
    }
    *s = EntryStream{f, (int64_t)e.offset, (int64_t)e.size, 0};
    cookie_io_functions_t io = {StreamRead, nullptr, StreamSeek, StreamClose};
    FILE* stream = fopencookie(s, "rb", io);
    if (!stream) {
        fclose(f);
        MEM_Free(s, "LMO_OpenCID");
        return nullptr;
    }
    LMO_Release();
    LMO_Size = (int)e.size;
    return stream;
}

int LMO_LoadTexture(const char* cid)
{
    uint8_t* data = LMO_Load(cid, 0);
    if (!data || !g_hooks.createTexture) return 0;
    return g_hooks.createTexture(cid, data, LMO_Size);
}

bool LMO_LoadTempTexture(int slot, const char* cid)
{
    uint8_t* data = LMO_Load(cid, 0);
    if (!data || !g_hooks.tempTexture) return false;
    return g_hooks.tempTexture(slot, cid, data, LMO_Size);
}

void LMO_SetHooks(const LmoHooks& hooks)
{
    g_hooks = hooks;
}

int LMO_ArchiveCount()
{
    return g_archiveCount;
}

const char* LMO_ArchiveName(int archive)
{
    return archive >= 0 && archive < g_archiveCount ? g_archives[archive].fileName : "";
}

bool LMO_IsMain(int archive)
{
    return archive >= 0 && archive < g_archiveCount && g_archives[archive].main;
}

int LMO_EntryCount(int archive)
{
    return archive >= 0 && archive < g_archiveCount ? g_archives[archive].count : 0;
}

const char* LMO_EntryCID(int archive, int entry)
{
    if (archive < 0 || archive >= g_archiveCount) return "";
    const LmoArchive& a = g_archives[archive];
    return entry >= 0 && entry < a.count ? a.entries[entry].cid : "";
}

int LMO_TypeCount()
{
    EnsureTypes();
    return g_typeCount;
}

float LMO_Progress()
{
    return g_shown;
}

void LMO_CloseAll()
{
    LMO_Release();
    for (int i = 0; i < g_archiveCount; i++) FreeTable(g_archives[i]);
    g_archiveCount = 0;
}

void LMO_ResetForTests()
{
    LMO_CloseAll();
    g_typeCount = -1;
    EnsureTypes();
    g_processed = 0;
    g_total = 0;
    g_shown = 0.0f;
    g_hooks = LmoHooks{};
}
