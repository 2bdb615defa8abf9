#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace stelvane {
namespace {

// Runs a program in a folder with an environment of its own; its standard output, or none when it failed.
std::optional<QString> RunIn(const QString& program, const QStringList& arguments, const QString& folder,
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The whole program with every window opened in turn, on the largest design
// (21 stages, 2000 intervals), stays within its memory on large and dense
// screens: the windows' images follow the windows, not the screen.
TEST(WindowMemory, StaysWithinItsBoundOnLargeScreens)
{
    struct Case {
        const char* name;
        int width, height;
        double ratio;
        long limitKb;
    };
    const std::vector<Case> cases = {
        {"3840 x 2160 at a pixel ratio of 2", 3840, 2160, 2, 100 * 1024},
        {"1920 x 1080 at 1", 1920, 1080, 1, 60 * 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(RunIn(STELVANE_CLI, {"--order", "21", "--intervals", "2000", "--save", "QUIBEX.LAST"}, dir.path()));
        // The offscreen platform's screen; its size is in logical pixels.
        QFile config(dir.filePath("screen.json"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(QString(R"({"screens": [{"name": "probe", "x": 0, "y": 0, "width": %1, "height": %2,
            "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": %3}]})")
                         .arg(int(c.width / c.ratio))
                         .arg(int(c.height / c.ratio))
                         .arg(c.ratio)
                         .toUtf8());
        config.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName());
        const QString output = RunIn(STELVANE_MEMORY_PROBE, {}, dir.path(), environment).value_or("");
        ASSERT_TRUE(output.startsWith("peak kB: ")) << output.toStdString();
        const long peakKb = output.mid(9).trimmed().toLong();
        EXPECT_GT(peakKb, 0);
        EXPECT_LE(peakKb, c.limitKb);
        std::printf("[ %s: peak %ld kB ]\n", c.name, peakKb);
    }
}

} // namespace
} // namespace stelvane
