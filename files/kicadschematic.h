#pragma once

#include <optional>
#include <string>

#include "engine/designstate.h"
#include "engine/standardseries.h"
#include "platform/notifier.h"

namespace stelvane {

inline constexpr const char* kKicadNotWrittenMessage = "The KiCad schematic was not written";
inline constexpr const char* kKicadExtension = ".kicad_sch";
// The file format version KiCad 6 writes and every later KiCad upgrades.
inline constexpr const char* kKicadFileVersion = "20211123";
// The supply the opamps' V+ and V- pins hang on, as KiCad's simulator powers them.
inline constexpr double kKicadSupplyVolts = 15;

// The whole filter as a KiCad schematic: the program's own resistor,
// capacitor, opamp and source symbols in lib_symbols, every part with its
// designator (R101 ... C102, U1, as the parts list), its value as the parts
// list writes it, an empty Footprint and the SPICE fields of KiCad's
// simulator; the input, the output, ground and the +V and -V supplies as
// global labels, the stage outputs between stages as labels s1, s2 ...
// like the ngspice netlist's nodes. The signal source and the two supply
// sources are in the simulation only (not in the parts list nor on the
// board). Stages run left to right, five to an A4 sheet, else seven to a
// row of an A3 sheet; every point lies on the 50-mil grid. The resistors
// are Rs for the specified opamp, else R, and the opamp model in the
// sheet's directives is the one the ngspice netlist gives them.
std::string KicadSchematicText(const DesignState& s, PartsType parts, std::optional<StandardSeries> roundedTo);

// Writes KicadSchematicText to the named file. A design of no stages, or
// with a part of 0 or one whose text would read back as another value, is
// not written: it says why and leaves an existing file as it was, as it does
// when the file cannot be written (with a beep). The record is not changed.
// Returns whether the file was written.
bool WriteKicadSchematic(const DesignState& s, PartsType parts, std::optional<StandardSeries> roundedTo,
    const std::string& fileName, Notifier& notifier);

}  // namespace stelvane
