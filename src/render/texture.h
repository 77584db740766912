// render/texture — the fixed table of 609 texture slots. The first 98 slots have names fixed
// in the program (effects, widgets, fonts, temporary page and loading-screen slots) so code can
// use them by number; every other texture takes a free slot from 353 upwards as it loads.
// Textures are decoded from an archive entry's bytes (PNG, JPEG, BMP, DDS) and survive device
// resets.
//
// Depends on: render/device (the device), platform/gfx (decoding and texture creation),
// data/lmo (temporary textures read their entry), core/log, app/err (fatal reports).
// Limits: 609 slots, 256 of them dynamic (353–608); 100 point-filter names; names are at most
// 31 characters; one mip level per texture.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/gfx/gfx.h"

constexpr int TEX_MaxSlots = 609;
constexpr int TEX_FirstDynamic = 353;
constexpr int TEX_MaxPointFilter = 100;

// Fixed slots the engine uses by number.
constexpr int TEX_SLOT_WHITE = 1;         // "TEX_FX_WHITE": what drawing binds for texture 0
constexpr int TEX_SLOT_GLARE = 2;         // "TEX_FX_GLARE": 2 × 2 frames

struct TEX_Slot {
    char name[32];               // the CID; empty = free
    gfx::Texture* texture;       // null while nothing is loaded
    bool hasAlpha;               // false for 24-bit, 32-bit-without-alpha and DXT1 sources
    float width, height;         // the source image's own size in pixels
};
extern TEX_Slot TEX_Table[TEX_MaxSlots];

void TEX_Init();                                   // textures null; dynamic names cleared; fixed names stay
int TEX_Find(const char* name);                    // slots 1–608, exact match; 0 when none
int TEX_FreeSlot();                                // first unnamed slot from 353; "DT0" fatal and 0 when full
int TEX_LoadNamed(const char* name, const void* bytes, size_t size);  // the "TEX" entry handler
int TEX_LoadSlot(int slot, const void* bytes, size_t size);  // slot, or 0 on failure
void TEX_Release(int slot);                        // texture released, name emptied
bool TEX_LoadTemporary(int slot, const char* name);  // refill a temporary slot from the archive
bool TEX_FillTemporary(int slot, const char* name, const void* bytes, size_t size);  // same, bytes given
void TEX_AddPointFilter(const char* name);         // textures of this name get point filtering
bool TEX_IsPointFiltered(const char* name);        // case-insensitive

// Plugging into the archive's bulk load: registers TEX_FromLmo as the "TEX" row's loader.
void TEX_RegisterLoader();
void TEX_FromLmo(const char* cid, uint8_t* data, int size);       // LMO loader signature
int TEX_HookCreate(const char* cid, const uint8_t* data, int size);  // LmoHooks::createTexture
bool TEX_HookTemporary(int slot, const char* cid, const uint8_t* data, int size);  // LmoHooks::tempTexture

void TEX_ResetForTests();                          // releases every texture, restores the fixed names
