// Scheduler speed: one pass of OBJ_RunAll over 2,000 actors whose behaviours each wait one tick,
// so every actor is resumed once per pass. Goal: at most 50 ns per resume (median). The peak
// behaviour frame size ("Maximum Stack Used") is reported as a counter.
#include <benchmark/benchmark.h>

#include "scene/object.h"

namespace {

constexpr int kActors = 2000;

int g_ticks = 0;

Behaviour Ticker()
{
    int mine = 0;
    for (;;) {
        mine++;
        g_ticks++;
        co_await OBJ_Wait(1);
    }
}

void BM_SchedulerPass(benchmark::State& state)
{
    OBJ_InitLists();
    for (int i = 0; i < kActors; i++) OBJ_New(Ticker);
    OBJ_RunAll(false);   // starts every behaviour
    for (auto _ : state) {
        OBJ_RunAll(false);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kActors);
    state.counters["ns_per_resume"] = benchmark::Counter(
        (double)state.iterations() * kActors, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["peak_frame_bytes"] = OBJ_MaxStackUsed();
    OBJ_DestroyAll();
}

} // namespace

BENCHMARK(BM_SchedulerPass)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
