// Round trips over hundreds of random designs of every family and order: a
// design saved, loaded into a fresh record and analysed as its parts stand
// (as manual entry does) holds every field of the file, and gives the
// response of the saved design with its numbers rounded to the seven
// significant digits a design file keeps.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/standardvalues.h"
#include "files/designfile.h"
#include "files/storedfields.h"
#include "fuzz/randomdesign.h"
#include "tests/files/filetestsupport.h"
#include "tests/support/recordingnotifier.h"

namespace stelvane::testing {
namespace {

// Within the rounding to seven significant digits and the float rounding that follows a read.
bool SameToSevenDigits(double a, double b) { return std::fabs(a - b) <= 5.6e-7 * std::max(std::fabs(a), std::fabs(b)); }

// The fields a design file holds and the response they give, in one row.
std::vector<double> FileFieldsAndResponse(const DesignState& d)
{
    std::vector<double> v;
    VisitStoredFields([&v](const char*, auto x) { v.push_back(x); }, d);
    for (int k = 0; k <= d.NrInts; ++k) v.insert(v.end(), {d.Freq[k], d.GainDB[k], d.Phase[k], d.Delay[k]});
    return v;
}

// A design file does not store whether its parts were entered by hand: the
// family designs read back as family designs, and the same designs with one
// part (every part of every stage in turn) moved read back as tuned. A 1%
// move of R3 or a capacitor always shows; R1 and R2 follow the stage gain,
// which in Single moves by a percent or more with the seventh digit of the
// centre when a stage's Q runs into the hundreds, so they are moved by 10%,
// and only in designs whose stages stay below Q 500.
TEST(RoundTripProperties, LoadedDesignHoldsTheFileGivesTheResponseOfTheSevenDigitDesignAndTellsTunedParts)
{
    ScratchFolder folder;
    reliability::RandomDesigns designs(19700101);
    RecordingNotifier notifier;
    auto saved = std::make_unique<DesignState>(), loaded = std::make_unique<DesignState>();
    const auto saveAndLoad = [&] {  // into a fresh start-up record
        *loaded = DesignState{};
        InitEngine(*loaded);
        InstallOpampDefaults(*loaded);
        return WriteDesignFile(*saved, folder / "d.QBX", notifier) &&
            ReadDesignFile(*loaded, folder / "d.QBX", notifier);
    };
    for (int n = 0; n < 6 * 3 * kMaxStages; ++n) {  // every family and order six times: 312 designs
        const auto family = static_cast<Integer>(1 + n % 3), order = static_cast<Integer>(1 + n / 3 % kMaxStages);
        if (order > reliability::RandomDesigns::HighestOrder(family)) continue;
        designs.Next(*saved, family, order, static_cast<Integer>(designs.Uniform(2, 400)));
        SCOPED_TRACE(designs.Describe(*saved));
        ASSERT_TRUE(saveAndLoad());
        EXPECT_EQ(loaded->ManualEntry, PartsEntry::Designed);
        loaded->ManualEntry = PartsEntry::Manual;  // analysed as its parts stand
        RunDesignChain(*loaded);
        const auto got = FileFieldsAndResponse(*loaded), expected = FileFieldsAndResponse(*RoundedToTheFile(*saved));
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t k = 0; k < got.size(); ++k) ASSERT_PRED2(SameToSevenDigits, got[k], expected[k]) << k;

        const int stage = 1 + n / 5 % order;
        const bool tame = *std::max_element(&saved->StageQ[1], &saved->StageQ[order] + 1) < 500;
        const int part = n % 5 < 2 && !tame ? 2 : n % 5;
        (part < 3 ? saved->R[stage][part + 1] : saved->C[stage][part - 2]) *= part < 2 ? 1.1f : 1.01f;
        ASSERT_TRUE(saveAndLoad());
        EXPECT_EQ(loaded->ManualEntry, PartsEntry::Manual) << "stage " << stage << " part " << part;
    }
}

}  // namespace
}  // namespace stelvane::testing
