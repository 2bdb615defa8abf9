#include "engine/synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "engine/response.h"
#include "engine/standardvalues.h"

namespace stelvane {
namespace {

DesignState StartUpRecord()
{
    DesignState s;
    InitEngine(s);
    InstallDefaults(s);
    InstallCapacitorDefaults(s);
    InstallOpampDefaults(s);
    s.Apass = 0;
    return s;
}

DesignState Chained(Integer family, Integer order, Single apass, Single width, Single gain)
{
    DesignState s = StartUpRecord();
    s.Family = family;
    s.Order = order;
    s.Apass = apass;
    s.Width = width;
    s.Gain = gain;
    for (int k = 1; k <= kMaxStages; ++k) s.C[k] = {0, 1e-8f, 1e-8f};
    RunDesignChain(s);
    return s;
}

double GainAt(const DesignState& s, double f, double* phase = nullptr)
{
    double gain = 0, ph = 0;
    EvaluateCascade(s, f, gain, ph);
    if (phase) *phase = ph;
    return gain;
}

bool AllFinite(const DesignState& s)
{
    auto finite = [](const auto& values) {
        for (Single v : values) {
            if (!std::isfinite(v)) return false;
        }
        return true;
    };
    bool ok = finite(s.PoleRe) && finite(s.PoleIm) && finite(s.StageF) && finite(s.StageQ) &&
              finite(s.StageGain) && finite(s.FreqFactor) && finite(s.QFactor) &&
              finite(s.GainFactor) && finite(s.StageFoActual) && finite(s.StageQActual) &&
              finite(s.StageGainActual) && finite(s.Freq) && finite(s.GainDB) &&
              finite(s.Phase) && finite(s.Delay) && std::isfinite(s.Qbp);
    for (int k = 0; k <= kMaxStages; ++k) ok = ok && finite(s.R[k]) && finite(s.Rs[k]) && finite(s.C[k]);
    return ok;
}

struct Family {
    const char* name;
    Integer family;
    Single apass;
    Integer maxOrder;
    Single widths[2]; // moderate for the family at a 1000 Hz centre
};

// A Bessel prototype is normalised to a delay of 1 s, so its poles lie up
// to 10 rad/s out and its stages spread far wider than the Width figure.
const Family kFamilies[] = {{"Butterworth", 1, 0, 21, {100, 200}},
                            {"Chebyshev 0.5 dB", 2, 0.5f, 21, {100, 200}},
                            {"Chebyshev 1 dB", 2, 1.0f, 21, {100, 200}},
                            {"Bessel", 3, 0, 10, {20, 50}}};

TEST(DesignChain, CascadeGainAtCentreIsTheGainAsked)
{
    for (const Family& fam : kFamilies) {
        for (Single width : fam.widths) {
            for (Single gain : {0.0f, 10.0f, -10.0f}) {
                for (Integer order = 1; order <= fam.maxOrder; ++order) {
                    SCOPED_TRACE(std::string(fam.name) + " order " + std::to_string(order) +
                                 " width " + std::to_string(width) + " gain " + std::to_string(gain));
                    const DesignState s = Chained(fam.family, order, fam.apass, width, gain);
                    for (int k = 1; k <= order; ++k) ASSERT_EQ(s.StageInvalid[k], 0) << "stage " << k;
                    EXPECT_NEAR(GainAt(s, 1000), gain, 0.001);
                }
            }
        }
    }
}

TEST(DesignChain, StartUpResponse)
{
    DesignState s = StartUpRecord();
    RunDesignChain(s);
    struct Case {
        double f, gain, phase;
    };
    const Case cases[] = {{500, -35.0, 169.1},
                          {931.6, -0.98, 63.6},
                          {1000, 0, 0},
                          {1073.4, -0.98, -63.6},
                          {2000, -35.0, -169.1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.f) + " Hz");
        double phase = 0;
        EXPECT_NEAR(GainAt(s, c.f, &phase), c.gain, 0.05);
        EXPECT_NEAR(phase, c.phase, 0.1);
    }
    EXPECT_EQ(s.Freq[0], 500.0f);
    EXPECT_EQ(s.Freq[1000], 2000.0f);
    EXPECT_NEAR(s.GainDB[1000], -35.0, 0.05);
}

TEST(DesignChain, ManualEntryAnalysesThePartsAsTheyStand)
{
    DesignState s = StartUpRecord();
    RunDesignChain(s);
    s.ManualEntry = 1;
    s.R[1][3] *= 2;
    s.Center = 5000; // a change of the design inputs must not redesign anything
    s.Family = 3;
    const DesignState before = s;
    RunDesignChain(s);
    EXPECT_EQ(s.R, before.R);
    EXPECT_EQ(s.Rs, before.Rs);
    EXPECT_EQ(s.PoleRe, before.PoleRe);
    EXPECT_EQ(s.StageF, before.StageF);
    EXPECT_EQ(s.StageGain, before.StageGain);
    // Doubling R3 scales Q by sqrt 2, the gain by 2 and f0 by 1/sqrt 2.
    EXPECT_NEAR(s.StageQActual[1] / before.StageQActual[1], std::sqrt(2.0), 1e-5);
    EXPECT_NEAR(s.StageGainActual[1] / before.StageGainActual[1], 2.0, 1e-5);
    EXPECT_NEAR(s.StageFoActual[1] / before.StageFoActual[1], 1 / std::sqrt(2.0), 1e-5);
}

TEST(DesignChain, OpenCasesLeaveAFiniteRecord)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> change;
        std::function<void(const DesignState&)> check;
    };
    const Case cases[] = {
        {"order 0 computes nothing",
         [](DesignState& s) {
             s.Order = 0;
             s.R[1] = {0, -7, -7, -7};
         },
         [](const DesignState& s) {
             EXPECT_EQ(s.Order, 0);
             EXPECT_EQ(s.R[1][1], -7.0f);
             EXPECT_EQ(s.GainDB[0], 0.0f);
             EXPECT_EQ(s.GainDB[s.NrInts], 0.0f);
         }},
        {"order 0 with manual entry",
         [](DesignState& s) {
             s.Order = 0;
             s.ManualEntry = 1;
         },
         [](const DesignState& s) { EXPECT_EQ(s.GainDB[500], 0.0f); }},
        {"order from a file above the arrays",
         [](DesignState& s) {
             s.Order = 300;
             for (int k = 1; k <= kMaxStages; ++k) s.C[k] = {0, 1e-8f, 1e-8f};
         },
         [](const DesignState& s) {
             EXPECT_EQ(s.Order, kMaxStages);
             EXPECT_NEAR(GainAt(s, 1000), 0, 0.001);
         }},
        {"negative order from a file", [](DesignState& s) { s.Order = -4; },
         [](const DesignState& s) { EXPECT_EQ(s.Order, 0); }},
        {"file poles on the imaginary axis",
         [](DesignState& s) {
             s.Family = 4;
             s.Order = 3;
             s.PoleRe = {0, -0.5f, 0, 0};
             s.PoleIm = {0, 0.8f, 0.9f, -0.9f};
             s.C[3] = {0, 1e-8f, 1e-8f};
         },
         [](const DesignState& s) {
             EXPECT_EQ(s.StageInvalid[1], 0);
             EXPECT_EQ(s.StageInvalid[2], 1);
             EXPECT_EQ(s.StageInvalid[3], 1);
             EXPECT_EQ(s.StageQ[2], 0.0f);
             EXPECT_LT(s.StageF[2], 1000.0f);
             EXPECT_GT(s.StageF[3], 1000.0f);
             EXPECT_EQ(s.StageFoActual[2], 0.0f);
         }},
        {"gain too high for the Q",
         [](DesignState& s) {
             s.Width = 800;
             s.Gain = 40;
         },
         [](const DesignState& s) {
             EXPECT_LT(s.R[1][2], 0.0f);
             EXPECT_EQ(s.StageInvalid[1], 1);
             EXPECT_EQ(s.StageFoActual[1], 0.0f);
         }},
        {"DC gain of 0",
         [](DesignState& s) { s.DCGain = 0; },
         [](const DesignState& s) {
             EXPECT_GT(s.Rs[1][1], 0.0f);
             EXPECT_GT(s.Rs[2][2], 0.0f);
         }},
        {"negative DC gain",
         [](DesignState& s) { s.DCGain = -1e5f; },
         [](const DesignState& s) { EXPECT_GT(s.Rs[1][3], 0.0f); }},
        {"centre and width 0 from a file",
         [](DesignState& s) {
             s.Center = 0;
             s.Width = 0;
         },
         [](const DesignState& s) {
             EXPECT_EQ(s.StageInvalid[1], 1);
             EXPECT_EQ(s.Qbp, 0.0f);
         }},
        {"no intervals",
         [](DesignState& s) { s.NrInts = 0; },
         [](const DesignState& s) { EXPECT_EQ(s.Delay[0], 0.0f); }},
        {"start equals stop, log sweep",
         [](DesignState& s) {
             s.Fstart = 1000;
             s.Fstop = 1000;
             s.Sweep = 2;
         },
         [](const DesignState& s) { EXPECT_NEAR(s.GainDB[10], 0, 0.001); }},
        {"zero start, log sweep",
         [](DesignState& s) {
             s.Fstart = 0;
             s.Sweep = 2;
         },
         [](const DesignState& s) { EXPECT_GT(s.Freq[0], 0.0f); }},
        {"ripple from a file far beyond 20 dB",
         [](DesignState& s) {
             s.Family = 2;
             s.Apass = 1e10f;
         },
         [](const DesignState& s) {
             // The poles fall onto the imaginary axis: no stage can be built.
             EXPECT_EQ(s.StageInvalid[1], 1);
             EXPECT_EQ(s.StageInvalid[2], 1);
         }},
        {"capacitor 0 in one stage",
         [](DesignState& s) { s.C[2] = {0, 0, 0}; },
         [](const DesignState& s) {
             EXPECT_EQ(s.StageInvalid[2], 1);
             EXPECT_EQ(s.StageInvalid[1], 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = StartUpRecord();
        c.change(s);
        RunDesignChain(s);
        EXPECT_TRUE(AllFinite(s));
        c.check(s);
    }
}

} // namespace
} // namespace stelvane
