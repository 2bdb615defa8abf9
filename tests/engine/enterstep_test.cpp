#include "engine/enterstep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "engine/response.h"
#include "engine/standardvalues.h"

namespace stelvane {
namespace {

const char kLowRipple[] = "Passband ripple has been reset to .001 dB";
const char kHighRipple[] = "Passband ripple has been rest to 20 dB";

DesignState StartUpRecord()
{
    DesignState s;
    InitEngine(s);
    InstallDefaults(s);
    InstallCapacitorDefaults(s);
    InstallOpampDefaults(s);
    return s;
}

// The design window as it opens on the start-up record.
DesignInputs StartUpInputs()
{
    return InputsFromRecord(StartUpRecord());
}

struct Entered {
    DesignState s;
    DesignInputs in;
    std::vector<std::string> messages;
};

Entered Enter(DesignState s, DesignInputs in)
{
    Entered e{std::move(s), std::move(in), {}};
    EnterStep(e.s, e.in, [&e](const std::string& text) { e.messages.push_back(text); });
    return e;
}

void ChooseFamily(DesignInputs& in, int family)
{
    in.optButterworth = family == 1;
    in.optChebyshev = family == 2;
    in.optBessel = family == 3;
}

// Every Single of the record that a view may draw or a file may write.
void ExpectAllFinite(const DesignState& s)
{
    auto check = [](const auto& values, const char* name) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            ASSERT_TRUE(std::isfinite(values[i])) << name << "(" << i << ") = " << values[i];
        }
    };
    check(s.PoleRe, "PoleRe");
    check(s.PoleIm, "PoleIm");
    check(s.StageF, "StageF");
    check(s.StageQ, "StageQ");
    check(s.StageGain, "StageGain");
    check(s.FreqFactor, "FreqFactor");
    check(s.QFactor, "QFactor");
    check(s.GainFactor, "GainFactor");
    check(s.StageFoActual, "StageFoActual");
    check(s.StageQActual, "StageQActual");
    check(s.StageGainActual, "StageGainActual");
    for (int k = 0; k <= kMaxStages; ++k) {
        check(s.C[k], "C");
        check(s.R[k], "R");
        check(s.Rs[k], "Rs");
    }
    check(s.Freq, "Freq");
    check(s.GainDB, "GainDB");
    check(s.Phase, "Phase");
    check(s.Delay, "Delay");
    ASSERT_TRUE(std::isfinite(s.Qbp));
}

double GainAt(const DesignState& s, double f)
{
    double gain = 0, phase = 0;
    EvaluateCascade(s, f, gain, phase);
    return gain;
}

