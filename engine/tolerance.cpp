#include "engine/tolerance.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <thread>

#include "engine/cascade.h"
#include "engine/response.h"
#include "engine/stageanalysis.h"

namespace stelvane {

namespace {

// Sweep points are taken in blocks of this many: every copy is swept over a
// block, then the block's percentiles are taken across the copies.
constexpr int kBlockPoints = 64;
// Roughly how many stage evaluations one share of the work holds per thread
// (a few milliseconds).
constexpr double kStageEvaluationsPerShare = 4e6;
// The same for the mask check, whose stage evaluations (double precision,
// one division each, the group delay too) cost about ten of the sweep's.
constexpr double kMaskEvaluationsPerShare = 4e5;
// Copies handed to a thread at a time by the analysis and the mask check.
constexpr int kCopiesPerTask = 64;
constexpr int kCheckedCopiesPerTask = 16;

// SplitMix64: a copy's random stream is its own, made from the seed and the
// copy's number, so no copy's parts depend on which thread drew them.
std::uint64_t Mix(std::uint64_t x)
{
    x += 0x9e3779b97f4a7c15u;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9u;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebu;
    return x ^ (x >> 31);
}

class CopyRandom {
public:
    CopyRandom(std::uint64_t seed, int copy) : state_(Mix(seed ^ Mix(static_cast<std::uint64_t>(copy)))) {}
    // Uniform in (0, 1].
    double Unit()
    {
        state_ += 0x9e3779b97f4a7c15u;
        return static_cast<double>((Mix(state_) >> 11) + 1) * 0x1p-53;
    }
    // A part's relative deviation.
    double Deviation(double tolerance, PartDistribution distribution)
    {
        if (distribution == PartDistribution::Uniform) return tolerance * (2 * Unit() - 1);
        // Box-Muller; the first unit is never 0, so the logarithm is finite.
        const double radius = std::sqrt(-2 * std::log(Unit()));
        return tolerance / 3 * radius * std::cos(2 * std::numbers::pi * Unit());
    }

private:
    std::uint64_t state_;
};

MeanStd Spread(const std::vector<double>& values)
{
    // Deviations from the first value, so that equal values give exactly
    // that value and a standard deviation of 0.
    MeanStd m;
    const std::size_t n = values.size();
    if (n == 0) return m;
    double sum = 0;
    for (double v : values) sum += v - values[0];
    m.mean = values[0] + sum / static_cast<double>(n);
    if (n < 2) return m;
    double squares = 0;
    for (double v : values) squares += (v - m.mean) * (v - m.mean);
    m.std = std::sqrt(squares / static_cast<double>(n - 1));
    return m;
}

// The percentiles of kGainPercentiles of v[0..n), linear between the order
// statistics around each (as numpy's default); v is reordered.
std::array<double, kGainPercentiles.size()> Percentiles(float* v, int n)
{
    std::array<double, kGainPercentiles.size()> out{};
    // Each percentile's order statistic k and the fraction towards k + 1.
    auto rank = [n](double percent, int& k) {
        const double h = percent / 100 * (n - 1);
        k = static_cast<int>(std::floor(h));
        return h - k;
    };
    // v[k] once v[from, to) holds ranks from..to-1 in some order; the one
    // above it is the least of v[k + 1, upTo) (all of them above v[k]), or of
    // the rest when that is empty.
    auto at = [&](int k, double fraction, int from, int to, int upTo) {
        std::nth_element(v + from, v + k, v + to);
        if (fraction == 0) return static_cast<double>(v[k]);
        const double next = *std::min_element(v + k + 1, v + (k + 1 < upTo ? upTo : n));
        return v[k] + fraction * (next - v[k]);
    };
    int k5 = 0, k50 = 0, k95 = 0;
    const double f5 = rank(kGainPercentiles[1], k5), f50 = rank(kGainPercentiles[2], k50),
                 f95 = rank(kGainPercentiles[3], k95);
    out[2] = at(k50, f50, 0, n, n);
    out[1] = at(k5, f5, 0, k50 + 1, k50 + 1);
    out[3] = at(k95, f95, std::min(k50 + 1, k95), n, n);
    out[0] = *std::min_element(v, v + k5 + 1);
    out[4] = *std::max_element(v + k95, v + n);
    return out;
}

}  // namespace

struct ToleranceRun::Work {
    ToleranceResult result;
    int order = 0;
    int threads = 1;
    DesignState nominal;  // only Order, R, C and the sweep are read

    // Per copy, filled by the first share.
    std::vector<CascadeTerms> terms;
    std::vector<int> stageCount;
    std::vector<std::array<Single, 3>> figures;  // per copy and stage: f0, Q, gain
    std::vector<double> centerGain;
    bool analysed = false;

    // The mask each copy is checked against (when active), and each copy's check.
    FilterMask mask;
    std::vector<MaskCheck> checks;
    int checkedCopies = 0;
    int copiesPerCheckShare = 0;
    int checkShares = 0;

    int blocks = 0;
    int nextBlock = 0;
    int blocksPerShare = 1;

