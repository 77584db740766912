// Meshes on the recording device: loading and validating images, material ids from texture
// names, queuing parts into chunk materials, device buffers across resets and failures, copies,
// and a table of malformed images that must be refused without touching memory outside them.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
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
#include "render_fixture.h"

namespace {

// ---- A small image writer (the layout meshgen writes) ----

struct Spec {
    int quads = 2;                                     // each quad: 4 vertices, 6 indices, one part
    std::vector<uint32_t> partMaterial{0, 3};          // material index of each quad's part
    std::vector<std::pair<int, std::string>> textures{{0, "TEX_A"}, {3, "TEX_B"}};
    bool pick = true, collision = true, skin = true;
    int attachments = 1;
};

// Where the writer put each section (byte offsets from the start of the image).
struct Layout {
    uint32_t pickPoints = 0, pickTris = 0, collPoints = 0, collFaces = 0, bones = 0, skin = 0;
    uint32_t bindPose = 0, skeleton = 0, attach = 0, frame = 0;
};

template <class T>
uint32_t Put(std::vector<uint8_t>& img, const T* items, size_t count)
{
    while (img.size() % 4) img.push_back(0);
    uint32_t at = (uint32_t)img.size();
    img.resize(img.size() + sizeof(T) * count);
    if (count) memcpy(img.data() + at, items, sizeof(T) * count);
    return at;
}

std::vector<uint8_t> Build(const Spec& s, Layout* out = nullptr)
{
    Layout l;
    std::vector<uint8_t> img(sizeof(MeshHeader), 0);
    MeshHeader h{};
    memcpy(h.magic, MESHF_Magic, 3);
    h.version = MESHF_Version;
    h.radius = 1.5f;
    std::vector<MeshVertex> v;
    std::vector<uint16_t> idx;
    std::vector<MeshPart> parts;
    for (int q = 0; q < s.quads; q++) {
        uint16_t b = (uint16_t)(q * 4);
        for (int k = 0; k < 4; k++)
            v.push_back(MeshVertex{(float)(k & 1) + q, (float)(k >> 1), 0, 0, 0, 1, 0xFF808080u, (float)(k & 1), (float)(k >> 1)});
        for (uint16_t i : {0, 1, 2, 2, 1, 3}) idx.push_back((uint16_t)(b + i));
        parts.push_back(MeshPart{s.partMaterial[q], 2, b, 4, (uint32_t)q * 6, 6});
    }
    h.vertexCount = (uint32_t)v.size();
    h.vertexOfs = Put(img, v.data(), v.size());
    h.indexCount = (uint32_t)idx.size();
    h.indexOfs = Put(img, idx.data(), idx.size());
    h.partCount = (uint32_t)parts.size();
    h.partOfs = Put(img, parts.data(), parts.size());
    for (auto& [slot, name] : s.textures) snprintf(h.textures[slot], MESHF_NameSize, "%s", name.c_str());

    const MeshPoint pts[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    if (s.pick) {
        MeshPickHeader ph{};
        h.pickOfs = Put(img, &ph, 1);
        ph.pointCount = 4;
        l.pickPoints = Put(img, pts, 4);
        ph.pointOfs = l.pickPoints - h.pickOfs;
        MeshPickTriangle tris[2] = {{0, {0, 1, 2}, {0, 0, 1}}, {0, {2, 1, 3}, {0, 0, 1}}};
        ph.triangleCount = 2;
        l.pickTris = Put(img, tris, 2);
        ph.triangleOfs = l.pickTris - h.pickOfs;
        memcpy(img.data() + h.pickOfs, &ph, sizeof ph);
    }
    if (s.collision) {
        MeshCollisionHeader ch{};
        h.collisionOfs = Put(img, &ch, 1);
        ch.pointCount = 4;
        l.collPoints = Put(img, pts, 4);
        ch.pointOfs = l.collPoints - h.collisionOfs;
        MeshCollisionFace faces[2] = {{{0, 1, 2}, 0}, {{2, 1, 3}, 0}};
        ch.faceCount = 2;
        l.collFaces = Put(img, faces, 2);
        ch.faceOfs = l.collFaces - h.collisionOfs;
        memcpy(img.data() + h.collisionOfs, &ch, sizeof ch);
    }
    if (s.skin) {
        MeshBone bones[2] = {{"ROOT", -1, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}}, {"TOP", 0, {0, 0, 1}, {1, 0, 0}, {0, 0, 1}}};
        h.boneCount = 2;
        h.rootBone = 0;
        h.boneOfs = l.bones = Put(img, bones, 2);
        std::vector<MeshSkin> skin(v.size(), MeshSkin{{0, 1, -1, -1}, {0.5f, 0.5f, 0, 0}});
        h.skinOfs = l.skin = Put(img, skin.data(), skin.size());
        std::vector<MeshPoint> bind;
        for (const MeshVertex& x : v) bind.push_back(MeshPoint{x.x, x.y, x.z});
        h.bindPoseOfs = l.bindPose = Put(img, bind.data(), bind.size());
        MeshSkeleton sk{{0, 0, 0.5f}, 0};
        h.skeletonOfs = l.skeleton = Put(img, &sk, 1);
    }
    if (s.attachments) {
        std::vector<MeshAttachment> a(s.attachments);
        h.attachCount = (uint32_t)a.size();
        h.attachOfs = l.attach = Put(img, a.data(), a.size());
        MeshAttachFrame f{s.skin ? 1 : -1, {0, 0, 1}, {1, 0, 0}, {0, 0, 1}};
        l.frame = Put(img, &f, 1);
        for (uint32_t i = 0; i < h.attachCount; i++) {
            MeshAttachment rec{};
            snprintf(rec.name, sizeof rec.name, "ATT_%u", i);
            rec.frameOfs = l.frame;
            memcpy(img.data() + l.attach + i * sizeof rec, &rec, sizeof rec);
        }
    }
    memcpy(img.data(), &h, sizeof h);
    if (out) *out = l;
    return img;
}

MeshHeader* Hdr(std::vector<uint8_t>& img) { return reinterpret_cast<MeshHeader*>(img.data()); }

template <class T>
T* At(std::vector<uint8_t>& img, uint32_t ofs)
{
    return reinterpret_cast<T*>(img.data() + ofs);
}

class MeshTest : public RenderTest {
protected:
    void SetUp() override
    {
        StartRender("mesh");
        rec_->ClearLog();
    }
    void TearDown() override
    {
        StopRender();
    }
    std::string ReadLog()
    {
        std::ifstream f(dir_ + "/Log.txt");
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    bool BoxSays(const std::string& text)
    {
        for (const std::string& b : os::FAKE_MessageBoxes())
            if (b.find(text) != std::string::npos) return true;
        return false;
    }
    // Loads an image that stays alive for the test (the table uses it in place).
    int Load(const char* name, std::vector<uint8_t> img)
    {
        images_.push_back(std::move(img));
        return MESH_Load(name, images_.back().data(), (int)images_.back().size());
    }
    std::vector<const gfx::DrawRecord*> Indexed()
    {
        std::vector<const gfx::DrawRecord*> out;
        for (const gfx::DrawRecord& d : rec_->Draws())
            if (d.kind == gfx::DRAW_INDEXED) out.push_back(&d);
        return out;
    }
    // One frame: queue, flush, start the next frame's scratch.
    void Frame(const std::vector<std::pair<int, const Mat4*>>& draws)
    {
        for (auto& [id, world] : draws) MESH_Draw(id, world);
        MTL_Flush();
        MEM_F_Reset();
    }

    std::deque<std::vector<uint8_t>> images_;
};

using DrawKey = std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>;   // min, count, start, prims

std::multiset<DrawKey> Keys(const std::vector<const gfx::DrawRecord*>& draws)
{
    std::multiset<DrawKey> keys;
    for (const gfx::DrawRecord* d : draws) keys.insert({d->minIndex, d->numVertices, d->startIndex, d->primCount});
    return keys;
}

const Mat4 kWorldA = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {3, 4, 5, 1}}};
const Mat4 kWorldB = {{{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 2, 1}}};

