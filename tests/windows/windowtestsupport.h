#pragma once

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "engine/designstate.h"
#include "engine/numbertext.h"
#include "tests/support/scriptedplatform.h"
#include "windows/navigation.h"
#include "windows/programwindows.h"

namespace stelvane::testing {

namespace fs = std::filesystem;
using enum WindowKind;

// Deletes the windows the registry let go of.
inline void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// A working directory of its own for as long as it lives, so that the
// last-session and overlay files of one program never meet another's.
struct WorkingDirectory {
    WorkingDirectory() { fs::current_path(dir.path().toStdString()); }
    ~WorkingDirectory() { fs::current_path(old); }
    fs::path old = fs::current_path();
    QTemporaryDir dir;
};

// The control at a path of object names below the window ("UpDown2/up").
template <class W = QWidget>
W* Control(QWidget* window, const std::string& path)
{
    QObject* at = window;
    std::stringstream names(path);
    for (std::string name; at && std::getline(names, name, '/');)
        at = at->findChild<QObject*>(QString::fromStdString(name));
    EXPECT_TRUE(qobject_cast<W*>(at)) << "no control " << path;
    return qobject_cast<W*>(at);
}

// The figure after the last colon of a text, with its unit prefix ("Stage freq: 1.0734k"); NaN if none.
inline double Figure(const std::string& text)
{
    std::string tail = text.substr(text.rfind(':') + 1);
    std::erase(tail, ' ');
    return ParseStrictNumber(tail).value_or(std::nan(""));
}

// The first line drawn through points in the colour, or null.
inline const CanvasPrimitive* CurveIn(const RecordingCanvas& drawing, Rgb colour)
{
    for (const CanvasPrimitive& p : drawing.primitives)
        if (p.kind == CanvasPrimitive::Kind::Polyline && p.colour == colour) return &p;
    return nullptr;
}

// Expects a gain curve's band, where it stands at most 3 dB below the design
// gain of 0 dB, centred on centre Hz and 200 Hz wide. On the start-up scales
// the frame spans 500 Hz to 2 kHz and +10 dB to -20 dB: 0 dB lies at y 3000
// and each dB takes 200 layout units.
inline void ExpectBand(const CanvasPrimitive* curve, double centre)
{
    std::vector<double> band;
    for (const CanvasPoint& at : curve ? curve->points : std::vector<CanvasPoint>{})
        if (at.y <= 3000 + 3 * 200) band.push_back(500 + (at.x - 2000) * 1500 / 9000);
    ASSERT_FALSE(band.empty()) << "no gain curve";
    EXPECT_NEAR(std::sqrt(band.front() * band.back()), centre, 2);
    EXPECT_NEAR(band.back() - band.front(), 200, 3);
}

// Runs the command-line program in the working directory; its exit code.
inline int RunCli(const std::string& options)
{
    return std::system(("'" STELVANE_CLI "' " + options + " >/dev/null").c_str());
}

// Expects the file the window wrote to hold, byte for byte, what the command line wrote.
inline void ExpectSameFile(const std::string& window, const std::string& cli)
{
    SCOPED_TRACE(window);
    std::ifstream written(window, std::ios::binary), expected(cli, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(written), {});
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text, std::string(std::istreambuf_iterator<char>(expected), {}));
}

// The program's windows on the scripted platform, in a working directory of
// their own, with one record.
struct Program {
    explicit Program(ScreenMetrics screen = {}) : platform(screen)
    {
        RegisterProgramWindows(navigator);
        // Every window records its drawing on the platform, under the window's name.
        for (int k = 0; k < kWindowKinds; ++k)
            if (Navigator::Factory make = navigator.FactoryOf(WindowKind(k)))
                navigator.SetFactory(WindowKind(k), [this, make](Navigator& n) {
                    FormWindow* window = make(n);
                    window->SetRecorder(&platform.Drawing(window->objectName().toStdString()));
                    return window;
                });
    }
    ~Program() { FlushDeletes(); }

    // Opens the opening window and presses Start, as a user starts the program,
    // then does each action on the design window (see Do).
    void Start(const std::vector<std::string>& onDesign = {})
    {
        navigator.Open(Opening);
        Do(Opening, "cmdStart");
        for (const std::string& action : onDesign) Do(Design, action);
    }
    FormWindow* Find(WindowKind kind) { return navigator.Find(kind); }
    template <class W = QWidget>
    W* At(WindowKind kind, const std::string& path)
    {
        return Control<W>(Find(kind), path);
    }
    // Clicks the control at the path, or types into it as a user does ("txtGain=40").
    void Do(WindowKind on, const std::string& action)
    {
        const auto equals = action.find('=');
        QWidget* control = At(on, action.substr(0, equals));
        if (auto* box = qobject_cast<QLineEdit*>(control); box && equals != std::string::npos) {
            box->selectAll();  // the first key typed replaces the old text
            QTest::keyClicks(box, QString::fromStdString(action.substr(equals + 1)));
        } else if (control) {
            QTest::mouseClick(control, Qt::LeftButton);
        }
        FlushDeletes();
    }
    // What a label, text box or button shows, without the blanks at its ends.
    std::string Text(WindowKind on, const std::string& path)
    {
        return At(on, path) ? At(on, path)->property("text").toString().trimmed().toStdString() : "";
    }
    // Forgets every drawing recorded so far, then does the action (see Do):
    // what is checked next is what the action drew.
    void Act(WindowKind on, const std::string& action)
    {
        for (auto& drawing : platform.drawings) drawing.second->Forget();
        Do(on, action);
    }
    // Presses a key with Ctrl (and Shift) on the window in front, as a user
    // does, into the control that has the focus; the drawings before are forgotten.
    void PressKeys(WindowKind on, Qt::Key key, bool shift = false)
    {
        for (auto& drawing : platform.drawings) drawing.second->Forget();
        QApplication::setActiveWindow(Find(on));
        QWidget* to = Find(on)->focusWidget() ? Find(on)->focusWidget() : Find(on);
        QTest::keyClick(to, key, shift ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
    }
    bool Shown(WindowKind on, const std::string& path) { return At(on, path) && !At(on, path)->isHidden(); }
    RecordingCanvas& Drawing(WindowKind kind) { return platform.Drawing(WindowName(kind)); }
    std::string LastMessage() const { return platform.messages.empty() ? "" : platform.messages.back().text; }

    WorkingDirectory dir;
    ScriptedPlatform platform;
    DesignState record;
    int endings = 0;
    Navigator navigator{record, platform, [this] { ++endings; }};
};

// One step of a workflow: an action on a window (see Program::Do), then the
// text a control of that window shows ("lblStage=2"), then further checks.
// The drawings recorded before an action are forgotten, so that a step sees
// what it drew.
struct Step {
    const char* name;
    WindowKind on;
    const char *action = nullptr, *look = nullptr;
    std::function<void()> then = {};
};

inline void Walk(Program& p, const std::vector<Step>& steps)
{
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.action) p.Act(step.on, step.action);
        if (const std::string look = step.look ? step.look : ""; !look.empty()) {
            EXPECT_EQ(p.Text(step.on, look.substr(0, look.find('='))), look.substr(look.find('=') + 1));
        }
        if (step.then) step.then();
    }
}

}  // namespace stelvane::testing