    void Analyse(int firstCopy, int lastCopy);
    void SweepBlock(int block, std::vector<float>& column);
    void CheckCopies(int firstCopy, int lastCopy);
    void CountYield();
    bool Checked() const { return checkedCopies >= static_cast<int>(checks.size()); }
    int SharesDone() const;
    template <typename Task>
    void InParallel(int count, Task task);
};

// Runs task(i, worker) for i = 0..count-1 on the threads; tasks are handed
// out in order, and each writes only its own results.
template <typename Task>
void ToleranceRun::Work::InParallel(int count, Task task)
{
    std::atomic<int> next{0};
    auto worker = [&](int index) {
        for (int i = next++; i < count; i = next++) task(i, index);
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < std::min(threads, count); ++t) helpers.emplace_back(worker, t);
    worker(0);
    for (std::thread& h : helpers) h.join();
}

void ToleranceRun::Work::Analyse(int firstCopy, int lastCopy)
{
    const ToleranceSettings& set = result.settings;
    auto copy = std::make_unique<DesignState>();
    copy->Order = nominal.Order;
    for (int c = firstCopy; c < lastCopy; ++c) {
        CopyRandom random(set.seed, c);
        for (int k = 1; k <= order; ++k) {
            for (int j = 1; j <= 3; ++j)
                copy->R[k][j] = static_cast<Single>(
                    nominal.R[k][j] * (1 + random.Deviation(set.resistorTolerance, set.distribution)));
            for (int j = 1; j <= 2; ++j)
                copy->C[k][j] = static_cast<Single>(
                    nominal.C[k][j] * (1 + random.Deviation(set.capacitorTolerance, set.distribution)));
        }
        AnalyzeStageParts(*copy);
        for (int k = 1; k <= order; ++k)
            figures[static_cast<std::size_t>(c) * order + k - 1] = {
                copy->StageFoActual[k], copy->StageQActual[k], copy->StageGainActual[k]};
        stageCount[c] = CollectStages(*copy, terms[c]);
        double gain = 0, phase = 0;
        AddCascade(terms[c].data(), stageCount[c], nominal.Center, gain, phase);
        centerGain[c] = gain;
    }
}

void ToleranceRun::Work::SweepBlock(int block, std::vector<float>& column)
{
    const int runs = result.settings.runs;
    const int first = block * kBlockPoints;
    const int points = std::min(kBlockPoints, static_cast<int>(result.freq.size()) - first);
    std::array<Single, kBlockPoints> gain;
    column.resize(static_cast<std::size_t>(runs) * kBlockPoints);
    for (int c = 0; c < runs; ++c) {
        SweepCascade(terms[c].data(), stageCount[c], result.freq.data() + first, points, gain.data(), nullptr, nullptr);
        for (int i = 0; i < points; ++i) column[static_cast<std::size_t>(i) * runs + c] = gain[i];
    }
    for (int i = 0; i < points; ++i) {
        const auto p = Percentiles(column.data() + static_cast<std::size_t>(i) * runs, runs);
        for (std::size_t j = 0; j < p.size(); ++j) result.gainDb[j][first + i] = static_cast<Single>(p[j]);
    }
}

void ToleranceRun::Work::CheckCopies(int firstCopy, int lastCopy)
{
    for (int c = firstCopy; c < lastCopy; ++c) checks[c] = CheckMask(terms[c].data(), stageCount[c], mask);
}

void ToleranceRun::Work::CountYield()
{
    // Every copy in its turn, so the counts never depend on the threads.
    MaskYield y;
    std::array<int, 4> misses{};
    std::array<double, 4> least;
    least.fill(std::numeric_limits<double>::infinity());
    for (const MaskCheck& c : checks) {
        y.copiesMeeting += c.meets ? 1 : 0;
        for (std::size_t e = 0; e < least.size(); ++e) {
            misses[e] += c.marginDb[e] < -kMaskSlackDb ? 1 : 0;
            least[e] = std::min(least[e], c.marginDb[e]);
        }
    }
    y.share = static_cast<double>(y.copiesMeeting) / static_cast<double>(checks.size());
    // The edge most copies miss, the first of equals; with none missed, the
    // one whose least margin is smallest.
    std::size_t worst = 0;
    const bool missed = *std::max_element(misses.begin(), misses.end()) > 0;
    for (std::size_t e = 1; e < least.size(); ++e)
        if (missed ? misses[e] > misses[worst] : least[e] < least[worst]) worst = e;
    y.worstEdge = static_cast<MaskEdge>(worst);
    y.copiesMissingWorst = misses[worst];
    result.yield = y;
}

int ToleranceRun::Work::SharesDone() const
{
    return nextBlock + (copiesPerCheckShare > 0 ? (checkedCopies + copiesPerCheckShare - 1) / copiesPerCheckShare : 0);
}

ToleranceRun::ToleranceRun(const DesignState& s, const ToleranceSettings& settings) : work_(std::make_unique<Work>())
{
    Work& w = *work_;
    w.result.settings = settings;
    w.result.settings.runs = std::clamp(settings.runs, 1, kMaxToleranceRuns);
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    w.threads = settings.threads > 0 ? settings.threads : static_cast<int>(processors);
    w.result.settings.threads = w.threads;

    w.order = StageCount(s);
    w.nominal.Order = s.Order;
    w.nominal.Center = s.Center;
    w.nominal.R = s.R;
    w.nominal.C = s.C;
    const int points = std::clamp<int>(s.NrInts, 0, kMaxPoints) + 1;
    w.result.freq.assign(s.Freq.begin(), s.Freq.begin() + points);
    for (auto& p : w.result.gainDb) p.assign(points, 0);

    const int runs = w.result.settings.runs;
    w.terms.resize(runs);
    w.stageCount.resize(runs);
    w.figures.resize(static_cast<std::size_t>(runs) * w.order);
    w.centerGain.resize(runs);
    w.blocks = (points + kBlockPoints - 1) / kBlockPoints;
    const double perBlock = static_cast<double>(runs) * std::max(w.order, 1) * kBlockPoints;
    w.blocksPerShare = w.threads * std::max(1, static_cast<int>(kStageEvaluationsPerShare / perBlock));

    if (s.Mask.Active()) {
        w.mask = s.Mask;
        w.checks.resize(runs);
        // Roughly the points CheckMask takes: both passband halves and the stop edges.
        const double perCopy = (2.0 * (24 + 8 * w.order) + 14) * std::max(w.order, 1);
        w.copiesPerCheckShare = kCheckedCopiesPerTask * w.threads *
            std::max(1, static_cast<int>(kMaskEvaluationsPerShare / perCopy / kCheckedCopiesPerTask));
        w.checkShares = (runs + w.copiesPerCheckShare - 1) / w.copiesPerCheckShare;
    }
}

ToleranceRun::~ToleranceRun() = default;

double ToleranceRun::Step()
{
    Work& w = *work_;
    const int runs = w.result.settings.runs;
    if (!w.analysed) {
        w.InParallel((runs + kCopiesPerTask - 1) / kCopiesPerTask,
            [&](int task, int) { w.Analyse(task * kCopiesPerTask, std::min(runs, (task + 1) * kCopiesPerTask)); });
        // The spreads, in the order of the copies.
        std::vector<double> values(runs);
        w.result.centerGainDb = Spread(w.centerGain);
        w.result.stages.assign(w.order, {});
        for (int k = 0; k < w.order; ++k) {
            MeanStd* spreads[3] = {&w.result.stages[k].f0, &w.result.stages[k].q, &w.result.stages[k].gain};
            for (int f = 0; f < 3; ++f) {
                for (int c = 0; c < runs; ++c) values[c] = w.figures[static_cast<std::size_t>(c) * w.order + k][f];
                *spreads[f] = Spread(values);
            }
        }
        w.analysed = true;
    } else if (!w.Checked()) {
        const int first = w.checkedCopies;
        const int last = std::min(runs, first + w.copiesPerCheckShare);
        w.InParallel((last - first + kCheckedCopiesPerTask - 1) / kCheckedCopiesPerTask, [&](int task, int) {
            const int from = first + task * kCheckedCopiesPerTask;
            w.CheckCopies(from, std::min(last, from + kCheckedCopiesPerTask));
        });
        w.checkedCopies = last;
        if (w.Checked()) w.CountYield();
    } else {
        const int count = std::min(w.blocksPerShare, w.blocks - w.nextBlock);
        const int first = w.nextBlock;
        std::vector<std::vector<float>> columns(w.threads);
        w.InParallel(count, [&](int task, int worker) { w.SweepBlock(first + task, columns[worker]); });
        w.nextBlock += count;
    }
    return Done() ? 1.0 : (1.0 + w.SharesDone()) / (1.0 + w.blocks + w.checkShares);
}

bool ToleranceRun::Done() const { return work_->analysed && work_->Checked() && work_->nextBlock >= work_->blocks; }

const ToleranceResult& ToleranceRun::Result() const { return work_->result; }

std::string YieldWords(const MaskYield& yield, int runs)
{
    char percent[32];
    std::snprintf(percent, sizeof percent, "%.1f", 100 * yield.share);
    std::string t = "Yield: " + std::to_string(yield.copiesMeeting) + " of " + std::to_string(runs) +
        (runs == 1 ? " copy (" : " copies (") + percent + "%) meet the mask; ";
    const std::string edge = MaskEdgeName(yield.worstEdge);
    if (yield.copiesMissingWorst == 0) return t + "least margin at " + edge;
    return t + "most misses at " + edge + " (" + std::to_string(yield.copiesMissingWorst) +
        (yield.copiesMissingWorst == 1 ? " copy)" : " copies)");
}

ToleranceResult RunTolerance(const DesignState& s, const ToleranceSettings& settings)
{
    ToleranceRun run(s, settings);
    while (!run.Done()) run.Step();
    return run.Result();
}

}  // namespace stelvane
