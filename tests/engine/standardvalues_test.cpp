#include "engine/standardvalues.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>

#include "engine/synthesis.h"

namespace stelvane {

// One resistor put through NearestStandardValue as stage 1, R1.
static float Rounded(float value)
{
    DesignState s;
    s.Order = 1, s.R[1][1] = value, NearestStandardValue(s);
    return s.R[1][1];
}

// Against a brute-force search over the E24 series, written out here: the
// result is a standard value, and none lies nearer in ratio.
TEST(NearestStandardValue, NoStandardValueLiesNearerInRatio)
{
    const double e24[] = {1.0, 1.1, 1.2, 1.3, 1.5, 1.6, 1.8, 2.0, 2.2, 2.4, 2.7, 3.0, 3.3, 3.6, 3.9, 4.3, 4.7, 5.1, 5.6,
        6.2, 6.8, 7.5, 8.2, 9.1};
    for (int i = 0; i <= 4000; ++i) {
        // 1 milliohm to 10 megohms
        const float value = static_cast<float>(1e-3 * std::pow(10.0, i / 400.0));
        const double got = Rounded(value);
        double bestRatio = INFINITY, gotDistance = INFINITY;
        for (int decade = -4; decade <= 7; ++decade)
            for (double e : e24) {
                bestRatio = std::min(bestRatio, std::fabs(std::log(e * std::pow(10.0, decade) / value)));
                gotDistance = std::min(gotDistance, std::fabs(got / (e * std::pow(10.0, decade)) - 1));
            }
        // ties within Single rounding may go either way
        EXPECT_LE(std::fabs(std::log(got / value)), bestRatio + 1e-5) << value << " gave " << got;
        EXPECT_LE(gotDistance, 1e-5) << value << " gave " << got;
    }
}

TEST(InitEngine, SetsTheConstantsAndARecordWithoutThemDesignsTheSame)
{
    DesignState s, unset;
    InitEngine(s);
    EXPECT_EQ(
        std::pair(s.Pi, s.VersionText), std::pair(static_cast<float>(std::numbers::pi), std::string("Version 2.03")));
    // A record whose Pi was never set falls back on the same pi in every step.
    for (DesignState* r : {&s, &unset}) InstallDefaults(*r), InstallCapacitorDefaults(*r), RunDesignChain(*r);
    // the start-up design, from the start-up defaults
    EXPECT_EQ(std::pair(std::round(s.StageFoActual[1]), std::round(s.StageFoActual[2])),
        // to the hertz
        std::pair(932.0f, 1073.0f));
    EXPECT_EQ(std::pair(unset.PoleRe, unset.R), std::pair(s.PoleRe, s.R));
}

}  // namespace stelvane
