#include "engine/synthesis.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/exactcorrection.h"
#include "engine/headroom.h"
#include "engine/poles.h"
#include "engine/response.h"
#include "engine/stageanalysis.h"
#include "engine/standardseries.h"

namespace stelvane {

namespace {

bool Positive(double v) { return std::isfinite(v) && v > 0; }

// A value headed for the record: Single, or 0 when it does not fit one.
Single Stored(double v, bool& overflowed)
{
    const Single x = static_cast<Single>(v);
    if (std::isfinite(x)) return x;
    overflowed = true;
    return 0;
}

// Response at the centre frequency fc of a stage of unit peak gain placed at
// f with quality q, carried in Single like the rest of the gain budget.
Single CentreRatio(Single fc, Single f, Single q)
{
    const Single t = static_cast<Single>(static_cast<double>(fc) * f / q);
    const double detune = static_cast<double>(f) * f - static_cast<double>(fc) * fc;
    const Single u = static_cast<Single>(detune * detune);
    if (std::isfinite(t) && std::isfinite(u)) {
        return static_cast<Single>(t / std::sqrt(static_cast<double>(t) * t + u));
    }
    // Frequencies near the top of the number range overflow a Single on the
    // way; the same ratio in a form that cannot overflow.
    const double x = detune / (static_cast<double>(fc) * f / q);
    return static_cast<Single>(1.0 / std::hypot(1.0, x));
}

// The three equal-capacitor MFB resistors for a stage of centre f, quality q
// and peak gain g: R3 sets the Q at f, R1 the gain, R2 brings the centre back
// to f. A gain too high for the Q leaves R2 negative; it is kept as computed
// so the views can show what the design asked for. Only a value no Single
// can hold (R2 when 2q^2 equals g exactly) is replaced by 0.
struct Resistors {
    Single r1 = 0, r2 = 0, r3 = 0;
    bool sound = false;  // all three finite and above 0
};

Resistors DesignResistors(double q, double f, double g, double c, Single pi)
{
    bool overflowed = false;
    Resistors out;
    out.r3 = Stored(2.0 * q / (2.0 * pi * f * c), overflowed);
    out.r1 = Stored(out.r3 / (2.0 * g), overflowed);
    const double denominator = 4.0 * q * q * out.r1 - out.r3;
    if (denominator != 0) {
        out.r2 = Stored(static_cast<double>(out.r3) * out.r1 / denominator, overflowed);
    } else {
        overflowed = true;
    }
    out.sound = !overflowed && out.r1 > 0 && out.r2 > 0 && out.r3 > 0;
    return out;
}

// The first-order opamp correction of a stage of quality q at frequency f
// with feedback resistor r3: how far the specified opamp moves its centre
// frequency, Q and gain. An opamp figure of 0 or below (a DC gain typed as
// 0, a file's zeros) is taken as ideal, so its correction term is left out
// instead of dividing by it. Returns whether a factor overflowed a Single.
bool StoreOpampFactors(DesignState& s, int k, double q, double f, double r3)
{
    const double gbw = s.GBW;
    const double zin = s.Zin;
    const double dcGain = s.DCGain;
    const double bandwidthTerm = Positive(gbw) ? f / gbw : 0.0;
    const double loadTerm = Positive(zin) ? r3 / zin : 0.0;
    const double dcTerm = Positive(dcGain) ? 2.0 * q / dcGain : 0.0;
    const double gainBandwidthLoad = Positive(gbw) && Positive(zin) ? f * r3 / (zin * gbw) : 0.0;
    bool overflowed = false;
    s.FreqFactor[k] = Stored(1.0 - q * bandwidthTerm, overflowed);
    s.QFactor[k] = Stored(1.0 - q * ((loadTerm - 1.0) * bandwidthTerm + dcTerm), overflowed);
    s.GainFactor[k] = Stored(1.0 - q * (gainBandwidthLoad + dcTerm), overflowed);
    return overflowed;
}

// The MFB resistors that give angular frequency w, quality q and peak gain
// g with the capacitors c1 and c2 as they are (equal or not); R2 is kept as
// computed when the gain is too high for the Q, like DesignResistors.
Resistors ResistorsForCapacitors(double q, double w, double g, double c1, double c2)
{
    bool overflowed = false;
    Resistors out;
    out.r3 = Stored(q * (c1 + c2) / (w * c1 * c2), overflowed);
    out.r1 = Stored(out.r3 * c1 / (g * (c1 + c2)), overflowed);
    // 1/R2 = w^2 R3 C1 C2 - 1/R1, written so that equal capacitors give 4 q^2 R1 / R3 - 1.
    const double x = w * w * static_cast<double>(out.r3) * out.r1 * c1 * c2 - 1.0;
    if (x != 0) {
        out.r2 = Stored(out.r1 / x, overflowed);
    } else {
        overflowed = true;
    }
    out.sound = !overflowed && out.r1 > 0 && out.r2 > 0 && out.r3 > 0;
    return out;
}

// The resistors of a stage of centre f, quality q and peak gain g: the
// equal-capacitor design while both capacitors are equal (as every equal-gain
// design has them), else the design for the capacitors as they are.
Resistors ResistorsOfStage(double q, double f, double g, double c1, double c2, Single pi)
{
    if (c1 == c2 || !Positive(c2)) return DesignResistors(q, f, g, c1, pi);
    return ResistorsForCapacitors(q, 2.0 * pi * f, g, c1, c2);
}

// --- Buildable stage gains ---

// A stage is given at most its limit Q^2 (1 + C1/C2) divided by this: R2 then
// stays within four times R1, so R2 still tunes the centre, and there is
// room for the opamp correction, which asks a little more Q and gain of
// every stage.
constexpr double kBuildMargin = 1.25;
// C1 may be raised up to this many times C2, no further.
constexpr double kMostCapacitorRatio = 10;

double Db(double v) { return 20.0 * std::log10(v); }

// The E12 value at or above v (rising: true) or at or below it, in any decade.
double E12Bound(double v, bool rising)
{
    const auto series = SeriesValues(StandardSeries::E12);
    const double decade = std::pow(10.0, std::floor(std::log10(v)));
    const double mantissa = v / decade;
    constexpr double kSameValue = 1e-6;  // a value of the series itself, up to rounding
    if (rising) {
        for (double x : series)
            if (x >= mantissa * (1 - kSameValue)) return x * decade;
        return 10 * decade;
    }
    for (auto it = series.rbegin(); it != series.rend(); ++it)
        if (*it <= mantissa * (1 + kSameValue)) return *it * decade;
    return decade;
}

// Shares `totalDb` over the stages as evenly as their limits allow: every
// stage gets the same gain in dB unless that is above its limit, where it
// gets its limit and the others share the rest (water filling). Gives false
// when even the limits summed fall short; the gains are then left unset.
bool FillToLimits(const std::vector<double>& limitDb, double totalDb, std::vector<double>& gainDb)
{
    double sum = 0;
    for (double l : limitDb) sum += l;
    if (!(sum >= totalDb)) return false;
    std::vector<double> sorted = limitDb;
    std::sort(sorted.begin(), sorted.end());
    double remaining = totalDb;
    double level = 0;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        level = remaining / static_cast<double>(sorted.size() - i);
        if (sorted[i] >= level) break;
        remaining -= sorted[i];
    }
    gainDb.resize(limitDb.size());
    for (std::size_t i = 0; i < limitDb.size(); ++i) gainDb[i] = std::min(level, limitDb[i]);
    return true;
}

void ClearStage(DesignState& s, int k)
{
    for (int j = 1; j <= 3; ++j) {
        s.R[k][j] = 0;
        s.Rs[k][j] = 0;
    }
    s.FreqFactor[k] = 1;
    s.QFactor[k] = 1;
    s.GainFactor[k] = 1;
    s.StageInvalid[k] = 1;
}

}  // namespace

