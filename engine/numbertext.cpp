#include "engine/numbertext.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <system_error>

namespace stelvane {

namespace {

constexpr std::size_t kMaxTextLength = 12;    // longer input is cut to its first 12 characters
constexpr std::size_t kMaxNumberLength = 16;  // digits stop being collected beyond this
constexpr float kParseLimit = 1e10f;          // stored values are kept within +-1e10

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The multiplier of an engineering suffix letter, or 0 when the letter is none.
// Lower-case m is milli and upper-case M is mega; the others ignore case.
float SuffixMultiplier(char c)
{
    switch (c) {
    case 'p':
    case 'P': return 1e-12f;
    case 'n':
    case 'N': return 1e-9f;
    case 'u':
    case 'U': return 1e-6f;
    case 'm': return 1e-3f;
    case 'k':
    case 'K': return 1e3f;
    case 'M': return 1e6f;
    case 'g':
    case 'G': return 1e9f;
    default: return 0.0f;
    }
}

std::string_view TrimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// The collected number text: digits, one point, signs, one E and at most one
// suffix letter, gathered from whatever the user typed.
struct CollectedNumber {
    std::string text;
    float multiplier = 1.0f;
};

CollectedNumber CollectNumber(std::string_view typed)
{
    CollectedNumber n;
    bool suffixSeen = false;
    bool exponentSeen = false;
    bool pointSeen = false;
    for (char c : typed) {
        if (IsDigit(c) && n.text.size() < kMaxNumberLength && !suffixSeen) n.text += c;
        if (c == ',') c = '.';  // a comma is a decimal point, whatever the locale says
        if (c == '.' && !suffixSeen && !pointSeen) {
            pointSeen = true;
            n.text += '.';
        }
        if (c == '+' || c == '-') {
            if (n.text.empty() || n.text.back() == 'E') n.text += c;
        }
        if (n.text.empty()) continue;
        if ((c == 'E' || c == 'e') && !suffixSeen) {
            if (exponentSeen) continue;
            exponentSeen = true;
            pointSeen = true;  // the exponent takes no decimal point
            n.text += 'E';
        } else if (!exponentSeen && !suffixSeen) {
            const float m = SuffixMultiplier(c);
            if (m != 0.0f) {
                suffixSeen = true;
                n.text += c;
                n.multiplier = m;
            }
        }
    }
    return n;
}

// Reads the leading number of the collected text (sign, digits, point, digits,
// E, sign, digits) rounded to Single. Anything after it adds nothing; no digits
// give 0. A value beyond the Single range gives the stored limit, one too small
// for a Single gives 0.
float LeadingNumber(const std::string& n)
{
    std::size_t pos = 0;
    bool negative = false;
    if (pos < n.size() && (n[pos] == '+' || n[pos] == '-')) negative = n[pos++] == '-';
    std::string digits;
    bool anyDigit = false;
    while (pos < n.size() && IsDigit(n[pos])) {
        digits += n[pos++];
        anyDigit = true;
    }
    if (digits.empty()) digits = "0";
    if (pos < n.size() && n[pos] == '.') {
        ++pos;
        std::string fraction;
        while (pos < n.size() && IsDigit(n[pos])) {
            fraction += n[pos++];
            anyDigit = true;
        }
        if (!fraction.empty()) digits += "." + fraction;
    }
    if (!anyDigit) return 0.0f;

    bool exponentNegative = false;
    if (pos < n.size() && n[pos] == 'E') {
        std::size_t e = pos + 1;
        std::string exponent = "e";
        if (e < n.size() && (n[e] == '+' || n[e] == '-')) {
            exponentNegative = n[e] == '-';
            exponent += n[e++];
        }
        const std::size_t exponentDigitsStart = e;
        while (e < n.size() && IsDigit(n[e])) exponent += n[e++];
        if (e > exponentDigitsStart) digits += exponent;  // a dangling E adds nothing
    }

    // from_chars does not take a leading '+', and reads '.' whatever the locale.
    float value = 0.0f;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // The mantissa has at most a dozen characters, so only the exponent's
        // sign can push the value out of range: up means overflow, down means
        // a value too small to hold.
        value = exponentNegative ? 0.0f : kParseLimit;
    } else if (result.ec != std::errc()) {
        value = 0.0f;
    }
    return negative ? -value : value;
}

float ParsedSingle(std::string_view text)
{
    std::string_view typed = TrimBlanks(text);
    if (typed.size() > kMaxTextLength) typed = typed.substr(0, kMaxTextLength);
    const CollectedNumber n = CollectNumber(typed);
    float value = LeadingNumber(n.text) * n.multiplier;
    if (std::isnan(value)) value = 0.0f;
    if (value > kParseLimit) value = kParseLimit;
    if (value < -kParseLimit) value = -kParseLimit;
    return value;
}

// Rounds to the nearest whole number, halves to the even neighbour, without
// relying on the floating-point environment's rounding mode.
double RoundHalfEven(double x)
{
    const double lower = std::floor(x);
    const double diff = x - lower;
    if (diff < 0.5) return lower;
    if (diff > 0.5) return lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

// One row of a range formatter's table: values reaching the threshold are
// divided by the divisor and shown with the suffix.
struct RangeRow {
    float threshold;  // compared in Single, so 1e-8 F itself reaches the 1e-8 row
    double divisor;
    const char* suffix;
};

// Rounds x to the given decimals, halves away from zero, and writes it as the
// general text. x is a Single and 10^decimals at most 1e6, so their product is
// exact in double and the half test sees the true value.
std::string RoundedText(float x, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return GeneralNumberText(std::round(static_cast<double>(x) * scale) / scale);
}

// Finds the first row whose threshold the magnitude reaches; the last row
// applies when none is reached. Gives the row's index.
template <std::size_t N>
std::size_t FindRow(const std::array<RangeRow, N>& rows, float magnitude)
{
    for (std::size_t i = 0; i + 1 < N; ++i) {
        if (magnitude >= rows[i].threshold) return i;
    }
    return N - 1;
}

// value / divisor as Single. Dividing a huge value by a small divisor can leave
// the Single range; it then stays at the largest Single rather than infinity.
float Scaled(float value, double divisor)
{
    const double x = static_cast<double>(value) / divisor;
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (x > kLargest) return std::numeric_limits<float>::max();
    if (x < -kLargest) return -std::numeric_limits<float>::max();
    return static_cast<float>(x);
}

// Decimals by the magnitude of the scaled value: bands above 1000, 100, 10, 1
// (strictly greater), the last entry for everything below.
int DecimalsByBand(float x, const std::array<int, 5>& decimals)
{
    const float m = std::fabs(x);
    if (m > 1000.0f) return decimals[0];
    if (m > 100.0f) return decimals[1];
    if (m > 10.0f) return decimals[2];
    if (m > 1.0f) return decimals[3];
    return decimals[4];
}

// The G, M and k rows, then the 100, 10 and 1 rows and the small-value row,
// shared by FormatValue and FormatValueShort; the decimals follow the row.
constexpr std::array<RangeRow, 7> kValueRows{{
    {1e9f, 1e9, "G"},
    {1e6f, 1e6, "M"},
    {1e3f, 1e3, "k"},
    {100.0f, 1.0, " "},
    {10.0f, 1.0, " "},
    {1.0f, 1.0, " "},
    {0.0f, 1.0, " "},
}};
constexpr std::array<int, 7> kValueDecimals{3, 3, 3, 2, 3, 4, 5};

}  // namespace

void ParseNumberText(std::string_view text, Single& target) { target = ParsedSingle(text); }

void ParseNumberText(std::string_view text, Integer& target)
{
    const double value = RoundHalfEven(ParsedSingle(text));
    if (value > 32767.0) {
        target = 32767;
    } else if (value < -32768.0) {
        target = -32768;
    } else {
        target = static_cast<Integer>(value);
    }
}

// A value that is not a number or is infinite has no sensible text; it is
// shown as "0" so that no view or file ever carries "nan" or "inf".
std::string GeneralNumberText(double value)
{
    if (value == 0.0 || !std::isfinite(value)) return "0";
    // The general format with 7 significant digits switches to the exponent
    // form below 1e-4 and from 1e7 up, drops trailing zeros and writes at
    // least two exponent digits, and it never looks at the locale.
    std::array<char, 40> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, 7);
    std::string text(buffer.data(), result.ptr);
    for (char& c : text) {
        if (c == 'e') c = 'E';
    }
    if (text == "-0") text = "0";
    return text;
}

