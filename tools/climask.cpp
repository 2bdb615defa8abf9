#include "tools/climask.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ostream>

#include "engine/designtext.h"
#include "engine/numbertext.h"
#include "tools/clireport.h"

namespace stelvane {
namespace {

constexpr std::size_t kFamilyColumn = 13;
constexpr std::size_t kNarrowColumn = 8;

std::string Fixed(double value, int decimals)
{
    if (!std::isfinite(value)) return "-";
    if (std::abs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0;  // no "-0.00"
    char buf[48];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals).ptr);
}

std::string FamilyWord(FilterFamily family) { return LowerCase(FamilyName(family)); }

double LeastMargin(const MaskCheck& c) { return c.marginDb[static_cast<int>(c.worst)]; }

// "misses by 1.23 dB at fs1", or the delay spread it misses by.
std::string MissText(const MaskCheck& c, const FilterMask& m)
{
    if (LeastMargin(c) < -kMaskSlackDb)
        return "misses by " + Fixed(-LeastMargin(c), 2) + " dB at " + MaskEdgeName(c.worst);
    return "misses the delay spread (" + Fixed(c.delaySpreadPct, 1) + " % over " + Fixed(m.DelaySpread, 1) + " %)";
}

std::string CandidateName(const MaskCandidate& c)
{
    return std::string(FamilyName(c.family)) + " " + std::to_string(c.order);
}

// "fp1 0.50, fp2 0.50, fs1 3.20, fs2 7.10 dB to spare"
std::string MarginsText(const MaskCheck& c)
{
    std::string t;
    for (int e = 0; e < 4; ++e)
        t += std::string(e ? ", " : "") + MaskEdgeName(static_cast<MaskEdge>(e)) + " " + Fixed(c.marginDb[e], 2);
    return t + " dB to spare";
}

}  // namespace

CliMask SearchMask(const CliOptions& o, DesignSession& session, const DesignInputs& typed, std::ostream& err)
{
    CliMask r;
    DesignInputs first = typed;
    session.Enter(first, [](const std::string&) {});
    const FilterMask& mask = session.Record().Mask;
    r.candidates = FindCandidates(session.Record(), mask);
    if (r.candidates.empty()) return r;
    std::optional<FilterFamily> family;
    if (o.family) family = CodeOf<FilterFamily>(static_cast<Integer>(*o.family));
    r.named = family.has_value();
    r.chosen = ChooseCandidate(r.candidates, family);
    if (!r.chosen) {
        // No family meets: the nearest is designed, and each family's best is said.
        r.chosen = ClosestCandidate(r.candidates);
        std::string best;
        for (const MaskCandidate& c : r.candidates)
            best += (best.empty() ? "" : "; ") + CandidateName(c) + " " + MissText(c.check, mask);
        err << "stelvane-cli: no order (up to 21, Bessel 10) meets the mask: " << best << "; "
            << CandidateName(r.candidates[*r.chosen]) << " is designed\n";
    } else if (const MaskCandidate& c = r.candidates[*r.chosen]; !c.meets) {
        err << "stelvane-cli: no " << FamilyName(c.family) << " order meets the mask: " << CandidateName(c) << " "
            << MissText(c.check, mask) << " and is designed\n";
    }
    return r;
}

void SweepOverTheMask(const CliOptions& o, DesignInputs& in)
{
    if (!o.mask || o.load || o.start || o.stop) return;
    const double fp1 = CliNumber((*o.mask)[0]), fp2 = CliNumber((*o.mask)[1]);
    const double fs1 = CliNumber((*o.mask)[3]), fs2 = CliNumber((*o.mask)[4]);
    in.txtStart = GeneralNumberText(std::max(fs1 - (fp1 - fs1), fs1 / 2));
    in.txtStop = GeneralNumberText(fs2 + (fs2 - fp2));
}

