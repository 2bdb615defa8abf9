// Opens every window of the program in turn on the real Qt platform, as a
// user would (opening, design, opamp test, About, file writing, plot with
// phase and delay, poles, tabulated, schematic scrolled, file writing again),
// on the design of the last session in the working directory, then prints
// the process's peak resident memory ("peak kB: N"). Its screen is the
// platform's: the memory test runs it on the offscreen platform with the
// screens it holds to a bound. A missing window or control ends it with 1.

#include <QAbstractButton>
#include <QApplication>
#include <QScrollBar>

#include <sys/resource.h>

#include <cstdio>

#include "platform/qt/qtplatform.h"
#include "windows/navigation.h"
#include "windows/programwindows.h"

namespace {

using stelvane::WindowKind;

void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Clicks the named control of the open window of the kind and lets the windows paint.
bool Click(stelvane::Navigator& navigator, WindowKind kind, const char* control)
{
    QWidget* window = navigator.Find(kind);
    auto* button = window ? window->findChild<QAbstractButton*>(control) : nullptr;
    if (button == nullptr) {
        std::fprintf(stderr, "no %s on window %d\n", control, int(kind));
        return false;
    }
    button->click();
    Settle();
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    stelvane::QtPlatform platform;
    stelvane::DesignState record;
    stelvane::Navigator navigator(record, platform, [] {});
    stelvane::RegisterProgramWindows(navigator);
    navigator.Open(WindowKind::Opening);
    Settle();

    using enum WindowKind;
    const std::pair<WindowKind, const char*> walk[] = {
        {Opening, "cmdStart"},
        {Design, "cmdTest"},
        {OpampTest, "cmdReturn"},
        {Design, "cmdAbout"},
        {About, "cmdReturn"},
        {Design, "cmdWrite"},
        {WriteFiles, "cmdExit"},
        {Design, "cmdPlot"},
        {Plot, "cmdPhase"},
        {Plot, "cmdDelay"},
        {Plot, "cmdPoles"},
        {Poles, "cmdExit"},
        {Plot, "cmdTabulate"},
        {Tabulated, "cmdSchematic"},
        {Schematic, "optSpecd"},
    };
    for (const auto& [kind, control] : walk)
        if (!Click(navigator, kind, control)) return 1;
    auto* scroll = navigator.Find(Schematic)->findChild<QScrollBar*>("HScroll1");
    if (scroll == nullptr) return 1;
    scroll->setValue(scroll->value() + scroll->pageStep());
    Settle();
    if (!Click(navigator, Schematic, "cmdWrite") || !Click(navigator, WriteFiles, "cmdExit")) return 1;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak kB: %ld\n", usage.ru_maxrss);
    return 0;
}
