#include <QPushButton>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/poles.h"
#include "engine/standardvalues.h"
#include "engine/synthesis.h"
#include "windows/frmplot.h"
#include "windows/frmpoles.h"
#include "windowtestsupport.h"

namespace stelvane {
namespace {

using namespace stelvane::testing;
using Kind = CanvasPrimitive::Kind;

constexpr Rgb kPolar{17, 17, 119};
constexpr Rgb kRectangular{255, 153, 153};
constexpr Rgb kRed{255, 0, 0};

// A design of the family and order, poles placed by the engine.
std::function<void(DesignState&)> Prototype(Integer family, Integer order, Single apass = 0)
{
    return [=](DesignState& s) {
        s.Family = family;
        s.Order = order;
        s.Apass = apass;
        ComputePrototypePoles(s);
    };
}

// A design whose poles came from a design file (family 4): taken as they are.
std::function<void(DesignState&)> FilePoles(std::vector<std::pair<Single, Single>> poles)
{
    return [=](DesignState& s) {
        s.Family = 4;
        s.Apass = 0;
        s.Order = static_cast<Integer>(poles.size());
        for (std::size_t k = 0; k < poles.size(); ++k) {
            s.PoleRe[k + 1] = poles[k].first;
            s.PoleIm[k + 1] = poles[k].second;
        }
    };
}

// The test program leaves the result windows out; this one is put back.
void RegisterPoles(Navigator& navigator)
{
    navigator.SetFactory(WindowKind::Poles, [](Navigator& n) { return new frmPoles(n); });
}

// The poles window opened over the start-up record changed by the case.
struct PolesWindow {
    explicit PolesWindow(const std::function<void(DesignState&)>& prepare = {})
    {
        InstallStartDefaults(record());
        InitEngine(record());
        if (prepare)
            prepare(record());
        RegisterPoles(program->navigator);
        RecordDrawings(program->navigator, program->platform);
        window = program->Open<frmPoles>(WindowKind::Poles);
    }
    DesignState& record() { return program->record; }
    RecordingCanvas& drawing() { return program->platform.Drawing("frmPoles"); }

    std::unique_ptr<Program> program = std::make_unique<Program>();
    frmPoles* window = nullptr;
};

class PolesWindowTest : public ::testing::Test {
protected:
    TemporaryWorkingDirectory dir;
};

// What is on the window now: everything drawn since the last clearing.
std::vector<CanvasPrimitive> Picture(const RecordingCanvas& canvas)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < canvas.primitives.size(); ++i)
        if (canvas.primitives[i].kind == Kind::Clear)
            start = i + 1;
    return {canvas.primitives.begin() + static_cast<std::ptrdiff_t>(start), canvas.primitives.end()};
}

std::vector<CanvasPrimitive> OfKind(const std::vector<CanvasPrimitive>& picture, Kind kind, Rgb colour)
{
    std::vector<CanvasPrimitive> out;
    for (const auto& p : picture)
        if (p.kind == kind && p.colour == colour)
            out.push_back(p);
    return out;
}

bool SamePrimitive(const CanvasPrimitive& a, const CanvasPrimitive& b)
{
    return a.kind == b.kind && a.points == b.points && a.colour == b.colour && a.width == b.width &&
           a.text == b.text && a.font == b.font;
}

const CanvasPrimitive* TextAt(const std::vector<CanvasPrimitive>& picture, const std::string& text)
{
    for (const auto& p : picture)
        if (p.kind == Kind::Text && p.text == text)
            return &p;
    return nullptr;
}

