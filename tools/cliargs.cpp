#include "tools/cliargs.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "engine/designstate.h"
#include "engine/enterstep.h"
#include "engine/numbertext.h"
#include "engine/standardvalues.h"
#include "tools/cliparts.h"

namespace stelvane {
namespace {

using TextMember = std::optional<std::string> CliOptions::*;
using FlagMember = bool CliOptions::*;

struct TextOption {
    std::string_view name;
    TextMember member;
    bool designOnly; // a design input a loaded design keeps as it stands
    bool number = true;
};

constexpr std::array kTextOptions{
    TextOption{"center", &CliOptions::center, true},
    TextOption{"width", &CliOptions::width, true},
    TextOption{"gain", &CliOptions::gain, true},
    TextOption{"ripple", &CliOptions::ripple, true},
    TextOption{"order", &CliOptions::order, true},
    TextOption{"cap", &CliOptions::cap, true},
    TextOption{"gbw", &CliOptions::gbw, false},
    TextOption{"dcgain", &CliOptions::dcgain, false},
    TextOption{"zin", &CliOptions::zin, false},
    TextOption{"start", &CliOptions::start, false},
    TextOption{"stop", &CliOptions::stop, false},
    TextOption{"intervals", &CliOptions::intervals, false},
    TextOption{"load", &CliOptions::load, false, false},
    TextOption{"save", &CliOptions::save, false, false},
    TextOption{"easy", &CliOptions::easy, false, false},
    TextOption{"scientific", &CliOptions::scientific, false, false},
    TextOption{"spice", &CliOptions::spice, false, false},
    TextOption{"netlist", &CliOptions::netlist, false, false},
    TextOption{"verify-netlist", &CliOptions::verifyNetlist, false, false},
    TextOption{"tolerance-db", &CliOptions::toleranceDb, false},
    TextOption{"spice-timeout", &CliOptions::spiceTimeout, false},
    TextOption{"bom", &CliOptions::bom, false, false},
    TextOption{"monte-carlo", &CliOptions::monteCarlo, false},
    TextOption{"r-tol", &CliOptions::rTol, false},
    TextOption{"c-tol", &CliOptions::cTol, false},
    TextOption{"distribution", &CliOptions::distribution, false, false},
    TextOption{"seed", &CliOptions::seed, false},
};

struct FlagOption {
    std::string_view name;
    FlagMember member;
};

constexpr std::array kFlagOptions{
    FlagOption{"specified-opamp", &CliOptions::specifiedOpamp},
    FlagOption{"overlay", &CliOptions::overlay},
    FlagOption{"json", &CliOptions::json},
    FlagOption{"help", &CliOptions::help},
    FlagOption{"verify", &CliOptions::verify},
    FlagOption{"sensitivity", &CliOptions::sensitivity},
    FlagOption{"suggest-cap", &CliOptions::suggestCap},
};

struct Choice {
    std::string_view word;
    int value;
};

constexpr std::array kFamilies{Choice{"butterworth", 1}, Choice{"chebyshev", 2}, Choice{"bessel", 3}};
constexpr std::array kSweeps{Choice{"lin", 1}, Choice{"linear", 1}, Choice{"log", 2}};

std::string Lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

template <std::size_t N>
std::optional<int> FindChoice(const std::array<Choice, N>& choices, std::string_view word)
{
    const std::string lower = Lower(word);
    for (const Choice& c : choices)
        if (c.word == lower) return c.value;
    return std::nullopt;
}


} // namespace

CliParse ParseCliArgs(const std::vector<std::string>& args)
{
    CliParse result;
    CliOptions& o = result.options;
    std::vector<std::string_view> designOptionsGiven;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            result.error = "unexpected argument '" + arg + "'";
            return result;
        }
        const auto eq = arg.find('=');
        const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
        std::optional<std::string> inlineValue;
        if (eq != std::string::npos) inlineValue = arg.substr(eq + 1);

        // Takes the option's value from "=value" or from the next argument; a
        // following option is not a value (no number text starts with "--").
        auto takeValue = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 < args.size() && args[i + 1].compare(0, 2, "--") != 0) return args[++i];
            result.error = "option --" + name + " needs a value";
            return std::nullopt;
        };

        if (auto flag = std::find_if(kFlagOptions.begin(), kFlagOptions.end(),
                                     [&](const FlagOption& f) { return f.name == name; });
            flag != kFlagOptions.end()) {
            if (inlineValue) {
                result.error = "option --" + name + " takes no value";
                return result;
            }
            o.*(flag->member) = true;
            continue;
        }
        if (auto text = std::find_if(kTextOptions.begin(), kTextOptions.end(),
                                     [&](const TextOption& t) { return t.name == name; });
            text != kTextOptions.end()) {
            auto value = takeValue();
            if (!value) return result;
            // The design window reads what it can of any text; a script that
            // gives a number option no digit at all has made a mistake.
            if (text->number && value->find_first_of("0123456789") == std::string::npos) {
                result.error = "option --" + name + " takes a number, not '" + *value + "'";
                return result;
            }
            o.*(text->member) = *value;
            if (text->designOnly) designOptionsGiven.push_back(text->name);
            continue;
        }
        if (name == "family" || name == "sweep") {
            auto value = takeValue();
            if (!value) return result;
            const bool family = name == "family";
            const auto choice = family ? FindChoice(kFamilies, *value) : FindChoice(kSweeps, *value);
            if (!choice) {
                result.error = family ? "--family takes butterworth, chebyshev or bessel, not '" + *value + "'"
                                      : "--sweep takes lin or log, not '" + *value + "'";
                return result;
            }
            (family ? o.family : o.sweep) = *choice;
            if (family) designOptionsGiven.push_back("family");
            continue;
        }
        if (const PartsOption parts = ParsePartsOption(name, takeValue, o, result.error); parts != PartsOption::NotOurs) {
            if (parts == PartsOption::Refused) return result;
            continue;
        }
        result.error = "unknown option '--" + name + "'";
        return result;
    }

    // A loaded design is analysed with the parts it brings, just as the design
    // window keeps the design-input fields out of reach in manual entry.
    if (o.load && !designOptionsGiven.empty()) {
        result.error = "--" + std::string(designOptionsGiven.front()) +
                       " cannot be used with --load: a loaded design keeps its own parts";
    }
    return result;
}

