// The board share's costs: the complete parts list of the largest design, the
// full printout drawn on a page that keeps nothing, and the plot written as a
// PNG and as an SVG image through Qt's painter.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include "bench/benchdesign.h"
#include "engine/response.h"
#include "files/partslist.h"
#include "platform/qt/qtimagewriter.h"
#include "print/reportprintout.h"
#include "render/screenstyle.h"

namespace stelvane {
namespace {

// A page that draws nothing, so only the printout's own work is measured.
class NullCanvas : public Canvas {
public:
    void Clear(Rgb) override {}
    void Line(CanvasPoint, CanvasPoint, Rgb, double) override {}
    void Polyline(const std::vector<CanvasPoint>& p, Rgb, double) override { benchmark::DoNotOptimize(p.data()); }
    void FillBox(CanvasPoint, CanvasPoint, Rgb) override {}
    void FillPolygon(const std::vector<CanvasPoint>&, Rgb) override {}
    void OutlineBox(CanvasPoint, CanvasPoint, Rgb, double) override {}
    void Dot(CanvasPoint, Rgb, double) override {}
    void Arc(CanvasPoint, double, double, double, Rgb, double) override {}
    void Text(CanvasPoint, const std::string& t, Rgb, const CanvasFont&) override
    {
        benchmark::DoNotOptimize(t.data());
    }
    TextExtent MeasureText(const std::string& t, const CanvasFont& f) const override
    {
        return {t.size() * f.points * 10, f.points * 24};
    }
};

class NullJob : public PrintJob {
public:
    Canvas& Page() override { return page_; }
    std::string End() override { return {}; }
    std::string NewPage() override
    {
        ++pages;
        return {};
    }
    int pages = 1;

private:
    NullCanvas page_;
};

ScreenPlotContext ImageContext()
{
    ScreenPlotContext ctx;
    ctx.shown.phase = ctx.shown.delay = true;
    ctx.font = CanvasFont{kControlFace, 7.2, false};
    ctx.readoutOff = true;
    return ctx;
}

void BM_PartsList21Stages(benchmark::State& state)
{
    const auto s = BenchDesign();
    for (auto _ : state) benchmark::DoNotOptimize(PartsListText(*s, PartsType::Ideal, StandardSeries::E24));
}
BENCHMARK(BM_PartsList21Stages)->Unit(benchmark::kMicrosecond);

void BM_ReportPages(benchmark::State& state)
{
    const auto s = BenchDesign(int(state.range(0)));
    ComputeFrequencyGrid(*s);
    const ScreenPlotContext ctx = ImageContext();
    for (auto _ : state) {
        NullJob job;
        benchmark::DoNotOptimize(DrawReport(job, *s, {}, [&](Canvas& c) { RedrawPlot(c, *s, ctx); }));
        state.counters["pages"] = job.pages;
    }
}
BENCHMARK(BM_ReportPages)->Arg(2)->Arg(21)->Unit(benchmark::kMillisecond);

void BM_PlotImage(benchmark::State& state, const char* file)
{
    const auto s = BenchDesign(8);
    ComputeFrequencyGrid(*s);
    const ScreenPlotContext ctx = ImageContext();
    const std::string path = QDir::tempPath().toStdString() + "/stelvane-bench-" + file;
    QtImageWriter writer;
    for (auto _ : state)
        benchmark::DoNotOptimize(writer.WriteImage(
            path, WholeWindowImage(800, 600, kWindowBackground), [&](Canvas& c) { RedrawPlot(c, *s, ctx); }));
    QFile::remove(QString::fromStdString(path));
}
BENCHMARK_CAPTURE(BM_PlotImage, png, "plot.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlotImage, svg, "plot.svg")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stelvane

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
