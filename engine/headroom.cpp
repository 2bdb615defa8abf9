#include "engine/headroom.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <string_view>
#include <type_traits>

#include "engine/numbertext.h"
#include "engine/partcheck.h"
#include "engine/response.h"
#include "engine/synthesis.h"

namespace stelvane {

namespace {

constexpr double kNone = -std::numeric_limits<double>::infinity();

int PointsOf(const DesignState& s) { return std::clamp<int>(s.NrInts, 0, kMaxPoints) + 1; }

// Each stage's gain in dB at every sweep point, a row per stage 1..n; the
// stage response the sweep itself adds up, so the last output's peak is the
// response's.
std::vector<std::vector<double>> StageGainRows(const DesignState& s, int n, int points)
{
    std::vector<std::vector<double>> rows(n, std::vector<double>(points));
    for (int k = 1; k <= n; ++k)
        for (int l = 0; l < points; ++l) {
            double gain = 0, phase = 0;
            EvaluateStage(s, k, s.Freq[l], gain, phase);
            rows[k - 1][l] = gain;
        }
    return rows;
}

// The highest value of a row and where it is (the first such point).
std::pair<double, int> Peak(const std::vector<double>& row)
{
    const auto it = std::max_element(row.begin(), row.end());
    return {*it, static_cast<int>(it - row.begin())};
}

template <class T>
struct IsStageArray : std::false_type {};
template <class E>
struct IsStageArray<std::array<E, kMaxStages + 1>> : std::true_type {};

// Moves the stages so that place c holds the stage that stood at from[c - 1].
void MoveStages(DesignState& s, const std::vector<int>& from)
{
    const int n = static_cast<int>(from.size());
    VisitFields(
        [&](const char* name, auto& field) {
            using Field = std::decay_t<decltype(field)>;
            if constexpr (IsStageArray<Field>::value) {
                if (std::string_view(name) == "FamilyPlace") return;
                const Field before = field;
                for (int c = 1; c <= n; ++c) field[c] = before[from[c - 1]];
            }
        },
        s);
}

// "stage 3" or "stages 2, 3, 5".
std::string StageList(const std::vector<int>& stages)
{
    std::string t = stages.size() == 1 ? "stage " : "stages ";
    for (std::size_t i = 0; i < stages.size(); ++i) t += (i == 0 ? "" : ", ") + std::to_string(stages[i]);
    return t;
}

std::string Figure(double v) { return Trimmed(FormatValue(static_cast<Single>(v))); }

// Order by weighing every order at once: the largest peak of a set of stages
// placed first does not depend on their order among themselves, so the best
// order of each set follows from the best orders of its subsets.
std::vector<int> ExactOrder(const std::vector<std::vector<double>>& gains, int points)
{
    const int n = static_cast<int>(gains.size());
    const unsigned all = (1u << n) - 1;
    std::vector<double> peak(all + 1, kNone);
    // The peak of every set, its sums built up along a walk over the sets.
    std::vector<std::vector<double>> sums(n + 1, std::vector<double>(points, 0.0));
    auto walk = [&](auto& self, int start, int depth, unsigned set) -> void {
        for (int i = start; i < n; ++i) {
            const unsigned next = set | (1u << i);
            double highest = kNone;
            for (int l = 0; l < points; ++l) {
                sums[depth + 1][l] = sums[depth][l] + gains[i][l];
                highest = std::max(highest, sums[depth + 1][l]);
            }
            peak[next] = highest;
            self(self, i + 1, depth + 1, next);
        }
    };
    walk(walk, 0, 0, 0);
    // best[set]: the lowest largest peak with the set placed first, itself included.
    std::vector<double> best(all + 1, kNone);
    for (unsigned set = 1; set <= all; ++set) {
        double lowest = std::numeric_limits<double>::infinity();
        for (int j = 0; j < n; ++j)
            if (set & (1u << j)) lowest = std::min(lowest, best[set & ~(1u << j)]);
        best[set] = std::max(peak[set], lowest);
    }
    // Back from the whole set: each place from the end goes to the stage that
    // leaves the best set before it; ties keep the later family stage last,
    // so the family's order stands where it is as good as any.
    std::vector<int> order(n);
    unsigned set = all;
    for (int place = n - 1; place >= 0; --place) {
        int chosen = -1;
        for (int j = n - 1; j >= 0; --j)
            if ((set & (1u << j)) && (chosen < 0 || best[set & ~(1u << j)] < best[set & ~(1u << chosen)])) chosen = j;
        order[place] = chosen + 1;
        set &= ~(1u << chosen);
    }
    return order;
}

std::vector<int> GreedyOrder(const std::vector<std::vector<double>>& gains, int points)
{
    const int n = static_cast<int>(gains.size());
    std::vector<double> sum(points, 0.0), trial(points);
    std::vector<bool> placed(n, false);
    std::vector<int> order;
    for (int place = 0; place < n; ++place) {
        int chosen = -1;
        double chosenPeak = 0;
        for (int i = 0; i < n; ++i) {
            if (placed[i]) continue;
            double highest = kNone;
            for (int l = 0; l < points; ++l) highest = std::max(highest, sum[l] + gains[i][l]);
            if (chosen < 0 || highest < chosenPeak) chosen = i, chosenPeak = highest;
        }
        placed[chosen] = true;
        for (int l = 0; l < points; ++l) sum[l] += gains[chosen][l];
        order.push_back(chosen + 1);
    }
    return order;
}

}  // namespace

Headroom ComputeHeadroom(const DesignState& s)
{
    Headroom out;
    const int n = StageCount(s);
    const int points = PointsOf(s);
    const auto gains = StageGainRows(s, n, points);
    const double inputDb = 20 * std::log10(s.Bench.InputLevel);
    const double swingDb = 20 * std::log10(s.Bench.Swing);
    std::vector<double> sum(points, 0.0);
    double highest = kNone;
    for (int k = 0; k < n; ++k) {
        for (int l = 0; l < points; ++l) sum[l] += gains[k][l];
        const auto [peakDb, at] = Peak(sum);
        StageHeadroom h;
        h.peakGainDb = peakDb;
        h.peakFreq = s.Freq[at];
        h.headroomDb = swingDb - inputDb - peakDb;
        const double volts = s.Bench.InputLevel * std::pow(10.0, peakDb / 20);
        h.slewNeeded = 2 * std::numbers::pi * h.peakFreq * volts * 1e-6;
        h.overSwing = h.headroomDb < 0;
        h.overSlew = h.slewNeeded > s.Bench.Slew;
        highest = std::max(highest, peakDb);
        out.stages.push_back(h);
    }
    out.largestInputV = n > 0 ? s.Bench.Swing / std::pow(10.0, highest / 20) : 0;
    return out;
}

std::vector<int> HeadroomOrder(const DesignState& s)
{
    const int n = StageCount(s);
    const int points = PointsOf(s);
    const auto gains = StageGainRows(s, n, points);
    return n <= kExactOrderStages ? ExactOrder(gains, points) : GreedyOrder(gains, points);
}

double LargestIntermediatePeak(const DesignState& s, const std::vector<int>& order)
{
    const int points = PointsOf(s);
    std::vector<double> sum(points, 0.0);
    double highest = kNone;
    for (std::size_t c = 0; c + 1 < order.size(); ++c) {
        for (int l = 0; l < points; ++l) {
            double gain = 0, phase = 0;
            EvaluateStage(s, order[c], s.Freq[l], gain, phase);
            sum[l] += gain;
        }
        highest = std::max(highest, Peak(sum).first);
    }
    return highest;
}

bool PutStagesInHeadroomOrder(DesignState& s)
{
    const int n = StageCount(s);
    const std::vector<int> order = HeadroomOrder(s);
    bool moved = false;
    for (int c = 1; c <= n; ++c) moved = moved || order[c - 1] != c;
    if (!moved) return false;
    StageFlags place{};
    for (int c = 1; c <= n; ++c) {
        const int from = order[c - 1];
        place[c] = s.FamilyPlace[from] != 0 ? s.FamilyPlace[from] : static_cast<Integer>(from);
    }
    MoveStages(s, order);
    bool family = true;
    for (int c = 1; c <= n; ++c) family = family && place[c] == c;
    s.FamilyPlace = family ? StageFlags{} : place;
    return true;
}

void RestoreFamilyOrder(DesignState& s)
{
    const int n = StageCount(s);
    // Where each family stage stands now; places that are no order of 1..n
    // (a record from elsewhere) are only cleared.
    std::vector<int> from(n, 0);
    bool moved = false;
    for (int c = 1; c <= n; ++c) {
        const int place = s.FamilyPlace[c];
        if (place == 0) continue;
        moved = true;
        if (place < 1 || place > n || from[place - 1] != 0) {
            s.FamilyPlace = {};
            return;
        }
        from[place - 1] = c;
    }
    if (moved && std::find(from.begin(), from.end(), 0) == from.end()) MoveStages(s, from);
    s.FamilyPlace = {};
}

std::vector<std::string> RaisedCapacitorLines(const DesignState& s)
{
    std::vector<std::pair<Single, std::vector<int>>> raised;
    for (int k = 1; k <= StageCount(s); ++k) {
        if (s.C[k][1] == s.C[k][2]) continue;
        auto it = std::find_if(raised.begin(), raised.end(), [&](const auto& r) { return r.first == s.C[k][1]; });
        if (it == raised.end()) it = raised.insert(raised.end(), {s.C[k][1], {}});
        it->second.push_back(k);
    }
    std::vector<std::string> lines;
    for (const auto& [value, stages] : raised)
        lines.push_back("C1 raised to " + Trimmed(FormatCap(value)) + " (E12) in " + StageList(stages));
    return lines;
}

std::string LargestInputText(const Headroom& room)
{
    return "Largest input that clips nowhere: " + Figure(room.largestInputV) + " V peak";
}

std::string OverSwingText(const Headroom& room)
{
    std::vector<int> over;
    for (std::size_t k = 0; k < room.stages.size(); ++k)
        if (room.stages[k].overSwing) over.push_back(static_cast<int>(k) + 1);
    return over.empty() ? std::string() : "Output swing exceeded in " + StageList(over);
}

std::string OverSlewText(const Headroom& room)
{
    std::vector<int> over;
    for (std::size_t k = 0; k < room.stages.size(); ++k)
        if (room.stages[k].overSlew) over.push_back(static_cast<int>(k) + 1);
    return over.empty() ? std::string() : "Slew rate exceeded in " + StageList(over);
}

std::string UnbuildableWords(const DesignState& s)
{
    // The ideal resistors first; when they can all be built, those corrected
    // for the specified opamp, which the exports and the check build with.
    for (const bool specified : {false, true}) {
        std::vector<int> unbuilt;
        bool negative = false;
        for (int k = 1; k <= StageCount(s); ++k) {
            const StageFault fault = StageFaultOf(s, k, specified);
            if (fault == StageFault::None) continue;
            unbuilt.push_back(k);
            negative = negative || fault == StageFault::Negative;
        }
        if (unbuilt.empty()) continue;
        std::string t = UnbuildableStageText(s, unbuilt[0], specified);
        if (unbuilt.size() > 1) {
            t += " (";
            t += StageList({unbuilt.begin() + 1, unbuilt.end()}) + " cannot either)";
        }
        t += ".";
        if (specified) {
            if (s.Bench.Correction == OpampCorrection::Exact) return t;
            return t + " The exact opamp correction, larger capacitors or a better opamp may build them.";
        }
        // Only a gain too high for a stage's Q is what other gains can mend, and
        // only in a design of a family, whose parts the program chooses.
        if (!negative || s.ManualEntry == PartsEntry::Manual) return t;
        const double highest = BuildableGainLimit(s).highestGainDb;
        if (s.Bench.Gains == StageGains::Equal && s.Gain <= highest)
            return t + " Buildable stage gains build every stage.";
        return t + " Even buildable stage gains build every stage only up to a total gain of " + Figure(highest) +
            " dB.";
    }
    return {};
}

}  // namespace stelvane
