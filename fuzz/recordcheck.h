#pragma once

// Helpers shared by the fuzz targets and the reliability tests: a field-by-field
// bitwise comparison of two design records, a record that differs from the
// zero record everywhere, and a finiteness check of the sweep.

#include <cmath>
#include <cstring>
#include <string>
#include <type_traits>

#include "engine/designstate.h"

namespace stelvane::reliability {

// Name of the first field in which two records differ bit for bit, or "" when
// they are the same. Padding is never compared, only the fields themselves.
inline std::string FirstDifference(const DesignState& a, const DesignState& b)
{
    std::string first;
    VisitFields(
        [&first](const char* name, const auto& x, const auto& y) {
            bool same;
            if constexpr (std::is_same_v<std::decay_t<decltype(x)>, std::string>)
                same = x == y;
            else
                same = std::memcmp(&x, &y, sizeof x) == 0;
            if (!same && first.empty()) first = name;
        },
        a, b);
    return first;
}

// A record whose every field differs from the zero record and from its
// neighbours, so that any stray write shows; Order and NrInts lie in range.
inline DesignState DistinctiveRecord()
{
    DesignState s;
    int counter = 0;
    const auto fill = [&counter](auto& self, auto& v) -> void {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>)
            v = "text " + std::to_string(++counter);
        else if constexpr (std::is_arithmetic_v<T> || std::is_enum_v<T>)
            v = static_cast<T>(++counter % 30000);
        else
            for (auto& element : v) self(self, element);
    };
    VisitFields([&fill](const char*, auto& field) { fill(fill, field); }, s);
    s.Order = 3;
    s.NrInts = 500;
    return s;
}

// Name of the first sweep array holding NaN or infinity at points 0..NrInts
// (or "NrInts" when the count itself is out of range), or "" when all are finite.
inline std::string FirstNonFiniteSweep(const DesignState& s)
{
    if (s.NrInts < 0 || s.NrInts > kMaxPoints) return "NrInts";
    for (int n = 0; n <= s.NrInts; ++n) {
        if (!std::isfinite(s.Freq[n])) return "Freq";
        if (!std::isfinite(s.GainDB[n])) return "GainDB";
        if (!std::isfinite(s.Phase[n])) return "Phase";
        if (!std::isfinite(s.Delay[n])) return "Delay";
    }
    return "";
}

}  // namespace stelvane::reliability
