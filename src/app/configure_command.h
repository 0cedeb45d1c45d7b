// `cobalin configure PLAN.csv ...`: configures every device a plan names, as
// the window's update does, all at once, then searches again and checks
// each device; prints a report.
#pragma once

#include <string>
#include <vector>

namespace cobalin {

// args: what follows "configure". Returns the exit status: 0 every row
// unchanged or updated, 1 some row not, 2 a bad plan, bad options or a port
// taken (nothing sent).
int RunConfigureCommand(int argc, char* argv[], const std::vector<std::string>& args);

}  // namespace cobalin
