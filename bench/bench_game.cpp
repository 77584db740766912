// Game tick speed on the worst board: 10 × 10 columns holding 14 layers of blocks, half the
// columns at rest and half in the middle of a fall step. One iteration is one tick of play as
// the frame runs it: the game update, the object scheduler (every block's behaviour) and the
// draw submission (the objects queue their meshes, the render queue is flushed) on the recording
// device the tests use.
//
// The clock step is tiny so the fall steps last for the whole run and no drop comes in; the
// colours never repeat between neighbours, so no group leaves the board while it runs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/clock.h"
#include "bench_support.h"
#include "core/math.h"
#include "core/mem.h"
#include "data/mesh_format.h"
#include "game/arcade.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/hud.h"
#include "game/mode.h"
#include "game/play.h"
#include "platform/gfx/gfx.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"
#include "scene/object.h"

namespace {

constexpr int kSide = 10;
constexpr int kLayers = 14;


// No two neighbours along x, y or z share a colour.
int PatternColour(int x, int y, int z) { return (x + 2 * y + 3 * z) % 5 + 1; }

struct World {
    std::vector<std::vector<uint8_t>> images;
};

World* MakeWorld(gfx::Device* dev)
{
    bench::StartRender(dev);
    MTH_InitIdentity();
    OBJ_InitLists();
    MTH_SeedRand(1);

    World* w = new World;
    const char* names[] = {"BFM_COLOR01", "BFM_COLOR02", "BFM_COLOR03", "BFM_COLOR04", "BFM_COLOR05",
                           "BFM_COLOR01C", "BFM_COLOR02C", "BFM_COLOR03C", "BFM_COLOR04C",
                           "BFM_COLOR05C", "BFM_METAL"};
    w->images.reserve(sizeof names / sizeof names[0]);
    for (const char* n : names) {
        char tex[32];
        std::snprintf(tex, sizeof tex, "TEX_%s", n + 4);
        w->images.push_back(bench::BoxImage(tex));
        MESH_Load(n, w->images.back().data(), (int)w->images.back().size());
    }

    BRD_SetSize(kSide, kSide);
    for (int i = 0; i < kSide * kSide; i++) BRD_Board.shape[i] = 1;
    BRD_ClearGrid();
    BRD_Metrics();
    BLK_SolidRecord = Block{};
    BLK_SolidRecord.type = BLK_BLOCK1;
    BRD_Solid = &BLK_SolidRecord;

    GAM_Type = GAM_TYPE_ARCADE;
    GAM_Mode = GAM_MODE_PLAY;
    HUD_Paused = 0;
    ARC_StartGame(1);
    ARC_ResetLevel();
    BLK_ResetForLevel();
    BLK_SetColourModels();

    // Columns with x + y even stand one layer up over an empty cell, so they fall; each block
    // gets the colour of the cell it lands in.
    for (int y = 0; y < kSide; y++) {
        for (int x = 0; x < kSide; x++) {
            const int lift = (x + y) % 2 == 0 ? 1 : 0;
            for (int z = 0; z < kLayers; z++) BLK_SpawnAtCell(PatternColour(x, y, z), x, y, z + lift);
        }
    }
    TIM_Scale = 1.0f;
    TIM_RealDelta = 0.00001f;
    TIM_GameDelta = 0.00001f;   // a fall step lasts 20,000 ticks
    return w;
}

void DestroyWorld(World* w)
{
    OBJ_DestroyAll();
    BLK_KillAll();
    BRD_ClearGrid();
    MESH_ResetForTests();
    MTL_ResetForTests();
    TEX_ResetForTests();
    delete w;
}

void Tick()
{
    MEM_F_Reset();
    GAME_Update();
    OBJ_RunAll(false);
    OBJ_DrawAll();
    MTL_Flush();
}

void BM_GameTick_WorstBoard_NullDevice(benchmark::State& state)
{
    bench::NullDevice* dev = new bench::NullDevice;
    World* w = MakeWorld(dev);
    for (int i = 0; i < 4; i++) Tick();
    for (auto _ : state) Tick();
    state.counters["objects"] = OBJ_Count();
    DestroyWorld(w);
    DEV_Device = nullptr;
    delete dev;
}

void BM_GameTick_WorstBoard(benchmark::State& state)
{
    gfx::RecordingDevice* rec = gfx::GFX_CreateRecordingDevice();
    World* w = MakeWorld(rec);
    for (int i = 0; i < 4; i++) Tick();   // behaviours start, claim and begin falling
    for (auto _ : state) {
        state.PauseTiming();
        rec->ClearLog();   // the log of the previous tick is not this tick's work
        state.ResumeTiming();
        Tick();
    }
    int falling = 0;
    for (const Cell& c : BRD_Cells) falling += c.block && c.block->moveDir == BLK_DIR_FALL;
    state.counters["objects"] = OBJ_Count();
    state.counters["falling_cells"] = falling;
    state.counters["draws"] = (double)rec->Draws().size();
    DestroyWorld(w);
    DEV_Device = nullptr;
    gfx::GFX_DestroyDevice(rec);
}

} // namespace

BENCHMARK(BM_GameTick_WorstBoard)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_GameTick_WorstBoard_NullDevice)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
