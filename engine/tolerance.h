#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/designstate.h"
#include "engine/mask.h"

namespace stelvane {

// How every part of the copies is drawn around its value: uniformly within
// +-tolerance, or normally with a standard deviation of a third of it.
enum class PartDistribution { Uniform, Normal };

// The limits the command line and the plot window hold a tolerance run to.
constexpr int kMaxToleranceRuns = 10000;
constexpr double kMaxPartTolerance = 0.5;  // +-50%: a normal draw then stays positive in all but 1e-9 of parts

struct ToleranceSettings {
    int runs = 1000;
    double resistorTolerance = 0.01;  // as a fraction: 0.01 is +-1%
    double capacitorTolerance = 0.05;
    PartDistribution distribution = PartDistribution::Uniform;
    std::uint64_t seed = 1;
    int threads = 0;  // 0: one per processor
};

struct MeanStd {
    double mean = 0;
    double std = 0;  // the sample standard deviation (n - 1); 0 for one run
};

// Centre frequency (Hz), Q and peak gain (V/V) of one stage over the copies,
// as the part analysis gives them.
struct StageSpread {
    MeanStd f0, q, gain;
};

// The percentiles of the gain that a tolerance run reports at every sweep point.
constexpr std::array<double, 5> kGainPercentiles{0, 5, 50, 95, 100};

// How many copies meet the record's mask, when it has one (CheckMask on each
// copy's parts).
struct MaskYield {
    int copiesMeeting = 0;
    double share = 0;                    // copiesMeeting / runs
    MaskEdge worstEdge = MaskEdge::Fp1;  // the edge most copies miss; with none missed, the least margin's
    int copiesMissingWorst = 0;          // how many copies miss that edge
};

// The yield in words, one line without its end: "Yield: 962 of 1000 copies
// (96.2%) meet the mask; most misses at fs2 (38 copies)".
std::string YieldWords(const MaskYield& yield, int runs);

struct ToleranceResult {
    ToleranceSettings settings;
    std::vector<Single> freq;                                         // the design's sweep, points 0..NrInts
    std::array<std::vector<Single>, kGainPercentiles.size()> gainDb;  // p0, p5, p50, p95, p100 at each point, dB
    MeanStd centerGainDb;                                             // the gain at Center, dB
    std::vector<StageSpread> stages;                                  // stages 1..Order
    std::optional<MaskYield> yield;                                   // with an active mask
};

// A tolerance run done a share at a time, so that a window can show its
// progress and stop it between shares. Every copy draws its parts from its
// own random stream, made from the seed and its number, and every share of
// the work gives the same numbers whichever thread does it, so the result
// depends on the seed alone.
class ToleranceRun {
public:
    // Takes what it needs from the record, which it never changes.
    ToleranceRun(const DesignState& s, const ToleranceSettings& settings);
    ~ToleranceRun();

    // Does the next share of the work, a few milliseconds long; returns the
    // fraction of the whole run done.
    double Step();
    bool Done() const;
    // The result; the run must be done.
    const ToleranceResult& Result() const;

private:
    struct Work;
    std::unique_ptr<Work> work_;
};

// N copies of the design, each with every resistor R and capacitor C drawn
// independently around its value, analysed and swept over the design's sweep.
ToleranceResult RunTolerance(const DesignState& s, const ToleranceSettings& settings);

}  // namespace stelvane
