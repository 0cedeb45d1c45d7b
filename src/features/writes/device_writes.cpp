#include "features/writes/device_writes.h"

#include <QPushButton>

#include "core/parameter_codec.h"
#include "core/request_packets.h"
#include "core/text_conversions.h"
#include "core/update_checks.h"
#include "core/write_sequence.h"
#include "features/editor/parameter_editor.h"
#include "features/search/command_channel.h"
#include "features/search/search_orchestration.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

const char* const kBaudOtherDeviceChosen = "Not sent: another device was chosen while connecting";
const char* const kBaudDeviceGone = "Not sent: a search began while connecting; choose the device again";


DeviceWrites::DeviceWrites(FormMain& form, AppState& state, CommandChannel& commands, SearchOrchestration& search,
                           ParameterEditor& editor)
    : form_(form), state_(state), commands_(commands), search_(search), editor_(editor) {
    connect(form_.c.Command9, &QPushButton::clicked, this, [this] { Update(); });
    connect(form_.c.Command3, &QPushButton::clicked, this, [this] { Reset(); });
    connect(form_.c.Command8, &QPushButton::clicked, this, [this] { Clear(); });
    connect(form_.c.Command19, &QPushButton::clicked, this, [this] { SetBaud(); });
    search_.OnOperationEnded([this] { OperationEnded(); });
    search_.OnFacesFinished([this] {
        if (panelReport_.isEmpty()) return;
        // The panel face shows no engineering status line: the report
        // replaces the plain end of the update there and on the simple face.
        QWidget* status = form_.c.Label54[1];
        ShowStatus(status, panelReport_, kRed);
        for (QWidget* w : Widgets(form_.c.Label44, form_.c.Label46)) {
            ShowStatus(w, panelReport_, kRed);
        }
        panelReport_.clear();
    });
}

bool DeviceWrites::DeviceSelected() const {
    // After a search has begun the index names whatever device now sits
    // there: nothing is done for it until a device is chosen again.
    return form_.session.ChosenDevice() != 0;
}

QString DeviceWrites::Host() const { return TextOf(form_.c.txtIPaddr); }

void DeviceWrites::Status(const QString& text) { SetCaption(form_.c.Label1, text); }

void DeviceWrites::BeginRestartingOperation() {
    // The panel stays disabled through the restart until the follow-up
    // search has ended: a second update, a reset or a fill would otherwise
    // reach a device that is restarting.
    search_.HoldCommandPanel(true);
    Disable(form_.c.Command9);
    SetForeColor(form_.c.Label1, kBlack);
}

DeviceSession::Sequence DeviceWrites::Sequence(std::function<void()> done) {
    return {{}, target_.host, target_.device, [this](const WriteStep& step) { Show(step); }, std::move(done)};
}

void DeviceWrites::Show(const WriteStep& step) {
    switch (step.kind) {
        case WriteStep::Status:
            Status(QString::fromStdString(step.text));
            break;
        case WriteStep::HoldPanel:
            search_.LockCommandPanel();
            break;
        case WriteStep::SearchAgain:
            SearchAgain(step.command);
            break;
        case WriteStep::Send:
        case WriteStep::Wait:
        case WriteStep::FirstTick:
        case WriteStep::TimerOn:
        case WriteStep::TimerOff:
            break;  // the session sends, waits and runs its timer
    }
}

void DeviceWrites::SearchAgain(int16_t type) {
    form_.session.StartCounting();
    search_.LockCommandPanel();
    search_.HoldCommandPanel(false);
    waitingForSearch_ = true;
    if (!commands_.SendDeviceCommand(Host(), type, state_.SelectedDevice)) search_.ReturnToIdle();
}

void DeviceWrites::Target() { target_ = {state_.SelectedDevice, Host()}; }

bool DeviceWrites::busy() const { return form_.session.SequenceRuns() || waitingForSearch_; }

