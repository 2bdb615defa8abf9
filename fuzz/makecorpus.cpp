// Writes the seed corpora of the fuzz targets from designs made the way the
// user makes them: texts typed into the design window, the Enter step, and the
// program's own writers. Run: stelvane_fuzz_corpus OUTPUT_FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/enterstep.h"
#include "engine/numbertext.h"
#include "engine/standardvalues.h"
#include "files/designfile.h"
#include "files/plotoverlay.h"
#include "tests/support/recordingnotifier.h"

using namespace stelvane;
namespace fs = std::filesystem;

namespace {

struct Typed {
    const char* name;
    int family; // 1 Butterworth, 2 Chebyshev, 3 Bessel
    bool log;
    const char *center, *width, *order, *gain, *caps, *apass, *start, *stop, *ints;
};

// Small sweeps keep the seed files small.
const Typed kDesigns[] = {
    {"startup", 1, false, "1k", "200", "2", "0", "10n", "0", "500", "2k", "20"},
    {"chebyshev5", 2, true, "2k", "500", "5", "6", "4.7n", "0.5", "100", "10k", "24"},
    {"bessel10wide", 3, true, "10k", "12k", "10", "-20", "1n", "0", "1k", "100k", "16"},
    {"butterworth21narrow", 1, false, "1k", "10", "21", "40", "10u", "0", "900", "1.1k", "12"},
    {"butterworth1", 1, false, "50", "20", "1", "3", "100p", "0", "10", "200", "8"},
    {"chebyshev3ripple20", 2, false, "455k", "10k", "3", "0", "33p", "25", "400k", "500k", "10"},
};

DesignInputs InputsFor(const Typed& t)
{
    DesignState blank;
    InstallDefaults(blank);
    InstallOpampDefaults(blank);
    DesignInputs in = InputsFromRecord(blank);
    in.optButterworth = t.family == 1;
    in.optChebyshev = t.family == 2;
    in.optBessel = t.family == 3;
    in.optLinear = !t.log;
    in.optLog = t.log;
    in.txtCenter = t.center;
    in.txtWidth = t.width;
    in.lblOrderInput = t.order;
    in.txtGain = t.gain;
    in.txtCaps = t.caps;
    in.txtApass = t.apass;
    in.txtStart = t.start;
    in.txtStop = t.stop;
    in.txtInts = t.ints;
    return in;
}

void Save(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The input of the Enter step target: the option byte, then the texts.
std::string EnterStepSeed(const DesignInputs& in, unsigned char extraOptions)
{
    unsigned char options = in.optButterworth ? 1 : in.optChebyshev ? 2 : in.optBessel ? 3 : 0;
    if (in.optLinear) options |= 0x04;
    if (in.optLog) options |= 0x08;
    options |= extraOptions;
    std::string seed(1, static_cast<char>(options));
    for (const std::string* text :
         {&in.txtCenter, &in.txtWidth, &in.lblOrderInput, &in.txtGain, &in.txtCaps, &in.txtApass, &in.txtStart,
          &in.txtStop, &in.txtInts, &in.lblNrX, &in.lblNrY, &in.txtdBTop, &in.txtdBBottom, &in.txtDelay,
          &in.txtGainDC, &in.txtGBW, &in.txtZin})
        seed += *text + "\n";
    return seed;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: stelvane_fuzz_corpus OUTPUT_FOLDER\n";
        return 2;
    }
    const fs::path out = fs::absolute(argv[1]);
    RecordingNotifier notifier;
    int numberSeed = 0;
    const auto numberText = [&](const std::string& text) {
        Save(out / "numbertext" / ("shown" + std::to_string(++numberSeed)), text);
    };

    for (const Typed& t : kDesigns) {
        auto s = std::make_unique<DesignState>();
        InitEngine(*s);
        InstallDefaults(*s);
        InstallCapacitorDefaults(*s);
        InstallOpampDefaults(*s);
        DesignInputs in = InputsFor(t);
        Save(out / "enterstep" / t.name, EnterStepSeed(in, 0));
        EnterStep(*s, in, [](const std::string&) {});

        // The texts the window shows for the design it has just made.
        const DesignInputs shown = InputsFromRecord(*s);
        Save(out / "enterstep" / (std::string(t.name) + "-shown-manual"), EnterStepSeed(shown, 0x10 | 0x20));
        for (const std::string& text : {shown.txtCenter, shown.txtCaps, shown.txtDelay, shown.txtGBW})
            numberText(text);
        numberText(FormatValue(s->R[1][1]));
        numberText(FormatEngSmall(s->Delay[1]));
        numberText(GeneralNumberText(s->C[1][1]));

        const fs::path design = out / "designfile" / (std::string(t.name) + ".QBX");
        fs::create_directories(design.parent_path());
        if (!WriteDesignFile(*s, design.string(), notifier)) return 1;
        Save(out / "lastsession" / t.name, Slurp(design));

        const fs::path overlay = out / "overlay-work";
        fs::create_directories(overlay);
        if (!SavePlotOverlay(*s, notifier, overlay.string())) return 1;
        for (const char* file : {kOverlayGainFileName, kOverlayPhaseFileName, kOverlayDelayFileName})
            Save(out / "overlay" / (std::string(t.name) + fs::path(file).extension().string()),
                 Slurp(overlay / file));
        fs::remove_all(overlay);
    }
    std::cout << "seed corpora written to " << out.string() << "\n";
    return 0;
}
