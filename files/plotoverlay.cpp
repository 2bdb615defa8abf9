#include "files/plotoverlay.h"

#include <cmath>
#include <filesystem>
#include <sstream>
#include <limits>
#include <optional>

#include "files/textfile.h"

namespace stelvane {

namespace {

bool WriteCurve(const DesignState& s, const SweepArray& values, const std::filesystem::path& path)
{
    std::string text;
    for (int k = 0; k <= s.NrInts; ++k) {
        // frequency and value follow each other directly; each brings its own blanks
        text += SignedNumberText(s.Freq[k]);
        text += SignedNumberText(values[k]);
        text += kLineEnd;
    }
    return WriteTextFileSafely(path.string(), text);
}

}  // namespace

bool SavePlotOverlay(const DesignState& s, Notifier& notifier, const std::string& folder)
{
    const std::filesystem::path base(folder);
    // Points beyond the arrays cannot be written, and a negative count is no sweep.
    bool written = s.NrInts >= 0 && s.NrInts <= kMaxPoints;
    written = written && WriteCurve(s, s.GainDB, base / kOverlayGainFileName);
    written = written && WriteCurve(s, s.Phase, base / kOverlayPhaseFileName);
    written = written && WriteCurve(s, s.Delay, base / kOverlayDelayFileName);
    if (!written) {
        notifier.Beep();
        notifier.ShowMessage(kOverlayNotWrittenMessage);
    }
    return written;
}

bool ReadPlotOverlay(OverlayCurve& s, const std::string& fileName, std::string* problem)
{
    const InputFile file = ReadInputFile(fileName, kOverlayFileLimit);
    if (file.fault == InputFault::Missing) return false;
    const std::string name = QuotedForMessage(fileName);
    if (file.fault != InputFault::None) {
        if (problem) *problem = name + " could not be read: " + InputFaultText(file.fault, kOverlayFileLimit);
        return true;
    }
    std::istringstream in(file.text);

    FieldReader fields(in);
    const auto next = [&]() -> std::optional<double> {
        const std::optional<std::string> field = fields.Next();
        if (!field) return std::nullopt;
        return ParseDecimalText(*field);
    };
    const auto fitsSingle = [](double v) { return std::fabs(v) <= std::numeric_limits<Single>::max(); };

    int last = -1;
    while (last < kMaxPoints) {
        const std::optional<double> freq = next();
        if (!freq || !fitsSingle(*freq)) break;
        const std::optional<double> value = next();
        if (!value || !fitsSingle(*value)) break;  // an unpaired frequency is dropped
        ++last;
        s.OverlayFreq[last] = static_cast<Single>(*freq);
        s.OverlayValue[last] = static_cast<Single>(*value);
    }
    s.OverlayLast = static_cast<Integer>(last);
    if (last < 0 && problem) *problem = name + kOverlayNoPointEnding;
    return true;
}

}  // namespace stelvane
