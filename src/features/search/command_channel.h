// The window's side of sending requests to devices: the address and
// remote-port fields say where a request goes, the device session sends it,
// and what the session could not send is shown as the window shows it (a box
// for a socket that cannot be made ready or a port that is none).
#pragma once

#include <QObject>

#include "core/request_packets.h"
#include "toolkit/dialogs.h"
#include "windows/forms.h"

namespace cobalin {

class CommandChannel : public QObject {
public:
    CommandChannel(ui::FormMain& form, ui::Dialogs& dialogs);

    // False when nothing could be sent: the socket could not be made ready,
    // the remote-port field holds no port, or a command for a device names
    // none of the current search.
    bool SendDeviceCommand(const QString& host, int16_t type, int16_t device);

    // The whole number 1-65535 the remote-port field holds, or -1.
    int RemotePortField() const;

private:
    ui::FormMain& form_;
    ui::Dialogs& dialogs_;
};

}  // namespace cobalin