std::string MaskSummary(const DesignState& s, const CliMask& search)
{
    const FilterMask& m = s.Mask;
    std::string t = "\nRequirement: pass " + EngText(m.Fp1) + " Hz to " + EngText(m.Fp2) + " Hz losing at most " +
        ValueText(m.Ap) + " dB; stop below " + EngText(m.Fs1) + " Hz and above " + EngText(m.Fs2) + " Hz by at least " +
        ValueText(m.As) + " dB\n";
    if (m.DelaySpread > 0) t += "Group delay spread over the passband at most " + ValueText(m.DelaySpread) + " %\n";
    if (!search.candidates.empty()) {
        t += Cell("Family", kFamilyColumn) + Cell("Order", kNarrowColumn) + Cell("Stages", kNarrowColumn) +
            Cell("Max Q", kNarrowColumn) + Cell("fp1, dB", kNarrowColumn) + Cell("fp2, dB", kNarrowColumn) +
            Cell("fs1, dB", kNarrowColumn) + Cell("fs2, dB", kNarrowColumn) + Cell("Delay, %", 10) + Cell("Meets", 6) +
            "Buildable\n";
        for (const MaskCandidate& c : search.candidates) {
            std::string line = Cell(FamilyName(c.family), kFamilyColumn) +
                Cell(std::to_string(c.order), kNarrowColumn) + Cell(std::to_string(c.order), kNarrowColumn) +
                Cell(Fixed(c.maxStageQ, 2), kNarrowColumn);
            for (double margin : c.check.marginDb) line += Cell(Fixed(margin, 2), kNarrowColumn);
            t += line + Cell(Fixed(c.check.delaySpreadPct, 1), 10) + Cell(c.meets ? "yes" : "no", 6) +
                (c.buildable ? "yes" : "no") + "\n";
        }
        t += "Margins are the dB to spare at each edge (below 0: a miss). The width is the -3 dB width for\n"
             "Butterworth, the ripple width for Chebyshev (ripple AP less 0.002 to 0.05 dB for rounding) and the\n"
             "one-rad/s width for Bessel.\n";
        if (search.chosen) {
            const MaskCandidate& c = search.candidates[*search.chosen];
            t += "Designed: " + CandidateName(c) + ", centre " + EngText(c.center) + " Hz, width " + EngText(c.width) +
                " Hz" + (c.family == FilterFamily::Chebyshev ? ", ripple " + ValueText(c.ripple) + " dB" : "") +
                (search.named     ? " (--family)"
                        : c.meets ? " (the lowest order that meets)"
                                  : " (the nearest; none meets)") +
                "\n";
        }
    }
    const MaskCheck check = CheckMask(s, m);
    t += std::string(search.candidates.empty() ? "The loaded design " : "The design ") +
        (check.meets ? "meets the mask: " : "does not meet the mask: ") + MarginsText(check) + "; delay spread " +
        Fixed(check.delaySpreadPct, 1) + " %\n";
    return t;
}

Json MaskJson(const DesignState& s, const CliMask& search)
{
    const FilterMask& m = s.Mask;
    auto margins = [](const MaskCheck& c) {
        Json j;
        for (int e = 0; e < 4; ++e) j[MaskEdgeName(static_cast<MaskEdge>(e))] = JsonDouble(c.marginDb[e]);
        return j;
    };
    Json j = {{"fp1", JsonDouble(m.Fp1)}, {"fp2", JsonDouble(m.Fp2)}, {"ap_db", JsonDouble(m.Ap)},
        {"fs1", JsonDouble(m.Fs1)}, {"fs2", JsonDouble(m.Fs2)}, {"as_db", JsonDouble(m.As)}};
    if (m.DelaySpread > 0) j["delay_spread_limit_pct"] = JsonDouble(m.DelaySpread);
    Json& list = j["candidates"] = Json::array();
    for (const MaskCandidate& c : search.candidates)
        list.push_back({{"family", FamilyWord(c.family)}, {"order", c.order}, {"meets", c.meets},
            {"margin_db", margins(c.check)}, {"max_stage_q", JsonDouble(c.maxStageQ)},
            {"delay_spread_pct", JsonDouble(c.check.delaySpreadPct)}, {"buildable", c.buildable},
            {"center", JsonSingle(c.center)}, {"width", JsonSingle(c.width)}, {"ripple", JsonSingle(c.ripple)}});
    if (search.chosen) j["chosen"] = FamilyWord(search.candidates[*search.chosen].family);
    const MaskCheck check = CheckMask(s, m);
    j["check"] = {{"meets", check.meets}, {"margin_db", margins(check)}, {"worst_edge", MaskEdgeName(check.worst)},
        {"passband_gain_db", JsonDouble(check.passbandGainDb)}, {"delay_spread_pct", JsonDouble(check.delaySpreadPct)}};
    return j;
}

int MaskCode(const DesignState& s) { return s.Mask.Active() && !CheckMask(s, s.Mask).meets ? kMaskMissed : 0; }

}  // namespace stelvane
