#include "windows/frmschematic.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/numbertext.h"
#include "engine/partcheck.h"
#include "engine/practicalparts.h"
#include "engine/sensitivity.h"
#include "windows/layout.h"
#include "windows/symbols.h"
#include "windows/updown.h"

namespace stelvane {

namespace {

constexpr Rgb kBandEdge{17, 170, 170};
// The white band the circuit is drawn on, edge to edge across the window.
constexpr double kBandLeft = 1;
constexpr double kBandRight = 12400;
constexpr double kBandTop = 800;
constexpr double kBandBottom = 5700;

// Words on stages that cannot be built, in the free space below the parts
// type, the opamp line, the sensitivities and the range note.
constexpr Rgb kFaultColour{255, 0, 0};
constexpr double kFaultX = 2000;
constexpr double kFaultTop = 8050;
constexpr double kFaultPitch = 300;
constexpr std::size_t kFaultLines = 3;
// The zigzag of each resistor of a stage drawn at x0, relative to the stage
// (R1 lies along the signal line, R2 hangs from node A, R3 in the feedback).
struct ResistorBody {
    double left, top, right, bottom;
};
constexpr std::array<ResistorBody, 3> kResistorBodies{{
    {240, -100, 640, 100},
    {900, 300, 1100, 700},
    {2060, -740, 2260, -340},
}};

// The outlines of the stage's built resistors outside the practical range.
void OutlineOutOfRange(Canvas& canvas, double x0, double y, const DesignState& s, int stage)
{
    const ResArray& r = BuiltResistors(s);
    for (int j = 1; j <= 3; ++j) {
        if (r[stage][j] >= kPracticalResistors.low && r[stage][j] <= kPracticalResistors.high)
            continue;
        const ResistorBody& b = kResistorBodies[j - 1];
        canvas.OutlineBox({x0 + b.left, y + b.top}, {x0 + b.right, y + b.bottom}, kOutOfRangeColour, 2);
    }
}

std::string Fixed(double v)
{
    if (!std::isfinite(v))
        return "-";
    return QString::number(v == 0 ? 0.0 : v, 'f', 3).toStdString();
}

} // namespace

double SchematicScrollSpan(Integer order)
{
    return order > 2 ? std::clamp<int>(order, 0, kMaxStages) * kSchematicScrollPerStage : 0;
}

double SchematicOriginX(int value, double scrollSpan)
{
    const int v = std::clamp(value, 0, kSchematicScrollMaximum);
    if (!std::isfinite(scrollSpan))
        return kSchematicOriginX;
    return kSchematicOriginX - double(v) * scrollSpan / kSchematicScrollMaximum;
}


std::string OpampInfoText(const DesignState& s)
{
    return "Opamp GBW: " + Trimmed(FormatEng(s.GBW)) + "Hz   DCgain: " + Trimmed(FormatValueShort(s.DCGain)) +
           "v/v";
}

void DrawSchematic(Canvas& canvas, const DesignState& s, double originX, double screenHeightTwips)
{
    const SymbolStyle style = SchematicStyle(screenHeightTwips);
    canvas.FillBox({kBandLeft, kBandTop}, {kBandRight, kBandBottom}, kWhite);
    canvas.Line({kBandLeft, kBandTop}, {kBandRight, kBandTop}, kBandEdge);
    canvas.Line({kBandLeft, kBandBottom}, {kBandRight, kBandBottom}, kBandEdge);

    const double y = kSchematicBaselineY;
    double x = std::isfinite(originX) ? originX : kSchematicOriginX;
    x += DrawSource(canvas, x, y, style);
    const bool specified = s.PartsType == 1;
    for (int stage = 1; stage <= StageCount(s); ++stage) {
        DrawStage(canvas, x, y, s, stage, specified, style);
        OutlineOutOfRange(canvas, x, y, s, stage);
        DrawStageReadouts(canvas, x, s, stage, style);
        x += kStageAdvance;
    }
    canvas.Line({x, y}, {x + kOutputLead, y}, kBlack);
    canvas.Text({x + 360, y - 100}, "Output", kBlack, style.valueFont);

    // At the foot of the window: the stages that cannot be built, in words.
    std::vector<std::string> faults;
    for (int stage = 1; stage <= StageCount(s); ++stage)
        if (std::string why = UnbuildableStageText(s, stage, specified); !why.empty()) faults.push_back(std::move(why));
    canvas.FillBox({kFaultX, kFaultTop - kFaultPitch / 2}, {kBandRight, kFaultTop + kFaultPitch * kFaultLines},
                   kWindowBackground);
    if (faults.size() > kFaultLines)
        faults.resize(kFaultLines - 1), faults.push_back("... and more stages that cannot be built");
    for (std::size_t line = 0; line < faults.size(); ++line)
        canvas.Text({kFaultX, kFaultTop + kFaultPitch * double(line)}, faults[line], kFaultColour, style.valueFont);
}

std::string SensitivityTable(const DesignState& s, int stage)
{
    const StageSensitivities sens = SensitivitiesOf(PartsOfStage(s, stage));
    auto cell = [](std::string text) { return std::string(8 - std::min<std::size_t>(text.size(), 7), ' ') + text; };
    std::string t = "     ";
    for (const char* part : kStagePartNames)
        t += cell(part);
    for (const auto& [name, row] : {std::pair{"f0   ", &sens.f0}, {"Q    ", &sens.q}, {"gain ", &sens.gain}}) {
        t += std::string("\n") + name;
        for (double v : *row)
            t += cell(Fixed(v));
    }
    return t;
}

std::string RangeNoteText(const DesignState& s)
{
    const std::size_t outside = ResistorsOutsideRange(s, kPracticalResistors).size();
    const std::string range = Trimmed(FormatValue(Single(kPracticalResistors.low))) + " to " +
                              Trimmed(FormatValue(Single(kPracticalResistors.high))) + " ohms";
    if (outside == 0)
        return "Every resistor within " + range;
    return std::to_string(outside) + (outside == 1 ? " resistor" : " resistors") + " outside " + range +
           ", outlined in orange";
}

frmSchematic::frmSchematic(Navigator& navigator) : BarWindow(navigator, WindowKind::Schematic)
{
    BuildControls();
}

void frmSchematic::BuildControls()
{
    fraPartsType = new QGroupBox("Parts type", this);
    fraPartsType->setObjectName("fraPartsType");
    SetBackgroundColour(*fraPartsType, kWhite);
    auto option = [this](const char* name, const char* text) {
        auto* o = new QRadioButton(text, fraPartsType);
        o->setObjectName(name);
        SetBackgroundColour(*o, kWhite);
        return o;
    };
    optIdeal = option("optIdeal", "Ideal opamp");
    optSpecd = option("optSpecd", "Specified opamp");
    optIdeal->setChecked(true);

    lblOpampInfo = new QLabel(this);
    lblOpampInfo->setObjectName("lblOpampInfo");
    lblOpampInfo->setVisible(false);

    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    HScroll1->setObjectName("HScroll1");
    HScroll1->setRange(0, kSchematicScrollMaximum);
    HScroll1->setVisible(false);

    lblSensitivityStage = new QLabel("Sensitivities (x/y)(dy/dx) of stage: ", this);
    lblSensitivityStage->setObjectName("lblSensitivityStage");
    lblSensitivityStage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblSensStage = new QLabel("1", this);
    lblSensStage->setObjectName("lblSensStage");
    lblSensStage->setAlignment(Qt::AlignCenter);
    lblSensStage->setFrameShape(QFrame::Box);
    SetBackgroundColour(*lblSensStage, kWhite);
    UpDown1 = new UpDown(lblSensStage, 1, std::clamp<int>(Record().Order, 1, kMaxStages), this);
    UpDown1->setObjectName("UpDown1");
    lblSensitivity = new QLabel(this);
    lblSensitivity->setObjectName("lblSensitivity");
    lblSensitivity->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetBackgroundColour(*lblSensitivity, kWhite);
    lblRangeNote = new QLabel(this);
    lblRangeNote->setObjectName("lblRangeNote");

    connect(UpDown1, &UpDown::valueChanged, this, [this] { ShowSensitivities(); });
    connect(optIdeal, &QRadioButton::toggled, this, [this](bool on) { if (on) IdealClicked(); });
    connect(optSpecd, &QRadioButton::toggled, this, [this](bool on) { if (on) SpecdClicked(); });
    connect(HScroll1, &QScrollBar::valueChanged, this, [this](int value) { ScrollChanged(value); });
}

void frmSchematic::PlaceControls(const Layout& layout)
{
    PlaceButtonBar(layout);
    cmdDesign->setEnabled(true);
    cmdDesign->setVisible(true);
    Place(*fraPartsType, layout, 2000, 6000, 2000, 1100);
    PlaceInFrame(*optIdeal, layout, 0.025, 0.14);
    PlaceInFrame(*optSpecd, layout, 0.06, 0.14);
    Place(*lblOpampInfo, layout, 2000, 7200, 4000, 300);
    Place(*HScroll1, layout, 4000, 3900, 3000, 200);
    // Right of the parts-type frame and the opamp line, below the circuit.
    Place(*lblSensitivityStage, layout, 6300, 6000, 3300, 300);
    Place(*lblSensStage, layout, 9600, 6000, 400, 300);
    Place(*UpDown1, layout, 10000, 6000, 300, 300);
    Place(*lblSensitivity, layout, 6300, 6400, 4400, 1000);
    QFont table = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    table.setPointSizeF(layout.FontPoints(kFontOrdinary));
    lblSensitivity->setFont(table);
    Place(*lblRangeNote, layout, 6300, 7500, 5000, 300);
}

void frmSchematic::Load()
{
    const Layout layout = SetUpWindow(*this, GetPlatform(), WindowKind::Schematic);
    screenHeightTwips_ = layout.Sh();
    PlaceControls(layout);
    SelectPartsType();
    ShowDesign();
}

void frmSchematic::DesignChanged() { ShowDesign(); }

void frmSchematic::ShowDesign()
{
    lblOpampInfo->setText(QString::fromStdString(OpampInfoText(Record())));
    const Integer order = Record().Order;
    // An undo may bring back another number of stages.
    UpDown1->setMaximum(std::clamp<int>(order, 1, kMaxStages));
    Integer shown = 1;
    ParseNumberText(lblSensStage->text().toStdString(), shown);
    if (shown > UpDown1->maximum())
        lblSensStage->setText(QString::number(UpDown1->maximum()));
    ScrollSpan = SchematicScrollSpan(order);
    {
        const QSignalBlocker quiet(HScroll1);
        HScroll1->setRange(0, kSchematicScrollMaximum);
        HScroll1->setValue(0);
        if (ScrollSpan > 0) {
            // One arrow click moves a tenth of a stage, one page a stage.
            const double perStage = kSchematicScrollMaximum * kStageAdvance / ScrollSpan;
            HScroll1->setSingleStep(std::max(1, int(std::lround(perStage / 10))));
            HScroll1->setPageStep(std::max(1, int(std::lround(perStage))));
        }
    }
    HScroll1->setVisible(order > 2);
    OriginX = kSchematicOriginX;
    Draw();
    ShowSensitivities();
}

void frmSchematic::ShowSensitivities()
{
    Integer stage = 1;
    ParseNumberText(lblSensStage->text().toStdString(), stage);
    lblSensitivity->setText(QString::fromStdString(SensitivityTable(Record(), stage)));
    lblRangeNote->setText(QString::fromStdString(RangeNoteText(Record())));
}

// The parts type outlives the window while its options start afresh, so the
// options are set to the type the record holds (which the LTspice writer
// also uses) rather than the other way round.
void frmSchematic::SelectPartsType()
{
    DesignState& s = Record();
    if (s.PartsType != 1)
        s.PartsType = 0;
    const bool specified = s.PartsType == 1;
    const QSignalBlocker quietIdeal(optIdeal);
    const QSignalBlocker quietSpecd(optSpecd);
    optIdeal->setChecked(!specified);
    optSpecd->setChecked(specified);
    lblOpampInfo->setVisible(specified);
}

void frmSchematic::Draw() { DrawSchematic(canvas(), Record(), OriginX, screenHeightTwips_); }

void frmSchematic::IdealClicked()
{
    lblOpampInfo->setVisible(false);
    Record().PartsType = 0;
    DrawFromStageOne();
}

void frmSchematic::SpecdClicked()
{
    lblOpampInfo->setVisible(true);
    Record().PartsType = 1;
    DrawFromStageOne();
}

void frmSchematic::DrawFromStageOne()
{
    // The drawing starts again at stage 1, and the scroll bar with it.
    const QSignalBlocker quiet(HScroll1);
    HScroll1->setValue(0);
    OriginX = kSchematicOriginX;
    Draw();
    ShowSensitivities();  // the range note counts the resistors drawn
}

void frmSchematic::ScrollChanged(int value)
{
    OriginX = SchematicOriginX(value, ScrollSpan);
    Draw();
}

} // namespace stelvane
