// Puppets on the recording device: models set with and without a skeleton, puppets kept or
// replaced when the model changes, rest-pose skinning that reproduces the bind pose exactly,
// posed bones with early-ended influence lists, and the copies and puppets released with their
// objects.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/err.h"
#include "core/log.h"
#include "core/mem.h"
#include "core/settings.h"
#include "data/mesh_format.h"
#include "platform/gfx/gfx.h"
#include "platform/os/os.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"
#include "scene/object.h"
#include "scene/puppet.h"
#include "render_fixture.h"

namespace {

template <class T>
uint32_t Put(std::vector<uint8_t>& img, const T* items, size_t count)
{
    while (img.size() % 4) img.push_back(0);
    uint32_t at = (uint32_t)img.size();
    img.resize(img.size() + sizeof(T) * count);
    if (count) memcpy(img.data() + at, items, sizeof(T) * count);
    return at;
}

// Bind pose of the four vertices; the vertex array itself holds them 10 units off along x, so
// only skinning can put them where they belong.
const MeshPoint kBind[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 1}, {1, 1, 1}};
constexpr float kStale = 10.0f;

// Two triangles over four vertices; with bones > 0 a skinning section: bone 0 the root (rest at
// the origin, the skeleton stands it at z 0.5), the others at (0, 0, 1), all facing +y, z up.
std::vector<uint8_t> BuildSkinned(int bones)
{
    std::vector<uint8_t> img(sizeof(MeshHeader), 0);
    MeshHeader h{};
    memcpy(h.magic, MESHF_Magic, 3);
    h.version = MESHF_Version;
    std::vector<MeshVertex> v;
    for (const MeshPoint& p : kBind) v.push_back(MeshVertex{p.x + kStale, p.y, p.z, 0, 0, 1, 0xFF808080u, 0, 0});
    const uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
    h.vertexCount = 4;
    h.vertexOfs = Put(img, v.data(), v.size());
    h.indexCount = 6;
    h.indexOfs = Put(img, idx, 6);
    MeshPart part{0, 2, 0, 4, 0, 6};
    h.partCount = 1;
    h.partOfs = Put(img, &part, 1);
    snprintf(h.textures[0], MESHF_NameSize, "%s", "TEX_PUP");
    if (bones > 0) {
        std::vector<MeshBone> b;
        b.push_back(MeshBone{"ROOT", -1, {0, 0, 0}, {0, 1, 0}, {0, 0, 1}});
        for (int i = 1; i < bones; i++) {
            MeshBone x{"", 0, {0, 0, 1}, {0, 1, 0}, {0, 0, 1}};
            snprintf(x.name, sizeof x.name, "B%d", i);
            b.push_back(x);
        }
        h.boneCount = (uint32_t)bones;
        h.rootBone = 0;
        h.boneOfs = Put(img, b.data(), b.size());
        const MeshSkin skin[4] = {
            {{0, -1, -1, -1}, {1, 0, 0, 0}},
            {{0, 1, -1, -1}, {0.25f, 0.75f, 0, 0}},
            {{1, -1, 0, 0}, {1, 0, 0.5f, 0}},   // ends at −1: the last two never count
            {{1, 0, -1, -1}, {0.5f, 0.5f, 0, 0}},
        };
        h.skinOfs = Put(img, skin, 4);
        h.bindPoseOfs = Put(img, kBind, 4);
        MeshSkeleton sk{{0, 0, 0.5f}, 0};
        h.skeletonOfs = Put(img, &sk, 1);
    }
    memcpy(img.data(), &h, sizeof h);
    return img;
}

