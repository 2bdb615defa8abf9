// Round trips over hundreds of random designs of every family and order: a
// design saved, loaded into a fresh record and analysed as its parts stand
// (as manual entry does) gives back every field the file holds to seven
// significant digits, and the same response as the saved design.
//
// A design file keeps seven significant digits, so a loaded part may differ
// from the saved one by half a unit in the seventh digit. The loaded response
// is therefore compared, to seven significant digits, with the response of
// the saved design whose numbers were rounded to seven digits here, by the C
// library rather than by the program; and with the saved design as it was, to
// within what that rounding can do to a narrow filter of high order.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "filetestsupport.h"
#include "files/designfile.h"
#include "fuzz/randomdesign.h"
#include "tests/support/recordingnotifier.h"

namespace stelvane {
namespace {

using reliability::RandomDesigns;

constexpr int kDesignsPerOrder = 12; // 52 family and order pairs: 624 designs
constexpr std::uint64_t kSeed = 19700101;

Single SevenDigitsOf(Single v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", static_cast<double>(v));
    return std::strtof(text, nullptr);
}

// Within half a unit of the seventh significant digit (and the float
// rounding that follows a read).
bool SameToSevenDigits(double a, double b)
{
    const double larger = std::max(std::fabs(a), std::fabs(b));
    if (larger < 1e-30) return true;
    const double halfUnit = 0.5 * std::pow(10.0, std::floor(std::log10(larger)) - 6);
    return std::fabs(a - b) <= halfUnit * 1.000001 + larger * 6e-8;
}

// The saved design as a seven-digit file can hold it.
std::unique_ptr<DesignState> RoundedToTheFile(const DesignState& saved)
{
    auto s = std::make_unique<DesignState>(saved);
    for (Single* v : {&s->Center, &s->Width, &s->Gain, &s->Apass, &s->Fstart, &s->Fstop, &s->dBTop,
                      &s->dBBottom, &s->DelayTop})
        *v = SevenDigitsOf(*v);
    for (int i = 1; i <= s->Order; ++i) {
        s->PoleRe[i] = SevenDigitsOf(s->PoleRe[i]);
        s->PoleIm[i] = SevenDigitsOf(s->PoleIm[i]);
        for (int j = 1; j <= 2; ++j) s->C[i][j] = SevenDigitsOf(s->C[i][j]);
        for (int j = 1; j <= 3; ++j) s->R[i][j] = SevenDigitsOf(s->R[i][j]);
    }
    s->ManualEntry = 1;
    RunDesignChain(*s);
    return s;
}

// A fresh start-up record in manual entry that loads the file and analyses it.
std::unique_ptr<DesignState> LoadedAndAnalysed(const std::string& fileName, RecordingNotifier& notifier)
{
    auto s = std::make_unique<DesignState>();
    InitEngine(*s);
    InstallOpampDefaults(*s);
    s->ManualEntry = 1;
    if (!ReadDesignFile(*s, fileName, notifier)) return nullptr;
    RunDesignChain(*s);
    return s;
}

// Calls check(saved, loaded) for every random design.
template <typename Check>
void ForEveryRoundTrip(Check check)
{
    testing::ScratchFolder dir;
    const std::string file = dir / "design.QBX";
    RandomDesigns designs(kSeed);
    RecordingNotifier notifier;
    auto saved = std::make_unique<DesignState>();
    for (Integer family = 1; family <= 3; ++family) {
        for (Integer order = 1; order <= RandomDesigns::HighestOrder(family); ++order) {
            for (int n = 0; n < kDesignsPerOrder; ++n) {
                designs.Next(*saved, family, order, static_cast<Integer>(designs.Uniform(2, 400)));
                SCOPED_TRACE(designs.Describe(*saved));
                ASSERT_TRUE(WriteDesignFile(*saved, file, notifier));
                const auto loaded = LoadedAndAnalysed(file, notifier);
                ASSERT_NE(loaded, nullptr);
                check(*saved, *loaded);
                if (::testing::Test::HasFailure()) return; // one design tells enough
            }
        }
    }
    EXPECT_EQ(notifier.beeps, 0);
    EXPECT_TRUE(notifier.messages.empty());
}

TEST(RoundTripProperties, LoadedDesignHoldsEveryFieldOfTheFile)
{
    ForEveryRoundTrip([](const DesignState& saved, const DesignState& loaded) {
        struct Whole {
            const char* name;
            Integer saved, loaded;
        };
        for (const Whole& w : {Whole{"Order", saved.Order, loaded.Order}, {"Family", saved.Family, loaded.Family},
                               {"NrInts", saved.NrInts, loaded.NrInts}, {"Sweep", saved.Sweep, loaded.Sweep},
                               {"NrX", saved.NrX, loaded.NrX}, {"NrY", saved.NrY, loaded.NrY}})
            EXPECT_EQ(w.loaded, w.saved) << w.name;
        struct Real {
            const char* name;
            Single saved, loaded;
        };
        std::vector<Real> reals = {{"Center", saved.Center, loaded.Center}, {"Width", saved.Width, loaded.Width},
                                   {"Gain", saved.Gain, loaded.Gain},       {"Apass", saved.Apass, loaded.Apass},
                                   {"Fstart", saved.Fstart, loaded.Fstart}, {"Fstop", saved.Fstop, loaded.Fstop},
                                   {"dBTop", saved.dBTop, loaded.dBTop},    {"dBBottom", saved.dBBottom, loaded.dBBottom},
                                   {"DelayTop", saved.DelayTop, loaded.DelayTop}};
        for (int i = 1; i <= saved.Order; ++i) {
            reals.push_back({"PoleRe", saved.PoleRe[i], loaded.PoleRe[i]});
            reals.push_back({"PoleIm", saved.PoleIm[i], loaded.PoleIm[i]});
            for (int j = 1; j <= 2; ++j) reals.push_back({"C", saved.C[i][j], loaded.C[i][j]});
            for (int j = 1; j <= 3; ++j) reals.push_back({"R", saved.R[i][j], loaded.R[i][j]});
        }
        for (const Real& r : reals) EXPECT_PRED2(SameToSevenDigits, r.loaded, r.saved) << r.name;
    });
}

TEST(RoundTripProperties, LoadedDesignGivesTheResponseOfTheSevenDigitDesign)
{
    ForEveryRoundTrip([](const DesignState& saved, const DesignState& loaded) {
        const auto expected = RoundedToTheFile(saved);
        for (int k = 0; k <= saved.NrInts; ++k) {
            SCOPED_TRACE("point " + std::to_string(k));
            EXPECT_PRED2(SameToSevenDigits, loaded.Freq[k], expected->Freq[k]);
            EXPECT_PRED2(SameToSevenDigits, loaded.GainDB[k], expected->GainDB[k]);
            EXPECT_PRED2(SameToSevenDigits, loaded.Phase[k], expected->Phase[k]);
            EXPECT_PRED2(SameToSevenDigits, loaded.Delay[k], expected->Delay[k]);
        }
    });
}

TEST(RoundTripProperties, LoadedDesignGivesTheResponseOfTheSavedDesign)
{
    // Parts moved by half a unit in their seventh digit shift the stages of a
    // narrow 21-stage Chebyshev by about a millionth, which moves its steep
    // skirts by up to about 0.02 dB and 0.1 degree over these designs; the
    // bounds leave room above that and still catch any part lost or swapped.
    ForEveryRoundTrip([](const DesignState& saved, const DesignState& loaded) {
        for (int k = 0; k <= saved.NrInts; ++k) {
            SCOPED_TRACE("point " + std::to_string(k));
            // the sweep limits were rounded too; a log sweep spreads that a little
            EXPECT_NEAR(loaded.Freq[k], saved.Freq[k], 2e-6 * saved.Freq[k]);
            EXPECT_NEAR(loaded.GainDB[k], saved.GainDB[k], 0.05);
            EXPECT_NEAR(loaded.Phase[k], saved.Phase[k], 0.5);
            EXPECT_NEAR(loaded.Delay[k], saved.Delay[k], 0.005 * std::fabs(saved.Delay[k]) + 1e-12);
        }
    });
}

} // namespace
} // namespace stelvane
