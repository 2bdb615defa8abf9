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

namespace stelvane::reliability {

// A record that differs from the zero record in every field a design file
// holds and in the fields around them, so that any stray write shows.
inline DesignState DistinctiveRecord()
{
    DesignState s;
    s.Center = 1234.5f;
    s.Width = 321.25f;
    s.Gain = 6.5f;
    s.Order = 3;
    s.Family = 2;
    s.Apass = 0.5f;
    s.Caps = 4.7e-9f;
    s.ManualEntry = 1;
    s.GBW = 3e6f;
    s.DCGain = 2e5f;
    s.Zin = 1e7f;
    s.Fstart = 100;
    s.Fstop = 10000;
    s.NrInts = 500;
    s.Sweep = 2;
    s.NrX = 7;
    s.NrY = 9;
    s.dBTop = 20;
    s.dBBottom = -60;
    s.DelayTop = 0.02f;
    for (int i = 0; i <= kMaxStages; ++i) {
        const float k = static_cast<float>(i + 1);
        s.PoleRe[i] = -0.1f * k;
        s.PoleIm[i] = 0.3f * k;
        s.StageF[i] = 900 + k;
        s.StageQ[i] = 5 + k;
        s.StageGain[i] = 1.5f;
        for (int j = 0; j < 3; ++j) s.C[i][j] = 1e-9f * (k + j);
        for (int j = 0; j < 4; ++j) {
            s.R[i][j] = 1000 * k + j;
            s.Rs[i][j] = 1001 * k + j;
            s.SavedR[i][j] = 999 * k + j;
        }
        for (int j = 0; j < 3; ++j) s.SavedC[i][j] = 2e-9f * (k + j);
        s.FreqFactor[i] = s.QFactor[i] = s.GainFactor[i] = 0.999f;
        s.StageFoActual[i] = 901 + k;
        s.StageQActual[i] = 6 + k;
        s.StageGainActual[i] = 1.25f;
        s.StageInvalid[i] = static_cast<Integer>(i % 2);
    }
    for (int n = 0; n <= kMaxPoints; ++n) {
        const float x = static_cast<float>(n);
        s.Freq[n] = 100 + x;
        s.GainDB[n] = -x / 100;
        s.Phase[n] = 90 - x / 20;
        s.Delay[n] = 1e-3f + x * 1e-7f;
        s.GridF[n] = 10 * x;
        s.GridPos[n] = x / 2000;
        s.OverlayFreq[n] = 200 + x;
        s.OverlayValue[n] = -x;
    }
    s.NrGridX = 12;
    s.Pi = 3.14159274f;
    s.Qbp = 3.84f;
    s.VersionText = "Version 2.03";
    s.ShowPhase = 1;
    s.ShowDelay = 1;
    s.PartsType = 1;
    s.OverlayLast = 77;
    s.EasyFileName = "easy.DAT";
    s.ScientificFileName = "sci.DAT";
    s.SpiceFileName = "circuit.ASC";
    return s;
}

} // namespace stelvane::reliability
