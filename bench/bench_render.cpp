// Render queue speed: one frame of a full board — 1,400 mesh chunks (100 columns of blocks in
// seven block types) and 2,000 particle quads — queued into their materials and flushed.
//
// Two devices: the recording device the tests use (it copies the whole device state and the
// vertex bytes of every draw, which dominates), and a null device that does nothing, which
// shows what the queue itself costs. Goal: at most 0.3 ms per frame (median) for the queue.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/mem.h"
#include "data/mesh_format.h"
#include "platform/gfx/gfx.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"

namespace {

constexpr int kColumns = 100;
constexpr int kChunks = 1400;
constexpr int kTypes = 7;
constexpr int kParticles = 2000;

// ---- A device that accepts everything and keeps nothing but buffer bytes ----

class NullVb final : public gfx::VertexBuffer {
public:
    explicit NullVb(uint32_t n) : bytes(n) {}
    gfx::Result Lock(uint32_t, uint32_t, void** data, uint32_t) override { *data = bytes.data(); return gfx::GFX_OK; }
    gfx::Result Unlock() override { return gfx::GFX_OK; }
    uint32_t Size() const override { return (uint32_t)bytes.size(); }
    void Release() override { delete this; }
    std::vector<uint8_t> bytes;
};
class NullIb final : public gfx::IndexBuffer {
public:
    explicit NullIb(uint32_t n) : bytes(n) {}
    gfx::Result Lock(uint32_t, uint32_t, void** data, uint32_t) override { *data = bytes.data(); return gfx::GFX_OK; }
    gfx::Result Unlock() override { return gfx::GFX_OK; }
    uint32_t Size() const override { return (uint32_t)bytes.size(); }
    void Release() override { delete this; }
    std::vector<uint8_t> bytes;
};

class NullDevice final : public gfx::Device {
public:
    using R = gfx::Result;
    R TestCooperativeLevel() override { return gfx::GFX_OK; }
    R Reset(const gfx::PresentParams&) override { return gfx::GFX_OK; }
    R GetCaps(gfx::Caps*) override { return gfx::GFX_OK; }
    R GetAdapterInfo(gfx::AdapterInfo*) override { return gfx::GFX_OK; }
    R GetDesktopMode(gfx::DisplayMode*) override { return gfx::GFX_OK; }
    R SetViewport(const gfx::Viewport&) override { return gfx::GFX_OK; }
    R GetViewport(gfx::Viewport*) override { return gfx::GFX_OK; }
    R Clear(uint32_t, uint32_t, float, uint32_t) override { return gfx::GFX_OK; }
    R BeginScene() override { return gfx::GFX_OK; }
    R EndScene() override { return gfx::GFX_OK; }
    R Present() override { return gfx::GFX_OK; }
    R SetTransform(uint32_t, const float m[16]) override { benchmark::DoNotOptimize(m[0]); return gfx::GFX_OK; }
    R GetTransform(uint32_t, float*) override { return gfx::GFX_OK; }
    R SetRenderState(uint32_t, uint32_t) override { return gfx::GFX_OK; }
    R GetRenderState(uint32_t, uint32_t*) override { return gfx::GFX_OK; }
    R SetTextureStageState(uint32_t, uint32_t, uint32_t) override { return gfx::GFX_OK; }
    R GetTextureStageState(uint32_t, uint32_t, uint32_t*) override { return gfx::GFX_OK; }
    R SetTexture(uint32_t, gfx::Texture*) override { return gfx::GFX_OK; }
    gfx::Texture* GetTexture(uint32_t) override { return nullptr; }
    R SetVertexFormat(uint32_t) override { return gfx::GFX_OK; }
    uint32_t GetVertexFormat() override { return 0; }
    R SetLight(uint32_t, const gfx::Light&) override { return gfx::GFX_OK; }
    R GetLight(uint32_t, gfx::Light*) override { return gfx::GFX_OK; }
    R LightEnable(uint32_t, bool) override { return gfx::GFX_OK; }
    R GetLightEnable(uint32_t, bool*) override { return gfx::GFX_OK; }
    R CreateTexture(uint32_t, uint32_t, uint32_t, const void*, size_t, gfx::Texture**) override { return gfx::GFX_FAIL; }
    R CreateVertexBuffer(uint32_t bytes, uint32_t, uint32_t, gfx::VertexBuffer** out) override
    {
        *out = new NullVb(bytes);
        return gfx::GFX_OK;
    }
    R CreateIndexBuffer(uint32_t bytes, uint32_t, uint32_t, gfx::IndexBuffer** out) override
    {
        *out = new NullIb(bytes);
        return gfx::GFX_OK;
    }
    R SetStreamSource(uint32_t, gfx::VertexBuffer*, uint32_t) override { return gfx::GFX_OK; }
    R SetIndices(gfx::IndexBuffer*, uint32_t) override { return gfx::GFX_OK; }
    R DrawPrimitive(uint32_t, uint32_t, uint32_t) override { return gfx::GFX_OK; }
    R DrawIndexedPrimitive(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t prims) override
    {
        benchmark::DoNotOptimize(prims);
        return gfx::GFX_OK;
    }
    R DrawPrimitiveUP(uint32_t, uint32_t, const void* data, uint32_t) override
    {
        benchmark::DoNotOptimize(data);
        return gfx::GFX_OK;
    }
    R ReadBackBuffer(std::vector<uint8_t>*, uint32_t*, uint32_t*) override { return gfx::GFX_FAIL; }
};

// ---- The scene: seven block meshes (a 24-vertex box each, one texture each) ----

std::vector<uint8_t> BoxImage(int type)
{
    std::vector<MeshVertex> v;
    std::vector<uint16_t> idx;
    for (int face = 0; face < 6; face++) {
        uint16_t b = (uint16_t)v.size();
        for (int k = 0; k < 4; k++) v.push_back(MeshVertex{(float)(k & 1), (float)(k >> 1), (float)face, 0, 0, 1, 0xFF808080u, 0, 0});
        for (uint16_t i : {0, 1, 2, 2, 1, 3}) idx.push_back((uint16_t)(b + i));
    }
    MeshHeader h{};
    h.version = MESHF_Version;
    h.vertexOfs = sizeof h;
    h.vertexCount = (uint32_t)v.size();
    h.indexOfs = h.vertexOfs + (uint32_t)(v.size() * sizeof(MeshVertex));
    h.indexCount = (uint32_t)idx.size();
    h.partOfs = h.indexOfs + (uint32_t)(idx.size() * 2);
    h.partCount = 1;
    snprintf(h.textures[0], MESHF_NameSize, "TEX_BLOCK%02d", type);
    MeshPart part{0, 12, 0, 24, 0, 36};
    std::vector<uint8_t> img(h.partOfs + sizeof part);
    memcpy(img.data(), &h, sizeof h);
    memcpy(img.data() + h.vertexOfs, v.data(), v.size() * sizeof(MeshVertex));
    memcpy(img.data() + h.indexOfs, idx.data(), idx.size() * 2);
    memcpy(img.data() + h.partOfs, &part, sizeof part);
    return img;
}

struct Scene {
    std::vector<std::vector<uint8_t>> images;
    int meshes[kTypes];
    std::vector<Mat4> worlds;
    int particles;
};

Scene* MakeScene(gfx::Device* dev)
{
    DEV_Device = dev;
    DRW_InvalidateCache();
    TEX_ResetForTests();
    MESH_ResetForTests();
    MTL_ResetForTests();
    MEM_F_Init();
    Scene* s = new Scene;
    for (int t = 0; t < kTypes; t++) {
        s->images.push_back(BoxImage(t));
        char name[32];
        snprintf(name, sizeof name, "BFM_BLOCK%02d", t);
        s->meshes[t] = MESH_Load(name, s->images.back().data(), (int)s->images.back().size());
    }
    for (int i = 0; i < kChunks; i++) {
        Mat4 m = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {(float)(i % kColumns), 0, (float)(i / kColumns), 1}}};
        s->worlds.push_back(m);
    }
    s->particles = MTL_Create("MTL_PFX_SPRINKLE", MTL_KIND_PCT, 60);
    MTL_Get(s->particles)->blend = 2;
    return s;
}

