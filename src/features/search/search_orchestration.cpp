#include "features/search/search_orchestration.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "features/search/found_lists.h"
#include "features/search/command_channel.h"
#include "core/text_conversions.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

namespace {
// Where a search goes: anywhere on the network, or the address the engineering
// face starts with when the broadcast box is cleared.
const QString kAnyAddress = "255.255.255.255";
const QString kDefaultAddress = "192.168.1.250";
const QString kSearchPortText = QString::number(kSearchPort);
const QString kCommandPortText = QString::number(kCommandPort);
}  // namespace

SearchOrchestration::SearchOrchestration(FormMain& form, AppState& state, CommandChannel& commands, FoundLists& lists)
    : form_(form), state_(state), commands_(commands), lists_(lists) {
    connect(form_.c.Check1, &QCheckBox::toggled, this, [this] { BroadcastCheckChanged(); });
    for (int k : {kAnyNetwork, kSpecifiedNetwork, kSpecifiedAddress})
        connect(form_.c.Option1[k], &QRadioButton::clicked, this,
                [this, k] { ModeSelected(k); });
    connect(form_.c.Command10, &QPushButton::clicked, this, [this] { Search(); });
    connect(form_.c.Command1, &QPushButton::clicked, this, [this] { SearchOne(); });
    form_.session.OnTick([this](const OperationTickEvent& e) { OperationTicked(e); });
    form_.session.OnSearchEnded([this] { SearchEnded(); });
    connect(form_.Timer3, &QTimer::timeout, this, [this] { Timer3Tick(); });
}

void SearchOrchestration::BroadcastCheckChanged() {
    const bool ticked = IsChecked(form_.c.Check1);
    SetText(form_.c.txtIPaddr, ticked ? kAnyAddress : kDefaultAddress);
    SetText(form_.c.txtRemotePort, ticked ? kSearchPortText : kCommandPortText);
    SetRowQuietly(form_.c.cmbSckMode, 0);
    for (QWidget* w : Widgets(form_.c.txtIPaddr, form_.c.txtRemotePort, form_.c.cmbSckMode)) Enable(w);
}

void SearchOrchestration::ModeSelected(int k) {
    QWidget* network = form_.c.Text6[4];
    QWidget* address = form_.c.Text6[5];
    // Setting Check1 runs the check-box steps first; these steps then overwrite them.
    SetChecked(form_.c.Check1, k == kAnyNetwork);
    Enable(network, k == kSpecifiedNetwork);
    Enable(address, k == kSpecifiedAddress);
    const QString host = k == kAnyNetwork ? kAnyAddress : k == kSpecifiedNetwork ? TextOf(network) : TextOf(address);
    SetText(form_.c.txtIPaddr, host);
    SetText(form_.c.txtRemotePort, k == kSpecifiedAddress ? kCommandPortText : kSearchPortText);
    SetRowQuietly(form_.c.cmbSckMode, 0);
}

void SearchOrchestration::SelectMode(int k) {
    SetChecked(form_.c.Option1[k], true);
    ModeSelected(k);
}

void SearchOrchestration::RefuseAddress() {
    const QString text = "Invalid IP address entry!";
    SetCaption(form_.c.Label44, text);
    SetCaption(form_.c.Label46, text);
    QWidget* status = form_.c.Label54[1];
    ShowStatus(status, text, kRed);
    const MainHandles& c = form_.c;
    for (QWidget* w : Widgets(c.Combo5, c.Combo6, c.Combo4, c.List7, c.Command34[2], c.Command34[1], c.Command34[0],
                              c.Command34[3], c.Command34[4], c.Command34[5], c.Frame22))
        Enable(w);
}

void SearchOrchestration::SetFaceOperation(FaceOperation operation) {
    faceOperation_ = operation;
    SetTag(form_.c.Label44, operation == FaceOperation::Update ? kUpdateRunsTag : kSearchRunsTag);
}

void SearchOrchestration::LockCommandPanel() {
    panelFree_ = false;
    searchOver_ = false;
    Disable(form_.c.Frame6);
}

void SearchOrchestration::Search() {
    SetFaceOperation(FaceOperation::Search);
    QWidget* network = form_.c.Text6[4];
    QWidget* address = form_.c.Text6[5];
    auto target = [this](const QString& host, bool broadcast, const QString& port) {
        SetChecked(form_.c.Check1, broadcast);
        SetText(form_.c.txtIPaddr, host);
        SetText(form_.c.txtRemotePort, port);
    };
    if (IsChecked(form_.c.Option1[0])) {
        target(kAnyAddress, true, kSearchPortText);
    } else if (IsChecked(form_.c.Option1[1])) {
        if (!IsValidAddress(TextOf(network).toStdString(), false)) return RefuseAddress();
        target(TextOf(network), true, kSearchPortText);
    } else if (IsChecked(form_.c.Option1[2])) {
        if (!IsValidAddress(TextOf(address).toStdString(), true)) return RefuseAddress();
        target(TextOf(address), false, kCommandPortText);
    }
    Disable(form_.c.Frame15);
    lists_.lines().list6.Clear();
    Disable(form_.c.Command10);
    Hide(form_.c.Frame13);
    EnableTimer(form_.Timer3, true);
    SearchOne();
}

