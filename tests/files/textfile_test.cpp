#include "files/textfile.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "tests/files/filetestsupport.h"

namespace stelvane::testing {
namespace {

TEST(TextFile, ReadsDecimalNumbersAndNothingElse)
{
    const std::optional<double> no;
    const std::pair<const char*, std::optional<double>> cases[] = {{"1000", 1000}, {"-.5", -0.5}, {"+.5", 0.5},
        {"5.", 5}, {"1E-08", 1e-8}, {"2.5E+03", 2500}, {"  42 \r\n", 42}, {"\n\t-0 ", 0}, {"", no}, {"-", no},
        {".", no}, {"E5", no}, {"5E+", no}, {"1 0", no}, {"4k7", no}, {"nan", no}, {"1e999", no}, {"++1", no}};
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseDecimalText(text), value) << '"' << text << '"';
}

TEST(TextFile, SplitsFieldsAtTheirDelimiters)
{
    const std::string longest(100, '1');
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> fields;
    } cases[] = {
        {"last line without its end", "1\r\n2", {"1", "2"}},
        {"blanks, commas and line ends delimit", " 1  2 \r\n3,4\n\n\t5 \n", {"1", "2", "3", "4", "5"}},
        {"the longest field", longest + "\n2", {longest, "2"}},
        {"a field too long stops", longest + "1\n2", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream in(c.text);
        FieldReader reader(in);
        std::vector<std::string> fields;
        while (const auto field = reader.Next()) fields.push_back(*field);
        EXPECT_EQ(fields, c.fields);
    }
}

TEST(TextFile, SafeWriteReplacesTheFileALinkNamesKeepsTheLinkAndNeedsAName)
{
    ScratchFolder folder;
    WriteBytes(folder / "old.txt", "old");
    fs::create_symlink(folder / "old.txt", folder / "link.txt");
    ASSERT_TRUE(WriteTextFileSafely(folder / "link.txt", "new\r\n"));
    EXPECT_EQ(ReadBytes(folder / "old.txt"), "new\r\n");
    EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
    EXPECT_FALSE(WriteTextFileSafely("", "new\r\n"));  // no name: a cancelled file dialog
    // a pipe nobody reads is refused at once, not waited on
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(WriteTextFileSafely(folder / "pipe", "new\r\n"));
}

TEST(TextFile, ANameWithoutExtensionGetsTheDialogsOwn)
{
    const std::pair<const char*, const char*> cases[] = {
        {"filter", "filter.QBX"}, {"filter.qbx", "filter.qbx"}, {"v1.2/filter", "v1.2/filter.QBX"}, {"a.txt", "a.txt"}};
    for (const auto& [chosen, written] : cases) EXPECT_EQ(WithExtension(chosen, ".QBX"), written) << chosen;
}

}  // namespace
}  // namespace stelvane::testing
