#include "windows/frmopamptest.h"

#include <QLabel>
#include <QPushButton>

#include "engine/designtext.h"
#include "spice/verify.h"
#include "windows/saveimage.h"
#include "windows/simulationtask.h"

namespace stelvane {

frmOpampTest::frmOpampTest(Navigator& navigator) : FormWindow(navigator, WindowKind::OpampTest)
{
    cmdReturn = new QPushButton("Return", this);
    cmdReturn->setObjectName("cmdReturn");
    connect(cmdReturn, &QPushButton::clicked, this, [this] { Nav().GoTo(WindowKind::Design, WindowKind::OpampTest); });
    cmdStopSimulation = new QPushButton("Stop", this);
    cmdStopSimulation->setObjectName("cmdStopSimulation");
    cmdStopSimulation->hide();
    simulationTask_ = new SimulationTask(this);
    connect(cmdStopSimulation, &QPushButton::clicked, this, [this] {
        simulationTask_->Stop();
        cmdStopSimulation->hide();
        lblSimulation->setText("The simulation was stopped");
    });
    lblSimulation = new QLabel(this);
    lblSimulation->setObjectName("lblSimulation");
    lblGbwWarning = new QLabel(this);
    lblGbwWarning->setObjectName("lblGbwWarning");
    for (QLabel* label : {lblSimulation, lblGbwWarning}) label->setWordWrap(true);
    cmdSaveImage = new QPushButton(kSaveImageCaption, this);
    cmdSaveImage->setObjectName("cmdSaveImage");
    connect(
        cmdSaveImage, &QPushButton::clicked, this, [this] { SaveWindowImage(*this, GetPlatform(), "opamptest.png"); });
}

void frmOpampTest::Load()
{
    layout_ = SetUpWindow(*this, GetPlatform(), WindowKind::OpampTest);
    const Layout& layout = *layout_;
    Place(*cmdReturn, layout, 6000, 7300, 1000, 300);
    Place(*cmdStopSimulation, layout, 7200, 7300, 1000, 300);  // free space right of "Return"
    Place(*cmdSaveImage, layout, 8400, 7300, 1000, 300);       // right of "Stop"

    // Below the plot, clear of the table on the left and of "Return".
    Place(*lblSimulation, layout, kOpampFrameLeft, 5700, kOpampFrameRight - kOpampFrameLeft, 600);
    Place(*lblGbwWarning, layout, kOpampFrameLeft, 6400, kOpampFrameRight - kOpampFrameLeft, 800);
    for (QLabel* label : {lblSimulation, lblGbwWarning}) MakeTransparent(*label);
    QPalette red = lblGbwWarning->palette();
    red.setColor(QPalette::WindowText, QColor(kOpampAlarmColour.r, kOpampAlarmColour.g, kOpampAlarmColour.b));
    lblGbwWarning->setPalette(red);

    Session().PrepareOpampTest();
    DrawOpampTest(canvas(), Record(), layout.Screen());
    lblSimulation->setText("Simulating\u2026");
    cmdStopSimulation->show();
    simulationTask_->Start(Record(), OpampModel::Specified, [this](const Verification& v) {
        cmdStopSimulation->hide();
        // the design changed meanwhile: the result would not describe it
        const bool current = CircuitOf(Record(), PartsType::Specified) == simulationTask_->Circuit();
        lblSimulation->setText(current ? QString::fromStdString(AgreementText(v)) : QString());
    });
    ShowWarning();
}

void frmOpampTest::ShowWarning()
{
    const std::string warning = GbwCorrectionWarning(Record());
    lblGbwWarning->setText(QString::fromStdString(warning));
    lblGbwWarning->setVisible(!warning.empty());
}

void frmOpampTest::DesignChanged()
{
    // The decade grid is the view's own and an undo leaves it to the view;
    // laying it changes no design, so it is no step of its own either.
    Session().LayDecadeGrid();
    canvas().Clear(BackgroundColour(WindowKind::OpampTest));
    DrawOpampTest(canvas(), Record(), layout_->Screen());
    ShowWarning();
    // The simulation, run or running, no longer shows this design.
    if (!(CircuitOf(Record(), PartsType::Specified) == simulationTask_->Circuit())) {
        simulationTask_->Stop();
        cmdStopSimulation->hide();
        lblSimulation->clear();
    }
}

}  // namespace stelvane
