#include "platform/qt/windowservices.h"

#include <functional>
#include <vector>

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include "tests/platformqt/qtapp.h"

namespace stelvane {
namespace {

TEST(WindowServices, SizesWindowsFromTwips)
{
    struct Case {
        const char* name;
        ScreenMetrics screen;
        double w;
        double h;
        QSize expected;
    };
    const std::vector<Case> cases = {
        {"design window at 96 dpi", {12000, 9000, 15, 15}, 11760, 8415, {784, 561}},
        {"plot window at 96 dpi", {12000, 9000, 15, 15}, 11880, 8490, {792, 566}},
        {"about window at 96 dpi", {12000, 9000, 15, 15}, 6855, 5415, {457, 361}},
        {"design window at 120 dpi", {15360, 11520, 12, 12}, 11760, 8415, {980, 701}},
        {"broken screen measure still gives a window", {0, 0, 0, 0}, 11760, 8415, {1, 1}},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        EXPECT_EQ(ClientSizeFromTwips(tc.screen, tc.w, tc.h), tc.expected);
    }
}

TEST(WindowServices, ShowsWindowsAsAsked)
{
    TestApplication();
    struct Case {
        const char* name;
        std::function<void(QWidget&)> show;
        std::function<bool(const QWidget&)> holds;
    };
    const std::vector<Case> cases = {
        {"maximized", [](QWidget& w) { ShowMaximized(w); },
         [](const QWidget& w) { return w.isVisible() && (w.windowState() & Qt::WindowMaximized); }},
        {"fixed size", [](QWidget& w) { ShowFixedSize(w); },
         [](const QWidget& w) {
             return w.isVisible() && w.minimumSize() == QSize(457, 361) && w.maximumSize() == QSize(457, 361);
         }},
        {"modal, without blocking the caller", [](QWidget& w) { ShowModal(w); },
         [](const QWidget& w) { return w.isVisible() && w.isModal(); }},
        {"brought back from the task bar", [](QWidget& w) {
             w.showMinimized();
             BringToFront(w);
         },
         [](const QWidget& w) { return w.isVisible() && !(w.windowState() & Qt::WindowMinimized); }},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        QWidget w;
        w.resize(457, 361);
        tc.show(w);
        QApplication::processEvents();
        EXPECT_TRUE(tc.holds(w));
        w.close();
    }
}

} // namespace
} // namespace stelvane
