// Materials and the render queue on the recording device: the drawing order of the sorted list
// and its texture groups, quad blocks and their draw calls, chunk batches, the material text
// words, materials made from textures, the settings pass and the state a flush leaves behind.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/err.h"
#include "core/log.h"
#include "core/mem.h"
#include "core/settings.h"
#include "platform/gfx/gfx.h"
#include "platform/os/os.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"
#include "render_fixture.h"

namespace {

class MtlTest : public RenderTest {
protected:
    void SetUp() override
    {
        StartRender("mtl");
        LIGHT_Enable(false);
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
    // Gives a dynamic texture slot a name (no image: the tests only need names and alpha).
    int FakeTexture(int slot, const char* name, bool alpha)
    {
        snprintf(TEX_Table[slot].name, sizeof TEX_Table[slot].name, "%s", name);
        TEX_Table[slot].hasAlpha = alpha;
        return slot;
    }
    std::vector<const gfx::DrawRecord*> DrawsOf(uint32_t kind)
    {
        std::vector<const gfx::DrawRecord*> out;
        for (const gfx::DrawRecord& d : rec_->Draws())
            if (d.kind == kind) out.push_back(&d);
        return out;
    }
    static PCT_Vect Pct(float x, uint32_t colour) { return PCT_Vect{x, 0, 0, colour, 0, 0}; }

};

std::vector<std::string> ListNames()
{
    std::vector<std::string> names;
    for (Material* m = MTL_ListHead(); m; m = m->next) names.push_back(m->name);
    return names;
}

uint32_t FirstColour(const gfx::DrawRecord& d)
{
    PCT_Vect v;
    memcpy(&v, d.vertices.data(), sizeof v);
    return v.colour;
}

// ---- The sorted list ----

TEST_F(MtlTest, FlushFollowsDrawingOrderNotCreationOrder)
{
    const int orders[] = {80, 20, 50};
    for (int order : orders) {
        int id = MTL_Create(("MTL_O" + std::to_string(order)).c_str(), MTL_KIND_PCT, order);
        ASSERT_NE(id, 0);
        PCT_Vect tri[3] = {Pct(0, (uint32_t)order), Pct(1, 0), Pct(2, 0)};
        EXPECT_NE(MTL_Get(id)->AddTriangleArray(tri), nullptr);
    }
    MTL_Flush();
    auto draws = DrawsOf(gfx::DRAW_USERMEMORY);
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(FirstColour(*draws[0]), 20u);
    EXPECT_EQ(FirstColour(*draws[1]), 50u);
    EXPECT_EQ(FirstColour(*draws[2]), 80u);
    EXPECT_EQ(ListNames(), (std::vector<std::string>{"MTL_O20", "MTL_O50", "MTL_O80"}));
}

TEST_F(MtlTest, SameTextureJoinsTheEarlierMaterialsGroup)
{
    int t1 = FakeTexture(400, "TEX_ONE", false);
    int t2 = FakeTexture(401, "TEX_TWO", false);
    MTL_Create("MTL_FIRST", MTL_KIND_CHUNK, 50, t1);
    MTL_Create("MTL_OTHER", MTL_KIND_CHUNK, 50, t2);
    MTL_Create("MTL_LATER", MTL_KIND_CHUNK, 60, t1);   // another order: no join
    MTL_Create("MTL_SECOND", MTL_KIND_CHUNK, 50, t1);
    // The second material of texture one joins the first one's group, ahead of the material of
    // texture two created between them; different orders never mix.
    EXPECT_EQ(ListNames(), (std::vector<std::string>{"MTL_FIRST", "MTL_SECOND", "MTL_OTHER", "MTL_LATER"}));
}

TEST_F(MtlTest, MaterialTextsOfOneTextureGroupAtLoad)
{
    FakeTexture(400, "TEX_ONE", false);
    FakeTexture(401, "TEX_TWO", false);
    static const char a[] = "#MRM(CHUNK) #TEX0(TEX_ONE)";
    static const char b[] = "#MRM(CHUNK) #TEX0(TEX_TWO)";
    static const char c[] = "#MRM(CHUNK) #TEX0 TEX_ONE";
    MTL_Load_MEM("MTL_A", a);
    MTL_Load_MEM("MTL_B", b);
    MTL_Load_MEM("MTL_C", c);
    EXPECT_EQ(ListNames(), (std::vector<std::string>{"MTL_A", "MTL_C", "MTL_B"}));
}

TEST_F(MtlTest, TheTwoHundredFiftySixthMaterialIsNotMade)
{
    for (int i = 1; i < MTL_MaxMaterials; i++)
        ASSERT_EQ(MTL_Create(("MTL_" + std::to_string(i)).c_str(), MTL_KIND_CHUNK, 50), i);
    EXPECT_EQ(MTL_Create("MTL_ONE_TOO_MANY", MTL_KIND_CHUNK, 50), 0);
    EXPECT_EQ(MTL_FromTexture("TEX_MORE", MTL_KIND_CHUNK, nullptr, nullptr), 0);
    static const char text[] = "#MRM(CHUNK)";
    EXPECT_EQ(MTL_Load_MEM("MTL_MORE", text), 0);
    EXPECT_EQ(MTL_Find("MTL_255"), 255);
    EXPECT_EQ(MTL_Get(256), nullptr);
    EXPECT_EQ(MTL_Get(0), nullptr);
}

// ---- Quad batches ----

template <class V>
std::vector<int> CountsOf(void* head)
{
    std::vector<int> counts;
    for (auto* b = static_cast<QuadBuffer<V>*>(head); b; b = b->next) counts.push_back(b->count);
    return counts;
}

// Vertices in each block of a quad material's batch, head first.
std::vector<int> BlockCounts(const Material* m)
{
    switch (m->kind) {
    case MTL_KIND_PRCT: return CountsOf<PRCT_Vect>(m->batchHead);
    case MTL_KIND_PNCT: return CountsOf<PNCT_Vect>(m->batchHead);
    case MTL_KIND_PCT: return CountsOf<PCT_Vect>(m->batchHead);
    default: return {};
    }
}

struct QuadCase {
    int kind;
    int quadsPerBlock;                 // quads only: 30, 24 and 36 vertices per block
    std::vector<uint32_t> triangles;   // per draw call for seven quads
};

TEST_F(MtlTest, SevenQuadsFillBlocksAndDrawOneCallPerBlock)
{
    const QuadCase cases[] = {
        {MTL_KIND_PRCT, 5, {10, 4}},
        {MTL_KIND_PNCT, 4, {8, 6}},
        {MTL_KIND_PCT, 6, {12, 2}},
    };
    const uint32_t fvf[] = {0, 0, DRW_FVF_PRCT, DRW_FVF_PNCT, DRW_FVF_PCT};
    const uint32_t stride[] = {0, 0, 28, 36, 24};
    for (const QuadCase& c : cases) {
        SCOPED_TRACE(c.kind);
        MTL_ResetForTests();
        MEM_F_Reset();
        rec_->ClearLog();
        int id = MTL_Create("MTL_QUADS", c.kind, 50);
        Material* m = MTL_Get(id);
        ASSERT_NE(m, nullptr);
        // Quads of any vertex type: four corners whose first float tells them apart.
        alignas(8) uint8_t quad[4][36] = {};
        for (int q = 0; q < 7; q++) {
            for (int k = 0; k < 4; k++) {
                float x = (float)(q * 10 + k);
                memcpy(quad[k], &x, sizeof x);
            }
            uint8_t packed[4 * 36];
            for (int k = 0; k < 4; k++) memcpy(packed + k * stride[c.kind], quad[k], stride[c.kind]);
            EXPECT_NE(m->AddQuadArray(packed), nullptr);
        }
        // The first block is full at its quads-only size; the second holds the rest.
        EXPECT_EQ(BlockCounts(m), (std::vector<int>{c.quadsPerBlock * 6, (7 - c.quadsPerBlock) * 6}));

        MTL_Flush();
        auto draws = DrawsOf(gfx::DRAW_USERMEMORY);
        ASSERT_EQ(draws.size(), c.triangles.size());
        for (size_t i = 0; i < draws.size(); i++) {
            EXPECT_EQ(draws[i]->primType, (uint32_t)gfx::PT_TRIANGLELIST);
            EXPECT_EQ(draws[i]->primCount, c.triangles[i]);
            EXPECT_EQ(draws[i]->stride, stride[c.kind]);
            EXPECT_EQ(draws[i]->state.fvf, fvf[c.kind]);
        }
        // The first quad's corners become TL-TR-BL, BL-TR-BR.
        const float expect[6] = {0, 1, 2, 2, 1, 3};
        for (int v = 0; v < 6; v++) {
            float x;
            memcpy(&x, draws[0]->vertices.data() + v * stride[c.kind], sizeof x);
            EXPECT_EQ(x, expect[v]) << "vertex " << v;
        }
        EXPECT_EQ(m->batchHead, nullptr);
    }
}

TEST_F(MtlTest, TrianglesLeaveBlocksBeforeTheyAreQuiteFull)
{
    // A block takes a new run only while count + n stays under its capacity: 27 PNCT vertices
    // hold 8 triangles, not 9, so the ninth opens a second block.
    int id = MTL_Create("MTL_TRIS", MTL_KIND_PNCT, 50);
    Material* m = MTL_Get(id);
    PNCT_Vect t[3] = {};
    for (int i = 0; i < 9; i++) ASSERT_NE(m->AddTriangle(&t[0], &t[1], &t[2]), nullptr);
    EXPECT_EQ(BlockCounts(m), (std::vector<int>{24, 3}));
}

TEST_F(MtlTest, ChunkOnAQuadMaterialIsIgnoredAndQuadsOnAChunkMaterialToo)
{
    int quadId = MTL_Create("MTL_Q", MTL_KIND_PCT, 50);
    int chunkId = MTL_Create("MTL_C", MTL_KIND_CHUNK, 50);
    MESH_Slot fakeMesh{};
    MeshPart part{0, 1, 0, 3, 0, 3};
    MTL_Get(quadId)->AddChunk(&part, &fakeMesh, nullptr);
    EXPECT_EQ(MTL_Get(quadId)->batchHead, nullptr);
    PCT_Vect tri[3] = {};
    EXPECT_EQ(MTL_Get(chunkId)->AddTriangleArray(tri), nullptr);
    EXPECT_EQ(MTL_Get(chunkId)->batchHead, nullptr);
    MTL_Flush();
    EXPECT_EQ(rec_->Draws().size(), 0u);
}

const Mat4 kOwnerMatrix = {{{2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 2, 0}, {5, 6, 7, 1}}};
const Mat4* OwnerMatrix(Object*) { return &kOwnerMatrix; }

TEST_F(MtlTest, ReadyBlocksDrawWithTheirOwnersMatrix)
{
    MTL_SetOwnerMatrix(OwnerMatrix);
    int id = MTL_Create("MTL_OWNED", MTL_KIND_PCT, 50);
    Material* m = MTL_Get(id);
    PCT_Vect loose[3] = {Pct(0, 1), Pct(1, 1), Pct(2, 1)};
    m->AddTriangleArray(loose);
    PCT_Vect verts[6] = {Pct(0, 2), Pct(1, 2), Pct(2, 2), Pct(3, 2), Pct(4, 2), Pct(5, 2)};
    QuadBuffer_PCT block{verts, 6, 6, nullptr, reinterpret_cast<Object*>(&block)};
    m->AddBlock(&block);
    MTL_Flush();
    auto draws = DrawsOf(gfx::DRAW_USERMEMORY);
    ASSERT_EQ(draws.size(), 2u);
    // The ready block went to the head of the batch and draws first, with its owner's matrix.
    EXPECT_EQ(FirstColour(*draws[0]), 2u);
    EXPECT_EQ(draws[0]->primCount, 2u);
    EXPECT_EQ(memcmp(draws[0]->state.world, &kOwnerMatrix, sizeof kOwnerMatrix), 0);
    EXPECT_EQ(FirstColour(*draws[1]), 1u);
    EXPECT_EQ(draws[1]->state.world[0], 1.0f);
    EXPECT_EQ(draws[1]->state.world[12], 0.0f);
}

TEST_F(MtlTest, DroppedBatchesDrawNothing)
{
    int q = MTL_Create("MTL_Q", MTL_KIND_PNCT, 50);
    PNCT_Vect v[4] = {};
    MTL_Get(q)->AddQuadArray(v);
    MTL_DropBatches();
    MTL_Flush();
    EXPECT_EQ(rec_->Draws().size(), 0u);
    // The next frame's batch starts afresh.
    MEM_F_Reset();
    EXPECT_NE(MTL_Get(q)->AddQuadArray(v), nullptr);
    MTL_Flush();
    EXPECT_EQ(rec_->Draws().size(), 1u);
}

// ---- Material texts ----

struct LoadCase {
    const char* text;
    int kind;              // 0: nothing made
    int order;
    const char* logged;    // a line the log must hold, or null
};

TEST_F(MtlTest, MaterialTextsPickClassAndOrderFromTheirWords)
{
    const LoadCase cases[] = {
        {"#MRM(CHUNK)", MTL_KIND_CHUNK, 50, nullptr},
        {"#ORDER(ALPHA)\n#MRM QUAD_PRCT", MTL_KIND_PRCT, 80, nullptr},
        {"#mrm(QUAD_PNCT) #order(BG0)", MTL_KIND_PNCT, 20, nullptr},
        {"#MRM(QUAD_PCT) #ORDER(SCREEN)", MTL_KIND_PCT, 90, nullptr},
        {"#MRM(QUAD_P) #ORDER(FX)", 0, 0, nullptr},              // 7th character missing
        {"#MRM(QUAD_PXCT)", 0, 0, nullptr},                      // 7th character unknown
        {"#MRM(CHUNK) #ORDER(alpha)", MTL_KIND_CHUNK, 50, "Material Order Not Found : alpha"},
        {"#MRM(ZIGZAG)", 0, 0, "MTL_Load_MEM : Unrecognised MRM Type (ZIGZAG)"},
    };
    int n = 0;
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.text);
        ERR_ResetForTests();
        std::string name = "MTL_CASE" + std::to_string(n++);
        int id = MTL_Load_MEM(name.c_str(), c.text);
        if (c.kind == 0) {
            EXPECT_EQ(id, 0);
            EXPECT_EQ(MTL_Find(name.c_str()), 0);
        } else {
            ASSERT_NE(id, 0);
            EXPECT_EQ(MTL_Get(id)->kind, c.kind);
            EXPECT_EQ(MTL_Get(id)->order, c.order);
            EXPECT_EQ(MTL_Get(id)->sourceText, c.text);
        }
        if (c.logged) EXPECT_NE(ReadLog().find(c.logged), std::string::npos);
    }
}

