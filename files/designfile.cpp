#include "files/designfile.h"

#include <cmath>
#include <fstream>
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

// Reads a whole design file into s. Stops at the first fault (missing file,
// early end, non-number, a value its field cannot hold, a stage count or sweep
// count the arrays cannot hold) and then returns false with s half-filled, so
// callers read into a copy.
bool ReadDesignInto(DesignState& s, const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in.is_open()) return false;
    FieldReader fields(in, FieldReader::Blanks::Inside);

    const auto read = [&](const char*, auto& target) {
        const std::optional<std::string> field = fields.Next();
        const std::optional<double> v = field ? ParseDecimalText(*field) : std::nullopt;
        if (!v) return false;
        using Target = std::remove_reference_t<decltype(target)>;
        if constexpr (std::is_same_v<Target, Integer>) {
            // whole-number fields take the nearest integer, halves to even
            const double rounded = std::nearbyint(*v);
            if (rounded < std::numeric_limits<Integer>::min() || rounded > std::numeric_limits<Integer>::max())
                return false;
            target = static_cast<Integer>(rounded);
        } else {
            if (std::fabs(*v) > std::numeric_limits<Single>::max()) return false;
            target = static_cast<Single>(*v);
        }
        return true;
    };

    if (!VisitStoredHeader(read, s)) return false;
    if (s.Order < 0 || s.Order > kMaxStages) return false;
    if (s.NrInts < 0 || s.NrInts > kMaxPoints) return false;
    return VisitStoredStages(read, s);
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
    // The file does not say whether its parts were tuned or typed by hand;
    // parts other than the family design of its figures were, and are kept.
    if (!PartsAreFamilyDesign(*staged)) staged->ManualEntry = 1;
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
