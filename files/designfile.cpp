#include "files/designfile.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>

#include "engine/numbertext.h"
#include "files/textfile.h"

namespace stelvane {

namespace {

// The design-file text: one value per line, header fields first, then all
// poles, all capacitors and all resistors, each block running over every
// stage. Nothing when the stage count is beyond the arrays.
std::optional<std::string> DesignFileText(const DesignState& s)
{
    if (s.Order < 0 || s.Order > kMaxStages) return std::nullopt;
    std::string text;
    const auto real = [&](Single v) {
        // A NaN or infinity has no number text a reader would accept; it is
        // saved as 0 so that the rest of the design still loads.
        text += std::isfinite(v) ? GeneralNumberText(v) : std::string("0");
        text += kLineEnd;
    };
    const auto whole = [&](Integer v) {
        text += std::to_string(v);
        text += kLineEnd;
    };

    real(s.Center);
    real(s.Width);
    real(s.Gain);
    whole(s.Order);
    whole(s.Family);
    real(s.Apass);
    real(s.Fstart);
    real(s.Fstop);
    whole(s.NrInts);
    whole(s.Sweep);
    real(s.dBTop);
    real(s.dBBottom);
    real(s.DelayTop);
    whole(s.NrY);
    whole(s.NrX);
    for (int i = 1; i <= s.Order; ++i) {
        real(s.PoleRe[i]);
        real(s.PoleIm[i]);
    }
    for (int i = 1; i <= s.Order; ++i)
        for (int j = 1; j <= 2; ++j) real(s.C[i][j]);
    for (int i = 1; i <= s.Order; ++i)
        for (int j = 1; j <= 3; ++j) real(s.R[i][j]);
    return text;
}

// Reads a whole design file into s. Stops at the first fault (missing file,
// early end, non-number, a value its field cannot hold, a stage count or sweep
// count the arrays cannot hold) and then returns false with s half-filled, so
// callers read into a copy.
bool ReadDesignInto(DesignState& s, const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in.is_open()) return false;
    FieldReader fields(in, FieldReader::Blanks::Inside);

    const auto next = [&]() -> std::optional<double> {
        const std::optional<std::string> field = fields.Next();
        if (!field) return std::nullopt;
        return ParseDecimalText(*field);
    };
    const auto real = [&](Single& target) {
        const std::optional<double> v = next();
        if (!v || std::fabs(*v) > std::numeric_limits<Single>::max()) return false;
        target = static_cast<Single>(*v);
        return true;
    };
    const auto whole = [&](Integer& target) {
        const std::optional<double> v = next();
        if (!v) return false;
        // whole-number fields take the nearest integer, halves to even
        const double rounded = std::nearbyint(*v);
        if (rounded < std::numeric_limits<Integer>::min() || rounded > std::numeric_limits<Integer>::max())
            return false;
        target = static_cast<Integer>(rounded);
        return true;
    };

    if (!(real(s.Center) && real(s.Width) && real(s.Gain) && whole(s.Order) && whole(s.Family) &&
          real(s.Apass) && real(s.Fstart) && real(s.Fstop) && whole(s.NrInts) && whole(s.Sweep) &&
          real(s.dBTop) && real(s.dBBottom) && real(s.DelayTop) && whole(s.NrY) && whole(s.NrX)))
        return false;
    if (s.Order < 0 || s.Order > kMaxStages) return false;
    if (s.NrInts < 0 || s.NrInts > kMaxPoints) return false;

    for (int i = 1; i <= s.Order; ++i)
        if (!real(s.PoleRe[i]) || !real(s.PoleIm[i])) return false;
    for (int i = 1; i <= s.Order; ++i)
        for (int j = 1; j <= 2; ++j)
            if (!real(s.C[i][j])) return false;
    for (int i = 1; i <= s.Order; ++i)
        for (int j = 1; j <= 3; ++j)
            if (!real(s.R[i][j])) return false;
    return true;
}

bool WriteDesign(const DesignState& state, const std::string& fileName)
{
    const std::optional<std::string> text = DesignFileText(state);
    return text && WriteTextFileSafely(fileName, *text);
}

// Reads into a copy and commits only a complete read. The copy lives on the
// heap: the record with its sweep arrays is too big for a comfortable stack.
bool ReadDesign(DesignState& state, const std::string& fileName)
{
    auto staged = std::make_unique<DesignState>(state);
    if (!ReadDesignInto(*staged, fileName)) return false;
    state = std::move(*staged);
    return true;
}

} // namespace

bool WriteDesignFile(const DesignState& state, const std::string& fileName, Notifier& notifier)
{
    if (WriteDesign(state, fileName)) return true;
    notifier.Beep();
    return false;
}

bool ReadDesignFile(DesignState& state, const std::string& fileName, Notifier& notifier)
{
    if (ReadDesign(state, fileName)) return true;
    notifier.ShowMessage(kDesignNotReadMessage);
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
    if (ReadDesign(state, fileName)) return true;
    InstallDefaults(state);
    InstallCapacitorDefaults(state);
    notifier.ShowMessage(kLastSessionNotFoundMessage);
    return false;
}

} // namespace stelvane
