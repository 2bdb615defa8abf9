#include <QDir>
#include <QImage>

#include "tests/windows/windowtestsupport.h"
#include "windows/layout.h"
#include "windows/saveimage.h"

namespace stelvane::testing {

// "Save image" on each view writes what it shows at its size: its background
// where nothing is drawn and, on the plot, the start-up band's peak at layout
// (5000, 3000). A name of neither kind becomes a PNG; a cancel writes nothing.
TEST(SaveImage, EachViewWritesWhatItShows)
{
    struct Case {
        WindowKind view;
        std::vector<std::pair<WindowKind, const char*>> open;
        std::string answer, written;  // the dialog's answer and the file written
    };
    const std::vector<Case> cases{
        {Plot, {{Design, "cmdPlot"}}, "plot.png", "plot.png"},
        {Plot, {{Design, "cmdPlot"}}, "plain", "plain.png"},
        {Schematic, {{Design, "cmdSchematic"}}, "circuit.PNG", "circuit.PNG"},
        {Poles, {{Design, "cmdPlot"}, {Plot, "cmdPoles"}}, "poles.png", "poles.png"},
        {OpampTest, {{Design, "cmdTest"}}, "opamp.png", "opamp.png"},
        {Plot, {{Design, "cmdPlot"}}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        Program p;
        p.Start();
        for (const auto& [on, action] : c.open) p.Do(on, action);
        const std::string folder = p.dir.dir.path().toStdString() + "/";
        c.answer.empty() ? p.platform.CancelFileDialog() : p.platform.AnswerFileDialog(folder + c.answer);
        const std::size_t messages = p.platform.messages.size();
        p.Do(c.view, "cmdSaveImage");
        ASSERT_EQ(p.platform.dialogs.size(), 1u);
        EXPECT_EQ(p.platform.dialogs[0].title + std::to_string(p.platform.messages.size() - messages),
            kSaveImageCaption + std::string("0"));
        EXPECT_EQ(QDir(p.dir.dir.path()).entryList({"*.png", "*.PNG"}).size(), c.written.empty() ? 0 : 1);
        if (c.written.empty()) continue;
        const CanvasWidget* window = p.Find(c.view);
        const QImage image(QString::fromStdString(folder + c.written));
        ASSERT_EQ(image.size(), window->size());
        const Rgb bg = BackgroundColour(c.view);
        EXPECT_EQ(image.pixel(2, image.height() - 2), qRgb(bg.r, bg.g, bg.b));
        bool curve = c.view != Plot;
        for (int d = 0; d < 25; ++d) {  // the 5 x 5 pixels around the peak
            const QRgb at = image.pixel(
                int(5000 * window->PixelsPerUnitX()) + d % 5 - 2, int(3000 * window->PixelsPerUnitY()) + d / 5 - 2);
            curve |= qBlue(at) > 200 && qRed(at) < 100 && qGreen(at) < 100;
        }
        EXPECT_TRUE(curve);
    }
}

}  // namespace stelvane::testing
