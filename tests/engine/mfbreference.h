#pragma once

// Reference maths for the stage and response tests, worked out in double
// without the engine: the lowpass-to-bandpass mapping of a prototype pole,
// the closed-form equal-capacitor MFB resistors, and the stage transfer
// function evaluated with std::complex.

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <vector>

#include "engine/designstate.h"

namespace stelvane::reference {

using Complex = std::complex<double>;

struct StageSpec {
    double f;    // centre frequency, Hz
    double q;    // quality factor
    double gain; // peak gain magnitude, V/V
};

struct MfbParts {
    double r1, r2, r3, c1, c2;
};

// Equal-capacitor MFB bandpass: R3 = q/(pi f C), R1 = R3/(2g),
// R2 = R3 R1 / (4 q^2 R1 - R3).
inline MfbParts EqualCapacitorParts(const StageSpec& st, double c)
{
    const double r3 = st.q / (std::numbers::pi * st.f * c);
    const double r1 = r3 / (2 * st.gain);
    const double r2 = r3 * r1 / (4 * st.q * st.q * r1 - r3);
    return {r1, r2, r3, c, c};
}

// H(j*2*pi*f) of the inverting MFB bandpass stage.
inline Complex MfbResponse(const MfbParts& p, double f)
{
    const Complex s(0, 2 * std::numbers::pi * f);
    return -s * p.r3 * p.c1 / (s * s * p.r1 * p.r3 * p.c1 * p.c2 + s * p.r1 * (p.c1 + p.c2) + 1.0 + p.r1 / p.r2);
}

// Second-order bandpass of unit peak gain at centre f0 and quality q.
inline Complex UnitBandpass(double f0, double q, double f)
{
    const Complex s(0, f / f0);
    return (s / q) / (s * s + s / q + 1.0);
}

// The stages of a lowpass prototype pole pair mapped to a bandpass at the
// given centre and width: each upper-half-plane pole p of the prototype gives
// the roots of s^2 - (p/Qbp) s + 1 = 0 (s normalised to the centre); each
// root, taken with its conjugate, is one stage.
inline std::vector<StageSpec> BandpassStages(const std::vector<Complex>& upperPoles, double center, double width,
                                             double passbandGainDb)
{
    const double qbp = center / width;
    std::vector<StageSpec> stages;
    for (const Complex& p : upperPoles) {
        const Complex half = p / (2 * qbp);
        const Complex root = std::sqrt(half * half - 1.0);
        // A real prototype pole gives one conjugate pair, that is one stage.
        const std::vector<Complex> roots =
            p.imag() == 0 ? std::vector<Complex>{half + root} : std::vector<Complex>{half + root, half - root};
        for (const Complex& r : roots) {
            stages.push_back({center * std::abs(r), std::abs(r) / (2 * std::abs(r.real())), 1.0});
        }
    }
    std::sort(stages.begin(), stages.end(), [](const StageSpec& a, const StageSpec& b) { return a.f < b.f; });
    // Every stage gets the same peak gain, chosen so the cascade meets the
    // passband gain at the centre.
    double centreProduct = 1;
    for (const StageSpec& st : stages) centreProduct *= std::abs(UnitBandpass(st.f, st.q, center));
    const double g = std::pow(std::pow(10.0, passbandGainDb / 20) / centreProduct, 1.0 / stages.size());
    for (StageSpec& st : stages) st.gain = g;
    return stages;
}

// Butterworth stages of the given order: the prototype poles lie on the unit
// circle at angles pi/2 + (2k-1) pi/(2n).
inline std::vector<StageSpec> ButterworthStages(int order, double center, double width, double gainDb)
{
    std::vector<Complex> upper;
    for (int k = 1; 2 * k <= order; ++k) {
        upper.push_back(std::polar(1.0, std::numbers::pi / 2 + (2 * k - 1) * std::numbers::pi / (2 * order)));
    }
    if (order % 2 == 1) upper.push_back(-1.0);
    return BandpassStages(upper, center, width, gainDb);
}

// The two stages of the start-up design: second-order Butterworth,
// 1000 Hz centre, 200 Hz wide, 0 dB.
inline std::vector<StageSpec> StartupStages()
{
    return BandpassStages({std::polar(1.0, 0.75 * std::numbers::pi)}, 1000, 200, 0);
}

inline void PutParts(DesignState& s, int k, const MfbParts& p)
{
    s.R[k][1] = static_cast<Single>(p.r1);
    s.R[k][2] = static_cast<Single>(p.r2);
    s.R[k][3] = static_cast<Single>(p.r3);
    s.C[k][1] = static_cast<Single>(p.c1);
    s.C[k][2] = static_cast<Single>(p.c2);
}

// The parts as the record holds them (rounded to Single).
inline MfbParts PartsOf(const DesignState& s, int k)
{
    return {s.R[k][1], s.R[k][2], s.R[k][3], s.C[k][1], s.C[k][2]};
}

// A record (on the heap: the sweep arrays make it large) holding the given
// stages with 10 nF capacitors and the start-up sweep settings.
inline std::unique_ptr<DesignState> RecordWithStages(const std::vector<StageSpec>& stages, double c = 1e-8)
{
    auto s = std::make_unique<DesignState>();
    s->Order = static_cast<Integer>(stages.size());
    for (int k = 1; k <= s->Order; ++k) PutParts(*s, k, EqualCapacitorParts(stages[k - 1], c));
    s->Fstart = 500;
    s->Fstop = 2000;
    s->NrInts = 1000;
    s->Sweep = 1;
    s->NrX = 10;
    return s;
}

inline std::unique_ptr<DesignState> StartupRecord()
{
    return RecordWithStages(StartupStages());
}

struct GainPhase {
    double gainDb;
    double phaseDeg;
};

// The cascade of the record's stages 1..Order evaluated with complex
// arithmetic; each stage's phase is measured against its own inversion.
inline GainPhase CascadeReference(const DesignState& s, double f)
{
    double magnitude = 1;
    double phase = 0;
    for (int k = 1; k <= s.Order; ++k) {
        const Complex h = MfbResponse(PartsOf(s, k), f);
        magnitude *= std::abs(h);
        phase += std::arg(-h) * 180 / std::numbers::pi;
    }
    return {20 * std::log10(magnitude), phase};
}

// Group delay -d(phase)/d(omega) in seconds, by a central difference.
inline double GroupDelayReference(const DesignState& s, double f)
{
    const double h = f * 1e-5;
    return -(CascadeReference(s, f + h).phaseDeg - CascadeReference(s, f - h).phaseDeg) / (360 * 2 * h);
}

} // namespace stelvane::reference