std::string UsageText()
{
    // The defaults shown are the start-up design's own texts, so this text
    // cannot drift from what the program really starts with.
    DesignState s;
    InitEngine(s);
    InstallDefaults(s);
    InstallCapacitorDefaults(s);
    InstallOpampDefaults(s);
    const DesignInputs in = InputsFromRecord(s);
    auto d = [](const std::string& text) { return " (" + Trimmed(text) + ")\n"; };

    std::string u;
    u += "Usage: stelvane-cli [options]\n";
    u += "Designs a bandpass filter of cascaded multiple-feedback opamp stages and prints\n";
    u += "its stages, parts and gain at the centre frequency. Numbers take engineering\n";
    u += "suffixes (2k, 10n, 1.5M); options left out keep the start-up design's values.\n";
    u += "\nDesign:\n";
    u += "  --center F         centre frequency, Hz" + d(in.txtCenter);
    u += "  --width F          bandwidth, Hz" + d(in.txtWidth);
    u += "  --gain G           passband gain, dB" + d(in.txtGain);
    u += "  --family NAME      butterworth, chebyshev or bessel (butterworth)\n";
    u += "  --ripple R         passband ripple of a Chebyshev design, dB" + d(in.txtApass);
    u += "  --order N          number of stages, 1 to 21, Bessel to 10" + d(in.lblOrderInput);
    u += "  --cap C            capacitor value of every stage, F" + d(in.txtCaps);
    u += "\nOpamp:\n";
    u += "  --gbw F            gain-bandwidth product, Hz" + d(in.txtGBW);
    u += "  --dcgain A         gain at DC, v/v" + d(in.txtGainDC);
    u += "  --zin Z            input impedance, ohms" + d(in.txtZin);
    u += "\nAnalysis:\n";
    u += "  --start F          sweep start frequency, Hz" + d(in.txtStart);
    u += "  --stop F           sweep stop frequency, Hz" + d(in.txtStop);
    u += "  --intervals N      sweep intervals, at most 2000" + d(in.txtInts);
    u += "  --sweep lin|log    linear or logarithmic sweep (lin)\n";
    u += "  With --center or --width and neither --start nor --stop, the sweep runs from\n";
    u += "  two bandwidths below the centre (at least a tenth of it) to two above.\n";
    u += "\nFiles:\n";
    u += "  --load FILE        analyse the parts of a design file as they stand\n";
    u += "                     (not with the design options above)\n";
    u += "  --save FILE        write the design file\n";
    u += "  --easy FILE        write the tabulated response in the easy format\n";
    u += "  --scientific FILE  write the tabulated response in the scientific format\n";
    u += "  --spice FILE       write the LTspice schematic\n";
    u += "  --specified-opamp  the schematic, the netlist and the check take the specified\n";
    u += "                     opamp and the resistors corrected for it\n";
    u += "  --overlay          write the plot overlay files QUIBEXdata.DB, .PHS and .DEL\n";
    u += "                     in the working directory\n";
    u += "  --netlist FILE     write the ngspice netlist (.cir); with --specified-opamp\n";
    u += "                     the single-pole opamp and the resistors for it\n";
    u += "\nCheck:\n";
    u += "  --verify           simulate the netlist in ngspice and compare every stage and\n";
    u += "                     the cascade with the design's own response: with an ideal\n";
    u += "                     opamp they must agree within 0.001 dB and 0.01 degrees\n";
    u += "                     (where the gain is within 100 dB of its peak); with\n";
    u += "                     --specified-opamp the passband (within 3 dB of the peak)\n";
    u += "                     must stay within the tolerance of the ideal design\n";
    u += "  --tolerance-db X   that tolerance in dB (0.1)\n";
    u += "  --verify-netlist FILE  compare the netlist in FILE (one --netlist wrote, edited\n";
    u += "                     since) with the design instead of the design's own\n";
    u += "  --spice-timeout S  stop ngspice after S seconds (20)\n";
    u += PartsUsageText();
    u += "\nTolerance run:\n";
    u += "  --monte-carlo N    N copies of the design, every R and C drawn around its value,\n";
    u += "                     analysed and swept; prints the spread of gain and stages\n";
    u += "  --r-tol PCT        resistor tolerance, percent (with --monte-carlo)\n";
    u += "  --c-tol PCT        capacitor tolerance, percent (with --monte-carlo)\n";
    u += "  --distribution D   uniform within the tolerance, or normal with a third of it\n";
    u += "                     as standard deviation (uniform)\n";
    u += "  --seed S           the random draws' seed; the same seed, the same numbers (1)\n";
    u += "\nOutput:\n";
    u += "  --json             print the design as JSON instead of the summary\n";
    u += "  --help             show this text\n";
    u += "\nEvery option also takes the form --option=value. Exit codes: 0 done (and the\n";
    u += "check passed), 1 a file could not be read or written or ngspice could not\n";
    u += "simulate, 2 the options were not understood, 4 the simulation disagrees.\n";
    return u;
}

} // namespace stelvane
