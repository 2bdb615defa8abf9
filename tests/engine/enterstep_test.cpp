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

struct Entered {
    DesignState s;
    DesignInputs in;
    std::vector<std::string> messages;
    EnterResult r;
};

// Enters what the design window shows for the record, as changed by `type`.
static Entered Enter(const std::function<void(DesignInputs&)>& type, const DesignState& s = StartUpRecord())
{
    Entered e{s, InputsFromRecord(s), {}, {}};
    type(e.in);
    e.r = EnterStep(e.s, e.in, [&e](const std::string& text) { e.messages.push_back(text); });
    return e;
}

static void ChooseFamily(DesignInputs& in, int family)
{
    in.optButterworth = family == 1, in.optChebyshev = family == 2, in.optBessel = family == 3;
}

// The family and sweep options (family 0: none chosen, which keeps the start-up
// Butterworth) and the ripple limits of Chebyshev.
TEST(EnterStep, FamilyRippleAndSweepOptions)
{
    const struct Case {
        int family;
        const char* typed;
        bool log;
        Single apass;
        const char* shown;
        std::vector<std::string> messages;
    } cases[] = {
        {2, "0", 1, 0.001f, ".001", {"Passband ripple has been reset to .001 dB"}},
        {2, ".001", 0, 0.001f, ".001", {}},
        {2, "25", 0, 20, "20", {"Passband ripple has been rest to 20 dB"}},
        {2, "20", 0, 20, "20", {}},
        {0, "5", 0, 5, "5", {}},
    };
    for (const Case& c : cases) {
        const Entered e = Enter([&](DesignInputs& in) {
            ChooseFamily(in, c.family), in.txtApass = c.typed, in.optLinear = !c.log, in.optLog = c.log;
        });
        EXPECT_EQ(std::tuple(int(e.s.Family), int(e.s.Sweep), e.s.Apass, e.in.txtApass, e.messages),
            std::tuple(c.family ? c.family : 1, c.log ? 2 : 1, c.apass, c.shown, c.messages))
            << c.family << " " << c.typed;
    }
}

// Every typed text is read as the window always read it; what was read
// otherwise than the text says (by the strict reading) or clamped is noted,
// and the record left holds only what the design file keeps.
// The field of the record a text goes into, as a double.
#define FIELD(name) [](const DesignState& s) -> double { return s.name; }