void ShareBuildableGains(DesignState& s, double totalDb)
{
    const int n = StageCount(s);
    std::vector<double> equalCaps(n), mostCaps(n), ratioMost(n), gains;
    for (int k = 1; k <= n; ++k) {
        const double q = s.StageQ[k], c2 = s.C[k][2];
        const bool usable = Positive(q) && Positive(c2);
        ratioMost[k - 1] = usable ? E12Bound(kMostCapacitorRatio * c2, false) / c2 : 1;
        equalCaps[k - 1] = usable ? Db(2 * q * q / kBuildMargin) : 0;
        mostCaps[k - 1] = usable ? Db(q * q * (1 + ratioMost[k - 1]) / kBuildMargin) : 0;
    }
    const bool equalEnough = FillToLimits(equalCaps, totalDb, gains);
    if (!equalEnough && !FillToLimits(mostCaps, totalDb, gains)) {
        // Not even the largest C1 builds every stage with margin: each stage
        // gets its most and the same share of what is missing, and the views
        // say which stages that leaves unbuilt (BuildableGainLimit).
        double most = 0;
        for (double l : mostCaps) most += l;
        gains = mostCaps;
        for (double& gdb : gains) gdb += (totalDb - most) / n;
    }
    for (int k = 1; k <= n; ++k) {
        const double gain = std::pow(10.0, gains[k - 1] / 20);
        s.StageGain[k] = static_cast<Single>(gain);
        const double q = s.StageQ[k], c2 = s.C[k][2];
        s.C[k][1] = s.C[k][2];
        if (equalEnough || !Positive(q) || !Positive(c2) || gains[k - 1] <= equalCaps[k - 1]) continue;
        // The least E12 C1 that gives this gain its margin: Q^2 (1 + C1/C2) >= margin g.
        const double needed = c2 * (kBuildMargin * gain / (q * q) - 1);
        const double most = ratioMost[k - 1] * c2;
        s.C[k][1] = static_cast<Single>(needed > 0 ? std::min(E12Bound(needed, true), most) : c2);
    }
}

