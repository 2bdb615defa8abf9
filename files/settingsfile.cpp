#include "files/settingsfile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <system_error>

#include "engine/numbertext.h"
#include "files/textfile.h"

namespace stelvane {

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

// One figure the settings and the opamp list keep, with the range in which
// it describes an opamp or a bench: the same bounds the Enter step keeps the
// opamp fields within, and what a designer's bench can hold for the others.
struct Figure {
    const char* key;
    const char* what;
    double lowest, highest;
};
constexpr Figure kGbw{"gbw", "The gain-bandwidth, Hz,", 1e4, 1e12};
constexpr Figure kDcGain{"dcgain", "The gain at DC, V/V,", 1, 1e7};
constexpr Figure kZin{"zin", "The input impedance, ohms,", 1e3, 1e10};
constexpr Figure kEn{"en", "The voltage noise, nV/rtHz,", 0, 1e6};
constexpr Figure kIn{"in", "The current noise, pA/rtHz,", 0, 1e6};
constexpr Figure kSlew{"slew", "The slew rate, V/us,", 1e-6, 1e6};
constexpr Figure kSwing{"swing", "The output swing, V,", 1e-3, 1e4};
constexpr Figure kInputLevel{"input_level", "The input level, V,", 1e-9, 1e4};
constexpr Figure kTemp{"temp", "The temperature, degrees Celsius,", -273, 1000};
constexpr Figure kNoiseBand{"noise_band", "The noise band, Hz,", 0, 1e12};

std::string OutOfRange(const Figure& f, double value)
{
    return std::string(f.what) + " " + GeneralNumberText(value) + " is not within " + GeneralNumberText(f.lowest) +
        " to " + GeneralNumberText(f.highest);
}

bool Within(const Figure& f, double value) { return value >= f.lowest && value <= f.highest; }

// The words a file gives the bench choices, as the command line takes them.
using Words = std::array<const char*, 2>;
constexpr Words kGainsWords{"equal", "buildable"};
constexpr Words kCorrectionWords{"first-order", "exact"};
constexpr Words kOrderWords{"family", "headroom"};

// Reads the member into value when the object has it; false when it is
// there but no number.
bool TakeNumber(const Json& object, const Figure& f, double& value)
{
    const auto at = object.find(f.key);
    if (at == object.end()) return true;
    if (!at->is_number()) return false;
    value = at->get<double>();
    return true;
}

template <class Code>
bool TakeWord(const Json& object, const char* key, const Words& words, Code& code)
{
    const auto at = object.find(key);
    if (at == object.end()) return true;
    for (std::size_t k = 0; k < words.size(); ++k)
        if (*at == words[k]) {
            code = CodeOf<Code>(Integer(k));
            return true;
        }
    return false;
}

std::string FolderText(const fs::path& file) { return QuotedForMessage(file.string()); }

}  // namespace

std::optional<fs::path> StelvaneFolder(UserFolder which)
{
    const bool config = which == UserFolder::Config;
    auto absolute = [](const char* variable) -> std::optional<fs::path> {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0' || !fs::path(value).is_absolute()) return std::nullopt;
        return fs::path(value);
    };
    if (auto base = absolute(config ? "XDG_CONFIG_HOME" : "XDG_DATA_HOME")) return *base / "stelvane";
    if (auto home = absolute("HOME")) return *home / (config ? ".config" : ".local/share") / "stelvane";
    return std::nullopt;
}

SettingsPlaces UserSettingsPlaces()
{
    SettingsPlaces places;
    if (auto folder = StelvaneFolder(UserFolder::Config)) places.settings = *folder / "settings.json";
    if (auto folder = StelvaneFolder(UserFolder::Data)) places.opampList = *folder / "opamps.json";
    return places;
}

std::string SettingsProblem(const ProgramSettings& p)
{
    const BenchSettings& b = p.Bench;
    const std::pair<const Figure*, double> figures[] = {{&kGbw, p.GBW}, {&kDcGain, p.DCGain}, {&kZin, p.Zin},
        {&kEn, b.En}, {&kIn, b.In}, {&kSlew, b.Slew}, {&kSwing, b.Swing}, {&kInputLevel, b.InputLevel},
        {&kTemp, b.TempC}, {&kNoiseBand, b.NoiseStart}, {&kNoiseBand, b.NoiseStop}};
    for (const auto& [figure, value] : figures)
        if (!Within(*figure, value)) return OutOfRange(*figure, value);
    // No band at all (the sweep's), or a lower frequency above 0, then a higher one.
    if ((b.NoiseStart != 0 || b.NoiseStop != 0) && !(b.NoiseStart > 0 && b.NoiseStart < b.NoiseStop))
        return "The noise band, Hz, " + GeneralNumberText(b.NoiseStart) + " to " + GeneralNumberText(b.NoiseStop) +
            " is not a lower frequency above 0, then a higher one";
    return {};
}

