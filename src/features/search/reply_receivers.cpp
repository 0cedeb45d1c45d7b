#include "features/search/reply_receivers.h"

#include "core/device_table.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

namespace {
std::span<const uint8_t> View(const QByteArray& d) {
    return {reinterpret_cast<const uint8_t*>(d.constData()), static_cast<size_t>(d.size())};
}
}  // namespace

ReplyReceivers::ReplyReceivers(FormMain& form, AppState& state) : form_(form), state_(state) {
    connect(form_.UDP8888, &SocketControl::DataArrival, this, [this] { SearchReplyArrived(); });
    connect(form_.UDP8890, &SocketControl::DataArrival, this, [this] { AcknowledgementArrived(); });
    // Whatever the device sends back on the baud-rate connection is read and dropped.
    connect(form_.TCP5300Cmd, &SocketControl::DataArrival, this, [this] { form_.TCP5300Cmd->GetData(65536); });
}

void ReplyReceivers::SearchReplyArrived() {
    const QByteArray d = form_.UDP8888->GetData(static_cast<int>(kMaxDatagramRead));
    const IntakeResult r = ReplyIntake(*state_.Devices, View(d));
    const SocketControl::Interface& via = form_.UDP8888->ArrivalInterface();
    NoteArrivalInterface(*state_.Devices, r, via.index, via.name);
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

void ReplyReceivers::AcknowledgementArrived() {
    if (IsAcknowledgement(View(form_.UDP8890->GetData(static_cast<int>(kMaxDatagramRead)))))
        SetCaption(form_.c.Label11, "Update..OK");
}

}  // namespace cobalin