TEST_F(PolesWindowTest, PlotRadiusFollowsTheLargestImaginaryPart)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
        Integer radius;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Single nan = std::numeric_limits<Single>::quiet_NaN();
    const std::vector<Case> cases = {
        {"Butterworth order 2: the unit circle", Prototype(1, 2), 1},
        {"Butterworth order 9: still the unit circle", Prototype(1, 9), 1},
        {"Bessel order 10: 8.2327 rounds to 8, plus 1", Prototype(3, 10), 9},
        {"Bessel order 3: 1.754 rounds to 2, plus 1", Prototype(3, 3), 3},
        {"Bessel order 1: a real pole", Prototype(3, 1), 1},
        {"Chebyshev order 1: imaginary part below 0.5", Prototype(2, 1, 0.5f), 1},
        {"Chebyshev order 2, 0.5 dB: 1.004 rounds to 1, plus 1", Prototype(2, 2, 0.5f), 2},
        {"file poles: 2.5 rounds to even 2", FilePoles({{-1, 2.5f}, {-1, -2.5f}}), 3},
        {"file poles: 3.5 rounds to even 4", FilePoles({{-1, 3.5f}, {-1, -3.5f}}), 5},
        {"file poles: only positive imaginary parts count", FilePoles({{-1, -7}, {-1, 0.2f}}), 1},
        {"file poles: a NaN is passed over", FilePoles({{-1, nan}, {-1, 1.2f}}), 2},
        {"file poles: a huge part keeps S an Integer", FilePoles({{-1, 1e9f}}), 32767},
        {"file poles: an infinite part keeps S an Integer", FilePoles({{-1, static_cast<Single>(inf)}}), 32767},
        {"no poles at all", FilePoles({}), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PolesWindow w(c.prepare);
        ASSERT_NE(w.window, nullptr);
        EXPECT_EQ(w.window->S, c.radius);
        EXPECT_EQ(w.window->GridState, 0);
    }
}

TEST_F(PolesWindowTest, PoleMarksSitWhereThePrototypePlacesThem)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
        std::vector<std::pair<double, double>> poles;  // independent values, re and im
        double radius;
    };
    const double pi = std::acos(-1.0);
    std::vector<std::pair<double, double>> butterworth3;
    for (int k = 1; k <= 3; ++k)
        butterworth3.push_back({-std::sin((2 * k - 1) * pi / 6), std::cos((2 * k - 1) * pi / 6)});
    const std::vector<Case> cases = {
        {"Butterworth order 2 on the outer ring at 45 degrees",
         Prototype(1, 2),
         {{-std::sqrt(0.5), std::sqrt(0.5)}, {-std::sqrt(0.5), -std::sqrt(0.5)}},
         1},
        {"Butterworth order 3 with its real pole", Prototype(1, 3), butterworth3, 1},
        {"Bessel order 10, last pair", Prototype(3, 10), {}, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PolesWindow w(c.prepare);
        const auto dots = OfKind(Picture(w.drawing()), Kind::Dot, kRed);
        ASSERT_EQ(dots.size(), std::size_t(w.record().Order));
        for (const auto& d : dots)
            EXPECT_EQ(d.width, 6);
        auto expectAt = [&](std::size_t k, double re, double im) {
            EXPECT_NEAR(dots[k].points[0].x, 6000 + 0.75 * 3500 * re / c.radius, 0.01) << "pole " << k + 1;
            EXPECT_NEAR(dots[k].points[0].y, 4500 - 3500 * im / c.radius, 0.01) << "pole " << k + 1;
        };
        for (std::size_t k = 0; k < c.poles.size(); ++k)
            expectAt(k, c.poles[k].first, c.poles[k].second);
        if (c.poles.empty()) {
            expectAt(8, -3.108916, 8.232699);
            expectAt(9, -3.108916, -8.232699);
        }
        if (c.radius == 1) {
            // On the squeezed unit circle: horizontal distances count 0.75.
            for (const auto& d : dots) {
                const double dx = (d.points[0].x - 6000) / 0.75, dy = d.points[0].y - 4500;
                EXPECT_NEAR(std::hypot(dx, dy), 3500, 0.05);
            }
        }
    }
}

