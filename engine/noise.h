#pragma once

#include <array>
#include <vector>

#include "engine/designstate.h"

namespace stelvane {

// Boltzmann's constant in J/K (exact since 2019) and 0 degrees Celsius in kelvin.
constexpr double kBoltzmann = 1.380649e-23;
constexpr double kZeroCelsius = 273.15;

// The noise sources of one stage: the thermal noise of its three resistors,
// the opamp's voltage noise (in series with its grounded input) and its
// current noise (into the inverting input; the other input's current meets
// ground and does nothing).
enum class NoiseSource { R1 = 0, R2 = 1, R3 = 2, En = 3, In = 4 };
constexpr int kNoiseSources = 5;
// "R1", "R2", "R3", "en", "in".
const char* NoiseSourceName(int source);

// One stage's share of the noise at the filter's output, V rms over the band:
// the stage as a whole and each of its sources. Shares add in power.
struct StageNoise {
    int stage = 0;  // the record's stage number
    double outputRms = 0;
    std::array<double, kNoiseSources> sourceRms{};
};

// The noise of the cascade over the record's sweep.
struct NoiseFigures {
    std::vector<double> density;         // V/rtHz at the output, at Freq(0..NrInts)
    double bandStart = 0, bandStop = 0;  // Hz, the band integrated over
    double outputRms = 0;                // V
    double passbandGain = 0;             // V/V, the cascade's largest gain over the sweep
    double inputRms = 0;                 // V, outputRms / passbandGain
    double snrDb = 0;                    // at Bench.InputLevel (peak), against inputRms
    std::vector<StageNoise> stages;      // the stages in the cascade
};

// The output noise density in V/rtHz at each of freq, of the cascade built
// with the given resistors (R on an ideal opamp, Rs on the specified
// single-pole opamp), its resistors at Bench.TempC and its opamps with
// Bench.En and Bench.In. A stage with a part of 0 or one that is not a finite
// number is no circuit and is left out, as the response leaves it out.
std::vector<double> NoiseDensity(const DesignState& s, PartsType parts, const std::vector<double>& freq);

// The density over the sweep, integrated by the trapezoid rule on the sweep's
// points over Bench.NoiseStart..NoiseStop (the sweep when both are 0; a band
// beyond the sweep is cut to it, the density being taken as linear between
// points), the rms referred to the input and the signal-to-noise ratio at
// Bench.InputLevel, and every stage's and source's share. The record is not
// changed.
NoiseFigures ComputeNoise(const DesignState& s, PartsType parts);

}  // namespace stelvane
