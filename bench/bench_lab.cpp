#include "core/lab/beraccumulator.h"
#include "core/lab/labmodel.h"
#include "core/lab/labrandom.h"
#include "tools/berrunner.h"

#include <benchmark/benchmark.h>

// The Monte-Carlo loop in chip operations (users x spreading factor x bits) per second, and
// dscdma-sim's points on one thread against two.
namespace {

constexpr std::uint64_t BitsPerIteration = 100000;

lab::LabConfig Config(int users, lab::CodeFamily codes, int spread)
{
    lab::LabConfig c;
    c.Users = users;
    c.Codes = codes;
    c.Spread = spread;
    return c;
}

void SetChipRate(benchmark::State& state, const lab::LabConfig& c)
{
    state.counters["chip_ops"] = benchmark::Counter(lab::ChipOperations(c, BitsPerIteration) * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}

void RunBer(benchmark::State& state, const lab::LabConfig& c, std::optional<double> ebn0)
{
    for (auto _ : state) {
        const lab::BerCount count = lab::SimulateBer(c, ebn0, BitsPerIteration);
        benchmark::DoNotOptimize(count);
    }
    SetChipRate(state, c);
}

// The target case: four users, 16 chips, random codes, with noise.
void BM_Ber_Random_K4_N16_Noise(benchmark::State& state)
{
    RunBer(state, Config(4, lab::CodeFamily::Random, 16), 4.0);
}
BENCHMARK(BM_Ber_Random_K4_N16_Noise);

// The floor: only the noise of the same bits, one standard normal sample per chip, summed as
// the receiver sums it; counted in the same chip operations so that the rates compare.
void BM_Floor_GaussianNoiseOnly_K4_N16(benchmark::State& state)
{
    const lab::LabConfig c = Config(4, lab::CodeFamily::Random, 16);
    for (auto _ : state) {
        lab::LabRandom random(c.Seed);
        double sum = 0;
        for (std::uint64_t bit = 0; bit < BitsPerIteration; ++bit)
            for (int n = 0; n < c.Spread; ++n)
                sum += random.NextGaussian();
        benchmark::DoNotOptimize(sum);
    }
    SetChipRate(state, c);
}
BENCHMARK(BM_Floor_GaussianNoiseOnly_K4_N16);

void BM_Ber_Random_K4_N16_NoNoise(benchmark::State& state)
{
    RunBer(state, Config(4, lab::CodeFamily::Random, 16), std::nullopt);
}
BENCHMARK(BM_Ber_Random_K4_N16_NoNoise);

void BM_Ber_Walsh_K4_N16_Noise(benchmark::State& state)
{
    RunBer(state, Config(4, lab::CodeFamily::Walsh, 16), 4.0);
}
BENCHMARK(BM_Ber_Walsh_K4_N16_Noise);

void BM_Ber_Random_K8_N64_Noise(benchmark::State& state)
{
    RunBer(state, Config(8, lab::CodeFamily::Random, 64), 4.0);
}
BENCHMARK(BM_Ber_Random_K8_N64_Noise);

// Users whose bits start apart: each other user adds two partial correlations per bit.
void BM_Ber_Random_K4_N16_Async_Noise(benchmark::State& state)
{
    lab::LabConfig c = Config(4, lab::CodeFamily::Random, 16);
    c.DelayChips = lab::DrawDelays(1, 4, 16);
    RunBer(state, c, 4.0);
}
BENCHMARK(BM_Ber_Random_K4_N16_Async_Noise);

void BM_Ber_Gold_K8_N31_Async_Noise(benchmark::State& state)
{
    lab::LabConfig c = Config(8, lab::CodeFamily::Gold, 31);
    c.DelayChips = lab::DrawDelays(1, 8, 31);
    RunBer(state, c, 4.0);
}
BENCHMARK(BM_Ber_Gold_K8_N31_Async_Noise);

// dscdma-sim --jobs: a curve of eight points at K = 4, N = 16 on one thread and on two, in wall
// time; the chip operations per second of the two compare as the speed-up.
void BM_Curve_Jobs(benchmark::State& state)
{
    lab::CurveRequest request;
    request.Config = Config(4, lab::CodeFamily::Random, 16);
    for (int db = 0; db < 8; ++db)
        request.EbN0Db.push_back(double(db));
    request.Bits = BitsPerIteration;
    for (auto _ : state) {
        const auto curves = berrunner::Run({request}, int(state.range(0)));
        benchmark::DoNotOptimize(curves);
    }
    state.counters["chip_ops"] = benchmark::Counter(
        8 * lab::ChipOperations(request.Config, BitsPerIteration) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Curve_Jobs)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
