// render/mesh — the 601-slot mesh table.
//
// A loaded mesh uses the archive entry's bytes in place for the rest of the run; a copy owns a
// tracked byte copy of its source's image (the image holds offsets, not addresses, so a plain
// copy is complete). Device buffers are made and filled on the first draw, dropped before every
// device reset and made again on the next draw.
// Depends on: data/mesh_format, render/material, render/device, data/lmo, core/mem, core/log,
// app/err. Limits: ids 1–599; images validated whole at load (MESHF_Check).
#include "render/mesh.h"

#include <cstdio>
#include <cstring>

#include "app/err.h"
#include "core/log.h"
#include "core/mem.h"
#include "data/lmo.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/material.h"

static_assert(sizeof(MeshVertex) == sizeof(PNCT_Vect), "mesh vertices are PNCT vertices");
static_assert(offsetof(MeshVertex, colour) == offsetof(PNCT_Vect, colour), "PNCT layout");
static_assert(offsetof(MeshVertex, u) == offsetof(PNCT_Vect, u), "PNCT layout");

namespace {

MESH_Slot g_slots[MESH_MaxSlots];
int g_count = 1;

const char* const kCopyTag = "MESH_Copy : Allocating New MESH";

bool InUse(int id)
{
    return id > 0 && id < MESH_MaxSlots && g_slots[id].state != MESH_FREE && g_slots[id].data;
}

const MeshHeader* Header(const MESH_Slot& s)
{
    return MESHF_Header(s.data, (size_t)s.size);
}

// The first slot with an empty name; "Ran out of MeshIDs" and 0 when that would be id 600+.
int NewId()
{
    int id = 1;
    while (id < MESH_MaxSlots && g_slots[id].name[0]) id++;
    if (id > MESH_MaxId) {
        LOG_Fatal("Ran out of MeshIDs");
        return 0;
    }
    return id;
}

void Raise(int id)
{
    if (g_count < id + 1) g_count = id + 1;
}

void Release(MESH_Slot& s)
{
    if (s.vertexBuffer) s.vertexBuffer->Release();
    if (s.indexBuffer) s.indexBuffer->Release();
    s.vertexBuffer = nullptr;
    s.indexBuffer = nullptr;
}

// Makes (when missing) and fills (when dirty) the slot's device buffers; false on a failure,
// which has raised the fatal report.
bool PrepareBuffers(MESH_Slot& s, const MeshHeader& h)
{
    gfx::Device* dev = DEV_Device;
    if (!s.indexBuffer) {
        // A vertex buffer left from a half-made pair is not kept: both are made together.
        Release(s);
        gfx::Result r = dev->CreateVertexBuffer(h.vertexCount * (uint32_t)sizeof(MeshVertex), gfx::USAGE_WRITEONLY,
                                                DRW_FVF_PNCT, &s.vertexBuffer);
        if (gfx::GFX_Failed(r) || !s.vertexBuffer) {
            s.vertexBuffer = nullptr;
            return ERR_Fatal("CreateVertexBuffer : MH%d", (int)r);
        }
        r = dev->CreateIndexBuffer(h.indexCount * 2u, gfx::USAGE_WRITEONLY, gfx::FMT_INDEX16, &s.indexBuffer);
        if (gfx::GFX_Failed(r) || !s.indexBuffer) {
            s.indexBuffer = nullptr;
            Release(s);
            return ERR_Fatal("CreateIndexBuffer : MH%d", (int)r);
        }
        s.dirty = 1;
    }
    if (!s.dirty) return true;

    const uint32_t flags = gfx::LOCK_DISCARD | gfx::LOCK_NOSYSLOCK;
    const uint32_t vbytes = h.vertexCount * (uint32_t)sizeof(MeshVertex);
    const uint32_t ibytes = h.indexCount * 2u;
    void* vp = nullptr;
    void* ip = nullptr;
    gfx::Result r = s.vertexBuffer->Lock(0, 0, &vp, flags);
    if (gfx::GFX_Failed(r) || !vp) return ERR_Fatal("VertexLock : MH%d", (int)r);
    r = s.indexBuffer->Lock(0, 0, &ip, flags);
    if (gfx::GFX_Failed(r) || !ip) {
        s.vertexBuffer->Unlock();    // never leave a buffer locked behind a failure
        return ERR_Fatal("IndexLock : MH%d", (int)r);
    }
    // The buffers were made from this image's counts; a smaller buffer is never written past.
    uint32_t vcopy = vbytes <= s.vertexBuffer->Size() ? vbytes : s.vertexBuffer->Size();
    uint32_t icopy = ibytes <= s.indexBuffer->Size() ? ibytes : s.indexBuffer->Size();
    memcpy(vp, s.data + h.vertexOfs, vcopy);
    memcpy(ip, s.data + h.indexOfs, icopy);
    r = s.vertexBuffer->Unlock();
    if (gfx::GFX_Failed(r)) {
        s.indexBuffer->Unlock();
        return ERR_Fatal("VertexUnLock : MH%d", (int)r);
    }
    r = s.indexBuffer->Unlock();
    if (gfx::GFX_Failed(r)) return ERR_Fatal("IndexUnLock : MH%d", (int)r);
    s.dirty = 0;
    return true;
}

} // namespace

