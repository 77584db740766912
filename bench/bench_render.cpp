// Render queue speed: one frame of a full board — 1,400 mesh chunks (100 columns of blocks in
// seven block types) and 2,000 particle quads — queued into their materials and flushed.
//
// Two devices: the recording device the tests use (it copies the whole device state and the
// vertex bytes of every draw, which dominates), and a null device that does nothing, which
// shows what the queue itself costs. Goal: at most 0.3 ms per frame (median) for the queue.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_support.h"
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

// ---- The scene: seven block meshes (a 24-vertex box each, one texture each) ----

std::vector<uint8_t> BoxImage(int type)
{
    char texture[32];
    snprintf(texture, sizeof texture, "TEX_BLOCK%02d", type);
    return bench::BoxImage(texture);
}

struct Scene {
    std::vector<std::vector<uint8_t>> images;
    int meshes[kTypes];
    std::vector<Mat4> worlds;
    int particles;
};

Scene* MakeScene(gfx::Device* dev)
{
    bench::StartRender(dev);
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
    bench::NullDevice* dev = new bench::NullDevice;
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
