#include "windows/frmplot.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "engine/headroom.h"
#include "engine/noise.h"
#include "engine/numbertext.h"
#include "files/plotoverlay.h"
#include "print/reportprintout.h"
#include "windows/plottolerance.h"
#include "windows/saveimage.h"
#include "windows/updown.h"

namespace stelvane {

namespace {

PlotPrinter& Printer()
{
    static PlotPrinter printer;
    return printer;
}

constexpr Rgb kWarningColour{255, 0, 0};
constexpr Rgb kAgreementColour{17, 102, 17};
// The agreement in words: above the frame, between the button bar, the
// gain title and the titles of the right-hand axes; two lines at most.
constexpr double kAgreementLeft = 2100, kAgreementTop = 350, kAgreementWidth = 8400, kAgreementHeight = 600;
// The words on stages that cannot be built: the first line of that place,
// above the agreement's last line.
constexpr double kUnbuildableHeight = 300;
// "Headroom" in the gap between the button bar and "Show poles".
constexpr double kHeadroomTop = 1100;
// Marks along a simulated curve: about this many, this wide.
constexpr std::size_t kSimulatedMarks = 50;
constexpr double kSimulatedMarkWidth = 5;

struct PartInfo {
    const char* name;   // "R1"
    double tuneColumn;  // left edge in the tuning group
    double editColumn;  // left edge in the editing group
};
constexpr std::array<PartInfo, frmPlot::kParts> kPartInfo{{
    {"R1", 2400, 2400},
    {"R2", 3600, 3600},
    {"R3", 4800, 4800},
    {"C1", 6000, 6000},
    {"C2", 7400, 7200},
}};

bool IsResistor(int part) { return stelvane::IsResistor(static_cast<StagePart>(part)); }

// Side buttons: left 300, 1000 x 300.
struct SideButton {
    const char* name;
    const char* caption;
    double top;
};
constexpr std::array<SideButton, 12> kSideButtons{{
    {"cmdPoles", "Show poles", 1500}, {"cmdDelay", "Plot delay", 2400}, {"cmdPhase", "Plot phase", 2800},
    {"cmdSavePlot", "Save plot", 3600}, {"cmdGetPlot", "Get plot", 4000}, {"cmdNearest5", "Nearest 5%", 4400},
    {"cmdRestore", "Restore", 4800}, {"cmdTuneCenterWidth", "Tune Fo/Fc", 5600}, {"cmdTunePart", "Tune part", 6000},
    {"cmdEditPart", "Edit part", 6400}, {"cmdReset", "Clear", 6800},
    {"cmdSimulate", "Simulate", 3200},  // below the curve buttons, in the gap before "Save plot"
}};
constexpr double kSideButtonLeft = 300;
constexpr double kSideButtonWidth = 1000;
constexpr double kSideButtonHeight = 300;
constexpr double kPrintAllTop = 700;    // between the bar and "Headroom"
constexpr double kSaveImageTop = 7150;  // below "Clear"
constexpr double kSeriesTop = 5200;     // between "Restore" and "Tune Fo/Fc"
// "Undo" and "Redo" side by side in the gap between "Show poles" and "Plot delay".
constexpr double kUndoTop = 1950;
constexpr double kTimeResponseTop = 8000;  // under the tuning panel's stage picker, left of its parts
constexpr double kUndoWidth = 480;
constexpr double kRedoLeft = kSideButtonLeft + kSideButtonWidth - kUndoWidth;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// E24 is the 5% series, whose caption the button has always had.
QString RoundingCaption(StandardSeries series)
{
    return series == StandardSeries::E24 ? QString("Nearest 5%") : QString("Nearest %1").arg(SeriesName(series));
}

// Whether the parts still stand as the last rounding left them: every
// resistor in the series, every capacitor as it was (the rounding keeps them).
bool PartsAsRounded(const DesignState& s, const CapArray& savedC, StandardSeries series)
{
    for (int k = 1; k <= StageCount(s); ++k) {
        for (int j = 1; j <= 3; ++j)
            if (RoundToSeries(s.R[k][j], series) != s.R[k][j]) return false;
        if (s.C[k] != savedC[k]) return false;
    }
    return true;
}

}  // namespace

void SetPlotPrinter(PlotPrinter printer) { Printer() = std::move(printer); }

frmPlot::frmPlot(Navigator& navigator) : BarWindow(navigator, WindowKind::Plot)
{
    simulationTask_ = new SimulationTask(this);
    BuildControls();
    setMouseTracking(true);
}

void frmPlot::BuildControls()
{
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    auto label = [this](const char* name, const char* caption) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(name);
        return l;
    };
    auto name = [](const char* prefix, const PartInfo& p, const char* suffix) {
        return QString("%1%2%3").arg(prefix, p.name, suffix).toUtf8();
    };

