// The headroom order weighs every order of up to twelve stages; these measure
// it at an eight-stage Chebyshev (0.5 dB, 100 Hz wide) over the full
// 2000 intervals, and the headroom figures themselves at 21 stages.

#include <benchmark/benchmark.h>

#include <memory>

#include "bench/benchdesign.h"
#include "engine/designstate.h"
#include "engine/headroom.h"
#include "engine/standardvalues.h"
#include "engine/synthesis.h"

namespace stelvane {
namespace {

// An 8-stage Chebyshev's kind: narrow, with the stage Qs spread wide.
std::unique_ptr<DesignState> HeadroomDesign(int order)
{
    return BenchDesign(order, [](DesignState& s) {
        s.Family = FilterFamily::Chebyshev;
        s.Apass = 0.5f;
        s.Width = 100;
        s.Fstart = 500;
        s.Fstop = 2000;
    });
}

void BM_HeadroomOrder(benchmark::State& state)
{
    auto s = HeadroomDesign(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(HeadroomOrder(*s));
}
BENCHMARK(BM_HeadroomOrder)->Arg(4)->Arg(8)->Arg(12)->Arg(21)->Unit(benchmark::kMillisecond);

void BM_Headroom(benchmark::State& state)
{
    auto s = HeadroomDesign(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(ComputeHeadroom(*s));
}
BENCHMARK(BM_Headroom)->Arg(8)->Arg(21)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stelvane
