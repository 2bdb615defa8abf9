#include "render/noisedrawing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "engine/numbertext.h"

namespace stelvane {

namespace {

// The axis labels start far enough inside the frame's right edge for a
// label of four characters on any screen; the title, under the top label,
// ends near that edge.
constexpr double kNoiseLabelsLeft = 10550;
constexpr double kNoiseTitleEnd = 10880;
constexpr double kNoiseTitleY = 1150;

// The table's place on the noise window, in layout units.
constexpr double kTableLeft = 500;
constexpr double kTableTop = 1500;
constexpr double kTableLine = 300;
constexpr double kTableColumn = 1300;
constexpr double kMicrovolt = 1e-6;

std::string Figure(double value, int digits = 3)
{
    if (!std::isfinite(value)) return "-";
    char buf[40];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits).ptr);
}

}  // namespace

std::optional<double> NoiseAxisTop(const std::vector<double>& density)
{
    double peak = 0;
    for (double d : density)
        if (std::isfinite(d)) peak = std::max(peak, d);
    if (!(peak > 0)) return std::nullopt;
    return kNoiseRowDb * std::ceil(20 * std::log10(peak) / kNoiseRowDb);
}

std::optional<double> NoiseY(const DesignState& s, double topDb, double density, const PlotFrame& frame)
{
    if (!(density > 0) || !std::isfinite(density)) return std::nullopt;
    const double span = kNoiseRowDb * ValueIntervals(s);
    const double y = frame.top + frame.Height() * (topDb - 20 * std::log10(density)) / span;
    return std::clamp(y, frame.top, frame.bottom);
}

void DrawNoisePlot(
    Canvas& canvas, const DesignState& s, const ScreenPlotContext& ctx, const std::vector<double>& density)
{
    const std::optional<double> top = NoiseAxisTop(density);
    if (!top) return;
    const PlotFrame frame;
    const double charWidth = ScreenCharWidth(ctx.screenWidthTwips);
    const RowLabelStyle labels{kNoiseLabelsLeft, TextAnchor::LeftEdge, charWidth, kNoiseTextColour, ctx.font};
    DrawRowLabels(
        canvas, s, labels, [&](int i) { return Figure(*top - kNoiseRowDb * i, 4); }, frame);
    const std::string title = "Noise, dBV/rtHz";
    canvas.Text(
        {kNoiseTitleEnd - EstimatedTextWidth(title, charWidth), kNoiseTitleY}, title, kNoiseTextColour, ctx.font);

    const FrequencyAxis axis(s, frame);
    if (!axis.Valid()) return;
    std::vector<std::optional<CanvasPoint>> points;
    const int last = std::min<int>(s.NrInts, static_cast<int>(density.size()) - 1);
    for (int i = 0; i <= last; ++i) {
        const auto x = axis.X(s.Freq[i]);
        const auto y = NoiseY(s, *top, density[i], frame);
        points.push_back(x && std::isfinite(*x) && y ? std::optional<CanvasPoint>({*x, *y}) : std::nullopt);
    }
    DrawPointRun(canvas, points, CurveStyle{kNoiseCurveColour, kNoiseCurveColour, 2});
}

void DrawNoiseTable(
    Canvas& canvas, const DesignState& s, PartsType parts, const NoiseFigures& n, const CanvasFont& font)
{
    auto hertz = [](double f) { return Trimmed(FormatEng(static_cast<Single>(f))) + " Hz"; };
    double y = kTableTop;
    auto line = [&](const std::string& text) {
        canvas.Text({kTableLeft, y}, text, kNoiseTextColour, font);
        y += kTableLine;
    };
    line(parts == PartsType::Specified ? "The resistors Rs on the specified opamp"
                                       : "The resistors R on an ideal opamp");
    line("Noise at the output from " + hertz(n.bandStart) + " to " + hertz(n.bandStop) + ": " +
        Figure(n.outputRms / kMicrovolt) + " uV rms (resistors at " + Figure(s.Bench.TempC) + " C, en " +
        Figure(s.Bench.En) + " nV/rtHz, in " + Figure(s.Bench.In) + " pA/rtHz)");
    line("Referred to the input (gain " + Figure(n.passbandGain) + "): " + Figure(n.inputRms / kMicrovolt) +
        " uV rms; signal-to-noise ratio at " + Figure(s.Bench.InputLevel) + " V peak: " + Figure(n.snrDb) + " dB");
    y += kTableLine;
    auto row = [&](const std::vector<std::string>& cells) {
        for (std::size_t c = 0; c < cells.size(); ++c)
            canvas.Text({kTableLeft + kTableColumn * c, y}, cells[c], kBlack, font);
        y += kTableLine;
    };
    std::vector<std::string> head = {"Stage", "uV rms"};
    for (int src = 0; src < kNoiseSources; ++src) head.push_back(NoiseSourceName(src));
    row(head);
    for (const StageNoise& st : n.stages) {
        std::vector<std::string> cells = {std::to_string(st.stage), Figure(st.outputRms / kMicrovolt)};
        for (double share : st.sourceRms) cells.push_back(Figure(share / kMicrovolt));
        row(cells);
    }
}

}  // namespace stelvane
