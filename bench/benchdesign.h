#pragma once

#include <memory>

#include "engine/designstate.h"
#include "engine/standardvalues.h"
#include "engine/synthesis.h"

namespace stelvane {

// The start-up design widened to the given order with 10 nF in every stage,
// swept over 2000 intervals; the change, when given, is made before the
// design chain runs (another family or band).
template <class Change>
std::unique_ptr<DesignState> BenchDesign(int order, Change change)
{
    auto s = std::make_unique<DesignState>();
    InitEngine(*s);
    InstallDefaults(*s);
    InstallOpampDefaults(*s);
    s->Order = static_cast<Integer>(order);
    s->NrInts = kMaxPoints;
    for (int k = 1; k <= kMaxStages; ++k) s->C[k][1] = s->C[k][2] = 1e-8f;
    change(*s);
    RunDesignChain(*s);
    return s;
}

inline std::unique_ptr<DesignState> BenchDesign(int order = kMaxStages)
{
    return BenchDesign(order, [](DesignState&) {});
}

}  // namespace stelvane