TEST_F(MtlTest, AnEntryWithoutMrmCreatesNothingAndLogsNothing)
{
    static const char text[] = "#ORDER(ALPHA) #TEX0(TEX_ONE) #BLEND(BLEND_ADD)";
    size_t before = ReadLog().size();
    int count = MTL_Count();
    EXPECT_EQ(MTL_Load_MEM("MTL_NOTHING", text), 0);
    EXPECT_EQ(MTL_Count(), count);
    EXPECT_EQ(ReadLog().size(), before);
    EXPECT_TRUE(os::FAKE_MessageBoxes().empty());
}

TEST_F(MtlTest, SettingsPassReadsEveryWordAndLeavesAbsentOnesAlone)
{
    int tex = FakeTexture(420, "TEX_SHINY", true);
    static const char full[] = "#MRM(QUAD_PCT) #TEX0(TEX_SHINY) #BLEND(BLEND_ADD) #CLAMP(3) #UNLIT #NOFOG #NOCULL "
                               "#NOZBUFFER";
    static const char bare[] = "#MRM(CHUNK) #TEX0(TEX_UNKNOWN)";
    int a = MTL_Load_MEM("MTL_FULL", full);
    int b = MTL_Load_MEM("MTL_BARE", bare);
    int c = MTL_Create("MTL_NOTEXT", MTL_KIND_CHUNK, 50);
    MTL_Get(c)->blend = 2;
    // A quad batch queued before the pass is forgotten by it.
    PCT_Vect tri[3] = {};
    MTL_Get(a)->AddTriangleArray(tri);
    MTL_ReadAll();

    const Material* m = MTL_Get(a);
    EXPECT_EQ(m->texture, tex);
    EXPECT_EQ(m->blend, 2);
    EXPECT_EQ(m->clamp, 3u);
    EXPECT_TRUE(m->unlit && m->noFog && m->noCull && m->noZBuffer);
    EXPECT_EQ(m->batchHead, nullptr);
    const Material* n = MTL_Get(b);
    EXPECT_EQ(n->texture, 0);   // unknown texture: white
    EXPECT_EQ(n->blend, 0);
    EXPECT_FALSE(n->unlit || n->noFog || n->noCull || n->noZBuffer);
    EXPECT_EQ(MTL_Get(c)->blend, 2);   // no text: untouched
}