void SearchOrchestration::SearchOne() {
    // A report of an earlier update may have left the status line red.
    SetForeColor(form_.c.Label1, kBlack);
    form_.session.StartCounting();
    LockCommandPanel();
    Hide(form_.c.Frame1);
    ClearItems(form_.c.List1);
    form_.session.EmptyTable();
    const int16_t type = IsChecked(form_.c.Check1) ? SearchNetwork : SearchAddress;
    if (!commands_.SendDeviceCommand(TextOf(form_.c.txtIPaddr), type, state_.SelectedDevice)) ReturnToIdle();
}

void SearchOrchestration::ReturnToIdle() {
    // A search whose socket could not be made ready never hangs in
    // "Searching": the window is idle again, and Timer3's finishing tick
    // restores the simple face as after a search that found nothing.
    form_.session.ForgetDevices();
    ClearItems(form_.c.List1);
    EndUnsentCommand();
    SearchEnded();
}

void SearchOrchestration::SearchEnded() {
    // Timer3 shows the end on its next tick, unless a restart holds the
    // panel until the search that follows it.
    if (!held_) searchOver_ = true;
    // A copy: a handler may add another.
    for (const auto& f : std::vector(ended_)) f();
}

void SearchOrchestration::EndUnsentCommand() {
    form_.session.StopCounting();
    EnableCommandPanel();
}

void SearchOrchestration::EnableCommandPanel() {
    if (held_) return;
    panelFree_ = true;
    Enable(form_.c.Frame6);
}

void SearchOrchestration::OperationTicked(const OperationTickEvent& e) {
    QWidget* status = form_.c.Label1;
    switch (e.kind) {
        case OperationTickEvent::NothingOpen:
            SetCaption(status, "Ready");
            return;
        case OperationTickEvent::NoOperation:
            EnableCommandPanel();
            return;
        case OperationTickEvent::Counting:
            break;
    }
    SetCaption(status, QString::fromStdString(e.word) + QString::number(e.shown));
    if (e.step != TickStep::Finished) return;
    SetCaption(status, QString::fromStdString(e.DoneText()));
    EnableCommandPanel();
}

void SearchOrchestration::Timer3Tick() {
    try {
        QWidget* label44 = form_.c.Label44;
        QWidget* status = form_.c.Label54[1];
        const bool update = faceOperation_ == FaceOperation::Update;
        // Progress and results are black, whatever refusal was red before.
        for (QWidget* w : Widgets(label44, form_.c.Label46)) SetForeColor(w, kBlack);
        if (state_.OperationTick != kNoOperation) {
            const QString tick = QString::number(state_.OperationTick);
            if (!update) {
                SetCaption(form_.c.Command10, "Searching (" + tick + ")");
                SetCaption(label44, "Searching..." + tick);
            } else {
                SetCaption(form_.c.Command21, "Updating (" + tick + ")");
                SetCaption(label44, "Updating..." + tick);
            }
            SetCaption(form_.c.Label46, Caption(label44));
            ShowStatus(status, Caption(label44), kBlack);
        }
        if (!searchOver_) return;
        Enable(form_.c.Frame15);
        Enable(form_.c.Command10);
        const ListLines& list6 = lists_.lines().list6;
        // Every device of the store decoded once, for both lists.
        const FoundDevices found(*state_.Devices);
        filling_ = true;
        const struct Filled {
            bool& filling;
            ~Filled() { filling = false; }
        } filled{filling_};
        if (!update) {
            lists_.FillFoundList(found);
            SetCaption(form_.c.Command10, "Search");
            const QString found = QString("Found...%1 device(s)").arg(list6.Count());
            SetCaption(label44, found);
            SetCaption(form_.c.Label46, found);
            if (list6.Count() == 0) {
                Show(form_.c.Frame16);
            } else {
                // The first line is not loaded here: the panel's lists,
                // filled below, end on the device that stays loaded.
                Hide(form_.c.Frame16);
            }
        } else {
            SetCaption(form_.c.Command21, "Update");
            SetCaption(label44, "Update...Done");
            SetCaption(form_.c.Label46, "Update...Done");
            ShowStatus(status, "Update...Done", kBlack);
            Show(form_.c.Frame16, list6.Count() == 0);
        }
        SetFaceOperation(FaceOperation::Search);
        for (QWidget* w : SimpleFaceUpdateLocks(form_.c)) Enable(w);
        lists_.FillPanelLists(found);
        EnableTimer(form_.Timer3, false);
        for (const auto& f : std::vector(finished_)) f();
    } catch (...) {
        // Whatever fails inside a tick ends that tick silently; the next tick,
        // a second later, tries again.
    }
}

}  // namespace cobalin