OwnFileRead ReadOwnFile(const fs::path& file)
{
    const InputFile in = ReadInputFile(file.string(), kSettingsFileLimit);
    if (in.fault == InputFault::Missing) return {true, {}, {}};
    if (in.fault == InputFault::TooLarge) return {false, {}, "it is larger than 64 KiB"};
    if (in.fault != InputFault::None) return {false, {}, InputFaultText(in.fault, kSettingsFileLimit)};
    return {false, in.text, {}};
}

std::string WriteOwnFile(const fs::path& file, const std::string& text)
{
    std::error_code error;
    // Only the program's own folder is made; the user's folder above it is his.
    fs::create_directory(file.parent_path(), error);
    // A device or pipe under the name (or behind a link) is not ours to write
    // through; a link to a file of ours is the user's and stays a link.
    const fs::file_status status = fs::status(file, error);
    if (fs::exists(status) && !fs::is_regular_file(status)) return FolderText(file) + " is not a regular file";
    if (!WriteTextFileSafely(file.string(), text)) return FolderText(file) + " could not be written";
    return {};
}

SettingsRead ReadSettingsFile(const fs::path& file, const ProgramSettings& base)
{
    const OwnFileRead in = ReadOwnFile(file);
    if (in.missing) return {};
    const std::string refused = "The settings in " + FolderText(file) + " were not read (";
    const std::string kept = "); the opamp and bench stay as they are";
    if (!in.why.empty()) return {std::nullopt, refused + in.why + kept};
    const Json json = Json::parse(in.text, nullptr, false);
    ProgramSettings p = base;
    BenchSettings& b = p.Bench;
    double gbw = p.GBW, dcGain = p.DCGain, zin = p.Zin;
    const Json noOpamp = Json::object();
    const Json& opamp = json.is_object() && json.contains("opamp") ? json["opamp"] : noOpamp;
    bool sound = json.is_object() && opamp.is_object();
    if (sound) {
        for (auto [figure, field] : {std::pair{&kGbw, &gbw}, {&kDcGain, &dcGain}, {&kZin, &zin}, {&kEn, &b.En},
                 {&kIn, &b.In}, {&kSlew, &b.Slew}, {&kSwing, &b.Swing}})
            sound = TakeNumber(opamp, *figure, *field) && sound;
        sound = TakeNumber(json, kInputLevel, b.InputLevel) && TakeNumber(json, kTemp, b.TempC) && sound;
        sound = TakeWord(json, "stage_gains", kGainsWords, b.Gains) &&
            TakeWord(json, "correction", kCorrectionWords, b.Correction) &&
            TakeWord(json, "stage_order", kOrderWords, b.Order) && sound;
        if (const auto band = json.find(kNoiseBand.key); band != json.end()) {
            sound = band->is_array() && band->size() == 2 && (*band)[0].is_number() && (*band)[1].is_number() && sound;
            if (sound) b.NoiseStart = (*band)[0].get<double>(), b.NoiseStop = (*band)[1].get<double>();
        }
    }
    if (!sound) return {std::nullopt, refused + "it is not a settings file of this program" + kept};
    // The record keeps the opamp in Singles; a figure out of their range is refused, not rounded to infinity.
    for (double* figure : {&gbw, &dcGain, &zin})
        if (!(std::abs(*figure) <= 1e30)) *figure = std::nan("");
    p.GBW = Single(gbw), p.DCGain = Single(dcGain), p.Zin = Single(zin);
    if (const std::string problem = SettingsProblem(p); !problem.empty())
        return {std::nullopt, refused + problem + kept};
    return {p, {}};
}

std::string WriteSettingsFile(const fs::path& file, const ProgramSettings& p)
{
    const BenchSettings& b = p.Bench;
    Json json;
    json["opamp"] = {{kGbw.key, p.GBW}, {kDcGain.key, p.DCGain}, {kZin.key, p.Zin}, {kEn.key, b.En}, {kIn.key, b.In},
        {kSlew.key, b.Slew}, {kSwing.key, b.Swing}};
    json["stage_gains"] = kGainsWords[std::size_t(NumberOf(b.Gains)) % 2];
    json["correction"] = kCorrectionWords[std::size_t(NumberOf(b.Correction)) % 2];
    json["stage_order"] = kOrderWords[std::size_t(NumberOf(b.Order)) % 2];
    json[kInputLevel.key] = b.InputLevel;
    json[kTemp.key] = b.TempC;
    json[kNoiseBand.key] = {b.NoiseStart, b.NoiseStop};
    return WriteOwnFile(file, json.dump(2) + "\n");
}

const std::vector<OpampEntry>& GenericOpamps()
{
    // Typical data-sheet figures of each kind; the JFET's input impedance is
    // the highest the record keeps.
    static const std::vector<OpampEntry> kGeneric{
        {"Generic bipolar", 1e6, 2e5, 2e6, 18, 0.5, 0.5, 13},
        {"Generic low-noise audio", 10e6, 1e5, 3e5, 4.5, 0.7, 9, 13},
        {"Generic JFET-input", 3e6, 2e5, 1e10, 18, 0.01, 13, 13},
        {"Generic fast CMOS", 50e6, 1e5, 1e10, 9, 0.001, 30, 2.4},
    };
    return kGeneric;
}

