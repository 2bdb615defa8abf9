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

TEST(RoundTripProperties, LoadedDesignHoldsTheFileAndGivesTheResponseOfTheSevenDigitDesign)
{
    ScratchFolder folder;
    reliability::RandomDesigns designs(19700101);
    RecordingNotifier notifier;
    auto saved = std::make_unique<DesignState>(), loaded = std::make_unique<DesignState>();
    for (int n = 0; n < 6 * 3 * kMaxStages; ++n) { // every family and order six times: 312 designs
        const auto family = static_cast<Integer>(1 + n % 3), order = static_cast<Integer>(1 + n / 3 % kMaxStages);
        if (order > reliability::RandomDesigns::HighestOrder(family)) continue;
        designs.Next(*saved, family, order, static_cast<Integer>(designs.Uniform(2, 400)));
        SCOPED_TRACE(designs.Describe(*saved));
        ASSERT_TRUE(WriteDesignFile(*saved, folder / "d.QBX", notifier));
        *loaded = DesignState{}; // a fresh start-up record in manual entry
        InitEngine(*loaded);
        InstallOpampDefaults(*loaded);
        loaded->ManualEntry = 1;
        ASSERT_TRUE(ReadDesignFile(*loaded, folder / "d.QBX", notifier));
        RunDesignChain(*loaded);
        const auto got = FileFieldsAndResponse(*loaded), expected = FileFieldsAndResponse(*RoundedToTheFile(*saved));
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t k = 0; k < got.size(); ++k) ASSERT_PRED2(SameToSevenDigits, got[k], expected[k]) << k;
    }
}

} // namespace
} // namespace stelvane::testing
