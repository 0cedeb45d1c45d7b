#include "core/ping.h"

#include <array>
#include <utility>

#include "core/text_conversions.h"

namespace cobalin {

namespace {

constexpr uint8_t kEchoReply = 0, kDestUnreachable = 3, kSourceQuench = 4, kEchoRequest = 8, kTimeExceeded = 11,
                  kParameterProblem = 12;
constexpr size_t kIcmpHeader = 8;

// Leading decimal digits of a part, after any blanks, as a number modulo 256
// (a part that starts with anything else reads 0).
uint32_t PartValue(std::string_view part) {
    while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) part.remove_prefix(1);
    uint32_t v = 0;
    for (char c : part) {
        if (c < '0' || c > '9') break;
        v = (v * 10 + static_cast<uint32_t>(c - '0')) % 256;
    }
    return v;
}

uint16_t Word(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] << 8 | b[at + 1]); }

uint32_t AddressAt(std::span<const uint8_t> b, size_t at) {
    // The value keeps the bytes in their wire order in memory, like AddressToLong.
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 | static_cast<uint32_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(b[at + 3]) << 24;
}

// Length of the IP header at the start of the packet, or 0 when it is no
// IPv4 header that fits.
size_t IpHeaderLength(std::span<const uint8_t> p) {
    if (p.size() < 20 || (p[0] >> 4) != 4) return 0;
    const size_t length = static_cast<size_t>(p[0] & 0x0F) * 4;
    return length >= 20 && length <= p.size() ? length : 0;
}

bool IsOurRequest(std::span<const uint8_t> icmp, const EchoInFlight& echo) {
    return icmp.size() >= kIcmpHeader && icmp[0] == kEchoRequest &&
           (!echo.matchIdentifier || Word(icmp, 4) == echo.identifier) && Word(icmp, 6) == echo.sequence;
}

}  // namespace

uint32_t AddressToLong(std::string_view text) {
    std::array<std::string_view, 4> parts{};
    size_t count = 0;
    while (count < 3) {
        const size_t dot = text.find('.');
        if (dot == std::string_view::npos) break;
        parts[count++] = text.substr(0, dot);
        text.remove_prefix(dot + 1);
    }
    parts[count++] = text;
    if (count < 4) return 0;
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value |= PartValue(parts[i]) << (8 * i);
    return value;
}

std::optional<uint32_t> PingTarget(std::string_view text) {
    const auto bytes = ParseDottedQuad(text);
    if (!bytes) return std::nullopt;
    const uint32_t value = AddressAt(*bytes, 0);
    if (value == 0) return std::nullopt;
    return value;
}

std::string PingStatusText(int32_t status) {
    static constexpr std::pair<int32_t, const char*> kTexts[] = {
        {0, "ip success"},
        {10, "ping timeout"},
        {11001, "ip buf too_small"},
        {11002, "ip dest net unreachable"},
        {11003, "ip dest host unreachable"},
        {11004, "ip dest prot unreachable"},
        {11005, "ip dest port unreachable"},
        {11006, "ip no resources"},
        {11007, "ip bad option"},
        {11008, "ip hw_error"},
        {11009, "ip packet too_big"},
        {11010, "ip req timed out"},
        {11011, "ip bad req"},
        {11012, "ip bad route"},
        {11013, "ip ttl expired transit"},
        {11014, "ip ttl expired reassem"},
        {11015, "ip param_problem"},
        {11016, "ip source quench"},
        {11017, "ip option too_big"},
        {11018, "ip bad destination"},
        {11019, "ip addr deleted"},
        {11020, "ip spec mtu change"},
        {11021, "ip mtu_change"},
        {11022, "ip unload"},
        {11023, "ip addr added"},
        {11050, "ip general failure"},
        {11255, "ip pending"},
    };
    const char* text = "unknown msg returned";
    for (const auto& [code, t] : kTexts)
        if (code == status) text = t;
    return std::to_string(status) + " [ " + text + " ]";
}

uint16_t InternetChecksum(std::span<const uint8_t> bytes) {
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) sum += static_cast<uint32_t>(bytes[i] << 8 | bytes[i + 1]);
    if (i < bytes.size()) sum += static_cast<uint32_t>(bytes[i] << 8);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

