// Command-line options of the cobalin executable, and the time scale the
// environment sets for the program and the simulator alike.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

namespace cobalin {

struct ProgramOptions {
    bool help = false;
    bool version = false;
    bool drive = false;
    std::string home;   // program folder; empty: the executable's folder
    std::string error;  // set when the command line cannot be used
};

// Parses argv (without the program name). COBALIN_HOME is the fallback for home.
ProgramOptions ParseProgramOptions(const std::vector<std::string>& args, const char* envHome);

std::string UsageText();

// The factor from program time to real time: COBALIN_TIME_SCALE as a decimal
// above 0 and at most 1000 ("0.02" runs a search 50 times faster);
// unset or anything else gives 1. `value` stands in for the variable in tests.
constexpr const char* kTimeScaleVariable = "COBALIN_TIME_SCALE";
double ReadTimeScale(const char* value = std::getenv(kTimeScaleVariable));

}  // namespace cobalin
