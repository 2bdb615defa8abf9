#include "tools/clireport.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/tools/clitestsupport.h"

namespace stelvane {
namespace {

TEST(JsonNumber, WritesNineDigitsThatReadBackAsTheSameSingle)
{
    struct Case {
        Single value;
        const char* text;
    };
    const std::vector<Case> cases{
        {0.0f, "0"},
        {1000.0f, "1000"},
        {-6.0f, "-6"},
        {0.2f, "0.200000003"},       // the Single nearest 0.2, written out
        {1e-8f, "9.99999994e-09"},   // the start-up capacitor
        {1e10f, "1e+10"},
        {85418.3f, "85418.2969"},
        {std::numeric_limits<Single>::max(), "3.40282347e+38"},
        {std::numeric_limits<Single>::denorm_min(), "1.40129846e-45"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string text = JsonNumber(c.value);
        EXPECT_EQ(text, c.text);
        Single back = -1;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_EQ(r.ec, std::errc());
        EXPECT_EQ(back, c.value);
    }
}

TEST(JsonNumber, WritesNullForWhatJsonCannotHold)
{
    const std::vector<Single> cases{std::numeric_limits<Single>::quiet_NaN(), std::numeric_limits<Single>::infinity(),
                                    -std::numeric_limits<Single>::infinity()};
    for (Single v : cases) {
        SCOPED_TRACE(std::to_string(v));
        EXPECT_EQ(JsonNumber(v), "null");
    }
}

TEST(JsonNumber, KeepsThePointUnderACommaLocale)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    bool tried = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
        SCOPED_TRACE(name);
        if (!std::setlocale(LC_ALL, name)) continue;
        tried = true;
        EXPECT_EQ(JsonNumber(1.5f), "1.5");
        EXPECT_EQ(JsonNumber(-0.25f), "-0.25");
    }
    std::setlocale(LC_ALL, saved.c_str());
    if (!tried) GTEST_SKIP() << "no comma locale installed";
}

TEST(DesignJson, StaysValidForAnEmptyOrDamagedRecord)
{
    struct Case {
        const char* name;
        void (*spoil)(DesignState&);
        std::size_t stages, points;
    };
    const std::vector<Case> cases{
        {"all zero", [](DesignState&) {}, 0, 1},
        {"NaN and infinity in the parts and the sweep",
         [](DesignState& s) {
             s.Order = 1;
             s.NrInts = 2;
             s.R[1][2] = std::numeric_limits<Single>::quiet_NaN();
             s.GainDB[1] = -std::numeric_limits<Single>::infinity();
             s.Center = std::numeric_limits<Single>::infinity();
         },
         1, 3},
        {"counts beyond the arrays", [](DesignState& s) {
             s.Order = 30;
             s.NrInts = 5000;
         },
         21, 2001},
        {"negative counts", [](DesignState& s) {
             s.Order = -2;
             s.NrInts = -1;
         },
         0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        c.spoil(s);
        const clitest::Json j = clitest::ParseJson(DesignJson(s));
        EXPECT_EQ(j["stages"].items.size(), c.stages);
        EXPECT_EQ(j["sweep"]["GainDB"].items.size(), c.points);
        EXPECT_EQ(j["inputs"]["Order"].AsInt(), s.Order);
    }
}

} // namespace
} // namespace stelvane