class PuppetTest : public RenderTest {
protected:
    void SetUp() override
    {
        StartRender("pup");
        OBJ_InitLists();
        skinned_ = Load("BFM_SKIN", BuildSkinned(2));
        plain_ = Load("BFM_PLAIN", BuildSkinned(0));
        ASSERT_NE(skinned_, 0);
        ASSERT_NE(plain_, 0);
    }
    void TearDown() override
    {
        OBJ_DestroyAll();
        StopRender();
    }
    int Load(const char* name, std::vector<uint8_t> img)
    {
        images_.push_back(std::move(img));
        return MESH_Load(name, images_.back().data(), (int)images_.back().size());
    }
    // A live object drawn as a mesh, then given model with attachment.
    Object* Make(int model)
    {
        Object* o = OBJ_New(nullptr);
        o->renderMode = RENDER_MESH;
        OBJ_SetModel(o, model, true);
        OBJ_RunAll(false);
        return o;
    }
    int DrawFrame()
    {
        rec_->ClearLog();
        OBJ_DrawAll();
        MTL_Flush();
        MEM_F_Reset();
        int n = 0;
        for (const gfx::DrawRecord& d : rec_->Draws())
            if (d.kind == gfx::DRAW_INDEXED) n++;
        return n;
    }
    // What the device was given for the object's mesh copy.
    std::vector<MeshVertex> Uploaded(int model)
    {
        const MESH_Slot* s = MESH_Get(model);
        std::vector<MeshVertex> out(4);
        void* p = nullptr;
        if (!s || !s->vertexBuffer || s->vertexBuffer->Lock(0, 0, &p, gfx::LOCK_READONLY) != gfx::GFX_OK) return {};
        memcpy(out.data(), p, sizeof(MeshVertex) * 4);
        s->vertexBuffer->Unlock();
        return out;
    }

    std::deque<std::vector<uint8_t>> images_;
    int skinned_ = 0, plain_ = 0;
};

TEST_F(PuppetTest, APlainModelWithAttachmentStaysAMeshWithoutAPuppet)
{
    Object* o = Make(plain_);
    EXPECT_EQ(o->model, plain_);            // not copied either
    EXPECT_EQ(o->renderMode, RENDER_MESH);
    EXPECT_EQ(o->puppet, nullptr);
    EXPECT_EQ(DrawFrame(), 1);
}

TEST_F(PuppetTest, ASkinnedModelIsCopiedWithARestPosePuppetAndSettingItAgainKeepsBoth)
{
    Object* o = Make(skinned_);
    int copy = o->model;
    ASSERT_NE(copy, skinned_);
    EXPECT_EQ(MESH_Get(copy)->state, MESH_COPY);
    EXPECT_EQ(o->renderMode, RENDER_PUPPET);
    ASSERT_NE(o->puppet, nullptr);
    Puppet* p = o->puppet;
    ASSERT_EQ(p->boneCount, 2);
    EXPECT_EQ(p->bones[0].position.z, 0.5f);   // the root stands where the skeleton says
    EXPECT_EQ(p->bones[1].position.z, 1.0f);
    EXPECT_EQ(p->bones[1].scale.x, 1.0f);
    EXPECT_STREQ(p->bones[1].definition.name, "B1");

    EXPECT_EQ(OBJ_SetModel(o, copy, true), 0);        // the model it has
    EXPECT_EQ(OBJ_SetModel(o, skinned_, true), 0);    // the model its copy came from
    EXPECT_EQ(o->puppet, p);
    EXPECT_EQ(o->model, copy);

    // Another skeleton of the same size keeps the puppet; one of another size replaces it. The
    // old copies go each time.
    int same = Load("BFM_SKIN_B", BuildSkinned(2));
    int bigger = Load("BFM_SKIN_C", BuildSkinned(3));
    EXPECT_NE(OBJ_SetModel(o, same, true), 0);
    EXPECT_EQ(o->puppet, p);
    EXPECT_EQ(MESH_Get(copy), nullptr);
    int copy2 = o->model;
    EXPECT_NE(OBJ_SetModel(o, bigger, true), 0);
    ASSERT_NE(o->puppet, nullptr);
    EXPECT_EQ(o->puppet->boneCount, 3);
    EXPECT_EQ(MESH_Get(copy2), nullptr);
    EXPECT_EQ(o->renderMode, RENDER_PUPPET);
}

