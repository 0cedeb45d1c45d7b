#include "features/writes/device_writes.h"

#include <QPushButton>

#include "core/parameter_codec.h"
#include "core/request_packets.h"
#include "core/text_conversions.h"
#include "features/editor/parameter_editor.h"
#include "features/search/command_channel.h"
#include "features/search/search_orchestration.h"
#include "toolkit/controls.h"
#include "toolkit/program_time.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

const char* const kNotFoundAfterUpdate = "Not found after the update: ";
const char* const kKeptOtherValues = "Device kept other values: ";

namespace {

constexpr int kRestartSeconds = 10;  // "Restarting..." counts from 10 down to 0
constexpr int kModuleUpdateSteps = 5;
// How long SetBaud waits for the TCP connection, in program seconds.
constexpr double kBaudConnectSeconds = 5;

// Bytes of a row that the write sends as the record holds them. The port of
// the first serial block is set to 4000 in every write, whatever the record
// says, so a row written there is not compared.
bool ComparedRow(const FieldDef& f) {
    const size_t begin = f.offset, end = f.offset + f.size;
    const bool ruleSet = begin < kSerialBlock1 + 2 && end > kSerialBlock1;
    return f.write != WriteRule::None && !ruleSet;
}

// The page a record byte belongs to.
int PageOf(size_t offset) {
    for (size_t p = 0; p < kPages.size(); ++p)
        if (offset >= kPages[p].recordOffset && offset < kPages[p].recordOffset + kPages[p].length)
            return static_cast<int>(p);
    return -1;
}

QString RowName(const FieldDef& f) {
    QString name = QString::fromUtf8(f.label.data(), static_cast<int>(f.label.size()));
    if (name.endsWith(':')) name.chop(1);
    return name;
}

}  // namespace

DeviceWrites::DeviceWrites(FormMain& form, AppState& state, CommandChannel& commands, SearchOrchestration& search,
                           ParameterEditor& editor)
    : form_(form), state_(state), commands_(commands), search_(search), editor_(editor) {
    connect(form_.Get<QPushButton>("Command9"), &QPushButton::clicked, this, [this] { Update(); });
    connect(form_.Get<QPushButton>("Command3"), &QPushButton::clicked, this, [this] { Reset(); });
    connect(form_.Get<QPushButton>("Command8"), &QPushButton::clicked, this, [this] { Clear(); });
    connect(form_.Get<QPushButton>("Command19"), &QPushButton::clicked, this, [this] { SetBaud(); });
    search_.OnOperationEnded([this] { OperationEnded(); });
    search_.OnFacesFinished([this] {
        if (panelReport_.isEmpty()) return;
        // The panel face shows no engineering status line: the report
        // replaces the plain end of the update there and on the simple face.
        QWidget* status = form_.Control("Label54(1)");
        SetForeColor(status, kRed);
        SetCaption(status, panelReport_);
        SetCaption(form_.Control("Label44"), panelReport_);
        SetCaption(form_.Control("Label46"), panelReport_);
        panelReport_.clear();
    });
}

bool DeviceWrites::DeviceSelected() const {
    // After a search has emptied List1 the index names whatever device now
    // sits there: nothing is done for it.
    return SelectedRow(form_.Control("List1")) >= 0 && state_.Devices->IsDevice(state_.SelectedDevice);
}

QString DeviceWrites::Host() const { return TextOf(form_.Control("txtIPaddr")); }

void DeviceWrites::Status(const QString& text) { SetCaption(form_.Control("Label1"), text); }

void DeviceWrites::BeginRestartingOperation() {
    busy_ = true;
    // The panel stays disabled through the restart until the follow-up
    // search has ended: a second update, a reset or a fill would otherwise
    // reach a device that is restarting.
    search_.HoldCommandPanel(true);
    Disable(form_.Control("Command9"));
    SetForeColor(form_.Control("Label1"), kBlack);
}

void DeviceWrites::CountDownRestart() {
    for (int i = 0; i <= kRestartSeconds; ++i) {
        Status("Restarting..." + QString::number(kRestartSeconds - i));
        WaitSeconds(1);
    }
}

void DeviceWrites::SearchAgain(int16_t type) {
    EnableTimer(form_.Timer1, true);
    Disable(form_.Control("Frame6"));
    state_.OperationTick = 1;
    search_.HoldCommandPanel(false);
    waitingForSearch_ = true;
    if (!commands_.SendDeviceCommand(Host(), type, state_.SelectedDevice)) search_.ReturnToIdle();
}

