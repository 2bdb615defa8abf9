#include <QRadioButton>

#include <gtest/gtest.h>

#include "files/designfile.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// A user types a whole design: the per-interval readouts follow the sweep
// and scale fields, the Enter step puts out-of-range inputs right and says
// so, the family options lock and unlock the inputs, and the design saved
// comes back field for field when another run gets it.
TEST(DesignWindow, TypedDesignIsEnteredSavedAndReadBack)
{
    Program p;
    p.platform.CancelFileDialog();
    p.platform.AnswerFileDialog("typed");  // typed without its extension
    p.Start({"txtCenter=2.5k", "txtWidth=400", "txtGain=6", "txtCaps=22n", "UpDown1/up", "txtInts=5000",
        "txtGainDC=0"});  // too many intervals, no DC gain
    auto enabled = [&](const char* name) { return p.At(Design, name)->isEnabled(); };
    Walk(p,
        {
            {"start-up X interval", Design, nullptr, "lblPerXinterval=per interval 150 Hz"},
            {"gain bottom", Design, "txtdBBottom=-60", "lblPerYinterval=per interval: 11.667dB"},
            {"gain top", Design, "txtdBTop=20", "lblPerYinterval=per interval: 13.333dB"},
            {"one Y interval fewer", Design, "UpDown3/down", "lblPerYinterval=per interval: 16dB"},
            {"delay top", Design, "txtDelay=2m", "lblPerYintervalDelay=per interval: 400us"},
            {"stop", Design, "txtStop=5k", "lblPerXinterval=450Hz per interval"},
            {"start", Design, "txtStart=1k", "lblPerXinterval=400Hz per interval"},
            {"one X interval fewer", Design, "UpDown2/down", "lblPerXinterval=444.44Hz per interval"},
            {"a log sweep greys the X count", Design, "optLog", nullptr, [&] { EXPECT_FALSE(enabled("UpDown2")); }},
            {"Chebyshev opens the ripple box", Design, "optChebyshev", nullptr,
                [&] { EXPECT_TRUE(enabled("txtApass")); }},
            {"too much ripple", Design, "txtApass=25"},
            {"two stages more", Design, "UpDown1/up", "lblOrderInput=4"},
            {"Examine enters the design and puts it right", Design, "cmdTest", "txtApass=20",
                [&] {
                    const auto& said = p.platform.messages;
                    ASSERT_GE(said.size(), 2u);
                    EXPECT_EQ(said[said.size() - 2].text, "Passband ripple has been rest to 20 dB");
                    EXPECT_EQ(p.LastMessage(),
                        "Number of frequencies 5000 was taken as 2000\nGain at DC 0 was taken as 100k");
                    EXPECT_TRUE(p.Text(Design, "txtInts") == "2000" && p.Text(Design, "txtGainDC") == "100k");
                }},
            {"manual entry locks the centre", Design, "optManual", nullptr,
                [&] { EXPECT_FALSE(enabled("txtCenter")); }},
            {"Chebyshev unlocks it", Design, "optChebyshev", nullptr, [&] { EXPECT_TRUE(enabled("txtCenter")); }},
            {"a cancelled Save writes nothing", Design, "cmdSave", nullptr,
                [&] { EXPECT_FALSE(fs::exists("typed.QBX")); }},
            {"Save writes the design with its extension", Design, "cmdSave", nullptr,
                [&] { EXPECT_TRUE(fs::exists("typed.QBX")); }},
        });

    Program next;
    next.Start();
    next.platform.AnswerFileDialog((next.dir.old / "typed.QBX").string());  // in the first run's folder
    next.Do(Design, "cmdGet");
    std::vector<Step> readBack;
    for (const char* field : {"txtCenter=2.5k", "txtWidth=400", "txtGain=6", "txtCaps=0.022uF", "lblOrderInput=4",
             "txtApass=20", "txtStart=1k", "txtStop=5k", "txtInts=2k", "txtdBTop=20", "txtdBBottom=-60", "txtDelay=2m",
             "lblPerXinterval=444.44Hz per interval", "lblPerYinterval=per interval: 16dB",
             "lblPerYintervalDelay=per interval: 400us"})
        readBack.push_back({field, Design, nullptr, field});
    Walk(next, readBack);
    auto checked = [&](const char* option) { return next.At<QRadioButton>(Design, option)->isChecked(); };
    EXPECT_TRUE(checked("optChebyshev") && checked("optLog"));

    // A damaged file changes nothing, and the user is told.
    std::ofstream("damaged.QBX") << "3000\r\n500\r\n";
    next.platform.AnswerFileDialog("damaged.QBX");
    Walk(next, {{"a damaged file", Design, "cmdGet", "txtCenter=2.5k", [&] {
                     EXPECT_TRUE(next.LastMessage().starts_with(kDesignNotReadMessage)) << next.LastMessage();
                 }}});
}

}  // namespace stelvane::testing