// ---- Loading ----

TEST_F(MeshTest, TextureNamesInEntriesZeroAndThreeGiveMaterialIdsAt384And396)
{
    int id = Load("BFM_TWO", Build(Spec{}));
    ASSERT_EQ(id, 1);
    EXPECT_EQ(MESH_Count(), 2);
    const uint8_t* data = MESH_Get(id)->data;
    int32_t ids[10];
    memcpy(ids, data + 384, sizeof ids);
    EXPECT_EQ(ids[0], MTL_Find("MTL_A"));
    EXPECT_EQ(ids[3], MTL_Find("MTL_B"));
    EXPECT_NE(ids[0], 0);
    EXPECT_NE(ids[3], 0);
    for (int i : {1, 2, 4, 5, 6, 7, 8, 9}) EXPECT_EQ(ids[i], 0) << i;
    // Made from textures that are not there: chunk materials, opaque, white.
    EXPECT_EQ(MTL_Get(ids[0])->kind, MTL_KIND_CHUNK);
    EXPECT_EQ(MTL_Get(ids[0])->order, 50);
    // The sections other modules read are reachable through the views.
    size_t size = (size_t)MESH_Get(id)->size;
    ASSERT_NE(MESHF_PickTriangles(data, size), nullptr);
    EXPECT_EQ(MESHF_PickTriangles(data, size)[1].index[2], 3);
    EXPECT_EQ(MESHF_PickPoints(data, size)[3].x, 1.0f);
    EXPECT_EQ(MESHF_CollisionFaces(data, size)[1].index[0], 2);
    EXPECT_STREQ(MESHF_Bones(data, size)[1].name, "TOP");
    EXPECT_EQ(MESHF_Skin(data, size)[7].bone[1], 1);
    EXPECT_EQ(MESHF_Skeleton(data, size)->rootPosition[2], 0.5f);
    EXPECT_EQ(MESHF_AttachFrame(data, size, MESHF_Attachments(data, size)[0])->bone, 1);
}

