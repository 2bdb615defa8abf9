#include "engine/enterstep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace stelvane {

using testing::StartUpRecord;

struct Entered { DesignState s; DesignInputs in; std::vector<std::string> messages; };

// Enters what the design window shows for the record, as changed by `type`.
static Entered Enter(const std::function<void(DesignInputs&)>& type, const DesignState& s = StartUpRecord()) {
    Entered e{s, InputsFromRecord(s), {}};
    type(e.in);
    EnterStep(e.s, e.in, [&e](const std::string& text) { e.messages.push_back(text); });
    return e;
}

static void ChooseFamily(DesignInputs& in, int family) {
    in.optButterworth = family == 1, in.optChebyshev = family == 2, in.optBessel = family == 3;
}

// The family and sweep options (family 0: none chosen, which keeps the start-up
// Butterworth) and the ripple limits of Chebyshev.
TEST(EnterStep, FamilyRippleAndSweepOptions) {
    const std::string low = "Passband ripple has been reset to .001 dB";
    const std::string high = "Passband ripple has been rest to 20 dB";
    const struct Case {
        int family; const char* typed; bool log; Single apass; const char* shown; std::vector<std::string> messages;
    } cases[] = {
        {2, "0", 1, 0.001f, ".001", {low}}, {2, ".001", 0, 0.001f, ".001", {}}, {2, "25", 0, 20, "20", {high}},
        {2, "20", 0, 20, "20", {}}, {2, "0.5", 1, 0.5f, "0.5", {}}, {1, "25", 0, 0, "25", {}},
        {3, "5", 1, 5, "5", {}}, {0, "5", 0, 5, "5", {}},
    };
    for (const Case& c : cases) {
        const Entered e = Enter([&](DesignInputs& in) {
            ChooseFamily(in, c.family), in.txtApass = c.typed, in.optLinear = !c.log, in.optLog = c.log;
        });
        EXPECT_EQ(std::tuple(int(e.s.Family), e.s.Sweep, e.s.Apass, e.in.txtApass, e.messages),
                  std::tuple(c.family ? c.family : 1, c.log ? 2 : 1, c.apass, c.shown, c.messages))
            << "family " << c.family << " with " << c.typed;
    }
}

TEST(EnterStep, ReadsAndClampsWhatIsTypedSilently) {
    using I = DesignInputs;
    using Read = double (*)(const DesignState&); // the field the text goes into
    const struct Case { const char* name; std::string I::*box; const char* typed; Read read; double want; } cases[] = {
        {"centre 0.5 becomes 1", &I::txtCenter, "0.5", [](auto& s) -> double { return s.Center; }, 1},
        {"width 0 becomes 1", &I::txtWidth, "0", [](auto& s) -> double { return s.Width; }, 1},
        {"order 0 becomes 1", &I::lblOrderInput, "0", [](auto& s) -> double { return s.Order; }, 1},
        {"order 25 becomes 21", &I::lblOrderInput, "25", [](auto& s) -> double { return s.Order; }, 21},
        {"capacitor 0: 10 nF", &I::txtCaps, "0", [](auto& s) -> double { return s.C[1][1]; }, 1e-8},
        {"both stages", &I::txtCaps, "4.7n", [](auto& s) -> double { return s.C[1][1] + s.C[2][2]; }, 9.4e-9},
        {"5000 intervals become 2000", &I::txtInts, "5000", [](auto& s) -> double { return s.NrInts; }, 2000},
        {"intervals round down", &I::txtInts, "1500.9", [](auto& s) -> double { return s.NrInts; }, 1500},
        {"no intervals become 1", &I::txtInts, "0", [](auto& s) -> double { return s.NrInts; }, 1},
        {"start", &I::txtStart, "100", [](auto& s) -> double { return s.Freq[0]; }, 100},
        {"grid columns", &I::lblNrX, "7", [](auto& s) -> double { return s.NrX; }, 7},
        {"gain scale", &I::txtdBBottom, "-60", [](auto& s) -> double { return s.dBBottom; }, -60},
        {"delay scale", &I::txtDelay, "20m", [](auto& s) -> double { return s.DelayTop; }, 0.02},
        {"DC gain above 1e7", &I::txtGainDC, "1G", [](auto& s) -> double { return s.DCGain; }, 1e7},
        {"GBW below 10 kHz", &I::txtGBW, "100", [](auto& s) -> double { return s.GBW; }, 1e4},
        {"input impedance below 1k", &I::txtZin, "10", [](auto& s) -> double { return s.Zin; }, 1000},
        {"input impedance above 1e10", &I::txtZin, "20G", [](auto& s) -> double { return s.Zin; }, 1e10},
    };
    for (const Case& c : cases) {
        const Entered e = Enter([&](DesignInputs& in) { in.*c.box = c.typed; });
        EXPECT_NEAR(c.read(e.s), c.want, 1e-6 * std::abs(c.want)) << c.name;
        // The typed text stays, but for a sweep count above 2000; no message is shown.
        EXPECT_EQ(e.in.*c.box, c.want == 2000 ? "2000" : c.typed) << c.name;
        EXPECT_EQ(e.messages.size(), 0u) << c.name;
    }
}

