#include "files/designfile.h"

#include <cmath>
#include <filesystem>
#include <iterator>
#include <string_view>
#include <vector>
#include <limits>
#include <memory>
#include <optional>
#include <type_traits>

#include "engine/numbertext.h"
#include "engine/partcheck.h"
#include "files/storedfields.h"
#include "files/textfile.h"

namespace stelvane {

namespace {

// The design-file text: one value per line, in the order of the stored
// fields. Nothing when the stage count is beyond the arrays.
std::optional<std::string> DesignFileText(const DesignState& s)
{
    std::string text;
    const auto line = [&](const char*, auto value) {
        if constexpr (std::is_same_v<decltype(value), Integer>)
            text += std::to_string(value);
        else
            // A NaN or infinity has no number text a reader would accept; it
            // is saved as 0 so that the rest of the design still loads.
            text += std::isfinite(value) ? GeneralNumberText(value) : std::string("0");
        text += kLineEnd;
    };
    if (!VisitStoredFields(line, s)) return std::nullopt;
    return text;
}

// The lines of a file's text, without their line ends and the blanks around
// them; a last line end makes no empty line after it.
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        lines.push_back(line);
    }
    return lines;
}

constexpr int kFamilies = 4;          // Butterworth, Chebyshev, Bessel, and 4: the poles the record holds
constexpr int kMaxBesselStages = 10;  // the Bessel table ends there
constexpr int kMaxGridIntervals = 12;

// What a file that ends too soon lacks, after the lines read so far.
std::string LinesNeeded(const DesignState& s, std::size_t linesRead)
{
    const std::size_t header = std::size(kStoredHeader);
    if (linesRead < header || s.Order < 1) return "a design needs at least " + std::to_string(header) + " lines";
    return std::to_string(s.Order) + (s.Order == 1 ? " stage needs " : " stages need ") +
        std::to_string(header + std::size(kStoredStageValues) * s.Order) + " lines";
}

// Reads a whole design file's text into s, line by line in the order of the
// stored fields, and checks every value against what the program can hold.
// Gives nothing when it was read, otherwise why not ("line 5: Family 99 is
// not 1 to 4"), with s half-filled, so callers read into a copy.
std::optional<std::string> ReadDesignInto(DesignState& s, std::string_view text)
{
    const std::vector<std::string_view> lines = Lines(text);
    std::size_t next = 0;
    std::optional<std::string> fault;
    const auto refuse = [&fault](std::size_t line, const std::string& why) {
        fault = "line " + std::to_string(line) + ": " + why;
        return false;
    };
    std::string stageName;  // " of stage k" while the stage blocks are read
    const auto read = [&](const char* name, auto& target) {
        const std::string field = name + stageName;
        if (next >= lines.size())
            return refuse(next + 1, "the file ends before " + field + " (" + LinesNeeded(s, next) + ")");
        const std::string_view line = lines[next++];
        const std::string quoted = QuotedForMessage(line);
        if (line.find(',') != std::string_view::npos)
            return refuse(next, field + " '" + quoted + "' holds more than one value");
        const std::optional<double> v = ParseDecimalText(line);
        if (!v) return refuse(next, field + " '" + quoted + "' is not a number");
        using Target = std::remove_reference_t<decltype(target)>;
        if constexpr (std::is_same_v<Target, Integer>) {
            if (*v != std::floor(*v)) return refuse(next, field + " " + quoted + " is not a whole number");
            if (*v < std::numeric_limits<Integer>::min() || *v > std::numeric_limits<Integer>::max())
                return refuse(next, field + " " + quoted + " is beyond the range of a stored value");
            target = static_cast<Integer>(*v);
        } else {
            if (std::fabs(*v) > std::numeric_limits<Single>::max())
                return refuse(next, field + " " + quoted + " is beyond the range of a stored value");
            target = static_cast<Single>(*v);
        }
        return true;
    };
    if (!VisitStoredHeader(read, s)) return fault;

    // The header's values, checked in the file's order; each names its line.
    const auto lineOf = [](const char* name) {
        std::size_t k = 0;
        while (std::string_view(kStoredHeader[k].name) != name) ++k;
        return k + 1;
    };
    const auto asWritten = [&](const char* name) { return QuotedForMessage(lines[lineOf(name) - 1]); };
    const auto wholeIn = [&](const char* name, Integer value, int low, int high, const char* range) {
        return (value >= low && value <= high) ||
            refuse(lineOf(name), std::string(name) + " " + asWritten(name) + " is not " + range);
    };
    const auto above0 = [&](const char* name, Single value) {
        return value > 0 || refuse(lineOf(name), std::string(name) + " " + asWritten(name) + " is not above 0");
    };
    const bool bessel = s.Family == FilterFamily::Bessel;
    const bool sound = above0("Center", s.Center) && above0("Width", s.Width) &&
        (bessel ? wholeIn("Order", s.Order, 1, kMaxBesselStages, "1 to 10 for a Bessel design")
                : wholeIn("Order", s.Order, 1, kMaxStages, "1 to 21")) &&
        wholeIn("Family", NumberOf(s.Family), 1, kFamilies, "1 to 4") && above0("Fstart", s.Fstart) &&
        above0("Fstop", s.Fstop) && wholeIn("NrInts", s.NrInts, 0, kMaxPoints, "0 to 2000") &&
        wholeIn("Sweep", NumberOf(s.Sweep), 1, 2, "1 or 2") &&
        (s.dBTop > s.dBBottom ||
            refuse(lineOf("dBBottom"),
                "dBTop " + asWritten("dBTop") + " is not above dBBottom " + asWritten("dBBottom"))) &&
        wholeIn("NrY", s.NrY, 1, kMaxGridIntervals, "1 to 12") &&
        wholeIn("NrX", s.NrX, 1, kMaxGridIntervals, "1 to 12");
    if (!sound) return fault;

    // The stage blocks, each value named with its stage.
    // Each block runs stage by stage, so the first value of a block starts the next stage.
    const auto startsAStage = [](std::string_view name) {
        int previousBlock = -1;
        for (const StoredStageValue& f : kStoredStageValues) {
            if (f.name == name) return f.block != previousBlock;
            previousBlock = f.block;
        }
        return false;
    };
    int stage = 0;
    const auto readStage = [&](const char* name, Single& target) {
        if (startsAStage(name)) stage = stage % s.Order + 1;
        stageName = " of stage " + std::to_string(stage);
        return read(name, target);
    };
    if (!VisitStoredStages(readStage, s)) return fault;
    return std::nullopt;
}

