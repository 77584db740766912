// render/material — materials and the render queue.
//
// A material is a named drawing recipe (texture, blend mode, addressing, lighting, culling and
// depth switches) plus the geometry queued for it this frame. Every material sits in one list
// sorted by drawing order; MTL_Flush walks it once per frame, so the 3D scene is drawn by
// category: backgrounds, opaque geometry, effects, decals, alpha-blended geometry, overlays.
// Two kinds of batch: MRM_Chunk collects mesh parts (vertex/index buffers, one world matrix
// each); MRM_Quad<...> collects loose triangles and quads of one vertex type in blocks of
// frame-scratch memory and draws them from memory.
//
// Depends on: render/draw (state cache, blend modes, vertex types, lights), render/texture
// (TEX_Find, alpha), render/device (DEV_Device), render/mesh (the mesh record's buffers),
// data/tag (material texts), data/lmo (loader rows), core/mem (MEM_F_Alloc), core/log, app/err.
// Limits: material ids 1–255 (a 256th is silently not made); materials are never freed; queued
// batches live until the next MTL_Flush or MTL_DropBatches and never past the frame scratch reset.
#pragma once
#include <cstdint>

#include "core/math.h"
#include "data/mesh_format.h"
#include "render/draw.h"

struct Object;       // a scene object (owner of ready-made quad blocks)
struct MESH_Slot;    // render/mesh: a mesh record with its device buffers

constexpr int MTL_MaxMaterials = 256;   // ids 1–255; id 0 is "no material"
constexpr int MTL_DefaultOrder = 50;

// Material kinds.
enum : int { MTL_KIND_CHUNK = 1, MTL_KIND_PRCT = 2, MTL_KIND_PNCT = 3, MTL_KIND_PCT = 4 };

// A block of queued vertices: both the record and its vertex array come from MEM_F_Alloc.
template <class V>
struct QuadBuffer {
    V* vertices;
    int count;                   // vertices used
    int capacity;                // vertices the array holds
    QuadBuffer* next;
    Object* owner;               // drawn with the owner's world matrix; null = identity
};
using QuadBuffer_PRCT = QuadBuffer<PRCT_Vect>;
using QuadBuffer_PNCT = QuadBuffer<PNCT_Vect>;
using QuadBuffer_PCT = QuadBuffer<PCT_Vect>;

// One queued mesh part (frame scratch). The part record is copied so that a mesh copy freed
// before the flush cannot leave the node pointing into freed memory.
struct MRM_ChunkNode {
    MeshPart part;
    MESH_Slot* mesh;             // its vertex and index buffers at flush time
    Mat4 world;
    MRM_ChunkNode* next;
};

class Material {
public:
    char name[32];               // the CID
    const char* sourceText;      // the entry's text for the settings pass, or null
    int kind;                    // MTL_KIND_*
    int order;                   // drawing order
    int texture;                 // texture slot; 0 = white
    int blend;                   // engine blend mode
    Material* next;              // the sorted list
    uint32_t clamp;              // DRW_SetAddress flags
    bool unlit, noFog, noCull, noZBuffer;
    void* batchHead;             // first queued item of this frame, or null

    // The queue operations, in slot order. Vertex pointers point at the material's vertex type;
    // the add operations return the first appended vertex (null when nothing was added).
    virtual void Clear();
    virtual void ReadSettings(const char* text);
    virtual void Flush();
    virtual void DropBatches();
    virtual void AddChunk(const MeshPart* part, MESH_Slot* mesh, const Mat4* world);
    virtual void* AddQuad(const void* a, const void* b, const void* c, const void* d);
    virtual void* AddQuadArray(const void* v);        // four vertices TL, TR, BL, BR
    virtual void* AddTriangle(const void* a, const void* b, const void* c);
    virtual void* AddTriangleArray(const void* v);    // three vertices
    virtual void AddBlock(void* block);               // a ready QuadBuffer of the material's type
    virtual ~Material() = default;
};

