#include "render/headroomdrawing.h"

#include "engine/headroom.h"
#include "engine/numbertext.h"

namespace stelvane {

namespace {

// In layout units: the table's edges, its rows and its columns.
constexpr double kLeft = 500, kRight = 8500, kTop = 800;
constexpr double kTitleY = 500, kHeadingY = 1000, kRowPitch = 240;
constexpr double kColumns[] = {700, 1500, 3000, 4500, 6000, 7300};
constexpr double kNoteX = 700;

std::string Figure(double v) { return Trimmed(FormatValue(static_cast<Single>(v))); }

double RowY(int row) { return kHeadingY + kRowPitch * (row + 1); }

}  // namespace

std::vector<HeadroomText> HeadroomTexts(const DesignState& s)
{
    std::vector<HeadroomText> out;
    const Headroom room = ComputeHeadroom(s);
    out.push_back({{kLeft, kTitleY},
        "Headroom at " + Figure(s.Bench.InputLevel) + " V peak in, " + Figure(s.Bench.Swing) + " V peak swing, " +
            Figure(s.Bench.Slew) + " V/us slew"});
    const char* headings[] = {"Stage:", "Family place:", "Peak gain:", "at:", "Headroom:", "Slew needed:"};
    for (int c = 0; c < 6; ++c) out.push_back({{kColumns[c], kHeadingY}, headings[c]});
    const int stages = static_cast<int>(room.stages.size());
    for (int k = 1; k <= stages; ++k) {
        const StageHeadroom& h = room.stages[k - 1];
        const double y = RowY(k);
        const int place = s.FamilyPlace[k] != 0 ? s.FamilyPlace[k] : k;
        out.push_back({{kColumns[0], y}, std::to_string(k)});
        out.push_back({{kColumns[1], y}, std::to_string(place)});
        out.push_back({{kColumns[2], y}, Figure(h.peakGainDb) + " dB"});
        out.push_back({{kColumns[3], y}, Trimmed(FormatEng(static_cast<Single>(h.peakFreq))) + "Hz"});
        out.push_back({{kColumns[4], y}, Figure(h.headroomDb) + " dB", h.overSwing ? kHeadroomAlarmColour : kBlack});
        out.push_back({{kColumns[5], y}, Figure(h.slewNeeded) + " V/us", h.overSlew ? kHeadroomAlarmColour : kBlack});
    }
    std::vector<std::pair<std::string, Rgb>> notes{{LargestInputText(room), kBlack}};
    for (const std::string& over : {OverSwingText(room), OverSlewText(room)})
        if (!over.empty()) notes.emplace_back(over, kHeadroomAlarmColour);
    for (const std::string& line : RaisedCapacitorLines(s)) notes.emplace_back(line, kBlack);
    for (std::size_t i = 0; i < notes.size(); ++i)
        out.push_back({{kNoteX, RowY(stages + 2 + static_cast<int>(i))}, notes[i].first, notes[i].second});
    return out;
}

void DrawHeadroomTable(Canvas& canvas, const DesignState& s, const CanvasFont& font)
{
    const std::vector<HeadroomText> texts = HeadroomTexts(s);
    const double bottom = (texts.size() > 1 ? texts.back().at.y : kTop) + 2 * kRowPitch;
    canvas.FillBox({kLeft, kTop}, {kRight, bottom}, kWhite);
    canvas.Line({kLeft, kTop}, {kRight, kTop}, kHeadroomEdgeColour);
    canvas.Line({kLeft, bottom}, {kRight, bottom}, kHeadroomEdgeColour);
    for (const HeadroomText& t : texts) canvas.Text(t.at, t.text, t.colour, font);
}

}  // namespace stelvane