TEST_F(MeshTest, AnExistingMtlEntryIsUsedForItsTexture)
{
    static const char text[] = "#MRM(CHUNK) #ORDER(ALPHA)";
    int mtl = MTL_Load_MEM("MTL_B", text);
    int id = Load("BFM_M", Build(Spec{}));
    EXPECT_EQ(MESH_Header(id)->materialIds[3], mtl);
}

TEST_F(MeshTest, VersionSevenIsRefused)
{
    std::vector<uint8_t> img = Build(Spec{});
    img[3] = 7;
    EXPECT_EQ(Load("BFM_OLD", img), 0);
    EXPECT_TRUE(BoxSays("Incorrect Version (BFM_OLD) : MS2"));
    EXPECT_EQ(MESH_Find("BFM_OLD"), 0);
    // The refused name took no slot.
    ERR_ResetForTests();
    EXPECT_EQ(Load("BFM_NEW", Build(Spec{})), 1);
}

TEST_F(MeshTest, MissingNameOrBytesIsFatal)
{
    std::vector<uint8_t> img = Build(Spec{});
    EXPECT_EQ(MESH_Load(nullptr, img.data(), (int)img.size()), 0);
    EXPECT_TRUE(BoxSays("MESH_Load : MS1"));
    ERR_ResetForTests();
    EXPECT_EQ(MESH_Load("BFM_X", nullptr, 10), 0);
    EXPECT_TRUE(BoxSays("MESH_Load : MS1"));
}

TEST_F(MeshTest, ASecondEntryOfOneNameIsIgnoredAndFindIsExact)
{
    int id = Load("BFM_Same", Build(Spec{}));
    const uint8_t* first = MESH_Get(id)->data;
    EXPECT_EQ(Load("BFM_Same", Build(Spec{})), 0);
    EXPECT_EQ(MESH_Get(id)->data, first);
    EXPECT_EQ(MESH_Find("BFM_Same"), id);
    EXPECT_EQ(MESH_Find("BFM_SAME"), 0);
    EXPECT_EQ(MESH_Find(""), 0);
    EXPECT_TRUE(MESH_IsNamed("BFM_Same", id));
    EXPECT_FALSE(MESH_IsNamed("BFM_SAME", id));
    EXPECT_FALSE(MESH_IsNamed("BFM_Same", id + 1));
}

