// The command line of `cobalin search`: where the search goes, how long it
// listens and how the devices found are printed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cobalin {

enum class ReportFormat { Text, Json, Csv };

struct SearchCommandOptions {
    bool help = false;
    // As the window's three search modes: any network (255.255.255.255), one
    // network's broadcast address, or one device's address.
    std::string host = "255.255.255.255";
    int16_t type = 0;        // SearchNetwork or SearchAddress
    int remotePort = 8888;   // a network search's port; an address search always asks 8890
    ReportFormat format = ReportFormat::Text;
    double seconds = 5.7;    // the listening period: 19 ticks of 300 ms
    std::string home;        // the program folder for Setting.ini; empty: as the window finds it
    std::string error;       // one line when the command line cannot be used
};

// Parses the arguments after "search". COBALIN_HOME is the fallback for --home.
SearchCommandOptions ParseSearchCommand(const std::vector<std::string>& args, const char* envHome);

std::string SearchUsageText();

// The command line of `cobalin configure`: the plan, the search's options
// and what to do with the change.
struct ConfigureCommandOptions {
    SearchCommandOptions search;  // where the searches go, --json, --home; `error` and `help` too
    std::string plan;             // the plan's file, or "-" for standard input
    bool check = false;           // report what would change, send no write
    std::string backup;           // the folder for each device's record before its write; empty: none
};
ConfigureCommandOptions ParseConfigureCommand(const std::vector<std::string>& args, const char* envHome);
std::string ConfigureUsageText();

// The listening period is kept to this many program seconds at most.
constexpr double kMaxSearchSeconds = 3600;

}  // namespace cobalin
