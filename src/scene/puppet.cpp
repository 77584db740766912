// scene/puppet — rest-pose bone states per object and skinning of the object's mesh copy.
//
// Skinning matrix of a bone = inverse(rest frame) × current frame (row vectors: the bind-pose
// point is taken into the bone's rest space, then out through its current frame). A bone still
// at its rest pose uses the identity, so a rest-pose puppet reproduces the bind pose bit for bit.
// Depends on: scene/object, render/mesh, data/mesh_format, core/math, core/mem.
// Limits: see puppet.h.
#include "scene/puppet.h"

#include <cstring>

#include "core/mem.h"
#include "render/mesh.h"
#include "scene/object.h"

namespace {

const char* const kPuppetTag = "PUP_SetPuppet";
const char* const kBonesTag = "Puppet Indys";

// Rows right, forward, up scaled per axis, then the position: the frame a bone's space maps
// out through.
Mat4 Frame(const Vec3& position, const Vec3& forward, const Vec3& upIn, const Vec3& scale)
{
    Vec3 up = upIn;
    Mat4 m = MTH_Basis(forward, up);
    const float s[3] = {scale.x, scale.y, scale.z};
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) m.m[r][c] *= s[r];
    m.m[3][0] = position.x;
    m.m[3][1] = position.y;
    m.m[3][2] = position.z;
    m.m[3][3] = 1.0f;
    return m;
}

Vec3 V(const float* f) { return Vec3{f[0], f[1], f[2]}; }

bool Same(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// The rest position of bone i: the root bone stands where the skeleton puts it.
Vec3 RestPosition(const MeshBone& bone, int i, const MeshHeader& h, const MeshSkeleton* sk)
{
    if (sk && (uint32_t)i == h.rootBone) return V(sk->rootPosition);
    return V(bone.position);
}

bool AtRest(const PuppetBone& b, const Vec3& restPos)
{
    return Same(b.position, restPos) && Same(b.forward, V(b.definition.forward)) &&
           Same(b.up, V(b.definition.up)) && Same(b.scale, Vec3{1.0f, 1.0f, 1.0f});
}

} // namespace

void PUP_SetPuppet()
{
    Object* o = OBJ_Current;
    if (!o) return;
    const MESH_Slot* s = MESH_Get(o->model);
    if (!s) return;
    const MeshHeader* h = MESHF_Header(s->data, (size_t)s->size);
    const MeshBone* defs = MESHF_Bones(s->data, (size_t)s->size);
    if (!h || !defs || h->boneCount == 0) return;
    if (o->puppet && o->renderMode == RENDER_PUPPET) return;
    if (o->puppet) PUP_Release(o);   // a stale puppet would leak under the new one

    o->renderMode = RENDER_PUPPET;
    Puppet* p = (Puppet*)MEM_AllocZero(sizeof(Puppet), kPuppetTag);
    if (!p) return;
    int n = (int)h->boneCount;
    p->bones = (PuppetBone*)MEM_AllocZero(sizeof(PuppetBone) * (size_t)(n + 1), kBonesTag);
    if (!p->bones) {
        MEM_Free(p, kPuppetTag);
        return;
    }
    p->boneCount = n;
    const MeshSkeleton* sk = MESHF_Skeleton(s->data, (size_t)s->size);
    for (int i = 0; i < n; i++) {
        PuppetBone& b = p->bones[i];
        b.definition = defs[i];
        b.position = RestPosition(defs[i], i, *h, sk);
        b.forward = V(defs[i].forward);
        b.up = V(defs[i].up);
        b.scale = {1.0f, 1.0f, 1.0f};
        b.frame = Frame(b.position, b.forward, b.up, b.scale);
    }
    // The spare state after the last bone stays at the identity.
    p->bones[n].scale = {1.0f, 1.0f, 1.0f};
    p->bones[n].frame = MTH_MakeIdentity();
    o->puppet = p;
}

void PUP_Release(Object* obj)
{
    if (!obj) return;
    if (obj->puppet) {
        if (obj->puppet->bones) MEM_Free(obj->puppet->bones, kBonesTag);
        MEM_Free(obj->puppet, kPuppetTag);
        obj->puppet = nullptr;
    }
    // Without a puppet an object can only be drawn as its mesh.
    if (obj->renderMode == RENDER_PUPPET) obj->renderMode = RENDER_MESH;
}

void PUP_Draw()
{
    Object* o = OBJ_Current;
    if (!o || !o->puppet) return;
    MESH_Slot* s = MESH_Get(o->model);
    if (!s) return;
    const size_t size = (size_t)s->size;
    const MeshHeader* h = MESHF_Header(s->data, size);
    MeshVertex* verts = MESHF_Vertices(s->data, size);
    const MeshSkin* skin = MESHF_Skin(s->data, size);
    const MeshPoint* bind = MESHF_BindPose(s->data, size);
    if (!h || !verts || !skin || !bind) return;
    const MeshSkeleton* sk = MESHF_Skeleton(s->data, size);

    // The puppet may be older than the model (a skinned model of another bone count set without
    // attachment): bones it lacks stay at the identity.
    const int n = (int)h->boneCount;
    Mat4 local[64];
    Mat4* mats = n <= 64 ? local : (Mat4*)MEM_Alloc(sizeof(Mat4) * (size_t)n, kBonesTag);
    if (!mats) return;
    for (int i = 0; i < n; i++) {
        mats[i] = MTH_MakeIdentity();
        if (i >= o->puppet->boneCount) continue;
        const PuppetBone& b = o->puppet->bones[i];
        Vec3 restPos = RestPosition(b.definition, i, *h, sk);
        if (AtRest(b, restPos)) continue;
        Mat4 rest = Frame(restPos, V(b.definition.forward), V(b.definition.up), Vec3{1.0f, 1.0f, 1.0f});
        Mat4 inv;
        if (!MTH_Inverse(rest, &inv)) continue;
        Mat4 cur = Frame(b.position, b.forward, b.up, b.scale);
        mats[i] = MTH_Multiply(cur, inv);   // inv × cur: the rest inverse applies first
    }
    for (uint32_t v = 0; v < h->vertexCount; v++) {
        const Vec3 p{bind[v].x, bind[v].y, bind[v].z};
        Vec3 sum{0.0f, 0.0f, 0.0f};
        bool any = false;
        for (int k = 0; k < 4; k++) {
            int bone = skin[v].bone[k];
            if (bone < 0 || bone >= n) break;   // −1 ends the list
            float w = skin[v].weight[k];
            Vec3 q;
            MTH_Transform(mats[bone], p, &q);
            sum.x += q.x * w;
            sum.y += q.y * w;
            sum.z += q.z * w;
            any = true;
        }
        if (!any) sum = p;   // a vertex with no influence stays in its bind pose
        verts[v].x = sum.x;
        verts[v].y = sum.y;
        verts[v].z = sum.z;
    }
    if (mats != local) MEM_Free(mats, kBonesTag);
    MESH_SetDirty(o->model);
    if (!(o->displayFlags & DFG_HIDE)) MESH_Draw(o->model, OBJ_GetWorldMatrix(o));
}
