// data/mesh_format — the binary mesh image ("BFM" entries), version 8, shared by the game
// (render/mesh) and the content tools (meshgen, lmocheck). Header-only; depends on nothing but
// the C++ library.
//
// A mesh image is one block of bytes, little-endian, used in place by the game. Every reference
// inside it is a 32-bit byte offset: from the start of the image for the header's fields, from
// the start of its own sub-block for the offsets inside the pick and collision sub-blocks. The
// offsets stay offsets in memory (a 64-bit address does not fit in them): code reaches a record
// through MESHF_At (base + offset, bounds and alignment checked), and MESHF_Check validates a
// whole image — every offset, count and index — before the game uses any of it.
//
// Layout (all records 4-byte aligned; the index array 2-byte aligned):
//   MeshHeader                 464 bytes at offset 0
//   vertex array               vertexCount × MeshVertex (36 bytes, the PNCT vertex)
//   index array                indexCount × uint16, each < vertexCount
//   part table                 partCount × MeshPart (24 bytes), each a triangle list; parts
//                              share no indices (their index counts add up to at most indexCount)
//   pick sub-block (optional)  MeshPickHeader, its points (MeshPoint) and MeshPickTriangle
//   collision (optional)       MeshCollisionHeader, its points and MeshCollisionFace
//   skinning (optional)        boneCount × MeshBone, vertexCount × MeshSkin, vertexCount bind-pose
//                              MeshPoints, an optional MeshSkeleton
//   attachments (optional)     attachCount × MeshAttachment, each naming a MeshAttachFrame
//
// Limits: at most 65536 vertices (16-bit indices), 10 textures per mesh, images up to 4 GiB.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "mesh images are read in place");

constexpr uint8_t MESHF_Version = 8;
constexpr char MESHF_Magic[3] = {'B', 'F', 'M'};  // bytes 0-2 as meshgen writes them (not checked)
constexpr int MESHF_MaxTextures = 10;
constexpr int MESHF_NameSize = 32;                // texture names: 31 characters and a zero
constexpr uint32_t MESHF_MaxVertices = 65536;     // indices are 16-bit

// One vertex: position, normal, ARGB colour, texture coordinates (the PNCT vertex, FVF 0x152).
struct MeshVertex {
    float x, y, z;
    float nx, ny, nz;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(MeshVertex) == 36, "mesh vertex is 36 bytes");

struct MeshPoint { float x, y, z; };
static_assert(sizeof(MeshPoint) == 12, "point is 12 bytes");

// The image header.
struct MeshHeader {
    char magic[3];                    // 0   "BFM" (not read by the game)
    uint8_t version;                  // 3   MESHF_Version
    uint32_t flags;                   // 4   not read by the game (meshgen writes 0)
    float radius;                     // 8   bounding radius around the model's origin
    float centre[3];                  // 12  bounding-box centre (not read by the game)
    float halfSize[3];                // 24  bounding-box half extents (not read by the game)
    uint32_t reserved0;               // 36
    uint32_t vertexOfs;               // 40  MeshVertex array
    uint32_t vertexCount;             // 44
    uint32_t indexOfs;                // 48  uint16 array
    uint32_t indexCount;              // 52
    uint32_t partOfs;                 // 56  MeshPart array
    uint32_t partCount;               // 60
    char textures[MESHF_MaxTextures][MESHF_NameSize];  // 64  texture CIDs, "" = unused
    int32_t materialIds[MESHF_MaxTextures];            // 384 filled by the game at load; meshgen writes 0
    uint32_t pickOfs;                 // 424 MeshPickHeader, 0 = none
    uint32_t collisionOfs;            // 428 MeshCollisionHeader, 0 = none
    uint32_t boneCount;               // 432 skinned when not 0
    uint32_t rootBone;                // 436 index of the root bone (< boneCount when skinned)
    uint32_t skeletonOfs;             // 440 MeshSkeleton, 0 = none
    uint32_t boneOfs;                 // 444 MeshBone array (boneCount), 0 = no skinning section
    uint32_t skinOfs;                 // 448 MeshSkin array (vertexCount)
    uint32_t bindPoseOfs;             // 452 MeshPoint array (vertexCount)
    uint32_t attachCount;             // 456
    uint32_t attachOfs;               // 460 MeshAttachment array (attachCount), 0 = none
};
static_assert(sizeof(MeshHeader) == 464, "mesh header is 464 bytes");
static_assert(offsetof(MeshHeader, version) == 3, "version at 3");
static_assert(offsetof(MeshHeader, radius) == 8, "radius at 8");
static_assert(offsetof(MeshHeader, vertexOfs) == 40, "vertex offset at 40");
static_assert(offsetof(MeshHeader, partCount) == 60, "part count at 60");
static_assert(offsetof(MeshHeader, textures) == 64, "texture names at 64");
static_assert(offsetof(MeshHeader, materialIds) == 384, "material ids at 384");
static_assert(offsetof(MeshHeader, pickOfs) == 424, "pick offset at 424");
static_assert(offsetof(MeshHeader, collisionOfs) == 428, "collision offset at 428");
static_assert(offsetof(MeshHeader, boneCount) == 432, "bone count at 432");
static_assert(offsetof(MeshHeader, skeletonOfs) == 440, "skeleton offset at 440");
static_assert(offsetof(MeshHeader, boneOfs) == 444, "bone table offset at 444");
static_assert(offsetof(MeshHeader, skinOfs) == 448, "skin records offset at 448");
static_assert(offsetof(MeshHeader, bindPoseOfs) == 452, "bind pose offset at 452");
static_assert(offsetof(MeshHeader, attachCount) == 456, "attachment count at 456");
static_assert(offsetof(MeshHeader, attachOfs) == 460, "attachment offset at 460");

