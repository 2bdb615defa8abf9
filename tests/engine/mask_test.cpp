#include "engine/mask.h"

#include <gtest/gtest.h>

#include <charconv>
#include <complex>
#include <numbers>

#include "engine/headroom.h"
#include "tests/engine/engine_test_support.h"

namespace stelvane {
namespace {

using Complex = std::complex<double>;

// Whole-hertz masks swept at 1 Hz from FS1 to FS2, so that every edge is a sweep point.
struct Mask {
    const char* name;
    FilterMask m;
};
const Mask kMasks[] = {
    {"narrow, 1 dB / 40 dB", {900, 1100, 1, 700, 1400, 40, 0}},
    {"the upper stop edge nearer", {1000, 1200, 0.5, 600, 1300, 30, 0}},
    {"wide, 3 dB / 60 dB", {500, 1600, 3, 300, 2200, 60, 0}},
    {"a delay spread of 20 %", {950, 1050, 3, 500, 1800, 20, 20}},
    {"out of reach", {900, 1100, 0.5, 850, 1150, 200, 0}},
};

// The prototype's loss at w from its poles, against its loss at `best`
// (0 for Butterworth and Bessel, a ripple peak for Chebyshev).
double PoleLossDb(FilterFamily family, int n, double ripple, double w)
{
    auto s = testing::Designed(NumberOf(family), static_cast<Integer>(n), static_cast<Single>(ripple));
    auto at = [&](double x) {
        double loss = 0;
        for (int k = 1; k <= n; ++k) loss += 20 * std::log10(std::abs(Complex(-s.PoleRe[k], x - s.PoleIm[k])));
        return loss;
    };
    return at(w) - at(family == FilterFamily::Chebyshev ? std::cos(std::numbers::pi / (2 * n)) : 0);
}

// The least order that meets by direct evaluation: the passband edge put where the loss is
// Ap (at 1 rad/s for a Chebyshev of ripple Ap), the nearer stop edge lost by at least As.
int SteppedOrder(FilterFamily family, const FilterMask& m, double ratio, int most)
{
    const double ripple = family == FilterFamily::Chebyshev ? m.Ap : 0;
    for (int n = 1; n <= most; ++n) {
        double lo = 1e-3, hi = family == FilterFamily::Chebyshev ? 1 : 1e3;
        for (int i = 0; i < 60 && family != FilterFamily::Chebyshev; ++i)
            (PoleLossDb(family, n, 0, std::sqrt(lo * hi)) < m.Ap ? lo : hi) = std::sqrt(lo * hi);
        if (PoleLossDb(family, n, ripple, ratio * hi) >= m.As) return n;
    }
    return most + 1;
}

std::string Exact(double v)
{
    char t[32];
    return std::string(t, std::to_chars(t, t + sizeof t, static_cast<float>(v)).ptr);
}

TEST(MaskOrder, LeastOrdersMatchTheClosedFormsAndTheDesignsMeetByTheirOwnSweep)
{
    const auto base = testing::StartUpDesign();
    for (const Mask& c : kMasks) {
        SCOPED_TRACE(c.name);
        const FilterMask& m = c.m;
        const double f0 = std::sqrt(m.Fp1 * m.Fp2), band = m.Fp2 - m.Fp1;
        const double ratio = std::min((f0 * f0 / m.Fs1 - m.Fs1) / band, (m.Fs2 - f0 * f0 / m.Fs2) / band);
        const double d = (std::pow(10, m.As / 10) - 1) / (std::pow(10, m.Ap / 10) - 1);
        const int textbook[] = {static_cast<int>(std::ceil(std::log10(d) / (2 * std::log10(ratio)))),
            static_cast<int>(std::ceil(std::acosh(std::sqrt(d)) / std::acosh(ratio))), 0};
        const std::vector<MaskCandidate> found = FindCandidates(*base, m);
        ASSERT_EQ(found.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            const MaskCandidate& k = found[i];
            SCOPED_TRACE(FamilyName(k.family));
            const int most = i == 2 ? kMaxBesselOrder : kMaxStages;
            const int stepped = SteppedOrder(k.family, m, ratio, most);
            if (m.DelaySpread == 0 && stepped <= most) {
                EXPECT_EQ(k.order, stepped);
            }
            if (m.DelaySpread == 0 && i < 2) {
                EXPECT_EQ(k.order, std::min(textbook[i], most));
            }
            if (stepped > most) {
                EXPECT_EQ(k.order, most);
            }
            EXPECT_EQ(k.meets, k.check.meets);
            if (m.DelaySpread == 0) {
                EXPECT_EQ(k.meets, stepped <= most);
            }
            // The candidate designed as typed, swept at 1 Hz over the mask.
            const auto s = testing::StartUpDesign([&](DesignInputs& in) {
                in.txtCenter = Exact(k.center), in.txtWidth = Exact(k.width), in.txtApass = Exact(k.ripple);
                in.lblOrderInput = std::to_string(k.order), in.txtInts = Exact(m.Fs2 - m.Fs1);
                in.optButterworth = i == 0, in.optChebyshev = i == 1, in.optBessel = i == 2;
                in.txtStart = Exact(m.Fs1), in.txtStop = Exact(m.Fs2), in.optLinear = true, in.optLog = false;
            });
            const int p1 = static_cast<int>(m.Fp1 - m.Fs1), p2 = static_cast<int>(m.Fp2 - m.Fs1);
            ASSERT_EQ(s->Freq[p1], m.Fp1);
            ASSERT_EQ(s->Freq[p2], m.Fp2);
            const int last = p2 + static_cast<int>(m.Fs2 - m.Fp2);
            double ref = -1e9, shortest = 1e9, longest = 0;
            for (int p = p1; p <= p2; ++p) ref = std::max(ref, double(s->GainDB[p]));
            for (int p = p1 + 1; p <= p2; ++p)
                shortest = std::min(shortest, double(s->Delay[p])), longest = std::max(longest, double(s->Delay[p]));
            double pass[2] = {1e9, 1e9};
            for (int p = p1; p <= p2; ++p)
                pass[s->Freq[p] > f0] = std::min(pass[s->Freq[p] > f0], m.Ap - (ref - s->GainDB[p]));
            const double sweep[4] = {pass[0], pass[1], ref - s->GainDB[0] - m.As, ref - s->GainDB[last] - m.As};
            const MaskCheck check = CheckMask(*s, m);
            for (int e = 0; e < 4; ++e) {
                EXPECT_NEAR(check.marginDb[e], k.check.marginDb[e], 1e-6);
                EXPECT_NEAR(check.marginDb[e], sweep[e], e < 2 ? 0.01 : 2e-3);
                if (k.meets) {
                    EXPECT_GT(sweep[e], -0.01);
                }
            }
            // Butterworth and Bessel share what is to spare evenly between the passband and the nearer stop edge.
            if (i != 1 && k.meets) {
                EXPECT_NEAR(std::min(sweep[0], sweep[1]), std::min(sweep[2], sweep[3]), 0.01);
            }
            if (m.DelaySpread > 0 && k.meets) {
                EXPECT_LE(100 * (longest - shortest) / shortest, m.DelaySpread * 1.02);
            }
            if (m.DelaySpread > 0 && k.meets) {
                EXPECT_GE(k.order, stepped);
            }
            EXPECT_EQ(k.buildable, UnbuildableWords(*s).empty());
        }
    }
}

TEST(MaskOrder, MasksWithoutAnOrderToFindGiveNoCandidates)
{
    const auto base = testing::StartUpDesign();
    const FilterMask refused[] = {{}, {900, 1100, 1, 950, 1400, 40, 0}, {900, 1100, 1, 700, 1000, 40, 0},
        {900, 1100, 40, 700, 1400, 40, 0}, {900, 1100, 0, 700, 1400, 40, 0}, {900, 1100, 1, 700, INFINITY, 40, 0},
        {1100, 900, 1, 700, 1400, 40, 0}};
    for (const FilterMask& m : refused) {
        SCOPED_TRACE(::testing::PrintToString(std::vector{m.Fp1, m.Fp2, m.Ap, m.Fs1, m.Fs2, m.As}));
        EXPECT_TRUE(FindCandidates(*base, m).empty());
    }
}

}  // namespace
}  // namespace stelvane
