// The order search over the three families: each family's least order found
// and designed through a session of its own, then checked against the mask,
// from the start-up design swept over 2000 intervals. The budget is 1 ms a mask.

#include <benchmark/benchmark.h>

#include "bench/benchdesign.h"
#include "engine/mask.h"

namespace stelvane {
namespace {

// A narrow mask (orders 5, 4 and Bessel short of it at 10), a wide one (14 and 7),
// one with a delay spread (2, 21 and 2), and one out of reach (21, 21, 10).
const FilterMask kMasks[] = {
    {900, 1100, 1, 700, 1400, 40, 0},
    {500, 1600, 3, 300, 2200, 60, 0},
    {950, 1050, 3, 500, 1800, 20, 20},
    {900, 1100, 0.5, 850, 1150, 200, 0},
};

void BM_FindCandidates(benchmark::State& state)
{
    auto base = BenchDesign(2);
    const FilterMask& mask = kMasks[state.range(0)];
    for (auto _ : state) benchmark::DoNotOptimize(FindCandidates(*base, mask));
}
BENCHMARK(BM_FindCandidates)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stelvane