void DeviceWrites::Update() {
    if (busy_ || !DeviceSelected()) return;
    const DeviceEntry& entry = state_.Devices->DeviceTable[static_cast<size_t>(state_.SelectedDevice)];
    sent_ = SentRecord{entry.MacText, entry.Record, editor_.AppliedRows(entry.MacText)};
    panelReport_.clear();
    state_.CloseAllowed = false;
    BeginRestartingOperation();
    QWidget* panel = form_.Control("Frame6");
    if (entry.FormatTag == RecordFormat::WithModule) {
        EnableTimer(form_.Timer1, false);
        Status("Sending command...");
        Disable(panel);
        WaitSeconds(0.5);
        state_.OperationTick = 1;
        commands_.SendDeviceCommand(Host(), UpdateTransfer, state_.SelectedDevice);
        Status("Ready...");
        Disable(panel);
        WaitSeconds(0.5);
        for (int i = 0; i <= kModuleUpdateSteps; ++i) {
            Status("Updating..." + QString::number(kModuleUpdateSteps - i));
            WaitSeconds(0.5);
        }
    } else {
        state_.OperationTick = 1;
        EnableTimer(form_.Timer1, true);
        Status("Sending command...");
        Disable(panel);
        commands_.SendDeviceCommand(Host(), ClearConfigBuffer, state_.SelectedDevice);
        WaitSeconds(0.5);
        state_.OperationTick = 1;
        EnableTimer(form_.Timer1, true);
        commands_.SendDeviceCommand(Host(), WriteConfig, state_.SelectedDevice);
        // The reset follows the write at once.
        state_.OperationTick = 1;
        EnableTimer(form_.Timer1, true);
        commands_.SendDeviceCommand(Host(), ResetDevice, state_.SelectedDevice);
        Disable(panel);
    }
    CountDownRestart();
    SearchAgain(SearchNetwork);
    QWidget* status = form_.Control("Label54(1)");
    SetForeColor(status, kBlack);
    SetCaption(status, "Ready");
    Enable(form_.Control("Command34(4)"));
    state_.CloseAllowed = true;
}

void DeviceWrites::Reset() {
    if (busy_ || !DeviceSelected()) return;
    BeginRestartingOperation();
    state_.OperationTick = 1;
    EnableTimer(form_.Timer1, true);
    Status("Sending command...");
    Disable(form_.Control("Frame6"));
    commands_.SendDeviceCommand(Host(), ResetDevice, state_.SelectedDevice);
    Disable(form_.Control("Frame6"));
    CountDownRestart();
    SearchAgain(IsChecked(form_.Control("Check1")) ? SearchNetwork : SearchAddress);
}

void DeviceWrites::Clear() {
    if (busy_ || !DeviceSelected()) return;
    state_.OperationTick = 1;
    EnableTimer(form_.Timer1, true);
    SetForeColor(form_.Control("Label1"), kBlack);
    Status("Sending command...");
    Disable(form_.Control("Frame6"));
    commands_.SendDeviceCommand(Host(), ClearConfigBuffer, state_.SelectedDevice);
}

void DeviceWrites::SetBaud() {
    // A second click while the first waits for its connection would close
    // that connection and open another, and both would then send.
    if (busy_ || baudConnecting_ || !DeviceSelected()) return;
    const std::string address = state_.ParameterTexts[PagedRow::IpAddress];
    SocketControl& tcp = *form_.TCP5300Cmd;
    tcp.Close();
    // An empty or invalid address has nowhere to connect to.
    if (!IsValidAddress(address, true)) return;
    tcp.Connect(QString::fromStdString(address), kBaudPort);
    // The platform reports a refused connection at once; a silent address
    // would keep it waiting, so the wait ends after a few seconds.
    baudConnecting_ = true;
    WaitUntil([&tcp] { return tcp.State() == SocketControl::kConnected || tcp.State() == SocketControl::kError; },
              kBaudConnectSeconds);
    baudConnecting_ = false;
    if (tcp.State() != SocketControl::kConnected) {
        tcp.Close();
        return;
    }
    Status("Sending Setbuad command...");
    commands_.SendDeviceCommand(QString::fromStdString(address), DeviceCommand::SetBaud, state_.SelectedDevice);
}

void DeviceWrites::OperationEnded() {
    if (!waitingForSearch_) return;
    waitingForSearch_ = false;
    busy_ = false;
    Enable(form_.Control("Command9"));
    if (sent_) ReportUpdateResult();
    sent_.reset();
}

void DeviceWrites::ReportUpdateResult() {
    const SentRecord sent = *sent_;
    editor_.ForgetApplied(sent.mac);
    const DeviceStore& store = *state_.Devices;
    const DeviceEntry* back = nullptr;
    for (int i = 1; i <= store.DeviceCount; ++i)
        if (store.DeviceTable[static_cast<size_t>(i)].MacText == sent.mac) back = &store.DeviceTable[static_cast<size_t>(i)];
    QString report;
    if (!back) {
        report = kNotFoundAfterUpdate + QString::fromStdString(sent.mac);
    } else {
        QStringList differ;
        for (const FieldDef& f : PagedFields()) {
            if (!sent.rows.count(f.index) || !ComparedRow(f)) continue;
            bool kept = false;
            for (size_t o = f.offset; o < size_t{f.offset} + f.size; ++o) {
                const int page = PageOf(o);
                // Only what the follow-up search actually brought back counts.
                if (page < 0 || !(back->ReceivedPages & (1u << page))) continue;
                kept = kept || back->Record[o] != sent.record[o];
            }
            if (kept) differ << RowName(f);
        }
        if (!differ.isEmpty()) report = kKeptOtherValues + differ.join(", ");
    }
    if (report.isEmpty()) return;
    for (const char* name : {"Label1", "Label54(1)"}) {
        SetForeColor(form_.Control(name), kRed);
        SetCaption(form_.Control(name), report);
    }
    // An update started from the simple face ends there with Timer3's last
    // tick, which writes "Update...Done" and the found counts over the
    // panel's status line: the report comes back after them.
    if (form_.Timer3->isActive()) panelReport_ = report;
}

}  // namespace cobalin
