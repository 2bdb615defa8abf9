#pragma once

// The start-up record shared by the engine tests: the constants and the
// start-up defaults as the program installs them, and the design it enters.

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>

#include "engine/designsession.h"
#include "engine/poles.h"
#include "engine/standardvalues.h"

namespace stelvane::testing {

// The record as the program starts, before anything is designed.
inline DesignState StartUpRecord()
{
    DesignState s;
    InitEngine(s);
    InstallDefaults(s);
    InstallCapacitorDefaults(s);
    InstallOpampDefaults(s);
    return s;
}

// The start-up record after the Enter step over what the design window shows
// for it, with the edits made first (on the heap: the sweep arrays make it large).
inline std::unique_ptr<DesignState> StartUpDesign(const std::function<void(DesignInputs&)>& edits = {})
{
    auto s = std::make_unique<DesignState>(StartUpRecord());
    DesignInputs in = InputsFromRecord(*s);
    if (edits) edits(in);
    DesignSession(*s).Enter(in, [](const std::string&) {});
    return s;
}

// The record after the prototype poles and their bandpass transform.
inline DesignState Designed(Integer family, Integer order, Single apass, Single center = 1000, Single width = 200)
{
    DesignState s;
    s.Pi = Single(std::numbers::pi);
    s.Family = CodeOf<FilterFamily>(family), s.Order = order, s.Apass = apass, s.Center = center, s.Width = width;
    ComputePrototypePoles(s), TransformToBandpass(s);
    return s;
}

}  // namespace stelvane::testing
