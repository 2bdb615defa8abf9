#include "tools/cliargs.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <string_view>

#include "engine/designsession.h"
#include "engine/designtext.h"
#include "engine/designstate.h"
#include "engine/enterstep.h"
#include "engine/numbertext.h"
#include "tools/cliparts.h"

namespace stelvane {
namespace {

using TextMember = std::optional<std::string> CliOptions::*;
using FlagMember = bool CliOptions::*;

constexpr std::size_t kQuotedLength = 300;  // of an outside text in a message

// What a text option takes. A number is wholly one number or nothing: "1O0"
// is no 10 and "4k7" is 4.7k, never 4k.
enum class Takes {
    Text,         // a file name or a word
    Number,       // any number; the design window puts it into range, and that is said
    Whole,        // a count: a whole number
    AboveZero,    // a frequency or a time: a number above 0
    NotNegative,  // a number of dB
    ZeroOrMore,   // a noise density
    Percent,      // a number with or without a trailing %
};

struct TextOption {
    std::string_view name;
    TextMember member;
    bool designOnly;  // a design input a loaded design keeps as it stands
    Takes takes = Takes::Number;
};

constexpr std::array kTextOptions{
    TextOption{"center", &CliOptions::center, true},
    TextOption{"width", &CliOptions::width, true},
    TextOption{"gain", &CliOptions::gain, true},
    TextOption{"ripple", &CliOptions::ripple, true},
    TextOption{"order", &CliOptions::order, true, Takes::Whole},
    TextOption{"cap", &CliOptions::cap, true},
    TextOption{"gbw", &CliOptions::gbw, false},
    TextOption{"dcgain", &CliOptions::dcgain, false},
    TextOption{"zin", &CliOptions::zin, false},
    TextOption{"start", &CliOptions::start, false, Takes::AboveZero},
    TextOption{"stop", &CliOptions::stop, false, Takes::AboveZero},
    TextOption{"intervals", &CliOptions::intervals, false, Takes::Whole},
    TextOption{"load", &CliOptions::load, false, Takes::Text},
    TextOption{"save", &CliOptions::save, false, Takes::Text},
    TextOption{"easy", &CliOptions::easy, false, Takes::Text},
    TextOption{"scientific", &CliOptions::scientific, false, Takes::Text},
    TextOption{"spice", &CliOptions::spice, false, Takes::Text},
    TextOption{"netlist", &CliOptions::netlist, false, Takes::Text},
    TextOption{"verify-netlist", &CliOptions::verifyNetlist, false, Takes::Text},
    TextOption{"tolerance-db", &CliOptions::toleranceDb, false, Takes::NotNegative},
    TextOption{"spice-timeout", &CliOptions::spiceTimeout, false, Takes::AboveZero},
    TextOption{"bom", &CliOptions::bom, false, Takes::Text},
    TextOption{"monte-carlo", &CliOptions::monteCarlo, false, Takes::Whole},
    TextOption{"r-tol", &CliOptions::rTol, false, Takes::Percent},
    TextOption{"c-tol", &CliOptions::cTol, false, Takes::Percent},
    TextOption{"distribution", &CliOptions::distribution, false, Takes::Text},
    TextOption{"seed", &CliOptions::seed, false, Takes::Whole},
    TextOption{"input-level", &CliOptions::inputLevel, false, Takes::AboveZero},
    TextOption{"swing", &CliOptions::swing, false, Takes::AboveZero},
    TextOption{"slew", &CliOptions::slew, false, Takes::AboveZero},
    TextOption{"temp", &CliOptions::temp, false},
    TextOption{"en", &CliOptions::en, false, Takes::ZeroOrMore},
    TextOption{"in", &CliOptions::in, false, Takes::ZeroOrMore},
    TextOption{"opamp", &CliOptions::opamp, false, Takes::Text},
    TextOption{"delay-spread", &CliOptions::delaySpread, false, Takes::AboveZero},
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

constexpr int kChebyshev = 2;
constexpr std::array kFamilies{Choice{"butterworth", 1}, Choice{"chebyshev", kChebyshev}, Choice{"bessel", 3}};
constexpr std::array kSweeps{Choice{"lin", 1}, Choice{"linear", 1}, Choice{"log", 2}};
constexpr std::array kStageGains{
    Choice{"equal", NumberOf(StageGains::Equal)}, Choice{"buildable", NumberOf(StageGains::Buildable)}};
constexpr std::array kCorrections{
    Choice{"first-order", NumberOf(OpampCorrection::FirstOrder)}, Choice{"exact", NumberOf(OpampCorrection::Exact)}};
constexpr std::array kStageOrders{
    Choice{"family", NumberOf(StageOrder::Family)}, Choice{"headroom", NumberOf(StageOrder::Headroom)}};
constexpr double kAbsoluteZeroC = -273.15;

// Adds an option that takes one of a few words, giving its code.
template <class Code, std::size_t N>
void AddChoiceOption(CLI::App& app, const char* name, const std::array<Choice, N>& choices, std::optional<Code>& member,
    const std::function<void(std::string)>& refuse)
{
    app.add_option_function<std::string>(std::string("--") + name,
           [&, name, refuse](const std::string& value) {
               const auto code = FindChoice(choices, value);
               if (!code) {
                   std::string words;
                   for (std::size_t i = 0; i < N; ++i)
                       words += std::string(i == 0 ? "" : i + 1 == N ? " or " : ", ") + std::string(choices[i].word);
                   return refuse(std::string("--") + name + " takes " + words + ", not " + Quoted(value));
               }
               member = CodeOf<Code>(static_cast<Integer>(*code));
           })
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

template <std::size_t N>
std::optional<int> FindChoice(const std::array<Choice, N>& choices, std::string_view word)
{
    const std::string lower = LowerCase(word);
    for (const Choice& c : choices)
        if (c.word == lower) return c.value;
    return std::nullopt;
}

std::string_view WithoutPercent(std::string_view text)
{
    if (!text.empty() && text.back() == '%') text.remove_suffix(1);
    return text;
}

// Why the text is not what the option takes, or nothing when it is.
std::optional<std::string> NumberRefusal(std::string_view name, Takes takes, const std::string& text)
{
    const std::string option = "option --" + std::string(name);
    if (takes == Takes::Text) return std::nullopt;
    const auto value = ParseStrictNumber(takes == Takes::Percent ? WithoutPercent(text) : std::string_view(text));
    switch (takes) {
    case Takes::Whole:
        if (value && std::isfinite(*value) && std::trunc(*value) == *value) return std::nullopt;
        return option + " takes a whole number, not " + Quoted(text);
    case Takes::AboveZero:
        if (value && *value > 0) return std::nullopt;
        return option + " takes a number above 0, not " + Quoted(text);
    case Takes::NotNegative:
        if (value && *value >= 0) return std::nullopt;
        return "--" + std::string(name) + " takes a number of dB, 0 or more, not " + Quoted(text);
    case Takes::ZeroOrMore:
        if (value && *value >= 0 && std::isfinite(*value)) return std::nullopt;
        return option + " takes a number, 0 or more, not " + Quoted(text);
    default:
        if (value) return std::nullopt;
        return option + " takes a number, not " + Quoted(text);
    }
}

// The one line a CLI11 refusal becomes, in the words the program always used.
std::string ParseErrorText(const CLI::ParseError& e)
{
    const std::string what = e.what();
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) && what.starts_with("--")) {
        return "option " + what.substr(0, what.find(':')) + " needs a value";
    }
    return "the options were not understood: " + what;
}

// The number as the shortest decimal text that reads back as the same double;
// a value beyond the double range keeps its own text ("1e999", not "inf").
std::string DecimalText(const std::string& text)
{
    const double value = CliNumber(text);
    if (!std::isfinite(value)) return text;
    char buf[32];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
}

}  // namespace

double CliNumber(const std::string& text) { return ParseStrictNumber(WithoutPercent(text)).value_or(0); }

std::string Shortened(const std::string& text)
{
    return text.size() <= kQuotedLength ? text : text.substr(0, kQuotedLength) + "...";
}

std::string Quoted(const std::string& text)
{
    // A control character (a newline in an argument) would break the one line
    // a refusal is; it is written as \xNN.
    std::string quoted = "'";
    for (const char c : Shortened(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            quoted += c;
            continue;
        }
        static constexpr char kHex[] = "0123456789abcdef";
        quoted += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xf]};
    }
    return quoted + "'";
}

