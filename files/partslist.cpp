#include "files/partslist.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <tuple>

#include "engine/designators.h"
#include "engine/designsession.h"
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

// A text field as a spreadsheet reads it back: quoted when it holds a comma,
// a quote or a line break, its quotes doubled.
std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

std::string SeriesColumns(std::optional<StandardSeries> series)
{
    if (!series) return ",";
    return std::string(SeriesName(*series)) + ',' + ToleranceText(SeriesTolerancePercent(*series));
}

std::string ValueColumn(PartKind kind, double value, const std::string& name)
{
    return kind == PartKind::Opamp ? CsvField(name) : ValueText(value);
}

ListedPart Part(int stage, PartKind kind, int part, Single value, std::optional<StandardSeries> roundedTo)
{
    const std::optional<StandardSeries> series = RowSeries(value, kind == PartKind::Resistor, roundedTo);
    return {stage, PartDesignator(stage, kind == PartKind::Resistor ? part : part + 3), kind,
        ListedValue(value, series), {}, series};
}

std::string Row(const ListedPart& p)
{
    return std::to_string(p.stage) + ',' + p.reference + ',' + ValueColumn(p.kind, p.value, p.name) + ',' +
        PartKindWord(p.kind) + ',' + SeriesColumns(p.series);
}

// What the opamp's name says of its figures when the list has none like it.
std::string OpampFiguresName(const DesignState& s)
{
    auto trimmed = [](std::string text) {
        text.erase(0, text.find_first_not_of(' '));
        text.erase(text.find_last_not_of(' ') + 1);
        return text;
    };
    return "GBW " + trimmed(FormatEng(s.GBW)) + "Hz DC gain " + trimmed(FormatValueShort(s.DCGain));
}

}  // namespace

std::string PartsListValue(double value, bool resistor, std::optional<StandardSeries> roundedTo)
{
    return ValueText(ListedValue(value, RowSeries(value, resistor, roundedTo)));
}

const char* PartKindWord(PartKind kind)
{
    switch (kind) {
    case PartKind::Resistor: return "resistor";
    case PartKind::Capacitor: return "capacitor";
    case PartKind::Opamp: return "opamp";
    }
    return "";
}

std::optional<std::string> ListedOpampName(const DesignState& s, const std::vector<OpampEntry>& opamps)
{
    const ProgramSettings now = SettingsOf(s);
    for (const OpampEntry& o : opamps)
        if (WithOpamp(now, o) == now) return o.name;
    return std::nullopt;
}

std::string OpampPartName(const DesignState& s, const std::vector<OpampEntry>& opamps)
{
    return ListedOpampName(s, opamps).value_or(OpampFiguresName(s));
}

PartsTable MakePartsTable(const DesignState& s, PartsType parts, std::optional<StandardSeries> roundedTo,
    const std::vector<OpampEntry>& opamps)
{
    PartsTable table;
    const ResArray& r = BuiltResistors(s, parts);
    const int stages = StageCount(s);
    for (int k = 1; k <= stages; ++k) {
        for (int j = 1; j <= 3; ++j) table.parts.push_back(Part(k, PartKind::Resistor, j, r[k][j], roundedTo));
        for (int j = 1; j <= 2; ++j) table.parts.push_back(Part(k, PartKind::Capacitor, j, s.C[k][j], roundedTo));
    }
    // One opamp per stage, all of one kind.
    const std::string opamp = stages > 0 ? OpampPartName(s, opamps) : std::string();
    for (int k = 1; k <= stages; ++k)
        table.parts.push_back({k, OpampDesignator(k), PartKind::Opamp, 0, opamp, std::nullopt});

    for (int k = 1; k <= stages; ++k) table.stages.push_back({k, 0, 0, 0});
    for (const ListedPart& p : table.parts) {
        StageSubtotal& sub = table.stages[static_cast<std::size_t>(p.stage - 1)];
        ++(p.kind == PartKind::Resistor ? sub.resistors : p.kind == PartKind::Capacitor ? sub.capacitors : sub.opamps);
        auto same = [&](const OrderLine& o) {
            return o.kind == p.kind && o.value == p.value && o.name == p.name && o.series == p.series;
        };
        auto line = std::find_if(table.order.begin(), table.order.end(), same);
        if (line == table.order.end())
            line = table.order.insert(table.order.end(), {p.kind, p.value, p.name, p.series, {}});
        line->references.push_back(p.reference);
    }
    std::stable_sort(table.order.begin(), table.order.end(), [](const OrderLine& a, const OrderLine& b) {
        return std::tie(a.kind, a.value, a.name) < std::tie(b.kind, b.value, b.name);
    });
    return table;
}

std::string PartsListText(const DesignState& s, PartsType parts, std::optional<StandardSeries> roundedTo,
    const std::vector<OpampEntry>& opamps)
{
    const PartsTable table = MakePartsTable(s, parts, roundedTo, opamps);
    std::string text = kPartsListHeader;
    text += kLineEnd;
    for (const ListedPart& p : table.parts) (text += Row(p)) += kLineEnd;

    ((text += kLineEnd) += kPartsSubtotalHeader) += kLineEnd;
    StageSubtotal all{};
    auto subtotalRow = [](const std::string& stage, const StageSubtotal& t) {
        return stage + ',' + std::to_string(t.resistors) + ',' + std::to_string(t.capacitors) + ',' +
            std::to_string(t.opamps) + ',' + std::to_string(t.Parts());
    };
    for (const StageSubtotal& t : table.stages) {
        (text += subtotalRow(std::to_string(t.stage), t)) += kLineEnd;
        all.resistors += t.resistors, all.capacitors += t.capacitors, all.opamps += t.opamps;
    }
    (text += subtotalRow(kPartsTotalStage, all)) += kLineEnd;

    ((text += kLineEnd) += kPartsOrderHeader) += kLineEnd;
    for (const OrderLine& o : table.order) {
        std::string references;
        for (const std::string& ref : o.references) references += (references.empty() ? "" : " ") + ref;
        text += std::to_string(o.references.size()) + ',' + ValueColumn(o.kind, o.value, o.name) + ',' +
            PartKindWord(o.kind) + ',' + SeriesColumns(o.series) + ',' + references;
        text += kLineEnd;
    }
    return text;
}

bool WritePartsList(const DesignState& s, PartsType parts, const std::string& fileName, Notifier& notifier,
    std::optional<StandardSeries> roundedTo, const std::vector<OpampEntry>& opamps)
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
    const bool written = s.Order >= 0 && s.Order <= kMaxStages &&
        WriteTextFileSafely(fileName, PartsListText(s, parts, roundedTo, opamps));
    if (!written) {
        notifier.Beep();
        notifier.ShowMessage(kPartsListNotWrittenMessage);
    }
    return written;
}

}  // namespace stelvane