    std::array<QPushButton*, kSideButtons.size()> side{};
    for (std::size_t i = 0; i < kSideButtons.size(); ++i)
        side[i] = button(kSideButtons[i].name, kSideButtons[i].caption);
    cmdPoles = side[0];
    cmdDelay = side[1];
    cmdPhase = side[2];
    cmdSavePlot = side[3];
    cmdGetPlot = side[4];
    cmdNearest5 = side[5];
    cmdRestore = side[6];
    cmdTuneCenterWidth = side[7];
    cmdTunePart = side[8];
    cmdEditPart = side[9];
    cmdReset = side[10];
    cmdSimulate = side[11];
    lblSimulation = label("lblSimulation", "");
    cboSeries = new QComboBox(this);
    cboSeries->setObjectName("cboSeries");
    cboSeries->setFocusPolicy(Qt::NoFocus);
    for (StandardSeries series : kAllSeries) cboSeries->addItem(SeriesName(series));
    cboSeries->setCurrentIndex(static_cast<int>(View().roundingSeries));
    cmdNearest5->setText(RoundingCaption(View().roundingSeries));
    cmdUndo = button("cmdUndo", "Undo");
    cmdRedo = button("cmdRedo", "Redo");
    cmdUndo->setToolTip("Takes back the last change of the design (Ctrl+Z)");
    cmdRedo->setToolTip("Makes the change taken back again (Ctrl+Shift+Z, Ctrl+Y)");
    cboSeries->setToolTip("The series \"Nearest 5%\" rounds the resistors to");

    // The stage selectors step between 1 and the number of stages.
    const int stages = std::clamp<int>(Record().Order, 1, kMaxStages);

    lblStageNr = label("lblStageNr", "Stage: ");
    lblStage = label("lblStage", "1");
    UpDown1 = new UpDown(lblStage, 1, stages, this);
    UpDown1->setObjectName("UpDown1");
    lblStageFreq = label("lblStageFreq", "Stage freq: ");
    lblStageQ = label("lblStageQ", "Stage Q: ");
    for (int p = 0; p < kParts; ++p) {
        const PartInfo& info = kPartInfo[p];
        const QString caption = QString("%1: ").arg(info.name);
        tune[p].caption = label(name("lbl", info, "").constData(), caption.toUtf8().constData());
        tune[p].value = label(name("lbl", info, "value").constData(), "");
        tune[p].down = button(name("cmd", info, "down").constData(), "<");
        tune[p].up = button(name("cmd", info, "up").constData(), ">");
    }

    lblStageNrEdit = label("lblStageNrEdit", "Stage: ");
    lblStageEdit = label("lblStageEdit", "1");
    UpDown2 = new UpDown(lblStageEdit, 1, stages, this);
    UpDown2->setObjectName("UpDown2");
    cmdEnterAll = button("cmdEnterAll", "Enter all");
    for (int p = 0; p < kParts; ++p) {
        const PartInfo& info = kPartInfo[p];
        const QString caption = QString("%1: ").arg(info.name);
        edit[p].caption = label(name("lbl", info, "edit").constData(), caption.toUtf8().constData());
        edit[p].value = label(name("lbl", info, "editValue").constData(), "");
        edit[p].text = new QLineEdit(this);
        edit[p].text->setObjectName(name("txt", info, "value"));
    }

    lblCenter = label("lblCenter", "Center freq: ");
    cmdCenterDown = button("cmdCenterDown", "<");
    cmdCenterUp = button("cmdCenterUp", ">");
    lblWidth = label("lblWidth", "Width: ");
    cmdWidthDown = button("cmdWidthDown", "<");
    cmdWidthUp = button("cmdWidthUp", ">");

    lblNegative = label("lblNegative", "Negative value(s)");
    cmdHeadroom = button("cmdHeadroom", "Headroom");
    cmdHeadroom->setToolTip("Each stage's peak from the input, its headroom and the slew its output needs");
    lblUnbuildable = label("lblUnbuildable", "");
    connect(cmdHeadroom, &QPushButton::clicked, this, [this] { Nav().Open(WindowKind::Headroom); });
    tolerance = new PlotTolerance(
        *this, Record(), [this] { RedrawPlot(); },
        [this](const std::string& text) { GetPlatform().ShowMessage(text); });

    BuildNoiseControls();
    BuildReportControls();

