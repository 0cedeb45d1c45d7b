#include "features/search/command_channel.h"

#include "core/text_conversions.h"
#include "toolkit/controls.h"

namespace cobalin {

using namespace ui;

CommandChannel::CommandChannel(FormMain& form, Dialogs& dialogs) : form_(form), dialogs_(dialogs) {
    form_.session.SetTarget([this] { return SessionTarget{TextOf(form_.c.txtIPaddr), RemotePortField()}; });
    form_.session.OnTrouble([this](const SessionTrouble& t) {
        // The module socket and an unsent search fail silently in the window.
        if (t.kind == SessionTrouble::PortTaken || t.kind == SessionTrouble::InvalidPort)
            dialogs_.Message(QString::fromStdString(t.text), kAppTitle);
    });
}

int CommandChannel::RemotePortField() const {
    const auto port = ParseWholeNumber(TextOf(form_.c.txtRemotePort).toStdString(), 1, 65535);
    return port ? static_cast<int>(*port) : -1;
}

bool CommandChannel::SendDeviceCommand(const QString& host, int16_t type, int16_t device) {
    if (!form_.session.Send(host, type, device)) return false;
    if (type == SearchNetwork || type == SearchAddress) {
        // A new search: the found count and the list of answers start over.
        if (type == SearchNetwork) SetCaption(form_.c.Label21, "0");
        ClearItems(form_.c.List1);
    }
    return true;
}

}  // namespace cobalin
