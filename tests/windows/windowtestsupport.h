#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/designstate.h"
#include "tests/support/scriptedplatform.h"
#include "windows/navigation.h"
#include "windows/programwindows.h"

namespace stelvane::testing {

// One QApplication for the whole test program, on the offscreen platform.
// It is never destroyed: Qt Test's own pointing device outlives every static
// object, and a QApplication torn down before it crashes the program at exit.
inline QApplication& Application()
{
    return *qApp; // made by the test program's main
}

// Deletes the windows the registry let go of.
inline void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Every test runs in a fresh working directory of its own, so the
// last-session file of one test never meets another.
class TemporaryWorkingDirectory {
public:
    TemporaryWorkingDirectory()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->test_suite_name()) + "_" + info->name() : "windows";
        for (char& c : name)
            if (c == '/')
                c = '_';
        static int made = 0;
        old_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() /
               ("stelvane_windows_" + name + "_" + std::to_string(::getpid()) + "_" + std::to_string(++made));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    ~TemporaryWorkingDirectory()
    {
        std::filesystem::current_path(old_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    const std::filesystem::path& Path() const { return dir_; }

private:
    std::filesystem::path old_;
    std::filesystem::path dir_;
};

// Makes every window the navigator creates record its drawing on the
// platform, under the window's name. Call it again after registering windows.
inline void RecordDrawings(Navigator& navigator, ScriptedPlatform& platform)
{
    for (int k = 0; k < kWindowKinds; ++k) {
        const auto kind = static_cast<WindowKind>(k);
        if (Navigator::Factory make = navigator.FactoryOf(kind))
            navigator.SetFactory(kind, [&platform, make](Navigator& n) {
                FormWindow* window = make(n);
                window->SetRecorder(&platform.Drawing(window->objectName().toStdString()));
                return window;
            });
    }
}

// The program's windows on the scripted platform, with one record. Without
// the other windows (withOtherWindows false) only the opening, design and
// About windows exist, so that a button leading to a view runs the Enter
// step alone; tests that need a view then put a stand-in in its place.
struct Program {
    explicit Program(bool withOtherWindows = true)
    {
        Application();
        RegisterProgramWindows(navigator);
        RecordDrawings(navigator, platform);
        if (withOtherWindows)
            return;
        for (WindowKind kind : {WindowKind::Plot, WindowKind::Schematic, WindowKind::Tabulated, WindowKind::OpampTest,
                                WindowKind::Poles, WindowKind::WriteFiles})
            navigator.SetFactory(kind, nullptr);
    }
    ~Program() { FlushDeletes(); }

    template <class Window>
    Window* Open(WindowKind kind)
    {
        return dynamic_cast<Window*>(navigator.Open(kind));
    }

    ScriptedPlatform platform;
    DesignState record;
    int endings = 0;
    Navigator navigator{record, platform, [this] { ++endings; }};
};

// The record as it stands after a missing last-session file.
inline void InstallStartDefaults(DesignState& s)
{
    InstallDefaults(s);
    InstallCapacitorDefaults(s);
}

inline std::string Text(const QLineEdit* box) { return box->text().toStdString(); }
inline std::string Text(const QLabel* label) { return label->text().toStdString(); }

// Replaces a text box's text the way a user does: select all, type.
inline void Type(QLineEdit* box, const QString& text)
{
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, text);
}

inline void Click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }

// The lines of a text file without their line ends.
inline std::vector<std::string> FileLines(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// A design file written line by line, as the format lays it out: fifteen
// header lines, then the poles, capacitors and resistors of every stage.
struct FileDesign {
    double center = 1000, width = 200, gain = 0;
    int order = 2, family = 1;
    double apass = 0.2, fstart = 500, fstop = 2000;
    int nrInts = 1000, sweep = 1;
    double dBTop = 10, dBBottom = -20, delayTop = 0.001;
    int nrY = 6, nrX = 10;
};

inline void WriteDesignText(const std::filesystem::path& path, const FileDesign& d)
{
    std::ofstream out(path, std::ios::binary);
    auto line = [&](auto value) { out << value << "\r\n"; };
    line(d.center);
    line(d.width);
    line(d.gain);
    line(d.order);
    line(d.family);
    line(d.apass);
    line(d.fstart);
    line(d.fstop);
    line(d.nrInts);
    line(d.sweep);
    line(d.dBTop);
    line(d.dBBottom);
    line(d.delayTop);
    line(d.nrY);
    line(d.nrX);
    for (int i = 0; i < d.order; ++i) {
        line(-0.5);
        line(0.8);
    }
    for (int i = 0; i < 2 * d.order; ++i)
        line("1E-08");
    for (int i = 0; i < 3 * d.order; ++i)
        line(10000);
}

} // namespace stelvane::testing
