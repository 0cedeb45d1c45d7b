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

// The listening period is kept to this many program seconds at most.
constexpr double kMaxSearchSeconds = 3600;

}  // namespace cobalin
