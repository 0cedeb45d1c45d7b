// The receivers of the search socket, the command socket and the TCP
// command connection: replies into the device table, acknowledgements shown.
#pragma once

#include <QObject>

#include "core/app_state.h"
#include "windows/forms.h"

namespace cobalin {

constexpr const char* kConnectError = "Error occured when connecting device!";

class ReplyReceivers : public QObject {
public:
    ReplyReceivers(ui::FormMain& form, AppState& state);

private:
    void SearchReplyArrived();
    void AcknowledgementArrived();

    ui::FormMain& form_;
    AppState& state_;
};

}  // namespace cobalin
