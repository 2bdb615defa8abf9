#pragma once

// Independent lowpass-to-bandpass reference for the engine tests: the
// bandpass poles of one prototype pole solved as a quadratic in complex double.

#include <cmath>
#include <complex>
#include <numbers>

namespace stelvane::testing {

using Complex = std::complex<double>;
// Hz, quality
struct Section {
    double f0, q;
};

// The second-order section s^2 - (r1 + r2)s + r1*r2.
inline Section SectionFromRoots(Complex r1, Complex r2)
{
    const double w0 = std::sqrt((r1 * r2).real());
    return {w0 / (2 * std::numbers::pi), w0 / std::abs((r1 + r2).real())};
}

// The section prototype pole re + j im stands for under p = Qbp (s/wc + wc/s),
// whose bandpass poles are the roots of s^2 - p (wc/Qbp) s + wc^2. A real
// pole's two roots make one section; a complex pole's roots each pair with
// their conjugates, and the pole with positive imaginary part takes the lower one.
inline Section ReferenceSection(double re, double im, double center, double width)
{
    const double wc = 2 * std::numbers::pi * center;
    const Complex b = -Complex(re, im) * wc / (center / width), root = std::sqrt(b * b - 4.0 * wc * wc);
    const Complex r1 = (-b + root) / 2.0, r2 = (-b - root) / 2.0;
    if (im == 0) return SectionFromRoots(r1, r2);
    const Section a = SectionFromRoots(r1, std::conj(r1)), c = SectionFromRoots(r2, std::conj(r2));
    return (im > 0) == (a.f0 < c.f0) ? a : c;
}

}  // namespace stelvane::testing