TEST_F(PolesWindowTest, ListTextsCarryTheFormattersBlanks)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
        std::vector<std::pair<std::string, CanvasPoint>> texts;
    };
    const std::vector<Case> cases = {
        {"Butterworth order 2",
         Prototype(1, 2),
         {{"X(1): -0.70711 ", {8600, 800}},
          {"Y(1): 0.70711 ", {10000, 800}},
          {"X(2): -0.70711 ", {8600, 1100}},
          {"Y(2): -0.70711 ", {10000, 1100}},
          {"Family:  Butterworth", {8600, 2000}},
          {"Order: 2", {8600, 2300}},
          {"Apass: 0", {8600, 2600}}}},
        {"Bessel order 1: a real pole shows the zero text",
         Prototype(3, 1, 0.5f),
         {{"X(1): -1 ", {8600, 800}},
          {"Y(1):  0       ", {10000, 800}},
          {"Family:  Bessel", {8600, 1700}},
          {"Order: 1", {8600, 2000}},
          {"Apass: 0.5", {8600, 2300}}}},
        {"Chebyshev order 1, 0.5 dB: minus sinh of asinh(1/eps)",
         Prototype(2, 1, 0.5f),
         {{"X(1): -2.8628 ", {8600, 800}},
          {"Y(1):  0       ", {10000, 800}},
          {"Family:  Chebyshev", {8600, 1700}},
          {"Apass: 0.5", {8600, 2300}}}},
        {"Bessel order 10: the tenth line and the family below it",
         Prototype(3, 10),
         {{"X(10): -3.1089 ", {8600, 3500}},
          {"Y(10): -8.2327 ", {10000, 3500}},
          {"Family:  Bessel", {8600, 4400}},
          {"Order: 10", {8600, 4700}}}},
        {"a family the window does not know",
         [](DesignState& s) {
             FilePoles({{-0.5f, 0.8f}})(s);
             s.Family = 7;
         },
         {{"X(1): -0.5 ", {8600, 800}}, {" ", {8600, 1700}}, {"Order: 1", {8600, 2000}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PolesWindow w(c.prepare);
        const auto picture = Picture(w.drawing());
        for (const auto& [text, at] : c.texts) {
            SCOPED_TRACE("text '" + text + "'");
            const CanvasPrimitive* t = TextAt(picture, text);
            ASSERT_NE(t, nullptr);
            EXPECT_EQ(t->points[0], at);
            EXPECT_EQ(t->colour, kBlack);
        }
        // Two lines per pole and three below them, nothing else.
        EXPECT_EQ(OfKind(picture, Kind::Text, kBlack).size(), std::size_t(2 * w.record().Order + 3));
    }
}

TEST_F(PolesWindowTest, PolarGridHasNineteenRadialsAndARingPerUnit)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
        int rings;
    };
    const std::vector<Case> cases = {
        {"Butterworth order 2: rings 0 and 1", Prototype(1, 2), 2},
        {"Bessel order 10: rings 0 to 9", Prototype(3, 10), 10},
        {"Chebyshev order 2: rings 0 to 2", Prototype(2, 2, 0.5f), 3},
    };
    const double pi = std::acos(-1.0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PolesWindow w(c.prepare);
        const auto picture = Picture(w.drawing());
        const auto radials = OfKind(picture, Kind::Line, kPolar);
        ASSERT_EQ(radials.size(), 19u);
        for (std::size_t i = 0; i < radials.size(); ++i) {
            const double a = (-90.0 + 10.0 * double(i)) * pi / 180;
            EXPECT_NEAR(radials[i].points[1].x, 6000 - 0.75 * 3500 * std::cos(a), 0.01);
            EXPECT_NEAR(radials[i].points[1].y, 4500 - 3500 * std::sin(a), 0.01);
            // Each starts 150 units out, so the origin stays clear.
            EXPECT_NEAR(std::hypot((radials[i].points[0].x - 6000) / 0.75, radials[i].points[0].y - 4500), 150,
                        0.01);
        }
        const auto rings = OfKind(picture, Kind::Polyline, kPolar);
        ASSERT_EQ(rings.size(), std::size_t(c.rings));
        const int s = c.rings - 1;
        for (int r = 0; r <= s; ++r) {
            SCOPED_TRACE("ring " + std::to_string(r));
            const auto& ring = rings[std::size_t(r)].points;
            ASSERT_EQ(ring.size(), 181u);
            const double radius = 3500.0 * r / s;
            // From the bottom over the left to the top of the half-plane.
            EXPECT_NEAR(ring.front().x, 6000, 0.01);
            EXPECT_NEAR(ring.front().y, 4500 + radius, 0.01);
            EXPECT_NEAR(ring[90].x, 6000 - 0.75 * radius, 0.01);
            EXPECT_NEAR(ring[90].y, 4500, 0.01);
            EXPECT_NEAR(ring.back().y, 4500 - radius, 0.01);
        }
        // No rectangular grid until Grid is pressed.
        EXPECT_TRUE(OfKind(picture, Kind::Line, kRectangular).empty());
    }
}

