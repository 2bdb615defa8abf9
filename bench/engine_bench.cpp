// The tuning panel reruns the part analysis and the sweep (and, for centre and
// width steps, the whole design chain) on every click; these measure that
// work at up to 21 stages and the full 2000 intervals.

#include <benchmark/benchmark.h>

#include <memory>

#include "bench/benchdesign.h"
#include "engine/designstate.h"
#include "engine/response.h"
#include "engine/stageanalysis.h"
#include "engine/standardvalues.h"
#include "engine/synthesis.h"
#include "engine/tolerance.h"

namespace stelvane {
namespace {

void BM_DesignChainAndSweep(benchmark::State& state)
{
    auto s = BenchDesign(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        RunDesignChain(*s);
        benchmark::DoNotOptimize(s->Delay[kMaxPoints]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DesignChainAndSweep)->Arg(2)->Arg(10)->Arg(21)->Unit(benchmark::kMicrosecond);

void BM_Sweep(benchmark::State& state)
{
    auto s = BenchDesign(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ComputeResponse(*s);
        benchmark::DoNotOptimize(s->Delay[kMaxPoints]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Sweep)->Arg(2)->Arg(10)->Arg(21)->Unit(benchmark::kMicrosecond);

void BM_LogSweep(benchmark::State& state)
{
    auto s = BenchDesign(static_cast<int>(state.range(0)));
    s->Sweep = SweepSpacing::Log;
    s->Fstart = 10;
    s->Fstop = 100000;
    for (auto _ : state) {
        ComputeResponse(*s);
        benchmark::DoNotOptimize(s->Delay[kMaxPoints]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LogSweep)->Arg(21)->Unit(benchmark::kMicrosecond);

void BM_AnalyzeStageParts(benchmark::State& state)
{
    auto s = BenchDesign(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        AnalyzeStageParts(*s);
        benchmark::DoNotOptimize(s->StageQActual[s->Order]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_AnalyzeStageParts)->Arg(2)->Arg(21);

void BM_EvaluateCascadeOnePoint(benchmark::State& state)
{
    auto s = BenchDesign(static_cast<int>(state.range(0)));
    double f = 1000;
    for (auto _ : state) {
        double gain = 0;
        double phase = 0;
        EvaluateCascade(*s, f, gain, phase);
        benchmark::DoNotOptimize(gain);
        benchmark::DoNotOptimize(phase);
        benchmark::DoNotOptimize(f);
    }
}
BENCHMARK(BM_EvaluateCascadeOnePoint)->Arg(21);

// 1000 copies of the 21-stage design with 1% resistors and 5% capacitors,
// each analysed and swept over 2001 points, on every processor (wall time).
void BM_ToleranceRun(benchmark::State& state)
{
    auto s = BenchDesign(kMaxStages);
    ToleranceSettings settings;
    settings.runs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const ToleranceResult result = RunTolerance(*s, settings);
        benchmark::DoNotOptimize(result.gainDb[2][kMaxPoints]);
    }
}
BENCHMARK(BM_ToleranceRun)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace stelvane
