#include "engine/practicalparts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace stelvane {

const ResArray& BuiltResistors(const DesignState& s, PartsType parts)
{
    return parts == PartsType::Specified ? s.Rs : s.R;
}

std::vector<StageResistor> ResistorsOutsideRange(const DesignState& s, PartsType parts, const ResistorRange& range)
{
    std::vector<StageResistor> outside;
    const ResArray& r = BuiltResistors(s, parts);
    for (int k = 1; k <= StageCount(s); ++k)
        for (int j = 1; j <= 3; ++j)
            if (!(r[k][j] >= range.low && r[k][j] <= range.high)) outside.push_back({k, j, r[k][j]});
    return outside;
}

std::optional<CapacitorSuggestion> SuggestCapacitor(
    const DesignState& s, PartsType parts, const ResistorRange& range, StandardSeries series)
{
    const ResArray& r = BuiltResistors(s, parts);
    double lowest = std::numeric_limits<double>::infinity(), highest = 0;
    for (int k = 1; k <= StageCount(s); ++k)
        for (int j = 1; j <= 3; ++j)
            if (r[k][j] > 0 && std::isfinite(r[k][j])) {
                lowest = std::min<double>(lowest, r[k][j]);
                highest = std::max<double>(highest, r[k][j]);
            }
    const double present = s.C[1][1];
    if (highest == 0 || !(present > 0) || !std::isfinite(present) || !(range.low > 0 && range.high > 0))
        return std::nullopt;
    // Nearest in ratio to the capacitor that would put the midpoints together.
    const double midpoint = std::sqrt(lowest * highest);
    const double wanted = std::sqrt(range.low * range.high);
    CapacitorSuggestion c;
    c.capacitor = NearestInSeries(present * midpoint / wanted, series);
    const double scale = present / c.capacitor;
    c.lowest = lowest * scale;
    c.highest = highest * scale;
    return c;
}

}  // namespace stelvane