// One drawable part: a triangle list over indices startIndex .. startIndex + indexCount − 1,
// all of which lie in minIndex .. minIndex + vertexCount − 1.
struct MeshPart {
    uint32_t material;                // 0-9: which texture / material id of the header
    uint32_t primCount;               // triangles
    uint32_t minIndex;
    uint32_t vertexCount;
    uint32_t startIndex;
    uint32_t indexCount;              // 3 × primCount
};
static_assert(sizeof(MeshPart) == 24, "part record is 24 bytes");

// Pick mesh: triangles over its own points, wound like the faces they stand for (clockwise on
// screen when they face the camera). Offsets count from the sub-block's start.
struct MeshPickHeader {
    uint32_t reserved[3];             // 0
    uint32_t pointCount;              // 12
    uint32_t pointOfs;                // 16 MeshPoint array
    uint32_t triangleCount;           // 20
    uint32_t triangleOfs;             // 24 MeshPickTriangle array
};
static_assert(sizeof(MeshPickHeader) == 28, "pick header is 28 bytes");
static_assert(offsetof(MeshPickHeader, pointOfs) == 16, "pick points at 16");
static_assert(offsetof(MeshPickHeader, triangleCount) == 20, "pick triangle count at 20");
static_assert(offsetof(MeshPickHeader, triangleOfs) == 24, "pick triangles at 24");

struct MeshPickTriangle {
    uint16_t flags;                   // 0 (meshgen writes 0)
    uint16_t index[3];                // 2, 4, 6: points, each < pointCount
    float normal[3];                  // 8 face normal (not read by the game)
};
static_assert(sizeof(MeshPickTriangle) == 20, "pick triangle is 20 bytes");
static_assert(offsetof(MeshPickTriangle, index) == 2, "pick indices at 2");

// Collision hull: faces over its own points. Offsets count from the sub-block's start.
struct MeshCollisionHeader {
    uint32_t pointCount;              // 0
    uint32_t reserved;                // 4
    uint32_t pointOfs;                // 8  MeshPoint array
    uint32_t faceCount;               // 12
    uint32_t faceOfs;                 // 16 MeshCollisionFace array
};
static_assert(sizeof(MeshCollisionHeader) == 20, "collision header is 20 bytes");
static_assert(offsetof(MeshCollisionHeader, pointOfs) == 8, "collision points at 8");
static_assert(offsetof(MeshCollisionHeader, faceOfs) == 16, "collision faces at 16");

struct MeshCollisionFace {
    uint16_t index[3];                // points, each < pointCount
    uint16_t flags;
};
static_assert(sizeof(MeshCollisionFace) == 8, "collision face is 8 bytes");