ProgramSettings WithOpamp(ProgramSettings p, const OpampEntry& o)
{
    // Figures beyond a Single's range are left to SettingsProblem, as infinities.
    auto single = [](double v) { return std::abs(v) <= 1e30 ? Single(v) : Single(std::copysign(INFINITY, v)); };
    p.GBW = single(o.gbw), p.DCGain = single(o.dcgain), p.Zin = single(o.zin);
    p.Bench.En = o.en, p.Bench.In = o.in, p.Bench.Slew = o.slew, p.Bench.Swing = o.swing;
    return p;
}

OpampEntry OpampOf(std::string name, const ProgramSettings& p)
{
    const BenchSettings& b = p.Bench;
    return {std::move(name), p.GBW, p.DCGain, p.Zin, b.En, b.In, b.Slew, b.Swing};
}

namespace {

// A name a user can read back in the list: some text, no control characters.
constexpr std::size_t kLongestName = 100;
bool UsableName(const std::string& name)
{
    return !name.empty() && name.size() <= kLongestName &&
        std::none_of(name.begin(), name.end(), [](char c) { return std::iscntrl(static_cast<unsigned char>(c)); }) &&
        name.find_first_not_of(' ') != std::string::npos;
}

// The entries of a list file, or why it is no list.
std::string EntriesOf(const std::string& text, std::vector<OpampEntry>& entries)
{
    const Json json = Json::parse(text, nullptr, false);
    if (!json.is_array()) return "it is not a JSON array of opamps";
    for (const Json& item : json) {
        const std::string number = "entry " + std::to_string(entries.size() + 1);
        OpampEntry o;
        if (!item.is_object() || !item.contains("name") || !item["name"].is_string() ||
            !UsableName(o.name = item["name"].get<std::string>()))
            return number + " has no usable name";
        const std::string named = number + " (" + QuotedForMessage(o.name) + ")";
        for (auto [figure, field] : {std::pair{&kGbw, &o.gbw}, {&kDcGain, &o.dcgain}, {&kZin, &o.zin}, {&kEn, &o.en},
                 {&kIn, &o.in}, {&kSlew, &o.slew}, {&kSwing, &o.swing}})
            if (!TakeNumber(item, *figure, *field)) return named + " has a figure that is no number";
        if (const std::string problem = SettingsProblem(WithOpamp({}, o)); !problem.empty())
            return named + ": " + problem;
        entries.push_back(std::move(o));
    }
    return {};
}

Json JsonOf(const OpampEntry& o)
{
    return {{"name", o.name}, {kGbw.key, o.gbw}, {kDcGain.key, o.dcgain}, {kZin.key, o.zin}, {kEn.key, o.en},
        {kIn.key, o.in}, {kSlew.key, o.slew}, {kSwing.key, o.swing}};
}

bool SameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

OpampListRead ReadOpampList(const fs::path& file)
{
    const OwnFileRead in = ReadOwnFile(file);
    std::vector<OpampEntry> entries;
    std::string why = in.why;
    if (!in.missing && why.empty()) why = EntriesOf(in.text, entries);
    if (in.missing || !why.empty()) entries = GenericOpamps();
    if (!why.empty())
        why = "The opamp list " + FolderText(file) + " was not read (" + why + "); the generic opamps stand in";
    return {std::move(entries), std::move(why)};
}

std::vector<OpampEntry> KnownOpamps(const std::vector<OpampEntry>& list)
{
    std::vector<OpampEntry> known = list;
    for (const OpampEntry& generic : GenericOpamps())
        if (!FindOpamp(list, generic.name)) known.push_back(generic);
    return known;
}

const OpampEntry* FindOpamp(const std::vector<OpampEntry>& opamps, std::string_view name)
{
    const auto at =
        std::find_if(opamps.begin(), opamps.end(), [&](const OpampEntry& o) { return SameName(o.name, name); });
    return at == opamps.end() ? nullptr : &*at;
}

std::string AddToOpampList(const fs::path& file, const OpampEntry& opamp)
{
    if (!UsableName(opamp.name)) return "An opamp of the list needs a name (at most 100 characters, on one line)";
    if (const std::string problem = SettingsProblem(WithOpamp({}, opamp)); !problem.empty()) return problem;
    const OpampListRead list = ReadOpampList(file);
    if (!list.message.empty()) return list.message.substr(0, list.message.find(';')) + "; it is left as it is";
    Json json = Json::array();
    bool replaced = false;
    for (const OpampEntry& o : list.entries) {
        const bool same = SameName(o.name, opamp.name);
        json.push_back(JsonOf(same ? opamp : o));
        replaced = replaced || same;
    }
    if (!replaced) json.push_back(JsonOf(opamp));
    return WriteOwnFile(file, json.dump(2) + "\n");
}

}  // namespace stelvane
