// stelvane-cli: designs a bandpass filter from options and prints it.
#include <iostream>
#include <string>
#include <vector>

#include "tools/clirun.h"
#ifdef STELVANE_CLI_IMAGES
#include "platform/qt/qtimagewriter.h"
#endif

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
#ifdef STELVANE_CLI_IMAGES
    // Built with the windows: --image draws through Qt's painter.
    stelvane::QtImageWriter images;
    return stelvane::RunCli(args, std::cout, std::cerr, &images);
#else
    return stelvane::RunCli(args, std::cout, std::cerr);
#endif
}