// Skeleton: one bone definition per bone with its rest frame in model space.
struct MeshBone {
    char name[16];                    // zero-terminated
    int32_t parent;                   // −1 for the root, else < boneCount
    float position[3];                // rest position
    float forward[3];                 // rest forward axis
    float up[3];                      // rest up axis
};
static_assert(sizeof(MeshBone) == 56, "bone record is 56 bytes");

// Per-vertex influences: up to four bones; bone −1 ends the list early.
struct MeshSkin {
    int32_t bone[4];
    float weight[4];
};
static_assert(sizeof(MeshSkin) == 32, "skin record is 32 bytes");

struct MeshSkeleton {
    float rootPosition[3];            // where the root bone stands
    uint32_t reserved;
};
static_assert(sizeof(MeshSkeleton) == 16, "skeleton record is 16 bytes");

// A named point on the model (e.g. where an effect sits), fixed to a bone or to the model.
struct MeshAttachment {
    char name[32];                    // zero-terminated
    uint32_t frameOfs;                // 32: MeshAttachFrame, from the start of the image
};
static_assert(sizeof(MeshAttachment) == 36, "attachment record is 36 bytes");
static_assert(offsetof(MeshAttachment, frameOfs) == 32, "attachment offset at 32");

struct MeshAttachFrame {
    int32_t bone;                     // −1: the model itself, else < boneCount
    float position[3];
    float forward[3];
    float up[3];
};
static_assert(sizeof(MeshAttachFrame) == 40, "attachment frame is 40 bytes");

// ---- Typed views: base + offset ----

// True when count records of elemSize bytes at ofs lie inside an image of size bytes.
inline bool MESHF_SpanOk(size_t size, uint64_t ofs, uint64_t count, uint64_t elemSize)
{
    if (ofs > size) return false;
    // count and elemSize are at most 32 bits each, so the product cannot wrap.
    return count * elemSize <= (uint64_t)size - ofs;
}

// The record array of type T at ofs, or null when it does not lie (aligned) inside the image.
template <class T>
inline T* MESHF_At(uint8_t* base, size_t size, uint64_t ofs, uint64_t count = 1)
{
    if (!base || !MESHF_SpanOk(size, ofs, count, sizeof(T))) return nullptr;
    uint8_t* p = base + ofs;
    if ((reinterpret_cast<uintptr_t>(p) % alignof(T)) != 0) return nullptr;
    return reinterpret_cast<T*>(p);
}
template <class T>
inline const T* MESHF_At(const uint8_t* base, size_t size, uint64_t ofs, uint64_t count = 1)
{
    return MESHF_At<T>(const_cast<uint8_t*>(base), size, ofs, count);
}

// The views below assume an image that passed MESHF_Check; they still return null for a
// reference outside the image, never a wild pointer.
inline MeshHeader* MESHF_Header(uint8_t* base, size_t size) { return MESHF_At<MeshHeader>(base, size, 0); }
inline const MeshHeader* MESHF_Header(const uint8_t* base, size_t size) { return MESHF_At<MeshHeader>(base, size, 0); }

