#include "print/reportprintout.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <utility>

#include "engine/designtext.h"
#include "engine/numbertext.h"
#include "files/partslist.h"
#include "print/plotprintout.h"
#include "render/noisedrawing.h"
#include "render/schematicdrawing.h"
#include "render/screenstyle.h"

namespace stelvane {

namespace {

// Page layout, in the page's units (12000 across, 18000 down).
constexpr double kMarginX = 600;
constexpr double kTopMargin = 600;
constexpr double kPageBottom = 17400;
constexpr double kLinePitch = 260;
constexpr double kHeadingPitch = 400;
constexpr double kLegendTop = 8100;  // below the readout strip, where the screen's panel starts
const CanvasFont kBodyFont{kControlFace, 8, false};
const CanvasFont kHeadingFont{kControlFace, 10, true};

// The readout strip under the frame: what the pointer last read is no part of the printout.
constexpr double kFrameLeft = 2000, kFrameRight = 11000;

// The schematic is printed three stages a row, scaled to the sheet.
constexpr int kStagesPerRow = 3;
constexpr double kSchematicScale = 0.8;
constexpr double kSchematicLeft = 300;
constexpr double kBandTop = 800, kBandBottom = 5700;      // the schematic's white band
constexpr double kStageAdvance = 3760;                    // one stage's width in the schematic
constexpr double kFirstStageX = kSchematicOriginX + 240;  // where stage 1 starts, after the source
constexpr double kRowRight = kFirstStageX + kStagesPerRow * kStageAdvance;
constexpr double kFarX = 1e9;                   // no end: the first row's left, the last row's right
constexpr double kSchematicFontScreen = 10000;  // fonts as on a screen 10000 twips high
// References of one value printed on one line before the next starts.
constexpr std::size_t kReferencesPerLine = 8;

// The page seen through a screen drawing: scaled and moved, the screen's
// background turned to paper white, Clear ignored, and any call whose
// points the filter refuses left out.
class PaperCanvas : public Canvas {
public:
    using Keep = std::function<bool(const std::vector<CanvasPoint>&)>;
    PaperCanvas(Canvas& page, double scale, CanvasPoint offset, Keep keep)
        : page_(page), scale_(scale), offset_(offset), keep_(std::move(keep))
    {}

    void Clear(Rgb) override {}
    void Line(CanvasPoint a, CanvasPoint b, Rgb c, double w) override
    {
        if (keep_({a, b})) page_.Line(At(a), At(b), Paper(c), w);
    }
    void Polyline(const std::vector<CanvasPoint>& points, Rgb c, double w) override
    {
        if (keep_(points)) page_.Polyline(At(points), Paper(c), w);
    }
    void FillBox(CanvasPoint a, CanvasPoint b, Rgb c) override
    {
        if (keep_({a, b})) page_.FillBox(At(a), At(b), Paper(c));
    }
    void FillPolygon(const std::vector<CanvasPoint>& points, Rgb c) override
    {
        if (keep_(points)) page_.FillPolygon(At(points), Paper(c));
    }
    void OutlineBox(CanvasPoint a, CanvasPoint b, Rgb c, double w) override
    {
        if (keep_({a, b})) page_.OutlineBox(At(a), At(b), Paper(c), w);
    }
    void Dot(CanvasPoint a, Rgb c, double w) override
    {
        if (keep_({a})) page_.Dot(At(a), Paper(c), w);
    }
    void Arc(CanvasPoint centre, double radius, double start, double end, Rgb c, double w) override
    {
        if (keep_({centre})) page_.Arc(At(centre), radius * scale_, start, end, Paper(c), w);
    }
    void Text(CanvasPoint at, const std::string& text, Rgb c, const CanvasFont& font) override
    {
        if (keep_({at})) page_.Text(At(at), text, Paper(c), Scaled(font));
    }
    TextExtent MeasureText(const std::string& text, const CanvasFont& font) const override
    {
        const TextExtent e = page_.MeasureText(text, Scaled(font));
        return {e.width / scale_, e.height / scale_};
    }

private:
    CanvasPoint At(CanvasPoint p) const { return {offset_.x + scale_ * p.x, offset_.y + scale_ * p.y}; }
    std::vector<CanvasPoint> At(std::vector<CanvasPoint> points) const
    {
        for (CanvasPoint& p : points) p = At(p);
        return points;
    }
    static Rgb Paper(Rgb c) { return c == kWindowBackground ? kWhite : c; }
    CanvasFont Scaled(CanvasFont font) const
    {
        font.points *= scale_;
        return font;
    }