bool DeviceWrites::Update() {
    if (busy() || !DeviceSelected()) return false;
    const auto k = static_cast<size_t>(state_.SelectedDevice);
    // Nothing is sent from a record this search did not bring whole: its
    // missing bytes could be zeros or, worse, another device's.
    if (CheckUpdate(*state_.Devices, state_.SelectedDevice) != UpdateBlock::None) {
        Refuse(UpdateRefusalText(*state_.Devices, state_.SelectedDevice));
        return false;
    }
    if (Refused()) return false;
    const DeviceEntry& entry = state_.Devices->DeviceTable[k];
    SentUpdate sent{entry.MacText, entry.Record, editor_.AppliedRows(entry.MacText), std::nullopt,
                    editor_.Restored(entry.MacText), editor_.RawStretches(entry.MacText)};
    if (entry.FormatTag == RecordFormat::WithModule) sent.module = state_.Devices->LanModuleTable[k].Record;
    updating_ = entry.MacText;
    panelReport_.clear();
    state_.CloseAllowed = false;
    Target();
    BeginRestartingOperation();
    form_.session.Update(Sequence([this] {
                             QWidget* status = form_.c.Label54[1];
                             ShowStatus(status, "Ready", kBlack);
                             Enable(form_.c.Command34[4]);
                             state_.CloseAllowed = true;
                         }),
                         std::move(sent));
    return true;
}

void DeviceWrites::Refuse(const std::string& why) {
    QWidget* status = form_.c.Label1;
    ShowStatus(status, QString::fromStdString(why), kRed);
}

bool DeviceWrites::Refused(const QString& host) {
    const std::string why = form_.session.RequestRefusal(state_.SelectedDevice, host.isNull() ? Host() : host);
    if (!why.empty()) Refuse(why);
    return !why.empty();
}

void DeviceWrites::Reset() {
    if (busy() || !DeviceSelected() || Refused()) return;
    Target();
    BeginRestartingOperation();
    form_.session.Reset(Sequence(nullptr), IsChecked(form_.c.Check1) ? SearchNetwork : SearchAddress);
}

void DeviceWrites::Clear() {
    if (busy() || !DeviceSelected() || Refused()) return;
    form_.session.StartCounting();
    SetForeColor(form_.c.Label1, kBlack);
    Status("Sending command...");
    search_.LockCommandPanel();
    if (commands_.SendDeviceCommand(Host(), ClearConfigBuffer, state_.SelectedDevice)) return;
    // Its socket could not be made ready (the message has been shown): with
    // nothing open to listen on, the timer would tick "Ready" for ever over
    // a locked panel. The window is idle again, as the tick would show it.
    search_.EndUnsentCommand();
    Status("Ready");
}

void DeviceWrites::SetBaud() {
    // A second click while the first waits for its connection is refused:
    // it would close that connection and open another, and both would send.
    if (busy() || form_.session.BaudConnecting() || !DeviceSelected()) return;
    const std::string address = state_.ParameterTexts[PagedRow::IpAddress];
    if (Refused(QString::fromStdString(address))) return;
    form_.session.CloseBaud();
    // An empty or invalid address has nowhere to connect to.
    if (!IsValidAddress(address, true)) return;
    const QString to = QString::fromStdString(address);
    // The request is for the device chosen at the click: its echo bytes and
    // values must reach that device alone, whatever was chosen meanwhile.
    // A search in between may have given the device another address, and
    // this one to another device: even chosen again, it is not sent.
    const std::string mac = form_.session.SelectedMac();
    const unsigned round = state_.Devices->SearchRound;
    form_.session.ConnectBaud(to, [this, to, mac, round](bool connected) {
        if (!connected) return;
        const int16_t device = form_.session.ChosenDevice();
        const bool searched = state_.Devices->SearchRound != round;
        if (device == 0 || searched || form_.session.SelectedMac() != mac) {
            form_.session.CloseBaud();
            Refuse(device == 0 || searched ? kBaudDeviceGone : kBaudOtherDeviceChosen);
            return;
        }
        Status("Sending Setbuad command...");
        commands_.SendDeviceCommand(to, DeviceCommand::SetBaud, device);
    });
}

void DeviceWrites::OperationEnded() {
    if (!waitingForSearch_) return;
    waitingForSearch_ = false;
    Enable(form_.c.Command9);
    if (!updating_.empty()) ReportUpdateResult();
    updating_.clear();
}

void DeviceWrites::ReportUpdateResult() {
    editor_.ForgetApplied(updating_);
    const QString report = QString::fromStdString(form_.session.UpdateVerdict());
    if (report.isEmpty()) return;
    for (QWidget* w : Widgets(form_.c.Label1, form_.c.Label54[1])) {
        ShowStatus(w, report, kRed);
    }
    // An update started from the simple face ends there with Timer3's last
    // tick, which writes "Update...Done" and the found counts over the
    // panel's status line: the report comes back after them.
    if (search_.faceOperation() == SearchOrchestration::FaceOperation::Update) panelReport_ = report;
}

}  // namespace cobalin