TEST_F(PuppetTest, ARestPosePuppetDrawsItsBindPoseExactly)
{
    Object* o = Make(skinned_);
    EXPECT_EQ(DrawFrame(), 1);
    std::vector<MeshVertex> up = Uploaded(o->model);
    ASSERT_EQ(up.size(), 4u);
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(up[i].x, kBind[i].x);
        EXPECT_EQ(up[i].y, kBind[i].y);
        EXPECT_EQ(up[i].z, kBind[i].z);
        EXPECT_EQ(up[i].nz, 1.0f);   // normals are left alone
    }
    // The loaded mesh the copy came from is never deformed.
    EXPECT_EQ(MESHF_Vertices(MESH_Get(skinned_)->data, (size_t)MESH_Get(skinned_)->size)[0].x, kStale);

    // Hidden: skinned, not drawn.
    Object* saved = OBJ_Current;
    OBJ_Current = o;
    o->displayFlags |= DFG_HIDE;
    rec_->ClearLog();
    PUP_Draw();
    MTL_Flush();
    MEM_F_Reset();
    EXPECT_TRUE(rec_->Draws().empty());
    OBJ_Current = saved;
}

TEST_F(PuppetTest, PosedBonesMoveTheirVerticesByWeightAndAnInfluenceListEndsAtMinusOne)
{
    Object* o = Make(skinned_);
    o->puppet->bones[0].position = {0, 0, 1.5f};   // the root lifted by 1
    o->puppet->bones[1].forward = {1, 0, 0};       // the top turned a quarter about z
    EXPECT_EQ(DrawFrame(), 1);
    std::vector<MeshVertex> up = Uploaded(o->model);
    ASSERT_EQ(up.size(), 4u);
    const Vec3 want[4] = {{0, 0, 1}, {0.25f, -0.75f, 0.25f}, {1, 0, 1}, {1, 0, 1.5f}};
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(up[i].x, want[i].x, 1e-5f);
        EXPECT_NEAR(up[i].y, want[i].y, 1e-5f);
        EXPECT_NEAR(up[i].z, want[i].z, 1e-5f);
        EXPECT_EQ(up[i].nz, 1.0f);
    }
}

TEST_F(PuppetTest, APlainModelReplacingASkinnedOneReleasesThePuppetAndDrawsAsAMesh)
{
    Object* o = Make(skinned_);
    int copy = o->model;
    EXPECT_EQ(OBJ_SetModel(o, plain_, true), plain_);
    EXPECT_EQ(o->puppet, nullptr);
    EXPECT_EQ(o->renderMode, RENDER_MESH);
    EXPECT_EQ(MESH_Get(copy), nullptr);
    EXPECT_EQ(DrawFrame(), 1);

    // Dropping the model altogether leaves nothing behind either.
    Object* q = Make(skinned_);
    int copyQ = q->model;
    EXPECT_EQ(OBJ_SetModel(q, 0, true), 0);
    EXPECT_EQ(q->puppet, nullptr);
    EXPECT_EQ(MESH_Get(copyQ), nullptr);
    EXPECT_EQ(q->renderMode, RENDER_MESH);
}

TEST_F(PuppetTest, DestroyingAnObjectReleasesItsPuppetAndItsCopy)
{
    Object* o = Make(skinned_);
    int copy = o->model;
    OBJ_Kill(o);
    for (int i = 0; i < 4; i++) OBJ_RunAll(false);
    EXPECT_EQ(OBJ_Count(), 0);
    EXPECT_EQ(MESH_Get(copy), nullptr);   // the puppet's memory is checked by the leak sanitizer
    EXPECT_NE(MESH_Get(skinned_), nullptr);
}

} // namespace
