#include <QDir>
#include <QFile>
#include <QImage>
#include <QXmlStreamReader>

#include "tests/windows/windowtestsupport.h"
#include "windows/layout.h"
#include "windows/saveimage.h"

namespace stelvane::testing {

// "Save image" on each of the four views writes what the window shows at
// its size: its background where nothing is drawn, and on the plot the gain
// curve's peak (0 dB at 1 kHz on the start-up scales: layout 5000, 3000). A
// name without .png or .svg becomes a PNG; an SVG parses; a cancelled dialog
// writes nothing.
TEST(SaveImage, EachViewWritesWhatItShows)
{
    struct Case {
        const char* name;
        std::vector<std::pair<WindowKind, const char*>> open;
        WindowKind view;
        std::string answer, written;  // the dialog's answer and the file that is written
    };
    const std::vector<Case> cases{
        {"plot", {{Design, "cmdPlot"}}, Plot, "plot.png", "plot.png"},
        {"plot without an extension", {{Design, "cmdPlot"}}, Plot, "plain", "plain.png"},
        {"schematic as SVG", {{Design, "cmdSchematic"}}, Schematic, "circuit.svg", "circuit.svg"},
        {"poles", {{Design, "cmdPlot"}, {Plot, "cmdPoles"}}, Poles, "poles.PNG", "poles.PNG"},
        {"opamp test", {{Design, "cmdTest"}}, OpampTest, "opamp.png", "opamp.png"},
        {"cancelled", {{Design, "cmdPlot"}}, Plot, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program p;
        p.Start();
        for (const auto& [on, action] : c.open) p.Do(on, action);
        const std::string folder = p.dir.dir.path().toStdString() + "/";
        if (c.answer.empty())
            p.platform.CancelFileDialog();
        else
            p.platform.AnswerFileDialog(folder + c.answer);
        const std::size_t messages = p.platform.messages.size();
        p.Do(c.view, "cmdSaveImage");
        ASSERT_EQ(p.platform.dialogs.size(), 1u);
        EXPECT_EQ(p.platform.dialogs[0].title, kSaveImageCaption);
        EXPECT_EQ(p.platform.messages.size(), messages) << p.LastMessage();
        if (c.written.empty()) {
            EXPECT_TRUE(QDir(p.dir.dir.path()).entryList({"*.png", "*.svg"}).isEmpty());
            continue;
        }
        const QString file = QString::fromStdString(folder + c.written);
        ASSERT_TRUE(QFile::exists(file));
        if (c.written.ends_with(".svg")) {
            QFile in(file);
            ASSERT_TRUE(in.open(QIODevice::ReadOnly));
            QXmlStreamReader xml(&in);
            while (!xml.atEnd()) xml.readNext();
            EXPECT_FALSE(xml.hasError());
            continue;
        }
        const CanvasWidget* window = p.Find(c.view);
        const QImage image(file);
        ASSERT_EQ(image.size(), window->size());
        const double x = window->PixelsPerUnitX(), y = window->PixelsPerUnitY();
        const Rgb bg = BackgroundColour(c.view);
        EXPECT_EQ(image.pixel(2, image.height() - 2), qRgb(bg.r, bg.g, bg.b));
        if (c.view != Plot) continue;
        bool curve = false;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const QRgb at = image.pixel(int(5000 * x) + dx, int(3000 * y) + dy);
                curve = curve || (qBlue(at) > 200 && qRed(at) < 100 && qGreen(at) < 100);
            }
        EXPECT_TRUE(curve);
    }
}

}  // namespace stelvane::testing
