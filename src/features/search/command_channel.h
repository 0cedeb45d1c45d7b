// The single sender of requests to devices: it prepares the command type's
// socket, builds the request and sends it once; answers arrive later on the
// same socket.
#pragma once

#include <QObject>

#include "core/app_state.h"
#include "core/request_packets.h"
#include "toolkit/dialogs.h"
#include "windows/forms.h"

namespace cobalin {

class ModuleExchange;

class CommandChannel : public QObject {
public:
    CommandChannel(ui::FormMain& form, AppState& state, ui::Dialogs& dialogs, ModuleExchange& modules)
        : form_(form), state_(state), dialogs_(dialogs), modules_(modules) {}

    // False when nothing could be sent: the socket could not be made ready,
    // the remote-port field holds no port, or a command for a device names
    // none of the current search.
    bool SendDeviceCommand(const QString& host, int16_t type, int16_t device);

    // The whole number 1-65535 the remote-port field holds, or -1.
    int RemotePortField() const;

private:
    bool PrepareUdpSocket(ui::SocketControl& socket, const CommandRoute& route, const QString& host, int remotePort);
    ui::SocketControl& SocketOf(SocketId id) const;

    ui::FormMain& form_;
    AppState& state_;
    ui::Dialogs& dialogs_;
    ModuleExchange& modules_;
};

}  // namespace cobalin
