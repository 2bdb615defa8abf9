#include "windows/frmdesign.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <tuple>
#include <system_error>

#include "engine/designtext.h"
#include "engine/numbertext.h"
#include "engine/practicalparts.h"
#include "files/designfile.h"
#include "files/textfile.h"
#include "windows/layout.h"
#include "windows/updown.h"

namespace stelvane {

namespace {

constexpr int kMaxOrder = kMaxStages;  // the stage arrays end at 21
constexpr int kMaxGridCount = 12;      // the plot has room for 12 grid intervals
constexpr Rgb kNrYColour{192, 255, 255};
constexpr const char* kDesignFilter = "QUIBEX files (*.QBX)|*.QBX";

// What a per-interval label shows when its count is 0 (possible only from a
// file): there is no step between grid lines to show.
constexpr const char* kNoInterval = "-";

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

}  // namespace

frmDesign::frmDesign(Navigator& navigator) : BarWindow(navigator, WindowKind::Design) { BuildControls(); }

void frmDesign::BuildControls()
{
    auto label = [this](QWidget* parent, const char* name, const char* caption, Qt::Alignment align) {
        auto* l = new QLabel(caption, parent);
        l->setObjectName(name);
        l->setAlignment(align | Qt::AlignVCenter);
        MakeTransparent(*l);
        return l;
    };
    auto caption = [&](const char* name, const char* text) { return label(this, name, text, Qt::AlignRight); };
    auto text = [this](const char* name) {
        auto* t = new QLineEdit(this);
        t->setObjectName(name);
        return t;
    };
    auto heading = [&](const char* name, const char* text, bool centred) {
        return label(this, name, text, centred ? Qt::AlignHCenter : Qt::AlignLeft);
    };
    auto numberBox = [this](const char* name, const char* text, Rgb colour) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignCenter);
        l->setFrameShape(QFrame::Box);
        l->setLineWidth(1);
        SetBackgroundColour(*l, colour);
        return l;
    };
    auto frame = [this](const char* name, const char* title) {
        auto* f = new QGroupBox(title, this);
        f->setObjectName(name);
        SetBackgroundColour(*f, kWhite);
        return f;
    };
    auto option = [](QGroupBox* frameBox, const char* name, const char* text) {
        auto* o = new QRadioButton(text, frameBox);
        o->setObjectName(name);
        SetBackgroundColour(*o, kWhite);
        return o;
    };

    Label1 = heading("Label1", "Design: ", true);
    lblCenter = caption("lblCenter", "Center frequency, Hz: ");
    txtCenter = text("txtCenter");
    lblWidth = caption("lblWidth", "Bandwidth, Hz: ");
    txtWidth = text("txtWidth");
    lblGain = caption("lblGain", "Gain, dB: ");
    txtGain = text("txtGain");
    lblCaps = caption("lblCaps", "Cap values, F: ");
    txtCaps = text("txtCaps");
    lblOrder = caption("lblOrder", "Order: ");
    lblOrderInput = numberBox("lblOrderInput", "1", kWhite);
    UpDown1 = new UpDown(lblOrderInput, 1, kMaxOrder, this);
    UpDown1->setObjectName("UpDown1");
    fraFamily = frame("fraFamily", "Family");
    optButterworth = option(fraFamily, "optButterworth", "Butterworth  (3 dB bw)");
    optChebyshev = option(fraFamily, "optChebyshev", "Chebyshev  (ripple bw)");
    optBessel = option(fraFamily, "optBessel", "Bessel  (one rad/sec bw)");
    optSpecd = option(fraFamily, "optSpecd", "Spec'd poles");
    optManual = option(fraFamily, "optManual", "Manually entered");
    lblApass = caption("lblApass", "Passband ripple: ");
    txtApass = text("txtApass");

    Label2 = heading("Label2", "Analysis: ", true);
    lblStart = caption("lblStart", "Start, Hz: ");
    txtStart = text("txtStart");
    lblStop = caption("lblStop", "Stop, Hz: ");
    txtStop = text("txtStop");
    lblInts = caption("lblInts", "Frequencies: ");
    txtInts = text("txtInts");
    fraSweep = frame("fraSweep", "Sweep");
    optLinear = option(fraSweep, "optLinear", "Linear");
    optLog = option(fraSweep, "optLog", "Log");

    Label3 = heading("Label3", "Graph:", true);
    lbldbTop = caption("lbldbTop", "Gain top, dB: ");
    txtdBTop = text("txtdBTop");
    lbldBBottom = caption("lbldBBottom", "Gain bottom, dB: ");
    txtdBBottom = text("txtdBBottom");
    lblDelay = caption("lblDelay", "Delay top, secs: ");
    txtDelay = text("txtDelay");
    lblNrYintervals = caption("lblNrYintervals", "Nr of Y intervals: ");
    lblNrY = numberBox("lblNrY", "", kNrYColour);
    // The grid counts step down to 0 so that the count reaction, which keeps
    // them within 1..12, is what holds the lower end, as it does for a count
    // that came from a file.
    UpDown3 = new UpDown(lblNrY, 0, kMaxGridCount, this);
    UpDown3->setObjectName("UpDown3");
    lblPerYinterval = label(this, "lblPerYinterval", "", Qt::AlignLeft);
    lblPerYintervalDelay = label(this, "lblPerYintervalDelay", "", Qt::AlignLeft);
    lblNrXintervals = caption("lblNrXintervals", "Nr of X intervals: ");
    lblNrX = numberBox("lblNrX", "", kWhite);
    UpDown2 = new UpDown(lblNrX, 0, kMaxGridCount, this);
    UpDown2->setObjectName("UpDown2");
    lblPerXinterval = label(this, "lblPerXinterval", "", Qt::AlignLeft);

    Label4 = heading("Label4", "OpAmp:", false);
    lblGainDC = caption("lblGainDC", "Gain at DC, v/v: ");
    txtGainDC = text("txtGainDC");
    lblGBW = caption("lblGBW", "Gain*Bandwidth, Hz: ");
    txtGBW = text("txtGBW");
    lblZin = caption("lblZin", "Input impedance, ohms: ");
    txtZin = text("txtZin");
    cmdTest = new QPushButton("Examine", this);
    cmdTest->setObjectName("cmdTest");
    cmdTest->setFocusPolicy(Qt::NoFocus);
    SetBackgroundColour(*cmdTest, kBarButtonColour);
    cmdSuggestCap = new QPushButton("Suggest cap", this);
    cmdSuggestCap->setObjectName("cmdSuggestCap");
    cmdSuggestCap->setFocusPolicy(Qt::NoFocus);
    SetBackgroundColour(*cmdSuggestCap, kBarButtonColour);
    lblSuggestCap = label(this, "lblSuggestCap", "", Qt::AlignLeft);
    lblSuggestCap->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblSuggestCap->setWordWrap(true);

    // How the window comes up before it is filled; no reaction runs for these.
    optButterworth->setChecked(true);
    optLinear->setChecked(true);
    lblApass->setEnabled(false);
    txtApass->setEnabled(false);
    lblNrXintervals->setEnabled(false);
    optSpecd->setEnabled(false);

    connect(optButterworth, &QRadioButton::toggled, this, [this](bool on) {
        if (on) FamilyReactionA();
    });
    connect(optBessel, &QRadioButton::toggled, this, [this](bool on) {
        if (on) FamilyReactionA();
    });
    connect(optChebyshev, &QRadioButton::toggled, this, [this](bool on) {
        if (on) FamilyReactionB();
    });
    connect(optManual, &QRadioButton::toggled, this, [this](bool on) {
        if (on) FamilyReactionC();
    });
    connect(optLinear, &QRadioButton::toggled, this, [this](bool on) {
        if (on) SweepLinearClicked();
    });
    connect(optLog, &QRadioButton::toggled, this, [this](bool on) {
        if (on) SweepLogClicked();
    });

    // The sweep ends and the scales write themselves into the record as they
    // are typed, to update the per-interval captions.
    const auto typed = [this](Single StoredDesign::*field, void (frmDesign::*caption)()) {
        return [this, field, caption](const QString& t) {
            Typed([&](StoredDesign& s) { ParseNumberText(S(t), s.*field); });
            (this->*caption)();
        };
    };
    connect(txtdBTop, &QLineEdit::textChanged, this, typed(&StoredDesign::dBTop, &frmDesign::SetYLabel));
    connect(txtdBBottom, &QLineEdit::textChanged, this, typed(&StoredDesign::dBBottom, &frmDesign::SetYLabel));
    connect(txtDelay, &QLineEdit::textChanged, this, typed(&StoredDesign::DelayTop, &frmDesign::SetDelayLabel));
    connect(txtStart, &QLineEdit::textChanged, this, typed(&StoredDesign::Fstart, &frmDesign::SetXLabelChangeWording));
    connect(txtStop, &QLineEdit::textChanged, this, typed(&StoredDesign::Fstop, &frmDesign::SetXLabelChangeWording));
    connect(UpDown2, &UpDown::valueChanged, this, [this] { XCountChanged(); });
    connect(UpDown3, &UpDown::valueChanged, this, [this] { YCountChanged(); });
    connect(cmdTest, &QPushButton::clicked, this, [this] { Examine(); });
    connect(cmdSuggestCap, &QPushButton::clicked, this, [this] {
        EnterStep();
        ShowCapSuggestion();
    });
    BuildBenchControls();

    // The requirement window designs from the record's gain, capacitor and
    // opamp, so what is typed here reaches the record first, as for every
    // button that leads on.
    cmdRequirement = new QPushButton("From requirement", this);
    cmdRequirement->setObjectName("cmdRequirement");
    cmdRequirement->setFocusPolicy(Qt::NoFocus);
    SetBackgroundColour(*cmdRequirement, kBarButtonColour);
    connect(cmdRequirement, &QPushButton::clicked, this, [this] {
        EnterStep();
        Nav().Open(WindowKind::Requirement);
    });
}

