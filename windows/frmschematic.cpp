#include "windows/frmschematic.h"

#include <QCheckBox>
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

#include "engine/designtext.h"
#include "engine/numbertext.h"
#include "render/symbols.h"
#include "windows/layout.h"
#include "windows/saveimage.h"
#include "windows/updown.h"

namespace stelvane {

double SchematicScrollSpan(Integer order)
{
    return order > 2 ? std::clamp<int>(order, 0, kMaxStages) * kSchematicScrollPerStage : 0;
}

double SchematicOriginX(int value, double scrollSpan)
{
    const int v = std::clamp(value, 0, kSchematicScrollMaximum);
    if (!std::isfinite(scrollSpan)) return kSchematicOriginX;
    return kSchematicOriginX - double(v) * scrollSpan / kSchematicScrollMaximum;
}

frmSchematic::frmSchematic(Navigator& navigator) : BarWindow(navigator, WindowKind::Schematic) { BuildControls(); }

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

    chkDesignators = new QCheckBox("Designators", this);
    chkDesignators->setObjectName("chkDesignators");
    connect(chkDesignators, &QCheckBox::toggled, this, [this] { Draw(); });

    connect(UpDown1, &UpDown::valueChanged, this, [this] { ShowSensitivities(); });
    connect(optIdeal, &QRadioButton::toggled, this, [this](bool on) {
        if (on) IdealClicked();
    });
    connect(optSpecd, &QRadioButton::toggled, this, [this](bool on) {
        if (on) SpecdClicked();
    });
    connect(HScroll1, &QScrollBar::valueChanged, this, [this](int value) { ScrollChanged(value); });
    cmdSaveImage = new QPushButton(kSaveImageCaption, this);
    cmdSaveImage->setObjectName("cmdSaveImage");
    connect(
        cmdSaveImage, &QPushButton::clicked, this, [this] { SaveWindowImage(*this, GetPlatform(), "schematic.png"); });
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
    Place(*chkDesignators, layout, 4200, 6000, 1900, 300);  // between the parts type and the sensitivities
    Place(*cmdSaveImage, layout, 300, 6000, 1000, 300);     // left of the parts-type frame
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
    if (shown > UpDown1->maximum()) lblSensStage->setText(QString::number(UpDown1->maximum()));
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
    lblRangeNote->setText(QString::fromStdString(RangeNoteText(Record(), View().parts)));
}

// The parts type outlives the window while its options start afresh, so the
// options are set to the type the run keeps (which the LTspice writer also
// uses) rather than the other way round.
void frmSchematic::SelectPartsType()
{
    const bool specified = View().parts == PartsType::Specified;
    const QSignalBlocker quietIdeal(optIdeal);
    const QSignalBlocker quietSpecd(optSpecd);
    optIdeal->setChecked(!specified);
    optSpecd->setChecked(specified);
    lblOpampInfo->setVisible(specified);
}

void frmSchematic::Draw()
{
    DrawSchematic(canvas(), Record(), View().parts, OriginX, screenHeightTwips_, chkDesignators->isChecked());
}

void frmSchematic::IdealClicked()
{
    lblOpampInfo->setVisible(false);
    View().parts = PartsType::Ideal;
    DrawFromStageOne();
}

void frmSchematic::SpecdClicked()
{
    lblOpampInfo->setVisible(true);
    View().parts = PartsType::Specified;
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

}  // namespace stelvane