    connect(cmdPoles, &QPushButton::clicked, this, [this] { Nav().Open(WindowKind::Poles); });
    connect(cmdDelay, &QPushButton::clicked, this, [this] { DelayClicked(); });
    connect(cmdPhase, &QPushButton::clicked, this, [this] { PhaseClicked(); });
    connect(cmdSavePlot, &QPushButton::clicked, this, [this] { SavePlotClicked(); });
    connect(cmdGetPlot, &QPushButton::clicked, this, [this] { GetPlotOverlay(); });
    connect(cmdNearest5, &QPushButton::clicked, this, [this] { Nearest5Clicked(); });
    connect(cmdRestore, &QPushButton::clicked, this, [this] { RestoreClicked(); });
    connect(cmdTuneCenterWidth, &QPushButton::clicked, this, [this] { TuneCenterWidthClicked(); });
    connect(cmdTunePart, &QPushButton::clicked, this, [this] { TunePartClicked(); });
    connect(cmdEditPart, &QPushButton::clicked, this, [this] { EditPartClicked(); });
    connect(cmdReset, &QPushButton::clicked, this, [this] { ResetClicked(); });
    connect(cmdSimulate, &QPushButton::clicked, this, [this] { SimulateClicked(); });
    connect(cmdUndo, &QPushButton::clicked, this, [this] { Undo(); });
    connect(cmdRedo, &QPushButton::clicked, this, [this] { Redo(); });
    connect(cboSeries, &QComboBox::currentIndexChanged, this, [this](int index) { SeriesPicked(index); });
    for (int p = 0; p < kParts; ++p) {
        connect(tune[p].down, &QPushButton::clicked, this, [this, p] { StepPart(p, false); });
        connect(tune[p].up, &QPushButton::clicked, this, [this, p] { StepPart(p, true); });
    }
    connect(UpDown1, &UpDown::valueChanged, this, [this] { TuneStageChanged(); });
    connect(UpDown2, &UpDown::valueChanged, this, [this] { EditStageChanged(); });
    connect(cmdEnterAll, &QPushButton::clicked, this, [this] { EnterAllClicked(); });
    connect(cmdCenterDown, &QPushButton::clicked, this, [this] { StepCenterOrWidth(true, false); });
    connect(cmdCenterUp, &QPushButton::clicked, this, [this] { StepCenterOrWidth(true, true); });
    connect(cmdWidthDown, &QPushButton::clicked, this, [this] { StepCenterOrWidth(false, false); });
    connect(cmdWidthUp, &QPushButton::clicked, this, [this] { StepCenterOrWidth(false, true); });
}

