#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/designsession.h"

// What the program keeps between its runs, in the user's own folders: the
// settings (the opamp and the bench) and the list of opamps he can name.
namespace stelvane {

// The user's folders the program keeps its files in, each with a folder
// "stelvane" of its own: the settings under the configuration folder
// ($XDG_CONFIG_HOME, else ~/.config), the opamp list under the data folder
// ($XDG_DATA_HOME, else ~/.local/share). A variable that is unset, empty or
// not an absolute path counts as unset; nothing when HOME is no absolute path
// either.
enum class UserFolder { Config, Data };
std::optional<std::filesystem::path> StelvaneFolder(UserFolder which);

// Where the windows keep the settings and find the opamp list; unset, they
// keep nothing and find only the generic opamps.
struct SettingsPlaces {
    std::optional<std::filesystem::path> settings;
    std::optional<std::filesystem::path> opampList;
};
// The places in the user's folders.
SettingsPlaces UserSettingsPlaces();

// The settings files are small: a larger one is no file of ours.
inline constexpr std::size_t kSettingsFileLimit = std::size_t{64} << 10;

// What is wrong with the figures, in words naming the first one out of range
// ("The slew rate, V/us, 0 is not within 1e-06 to 1e+06"); empty when all are usable.
std::string SettingsProblem(const ProgramSettings& settings);

// The settings a file held, or what kept them from being read.
struct SettingsRead {
    std::optional<ProgramSettings> settings;  // nothing: missing or refused
    std::string message;                      // empty when missing or read
};
// Reads the settings file. A missing file gives nothing and says nothing; an
// unreadable, non-regular, oversized or malformed file, or one with a value
// out of range, gives nothing and says why: no value of it is taken. A member
// the file lacks keeps the value of base.
SettingsRead ReadSettingsFile(const std::filesystem::path& file, const ProgramSettings& base = {});
// Writes the settings whole or not at all (a new file beside it, renamed over
// it), making the folder "stelvane" when it is missing but no folder above
// it; empty on success, else what went wrong.
std::string WriteSettingsFile(const std::filesystem::path& file, const ProgramSettings& settings);

// Writes a small JSON text to a file of ours as WriteSettingsFile does.
std::string WriteOwnFile(const std::filesystem::path& file, const std::string& text);
// Reads a small file of ours: its text, or why not (empty why and text for a missing file).
struct OwnFileRead {
    bool missing = false;
    std::string text;
    std::string why;
};
OwnFileRead ReadOwnFile(const std::filesystem::path& file);

// An opamp of the list, by name: its GBW (Hz), DC gain (V/V), input
// impedance (ohms), voltage and current noise (nV/rtHz, pA/rtHz), slew rate
// (V/us) and output swing (V peak).
struct OpampEntry {
    std::string name;
    double gbw = kDefaultGBW, dcgain = kDefaultDCGain, zin = kDefaultZin;
    double en = 0, in = 0, slew = 10, swing = 10;
};
// The opamps the program knows without a list: one of each common kind,
// with typical figures.
const std::vector<OpampEntry>& GenericOpamps();

// The settings with the opamp's figures, and the opamp of the settings under a name.
ProgramSettings WithOpamp(ProgramSettings settings, const OpampEntry& opamp);
OpampEntry OpampOf(std::string name, const ProgramSettings& settings);

struct OpampListRead {
    std::vector<OpampEntry> entries;
    std::string message;  // why a list file was not read; empty otherwise
};
// Reads the opamp list, a JSON array of entries ({"name": ..., "gbw": ...}):
// the generic opamps when there is no file; a file that cannot be read, or
// has an entry without a name or with a figure out of range, gives the
// generic opamps and says why.
OpampListRead ReadOpampList(const std::filesystem::path& file);
// The list, then every generic opamp whose name it lacks.
std::vector<OpampEntry> KnownOpamps(const std::vector<OpampEntry>& list);
// The opamp of the name, with no regard to case; null when none has it.
const OpampEntry* FindOpamp(const std::vector<OpampEntry>& opamps, std::string_view name);
// Puts the opamp into the list file (in place of one of the same name, else
// at its end; the generic opamps first when there is no file yet). A list
// that cannot be read is left as it is. Empty on success, else why not.
std::string AddToOpampList(const std::filesystem::path& file, const OpampEntry& opamp);

}  // namespace stelvane