void frmDesign::Load()
{
    const Layout layout = SetUpWindow(*this, GetPlatform(), WindowKind::Design);
    PlaceControls(layout);
    PaintPanels();
    FillOnLoad();
    FillOpampList();
    ShowCapSuggestion();
}

void frmDesign::PlaceControls(const Layout& layout)
{
    PlaceButtonBar(layout);

    auto heading = [&](QLabel* l, double left, double top) {
        Place(*l, layout, left, top, 2000, 450, kFontHeading);
        SetFont(*l, layout, kFontHeading, true);
    };
    heading(Label1, 2400, 1500);
    heading(Label2, 5400, 1500);
    heading(Label3, 8800, 1500);
    heading(Label4, 6100, 5400);

    // Caption left, caption width, text box left, top.
    auto row = [&](QLabel* l, QWidget* box, double left, double width, double boxLeft, double top) {
        Place(*l, layout, left, top, width, 300);
        Place(*box, layout, boxLeft, top, 700, 300);
    };
    row(lblCenter, txtCenter, 1100, 2200, 3300, 2100);
    row(lblWidth, txtWidth, 1100, 2200, 3300, 2600);
    row(lblGain, txtGain, 1100, 2200, 3300, 3100);
    row(lblCaps, txtCaps, 1100, 2200, 3300, 3600);
    Place(*lblOrder, layout, 1100, 4100, 2200, 300);
    Place(*lblOrderInput, layout, 3300, 4100, 300, 300);
    Place(*UpDown1, layout, 3600, 4100, 600, 300);
    Place(*fraFamily, layout, 2300, 4700, 2500, 2000);
    PlaceInFrame(*optButterworth, layout, 0.025, 0.19);
    PlaceInFrame(*optChebyshev, layout, 0.06, 0.19);
    PlaceInFrame(*optBessel, layout, 0.095, 0.19);
    PlaceInFrame(*optSpecd, layout, 0.13, 0.19);
    PlaceInFrame(*optManual, layout, 0.165, 0.19);
    row(lblApass, txtApass, 1100, 2200, 3300, 7200);

    row(lblStart, txtStart, 5600, 1000, 6600, 2100);
    row(lblStop, txtStop, 5600, 1000, 6600, 2500);
    row(lblInts, txtInts, 5600, 1000, 6600, 3000);
    Place(*fraSweep, layout, 5900, 3500, 1400, 1100);
    PlaceInFrame(*optLinear, layout, 0.025, 0.09);
    PlaceInFrame(*optLog, layout, 0.06, 0.09);

    row(lbldbTop, txtdBTop, 8600, 1400, 10000, 2500);
    row(lbldBBottom, txtdBBottom, 8600, 1400, 10000, 3000);
    row(lblDelay, txtDelay, 8600, 1400, 10000, 3500);
    Place(*lblNrYintervals, layout, 8800, 4000, 1200, 300);
    Place(*lblNrY, layout, 10000, 4000, 300, 300);
    Place(*UpDown3, layout, 10300, 4000, 300, 300);
    Place(*lblPerYintervalDelay, layout, 9100, 4400, 1600, 300);
    Place(*lblPerYinterval, layout, 9100, 4700, 1600, 300);
    Place(*lblNrXintervals, layout, 8800, 5400, 1200, 300);
    Place(*lblNrX, layout, 10000, 5400, 300, 300);
    Place(*UpDown2, layout, 10300, 5400, 300, 300);
    Place(*lblPerXinterval, layout, 9100, 5800, 1600, 300);

    row(lblGainDC, txtGainDC, 5200, 1800, 7000, 5800);
    row(lblGBW, txtGBW, 5200, 1800, 7000, 6200);
    row(lblZin, txtZin, 5200, 1800, 7000, 6800);
    Place(*cmdTest, layout, 6000, 7300, 1000, 300);
    Place(*cmdSuggestCap, layout, 8400, 6900, 1200, 300);
    Place(*lblSuggestCap, layout, 8400, 7300, 3400, 900);
    PlaceBenchControls(layout);
    Place(*cmdRequirement, layout, 3300, 7600, 1500, 300);
}

