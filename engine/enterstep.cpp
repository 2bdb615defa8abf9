#include "engine/enterstep.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "engine/numbertext.h"
#include "engine/opampfigures.h"
#include "engine/synthesis.h"

namespace stelvane {

namespace {

constexpr Single kLowestFrequency = 1;      // Hz; centre and width below it are raised to it
constexpr Single kDefaultCapacitor = 1e-8f; // F; what an empty or zero capacitor box means
constexpr Single kLowestRipple = 0.001f;    // dB; a Chebyshev needs some ripple
constexpr Single kHighestRipple = 20;       // dB
constexpr Single kMostIntervals = kMaxPoints;
constexpr Single kLowestGBW = 10000;
constexpr Single kLowestZin = 1000;
constexpr Single kHighestZin = 1e10f;

void ReadSpecification(DesignState& s, const DesignInputs& in)
{
    ParseNumberText(in.txtCenter, s.Center);
    if (s.Center < kLowestFrequency) s.Center = kLowestFrequency;
    ParseNumberText(in.txtWidth, s.Width);
    if (s.Width < kLowestFrequency) s.Width = kLowestFrequency;
    ParseNumberText(in.lblOrderInput, s.Order);
    s.Order = std::clamp<Integer>(s.Order, 1, kMaxStages);
    ParseNumberText(in.txtGain, s.Gain);
    ParseNumberText(in.txtCaps, s.Caps);
    if (s.Caps <= 0) s.Caps = kDefaultCapacitor;
    for (int i = 1; i <= s.Order; ++i) {
        s.C[i][1] = s.Caps;
        s.C[i][2] = s.Caps;
    }
    ParseNumberText(in.txtApass, s.Apass);
}

void ReadFamily(DesignState& s, DesignInputs& in, const ShowMessage& showMessage)
{
    if (in.optButterworth) {
        s.Family = 1;
        s.Apass = 0;
    } else if (in.optChebyshev) {
        s.Family = 2;
        if (s.Apass < kLowestRipple) {
            s.Apass = kLowestRipple;
            in.txtApass = ".001";
            if (showMessage) showMessage("Passband ripple has been reset to .001 dB");
        }
        if (s.Apass > kHighestRipple) {
            s.Apass = kHighestRipple;
            in.txtApass = "20";
            if (showMessage) showMessage("Passband ripple has been rest to 20 dB");
        }
    } else if (in.optBessel) {
        s.Family = 3;
    }
    // With none of the three chosen (manual entry), the family stays as it was.
}

void ReadSweep(DesignState& s, DesignInputs& in)
{
    if (in.optLinear) {
        s.Sweep = 1;
    } else if (in.optLog) {
        s.Sweep = 2;
    }
    ParseNumberText(in.txtStart, s.Fstart);
    ParseNumberText(in.txtStop, s.Fstop);

    // The count is read through the scratch Single so that any typed number,
    // however large, can be capped before it meets the Integer field.
    ParseNumberText(in.txtInts, s.Caps);
    if (s.Caps > kMostIntervals) {
        s.Caps = kMostIntervals;
        in.txtInts = "2000";
    }
    // A sweep needs at least one interval; fewer is raised silently.
    const double intervals = std::floor(static_cast<double>(s.Caps));
    s.NrInts = static_cast<Integer>(intervals >= 1 ? intervals : 1.0);

    ParseNumberText(in.lblNrX, s.NrX);
    ParseNumberText(in.lblNrY, s.NrY);
    ParseNumberText(in.txtdBTop, s.dBTop);
    ParseNumberText(in.txtdBBottom, s.dBBottom);
    ParseNumberText(in.txtDelay, s.DelayTop);
}

void ReadOpamp(DesignState& s, const DesignInputs& in)
{
    ParseNumberText(in.txtGainDC, s.DCGain);
    ClampOpampDCGain(s);
    ParseNumberText(in.txtGBW, s.GBW);
    if (s.GBW < kLowestGBW) s.GBW = kLowestGBW;
    ParseNumberText(in.txtZin, s.Zin);
    if (s.Zin < kLowestZin) s.Zin = kLowestZin;
    if (s.Zin > kHighestZin) s.Zin = kHighestZin;
}

} // namespace

void EnterStep(DesignState& s, DesignInputs& in, const ShowMessage& showMessage)
{
    // With manual entry the parts are the design: the design-input boxes are
    // not read, so nothing in them can overwrite the tuned parts.
    if (s.ManualEntry != 1) ReadSpecification(s, in);
    ReadFamily(s, in, showMessage);
    ReadSweep(s, in);
    ReadOpamp(s, in);
    RunDesignChain(s);
}

DesignInputs InputsFromRecord(const DesignState& s)
{
    DesignInputs in;
    in.txtCenter = FormatEng(s.Center);
    in.txtWidth = FormatEng(s.Width);
    in.txtGain = FormatValue(s.Gain);
    in.lblOrderInput = FormatValue(static_cast<Single>(s.Order));
    // An unset first capacitor is shown as the default the window installs.
    in.txtCaps = FormatCap(s.C[1][1] > 0 ? s.C[1][1] : kDefaultCapacitor);

    // The window opens with Butterworth chosen; choosing another family runs
    // its reaction, which resets the ripple (Bessel) or gives Chebyshev a
    // ripple it can use. A family the window has no option for chooses none,
    // and neither does manual entry (its own option is not a family).
    Single apass = s.Apass;
    if (s.ManualEntry != 1) {
        in.optButterworth = s.Family == 1;
        in.optChebyshev = s.Family == 2;
        in.optBessel = s.Family == 3;
        if (s.Family == 2 && apass == 0) apass = kLowestRipple;
        if (s.Family == 3) apass = 0;
    }
    in.txtApass = FormatValue(apass);

    in.txtStart = FormatEng(s.Fstart);
    in.txtStop = FormatEng(s.Fstop);
    in.txtInts = FormatValue(static_cast<Single>(s.NrInts));
    in.txtdBTop = FormatValue(s.dBTop);
    in.txtdBBottom = FormatValue(s.dBBottom);
    in.txtDelay = Trimmed(FormatEngSmall(s.DelayTop));
    in.optLinear = s.Sweep == 1;
    in.optLog = s.Sweep != 1;
    in.lblNrX = std::to_string(s.NrX);
    in.lblNrY = std::to_string(s.NrY);

    in.txtGainDC = FormatValue(s.DCGain == 0 ? kDefaultDCGain : s.DCGain);
    in.txtGBW = FormatEng(s.GBW == 0 ? kDefaultGBW : s.GBW);
    in.txtZin = FormatValue(s.Zin == 0 ? kDefaultZin : s.Zin);
    return in;
}

} // namespace stelvane
