#include "engine/mask.h"

#include <gtest/gtest.h>

#include <charconv>
#include <complex>
#include <numbers>

#include "tests/engine/engine_test_support.h"

namespace stelvane {
namespace {

// Whole-hertz masks, swept at 1 Hz from FS1 to FS2; the last four have no order to find.
const std::pair<const char*, FilterMask> kMasks[] = {
    {"narrow, 1 dB / 40 dB", {900, 1100, 1, 700, 1400, 40, 0}},
    {"the upper stop edge nearer", {1000, 1200, 0.5, 600, 1300, 30, 0}},
    {"wide, 3 dB / 60 dB", {500, 1600, 3, 300, 2200, 60, 0}},
    {"a delay spread of 20 %", {950, 1050, 3, 500, 1800, 20, 20}},
    {"a Bessel of three stages", {950, 1050, 3, 700, 1400, 30, 0}},
    {"out of reach", {900, 1100, 0.5, 850, 1150, 200, 0}},
    {"no mask", {}},
    {"FS1 above FP1", {900, 1100, 1, 950, 1400, 40, 0}},
    {"AS not above AP", {900, 1100, 40, 700, 1400, 40, 0}},
    {"AP of 0", {900, 1100, 0, 700, 1400, 40, 0}},
};

// The prototype's loss at w from its poles, against a passband peak (DC; a ripple peak for Chebyshev).
double PoleLossDb(int family, int n, double ripple, double w)
{
    auto s = testing::Designed(family, static_cast<Integer>(n), static_cast<Single>(ripple));
    auto at = [&](double x) {
        double loss = 0;
        for (int k = 1; k <= n; ++k) loss += 20 * std::log10(std::hypot(s.PoleRe[k], x - s.PoleIm[k]));
        return loss;
    };
    return at(w) - at(family == 2 ? std::cos(std::numbers::pi / (2 * n)) : 0);
}

// The least order that meets by direct evaluation: the passband edge where the loss is Ap
// (1 rad/s for a Chebyshev of ripple Ap), the nearer stop edge then lost by at least As.
int SteppedOrder(int family, const FilterMask& m, double ratio, int most)
{
    for (int n = 1; n <= most; ++n) {
        double lo = 1e-3, hi = family == 2 ? 1 : 1e3;
        for (int i = 0; i < 60 && family != 2; ++i)
            (PoleLossDb(family, n, 0, std::sqrt(lo * hi)) < m.Ap ? lo : hi) = std::sqrt(lo * hi);
        if (PoleLossDb(family, n, family == 2 ? m.Ap : 0, ratio * hi) >= m.As) return n;
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
    for (const auto& [name, m] : kMasks) {
        SCOPED_TRACE(name);
        const std::vector<MaskCandidate> found = FindCandidates(*base, m);
        ASSERT_EQ(found.size(), m.Fs1 < m.Fp1 && m.Fs2 > m.Fp2 && m.As > m.Ap && m.Ap > 0 ? 3u : 0u);
        if (found.empty()) continue;
        const double f0 = std::sqrt(m.Fp1 * m.Fp2), band = m.Fp2 - m.Fp1;
        const double ratio = std::min((f0 * f0 / m.Fs1 - m.Fs1) / band, (m.Fs2 - f0 * f0 / m.Fs2) / band);
        const double d = (std::pow(10, m.As / 10) - 1) / (std::pow(10, m.Ap / 10) - 1);
        const double textbook[] = {std::ceil(std::log10(d) / (2 * std::log10(ratio))),
            std::ceil(std::acosh(std::sqrt(d)) / std::acosh(ratio)), 99};
        for (int i = 0; i < 3; ++i) {
            const MaskCandidate& k = found[i];
            SCOPED_TRACE(FamilyName(k.family));
            const int most = i == 2 ? kMaxBesselOrder : kMaxStages, stepped = SteppedOrder(i + 1, m, ratio, most);
            // Order n meets and n - 1 does not; a delay spread may ask more.
            if (m.DelaySpread > 0) {
                EXPECT_TRUE(!k.meets || k.order >= stepped);
            } else {
                EXPECT_EQ(k.order, std::min({stepped, most, static_cast<int>(textbook[i])}));
                EXPECT_EQ(k.meets, stepped <= most);
            }
            // The candidate designed as typed, swept at 1 Hz over the mask.
            const auto s = testing::StartUpDesign([&](DesignInputs& in) {
                in.txtCenter = Exact(k.center), in.txtWidth = Exact(k.width), in.txtApass = Exact(k.ripple);
                in.lblOrderInput = std::to_string(k.order), in.txtInts = Exact(m.Fs2 - m.Fs1);
                in.optButterworth = i == 0, in.optChebyshev = i == 1, in.optBessel = i == 2;
                in.txtStart = Exact(m.Fs1), in.txtStop = Exact(m.Fs2), in.optLinear = true, in.optLog = false;
            });
            const int p1 = int(m.Fp1 - m.Fs1), p2 = int(m.Fp2 - m.Fs1), last = int(m.Fs2 - m.Fs1);
            ASSERT_TRUE(s->Freq[p1] == m.Fp1 && s->Freq[p2] == m.Fp2 && s->Freq[last] == m.Fs2);
            const Single* g = s->GainDB.data();
            const double ref = *std::max_element(g + p1, g + p2 + 1);
            const auto [shortest, longest] = std::minmax_element(s->Delay.data() + p1 + 1, s->Delay.data() + p2 + 1);
            double sweep[4] = {1e9, 1e9, ref - g[0] - m.As, ref - g[last] - m.As};
            for (int p = p1; p <= p2; ++p)
                sweep[s->Freq[p] > f0] = std::min(sweep[s->Freq[p] > f0], m.Ap - (ref - g[p]));
            const MaskCheck check = CheckMask(*s, m);
            for (int e = 0; e < 4; ++e) {
                EXPECT_NEAR(check.marginDb[e], k.check.marginDb[e], 1e-6);
                EXPECT_NEAR(check.marginDb[e], sweep[e], e < 2 ? 0.01 : 2e-3);
            }
            // Butterworth and Bessel share what is to spare evenly between the passband and the nearer stop edge.
            const double spare = std::min(sweep[0], sweep[1]), stop = std::min(sweep[2], sweep[3]);
            EXPECT_TRUE(i == 1 || !k.meets || std::abs(spare - stop) < 0.01) << spare << " " << stop;
            EXPECT_TRUE(!k.meets || m.DelaySpread == 0 || 100 * (*longest / *shortest - 1) <= m.DelaySpread * 1.02);
        }
    }
}

// A narrow Chebyshev's stages reach Q 64: its ripple peaks and troughs are narrower than the
// check's samples, and its margins must still be those of a dense evaluation of its parts.
TEST(MaskCheck, NarrowRipplePeaksAndTroughsAreFoundBetweenTheSamples)
{
    const FilterMask m{28057, 29166.2, 2, 10275.4, 51126.9, 58.8832, 0};
    const MaskCandidate k = FindCandidates(*testing::StartUpDesign(), m)[1];
    ASSERT_EQ(k.order, 2);  // the closed form's
    const auto s = testing::StartUpDesign([&](DesignInputs& in) {
        in.txtCenter = Exact(k.center), in.txtWidth = Exact(k.width), in.txtApass = Exact(k.ripple);
        in.lblOrderInput = "2", in.optButterworth = false, in.optChebyshev = true;
    });
    auto gainDb = [&](double f) {
        std::complex<double> h = 1;
        const std::complex<double> j(0, 2 * std::numbers::pi * f);
        for (int i = 1; i <= 2; ++i) {
            const double r1 = s->R[i][1], r2 = s->R[i][2], r3 = s->R[i][3], c1 = s->C[i][1], c2 = s->C[i][2];
            h *= -c1 * r2 * r3 * j / (c1 * c2 * r1 * r2 * r3 * j * j + (c1 + c2) * r1 * r2 * j + r1 + r2);
        }
        return 20 * std::log10(std::abs(h));
    };
    double most = -1e9, least[2] = {1e9, 1e9};
    for (int i = 0; i <= 100000; ++i) {
        const double f = m.Fp1 * std::pow(m.Fp2 / m.Fp1, i / 100000.0), g = gainDb(f);
        most = std::max(most, g),
        least[f > std::sqrt(m.Fp1 * m.Fp2)] = std::min(least[f > std::sqrt(m.Fp1 * m.Fp2)], g);
    }
    const MaskCheck check = CheckMask(*s, m);
    EXPECT_NEAR(check.passbandGainDb, most, 1e-5);
    for (int e = 0; e < 2; ++e) EXPECT_NEAR(check.marginDb[e], m.Ap - (most - least[e]), 1e-5);
    EXPECT_TRUE(check.meets);
}

}  // namespace
}  // namespace stelvane
