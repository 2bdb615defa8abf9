#include "engine/numbertext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace stelvane {

// What the window reads from a typed text, into a Single and into an Integer
// (which rounds halves to even and is kept within its range).
TEST(ParseNumberText, ReadsEngineeringTextIntoSingleAndInteger)
{
    // Only the first 12 characters count (1.0000000000p).
    const std::pair<const char*, float> singles[] = {{"4k7", 4000}, {"10 nF", 1e-8f}, {"2 MHz", 2e6f},
        {"2 mHz", 0.002f}, {"4.7p", 4.7e-12f}, {"1G", 1e9f}, {"1,5", 1.5f}, {"1.2.3", 1.23f}, {"1e3k", 1000}, {"k5", 5},
        {"-3E-2", -0.03f}, {"1-2", 12}, {"1e3e4", 1e10f}, {"1E-", 1}, {".5", 0.5f}, {"5.", 5}, {".", 0}, {"abc", 0},
        {"1e999", 1e10f}, {"1e-999", 0}, {"12g", 1e10f}, {"-12g", -1e10f}, {"  2.5k  ", 2500}, {"1.0000000000p", 1}};
    const std::pair<const char*, Integer> integers[] = {{"2.4", 2}, {"2.6", 3}, {"2.5", 2}, {"3.5", 4}, {"-2.5", -2},
        {"10k", 10000}, {"2.503", 3}, {"32800", 32767}, {"-32800", -32768}};
    const auto read = [](auto target, const char* text) {
        ParseNumberText(text, target);
        return target;
    };
    for (const auto& [text, expected] : singles) EXPECT_FLOAT_EQ(read(Single(-777), text), expected) << text;
    for (const auto& [text, expected] : integers) EXPECT_EQ(read(Integer(1234), text), expected) << text;
}

// Each formatter at the threshold of each of its ranges, and just above the
// magnitudes 1, 10, 100 and 1000 where its number of decimals changes.
TEST(RangeFormatters, WriteTheTabulatedTexts)
{
    // a value and its text
    using Texts = std::vector<std::pair<float, const char*>>;
    const struct Case {
        const char* name;
        std::string (*format)(Single);
        Texts texts;
    } cases[] = {
        {"FormatEng", FormatEng,
            {{1e9f, "1G "}, {1e6f, "1M "}, {1000, "1k "}, {1, "1  "}, {0.5f, "500m "}, {100.5678f, "100.57  "},
                {10.05678f, "10.057  "}, {1.005678f, "1.0057  "}, {0.000123456f, "0.12346m "}, {0, "0.0 "},
                {NAN, "0.0 "},
                // a negative value keeps its sign, so that its text reads back as itself
                {-5, "-5  "}, {-1e-30f, "0m "}}},
        {"FormatCap", FormatCap,
            {{1e7f, "0.01GF"}, {1e4f, "0.01MF"}, {10, "0.01kF"}, {1, "1F"}, {0.01f, "10mF"}, {1e-15f, "0.001pF"},
                {1e-16f, ""}, {NAN, ""}, {-1e-7f, "-0.1uF"}, {1005.678e-12f, "1005.68pF"}, {100.5678e-12f, "100.568pF"},
                {10.05678e-12f, "10.0568pF"}, {1.005678e-12f, "1.00568pF"}, {0.1234567e-12f, "0.123457pF"}}},
        {"FormatValue", FormatValue,
            {{1e9f, "1G"}, {1e6f, "1M"}, {100.5678f, "100.57 "}, {10.05678f, "10.057 "}, {1.005678f, "1.0057 "},
                {0.123456f, "0.12346 "}, {-1.03125f, "-1.0313 "}, {2e-5f, "2E-05 "}, {-1e-5f, " 0       "},
                {NAN, " 0       "}}},
        {"FormatValueShort", FormatValueShort, {{25, "25 "}, {0.0015f, "0.0015 "}, {0.001f, "0.0   "}, {-5, "0.0   "}}},
        {"FormatEngSmall", FormatEngSmall,
            {{1e9f, "1G"}, {1e6f, "1M"}, {1000, "1k"}, {1, "1  "}, {1e-6f, "1u"}, {1e-9f, "1n"}, {1e-12f, "1p"},
                {1.005678e12f, "1006G"}, {100.5678f, "100.6  "}, {10.05678f, "10.06  "}, {1.005678f, "1.006  "},
                {1.23456e-13f, "0.1235p"}, {-0.002f, "-2m"}, {0, "0  "}, {NAN, "0  "}}},
    };
    for (const Case& c : cases)
        for (const auto& [value, text] : c.texts) EXPECT_EQ(c.format(value), text) << c.name << "(" << value << ")";
}

// Strict reading: the whole text is one number or it is refused. The values
// are what the text means in ordinary engineering notation.
TEST(ParseStrictNumber, ReadsWholeNumbersAndRefusesEverythingElse)
{
    const std::pair<const char*, double> accepted[] = {{"2.5", 2.5}, {".5", 0.5}, {"-3E-2", -0.03}, {"+1e+3", 1000},
        {"4.7K", 4700}, {"10n", 1e-8}, {"1f", 1e-15}, {"2m", 2e-3}, {"2M", 2e6}, {"2meg", 2e6}, {"3G", 3e9},
        {"1T", 1e12}, {"3u", 3e-6}, {"3\xC2\xB5", 3e-6}, {"3\xCE\xBC", 3e-6}, {"4k7", 4700}, {"2M2", 2.2e6},
        {"1R5", 1.5}, {"R47", 0.47}, {"47R", 47}, {"k5", 500}, {"1meg5", 1.5e6}, {"  2.5k ", 2500},
        {"0.00000000047", 4.7e-10}, {"12345678901234", 12345678901234.0}, {"1e-999", 0}};
    for (const auto& [text, expected] : accepted) {
        const auto value = ParseStrictNumber(text);
        ASSERT_TRUE(value) << text;
        EXPECT_NEAR(*value, expected, std::fabs(expected) * 1e-15) << text;
    }
    EXPECT_EQ(ParseStrictNumber("1e999"), INFINITY);

    const char* refused[] = {"", " ", "abc", "1O0", "3.3.3", "1k5k", "0x10", "1,5", "1e", "1e3k", "4.7R", "1.5e3R", "k",
        ".", "-", "1 k", "10nF", "4k7.", "4.k7", "--1", "1-2", "nan", "inf", "1e3.5", "1x", "R"};
    for (const char* text : refused) EXPECT_FALSE(ParseStrictNumber(text)) << '"' << text << '"';
}

}  // namespace stelvane