inline const MeshVertex* MESHF_Vertices(const uint8_t* base, size_t size)
{
    const MeshHeader* h = MESHF_Header(base, size);
    return h ? MESHF_At<MeshVertex>(base, size, h->vertexOfs, h->vertexCount) : nullptr;
}
inline MeshVertex* MESHF_Vertices(uint8_t* base, size_t size)
{
    return const_cast<MeshVertex*>(MESHF_Vertices(const_cast<const uint8_t*>(base), size));
}
inline const uint16_t* MESHF_Indices(const uint8_t* base, size_t size)
{
    const MeshHeader* h = MESHF_Header(base, size);
    return h ? MESHF_At<uint16_t>(base, size, h->indexOfs, h->indexCount) : nullptr;
}
inline const MeshPart* MESHF_Parts(const uint8_t* base, size_t size)
{
    const MeshHeader* h = MESHF_Header(base, size);
    return h ? MESHF_At<MeshPart>(base, size, h->partOfs, h->partCount) : nullptr;
}
inline const MeshPickHeader* MESHF_Pick(const uint8_t* base, size_t size)
{
    const MeshHeader* h = MESHF_Header(base, size);
    return (h && h->pickOfs) ? MESHF_At<MeshPickHeader>(base, size, h->pickOfs) : nullptr;
}
inline const MeshPoint* MESHF_PickPoints(const uint8_t* base, size_t size)
{
    const MeshPickHeader* p = MESHF_Pick(base, size);
    if (!p) return nullptr;
    uint64_t at = (uint64_t)MESHF_Header(base, size)->pickOfs + p->pointOfs;
    return MESHF_At<MeshPoint>(base, size, at, p->pointCount);
}
inline const MeshPickTriangle* MESHF_PickTriangles(const uint8_t* base, size_t size)
{
    const MeshPickHeader* p = MESHF_Pick(base, size);
    if (!p) return nullptr;
    uint64_t at = (uint64_t)MESHF_Header(base, size)->pickOfs + p->triangleOfs;
    return MESHF_At<MeshPickTriangle>(base, size, at, p->triangleCount);
}
inline const MeshCollisionHeader* MESHF_Collision(const uint8_t* base, size_t size)
{
    const MeshHeader* h = MESHF_Header(base, size);
    return (h && h->collisionOfs) ? MESHF_At<MeshCollisionHeader>(base, size, h->collisionOfs) : nullptr;
}
inline const MeshPoint* MESHF_CollisionPoints(const uint8_t* base, size_t size)
{
    const MeshCollisionHeader* c = MESHF_Collision(base, size);
    if (!c) return nullptr;
    uint64_t at = (uint64_t)MESHF_Header(base, size)->collisionOfs + c->pointOfs;
    return MESHF_At<MeshPoint>(base, size, at, c->pointCount);
}
inline const MeshCollisionFace* MESHF_CollisionFaces(const uint8_t* base, size_t size)
{
    const MeshCollisionHeader* c = MESHF_Collision(base, size);
    if (!c) return nullptr;
    uint64_t at = (uint64_t)MESHF_Header(base, size)->collisionOfs + c->faceOfs;
    return MESHF_At<MeshCollisionFace>(base, size, at, c->faceCount);
}
inline const MeshBone* MESHF_Bones(const uint8_t* base, size_t size)
{
    const MeshHeader* h = MESHF_Header(base, size);
    return (h && h->boneOfs) ? MESHF_At<MeshBone>(base, size, h->boneOfs, h->boneCount) : nullptr;
}
inline const MeshSkin* MESHF_Skin(const uint8_t* base, size_t size)
{
    const MeshHeader* h = MESHF_Header(base, size);
    return (h && h->boneOfs) ? MESHF_At<MeshSkin>(base, size, h->skinOfs, h->vertexCount) : nullptr;
}
inline const MeshPoint* MESHF_BindPose(const uint8_t* base, size_t size)
{
    const MeshHeader* h = MESHF_Header(base, size);
    return (h && h->boneOfs) ? MESHF_At<MeshPoint>(base, size, h->bindPoseOfs, h->vertexCount) : nullptr;
}
inline const MeshSkeleton* MESHF_Skeleton(const uint8_t* base, size_t size)
{
    const MeshHeader* h = MESHF_Header(base, size);
    return (h && h->boneOfs && h->skeletonOfs) ? MESHF_At<MeshSkeleton>(base, size, h->skeletonOfs) : nullptr;
}
inline const MeshAttachment* MESHF_Attachments(const uint8_t* base, size_t size)
{
    const MeshHeader* h = MESHF_Header(base, size);
    return (h && h->attachOfs) ? MESHF_At<MeshAttachment>(base, size, h->attachOfs, h->attachCount) : nullptr;
}
inline const MeshAttachFrame* MESHF_AttachFrame(const uint8_t* base, size_t size, const MeshAttachment& a)
{
    return MESHF_At<MeshAttachFrame>(base, size, a.frameOfs);
}

// ---- Whole-image validation ----

