// render/material — the material registry, the sorted drawing list and the two kinds of batch.
//
// Materials are made while the archives load (from "MTL" texts, or from a texture when meshes
// and particle effects load) and live for the whole run. Batches are frame-scratch memory:
// filled during the frame, drawn and forgotten by MTL_Flush.
// Depends on: render/draw, render/texture, render/device, render/mesh, data/tag, data/lmo,
// core/mem, core/log, app/err. Limits: 255 materials; names cut to 31 characters.
#include "render/material.h"

#include <cstdio>
#include <cstring>

#include "app/err.h"
#include "core/log.h"
#include "core/mem.h"
#include "data/lmo.h"
#include "data/tag.h"
#include "render/device.h"
#include "render/mesh.h"
#include "render/texture.h"

namespace {

Material* g_materials[MTL_MaxMaterials];
int g_count = 1;
Material* g_head = nullptr;
const Mat4* (*g_ownerMatrix)(Object*) = nullptr;

// The identity, kept here so flushing never depends on start-up order.
const Mat4 kIdentity = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

struct OrderName {
    const char* name;
    int order;
};
const OrderName kOrders[] = {
    {"BG0", 20}, {"BG1", 21}, {"OPAQUE", 50}, {"BLACKHOLE", 51}, {"BALLS", 55},
    {"FX", 60},  {"DECAL", 70}, {"ALPHA", 80}, {"SCREEN", 90},
};

void SetWorld(const Mat4& m)
{
    if (DEV_Device) DEV_Device->SetTransform(gfx::TS_WORLD, &m.m[0][0]);
}

// Inserts m into the sorted list: before the first material of a greater order; a material of
// the same order and texture as earlier ones joins the end of their group, so one texture's
// materials are drawn together and still in creation order. Otherwise at the end of its order.
void Insert(Material* m)
{
    Material** link = &g_head;
    while (*link) {
        Material* at = *link;
        if (at->order > m->order) break;
        if (at->order == m->order && at->texture == m->texture) {
            while (*link && (*link)->order == m->order && (*link)->texture == m->texture) link = &(*link)->next;
            break;
        }
        link = &at->next;
    }
    m->next = *link;
    *link = m;
}

Material* NewOfKind(int kind)
{
    switch (kind) {
    case MTL_KIND_CHUNK: return new MRM_Chunk();
    case MTL_KIND_PRCT: return new MRM_QuadPRCT();
    case MTL_KIND_PNCT: return new MRM_QuadPNCT();
    case MTL_KIND_PCT: return new MRM_QuadPCT();
    default: return nullptr;
    }
}

// The value token after "#key" in text, copied into out; false when the key is absent.
bool FindValue(const char* text, const char* key, char* out, size_t size)
{
    out[0] = 0;
    if (!TAG_FindTag(text, key)) return false;
    if (!TAG_NextToken(out, size)) out[0] = 0;
    return true;
}

} // namespace

// ---- Material: the defaults for slots a class does not use ----

void Material::Clear() { batchHead = nullptr; }
void Material::ReadSettings(const char*) {}
void Material::Flush() {}
void Material::DropBatches() { batchHead = nullptr; }
void Material::AddChunk(const MeshPart*, MESH_Slot*, const Mat4*) {}
void* Material::AddQuad(const void*, const void*, const void*, const void*) { return nullptr; }
void* Material::AddQuadArray(const void*) { return nullptr; }
void* Material::AddTriangle(const void*, const void*, const void*) { return nullptr; }
void* Material::AddTriangleArray(const void*) { return nullptr; }
void Material::AddBlock(void*) {}

// ---- MRM_Chunk ----

void MRM_Chunk::Clear() { batchHead = nullptr; }
void MRM_Chunk::DropBatches() { batchHead = nullptr; }

void MRM_Chunk::AddChunk(const MeshPart* part, MESH_Slot* mesh, const Mat4* world)
{
    if (!part || !mesh) return;
    MRM_ChunkNode* node = (MRM_ChunkNode*)MEM_F_Alloc(sizeof(MRM_ChunkNode));
    if (!node) return;
    node->part = *part;
    node->mesh = mesh;
    node->world = world ? *world : kIdentity;
    node->next = (MRM_ChunkNode*)batchHead;
    batchHead = node;
}