bool WriteDesign(const DesignState& state, const std::string& fileName)
{
    const std::optional<std::string> text = DesignFileText(state);
    return text && WriteTextFileSafely(fileName, *text);
}

// Why a file was not read, for a message: the file and, when it was there,
// the line and what was wrong with it.
struct DesignReadFault {
    bool missing = false;
    std::string detail;  // " (d.QBX, line 5: Family 99 is not 1 to 4)"
};

// Reads into a copy and commits only a complete read. The copy lives on the
// heap: the record with its sweep arrays is too big for a comfortable stack.
std::optional<DesignReadFault> ReadDesign(DesignState& state, const std::string& fileName)
{
    const InputFile file = ReadInputFile(fileName, kDesignFileLimit);
    const std::string name = QuotedForMessage(fileName);
    if (file.fault != InputFault::None)
        return DesignReadFault{
            file.fault == InputFault::Missing, " (" + name + ": " + InputFaultText(file.fault, kDesignFileLimit) + ")"};
    auto staged = std::make_unique<DesignState>(state);
    if (const std::optional<std::string> why = ReadDesignInto(*staged, file.text))
        return DesignReadFault{false, " (" + name + ", " + *why + ")"};
    // The file does not say whether its parts were tuned or typed by hand;
    // parts other than the family design of its figures were, and are kept.
    if (!PartsAreFamilyDesign(*staged)) staged->ManualEntry = PartsEntry::Manual;
    state = std::move(*staged);
    return std::nullopt;
}

}  // namespace

bool WriteDesignFile(const DesignState& state, const std::string& fileName, Notifier& notifier)
{
    if (WriteDesign(state, fileName)) return true;
    notifier.Beep();
    return false;
}

bool ReadDesignFile(DesignState& state, const std::string& fileName, Notifier& notifier)
{
    const std::optional<DesignReadFault> fault = ReadDesign(state, fileName);
    if (!fault) return true;
    notifier.ShowMessage(kDesignNotReadMessage + fault->detail);
    return false;
}

bool WriteLastSession(const DesignState& state, Notifier& notifier, const std::string& fileName)
{
    if (WriteDesign(state, fileName)) return true;
    notifier.Beep();
    notifier.ShowMessage(kLastSessionNotWrittenMessage);
    return false;
}

bool ReadLastSession(DesignState& state, Notifier& notifier, const std::string& fileName)
{
    const std::optional<DesignReadFault> fault = ReadDesign(state, fileName);
    if (!fault) return true;
    InstallDefaults(state);
    InstallCapacitorDefaults(state);
    if (fault->missing) {
        notifier.ShowMessage(kLastSessionNotFoundMessage);
        return false;
    }
    // A damaged file is kept beside, so that the Exit that saves the
    // defaults over its name does not take the only copy of the design.
    std::string message = kLastSessionDamagedMessage + fault->detail;
    const std::string kept = fileName + kDamagedSuffix;
    std::error_code ec;
    if (std::filesystem::is_regular_file(fileName, ec)) {
        std::filesystem::rename(fileName, kept, ec);
        message += ec ? ". It could not be kept as " + QuotedForMessage(kept) + "."
                      : ". It was kept as " + QuotedForMessage(kept) + ".";
    }
    notifier.ShowMessage(message);
    return false;
}

}  // namespace stelvane
