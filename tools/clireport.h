#pragma once

#include <string>

#include "engine/designstate.h"
#include "tools/clijson.h"

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

// The bench's view of the design: the raised capacitors of buildable gains
// (and the stages even they cannot build), then each stage's peak from the
// input, headroom and slew needed, the largest input, the stages over the slew.
std::string BenchSummary(const DesignState& s);

// The same design as one JSON object for scripts: the inputs, the stages'
// figures and parts, and the sweep, every Single to nine significant digits so
// that it reads back as the very same Single.
Json DesignJson(const DesignState& s, PartsType parts);

// The noise of the cascade built with those parts: the "noise" object (the
// output density at every sweep point, the rms at the output and referred to
// the input, the signal-to-noise ratio, the band, each stage's and source's
// share) and the same in words for the summary.
Json NoiseJson(const DesignState& s, PartsType parts);
std::string NoiseSummary(const DesignState& s, PartsType parts);

}  // namespace stelvane
