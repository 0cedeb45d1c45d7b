// The description of a simulated LAN: one section per device (or group of
// devices), read from a small text file. See sim/README.md for the format.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cobalin::sim {

struct Faults {
    std::vector<int> dropPages;     // pages never sent
    std::vector<int> dropPagesAfterRestart;  // pages never sent once the device has restarted
    bool duplicate = false;         // every reply datagram twice
    bool reorder = false;           // pages in reverse order
    size_t truncate = 0;            // cut every reply datagram to this many bytes (0: off)
    double delay = 0;               // program seconds before answering
    double pageGap = 0;             // program seconds between one reply's datagrams
    bool silent = false;            // never answers anything
    int malformed = 0;              // malformed datagrams sent with each search reply
    int flood = 0;                  // random datagrams sent with each search reply
    bool ignoreWrites = false;      // acknowledges a write but keeps its configuration
    bool ignoreReset = false;       // acknowledges a reset but neither restarts nor takes what was written
    bool neverRestarts = false;     // silent for good after a reset ("restart = never")
    bool hiddenUntilRestart = false;  // answers no search until its first restart
    // Every datagram sent from this source address to 255.255.255.255, as a
    // host elsewhere forging a device's answers sends it (0.0.0.0 too).
    std::optional<std::array<uint8_t, 4>> forgeFrom;
};

struct DeviceDescription {
    int line = 0;                   // where the section starts, for messages
    bool paged = true;              // paged (three pages) or short (98 bytes)
    std::array<uint8_t, 6> mac{};
    std::array<uint8_t, 4> ip{};
    std::array<uint8_t, 6> identity{};  // record bytes 70-75; the MAC by default
    bool module = false;            // a LAN module answers on port 8880
    double restart = 11;            // program seconds of silence after a reset
    Faults faults;
    // Parameter values by key (see the key table), as texts.
    std::map<std::string, std::string> values;
};

constexpr size_t kMaxDevicesInLan = 4096;

struct LanDescription {
    std::vector<DeviceDescription> devices;
};

struct ParseError {
    int line;
    std::string message;
};

// Parses the text of a description file; on error, tells which line and what.
std::optional<LanDescription> ParseLanDescription(const std::string& text, ParseError& error);

// Keys a device section accepts for parameter values, with their defaults.
struct ValueKey {
    const char* key;
    const char* defaultValue;
};
const std::vector<ValueKey>& ValueKeys();

std::string FormatIp(const std::array<uint8_t, 4>& ip);

}  // namespace cobalin::sim
