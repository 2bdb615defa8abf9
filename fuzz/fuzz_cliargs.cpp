// Command-line arguments: any list of texts is either understood or refused
// with one line, never a crash, and what is understood holds numbers that
// are wholly numbers.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/numbertext.h"
#include "fuzz/fuzzfiles.h"
#include "tools/cliargs.h"

using namespace stelvane;
using stelvane::reliability::FuzzFailure;

constexpr const char* kTarget = "fuzz_cliargs";
constexpr std::size_t kMostArgs = 24;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The input is the arguments, each ended by a NUL.
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size && args.size() <= kMostArgs; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    if (args.back().empty()) args.pop_back();
    const CliParse parse = ParseCliArgs(args);
    if (!parse.error.empty()) {
        if (parse.error.find('\n') != std::string::npos) FuzzFailure(kTarget, "a refusal of more than one line");
        return 0;
    }
    const CliOptions& o = parse.options;
    for (const auto* number : {&o.center, &o.width, &o.gain, &o.temp, &o.en, &o.in, &o.swing, &o.slew})
        if (*number && !ParseStrictNumber(**number)) FuzzFailure(kTarget, "a number option holding no number");
    if (o.noiseBand && !(CliNumber(o.noiseBand->first) < CliNumber(o.noiseBand->second)))
        FuzzFailure(kTarget, "a noise band taken that is not low to high");
    return 0;
}