void frmPlot::PlaceControls()
{
    const Layout& layout = *layout_;
    for (const SideButton& b : kSideButtons) {
        auto* button = findChild<QPushButton*>(b.name, Qt::FindDirectChildrenOnly);
        Place(*button, layout, kSideButtonLeft, b.top, kSideButtonWidth, kSideButtonHeight);
    }
    Place(*cboSeries, layout, kSideButtonLeft, kSeriesTop, kSideButtonWidth, kSideButtonHeight);
    Place(*cmdUndo, layout, kSideButtonLeft, kUndoTop, kUndoWidth, kSideButtonHeight);
    Place(*cmdRedo, layout, kRedoLeft, kUndoTop, kUndoWidth, kSideButtonHeight);

    // The panel's labels hide whatever the plot drew below the frame.
    auto panelLabel = [&](QLabel* l, double left, double top, double width, double height) {
        Place(*l, layout, left, top, width, height);
        SetBackgroundColour(*l, kWindowBackground);
    };
    auto arrow = [&](QPushButton* b, double left, double top, double size) {
        Place(*b, layout, left, top, size, size);
        SetFont(*b, layout, kFontOrdinary, true);
    };

    panelLabel(lblStageNr, 500, 7500, 800, 300);
    panelLabel(lblStage, 1300, 7500, 300, 300);
    lblStage->setAlignment(Qt::AlignCenter);
    Place(*UpDown1, layout, 1600, 7500, 300, 300);
    panelLabel(lblStageFreq, 2400, 8200, 1500, 300);
    panelLabel(lblStageQ, 4000, 8200, 1500, 300);
    for (int p = 0; p < kParts; ++p) {
        const double x = kPartInfo[p].tuneColumn;
        panelLabel(tune[p].caption, x, 7500, 300, 300);
        panelLabel(tune[p].value, x + 300, 7500, IsResistor(p) ? 700 : 900, 300);
        arrow(tune[p].down, x, 7800, 240);
        arrow(tune[p].up, x + 240, 7800, 240);
    }

    panelLabel(lblStageNrEdit, 500, 7500, 800, 300);
    panelLabel(lblStageEdit, 1300, 7500, 300, 300);
    lblStageEdit->setAlignment(Qt::AlignCenter);
    Place(*UpDown2, layout, 1600, 7500, 300, 300);
    Place(*cmdEnterAll, layout, 2400, 8100, 5800, 300);
    for (int p = 0; p < kParts; ++p) {
        const double x = kPartInfo[p].editColumn;
        panelLabel(edit[p].caption, x, 7500, 300, 300);
        panelLabel(edit[p].value, x + 300, 7500, IsResistor(p) ? 700 : 900, 300);
        Place(*edit[p].text, layout, x, 7800, 1000, 300);
    }

    panelLabel(lblCenter, 2400, 7500, 1600, 300);
    arrow(cmdCenterDown, 2600, 7800, 300);
    arrow(cmdCenterUp, 2900, 7800, 300);
    panelLabel(lblWidth, 4300, 7500, 1600, 300);
    arrow(cmdWidthDown, 4300, 7800, 300);
    arrow(cmdWidthUp, 4600, 7800, 300);

    Place(*lblSimulation, layout, kAgreementLeft, kAgreementTop, kAgreementWidth, kAgreementHeight);
    MakeTransparent(*lblSimulation);
    lblSimulation->setWordWrap(true);
    lblSimulation->setAlignment(Qt::AlignLeft | Qt::AlignBottom);

    panelLabel(lblNegative, 5600, 7500, 1500, 300);
    QPalette p = lblNegative->palette();
    p.setColor(QPalette::WindowText, QColor(kWarningColour.r, kWarningColour.g, kWarningColour.b));
    lblNegative->setPalette(p);
    Place(*cmdHeadroom, layout, kSideButtonLeft, kHeadroomTop, kSideButtonWidth, kSideButtonHeight);
    Place(*lblUnbuildable, layout, kAgreementLeft, kAgreementTop, kAgreementWidth, kUnbuildableHeight);
    MakeTransparent(*lblUnbuildable);
    lblUnbuildable->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblUnbuildable->setPalette(p);
    tolerance->Place(layout);
    // noise: right of the readout strip, under the right-hand axes' labels
    Place(*chkNoise, layout, 11050, 7300, 900, 300);
    MakeTransparent(*chkNoise);
    Place(*cmdNoiseTable, layout, 11050, 7620, 900, 280);
    // the time response: under "Clear", above the tuning panel
    Place(*cmdTimeResponse, layout, kSideButtonLeft, kTimeResponseTop, kSideButtonWidth, kSideButtonHeight);
    // ---- images and the full printout: above "Headroom" and below "Clear" ----
    Place(*cmdPrintAll, layout, kSideButtonLeft, kPrintAllTop, kSideButtonWidth, kSideButtonHeight);
    Place(*cmdSaveImage, layout, kSideButtonLeft, kSaveImageTop, kSideButtonWidth, kSideButtonHeight);
}

void frmPlot::Load()
{
    layout_ = SetUpWindow(*this, GetPlatform(), WindowKind::Plot);
    font_ = CanvasFont{kControlFace, layout_->FontPoints(kFontOrdinary), false};
    PlaceButtonBar(*layout_);
    cmdDesign->setEnabled(true);
    cmdDesign->setVisible(true);
    PlaceControls();
    SetTuneGroupVisible(false);
    SetEditGroupVisible(false);
    SetCenterWidthGroupVisible(false);
    lblNegative->setVisible(false);

    CurrentStage = 1;
    ReadoutOff = 0;
    lblStage->setText("1");
    lblStageEdit->setText("1");
    ShowTuneValues();
    ShowStageReadouts();
    ShowCenterAndWidth();
    ShowButtonStates();
    Session().PreparePlot();
    RedrawPlot();
    CheckNegativeParts();
    if (NegativeParts == 1) lblNegative->setVisible(true);
    ShowUnbuildableWords();
}

void frmPlot::ShowUnbuildableWords()
{
    const std::string words = UnbuildableWords(Record());
    lblUnbuildable->setText(Q(words));
    lblUnbuildable->setToolTip(Q(words));  // the whole sentence where the line is too short for it
    lblUnbuildable->setVisible(!words.empty());
}

ScreenPlotContext frmPlot::PlotContext() const
{
    ScreenPlotContext ctx;
    ctx.shown = View().shown;
    ctx.screenWidthTwips = layout_ ? layout_->Sw() : kDesignScreenWidthTwips;
    ctx.font = font_;
    ctx.background = kWindowBackground;
    ctx.readoutOff = ReadoutOff == 1;
    ctx.tolerance = tolerance->Result();
    return ctx;
}

