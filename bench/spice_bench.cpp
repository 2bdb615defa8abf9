// The check against ngspice at its largest: 21 stages and 2001 sweep points,
// whole and in its parts (the netlist text, ngspice's analysis, the
// comparison with the engine at every point and stage).

#include <benchmark/benchmark.h>

#include <memory>

#include "bench/benchdesign.h"
#include "engine/designstate.h"
#include "engine/standardvalues.h"
#include "engine/synthesis.h"
#include "spice/verify.h"

namespace stelvane {
namespace {

void BM_VerifyDesign(benchmark::State& state)
{
    auto s = BenchDesign();
    for (auto _ : state) benchmark::DoNotOptimize(VerifyDesign(*s, OpampModel::Ideal).passed);
}
BENCHMARK(BM_VerifyDesign)->Unit(benchmark::kMillisecond);

void BM_NetlistText(benchmark::State& state)
{
    auto s = BenchDesign();
    for (auto _ : state) benchmark::DoNotOptimize(NetlistText(*s, OpampModel::Ideal));
}
BENCHMARK(BM_NetlistText)->Unit(benchmark::kMicrosecond);

void BM_NgspiceAnalysis(benchmark::State& state)
{
    auto s = BenchDesign();
    const std::string netlist = NetlistText(*s, OpampModel::Ideal);
    for (auto _ : state) benchmark::DoNotOptimize(RunAcAnalysis(netlist, ComparedNodes(*s)).ok);
}
BENCHMARK(BM_NgspiceAnalysis)->Unit(benchmark::kMillisecond);

void BM_CompareWithEngine(benchmark::State& state)
{
    auto s = BenchDesign();
    const AcAnalysis analysis = RunAcAnalysis(NetlistText(*s, OpampModel::Ideal), ComparedNodes(*s));
    for (auto _ : state) benchmark::DoNotOptimize(CompareWithEngine(*s, OpampModel::Ideal, analysis).passed);
}
BENCHMARK(BM_CompareWithEngine)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stelvane

BENCHMARK_MAIN();
