#include "windows/programwindows.h"

#include "windows/frmabout.h"
#include "windows/frmdesign.h"
#include "windows/frmheadroom.h"
#include "windows/frmnoise.h"
#include "windows/frmopamptest.h"
#include "windows/frmopening.h"
#include "windows/frmplot.h"
#include "windows/frmrequirement.h"
#include "windows/frmpoles.h"
#include "windows/frmschematic.h"
#include "windows/frmwritefiles.h"
#include "windows/frmtabulated.h"
#include "windows/frmtime.h"
#include "windows/navigation.h"

namespace stelvane {

void RegisterProgramWindows(Navigator& navigator)
{
    navigator.SetFactory(WindowKind::Opening, [](Navigator& n) { return new frmOpening(n); });
    navigator.SetFactory(WindowKind::Design, [](Navigator& n) { return new frmDesign(n); });
    navigator.SetFactory(WindowKind::Tabulated, [](Navigator& n) { return new frmTabulated(n); });
    navigator.SetFactory(WindowKind::OpampTest, [](Navigator& n) { return new frmOpampTest(n); });
    navigator.SetFactory(WindowKind::Poles, [](Navigator& n) { return new frmPoles(n); });
    RegisterPlotWindows(navigator);
    navigator.SetFactory(WindowKind::About, [](Navigator& n) { return new frmAbout(n); });
    navigator.SetFactory(WindowKind::Headroom, [](Navigator& n) { return new frmHeadroom(n); });
    navigator.SetFactory(WindowKind::Schematic, [](Navigator& n) { return new frmSchematic(n); });
    navigator.SetFactory(WindowKind::WriteFiles, [](Navigator& n) { return new frmWriteFiles(n); });
    navigator.SetFactory(WindowKind::Noise, [](Navigator& n) { return new frmNoise(n); });
    navigator.SetFactory(WindowKind::Time, [](Navigator& n) { return new frmTime(n); });
    navigator.SetFactory(WindowKind::Requirement, [](Navigator& n) { return new frmRequirement(n); });
}

}  // namespace stelvane