void frmDesign::PaintPanels()
{
    struct Panel {
        CanvasPoint topLeft, bottomRight;
    };
    constexpr Panel kPanels[] = {
        {{1700, 1300}, {5000, 8000}},   // Design
        {{5100, 1300}, {8200, 5000}},   // Analysis
        {{8300, 1300}, {11500, 6700}},  // Graph
        {{5100, 5200}, {8200, 8000}},   // Opamp
        {{50, 1300}, {1650, 8000}},     // Bench
    };
    for (const Panel& panel : kPanels) {
        canvas().FillBox(panel.topLeft, panel.bottomRight, kWhite);
        canvas().OutlineBox(panel.topLeft, panel.bottomRight, kPanelOutline);
    }
}

// --- Filling ---

void frmDesign::FillOnLoad()
{
    const DesignState& s = Record();
    FillSpecification();
    FillSweepAndScales();
    FillSweepOption();
    FillOpamp();

    lblNrXintervals->setText("Nr of X intervals: ");
    lblNrX->setText(QString::number(s.NrX));
    lblNrY->setText(QString::number(s.NrY));
    SetXLabelLoadWording();
    SetYLabel();
    FillBench();
    cmdDesign->setEnabled(true);
    cmdDesign->setVisible(true);
}

void frmDesign::FillAfterGet()
{
    const DesignState& s = Record();
    FillSpecification();
    // The delay top goes through the same formatter as on loading: a plain
    // value text would round delays below 10 us to 0 and lose them.
    FillSweepAndScales();
    SetYLabel();
    lblNrY->setText(QString::number(s.NrY));
    lblNrX->setText(QString::number(s.NrX));
    SetXLabelChangeWording();
    // The delay text may be unchanged while the file brought another count.
    SetDelayLabel();
    FillSweepOption();
    FillOpamp();
    FillBench();
    ShowChosenOpamp();
}