std::string FormatPadded14(double value)
{
    std::string text = GeneralNumberText(value);
    if (text.size() < 14) text.append(14 - text.size(), ' ');
    return text;
}

std::string FormatEng(Single value)
{
    static constexpr std::array<RangeRow, 5> rows{{
        {1e9f, 1e9, "G "},
        {1e6f, 1e6, "M "},
        {1e3f, 1e3, "k "},
        {1.0f, 1.0, "  "},
        {0.0f, 0.001, "m "},
    }};
    const std::string zeroText = "0.0 ";
    if (!std::isfinite(value)) return zeroText;
    // A negative value is shown as its magnitude with a minus sign, so that
    // the text reads back with its sign; one that rounds to nothing stays 0.
    if (value < 0) {
        const std::string magnitude = FormatEng(-value);
        const bool zero = magnitude == zeroText || (magnitude[0] == '0' && magnitude[1] != '.');
        return zero ? magnitude : "-" + magnitude;
    }
    const RangeRow& row = rows[FindRow(rows, value)];
    const float x = Scaled(value, row.divisor);
    if (x == 0.0f) return zeroText;
    const int decimals = x > 100.0f ? 2 : x > 10.0f ? 3 : x > 1.0f ? 4 : 5;
    return RoundedText(x, decimals) + row.suffix;
}

