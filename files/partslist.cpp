#include "files/partslist.h"

#include <array>
#include <charconv>

#include "engine/designators.h"
#include "engine/numbertext.h"
#include "engine/practicalparts.h"
#include "files/partexport.h"
#include "files/textfile.h"

namespace stelvane {

namespace {

constexpr int kValueDigits = 7;  // a Single holds no more

std::string ValueText(double value)
{
    std::array<char, 32> buffer{};
    const auto r =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, kValueDigits);
    return std::string(buffer.data(), r.ptr);
}

std::string ToleranceText(double percent)
{
    std::array<char, 16> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), percent);
    return std::string(buffer.data(), r.ptr);
}

// The series a row lists its value in: a resistor of the series it was
// rounded to in that one, every other value in the coarsest series holding it.
std::optional<StandardSeries> RowSeries(double value, bool resistor, std::optional<StandardSeries> roundedTo)
{
    if (resistor && roundedTo && InSeries(value, *roundedTo)) return roundedTo;
    return CoarsestSeriesHolding(value);
}

// A series value is written as the round number it stands for.
double ListedValue(double value, std::optional<StandardSeries> series)
{
    return series ? NearestInSeries(value, *series) : value;
}

std::string Row(int stage, char letter, int part, Single value, std::optional<StandardSeries> roundedTo)
{
    const std::optional<StandardSeries> series = RowSeries(value, letter == 'R', roundedTo);
    std::string row = std::to_string(stage) + ',' + PartDesignator(stage, letter == 'R' ? part : part + 3) + ',';
    row += PartsListValue(value, letter == 'R', roundedTo);
    row += letter == 'R' ? ",resistor," : ",capacitor,";
    if (series)
        row += std::string(SeriesName(*series)) + ',' + ToleranceText(SeriesTolerancePercent(*series));
    else
        row += ',';
    return row;
}

}  // namespace

std::string PartsListValue(double value, bool resistor, std::optional<StandardSeries> roundedTo)
{
    return ValueText(ListedValue(value, RowSeries(value, resistor, roundedTo)));
}

std::string PartsListText(const DesignState& s, PartsType parts, std::optional<StandardSeries> roundedTo)
{
    std::string text = kPartsListHeader;
    text += kLineEnd;
    const ResArray& r = BuiltResistors(s, parts);
    for (int k = 1; k <= StageCount(s); ++k) {
        for (int j = 1; j <= 3; ++j) {
            text += Row(k, 'R', j, r[k][j], roundedTo);
            text += kLineEnd;
        }
        for (int j = 1; j <= 2; ++j) {
            text += Row(k, 'C', j, s.C[k][j], roundedTo);
            text += kLineEnd;
        }
    }
    return text;
}

bool WritePartsList(const DesignState& s, PartsType parts, const std::string& fileName, Notifier& notifier,
    std::optional<StandardSeries> roundedTo)
{
    // A part of 0, with no value or whose text would read back as another
    // value is no part to buy: nothing is written.
    const std::string problem =
        WrittenPartProblem(s, parts == PartsType::Specified, kFullPartText, [&](int, int part, double value) {
            const double listed = ListedValue(value, RowSeries(value, part <= 3, roundedTo));
            return WrittenPart{listed, ParseStrictNumber(ValueText(listed))};
        });
    if (!problem.empty()) {
        notifier.ShowMessage(problem + ". " + kPartsListNotWrittenMessage + ".");
        return false;
    }
    // Stages beyond the arrays cannot be listed.
    const bool written =
        s.Order >= 0 && s.Order <= kMaxStages && WriteTextFileSafely(fileName, PartsListText(s, parts, roundedTo));
    if (!written) {
        notifier.Beep();
        notifier.ShowMessage(kPartsListNotWrittenMessage);
    }
    return written;
}

}  // namespace stelvane