namespace stelvane::testing {

// What the Enter step reads otherwise than typed, or clamps, is said in one
// message, and the record holds what was said; a plain number says nothing.
TEST(DesignWindow, SaysWhatTheEnterStepTook)
{
    std::vector<std::string> bessel21{"optBessel"};
    bessel21.insert(bessel21.end(), 19, "UpDown1/up");  // from order 2 to 21
    const struct Case {
        const char* name;
        std::vector<std::string> actions;
        const char* said;  // null: nothing
        double (*field)(const DesignState&);
        double want;
        const char* look = nullptr;  // a control showing what was taken ("lblOrderInput=10")
    } cases[] = {
        {"a plain centre", {"txtCenter=2k"}, nullptr, [](auto& s) -> double { return s.Center; }, 2000},
        {"a Bessel of order 21", bessel21, "Order 21 was taken as 10 for a Bessel design",
            [](auto& s) -> double { return s.Order; }, 10, "lblOrderInput=10"},
        {"a gain top under the bottom", {"txtdBTop=-30"},
            "Gain top -30 dB was taken as -10 dB to stay above the gain bottom",
            [](auto& s) -> double { return s.dBTop; }, -10, "txtdBTop=-10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program p;
        p.Start(c.actions);
        const std::size_t before = p.platform.messages.size();
        p.Do(Design, "cmdSuggestCap");  // runs the Enter step and stays
        EXPECT_EQ(p.platform.messages.size() > before ? p.LastMessage() : "", c.said ? c.said : "");
        EXPECT_LE(p.platform.messages.size(), before + 1);
        EXPECT_NEAR(c.field(p.record), c.want, 1e-6 * std::abs(c.want));
        if (const std::string look = c.look ? c.look : ""; !look.empty()) {
            EXPECT_EQ(p.Text(Design, look.substr(0, look.find('='))), look.substr(look.find('=') + 1));
        }
    }
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
    std::string suggested;
    Walk(p,
        {
            {"Chebyshev", Design, "optChebyshev"},
            {"half a dB", Design, "txtApass=0.5"},
            {"Butterworth shows none", Design, "optButterworth", "txtApass=0"},
            {"Chebyshev again keeps 0.5", Design, "optChebyshev", "txtApass=0.5"},
            {"Save as tuned", Design, "cmdSave", nullptr,
                [&] {
                    EXPECT_EQ(p.record.Apass, 0.5f);
                    suggested = p.Text(Design, "lblSuggestCap");
                }},
        });
    fs::copy_file("tuned.QBX", "bare");
    for (const char* name : {"tuned", "bare"}) {
        SCOPED_TRACE(name);
        p.Do(Design, "txtCenter=3k");
        p.Do(Design, "cmdSuggestCap");
        ASSERT_EQ(p.record.Center, 3000.0f);
        const std::size_t before = p.platform.messages.size();
        p.platform.AnswerFileDialog(name);
        p.Do(Design, "cmdGet");
        EXPECT_EQ(p.Text(Design, "txtCenter"), "1k");
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