std::string FormatCap(Single value)
{
    // Capacitances from 10 nF up are shown in uF; there is no nF range.
    static constexpr std::array<RangeRow, 8> rows{{
        {1e7f, 1e9, "GF"},
        {1e4f, 1e6, "MF"},
        {10.0f, 1e3, "kF"},
        {1.0f, 1.0, "F"},
        {0.01f, 0.001, "mF"},
        {1e-8f, 1e-6, "uF"},
        {1e-15f, 1e-12, "pF"},
        {0.0f, 1.0, ""},
    }};
    if (!std::isfinite(value)) return "";
    const std::size_t index = FindRow(rows, std::fabs(value));
    if (index == rows.size() - 1) return "";  // too small to show
    const RangeRow& row = rows[index];
    const float x = Scaled(value, row.divisor);
    if (x == 0.0f) return "";
    return RoundedText(x, DecimalsByBand(x, {2, 3, 4, 5, 6})) + row.suffix;
}

std::string FormatValue(Single value)
{
    const std::string zeroText = " 0       ";
    if (!std::isfinite(value)) return zeroText;
    const float magnitude = std::fabs(value);
    const std::size_t index = FindRow(kValueRows, magnitude);
    const RangeRow& row = kValueRows[index];
    float x = Scaled(value, row.divisor);
    if (index == kValueRows.size() - 1 && !(magnitude > 1e-5f)) x = 0.0f;
    if (x == 0.0f) return zeroText;
    return RoundedText(x, kValueDecimals[index]) + row.suffix;
}

std::string FormatValueShort(Single value)
{
    const std::string zeroText = "0.0   ";
    if (!std::isfinite(value)) return zeroText;
    const std::size_t index = FindRow(kValueRows, std::fabs(value));
    const RangeRow& row = kValueRows[index];
    const float x = Scaled(value, row.divisor);
    // Negative and very small values are shown as zero.
    if (!(x > 1e-3f)) return zeroText;
    return RoundedText(x, kValueDecimals[index]) + row.suffix;
}

std::string FormatEngSmall(Single value)
{
    static constexpr std::array<RangeRow, 8> rows{{
        {1e9f, 1e9, "G"},
        {1e6f, 1e6, "M"},
        {1e3f, 1e3, "k"},
        {1.0f, 1.0, "  "},
        {1e-3f, 1e-3, "m"},
        {1e-6f, 1e-6, "u"},
        {1e-9f, 1e-9, "n"},
        {0.0f, 1e-12, "p"},
    }};
    const std::string zeroText = "0  ";
    if (!std::isfinite(value)) return zeroText;
    const RangeRow& row = rows[FindRow(rows, std::fabs(value))];
    const float x = Scaled(value, row.divisor);
    if (x == 0.0f) return zeroText;
    return RoundedText(x, DecimalsByBand(x, {0, 1, 2, 3, 4})) + row.suffix;
}