void MESH_Reset()
{
    for (MESH_Slot& s : g_slots) {
        Release(s);
        if (s.state == MESH_COPY && s.data) MEM_Free(s.data, kCopyTag);
        s = MESH_Slot{};
    }
    g_count = 1;
}

void MESH_ResetForTests() { MESH_Reset(); }

int MESH_Load(const char* name, uint8_t* bytes, int size)
{
    // An empty name would read as a free slot and be handed out again.
    if (!name || !name[0] || !bytes) {
        ERR_Fatal("MESH_Load : MS1");
        return 0;
    }
    int id = 0;
    for (int i = 1; i < g_count; i++) {
        if (g_slots[i].state != MESH_FREE && strcmp(g_slots[i].name, name) == 0) {
            id = i;
            break;
        }
    }
    if (id && g_slots[id].data) return 0;   // already loaded: the new bytes are ignored

    if (size >= 4 && bytes[3] != MESHF_Version) {
        ERR_Fatal("Incorrect Version (%.31s) : MS2", name);
        return 0;
    }
    // Nothing of an image is used before all of it has been checked: offsets, counts and
    // indices are the file's word, and a bad one must not reach memory or the device.
    MeshCheck check = size < 0 ? MESHF_CHECK_SHORT : MESHF_Check(bytes, (size_t)size);
    if (check != MESHF_CHECK_OK) {
        LOG_Write("MESH_Load : %.31s : %s", name, MESHF_CheckName(check));
        ERR_Fatal("Invalid Mesh Data (%.31s) : MS3", name);
        return 0;
    }
    // The slot takes the name only now, so a refused image leaves no half-used slot behind.
    if (!id) {
        id = NewId();
        if (!id) return 0;
    }
    MESH_Slot& s = g_slots[id];
    snprintf(s.name, sizeof s.name, "%s", name);
    s.data = bytes;
    s.size = size;
    s.state = MESH_LOADED;
    s.dirty = 1;
    s.vertexBuffer = nullptr;
    s.indexBuffer = nullptr;
    Raise(id);

    MeshHeader* h = MESHF_Header(bytes, (size_t)size);
    for (int t = 0; t < MESHF_MaxTextures; t++) {
        h->materialIds[t] = 0;
        if (!h->textures[t][0]) continue;
        h->materialIds[t] = MTL_FromTexture(h->textures[t], MTL_KIND_CHUNK, nullptr, nullptr);
        if (!h->materialIds[t]) LOG_Write("Missing Material : %s", h->textures[t]);
    }
    return id;
}

int MESH_Find(const char* name)
{
    if (!name || !name[0]) return 0;
    for (int i = 1; i < g_count; i++)
        if (g_slots[i].state != MESH_FREE && strcmp(g_slots[i].name, name) == 0) return i;
    return 0;
}

