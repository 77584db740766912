// render/mesh — the mesh table: binary mesh images ("BFM" entries) used in place, per-object
// copies, device buffers made on first draw and after every device reset, and queuing a mesh's
// parts into their chunk materials.
//
// The image keeps its 32-bit offsets (see data/mesh_format.h); every offset, count and index is
// validated when it loads, and a bad image is refused, never drawn. Pick, collision and skinning
// sections are reached through the MESHF_ views on MESH_Get(id)->data.
// Depends on: data/mesh_format, render/material (MTL_FromTexture, MTL_Get, AddChunk),
// render/device (DEV_Device), data/lmo (the "BFM" row), core/mem, core/log, app/err. The scene
// layer above tells it about objects through MESH_SetObjectSource (it never includes the scene).
// Limits: 601 slots, ids 1–599; at most 65536 vertices and 10 textures per mesh; only copies are
// ever freed.
#pragma once
#include <cstdint>

#include "core/math.h"
#include "data/mesh_format.h"
#include "platform/gfx/gfx.h"

struct Object;   // scene/object: known here only by name

// Gives an object's (null: the current object's) model and, when world is not null, its world
// matrix; false when there is no such object. The scene installs it when its lists are set up.
using MESH_ObjectSource = bool (*)(const Object* obj, int* model, const Mat4** world);
void MESH_SetObjectSource(MESH_ObjectSource source);

constexpr int MESH_MaxSlots = 601;
constexpr int MESH_MaxId = 599;

enum : int { MESH_FREE = 0, MESH_LOADED = 1, MESH_COPY = 2 };

struct MESH_Slot {
    char name[32];               // the CID (a copy may keep its source's name)
    int state;                   // MESH_FREE, MESH_LOADED, MESH_COPY
    uint8_t* data;               // the mesh image (validated)
    int size;                    // its bytes
    uint8_t dirty;               // the device buffers must be (re)filled
    gfx::VertexBuffer* vertexBuffer;  // null until first drawn
    gfx::IndexBuffer* indexBuffer;    // null until first drawn
};

void MESH_Reset();                                 // releases buffers and copies, empties every slot
int MESH_Load(const char* name, uint8_t* bytes, int size);  // → id; 0 when refused (bytes stay the caller's)
int MESH_Find(const char* name);                   // exact; 0 when none or empty
int MESH_Copy(int id, const char* newName);        // a private copy (own image and buffers) → id
void MESH_Free(int id);                            // a copy: buffers, image and slot released
void MESH_FreeIfCopy(int id);                      // MESH_Free when id names a copy
void MESH_FreeCopies();                            // every copy (when a game mode ends)
void MESH_ReleaseBuffers(int id);                  // drop one slot's device buffers
void MESH_ReleaseAllBuffers();                     // before a device reset
void MESH_Draw(int id, const Mat4* world);         // queue every part (null world: identity)
bool MESH_IsNamed(const char* name, int id);       // the mesh of that id has exactly that name
bool MESH_IsNamed(const char* name, const Object* obj);   // the object's (null: the current object's) mesh
void MESH_DrawCurrent();                           // MESH_Draw of OBJ_Current's mesh with its world matrix
MESH_Slot* MESH_Get(int id);                       // null for 0, out of range and free slots
const MeshHeader* MESH_Header(int id);             // the image header of a used slot, or null
void MESH_SetDirty(int id);                        // vertices changed (skinning): refill on next draw
int MESH_Count();                                  // one more than the highest id in use

// Archive row "BFM": loads the entry and frees its bytes when the mesh is refused.
void MESH_RegisterLoader();
void MESH_FromLmo(const char* cid, uint8_t* data, int size);

void MESH_ResetForTests();                         // MESH_Reset
