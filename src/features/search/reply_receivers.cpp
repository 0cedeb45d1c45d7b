#include "features/search/reply_receivers.h"

#include "core/device_table.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

ReplyReceivers::ReplyReceivers(FormMain& form, AppState& state) : form_(form), state_(state) {
    form_.session.OnReply([this](const IntakeResult& r) { ReplyTaken(r); });
    form_.session.OnAcknowledged([this] { SetCaption(form_.c.Label11, "Update..OK"); });
}

void ReplyReceivers::ReplyTaken(const IntakeResult& r) {
    if (r.outcome == IntakeResult::Refused) {
        QWidget* status = form_.c.Label54[1];
        ShowStatus(status, kConnectError, kRed);
        return;
    }
    if (r.outcome == IntakeResult::Added) {
        const std::string& mac = state_.Devices->DeviceTable[static_cast<size_t>(r.entry)].MacText;
        AddItem(form_.c.List1, QString::fromStdString(mac));
    }
    // The found-count label shows how many devices have answered.
    if (r.outcome != IntakeResult::Dropped) SetCaption(form_.c.Label21, QString::number(state_.Devices->DeviceCount));
}

}  // namespace cobalin
