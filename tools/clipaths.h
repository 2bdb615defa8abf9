#pragma once

#include <string>

#include "tools/cliargs.h"

namespace stelvane {

// A usage error in the files of a run, or an empty text. Every file the run
// would write (the names as given and with the extension the writer adds, the
// overlay files in the working folder) must be a regular file or none yet,
// not a folder, and not a file another option reads or writes; every file it
// reads must be a regular file where it exists. Looks without opening, so a
// pipe cannot block the run, and before anything is written.
std::string CheckCliFiles(const CliOptions& o);

}  // namespace stelvane
