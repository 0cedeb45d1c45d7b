// Every request datagram the program sends to a device, byte-exact.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/record_layout.h"

namespace cobalin {

using Bytes = std::vector<uint8_t>;
using EchoBytesArray = std::array<uint8_t, kEchoSize>;

// The device's ports (its LAN module's port, kModulePort, is in lan_module.h).
constexpr uint16_t kSearchPort = 8888;   // answers a search sent to any address
constexpr uint16_t kCommandPort = 8890;  // answers a search sent to itself; takes reset, clear and write
constexpr uint16_t kBaudPort = 5300;     // TCP: takes the baud-rate request

// The program's own port for each UDP command type, so that each answer
// comes back to the socket that asked.
constexpr uint16_t kNetworkSearchLocalPort = 8889;
constexpr uint16_t kAddressSearchLocalPort = 8891;
constexpr uint16_t kResetLocalPort = 8882;
constexpr uint16_t kClearLocalPort = 8883;
constexpr uint16_t kWriteLocalPort = 8884;

// Opens every request datagram: 22 ASCII bytes, no terminator of its own.
constexpr std::string_view RequestMagic = "Tessaly Datacomm Corp.";

enum DeviceCommand : int16_t {
    SearchNetwork = 0,
    SearchAddress = 1,
    ResetDevice = 2,
    ClearConfigBuffer = 3,
    WriteConfig = 4,
    SetBaud = 6,
    UpdateQuery = 7,
    UpdateTransfer = 8,
};

enum class SocketId { UDP8888, UDP8890, UDPsck, TCP5300Cmd };

// How a command type is sent; remotePort 0 means "from the remote-port field".
struct CommandRoute {
    int16_t type;
    SocketId socket;
    uint16_t remotePort;
    uint16_t localPort;
    std::string_view failMessage;  // shown when the socket cannot be made ready
};

// The UDP command types 0-4; nullptr for every other type.
const CommandRoute* FindUdpRoute(int16_t type);

// The search request: the magic and 0x00 (23 bytes); for a network search to a
// port other than the search and the command port only the 0x00.
Bytes BuildSearchRequest(int16_t type, int remotePort);

// The 59-byte reset ("reset") or clear ("clrCfgBuf") request.
Bytes BuildMaintenanceRequest(const EchoBytesArray& echo, const DeviceRecord& record, std::string_view word);
// The 64-byte baud-rate request ("setbaud").
Bytes BuildBaudRequest(const EchoBytesArray& echo, const DeviceRecord& record);

struct WriteDatagrams {
    Bytes a;  // 1031 bytes: page 0 data, serial-port blocks adjusted
    Bytes b;  // 1007 bytes: page 1 data and the checksum
};
// The configuration write; the record itself is not changed.
WriteDatagrams BuildWriteDatagrams(const DeviceRecord& record);
// Low 8 bits of the sum of A's bytes 31-1030 and B's bytes 31-1004.
uint8_t WriteChecksum(std::span<const uint8_t> a, std::span<const uint8_t> b);

// Datagram sizes.
constexpr size_t kSearchRequestSize = 23;
constexpr size_t kMaintenanceRequestSize = 59;
constexpr size_t kBaudRequestSize = 64;
constexpr size_t kWriteASize = 1031;
constexpr size_t kWriteBSize = 1007;

}  // namespace cobalin