BuildableLimit BuildableGainLimit(const DesignState& s)
{
    BuildableLimit out;
    const int n = StageCount(s);
    double most = 0;
    Single totalLoss = 0;
    for (int k = 1; k <= n; ++k) {
        const double q = s.StageQ[k], c2 = s.C[k][2];
        if (Positive(q) && Positive(c2))
            most += Db(q * q * (1 + E12Bound(kMostCapacitorRatio * c2, false) / c2) / kBuildMargin);
        if (Positive(s.Center) && Positive(s.StageF[k]) && Positive(q)) {
            const double ratio = CentreRatio(s.Center, s.StageF[k], s.StageQ[k]);
            totalLoss = static_cast<Single>(totalLoss + std::max(-Db(ratio), 0.0));
        }
        if (s.Bench.Gains == StageGains::Buildable && s.ManualEntry == PartsEntry::Designed && s.R[k][2] < 0)
            out.stages.push_back(k);
    }
    out.highestGainDb = most - totalLoss;
    return out;
}

void SynthesizeStages(DesignState& s)
{
    const int n = StageCount(s);
    if (n == 0) return;
    const Single pi = PiOf(s);
    const Single fc = s.Center;

    auto stageUsable = [&](int k) { return Positive(s.StageF[k]) && Positive(s.StageQ[k]) && Positive(s.C[k][1]); };

    // Every stage but one at the centre loses gain there; the loss is made up
    // by sharing it evenly over all stages.
    Single totalLoss = 0;
    for (int k = 1; k <= n; ++k) {
        if (!stageUsable(k) || !Positive(fc)) continue;
        const Single ratio = CentreRatio(fc, s.StageF[k], s.StageQ[k]);
        const Single loss = static_cast<Single>(-20.0 * std::log10(static_cast<double>(ratio)));
        totalLoss = static_cast<Single>(totalLoss + std::max(loss, 0.0f));
    }
    const Single g = static_cast<Single>(std::pow(10.0, (static_cast<double>(s.Gain) + totalLoss) / (20.0 * n)));
    const bool gainUsable = Positive(g);
    const bool buildable = s.Bench.Gains == StageGains::Buildable && gainUsable;
    if (buildable) ShareBuildableGains(s, static_cast<double>(s.Gain) + totalLoss);

    for (int k = 1; k <= n; ++k) {
        const Single gk = buildable ? s.StageGain[k] : g;
        s.StageGain[k] = gainUsable ? gk : 0.0f;
        if (!gainUsable || !stageUsable(k)) {
            ClearStage(s, k);
            continue;
        }
        const double q = s.StageQ[k];
        const double f = s.StageF[k];
        const double c = s.C[k][1];
        // Equal gains are designed for equal capacitors, whatever C2 holds.
        const double c2 = buildable ? s.C[k][2] : c;

        const Resistors ideal = ResistorsOfStage(q, f, gk, c, c2, pi);
        s.R[k][1] = ideal.r1;
        s.R[k][2] = ideal.r2;
        s.R[k][3] = ideal.r3;
        s.StageInvalid[k] = ideal.sound ? 0 : 1;

        const bool overflowed = StoreOpampFactors(s, k, q, f, s.R[k][3]);

        // Predistort the targets so that the real opamp lands on them.
        const double qs = q / s.QFactor[k];
        const double fs = f / s.FreqFactor[k];
        const double gs = gk / s.GainFactor[k];
        Resistors corrected;
        if (!overflowed && std::isfinite(qs) && std::isfinite(fs) && std::isfinite(gs)) {
            corrected = ResistorsOfStage(qs, fs, gs, c, c2, pi);
        }
        s.Rs[k][1] = corrected.r1;
        s.Rs[k][2] = corrected.r2;
        s.Rs[k][3] = corrected.r3;
    }
    ApplyExactCorrection(s);
}