TEST_F(MtlTest, LoaderRowsKeepMaterialTextsAndRunTheSettingsPass)
{
    FakeTexture(430, "TEX_ROW", false);
    const char text[] = "#MRM(CHUNK) #TEX0(TEX_ROW) #BLEND(BLEND_ALPHA)";
    uint8_t* bytes = (uint8_t*)MEM_Alloc(sizeof text, "MTL_ROW");
    memcpy(bytes, text, sizeof text);
    MTL_FromLmo("MTL_ROW", bytes, (int)sizeof text - 1);
    int id = MTL_Find("MTL_ROW");
    ASSERT_NE(id, 0);
    MTL_SettingsStep(nullptr, nullptr, 0);
    EXPECT_EQ(MTL_Get(id)->texture, 430);
    EXPECT_EQ(MTL_Get(id)->blend, -1);
    // An entry that makes no material gives its bytes back (the leak checker watches this).
    const char none[] = "#ORDER(FX)";
    uint8_t* spare = (uint8_t*)MEM_Alloc(sizeof none, "MTL_NONE");
    memcpy(spare, none, sizeof none);
    MTL_FromLmo("MTL_NONE", spare, (int)sizeof none - 1);
    EXPECT_EQ(MTL_Find("MTL_NONE"), 0);
    // Materials keep their texts for the run; here the test owns them.
    MTL_ResetForTests();
    MEM_Free(bytes, "MTL_ROW");
}

