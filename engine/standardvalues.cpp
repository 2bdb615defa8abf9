#include "engine/standardvalues.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace stelvane {

namespace {

// The E24 series over one decade, scaled by 1/100, with the last value of the
// decade below in front so that every value has a lower neighbour.
constexpr std::array<float, 25> kStandardTable{
    0.091f,
    0.10f,
    0.11f,
    0.12f,
    0.13f,
    0.15f,
    0.16f,
    0.18f,
    0.20f,
    0.22f,
    0.24f,
    0.27f,
    0.30f,
    0.33f,
    0.36f,
    0.39f,
    0.43f,
    0.47f,
    0.51f,
    0.56f,
    0.62f,
    0.68f,
    0.75f,
    0.82f,
    0.91f,
};

constexpr float kFirstDecade = 1e-13f;  // the search starts far below any real resistor
// Enough decades to climb from the first decade past the largest Single; a
// value no finite decade brackets is left as it is.
constexpr int kMaxDecades = 60;

// The nearest standard value in ratio, or the value itself when it has none:
// zero, negative, not a number, infinite, or beyond the largest finite decade.
float Nearest(float v)
{
    if (!(v > 0.0f) || !std::isfinite(v)) return v;
    float m = kFirstDecade;
    for (int decade = 0; decade < kMaxDecades; ++decade) {
        for (std::size_t i = 1; i < kStandardTable.size(); ++i) {
            const float upper = m * kStandardTable[i];
            if (!std::isfinite(upper)) return v;
            if (upper > v) {
                const float lower = m * kStandardTable[i - 1];
                // Equal ratios go up; a standard value itself stays, since
                // upper lies strictly above it.
                const double a = static_cast<double>(v) / lower;
                const double b = static_cast<double>(upper) / v;
                return b <= a ? upper : lower;
            }
        }
        m *= 10.0f;
    }
    return v;
}

}  // namespace

void NearestStandardValue(DesignState& s)
{
    const int stages = StageCount(s);
    for (int k = 1; k <= stages; ++k) {
        for (int j = 1; j <= 3; ++j) {
            s.R[k][j] = Nearest(s.R[k][j]);
        }
    }
}

Single NearestStandardValueOf(Single value) { return Nearest(value); }

void InitEngine(DesignState& s)
{
    s.Pi = static_cast<Single>(4.0 * std::atan(1.0));
    s.VersionText = kVersionText;
}

}  // namespace stelvane
