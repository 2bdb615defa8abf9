#include "engine/exactcorrection.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace stelvane {
namespace {

// The denominator d3 s^3 + d2 s^2 + d1 s + d0 and numerator factor of the
// stage's transfer function on the single-pole opamp A(s) = A0 / (1 + s/wa):
// H(s) = -A0 wa Zin R2 R3 C1 s / D(s), from the node equations at the joint of
// the capacitors and at the inverting input.
struct StagePolynomial {
    double d3, d2, d1, d0, numerator;
};

StagePolynomial Polynomial(const StageResistors& r, double c1, double c2, double a0, double wa, double zin)
{
    const double r1 = r[0], r2 = r[1], r3 = r[2];
    const double shared = c1 * r1 * r2 * r3 + c1 * r1 * r2 * zin + c1 * r1 * r3 * zin + c1 * r2 * r3 * zin +
        c2 * r1 * r2 * r3 + c2 * r1 * r2 * zin;
    return {c1 * c2 * r1 * r2 * r3 * zin, (a0 + 1) * wa * c1 * c2 * r1 * r2 * r3 * zin + shared,
        a0 * wa * zin * r1 * r2 * (c1 + c2) + wa * shared + r1 * r3 + r1 * zin + r2 * r3 + r2 * zin,
        wa * (r1 + r2) * (a0 * zin + r3 + zin), a0 * wa * zin * r2 * r3 * c1};
}

// Solves a x = b in place by Gaussian elimination with partial pivoting.
bool Solve4(std::array<std::array<double, 4>, 4>& a, std::array<double, 4>& b)
{
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int row = col + 1; row < 4; ++row)
            if (std::abs(a[row][col]) > std::abs(a[pivot][col])) pivot = row;
        if (!(std::abs(a[pivot][col]) > 0)) return false;
        std::swap(a[col], a[pivot]);
        std::swap(b[col], b[pivot]);
        for (int row = col + 1; row < 4; ++row) {
            const double f = a[row][col] / a[col][col];
            for (int k = col; k < 4; ++k) a[row][k] -= f * a[col][k];
            b[row] -= f * b[col];
        }
    }
    for (int row = 3; row >= 0; --row) {
        for (int k = row + 1; k < 4; ++k) b[row] -= a[row][k] * b[k];
        b[row] /= a[row][row];
    }
    return true;
}

}  // namespace

std::optional<StageResistors> ExactStageResistors(
    const StageResistors& ideal, double c1, double c2, const SinglePoleOpamp& opamp, const StageResistors& start)
{
    const double r1 = ideal[0], r2 = ideal[1], r3 = ideal[2];
    const double w0 = std::sqrt((1 / r1 + 1 / r2) / (r3 * c1 * c2));
    const double q = std::sqrt(r3 / r1 + r3 / r2) / (std::sqrt(c1 / c2) + std::sqrt(c2 / c1));
    const double gain = r3 * c1 / (r1 * (c1 + c2));
    const double a0 = opamp.dcGain, wa = 2 * std::numbers::pi * opamp.gbw / a0;
    if (!(std::isfinite(w0) && std::isfinite(q) && std::isfinite(gain) && q > 0 && wa > 0)) return std::nullopt;

    // Unknowns: the logarithms of R1, R2, R3 and of the opamp's closed-loop
    // pole p; D(s) must be d3 (s^2 + (w0/q) s + w0^2)(s + p), and |H(j w0)| the
    // ideal gain. Each residual is relative, so all four weigh alike.
    const auto residuals = [&](const std::array<double, 4>& x) {
        const StageResistors r{std::exp(x[0]), std::exp(x[1]), std::exp(x[2])};
        const double p = std::exp(x[3]);
        const StagePolynomial d = Polynomial(r, c1, c2, a0, wa, opamp.zin);
        const std::complex<double> s(0, w0);
        const std::complex<double> h = d.numerator * s / (((d.d3 * s + d.d2) * s + d.d1) * s + d.d0);
        const double b2 = w0 / q + p, b1 = w0 * w0 + p * w0 / q, b0 = p * w0 * w0;
        return std::array<double, 4>{
            (d.d2 / d.d3 - b2) / b2, (d.d1 / d.d3 - b1) / b1, (d.d0 / d.d3 - b0) / b0, std::abs(h) / gain - 1};
    };
    // p starts where the start's own polynomial puts it: what d2/d3 holds beyond the pair.
    const StagePolynomial first = Polynomial(start, c1, c2, a0, wa, opamp.zin);
    const double p0 = std::max(first.d2 / first.d3 - w0 / q, w0 / q);
    std::array<double, 4> x{std::log(start[0]), std::log(start[1]), std::log(start[2]), std::log(p0)};
    for (int iteration = 0; iteration < 60; ++iteration) {
        std::array<double, 4> f = residuals(x);
        double worst = 0;
        for (double v : f) worst = std::max(worst, std::abs(v));
        if (!std::isfinite(worst)) return std::nullopt;
        if (worst < 1e-11) {
            const StageResistors r{std::exp(x[0]), std::exp(x[1]), std::exp(x[2])};
            for (double v : r)
                if (!(std::isfinite(v) && v > 0)) return std::nullopt;
            return r;
        }
        std::array<std::array<double, 4>, 4> jacobian{};
        for (int k = 0; k < 4; ++k) {
            std::array<double, 4> moved = x;
            moved[k] += 1e-7;
            const std::array<double, 4> g = residuals(moved);
            for (int row = 0; row < 4; ++row) jacobian[row][k] = (g[row] - f[row]) / 1e-7;
        }
        if (!Solve4(jacobian, f)) return std::nullopt;
        // A step of at most a factor of e in any unknown keeps Newton near its path.
        double longest = 0;
        for (double v : f) longest = std::max(longest, std::abs(v));
        const double scale = longest > 1 ? 1 / longest : 1;
        for (int k = 0; k < 4; ++k) x[k] -= scale * f[k];
    }
    return std::nullopt;
}

}  // namespace stelvane
