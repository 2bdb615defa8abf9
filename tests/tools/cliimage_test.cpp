#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tools/cliargs.h"
#include "tools/clirun.h"

namespace stelvane::testing {
namespace {

// What --image and --image-size take and refuse; without a writer (no Qt) --image ends with 1.
TEST(CliImage, TakesAnImageNameAndSizeOrSaysWhy)
{
    struct Case {
        std::vector<std::string> args;
        std::string error;  // a part of the error; empty when understood
        std::pair<int, int> size = {0, 0};
    };
    const std::vector<Case> cases{
        {{"--image", "plot.png"}, ""},
        {{"--image", "p.SVG", "--image-size", "16x10000"}, "", {16, 10000}},
        {{"--image=p.png", "--image-size=1024X768"}, "", {1024, 768}},
        {{"--image-size", "800x600"}, "--image-size needs --image"},
        {{"--image", "plot.bmp"}, "ending in .png or .svg"},
        {{"--image", "p.png", "--image-size", "15x600"}, "--image-size takes"},
        {{"--image", "p.png", "--image-size", "800x10001"}, "--image-size takes"},
        {{"--image", "p.png", "--image-size", "800x"}, "--image-size takes"},
        {{"--image", "p.png", "--image-size", "-800x600"}, "--image-size takes"},
        {{"--image", "p.png", "--image-size", "8e2x600"}, "--image-size takes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const CliParse parse = ParseCliArgs(c.args);
        EXPECT_EQ(parse.error.empty(), c.error.empty()) << parse.error;
        EXPECT_NE(parse.error.find(c.error), std::string::npos) << parse.error;
        if (c.size.first) {
            EXPECT_EQ(ImageSizeOf(*parse.options.imageSize), c.size);
        }
    }
    std::ostringstream out, err;
    EXPECT_EQ(RunCli({"--image", "never.png"}, out, err, nullptr), 1);
    EXPECT_NE(err.str().find("--image needs"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace stelvane::testing