std::vector<uint8_t> BuildEchoRequest(uint16_t identifier, uint16_t sequence, std::string_view payload) {
    std::vector<uint8_t> p(kIcmpHeader + payload.size(), 0);
    p[0] = kEchoRequest;
    p[4] = static_cast<uint8_t>(identifier >> 8);
    p[5] = static_cast<uint8_t>(identifier);
    p[6] = static_cast<uint8_t>(sequence >> 8);
    p[7] = static_cast<uint8_t>(sequence);
    for (size_t i = 0; i < payload.size(); ++i) p[kIcmpHeader + i] = static_cast<uint8_t>(payload[i]);
    const uint16_t sum = InternetChecksum(p);
    p[2] = static_cast<uint8_t>(sum >> 8);
    p[3] = static_cast<uint8_t>(sum);
    return p;
}

int32_t StatusOfIcmpError(uint8_t type, uint8_t code) {
    switch (type) {
        case kDestUnreachable:
            switch (code) {
                case 0: return kPingDestNetUnreachable;
                case 1: return kPingDestHostUnreachable;
                case 2: return kPingDestProtUnreachable;
                case 3: return kPingDestPortUnreachable;
                default: return kPingGeneralFailure;
            }
        case kTimeExceeded: return code == 0 ? kPingTtlExpiredTransit : kPingTtlExpiredReassembly;
        case kParameterProblem: return kPingParamProblem;
        case kSourceQuench: return kPingSourceQuench;
        default: return kPingGeneralFailure;
    }
}

EchoMatch MatchRawPacket(std::span<const uint8_t> packet, const EchoInFlight& echo) {
    const size_t ip = IpHeaderLength(packet);
    if (ip == 0 || packet[9] != 1 /* ICMP */ || packet.size() < ip + kIcmpHeader) return {};
    const auto icmp = packet.subspan(ip);
    const uint8_t type = icmp[0];
    if (type == kEchoReply) {
        const bool ours = AddressAt(packet, 12) == echo.address && Word(icmp, 4) == echo.identifier &&
                          Word(icmp, 6) == echo.sequence;
        return {ours, kPingSuccess};
    }
    if (type != kDestUnreachable && type != kTimeExceeded && type != kParameterProblem && type != kSourceQuench) return {};
    // An error quotes the header of the packet it is about and the start of
    // that packet's ICMP message: it must be our request to our address.
    const auto quoted = icmp.subspan(kIcmpHeader);
    const size_t quotedIp = IpHeaderLength(quoted);
    if (quotedIp == 0 || quoted[9] != 1 || AddressAt(quoted, 16) != echo.address) return {};
    if (!IsOurRequest(quoted.subspan(quotedIp), echo)) return {};
    return {true, StatusOfIcmpError(type, icmp[1])};
}

EchoMatch MatchDatagramReply(std::span<const uint8_t> icmp, uint32_t from, const EchoInFlight& echo) {
    if (icmp.size() < kIcmpHeader || icmp[0] != kEchoReply || from != echo.address) return {};
    if ((echo.matchIdentifier && Word(icmp, 4) != echo.identifier) || Word(icmp, 6) != echo.sequence) return {};
    return {true, kPingSuccess};
}

PingSweep::Step PingSweep::Next(bool stopAsked) {
    // Before the first echo, and after each, the window gets a moment to
    // show what changed.
    constexpr double kBeforeScan = 0.1, kAfterEcho = 0.01;
    switch (phase_) {
        case Phase::Start:
            phase_ = next_ <= last_ ? Phase::Echo : Phase::Over;
            return {Step::Wait, kBeforeScan};
        case Phase::Echo:
            phase_ = Phase::AfterEcho;
            return {Step::Echo, 0, Address()};
        case Phase::AfterEcho:
            phase_ = Phase::Report;
            return {Step::Wait, kAfterEcho};
        case Phase::Report:
            phase_ = Phase::AfterReport;
            return {Step::Report, 0, Address(), status_};
        case Phase::AfterReport:
            phase_ = stopAsked || ++next_ > last_ ? Phase::Over : Phase::Echo;
            return Next(stopAsked);
        case Phase::Over:
            break;
    }
    return {Step::Done};
}

}  // namespace cobalin
