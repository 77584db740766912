// libFuzzer target for binary mesh images: MESHF_Check must refuse or accept any bytes without
// reading outside them, and every view of an accepted image must stay inside it with indices
// in range — exactly what the game relies on after a load.
// Build: clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc fuzz/fuzz_mesh.cpp
// Depends on data/mesh_format.h only.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "data/mesh_format.h"

namespace {
// Reads a float's bits: the image's values are arbitrary, and converting them would be undefined.
uint32_t Bits(float f)
{
    uint32_t u;
    memcpy(&u, &f, sizeof u);
    return u;
}
} // namespace

namespace {

// Touches every byte a reader of the image may touch, through the views.
uint32_t Walk(const uint8_t* img, size_t size)
{
    const MeshHeader* h = MESHF_Header(img, size);
    uint32_t sum = 0;
    const MeshVertex* v = MESHF_Vertices(img, size);
    const uint16_t* idx = MESHF_Indices(img, size);
    const MeshPart* parts = MESHF_Parts(img, size);
    if (!v || !idx || !parts) abort();
    for (uint32_t i = 0; i < h->partCount; i++) {
        const MeshPart& p = parts[i];
        for (uint32_t k = 0; k < p.indexCount; k++) {
            uint16_t n = idx[p.startIndex + k];
            if (n < p.minIndex || n >= p.minIndex + p.vertexCount || n >= h->vertexCount) abort();
            sum += v[n].colour;
        }
    }
    if (h->pickOfs) {
        const MeshPickHeader* pk = MESHF_Pick(img, size);
        const MeshPoint* pts = MESHF_PickPoints(img, size);
        const MeshPickTriangle* tri = MESHF_PickTriangles(img, size);
        if (!pk || !pts || !tri) abort();
        for (uint32_t i = 0; i < pk->triangleCount; i++)
            for (int k = 0; k < 3; k++) sum += Bits(pts[tri[i].index[k]].x);
    }
    if (h->collisionOfs) {
        const MeshCollisionHeader* c = MESHF_Collision(img, size);
        const MeshPoint* pts = MESHF_CollisionPoints(img, size);
        const MeshCollisionFace* f = MESHF_CollisionFaces(img, size);
        if (!c || !pts || !f) abort();
        for (uint32_t i = 0; i < c->faceCount; i++)
            for (int k = 0; k < 3; k++) sum += Bits(pts[f[i].index[k]].y);
    }
    if (h->boneOfs) {
        const MeshBone* bones = MESHF_Bones(img, size);
        const MeshSkin* skin = MESHF_Skin(img, size);
        const MeshPoint* bind = MESHF_BindPose(img, size);
        if (!bones || !skin || !bind) abort();
        for (uint32_t i = 0; i < h->vertexCount; i++)
            for (int k = 0; k < 4 && skin[i].bone[k] >= 0; k++) sum += Bits(bones[skin[i].bone[k]].position[0]) + Bits(bind[i].z);
        if (h->skeletonOfs && !MESHF_Skeleton(img, size)) abort();
    }
    if (h->attachOfs) {
        const MeshAttachment* a = MESHF_Attachments(img, size);
        if (!a) abort();
        for (uint32_t i = 0; i < h->attachCount; i++) {
            const MeshAttachFrame* f = MESHF_AttachFrame(img, size, a[i]);
            if (!f) abort();
            sum += (uint32_t)f->bone;
        }
    }
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A heap block of exactly the input's size, as the archive gives the game.
    uint8_t* img = (uint8_t*)malloc(size ? size : 1);
    if (!img) return 0;
    if (size) memcpy(img, data, size);
    if (MESHF_Check(img, size) == MESHF_CHECK_OK) {
        volatile uint32_t sink = Walk(img, size);
        (void)sink;
    }
    free(img);
    return 0;
}