void frmDesign::FillSpecification()
{
    const DesignState& s = Record();
    txtCenter->setText(Q(FormatEng(s.Center)));
    txtWidth->setText(Q(FormatEng(s.Width)));
    txtGain->setText(Q(FormatValue(s.Gain)));
    lblOrderInput->setText(Q(FormatValue(s.Order)));
    // An unset first capacitor is shown as the one a design starts with.
    txtCaps->setText(Q(FormatCap(s.C[1][1] > 0 ? s.C[1][1] : kStartupCapacitor)));

    if (s.ManualEntry != PartsEntry::Manual) {
        switch (s.Family) {
        case FilterFamily::Butterworth: optButterworth->setChecked(true); break;
        case FilterFamily::Chebyshev: optChebyshev->setChecked(true); break;
        case FilterFamily::Bessel: optBessel->setChecked(true); break;
        default: break;  // another family keeps the options as they are
        }
    } else {
        optManual->setChecked(true);
        SetSpecificationEnabled(false);
    }
    txtApass->setText(Q(FormatValue(s.Apass)));
}

void frmDesign::FillSweepAndScales()
{
    const DesignState& s = Record();
    txtStart->setText(Q(FormatEng(s.Fstart)));
    txtStop->setText(Q(FormatEng(s.Fstop)));
    txtInts->setText(Q(FormatValue(s.NrInts)));
    txtdBTop->setText(Q(FormatValue(s.dBTop)));
    txtdBBottom->setText(Q(FormatValue(s.dBBottom)));
    txtDelay->setText(Q(Trimmed(FormatEngSmall(s.DelayTop))));
}

void frmDesign::FillSweepOption()
{
    if (Record().Sweep != SweepSpacing::Linear) {
        optLog->setChecked(true);
        SetXCountEnabled(false);
    } else {
        optLinear->setChecked(true);
        SetXCountEnabled(true);
    }
}

void frmDesign::FillOpamp()
{
    // The start-up gives every opamp field a usable value; one the record
    // lacks all the same is shown as its default, which Enter then takes.
    const DesignState& s = Record();
    txtGainDC->setText(Q(FormatValue(s.DCGain > 0 ? s.DCGain : kDefaultDCGain)));
    txtGBW->setText(Q(FormatEng(s.GBW != 0 ? s.GBW : kDefaultGBW)));
    txtZin->setText(Q(FormatValue(s.Zin != 0 ? s.Zin : kDefaultZin)));
}