// ---- Materials from textures ----

TEST_F(MtlTest, FromTextureNamesOrdersAndBlendsByAlpha)
{
    FakeTexture(440, "TEX_SPARK", true);
    FakeTexture(441, "TEX_STONE", false);

    int id = MTL_FromTexture("TEX_SPARK", MTL_KIND_PCT, "_ADD", nullptr);
    ASSERT_NE(id, 0);
    EXPECT_STREQ(MTL_Get(id)->name, "MTL_SPARK_ADD");
    EXPECT_EQ(MTL_Get(id)->kind, MTL_KIND_PCT);
    EXPECT_EQ(MTL_Get(id)->order, 80);
    EXPECT_EQ(MTL_Get(id)->blend, -1);
    EXPECT_EQ(MTL_Get(id)->texture, 440);
    EXPECT_EQ(MTL_FromTexture("TEX_SPARK", MTL_KIND_PCT, "_ADD", nullptr), id);
    EXPECT_EQ(MTL_FromTexture("TEX_SPARK", -1, "_ADD", nullptr), id);

    int stone = MTL_FromTexture("TEX_STONE", MTL_KIND_CHUNK, nullptr, nullptr);
    EXPECT_STREQ(MTL_Get(stone)->name, "MTL_STONE");
    EXPECT_EQ(MTL_Get(stone)->order, 50);
    EXPECT_EQ(MTL_Get(stone)->blend, 0);
    int decal = MTL_FromTexture("TEX_STONE", MTL_KIND_CHUNK, "_D", "DECAL");
    EXPECT_EQ(MTL_Get(decal)->order, 70);

    // Lookup only: nothing is made.
    int count = MTL_Count();
    EXPECT_EQ(MTL_FromTexture("TEX_NOPE", -1, nullptr, nullptr), 0);
    EXPECT_EQ(MTL_Count(), count);
    // An existing "MTL" entry of the texture's name is what a texture gives.
    static const char text[] = "#MRM(CHUNK) #ORDER(FX)";
    int fx = MTL_Load_MEM("MTL_GLOW", text);
    EXPECT_EQ(MTL_FromTexture("TEX_GLOW", MTL_KIND_CHUNK, nullptr, nullptr), fx);
    // Names are cut to 31 characters, never overrun.
    int longId = MTL_FromTexture("TEX_ABCDEFGHIJKLMNOPQRSTUVWXYZ012", MTL_KIND_CHUNK, "_SUFFIX", nullptr);
    EXPECT_EQ(strlen(MTL_Get(longId)->name), 31u);
}

