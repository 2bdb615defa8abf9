#include "tools/clijson.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace stelvane {
namespace {

constexpr int kSingleRoundTrip = 9;                 // significant digits that bring any Single back exactly
constexpr double kExactWhole = 9007199254740992.0;  // 2^53: every whole double below it is an exact integer

}  // namespace

Json JsonSingle(double value)
{
    if (!std::isfinite(value)) return nullptr;
    char buf[40];
    const auto written = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, kSingleRoundTrip);
    double rounded = value;
    // the nine digits of a double near the top of its range may not read back; it keeps its own value
    if (std::from_chars(buf, written.ptr, rounded).ec != std::errc()) rounded = value;
    return JsonDouble(rounded);
}

Json JsonDouble(double value)
{
    if (!std::isfinite(value)) return nullptr;
    if (std::abs(value) < kExactWhole && value == std::trunc(value)) return static_cast<std::int64_t>(value);
    return value;
}

std::string JsonText(const Json& document)
{
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + '\n';
}

}  // namespace stelvane