// Mesh parts, drawn from the meshes' device buffers.
class MRM_Chunk final : public Material {
public:
    void Clear() override;
    void Flush() override;
    void DropBatches() override;
    void AddChunk(const MeshPart* part, MESH_Slot* mesh, const Mat4* world) override;
};

// Loose triangles of vertex type V in blocks of N vertices, drawn from memory with format FVF.
template <class V, uint32_t FVF, class QB, int N>
class MRM_Quad final : public Material {
public:
    static_assert(N * sizeof(V) < 1024, "a block's vertex array must fit one scratch allocation");
    QB* batchTail;               // the block being filled

    void Clear() override;
    void ReadSettings(const char* text) override;
    void Flush() override;
    void DropBatches() override;
    void* AddQuad(const void* a, const void* b, const void* c, const void* d) override;
    void* AddQuadArray(const void* v) override;
    void* AddTriangle(const void* a, const void* b, const void* c) override;
    void* AddTriangleArray(const void* v) override;
    void AddBlock(void* block) override;

private:
    V* Reserve(int n);           // room for n vertices at the tail; null when memory ran out
};
using MRM_QuadPRCT = MRM_Quad<PRCT_Vect, DRW_FVF_PRCT, QuadBuffer_PRCT, 35>;
using MRM_QuadPNCT = MRM_Quad<PNCT_Vect, DRW_FVF_PNCT, QuadBuffer_PNCT, 27>;
using MRM_QuadPCT = MRM_Quad<PCT_Vect, DRW_FVF_PCT, QuadBuffer_PCT, 41>;
// The three instances are the only ones; material.cpp defines them.
extern template class MRM_Quad<PRCT_Vect, DRW_FVF_PRCT, QuadBuffer_PRCT, 35>;
extern template class MRM_Quad<PNCT_Vect, DRW_FVF_PNCT, QuadBuffer_PNCT, 27>;
extern template class MRM_Quad<PCT_Vect, DRW_FVF_PCT, QuadBuffer_PCT, 41>;

// ---- Registry ----
void MTL_Reset();                                  // start-up: no materials, count 1
int MTL_Load_MEM(const char* name, const char* text);   // "MTL" entry → id (0: none made)
void MTL_ReadAll();                                // settings pass over every material with text
void MTL_ReadSettings(Material* m, const char* text);   // TEX0, BLEND, CLAMP and the switches
// A new material; texture is its slot, known before it joins the sorted list. 0 on failure.
int MTL_Create(const char* name, int kind, int order, int texture = 0);
// The material for a texture: "MTL" + the name after its first three characters + suffix.
// kind −1 only looks it up. Alpha textures get order "ALPHA" (or orderName) and blend −1.
int MTL_FromTexture(const char* textureName, int kind, const char* suffix, const char* orderName);
int MTL_Find(const char* name);                    // exact; 0 when none or empty
Material* MTL_Get(int id);                         // null for 0 and unused ids
int MTL_OrderFromName(const char* name);           // unknown: logged, 50
void MTL_ApplyState(const Material* m, uint32_t stage);
void MTL_Flush();                                  // draw every batch in list order, then restore state
void MTL_DropBatches();                            // forget every batch (after a device reset)
void MTL_LogAll();                                 // "Material CIDs ..." and every name in list order

// Owners of ready-made blocks are scene objects; until they exist the world matrix of an
// owner comes through this function (null: owned blocks draw with the identity).
void MTL_SetOwnerMatrix(const Mat4* (*ownerMatrix)(Object* owner));

// Archive rows: "MTL" entries and the "-M-" settings step.
void MTL_RegisterLoaders();
void MTL_FromLmo(const char* cid, uint8_t* data, int size);  // keeps the text of a material it makes
void MTL_SettingsStep(const char* cid, uint8_t* data, int size);  // the "-M-" row: MTL_ReadAll

// Inspection (tests, tools).
int MTL_Count();                                   // one more than the highest id
Material* MTL_ListHead();                          // first material in drawing order

void MTL_ResetForTests();                          // frees every material, then MTL_Reset