TEST_F(MtlTest, FindIsExactAndEmptyFindsNothing)
{
    int id = MTL_Create("MTL_Exact", MTL_KIND_CHUNK, 50);
    EXPECT_EQ(MTL_Find("MTL_Exact"), id);
    EXPECT_EQ(MTL_Find("MTL_EXACT"), 0);
    EXPECT_EQ(MTL_Find(""), 0);
    EXPECT_EQ(MTL_Find(nullptr), 0);
}

// ---- Device state ----

TEST_F(MtlTest, BatchesDrawWithTheirMaterialsStateAndTheFlushRestoresDefaults)
{
    LIGHT_Enable(true);
    static const char text[] = "#MRM(QUAD_PCT) #ORDER(SCREEN) #BLEND(BLEND_ADD) #CLAMP(3) #UNLIT #NOCULL #NOZBUFFER";
    int id = MTL_Load_MEM("MTL_OVERLAY", text);
    int plain = MTL_Create("MTL_PLAIN", MTL_KIND_PCT, 50);
    MTL_ReadAll();
    PCT_Vect tri[3] = {};
    MTL_Get(id)->AddTriangleArray(tri);
    MTL_Get(plain)->AddTriangleArray(tri);
    MTL_Flush();

    auto draws = DrawsOf(gfx::DRAW_USERMEMORY);
    ASSERT_EQ(draws.size(), 2u);
    const gfx::StateSnapshot& p = draws[0]->state;   // MTL_PLAIN, order 50
    EXPECT_EQ(p.rs[gfx::RS_CULLMODE], (uint32_t)gfx::CULL_CCW);
    EXPECT_EQ(p.rs[gfx::RS_ZENABLE], 1u);
    EXPECT_EQ(p.rs[gfx::RS_LIGHTING], 1u);
    EXPECT_EQ(p.rs[gfx::RS_SRCBLEND], (uint32_t)gfx::BLEND_ONE);
    const gfx::StateSnapshot& o = draws[1]->state;   // MTL_OVERLAY, order 90
    EXPECT_EQ(o.rs[gfx::RS_CULLMODE], (uint32_t)gfx::CULL_NONE);
    EXPECT_EQ(o.rs[gfx::RS_ZENABLE], 0u);
    EXPECT_EQ(o.rs[gfx::RS_LIGHTING], 0u);
    EXPECT_EQ(o.rs[gfx::RS_DESTBLEND], (uint32_t)gfx::BLEND_ONE);
    EXPECT_EQ(o.tss[0][gfx::TSS_ADDRESSU], (uint32_t)gfx::TADDRESS_CLAMP);
    EXPECT_EQ(o.tss[0][gfx::TSS_ADDRESSV], (uint32_t)gfx::TADDRESS_CLAMP);

    const gfx::StateSnapshot& after = rec_->State();
    EXPECT_EQ(after.tss[0][gfx::TSS_ADDRESSU], (uint32_t)gfx::TADDRESS_WRAP);
    EXPECT_EQ(after.tss[0][gfx::TSS_ADDRESSV], (uint32_t)gfx::TADDRESS_WRAP);
    EXPECT_EQ(after.rs[gfx::RS_CULLMODE], (uint32_t)gfx::CULL_CCW);
    EXPECT_EQ(after.rs[gfx::RS_LIGHTING], 0u);
    EXPECT_EQ(after.rs[gfx::RS_FOGENABLE], 0u);
    EXPECT_EQ(after.rs[gfx::RS_ZENABLE], 1u);
}

TEST_F(MtlTest, LightingIsLeftAloneWhileTheLightingSwitchIsOff)
{
    LIGHT_Enable(false);
    int id = MTL_Create("MTL_A", MTL_KIND_PCT, 50);
    DRW_SetRenderState(gfx::RS_LIGHTING, 1);
    rec_->ClearLog();
    MTL_ApplyState(MTL_Get(id), 0);
    for (const gfx::CallRecord& c : rec_->Calls())
        EXPECT_FALSE(c.kind == gfx::CALL_SETRENDERSTATE && c.a == gfx::RS_LIGHTING);
}

TEST_F(MtlTest, LogAllListsNamesInDrawingOrder)
{
    MTL_Create("MTL_LATE", MTL_KIND_CHUNK, 90);
    MTL_Create("MTL_EARLY", MTL_KIND_CHUNK, 20);
    MTL_LogAll();
    std::string log = ReadLog();
    size_t head = log.find("Material CIDs ...");
    size_t early = log.find("MTL_EARLY");
    size_t late = log.find("MTL_LATE");
    ASSERT_NE(head, std::string::npos);
    EXPECT_LT(head, early);
    EXPECT_LT(early, late);
}

} // namespace
