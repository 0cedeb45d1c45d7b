// Command-line options of the cobalin executable.
#pragma once

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

}  // namespace cobalin
