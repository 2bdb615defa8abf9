#include "engine/designstate.h"

#include <algorithm>
#include <cmath>

namespace stelvane {

void InstallDefaults(StoredDesign& s)
{
    s.Center = 1000;
    s.Width = 200;
    s.Family = FilterFamily::Butterworth;
    s.Gain = 0;
    s.Order = 2;
    s.Apass = 0.2f;
    s.Fstart = 500;
    s.Fstop = 2000;
    s.NrInts = 1000;
    s.Sweep = SweepSpacing::Linear;
    s.dBTop = 10;
    s.dBBottom = -20;
    s.DelayTop = 0.001f;
    s.NrY = 6;
    s.NrX = 10;
}

void InstallCapacitorDefaults(StoredDesign& s)
{
    for (int i = 1; i <= 2; ++i) {
        s.C[i][1] = kStartupCapacitor;
        s.C[i][2] = kStartupCapacitor;
    }
}

void InstallOpampDefaults(StoredDesign& s)
{
    // A DC gain of 0 or below is no opamp: the correction divides by it, and
    // the Enter step replaces such a gain just the same.
    if (s.DCGain <= 0) s.DCGain = kDefaultDCGain;
    if (s.GBW == 0) s.GBW = kDefaultGBW;
    if (s.Zin == 0) s.Zin = kDefaultZin;
}

int StageCount(const StoredDesign& s) { return std::clamp<int>(s.Order, 0, kMaxStages); }

Single PiOf(const DerivedDesign& s)
{
    if (s.Pi > 0) return s.Pi;
    return static_cast<Single>(4.0 * std::atan(1.0));
}

const char* FamilyName(FilterFamily family)
{
    switch (family) {
    case FilterFamily::Butterworth: return "Butterworth";
    case FilterFamily::Chebyshev: return "Chebyshev";
    case FilterFamily::Bessel: return "Bessel";
    default: return nullptr;
    }
}

}  // namespace stelvane
