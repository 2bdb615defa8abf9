#include <QRadioButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "windowtestsupport.h"

namespace stelvane::testing {

// A four-stage design on the schematic: the stages sit geometrically about
// the centre, the scroll bar brings the last ones into view, the parts-type
// options swap the resistor values, draw from the first stage again with the
// scroll bar back at its start, and outlive the window.
TEST(SchematicWindow, ShowsTheCircuitOfTheDesign)
{
    Program p;
    p.Start({"UpDown1/up", "UpDown1/up", "cmdSchematic"});
    const RecordingCanvas& drawing = p.Drawing(Schematic);
    auto output = [&] { return drawing.FindText("Output") ? drawing.FindText("Output")->points[0].x : 0.0; };
    // four stages about 1 kHz, with a scroll bar
    std::vector<double> f;
    for (const std::string& text : drawing.Texts())
        if (text.starts_with("Stage freq:")) f.push_back(Figure(text));
    ASSERT_EQ(f.size(), 4u);
    EXPECT_NEAR(std::pow(f[0] * f[1] * f[2] * f[3], 0.25), 1000, 1);
    EXPECT_TRUE(p.Shown(Schematic, "HScroll1"));
    const std::vector<std::string> ideal = drawing.Texts();
    const double start = output();
    // End scrolls four stages along.
    QTest::keyClick(p.At(Schematic, "HScroll1"), Qt::Key_End);
    EXPECT_DOUBLE_EQ(output(), start - 4 * 3500);
    // the specified opamp's resistors, from the start
    p.Act(Schematic, "optSpecd");
    EXPECT_EQ(p.Text(Schematic, "lblOpampInfo"), "Opamp GBW: 10MHz   DCgain: 100kv/v");
    EXPECT_TRUE(p.Shown(Schematic, "lblOpampInfo") && drawing.Texts() != ideal && output() == start);
    EXPECT_EQ(p.At<QScrollBar>(Schematic, "HScroll1")->value(), 0);
    // away to the plot and back: still the specified opamp
    p.Do(Schematic, "cmdPlot");
    p.Do(Plot, "cmdSchematic");
    EXPECT_TRUE(p.At<QRadioButton>(Schematic, "optSpecd")->isChecked());
    // the ideal opamp's again
    p.Act(Schematic, "optIdeal");
    EXPECT_TRUE(drawing.Texts() == ideal && !p.Shown(Schematic, "lblOpampInfo"));
    // designators beside the parts when asked for (the drawing above had none), each once
    p.Act(Schematic, "chkDesignators");
    std::multiset<std::string> named;
    for (const std::string& text : drawing.Texts())
        if (std::regex_match(text, std::regex("[RCU][0-9]+"))) named.insert(text);
    EXPECT_EQ(named.size(), 24u);
    EXPECT_EQ(std::set<std::string>(named.begin(), named.end()).size(), 24u);
    EXPECT_TRUE(named.count("R101") && named.count("C402") && named.count("U4"));
    p.Act(Schematic, "chkDesignators");
    EXPECT_EQ(drawing.Texts(), ideal);
}

}  // namespace stelvane::testing