void frmPlot::DesignChanged()
{
    // An undo leaves the grid to the views. The panel, the buttons and the
    // curves show the design as it now stands, whichever window changed it.
    Session().PreparePlot();
    DropStaleSimulation();
    tolerance->DropIfStale();
    const int stages = std::clamp<int>(Record().Order, 1, kMaxStages);
    UpDown1->setMaximum(stages);
    UpDown2->setMaximum(stages);
    if (CurrentStage > stages) {
        CurrentStage = stages;
        lblStage->setText(QString::number(stages));
        lblStageEdit->setText(QString::number(stages));
    }
    ShowTuneValues();
    ShowStageReadouts();
    if (!cmdEnterAll->isHidden()) ShowEditValues();
    ShowCenterAndWidth();
    ShowButtonStates();
    ShowUnbuildableWords();
    RedrawPlot();
}

void frmPlot::ShowButtonStates()
{
    // Parts entered by hand are no design of a family: no centre and width
    // steps that would redesign it, no poles of its family.
    const bool manual = Record().ManualEntry == PartsEntry::Manual;
    cmdTuneCenterWidth->setEnabled(!manual);
    cmdPoles->setEnabled(!manual);
    // Restore is offered while the parts of the last rounding stand; an undo
    // to before the rounding offers the rounding again.
    const bool rounded = Session().RoundedSeries().has_value();
    cmdRestore->setEnabled(rounded);
    if (!rounded && !PartGroupOpen()) cmdNearest5->setEnabled(true);
    cmdUndo->setEnabled(Session().CanUndo());
    cmdRedo->setEnabled(Session().CanRedo());
}

bool frmPlot::PartGroupOpen() const { return !lblStageNr->isHidden() || !cmdEnterAll->isHidden(); }

void frmPlot::RedrawPlot()
{
    ScreenPlotContext ctx = PlotContext();
    // ---- noise: worked out afresh for every drawing of the design ----
    noiseDensity_.clear();
    if (View().shown.noise) {
        noiseDensity_ = ComputeNoise(Record(), View().parts).density;
        ctx.noise = &noiseDensity_;
    }
    stelvane::RedrawPlot(canvas(), Record(), ctx);
    overlayShown_ = false;  // the frame is painted over the overlay
    DrawSimulation();
}

void frmPlot::BuildNoiseControls()
{
    chkNoise = new QCheckBox("Noise", this);
    chkNoise->setObjectName("chkNoise");
    chkNoise->setFocusPolicy(Qt::NoFocus);
    chkNoise->setChecked(View().shown.noise);
    chkNoise->setToolTip("The noise density at the output, on an axis of its own in dBV/rtHz");
    cmdNoiseTable = new QPushButton("Noise table", this);
    cmdNoiseTable->setObjectName("cmdNoiseTable");
    cmdNoiseTable->setFocusPolicy(Qt::NoFocus);
    cmdNoiseTable->setToolTip("Each stage's and each source's share of the noise");
    connect(chkNoise, &QCheckBox::toggled, this, [this](bool on) {
        View().shown.noise = on;
        RedrawPlot();
    });
    connect(cmdNoiseTable, &QPushButton::clicked, this, [this] { Nav().Open(WindowKind::Noise); });
    cmdTimeResponse = new QPushButton("Time response", this);
    cmdTimeResponse->setObjectName("cmdTimeResponse");
    cmdTimeResponse->setFocusPolicy(Qt::NoFocus);
    cmdTimeResponse->setToolTip("The response to a step, an impulse or a tone burst, with its figures");
    connect(cmdTimeResponse, &QPushButton::clicked, this, [this] { Nav().Open(WindowKind::Time); });
}

void frmPlot::CheckNegativeParts() { NegativeParts = HasNegativeParts(Record()) ? 1 : 0; }

void frmPlot::ShowReadout(double x, double y) { stelvane::ShowReadout(canvas(), Record(), PlotContext(), x, y); }

void frmPlot::mouseMoveEvent(QMouseEvent* event)
{
    if (layout_) {
        const QPointF at = event->position();
        ShowReadout(layout_->ToUnitsX(at.x()), layout_->ToUnitsY(at.y()));
    }
    BarWindow::mouseMoveEvent(event);
}

// ---- images and the full printout ----

void frmPlot::BuildReportControls()
{
    cmdSaveImage = new QPushButton(kSaveImageCaption, this);
    cmdSaveImage->setObjectName("cmdSaveImage");
    cmdSaveImage->setToolTip("The plot as shown into a PNG image or an SVG drawing");
    cmdPrintAll = new QPushButton("Print all", this);
    cmdPrintAll->setObjectName("cmdPrintAll");
    cmdPrintAll->setToolTip("Every curve shown with its units, the summary, the schematic and the parts list");
    connect(cmdSaveImage, &QPushButton::clicked, this, [this] { SaveWindowImage(*this, GetPlatform(), "plot.png"); });
    connect(cmdPrintAll, &QPushButton::clicked, this, [this] { PrintAllClicked(); });
}