CliParse ParseCliArgs(const std::vector<std::string>& args)
{
    CliParse result;
    CliOptions& o = result.options;
    std::string& error = result.error;
    auto refuse = [&error](std::string why) {
        if (error.empty()) error = std::move(why);
    };
    std::vector<std::string_view> designOptionsGiven;

    // Said before CLI11 sees them, which would take "--json=yes" for a yes and
    // "--" for the end of the options.
    for (const std::string& arg : args) {
        if (arg == "--") return {o, "unexpected argument '--'"};
        const auto eq = arg.find('=');
        for (const FlagOption& f : kFlagOptions)
            if (eq != std::string::npos && arg.compare(0, eq, "--" + std::string(f.name)) == 0)
                return {o, "option --" + std::string(f.name) + " takes no value"};
    }

    CLI::App app{"", "stelvane-cli"};
    app.set_help_flag();  // the program's own usage text, with the start-up design's values
    app.allow_extras();   // said below in the program's words
    const auto last = CLI::MultiOptionPolicy::TakeLast;
    for (const FlagOption& f : kFlagOptions)
        app.add_flag("--" + std::string(f.name), o.*(f.member))->multi_option_policy(last);
    for (const TextOption& t : kTextOptions) {
        app.add_option_function<std::string>("--" + std::string(t.name),
               [&, t](const std::string& value) {
                   // A following option is no value: no number or file name starts with "--".
                   if (value.starts_with("--")) return refuse("option --" + std::string(t.name) + " needs a value");
                   if (auto why = NumberRefusal(t.name, t.takes, value)) return refuse(*why);
                   o.*(t.member) = value;
                   // The check reads its figures as plain decimals: "100m" reaches it as 0.1.
                   if (t.member == &CliOptions::toleranceDb || t.member == &CliOptions::spiceTimeout)
                       o.*(t.member) = DecimalText(value);
                   if (t.designOnly) designOptionsGiven.push_back(t.name);
               })
            ->multi_option_policy(last);
    }
    app.add_option_function<std::string>("--family",
           [&](const std::string& value) {
               o.family = FindChoice(kFamilies, value);
               if (!o.family) return refuse("--family takes butterworth, chebyshev or bessel, not " + Quoted(value));
               designOptionsGiven.push_back("family");
           })
        ->multi_option_policy(last);
    app.add_option_function<std::string>("--sweep",
           [&](const std::string& value) {
               o.sweep = FindChoice(kSweeps, value);
               if (!o.sweep) refuse("--sweep takes lin or log, not " + Quoted(value));
           })
        ->multi_option_policy(last);
    AddPartsOptions(app, o, refuse);
    const std::function<void(std::string)> refuseText = refuse;
    AddChoiceOption(app, "stage-gains", kStageGains, o.stageGains, refuseText);
    AddChoiceOption(app, "correction", kCorrections, o.correction, refuseText);
    AddChoiceOption(app, "stage-order", kStageOrders, o.stageOrder, refuseText);
    app.add_option_function<std::vector<std::string>>("--noise-band",
           [&](const std::vector<std::string>& values) {
               // CLI11 hands over what it found, which may be one frequency only.
               if (values.size() != 2) return refuse("--noise-band takes two frequencies, F1 and F2");
               for (const std::string& v : values)
                   if (v.starts_with("--") || !(ParseStrictNumber(v).value_or(0) > 0))
                       return refuse("--noise-band takes two frequencies above 0, not " + Quoted(v));
               if (!(CliNumber(values[0]) < CliNumber(values[1])))
                   return refuse("--noise-band takes a lower frequency first, then a higher one");
               o.noiseBand = std::pair(values[0], values[1]);
           })
        ->expected(2)
        ->allow_extra_args(false)
        ->multi_option_policy(last);
    app.add_option_function<std::vector<std::string>>("--mask",
           [&](const std::vector<std::string>& values) {
               if (values.size() != 6) return refuse("--mask takes six figures, FP1 FP2 AP FS1 FS2 AS");
               std::array<double, 6> x{};
               for (std::size_t i = 0; i < 6; ++i) {
                   const auto v = values[i].starts_with("--") ? std::nullopt : ParseStrictNumber(values[i]);
                   if (!(v.value_or(0) > 0) || !std::isfinite(*v))
                       return refuse("--mask takes six figures above 0, not " + Quoted(values[i]));
                   x[i] = *v;
               }
               if (!(x[3] < x[0] && x[0] < x[1] && x[1] < x[4]))
                   return refuse("--mask takes its frequencies with FS1 < FP1 < FP2 < FS2");
               if (!(x[5] > x[2])) return refuse("--mask takes a stopband attenuation AS above the passband loss AP");
               o.mask = std::array<std::string, 6>{values[0], values[1], values[2], values[3], values[4], values[5]};
           })
        ->expected(6)
        ->allow_extra_args(false)
        ->multi_option_policy(last);

    std::vector<std::string> reversed(args.rbegin(), args.rend());  // as CLI11 takes them
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return {o, ParseErrorText(e)};
    }
    if (!error.empty()) return result;
    if (const auto extras = app.remaining(); !extras.empty()) {
        const std::string& arg = extras.front();
        if (arg.starts_with("--")) return {o, "unknown option " + Quoted(arg.substr(0, arg.find('=')))};
        return {o, "unexpected argument " + Quoted(arg)};
    }

    // A loaded design is analysed with the parts it brings, just as the design
    // window keeps the design-input fields out of reach in manual entry.
    if (o.load && !designOptionsGiven.empty()) {
        error = "--" + std::string(designOptionsGiven.front()) +
            " cannot be used with --load: a loaded design keeps its own parts";
    } else if (o.toleranceDb && !o.verify && !o.verifyNetlist) {
        error = "--tolerance-db needs --verify or --verify-netlist";
    } else if (o.spiceTimeout && !o.verify && !o.verifyNetlist) {
        error = "--spice-timeout needs --verify or --verify-netlist";  // nothing else simulates
    } else if (o.temp && !(CliNumber(*o.temp) > kAbsoluteZeroC && std::isfinite(CliNumber(*o.temp)))) {
        error = "--temp takes a temperature above -273.15 degrees Celsius, not " + Quoted(*o.temp);
    } else if (o.delaySpread && !o.mask) {
        error = "--delay-spread needs --mask";  // a spread is asked of the passband the mask names
    } else if (o.mask && !o.load && (o.center || o.width || o.order || o.ripple)) {
        // the order search sets them; --family still picks the family
        error = std::string("--") +
            (o.center         ? "center"
                    : o.width ? "width"
                    : o.order ? "order"
                              : "ripple") +
            " cannot be used with --mask: the mask sets the centre, width, order and ripple";
    } else if (o.ripple && o.family != kChebyshev) {
        error = "--ripple needs --family chebyshev";  // the other families have no ripple to set
    }
    return result;
}