TEST_F(MeshTest, IdsRunOutAfter599)
{
    Spec small;
    small.pick = small.collision = small.skin = false;
    small.attachments = 0;
    std::vector<uint8_t> img = Build(small);
    for (int i = 1; i <= MESH_MaxId; i++) ASSERT_EQ(Load(("BFM_" + std::to_string(i)).c_str(), img), i);
    EXPECT_EQ(Load("BFM_600", img), 0);
    EXPECT_EQ(MESH_Copy(1, "BFM_COPY"), 0);
    EXPECT_NE(ReadLog().find("Ran out of MeshIDs"), std::string::npos);
    EXPECT_EQ(MESH_Find("BFM_600"), 0);
}

// ---- Malformed images ----

struct BadCase {
    const char* what;
    std::function<void(std::vector<uint8_t>&, const Layout&)> spoil;
    const char* reason;   // the log line's reason
};

TEST_F(MeshTest, MalformedImagesAreRefusedWithoutTouchingMemoryOutsideThem)
{
    using Img = std::vector<uint8_t>;
    const BadCase cases[] = {
        {"vertex array past the end", [](Img& i, const Layout&) { Hdr(i)->vertexOfs = (uint32_t)i.size() - 8; },
         "vertex array out of bounds"},
        {"vertex offset far past the end", [](Img& i, const Layout&) { Hdr(i)->vertexOfs = 0xFFFFFFF0u; },
         "vertex array out of bounds"},
        {"vertex count overflows", [](Img& i, const Layout&) { Hdr(i)->vertexCount = 0xFFFFFFFFu; },
         "vertex array out of bounds"},
        {"misaligned vertex array", [](Img& i, const Layout&) { Hdr(i)->vertexOfs += 2; },
         "vertex array out of bounds"},
        {"index count overflows", [](Img& i, const Layout&) { Hdr(i)->indexCount = 0x80000001u; },
         "index array out of bounds"},
        {"index offset past the end", [](Img& i, const Layout&) { Hdr(i)->indexOfs = (uint32_t)i.size(); Hdr(i)->indexCount = 1; },
         "index array out of bounds"},
        {"index beyond the vertices",
         [](Img& i, const Layout&) { At<uint16_t>(i, Hdr(i)->indexOfs)[7] = 8; }, "index beyond the vertices"},
        {"part table past the end", [](Img& i, const Layout&) { Hdr(i)->partCount = 1000; },
         "part table out of bounds"},
        {"part beyond the indices", [](Img& i, const Layout&) { At<MeshPart>(i, Hdr(i)->partOfs)[1].startIndex = 10; },
         "part beyond the indices or vertices"},
        {"part start overflows",
         [](Img& i, const Layout&) { At<MeshPart>(i, Hdr(i)->partOfs)[0].startIndex = 0xFFFFFFFEu; },
         "part beyond the indices or vertices"},
        {"primitive count overflows to a small index count",
         [](Img& i, const Layout&) {
             MeshPart& p = At<MeshPart>(i, Hdr(i)->partOfs)[0];
             p.primCount = 0x55555556u;   // × 3 wraps to 2 in 32 bits
             p.indexCount = 2;
         },
         "part beyond the indices or vertices"},
        {"part vertex range overflows",
         [](Img& i, const Layout&) { At<MeshPart>(i, Hdr(i)->partOfs)[1].vertexCount = 0xFFFFFFFFu; },
         "part beyond the indices or vertices"},
        {"part index outside its vertex range",
         [](Img& i, const Layout&) { At<MeshPart>(i, Hdr(i)->partOfs)[1].minIndex = 5; At<MeshPart>(i, Hdr(i)->partOfs)[1].vertexCount = 3; },
         "part beyond the indices or vertices"},
        {"parts sharing indices", [](Img& i, const Layout&) { At<MeshPart>(i, Hdr(i)->partOfs)[1].startIndex = 0; At<MeshPart>(i, Hdr(i)->partOfs)[1].minIndex = 0; Hdr(i)->partCount = 2; At<MeshPart>(i, Hdr(i)->partOfs)[0].indexCount = 12; At<MeshPart>(i, Hdr(i)->partOfs)[0].primCount = 4; At<MeshPart>(i, Hdr(i)->partOfs)[0].vertexCount = 8; },
         "part beyond the indices or vertices"},
        {"material index past the ten", [](Img& i, const Layout&) { At<MeshPart>(i, Hdr(i)->partOfs)[0].material = 10; },
         "part beyond the indices or vertices"},
        {"texture name without its zero", [](Img& i, const Layout&) { memset(Hdr(i)->textures[5], 'A', 32); },
         "texture name not terminated"},
        {"pick block past the end", [](Img& i, const Layout&) { Hdr(i)->pickOfs = (uint32_t)i.size() - 12; },
         "pick mesh out of bounds"},
        {"pick points wrap around",
         [](Img& i, const Layout&) { At<MeshPickHeader>(i, Hdr(i)->pickOfs)->pointOfs = 0xFFFFFFF0u; },
         "pick mesh out of bounds"},
        {"pick triangle count overflows",
         [](Img& i, const Layout&) { At<MeshPickHeader>(i, Hdr(i)->pickOfs)->triangleCount = 0xFFFFFFFFu; },
         "pick mesh out of bounds"},
        {"pick triangle beyond its points", [](Img& i, const Layout& l) { At<MeshPickTriangle>(i, l.pickTris)[1].index[2] = 4; },
         "pick mesh out of bounds"},
        {"collision faces past the end",
         [](Img& i, const Layout&) { At<MeshCollisionHeader>(i, Hdr(i)->collisionOfs)->faceCount = 100000; },
         "collision hull out of bounds"},
        {"collision face beyond its points",
         [](Img& i, const Layout& l) { At<MeshCollisionFace>(i, l.collFaces)[0].index[1] = 9; },
         "collision hull out of bounds"},
        {"bones without a bone table", [](Img& i, const Layout&) { Hdr(i)->boneOfs = 0; }, "skinning data out of bounds"},
        {"bone table without bones", [](Img& i, const Layout&) { Hdr(i)->boneCount = 0; }, "skinning data out of bounds"},
        {"bone count overflows", [](Img& i, const Layout&) { Hdr(i)->boneCount = 0x40000000u; }, "skinning data out of bounds"},
        {"root bone past the bones", [](Img& i, const Layout&) { Hdr(i)->rootBone = 2; }, "skinning data out of bounds"},
        {"bone parent past the bones", [](Img& i, const Layout& l) { At<MeshBone>(i, l.bones)[1].parent = 2; },
         "skinning data out of bounds"},
        {"skin influence past the bones", [](Img& i, const Layout& l) { At<MeshSkin>(i, l.skin)[3].bone[1] = 2; },
         "skinning data out of bounds"},
        {"bind pose past the end", [](Img& i, const Layout&) { Hdr(i)->bindPoseOfs = (uint32_t)i.size() - 12; },
         "skinning data out of bounds"},
        {"skeleton past the end", [](Img& i, const Layout&) { Hdr(i)->skeletonOfs = (uint32_t)i.size() - 4; },
         "skinning data out of bounds"},
        {"attachment count overflows", [](Img& i, const Layout&) { Hdr(i)->attachCount = 0x10000000u; },
         "attachments out of bounds"},
        {"attachments counted but absent", [](Img& i, const Layout&) { Hdr(i)->attachOfs = 0; }, "attachments out of bounds"},
        {"attachment frame past the end",
         [](Img& i, const Layout& l) { At<MeshAttachment>(i, l.attach)->frameOfs = (uint32_t)i.size() - 8; },
         "attachments out of bounds"},
        {"attachment on a missing bone", [](Img& i, const Layout& l) { At<MeshAttachFrame>(i, l.frame)->bone = 5; },
         "attachments out of bounds"},
        {"image cut inside its header", [](Img& i, const Layout&) { i.resize(200); }, "image shorter than its header"},
        {"image cut inside its sections", [](Img& i, const Layout& l) { i.resize(l.bindPose + 4); },
         "out of bounds"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.what);
        ERR_ResetForTests();
        os::FAKE_Reset();
        Layout l;
        std::vector<uint8_t> img = Build(Spec{}, &l);
        ASSERT_EQ(MESHF_Check(img.data(), img.size()), MESHF_CHECK_OK);
        c.spoil(img, l);
        // Exactly the image's bytes, so AddressSanitizer sees any read past them.
        uint8_t* exact = (uint8_t*)malloc(img.size());
        memcpy(exact, img.data(), img.size());
        EXPECT_EQ(MESH_Load("BFM_BAD", exact, (int)img.size()), 0);
        EXPECT_EQ(MESH_Find("BFM_BAD"), 0);
        std::string log = ReadLog();
        EXPECT_NE(log.find("MESH_Load : BFM_BAD : "), std::string::npos);
        EXPECT_NE(log.find(c.reason), std::string::npos) << log.substr(log.rfind("MESH_Load"));
        EXPECT_TRUE(BoxSays("Invalid Mesh Data (BFM_BAD) : MS3"));
        free(exact);
    }
    // Nothing refused took a slot or reached the device.
    EXPECT_EQ(MESH_Count(), 1);
    EXPECT_EQ(rec_->CreatedVertexBuffers(), 0);
}