TEST(EnterStep, StartUpDesign)
{
    const Entered e = Enter(StartUpRecord(), StartUpInputs());
    EXPECT_TRUE(e.messages.empty());
    struct Case {
        const char* name;
        double actual, expected, tolerance;
    };
    const Case cases[] = {
        {"Order", double(e.s.Order), 2, 0},
        {"Family", double(e.s.Family), 1, 0},
        {"Apass reset by Butterworth", e.s.Apass, 0, 0},
        {"StageF(1)", e.s.StageF[1], 931.6, 0.05},
        {"StageF(2)", e.s.StageF[2], 1073.4, 0.05},
        {"StageGain", e.s.StageGain[1], 1.418, 0.0005},
        {"R(1,3)", e.s.R[1][3], 242.2e3, 50},
        {"Rs(1,1)", e.s.Rs[1][1], 85.31e3, 5},
        {"StageFoActual(1)", e.s.StageFoActual[1], 931.62, 0.005},
        {"StageFoActual(2)", e.s.StageFoActual[2], 1073.40, 0.005},
        {"gain at the centre, dB", GainAt(e.s, 1000), 0, 0.001},
        {"gain at 931.6 Hz, dB", GainAt(e.s, 931.6), -0.98, 0.01},
        {"NrInts", double(e.s.NrInts), 1000, 0},
        {"Freq(0)", e.s.Freq[0], 500, 0},
        {"Freq(1000)", e.s.Freq[1000], 2000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(c.actual, c.expected, c.tolerance);
    }
    ExpectAllFinite(e.s);
}

TEST(EnterStep, RippleLimitsOfChebyshev)
{
    struct Case {
        const char* name;
        int family;
        const char* typed;
        Single apass;
        const char* shown;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"Chebyshev with 0", 2, "0", 0.001f, ".001", {kLowRipple}},
        {"Chebyshev with nothing", 2, "", 0.001f, ".001", {kLowRipple}},
        {"Chebyshev with -2", 2, "-2", 0.001f, ".001", {kLowRipple}},
        {"Chebyshev with 0.0005", 2, "0.0005", 0.001f, ".001", {kLowRipple}},
        {"Chebyshev with 25", 2, "25", 20, "20", {kHighRipple}},
        {"Chebyshev with 20.5", 2, "20.5", 20, "20", {kHighRipple}},
        {"Chebyshev with 0.5", 2, "0.5", 0.5f, "0.5", {}},
        {"Chebyshev with .001", 2, ".001", 0.001f, ".001", {}},
        {"Chebyshev with 20", 2, "20", 20, "20", {}},
        {"Butterworth with 25", 1, "25", 0, "25", {}},
        {"Butterworth with 0", 1, "0", 0, "0", {}},
        {"Bessel with 0", 3, "0", 0, "0", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignInputs in = StartUpInputs();
        ChooseFamily(in, c.family);
        in.txtApass = c.typed;
        const Entered e = Enter(StartUpRecord(), in);
        EXPECT_EQ(e.s.Family, c.family);
        EXPECT_FLOAT_EQ(e.s.Apass, c.apass);
        EXPECT_EQ(e.in.txtApass, c.shown);
        EXPECT_EQ(e.messages, c.messages);
        ExpectAllFinite(e.s);
    }
}

TEST(EnterStep, SilentClamps)
{
    struct Case {
        const char* name;
        std::function<void(DesignInputs&)> type;
        std::function<void(const Entered&)> check;
    };
    const Case cases[] = {
        {"centre 0.5 becomes 1", [](DesignInputs& in) { in.txtCenter = "0.5"; },
         [](const Entered& e) { EXPECT_EQ(e.s.Center, 1.0f); }},
        {"negative centre becomes 1", [](DesignInputs& in) { in.txtCenter = "-3k"; },
         [](const Entered& e) { EXPECT_EQ(e.s.Center, 1.0f); }},
        {"width 0 becomes 1", [](DesignInputs& in) { in.txtWidth = "0"; },
         [](const Entered& e) { EXPECT_EQ(e.s.Width, 1.0f); }},
        {"capacitor 0 becomes 10 nF everywhere",
         [](DesignInputs& in) {
             in.txtCaps = "0";
             in.lblOrderInput = "5";
         },
         [](const Entered& e) {
             for (int i = 1; i <= 5; ++i) {
                 EXPECT_EQ(e.s.C[i][1], 1e-8f) << i;
                 EXPECT_EQ(e.s.C[i][2], 1e-8f) << i;
             }
         }},
        {"negative capacitor becomes 10 nF", [](DesignInputs& in) { in.txtCaps = "-4n7"; },
         [](const Entered& e) { EXPECT_EQ(e.s.C[2][2], 1e-8f); }},
        {"typed capacitor goes to every stage",
         [](DesignInputs& in) {
             in.txtCaps = "4.7n";
             in.lblOrderInput = "3";
         },
         [](const Entered& e) {
             for (int i = 1; i <= 3; ++i) EXPECT_FLOAT_EQ(e.s.C[i][1], 4.7e-9f) << i;
         }},
        {"5000 intervals become 2000",
         [](DesignInputs& in) { in.txtInts = "5000"; },
         [](const Entered& e) {
             EXPECT_EQ(e.s.NrInts, 2000);
             EXPECT_EQ(e.in.txtInts, "2000");
         }},
        {"fractional intervals round down",
         [](DesignInputs& in) { in.txtInts = "1500.9"; },
         [](const Entered& e) {
             EXPECT_EQ(e.s.NrInts, 1500);
             EXPECT_EQ(e.in.txtInts, "1500.9");
         }},
        {"order 0 becomes 1", [](DesignInputs& in) { in.lblOrderInput = "0"; },
         [](const Entered& e) { EXPECT_EQ(e.s.Order, 1); }},
        {"order 25 becomes 21", [](DesignInputs& in) { in.lblOrderInput = "25"; },
         [](const Entered& e) { EXPECT_EQ(e.s.Order, 21); }},
        {"order beyond an Integer becomes 21", [](DesignInputs& in) { in.lblOrderInput = "1e9"; },
         [](const Entered& e) { EXPECT_EQ(e.s.Order, 21); }},
        {"Bessel order 12 becomes 10",
         [](DesignInputs& in) {
             in.lblOrderInput = "12";
             ChooseFamily(in, 3);
         },
         [](const Entered& e) { EXPECT_EQ(e.s.Order, 10); }},
        {"DC gain above 1e7", [](DesignInputs& in) { in.txtGainDC = "1G"; },
         [](const Entered& e) {
             EXPECT_EQ(e.s.DCGain, 1e7f);
             EXPECT_EQ(e.in.txtGainDC, "1G");
         }},
        {"GBW below 10 kHz", [](DesignInputs& in) { in.txtGBW = "100"; },
         [](const Entered& e) {
             EXPECT_EQ(e.s.GBW, 10000.0f);
             EXPECT_EQ(e.in.txtGBW, "100");
         }},
        {"input impedance below 1k", [](DesignInputs& in) { in.txtZin = "10"; },
         [](const Entered& e) { EXPECT_EQ(e.s.Zin, 1000.0f); }},
        {"input impedance above 1e10", [](DesignInputs& in) { in.txtZin = "20G"; },
         [](const Entered& e) { EXPECT_EQ(e.s.Zin, 1e10f); }},
        {"grid counts and scales are read",
         [](DesignInputs& in) {
             in.lblNrX = "7";
             in.lblNrY = "12";
             in.txtdBTop = "5";
             in.txtdBBottom = "-60";
             in.txtDelay = "20m";
         },
         [](const Entered& e) {
             EXPECT_EQ(e.s.NrX, 7);
             EXPECT_EQ(e.s.NrY, 12);
             EXPECT_EQ(e.s.dBTop, 5.0f);
             EXPECT_EQ(e.s.dBBottom, -60.0f);
             EXPECT_FLOAT_EQ(e.s.DelayTop, 0.02f);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignInputs in = StartUpInputs();
        c.type(in);
        const Entered e = Enter(StartUpRecord(), in);
        c.check(e);
        EXPECT_TRUE(e.messages.empty());
        ExpectAllFinite(e.s);
    }
}

TEST(EnterStep, FamilyAndSweepOptions)
{
    struct Case {
        const char* name;
        bool butterworth, chebyshev, bessel, linear, log;
        Integer familyBefore, sweepBefore;
        Integer family, sweep;
    };
    const Case cases[] = {
        {"Butterworth, linear", true, false, false, true, false, 3, 2, 1, 1},
        {"Chebyshev, log", false, true, false, false, true, 1, 1, 2, 2},
        {"Bessel", false, false, true, true, false, 1, 1, 3, 1},
        {"Butterworth wins over the others", true, true, true, true, true, 2, 2, 1, 1},
        {"no family keeps it", false, false, false, true, false, 2, 1, 2, 1},
        {"no sweep option keeps it", true, false, false, false, false, 1, 2, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = StartUpRecord();
        s.Family = c.familyBefore;
        s.Sweep = c.sweepBefore;
        DesignInputs in = StartUpInputs();
        in.txtApass = "1";
        in.optButterworth = c.butterworth;
        in.optChebyshev = c.chebyshev;
        in.optBessel = c.bessel;
        in.optLinear = c.linear;
        in.optLog = c.log;
        const Entered e = Enter(s, in);
        EXPECT_EQ(e.s.Family, c.family);
        EXPECT_EQ(e.s.Sweep, c.sweep);
        ExpectAllFinite(e.s);
    }
}

TEST(EnterStep, ManualEntryKeepsTheParts)
{
    // Start from a designed record, then change the parts by hand.
    Entered designed = Enter(StartUpRecord(), StartUpInputs());
    DesignState s = designed.s;
    s.ManualEntry = 1;
    s.R[1][3] *= 2;
    s.R[2][1] = 50e3f;
    const DesignState before = s;

    struct Case {
        const char* name;
        int family; // 0: no family option (manual entry chosen)
    };
    const Case cases[] = {{"manual entry chosen", 0}, {"a family option left set", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignInputs in = InputsFromRecord(s);
        ChooseFamily(in, c.family);
        in.txtCenter = "5k";
        in.txtWidth = "3k";
        in.lblOrderInput = "7";
        in.txtGain = "20";
        in.txtCaps = "1u";
        in.txtStart = "100";
        in.txtInts = "200";
        const Entered e = Enter(s, in);
        EXPECT_EQ(e.s.Center, before.Center);
        EXPECT_EQ(e.s.Width, before.Width);
        EXPECT_EQ(e.s.Order, before.Order);
        EXPECT_EQ(e.s.Gain, before.Gain);
        EXPECT_EQ(e.s.C, before.C);
        EXPECT_EQ(e.s.R, before.R);
        EXPECT_EQ(e.s.Rs, before.Rs);
        EXPECT_EQ(e.s.StageF, before.StageF);
        // The analysis and the sweep do follow the edited parts.
        EXPECT_NEAR(e.s.StageQActual[1], before.StageQActual[1] * std::sqrt(2.0), 1e-3);
        EXPECT_EQ(e.s.Fstart, 100.0f);
        EXPECT_EQ(e.s.NrInts, 200);
        EXPECT_EQ(e.s.Freq[0], 100.0f);
        ExpectAllFinite(e.s);
    }
}

TEST(EnterStep, DegenerateSweepsStayFinite)
{
    struct Case {
        const char* name;
        const char *start, *stop, *ints;
        bool log;
        Integer nrInts;
    };
    const Case cases[] = {
        {"no intervals", "500", "2k", "0", false, 1},
        {"negative intervals", "500", "2k", "-40", false, 1},
        {"one interval", "500", "2k", "1", false, 1},
        {"start equals stop", "1k", "1k", "100", false, 100},
        {"start equals stop, log", "1k", "1k", "100", true, 100},
        {"start 0, log", "0", "2k", "100", true, 100},
        {"stop 0, log", "500", "0", "100", true, 100},
        {"negative start, linear", "-500", "2k", "100", false, 100},
        {"both negative, log", "-500", "-2k", "100", true, 100},
        {"start above stop", "2k", "500", "100", false, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignInputs in = StartUpInputs();
        in.txtStart = c.start;
        in.txtStop = c.stop;
        in.txtInts = c.ints;
        in.optLinear = !c.log;
        in.optLog = c.log;
        const Entered e = Enter(StartUpRecord(), in);
        EXPECT_EQ(e.s.NrInts, c.nrInts);
        // The typed texts are shown as they were.
        EXPECT_EQ(e.in.txtStart, c.start);
        EXPECT_EQ(e.in.txtInts, c.ints);
        ExpectAllFinite(e.s);
    }
}

TEST(EnterStep, InputsShownForTheRecord)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> change;
        std::function<void(const DesignInputs&)> check;
    };
    const Case cases[] = {
        {"start-up record", [](DesignState&) {},
         [](const DesignInputs& in) {
             EXPECT_EQ(in.txtCenter, "1k ");
             EXPECT_EQ(in.txtWidth, "200  ");
             EXPECT_EQ(in.txtGain, " 0       ");
             EXPECT_EQ(in.lblOrderInput, "2 ");
             EXPECT_EQ(in.txtCaps, "0.01uF");
             EXPECT_TRUE(in.optButterworth);
             EXPECT_FALSE(in.optChebyshev || in.optBessel);
             EXPECT_EQ(in.txtApass, "0.2 ");
             EXPECT_EQ(in.txtStart, "500  ");
             EXPECT_EQ(in.txtStop, "2k ");
             EXPECT_EQ(in.txtInts, "1k");
             EXPECT_TRUE(in.optLinear);
             EXPECT_FALSE(in.optLog);
             EXPECT_EQ(in.lblNrX, "10");
             EXPECT_EQ(in.lblNrY, "6");
             EXPECT_EQ(in.txtdBTop, "10 ");
             EXPECT_EQ(in.txtdBBottom, "-20 ");
             EXPECT_EQ(in.txtDelay, "1m");
             EXPECT_EQ(in.txtGainDC, "100k");
             EXPECT_EQ(in.txtGBW, "10M ");
             EXPECT_EQ(in.txtZin, "1M");
         }},
        {"Chebyshev without ripple shows the least ripple",
         [](DesignState& s) {
             s.Family = 2;
             s.Apass = 0;
         },
         [](const DesignInputs& in) {
             EXPECT_TRUE(in.optChebyshev);
             EXPECT_EQ(in.txtApass, "0.001 ");
         }},
        {"Chebyshev keeps its ripple",
         [](DesignState& s) {
             s.Family = 2;
             s.Apass = 0.5f;
         },
         [](const DesignInputs& in) { EXPECT_EQ(in.txtApass, "0.5 "); }},
        {"Bessel shows no ripple",
         [](DesignState& s) { s.Family = 3; },
         [](const DesignInputs& in) {
             EXPECT_TRUE(in.optBessel);
             EXPECT_EQ(in.txtApass, " 0       ");
         }},
        {"file poles choose no family",
         [](DesignState& s) { s.Family = 4; },
         [](const DesignInputs& in) {
             EXPECT_FALSE(in.optButterworth || in.optChebyshev || in.optBessel);
         }},
        {"manual entry chooses no family",
         [](DesignState& s) { s.ManualEntry = 1; },
         [](const DesignInputs& in) {
             EXPECT_FALSE(in.optButterworth || in.optChebyshev || in.optBessel);
             EXPECT_EQ(in.txtApass, "0.2 ");
         }},
        {"log sweep", [](DesignState& s) { s.Sweep = 2; },
         [](const DesignInputs& in) {
             EXPECT_FALSE(in.optLinear);
             EXPECT_TRUE(in.optLog);
         }},
        {"unset capacitor and opamp show their defaults",
         [](DesignState& s) {
             s.C[1][1] = 0;
             s.DCGain = 0;
             s.GBW = 0;
             s.Zin = 0;
         },
         [](const DesignInputs& in) {
             EXPECT_EQ(in.txtCaps, "0.01uF");
             EXPECT_EQ(in.txtGainDC, "100k");
             EXPECT_EQ(in.txtGBW, "10M ");
             EXPECT_EQ(in.txtZin, "1M");
         }},
        {"engineering texts",
         [](DesignState& s) {
             s.Center = 4700;
             s.Fstart = 1234.5678f;
             s.C[1][1] = 4.7e-9f;
             s.Gain = 25;
             s.NrInts = 1500;
         },
         [](const DesignInputs& in) {
             EXPECT_EQ(in.txtCenter, "4.7k ");
             EXPECT_EQ(in.txtStart, "1.2346k ");
             EXPECT_EQ(in.txtCaps, "4700pF");
             EXPECT_EQ(in.txtGain, "25 ");
             EXPECT_EQ(in.txtInts, "1.5k");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = StartUpRecord();
        c.change(s);
        c.check(InputsFromRecord(s));
    }
}

TEST(EnterStep, ShownInputsGiveTheRecordBack)
{
    // Entering what the window shows for a designed record designs it again.
    struct Case {
        const char* name;
        Integer family;
        const char *order, *apass, *center, *width, *gain, *cap;
    };
    const Case cases[] = {
        {"Butterworth 4", 1, "4", "0", "2k", "300", "6", "4.7n"},
        {"Chebyshev 5", 2, "5", "0.5", "10k", "1k", "0", "1n"},
        {"Bessel 6", 3, "6", "0", "500", "100", "10", "100n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignInputs in = StartUpInputs();
        ChooseFamily(in, c.family);
        in.lblOrderInput = c.order;
        in.txtApass = c.apass;
        in.txtCenter = c.center;
        in.txtWidth = c.width;
        in.txtGain = c.gain;
        in.txtCaps = c.cap;
        const Entered first = Enter(StartUpRecord(), in);
        const Entered again = Enter(first.s, InputsFromRecord(first.s));
        EXPECT_TRUE(again.messages.empty());
        EXPECT_EQ(again.s.Family, first.s.Family);
        EXPECT_EQ(again.s.Order, first.s.Order);
        EXPECT_EQ(again.s.Center, first.s.Center);
        EXPECT_EQ(again.s.Width, first.s.Width);
        EXPECT_EQ(again.s.Gain, first.s.Gain);
        EXPECT_EQ(again.s.Apass, first.s.Apass);
        for (int k = 1; k <= first.s.Order; ++k) {
            for (int j = 1; j <= 3; ++j) {
                EXPECT_NEAR(again.s.R[k][j] / first.s.R[k][j], 1.0, 1e-6) << k << "," << j;
            }
        }
        for (int l = 0; l <= first.s.NrInts; l += 50) {
            EXPECT_NEAR(again.s.GainDB[l], first.s.GainDB[l], 1e-4) << "point " << l;
        }
    }
}

} // namespace
} // namespace stelvane
