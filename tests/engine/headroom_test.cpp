#include "engine/headroom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "engine/partcheck.h"
#include "engine/standardseries.h"
#include "engine/synthesis.h"
#include "tests/engine/engine_test_support.h"

namespace stelvane {
namespace {

// The designs of every check: the wide and high-gain ones that equal gains cannot build first,
// then small orders whose stage orders can all be weighed.
struct Case {
    const char* name;
    int family;
    int order;
    double center, width, gain, apass;
};
const Case kCases[] = {
    {"bessel 8", 3, 8, 1000, 600, 0, 0},
    {"butterworth 2 40 dB", 1, 2, 1000, 800, 40, 0},
    {"chebyshev 8", 2, 8, 1000, 100, 0, 0.5},
    {"chebyshev 5 30 dB", 2, 5, 2000, 1500, 30, 1},
    {"butterworth 4", 1, 4, 1000, 300, 6, 0},
    {"bessel 3 20 dB", 3, 3, 500, 400, 20, 0},
    {"chebyshev 14, ordered greedily", 2, 14, 1000, 100, 0, 0.5},
};

std::unique_ptr<DesignState> Design(const Case& c, StageGains gains, StageOrder order = StageOrder::Family)
{
    auto s = std::make_unique<DesignState>(testing::StartUpRecord());
    DesignSession session(*s);
    session.SetBench({.Gains = gains, .Order = order});
    DesignInputs in = InputsFromRecord(*s);
    auto text = [](double v) { return std::to_string(v); };
    in.txtCenter = text(c.center), in.txtWidth = text(c.width), in.txtGain = text(c.gain), in.txtApass = text(c.apass);
    in.lblOrderInput = std::to_string(c.order), in.txtInts = "2000";
    in.optButterworth = c.family == 1, in.optChebyshev = c.family == 2, in.optBessel = c.family == 3;
    in.optLinear = false, in.optLog = true, in.txtStart = text(c.center / 10), in.txtStop = text(c.center * 10);
    session.Enter(in, [](const std::string&) {});
    return s;
}

// Each stage's ideal-opamp response at every sweep point, from its parts.
std::vector<std::vector<std::complex<double>>> StageResponses(const DesignState& s)
{
    std::vector<std::vector<std::complex<double>>> h(s.Order);
    for (int k = 1; k <= s.Order; ++k)
        for (int l = 0; l <= s.NrInts; ++l) {
            const std::complex<double> p(0, 2 * std::numbers::pi * s.Freq[l]);
            const double r1 = s.R[k][1], r2 = s.R[k][2], r3 = s.R[k][3], c1 = s.C[k][1], c2 = s.C[k][2];
            h[k - 1].push_back(-p * r3 * c1 / (p * p * r1 * r3 * c1 * c2 + p * r1 * (c1 + c2) + 1.0 + r1 / r2));
        }
    return h;
}

// The gain in dB from the input to each output along the order, at every point.
std::vector<std::vector<double>> Outputs(
    const DesignState& s, const std::vector<std::vector<std::complex<double>>>& h, const std::vector<int>& order)
{
    std::vector<std::complex<double>> product(s.NrInts + 1, 1.0);
    std::vector<std::vector<double>> outputs;
    for (int k : order) {
        auto& gain = outputs.emplace_back();
        for (int l = 0; l <= s.NrInts; ++l) {
            product[l] *= h[k - 1][l];
            gain.push_back(20 * std::log10(std::abs(product[l])));
        }
    }
    return outputs;
}

double Highest(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

bool AllPartsPositive(const DesignState& s)
{
    return std::all_of(&s.R[1], &s.R[s.Order + 1], [](auto& r) { return r[1] > 0 && r[2] > 0 && r[3] > 0; });
}

TEST(Buildable, KeepsTheCurveWithEveryPartPositiveAndC1InE12UpToTenTimesC2)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const auto equal = Design(c, StageGains::Equal);
        const auto built = Design(c, StageGains::Buildable);
        for (int l = 0; l <= equal->NrInts; ++l) ASSERT_NEAR(built->GainDB[l], equal->GainDB[l], 1e-3) << l;
        EXPECT_TRUE(AllPartsPositive(*built));
        EXPECT_TRUE(BuildableGainLimit(*built).stages.empty());
        for (int k = 1; k <= c.order; ++k) {
            const Single c1 = built->C[k][1];
            EXPECT_TRUE(built->C[k][2] == 1e-8f && InSeries(c1, StandardSeries::E12) && c1 >= 1e-8f && c1 <= 1e-7f);
            EXPECT_LE(built->R[k][2], 4.001 * built->R[k][1]) << k;  // with margin
        }
    }
    // Equal gains cannot build the first two designs; the Butterworth needs a larger C1.
    EXPECT_FALSE(AllPartsPositive(*Design(kCases[0], StageGains::Equal)));
    const auto butterworth = Design(kCases[1], StageGains::Buildable);
    EXPECT_EQ(
        RaisedCapacitorLines(*butterworth), std::vector<std::string>{"C1 raised to 0.047uF (E12) in stages 1, 2"});
}

TEST(Buildable, NamesTheStagesBeyondItAndTheHighestGainThatCanBeBuilt)
{
    Case c = kCases[1];
    c.gain = 80;
    const BuildableLimit limit = BuildableGainLimit(*Design(c, StageGains::Buildable));
    EXPECT_EQ(limit.stages, (std::vector<int>{1, 2}));
    c.gain = limit.highestGainDb - 0.01;
    EXPECT_TRUE(AllPartsPositive(*Design(c, StageGains::Buildable)));
    c.gain = limit.highestGainDb + 5;
    EXPECT_FALSE(BuildableGainLimit(*Design(c, StageGains::Buildable)).stages.empty());
    // Ideal parts that can all be built, but the outer stages' R3 of about 7M is too much for the opamp's 1M.
    const std::string words = UnbuildableWords(*Design(kCases[2], StageGains::Buildable));
    EXPECT_TRUE(words.starts_with("Stage 1 cannot be built for the specified opamp") &&
        words.find("(stage 8 cannot either). The exact") != std::string::npos)
        << words;
}

TEST(Buildable, GoingBackGivesBackTheFamilyDesign)
{
    // A design goes back to equal gains and capacitors; parts entered by hand
    // go back to the family's order as they stand.
    auto s = Design(kCases[1], StageGains::Buildable);
    EXPECT_TRUE(PartsAreFamilyDesign(*s));  // a file of it reads back as a design, not as parts
    DesignSession(*s).SetBench({});
    EXPECT_EQ(std::tie(s->C, s->R), std::tie(Design(kCases[1], StageGains::Equal)->C, Design(kCases[1], {})->R));
    s = Design(kCases[2], StageGains::Buildable, StageOrder::Headroom);
    DesignSession session(*s);
    session.StartTuning();
    session.SetBench({.Gains = StageGains::Buildable});
    EXPECT_EQ(s->R, Design(kCases[2], StageGains::Buildable)->R);
    EXPECT_EQ(s->FamilyPlace, StageFlags{});
}

TEST(Headroom, PeaksAreThoseOfThePartialCascades)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        auto s = Design(c, StageGains::Buildable);
        s->Bench.InputLevel = 0.5;
        s->Bench.Slew = 0.5;
        std::vector<int> family(c.order);
        std::iota(family.begin(), family.end(), 1);
        const auto outputs = Outputs(*s, StageResponses(*s), family);
        const Headroom room = ComputeHeadroom(*s);
        ASSERT_EQ(room.stages.size(), outputs.size());
        double highest = -1e300;
        for (std::size_t k = 0; k < outputs.size(); ++k) {
            const StageHeadroom& h = room.stages[k];
            const double peak = Highest(outputs[k]);
            EXPECT_NEAR(h.peakGainDb, peak, 1e-4) << k;
            // A flat top peaks anywhere on it, to rounding.
            const auto at = std::find(s->Freq.begin(), s->Freq.begin() + s->NrInts + 1, Single(h.peakFreq));
            ASSERT_NE(at, s->Freq.begin() + s->NrInts + 1);
            EXPECT_NEAR(outputs[k][at - s->Freq.begin()], peak, 1e-4) << k;
            const double volts = 0.5 * std::pow(10, peak / 20);
            EXPECT_NEAR(h.headroomDb, 20 * std::log10(10 / volts), 1e-4);
            EXPECT_EQ(h.overSwing, volts > 10);
            EXPECT_NEAR(h.slewNeeded, 2 * std::numbers::pi * h.peakFreq * volts / 1e6, 1e-4 * h.slewNeeded);
            EXPECT_EQ(h.overSlew, h.slewNeeded > 0.5);
            highest = std::max(highest, peak);
        }
        EXPECT_NEAR(room.largestInputV, 10 / std::pow(10, highest / 20), 1e-5 * room.largestInputV);
    }
}

