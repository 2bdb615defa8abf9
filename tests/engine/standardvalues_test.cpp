#include "engine/standardvalues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace stelvane {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The E24 series, written out independently of the engine's table.
const std::vector<double> kE24 = {1.0, 1.1, 1.2, 1.3, 1.5, 1.6, 1.8, 2.0, 2.2, 2.4, 2.7, 3.0,
                                  3.3, 3.6, 3.9, 4.3, 4.7, 5.1, 5.6, 6.2, 6.8, 7.5, 8.2, 9.1};

// One resistor put through NearestStandardValue as stage 1, R1.
float Rounded(float value)
{
    DesignState s;
    s.Order = 1;
    s.R[1][1] = value;
    NearestStandardValue(s);
    return s.R[1][1];
}

struct NearestCase {
    const char* name;
    float value;
    float expected;
};

TEST(NearestStandardValue, RoundsToTheNearestFivePercentValue)
{
    const std::vector<NearestCase> cases = {
        {"85418 lies nearer 82000 than 91000 in ratio", 85418.0f, 82000.0f},
        {"1050 goes up to 1100", 1050.0f, 1100.0f},
        {"1000 stays", 1000.0f, 1000.0f},
        {"999 goes to 1000", 999.0f, 1000.0f},
        {"9.5 goes down to 9.1 from the decade above", 9.5f, 9.1f},
        {"9.6 goes up to 10", 9.6f, 10.0f},
        {"just below the 9.1/10 ratio midpoint", 9.539f, 9.1f},
        {"just above the 9.1/10 ratio midpoint", 9.540f, 10.0f},
        {"0.05 goes to 0.051", 0.05f, 0.051f},
        {"4.8e20 goes to 4.7e20", 4.8e20f, 4.7e20f},
        {"15915.5 goes to 16000", 15915.5f, 16000.0f},
        {"2200 stays", 2200.0f, 2200.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The new values are Single products of a decade and a table entry.
        EXPECT_NEAR(Rounded(c.value), c.expected, 1e-5 * c.expected);
    }
}

TEST(NearestStandardValue, LeavesValuesWithoutANearestValueAlone)
{
    const std::vector<NearestCase> cases = {
        {"zero", 0.0f, 0.0f},
        {"negative", -50.0f, -50.0f},
        {"infinite", kInf, kInf},
        {"negative infinite", -kInf, -kInf},
        {"beyond the largest decade", 3e38f, 3e38f},
        {"the largest Single", std::numeric_limits<float>::max(), std::numeric_limits<float>::max()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Rounded(c.value), c.expected);
    }
    SCOPED_TRACE("not a number");
    EXPECT_TRUE(std::isnan(Rounded(kNaN)));
}

// Checked against a brute-force search over the E24 series: the result is a
// standard value, and no standard value lies nearer in ratio.
TEST(NearestStandardValue, NoStandardValueLiesNearerInRatio)
{
    struct Range {
        const char* name;
        double lowest;
        double highest;
    };
    const std::vector<Range> ranges = {
        {"ohms to megohms", 1.0, 1e7},
        {"below one ohm", 1e-3, 1.0},
    };
    for (const auto& range : ranges) {
        SCOPED_TRACE(range.name);
        const int steps = 2000;
        for (int i = 0; i <= steps; ++i) {
            const double v = range.lowest * std::pow(range.highest / range.lowest,
                                                     static_cast<double>(i) / steps);
            const float value = static_cast<float>(v);
            const double got = Rounded(value);
            double best = 0.0;
            double bestRatio = std::numeric_limits<double>::infinity();
            for (int decade = -5; decade <= 8; ++decade) {
                for (double e : kE24) {
                    const double candidate = e * std::pow(10.0, decade);
                    const double ratio = std::fabs(std::log(candidate / value));
                    if (ratio < bestRatio) {
                        bestRatio = ratio;
                        best = candidate;
                    }
                }
            }
            SCOPED_TRACE(std::to_string(value));
            const double gotRatio = std::fabs(std::log(got / value));
            // Ties within Single rounding may go either way.
            EXPECT_LE(gotRatio, bestRatio + 1e-5) << "gave " << got << ", nearest is " << best;
            bool isStandard = false;
            for (int decade = -5; decade <= 8; ++decade) {
                for (double e : kE24) {
                    const double candidate = e * std::pow(10.0, decade);
                    if (std::fabs(got - candidate) <= 1e-5 * candidate) isStandard = true;
                }
            }
            EXPECT_TRUE(isStandard);
        }
    }
}

TEST(NearestStandardValue, TouchesOnlyTheIdealResistorsOfTheStages)
{
    struct OrderCase {
        const char* name;
        Integer order;
        int stagesRounded;
    };
    const std::vector<OrderCase> cases = {
        {"two stages", 2, 2},
        {"no stages", 0, 0},
        {"all 21 stages", 21, 21},
        {"an order beyond the arrays is kept to them", 30, 21},
        {"a negative order rounds nothing", -3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Order = c.order;
        for (int k = 0; k <= kMaxStages; ++k) {
            for (int j = 0; j <= 3; ++j) {
                s.R[k][j] = 1050.0f;
                s.Rs[k][j] = 1050.0f;
            }
            s.C[k][1] = 1.05e-8f;
            s.C[k][2] = 1.05e-8f;
        }
        NearestStandardValue(s);
        for (int k = 0; k <= kMaxStages; ++k) {
            SCOPED_TRACE("stage " + std::to_string(k));
            const bool rounded = k >= 1 && k <= c.stagesRounded;
            EXPECT_EQ(s.R[k][0], 1050.0f);
            for (int j = 1; j <= 3; ++j) {
                EXPECT_NEAR(s.R[k][j], rounded ? 1100.0f : 1050.0f, 0.01f);
                EXPECT_EQ(s.Rs[k][j], 1050.0f);
            }
            EXPECT_EQ(s.C[k][1], 1.05e-8f);
            EXPECT_EQ(s.C[k][2], 1.05e-8f);
        }
    }
}

TEST(InitEngine, SetsTheStartUpConstants)
{
    struct Case {
        const char* name;
        bool holds;
    };
    DesignState s;
    InitEngine(s);
    const std::vector<Case> cases = {
        {"Pi is pi rounded to Single", s.Pi == static_cast<float>(3.14159265358979323846)},
        {"Pi reads 3.1415927", std::fabs(s.Pi - 3.1415927f) == 0.0f},
        {"the version text", s.VersionText == "Version 2.03"},
        {"nothing else is set", s.Center == 0.0f && s.Order == 0 && s.Qbp == 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(c.holds);
    }
}

} // namespace
} // namespace stelvane
