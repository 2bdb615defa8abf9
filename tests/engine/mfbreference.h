#pragma once

// Reference maths for the stage and response tests, worked out in double
// without the engine: the closed-form equal-capacitor MFB resistors, the stage
// transfer function evaluated with std::complex, and the group delay as a
// numeric derivative of its phase.

#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <vector>

#include "engine/designstate.h"
#include "tests/engine/bandpass_reference.h"

namespace stelvane::reference {

using Complex = std::complex<double>;
// centre (Hz), quality, peak gain (V/V)
struct StageTarget {
    double f, q, gain;
};
struct MfbParts {
    double r1, r2, r3, c1, c2;
};
struct GainPhase {
    double gainDb, phaseDeg;
};

// Equal-capacitor MFB bandpass: R3 = q/(pi f C), R1 = R3/(2g), R2 = R3 R1 / (4 q^2 R1 - R3).
inline MfbParts EqualCapacitorParts(const StageTarget& st, double c)
{
    const double r3 = st.q / (std::numbers::pi * st.f * c), r1 = r3 / (2 * st.gain);
    return {r1, r3 * r1 / (4 * st.q * st.q * r1 - r3), r3, c, c};
}

// H(j*2*pi*f) of the inverting MFB bandpass stage.
inline Complex MfbResponse(const MfbParts& p, double f)
{
    const Complex s(0, 2 * std::numbers::pi * f);
    return -s * p.r3 * p.c1 / (s * s * p.r1 * p.r3 * p.c1 * p.c2 + s * p.r1 * (p.c1 + p.c2) + 1.0 + p.r1 / p.r2);
}

// Butterworth stages (prototype poles -sin t + j cos t, t = (2k-1) pi / 2n), all
// of one peak gain, chosen so that the cascade makes gainDb at the centre fc: a
// stage of unit peak gain makes 1 / sqrt(1 + q^2 (fc/f - f/fc)^2) there.
inline std::vector<StageTarget> ButterworthStages(int order, double fc, double width, double gainDb)
{
    std::vector<StageTarget> stages;
    double centre = 1;
    for (int k = 1; k <= order; ++k) {
        const double t = std::numbers::pi * (2 * k - 1) / (2 * order);
        const auto sec = testing::ReferenceSection(-std::sin(t), 2 * k - 1 == order ? 0 : std::cos(t), fc, width);
        stages.push_back({sec.f0, sec.q, 1});
        centre /= std::hypot(1.0, sec.q * (fc / sec.f0 - sec.f0 / fc));
    }
    for (StageTarget& st : stages) st.gain = std::pow(std::pow(10.0, gainDb / 20) / centre, 1.0 / order);
    return stages;
}

inline void PutParts(DesignState& s, int k, const MfbParts& p)
{
    s.R[k] = {0, Single(p.r1), Single(p.r2), Single(p.r3)}, s.C[k] = {0, Single(p.c1), Single(p.c2)};
}

// The parts as the record holds them (rounded to Single).
inline MfbParts PartsOf(const DesignState& s, int k) { return {s.R[k][1], s.R[k][2], s.R[k][3], s.C[k][1], s.C[k][2]}; }

// A record (on the heap: the sweep arrays make it large) holding the given
// stages with 10 nF capacitors, swept linearly from 500 Hz to 2 kHz.
inline std::unique_ptr<DesignState> RecordWithStages(const std::vector<StageTarget>& stages)
{
    auto s = std::make_unique<DesignState>();
    s->Order = static_cast<Integer>(stages.size());
    for (int k = 1; k <= s->Order; ++k) PutParts(*s, k, EqualCapacitorParts(stages[k - 1], 1e-8));
    s->Fstart = 500, s->Fstop = 2000, s->NrInts = 1000, s->Sweep = SweepSpacing::Linear;
    return s;
}

// The cascade of stages 1..Order; each stage's phase is taken against its own inversion.
inline GainPhase CascadeReference(const DesignState& s, double f)
{
    GainPhase out{0, 0};
    for (int k = 1; k <= s.Order; ++k) {
        const Complex h = MfbResponse(PartsOf(s, k), f);
        out = {out.gainDb + 20 * std::log10(std::abs(h)), out.phaseDeg + std::arg(-h) * 180 / std::numbers::pi};
    }
    return out;
}

// Group delay -d(phase)/d(omega) in seconds, by a central difference.
inline double GroupDelayReference(const DesignState& s, double f)
{
    return -(CascadeReference(s, f * (1 + 1e-5)).phaseDeg - CascadeReference(s, f * (1 - 1e-5)).phaseDeg) /
        (720e-5 * f);
}

}  // namespace stelvane::reference
