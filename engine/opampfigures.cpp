#include "engine/opampfigures.h"

#include <cmath>

#include "engine/partcheck.h"

namespace stelvane {

namespace {

// The decade frequencies are carried in Single from 0.0001 Hz, which leaves
// each a few parts in 1e8 off the round value; both ends get a margin.
constexpr Single kFirstDecade = 0.0001f;
constexpr double kGridMargin = 1.0001;

}  // namespace

void ClampOpampDCGain(DesignState& s)
{
    if (s.DCGain > kOpampHighestDCGain) s.DCGain = kOpampHighestDCGain;
}

Single OpampCornerFrequency(const DesignState& s)
{
    if (!(std::isfinite(s.DCGain) && s.DCGain > 0 && std::isfinite(s.GBW) && s.GBW > 0)) return 0;
    const Single corner = static_cast<Single>(static_cast<double>(s.GBW) / s.DCGain);
    return std::isfinite(corner) && corner > 0 ? corner : 0;
}

bool OpampModelUsable(const DesignState& s) { return OpampCornerFrequency(s) > 0; }

std::vector<int> StagesBeyondGbwCorrection(const DesignState& s)
{
    std::vector<int> stages;
    if (!(s.GBW > 0 && std::isfinite(s.GBW))) return stages;
    for (int k = 1; k <= StageCount(s); ++k)
        if (static_cast<double>(s.StageQ[k]) * s.StageF[k] / s.GBW > kGbwCorrectionLimit) stages.push_back(k);
    return stages;
}

double OpampGainDB(const DesignState& s, double f)
{
    const double twoPi = 2 * static_cast<double>(PiOf(s));
    const double w = twoPi * f;
    const double tau = 1 / (twoPi * OpampCornerFrequency(s));
    const double denominator = w * w * tau * tau + 1;
    const double re = s.DCGain / denominator;
    const double im = -s.DCGain * w * tau / denominator;
    return 20 * std::log10(std::sqrt(re * re + im * im));
}

std::optional<double> RequiredGainDB(const DesignState& s, int k)
{
    if (k < 1 || k > kMaxStages) return std::nullopt;
    const double r1 = s.R[k][1], r2 = s.R[k][2], r3 = s.R[k][3];
    const double c1 = s.C[k][1], c2 = s.C[k][2];
    // Parts that make the divisions impossible ask no gain we can name.
    if (r1 + r2 == 0 || c1 == 0) return std::nullopt;
    const double parallel = r2 * r1 / (r2 + r1);
    const double capacitorTerm = c2 / c1 + 1;
    if (parallel == 0 || capacitorTerm == 0) return std::nullopt;
    const double ratio = (r3 / parallel) / capacitorTerm;
    if (!(std::isfinite(ratio) && ratio > 0)) return std::nullopt;
    return 20 * std::log10(ratio);
}

void ComputeDecadeGrid(DesignState& s)
{
    s.NrGridX = -1;
    const Single highest = static_cast<Single>(kOpampFmax * kGridMargin);
    const Single lowest = static_cast<Single>(kOpampFmin / kGridMargin);
    for (Single f = kFirstDecade; f <= highest && s.NrGridX < kMaxPoints; f *= 10.0f) {
        if (f >= lowest) {
            ++s.NrGridX;
            s.GridF[s.NrGridX] = f;
        }
    }
}

OpampStageFigures OpampFiguresOf(const DesignState& s, int k)
{
    OpampStageFigures figures;
    if (k < 1 || k > kMaxStages) return figures;
    // Parts that cannot be built ask nothing meaningful of the opamp.
    figures.buildable = StageFaultOf(s, k) == StageFault::None;
    if (figures.buildable) figures.required = RequiredGainDB(s, k);
    if (OpampModelUsable(s)) {
        const double g = OpampGainDB(s, s.StageF[k]);
        if (std::isfinite(g)) figures.opampGain = g;
    }
    if (figures.opampGain && figures.required) figures.margin = *figures.opampGain - *figures.required;
    return figures;
}

}  // namespace stelvane