std::string UsageText()
{
    // The defaults shown are the start-up design's own texts, so this text
    // cannot drift from what the program really starts with.
    DesignState s;
    DesignSession(s).StartUp();
    const DesignInputs in = InputsFromRecord(s);
    auto d = [](const std::string& text) { return " (" + Trimmed(text) + ")\n"; };

    std::string u;
    u += "Usage: stelvane-cli [options]\n";
    u += "Designs a bandpass filter of cascaded multiple-feedback opamp stages and prints\n";
    u += "its stages, parts and gain at the centre frequency. Options left out keep the\n";
    u += "start-up design's values.\n";
    u += "A number is wholly one number: digits with at most one point, an optional\n";
    u += "exponent and an optional suffix f p n u m k M G T or meg (2k, 10n, 1.5e3), or\n";
    u += "a part-marking code (4k7 = 4.7k, 2M2, 4n7, 1R5 = 1.5, R47 = 0.47); anything\n";
    u += "else ends the run. A value put into range is said on stderr.\n";
    u += "\nDesign:\n";
    u += "  --center F         centre frequency, Hz" + d(in.txtCenter);
    u += "  --width F          bandwidth, Hz" + d(in.txtWidth);
    u += "  --gain G           passband gain, dB" + d(in.txtGain);
    u += "  --family NAME      butterworth, chebyshev or bessel (butterworth)\n";
    u += "  --ripple R         passband ripple, dB, with --family chebyshev" + d(in.txtApass);
    u += "  --order N          number of stages, a whole number 1 to 21, Bessel to 10" + d(in.lblOrderInput);
    u += "  --cap C            capacitor value of every stage, F" + d(in.txtCaps);
    u += "\nOpamp:\n";
    u += "  --gbw F            gain-bandwidth product, Hz" + d(in.txtGBW);
    u += "  --dcgain A         gain at DC, v/v" + d(in.txtGainDC);
    u += "  --zin Z            input impedance, ohms" + d(in.txtZin);
    u += "\nAnalysis:\n";
    u += "  --start F          sweep start frequency, Hz, above 0" + d(in.txtStart);
    u += "  --stop F           sweep stop frequency, Hz, above 0" + d(in.txtStop);
    u += "  --intervals N      sweep intervals, a whole number, at most 2000" + d(in.txtInts);
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
    u += "  Every file is looked at before the first is written: an empty name, a folder,\n";
    u += "  a device or pipe (also with the extension added), or a file another option\n";
    u += "  reads or writes ends the run with 2. Files read must be regular files.\n";
    u += "\nCheck:\n";
    u += "  --verify           simulate the netlist in ngspice and compare every stage and\n";
    u += "                     the cascade with the design's own response: with an ideal\n";
    u += "                     opamp they must agree within 0.001 dB and 0.01 degrees\n";
    u += "                     (where the gain is within 100 dB of its peak); with\n";
    u += "                     --specified-opamp the passband (within 3 dB of the peak)\n";
    u += "                     must stay within the tolerance of the ideal design\n";
    u += "  --tolerance-db X   that tolerance in dB (0.1; 0.01 with --correction exact),\n";
    u += "                     with --verify or --verify-netlist\n";
    u += "  --spice-timeout S  seconds a simulation may take before it is stopped (20),\n";
    u += "                     with --verify or --verify-netlist\n";
    u += "  --verify-netlist FILE  compare the netlist in FILE (one --netlist wrote, edited\n";
    u += "                     since) with the design instead of the design's own\n";
    u += PartsUsageText();
    u += "\nTolerance run:\n";
    u += "  --monte-carlo N    N copies of the design (a whole number), every R and C\n";
    u += "                     drawn around its value, analysed and swept; prints the\n";
    u += "                     spread of gain and stages; the four options below need it\n";
    u += "  --r-tol PCT        resistor tolerance, percent (with --monte-carlo)\n";
    u += "  --c-tol PCT        capacitor tolerance, percent (with --monte-carlo)\n";
    u += "  --distribution D   uniform within the tolerance, or normal with a third of it\n";
    u += "                     as standard deviation (uniform)\n";
    u += "  --seed S           the random draws' seed, a whole number; the same seed, the\n";
    u += "                     same numbers (1)\n";
    u += "\nBench:\n";
    u += "  --stage-gains equal|buildable  share the gain equally over the stages, or so\n";
    u += "                     that every stage can be built (equal)\n";
    u += "  --correction first-order|exact  how Rs is corrected for the specified opamp:\n";
    u += "                     to first order, or solved exactly for it (first-order);\n";
    u += "                     a stage with no exact resistors is named and keeps its\n";
    u += "                     first-order ones\n";
    u += "  --stage-order family|headroom  the stages in the family's order, or in the\n";
    u += "                     order with the smallest intermediate peak (family)\n";
    u += "  --input-level V    the input signal, V peak (1)\n";
    u += "  --swing V          the opamp's output swing, V peak (10)\n";
    u += "  --slew S           the opamp's slew rate, V/us (10)\n";
    u += "  --temp C           the resistors' temperature, degrees Celsius (27)\n";
    u += "  --en E             the opamp's voltage noise, nV/rtHz (0)\n";
    u += "  --in I             the opamp's current noise, pA/rtHz (0)\n";
    u += "  --noise-band F1 F2 integrate the noise from F1 to F2, Hz (the sweep)\n";
    u += "  --opamp NAME       take the opamp's figures from the opamp list\n";
    u += "\nRequirement:\n";
    u += "  --mask FP1 FP2 AP FS1 FS2 AS  pass FP1..FP2 Hz losing at most AP dB, stop\n";
    u += "                     below FS1 and above FS2 Hz by at least AS dB\n";
    u += "  --delay-spread PCT the most the group delay may vary over the passband,\n";
    u += "                     percent of its least value there\n";
    u += "  With --mask the least order of each family is found and the lowest that meets\n";
    u += "  the mask is designed (the one --family names, if given); --center, --width,\n";
    u += "  --order and --ripple are refused, as the mask sets them. Without --start and\n";
    u += "  --stop the sweep runs from one transition band below FS1 to one above FS2.\n";
    u += "  With --load the loaded design is checked against the mask. A design that\n";
    u += "  does not meet the mask is still designed and written, and ends the run with 3.\n";
    u += "\nOutput:\n";
    u += "  --json             print the design as JSON instead of the summary\n";
    u += "  --help             show this text\n";
    u += "\nEvery option also takes the form --option=value. Exit codes: 0 done (and the\n";
    u += "check passed), 1 a file or standard output could not be read or written or\n";
    u += "ngspice could not simulate, 2 the options were not understood, 3 the design\n";
    u += "does not meet the mask, 4 the simulation disagrees.\n";
    return u;
}

}  // namespace stelvane
