#pragma once

// Helpers shared by the fuzz targets and the reliability tests: a field-by-field
// bitwise comparison of two design records and a finiteness check of the sweep.

#include <cmath>
#include <cstring>
#include <string>

#include "engine/designstate.h"

namespace stelvane::reliability {

template <typename T>
bool SameBits(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

inline bool SameBits(const std::string& a, const std::string& b) { return a == b; }

// Name of the first field in which two records differ bit for bit, or "" when
// they are the same. Padding is never compared, only the fields themselves.
inline std::string FirstDifference(const DesignState& a, const DesignState& b)
{
#define STELVANE_SAME(field)                                                                       \
    if (!SameBits(a.field, b.field)) return #field;
    STELVANE_SAME(Center) STELVANE_SAME(Width) STELVANE_SAME(Gain) STELVANE_SAME(Order)
    STELVANE_SAME(Family) STELVANE_SAME(Apass) STELVANE_SAME(Caps) STELVANE_SAME(ManualEntry)
    STELVANE_SAME(GBW) STELVANE_SAME(DCGain) STELVANE_SAME(Zin)
    STELVANE_SAME(Fstart) STELVANE_SAME(Fstop) STELVANE_SAME(NrInts) STELVANE_SAME(Sweep)
    STELVANE_SAME(NrX) STELVANE_SAME(NrY) STELVANE_SAME(dBTop) STELVANE_SAME(dBBottom)
    STELVANE_SAME(DelayTop)
    STELVANE_SAME(PoleRe) STELVANE_SAME(PoleIm) STELVANE_SAME(StageF) STELVANE_SAME(StageQ)
    STELVANE_SAME(StageGain) STELVANE_SAME(C) STELVANE_SAME(R) STELVANE_SAME(Rs)
    STELVANE_SAME(FreqFactor) STELVANE_SAME(QFactor) STELVANE_SAME(GainFactor)
    STELVANE_SAME(StageFoActual) STELVANE_SAME(StageQActual) STELVANE_SAME(StageGainActual)
    STELVANE_SAME(StageInvalid)
    STELVANE_SAME(Freq) STELVANE_SAME(GainDB) STELVANE_SAME(Phase) STELVANE_SAME(Delay)
    STELVANE_SAME(GridF) STELVANE_SAME(NrGridX)
    STELVANE_SAME(Pi) STELVANE_SAME(Qbp) STELVANE_SAME(VersionText)
    STELVANE_SAME(ShowPhase) STELVANE_SAME(ShowDelay) STELVANE_SAME(GridPos)
    STELVANE_SAME(SavedR) STELVANE_SAME(SavedC) STELVANE_SAME(PartsType)
    STELVANE_SAME(OverlayFreq) STELVANE_SAME(OverlayValue) STELVANE_SAME(OverlayLast)
    STELVANE_SAME(EasyFileName) STELVANE_SAME(ScientificFileName) STELVANE_SAME(SpiceFileName)
#undef STELVANE_SAME
    return "";
}

// Name of the first sweep array holding NaN or infinity at points 0..NrInts
// (or "NrInts" when the count itself is out of range), or "" when all are finite.
inline std::string FirstNonFiniteSweep(const DesignState& s)
{
    if (s.NrInts < 0 || s.NrInts > kMaxPoints) return "NrInts";
    for (int n = 0; n <= s.NrInts; ++n) {
        if (!std::isfinite(s.Freq[n])) return "Freq";
        if (!std::isfinite(s.GainDB[n])) return "GainDB";
        if (!std::isfinite(s.Phase[n])) return "Phase";
        if (!std::isfinite(s.Delay[n])) return "Delay";
    }
    return "";
}

} // namespace stelvane::reliability
