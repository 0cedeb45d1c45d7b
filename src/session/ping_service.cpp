#include "session/ping_service.h"

#include "core/ping.h"

namespace cobalin {

PingService::PingService(Echo echo) : echo_(std::move(echo)) {
    if (!echo_) echo_ = [](uint32_t address) { return ui::SendEcho(address, kEchoTimeoutMs); };
}

ui::EchoResult PingService::Ping(const std::string& address) const {
    const auto target = PingTarget(address);
    if (!target) return {kPingBadDestination, false};
    return echo_(*target);
}

}  // namespace cobalin
