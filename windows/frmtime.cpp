#include "windows/frmtime.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

#include "engine/numbertext.h"
#include "platform/qt/windowservices.h"
#include "render/timedrawing.h"
#include "windows/layout.h"

namespace stelvane {
namespace {

constexpr double kLeft = 300, kWidth = 1000, kHeight = 300;
constexpr int kMostCycles = 100000;

}  // namespace

frmTime::frmTime(Navigator& navigator) : FormWindow(navigator, WindowKind::Time)
{
    cmdExit = new QPushButton("Return", this);
    cmdExit->setObjectName("cmdExit");
    connect(cmdExit, &QPushButton::clicked, this, [this] { Nav().Close(WindowKind::Time); });
    auto option = [this](QRadioButton*& b, const char* text, const char* name) {
        b = new QRadioButton(text, this);
        b->setObjectName(name);
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on) Redraw();
        });
    };
    auto* group = new QButtonGroup(this);
    option(optStep, "Step", "optStep");
    option(optImpulse, "Impulse", "optImpulse");
    option(optBurst, "Burst", "optBurst");
    for (QRadioButton* b : {optStep, optImpulse, optBurst}) group->addButton(b);
    auto field = [this](QLabel*& label, QLineEdit*& edit, const char* caption, const char* name, const char* text) {
        label = new QLabel(caption, this);
        label->setObjectName(QString(name).replace("txt", "lbl"));
        edit = new QLineEdit(text, this);
        edit->setObjectName(name);
        connect(edit, &QLineEdit::editingFinished, this, [this] { Redraw(); });
    };
    field(lblBurstFreq, txtBurstFreq, "Burst F, Hz:", "txtBurstFreq", "");
    txtBurstFreq->setPlaceholderText("centre");
    field(lblBurstCycles, txtBurstCycles, "Cycles:", "txtBurstCycles", "10");
    lblTimeProblem = new QLabel(this);
    lblTimeProblem->setObjectName("lblTimeProblem");
    lblTimeProblem->setWordWrap(true);
}

void frmTime::Load()
{
    const Layout layout = SetUpWindow(*this, GetPlatform(), WindowKind::Time);
    Place(*cmdExit, layout, kLeft, 600, kWidth, kHeight);
    double top = 1200;
    for (QWidget* w : std::initializer_list<QWidget*>{
             optStep, optImpulse, optBurst, lblBurstFreq, txtBurstFreq, lblBurstCycles, txtBurstCycles}) {
        Place(*w, layout, kLeft, top, kWidth, kHeight);
        top += 350;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{optStep, optImpulse, optBurst, lblBurstFreq, lblBurstCycles})
        MakeTransparent(*w);
    Place(*lblTimeProblem, layout, kLeft, top, kWidth, 4 * kHeight);
    MakeTransparent(*lblTimeProblem);
    font_ = CanvasFont{kControlFace, layout.FontPoints(kFontOrdinary), false};
    const QSignalBlocker quiet(optStep);
    optStep->setChecked(true);
    Redraw();
}

bool frmTime::ReadRequest(TimeRequest& request)
{
    request.kind = optImpulse->isChecked() ? TimeKind::Impulse
        : optBurst->isChecked()            ? TimeKind::Burst
                                           : TimeKind::Step;
    if (request.kind != TimeKind::Burst) return true;
    const std::string f = Trimmed(txtBurstFreq->text().toStdString());
    const auto freq = f.empty() ? std::optional<double>(0) : ParseStrictNumber(f);
    if (!freq || !(*freq >= 0) || !std::isfinite(*freq)) {
        lblTimeProblem->setText("The burst's frequency is not a number above 0 (left empty: the centre)");
        return false;
    }
    const auto cycles = ParseStrictNumber(Trimmed(txtBurstCycles->text().toStdString()));
    if (!cycles || !(*cycles >= 1 && *cycles <= kMostCycles) || std::trunc(*cycles) != *cycles) {
        lblTimeProblem->setText("The burst's cycles are not a whole number from 1 to 100000");
        return false;
    }
    request.burstFreq = *freq;
    request.burstCycles = static_cast<int>(*cycles);
    return true;
}

void frmTime::Redraw()
{
    // a field that holds no number keeps the response last drawn for it
    TimeRequest request = request_;
    if (ReadRequest(request)) {
        request_ = request;
        lblTimeProblem->clear();
    }
    canvas().Clear(BackgroundColour(WindowKind::Time));
    DrawTimeResponse(canvas(), ComputeTimeResponse(Record(), request_), font_);
}

void frmTime::DesignChanged() { Redraw(); }

}  // namespace stelvane
