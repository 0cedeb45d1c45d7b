#include "features/modules/module_exchange.h"

#include "core/lan_module.h"
#include "toolkit/program_time.h"

namespace cobalin {

using namespace ui;

ModuleExchange::ModuleExchange(FormMain& form, AppState& state) : form_(form), state_(state) {
    connect(form_.UDPsck, &SocketControl::DataArrival, this, [this] { ModuleReplyIntake(); });
}

bool ModuleExchange::PrepareSocket(int mode, const QString& host, int localPort) {
    SocketControl& s = *form_.UDPsck;
    s.Close();
    // Give the socket up to 10 seconds to report closed.
    if (!WaitUntil([&s] { return s.State() == SocketControl::kClosed; }, 10)) return false;
    s.protocol = SocketControl::Protocol::UDP;
    s.RemoteHost = host;
    s.RemotePort = mode == kModuleMode ? kModulePort : 0;
    return s.Bind(localPort >= 0 ? localPort : 0);
}

bool ModuleExchange::ModuleQuery(int mode, const QString& host, int localPort) {
    if (!PrepareSocket(mode, host, localPort)) return false;
    const Bytes query = BuildModuleQuery();
    form_.UDPsck->SendData(ToByteArray(query));
    return true;
}

bool ModuleExchange::ModuleTransfer(int mode, int16_t device, const QString& host, int localPort) {
    if (!state_.Devices->IsEntry(device) || !PrepareSocket(mode, host, localPort)) return false;
    const Bytes& record = state_.Devices->LanModuleTable[static_cast<size_t>(device)].Record;
    const DeviceEntry& entry = state_.Devices->DeviceTable[static_cast<size_t>(device)];
    // Like the device's write, the module record leaves by its interface only.
    form_.UDPsck->SendData(ToByteArray(record),
                           {entry.InterfaceIndex, entry.InterfaceName});
    return true;
}

void ModuleExchange::ModuleReplyIntake() {
    const QByteArray d = form_.UDPsck->GetData(65536);
    cobalin::ModuleReplyIntake(*state_.Devices,
                               std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(d.constData()), static_cast<size_t>(d.size())));
}

}  // namespace cobalin
