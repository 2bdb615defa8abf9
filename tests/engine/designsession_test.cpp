#include "engine/designsession.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <tuple>

#include "engine/standardvalues.h"
#include "engine/synthesis.h"
#include "tests/engine/engine_test_support.h"

namespace stelvane {
namespace {

// The start-up design and the pipeline over it.
struct Session {
    std::unique_ptr<DesignState> s = testing::StartUpDesign();
    DesignSession session{*s};
};

TEST(DesignSession, PartStepsAreOnePercentAndReanalysed)
{
    Session t;
    const DesignState before = *t.s;
    t.session.StepPart(1, StagePart::R2, true);
    EXPECT_EQ(t.s->R[1][2], before.R[1][2] * 1.01f);
    // more R2, lower centre
    EXPECT_LT(t.s->StageFoActual[1], before.StageFoActual[1]);
    EXPECT_NE(t.s->GainDB[500], before.GainDB[500]);
    t.session.StepPart(1, StagePart::R2, false);
    EXPECT_NEAR(t.s->R[1][2], before.R[1][2], 1e-6 * before.R[1][2]);
    t.session.StepPart(2, StagePart::C2, false);
    EXPECT_EQ(t.s->C[2][2], before.C[2][2] / 1.01f);
    EXPECT_GT(t.s->StageFoActual[2], before.StageFoActual[2]);
    // stages are kept within the arrays
    EXPECT_EQ(&t.session.Part(0, StagePart::R1), &t.s->R[1][1]);
    EXPECT_EQ(&t.session.Part(99, StagePart::C1), &t.s->C[21][1]);
}

TEST(DesignSession, TypedPartsAreKeptBuildableAndSaidWhenClamped)
{
    Session t;
    const EnterNotes notes = t.session.EnterParts(2, {"4.7k", "1", "1G", "1u", "1F"});
    // R2 at least 10 ohms, R3 at most 10 Mohms, C2 at most 10 uF
    EXPECT_EQ(std::tuple(t.s->R[2], t.s->C[2]),
        std::tuple(std::array<Single, 4>{0, 4700, 10, 1e7f}, std::array<Single, 3>{0, 1e-6f, 1e-5f}));
    EXPECT_EQ(notes,
        EnterNotes({"R2 1 ohms was taken as 10 ohms", "R3 1G ohms was taken as 10M ohms", "C2 1F was taken as 10uF"}));
    // A part without a text stays bit for bit, however far outside the range.
    t.s->R[2][3] = 2.4221e7f;
    EXPECT_EQ(t.session.EnterParts(2, {"1k", "1k", {}, "0", "0"}),
        EnterNotes({"C1 0F was taken as 1pF", "C2 0F was taken as 1pF"}));
    EXPECT_EQ(t.s->R[2][3], 2.4221e7f);
    // at least 1 pF
    EXPECT_EQ(t.s->C[2][1], 1e-12f);
    EXPECT_EQ(t.s->StageInvalid[2], 0);
    // R3 times R1 and R2 in parallel
    const double r = 500.0 * 2.4221e7;
    EXPECT_NEAR(t.s->StageFoActual[2], 1 / (6.28318 * 1e-12 * std::sqrt(r)), 1e-3 * t.s->StageFoActual[2]);
}

// A centre or width step is the family design of the new figures (parts tuned by hand stay
// through the same design run as any Enter step over them).
TEST(DesignSession, CentreAndWidthStepsRedesign)
{
    Session t;
    auto reference = std::make_unique<DesignState>(*t.s);
    t.session.StepCenter(true);
    t.session.StepWidth(false);
    EXPECT_EQ(t.s->Center, 1000 * 1.01f);
    EXPECT_EQ(t.s->Width, 200 / 1.01f);
    reference->Center = t.s->Center;
    reference->Width = t.s->Width;
    RunDesignChain(*reference);
    EXPECT_EQ(t.s->R, reference->R);
}

// Rounding takes the parts into the user's hands and Restore gives them back; parts typed by
// hand stay the user's, so that the next Enter step keeps them. (A family design's Restore is
// undone and redone bit for bit below.)
TEST(DesignSession, RoundingKeepsThePartsAndRestoreGivesThemBack)
{
    Session t;
    t.s->ManualEntry = PartsEntry::Manual;
    const DesignState typed = *t.s;
    t.session.RoundToStandardValues();
    EXPECT_EQ(t.session.SavedR(), typed.R);
    EXPECT_NE(t.s->GainDB, typed.GainDB);
    t.session.RestoreParts();
    EXPECT_EQ(t.s->ManualEntry, PartsEntry::Manual);
    EXPECT_TRUE(std::tie(t.s->R, t.s->C, t.s->GainDB, t.s->StageFoActual) ==
        std::tie(typed.R, typed.C, typed.GainDB, typed.StageFoActual));
    // the specified opamp's resistors: those of the parts by hand
    for (int j = 1; j <= 3; ++j) EXPECT_NEAR(t.s->Rs[1][j], typed.Rs[1][j], 2e-6 * typed.Rs[1][j]);
}

// Every change is one step back; each undo gives the design of that moment bit for bit, sweep included.
TEST(DesignSession, UndoAndRedoWalkTheChangesBitForBit)
{
    Session t;
    std::vector<DesignState> seen{*t.s};
    int told = 0;
    const int handle = t.session.Listen([&] { ++told; });
    const std::function<void()> changes[] = {
        [&] { t.session.StepPart(1, StagePart::R2, true); },
        [&] { t.session.RoundToStandardValues(StandardSeries::E12); },
        [&] { t.session.RestoreParts(); },
        [&] {
            t.session.EnterParts(2, {"4.7k", {}, {}, "22n", {}});
        },
        [&] { t.session.Apply([](DesignState& s) { s.Gain = 6, s.DCGain = 3e4f; }); },
        [&] { t.session.Get([](DesignState& s) { return s.Center = 2500, s.Family = FilterFamily::Bessel, true; }); },
    };
    for (const auto& change : changes) change(), seen.push_back(*t.s);
    EXPECT_EQ(told, 6);
    const auto same = [](const DesignState& a, const DesignState& b) {
        return std::tie(a.R, a.C, a.Rs, a.Center, a.Gain, a.ManualEntry, a.GainDB, a.Phase, a.StageFoActual) ==
            std::tie(b.R, b.C, b.Rs, b.Center, b.Gain, b.ManualEntry, b.GainDB, b.Phase, b.StageFoActual);
    };
    // Restore gave back the family design the rounding replaced.
    EXPECT_TRUE(same(seen[3], seen[1]));
    for (int i = 5; i >= 0; --i) {
        ASSERT_TRUE(t.session.Undo()) << i;
        EXPECT_TRUE(same(*t.s, seen[i])) << "undo to step " << i;
    }
    EXPECT_FALSE(t.session.Undo());
    for (int i = 1; i <= 6; ++i) {
        ASSERT_TRUE(t.session.Redo()) << i;
        EXPECT_TRUE(same(*t.s, seen[i])) << "redo to step " << i;
    }
    EXPECT_FALSE(t.session.Redo());
    // A change that leaves the design as it was is no step, nor is a Get that cannot read; a new
    // change forgets what could be redone.
    t.session.Undo();
    t.session.Apply([](DesignState&) {});
    EXPECT_FALSE(t.session.Get([](DesignState&) { return false; }));
    EXPECT_TRUE(t.session.CanRedo());
    t.session.StepPart(1, StagePart::C1, true);
    EXPECT_FALSE(t.session.CanRedo());
    t.session.StopListening(handle);
    t.session.StepPart(1, StagePart::C1, true);
    EXPECT_EQ(told, 22);
    EXPECT_EQ(t.session.Revision(), 23u);
    // Only the last hundred steps are kept.
    const Single r1 = t.s->R[1][1];
    for (int i = 0; i < 101; ++i) t.session.StepPart(1, StagePart::R1, true);
    int undone = 0;
    while (t.session.Undo()) ++undone;
    EXPECT_EQ(undone, DesignSession::kUndoSteps);
    EXPECT_EQ(t.s->R[1][1], r1 * 1.01f);
}

// Start-up brings the last session or the default design, then gives an unset or unusable
// opamp field or first capacitor its default, and starts the history afresh.
TEST(DesignSession, StartUpReadsTheLastSessionOrInstallsTheDefaults)
{
    const struct {
        const char* name;
        bool reader, read;
        Single dcGain, firstCap, wantDcGain, wantCap;
    } cases[] = {
        {"no last session", false, false, 0, 0, 1e5f, 1e-8f},
        {"a readable last session", true, true, 3e4f, 4.7e-9f, 3e4f, 4.7e-9f},
        {"unreadable, no DC gain nor capacitor", true, false, 0, 0, 1e5f, 1e-8f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        DesignSession session(s);
        // a step the start-up forgets
        session.Apply([](DesignState& r) { r.Gain = 6; });
        s.GBW = 0;
        const auto reader = [&](DesignState& r) { return r.DCGain = c.dcGain, r.C[1][1] = c.firstCap, c.read; };
        EXPECT_EQ(session.StartUp(c.reader ? DesignSession::DesignReader(reader) : nullptr), c.read);
        EXPECT_EQ(std::tuple(s.DCGain, s.C[1][1], s.GBW, s.Zin),
            std::tuple(c.wantDcGain, c.wantCap, kDefaultGBW, kDefaultZin));
        // the defaults only without a reader (which installs its own)
        EXPECT_EQ(s.Center, c.reader ? 0 : 1000);
        EXPECT_FALSE(session.CanUndo());
        EXPECT_EQ(session.Revision(), 2u);
        // The record before its first design (stages and sweep not yet worked out) is no place to come back to.
        DesignInputs in = InputsFromRecord(s);
        session.Enter(in, [](const std::string&) {});
        EXPECT_FALSE(session.CanUndo());
    }
}

}  // namespace
}  // namespace stelvane