void MRM_Chunk::Flush()
{
    if (!batchHead) return;
    gfx::Device* dev = DEV_Device;
    if (dev) {
        MTL_ApplyState(this, 0);
        DRW_SetFVF(DRW_FVF_PNCT);
        // Most nodes in a row come from one mesh (every block of a type shares it): its buffers
        // are bound once for the run.
        const gfx::VertexBuffer* boundVb = nullptr;
        const gfx::IndexBuffer* boundIb = nullptr;
        for (MRM_ChunkNode* n = (MRM_ChunkNode*)batchHead; n; n = n->next) {
            MESH_Slot* s = n->mesh;
            // A mesh whose buffers went (a freed copy, a release before a reset) is not drawn.
            if (!s->vertexBuffer || !s->indexBuffer) continue;
            if (s->vertexBuffer != boundVb || s->indexBuffer != boundIb) {
                dev->SetStreamSource(0, s->vertexBuffer, sizeof(PNCT_Vect));
                dev->SetIndices(s->indexBuffer, 0);
                boundVb = s->vertexBuffer;
                boundIb = s->indexBuffer;
            }
            dev->SetTransform(gfx::TS_WORLD, &n->world.m[0][0]);
            dev->DrawIndexedPrimitive(gfx::PT_TRIANGLELIST, n->part.minIndex, n->part.vertexCount,
                                      n->part.startIndex, n->part.primCount);
        }
    }
    batchHead = nullptr;
}

// ---- MRM_Quad ----

template <class V, uint32_t FVF, class QB, int N>
void MRM_Quad<V, FVF, QB, N>::Clear()
{
    batchHead = nullptr;
    batchTail = nullptr;
}

template <class V, uint32_t FVF, class QB, int N>
void MRM_Quad<V, FVF, QB, N>::ReadSettings(const char*)
{
    batchHead = nullptr;
    batchTail = nullptr;
}

template <class V, uint32_t FVF, class QB, int N>
void MRM_Quad<V, FVF, QB, N>::DropBatches()
{
    batchHead = nullptr;
    batchTail = nullptr;
}

template <class V, uint32_t FVF, class QB, int N>
V* MRM_Quad<V, FVF, QB, N>::Reserve(int n)
{
    QB* tail = batchTail;
    if (!batchHead || !tail || tail->count + n >= tail->capacity) {
        QB* block = (QB*)MEM_F_Alloc(sizeof(QB));
        V* verts = block ? (V*)MEM_F_Alloc(sizeof(V) * N) : nullptr;
        if (!verts) return nullptr;
        block->vertices = verts;
        block->count = 0;
        block->capacity = N;
        block->next = nullptr;
        block->owner = nullptr;
        if (!batchHead || !tail) batchHead = block;
        else tail->next = block;
        batchTail = tail = block;
    }
    V* at = tail->vertices + tail->count;
    tail->count += n;
    return at;
}

template <class V, uint32_t FVF, class QB, int N>
void* MRM_Quad<V, FVF, QB, N>::AddQuad(const void* a, const void* b, const void* c, const void* d)
{
    V* p = Reserve(6);
    if (!p) return nullptr;
    // Corners TL, TR, BL, BR: triangles TL-TR-BL and BL-TR-BR.
    p[0] = *(const V*)a;
    p[1] = *(const V*)b;
    p[2] = *(const V*)c;
    p[3] = *(const V*)c;
    p[4] = *(const V*)b;
    p[5] = *(const V*)d;
    return p;
}

template <class V, uint32_t FVF, class QB, int N>
void* MRM_Quad<V, FVF, QB, N>::AddQuadArray(const void* v)
{
    const V* q = (const V*)v;
    return AddQuad(&q[0], &q[1], &q[2], &q[3]);
}

template <class V, uint32_t FVF, class QB, int N>
void* MRM_Quad<V, FVF, QB, N>::AddTriangle(const void* a, const void* b, const void* c)
{
    V* p = Reserve(3);
    if (!p) return nullptr;
    p[0] = *(const V*)a;
    p[1] = *(const V*)b;
    p[2] = *(const V*)c;
    return p;
}

template <class V, uint32_t FVF, class QB, int N>
void* MRM_Quad<V, FVF, QB, N>::AddTriangleArray(const void* v)
{
    const V* t = (const V*)v;
    return AddTriangle(&t[0], &t[1], &t[2]);
}

template <class V, uint32_t FVF, class QB, int N>
void MRM_Quad<V, FVF, QB, N>::AddBlock(void* block)
{
    QB* b = (QB*)block;
    if (!b) return;
    if (!batchHead) {
        b->next = nullptr;
        batchTail = b;
    } else {
        b->next = (QB*)batchHead;
    }
    batchHead = b;
}

