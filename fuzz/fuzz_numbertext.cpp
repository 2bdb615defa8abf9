// Number text: the parser must take any text, and every formatter any float,
// without crashing or showing "nan"/"inf"; the general text of a finite float
// must read back to the same float within seven significant digits. The
// strict reader never gives NaN, and the shortest text of what it read reads
// back to the same double.

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/numbertext.h"
#include "fuzz/fuzzfiles.h"

using namespace stelvane;
using stelvane::reliability::FuzzFailure;

constexpr const char* kTarget = "fuzz_numbertext";

namespace {

void CheckFormatted(const std::string& text)
{
    std::string lower;
    for (char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("nan") != std::string::npos || lower.find("inf") != std::string::npos)
        FuzzFailure(kTarget, "a formatter showed: " + text);
}

// Seven significant digits: the text is within half a unit of the seventh
// digit of the value, and reading it rounds once more, to the nearest float.
bool WithinSevenDigits(float read, float original)
{
    if (original == 0) return read == 0;
    const double magnitude = std::fabs(static_cast<double>(original));
    const double halfUnit = 0.5 * std::pow(10.0, std::floor(std::log10(magnitude)) - 6);
    // the wider of the two float spacings around the value read (they differ at a power of two)
    const float away = std::nextafter(read, std::copysign(INFINITY, read));
    const double halfUlp = 0.5 * std::fabs(static_cast<double>(away) - read);
    return std::fabs(static_cast<double>(read) - original) <= (halfUnit + halfUlp) * (1 + 1e-9);
}

void CheckReadsBack(float value)
{
    if (!std::isfinite(value)) return;
    const std::string text = GeneralNumberText(value);
    // The file readers take any decimal text.
    char* end = nullptr;
    const float viaFiles = std::strtof(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0') FuzzFailure(kTarget, "general text not a plain number: " + text);
    if (!WithinSevenDigits(viaFiles, value)) FuzzFailure(kTarget, "general text does not read back: " + text);
    // The typed-number parser keeps 12 characters and +-1e10, so only texts
    // within those limits can come back through it.
    if (text.size() <= 12 && std::fabs(value) <= 1e10f) {
        Single typed = 0;
        ParseNumberText(text, typed);
        if (!WithinSevenDigits(typed, value)) FuzzFailure(kTarget, "general text does not parse back: " + text);
    }
}

void CheckStrict(std::string_view text)
{
    const std::optional<double> strict = ParseStrictNumber(text);
    if (!strict) return;
    if (std::isnan(*strict)) FuzzFailure(kTarget, "strict reading gave NaN: " + std::string(text));
    if (!std::isfinite(*strict)) return;
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, *strict).ptr;
    const std::optional<double> again = ParseStrictNumber(std::string_view(buffer, end - buffer));
    if (!again || *again != *strict)
        FuzzFailure(kTarget, "strict reading of the shortest text differs: " + std::string(buffer, end));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    Single single = 123;
    ParseNumberText(text, single);
    if (!std::isfinite(single) || std::fabs(single) > 1e10f)
        FuzzFailure(kTarget, "ParseNumberText stored a value outside +-1e10: " + std::string(text));
    Integer integer = 123;
    ParseNumberText(text, integer);
    CheckStrict(text);

    // Bit patterns from the input, NaN and infinity included.
    float f = 0;
    double d = 0;
    if (size >= sizeof f) std::memcpy(&f, data, sizeof f);
    if (size >= sizeof d) std::memcpy(&d, data, sizeof d);
    // And the value the text itself parses to, so the seeds reach every range.
    for (const float v : {f, single, static_cast<float>(d)}) {
        for (const auto format : {FormatEng, FormatCap, FormatValue, FormatValueShort, FormatEngSmall})
            CheckFormatted(format(v));
        CheckFormatted(
            GeneralNumberText(v) + " " + FormatPadded14(v) + " " + GeneralNumberText(d) + " " + FormatPadded14(d));
        CheckReadsBack(v);
    }
    return 0;
}