TEST(Headroom, OrderIsTheBestOfEveryPermutationAndKeepsTheResponse)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const auto family = Design(c, StageGains::Buildable);
        const auto ordered = Design(c, StageGains::Buildable, StageOrder::Headroom);
        for (int l = 0; l <= family->NrInts; ++l) ASSERT_NEAR(ordered->GainDB[l], family->GainDB[l], 1e-3) << l;
        // Each cascade stage is the family stage its place names, parts and all.
        std::vector<int> places;
        for (int k = 1; k <= c.order; ++k) {
            const int place = ordered->FamilyPlace[k] != 0 ? ordered->FamilyPlace[k] : k;
            places.push_back(place);
            EXPECT_EQ(ordered->R[k], family->R[place]);
            EXPECT_EQ(ordered->PoleIm[k], family->PoleIm[place]);
        }
        std::vector<int> order(c.order);
        std::iota(order.begin(), order.end(), 1);
        EXPECT_TRUE(std::is_permutation(places.begin(), places.end(), order.begin()));
        if (c.order > 5) continue;
        // Every order weighed here: none has a lower largest intermediate peak.
        const auto h = StageResponses(*family);
        auto largest = [&](const std::vector<int>& o) {
            const auto outputs = Outputs(*family, h, o);
            double m = -1e300;
            for (std::size_t i = 0; i + 1 < outputs.size(); ++i) m = std::max(m, Highest(outputs[i]));
            return m;
        };
        double best = 1e300;
        do best = std::min(best, largest(order));
        while (std::next_permutation(order.begin(), order.end()));
        EXPECT_NEAR(largest(places), best, 1e-6);
    }
}

}  // namespace
}  // namespace stelvane