enum MeshCheck {
    MESHF_CHECK_OK = 0,
    MESHF_CHECK_SHORT,          // smaller than the header
    MESHF_CHECK_VERSION,        // version byte is not MESHF_Version
    MESHF_CHECK_VERTICES,       // vertex array outside the image, misaligned or over 65536
    MESHF_CHECK_INDICES,        // index array outside the image or misaligned
    MESHF_CHECK_INDEX_RANGE,    // an index at or past the vertex count
    MESHF_CHECK_PARTS,          // part table outside the image or misaligned
    MESHF_CHECK_PART_RANGE,     // a part outside the index or vertex arrays, or a bad material index
    MESHF_CHECK_TEXTURE_NAME,   // a texture name without its terminating zero
    MESHF_CHECK_PICK,           // pick sub-block or its arrays outside the image, or a bad index
    MESHF_CHECK_COLLISION,      // collision sub-block or its arrays outside the image, or a bad index
    MESHF_CHECK_SKIN,           // bones, skin records, bind pose or skeleton outside the image or inconsistent
    MESHF_CHECK_ATTACHMENTS,    // attachment records or their frames outside the image, or a bad bone
    MESHF_CHECK_ALIGNMENT,      // the image itself does not start on a 4-byte boundary
    MESHF_CHECK_COUNT_
};

inline const char* MESHF_CheckName(int c)
{
    static const char* const names[MESHF_CHECK_COUNT_] = {
        "ok", "image shorter than its header", "wrong version", "vertex array out of bounds",
        "index array out of bounds", "index beyond the vertices", "part table out of bounds",
        "part beyond the indices or vertices", "texture name not terminated",
        "pick mesh out of bounds", "collision hull out of bounds", "skinning data out of bounds",
        "attachments out of bounds", "image not 4-byte aligned",
    };
    return (c >= 0 && c < MESHF_CHECK_COUNT_) ? names[c] : "unknown";
}