void frmPlot::PrintAllClicked()
{
    ReportContents c;
    c.shown = View().shown;
    c.overlay = overlayShown_;
    c.simulation = simulation_.has_value();
    c.tolerance = tolerance->Result();
    c.parts = View().parts;
    c.roundedTo = Session().RoundedSeries();
    // The opamp is named from the user's list as the design window offers it.
    if (const auto& file = Nav().Places().opampList) c.opamps = KnownOpamps(ReadOpampList(*file).entries);
    PrintReport(
        Record(), c, [this](Canvas& page) { Replay(page); }, GetPlatform());
}

void frmPlot::OnPrint()
{
    if (Printer()) Printer()(Record(), View().shown, GetPlatform());
}

// --- Side buttons ---

void frmPlot::PhaseClicked()
{
    View().shown.phase = !View().shown.phase;
    RedrawPlot();
    CheckNegativeParts();
}

void frmPlot::DelayClicked()
{
    View().shown.delay = !View().shown.delay;
    RedrawPlot();
    CheckNegativeParts();
}

void frmPlot::SavePlotClicked() { SavePlotOverlay(Record(), GetPlatform()); }

void frmPlot::GetPlotOverlay()
{
    static constexpr std::array<std::pair<const char*, Curve>, 3> kFiles{{
        {kOverlayGainFileName, Curve::Gain},
        {kOverlayPhaseFileName, Curve::Phase},
        {kOverlayDelayFileName, Curve::Delay},
    }};
    for (const auto& [file, curve] : kFiles) {
        // A missing file stops the whole overlay; curves already drawn stay.
        std::string problem;
        if (!ReadPlotOverlay(View().overlay, file, &problem)) {
            GetPlatform().ShowMessage(kOverlayMissingMessage, kOverlayMissingCaption, MessageIcon::Exclamation);
            return;
        }
        if (problem.empty()) {
            DrawOverlayCurve(canvas(), Record(), View().overlay, curve, View().shown);
            overlayShown_ = true;
        } else
            GetPlatform().ShowMessage(problem);
    }
}

// --- Tuning panel ---

const Single& frmPlot::Part(int part) { return Session().Part(CurrentStage, static_cast<StagePart>(part)); }

std::string frmPlot::PartText(int part)
{
    const Single v = Part(part);
    return Trimmed(IsResistor(part) ? FormatValue(v) : FormatCap(v));
}

void frmPlot::ShowTuneValues()
{
    for (int p = 0; p < kParts; ++p) tune[p].value->setText(Q(PartText(p)));
}

void frmPlot::ShowEditValues()
{
    for (int p = 0; p < kParts; ++p) ShowEditValue(p);
}

void frmPlot::ShowEditValue(int part)
{
    // The text box holds the number as formatted, like the design window's
    // boxes; the label beside it shows it without the blanks.
    const Single v = Part(part);
    edit[part].text->setText(Q(IsResistor(part) ? FormatValue(v) : FormatCap(v)));
    edit[part].value->setText(Q(PartText(part)));
}

void frmPlot::ShowStageReadouts()
{
    const DesignState& s = Record();
    const int k = std::clamp(CurrentStage, 1, kMaxStages);
    // A stage whose parts give no centre frequency or Q says so rather than
    // showing a number it does not have.
    if (s.StageInvalid[k] != 0) {
        lblStageFreq->setText("Stage freq: invalid");
        lblStageQ->setText("Stage Q: invalid");
        return;
    }
    lblStageFreq->setText(Q("Stage freq: " + Trimmed(FormatEng(s.StageFoActual[k]))));
    lblStageQ->setText(Q("Stage Q: " + Trimmed(FormatValue(s.StageQActual[k]))));
}

void frmPlot::ShowCenterAndWidth()
{
    const DesignState& s = Record();
    lblCenter->setText(Q("Center freq: " + Trimmed(FormatEng(s.Center))));
    lblWidth->setText(Q("Width: " + Trimmed(FormatEng(s.Width))));
}

void frmPlot::SetTuneGroupVisible(bool visible)
{
    for (QWidget* w : std::initializer_list<QWidget*>{lblStageNr, lblStage, UpDown1, lblStageFreq, lblStageQ})
        w->setVisible(visible);
    for (const TuneControls& c : tune)
        for (QWidget* w : std::initializer_list<QWidget*>{c.caption, c.value, c.down, c.up}) w->setVisible(visible);
}

