#include <QLabel>

#include <gtest/gtest.h>

#include "engine/timeresponse.h"
#include "render/timedrawing.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// "Time response" on the plot opens the time window; the kind and the burst's
// fields choose what is drawn, a field without a number is said and keeps the
// curve, and a part tuned in the plot window redraws the response at once.
TEST(TimeWindow, TheResponseFollowsTheKindTheFieldsAndEveryTunedPart)
{
    Program p;
    p.Start({"cmdPlot"});
    p.Do(Plot, "cmdTimeResponse");
    ASSERT_TRUE(p.Find(WindowKind::Time));
    const RecordingCanvas& drawing = p.Drawing(WindowKind::Time);
    auto curve = [&] {
        return CurveIn(drawing, kTimeCurveColour) ? CurveIn(drawing, kTimeCurveColour)->points
                                                  : std::vector<CanvasPoint>{};
    };
    auto says = [&](const std::string& start) {
        for (const std::string& text : drawing.Texts())
            if (text.rfind(start, 0) == 0) return true;
        return false;
    };
    std::vector<CanvasPoint> before;
    Walk(p,
        {
            {"the step at first", WindowKind::Time, nullptr, nullptr,
                [&] {
                    before = curve();
                    EXPECT_FALSE(before.empty());
                    EXPECT_TRUE(says("Unit step, "));
                }},
            {"the impulse", WindowKind::Time, "optImpulse", nullptr, [&] { EXPECT_TRUE(says("Unit impulse, ")); }},
            {"a burst at the centre", WindowKind::Time, "optBurst", nullptr,
                [&] { EXPECT_TRUE(says("10 cycles at 1kHz")); }},
            {"three cycles at 1.2 kHz", WindowKind::Time, "txtBurstCycles=3", nullptr,
                [&] {
                    p.Act(WindowKind::Time, "txtBurstFreq=1.2k");
                    QTest::keyClick(p.At(WindowKind::Time, "txtBurstFreq"), Qt::Key_Return);
                    EXPECT_TRUE(says("3 cycles at 1.2kHz"));
                }},
            {"cycles that are no number", WindowKind::Time, "txtBurstCycles=2.5", nullptr,
                [&] {
                    QTest::keyClick(p.At(WindowKind::Time, "txtBurstCycles"), Qt::Key_Return);
                    EXPECT_EQ(p.Text(WindowKind::Time, "lblTimeProblem"),
                        "The burst's cycles are not a whole number from 1 to 100000");
                    EXPECT_TRUE(says("3 cycles at 1.2kHz"));
                }},
            {"a frequency below 0", WindowKind::Time, "txtBurstFreq=-5", nullptr,
                [&] {
                    QTest::keyClick(p.At(WindowKind::Time, "txtBurstFreq"), Qt::Key_Return);
                    EXPECT_EQ(p.Text(WindowKind::Time, "lblTimeProblem"),
                        "The burst's frequency is not a number above 0 (left empty: the centre)");
                }},
            {"back to the step", WindowKind::Time, "optStep", nullptr, [&] { EXPECT_EQ(curve(), before); }},
            {"a tuned part redraws it", WindowKind::Plot, "cmdTunePart", nullptr,
                [&] {
                    p.Act(Plot, "cmdR3up");
                    EXPECT_FALSE(curve().empty());
                    EXPECT_NE(curve(), before);
                }},
        });
}

}  // namespace stelvane::testing
