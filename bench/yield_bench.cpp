// The yield of a tolerance run: 10,000 copies of the 21-stage design swept
// over 2001 points, each also checked against a mask, on every processor
// (wall time); and the same run without the mask, so the difference is what
// the yield costs.

#include <benchmark/benchmark.h>

#include "bench/benchdesign.h"
#include "engine/tolerance.h"

namespace stelvane {
namespace {

// A mask that the 21-stage design (1 kHz, 200 Hz wide) meets with little to
// spare, so the copies fall on both sides of it.
constexpr FilterMask kBenchMask{920, 1087, 3, 800, 1250, 40, 0};

void BM_ToleranceYield(benchmark::State& state)
{
    auto s = BenchDesign(kMaxStages);
    if (state.range(1) != 0) s->Mask = kBenchMask;
    ToleranceSettings settings;
    settings.runs = static_cast<int>(state.range(0));
    double share = 0;
    for (auto _ : state) {
        const ToleranceResult result = RunTolerance(*s, settings);
        benchmark::DoNotOptimize(result.gainDb[2][kMaxPoints]);
        share = result.yield ? result.yield->share : 0;
    }
    state.counters["yield"] = share;
}
BENCHMARK(BM_ToleranceYield)
    ->ArgNames({"copies", "mask"})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace stelvane
