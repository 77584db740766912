// data/lmo — the LMO archives of the install folder: named entries (CIDs) found, loaded into
// memory or opened as read streams, the content-type table and the bulk load at start-up.
//
// Depends on the log, the memory manager, the reports (app/err), the install folder and the OS
// layer's directory listing. At most 10 archives and 39 content types; CIDs are at most 31
// characters and compared byte for byte. Damaged archives are refused whole at open time.
//
// How a module plugs its loader into the bulk load:
//  - for a built-in type (TEX, MTL, SND, OGG, BFM, …) call LMO_SetLoader("TEX", TEX_FromLmo)
//    once during start-up, before LMO_LoadAll; for the "-M-" step row the loader is called once,
//    with no CID, after every texture and material has been loaded;
//  - for a type the start-up content load appends (LED, PFX) pass the loader to LMO_AddType.
// A loader gets the entry's CID, bytes (followed by one zero byte) and size. When the row keeps
// its entries the loader owns the bytes and frees them with MEM_Free(data, cid); otherwise it
// must copy what it needs before it returns.
#pragma once
#include <cstdint>
#include <cstdio>

constexpr int LMO_MaxArchives = 10;
constexpr int LMO_MaxTypes = 39;

using LmoLoader = void (*)(const char* cid, uint8_t* data, int size);

// The current entry: the last one loaded (or "CID_NULL", no buffer and size 0).
extern char LMO_CurrentCID[32];
extern uint8_t* LMO_Buffer;      // the entry's bytes and a zero byte, or null
extern int LMO_Size;             // bytes of the entry (without the zero)

void LMO_AddType(const char* prefix, LmoLoader loader, uint8_t keep);  // 40th row: fatal report
bool LMO_SetLoader(const char* prefix, LmoLoader loader);  // fills an existing row; false if none
bool LMO_OpenAll();               // opens every "*.lmo" of the install folder; false when one was refused
bool LMO_LoadAll();               // the bulk load of the main archive, type by type; false when stopped
bool LMO_Find(const char* cid, int* archive, int* entry);  // first match over archives in order
bool LMO_Exists(const char* cid);
uint8_t* LMO_Load(const char* cid, uint8_t keep);          // becomes the current entry; null if missing or taken
uint8_t* LMO_LoadFrom(const char* cid, int archive, uint8_t keep);  // as LMO_Load, one archive only
void LMO_Release();               // frees the current buffer unless kept; current entry := none
void LMO_Untake(const char* cid); // a kept entry may be loaded again
FILE* LMO_OpenCID(const char* cid, const char* mode);     // read stream of the entry alone; sets LMO_Size
int LMO_LoadTexture(const char* cid);                      // texture number, 0 when it cannot be had
bool LMO_LoadTempTexture(int slot, const char* cid);       // archive texture into a temporary slot

// What the bulk load and the texture helpers need from the texture table and the loading screen.
struct LmoHooks {
    int (*createTexture)(const char* cid, const uint8_t* data, int size) = nullptr;  // create or replace
    bool (*tempTexture)(int slot, const char* cid, const uint8_t* data, int size) = nullptr;
    void (*texturesDone)() = nullptr;           // after the bulk load: the texture table's start-up work
    void (*loadScreenTextures)() = nullptr;     // before the bulk load: the loading bar's textures
    void (*showProgress)(float fraction) = nullptr;  // the loading bar
};
void LMO_SetHooks(const LmoHooks& hooks);

// Inspection (logs, tools, tests).
int LMO_ArchiveCount();
const char* LMO_ArchiveName(int archive);  // file name without folder; "" when out of range
bool LMO_IsMain(int archive);
int LMO_EntryCount(int archive);
const char* LMO_EntryCID(int archive, int entry);  // "" when out of range
int LMO_TypeCount();
float LMO_Progress();             // last progress value shown (0–1)

void LMO_CloseAll();              // frees every table and the current buffer (shutdown)
void LMO_ResetForTests();         // LMO_CloseAll, built-in type rows only, hooks cleared
