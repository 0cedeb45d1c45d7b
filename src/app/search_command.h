// `cobalin search ...`: the window's search from the command line, without a
// window or a display, printing the devices found.
#pragma once

#include <string>
#include <vector>

namespace cobalin {

// args: what follows "search". Returns the exit status: 0 devices found,
// 1 none, 2 an error (said in one line on standard error).
int RunSearchCommand(int argc, char* argv[], const std::vector<std::string>& args);

}  // namespace cobalin
