#pragma once

// Random valid designs for the property tests: every family, every order the
// record holds (Bessel to 10), bands from Q 100 to wider than the centre, gains
// from -20 to +40 dB and capacitors from 10 pF to 10 uF. A fixed seed makes
// every run see the same designs.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "engine/designstate.h"
#include "engine/standardvalues.h"
#include "engine/synthesis.h"

namespace stelvane::reliability {

class RandomDesigns {
public:
    explicit RandomDesigns(std::uint64_t seed) : random_(seed) {}

    // Fills a fresh start-up record with a random design of the given family
    // and order and runs the design chain on it. The sweep spans the band with
    // `intervals` intervals. Only buildable designs are kept: a stage whose
    // gain is too high for its Q (2q^2 not above its gain) needs a negative
    // resistor, so such a draw is made again.
    void Next(DesignState& s, Integer family, Integer order, Integer intervals)
    {
        for (int attempt = 0;; ++attempt) {
            Draw(s, family, order, intervals);
            bool buildable = true;
            for (int i = 1; i <= s.Order; ++i) buildable = buildable && s.StageInvalid[i] == 0;
            if (buildable || attempt == 1000) return;
        }
    }

    // The highest order a family can have.
    static Integer HighestOrder(Integer family) { return family == 3 ? 10 : kMaxStages; }

    std::string Describe(const DesignState& s) const
    {
        static const char* const families[] = {"?", "Butterworth", "Chebyshev", "Bessel"};
        return std::string(families[FamilyName(s.Family) ? NumberOf(s.Family) : 0]) + " order " +
            std::to_string(s.Order) + ", ripple " + std::to_string(s.Apass) + " dB, centre " +
            std::to_string(s.Center) + " Hz, width " + std::to_string(s.Width) + " Hz, gain " + std::to_string(s.Gain) +
            " dB, C " + std::to_string(s.Caps * 1e12) + " pF";
    }

    void Draw(DesignState& s, Integer family, Integer order, Integer intervals)
    {
        s = DesignState{};
        InitEngine(s);
        InstallDefaults(s);
        InstallOpampDefaults(s);
        s.Family = CodeOf<FilterFamily>(family);
        s.Order = order;
        s.Apass = s.Family == FilterFamily::Chebyshev ? static_cast<Single>(LogUniform(0.001, 20)) : 0;
        s.Center = static_cast<Single>(LogUniform(1, 1e6));
        // Q of the band from 100 down to 0.4, a band 2.5 times wider than its centre
        s.Width = std::max(1.0f, static_cast<Single>(s.Center / LogUniform(0.4, 100)));
        s.Gain = static_cast<Single>(Real(-20, 40));
        s.Caps = static_cast<Single>(LogUniform(1e-11, 1e-5));
        for (int i = 1; i <= kMaxStages; ++i) s.C[i] = {0, s.Caps, s.Caps};
        s.Sweep = CodeOf<SweepSpacing>(static_cast<Integer>(Uniform(1, 3)));
        s.Fstart = static_cast<Single>(s.Center / LogUniform(1.01, 10));
        s.Fstop = static_cast<Single>(s.Center * LogUniform(1.01, 10));
        s.NrInts = intervals;
        RunDesignChain(s);
    }

    double Real(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }
    double LogUniform(double low, double high) { return std::exp(Real(std::log(low), std::log(high))); }
    int Uniform(int low, int highExcluded)
    {
        return std::uniform_int_distribution<int>(low, highExcluded - 1)(random_);
    }

private:
    std::mt19937_64 random_;
};

}  // namespace stelvane::reliability