TEST_F(MeshTest, AnImageOffItsAlignmentIsRefused)
{
    std::vector<uint8_t> img = Build(Spec{});
    std::vector<uint8_t> shifted(img.size() + 1);
    memcpy(shifted.data() + 1, img.data(), img.size());
    EXPECT_EQ(MESH_Load("BFM_ODD", shifted.data() + 1, (int)img.size()), 0);
    EXPECT_NE(ReadLog().find("image not 4-byte aligned"), std::string::npos);
}

// ---- Drawing ----

TEST_F(MeshTest, DrawQueuesEveryPartIntoItsMaterialWithTheWorldMatrix)
{
    Spec s;
    s.quads = 3;
    s.partMaterial = {0, 3, 5};   // entry 5 has no texture name: that part is not drawn
    int id = Load("BFM_DRAW", Build(s));
    Frame({{id, &kWorldA}});
    auto draws = Indexed();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(Keys(draws), (std::multiset<DrawKey>{{0, 4, 0, 2}, {4, 4, 6, 2}}));
    for (const gfx::DrawRecord* d : draws) {
        EXPECT_EQ(d->primType, (uint32_t)gfx::PT_TRIANGLELIST);
        EXPECT_EQ(d->state.fvf, DRW_FVF_PNCT);
        EXPECT_EQ(d->stride, 36u);
        EXPECT_EQ(memcmp(d->state.world, &kWorldA, sizeof kWorldA), 0);
    }
    // The buffers hold the image's vertices and indices.
    const MESH_Slot* slot = MESH_Get(id);
    ASSERT_NE(slot->vertexBuffer, nullptr);
    void* p = nullptr;
    ASSERT_EQ(slot->vertexBuffer->Lock(0, 0, &p, gfx::LOCK_READONLY), gfx::GFX_OK);
    EXPECT_EQ(memcmp(p, MESHF_Vertices(slot->data, (size_t)slot->size), 12 * sizeof(MeshVertex)), 0);
    slot->vertexBuffer->Unlock();
    ASSERT_EQ(slot->indexBuffer->Lock(0, 0, &p, gfx::LOCK_READONLY), gfx::GFX_OK);
    EXPECT_EQ(memcmp(p, MESHF_Indices(slot->data, (size_t)slot->size), 18 * 2), 0);
    slot->indexBuffer->Unlock();

    // Later frames reuse the buffers; a null world draws with the identity.
    rec_->ClearLog();
    Frame({{id, nullptr}});
    EXPECT_EQ(rec_->CreatedVertexBuffers(), 1);
    EXPECT_EQ(rec_->CallCount(gfx::CALL_VBLOCK), 0);
    ASSERT_EQ(Indexed().size(), 2u);
    EXPECT_EQ(Indexed()[0]->state.world[0], 1.0f);
    EXPECT_EQ(Indexed()[0]->state.world[12], 0.0f);
}