    Canvas& page_;
    double scale_;
    CanvasPoint offset_;
    Keep keep_;
};

std::string Hz(double f) { return Trimmed(FormatEng(Single(f))) + "Hz"; }
std::string Number(double v) { return Trimmed(FormatValue(Single(v))); }

// Lines of text down the pages, starting a new page when one is full.
class PageFlow {
public:
    explicit PageFlow(PrintJob& job) : job_(job) {}

    // Room for the height on this page, else a new page; false when the job failed.
    bool Room(double height)
    {
        if (!failure_.empty()) return false;
        if (y_ + height <= kPageBottom) return true;
        return NextPage();
    }
    bool NextPage()
    {
        failure_ = job_.NewPage();
        y_ = kTopMargin;
        return failure_.empty();
    }
    void Heading(const std::string& text)
    {
        if (!Room(kHeadingPitch + kLinePitch)) return;
        job_.Page().Text({kMarginX, y_}, text, kBlack, kHeadingFont);
        y_ += kHeadingPitch;
    }
    // One line of texts at their x positions.
    void Row(const std::vector<std::pair<double, std::string>>& cells, Rgb colour = kBlack)
    {
        if (!Room(kLinePitch)) return;
        for (const auto& [x, text] : cells) job_.Page().Text({x, y_}, text, colour, kBodyFont);
        y_ += kLinePitch;
    }
    void Gap() { y_ += kLinePitch / 2; }
    double& Y() { return y_; }
    Canvas& Page() { return job_.Page(); }
    const std::string& Failure() const { return failure_; }

private:
    PrintJob& job_;
    double y_ = kTopMargin;
    std::string failure_;
};

// The schematic three stages a row. A row after the first starts at its first
// stage; what the stages before and after it draw is covered in white.
void PrintSchematic(PageFlow& flow, const DesignState& s, PartsType parts)
{
    const int stages = StageCount(s);
    const double rowHeight = (kBandBottom - kBandTop) * kSchematicScale;
    for (int first = 1; first == 1 || first <= stages; first += kStagesPerRow) {
        if (!flow.Room(rowHeight + kLinePitch)) return;
        const CanvasPoint offset{kSchematicLeft, flow.Y() - kBandTop * kSchematicScale};
        // This row's stages in the band: the source before the first row, the
        // output after the last; what crosses the row's ends is covered below.
        const bool more = first + kStagesPerRow <= stages;
        const double left = first > 1 ? kFirstStageX : -kFarX, right = more ? kRowRight : kFarX;
        PaperCanvas row(flow.Page(), kSchematicScale, offset, [=](const std::vector<CanvasPoint>& points) {
            const bool inBand = std::all_of(
                points.begin(), points.end(), [](CanvasPoint p) { return p.y >= kBandTop && p.y <= kBandBottom; });
            return inBand && std::any_of(points.begin(), points.end(), [=](CanvasPoint p) {
                return p.x >= left - 1 && p.x <= right + 1;
            });
        });
        DrawSchematic(row, s, parts, kSchematicOriginX - (first - 1) * kStageAdvance, kSchematicFontScreen,
            true);  // the designators the parts table below lists
        auto cover = [&](double from, double to) {
            auto at = [&](double x, double y) {
                return CanvasPoint{offset.x + kSchematicScale * x, offset.y + kSchematicScale * y};
            };
            flow.Page().FillBox(at(from, kBandTop + 5), at(to, kBandBottom - 5), kWhite);
        };
        if (first > 1) cover(0, kFirstStageX - 10);
        if (more) cover(kRowRight + 10, kRowRight + 2 * kStageAdvance);
        flow.Y() += rowHeight + kLinePitch;
    }
}

std::string PartValueText(const ListedPart& p)
{
    switch (p.kind) {
    case PartKind::Resistor: return Number(p.value) + " ohm";
    case PartKind::Capacitor: return Trimmed(FormatCap(Single(p.value)));
    case PartKind::Opamp: return p.name;
    }
    return {};
}

std::string SeriesText(std::optional<StandardSeries> series)
{
    if (!series) return "-";
    return std::string(SeriesName(*series)) + " " + GeneralNumberText(SeriesTolerancePercent(*series)) + "%";
}

void PrintPartsTable(PageFlow& flow, const DesignState& s, const ReportContents& c)
{
    const PartsTable table = MakePartsTable(s, c.parts, c.roundedTo, c.opamps);
    constexpr double kRef = kMarginX, kValue = 1800, kKind = 4400, kSeries = 5600, kStage = 7200;
    flow.Heading("Parts");
    flow.Row(
        {{kRef, "Designator"}, {kValue, "Value"}, {kKind, "Kind"}, {kSeries, "Series, tolerance"}, {kStage, "Stage"}});
    for (const ListedPart& p : table.parts)
        flow.Row({{kRef, p.reference}, {kValue, PartValueText(p)}, {kKind, PartKindWord(p.kind)},
            {kSeries, SeriesText(p.series)}, {kStage, std::to_string(p.stage)}});

    flow.Gap();
    flow.Heading("Parts per stage");
    StageSubtotal all{};
    auto subtotal = [&](const std::string& stage, const StageSubtotal& t) {
        flow.Row({{kRef, stage}, {kValue, "resistors: " + std::to_string(t.resistors)},
            {kKind, "capacitors: " + std::to_string(t.capacitors)}, {kSeries, "opamps: " + std::to_string(t.opamps)},
            {kStage, "parts: " + std::to_string(t.Parts())}});
    };
    for (const StageSubtotal& t : table.stages) {
        subtotal("Stage " + std::to_string(t.stage), t);
        all.resistors += t.resistors, all.capacitors += t.capacitors, all.opamps += t.opamps;
    }
    subtotal("All stages", all);

    flow.Gap();
    flow.Heading("To order");
    flow.Row(
        {{kRef, "Count"}, {kValue, "Value"}, {kKind, "Kind"}, {kSeries, "Series, tolerance"}, {kStage, "Designators"}});
    for (const OrderLine& o : table.order) {
        const ListedPart asPart{0, {}, o.kind, o.value, o.name, o.series};
        for (std::size_t at = 0; at < o.references.size(); at += kReferencesPerLine) {
            std::string refs;
            for (std::size_t i = at; i < std::min(o.references.size(), at + kReferencesPerLine); ++i)
                refs += (refs.empty() ? "" : " ") + o.references[i];
            if (at == 0)
                flow.Row({{kRef, std::to_string(o.references.size()) + " x"}, {kValue, PartValueText(asPart)},
                    {kKind, PartKindWord(o.kind)}, {kSeries, SeriesText(o.series)}, {kStage, refs}});
            else
                flow.Row({{kStage, refs}});
        }
    }
}

}  // namespace

std::vector<LegendLine> ReportLegend(const DesignState& s, const ReportContents& c)
{
    std::vector<LegendLine> legend;
    const std::string spacing = s.Sweep == SweepSpacing::Log ? "logarithmic" : "linear";
    legend.push_back({"Frequency in Hz (" + spacing + "), " + Hz(s.Fstart) + " to " + Hz(s.Fstop), kBlack});
    legend.push_back(
        {"Gain in dB, " + Number(s.dBTop) + " dB at the top to " + Number(s.dBBottom) + " dB at the bottom",
            kGainCurveColour});
    if (c.shown.phase) {
        const int n = PhaseScaleStages(s);
        legend.push_back({"Phase in degrees, " + std::to_string(90 * n) + " degrees at the top to " +
                std::to_string(-90 * n) + " degrees at the bottom",
            kPhaseCurveColour});
    }
    if (c.shown.delay)
        legend.push_back(
            {"Delay in seconds, " + Trimmed(FormatEngSmall(EffectiveDelayTop(s))) + "s at the top to 0 s at the bottom",
                kDelayCurveColour});
    if (c.shown.noise)
        legend.push_back({"Output noise density in dBV/rtHz, " + Number(kNoiseRowDb) + " dB a row", kNoiseCurveColour});
    if (c.overlay) {
        std::string stored = "Overlay from the plot files: gain in dB";
        if (c.shown.phase) stored += ", phase in degrees";
        if (c.shown.delay) stored += ", delay in seconds";
        legend.push_back({stored, kOverlayGainColour});
    }
    if (c.simulation) legend.push_back({"Simulated in ngspice: gain in dB", kSimulatedCurveColour});
    if (c.tolerance != nullptr)
        legend.push_back({"Tolerance band: gain in dB of " + std::to_string(c.tolerance->settings.runs) +
                " copies, 5 to 95% shaded, least and most outlined (R +-" +
                GeneralNumberText(100 * c.tolerance->settings.resistorTolerance) + "%, C +-" +
                GeneralNumberText(100 * c.tolerance->settings.capacitorTolerance) + "%)",
            kToleranceEdgeColour});
    if (s.Mask.Active())
        legend.push_back({"Mask: passband " + Hz(s.Mask.Fp1) + " to " + Hz(s.Mask.Fp2) + " within " +
                Number(s.Mask.Ap) + " dB, stopband below " + Hz(s.Mask.Fs1) + " and above " + Hz(s.Mask.Fs2) +
                " at least " + Number(s.Mask.As) + " dB down",
            kBlack});
    legend.push_back({"Stage markers: the centre frequency of each stage, Hz", kMarkerTickColour});
    return legend;
}

std::vector<std::string> ReportSummaryLines(const DesignState& s, const ReportContents& c)
{
    std::vector<std::string> lines;
    const char* family = s.Family == FilterFamily::Butterworth ? "Butterworth"
        : s.Family == FilterFamily::Chebyshev                  ? "Chebyshev"
        : s.Family == FilterFamily::Bessel                     ? "Bessel"
                                                               : nullptr;
    if (s.ManualEntry == PartsEntry::Manual || family == nullptr) {
        lines.push_back("Manually entered values");
    } else {
        lines.push_back(std::string("Family: ") + family);
        lines.push_back("Center frequency: " + Hz(s.Center));
        lines.push_back(BandwidthCaption(s.Family) + Hz(s.Width));
        if (s.Family == FilterFamily::Chebyshev) lines.push_back("Passband ripple: " + Number(s.Apass) + " dB");
        lines.push_back("Passband gain: " + Number(s.Gain) + " dB");
    }
    lines.push_back("Number of stages: " + std::to_string(StageCount(s)));
    const std::string figures = "GBW " + Hz(s.GBW) + ", DC gain " + Trimmed(FormatValueShort(s.DCGain)) + " V/V";
    const std::optional<std::string> name = ListedOpampName(s, c.opamps);
    lines.push_back("Opamp: " + (name ? *name + " (" + figures + ")" : figures));
    std::string resistors = c.parts == PartsType::Specified ? "Resistors: corrected for the specified opamp"
                                                            : "Resistors: for an ideal opamp";
    if (c.roundedTo)
        resistors += std::string(", rounded to ") + SeriesName(*c.roundedTo) + " (" +
            GeneralNumberText(SeriesTolerancePercent(*c.roundedTo)) + "%)";
    lines.push_back(resistors);
    return lines;
}

std::string DrawReport(PrintJob& job, const DesignState& s, const ReportContents& c, const Picture& plot)
{
    // Page 1: the plot as shown, but not what the pointer last read under it.
    PaperCanvas screen(job.Page(), 1, {0, 0}, [](const std::vector<CanvasPoint>& points) {
        return !std::all_of(points.begin(), points.end(), [](CanvasPoint p) {
            return p.x >= kFrameLeft && p.x <= kFrameRight && p.y >= kReadoutStripTop && p.y <= kReadoutStripBottom;
        });
    });
    if (plot) plot(screen);
    PageFlow flow(job);
    flow.Y() = kLegendTop;
    flow.Heading("Curves and units:");
    for (const LegendLine& line : ReportLegend(s, c)) flow.Row({{kMarginX, line.text}}, line.colour);
    flow.Gap();
    flow.Heading(kSummaryTitle);
    for (const std::string& line : ReportSummaryLines(s, c)) flow.Row({{kMarginX, line}});

    // Page 2 on: the circuit and what to buy for it.
    if (!flow.NextPage()) return flow.Failure();
    flow.Heading("Schematic");
    PrintSchematic(flow, s, c.parts);
    PrintPartsTable(flow, s, c);
    return flow.Failure();
}

void PrintReport(const DesignState& s, const ReportContents& c, const Picture& plot, Platform& platform)
{
    PrintRequest request;
    request.documentName = kReportDocumentName;
    request.pageWidth = kPrintPageWidth;
    request.pageHeight = kPrintPageHeight;
    PrintStart start = platform.BeginPrintJob(request);
    std::string failure = start.failure.empty() ? "The report could not be printed." : start.failure;
    if (start.job) {
        try {
            failure = DrawReport(*start.job, s, c, plot);
            if (failure.empty()) failure = start.job->End();
        } catch (const std::exception& e) {
            failure = *e.what() != '\0' ? e.what() : "The report could not be printed.";
        }
    }
    if (failure.empty()) return;
    start.job.reset();  // a report that did not reach the printer is abandoned
    platform.ShowMessage(failure, kPrintProblemCaption);
}

}  // namespace stelvane
