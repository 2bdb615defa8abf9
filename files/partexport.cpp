#include "files/partexport.h"

#include <charconv>
#include <cmath>

#include "engine/partcheck.h"

namespace stelvane {

namespace {

// The shortest text that gives the stored Single back: 1e-13, not 9.9999998e-14.
std::string StoredValueText(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string WrittenPartProblem(const DesignState& s, bool specifiedOpamp, double tolerance, const PartWriting& write)
{
    static const char* const names[6] = {"", "R1", "R2", "R3", "C1", "C2"};
    for (int k = 1; k <= StageCount(s); ++k) {
        if (StageFaultOf(s, k, specifiedOpamp) == StageFault::Missing)
            return UnbuildableStageText(s, k, specifiedOpamp);
        const auto& r = specifiedOpamp ? s.Rs[k] : s.R[k];
        for (int p = 1; p <= 5; ++p) {
            const double value = p <= 3 ? r[p] : s.C[k][p - 3];
            const WrittenPart written = write(k, p, value);
            const bool faithful = written.read && std::isfinite(written.meant) && std::isfinite(*written.read) &&
                std::fabs(*written.read - written.meant) <= tolerance * std::fabs(written.meant);
            if (!faithful)
                return "Stage " + std::to_string(k) + " cannot be built" +
                    (specifiedOpamp ? " for the specified opamp: " : ": ") + "its " + names[p] + " is " +
                    StoredValueText(value) + (p <= 3 ? " ohms" : " F");
        }
    }
    return {};
}

}  // namespace stelvane