TEST_F(PolesWindowTest, GridAddsTheRectangularGridAndTakesItAwayAgain)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
        std::size_t verticals;
        std::size_t horizontals;
        double lowestY;   // the first horizontal line, at v = -(S + 0.001)
    };
    const std::vector<Case> cases = {
        {"Butterworth order 2, S = 1", Prototype(1, 2), 11, 21, 4500 + 3500 * 1.001},
        {"Chebyshev order 2, S = 2", Prototype(2, 2, 0.5f), 21, 41, 4500 + 3500 * 2.001 / 2},
        {"Bessel order 10, S = 9", Prototype(3, 10), 91, 181, 4500 + 3500 * 9.001 / 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PolesWindow w(c.prepare);
        const auto first = Picture(w.drawing());

        Click(w.window->cmdGrid);
        EXPECT_EQ(w.window->GridState, 1);
        const auto withGrid = Picture(w.drawing());
        const auto grid = OfKind(withGrid, Kind::Line, kRectangular);
        std::vector<CanvasPrimitive> verticals, horizontals;
        for (const auto& line : grid)
            (line.points[0].x == line.points[1].x ? verticals : horizontals).push_back(line);
        // Single counters may gain or lose the last line by their rounding.
        EXPECT_NEAR(double(verticals.size()), double(c.verticals), 1.0);
        EXPECT_NEAR(double(horizontals.size()), double(c.horizontals), 1.0);
        ASSERT_FALSE(verticals.empty());
        ASSERT_FALSE(horizontals.empty());
        EXPECT_EQ(verticals.front().points[0], (CanvasPoint{6000, 1000}));
        EXPECT_EQ(verticals.front().points[1], (CanvasPoint{6000, 8000}));
        EXPECT_NEAR(verticals.back().points[0].x, 6000 - 0.75 * 3500, 2.0);
        EXPECT_NEAR(horizontals.front().points[0].y, c.lowestY, 0.01);
        EXPECT_NEAR(horizontals.front().points[0].x, 6000 - 0.75 * 3500, 1e-9);
        EXPECT_NEAR(horizontals.front().points[1].x, 6000, 1e-9);
        // The grid lies under the polar grid: drawn first.
        EXPECT_EQ(withGrid.front().colour, kRectangular);
        // Everything of the first picture is drawn again over it.
        EXPECT_EQ(withGrid.size(), first.size() + grid.size());

        Click(w.window->cmdGrid);
        EXPECT_EQ(w.window->GridState, 0);
        const auto again = Picture(w.drawing());
        ASSERT_EQ(again.size(), first.size());
        for (std::size_t i = 0; i < first.size(); ++i)
            EXPECT_TRUE(SamePrimitive(again[i], first[i])) << "primitive " << i;
    }
}

