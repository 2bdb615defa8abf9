// The exact opamp correction of a 21-stage Butterworth design at 10 kHz,
// from the first-order resistors each time as a design run has them:
// 0: 1 kHz wide on 10 MHz (Newton on every pole pair; the two Q-134 stages
// have no exact set), 1: 8 kHz wide on 300 kHz (the low-Q stages fitted over
// the band), 2: 1 kHz wide on 1 MHz.

#include <benchmark/benchmark.h>

#include <memory>

#include "engine/designstate.h"
#include "engine/exactcorrection.h"
#include "engine/standardvalues.h"
#include "engine/synthesis.h"

namespace stelvane {
namespace {

std::unique_ptr<DesignState> Butterworth21(Single width, Single gbw)
{
    auto s = std::make_unique<DesignState>();
    InitEngine(*s);
    InstallDefaults(*s);
    InstallOpampDefaults(*s);
    s->Family = FilterFamily::Butterworth;
    s->Order = kMaxStages;
    s->Center = 10e3f, s->Width = width, s->GBW = gbw;
    for (int k = 1; k <= kMaxStages; ++k) s->C[k][1] = s->C[k][2] = 1e-8f;
    RunDesignChain(*s);
    s->Bench.Correction = OpampCorrection::Exact;
    return s;
}

void BM_ExactCorrection21(benchmark::State& state)
{
    const Single widths[] = {1e3f, 8e3f, 1e3f}, gbws[] = {10e6f, 300e3f, 1e6f};
    const auto row = static_cast<std::size_t>(state.range(0));
    auto s = Butterworth21(widths[row], gbws[row]);
    const ResArray firstOrder = s->Rs;
    int missed = 0;
    for (auto _ : state) {
        s->Rs = firstOrder;
        ApplyExactCorrection(*s);
        benchmark::DoNotOptimize(s->Rs[kMaxStages][3]);
        benchmark::ClobberMemory();
    }
    for (int k = 1; k <= kMaxStages; ++k) missed += s->ExactMissed[k];
    state.counters["missed"] = missed;
}
BENCHMARK(BM_ExactCorrection21)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace stelvane

BENCHMARK_MAIN();