template <class V, uint32_t FVF, class QB, int N>
void MRM_Quad<V, FVF, QB, N>::Flush()
{
    if (!batchHead) return;
    gfx::Device* dev = DEV_Device;
    if (dev) {
        MTL_ApplyState(this, 0);
        DRW_SetFVF(FVF);
        for (QB* b = (QB*)batchHead; b; b = b->next) {
            const Mat4* world = &kIdentity;
            if (b->owner && g_ownerMatrix) {
                const Mat4* m = g_ownerMatrix(b->owner);
                if (m) world = m;
            }
            SetWorld(*world);
            // A block can hold at most its capacity; an empty one (a ready block never filled)
            // has nothing to draw.
            int count = b->count < b->capacity ? b->count : b->capacity;
            if (count >= 3 && b->vertices)
                dev->DrawPrimitiveUP(gfx::PT_TRIANGLELIST, (uint32_t)count / 3, b->vertices, sizeof(V));
        }
    }
    batchHead = nullptr;
    batchTail = nullptr;
}

template class MRM_Quad<PRCT_Vect, DRW_FVF_PRCT, QuadBuffer_PRCT, 35>;
template class MRM_Quad<PNCT_Vect, DRW_FVF_PNCT, QuadBuffer_PNCT, 27>;
template class MRM_Quad<PCT_Vect, DRW_FVF_PCT, QuadBuffer_PCT, 41>;

// ---- Registry ----

void MTL_Reset()
{
    for (Material*& m : g_materials) m = nullptr;
    g_count = 1;
    g_head = nullptr;
}

void MTL_ResetForTests()
{
    for (int i = 1; i < g_count; i++) delete g_materials[i];
    g_ownerMatrix = nullptr;
    MTL_Reset();
}

int MTL_OrderFromName(const char* name)
{
    if (name) {
        for (const OrderName& o : kOrders)
            if (strcmp(o.name, name) == 0) return o.order;
    }
    LOG_Fatal("Material Order Not Found : %s", name ? name : "");
    return MTL_DefaultOrder;
}

int MTL_Create(const char* name, int kind, int order, int texture)
{
    if (g_count >= MTL_MaxMaterials) return 0;
    Material* m = NewOfKind(kind);
    if (!m) return 0;
    snprintf(m->name, sizeof m->name, "%s", name ? name : "");
    m->kind = kind;
    m->order = MTL_DefaultOrder;
    m->texture = 0;
    m->blend = 0;
    m->next = nullptr;
    m->clamp = 0;
    m->unlit = m->noFog = m->noCull = m->noZBuffer = false;
    m->batchHead = nullptr;
    m->Clear();
    m->sourceText = nullptr;
    m->order = order;
    m->texture = texture;
    g_materials[g_count++] = m;
    Insert(m);
    return g_count - 1;
}

int MTL_Load_MEM(const char* name, const char* text)
{
    if (g_count >= MTL_MaxMaterials || !text) return 0;
    char word[TAG_TOKEN_SIZE];
    int order = MTL_DefaultOrder;
    if (FindValue(text, "ORDER", word, sizeof word)) order = MTL_OrderFromName(word);
    // The texture is known now (textures load before materials): the sorted list needs it to
    // group materials that share one. The settings pass sets it again from the same word.
    int texture = 0;
    if (FindValue(text, "TEX0", word, sizeof word)) texture = TEX_Find(word);
    bool hasType = FindValue(text, "MRM", word, sizeof word);
    TAG_Close();
    if (!hasType) return 0;

    int kind = 0;
    if (word[0] == 'C') {
        kind = MTL_KIND_CHUNK;
    } else if (word[0] == 'Q') {
        char c = strlen(word) > 6 ? word[6] : 0;
        if (c == 'R') kind = MTL_KIND_PRCT;
        else if (c == 'N') kind = MTL_KIND_PNCT;
        else if (c == 'C') kind = MTL_KIND_PCT;
        else return 0;
    } else {
        ERR_Fatal("MTL_Load_MEM : Unrecognised MRM Type (%s)", word);
        return 0;
    }
    int id = MTL_Create(name, kind, order, texture);
    if (id) g_materials[id]->sourceText = text;
    return id;
}

