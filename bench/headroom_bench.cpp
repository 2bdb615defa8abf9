// The headroom order weighs every order of up to twelve stages; these measure
// it at the eight-stage Chebyshev (0.5 dB, 100 Hz wide) over the full
// 2000 intervals, and the headroom figures themselves at 21 stages.

#include <benchmark/benchmark.h>

#include <memory>

#include "engine/designstate.h"
#include "engine/headroom.h"
#include "engine/standardvalues.h"
#include "engine/synthesis.h"

namespace stelvane {
namespace {

std::unique_ptr<DesignState> BenchDesign(int order)
{
    auto s = std::make_unique<DesignState>();
    InitEngine(*s);
    InstallDefaults(*s);
    InstallOpampDefaults(*s);
    s->Family = FilterFamily::Chebyshev;
    s->Apass = 0.5f;
    s->Width = 100;
    s->Fstart = 500;
    s->Fstop = 2000;
    s->Order = static_cast<Integer>(order);
    s->NrInts = kMaxPoints;
    for (int k = 1; k <= kMaxStages; ++k) s->C[k][1] = s->C[k][2] = 1e-8f;
    RunDesignChain(*s);
    return s;
}

void BM_HeadroomOrder(benchmark::State& state)
{
    auto s = BenchDesign(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(HeadroomOrder(*s));
}
BENCHMARK(BM_HeadroomOrder)->Arg(4)->Arg(8)->Arg(12)->Arg(21)->Unit(benchmark::kMillisecond);

void BM_Headroom(benchmark::State& state)
{
    auto s = BenchDesign(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(ComputeHeadroom(*s));
}
BENCHMARK(BM_Headroom)->Arg(8)->Arg(21)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stelvane
