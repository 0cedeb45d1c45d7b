#include "features/search/command_channel.h"

#include "features/modules/module_exchange.h"
#include "core/text_conversions.h"
#include "toolkit/controls.h"
#include "toolkit/program_time.h"

namespace cobalin {

using namespace ui;

namespace {
}  // namespace

SocketControl& CommandChannel::SocketOf(SocketId id) const {
    switch (id) {
        case SocketId::UDP8888:
            return *form_.UDP8888;
        case SocketId::UDP8890:
            return *form_.UDP8890;
        case SocketId::UDPsck:
            return *form_.UDPsck;
        case SocketId::TCP5300Cmd:
            break;
    }
    return *form_.TCP5300Cmd;
}

int CommandChannel::RemotePortField() const {
    const auto port = ParseWholeNumber(TextOf(form_.c.txtRemotePort).toStdString(), 1, 65535);
    return port ? static_cast<int>(*port) : -1;
}

bool CommandChannel::PrepareUdpSocket(SocketControl& socket, const CommandRoute& route, const QString& host,
                                      int remotePort) {
    // Close at most six times, a second apart, until the socket reports closed.
    for (int attempt = 0;; ++attempt) {
        socket.Close();
        if (socket.State() == SocketControl::kClosed) break;
        if (attempt >= 5) {
            dialogs_.Message(QString::fromUtf8(route.failMessage.data(), static_cast<int>(route.failMessage.size())),
                             kAppTitle);
            return false;
        }
        WaitSeconds(1);
    }
    socket.protocol = SocketControl::Protocol::UDP;
    socket.RemoteHost = host;
    socket.RemotePort = remotePort;
    socket.LocalPort = route.localPort;
    if (!socket.Bind(route.localPort)) {
        // Another program holds the port: retrying cannot free it.
        dialogs_.Message(QString::fromUtf8(route.failMessage.data(), static_cast<int>(route.failMessage.size())), kAppTitle);
        return false;
    }
    return true;
}

bool CommandChannel::SendDeviceCommand(const QString& host, int16_t type, int16_t device) {
    const DeviceStore& store = *state_.Devices;
    // A command for a device acts on one the current search found: an index
    // outside 1..DeviceCount (no device chosen yet, or a choice left from an
    // earlier search) sends nothing and shows nothing.
    const bool deviceOk = store.IsDevice(device) && store.IsDevice(state_.SelectedDevice);
    if (type == UpdateQuery || type == UpdateTransfer) {
        if (type == UpdateTransfer && !store.IsDevice(device)) return false;
        const int port = RemotePortField();
        if (port < 0) return false;  // no port: nothing is sent, nothing shown
        const QString target = TextOf(form_.c.txtIPaddr);
        return type == UpdateQuery ? modules_.ModuleQuery(kModuleMode, target, port)
                                    : modules_.ModuleTransfer(kModuleMode, device, target, port);
    }
    if (type == SetBaud) {
        if (!deviceOk) return false;
        const DeviceEntry& selected = store.DeviceTable[static_cast<size_t>(state_.SelectedDevice)];
        return form_.TCP5300Cmd->SendData(ToByteArray(BuildBaudRequest(selected.EchoBytes, store.DeviceTable[static_cast<size_t>(device)].Record)));
    }
    const CommandRoute* route = FindUdpRoute(type);
    if (!route) return false;  // type 5 and unknown types do nothing

    const bool search = type == SearchNetwork || type == SearchAddress;
    if (!search && !deviceOk) return false;

    int remotePort = route->remotePort;
    if (type == SearchNetwork) {
        remotePort = RemotePortField();
        if (remotePort < 0) {
            dialogs_.Message("Invalid port entry!", kAppTitle);
            return false;
        }
    }
    SocketControl& socket = SocketOf(route->socket);
    if (!PrepareUdpSocket(socket, *route, host, remotePort)) return false;

    if (search) {
        if (type == SearchNetwork) SetCaption(form_.c.Label21, "0");
        const Bytes request = BuildSearchRequest(type, socket.RemotePort);
        state_.Devices->DeviceCount = 0;
        ClearItems(form_.c.List1);
        socket.SendData(ToByteArray(request));  // a send error is swallowed
        return true;
    }
    const DeviceEntry& entry = store.DeviceTable[static_cast<size_t>(device)];
    const DeviceEntry& selected = store.DeviceTable[static_cast<size_t>(state_.SelectedDevice)];
    // A request for one device (the write carries its password) leaves a
    // broadcast by that device's own interface only.
    const SocketControl::Interface via{entry.InterfaceIndex, entry.InterfaceName};
    if (type == WriteConfig) {
        const WriteDatagrams w = BuildWriteDatagrams(entry.Record);
        socket.SendData(ToByteArray(w.a), via);
        socket.SendData(ToByteArray(w.b), via);  // whether or not the first could be sent
    } else {
        socket.SendData(ToByteArray(BuildMaintenanceRequest(selected.EchoBytes, entry.Record, type == ResetDevice ? "reset" : "clrCfgBuf")),
                        via);
    }
    return true;
}

}  // namespace cobalin