void MTL_ReadSettings(Material* m, const char* text)
{
    if (!m || !text) return;
    char word[TAG_TOKEN_SIZE];
    if (FindValue(text, "TEX0", word, sizeof word)) m->texture = TEX_Find(word);
    if (FindValue(text, "BLEND", word, sizeof word)) m->blend = DRW_BlendFromWord(word);
    if (TAG_FindTag(text, "CLAMP")) m->clamp = (uint32_t)TAG_ReadInt();
    if (TAG_FindTag(text, "UNLIT")) m->unlit = true;
    if (TAG_FindTag(text, "NOFOG")) m->noFog = true;
    if (TAG_FindTag(text, "NOCULL")) m->noCull = true;
    if (TAG_FindTag(text, "NOZBUFFER")) m->noZBuffer = true;
    TAG_Close();
}

void MTL_ReadAll()
{
    for (Material* m = g_head; m; m = m->next) {
        if (!m->sourceText) continue;
        MTL_ReadSettings(m, m->sourceText);
        m->ReadSettings(m->sourceText);
    }
}

int MTL_Find(const char* name)
{
    if (!name || !name[0]) return 0;
    for (int i = 1; i < g_count; i++)
        if (strcmp(g_materials[i]->name, name) == 0) return i;
    return 0;
}

Material* MTL_Get(int id)
{
    return (id > 0 && id < g_count) ? g_materials[id] : nullptr;
}

int MTL_FromTexture(const char* textureName, int kind, const char* suffix, const char* orderName)
{
    if (g_count >= MTL_MaxMaterials || !textureName) return 0;
    size_t len = strlen(textureName);
    char name[32];
    snprintf(name, sizeof name, "MTL%s%s", textureName + (len < 3 ? len : 3), suffix ? suffix : "");
    int id = MTL_Find(name);
    if (id) return id;
    if (kind == -1) return 0;

    int slot = TEX_Find(textureName);
    bool alpha = slot > 0 && slot < TEX_MaxSlots && TEX_Table[slot].hasAlpha;
    int order = MTL_OrderFromName(orderName ? orderName : (alpha ? "ALPHA" : "OPAQUE"));
    id = MTL_Create(name, kind, order, slot);
    if (!id) return 0;
    g_materials[id]->blend = alpha ? -1 : 0;
    g_materials[id]->texture = slot;
    return id;
}

void MTL_ApplyState(const Material* m, uint32_t stage)
{
    if (!m) return;
    DRW_SetTexture(m->texture, stage);
    DRW_SetBlend(m->blend);
    DRW_SetAddress(m->clamp);
    DRW_SetCull(!m->noCull);
    DRW_SetZEnable(!m->noZBuffer);
    if (DRW_FogOn()) DRW_SetRenderState(gfx::RS_FOGENABLE, m->noFog ? 0u : 1u);
    if (LIGHT_IsEnabled()) DRW_SetRenderState(gfx::RS_LIGHTING, m->unlit ? 0u : 1u);
}

void MTL_Flush()
{
    for (Material* m = g_head; m; m = m->next) m->Flush();
    DRW_SetAddress(0);
    DRW_SetCull(true);
    DRW_SetRenderState(gfx::RS_LIGHTING, 0);
    DRW_SetRenderState(gfx::RS_FOGENABLE, 0);
    DRW_SetZEnable(true);
}

void MTL_DropBatches()
{
    for (Material* m = g_head; m; m = m->next) m->DropBatches();
}

void MTL_LogAll()
{
    LOG_Write("Material CIDs ...");
    for (Material* m = g_head; m; m = m->next) LOG_Write("%s", m->name);
}

void MTL_SetOwnerMatrix(const Mat4* (*ownerMatrix)(Object* owner)) { g_ownerMatrix = ownerMatrix; }

int MTL_Count() { return g_count; }
Material* MTL_ListHead() { return g_head; }

// ---- Archive rows ----

void MTL_FromLmo(const char* cid, uint8_t* data, int size)
{
    // The entry's bytes end with a zero, so they read as text. A material keeps them for the
    // settings pass; an entry that makes no material gives them back.
    if (!data) return;
    if (!MTL_Load_MEM(cid, (const char*)data)) MEM_Free(data, cid);
}

void MTL_SettingsStep(const char*, uint8_t*, int) { MTL_ReadAll(); }

void MTL_RegisterLoaders()
{
    LMO_SetLoader("MTL", MTL_FromLmo);
    LMO_SetLoader("-M-", MTL_SettingsStep);
}
