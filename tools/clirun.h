#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace stelvane {

class ImageWriter;

// Designs from the command-line arguments (without the program name), writes
// the files asked for, and prints the summary or the JSON to out; messages go
// to err. Returns the exit code: 0 done, 1 a file failed or ngspice could not
// simulate, 2 a usage error, 4 the simulation disagrees with the design.
// The image writer draws --image; without one (a build without Qt) --image fails.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, ImageWriter* images = nullptr);

}  // namespace stelvane