TEST_F(MeshTest, ACopyDrawsLikeItsSourceAndFreeingItLeavesTheSourceDrawable)
{
    int src = Load("BFM_SRC", Build(Spec{}));
    int copy = MESH_Copy(src, "BFM_MINE");
    ASSERT_NE(copy, 0);
    ASSERT_NE(copy, src);
    const MESH_Slot* a = MESH_Get(src);
    const MESH_Slot* b = MESH_Get(copy);
    EXPECT_EQ(b->state, MESH_COPY);
    EXPECT_NE(b->data, a->data);
    ASSERT_EQ(b->size, a->size);
    EXPECT_EQ(memcmp(b->data, a->data, (size_t)a->size), 0);   // parts, material ids, sections
    EXPECT_EQ(MESH_Find("BFM_MINE"), copy);
    // The copy's offsets work from its own image.
    EXPECT_EQ(MESHF_Check(b->data, (size_t)b->size), MESHF_CHECK_OK);
    EXPECT_EQ(MESHF_Skin(b->data, (size_t)b->size), (const MeshSkin*)(b->data + MESH_Header(copy)->skinOfs));

    Frame({{src, &kWorldA}, {copy, &kWorldB}});
    auto draws = Indexed();
    ASSERT_EQ(draws.size(), 4u);
    std::multiset<DrawKey> fromSrc, fromCopy;
    for (const gfx::DrawRecord* d : draws) {
        DrawKey k{d->minIndex, d->numVertices, d->startIndex, d->primCount};
        if (d->streamSource == a->vertexBuffer) fromSrc.insert(k);
        else if (d->streamSource == b->vertexBuffer) fromCopy.insert(k);
    }
    EXPECT_EQ(fromSrc.size(), 2u);
    EXPECT_EQ(fromSrc, fromCopy);
    EXPECT_EQ(rec_->LiveVertexBuffers(), 2);

    MESH_Free(copy);
    EXPECT_EQ(MESH_Get(copy), nullptr);
    EXPECT_EQ(MESH_Find("BFM_MINE"), 0);
    EXPECT_EQ(rec_->LiveVertexBuffers(), 1);
    EXPECT_EQ(rec_->LiveIndexBuffers(), 1);
    rec_->ClearLog();
    Frame({{src, &kWorldA}});
    EXPECT_EQ(Indexed().size(), 2u);
    // The freed slot is taken again by the next copy.
    EXPECT_EQ(MESH_Copy(src, nullptr), copy);
    EXPECT_TRUE(MESH_IsNamed("BFM_SRC", copy));
}

