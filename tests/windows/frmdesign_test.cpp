#include <QRadioButton>

#include <gtest/gtest.h>

#include "files/designfile.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// Expects each control of the window to show its text ("txtCenter=2.5k").
static void ExpectShown(Program& p, WindowKind on, const std::vector<const char*>& looks)
{
    std::vector<Step> steps;
    for (const char* look : looks) steps.push_back({look, on, nullptr, look});
    Walk(p, steps);
}

// A user types a whole design: the per-interval readouts follow the typed
// sweep and scales after the counts, the Enter step puts out-of-range inputs
// right and says so, the family options lock and unlock the inputs, and the
// design saved comes back field for field when another run gets it.
TEST(DesignWindow, TypedDesignIsEnteredSavedAndReadBack)
{
    Program p;
    p.platform.CancelFileDialog();
    p.platform.AnswerFileDialog("typed");  // typed without its extension
    p.Start();
    EXPECT_EQ(p.Text(Design, "lblPerXinterval"), "per interval 150 Hz");
    // too many intervals and no DC gain; the counts first, so that the typed sweep and scales set the readouts
    for (const char* action : {"txtCenter=2.5k", "txtWidth=400", "txtGain=6", "txtCaps=22n", "UpDown1/up", "UpDown1/up",
             "txtInts=5000", "txtGainDC=0", "UpDown2/down", "UpDown3/down", "txtStop=5k", "txtStart=1k",
             "txtdBBottom=-60", "txtdBTop=20", "txtDelay=2m"})
        p.Do(Design, action);
    ExpectShown(p, Design,
        {"lblPerXinterval=444.44Hz per interval", "lblPerYinterval=per interval: 16dB",
            "lblPerYintervalDelay=per interval: 400us"});
    auto enabled = [&](const char* name) { return p.At(Design, name)->isEnabled(); };
    // A log sweep greys the X count, Chebyshev opens the ripple box.
    p.Do(Design, "optLog");
    EXPECT_FALSE(enabled("UpDown2"));
    p.Do(Design, "optChebyshev");
    EXPECT_TRUE(enabled("txtApass"));
    // Examine enters the design with too much ripple, puts it right and says so.
    p.Do(Design, "txtApass=25");
    p.Do(Design, "cmdTest");
    const auto& said = p.platform.messages;
    ASSERT_GE(said.size(), 2u);
    EXPECT_EQ(said[said.size() - 2].text, "Passband ripple has been rest to 20 dB");
    EXPECT_EQ(p.LastMessage(), "Number of frequencies 5000 was taken as 2000\nGain at DC 0 was taken as 100k");
    ExpectShown(p, Design, {"txtApass=20", "txtInts=2000", "txtGainDC=100k"});
    // Manual entry locks the centre, Chebyshev unlocks it.
    p.Do(Design, "optManual");
    EXPECT_FALSE(enabled("txtCenter"));
    p.Do(Design, "optChebyshev");
    EXPECT_TRUE(enabled("txtCenter"));
    // A cancelled Save writes nothing; Save writes the design with its extension.
    p.Do(Design, "cmdSave");
    EXPECT_FALSE(fs::exists("typed.QBX"));
    p.Do(Design, "cmdSave");
    EXPECT_TRUE(fs::exists("typed.QBX"));

    Program next;
    next.Start();
    next.platform.AnswerFileDialog((next.dir.old / "typed.QBX").string());  // in the first run's folder
    next.Do(Design, "cmdGet");
    ExpectShown(next, Design,
        {"txtCenter=2.5k", "txtCaps=0.022uF", "lblOrderInput=4", "txtApass=20", "txtInts=2k", "txtDelay=2m",
            "lblPerXinterval=444.44Hz per interval", "lblPerYinterval=per interval: 16dB",
            "lblPerYintervalDelay=per interval: 400us"});
    auto checked = [&](const char* option) { return next.At<QRadioButton>(Design, option)->isChecked(); };
    EXPECT_TRUE(checked("optChebyshev") && checked("optLog"));

    // A damaged file changes nothing, and the user is told.
    std::ofstream("damaged.QBX") << "3000\r\n500\r\n";
    next.platform.AnswerFileDialog("damaged.QBX");
    next.Do(Design, "cmdGet");
    EXPECT_EQ(next.Text(Design, "txtCenter"), "2.5k");
    EXPECT_TRUE(next.LastMessage().starts_with(kDesignNotReadMessage)) << next.LastMessage();
}

// An order the family cannot have is entered as one it can, said, and shown
// in the order box.
TEST(DesignWindow, ShowsTheOrderTheEnterStepTook)
{
    Program p;
    p.Start({"optBessel"});
    for (int order = 2; order < 21; ++order) p.Do(Design, "UpDown1/up");
    p.Do(Design, "cmdSuggestCap");  // runs the Enter step and stays
    EXPECT_EQ(p.LastMessage(), "Order 21 was taken as 10 for a Bessel design");
    EXPECT_EQ(p.Text(Design, "lblOrderInput"), "10");
}

// The Chebyshev ripple survives a trip through Butterworth, Get finds a
// design saved under a bare name (Save added .QBX), while a file that has
// the bare name itself is read as it is, and suggests the capacitor for the
// design read; Exit stores a sweep it can read.
TEST(DesignWindow, RippleSurvivesAndGetFindsTheSavedName)
{
    Program p;
    p.Start();
    p.platform.AnswerFileDialog("tuned");
    // Butterworth shows no ripple, and Chebyshev again keeps half a dB.
    for (const char* action : {"optChebyshev", "txtApass=0.5", "optButterworth"}) p.Do(Design, action);
    EXPECT_EQ(p.Text(Design, "txtApass"), "0");
    p.Do(Design, "optChebyshev");
    EXPECT_EQ(p.Text(Design, "txtApass"), "0.5");
    p.Do(Design, "cmdSave");
    EXPECT_EQ(p.record.Apass, 0.5f);
    const std::string suggested = p.Text(Design, "lblSuggestCap");
    fs::copy_file("tuned.QBX", "bare");
    for (const char* name : {"tuned", "bare"}) {
        SCOPED_TRACE(name);
        p.Do(Design, "txtCenter=3k");
        p.Do(Design, "cmdSuggestCap");
        ASSERT_EQ(p.record.Center, 3000.0f);
        const std::size_t before = p.platform.messages.size();
        p.platform.AnswerFileDialog(name);
        p.Do(Design, "cmdGet");
        EXPECT_EQ(p.record.Center, 1000.0f);
        EXPECT_EQ(p.Text(Design, "lblSuggestCap"), suggested);
        EXPECT_EQ(p.platform.messages.size(), before);  // read without a word
    }
    // A sweep start typed just before Exit reaches the last session as one it can read again.
    p.Do(Design, "txtStart=-5");
    p.Do(Design, "cmdQuit");
    EXPECT_EQ(p.LastMessage(), "Sweep start -5 Hz was taken as 1 Hz");
    EXPECT_EQ(p.record.Fstart, 1.0f);
}

}  // namespace stelvane::testing
