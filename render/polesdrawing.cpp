#include "render/polesdrawing.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/numbertext.h"

namespace stelvane {

namespace {

// The list of pole values right of the plot, in layout units.
constexpr double kListX = 8600;
constexpr double kListYColumnX = 10000;
constexpr double kListTop = 500;
constexpr double kListPitch = 300;
// The rectangular grid: vertical lines span this band, horizontal lines
// run from the left end of the half-plane to the imaginary axis.
constexpr double kGridTop = 1000;
constexpr double kGridBottom = 8000;
// The radial lines start this far from the origin, so the centre stays clear.
constexpr double kRadialStart = 150;
// The grid counters stop a hair beyond S, so the line at S itself is kept.
constexpr Single kGridMargin = 0.001f;
constexpr Single kGridStep = 0.1f;

// Every how many rings (or grid steps) one is drawn: 1 unless they would
// crowd closer than a pixel.
int Thinning(Integer radius) { return radius > kMostRings ? (radius + kMostRings - 1) / kMostRings : 1; }

void DrawRectangularGrid(Canvas& canvas, Integer radius)
{
    const double scale = kPolesRingSpan / radius;
    const double halfPlaneLeft = kPolesOriginX - kPolesHorizontalFactor * kPolesRingSpan;
    const Single step = kGridStep * static_cast<Single>(Thinning(radius));
    const Single bound = static_cast<Single>(radius) + kGridMargin;
    for (Single v = 0; v <= bound; v += step) {
        const double x = kPolesOriginX - kPolesHorizontalFactor * scale * v;
        canvas.Line({x, kGridTop}, {x, kGridBottom}, kRectangularGridColour);
    }
    // These lie 0.001 off the round values, as the counter starts just below -S.
    for (Single v = -bound; v <= bound; v += step) {
        const double y = kPolesOriginY - scale * v;
        canvas.Line({halfPlaneLeft, y}, {kPolesOriginX, y}, kRectangularGridColour);
    }
}

void DrawPolarGrid(Canvas& canvas, Integer radius, Single pi)
{
    const double degree = pi / 180.0;
    // Radial lines every 10 degrees; 0 points along the negative real axis.
    for (int a = -90; a <= 90; a += 10) {
        const double c = std::cos(a * degree);
        const double sn = std::sin(a * degree);
        canvas.Line({kPolesOriginX - kPolesHorizontalFactor * kRadialStart * c, kPolesOriginY - kRadialStart * sn},
            {kPolesOriginX - kPolesHorizontalFactor * kPolesRingSpan * c, kPolesOriginY - kPolesRingSpan * sn},
            kPolarGridColour);
    }
    // Rings at every whole radius up to S: half circles over the left half-plane.
    const double scale = kPolesRingSpan / radius;
    const int thinning = Thinning(radius);
    for (int r = 0; r <= radius; r += thinning) {
        // With thinned rings the outer ring is still drawn at S.
        const int ring = (r + thinning > radius) ? radius : r;
        std::vector<CanvasPoint> points;
        points.reserve(181);
        for (int a = 90; a <= 270; ++a) {
            points.push_back({kPolesOriginX + kPolesHorizontalFactor * ring * scale * std::cos(a * degree),
                kPolesOriginY + ring * scale * std::sin(a * degree)});
        }
        canvas.Polyline(points, kPolarGridColour);
    }
}

bool Finite(CanvasPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

Integer PolesPlotRadius(const DesignState& s)
{
    Integer radius = 0;
    const int poles = StageCount(s);
    for (int k = 1; k <= poles; ++k) {
        const Single im = s.PoleIm[k];
        if (!(im > radius)) continue;  // also passes over a NaN
        // Poles from a design file may lie anywhere; the radius stays an Integer.
        radius = im >= kLargestPlotRadius ? kLargestPlotRadius : static_cast<Integer>(std::nearbyint(im));
    }
    radius = static_cast<Integer>(radius + 1);
    if (radius < 1) radius = 1;
    if (s.Family == FilterFamily::Butterworth) radius = 1;  // Butterworth poles lie on the unit circle
    return radius;
}

CanvasPoint PolePosition(Single re, Single im, Integer radius)
{
    const double scale = kPolesRingSpan / radius;
    return {kPolesOriginX + kPolesHorizontalFactor * scale * re, kPolesOriginY - scale * im};
}

std::string PolesFamilyText(FilterFamily family)
{
    const char* name = FamilyName(family);
    return name ? std::string("Family:  ") + name : " ";
}

std::vector<std::string> PolesListTexts(const DesignState& s)
{
    std::vector<std::string> texts;
    const int poles = StageCount(s);
    for (int k = 1; k <= poles; ++k) {
        texts.push_back("X(" + std::to_string(k) + "): " + FormatValue(s.PoleRe[k]));
        texts.push_back("Y(" + std::to_string(k) + "): " + FormatValue(s.PoleIm[k]));
    }
    texts.push_back(PolesFamilyText(s.Family));
    texts.push_back("Order: " + std::to_string(s.Order));
    texts.push_back("Apass: " + GeneralNumberText(s.Apass));
    return texts;
}

void DrawPolesPicture(Canvas& canvas, const DesignState& s, Integer radius, bool withGrid, const CanvasFont& font)
{
    // Every caller passes a radius of at least 1; a stray 0 must not divide.
    radius = std::max<Integer>(radius, 1);
    if (withGrid) DrawRectangularGrid(canvas, radius);
    DrawPolarGrid(canvas, radius, PiOf(s));

    const std::vector<std::string> texts = PolesListTexts(s);
    const int poles = StageCount(s);
    for (int k = 1; k <= poles; ++k) {
        const CanvasPoint at = PolePosition(s.PoleRe[k], s.PoleIm[k], radius);
        if (Finite(at)) canvas.Dot(at, kPoleMarkColour, kPoleMarkWidth);
        const double y = kListTop + kListPitch * k;
        canvas.Text({kListX, y}, texts[2 * (k - 1)], kBlack, font);
        canvas.Text({kListYColumnX, y}, texts[2 * (k - 1) + 1], kBlack, font);
    }
    // Family, order and ripple below the list, with a gap of two lines.
    const double next = kListPitch * (poles + 1);
    canvas.Text({kListX, next + 1100}, texts[2 * poles], kBlack, font);
    canvas.Text({kListX, next + 1400}, texts[2 * poles + 1], kBlack, font);
    canvas.Text({kListX, next + 1700}, texts[2 * poles + 2], kBlack, font);
}

}  // namespace stelvane