// --- Reactions ---

void frmDesign::SetSpecificationEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{lblCenter, txtCenter, lblWidth, txtWidth, lblGain, txtGain,
             lblCaps, txtCaps, lblOrder, lblOrderInput, UpDown1})
        w->setEnabled(enabled);
}

void frmDesign::SetXCountEnabled(bool enabled)
{
    lblNrXintervals->setEnabled(enabled);
    lblNrX->setEnabled(enabled);
    UpDown2->setEnabled(enabled);
}

void frmDesign::FamilyReactionA()
{
    // Leaving Chebyshev (directly or through manual entry) keeps its ripple
    // for the way back; the other families show none.
    Single ripple = 0;
    ParseNumberText(S(txtApass->text()), ripple);
    if (ripple != 0) chebyshevRipple_ = S(txtApass->text());
    Typed([](StoredDesign& s) {
        s.ManualEntry = PartsEntry::Designed;
        s.Apass = 0;
    });
    txtApass->setText("0");
    SetSpecificationEnabled(true);
    lblApass->setEnabled(false);
    txtApass->setEnabled(false);
}

void frmDesign::FamilyReactionB()
{
    // A Chebyshev needs ripple: the one it had, else the least.
    Single apass = Record().Apass;
    const char* shown = nullptr;
    if (apass == 0 && !chebyshevRipple_.empty()) {
        ParseNumberText(chebyshevRipple_, apass);
        shown = chebyshevRipple_.c_str();
    }
    if (apass == 0) {
        apass = 0.001f;
        shown = ".001";
    }
    Typed([apass](StoredDesign& s) {
        s.ManualEntry = PartsEntry::Designed;
        s.Apass = apass;
    });
    if (shown) txtApass->setText(shown);
    SetSpecificationEnabled(true);
    lblApass->setEnabled(true);
    txtApass->setEnabled(true);
}

void frmDesign::FamilyReactionC()
{
    Typed([](StoredDesign& s) { s.ManualEntry = PartsEntry::Manual; });
    SetSpecificationEnabled(false);
    lblApass->setEnabled(false);
    txtApass->setEnabled(false);
}

void frmDesign::SweepLinearClicked()
{
    SetXCountEnabled(true);
    lblPerXinterval->setEnabled(true);
}

void frmDesign::SweepLogClicked()
{
    SetXCountEnabled(false);
    lblPerXinterval->setEnabled(false);
}

namespace {

// Reads a grid count from its label and keeps it within 1..12, putting the
// label right when it was outside.
void TakeGridCount(QLabel& label, Integer& count)
{
    ParseNumberText(label.text().toStdString(), count);
    if (count < 1) {
        count = 1;
        label.setText("1");
    } else if (count > kMaxGridCount) {
        count = kMaxGridCount;
        label.setText(QString::number(kMaxGridCount));
    }
}

}  // namespace

void frmDesign::XCountChanged()
{
    Typed([this](StoredDesign& s) { TakeGridCount(*lblNrX, s.NrX); });
    SetXLabelChangeWording();
}

void frmDesign::YCountChanged()
{
    Typed([this](StoredDesign& s) {
        TakeGridCount(*lblNrY, s.NrY);
        ParseNumberText(S(txtDelay->text()), s.DelayTop);
    });
    SetYLabel();
    SetDelayLabel();
}

// --- Per-interval labels ---

void frmDesign::SetYLabel()
{
    const DesignState& s = Record();
    const std::string figure =
        s.NrY > 0 ? Trimmed(FormatValue(std::fabs(s.dBTop - s.dBBottom) / Single(s.NrY))) : kNoInterval;
    lblPerYinterval->setText(Q("per interval: " + figure + "dB"));
}

void frmDesign::SetDelayLabel()
{
    const DesignState& s = Record();
    const std::string figure = s.NrY > 0 ? Trimmed(FormatEngSmall(s.DelayTop / Single(s.NrY))) : kNoInterval;
    lblPerYintervalDelay->setText(Q("per interval: " + figure + "s"));
}

namespace {

std::string XFigure(const DesignState& s)
{
    return s.NrX > 0 ? Trimmed(FormatEng((s.Fstop - s.Fstart) / Single(s.NrX))) : kNoInterval;
}

}  // namespace

void frmDesign::SetXLabelChangeWording() { lblPerXinterval->setText(Q(XFigure(Record()) + "Hz per interval")); }

void frmDesign::SetXLabelLoadWording() { lblPerXinterval->setText(Q("per interval " + XFigure(Record()) + " Hz")); }

// --- Enter step and buttons ---

