// The ping scan's pure parts: the address value of a typed address, the
// status codes and their texts, and the ICMP echo packets (building a
// request, recognising the answer to it among everything else that arrives).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cobalin {

// The status of one echo: 0 when the address answered, otherwise one of the
// IP status codes the status line shows.
enum PingStatus : int32_t {
    kPingSuccess = 0,
    kPingDestNetUnreachable = 11002,
    kPingDestHostUnreachable = 11003,
    kPingDestProtUnreachable = 11004,
    kPingDestPortUnreachable = 11005,
    kPingTimedOut = 11010,
    kPingTtlExpiredTransit = 11013,
    kPingTtlExpiredReassembly = 11014,
    kPingParamProblem = 11015,
    kPingSourceQuench = 11016,
    kPingBadDestination = 11018,
    kPingGeneralFailure = 11050,
};

// The 5 bytes every echo request carries.
inline constexpr std::string_view kPingPayload = "Hello";
// How long one echo waits for its answer, in real milliseconds: a network
// time-out, never scaled with the program's time.
inline constexpr int kEchoTimeoutMs = 10;

// The address value handed to the echo: the four parts of a dotted text,
// each taken modulo 256, the first in the lowest byte (so the value, stored
// little-endian, holds the address in network order). A text of fewer than
// four parts gives 0; a fourth part holding further dots counts as a number
// up to its first dot. Parts are read as leading decimal digits.
uint32_t AddressToLong(std::string_view text);

// The address an echo may be sent to, in the same byte order as
// AddressToLong: four parts of 0-255 and not 0.0.0.0. Anything else (more or
// fewer parts, an empty part, a part that is no number or above 255) would
// ping an address the user never typed, so it gives nullopt.
std::optional<uint32_t> PingTarget(std::string_view text);

// "11010 [ ip req timed out ]": the code, then its text in brackets.
std::string PingStatusText(int32_t status);

// One ICMP echo request (type 8) with its checksum; the identifier and
// sequence number are written in network order.
std::vector<uint8_t> BuildEchoRequest(uint16_t identifier, uint16_t sequence, std::string_view payload);

// The Internet checksum of the bytes (one's complement of the one's
// complement sum of 16-bit words).
uint16_t InternetChecksum(std::span<const uint8_t> bytes);

// What one arriving ICMP packet means for the echo in flight.
struct EchoMatch {
    bool ours = false;      // false: another request's answer, other traffic, a stray
    int32_t status = 0;     // when ours: 0 for the echo reply, else the error's status
};

// The echo in flight: to whom, and with which identifier and sequence.
struct EchoInFlight {
    uint32_t address = 0;   // network order in memory, as AddressToLong gives it
    uint16_t identifier = 0;
    uint16_t sequence = 0;
    bool matchIdentifier = true;  // a datagram socket: the kernel owns the identifier
};

// An ICMP packet as a raw socket delivers it: the IP header first. An echo
// reply matches by source address, identifier and sequence; an error by the
// original header and request it quotes.
EchoMatch MatchRawPacket(std::span<const uint8_t> packet, const EchoInFlight& echo);

// An ICMP packet as a datagram socket delivers it: no IP header; from is the
// sender's address. Only echo replies arrive this way.
EchoMatch MatchDatagramReply(std::span<const uint8_t> icmp, uint32_t from, const EchoInFlight& echo);

// The status for an ICMP error of the given type and code; 11050 for an
// error this program has no code for.
int32_t StatusOfIcmpError(uint8_t type, uint8_t code);

// The scan of base+first .. base+last as a state machine: whoever runs it
// asks for the next step, does it, and at a wait asks again only when the
// wait is over. After each address's status has been shown, a stop asked
// for ends the scan (the address in flight is always finished).
class PingSweep {
public:
    struct Step {
        enum Kind : uint8_t {
            Wait,    // wait `seconds` of program time
            Echo,    // send the echo to `address`; tell Echoed its status
            Report,  // show `address` with its status `status`
            Done,    // the scan is over
        };
        Kind kind;
        double seconds = 0;
        std::string address = {};
        int32_t status = 0;
    };

    PingSweep(std::string base, int first, int last) : base_(std::move(base)), next_(first), last_(last) {}

    // The next step; `stopAsked`: the user asked the scan to stop.
    Step Next(bool stopAsked);
    void Echoed(int32_t status) { status_ = status; }

private:
    enum class Phase : uint8_t { Start, Echo, AfterEcho, Report, AfterReport, Over };
    std::string Address() const { return base_ + std::to_string(next_); }

    std::string base_;
    int next_;
    int last_;
    int32_t status_ = 0;
    Phase phase_ = Phase::Start;
};

}  // namespace cobalin