int MESH_Copy(int id, const char* newName)
{
    if (!InUse(id)) return 0;
    int nid = NewId();
    if (!nid) return 0;
    const MESH_Slot& src = g_slots[id];
    uint8_t* image = (uint8_t*)MEM_Alloc((size_t)src.size, kCopyTag);
    if (!image) return 0;
    memcpy(image, src.data, (size_t)src.size);
    MESH_Slot& s = g_slots[nid];
    s = src;
    s.state = MESH_COPY;
    s.data = image;
    s.dirty = 1;
    s.vertexBuffer = nullptr;
    s.indexBuffer = nullptr;
    if (newName) snprintf(s.name, sizeof s.name, "%s", newName);
    // A copy with an empty name would look like a free slot to the next MESH_Copy or load.
    if (!s.name[0]) snprintf(s.name, sizeof s.name, "%s", "MESH_COPY");
    Raise(nid);
    return nid;
}

void MESH_Free(int id)
{
    if (id <= 0 || id >= MESH_MaxSlots) return;
    MESH_Slot& s = g_slots[id];
    // A loaded image belongs to the archive entry for the whole run: only copies are freed.
    if (s.state != MESH_COPY) {
        if (s.state == MESH_LOADED) LOG_Write("MESH_Free : %s is not a copy", s.name);
        return;
    }
    Release(s);
    if (s.data) MEM_Free(s.data, kCopyTag);
    s = MESH_Slot{};
}

void MESH_FreeIfCopy(int id)
{
    if (id > 0 && id < MESH_MaxSlots && g_slots[id].state == MESH_COPY) MESH_Free(id);
}

void MESH_FreeCopies()
{
    for (int i = 1; i < MESH_MaxSlots; i++) MESH_FreeIfCopy(i);
}

void MESH_ReleaseBuffers(int id)
{
    if (id > 0 && id < MESH_MaxSlots && g_slots[id].data) Release(g_slots[id]);
}

void MESH_ReleaseAllBuffers()
{
    for (int i = 1; i < MESH_MaxSlots; i++) MESH_ReleaseBuffers(i);
}

void MESH_Draw(int id, const Mat4* world)
{
    if (!InUse(id) || !DEV_Device) return;
    MESH_Slot& s = g_slots[id];
    const MeshHeader* h = Header(s);
    if (!h || h->partCount == 0 || h->vertexCount == 0 || h->indexCount == 0) return;
    if (!PrepareBuffers(s, *h)) return;
    const MeshPart* parts = MESHF_Parts(s.data, (size_t)s.size);
    if (!parts) return;
    for (uint32_t i = 0; i < h->partCount; i++) {
        const MeshPart& p = parts[i];
        int mid = h->materialIds[p.material];
        if (!mid) continue;   // its texture has no material: not drawn
        Material* m = MTL_Get(mid);
        if (m) m->AddChunk(&p, &s, world);
    }
}

bool MESH_IsNamed(const char* name, int id)
{
    return name && InUse(id) && strcmp(g_slots[id].name, name) == 0;
}

namespace {
MESH_ObjectSource g_objectSource = nullptr;
} // namespace

void MESH_SetObjectSource(MESH_ObjectSource source) { g_objectSource = source; }

bool MESH_IsNamed(const char* name, const Object* obj)
{
    int model = 0;
    return g_objectSource && g_objectSource(obj, &model, nullptr) && MESH_IsNamed(name, model);
}

// The object draw pass calls this for objects drawn as meshes.
void MESH_DrawCurrent()
{
    int model = 0;
    const Mat4* world = nullptr;
    if (!g_objectSource || !g_objectSource(nullptr, &model, &world) || !InUse(model)) return;
    MESH_Draw(model, world);
}

MESH_Slot* MESH_Get(int id) { return InUse(id) ? &g_slots[id] : nullptr; }

const MeshHeader* MESH_Header(int id) { return InUse(id) ? Header(g_slots[id]) : nullptr; }

void MESH_SetDirty(int id)
{
    if (InUse(id)) g_slots[id].dirty = 1;
}

int MESH_Count() { return g_count; }

void MESH_FromLmo(const char* cid, uint8_t* data, int size)
{
    // The row keeps its entries: a mesh owns the bytes for the run, a refused one gives them back.
    if (!data) return;
    if (!MESH_Load(cid, data, size)) MEM_Free(data, cid);
}

void MESH_RegisterLoader() { LMO_SetLoader("BFM", MESH_FromLmo); }
