#include "engine/response.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace stelvane {

namespace {

const double kTwoPi = 8.0 * std::atan(1.0);
const double kDegreesPerRadian = 45.0 / std::atan(1.0);

// A stage's magnitude is never taken below 1e-20 (-400 dB): at 0 Hz, or when
// the arithmetic leaves the range of double, |H| comes out as 0 and its
// logarithm would be minus infinity. No real part set gets near this floor
// at any frequency a plot can show.
constexpr double kMagnitudeFloor = 1e-20;

// A logarithmic sweep or grid cannot start at 0 Hz or below; such a limit is
// raised to the bottom of the grid's lowest decade.
constexpr Single kLowestLogFrequency = 0.001f;

// The grid of a logarithmic plot: the steps of every decade.
constexpr double kDecadeSteps[] = {1, 1.5, 2, 3, 4, 5, 6, 7, 8, 9};

bool UsablePart(Single v)
{
    return v > 0 && std::isfinite(v);
}

bool UsableStage(const DesignState& s, int k)
{
    return UsablePart(s.R[k][1]) && UsablePart(s.R[k][2]) && UsablePart(s.R[k][3]) && UsablePart(s.C[k][1])
           && UsablePart(s.C[k][2]);
}

// Rounds to Single without ever producing NaN or infinity, so that nothing a
// view draws or a file writes can be one: NaN becomes 0 and values beyond
// the Single range are held at its largest value.
Single FiniteSingle(double v)
{
    if (std::isnan(v)) return 0;
    return static_cast<Single>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

Single LogSweepLimit(Single f)
{
    return f > 0 ? f : kLowestLogFrequency;
}

// The phase of a stage whose Re H has vanished (at 0 Hz, or when |D|^2 left
// the range of double): the limit the principal arctangent approaches there.
// Re H is negative at every other frequency, so Im H < 0 means +90 degrees;
// with Im H gone too, the side of the stage's centre decides.
double VanishedPhase(double imH, double reD)
{
    if (imH < 0) return 90;
    if (imH > 0) return -90;
    return reD > 0 ? 90 : -90;
}

} // namespace

void EvaluateCascade(const DesignState& s, double f, double& gain, double& phase)
{
    const double w = kTwoPi * f;
    const int order = std::clamp<int>(s.Order, 0, kMaxStages);
    for (int k = 1; k <= order; ++k) {
        // A stage with a part of 0 or below has no response to speak of; it is
        // left out of the cascade (the part analysis flags it as invalid).
        if (!UsableStage(s, k)) continue;
        const double r1 = s.R[k][1], r2 = s.R[k][2], r3 = s.R[k][3];
        const double c1 = s.C[k][1], c2 = s.C[k][2];

        // H = N / D with N = -j*w*R3*C1 (Re N = 0)
        const double imN = -w * r3 * c1;
        const double reD = 1 + r1 / r2 - w * w * r1 * r3 * c1 * c2;
        const double imD = w * r1 * (c1 + c2);
        const double den = reD * reD + imD * imD;
        const double reH = imN * imD / den;
        const double imHExact = imN * reD / den;
        const Single imHSingle = static_cast<Single>(imHExact);
        // Im H is kept in Single, unless it is too large for Single.
        const double imH = std::isinf(imHSingle) ? imHExact : imHSingle;

        double magnitude = std::sqrt(reH * reH + imH * imH);
        if (std::isinf(magnitude)) magnitude = std::hypot(reH, imH);
        if (!(magnitude >= kMagnitudeFloor)) magnitude = kMagnitudeFloor;
        gain += 20 * std::log10(magnitude);

        const double stagePhase = std::atan(imH / reH) * kDegreesPerRadian;
        phase += std::isnan(stagePhase) ? VanishedPhase(imH, reD) : stagePhase;
    }
}

void ComputeResponse(DesignState& s)
{
    // The sweep arrays hold points 0..2000; a count from a file or a caller
    // outside that range is brought into it, and the record keeps the count
    // that was swept so every view reads the same points.
    const int n = std::clamp<int>(s.NrInts, 0, kMaxPoints);
    s.NrInts = static_cast<Integer>(n);

    const Single fstart = FiniteSingle(s.Fstart);
    const Single fstop = FiniteSingle(s.Fstop);
    const double lnStart = std::log(static_cast<double>(LogSweepLimit(fstart)));
    const double lnStop = std::log(static_cast<double>(LogSweepLimit(fstop)));
    const bool linear = s.Sweep == 1;

    for (int l = 0; l <= n; ++l) {
        Single f = fstart;
        if (n > 0) {
            if (linear) {
                // Single arithmetic throughout, as the linear points always were.
                f = (fstop - fstart) * static_cast<Single>(l) / static_cast<Single>(n) + fstart;
                if (!std::isfinite(f)) f = FiniteSingle(fstart + (static_cast<double>(fstop) - fstart) * l / n);
            } else {
                f = FiniteSingle(std::exp(lnStart + (lnStop - lnStart) * l / n));
            }
        } else if (!linear) {
            f = LogSweepLimit(fstart);
        }
        s.Freq[l] = f;
    }

    double previousPhase = 0;
    double previousFreq = 0;
    for (int l = 0; l <= n; ++l) {
        double gain = 0;
        double phase = 0;
        EvaluateCascade(s, s.Freq[l], gain, phase);
        s.GainDB[l] = FiniteSingle(gain);
        s.Phase[l] = FiniteSingle(phase);
        if (l >= 1) {
            // Group delay: minus the phase step in cycles over the frequency
            // step, assigned to the upper point of the interval. Two equal
            // frequencies (Fstart equal to Fstop) give no step to divide by.
            const double step = static_cast<double>(s.Freq[l]) - previousFreq;
            s.Delay[l] = step != 0 ? FiniteSingle((previousPhase - phase) / (360 * step)) : 0;
        } else {
            s.Delay[0] = 0;
        }
        previousFreq = s.Freq[l];
        previousPhase = phase;
    }

    // The first point has no interval below it: extend the line through the
    // next two, or repeat the only neighbour there is.
    if (n >= 2) {
        s.Delay[0] = FiniteSingle(2.0 * s.Delay[1] - s.Delay[2]);
    } else if (n == 1) {
        s.Delay[0] = s.Delay[1];
    }
}

void ComputeFrequencyGrid(DesignState& s)
{
    const Single fstart = FiniteSingle(s.Fstart);
    const Single fstop = FiniteSingle(s.Fstop);

    if (s.Sweep == 1) {
        if (s.NrX < 0) {
            s.NrGridX = -1;
            return;
        }
        const int nx = std::min<int>(s.NrX, kMaxPoints);
        s.NrGridX = static_cast<Integer>(nx);
        if (nx == 0) {
            s.GridF[0] = fstart;
            return;
        }
        for (int i = 0; i <= nx; ++i) {
            const Single x = static_cast<Single>(i);
            Single g = fstart + (fstop - fstart) * x / static_cast<Single>(nx);
            if (!std::isfinite(g)) g = FiniteSingle(fstart + (static_cast<double>(fstop) - fstart) * i / nx);
            s.GridF[i] = g;
        }
        return;
    }
    if (s.Sweep != 2) return;

    s.NrGridX = -1;
    // The margin keeps a line at Fstop itself, which the Single decade value
    // overshoots by a few millionths.
    const Single limit = static_cast<Single>(static_cast<double>(fstop) * 1.0001);
    const Single lowest = LogSweepLimit(fstart);
    Single decade = 0.001f;
    for (;;) {
        for (double step : kDecadeSteps) {
            const double candidate = decade * step;
            // A line the grid array cannot hold in Single ends the decades too.
            if (candidate > limit || !(candidate <= FLT_MAX)) return;
            if (candidate >= lowest) {
                if (s.NrGridX >= kMaxPoints) return;
                ++s.NrGridX;
                s.GridF[s.NrGridX] = static_cast<Single>(candidate);
            }
        }
        decade = decade * 10.0f;
    }
}

} // namespace stelvane
