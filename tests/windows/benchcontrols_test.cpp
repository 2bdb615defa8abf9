#include <QComboBox>

#include <gtest/gtest.h>

#include "files/settingsfile.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// The bench controls set the record (a figure out of range is refused and
// said), an undo takes a chosen opamp back, "Add to list" keeps the opamp
// shown, and the next run starts with the settings of this one.
TEST(DesignWindow, BenchControlsSetTheRecordAndAreKeptForTheNextRun)
{
    QTemporaryDir folders;
    const fs::path home = folders.path().toStdString();
    const SettingsPlaces places{home / "stelvane/settings.json", home / "stelvane/opamps.json"};
    Program p;
    p.navigator.KeepSettings(places);
    p.Start();
    auto combo = [&](Program& at, const char* name) { return at.At<QComboBox>(Design, name); };
    QTest::keyClick(combo(p, "cboStageGains"), Qt::Key_Down);
    QTest::keyClick(combo(p, "cboCorrection"), Qt::Key_Down);
    for (const char* action : {"txtEn=4.5", "txtTemp=-20", "txtSwing=0", "cmdSuggestCap"}) p.Do(Design, action);
    EXPECT_NE(p.LastMessage().find("output swing"), std::string::npos) << p.LastMessage();
    const BenchSettings& b = p.record.Bench;
    EXPECT_EQ(b.Gains, StageGains::Buildable);
    EXPECT_EQ(b.Correction, OpampCorrection::Exact);
    EXPECT_EQ(b.TempC, 27);  // refused with the swing: the figures go in together
    EXPECT_EQ(p.Text(Design, "txtSwing"), "10");

    for (const char* action : {"txtEn=4.5", "txtTemp=-20", "cmdSuggestCap"}) p.Do(Design, action);
    EXPECT_EQ(b.En, 4.5);
    EXPECT_EQ(b.TempC, -20);
    const Single rsTen = p.record.Rs[1][2];
    QTest::keyClick(combo(p, "cboOpamp"), Qt::Key_Down);  // the first of the list
    EXPECT_EQ(p.record.GBW, 1e6f);
    EXPECT_EQ(b.Swing, 13);
    const Single rs = p.record.Rs[1][2];
    p.navigator.Session().Undo();
    EXPECT_EQ(p.Text(Design, "txtGBW"), "10M");
    EXPECT_EQ(p.Text(Design, "txtSwing"), "10");
    p.navigator.Session().Redo();
    p.Do(Design, "cmdSuggestCap");  // the Enter step corrects for the opamp as the choice did
    EXPECT_EQ(p.record.Rs[1][2], rs);
    EXPECT_NE(rs, rsTen);

    combo(p, "cboOpamp")->lineEdit()->selectAll();
    QTest::keyClicks(combo(p, "cboOpamp")->lineEdit(), "Bench amp");
    p.Do(Design, "txtGBW=2M");
    p.Do(Design, "cmdAddOpamp");
    const OpampListRead list = ReadOpampList(*places.opampList);
    const OpampEntry* added = FindOpamp(list.entries, "bench amp");
    ASSERT_TRUE(added);
    EXPECT_EQ(added->gbw, 2e6);
    EXPECT_EQ(added->en, 18);  // the chosen opamp's
    p.Do(Design, "cmdQuit");

    Program next;
    next.navigator.KeepSettings(places);
    next.Start();
    EXPECT_EQ(SettingsOf(next.record), SettingsOf(p.record));
    EXPECT_EQ(next.Text(Design, "txtTemp"), "-20");
    EXPECT_GE(combo(next, "cboOpamp")->findText("Bench amp"), 0);
    EXPECT_EQ(combo(next, "cboOpamp")->currentText(), "Generic bipolar");  // the opamp the figures are
}

}  // namespace stelvane::testing
