// stelvane-cli: designs a bandpass filter from options and prints it.
#include <iostream>
#include <string>
#include <vector>

#include "tools/clirun.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return stelvane::RunCli(args, std::cout, std::cerr);
}