void CorrectPartsForOpamp(DesignState& s)
{
    const int n = StageCount(s);
    for (int k = 1; k <= n; ++k) {
        const double r1 = s.R[k][1], r2 = s.R[k][2], r3 = s.R[k][3], c1 = s.C[k][1], c2 = s.C[k][2];
        Resistors corrected;
        if (Positive(r1) && Positive(r2) && Positive(r3) && Positive(c1) && Positive(c2)) {
            // What the parts give on an ideal opamp, then the same predistortion as a design run.
            const double w = std::sqrt((1 / r1 + 1 / r2) / (r3 * c1 * c2));
            const double q = std::sqrt(r3 / r1 + r3 / r2) / (std::sqrt(c1 / c2) + std::sqrt(c2 / c1));
            const double g = r3 * c1 / (r1 * (c1 + c2));
            const bool overflowed = StoreOpampFactors(s, k, q, w / (2 * std::numbers::pi), r3);
            const double qs = q / s.QFactor[k], ws = w / s.FreqFactor[k], gs = g / s.GainFactor[k];
            if (!overflowed && std::isfinite(qs) && std::isfinite(ws) && std::isfinite(gs))
                corrected = ResistorsForCapacitors(qs, ws, gs, c1, c2);
        } else {
            s.FreqFactor[k] = s.QFactor[k] = s.GainFactor[k] = 1;
        }
        s.Rs[k][1] = corrected.r1;
        s.Rs[k][2] = corrected.r2;
        s.Rs[k][3] = corrected.r3;
    }
    ApplyExactCorrection(s);
}

void RunDesignChain(DesignState& s)
{
    // A file may bring an order the stage arrays cannot hold.
    s.Order = static_cast<Integer>(StageCount(s));
    const bool designed = s.ManualEntry != PartsEntry::Manual;
    if (designed) {
        // A family design starts from the family's order of the stages.
        RestoreFamilyOrder(s);
        ComputePrototypePoles(s);
        TransformToBandpass(s);
        SynthesizeStages(s);
    } else {
        CorrectPartsForOpamp(s);
    }
    AnalyzeStageParts(s);
    ComputeResponse(s);
    // Parts entered by hand keep the order they stand in; a design is put in
    // the headroom order once its sweep says where each stage peaks.
    if (designed && s.Bench.Order == StageOrder::Headroom && PutStagesInHeadroomOrder(s)) ComputeResponse(s);
}

}  // namespace stelvane