TEST(EnterStep, ReadsClampsAndSaysWhatItTook)
{
    using I = DesignInputs;
    const std::string longText(1000, 'x');
    const struct Case {
        const char* name;
        std::string I::*box;
        std::string typed;
        double (*read)(const DesignState&);
        double want;
        std::vector<std::string> notes;
        const char* shown = nullptr;
        int family = 1;
    } cases[] = {
        {"centre abc", &I::txtCenter, "abc", FIELD(Center), 1,
            {"'abc' was read as 0; the centre frequency was taken as 1 Hz"}},
        {"long text", &I::txtCenter, longText, FIELD(Center), 1,
            {"'" + longText.substr(0, 300) + "...' was read as 0; the centre frequency was taken as 1 Hz"}},
        {"centre as shown", &I::txtCenter, "1.2346k ", FIELD(Center), 1234.6, {}},
        {"order 25", &I::lblOrderInput, "25", FIELD(Order), 21, {"Order 25 was taken as 21"}, "21"},
        {"Bessel order 21", &I::lblOrderInput, "21", FIELD(Order), 10, {"Order 21 was taken as 10 for a Bessel design"},
            "10", 3},
        {"Bessel order 10", &I::lblOrderInput, "10", FIELD(Order), 10, {}, "10", 3},
        {"capacitor 0", &I::txtCaps, "0", FIELD(C[1][1]), 1e-8, {"Capacitor value 0F was taken as 10nF"}},
        {"capacitor as shown", &I::txtCaps, "0.022uF", FIELD(C[2][1]), 2.2e-8, {}},
        {"5000 intervals", &I::txtInts, "5000", FIELD(NrInts), 2000, {"Number of frequencies 5000 was taken as 2000"},
            "2000"},
        {"intervals round down", &I::txtInts, "1500.9", FIELD(NrInts), 1500,
            {"Number of frequencies 1500.9 was taken as 1500"}},
        {"start -1k keeps its sign", &I::txtStart, "-1k", FIELD(Fstart), 1, {"Sweep start -1k Hz was taken as 1 Hz"}},
        {"grid columns 0", &I::lblNrX, "0", FIELD(NrX), 1, {"Number of X intervals 0 was taken as 1"}, "1"},
        {"top under the bottom", &I::txtdBTop, "-30", FIELD(dBTop), -10,
            {"Gain top -30 dB was taken as -10 dB to stay above the gain bottom"}, "-10"},
        {"bottom far above the top", &I::txtdBBottom, "10G", FIELD(dBTop), 1.1e10,
            {"Gain top 10 dB was taken as 11G dB to stay above the gain bottom"}},
        {"negative DC gain", &I::txtGainDC, "-5", FIELD(DCGain), 1e5, {"Gain at DC -5 was taken as 100k"}, "100k"},
        {"GBW below 10 kHz", &I::txtGBW, "100", FIELD(GBW), 1e4, {"Gain-bandwidth 100 Hz was taken as 10k Hz"}},
        {"Zin below 1k", &I::txtZin, "10", FIELD(Zin), 1000, {"Input impedance 10 ohms was taken as 1k ohms"}},
        {"Zin above 1e10", &I::txtZin, "20G", FIELD(Zin), 1e10,
            // the window's reading stops at 1e10
            {"'20G' was read as 10G for the input impedance"}},
        {"Chebyshev ripple abc", &I::txtApass, "abc", FIELD(Apass), 0.001,
            {"'abc' was read as 0 for the passband ripple"}, ".001", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Entered e = Enter([&](DesignInputs& in) {
            in.*c.box = c.typed;
            ChooseFamily(in, c.family);
            if (c.family == 3) in.txtApass = "0";
        });
        EXPECT_NEAR(c.read(e.s), c.want, 1e-6 * std::abs(c.want));
        EXPECT_EQ(e.r.notes, c.notes);
        // The same as a value, what the record took; the ripple has its own messages instead.
        ASSERT_EQ(e.r.changed.size(), c.box == &I::txtApass ? 0 : c.notes.size());
        for (const EnterChange& change : e.r.changed) EXPECT_NEAR(change.taken, c.read(e.s), 1e-6 * std::abs(c.want));
        EXPECT_EQ(e.in.*c.box, c.shown ? c.shown : c.typed);
    }
}

#undef FIELD

TEST(EnterStep, StartUpDesignAndManualEntryKeepingItsParts)
{
    DesignState s = Enter([](DesignInputs&) {}).s;
    s.ManualEntry = PartsEntry::Manual, s.R[1][3] *= 2;
    const Entered e = Enter(
        [](DesignInputs& in) {
            ChooseFamily(in, 0), in.txtCenter = "5k", in.lblOrderInput = "7", in.txtCaps = "1u", in.txtStart = "100";
        },
        s);
    EXPECT_EQ(std::tuple(e.s.Center, e.s.Order, e.s.C, e.s.R), std::tuple(s.Center, s.Order, s.C, s.R));
    // The specified opamp's resistors follow the parts (worked out as the part check proves).
    EXPECT_NEAR(e.s.Rs[1][3], 2 * s.Rs[1][3], 0.01 * s.Rs[1][3]);
    // The analysis and the sweep do follow the edited parts.
    EXPECT_NEAR(e.s.StageQActual[1], s.StageQActual[1] * std::sqrt(2.0), 1e-3);
    EXPECT_EQ(e.s.Freq[0], 100.0f);
}

TEST(InputsFromRecord, ShowsTheRecord)
{
    const auto shown = [](const std::function<void(DesignState&)>& change) {
        DesignState s = StartUpRecord();
        change(s);
        const DesignInputs in = InputsFromRecord(s);
        std::string text;
        for (bool b : {in.optButterworth, in.optChebyshev, in.optBessel, in.optLinear, in.optLog})
            text += b ? "1" : "0";
        for (const std::string& t : {in.txtCenter, in.txtCaps, in.txtApass, in.txtWidth, in.txtGain, in.lblOrderInput,
                 in.txtStart, in.txtStop, in.txtInts, in.lblNrX, in.lblNrY, in.txtdBTop, in.txtdBBottom, in.txtDelay,
                 in.txtGainDC, in.txtGBW, in.txtZin})
            text += "|" + t;
        return text;
    };
    // The width, gain and order, the sweep, the grid, the scales and the opamp, the same in every case.
    const std::string rest = "|200  | 0       |2 |500  |2k |1k|10|6|10 |-20 |1m|100k|10M |1M";
    const std::pair<std::string, std::string> cases[] = {
        {shown([](DesignState&) {}), "10010|1k |0.01uF|0.2 " + rest},
        // Chebyshev without ripple shows the least ripple (Bessel none); a logarithmic sweep.
        {shown([](DesignState& s) { s.Family = FilterFamily::Chebyshev, s.Apass = 0, s.Sweep = SweepSpacing::Log; }),
            "01001|1k |0.01uF|0.001 " + rest},
        {shown([](DesignState& s) { s.Family = FilterFamily::Bessel; }), "00110|1k |0.01uF| 0       " + rest},
        // Butterworth without ripple shows none; unset capacitor and opamp show their defaults.
        {shown([](DesignState& s) { s.Apass = 0, s.C[1][1] = s.DCGain = s.GBW = s.Zin = 0, s.Center = 4700; }),
            "10010|4.7k |0.01uF| 0       " + rest},
        // Manual entry chooses no family and keeps the ripple; the capacitor shown is the first stage's.
        {shown([](DesignState& s) {
             s.ManualEntry = PartsEntry::Manual, s.Family = FilterFamily::Bessel, s.C[1][1] = 4.7e-9f;
         }),
            "00010|1k |4700pF|0.2 " + rest},
    };
    for (const auto& [got, expected] : cases) EXPECT_EQ(got, expected);
}

}  // namespace stelvane