void frmPlot::SetEditGroupVisible(bool visible)
{
    for (QWidget* w : std::initializer_list<QWidget*>{lblStageNrEdit, lblStageEdit, UpDown2, cmdEnterAll})
        w->setVisible(visible);
    for (const EditControls& c : edit)
        for (QWidget* w : std::initializer_list<QWidget*>{c.caption, c.value, c.text}) w->setVisible(visible);
}

void frmPlot::SetCenterWidthGroupVisible(bool visible)
{
    for (QWidget* w :
        std::initializer_list<QWidget*>{lblCenter, cmdCenterDown, cmdCenterUp, lblWidth, cmdWidthDown, cmdWidthUp})
        w->setVisible(visible);
}

void frmPlot::HideReadout()
{
    // The readout and its hint are off while a panel is open; the hint the
    // last drawing left in the strip would otherwise show between the
    // panel's controls.
    ReadoutOff = 1;
    EraseReadoutStrip(canvas(), PlotContext());
}

void frmPlot::TunePartClicked()
{
    HideReadout();
    Session().StartTuning();
    SetCenterWidthGroupVisible(false);
    cmdTuneCenterWidth->setEnabled(false);
    cmdPoles->setEnabled(false);
    cmdEditPart->setEnabled(false);
    cmdNearest5->setEnabled(false);
    // The parts may have changed since the group was last filled (editing,
    // rounding, a redesign by a centre step), and the other selector may
    // have moved the stage: show the stage and the parts as they are now.
    lblStage->setText(QString::number(CurrentStage));
    ShowTuneValues();
    ShowStageReadouts();
    SetTuneGroupVisible(true);
}

void frmPlot::EditPartClicked()
{
    HideReadout();
    SetCenterWidthGroupVisible(false);
    Session().StartTuning();
    cmdTuneCenterWidth->setEnabled(false);
    cmdPoles->setEnabled(false);
    cmdTunePart->setEnabled(false);
    cmdNearest5->setEnabled(false);
    // Both selectors share the stage; the editing group shows its number too.
    lblStageEdit->setText(QString::number(CurrentStage));
    SetEditGroupVisible(true);
    ShowEditValues();
}

void frmPlot::TuneCenterWidthClicked()
{
    HideReadout();
    SetTuneGroupVisible(false);
    SetEditGroupVisible(false);
    SetCenterWidthGroupVisible(true);
    ShowCenterAndWidth();
}

void frmPlot::StepPart(int part, bool up) { Session().StepPart(CurrentStage, static_cast<StagePart>(part), up); }

void frmPlot::EnterAllClicked()
{
    // Only the parts whose text the user edited are read: a part shown in
    // its rounded text and left alone keeps its value bit for bit.
    std::array<std::optional<std::string>, kParts> texts;
    for (int p = 0; p < kParts; ++p)
        if (edit[p].text->isModified()) texts[p] = edit[p].text->text().toStdString();
    const EnterNotes notes = Session().EnterParts(CurrentStage, texts);
    if (!notes.empty()) GetPlatform().ShowMessage(NotesText(notes));
}

void frmPlot::TuneStageChanged()
{
    Integer stage = 1;
    ParseNumberText(lblStage->text().toStdString(), stage);
    CurrentStage = std::clamp<int>(stage, 1, kMaxStages);
    ShowTuneValues();
    ShowStageReadouts();
}

void frmPlot::EditStageChanged()
{
    Integer stage = 1;
    ParseNumberText(lblStageEdit->text().toStdString(), stage);
    CurrentStage = std::clamp<int>(stage, 1, kMaxStages);
    ShowEditValues();
}

void frmPlot::StepCenterOrWidth(bool center, bool up)
{
    if (center)
        Session().StepCenter(up);
    else
        Session().StepWidth(up);
    CheckNegativeParts();
    lblNegative->setVisible(NegativeParts == 1);
}

void frmPlot::SeriesPicked(int index)
{
    if (index < 0 || index >= int(kAllSeries.size())) return;
    View().roundingSeries = kAllSeries[index];
    cmdNearest5->setText(RoundingCaption(kAllSeries[index]));
}

void frmPlot::Nearest5Clicked()
{
    cmdNearest5->setEnabled(false);
    Session().RoundToStandardValues(View().roundingSeries);
}

void frmPlot::RestoreClicked()
{
    // Restore goes one level back, to the parts before the rounding: what was
    // tuned since goes with it, which the user is told (the undo keeps it).
    const std::optional<StandardSeries> series = Session().RoundedSeries();
    const bool tunedSince = series && !PartsAsRounded(Record(), Session().SavedC(), *series);
    cmdNearest5->setEnabled(true);
    Session().RestoreParts();
    if (tunedSince) GetPlatform().ShowMessage(kRestoreDropsTuneMessage);
}

