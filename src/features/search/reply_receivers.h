// What the window shows of what arrives: each device's first answer in the
// list of answers, the found count, a refused reply in red, and an
// acknowledgement. The device session takes the datagrams in.
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
    void ReplyTaken(const IntakeResult& r);

    ui::FormMain& form_;
    AppState& state_;
};

}  // namespace cobalin
