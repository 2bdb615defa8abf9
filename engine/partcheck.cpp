#include "engine/partcheck.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine/numbertext.h"
#include "engine/poles.h"
#include "engine/synthesis.h"

namespace stelvane {

namespace {

// A figure moved by this ratio moves each part by twice what the seven
// digits of a stored figure can (half a unit in the seventh digit).
constexpr double kNudge = 1e-6;
// What a part stored to seven digits and read back into a Single can differ
// by on its own, with room for the float rounding inside the design chain.
constexpr double kPartRounding = 2e-6;
// The moves found by nudging are uneven (a stage of Q in the thousands sits
// at a frequency whose float rounding is a visible part of its bandwidth);
// a part may move a few times further between two nudges than at them.
constexpr double kSpreadMargin = 4;

using PartTable = std::array<std::array<double, 5>, kMaxStages + 1>;

// The family design of the record's figures with every capacitor at the
// first one, as the Enter step sets them; `field` (when given) is moved by
// the ratio `nudge` first, and the capacitors when `nudgeCapacitor` is set.
PartTable FamilyParts(const DesignState& s, Single DesignState::*field, bool nudgeCapacitor, double nudge)
{
    auto d = std::make_unique<DesignState>(s);
    if (field) d.get()->*field = static_cast<Single>((d.get()->*field) * (1 + nudge));
    // The capacitor entered is C2: buildable gains may have raised C1 (with
    // equal gains the two are one value).
    const Single entered = s.Bench.Gains == StageGains::Buildable ? s.C[1][2] : s.C[1][1];
    const Single cap = nudgeCapacitor ? static_cast<Single>(entered * (1 + nudge)) : entered;
    for (int k = 1; k <= StageCount(s); ++k) d->C[k][1] = d->C[k][2] = cap;
    ComputePrototypePoles(*d);
    TransformToBandpass(*d);
    SynthesizeStages(*d);
    PartTable parts{};
    for (int k = 1; k <= StageCount(s); ++k) parts[k] = {d->R[k][1], d->R[k][2], d->R[k][3], d->C[k][1], d->C[k][2]};
    // A family that holds fewer stages (Bessel stops at 10) leaves the rest unset.
    for (int k = StageCount(*d) + 1; k <= StageCount(s); ++k) parts[k].fill(NAN);
    return parts;
}

std::string ThreeDigits(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", v);
    return GeneralNumberText(std::strtod(text, nullptr));
}

}  // namespace

bool PartsAreFamilyDesign(const DesignState& s)
{
    const int n = StageCount(s);
    bool anyPart = false;
    for (int k = 1; k <= n; ++k)
        for (int j = 1; j <= 3; ++j) anyPart = anyPart || s.R[k][j] != 0;
    if (!anyPart) return true;

    const PartTable design = FamilyParts(s, nullptr, false, 0);
    // How far each part moves when the figures move by what their seven
    // digits allow: the widest move over a few nudges of each figure (the
    // float rounding inside the chain makes the moves uneven), summed over
    // the figures.
    PartTable spread{};
    const auto addSpread = [&](Single DesignState::*field, bool nudgeCapacitor) {
        PartTable widest{};
        for (double nudge : {kNudge, -kNudge, 3 * kNudge, -3 * kNudge, 10 * kNudge, -10 * kNudge}) {
            const PartTable moved = FamilyParts(s, field, nudgeCapacitor, nudge);
            for (int k = 1; k <= n; ++k)
                for (int p = 0; p < 5; ++p)
                    widest[k][p] = std::max(widest[k][p], std::fabs(moved[k][p] - design[k][p]));
        }
        for (int k = 1; k <= n; ++k)
            for (int p = 0; p < 5; ++p) spread[k][p] += widest[k][p];
    };
    for (Single DesignState::*field :
        {&DesignState::Center, &DesignState::Width, &DesignState::Gain, &DesignState::Apass})
        addSpread(field, false);
    addSpread(nullptr, true);

    for (int k = 1; k <= n; ++k) {
        const double stored[5] = {s.R[k][1], s.R[k][2], s.R[k][3], s.C[k][1], s.C[k][2]};
        for (int p = 0; p < 5; ++p) {
            const double allowed = kPartRounding * std::fabs(design[k][p]) + kSpreadMargin * spread[k][p];
            if (!(std::fabs(stored[p] - design[k][p]) <= allowed)) return false;
        }
    }
    return true;
}

StageFault StageFaultOf(const DesignState& s, int k, bool specifiedOpamp)
{
    if (k < 1 || k > kMaxStages) return StageFault::None;
    const auto& r = specifiedOpamp ? s.Rs[k] : s.R[k];
    StageFault fault = StageFault::None;
    for (double v : {double(r[1]), double(r[2]), double(r[3]), double(s.C[k][1]), double(s.C[k][2])}) {
        if (!std::isfinite(v) || v == 0) return StageFault::Missing;
        if (v < 0) fault = StageFault::Negative;
    }
    return fault;
}

int FirstStageWith(const DesignState& s, StageFault fault, bool specifiedOpamp)
{
    for (int k = 1; k <= StageCount(s); ++k)
        if (StageFaultOf(s, k, specifiedOpamp) == fault) return k;
    return 0;
}

std::string UnbuildableStageText(const DesignState& s, int k, bool specifiedOpamp)
{
    if (k < 1 || k > kMaxStages) return {};
    const auto& r = specifiedOpamp ? s.Rs[k] : s.R[k];
    const double parts[5] = {r[1], r[2], r[3], s.C[k][1], s.C[k][2]};
    static const char* const names[5] = {"R1", "R2", "R3", "C1", "C2"};
    const std::string stage =
        "Stage " + std::to_string(k) + " cannot be built" + (specifiedOpamp ? " for the specified opamp: " : ": ");
    // A part of 0 or with no value first: it leaves no circuit at all.
    for (int p = 0; p < 5; ++p)
        if (!std::isfinite(parts[p]) || parts[p] == 0)
            return stage + "its " + names[p] + (parts[p] == 0 ? " is 0" : " is not a finite value");
    if (parts[0] > 0 && parts[1] < 0 && parts[2] > 0 && parts[3] > 0 && parts[4] > 0) {
        // R2 is what a gain too high for the Q leaves negative: the gain R1,
        // R3 and the capacitors set needs a Q above sqrt(g C2 / (C1 + C2)).
        const double c1 = parts[3], c2 = parts[4];
        const double gain = parts[2] * c1 / (parts[0] * (c1 + c2));
        return stage + "its gain " + ThreeDigits(gain) + " needs Q above " +
            ThreeDigits(std::sqrt(gain * c2 / (c1 + c2)));
    }
    for (int p = 0; p < 5; ++p)
        if (parts[p] < 0) return stage + "its " + names[p] + " is negative";
    return {};
}

}  // namespace stelvane
