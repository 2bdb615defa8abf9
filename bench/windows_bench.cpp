// One tuning click on the plot window as the user makes it: R1 of stage 1
// stepped by 1%, then the part analysis, the sweep and the whole plot drawn
// anew on the window's real canvas, at the largest design the program
// holds (21 stages, 2000 intervals) with the phase and delay curves shown.
// The click should fit in one frame at 60 Hz (16 ms).
//
// The screen is the offscreen platform's, 1024 x 768 at a pixel ratio of 1
// unless --screen=WIDTHxHEIGHT@RATIO (device pixels) names another: the
// screen is fixed for a process, so each screen is a run of its own.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "engine/designstate.h"
#include "engine/standardvalues.h"
#include "engine/synthesis.h"
#include "platform/qt/qtplatform.h"
#include "windows/frmplot.h"
#include "windows/navigation.h"

namespace stelvane {
namespace {

void InstallLargestDesign(DesignState& s)
{
    InitEngine(s);
    InstallDefaults(s);
    InstallOpampDefaults(s);
    s.Order = kMaxStages;
    s.NrInts = kMaxPoints;
    s.Fstart = 200;
    s.Fstop = 5000;
    s.Sweep = SweepSpacing::Log;
    for (int k = 1; k <= kMaxStages; ++k) {
        s.C[k][1] = 1e-8f;
        s.C[k][2] = 1e-8f;
    }
    RunDesignChain(s);
}

void BM_PlotTuningClick(benchmark::State& state)
{
    QtPlatform platform;
    auto record = std::make_unique<DesignState>();
    InstallLargestDesign(*record);
    Navigator navigator(*record, platform, [] {});
    navigator.View().shown = {true, true};
    RegisterPlotWindows(navigator);
    auto* plot = dynamic_cast<frmPlot*>(navigator.Open(WindowKind::Plot));
    if (plot == nullptr) {
        state.SkipWithError("the plot window did not open");
        return;
    }
    const QScreen* screen = QApplication::primaryScreen();
    state.SetLabel(QString("%1x%2@%3")
                       .arg(screen->size().width() * screen->devicePixelRatio())
                       .arg(screen->size().height() * screen->devicePixelRatio())
                       .arg(screen->devicePixelRatio())
                       .toStdString());
    plot->cmdTunePart->click();
    QApplication::processEvents();

    // Up and down in turn, so the part stays near its value however long it runs.
    bool up = true;
    for (auto _ : state) {
        (up ? plot->tune[0].up : plot->tune[0].down)->click();
        // Includes putting the redrawn image on the (offscreen) screen.
        QApplication::processEvents();
        up = !up;
        benchmark::DoNotOptimize(record->Delay[kMaxPoints]);
    }
    navigator.Close(WindowKind::Plot);
    QApplication::processEvents();
}
BENCHMARK(BM_PlotTuningClick)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace stelvane

int main(int argc, char** argv)
{
    int width = 1024, height = 768;
    double ratio = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--screen=", 9) != 0) continue;
        if (std::sscanf(argv[i] + 9, "%dx%d@%lf", &width, &height, &ratio) != 3 || width <= 0 || height <= 0 ||
            !(ratio >= 1 && ratio <= 8)) {
            std::fprintf(stderr, "--screen wants WIDTHxHEIGHT@RATIO, e.g. 3840x2160@2\n");
            return 1;
        }
        std::copy(argv + i + 1, argv + argc + 1, argv + i);
        --argc;
        break;
    }
    // The offscreen platform's screen, in logical pixels.
    QTemporaryDir dir;
    const QString config = dir.filePath("screen.json");
    if (FILE* f = std::fopen(config.toLocal8Bit().constData(), "w")) {
        std::fprintf(f,
            R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": %d, "height": %d, )"
            R"("logicalDpi": 96, "logicalBaseDpi": 96, "dpr": %g}]})",
            int(width / ratio), int(height / ratio), ratio);
        std::fclose(f);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
