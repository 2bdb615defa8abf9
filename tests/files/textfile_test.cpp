#include "files/textfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/files/filetestsupport.h"

namespace stelvane {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

TEST(TextFile, ReadsDecimalNumbersAndNothingElse)
{
    const struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {"1000", 1000},       {"-20", -20},         {"0.001", 0.001},   {".5", 0.5},
        {"-.5", -0.5},        {"+.5", 0.5},         {"5.", 5},          {"1E-08", 1e-8},
        {"1e-8", 1e-8},       {"2.5E+03", 2500},    {"  42 \r", 42},    {"\t-0 ", 0},
        {"", std::nullopt},   {" ", std::nullopt},  {"-", std::nullopt}, {".", std::nullopt},
        {"E5", std::nullopt}, {"5E", std::nullopt}, {"5E+", std::nullopt}, {"1 0", std::nullopt},
        {"1,5", std::nullopt}, {"4k7", std::nullopt}, {"nan", std::nullopt}, {"inf", std::nullopt},
        {"-infinity", std::nullopt}, {"0x10", std::nullopt}, {"1e999", std::nullopt}, {"++1", std::nullopt},
        {"--1", std::nullopt}, {"1e5.5", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        EXPECT_EQ(ParseDecimalText(c.text), c.value);
    }
}

TEST(TextFile, SplitsFieldsAtTheirDelimiters)
{
    using Blanks = FieldReader::Blanks;
    const struct {
        const char* name;
        std::string text;
        Blanks blanks;
        std::vector<std::string> fields;
    } cases[] = {
        {"lines", "1\r\n2\r\n", Blanks::Inside, {"1", "2"}},
        {"last line without its end", "1\r\n2", Blanks::Inside, {"1", "2"}},
        {"commas and blanks around", " 1 , 2 \r\n3", Blanks::Inside, {"1", "2", "3"}},
        {"an empty line is an empty field", "1\r\n\r\n2\r\n", Blanks::Inside, {"1", "", "2"}},
        {"blanks inside stay", "1 2\r\n", Blanks::Inside, {"1 2"}},
        {"blanks delimit", " 1  2 \r\n3,4\n\n 5", Blanks::Delimit, {"1", "2", "3", "4", "5"}},
        {"nothing", "", Blanks::Delimit, {}},
        {"over-long field stops", std::string(500, '1') + "\r\n2", Blanks::Inside, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream in(c.text);
        FieldReader reader(in, c.blanks);
        std::vector<std::string> fields;
        while (const auto field = reader.Next()) fields.push_back(*field);
        EXPECT_EQ(fields, c.fields);
    }
}

TEST(TextFile, SafeWriteFollowsALinkAndKeepsIt)
{
    ScratchFolder folder;
    WriteBytes(folder / "real.txt", "old");
    std::filesystem::create_symlink(folder / "real.txt", folder / "link.txt");
    ASSERT_TRUE(WriteTextFileSafely(folder / "link.txt", "new\r\n"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.txt"));
    EXPECT_EQ(ReadBytes(folder / "real.txt"), "new\r\n");
}

} // namespace
} // namespace stelvane