TEST_F(MeshTest, OnlyCopiesAreFreed)
{
    int src = Load("BFM_SRC", Build(Spec{}));
    int c1 = MESH_Copy(src, "BFM_C1");
    int c2 = MESH_Copy(src, "BFM_C2");
    MESH_FreeIfCopy(src);
    MESH_Free(src);
    EXPECT_NE(MESH_Get(src), nullptr);
    MESH_FreeIfCopy(0);
    MESH_FreeIfCopy(c1);
    EXPECT_EQ(MESH_Get(c1), nullptr);
    EXPECT_NE(MESH_Get(c2), nullptr);
    MESH_FreeCopies();
    EXPECT_EQ(MESH_Get(c2), nullptr);
    EXPECT_NE(MESH_Get(src), nullptr);
}

TEST_F(MeshTest, AfterADeviceResetAMeshDrawsAgainWithoutReloading)
{
    DEV_ResetHooks hooks;
    hooks.releaseMeshBuffers = MESH_ReleaseAllBuffers;
    hooks.dropBatches = MTL_DropBatches;
    DEV_SetResetHooks(hooks);
    rec_->SetStrictReset(true);   // a reset with live buffers fails, as on the real device
    int id = Load("BFM_RESET", Build(Spec{}));
    Frame({{id, &kWorldA}});
    EXPECT_EQ(rec_->LiveVertexBuffers(), 1);

    MESH_Draw(id, &kWorldA);      // queued, then the device goes away under it
    DEV_Reset("test");
    EXPECT_FALSE(BoxSays("Could not reset"));
    EXPECT_EQ(rec_->LiveVertexBuffers(), 0);
    EXPECT_EQ(rec_->LiveIndexBuffers(), 0);
    rec_->ClearLog();
    MTL_Flush();                  // the batch queued before the reset is gone
    EXPECT_EQ(Indexed().size(), 0u);
    MEM_F_Reset();

    Frame({{id, &kWorldB}});
    auto draws = Indexed();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(rec_->CreatedVertexBuffers(), 2);
    EXPECT_EQ(rec_->LiveVertexBuffers(), 1);
    EXPECT_EQ(rec_->LiveIndexBuffers(), 1);
    EXPECT_EQ(draws[0]->streamSource, MESH_Get(id)->vertexBuffer);
    EXPECT_EQ(memcmp(draws[0]->state.world, &kWorldB, sizeof kWorldB), 0);
}

