#include <QFile>
#include <QProcess>

#include <tuple>

#include <gtest/gtest.h>

#include "tests/windows/windowtestsupport.h"

namespace stelvane::testing {
namespace {

// The whole program with every window opened in turn, on the largest design
// (21 stages, 2000 intervals), stays within its memory on a large and dense
// screen (3840 x 2160 device pixels, two to a logical pixel) and on a common
// one (1920 x 1080 at one): the windows keep no image the size of the screen.
TEST(WindowMemory, StaysWithinItsBoundOnLargeScreens)
{
#ifndef STELVANE_MEMORY_PROBE
    GTEST_SKIP() << "the memory benchmark is built with the benchmarks (STELVANE_BENCH)";
#else
    WorkingDirectory dir;
    ASSERT_EQ(RunCli("--order 21 --intervals 2000 --save QUIBEX.LAST"), 0);
    // the screens in logical pixels, their pixel ratio and the bound in MB
    for (const auto& [width, height, ratio, limitMb] : {std::tuple{1920, 1080, 2, 100}, {1920, 1080, 1, 60}}) {
        SCOPED_TRACE(QString("%1 x %2 at %3").arg(width).arg(height).arg(ratio).toStdString());
        QFile config(dir.dir.filePath("screen.json"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(QString(R"({"screens": [{"name": "probe", "x": 0, "y": 0, "width": %1, "height": %2,)"
                             R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": %3}]})")
                         .arg(width)
                         .arg(height)
                         .arg(ratio)
                         .toUtf8());
        config.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName());
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(STELVANE_MEMORY_PROBE);
        ASSERT_TRUE(probe.waitForFinished(-1) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0);
        const QString output = QString::fromUtf8(probe.readAllStandardOutput());
        ASSERT_TRUE(output.startsWith("peak kB: ")) << output.toStdString();
        const long peakKb = output.mid(9).trimmed().toLong();
        EXPECT_GT(peakKb, 0);
        EXPECT_LE(peakKb, limitMb * 1024L);
        std::printf("[ peak %ld kB ]\n", peakKb);
    }
#endif
}

}  // namespace
}  // namespace stelvane::testing