TEST(EnterStep, StartUpDesignAndManualEntryKeepingItsParts) {
    DesignState s = Enter([](DesignInputs&) {}).s;
    EXPECT_NEAR(s.Rs[1][1], 85.31e3, 5); // the start-up design with the default opamp
    EXPECT_NEAR(s.GainDB[1000], -35.0, 0.05); // at 2 kHz
    s.ManualEntry = 1, s.R[1][3] *= 2;
    const Entered e = Enter([](DesignInputs& in) {
        ChooseFamily(in, 0), in.txtCenter = "5k", in.lblOrderInput = "7", in.txtCaps = "1u", in.txtStart = "100";
    }, s);
    EXPECT_EQ(std::tuple(e.s.Center, e.s.Order, e.s.C, e.s.R), std::tuple(s.Center, s.Order, s.C, s.R));
    // The specified opamp's resistors follow the parts: the design's for the
    // stage left alone, others for the stage whose R3 was doubled.
    for (int j = 1; j <= 3; ++j) EXPECT_NEAR(e.s.Rs[2][j], s.Rs[2][j], 2e-6 * s.Rs[2][j]) << j;
    EXPECT_NEAR(e.s.Rs[1][3], 2 * s.Rs[1][3], 0.01 * s.Rs[1][3]);
    // The analysis and the sweep do follow the edited parts.
    EXPECT_NEAR(e.s.StageQActual[1], s.StageQActual[1] * std::sqrt(2.0), 1e-3);
    EXPECT_EQ(e.s.Freq[0], 100.0f);
}

TEST(InputsFromRecord, ShowsTheRecord) {
    const auto shown = [](const std::function<void(DesignState&)>& change) {
        DesignState s = StartUpRecord();
        change(s);
        const DesignInputs in = InputsFromRecord(s);
        std::string text;
        for (bool b : {in.optButterworth, in.optChebyshev, in.optBessel, in.optLinear, in.optLog})
            text += b ? "1" : "0";
        for (const std::string& t : {in.txtCenter, in.txtWidth, in.txtGain, in.lblOrderInput, in.txtCaps, in.txtApass,
                                     in.txtStart, in.txtStop, in.txtInts, in.lblNrX, in.lblNrY, in.txtdBTop,
                                     in.txtdBBottom, in.txtDelay, in.txtGainDC, in.txtGBW, in.txtZin})
            text += "|" + t;
        return text;
    };
    // The sweep, the grid, the scales and the opamp, the same in every case.
    const std::string rest = "|500  |2k |1k|10|6|10 |-20 |1m|100k|10M |1M";
    const std::pair<std::string, std::string> cases[] = {
        {shown([](DesignState&) {}), "10010|1k |200  | 0       |2 |0.01uF|0.2 " + rest},
        // Chebyshev without ripple shows the least ripple (Bessel none); a logarithmic sweep.
        {shown([](DesignState& s) { s.Family = 2, s.Apass = 0, s.Sweep = 2; }),
         "01001|1k |200  | 0       |2 |0.01uF|0.001 " + rest},
        {shown([](DesignState& s) { s.Family = 3; }), "00110|1k |200  | 0       |2 |0.01uF| 0       " + rest},
        // Butterworth without ripple shows none; unset capacitor and opamp show their defaults.
        {shown([](DesignState& s) { s.Apass = 0, s.C[1][1] = s.DCGain = s.GBW = s.Zin = 0, s.Center = 4700; }),
         "10010|4.7k |200  | 0       |2 |0.01uF| 0       " + rest},
        // Manual entry chooses no family and keeps the ripple; the capacitor shown is the first stage's.
        {shown([](DesignState& s) { s.ManualEntry = 1, s.Family = 3, s.C[1][1] = 4.7e-9f; }),
         "00010|1k |200  | 0       |2 |4700pF|0.2 " + rest},
    };
    for (const auto& [got, expected] : cases) EXPECT_EQ(got, expected);
}

} // namespace stelvane
