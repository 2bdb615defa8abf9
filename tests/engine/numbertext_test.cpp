#include "engine/numbertext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

namespace stelvane {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct SingleParseCase {
    const char* text;
    float expected;
    const char* why;
};

TEST(ParseNumberText, ReadsEngineeringTextIntoSingle)
{
    const std::vector<SingleParseCase> cases = {
        {"4k7", 4000.0f, "digits after a suffix are ignored"},
        {"10 nF", 1e-8f, "blank and F ignored"},
        {"1.5 kHz", 1500.0f, "H and z ignored"},
        {"2 MHz", 2e6f, "upper-case M is mega"},
        {"2 mHz", 0.002f, "lower-case m is milli"},
        {"1,5", 1.5f, "comma is a decimal point"},
        {"1.2.3", 1.23f, "only the first point counts"},
        {"1e3k", 1000.0f, "no suffix after an exponent"},
        {"k5", 5.0f, "a suffix before any digit is ignored"},
        {"-3E-2", -0.03f, "sign at the start and after E"},
        {"1-2", 12.0f, "a sign elsewhere is ignored"},
        {"1234567890123456", 1e10f, "cut to 12 characters, then lowered to 1e10"},
        {"", 0.0f, "empty text"},
        {"   2.5k   ", 2500.0f, "blanks around the text are removed before the cut"},
        {"   123456789012345", 1e10f, "the cut counts from the first non-blank"},
        {"4.7p", 4.7e-12f, "pico"},
        {"22N", 2.2e-8f, "upper-case N is nano"},
        {"3.3u", 3.3e-6f, "micro"},
        {"1G", 1e9f, "giga"},
        {"12g", 1e10f, "12 giga is lowered to 1e10"},
        {"-12g", -1e10f, "minus 12 giga is raised to -1e10"},
        {"1.5E+3", 1500.0f, "explicit exponent sign"},
        {"1e3e", 1000.0f, "a second exponent letter is skipped"},
        {"1e3e4", 1e10f, "digits after a second E still count: 1E34"},
        {"1E", 1.0f, "a dangling E adds nothing"},
        {"1E-", 1.0f, "a dangling E and sign add nothing"},
        {"E5", 5.0f, "an E before any digit is skipped"},
        {".5", 0.5f, "no digit before the point"},
        {"5.", 5.0f, "no digit after the point"},
        {".", 0.0f, "a point alone"},
        {"-", 0.0f, "a sign alone"},
        {"abc", 0.0f, "no digits at all"},
        {"nan", 0.0f, "the letters of nan are not a number"},
        {"inf", 0.0f, "the letters of inf are not a number"},
        {"1e999", 1e10f, "an exponent overflowing Single stores 1e10"},
        {"-1e999", -1e10f, "a negative overflow keeps its sign"},
        {"1e39", 1e10f, "just beyond the Single range"},
        {"1e-999", 0.0f, "an underflowing exponent gives 0"},
        {"-2e10", -1e10f, "below -1e10 is raised to -1e10"},
        {"1e10", 1e10f, "the limit itself"},
        {"0e999", 0.0f, "zero with a huge exponent is zero"},
        {"1 000 000", 1e6f, "blanks between digits are skipped"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\": " + c.why);
        Single target = -777.0f;
        ParseNumberText(c.text, target);
        EXPECT_TRUE(std::isfinite(target));
        if (c.expected == 0.0f) {
            EXPECT_EQ(target, 0.0f);
        } else {
            EXPECT_FLOAT_EQ(target, c.expected);
        }
    }
}

struct IntegerParseCase {
    const char* text;
    Integer expected;
    const char* why;
};

TEST(ParseNumberText, ReadsIntoIntegerRoundingHalvesToEvenAndClamping)
{
    const std::vector<IntegerParseCase> cases = {
        {"7", 7, "whole number"},
        {"", 0, "empty text"},
        {"0.5", 0, "half goes to even 0"},
        {"1.5", 2, "half goes to even 2"},
        {"2.5", 2, "half goes to even 2"},
        {"3.5", 4, "half goes to even 4"},
        {"-2.5", -2, "negative half goes to even"},
        {"-3.5", -4, "negative half goes to even"},
        {"2.6", 3, "above half rounds up"},
        {"-2.4", -2, "below half rounds towards zero"},
        {"10k", 10000, "suffixes apply"},
        {"32767", 32767, "largest Integer"},
        {"-32768", -32768, "smallest Integer"},
        {"32767.4", 32767, "rounds down to the largest"},
        {"40000", 32767, "clamped to the largest"},
        {"-40000", -32768, "clamped to the smallest"},
        {"1e999", 32767, "overflow clamps to the largest"},
        {"-1e999", -32768, "negative overflow clamps to the smallest"},
        {"2,5", 2, "comma as point"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\": " + c.why);
        Integer target = 1234;
        ParseNumberText(c.text, target);
        EXPECT_EQ(target, c.expected);
    }
}

struct GeneralCase {
    double value;
    const char* expected;
};

TEST(GeneralNumberText, WritesAtMostSevenSignificantDigits)
{
    const std::vector<GeneralCase> cases = {
        {0.0, "0"},
        {-0.0, "0"},
        {0.5, "0.5"},
        {-2.5, "-2.5"},
        {100.0, "100"},
        {1.5e-8, "1.5E-08"},
        {12345678.0, "1.234568E+07"},
        {1e7, "1E+07"},
        {9999999.0, "9999999"},
        {9999999.6, "1E+07"},
        {1e-4, "0.0001"},
        {9.99e-5, "9.99E-05"},
        {1234.5678, "1234.568"},
        {0.1234567891, "0.1234568"},
        {1e100, "1E+100"},
        {-2.5e-300, "-2.5E-300"},
        {static_cast<double>(0.1f), "0.1"},
        {static_cast<double>(kNaN), "0"},
        {static_cast<double>(kInf), "0"},
        {static_cast<double>(-kInf), "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(GeneralNumberText(c.value), c.expected);
    }
}

TEST(FormatPadded14, PadsTheGeneralTextOnTheRight)
{
    const std::vector<GeneralCase> cases = {
        {1.5, "1.5           "},
        {0.0, "0             "},
        {-1000.0, "-1000         "},
        {12345678.0, "1.234568E+07  "},
        {-1.234568e-100, "-1.234568E-100"}, // exactly 14 characters
        {-1.234568e-200, "-1.234568E-200"},
        {static_cast<double>(kNaN), "0             "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(FormatPadded14(c.value), c.expected);
    }
}

using Formatter = std::string (*)(Single);

struct FormatCase {
    const char* name;
    Formatter format;
    float value;
    const char* expected;
};

TEST(RangeFormatters, WriteTheTabulatedTexts)
{
    const std::vector<FormatCase> cases = {
        // FormatEng
        {"Eng 4700", FormatEng, 4700.0f, "4.7k "},
        {"Eng 0.5", FormatEng, 0.5f, "500m "},
        {"Eng 1234.5678", FormatEng, 1234.5678f, "1.2346k "},
        {"Eng -5 loses its sign", FormatEng, -5.0f, "5000m "},
        {"Eng -1500 falls in the last row", FormatEng, -1500.0f, "1500000m "},
        {"Eng 0", FormatEng, 0.0f, "0.0 "},
        {"Eng 1 has two blanks", FormatEng, 1.0f, "1  "},
        {"Eng 100 takes 3 decimals", FormatEng, 100.0f, "100  "},
        {"Eng 12345.678", FormatEng, 12345.678f, "12.346k "},
        {"Eng 0.123456", FormatEng, 0.123456f, "123.46m "},
        {"Eng 1e7 (the opamp GBW)", FormatEng, 1e7f, "10M "},
        {"Eng 1.5e10", FormatEng, 1.5e10f, "15G "},
        {"Eng 999.9999 carries", FormatEng, 999.9999f, "1000  "},
        {"Eng 999999.9 carries within k", FormatEng, 999999.9f, "1000k "},
        {"Eng halves away from zero", FormatEng, 1.03125f, "1.0313  "},
        {"Eng 1e-9 leaves no digit", FormatEng, 1e-9f, "0m "},
        {"Eng NaN", FormatEng, kNaN, "0.0 "},
        {"Eng inf", FormatEng, kInf, "0.0 "},
        {"Eng -inf", FormatEng, -kInf, "0.0 "},
        // FormatCap
        {"Cap 4.7e-9", FormatCap, 4.7e-9f, "4700pF"},
        {"Cap 1e-7", FormatCap, 1e-7f, "0.1uF"},
        {"Cap 1e-8 (10 nF) is uF", FormatCap, 1e-8f, "0.01uF"},
        {"Cap just below 10 nF is pF", FormatCap, 9.99e-9f, "9990pF"},
        {"Cap 150p", FormatCap, 1.5e-10f, "150pF"},
        {"Cap 4.7u", FormatCap, 4.7e-6f, "4.7uF"},
        {"Cap 2.2m stays uF", FormatCap, 2.2e-3f, "2200uF"},
        {"Cap 0.01 is mF", FormatCap, 0.01f, "10mF"},
        {"Cap 1", FormatCap, 1.0f, "1F"},
        {"Cap 10 is kF", FormatCap, 10.0f, "0.01kF"},
        {"Cap 1e-15 is the smallest", FormatCap, 1e-15f, "0.001pF"},
        {"Cap below 1e-15", FormatCap, 1e-16f, ""},
        {"Cap 0", FormatCap, 0.0f, ""},
        {"Cap negative", FormatCap, -1e-7f, "-0.1uF"},
        {"Cap 999.9996p carries", FormatCap, 999.9996e-12f, "1000pF"},
        {"Cap NaN", FormatCap, kNaN, ""},
        {"Cap inf", FormatCap, kInf, ""},
        // FormatValue
        {"Value 1500", FormatValue, 1500.0f, "1.5k"},
        {"Value 25", FormatValue, 25.0f, "25 "},
        {"Value 1e-5", FormatValue, 1e-5f, " 0       "},
        {"Value -1e-5", FormatValue, -1e-5f, " 0       "},
        {"Value 0", FormatValue, 0.0f, " 0       "},
        {"Value 2e-5", FormatValue, 2e-5f, "2E-05 "},
        {"Value 123.456", FormatValue, 123.456f, "123.46 "},
        {"Value 12.3456", FormatValue, 12.3456f, "12.346 "},
        {"Value 1.23456", FormatValue, 1.23456f, "1.2346 "},
        {"Value 0.123456", FormatValue, 0.123456f, "0.12346 "},
        {"Value -25", FormatValue, -25.0f, "-25 "},
        {"Value 100000 (DCGain)", FormatValue, 100000.0f, "100k"},
        {"Value 1e6 (Zin)", FormatValue, 1e6f, "1M"},
        {"Value 1e10", FormatValue, 1e10f, "10G"},
        {"Value -20 (dBBottom)", FormatValue, -20.0f, "-20 "},
        {"Value halves away from zero", FormatValue, 1.03125f, "1.0313 "},
        {"Value negative halves away from zero", FormatValue, -1.03125f, "-1.0313 "},
        {"Value 10 row", FormatValue, 10.0625f, "10.063 "},
        {"Value 999.9999 carries", FormatValue, 999.9999f, "1000 "},
        {"Value NaN", FormatValue, kNaN, " 0       "},
        // FormatValueShort
        {"Short -5", FormatValueShort, -5.0f, "0.0   "},
        {"Short -5000", FormatValueShort, -5000.0f, "0.0   "},
        {"Short 0", FormatValueShort, 0.0f, "0.0   "},
        {"Short 0.001", FormatValueShort, 0.001f, "0.0   "},
        {"Short 0.0015", FormatValueShort, 0.0015f, "0.0015 "},
        {"Short 1e7 (GBW)", FormatValueShort, 1e7f, "10M"},
        {"Short 100000 (DCGain)", FormatValueShort, 100000.0f, "100k"},
        {"Short 25", FormatValueShort, 25.0f, "25 "},
        {"Short 1500", FormatValueShort, 1500.0f, "1.5k"},
        {"Short NaN", FormatValueShort, kNaN, "0.0   "},
        {"Short -inf", FormatValueShort, -kInf, "0.0   "},
        // FormatEngSmall
        {"Small 0.00123", FormatEngSmall, 0.00123f, "1.23m"},
        {"Small 0", FormatEngSmall, 0.0f, "0  "},
        {"Small 0.001 (DelayTop)", FormatEngSmall, 0.001f, "1m"},
        {"Small 2.5", FormatEngSmall, 2.5f, "2.5  "},
        {"Small 1500", FormatEngSmall, 1500.0f, "1.5k"},
        {"Small 5e-7", FormatEngSmall, 5e-7f, "500n"},
        {"Small 2e-5", FormatEngSmall, 2e-5f, "20u"},
        {"Small 4.7e-9", FormatEngSmall, 4.7e-9f, "4.7n"},
        {"Small 1e-12", FormatEngSmall, 1e-12f, "1p"},
        {"Small 1e-20 leaves no digit", FormatEngSmall, 1e-20f, "0p"},
        {"Small -0.002", FormatEngSmall, -0.002f, "-2m"},
        {"Small 1e12 takes 1 decimal", FormatEngSmall, 1e12f, "1000G"},
        {"Small 2e12 takes none", FormatEngSmall, 2e12f, "2000G"},
        {"Small 123.456 takes 1 decimal", FormatEngSmall, 123.456f, "123.5  "},
        {"Small NaN", FormatEngSmall, kNaN, "0  "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.format(c.value), c.expected);
    }
}

struct RoundTripCase {
    const char* name;
    Formatter format;
    double lowest;
    double highest;
    double relativeTolerance;
};

// Whatever a formatter shows must read back, through the parser, as the value
// it was given, within the rounding its decimals allow.
TEST(RangeFormatters, TextReadsBackAsTheValue)
{
    const std::vector<RoundTripCase> cases = {
        {"FormatEng", FormatEng, 1e-3, 9e9, 1e-4},
        {"FormatCap", FormatCap, 1e-14, 1e3, 1e-4},
        {"FormatValue", FormatValue, 1e-1, 9e9, 1e-3},
        {"FormatValueShort", FormatValueShort, 1e-2, 9e9, 1e-3},
        {"FormatEngSmall", FormatEngSmall, 1e-12, 9e9, 1e-3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int steps = 400;
        for (int i = 0; i <= steps; ++i) {
            const double fraction = static_cast<double>(i) / steps;
            const float value = static_cast<float>(
                c.lowest * std::pow(c.highest / c.lowest, fraction) * 1.0001);
            const std::string text = c.format(value);
            SCOPED_TRACE(text);
            Single back = 0.0f;
            ParseNumberText(text, back);
            EXPECT_NEAR(back, value, c.relativeTolerance * value);
            EXPECT_EQ(text.find("nF"), std::string::npos);
        }
    }
}

// Switches the process to a locale whose decimal point is a comma, for C and
// C++ alike, and restores both afterwards.
class CommaLocale {
public:
    CommaLocale()
        : savedCpp_(std::locale())
    {
        const char* current = std::setlocale(LC_ALL, nullptr);
        savedC_ = current ? current : "C";
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
            if (std::setlocale(LC_ALL, name)) {
                cLocaleIsComma_ = *std::localeconv()->decimal_point == ',';
                if (cLocaleIsComma_) break;
            }
        }
        std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    }
    ~CommaLocale()
    {
        std::locale::global(savedCpp_);
        std::setlocale(LC_ALL, savedC_.c_str());
    }
    bool CLocaleIsComma() const { return cLocaleIsComma_; }

private:
    struct CommaPunct : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    std::locale savedCpp_;
    std::string savedC_;
    bool cLocaleIsComma_ = false;
};

struct LocaleCase {
    const char* name;
    std::string text;
    const char* expected;
};

TEST(NumberText, IgnoresTheProcessLocale)
{
    CommaLocale comma;
    // Prove the surroundings are hostile: a default stream now writes a comma.
    std::ostringstream stream;
    stream << 1.5;
    ASSERT_EQ(stream.str(), "1,5");
    if (comma.CLocaleIsComma()) {
        ASSERT_EQ(*std::localeconv()->decimal_point, ',');
    }

    Single parsedPoint = 0.0f;
    ParseNumberText("1.5k", parsedPoint);
    Single parsedComma = 0.0f;
    ParseNumberText("2,25", parsedComma);
    const std::vector<LocaleCase> cases = {
        {"general text", GeneralNumberText(1.5), "1.5"},
        {"general exponent text", GeneralNumberText(1.5e-8), "1.5E-08"},
        {"padded text", FormatPadded14(-0.25), "-0.25         "},
        {"FormatEng", FormatEng(1234.5678f), "1.2346k "},
        {"FormatCap", FormatCap(1e-7f), "0.1uF"},
        {"FormatValue", FormatValue(12.3456f), "12.346 "},
        {"FormatValueShort", FormatValueShort(0.0015f), "0.0015 "},
        {"FormatEngSmall", FormatEngSmall(0.00123f), "1.23m"},
        {"parsed point", GeneralNumberText(parsedPoint), "1500"},
        {"parsed comma", GeneralNumberText(parsedComma), "2.25"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.text, c.expected);
    }
}

} // namespace
} // namespace stelvane