DesignInputs frmDesign::ReadInputs() const
{
    DesignInputs in;
    in.txtCenter = S(txtCenter->text());
    in.txtWidth = S(txtWidth->text());
    in.lblOrderInput = S(lblOrderInput->text());
    in.txtGain = S(txtGain->text());
    in.txtCaps = S(txtCaps->text());
    in.txtApass = S(txtApass->text());
    in.optButterworth = optButterworth->isChecked();
    in.optChebyshev = optChebyshev->isChecked();
    in.optBessel = optBessel->isChecked();
    in.optLinear = optLinear->isChecked();
    in.optLog = optLog->isChecked();
    in.txtStart = S(txtStart->text());
    in.txtStop = S(txtStop->text());
    in.txtInts = S(txtInts->text());
    in.lblNrX = S(lblNrX->text());
    in.lblNrY = S(lblNrY->text());
    in.txtdBTop = S(txtdBTop->text());
    in.txtdBBottom = S(txtdBBottom->text());
    in.txtDelay = S(txtDelay->text());
    in.txtGainDC = S(txtGainDC->text());
    in.txtGBW = S(txtGBW->text());
    in.txtZin = S(txtZin->text());
    return in;
}

void frmDesign::ShowInputs(const DesignInputs& in)
{
    // The Enter step shows a clamped ripple, sweep count, order, grid count
    // and gain top, and the DC gain that replaced an unusable one, back in
    // their boxes.
    for (auto [box, text] : {std::pair{txtApass, &in.txtApass}, {txtInts, &in.txtInts}, {txtGainDC, &in.txtGainDC},
             {txtdBTop, &in.txtdBTop}})
        if (S(box->text()) != *text) box->setText(Q(*text));
    for (auto [label, text] : {std::pair{lblOrderInput, &in.lblOrderInput}, {lblNrX, &in.lblNrX}, {lblNrY, &in.lblNrY}})
        if (S(label->text()) != *text) label->setText(Q(*text));
}

void frmDesign::EnterStep()
{
    EnterBench();
    DesignInputs in = ReadInputs();
    ownChange_ = true;
    const EnterNotes notes =
        Session().Enter(in, [this](const std::string& message) { GetPlatform().ShowMessage(message); }).notes;
    ownChange_ = false;
    ShowInputs(in);
    // What was typed is the design's now: Ctrl+Z takes it back as a whole.
    for (QLineEdit* box : findChildren<QLineEdit*>()) box->setModified(false);
    // What was read otherwise than typed, or clamped, is said in one message.
    if (!notes.empty()) GetPlatform().ShowMessage(NotesText(notes));
}

void frmDesign::OnSave()
{
    EnterStep();
    const auto fileName = GetPlatform().SaveFileDialog({"Save QUIBEX file", kDesignFilter, "", true});
    if (!fileName) return;  // cancelled: nothing is written
    WriteDesignFile(Record(), WithExtension(*fileName, ".QBX"), GetPlatform());
}

void frmDesign::OnGet()
{
    auto fileName = GetPlatform().OpenFileDialog({"Read QUIBEX file", kDesignFilter, "", false});
    if (!fileName) return;  // cancelled: the design stays as it was
    // Save adds the extension to a bare name, so Get finds the file it wrote
    // under the same name; a file that has that bare name is read as it is.
    std::error_code error;
    if (!std::filesystem::exists(*fileName, error)) fileName = WithExtension(*fileName, ".QBX");
    // A design read is one change, which an undo takes back.
    ownChange_ = true;
    const bool read = Session().Get([&](DesignState& s) { return ReadDesignFile(s, *fileName, GetPlatform()); });
    ownChange_ = false;
    if (!read) return;  // the record is unchanged and the reader has said so
    FillAfterGet();
}

void frmDesign::Typed(const std::function<void(StoredDesign&)>& change)
{
    // What the window writes as it is typed is its own: the boxes stay as typed.
    const bool own = ownChange_;
    ownChange_ = true;
    Session().Type(change);
    ownChange_ = own;
}

void frmDesign::DesignChanged()
{
    // The fields the Enter step has just read stay as typed; a change made
    // elsewhere (an undo, a redo) is shown in them.
    if (!ownChange_) FillAfterGet();
    ShowCapSuggestion();
}

void frmDesign::OnAbout() { Nav().Open(WindowKind::About); }

// The design in the record as its resistors stand (the last Enter step).
void frmDesign::ShowCapSuggestion()
{
    lblSuggestCap->setText(Q(CapSuggestionText(Record(), View().parts, kPracticalResistors)));
}

