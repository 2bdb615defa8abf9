#pragma once

#include <iosfwd>

#include "engine/designsession.h"
#include "platform/imagewriter.h"
#include "tools/cliargs.h"

namespace stelvane {

// The size --image draws at when no --image-size is given.
inline constexpr int kCliImageWidth = 800;
inline constexpr int kCliImageHeight = 600;

// Draws the plot of the record into the --image file as the plot window
// draws it on a screen of the image's size, with the phase and the delay
// shown; the grid frequencies are worked out first. Without a writer (a
// build without Qt) or when the file cannot be written it says so on err.
// Returns whether the image was written (true when none was asked for).
bool WriteCliImage(const CliOptions& o, DesignSession& session, ImageWriter* images, std::ostream& err);

}  // namespace stelvane
