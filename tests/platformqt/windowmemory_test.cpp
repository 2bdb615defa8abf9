#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace stelvane {
namespace {

#ifdef STELVANE_MEMORY_PROBE
// Runs a program in a folder with the environment; its standard output, or "" when it failed.
QString RunIn(const QString& program, const QStringList& arguments, const QString& folder,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool ran = process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit;
    return ran && process.exitCode() == 0 ? QString::fromUtf8(process.readAllStandardOutput()) + "." : "";
}
#endif

// The whole program with every window opened in turn, on the largest design
// (21 stages, 2000 intervals), stays within its memory on large and dense
// screens (device pixels): the windows keep no image the size of the screen.
TEST(WindowMemory, StaysWithinItsBoundOnLargeScreens)
{
#ifndef STELVANE_MEMORY_PROBE
    GTEST_SKIP() << "the memory benchmark is built with the benchmarks (STELVANE_BENCH)";
#else
    for (const auto& [width, height, ratio, limitMb] : {std::tuple{3840, 2160, 2, 100}, {1920, 1080, 1, 60}}) {
        SCOPED_TRACE(QString("%1 x %2 at %3").arg(width).arg(height).arg(ratio).toStdString());
        QTemporaryDir dir;
        ASSERT_FALSE(RunIn(STELVANE_CLI, {"--order", "21", "--intervals", "2000", "--save", "QUIBEX.LAST"}, dir.path())
                         .isEmpty());
        QFile config(dir.filePath("screen.json"));  // the offscreen platform's screen, in logical pixels
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(QString(R"({"screens": [{"name": "probe", "x": 0, "y": 0, "width": %1, "height": %2,)"
                             R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": %3}]})")
                         .arg(width / ratio)
                         .arg(height / ratio)
                         .arg(ratio)
                         .toUtf8());
        config.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName());
        const QString output = RunIn(STELVANE_MEMORY_PROBE, {}, dir.path(), environment);
        ASSERT_TRUE(output.startsWith("peak kB: ")) << output.toStdString();
        const long peakKb = output.mid(9).chopped(1).trimmed().toLong();
        EXPECT_GT(peakKb, 0);
        EXPECT_LE(peakKb, limitMb * 1024L);
        std::printf("[ peak %ld kB ]\n", peakKb);
    }
#endif
}

}  // namespace
}  // namespace stelvane