void frmDesign::Examine()
{
    EnterStep();
    // The opamp test lowers an excessive DC gain, which the Enter step has
    // already shown in its box.
    ownChange_ = true;
    Nav().Open(WindowKind::OpampTest);
    ownChange_ = false;
}

// --- The bench ---

void frmDesign::BuildBenchControls()
{
    auto caption = [this](const char* name, const char* text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
        MakeTransparent(*l);
        return l;
    };
    auto text = [this](const char* name) {
        auto* t = new QLineEdit(this);
        t->setObjectName(name);
        // A figure is the bench's once the user has done typing it.
        connect(t, &QLineEdit::editingFinished, this, [this, t] {
            if (t->isModified()) EnterBench();
        });
        return t;
    };
    auto choice = [this](const char* name, std::initializer_list<const char*> words) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        for (const char* word : words) c->addItem(word);
        connect(c, &QComboBox::activated, this, [this] { EnterBench(); });
        return c;
    };
    lblStageGains = caption("lblStageGains", "Stage gains:");
    cboStageGains = choice("cboStageGains", {"equal", "buildable"});
    lblCorrection = caption("lblCorrection", "Correction:");
    cboCorrection = choice("cboCorrection", {"first-order", "exact"});
    lblStageOrder = caption("lblStageOrder", "Stage order:");
    cboStageOrder = choice("cboStageOrder", {"family", "headroom"});
    lblInputLevel = caption("lblInputLevel", "Input level, V:");
    txtInputLevel = text("txtInputLevel");
    lblTemp = caption("lblTemp", "Temperature, \u00b0C:");
    txtTemp = text("txtTemp");
    lblEn = caption("lblEn", "en, nV/rtHz:");
    txtEn = text("txtEn");
    lblIn = caption("lblIn", "in, pA/rtHz:");
    txtIn = text("txtIn");
    lblSlew = caption("lblSlew", "Slew, V/us:");
    txtSlew = text("txtSlew");
    lblSwing = caption("lblSwing", "Swing, V:");
    txtSwing = text("txtSwing");

    lblOpampList = caption("lblOpampList", "Opamp list:");
    lblOpampList->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cboOpamp = new QComboBox(this);
    cboOpamp->setObjectName("cboOpamp");
    // The box also takes the name "Add to list" gives the opamp shown.
    cboOpamp->setEditable(true);
    cboOpamp->setInsertPolicy(QComboBox::NoInsert);
    cboOpamp->lineEdit()->setPlaceholderText("choose, or name the opamp shown");
    connect(cboOpamp, &QComboBox::activated, this, [this](int index) { ChooseOpamp(index); });
    cmdAddOpamp = new QPushButton("Add to list", this);
    cmdAddOpamp->setObjectName("cmdAddOpamp");
    cmdAddOpamp->setFocusPolicy(Qt::NoFocus);
    SetBackgroundColour(*cmdAddOpamp, kBarButtonColour);
    connect(cmdAddOpamp, &QPushButton::clicked, this, [this] { AddOpamp(); });
}

void frmDesign::PlaceBenchControls(const Layout& layout)
{
    // A column left of the design panel, each caption above its control, and
    // a row below the panels: the space the window's own layout leaves free.
    double top = 1400;
    for (auto [l, control] : {std::pair<QLabel*, QWidget*>{lblStageGains, cboStageGains},
             {lblCorrection, cboCorrection}, {lblStageOrder, cboStageOrder}, {lblInputLevel, txtInputLevel},
             {lblTemp, txtTemp}, {lblEn, txtEn}, {lblIn, txtIn}, {lblSlew, txtSlew}, {lblSwing, txtSwing}}) {
        Place(*l, layout, 100, top, 1550, 270);
        Place(*control, layout, 100, top + 270, qobject_cast<QComboBox*>(control) ? 1400 : 900, 300);
        top += 720;
    }
    Place(*lblOpampList, layout, 1700, 8100, 1200, 300);
    Place(*cboOpamp, layout, 2950, 8100, 2700, 300);
    Place(*cmdAddOpamp, layout, 5750, 8100, 1100, 300);
}

void frmDesign::FillBench()
{
    const BenchSettings& b = Record().Bench;
    cboStageGains->setCurrentIndex(NumberOf(b.Gains) == 1 ? 1 : 0);
    cboCorrection->setCurrentIndex(NumberOf(b.Correction) == 1 ? 1 : 0);
    cboStageOrder->setCurrentIndex(NumberOf(b.Order) == 1 ? 1 : 0);
    for (auto [box, value] : {std::pair{txtInputLevel, b.InputLevel}, {txtTemp, b.TempC}, {txtEn, b.En}, {txtIn, b.In},
             {txtSlew, b.Slew}, {txtSwing, b.Swing}})
        box->setText(Q(GeneralNumberText(value)));
}