void frmPlot::ResetClicked()
{
    ReadoutOff = 0;
    for (QPushButton* b : {cmdTunePart, cmdEditPart, cmdNearest5}) b->setEnabled(true);
    SetTuneGroupVisible(false);
    SetEditGroupVisible(false);
    SetCenterWidthGroupVisible(false);
    ShowButtonStates();
    Session().PreparePlot();
    RedrawPlot();
    CheckNegativeParts();
    if (NegativeParts == 1) lblNegative->setVisible(true);
}

// --- Simulation ---

SimulatedCircuit frmPlot::CircuitNow() { return CircuitOf(Record(), View().parts); }

void frmPlot::ShowSimulationText(const std::string& text, bool good)
{
    QPalette p = lblSimulation->palette();
    const Rgb colour = good ? kAgreementColour : kWarningColour;
    p.setColor(QPalette::WindowText, QColor(colour.r, colour.g, colour.b));
    lblSimulation->setPalette(p);
    lblSimulation->setText(Q(text));
}

void frmPlot::SimulateClicked()
{
    if (simulationTask_->Running()) {
        simulationTask_->Stop();
        cmdSimulate->setText("Simulate");
        ShowSimulationText("The simulation was stopped", false);
        return;
    }
    // The opamp chosen on the schematic window, as for the files written.
    const OpampModel model = View().parts == PartsType::Specified ? OpampModel::Specified : OpampModel::Ideal;
    simulation_.reset();
    simulationTask_->Start(Record(), model, [this](const Verification& v) { SimulationDone(v); });
    cmdSimulate->setText("Stop");
    ShowSimulationText("Simulating\u2026", true);
    RedrawPlot();
}

void frmPlot::SimulationDone(const Verification& v)
{
    cmdSimulate->setText("Simulate");
    simulation_ = v;
    simulated_ = simulationTask_->Circuit();
    const bool negative = HasNegativePart(simulated_);
    ShowSimulationText(AgreementText(v) + (negative ? kNegativePartsNote : ""), v.passed && !negative);
    RedrawPlot();
}

void frmPlot::DropStaleSimulation()
{
    // A part changed while ngspice runs: its result would not show this design.
    if (simulationTask_->Running() && !(CircuitNow() == simulationTask_->Circuit())) {
        simulationTask_->Stop();
        cmdSimulate->setText("Simulate");
        lblSimulation->clear();
    }
    // A part changed since: the simulation no longer shows this design.
    if (simulation_ && !(CircuitNow() == simulated_)) {
        simulation_.reset();
        lblSimulation->clear();
    }
}

void frmPlot::DrawSimulation()
{
    if (!simulation_ || !layout_) return;
    const Verification& v = *simulation_;
    const DesignState& s = Record();
    const CurveStyle style{kSimulatedCurveColour, kSimulatedCurveColour, 1};
    // A thin line, which lies on the design's curve where they agree, and
    // marks along it so that it shows there too.
    const FrequencyAxis axis(s);
    const PlotFrame frame;
    const std::size_t step = std::max<std::size_t>(1, v.freq.size() / kSimulatedMarks);
    // A mark lies wholly inside the frame: what sticks out beyond its edge is
    // not erased by the next drawing and would outlive the simulation.
    const double halfX = layout_->ToUnitsX(kSimulatedMarkWidth) / 2, halfY = layout_->ToUnitsY(kSimulatedMarkWidth) / 2;
    auto draw = [&](Curve curve, const std::vector<double>& values, auto y) {
        const PlotCurvesShown& shown = View().shown;
        DrawCurveOver(canvas(), s, shown, curve, v.freq, values, style);
        if ((curve == Curve::Phase && !shown.phase) || (curve == Curve::Delay && !shown.delay)) return;
        for (std::size_t i = 0; i < v.freq.size(); i += step) {
            const auto at = axis.X(v.freq[i]);
            const auto height = y(s, values[i], frame);
            if (at && height && *at - halfX >= frame.left && *at + halfX <= frame.right &&
                *height - halfY >= frame.top && *height + halfY <= frame.bottom)
                canvas().Dot({*at, *height}, kSimulatedCurveColour, kSimulatedMarkWidth);
        }
    };
    draw(Curve::Gain, v.gainDb, GainY);
    draw(Curve::Phase, v.phaseDeg, PhaseY);
    draw(Curve::Delay, v.delay, DelayY);
}

void RegisterPlotWindows(Navigator& navigator)
{
    navigator.SetFactory(WindowKind::Plot, [](Navigator& n) { return new frmPlot(n); });
}

}  // namespace stelvane
