#include "render/headroomdrawing.h"

#include <gtest/gtest.h>

#include "engine/designsession.h"
#include "engine/headroom.h"
#include "render/opamptestdrawing.h"
#include "tests/engine/engine_test_support.h"

namespace stelvane {
namespace {

// Stages over the swing or the slew are marked on the opamp test and red in the
// headroom table: at 40 dB from 1 V in both outputs clip, and only the last
// (100 V at 20 kHz) outruns 10 V/us.
TEST(BenchMarks, StagesOverTheSwingOrTheSlewAreMarkedBesideTheTable)
{
    const auto s = testing::StartUpDesign([](DesignInputs& in) {
        in.txtCenter = "20000", in.txtWidth = "16000", in.txtGain = "40";
        in.txtStart = "5000", in.txtStop = "80000";
    });
    const std::vector<OpampTableText> marks = OpampBenchMarks(*s, 3000);
    ASSERT_EQ(marks.size(), 4u);
    EXPECT_EQ(marks[0].y, 1640);  // the rows of stages 1 and 2
    EXPECT_EQ(marks[1].y, 1880);
    EXPECT_EQ(marks[2].text, "! Output swing exceeded in stages 1, 2 at 1 V peak in");
    EXPECT_EQ(marks[3].text, "! Slew rate exceeded in stage 2 at 1 V peak in");
    EXPECT_EQ(marks[3].y, 3340);

    auto quiet = std::make_unique<DesignState>(*s);
    quiet->Bench.InputLevel = 0.01;
    EXPECT_TRUE(OpampBenchMarks(*quiet, 3000).empty());
    int red = 0;
    for (const HeadroomText& t : HeadroomTexts(*s)) red += t.colour == kHeadroomAlarmColour;
    // two headrooms, one slew, and the two lines that name them
    EXPECT_EQ(red, 5);
}

}  // namespace
}  // namespace stelvane