void DestroyScene(Scene* s)
{
    MESH_ResetForTests();
    MTL_ResetForTests();
    delete s;
}

// One frame's queue and flush. Blocks are drawn column by column, so types interleave the way
// they stand on the board.
void QueueAndFlush(Scene& s, const PCT_Vect (&quad)[4])
{
    MEM_F_Reset();
    for (int i = 0; i < kChunks; i++) MESH_Draw(s.meshes[(i * 5 + i / kColumns) % kTypes], &s.worlds[i]);
    Material* p = MTL_Get(s.particles);
    for (int i = 0; i < kParticles; i++) p->AddQuadArray(quad);
    MTL_Flush();
}

const PCT_Vect kQuad[4] = {
    {0, 0, 0, 0xFFFFFFFFu, 0, 0}, {1, 0, 0, 0xFFFFFFFFu, 1, 0},
    {0, 1, 0, 0xFFFFFFFFu, 0, 1}, {1, 1, 0, 0xFFFFFFFFu, 1, 1},
};

void BM_BoardFrame_RecordingDevice(benchmark::State& state)
{
    gfx::RecordingDevice* rec = gfx::GFX_CreateRecordingDevice();
    Scene* s = MakeScene(rec);
    QueueAndFlush(*s, kQuad);   // buffers made outside the timing
    for (auto _ : state) {
        state.PauseTiming();
        rec->ClearLog();        // the log of the previous frame is not this frame's work
        state.ResumeTiming();
        QueueAndFlush(*s, kQuad);
    }
    state.counters["draws"] = (double)rec->Draws().size();
    DestroyScene(s);
    DEV_Device = nullptr;
    gfx::GFX_DestroyDevice(rec);
}

void BM_BoardFrame_NullDevice(benchmark::State& state)
{
    NullDevice* dev = new NullDevice;
    Scene* s = MakeScene(dev);
    QueueAndFlush(*s, kQuad);
    for (auto _ : state) QueueAndFlush(*s, kQuad);
    DestroyScene(s);
    DEV_Device = nullptr;
    delete dev;
}

} // namespace

BENCHMARK(BM_BoardFrame_RecordingDevice)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_BoardFrame_NullDevice)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
