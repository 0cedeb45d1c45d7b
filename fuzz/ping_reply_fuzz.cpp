// Whatever arrives on an ICMP socket: the matching of raw packets and
// datagram replies against the echo in flight, and the typed address texts.
#include <cstring>
#include <string>

#include "core/ping.h"
#include "fuzz_input.h"

using namespace cobalin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::FuzzInput in(data, size);
    EchoInFlight echo;
    echo.address = static_cast<uint32_t>(in.I32());
    echo.identifier = in.U16();
    echo.sequence = in.U16();
    echo.matchIdentifier = (in.Byte() & 1) != 0;
    const uint32_t from = static_cast<uint32_t>(in.I32());
    const auto packet = in.Rest();
    const EchoMatch raw = MatchRawPacket(packet, echo);
    const EchoMatch datagram = MatchDatagramReply(packet, from, echo);
    if (datagram.ours && datagram.status != kPingSuccess) __builtin_trap();
    (void)raw;
    const std::string text(reinterpret_cast<const char*>(packet.data()), packet.size());
    const uint32_t value = AddressToLong(text);
    if (const auto target = PingTarget(text)) {
        // A well-formed address gives the same value both ways, and never 0.0.0.0.
        if (*target != value || *target == 0) __builtin_trap();
    }
    (void)PingStatusText(static_cast<int32_t>(from));
    return 0;
}
