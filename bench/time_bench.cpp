// The time response at its largest: 21 stages and 10,000 samples, the
// program's exact response beside ngspice's transient analysis of the same
// circuit over the same span and samples (the check's netlist), in one run.

#include <benchmark/benchmark.h>

#include "bench/benchdesign.h"
#include "engine/timeresponse.h"
#include "spice/transient.h"

namespace stelvane {
namespace {

constexpr int kPoints = 10000;

TimeRequest Request(TimeKind kind)
{
    TimeRequest r;
    r.kind = kind;
    r.points = kPoints;
    return r;
}

void BM_TimeResponse(benchmark::State& state)
{
    auto s = BenchDesign();
    const TimeRequest request = Request(TimeKind(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(ComputeTimeResponse(*s, request).v.back());
    state.SetLabel(std::string("21 stages x 10000 samples, ") + TimeKindName(request.kind));
}
BENCHMARK(BM_TimeResponse)
    ->Arg(int(TimeKind::Step))
    ->Arg(int(TimeKind::Impulse))
    ->Arg(int(TimeKind::Burst))
    ->Unit(benchmark::kMillisecond);

void BM_NgspiceTransient(benchmark::State& state)
{
    auto s = BenchDesign();
    const TimeResponse r = ComputeTimeResponse(*s, Request(TimeKind::Step));
    const std::string netlist = TransientNetlistText(*s, r);
    double error = 0;
    for (auto _ : state) {
        const TransientVerification v = CompareTransient(r, RunTransientAnalysis(netlist, {"out"}));
        if (!v.simulated) state.SkipWithError(v.message.c_str());
        error = v.maxError;
    }
    state.counters["max_error_of_peak"] = error;
    state.SetLabel("the same circuit, span and samples in ngspice");
}
BENCHMARK(BM_NgspiceTransient)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace stelvane

BENCHMARK_MAIN();
