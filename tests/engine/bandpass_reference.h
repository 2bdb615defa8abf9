#pragma once

// Independent lowpass-to-bandpass reference for the engine tests: the
// bandpass poles of one prototype pole solved as a quadratic in double.

#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <utility>

namespace stelvane::testing {

struct Section {
    double f0; // Hz
    double q;
};

// A second-order section with roots r1, r2: s^2 - (r1 + r2)s + r1*r2.
inline Section SectionFromRoots(std::complex<double> r1, std::complex<double> r2)
{
    const double product = (r1 * r2).real();
    const double sum = (r1 + r2).real();
    const double w0 = std::sqrt(product);
    return {w0 / (2 * std::numbers::pi), w0 / std::abs(sum)};
}

// The two bandpass poles s of prototype pole p under p = Qbp (s/wc + wc/s),
// i.e. s^2 - p (wc/Qbp) s + wc^2 = 0.
inline std::array<std::complex<double>, 2> BandpassRoots(std::complex<double> p, double center,
                                                         double width)
{
    const double wc = 2 * std::numbers::pi * center;
    const double qbp = center / width;
    const std::complex<double> b = -p * wc / qbp;
    const std::complex<double> root = std::sqrt(b * b - 4.0 * wc * wc);
    return {(-b + root) / 2.0, (-b - root) / 2.0};
}

// The section one prototype pole stands for. A real pole gives one section
// made of both its bandpass poles; a complex pole gives two conjugate-paired
// sections, of which the pole with positive imaginary part takes the lower
// one and its conjugate the upper one.
inline Section ReferenceSection(double re, double im, double center, double width)
{
    const auto roots = BandpassRoots({re, im}, center, width);
    if (im == 0) return SectionFromRoots(roots[0], roots[1]);
    Section a = SectionFromRoots(roots[0], std::conj(roots[0]));
    Section b = SectionFromRoots(roots[1], std::conj(roots[1]));
    if (a.f0 > b.f0) std::swap(a, b);
    return im > 0 ? a : b;
}

} // namespace stelvane::testing
