#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/designstate.h"

namespace stelvane {

// The pieces of the summaries: a cell padded to its column (12 characters
// unless told, at least one blank after it), a figure in engineering notation, a part value, and a
// capacitor ("0" for none), each without the blanks of the fixed formats.
std::string Cell(const std::string& text, std::size_t width = 12);
std::string EngText(double value);
std::string ValueText(double value);
std::string CapText(double value);

// The design in words: design inputs, opamp, sweep, a line of figures and a
// line of parts per stage, and the cascade's gain at the centre frequency.
std::string DesignSummary(const DesignState& s);

// The same design as one JSON object for scripts; every float is written with
// nine significant digits, so it reads back as the very same Single. The
// extra members (key, JSON value) close the object.
std::string DesignJson(const DesignState& s, const std::vector<std::pair<std::string, std::string>>& extra = {});

// A Single as a JSON number (nine significant digits, "." whatever the
// locale); null for NaN or infinity, which JSON cannot hold.
std::string JsonNumber(Single value);
// A double with that many significant digits, the same way.
std::string JsonNumber(double value, int digits);

} // namespace stelvane
