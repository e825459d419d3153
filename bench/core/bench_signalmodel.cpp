#include "core/sim/signalmodel.h"

#include <benchmark/benchmark.h>

// The floor: the three sequences of a run at spreading factor 20 are 3 x 160 draws.
static void BM_Generator480Draws(benchmark::State& state)
{
    for (auto _ : state) {
        SeedRandom(23);
        int ones = 0;
        for (int i = 0; i < 3 * MaxSamples; ++i)
            ones += RandomEvent(0.5) ? 1 : 0;
        benchmark::DoNotOptimize(ones);
    }
}
BENCHMARK(BM_Generator480Draws);

static void BM_ComputeSignals(benchmark::State& state)
{
    SimInput in;
    in.SpreadFactor = static_cast<int>(state.range(0));
    for (auto _ : state) {
        SimResult r = ComputeSignals(in);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ComputeSignals)->Arg(2)->Arg(8)->Arg(20);

BENCHMARK_MAIN();
