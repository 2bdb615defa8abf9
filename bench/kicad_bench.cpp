// Taking a design to a board at its largest, 21 stages: the KiCad schematic
// (A3, three rows) and the netlist that runs on its own.

#include <benchmark/benchmark.h>

#include "bench/benchdesign.h"
#include "files/kicadschematic.h"
#include "spice/netlist.h"

namespace stelvane {
namespace {

void BM_KicadSchematicText(benchmark::State& state)
{
    auto s = BenchDesign(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(KicadSchematicText(*s, PartsType::Specified, std::nullopt));
}
BENCHMARK(BM_KicadSchematicText)->Arg(2)->Arg(kMaxStages)->Unit(benchmark::kMicrosecond);

void BM_StandaloneNetlistText(benchmark::State& state)
{
    auto s = BenchDesign();
    for (auto _ : state) benchmark::DoNotOptimize(StandaloneNetlistText(*s, OpampModel::Ideal));
}
BENCHMARK(BM_StandaloneNetlistText)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace stelvane

BENCHMARK_MAIN();
