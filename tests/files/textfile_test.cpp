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

TEST(TextFile, SafeWriteReplacesTheFileALinkNamesKeepsTheLinkAndNeedsAName)
{
    ScratchFolder folder;
    WriteBytes(folder / "old.txt", "old");
    fs::create_symlink(folder / "old.txt", folder / "link.txt");
    ASSERT_TRUE(WriteTextFileSafely(folder / "link.txt", "new\r\n"));
    EXPECT_EQ(ReadBytes(folder / "old.txt"), "new\r\n");
    EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
    EXPECT_FALSE(WriteTextFileSafely("", "new\r\n"));           // no name: a cancelled file dialog
    EXPECT_FALSE(WriteTextFileSafely(folder / "", "new\r\n"));  // a folder's name, no file's
    // a pipe nobody reads is refused at once, not waited on
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(WriteTextFileSafely(folder / "pipe", "new\r\n"));
}

}  // namespace
}  // namespace stelvane::testing