void frmDesign::FillOpampList(const std::string& shown)
{
    const auto& file = Nav().Places().opampList;
    opamps_ = KnownOpamps(file ? ReadOpampList(*file).entries : GenericOpamps());
    cboOpamp->clear();
    for (const OpampEntry& o : opamps_) cboOpamp->addItem(Q(o.name));
    if (!shown.empty()) {
        cboOpamp->setCurrentIndex(cboOpamp->findText(Q(shown), Qt::MatchFixedString));
        return;
    }
    ShowChosenOpamp();
}

void frmDesign::ShowChosenOpamp()
{
    // The opamp of the list whose figures the record holds, if any.
    const ProgramSettings now = SettingsOf(Record());
    const auto at =
        std::find_if(opamps_.begin(), opamps_.end(), [&](const OpampEntry& o) { return WithOpamp(now, o) == now; });
    cboOpamp->setCurrentIndex(at == opamps_.end() ? -1 : int(at - opamps_.begin()));
}

std::optional<BenchSettings> frmDesign::ShownBench()
{
    BenchSettings b = Record().Bench;
    b.Gains = CodeOf<StageGains>(Integer(cboStageGains->currentIndex()));
    b.Correction = CodeOf<OpampCorrection>(Integer(cboCorrection->currentIndex()));
    b.Order = CodeOf<StageOrder>(Integer(cboStageOrder->currentIndex()));
    ProgramSettings shown;
    for (auto [l, box, field] :
        {std::tuple{lblInputLevel, txtInputLevel, &b.InputLevel}, {lblTemp, txtTemp, &b.TempC}, {lblEn, txtEn, &b.En},
            {lblIn, txtIn, &b.In}, {lblSlew, txtSlew, &b.Slew}, {lblSwing, txtSwing, &b.Swing}}) {
        const std::optional<double> value = ParseStrictNumber(S(box->text().trimmed()));
        if (!value) {
            // The figures are shown as they stand before the message takes the focus.
            const std::string said = S(l->text()) + " '" + S(box->text()) + "' is not a number";
            FillBench();
            GetPlatform().ShowMessage(said);
            return std::nullopt;
        }
        *field = *value;
    }
    shown.Bench = b;
    // The opamp's own fields are the Enter step's to read; only the bench is checked here.
    if (const std::string problem = SettingsProblem(shown); !problem.empty()) {
        FillBench();
        GetPlatform().ShowMessage(problem);
        return std::nullopt;
    }
    return b;
}

void frmDesign::EnterBench()
{
    const std::optional<BenchSettings> bench = ShownBench();
    if (!bench || *bench == Record().Bench) return;
    const bool own = ownChange_;
    ownChange_ = true;
    Session().SetBench(*bench);
    ownChange_ = own;
    FillBench();
}

void frmDesign::ChooseOpamp(int index)
{
    if (index < 0 || index >= int(opamps_.size())) return;
    ownChange_ = true;
    Session().SetOpamp(WithOpamp(SettingsOf(Record()), opamps_[std::size_t(index)]));
    ownChange_ = false;
    FillOpamp();
    FillBench();
}

void frmDesign::AddOpamp()
{
    const auto& file = Nav().Places().opampList;
    if (!file)
        return GetPlatform().ShowMessage("The opamp list has no folder: neither XDG_DATA_HOME nor HOME names one");
    const std::optional<BenchSettings> bench = ShownBench();
    if (!bench) return;
    // The opamp as its fields show it, typed or chosen.
    std::array<double, 3> figures{};
    const std::tuple<QLabel*, QLineEdit*, double*> fields[] = {
        {lblGBW, txtGBW, &figures[0]}, {lblGainDC, txtGainDC, &figures[1]}, {lblZin, txtZin, &figures[2]}};
    for (auto [l, box, field] : fields) {
        const std::optional<double> value = ParseStrictNumber(S(box->text().trimmed()));
        if (!value) return GetPlatform().ShowMessage(S(l->text()) + " '" + S(box->text()) + "' is not a number");
        *field = *value;
    }
    const std::string name = S(cboOpamp->currentText().trimmed());
    ProgramSettings shown;
    shown.Bench = *bench;
    OpampEntry opamp = OpampOf(name, shown);
    opamp.gbw = figures[0], opamp.dcgain = figures[1], opamp.zin = figures[2];
    if (const std::string why = AddToOpampList(*file, opamp); !why.empty()) return GetPlatform().ShowMessage(why);
    EnterBench();
    FillOpampList(name);
}

}  // namespace stelvane