// Checks every offset, count and index of an image of size bytes at base (which must be 4-byte
// aligned, as every heap block is). The material ids at 384 are not checked: the game fills them.
inline MeshCheck MESHF_Check(const uint8_t* base, size_t size)
{
    if (base && (reinterpret_cast<uintptr_t>(base) % 4) != 0) return MESHF_CHECK_ALIGNMENT;
    const MeshHeader* h = MESHF_Header(base, size);
    if (!h) return MESHF_CHECK_SHORT;
    if (h->version != MESHF_Version) return MESHF_CHECK_VERSION;

    if (h->vertexCount > MESHF_MaxVertices) return MESHF_CHECK_VERTICES;
    if (!MESHF_At<MeshVertex>(base, size, h->vertexOfs, h->vertexCount)) return MESHF_CHECK_VERTICES;
    const uint16_t* idx = MESHF_At<uint16_t>(base, size, h->indexOfs, h->indexCount);
    if (!idx) return MESHF_CHECK_INDICES;
    for (uint32_t i = 0; i < h->indexCount; i++)
        if (idx[i] >= h->vertexCount) return MESHF_CHECK_INDEX_RANGE;

    const MeshPart* parts = MESHF_At<MeshPart>(base, size, h->partOfs, h->partCount);
    if (!parts) return MESHF_CHECK_PARTS;
    uint64_t partIndices = 0;   // parts share no indices, so checking them costs one pass
    for (uint32_t i = 0; i < h->partCount; i++) {
        const MeshPart& p = parts[i];
        partIndices += p.indexCount;
        if (partIndices > h->indexCount) return MESHF_CHECK_PART_RANGE;
        if (p.material >= (uint32_t)MESHF_MaxTextures) return MESHF_CHECK_PART_RANGE;
        if ((uint64_t)p.primCount * 3 != p.indexCount) return MESHF_CHECK_PART_RANGE;
        if ((uint64_t)p.startIndex + p.indexCount > h->indexCount) return MESHF_CHECK_PART_RANGE;
        if ((uint64_t)p.minIndex + p.vertexCount > h->vertexCount) return MESHF_CHECK_PART_RANGE;
        for (uint32_t k = 0; k < p.indexCount; k++) {
            uint32_t v = idx[p.startIndex + k];
            if (v < p.minIndex || v - p.minIndex >= p.vertexCount) return MESHF_CHECK_PART_RANGE;
        }
    }
    for (int t = 0; t < MESHF_MaxTextures; t++)
        if (!memchr(h->textures[t], 0, MESHF_NameSize)) return MESHF_CHECK_TEXTURE_NAME;

    if (h->pickOfs) {
        const MeshPickHeader* pk = MESHF_At<MeshPickHeader>(base, size, h->pickOfs);
        if (!pk) return MESHF_CHECK_PICK;
        if (!MESHF_At<MeshPoint>(base, size, (uint64_t)h->pickOfs + pk->pointOfs, pk->pointCount))
            return MESHF_CHECK_PICK;
        const MeshPickTriangle* tri = MESHF_At<MeshPickTriangle>(
            base, size, (uint64_t)h->pickOfs + pk->triangleOfs, pk->triangleCount);
        if (!tri) return MESHF_CHECK_PICK;
        for (uint32_t i = 0; i < pk->triangleCount; i++)
            for (int k = 0; k < 3; k++)
                if (tri[i].index[k] >= pk->pointCount) return MESHF_CHECK_PICK;
    }
    if (h->collisionOfs) {
        const MeshCollisionHeader* c = MESHF_At<MeshCollisionHeader>(base, size, h->collisionOfs);
        if (!c) return MESHF_CHECK_COLLISION;
        if (!MESHF_At<MeshPoint>(base, size, (uint64_t)h->collisionOfs + c->pointOfs, c->pointCount))
            return MESHF_CHECK_COLLISION;
        const MeshCollisionFace* f = MESHF_At<MeshCollisionFace>(
            base, size, (uint64_t)h->collisionOfs + c->faceOfs, c->faceCount);
        if (!f) return MESHF_CHECK_COLLISION;
        for (uint32_t i = 0; i < c->faceCount; i++)
            for (int k = 0; k < 3; k++)
                if (f[i].index[k] >= c->pointCount) return MESHF_CHECK_COLLISION;
    }
    // A skinned mesh needs its whole skinning section; a section without bones is refused too.
    if (h->boneCount != 0 || h->boneOfs != 0) {
        if (h->boneCount == 0 || h->boneOfs == 0) return MESHF_CHECK_SKIN;
        if (h->rootBone >= h->boneCount) return MESHF_CHECK_SKIN;
        const MeshBone* bones = MESHF_At<MeshBone>(base, size, h->boneOfs, h->boneCount);
        if (!bones) return MESHF_CHECK_SKIN;
        for (uint32_t i = 0; i < h->boneCount; i++) {
            if (!memchr(bones[i].name, 0, sizeof bones[i].name)) return MESHF_CHECK_SKIN;
            if (bones[i].parent < -1 || bones[i].parent >= (int64_t)h->boneCount) return MESHF_CHECK_SKIN;
        }
        const MeshSkin* skin = MESHF_At<MeshSkin>(base, size, h->skinOfs, h->vertexCount);
        if (!skin) return MESHF_CHECK_SKIN;
        for (uint32_t i = 0; i < h->vertexCount; i++)
            for (int k = 0; k < 4; k++)
                if (skin[i].bone[k] < -1 || skin[i].bone[k] >= (int64_t)h->boneCount) return MESHF_CHECK_SKIN;
        if (!MESHF_At<MeshPoint>(base, size, h->bindPoseOfs, h->vertexCount)) return MESHF_CHECK_SKIN;
        if (h->skeletonOfs && !MESHF_At<MeshSkeleton>(base, size, h->skeletonOfs)) return MESHF_CHECK_SKIN;
    }
    if (h->attachCount != 0 || h->attachOfs != 0) {
        if (h->attachOfs == 0) return MESHF_CHECK_ATTACHMENTS;
        const MeshAttachment* a = MESHF_At<MeshAttachment>(base, size, h->attachOfs, h->attachCount);
        if (!a) return MESHF_CHECK_ATTACHMENTS;
        for (uint32_t i = 0; i < h->attachCount; i++) {
            if (!memchr(a[i].name, 0, sizeof a[i].name)) return MESHF_CHECK_ATTACHMENTS;
            const MeshAttachFrame* f = MESHF_At<MeshAttachFrame>(base, size, a[i].frameOfs);
            if (!f) return MESHF_CHECK_ATTACHMENTS;
            if (f->bone < -1 || f->bone >= (int64_t)h->boneCount) return MESHF_CHECK_ATTACHMENTS;
        }
    }
    return MESHF_CHECK_OK;
}
