// The vectorised sweep against the point-by-point one it stands for: every
// Single the record holds comes out the same, bit for bit.

#include "engine/cascade.h"

#include <gtest/gtest.h>

#include <hwy/targets.h>

#include <cstring>
#include <memory>

#include "engine/response.h"
#include "fuzz/randomdesign.h"
#include "tests/engine/mfbreference.h"

namespace stelvane {

// The sweep as it was before it was vectorised: AddCascade at every point,
// then the backward-difference delay.
static void PointByPointSweep(const DesignState& s, SweepArray& gain, SweepArray& phase, SweepArray& delay)
{
    CascadeTerms terms;
    const int count = CollectStages(s, terms);
    double previousPhase = 0;
    for (int l = 0; l <= s.NrInts; ++l) {
        double g = 0, p = 0;
        AddCascade(terms.data(), count, s.Freq[l], g, p);
        gain[l] = FiniteSingle(g), phase[l] = FiniteSingle(p);
        const double step = l > 0 ? double(s.Freq[l]) - s.Freq[l - 1] : 0;
        delay[l] = l > 0 && step != 0 ? FiniteSingle((previousPhase - p) / (360 * step)) : 0;
        previousPhase = p;
    }
    delay[0] = s.NrInts >= 2 ? FiniteSingle(2.0 * delay[1] - delay[2]) : s.NrInts == 1 ? delay[1] : 0;
}

static bool SameBits(const SweepArray& a, const SweepArray& b, int last)
{
    return std::memcmp(a.data(), b.data(), sizeof(Single) * (last + 1)) == 0;
}

// On every instruction set this processor and the build have in common: the
// best, which the program uses, over more designs than the others.
TEST(SweepCascade, GivesThePointByPointSinglesBitForBit)
{
    const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
    for (const std::int64_t target : targets) {
        const int perOrder = target == targets.front() ? 4 : 1;
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        reliability::RandomDesigns designs(77031);
        auto s = std::make_unique<DesignState>();
        SweepArray gain, phase, delay;
        auto check = [&] {
            PointByPointSweep(*s, gain, phase, delay);
            ASSERT_TRUE(SameBits(gain, s->GainDB, s->NrInts) && SameBits(phase, s->Phase, s->NrInts) &&
                SameBits(delay, s->Delay, s->NrInts))
                << designs.Describe(*s);
        };
        for (Integer family = 1; family <= 3; ++family)
            for (Integer order = 1; order <= reliability::RandomDesigns::HighestOrder(family); ++order)
                for (int n = 0; n < perOrder; ++n) {
                    designs.Next(*s, family, order, Integer(designs.Uniform(1, kMaxPoints + 1)));
                    check();
                    // far skirts, where the running products are rescaled and stages added one by one
                    s->Fstart = s->Fstart / 1000, s->Fstop = s->Fstop * 1000, s->Sweep = SweepSpacing::Log;
                    ComputeResponse(*s);
                    check();
                }
        // parts at the ends of Single and negative parts
        s = reference::RecordWithStages(reference::ButterworthStages(19, 1000, 200, 0));
        reference::PutParts(*s, ++s->Order, {1e-43, 1, 3e38, 3e38, 1e-43});
        reference::PutParts(*s, ++s->Order, {10e3, -2.2e3, 100e3, 1e-9, 10e-9});
        s->Sweep = SweepSpacing::Log, s->Fstart = 0.001f, s->Fstop = 1e9f, s->NrInts = kMaxPoints;
        ComputeResponse(*s);
        check();
    }
    hwy::SetSupportedTargetsForTest(0);
}

}  // namespace stelvane