TEST_F(PolesWindowTest, AbsurdFilePolesDrawNothingUnsound)
{
    struct Case {
        const char* name;
        std::vector<std::pair<Single, Single>> poles;
        std::size_t marks;
    };
    const Single nan = std::numeric_limits<Single>::quiet_NaN();
    const Single inf = std::numeric_limits<Single>::infinity();
    const std::vector<Case> cases = {
        {"a NaN pole gets no mark", {{nan, 0.5f}, {-0.5f, nan}, {-0.5f, 0.5f}}, 1},
        {"an infinite real part gets no mark", {{-inf, 0.5f}, {-0.5f, 0.5f}}, 1},
        {"a pole far out of the rings still gets its mark", {{-1e8f, 0.5f}}, 1},
        {"a huge imaginary part: S at the Integer's end", {{-1, 1e9f}, {-1, -1e9f}}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PolesWindow w(FilePoles(c.poles));
        Click(w.window->cmdGrid);
        const auto& all = w.drawing().primitives;
        for (const auto& p : all)
            for (const auto& pt : p.points)
                ASSERT_TRUE(std::isfinite(pt.x) && std::isfinite(pt.y));
        EXPECT_EQ(OfKind(Picture(w.drawing()), Kind::Dot, kRed).size(), c.marks);
        // However large S, the rings and grid lines stay a drawable number,
        // and the outer ring is still the one at S.
        const auto rings = OfKind(Picture(w.drawing()), Kind::Polyline, kPolar);
        EXPECT_LE(rings.size(), 402u);
        EXPECT_NEAR(rings.back().points.back().y, 1000, 0.01);
        EXPECT_LE(OfKind(Picture(w.drawing()), Kind::Line, kRectangular).size(), 12100u);
    }
}

TEST_F(PolesWindowTest, OpensModallyFromThePlotAndReturnsToIt)
{
    struct Case {
        const char* name;
        bool pressGrid;
    };
    const Case cases[] = {{"straight back", false}, {"after the grid", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto program = std::make_unique<Program>();
        // The program's own registry knows the window; the test program
        // leaves it out, so it is put back here.
        {
            Navigator full(program->record, program->platform, [] {});
            RegisterProgramWindows(full);
            EXPECT_TRUE(full.CanOpen(WindowKind::Poles));
        }
        RegisterPlotWindows(program->navigator);
        RegisterPoles(program->navigator);
        RecordDrawings(program->navigator, program->platform);
        DesignState& s = program->record;
        InstallStartDefaults(s);
        InstallOpampDefaults(s);
        InitEngine(s);
        s.Apass = 0;
        RunDesignChain(s);

        auto* plot = program->Open<frmPlot>(WindowKind::Plot);
        ASSERT_NE(plot, nullptr);
        const DesignState before = s;
        Click(plot->cmdPoles);
        auto* poles = dynamic_cast<frmPoles*>(program->navigator.Find(WindowKind::Poles));
        ASSERT_NE(poles, nullptr);
        EXPECT_EQ(poles->windowTitle().toStdString(), "      Stelvane - Poles");
        EXPECT_TRUE(poles->isModal());
        // Maximized like the plot it covers, so the list of values is on the screen.
        EXPECT_TRUE(poles->isMaximized());
        EXPECT_EQ(poles->Background(), (Rgb{255, 255, 255}));
        const Layout layout(program->platform.Screen(), WindowKind::Poles);
        const std::pair<QPushButton*, PixelRect> buttons[] = {
            {poles->cmdGrid, layout.Rect(300, 1900, 1000, 300)}, {poles->cmdExit, layout.Rect(300, 1500, 1000, 300)}};
        for (const auto& [button, r] : buttons)
            EXPECT_EQ(button->geometry(), QRect(r.left, r.top, r.width, r.height));
        EXPECT_EQ(poles->cmdGrid->text().toStdString(), "Grid");
        EXPECT_EQ(poles->cmdExit->text().toStdString(), "Return");
        if (c.pressGrid)
            Click(poles->cmdGrid);

        Click(poles->cmdExit);
        FlushDeletes();
        EXPECT_EQ(program->navigator.Find(WindowKind::Poles), nullptr);
        EXPECT_EQ(program->navigator.Find(WindowKind::Plot), plot);
        EXPECT_EQ(program->endings, 0);
        // The window only reads the record.
        EXPECT_EQ(s.Order, before.Order);
        EXPECT_EQ(s.Family, before.Family);
        EXPECT_EQ(s.PoleRe, before.PoleRe);
        EXPECT_EQ(s.PoleIm, before.PoleIm);
        EXPECT_EQ(s.GridF, before.GridF);
        EXPECT_EQ(s.NrGridX, before.NrGridX);
        EXPECT_EQ(s.Apass, before.Apass);
    }
}

} // namespace
} // namespace stelvane