namespace {

// The multiplier of a strict number's suffix, and how many characters it
// takes, or 0 when the text at pos starts no suffix. "R" is the part-marking
// code's decimal point for ohms: a multiplier of 1.
double StrictSuffix(std::string_view text, std::size_t pos, std::size_t& length)
{
    const std::string_view rest = text.substr(pos);
    auto startsWithMeg = [&] {
        if (rest.size() < 3) return false;
        const auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
        return lower(rest[0]) == 'm' && lower(rest[1]) == 'e' && lower(rest[2]) == 'g';
    };
    if (startsWithMeg()) {
        length = 3;
        return 1e6;
    }
    // the micro sign (U+00B5) and the Greek small mu (U+03BC), in UTF-8
    if (rest.substr(0, 2) == "\xC2\xB5" || rest.substr(0, 2) == "\xCE\xBC") {
        length = 2;
        return 1e-6;
    }
    length = 1;
    switch (rest.empty() ? '\0' : rest[0]) {
    case 'f': return 1e-15;
    case 'p': return 1e-12;
    case 'n': return 1e-9;
    case 'u': return 1e-6;
    case 'm': return 1e-3;
    case 'R': return 1;
    case 'k':
    case 'K': return 1e3;
    case 'M': return 1e6;
    case 'G': return 1e9;
    case 'T': return 1e12;
    default: length = 0; return 0;
    }
}

std::size_t DigitRun(std::string_view text, std::size_t pos)
{
    std::size_t end = pos;
    while (end < text.size() && IsDigit(text[end])) ++end;
    return end - pos;
}

}  // namespace

std::optional<double> ParseStrictNumber(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);

    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';

    // The number in the C format from_chars reads: digits, point, digits, exponent.
    std::string plain;
    double multiplier = 1;
    const std::size_t whole = DigitRun(text, pos);
    plain.append(text.substr(pos, whole));
    pos += whole;
    std::size_t suffixLength = 0;
    if (pos < text.size() && text[pos] == '.') {
        const std::size_t fraction = DigitRun(text, pos + 1);
        if (whole + fraction == 0) return std::nullopt;
        plain += '.';
        plain.append(text.substr(pos + 1, fraction));
        pos += 1 + fraction;
    } else if (const double m = StrictSuffix(text, pos, suffixLength);
               m != 0 && pos + suffixLength < text.size() && IsDigit(text[pos + suffixLength])) {
        // A part-marking code: the letter stands for the decimal point (4k7, R47).
        const std::size_t fraction = DigitRun(text, pos + suffixLength);
        plain += '.';
        plain.append(text.substr(pos + suffixLength, fraction));
        pos += suffixLength + fraction;
        if (pos != text.size()) return std::nullopt;
        multiplier = m;
    }
    if (plain.empty() || plain == ".") return std::nullopt;

    bool exponent = false;
    if (multiplier == 1 && pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        std::size_t e = pos + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
        const std::size_t digits = DigitRun(text, e);
        // "1e" is no exponent: a digit must follow
        if (digits == 0) return std::nullopt;
        plain += 'e';
        plain.append(text.substr(pos + 1, e + digits - pos - 1));
        pos = e + digits;
        exponent = true;
    }
    // a suffix after a plain number; none after an exponent, and the ohms'
    // R only after a whole number (47R)
    if (pos < text.size() && multiplier == 1 && !exponent) {
        multiplier = StrictSuffix(text, pos, suffixLength);
        if (multiplier == 0 || (text[pos] == 'R' && plain.find('.') != std::string::npos)) return std::nullopt;
        pos += suffixLength;
    }
    if (pos != text.size()) return std::nullopt;

    double value = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // only the exponent can leave the range: a negative one means too small
        const auto e = plain.find('e');
        value = e != std::string::npos && plain[e + 1] == '-' ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (result.ec != std::errc() || result.ptr != plain.data() + plain.size()) {
        return std::nullopt;
    }
    value *= multiplier;
    return negative ? -value : value;
}

std::string Trimmed(std::string_view text) { return std::string(TrimBlanks(text)); }

}  // namespace stelvane
