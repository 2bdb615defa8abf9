// The noise at its largest, 21 stages and 2001 sweep points with every
// source (three resistors, en and in per stage), beside ngspice's noise
// analysis of the same circuit: the engine's density and integrals, with
// the ideal and with the specified opamp, and ngspice's .noise run.

#include <benchmark/benchmark.h>

#include <memory>

#include "bench/benchdesign.h"
#include "engine/designstate.h"
#include "engine/noise.h"
#include "engine/standardvalues.h"
#include "engine/synthesis.h"
#include "spice/netlist.h"
#include "spice/ngspice.h"

namespace stelvane {
namespace {

// The 21-stage design with a noisy opamp.
std::unique_ptr<DesignState> NoiseDesign()
{
    auto s = BenchDesign();
    s->Bench.En = 4;
    s->Bench.In = 0.5;
    return s;
}

void BM_NoiseIdeal(benchmark::State& state)
{
    auto s = NoiseDesign();
    for (auto _ : state) benchmark::DoNotOptimize(ComputeNoise(*s, PartsType::Ideal).outputRms);
}
BENCHMARK(BM_NoiseIdeal)->Unit(benchmark::kMicrosecond);

void BM_NoiseSpecified(benchmark::State& state)
{
    auto s = NoiseDesign();
    for (auto _ : state) benchmark::DoNotOptimize(ComputeNoise(*s, PartsType::Specified).outputRms);
}
BENCHMARK(BM_NoiseSpecified)->Unit(benchmark::kMicrosecond);

void BM_NgspiceNoise(benchmark::State& state)
{
    auto s = NoiseDesign();
    const std::string netlist = NetlistText(*s, OpampModel::Ideal, NetlistAnalysis::Noise);
    for (auto _ : state) benchmark::DoNotOptimize(RunAcAnalysis(netlist, {"onoise_spectrum"}).ok);
}
BENCHMARK(BM_NgspiceNoise)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stelvane

BENCHMARK_MAIN();
