#include "windows/plottolerance.h"

#include <algorithm>
#include <cmath>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "engine/enterstep.h"
#include "engine/numbertext.h"

namespace stelvane {

// The parts and the sweep a run was made of.
struct PlotTolerance::Design {
    Integer order = 0;
    Integer nrInts = 0;
    ResArray r{};
    CapArray c{};
    SweepArray freq{};
    FilterMask mask;  // the copies' yield is against it

    explicit Design(const DesignState& s) : order(s.Order), nrInts(s.NrInts), r(s.R), c(s.C), freq(s.Freq), mask(s.Mask)
    {}
    bool operator==(const Design& o) const = default;
};

namespace {

constexpr const char* kRunCaption = "Tolerance run";
constexpr const char* kStopCaption = "Stop";

// A typed number held within its range, shown back as it is taken; what
// was read otherwise than typed, or clamped, is added to the notes.
double TakeNumber(QLineEdit& box, double low, double high, bool whole, const NotedField& field, EnterNotes& notes)
{
    const std::string text = box.text().toStdString();
    Single typed = 0;
    ParseNumberText(text, typed);
    double v = std::isfinite(typed) ? std::clamp<double>(typed, low, high) : low;
    if (whole) {
        v = std::round(v);
        box.setText(QString::number(static_cast<int>(v)));
    } else {
        box.setText(QString::fromStdString(Trimmed(FormatValue(static_cast<Single>(v)))));
    }
    if (std::string note = TakenNote(text, typed, v, field); !note.empty()) notes.push_back(note);
    return v;
}

}  // namespace

PlotTolerance::PlotTolerance(QWidget& window, const DesignState& record, std::function<void()> redraw, ShowMessage say)
    : QObject(&window), record_(record), redraw_(std::move(redraw)), say_(std::move(say))
{
    auto label = [&](const char* name, const char* caption) {
        auto* l = new QLabel(QString::fromUtf8(caption), &window);
        l->setObjectName(name);
        return l;
    };
    auto box = [&](const char* name, const char* text) {
        auto* t = new QLineEdit(text, &window);
        t->setObjectName(name);
        return t;
    };
    lblRuns = label("lblRuns", "Copies:");
    txtRuns = box("txtRuns", "1000");
    lblRTol = label("lblRTol", "R \u00b1%:");
    txtRTol = box("txtRTol", "1");
    lblCTol = label("lblCTol", "C \u00b1%:");
    txtCTol = box("txtCTol", "5");
    cmdToleranceRun = new QPushButton(kRunCaption, &window);
    cmdToleranceRun->setObjectName("cmdToleranceRun");
    cmdToleranceRun->setFocusPolicy(Qt::NoFocus);
    lblToleranceRun = label("lblToleranceRun", "");
    lblYield = label("lblYield", "");
    connect(cmdToleranceRun, &QPushButton::clicked, this, [this] { Clicked(); });
}

PlotTolerance::~PlotTolerance() = default;

void PlotTolerance::Place(const Layout& layout)
{
    // Three rows right of the tuning panel's columns, below the readout
    // strip (which every drawing of the plot erases).
    auto label = [&](QLabel* l, double left, double top, double width) {
        stelvane::Place(*l, layout, left, top, width, 300);
        SetBackgroundColour(*l, kWindowBackground);
    };
    label(lblRuns, 8850, 7950, 650);
    stelvane::Place(*txtRuns, layout, 9500, 7950, 650, 300);
    stelvane::Place(*cmdToleranceRun, layout, 10250, 7950, 1650, 300);
    label(lblRTol, 8850, 8300, 650);
    stelvane::Place(*txtRTol, layout, 9500, 8300, 650, 300);
    label(lblCTol, 10250, 8300, 650);
    stelvane::Place(*txtCTol, layout, 10900, 8300, 650, 300);
    label(lblToleranceRun, 8850, 8650, 3100);
    // the yield: the free row under the tuning panel, left of the run's line
    label(lblYield, 2400, 8650, 6350);
    lblYield->setAlignment(Qt::AlignRight | Qt::AlignVCenter);  // next to the run's own line
}

const ToleranceResult* PlotTolerance::Result() const { return result_ ? &*result_ : nullptr; }

bool PlotTolerance::SameDesign() const { return design_ && *design_ == Design(record_); }

void PlotTolerance::DropIfStale()
{
    if (run_ && !SameDesign())
        Stop("Tolerance run stopped: the design changed");
    else if (result_ && !SameDesign()) {
        result_.reset();
        lblToleranceRun->setText("");
        lblYield->setText("");
    }
}

void PlotTolerance::Stop(const char* why)
{
    run_.reset();
    cmdToleranceRun->setText(kRunCaption);
    lblToleranceRun->setText(why);
    lblYield->setText("");
}

void PlotTolerance::Clicked()
{
    if (run_) {
        Stop("Tolerance run stopped");
        return;
    }
    ToleranceSettings settings;
    EnterNotes notes;
    const NotedField copies{"number of copies", "", true};
    settings.runs = static_cast<int>(TakeNumber(*txtRuns, 1, kMaxToleranceRuns, true, copies, notes));
    settings.resistorTolerance =
        TakeNumber(*txtRTol, 0, kMaxPartTolerance * 100, false, {"resistor tolerance", " %"}, notes) / 100;
    settings.capacitorTolerance =
        TakeNumber(*txtCTol, 0, kMaxPartTolerance * 100, false, {"capacitor tolerance", " %"}, notes) / 100;
    if (!notes.empty() && say_) say_(NotesText(notes));
    result_.reset();
    lblYield->setText("");
    design_ = std::make_unique<Design>(record_);
    run_ = std::make_unique<ToleranceRun>(record_, settings);
    cmdToleranceRun->setText(kStopCaption);
    redraw_();  // without the last run's band
    NextShare();
}

void PlotTolerance::NextShare()
{
    if (!run_) return;
    if (!SameDesign()) {
        Stop("Tolerance run stopped: the design changed");
        return;
    }
    const double done = run_->Step();
    if (!run_->Done()) {
        lblToleranceRun->setText(QString("Tolerance run: %1% done").arg(static_cast<int>(done * 100)));
        // The next share once the window has had its turn.
        QTimer::singleShot(0, this, [this] { NextShare(); });
        return;
    }
    result_ = run_->Result();
    run_.reset();
    cmdToleranceRun->setText(kRunCaption);
    lblToleranceRun->setText(QString::fromStdString(std::to_string(result_->settings.runs) + " copies, centre sd " +
        Trimmed(FormatValue(static_cast<Single>(result_->centerGainDb.std))) + " dB"));
    lblYield->setText(
        result_->yield ? QString::fromStdString(YieldWords(*result_->yield, result_->settings.runs)) : QString());
    redraw_();
}

}  // namespace stelvane
