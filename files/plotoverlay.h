#pragma once

#include <string>

#include "engine/designstate.h"
#include "platform/notifier.h"

namespace stelvane {

// One stored overlay at a time, one curve per file, in the working directory.
inline constexpr const char* kOverlayGainFileName = "QUIBEXdata.DB";
inline constexpr const char* kOverlayPhaseFileName = "QUIBEXdata.PHS";
inline constexpr const char* kOverlayDelayFileName = "QUIBEXdata.DEL";

inline constexpr const char* kOverlayNotWrittenMessage = "ReadWrite 740; we were unable to write an overlay file";
// What the plot window says when it is asked for an overlay that was never saved.
inline constexpr const char* kOverlayMissingMessage =
    "File enabling overlay has not been written;\r\nClick on 'Save plot' first.";
inline constexpr const char* kOverlayMissingCaption = "File-present test";
// Follows the name of an overlay file that holds not one pair of numbers.
inline constexpr const char* kOverlayNoPointEnding = " holds no usable point; no curve was drawn from it";

// Stores the present response as three overlay files (gain, phase, delay), one
// line per sweep point, in the given folder (empty: the working directory).
// On failure it stops, beeps and says so; files already written stay, and a
// file that could not be written keeps its old contents. The record is not
// changed. Returns whether all three were written.
bool SavePlotOverlay(const DesignState& state, Notifier& notifier, const std::string& folder = "");

// Reads one overlay file into the curve, OverlayFreq/OverlayValue 0..OverlayLast
// (OverlayLast -1 for an empty file). A file that holds more points than the
// arrays, an unpaired number or a non-number keeps the points read before it.
// Returns whether the file was there to read; when it is not, the record is
// not changed. A file that is there but holds no usable point (empty, binary,
// NaN) or cannot be read (not a regular file, above 16 MiB; the record is then
// not changed) sets problem to what to tell the user; otherwise it is left.
bool ReadPlotOverlay(OverlayCurve& overlay, const std::string& fileName, std::string* problem = nullptr);

}  // namespace stelvane