struct FailCase {
    uint32_t call;
    const char* message;
    bool recovers;   // a later draw works (an unlock that failed leaves the device's buffer locked)
};

TEST_F(MeshTest, BufferFailuresAreFatalAndNothingIsQueued)
{
    const FailCase cases[] = {
        {gfx::CALL_CREATEVERTEXBUFFER, "CreateVertexBuffer : MH-5", true},
        {gfx::CALL_CREATEINDEXBUFFER, "CreateIndexBuffer : MH-5", true},
        {gfx::CALL_VBLOCK, "VertexLock : MH-5", true},
        {gfx::CALL_IBLOCK, "IndexLock : MH-5", true},
        {gfx::CALL_VBUNLOCK, "VertexUnLock : MH-5", false},
        {gfx::CALL_IBUNLOCK, "IndexUnLock : MH-5", false},
    };
    int n = 0;
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.message);
        ERR_ResetForTests();
        os::FAKE_Reset();
        MESH_ReleaseAllBuffers();
        int id = Load(("BFM_F" + std::to_string(n++)).c_str(), Build(Spec{}));
        rec_->ClearLog();
        rec_->FailNext(c.call, gfx::GFX_OUTOFVIDEOMEMORY, 1);
        Frame({{id, &kWorldA}});
        EXPECT_TRUE(BoxSays(c.message));
        EXPECT_EQ(Indexed().size(), 0u);
        if (c.call == gfx::CALL_CREATEINDEXBUFFER) EXPECT_EQ(rec_->LiveVertexBuffers(), 0);
        if (!c.recovers) continue;
        ERR_ResetForTests();
        os::FAKE_Reset();
        rec_->ClearLog();
        Frame({{id, &kWorldA}});
        EXPECT_FALSE(BoxSays("MH"));
        EXPECT_EQ(Indexed().size(), 2u);
    }
}

TEST_F(MeshTest, MarkedDirtyVerticesAreCopiedAgain)
{
    int id = MESH_Copy(Load("BFM_SKIN", Build(Spec{})), "BFM_SKIN_COPY");
    Frame({{id, nullptr}});
    MeshVertex* v = MESHF_Vertices(MESH_Get(id)->data, (size_t)MESH_Get(id)->size);
    v[0].z = 9.0f;   // what the puppet's skinning does
    MESH_SetDirty(id);
    rec_->ClearLog();
    Frame({{id, nullptr}});
    EXPECT_EQ(rec_->CallCount(gfx::CALL_VBLOCK), 1);
    void* p = nullptr;
    ASSERT_EQ(MESH_Get(id)->vertexBuffer->Lock(0, 0, &p, gfx::LOCK_READONLY), gfx::GFX_OK);
    EXPECT_EQ(static_cast<MeshVertex*>(p)[0].z, 9.0f);
    MESH_Get(id)->vertexBuffer->Unlock();
}

} // namespace
